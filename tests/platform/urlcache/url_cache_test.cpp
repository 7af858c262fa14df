#include "platform/urlcache/url_cache.h"

#include "platform/files/dos_paths.h"
#include "platform/files/win_path.h"
#include "platform/urlcache/index_dat_file.h"
#include "tests/support/cache_entries.h"
#include "tests/support/temp_dir.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <set>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kp::win;
using kp::test::TempMachine;

namespace {

const UrlCacheFolders kXpFolders {
    "C:\\Documents and Settings\\user\\Local Settings\\Temporary Internet Files",
    "C:\\Documents and Settings\\user\\Cookies",
    "C:\\Documents and Settings\\user\\Local Settings\\History",
};
const std::string kContentDir = "Documents and Settings/user/Local Settings/Temporary Internet Files/Content.IE5";

using Listed = kp::test::CacheEntry;

// Walks as the system does, appending to `out`; `grownTo` is the largest
// buffer the walk asked for.
DWORD walk(UrlCache& cache, std::vector<Listed>& out, DWORD* grownTo = nullptr)
{
    const kp::test::CacheWalk w = kp::test::walkCache(cache);
    out.insert(out.end(), w.entries.begin(), w.entries.end());
    if (grownTo)
        *grownTo = w.largest;
    return w.end;
}

std::set<std::string> urlsOf(const std::vector<Listed>& listed)
{
    std::set<std::string> urls;
    for (const Listed& l : listed)
        urls.insert(l.url);
    return urls;
}

class UrlCacheTest : public ::testing::Test {
protected:
    TempMachine temp;
    UrlCache cache {temp.machine(), kXpFolders};

    std::string hostOf(const std::string& winPath)
    {
        std::string host;
        EXPECT_EQ(temp.machine().paths().toHost(winPath, host), err::SUCCESS);
        return host;
    }

    std::string addContent(const std::string& url, const std::string& body, DWORD type = NORMAL_CACHE_ENTRY,
                           std::int64_t accessed = 1700000000)
    {
        std::string local;
        EXPECT_EQ(cache.createUrlCacheEntry(url, "htm", local), err::SUCCESS);
        std::ofstream(hostOf(local), std::ios::binary) << body;
        UrlCacheCommit c;
        c.url = url;
        c.localFileName = local;
        c.entryType = type;
        c.lastAccess = fileTimeFromUnix(accessed);
        c.headerInfo = "HTTP/1.1 200 OK\r\n\r\n";
        c.fileExtension = "htm";
        EXPECT_EQ(cache.commitUrlCacheEntry(c), err::SUCCESS);
        return local;
    }

    void addVisited(const std::string& url)
    {
        UrlCacheCommit c;
        c.url = url;
        c.entryType = NORMAL_CACHE_ENTRY;
        EXPECT_EQ(cache.commitUrlCacheEntry(c), err::SUCCESS);
    }
};

} // namespace

TEST_F(UrlCacheTest, WalkListsEveryContainerInOrderWithStickyAndDailyEntries)
{
    addContent("http://example.com/index.html", "<html>hello</html>");
    addContent("http://example.com/news.cdf", "<channel/>", STICKY_CACHE_ENTRY | NORMAL_CACHE_ENTRY);
    ASSERT_EQ(cache.setCookie("user", "example.com/", {{"id", "42", "example.com/", 0, {1, 0x01E00000}, {2, 3}}},
                              fileTimeFromUnix(1700000100)),
              err::SUCCESS);
    addVisited("Visited: user@http://example.com/index.html");
    addVisited(":2023111420231115: user@http://example.com/index.html");

    std::vector<Listed> listed;
    ASSERT_EQ(walk(cache, listed), err::NO_MORE_ITEMS);
    ASSERT_EQ(listed.size(), 5u);
    EXPECT_EQ(listed[0].url, "Cookie:user@example.com/");
    EXPECT_EQ(listed[1].url, "Visited: user@http://example.com/index.html");
    EXPECT_EQ(listed[2].url, ":2023111420231115: user@http://example.com/index.html");
    EXPECT_EQ(urlsOf({listed.begin() + 3, listed.end()}),
              (std::set<std::string> {"http://example.com/index.html", "http://example.com/news.cdf"}));

    // Types, sizes and local files as Wine lists them are the Wine test's; its
    // probe makes no sticky entry, no daily container and sets no cookie's time.
    EXPECT_EQ(listed[0].lastAccess.value(), fileTimeFromUnix(1700000100).value());
    for (const Listed& l : listed) {
        if (l.url == "http://example.com/news.cdf") {
            EXPECT_EQ(l.type, STICKY_CACHE_ENTRY | NORMAL_CACHE_ENTRY);
        }
    }
    EXPECT_TRUE(temp.exists("Documents and Settings/user/Local Settings/History/History.IE5/"
                            "MSHist012023111420231115/index.dat"));
}

