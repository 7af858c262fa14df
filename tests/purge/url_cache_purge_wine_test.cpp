// After our purges of a prefix made by real Wine, Wine's own wininet lists
// what the purges left, finds every listed entry's file, and still adds to
// the cache.

#include "platform/files/dos_paths.h"
#include "platform/files/win_path.h"
#include "platform/machine.h"
#include "platform/urlcache/url_cache.h"
#include "purge/history_purge.h"
#include "purge/stray_purge.h"
#include "purge/url_cache_purge.h"
#include "tests/support/cache_entries.h"
#include "tests/support/listed_windows.h"
#include "tests/support/purge_run.h"
#include "tests/support/real_wine_prefix.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

using namespace kp;

namespace {

// A purge run over the prefix, its folders where the machine's URL cache
// puts them.
struct WinePurge : test::PurgeRun {
    explicit WinePurge(win::Machine& machine)
        : PurgeRun(&machine)
        , services(machine, windows, messages, errors, run, general)
    {
        folders.cacheFolder = win::upperAscii(services.cache.containerFolder(""));
        folders.cookiesFolder = win::upperAscii(services.cache.folders().cookies);
        folders.historyFolder = win::upperAscii(services.cache.containerFolder("Visited:"));
        folders.cacheFound = folders.cookiesFound = folders.historyFound = true;
        folders.dataFolder = "C:\\KLENZOR";
    }

    // The host path of a Windows path, "" when nothing is there.
    std::string host(const std::string& winPath)
    {
        std::string out;
        bool found = false;
        return context.machine->paths().toHost(winPath, out, &found) == win::err::SUCCESS && found ? out : "";
    }

    test::ListedWindows windows;
    UrlCacheServices services;
};

class UrlCachePurgeWine : public test::UrlCacheProbeTest {
protected:
    // Every entry Wine's wininet lists, with its local file ("" for none).
    std::map<std::string, std::string> wineEntries()
    {
        std::map<std::string, std::string> entries;
        for (const auto& f : probe({"list"}))
            if (f.size() == 5 && f[0] == "entry")
                entries[f[3]] = f[4];
        return entries;
    }

    std::set<std::string> wineUrls()
    {
        std::set<std::string> urls;
        for (const auto& [url, local] : wineEntries())
            urls.insert(url);
        return urls;
    }

    std::unique_ptr<win::Machine> machine;
};

} // namespace

