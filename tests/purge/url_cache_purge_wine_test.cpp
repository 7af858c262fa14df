// After our purges of a prefix made by real Wine, Wine's own wininet lists
// exactly the protected entries that were left, and still adds to the cache.

#include "platform/files/dos_paths.h"
#include "platform/files/win_path.h"
#include "platform/machine.h"
#include "platform/urlcache/url_cache.h"
#include "purge/url_cache_purge.h"
#include "tests/support/listed_windows.h"
#include "tests/support/purge_run.h"
#include "tests/support/real_wine_prefix.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

using namespace kp;

using UrlCachePurgeWine = kp::test::UrlCacheProbeTest;

TEST_F(UrlCachePurgeWine, WineListsExactlyTheProtectedEntriesLeftAndGoesOnWorking)
{
    const win::UrlCacheFolders shellFolders = this->shellFolders();
    ASSERT_FALSE(shellFolders.cache.empty());
    auto wineUrls = [&] {
        std::set<std::string> urls;
        for (const auto& f : probe({"list"}))
            if (f.size() == 5 && f[0] == "entry")
                urls.insert(f[3]);
        return urls;
    };
    probe({"fill", "10"});
    const std::set<std::string> filled = wineUrls();
    ASSERT_GE(filled.size(), 20u);

    std::set<std::string> keep;
    for (const std::string& url : filled)
        if (url.starts_with("Cookie:") || url == "http://probe.example/page4.html"
            || url.starts_with("Visited: probe@http://probe.example/page2.html"))
            keep.insert(url);
    ASSERT_GE(keep.size(), 3u);

    std::unique_ptr<win::Machine> machine;
    ASSERT_EQ(win::Machine::open(prefix, machine), win::err::SUCCESS);
    {
        test::PurgeRun p(machine.get());
        FolderSet& folders = p.folders;
        test::ListedWindows windows;
        UrlCacheServices services(*machine, windows, p.messages, p.errors, p.run, p.general);
        ASSERT_EQ(win::upperAscii(services.cache.folders().cache), win::upperAscii(shellFolders.cache));
        folders.cacheFolder = win::upperAscii(services.cache.containerFolder(""));
        folders.cookiesFolder = win::upperAscii(shellFolders.cookies);
        folders.historyFolder = win::upperAscii(services.cache.containerFolder("Visited:"));
        folders.cacheFound = folders.cookiesFound = folders.historyFound = true;
        folders.dataFolder = "C:\\KLENZOR";
        std::string data;
        ASSERT_EQ(machine->paths().toHost("C:\\", data), win::err::SUCCESS);
        std::filesystem::create_directories(data + "/KLENZOR");
        std::string text;
        for (const std::string& url : keep)
            text += url + "\r\n";
        kp::test::writeFile(data + "/KLENZOR/KlenPro.Dat", text);
        p.run.options.NormalCache = p.run.options.SubscriptionCache = p.run.options.Cookies = p.run.options.Visited = true;
        for (char mode : {'X', 'C', 'V'})
            PurgeUrlCache(p.context, services, mode);
        EXPECT_EQ(p.errors.ErrorLevel, 0);
    }
    EXPECT_EQ(wineUrls(), keep);
    for (const auto& f : probe({"add", "http://after.example/a.html"})) {
        if (f.size() == 3 && f[0] == "add") {
            EXPECT_EQ(f[2], "0");
        }
    }
    std::set<std::string> after = keep;
    after.insert("http://after.example/a.html");
    EXPECT_EQ(wineUrls(), after);
}
