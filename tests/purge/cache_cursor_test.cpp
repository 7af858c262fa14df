// The cache cursor over built machines: the whole sample cache in one walk
// with the buffer grown once for the record over 4096 bytes, an empty cache,
// and a damaged index that stops the walk with its message.

#include "core/error_level.h"
#include "platform/files/dos_paths.h"
#include "platform/urlcache/url_cache.h"
#include "purge/cache_cursor.h"
#include "tests/support/built_machine.h"
#include "tests/support/recording_messages.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <set>
#include <unistd.h>

using namespace kp;
using kp::test::BuiltMachine;

namespace {

struct CursorFixture {
    explicit CursorFixture(win::Machine& machine) : cache(machine) {}
    CursorFixture(win::Machine& machine, win::UrlCacheFolders folders) : cache(machine, std::move(folders)) {}

    win::UrlCache cache;
    test::RecordingMessages messages;
    ErrorState errors;
    bool accessError = false;
    CacheCursor cursor{cache, messages, errors, accessError};
};

void overwrite(const std::string& hostPath, off_t at, const std::string& bytes)
{
    int fd = ::open(hostPath.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), at), ssize_t(bytes.size()));
    ::close(fd);
}

} // namespace

TEST(CacheCursor, WalksTheWholeSampleCacheGrowingTheBufferOnce)
{
    BuiltMachine built;
    ASSERT_TRUE(built.ok());
    CursorFixture f(built.machine());

    std::vector<std::string> urls;
    std::vector<win::DWORD> sizes;
    bool allReadable = true;
    for (bool ready = f.cursor.CacheWalkFirst(); ready; ready = f.cursor.CacheWalkNext()) {
        allReadable = allReadable && f.cursor.CacheEntryReadable();
        urls.emplace_back(f.cursor.entry().lpszSourceUrlName);
        if (sizes.empty() || sizes.back() != f.cursor.bufferSize())
            sizes.push_back(f.cursor.bufferSize());
    }
    EXPECT_TRUE(f.cursor.EndOfEntries());
    EXPECT_FALSE(f.cursor.WalkError());
    EXPECT_TRUE(allReadable);
    EXPECT_TRUE(f.messages.shown.empty());
    EXPECT_FALSE(f.accessError);
    EXPECT_EQ(f.errors.ErrorLevel, 0);

    ASSERT_EQ(sizes.size(), 2u) << "grown once, then kept";
    EXPECT_EQ(sizes[0], CacheCursor::InitialBufferSize);
    EXPECT_GT(sizes[1], CacheCursor::InitialBufferSize);
    EXPECT_TRUE(std::any_of(urls.begin(), urls.end(), [](const std::string& u) {
        return u.starts_with("http://search.example.com/results.htm?q=");
    })) << "the entry that needed the larger buffer is not skipped";

    const std::set<std::string> unique(urls.begin(), urls.end());
    EXPECT_EQ(unique.size(), urls.size()) << "no entry twice";
    const kp::sample::MachineSpec recipe = BuiltMachine::fixedSpec();
    EXPECT_GE(urls.size(), std::size_t(recipe.cacheEntries + recipe.offlineEntries + recipe.cookies + recipe.visitedUrls));

    f.cursor.CacheWalkClose();
    EXPECT_EQ(f.cursor.bufferSize(), 0u);
    EXPECT_FALSE(f.cursor.EndOfEntries());
    EXPECT_FALSE(f.cursor.CacheWalkNext()) << "a closed cursor has no entry";
}

TEST(CacheCursor, AnEmptyCacheEndsAtOnceWithoutAMessage)
{
    kp::test::TempMachine tm;
    tm.makeDir("cache");
    CursorFixture f(tm.machine(), {"C:\\cache", "C:\\cookies", "C:\\history"});
    EXPECT_FALSE(f.cursor.CacheWalkFirst());
    EXPECT_TRUE(f.cursor.EndOfEntries());
    EXPECT_FALSE(f.cursor.WalkError());
    EXPECT_TRUE(f.messages.shown.empty());
    EXPECT_FALSE(f.accessError);
}

TEST(CacheCursor, ADamagedIndexStopsTheWalkWithTheErrorMessage)
{
    BuiltMachine built;
    ASSERT_TRUE(built.ok());
    CursorFixture f(built.machine());
    std::string contentIndex;
    ASSERT_EQ(built.machine().paths().toHost(f.cache.containerFolder("") + "\\index.dat", contentIndex),
              win::err::SUCCESS);
    overwrite(contentIndex, 0x4000, "XXXX"); // the first HASH table

    int entries = 0;
    for (bool ready = f.cursor.CacheWalkFirst(); ready; ready = f.cursor.CacheWalkNext())
        ++entries;
    EXPECT_GT(entries, 0) << "the cookies and history before the content container were walked";
    EXPECT_TRUE(f.cursor.WalkError());
    EXPECT_FALSE(f.cursor.EndOfEntries());
    EXPECT_FALSE(f.cursor.CacheWalkNext());

    ASSERT_EQ(f.messages.shown.size(), 1u);
    const Message& m = f.messages.shown[0];
    EXPECT_EQ(m.caption, "Klenzor  -  Error Message");
    EXPECT_EQ(m.kind, MsgKind::Error);
    EXPECT_EQ(m.buttons, MsgButtons(OK));
    EXPECT_EQ(m.text, "An Error was detected accessing INDEX.DAT files.\r\nThe Error Code = "
                          + std::to_string(f.cursor.lastError())
                          + " - (Unknown Error).\r\nYou probably have a Corrupted Cache.\r\n"
                            "The Current Function will terminate.");
    EXPECT_NE(f.cursor.lastError(), win::err::NO_MORE_ITEMS);
    EXPECT_NE(f.cursor.lastError(), win::err::INSUFFICIENT_BUFFER);
    EXPECT_TRUE(f.accessError);
    EXPECT_TRUE(f.errors.ErrorFlag);
    EXPECT_EQ(f.errors.ErrorLevel, 9);

    f.cursor.CacheWalkClose();
    EXPECT_FALSE(f.cursor.WalkError());
    EXPECT_TRUE(f.accessError) << "the run's flag outlives the walk";
}