TEST_F(UrlCacheTest, SmallBufferAsksForTheSizeAndTheRetryGetsTheSameEntry)
{
    addVisited("Visited: user@http://a.example/");
    UrlCacheCommit big;
    big.url = "Visited: user@http://b.example/";
    big.headerInfo.assign(5000, 'h');
    ASSERT_EQ(cache.commitUrlCacheEntry(big), err::SUCCESS);
    addVisited("Visited: user@http://c.example/");

    alignas(8) std::uint8_t tiny[16];
    DWORD size = sizeof tiny;
    UrlCacheFindHandle handle = 0;
    auto* tinyInfo = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(tiny);
    ASSERT_EQ(cache.findFirstUrlCacheEntryEx(nullptr, 0, 0xFFFFFFFF, 0, tinyInfo, size, handle),
              err::INSUFFICIENT_BUFFER);
    EXPECT_EQ(handle, 0u);
    EXPECT_GT(size, sizeof(INTERNET_CACHE_ENTRY_INFOA));

    std::vector<Listed> listed;
    DWORD grownTo = 0;
    ASSERT_EQ(walk(cache, listed, &grownTo), err::NO_MORE_ITEMS);
    EXPECT_GT(grownTo, 5000u);
    EXPECT_EQ(urlsOf(listed), (std::set<std::string> {"Visited: user@http://a.example/",
                                                      "Visited: user@http://b.example/",
                                                      "Visited: user@http://c.example/"}));
    EXPECT_EQ(listed.size(), 3u);
}

TEST_F(UrlCacheTest, DeleteRemovesOnlyTheIndexEntryAndReportsMissingAndLockedEntries)
{
    const std::string local = addContent("http://example.com/a.html", "a");
    addContent("http://example.com/b.html", "b");
    UrlCacheCommit locked;
    locked.url = "Visited: user@http://locked.example/";
    locked.locked = true;
    ASSERT_EQ(cache.commitUrlCacheEntry(locked), err::SUCCESS);

    EXPECT_EQ(cache.deleteUrlCacheEntry("http://example.com/a.html"), err::SUCCESS);
    EXPECT_EQ(cache.deleteUrlCacheEntry("http://example.com/a.html"), err::FILE_NOT_FOUND);
    EXPECT_EQ(cache.deleteUrlCacheEntry("http://never.example/"), err::FILE_NOT_FOUND);
    EXPECT_EQ(cache.deleteUrlCacheEntry("Cookie:nobody@nowhere/"), err::FILE_NOT_FOUND);
    EXPECT_EQ(cache.deleteUrlCacheEntry(locked.url), err::ACCESS_DENIED);
    struct stat st {};
    EXPECT_EQ(::stat(hostOf(local).c_str(), &st), 0) << "the local file stays";

    std::vector<Listed> listed;
    walk(cache, listed);
    EXPECT_EQ(urlsOf(listed), (std::set<std::string> {"http://example.com/b.html", locked.url}));
}

// A read-only index (Windows' read-only attribute) is written by no one,
// root included, and says so before any change is tried.
TEST_F(UrlCacheTest, AReadOnlyIndexRefusesEditsAndSaysSoBeforehand)
{
    const std::string url = "http://example.com/a.html";
    addContent(url, "a");
    const std::string index = kXpFolders.cache + "\\Content.IE5\\index.dat";
    std::string path;
    EXPECT_EQ(cache.checkIndexWritable(url, path), err::SUCCESS);
    EXPECT_EQ(path, index);
    EXPECT_EQ(cache.checkIndexWritable("Cookie:user@example.com/", path), err::FILE_NOT_FOUND);

    ASSERT_EQ(::chmod(hostOf(index).c_str(), 0444), 0);
    const std::string bytes = kp::test::readFile(hostOf(index));
    EXPECT_EQ(cache.checkIndexWritable(url, path), err::ACCESS_DENIED);
    EXPECT_EQ(cache.deleteUrlCacheEntry(url), err::ACCESS_DENIED);
    EXPECT_EQ(kp::test::readFile(hostOf(index)), bytes);
}

