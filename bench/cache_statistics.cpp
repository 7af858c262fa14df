// The statistics display on a machine with 100,000 cache entries with
// files, 10,000 cookies and 50,000 visited URLs (or those numbers divided by
// the first argument), against `du -s` of the same folders (the cache,
// cookies, temp and UserData folders).
//
//   bench_cache_statistics [DIVISOR]      builds a machine, times both, prints the figures
//   bench_cache_statistics --build DIR    builds the machine into DIR and prints its folders for du
//   bench_cache_statistics --show PREFIX  prints the statistics of an existing machine

#include "bench/support/bench_support.h"
#include "core/error_level.h"
#include "core/keywords.h"
#include "core/message_service.h"
#include "platform/files/dos_paths.h"
#include "platform/machine.h"
#include "platform/urlcache/url_cache.h"
#include "purge/purge_context.h"
#include "purge/purge_report.h"
#include "purge/run_state.h"
#include "sample/builder/machine_builder.h"
#include "settings/folder_discovery.h"
#include "settings/folder_set.h"
#include "settings/general_settings.h"
#include "tools/cache_statistics.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace kp;
using namespace kp::bench;

namespace {

kp::sample::MachineSpec benchRecipe(int divisor)
{
    kp::sample::MachineSpec recipe;
    recipe.now = 1796515200;
    recipe.cacheEntries = 100000 / divisor;
    recipe.smallestCacheEntries = true;
    recipe.cookies = 10000 / divisor;
    recipe.visitedUrls = 50000 / divisor;
    recipe.offlineEntries = 0;
    return recipe;
}

// An opened machine with its folders found, as the program finds them.
struct Statistics {
    std::unique_ptr<win::Machine> machine;
    DefaultAnswers messages;
    ErrorState errors;
    RunState run;
    Keywords keywords;
    FolderSet folders;
    GeneralSettings general;
    PurgeReport report{errors, messages};

    bool open(const std::string& prefix)
    {
        if (win::Machine::open(prefix, machine) != win::err::SUCCESS)
            return false;
        folders.dataFolder = "C:\\KLENZOR";
        FindFolders(*machine, keywords, {true, true}, general, folders);
        return true;
    }

    void show()
    {
        report.ClearReport();
        PurgeContext context{report, run, errors, keywords, folders, general, messages, machine.get()};
        win::UrlCache cache(*machine);
        ShowStatistics(context, cache);
    }

    // The host folders the statistics sum, quoted for a shell.
    std::string hostFolders()
    {
        std::vector<std::string> windowsPaths;
        if (folders.cacheFound)
            windowsPaths.push_back(folders.cacheFolder);
        if (folders.cookiesFound)
            windowsPaths.push_back(folders.cookiesFolder);
        for (const TempEntry& temp : folders.displayTemp)
            windowsPaths.push_back(temp.path);
        if (folders.userDataFound)
            windowsPaths.push_back(folders.userDataFolder);
        std::string out;
        for (const std::string& path : windowsPaths) {
            std::string host;
            if (!path.empty() && machine->paths().toHost(path, host) == win::err::SUCCESS)
                out += " '" + host + "'";
        }
        return out;
    }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--show") == 0) {
        Statistics stats;
        if (!stats.open(argv[2]))
            return 1;
        stats.show();
        for (const QString& line : stats.report.lines())
            std::printf("%s\n", qPrintable(line));
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "--build") == 0) {
        Statistics stats;
        if (buildInChild(argv[2], benchRecipe(1)) != 0 || !stats.open(argv[2]))
            return 1;
        std::printf("%s\n", stats.hostFolders().c_str());
        return 0;
    }

    const int divisor = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    const kp::sample::MachineSpec recipe = benchRecipe(divisor);
    std::string root = (fs::temp_directory_path() / "kp-bench-statistics-XXXXXX").string();
    if (!::mkdtemp(root.data()))
        return 1;
    const std::string dir = root + "/machine";
    if (!buildMachineTimed(dir, recipe))
        return 1;
    std::system("sync");

    Statistics stats;
    if (!stats.open(dir))
        return 1;
    const std::string du = "du -s" + stats.hostFolders() + " > /dev/null";
    // Both read warm: one untimed round each first.
    stats.show();
    std::system(du.c_str());
    constexpr int rounds = 3;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i)
        stats.show();
    const double statisticsSeconds = secondsSince(start) / rounds;
    start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i)
        std::system(du.c_str());
    const double duSeconds = secondsSince(start) / rounds;

    for (const QString& line : stats.report.lines())
        std::printf("  %s\n", qPrintable(line));
    std::printf("statistics: %.3f s a display; du -s of the same folders: %.3f s; statistics / du = %.2f\n",
                statisticsSeconds, duSeconds, statisticsSeconds / duSeconds);

    stats.machine.reset();
    fs::remove_all(root);
    return 0;
}
