// Strays on machines with 10,000, 50,000 and 100,000 cache entries with
// files (or those numbers divided by the first argument), each with a tenth
// as many files in the cache folder that no entry names and a tenth as many
// entries whose files are gone; against `find` listing the same cache folder
// and deleting the same stray files in an identical copy. The time per entry
// shows whether the purge grows linearly with the cache.
//
// For an outside timer: "make <entries> <folder>" builds one such machine,
// "purge <folder>" runs Strays on it, "find <folder>" does find's part.

#include "bench/support/bench_support.h"
#include "core/error_level.h"
#include "core/keywords.h"
#include "core/message_service.h"
#include "platform/files/win_path.h"
#include "platform/machine.h"
#include "platform/system/browser_windows.h"
#include "purge/purge_context.h"
#include "purge/purge_report.h"
#include "purge/run_state.h"
#include "purge/stray_purge.h"
#include "purge/url_cache_purge.h"
#include "sample/builder/machine_builder.h"
#include "settings/folder_set.h"
#include "settings/general_settings.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace kp;
using namespace kp::bench;

namespace {

// Removes every tenth file of the cache subfolders (their entries stay) and
// adds as many files that no entry names, "stray<n>.htm", spread over the
// subfolders. Returns the number of each.
int makeStrays(const std::string& content)
{
    std::vector<fs::path> files;
    std::vector<fs::path> subfolders;
    for (const auto& item : fs::directory_iterator(content)) {
        if (!item.is_directory())
            continue;
        subfolders.push_back(item.path());
        for (const auto& file : fs::directory_iterator(item.path()))
            if (file.is_regular_file())
                files.push_back(file.path());
    }
    std::sort(files.begin(), files.end());
    int count = 0;
    for (std::size_t i = 0; i < files.size(); i += 10, ++count)
        fs::remove(files[i]);
    for (int i = 0; i < count && !subfolders.empty(); ++i)
        std::ofstream(subfolders[std::size_t(i) % subfolders.size()] / ("stray" + std::to_string(i) + ".htm"))
            << "<html></html>";
    return count;
}

std::string contentFolder(const std::string& dir)
{
    return dir + "/drive_c/Documents and Settings/" + kp::sample::MachineSpec().userName
        + "/Local Settings/Temporary Internet Files/Content.IE5";
}

// The machine with its strays; the number of stray files, -1 on failure.
int makeMachine(int entries, const std::string& dir)
{
    kp::sample::MachineSpec recipe;
    recipe.now = 1796515200;
    recipe.cacheEntries = entries;
    recipe.smallestCacheEntries = true;
    recipe.offlineEntries = 0;
    if (int code = buildInChild(dir, recipe)) {
        std::fprintf(stderr, "building the machine failed (error code %d, low byte)\n", code);
        return -1;
    }
    return makeStrays(contentFolder(dir));
}

// Strays on the machine in `dir`: its seconds, or -1 on failure.
double purgeStrays(const std::string& dir, long long& processed)
{
    std::unique_ptr<win::Machine> machine;
    if (win::Machine::open(dir, machine) != win::err::SUCCESS)
        return -1;
    PurgeRig<> rig;
    auto& [messages, errors, state, keywords, general, folders, report] = rig;
    NoWindows windows;
    UrlCacheServices services(*machine, windows, messages, errors, state, general);
    folders.cacheFolder = win::upperAscii(services.cache.containerFolder(""));
    folders.cookiesFolder = win::upperAscii(services.cache.folders().cookies);
    folders.historyFolder = win::upperAscii(services.cache.containerFolder("Visited:"));
    folders.cacheFound = folders.cookiesFound = folders.historyFound = true;
    PurgeContext context {report, state, errors, keywords, folders, general, messages, machine.get()};
    const auto start = std::chrono::steady_clock::now();
    PurgeStrays(context, services);
    processed = state.ProcessedCount;
    return errors.ErrorLevel == 0 ? secondsSince(start) : -1;
}

double findStrays(const std::string& dir)
{
    const auto start = std::chrono::steady_clock::now();
    run("find '" + contentFolder(dir) + "' -type f -name 'stray*.htm' -delete");
    return secondsSince(start);
}

bool measure(int entries)
{
    std::string root = (fs::temp_directory_path() / "kp-bench-strays-XXXXXX").string();
    if (!::mkdtemp(root.data()))
        return false;
    const std::string dir = root + "/machine";
    const std::string copy = root + "/copy";
    const int strays = makeMachine(entries, dir);
    if (strays < 0 || run("cp -a '" + dir + "' '" + copy + "'") != 0)
        return false;
    run("sync");
    long long processed = 0;
    const double purgeSeconds = purgeStrays(dir, processed);
    run("sync");
    const double findSeconds = findStrays(copy);
    std::printf("%6d entries, %5d stray files, %5d entries without files: Strays %.3f s (%.2f us per entry, "
                "%lld processed); find %.3f s; Strays / find = %.1f\n",
                entries, strays, strays, purgeSeconds, purgeSeconds * 1e6 / entries, processed, findSeconds,
                purgeSeconds / findSeconds);
    std::fflush(stdout);
    fs::remove_all(root);
    return purgeSeconds >= 0 && processed >= 2LL * strays;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "make" && argc == 4)
        return makeMachine(std::atoi(argv[2]), argv[3]) >= 0 ? 0 : 1;
    if (mode == "purge" && argc == 3) {
        long long processed = 0;
        const double seconds = purgeStrays(argv[2], processed);
        std::printf("Strays: %lld processed in %.3f s\n", processed, seconds);
        return seconds >= 0 ? 0 : 1;
    }
    if (mode == "find" && argc == 3) {
        std::printf("find: %.3f s\n", findStrays(argv[2]));
        return 0;
    }
    const int divisor = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    for (int entries : {10000, 50000, 100000})
        if (!measure(entries / divisor))
            return 1;
    return 0;
}