TEST_F(UrlCacheTest, DeletingDuringAWalkKeepsTheWalkGoing)
{
    for (int i = 0; i < 50; ++i)
        addVisited("Visited: user@http://site" + std::to_string(i) + ".example/");
    std::vector<std::uint64_t> buffer(512);
    auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
    DWORD size = 4096;
    UrlCacheFindHandle handle = 0;
    std::set<std::string> seen;
    DWORD e = cache.findFirstUrlCacheEntryEx(nullptr, 0, 0xFFFFFFFF, 0, info, size, handle);
    while (e == err::SUCCESS) {
        seen.insert(info->lpszSourceUrlName);
        EXPECT_EQ(cache.deleteUrlCacheEntry(info->lpszSourceUrlName), err::SUCCESS);
        size = 4096;
        e = cache.findNextUrlCacheEntryEx(handle, info, size);
    }
    EXPECT_EQ(e, err::NO_MORE_ITEMS);
    EXPECT_EQ(seen.size(), 50u);
    EXPECT_EQ(cache.findCloseUrlCache(handle), err::SUCCESS);
    EXPECT_EQ(cache.findCloseUrlCache(handle), err::INVALID_HANDLE);
    std::vector<Listed> listed;
    EXPECT_EQ(walk(cache, listed), err::NO_MORE_ITEMS);
    EXPECT_TRUE(listed.empty());
}

TEST_F(UrlCacheTest, ChangesByAnotherWriterAreSeen)
{
    UrlCache other(temp.machine(), kXpFolders);
    addVisited("Visited: user@http://one.example/");
    std::vector<Listed> listed;
    walk(other, listed);
    ASSERT_EQ(listed.size(), 1u);
    addVisited("Visited: user@http://two.example/");
    EXPECT_EQ(other.deleteUrlCacheEntry("Visited: user@http://two.example/"), err::SUCCESS);
    EXPECT_EQ(cache.deleteUrlCacheEntry("Visited: user@http://two.example/"), err::FILE_NOT_FOUND);
    listed.clear();
    walk(cache, listed);
    EXPECT_EQ(urlsOf(listed), std::set<std::string> {"Visited: user@http://one.example/"});
}

TEST_F(UrlCacheTest, FreeSpaceRemovesUnstickyContentWithItsFiles)
{
    const std::string old = addContent("http://example.com/old.html", std::string(100, 'o'), NORMAL_CACHE_ENTRY, 1600000000);
    const std::string recent = addContent("http://example.com/new.html", std::string(100, 'n'), NORMAL_CACHE_ENTRY, 1700000000);
    const std::string sticky = addContent("http://example.com/offline.html", "s", STICKY_CACHE_ENTRY);
    addVisited("Visited: user@http://example.com/old.html");

    EXPECT_EQ(cache.freeUrlCacheSpace("C:\\Elsewhere", 100, 0), err::PATH_NOT_FOUND);
    EXPECT_EQ(cache.freeUrlCacheSpace(kXpFolders.cache.c_str(), 0, 0), err::INVALID_PARAMETER);
    EXPECT_EQ(cache.freeUrlCacheSpace(kXpFolders.cache.c_str(), 50, 0), err::SUCCESS);
    struct stat st {};
    EXPECT_NE(::stat(hostOf(old).c_str(), &st), 0) << "least recently used goes first";
    EXPECT_EQ(::stat(hostOf(recent).c_str(), &st), 0);

    EXPECT_EQ(cache.freeUrlCacheSpace((kXpFolders.cache + "\\").c_str(), 100, 0), err::SUCCESS);
    EXPECT_NE(::stat(hostOf(recent).c_str(), &st), 0);
    EXPECT_EQ(::stat(hostOf(sticky).c_str(), &st), 0);
    std::vector<Listed> listed;
    walk(cache, listed);
    EXPECT_EQ(urlsOf(listed), (std::set<std::string> {"http://example.com/offline.html",
                                                      "Visited: user@http://example.com/old.html"}));
}

TEST_F(UrlCacheTest, ClearHistoryEmptiesHistoryContainersOnly)
{
    addVisited("Visited: user@http://a.example/");
    addVisited(":2023111420231115: user@http://a.example/");
    addVisited(":2023110620231113: user@http://b.example/");
    addContent("http://a.example/", "x");
    EXPECT_EQ(cache.clearHistory(), err::SUCCESS);
    std::vector<Listed> listed;
    walk(cache, listed);
    EXPECT_EQ(urlsOf(listed), std::set<std::string> {"http://a.example/"});
}

TEST_F(UrlCacheTest, DamagedIndexIsAnErrorCodeNotACrash)
{
    addVisited("Visited: user@http://a.example/");
    addContent("http://a.example/", "x");
    const std::string index = temp.hostPath(kContentDir + "/index.dat");
    {
        std::fstream f(index, std::ios::in | std::ios::out | std::ios::binary);
        const std::uint32_t outside = 0x7FFFFF80;
        f.seekp(32);
        f.write(reinterpret_cast<const char*>(&outside), 4);
    }
    std::vector<Listed> listed;
    EXPECT_EQ(walk(cache, listed), err::FILE_CORRUPT);
    EXPECT_EQ(urlsOf(listed), std::set<std::string> {"Visited: user@http://a.example/"});
    EXPECT_EQ(cache.deleteUrlCacheEntry("http://a.example/"), err::FILE_CORRUPT);
}

