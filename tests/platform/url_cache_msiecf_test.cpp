// msiecfexport (libmsiecf) must list exactly the records we keep, in every
// container, before and after deletions, and find no trace of deleted ones.

#include "platform/dos_paths.h"
#include "platform/url_cache.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <unistd.h>

using namespace kp::win;
using kp::test::TempMachine;

namespace {

const char* const kExporter = "/usr/bin/msiecfexport";
const UrlCacheFolders kFolders {
    "C:\\Documents and Settings\\user\\Local Settings\\Temporary Internet Files",
    "C:\\Documents and Settings\\user\\Cookies",
    "C:\\Documents and Settings\\user\\Local Settings\\History",
};
const std::vector<std::string> kIndexes = {
    "Documents and Settings/user/Local Settings/Temporary Internet Files/Content.IE5/index.dat",
    "Documents and Settings/user/Cookies/index.dat",
    "Documents and Settings/user/Local Settings/History/History.IE5/index.dat",
    "Documents and Settings/user/Local Settings/History/History.IE5/MSHist012023111420231115/index.dat",
};

struct Export {
    bool ok = false;
    std::multiset<std::string> locations;
    std::string text;
};

Export exportIndex(const std::string& path)
{
    Export out;
    FILE* pipe = ::popen((std::string(kExporter) + " -m all '" + path + "' 2>&1").c_str(), "r");
    if (!pipe)
        return out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.text.append(buffer, n);
    out.ok = ::pclose(pipe) == 0;
    std::istringstream in(out.text);
    std::string line;
    while (std::getline(in, line))
        if (line.starts_with("Location\t"))
            out.locations.insert(line.substr(line.find(": ") + 2));
    return out;
}

std::multiset<std::string> ourUrls(UrlCache& cache)
{
    std::multiset<std::string> urls;
    std::vector<std::uint64_t> buffer(2048);
    auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
    DWORD size = DWORD(buffer.size() * 8);
    UrlCacheFindHandle handle = 0;
    DWORD e = cache.findFirstUrlCacheEntryEx(nullptr, 0, 0xFFFFFFFF, 0, info, size, handle);
    while (e == err::SUCCESS) {
        urls.insert(info->lpszSourceUrlName);
        size = DWORD(buffer.size() * 8);
        e = cache.findNextUrlCacheEntryEx(handle, info, size);
    }
    EXPECT_EQ(e, err::NO_MORE_ITEMS);
    cache.findCloseUrlCache(handle);
    return urls;
}

} // namespace

TEST(UrlCacheMsiecf, ExporterListsExactlyOurRecordsBeforeAndAfterDeletions)
{
    if (::access(kExporter, X_OK) != 0)
        GTEST_SKIP() << "msiecfexport (libmsiecf-utils) is not installed";
    TempMachine temp;
    UrlCache cache(temp.machine(), kFolders);
    std::vector<std::string> all;
    for (int i = 0; i < 300; ++i) {
        const std::string url = "http://site" + std::to_string(i % 7) + ".example/page" + std::to_string(i) + ".html";
        std::string local;
        ASSERT_EQ(cache.createUrlCacheEntry(url, "html", local), err::SUCCESS);
        std::string host;
        temp.machine().paths().toHost(local, host);
        std::ofstream(host) << std::string(std::size_t(i + 1), 'x');
        UrlCacheCommit c;
        c.url = url;
        c.localFileName = local;
        c.entryType = NORMAL_CACHE_ENTRY | (i % 9 == 0 ? STICKY_CACHE_ENTRY : 0);
        c.headerInfo = i == 5 ? std::string(6000, 'h') : "HTTP/1.1 200 OK\r\n\r\n";
        ASSERT_EQ(cache.commitUrlCacheEntry(c), err::SUCCESS);
        all.push_back(url);

        UrlCacheCommit visited;
        visited.url = "Visited: user@" + url;
        ASSERT_EQ(cache.commitUrlCacheEntry(visited), err::SUCCESS);
        all.push_back(visited.url);
        if (i % 30 == 0) {
            visited.url = ":2023111420231115: user@" + url;
            ASSERT_EQ(cache.commitUrlCacheEntry(visited), err::SUCCESS);
            all.push_back(visited.url);
            const std::string site = "site" + std::to_string(i) + ".example/";
            ASSERT_EQ(cache.setCookie("user", site, {{"id", std::to_string(i), site, 0, {1, 2}, {3, 4}}}), err::SUCCESS);
            all.push_back("Cookie:user@" + site);
        }
    }

    auto exported = [&] {
        std::multiset<std::string> locations;
        for (const std::string& index : kIndexes) {
            Export e = exportIndex(temp.hostPath(index));
            EXPECT_TRUE(e.ok) << index << "\n" << e.text.substr(0, 2000);
            locations.insert(e.locations.begin(), e.locations.end());
        }
        return locations;
    };
    const std::multiset<std::string> before = ourUrls(cache);
    EXPECT_EQ(before, std::multiset<std::string>(all.begin(), all.end()));
    EXPECT_EQ(exported(), before);

    std::set<std::string> deleted;
    for (std::size_t i = 0; i < all.size(); i += 3) {
        ASSERT_EQ(cache.deleteUrlCacheEntry(all[i]), err::SUCCESS) << all[i];
        deleted.insert(all[i]);
    }
    const std::multiset<std::string> after = ourUrls(cache);
    EXPECT_EQ(after.size(), all.size() - deleted.size());
    EXPECT_EQ(exported(), after);
    for (const std::string& index : kIndexes) {
        const std::string text = exportIndex(temp.hostPath(index)).text;
        for (const std::string& url : deleted)
            EXPECT_EQ(text.find("Location\t\t: " + url + "\n"), std::string::npos) << "recoverable: " << url;
    }
}
