// Interop with Wine's own wininet: a Windows probe fills, lists and edits the
// cache of a fresh prefix; our walk must agree with it both ways.

#include "platform/machine.h"
#include "platform/urlcache/url_cache.h"
#include "tests/support/cache_entries.h"
#include "tests/support/real_wine_prefix.h"
#include "tests/support/wine_prefix.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <sstream>

using namespace kp::win;

namespace {

// "type size url local" of one entry, as both sides print it.
using Entry = std::string;

std::set<Entry> ourList(UrlCache& cache)
{
    const kp::test::CacheWalk walk = kp::test::walkCache(cache);
    EXPECT_EQ(walk.end, err::NO_MORE_ITEMS);
    std::set<Entry> entries;
    for (const kp::test::CacheEntry& e : walk.entries) {
        char type[16];
        std::snprintf(type, sizeof type, "%08x", e.type);
        entries.insert(std::string(type) + " " + std::to_string(e.size) + " " + e.url + " " + e.local);
    }
    return entries;
}

std::string urlOf(const Entry& entry)
{
    std::istringstream in(entry);
    std::string type, size, url;
    in >> type >> size;
    std::getline(in >> std::ws, url);
    // "Visited: probe@http://..." keeps its blank.
    if (url.starts_with("Visited: "))
        return url.substr(0, url.find(' ', 9));
    return url.substr(0, url.find(' '));
}

} // namespace

class UrlCacheWine : public kp::test::UrlCacheProbeTest {
protected:
    std::set<Entry> wineList()
    {
        std::set<Entry> entries;
        for (const auto& f : probe({"list"}))
            if (f.size() == 5 && f[0] == "entry")
                entries.insert(f[1] + " " + f[2] + " " + f[3] + " " + f[4]);
        return entries;
    }

    // The result code that the probe's `command` gives for each URL.
    std::map<std::string, std::string> results(const std::string& command, const std::vector<std::string>& urls)
    {
        std::vector<std::string> args = {command};
        args.insert(args.end(), urls.begin(), urls.end());
        std::map<std::string, std::string> out;
        for (const auto& f : probe(args))
            if (f.size() == 3 && f[0] == command)
                out[f[1]] = f[2];
        return out;
    }
};

TEST_F(UrlCacheWine, OurWalkAndWinesAgreeBeforeAndAfterEditsOnBothSides)
{
    const UrlCacheFolders folders = shellFolders();
    ASSERT_FALSE(folders.cache.empty());
    const auto filled = probe({"fill", "12"});
    ASSERT_NE(std::find(filled.begin(), filled.end(), std::vector<std::string>{"filled", "0"}), filled.end());

    std::unique_ptr<Machine> machine;
    ASSERT_EQ(Machine::open(prefix, machine), err::SUCCESS);
    {
        UrlCache cache(*machine, folders);
        const std::set<Entry> wine = wineList();
        ASSERT_EQ(wine.size(), 12u + 12u + 2u);
        EXPECT_EQ(ourList(cache), wine);

        const std::vector<std::string> gone = {"http://probe.example/page3.html", "http://probe.example/page5.html",
                                               "Visited: probe@http://probe.example/page7.html",
                                               "Cookie:" + probe({"folders"}).back().back()
                                                   + "@other.example/shop/"};
        for (const std::string& url : gone)
            EXPECT_EQ(cache.deleteUrlCacheEntry(url), err::SUCCESS) << url;

        std::set<Entry> expected;
        for (const Entry& e : wine)
            if (std::find(gone.begin(), gone.end(), urlOf(e)) == gone.end())
                expected.insert(e);
        ASSERT_EQ(expected.size(), wine.size() - gone.size());
        EXPECT_EQ(wineList(), expected);
        for (const auto& [url, code] : results("get", gone))
            EXPECT_EQ(code, "2") << url;
        for (const auto& [url, code] : results("get", {"http://probe.example/page4.html",
                                                              "Visited: probe@http://probe.example/page8.html"}))
            EXPECT_EQ(code, "0") << url;

        // Wine adds to the index we edited, without damage.
        for (const auto& [url, code] : results("add", {"http://added.example/a.html", "http://added.example/b.html"}))
            EXPECT_EQ(code, "0") << url;
        const std::set<Entry> afterAdd = wineList();
        EXPECT_EQ(afterAdd.size(), expected.size() + 2);
        EXPECT_EQ(ourList(cache), afterAdd);
    }
    {
        // Wine finds what we add through its hash, and deletes it.
        UrlCache cache(*machine, folders);
        UrlCacheCommit visited;
        visited.url = "Visited: probe@http://ours.example/";
        ASSERT_EQ(cache.commitUrlCacheEntry(visited), err::SUCCESS);
        std::string local;
        ASSERT_EQ(cache.createUrlCacheEntry("http://ours.example/page.html", "html", local), err::SUCCESS);
        UrlCacheCommit content;
        content.url = "http://ours.example/page.html";
        content.localFileName = local;
        ASSERT_EQ(cache.commitUrlCacheEntry(content), err::SUCCESS);

        const std::set<Entry> wine = wineList();
        EXPECT_EQ(ourList(cache), wine);
        for (const auto& [url, code] : results("get", {visited.url, content.url}))
            EXPECT_EQ(code, "0") << url;
        for (const auto& [url, code] : results("delete", {visited.url, content.url}))
            EXPECT_EQ(code, "0") << url;
        const std::set<Entry> after = ourList(cache);
        EXPECT_EQ(after.size(), wine.size() - 2);
        EXPECT_EQ(wineList(), after);
    }
}