TEST_F(UrlCacheTest, IndexReachedThroughASymbolicLinkIsNotOpened)
{
    addVisited("Visited: user@http://a.example/");
    const std::string dir = temp.hostPath("Documents and Settings/user/Local Settings/History/History.IE5");
    ASSERT_EQ(::rename((dir + "/index.dat").c_str(), (dir + "/real.dat").c_str()), 0);
    ASSERT_EQ(::symlink("real.dat", (dir + "/index.dat").c_str()), 0);
    UrlCache fresh(temp.machine(), kXpFolders);
    std::vector<Listed> listed;
    EXPECT_EQ(walk(fresh, listed), err::ACCESS_DENIED);
    EXPECT_EQ(fresh.deleteUrlCacheEntry("Visited: user@http://a.example/"), err::ACCESS_DENIED);
}

TEST_F(UrlCacheTest, EditsWaitForTheIndexLock)
{
    addVisited("Visited: user@http://a.example/");
    const std::string index = temp.hostPath("Documents and Settings/user/Local Settings/History/History.IE5/index.dat");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int fd = ::open(index.c_str(), O_RDONLY);
        ::flock(fd, LOCK_EX);
        ::write(ready[1], "x", 1);
        ::usleep(300000);
        ::_exit(0);
    }
    char signal;
    ASSERT_EQ(::read(ready[0], &signal, 1), 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(cache.deleteUrlCacheEntry("Visited: user@http://a.example/"), err::SUCCESS);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST_F(UrlCacheTest, AnIndexDeletedOrReplacedIsNotReadFromTheOldFile)
{
    addVisited(":2023111420231115: user@http://a.example/");
    std::vector<Listed> listed;
    walk(cache, listed);
    ASSERT_EQ(listed.size(), 1u);
    const std::string day = temp.hostPath("Documents and Settings/user/Local Settings/History/History.IE5/"
                                          "MSHist012023111420231115");
    ASSERT_EQ(::unlink((day + "/index.dat").c_str()), 0);
    listed.clear();
    EXPECT_EQ(walk(cache, listed), err::NO_MORE_ITEMS);
    EXPECT_TRUE(listed.empty());

    IndexFile replacement = IndexFile::createEmpty({}, 1 << 20);
    NewUrlRecord r;
    r.url = ":2023111420231115: user@http://b.example/";
    ASSERT_EQ(replacement.add(r), err::SUCCESS);
    ASSERT_EQ(IndexDatFile::create(day + "/new.dat", replacement), err::SUCCESS);
    ASSERT_EQ(::rename((day + "/new.dat").c_str(), (day + "/index.dat").c_str()), 0);
    temp.machine().paths().forget(day);
    listed.clear();
    walk(cache, listed);
    EXPECT_EQ(urlsOf(listed), std::set<std::string> {r.url});
}

TEST_F(UrlCacheTest, StoredNamesThatLeaveTheContainerGiveNoLocalFile)
{
    const std::string dir = temp.hostPath(kContentDir);
    temp.makeDir(kContentDir + "/AB12CD34");
    IndexFile index = IndexFile::createEmpty({"AB12CD34", ".."}, 1 << 20);
    NewUrlRecord r;
    r.url = "http://evil.example/a";
    r.localName = "..\\..\\..\\..\\WINDOWS\\system.ini";
    r.subfolder = 0;
    ASSERT_EQ(index.add(r), err::SUCCESS);
    r.url = "http://evil.example/b";
    r.localName = "system.ini";
    r.subfolder = 1;
    ASSERT_EQ(index.add(r), err::SUCCESS);
    ASSERT_EQ(IndexDatFile::create(dir + "/index.dat", index), err::SUCCESS);
    // Where the names would lead.
    temp.writeFile("Documents and Settings/user/WINDOWS/system.ini", "keep");
    temp.writeFile("Documents and Settings/user/Local Settings/Temporary Internet Files/system.ini", "keep");

    std::vector<Listed> listed;
    EXPECT_EQ(walk(cache, listed), err::NO_MORE_ITEMS);
    ASSERT_EQ(listed.size(), 2u);
    for (const Listed& l : listed)
        EXPECT_EQ(l.local, "") << l.url;
    EXPECT_EQ(cache.freeUrlCacheSpace(nullptr, 100, 0), err::SUCCESS);
    listed.clear();
    walk(cache, listed);
    EXPECT_TRUE(listed.empty());
    EXPECT_TRUE(temp.exists("Documents and Settings/user/WINDOWS/system.ini"));
    EXPECT_TRUE(temp.exists("Documents and Settings/user/Local Settings/Temporary Internet Files/system.ini"));
}
