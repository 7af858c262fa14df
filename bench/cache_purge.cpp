// The Cache, Cookies and Visited URLs purges on a machine with 100,000 cache
// entries with files, 10,000 cookies and 50,000 visited URLs (or those
// numbers divided by the first argument), every entry deleted, against
// `find -delete` removing the same files from an identical copy; and the
// purge's peak memory. The cache entries are the smallest records (one
// 128-byte block each), since 100,000 larger ones exceed what one index file
// can address.

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
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace kp;
using namespace kp::bench;

namespace {

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    kp::sample::MachineSpec recipe;
    recipe.now = 1796515200;
    const int divisor = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    recipe.cacheEntries = 100000 / divisor;
    recipe.smallestCacheEntries = true;
    recipe.cookies = 10000 / divisor;
    recipe.visitedUrls = 50000 / divisor;
    recipe.offlineEntries = 0;

    std::string root = (fs::temp_directory_path() / "kp-bench-purge-XXXXXX").string();
    if (!::mkdtemp(root.data()))
        return 1;
    const std::string dir = root + "/machine";
    const std::string copy = root + "/copy";
    if (!buildMachineTimed(dir, recipe))
        return 1;
    if (run("cp -a '" + dir + "' '" + copy + "'") != 0)
        return 1;
    run("sync");

    std::unique_ptr<win::Machine> machine;
    if (win::Machine::open(dir, machine) != win::err::SUCCESS)
        return 1;
    PurgeRig<> rig;
    auto& [messages, errors, state, keywords, general, folders, report] = rig;
    NoWindows windows;
    UrlCacheServices services(*machine, windows, messages, errors, state, general);
    services.now = [&] { return QDateTime::fromSecsSinceEpoch(recipe.now); };
    folders.cacheFolder = win::upperAscii(services.cache.containerFolder(""));
    folders.cookiesFolder = win::upperAscii(services.cache.folders().cookies);
    folders.historyFolder = win::upperAscii(services.cache.containerFolder("Visited:"));
    folders.cacheFound = folders.cookiesFound = folders.historyFound = true;
    folders.dataFolder = "C:\\KLENZOR";
    fs::create_directories(dir + "/drive_c/KLENZOR");
    std::FILE* protect = std::fopen((dir + "/drive_c/KLENZOR/KlenPro.Dat").c_str(), "wb");
    if (!protect)
        return 1;
    std::fputs("Cookie:nobody@nowhere.example/\r\n", protect);
    std::fclose(protect);
    state.options.NormalCache = state.options.SubscriptionCache = state.options.Cookies = state.options.Visited = true;
    PurgeContext context {report, state, errors, keywords, folders, general, messages, machine.get()};
    const long baseline = peakKilobytes();

    auto start = std::chrono::steady_clock::now();
    for (char mode : {'X', 'C', 'V'})
        PurgeUrlCache(context, services, mode);
    const double purgeSeconds = secondsSince(start);
    const long peak = peakKilobytes();
    std::printf("purge: %lld entries in %.2f s, error level %d, %d report lines; peak memory %.1f MB "
                "(%.1f MB before the purge)\n",
                state.ProcessedCount, purgeSeconds, errors.ErrorLevel, report.lineCount(), peak / 1024.0,
                baseline / 1024.0);

    // The same files from the copy: the cache subfolders' files and the cookie files.
    const std::string content = copy + "/drive_c/Documents and Settings/" + recipe.userName
        + "/Local Settings/Temporary Internet Files/Content.IE5";
    const std::string cookies = copy + "/drive_c/Documents and Settings/" + recipe.userName + "/Cookies";
    if (!fs::exists(content) || !fs::exists(cookies)) {
        std::fprintf(stderr, "the copy's folders are not where expected\n");
        return 1;
    }
    run("sync"); // the purge's writes are not left to slow find down
    start = std::chrono::steady_clock::now();
    run("find '" + content + "' -mindepth 2 -type f -delete");
    run("find '" + cookies + "' -maxdepth 1 -type f ! -iname index.dat ! -iname desktop.ini -delete");
    const double findSeconds = secondsSince(start);
    std::printf("find -delete: %.2f s; purge / find = %.2f (target at most 2)\n", findSeconds,
                purgeSeconds / findSeconds);

    machine.reset();
    fs::remove_all(root);
    return 0;
}