TEST_F(UrlCachePurgeWine, WineListsExactlyTheProtectedEntriesLeftAndGoesOnWorking)
{
    const win::UrlCacheFolders shellFolders = this->shellFolders();
    ASSERT_FALSE(shellFolders.cache.empty());
    probe({"fill", "10"});
    const std::set<std::string> filled = wineUrls();
    ASSERT_GE(filled.size(), 20u);

    std::set<std::string> keep;
    for (const std::string& url : filled)
        if (url.starts_with("Cookie:") || url == "http://probe.example/page4.html"
            || url.starts_with("Visited: probe@http://probe.example/page2.html"))
            keep.insert(url);
    ASSERT_GE(keep.size(), 3u);

    ASSERT_EQ(win::Machine::open(prefix, machine), win::err::SUCCESS);
    {
        WinePurge p(*machine);
        ASSERT_EQ(win::upperAscii(p.services.cache.folders().cache), win::upperAscii(shellFolders.cache));
        ASSERT_EQ(p.folders.cookiesFolder, win::upperAscii(shellFolders.cookies));
        std::string data;
        ASSERT_EQ(machine->paths().toHost("C:\\", data), win::err::SUCCESS);
        std::filesystem::create_directories(data + "/KLENZOR");
        std::string text;
        for (const std::string& url : keep)
            text += url + "\r\n";
        kp::test::writeFile(data + "/KLENZOR/KlenPro.Dat", text);
        p.run.options.NormalCache = p.run.options.SubscriptionCache = p.run.options.Cookies = p.run.options.Visited = true;
        for (char mode : {'X', 'C', 'V'})
            PurgeUrlCache(p.context, p.services, mode);
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

TEST_F(UrlCachePurgeWine, AfterHistoryAndStraysWineListsNoHistoryAndEveryEntrysFile)
{
    probe({"fill", "10"});
    const std::map<std::string, std::string> filled = wineEntries();
    const std::string goneFile = "http://probe.example/page5.html";
    std::string goneCookie;
    for (const auto& [url, local] : filled)
        if (url.starts_with("Cookie:") && url.ends_with("@probe.example/"))
            goneCookie = url;
    ASSERT_TRUE(filled.count(goneFile) && !goneCookie.empty());

    ASSERT_EQ(win::Machine::open(prefix, machine), win::err::SUCCESS);
    std::vector<std::string> strays, days;
    {
        WinePurge p(*machine);
        // Wine's wininet makes no daily containers: they are written as
        // Internet Explorer keeps them, one per day below History.IE5.
        for (const char* period : {":2026120520261206: ", ":2026120620261207: "}) {
            win::UrlCacheCommit daily;
            daily.url = std::string(period) + "probe@http://probe.example/page1.html";
            ASSERT_EQ(p.services.cache.commitUrlCacheEntry(daily), win::err::SUCCESS);
            days.push_back(p.host(p.services.cache.containerFolder(period)));
            ASSERT_TRUE(std::filesystem::exists(days.back() + "/index.dat"));
        }
        // Files no entry names, and two entries whose files are gone.
        const std::string pageFolder = std::filesystem::path(p.host(filled.at("http://probe.example/page3.html"))).parent_path();
        strays = {pageFolder + "/stray[1].htm", p.host(p.folders.cookiesFolder) + "/probe@stray.example[1].txt"};
        for (const std::string& stray : strays)
            kp::test::writeFile(stray, "stray");
        for (const std::string& url : {goneFile, goneCookie})
            ASSERT_TRUE(std::filesystem::remove(p.host(filled.at(url)))) << url;
        machine->paths().forget(pageFolder);
        machine->paths().forget(p.host(p.folders.cookiesFolder));

        HistoryClearing clearing {[&] { return ClearHistoryStore(p.services); }, [] { return false; }};
        PurgeHistoryFolders(p.context, p.services, clearing);
        PurgeStrays(p.context, p.services);
        EXPECT_EQ(p.errors.ErrorLevel, 0) << ::testing::PrintToString(p.lines());
        EXPECT_EQ(p.lines().back(), "  Purge \"Strays\" Function Completed. 4 Files/URLs Processed.");
    }
    for (const std::string& path : strays)
        EXPECT_FALSE(std::filesystem::exists(path)) << path;
    for (const std::string& day : days)
        EXPECT_FALSE(std::filesystem::exists(day)) << day;
    EXPECT_EQ(kp::test::filesNoEntryNames(prefix), std::set<std::string> {});

    std::unique_ptr<win::Machine> fresh;
    ASSERT_EQ(win::Machine::open(prefix, fresh), win::err::SUCCESS);
    std::size_t listed = 0;
    for (const auto& [url, local] : wineEntries()) {
        ++listed;
        EXPECT_FALSE(win::upperAscii(url).starts_with("VISITED:")) << url;
        std::string host;
        bool found = false;
        EXPECT_TRUE(local.empty() || (fresh->paths().toHost(local, host, &found) == win::err::SUCCESS && found))
            << url << " " << local;
    }
    EXPECT_EQ(listed, filled.size() - 10 - 2);

    const auto results = [&](std::vector<std::string> args) {
        std::vector<std::string> codes;
        for (const auto& f : probe(std::move(args)))
            if (f.size() == 3)
                codes.push_back(f[2]);
        return codes;
    };
    EXPECT_EQ(results({"add", "http://after.example/a.html"}), std::vector<std::string> {"0"});
    EXPECT_EQ(results({"get", "http://after.example/a.html", "http://probe.example/page4.html"}),
              (std::vector<std::string> {"0", "0"}));
}
