// The Cache, Cookies and Visited URLs purges on built machines: the warning
// for an unprotected cookie purge, the type and protection rules, the age
// limits, the channel rule, the space release, preview, the visited index
// that loses track of an entry, local files outside the browser's folders,
// a whole purge checked with
// msiecfexport, and what a purge leaves when it is killed, refused or kept
// from removing a file.

#include "platform/files/file_system.h"
#include "platform/files/win_path.h"
#include "platform/urlcache/index_dat_file.h"
#include "purge/cache_entry_delete.h"
#include "purge/report_text.h"
#include "tests/support/msiecf_export.h"
#include "tests/support/temp_dir.h"
#include "tests/support/url_cache_machine.h"
#include "tests/support/wine_prefix.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <grp.h>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>

using namespace kp;
using kp::test::BuiltMachine;

namespace {

constexpr std::int64_t kDay = 86400;

using Entry = kp::test::CacheEntry;
using kp::test::listCacheEntries;

struct PurgeFixture : kp::test::UrlCacheMachine {
    explicit PurgeFixture(std::vector<std::string> args = {})
        : UrlCacheMachine(std::move(args))
    {
        folders.dataFolder = "C:\\KLENZOR";
        std::filesystem::create_directories(built.hostPath(folders.dataFolder));
        protect({});
        services.now = [] { return QDateTime::fromSecsSinceEpoch(BuiltMachine::fixedSpec().now); };
        services.askNoProtection = [this] {
            ++warnings;
            return answer;
        };
        run.options.NormalCache = run.options.SubscriptionCache = run.options.Cookies = run.options.Visited = true;
    }

    void purge(char mode) { PurgeUrlCache(context, services, mode); }

    void protect(const std::vector<std::string>& lines)
    {
        std::string text;
        for (const std::string& line : lines)
            text += line + "\r\n";
        kp::test::writeFile(built.hostPath(folders.dataFolder + "\\KlenPro.Dat"), text);
        built.machine().paths().forget(built.hostPath(folders.dataFolder));
    }

    // A content entry with a file, last used `age` seconds before the machine's now.
    std::string addContent(const std::string& url, std::int64_t age, win::DWORD type = win::NORMAL_CACHE_ENTRY)
    {
        std::string local;
        EXPECT_EQ(cache.createUrlCacheEntry(url, "htm", local), 0u);
        kp::test::writeFile(built.hostPath(local), "<html></html>");
        win::UrlCacheCommit commit;
        commit.url = url;
        commit.localFileName = local;
        commit.entryType = type;
        commit.lastAccess = lastUsed(age);
        EXPECT_EQ(cache.commitUrlCacheEntry(commit), 0u) << url;
        return local;
    }

    static win::FileTime lastUsed(std::int64_t age)
    {
        return win::fileTimeFromUnix(BuiltMachine::fixedSpec().now - age);
    }

    int warnings = 0;
    NoProtectionAnswer answer;
};

// Makes the index lose track of `url`: its hash slot no longer matches it,
// while the record stays where a walk finds it.
void detachFromHash(PurgeFixture& f, const std::string& indexWinPath, const std::string& url)
{
    const std::string host = f.host(indexWinPath);
    std::string text = kp::test::readFile(host);
    win::IndexFile index;
    ASSERT_EQ(win::IndexFile::parse(std::vector<std::uint8_t>(text.begin(), text.end()), index), 0u);
    win::UrlRecord record;
    ASSERT_EQ(index.find(url, record), 0u);
    bool changed = false;
    for (std::uint32_t table : index.hashTables())
        for (std::uint32_t slot = 0; slot < win::indexdat::kHashSlots; ++slot) {
            const std::size_t at = table + 16 + slot * 8;
            std::uint32_t key, offset;
            std::memcpy(&key, text.data() + at, 4);
            std::memcpy(&offset, text.data() + at + 4, 4);
            if (offset == record.offset && (key & 0x3F) == 0) {
                key ^= 0x80000000u;
                std::memcpy(text.data() + at, &key, 4);
                changed = true;
            }
        }
    ASSERT_TRUE(changed);
    kp::test::writeFile(host, text);
}

constexpr uid_t kOtherUser = 65534;

struct ChildPurge {
    std::vector<std::string> lines;
    int errorLevel = -1;
};

// Runs the purges `modes` of `f` in a child process as user and group 65534
// (the caller is root), to whom the machine is given but for `rootKeeps`:
// host paths root keeps, which others may read but not write.
ChildPurge purgeAsAnotherUser(PurgeFixture& f, const std::string& modes, const std::vector<std::string>& rootKeeps)
{
    const std::string scratch = f.built.prefixDir().substr(0, f.built.prefixDir().rfind('/'));
    ::lchown(scratch.c_str(), kOtherUser, kOtherUser);
    for (const auto& item : std::filesystem::recursive_directory_iterator(scratch))
        ::lchown(item.path().c_str(), kOtherUser, kOtherUser);
    for (const std::string& path : rootKeeps) {
        ::lchown(path.c_str(), 0, 0);
        ::chmod(path.c_str(), std::filesystem::is_directory(path) ? 0755 : 0644);
    }
    int channel[2];
    if (::pipe(channel) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(channel[0]);
        if (::setgroups(0, nullptr) != 0 || ::setresgid(kOtherUser, kOtherUser, kOtherUser) != 0
            || ::setresuid(kOtherUser, kOtherUser, kOtherUser) != 0)
            ::_exit(2);
        for (char mode : modes)
            f.purge(mode);
        std::string out = std::to_string(f.errors.ErrorLevel) + "\n";
        for (const std::string& line : f.lines())
            out += line + "\n";
        for (std::size_t done = 0; done < out.size();) {
            const ssize_t n = ::write(channel[1], out.data() + done, out.size() - done);
            if (n <= 0)
                ::_exit(3);
            done += std::size_t(n);
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, std::size_t(n));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child's status " << status;
    ChildPurge result;
    std::size_t at = text.find('\n');
    if (at == std::string::npos)
        return result;
    result.errorLevel = std::stoi(text.substr(0, at));
    for (std::size_t next; (next = text.find('\n', at + 1)) != std::string::npos; at = next)
        result.lines.push_back(text.substr(at + 1, next - at - 1));
    return result;
}

struct KilledPurge {
    std::size_t entriesLeft = 0;
    std::set<std::string> unnamedFiles; // beyond those no entry named before the purge
    bool killed = false;
    double seconds = 0;
};

// Runs the three purges on a fresh machine in a child process, killed with
// SIGKILL after `delay` seconds (never when negative).
KilledPurge purgeKilledAfter(double delay)
{
    KilledPurge out;
    PurgeFixture f;
    if (!f.built.ok())
        return out;
    f.protect({"nothing"});
    const std::set<std::string> before = kp::test::filesNoEntryNames(f.built.prefixDir());
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (char mode : {'X', 'C', 'V'})
            f.purge(mode);
        ::_exit(0);
    }
    if (delay >= 0) {
        std::this_thread::sleep_for(std::chrono::duration<double>(delay));
        ::kill(pid, SIGKILL);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    out.killed = WIFSIGNALED(status);
    EXPECT_TRUE(out.killed || (WIFEXITED(status) && WEXITSTATUS(status) == 0)) << status;
    for (const std::string& path : kp::test::filesNoEntryNames(f.built.prefixDir()))
        if (!before.count(path))
            out.unnamedFiles.insert(path);
    out.entriesLeft = f.entries().size();
    return out;
}

} // namespace

TEST(PurgeCookies, AnEmptyProtectFileWarnsAndBypassStopsThePurge)
{
    PurgeFixture f;
    ASSERT_TRUE(f.built.ok());
    const std::set<std::string> before = f.urls("Cookie:");

    f.purge('C');
    EXPECT_EQ(f.warnings, 1);
    EXPECT_EQ(f.lines(), (std::vector<std::string>{"Unprotected Cookies:", "  Purge \"Cookies\" Function Bypassed."}));
    EXPECT_EQ(f.urls("Cookie:"), before);

    // A preview never asks; Continue with "do not show again" purges and switches the warning off.
    f.report.ClearReport();
    f.run.PreviewFlag = true;
    f.purge('C');
    EXPECT_EQ(f.warnings, 1);
    f.run.PreviewFlag = false;
    f.answer = {false, true};
    f.purge('C');
    EXPECT_EQ(f.warnings, 2);
    EXPECT_EQ(f.general.CookieMsgOpt, "Y");
    EXPECT_TRUE(f.urls("Cookie:").empty());
    f.purge('C');
    EXPECT_EQ(f.warnings, 2);
}

TEST(PurgeCookies, TheCookiePrefixIgnoresCaseButProtectionDoesNot)
{
    PurgeFixture f({"TESTPROT"});
    ASSERT_TRUE(f.built.ok());
    const std::vector<Entry> cookies = f.entries("Cookie:");
    ASSERT_GE(cookies.size(), 2u);
    const std::string kept = cookies[0].url;
    const std::string lowered = "cookie:" + cookies[1].url.substr(7);
    win::UrlCacheCommit commit;
    commit.url = lowered;
    commit.entryType = win::COOKIE_CACHE_ENTRY;
    ASSERT_EQ(f.cache.commitUrlCacheEntry(commit), 0u);
    const std::string keptFile = cookies[0].local;
    f.protect({kept, win::upperAscii(cookies[1].url), "Cookie:owner@lower.example/"});

    f.purge('C');
    EXPECT_EQ(f.warnings, 0);
    EXPECT_EQ(f.urls("Cookie:"), std::set<std::string>{kept});
    EXPECT_TRUE(f.exists(keptFile));
    EXPECT_FALSE(f.exists(cookies[1].local));
    EXPECT_TRUE(f.hasLine(std::string("     Protected - C") + std::string(12, ' ') + kept));
    const std::vector<std::string> lines = f.lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.starts_with("       deleted - C ") && l.ends_with("  " + lowered);
    }));
    EXPECT_EQ(lines.back(), "  Purge \"Cookies\" Function Completed.  " + std::to_string(cookies.size()) + " Entries Processed.");
}

TEST(PurgeCookies, AnUnreadableProtectFileAbortsAsAnErrorWhenNobodyAnswered)
{
    PurgeFixture f;
    ASSERT_TRUE(f.built.ok());
    const std::string protectFile = f.built.hostPath(f.folders.dataFolder + "\\KlenPro.Dat");
    std::filesystem::remove(protectFile);
    std::filesystem::create_directory(protectFile);
    f.built.machine().paths().forget(f.built.hostPath(f.folders.dataFolder));
    const std::set<std::string> before = f.urls("Cookie:");

    f.messages.answer = Abort;
    f.purge('C');
    EXPECT_EQ(f.lines(), (std::vector<std::string>{"Unprotected Cookies:", "    Unable to open KlenPro.Dat",
                                                   "    Function aborted by User.",
                                                   "  Purge \"Cookies\" Function Completed."}));
    EXPECT_EQ(f.errors.ErrorLevel, 0);

    f.report.ClearReport();
    f.messages.user = false;
    f.purge('C');
    EXPECT_EQ(f.lines(), (std::vector<std::string>{"Unprotected Cookies:", " -Error- Unable to open KlenPro.Dat",
                                                   "    Function aborted.", "  Purge \"Cookies\" Function Completed."}));
    EXPECT_TRUE(f.errors.ErrorFlag);
    EXPECT_EQ(f.errors.ErrorLevel, 9);
    EXPECT_EQ(f.urls("Cookie:"), before);
}

TEST(PurgeUrlCache, AFailureInsideIsAnErrorLineAndItsCauseGoesToStandardError)
{
    PurgeFixture f;
    const auto clock = f.services.now;
    f.services.now = []() -> QDateTime { throw std::runtime_error("no clock"); };
    testing::internal::CaptureStderr();
    f.purge('X');
    f.services.now = clock;
    f.services.askNoProtection = []() -> NoProtectionAnswer { throw 7; };
    f.purge('C');
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Klenzor Pro: Online and Offline Cache purge failed: no clock\n"
              "Klenzor Pro: Unprotected Cookies purge failed: an exception of type int\n");
    EXPECT_EQ(f.lines(), (std::vector<std::string>{"*** Error in above Function.", "Unprotected Cookies:",
                                                   "*** Error in above Function."}));
    EXPECT_EQ(f.errors.ErrorLevel, 9);
}

TEST(PurgeCache, AStickyEntryNamedLikeACookieBelongsToTheCache)
{
    PurgeFixture f;
    ASSERT_TRUE(f.built.ok());
    f.protect({"Cookie:owner@nothing.example/"});
    win::UrlCacheCommit commit;
    commit.url = "Cookie:owner@sticky.example/";
    commit.entryType = win::STICKY_CACHE_ENTRY;
    commit.lastAccess = PurgeFixture::lastUsed(kDay);
    ASSERT_EQ(f.cache.commitUrlCacheEntry(commit), 0u);

    f.purge('C');
    EXPECT_EQ(f.urls("Cookie:"), std::set<std::string>{commit.url});
    f.run.options.NormalCache = false;
    f.purge('X');
    EXPECT_TRUE(f.urls("Cookie:").empty());
    const std::vector<std::string> lines = f.lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
        return l == "       deleted - S " + AgeText(1, 0, 0) + "  " + commit.url;
    }));
}

TEST(PurgeCache, AgeLimitsAreExactToTheMinuteAndUnreadableTimesCountAs999Days)
{
    PurgeFixture f;
    ASSERT_TRUE(f.built.ok());
    f.run.options.SubscriptionCache = false;
    f.run.onlineDays = 2;
    const std::string younger = "http://age.example/1d23h59m.htm";
    const std::string exact = "http://age.example/2d.htm";
    const std::string future = "http://age.example/future.htm";
    f.addContent(younger, 2 * kDay - 60);
    f.addContent(exact, 2 * kDay);
    f.addContent(future, -3600);
    win::UrlCacheCommit noDate;
    noDate.url = "http://age.example/no-date.htm";
    noDate.lastAccess = win::FileTime::fromValue(0xFFFFFFFFFFFFFFF0ULL);
    ASSERT_EQ(f.cache.commitUrlCacheEntry(noDate), 0u);

    f.purge('X');
    std::set<std::string> left = f.urls();
    EXPECT_TRUE(left.count(younger));
    EXPECT_FALSE(left.count(exact));
    EXPECT_TRUE(left.count(future));
    EXPECT_FALSE(left.count(noDate.url));
    EXPECT_TRUE(f.hasLine("       deleted - N " + AgeText(2, 0, 0) + "  " + exact));
    EXPECT_TRUE(f.hasLine("       deleted - N " + AgeText(999, 0, 0) + "  " + noDate.url));

    // A future entry is too recent even for zero limits; 999 days stops at 999 days and a minute.
    f.run.onlineDays = 0;
    f.purge('X');
    left = f.urls();
    EXPECT_TRUE(left.count(future));
    EXPECT_FALSE(left.count(younger));

    ASSERT_EQ(f.cache.commitUrlCacheEntry(noDate), 0u);
    f.run.onlineDays = 999;
    f.run.onlineMinutes = 1;
    f.purge('X');
    EXPECT_TRUE(f.urls().count(noDate.url));
}

TEST(PurgeCache, AChannelFileGoesOnlyWithTheOfflineCacheAtZeroLimits)
{
    PurgeFixture f;
    ASSERT_TRUE(f.built.ok());
    const std::string sticky = "http://channel.example.com/news.cdf";
    const std::string plain = "http://channel.example.com/plain.CDF";
    f.addContent(plain, 4 * kDay);
    ASSERT_TRUE(f.urls().count(sticky));

    f.run.options.SubscriptionCache = false; // online cache at zero limits
    f.purge('X');
    EXPECT_TRUE(f.urls().count(sticky));
    EXPECT_TRUE(f.urls().count(plain)) << "a plain .cdf entry is a channel file too";

    f.run.options.SubscriptionCache = true;
    f.run.offlineDays = 1; // both are older than a day
    f.purge('X');
    EXPECT_TRUE(f.urls().count(sticky));
    EXPECT_TRUE(f.urls().count(plain));

    f.run.offlineDays = 0;
    f.purge('X');
    EXPECT_FALSE(f.urls().count(sticky));
    EXPECT_FALSE(f.urls().count(plain));
    EXPECT_TRUE(f.hasLine("       deleted - S " + AgeText(4, 0, 0) + "  " + plain));
}

TEST(PurgeCache, OneProtectedEntryPreventsTheSpaceRelease)
{
    // The release frees what the purge left: here an entry used in the future.
    for (const bool protectOne : {false, true}) {
        PurgeFixture f;
        ASSERT_TRUE(f.built.ok());
        const std::string future = "http://release.example/future.htm";
        const std::string futureFile = f.addContent(future, -kDay);
        const std::string kept = "http://release.example/protected.htm";
        f.addContent(kept, kDay);
        if (protectOne)
            f.protect({kept});

        f.purge('X');
        EXPECT_EQ(f.urls().count(future), protectOne ? 1u : 0u) << protectOne;
        EXPECT_EQ(f.exists(futureFile), protectOne) << protectOne;
        EXPECT_EQ(f.urls().count(kept), protectOne ? 1u : 0u);
    }
}

TEST(PurgeCache, AFailedSpaceReleaseIsReportedOnlyWithXcode)
{
    for (const bool xcode : {false, true}) {
        PurgeFixture f(xcode ? std::vector<std::string>{"xcode"} : std::vector<std::string>{});
        ASSERT_TRUE(f.built.ok());
        f.folders.cacheFolder += "-MOVED"; // the release finds no container there
        f.purge('X');
        EXPECT_EQ(f.hasLine("The FreeUrlCacheSpaceA function returned False. "), xcode);
        EXPECT_EQ(f.hasLine("The FreeUrlCacheSpaceA function failed - Error Code - 3"), xcode);
        EXPECT_EQ(f.errors.ErrorLevel, 0);
    }
}

TEST(PurgeCache, PreviewListsWhatWouldGoAndChangesNothing)
{
    PurgeFixture f({"CLEARV"});
    ASSERT_TRUE(f.built.ok());
    f.run.PreviewFlag = true;
    const std::vector<Entry> before = f.entries();
    const std::string visitedIndex = f.host(f.folders.historyFolder + "\\Index.Dat");
    const std::string visitedBytes = kp::test::readFile(visitedIndex);

    for (char mode : {'X', 'C', 'V'})
        f.purge(mode);
    EXPECT_EQ(f.entries().size(), before.size());
    EXPECT_EQ(kp::test::readFile(visitedIndex), visitedBytes);
    for (const Entry& e : before) {
        if (!e.local.empty() && !e.url.ends_with("deleted-by-hand.htm")) {
            EXPECT_TRUE(f.exists(e.local)) << e.local;
        }
    }

    const std::vector<std::string> lines = f.lines();
    EXPECT_TRUE(lines.at(2).starts_with("     to delete - "));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "       Result  Type dd-hh:mm (age)   Cache Entry"), 3);
    EXPECT_EQ(f.warnings, 0);
}

TEST(PurgeVisited, AnEntryTheIndexLostCountsAsDeletedAndTheIndexIsClearedAfterwards)
{
    for (const char* variant : {"clear", "NOCLEARV", "IE4"}) {
        PurgeFixture f(std::string(variant) == "NOCLEARV" ? std::vector<std::string>{"NOCLEARV"}
                                                          : std::vector<std::string>{});
        ASSERT_TRUE(f.built.ok());
        if (std::string(variant) == "IE4")
            f.services.ie5OrLater = [] { return false; };
        const std::string lost = *f.urls("Visited:").begin();
        detachFromHash(f, f.folders.historyFolder + "\\index.dat", lost);
        f.run.detail = false;

        f.purge('V');
        const std::set<std::string> left = f.urls("Visited:");
        if (std::string(variant) == "clear") {
            EXPECT_TRUE(left.empty());
            EXPECT_EQ(f.lines(), (std::vector<std::string>{"Visited URLs:", "       Cleared Visited Index.dat file",
                                                           f.lines().back()}));
            EXPECT_EQ(f.errors.ErrorLevel, 0);
        } else if (std::string(variant) == "NOCLEARV") {
            EXPECT_EQ(left, std::set<std::string>{lost});
            EXPECT_FALSE(f.hasLine("       Cleared Visited Index.dat file"));
            EXPECT_EQ(f.errors.ErrorLevel, 0);
        } else {
            EXPECT_EQ(left, std::set<std::string>{lost});
            const std::vector<std::string> lines = f.lines();
            EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
                return l.starts_with("  Error in URL - V ") && l.ends_with("  " + lost);
            }));
            EXPECT_EQ(f.errors.ErrorLevel, 7);
            EXPECT_TRUE(f.errors.ErrorFlag);
        }
    }
}

TEST(PurgeCache, LocalFilesOutsideTheBrowsersFoldersAreKeptWhileTheirEntriesGo)
{
    PurgeFixture f;
    ASSERT_TRUE(f.built.ok());
    const std::string content = f.cache.containerFolder("");
    const std::string parent(win::folderOf(content));
    kp::test::writeFile(f.built.hostPath(parent + "\\important.doc"), "keep");

    // One cache subfolder is a link to a folder elsewhere.
    std::vector<Entry> linked;
    std::string subfolder;
    for (const Entry& e : f.entries()) {
        if (e.local.empty() || !win::upperAscii(e.local).starts_with(win::upperAscii(content) + "\\"))
            continue;
        const std::string sub = e.local.substr(content.size() + 1, e.local.find('\\', content.size() + 1) - content.size() - 1);
        if (subfolder.empty())
            subfolder = sub;
        if (sub == subfolder && f.exists(e.local))
            linked.push_back(e);
    }
    ASSERT_FALSE(linked.empty());
    const std::string elsewhere = f.built.hostPath("C:\\elsewhere");
    std::filesystem::rename(f.built.hostPath(content + "\\" + subfolder), elsewhere);
    std::filesystem::create_directory_symlink(elsewhere, f.built.hostPath(content + "\\" + subfolder));
    f.built.machine().paths().forget(f.built.hostPath(content));

    // A record whose stored name climbs out reaches the purge without a local file.
    {
        win::IndexDatFile index;
        ASSERT_EQ(index.open(f.built.hostPath(content + "\\index.dat")), 0u);
        ASSERT_EQ(index.edit([&](win::IndexFile& i) {
            win::NewUrlRecord climbing;
            climbing.url = "http://outside.example/climbing.htm";
            climbing.localName = "..\\..\\important.doc";
            climbing.subfolder = 0;
            climbing.entryType = win::NORMAL_CACHE_ENTRY;
            climbing.lastAccess = PurgeFixture::lastUsed(kDay);
            return i.add(climbing);
        }), 0u);
    }

    f.purge('X');
    const std::set<std::string> left = f.urls();
    EXPECT_FALSE(left.count("http://outside.example/climbing.htm"));
    EXPECT_EQ(kp::test::readFile(f.built.hostPath(parent + "\\important.doc")), "keep");
    for (const Entry& e : linked) {
        EXPECT_FALSE(left.count(e.url)) << e.url;
        EXPECT_TRUE(std::filesystem::exists(elsewhere + "/" + std::string(win::nameOf(e.local)))) << e.local;
    }
    EXPECT_EQ(f.errors.ErrorLevel, 0) << "the local file's outcome does not count";

    PurgeContext& c = f.context;
    kp::test::writeFile(elsewhere + "/victim.doc", "keep");
    EXPECT_FALSE(DeleteCacheLocalFile(c, "C:\\elsewhere\\victim.doc"));
    EXPECT_FALSE(DeleteCacheLocalFile(c, content + "\\" + subfolder + "\\victim.doc"));
    EXPECT_FALSE(DeleteCacheLocalFile(c, win::upperAscii(content) + "\\..\\IMPORTANT.DOC"));
    EXPECT_EQ(kp::test::readFile(elsewhere + "/victim.doc"), "keep");
    EXPECT_EQ(kp::test::readFile(f.built.hostPath(parent + "\\important.doc")), "keep");
    kp::test::writeFile(f.built.hostPath(content + "\\inside.txt"), "x");
    f.built.machine().paths().forget(f.built.hostPath(content));
    EXPECT_TRUE(DeleteCacheLocalFile(c, content + "\\sub\\..\\.\\inside.txt"));
    EXPECT_FALSE(f.exists(content + "\\inside.txt"));
}

TEST(PurgeCache, ShreddingCoversCookieFiles)
{
    PurgeFixture f;
    ASSERT_TRUE(f.built.ok());
    std::vector<std::string> passes;
    f.run.shredState.passWritten = [&](std::string_view path, int) { passes.emplace_back(path); };
    f.run.shred = true;
    const Entry cookie = f.entries("Cookie:").front();
    f.protect({"nothing"});
    f.purge('C');
    EXPECT_FALSE(f.exists(cookie.local));
    EXPECT_TRUE(std::any_of(passes.begin(), passes.end(), [&](const std::string& p) {
        return win::upperAscii(p).ends_with("_KLENZOR.ZAP") || win::upperAscii(p) == win::upperAscii(cookie.local);
    })) << "the cookie file was overwritten before it went";
}

TEST(PurgeAll, LeavesExactlyTheProtectedAndTooRecentEntriesAsMsiecfexportSees)
{
    PurgeFixture f;
    ASSERT_TRUE(f.built.ok());
    f.run.onlineDays = 10;
    f.run.offlineDays = 5;
    const std::vector<Entry> before = f.entries();
    const QDateTime now = f.services.now();

    std::set<std::string> protectedUrls;
    for (const char* pattern : {"Cookie:", "Visited:"})
        protectedUrls.insert(*f.urls(pattern).begin());
    std::set<std::string> expected;
    bool contentProtected = false;
    for (const Entry& e : before) {
        const char type = CacheEntryTypeLetter(e.url, e.type);
        const int days = CacheEntryAge(e.lastAccess, now).days;
        const bool channel = e.url.ends_with(".cdf");
        if (channel || (type == 'N' && days < 10) || (type == 'S' && days < 5)) {
            expected.insert(e.url);
        } else if (type == 'N' && !contentProtected) {
            protectedUrls.insert(e.url);
            contentProtected = true;
        }
    }
    expected.insert(protectedUrls.begin(), protectedUrls.end());
    f.protect(std::vector<std::string>(protectedUrls.begin(), protectedUrls.end()));

    for (char mode : {'X', 'C', 'V'})
        f.purge(mode);
    EXPECT_EQ(f.errors.ErrorLevel, 0);
    EXPECT_EQ(f.urls(), expected);
    EXPECT_LT(expected.size(), before.size() / 2);
    for (const Entry& e : before) {
        if (!e.local.empty() && !expected.count(e.url)) {
            EXPECT_FALSE(f.exists(e.local)) << e.local;
        }
    }

    if (!kp::test::msiecfExporterAvailable())
        GTEST_SKIP() << "msiecfexport (libmsiecf-utils) is not installed";
    std::multiset<std::string> exported;
    std::vector<std::string> indexes = {f.folders.cacheFolder, f.folders.cookiesFolder, f.folders.historyFolder};
    for (const win::DosPaths::Name& n : f.built.machine().paths().listing(f.host(f.folders.historyFolder)))
        if (win::upperAscii(n.longName).starts_with("MSHIST01"))
            indexes.push_back(f.folders.historyFolder + "\\" + n.longName);
    for (const std::string& folder : indexes) {
        std::string text;
        EXPECT_TRUE(kp::test::exportLocations(f.host(folder + "\\index.dat"), exported, text)) << folder;
    }
    EXPECT_EQ(std::set<std::string>(exported.begin(), exported.end()), expected);
    EXPECT_EQ(exported.size(), expected.size()) << "no deleted record is recoverable";
}

// Ages count local wall-clock time, summer time included, as the C
// library's local time gives it.
TEST(PurgeCache, AgesCountLocalTimeAcrossSummerTime)
{
    const QByteArray savedZone = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    ::tzset();
    const QDateTime now = QDateTime::fromSecsSinceEpoch(1792576800); // 21 October 2026, summer time
    const AgeClock clock(now);
    const qint64 nowLocal = now.toSecsSinceEpoch() + now.offsetFromUtc();
    // Back 400 days: both changes of 2026 and of 2025 are crossed.
    for (qint64 back = 0; back < 400LL * 86400; back += 6 * 3600 + 17 * 60) {
        const qint64 accessUtc = now.toSecsSinceEpoch() - back;
        const qint64 local = nowLocal - (accessUtc + QDateTime::fromSecsSinceEpoch(accessUtc).offsetFromUtc());
        const EntryAge age = clock.ageOf(win::fileTimeFromUnix(accessUtc));
        ASSERT_EQ(std::tie(age.days, age.hours, age.minutes),
                  std::make_tuple(int(local / 86400), int(local % 86400 / 3600), int(local % 3600 / 60)))
            << back;
    }
    if (savedZone.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", savedZone);
    ::tzset();
}

// A purge killed at any moment leaves at worst entries without their files,
// never a file that no entry names (which no later run would see).
TEST(PurgeAll, AKilledPurgeLeavesNoFileThatNoEntryNames)
{
    const KilledPurge whole = purgeKilledAfter(-1);
    ASSERT_FALSE(whole.killed);
    EXPECT_TRUE(whole.unnamedFiles.empty());
    constexpr int kKills = 8;
    int midway = 0;
    for (int i = 1; i <= kKills; ++i) {
        const KilledPurge killed = purgeKilledAfter(whole.seconds * i / (kKills + 1));
        EXPECT_TRUE(killed.unnamedFiles.empty())
            << killed.unnamedFiles.size() << " files no entry names after a kill at " << i << "/" << kKills + 1
            << ", for example " << *killed.unnamedFiles.begin();
        midway += killed.killed && killed.entriesLeft > whole.entriesLeft;
    }
    EXPECT_GT(midway, 0) << "no kill came before the purge's end";
}

TEST(PurgeAll, TheMachinesRunningWineSessionIsRefusedBeforeAnyChange)
{
    if (!kp::test::wineAvailable())
        GTEST_SKIP() << "Wine is not installed";
    PurgeFixture f;
    ASSERT_TRUE(f.built.ok());
    f.protect({"nothing"});
    const std::vector<Entry> before = f.entries();
    std::set<std::string> files;
    for (const Entry& e : before)
        if (!e.local.empty() && f.exists(e.local))
            files.insert(e.local);
    kp::test::WineSessionOf session(f.built.prefixDir());
    ASSERT_TRUE(session.running());

    for (char mode : {'X', 'C', 'V'})
        f.purge(mode);
    const std::string refused = "  not processed as the machine's Wine session is running and must end first";
    EXPECT_EQ(f.lines(), (std::vector<std::string>{"Online and Offline Cache:",
                                                   " -Error- Online and Offline Cache:" + refused,
                                                   "Unprotected Cookies:", " -Error- Unprotected Cookies:" + refused,
                                                   "Visited URLs:", " -Error- Visited URLs:" + refused}));
    EXPECT_EQ(f.errors.ErrorLevel, 3);
    EXPECT_TRUE(f.errors.ErrorFlag);
    EXPECT_EQ(f.entries().size(), before.size());
    for (const std::string& file : files)
        EXPECT_TRUE(f.exists(file)) << file;
}

// An index that cannot be written (read-only, or another user's) is found
// out before anything is deleted: every file and entry stays, and the step
// says why.
TEST(PurgeCookies, AnIndexThatCannotBeWrittenKeepsEveryFileAndIsAnError)
{
    for (const bool anotherUsers : {false, true}) {
        if (anotherUsers && ::geteuid() != 0)
            continue; // as another user than root, the read-only index is that case
        PurgeFixture f;
        ASSERT_TRUE(f.built.ok());
        f.protect({"nothing"});
        const std::vector<Entry> cookies = f.entries("Cookie:");
        const std::string index = f.cache.folders().cookies + "\\index.dat";
        const std::string indexHost = f.host(index);
        ChildPurge result;
        if (anotherUsers) {
            result = purgeAsAnotherUser(f, "C", {indexHost});
        } else {
            ASSERT_EQ(::chmod(indexHost.c_str(), 0444), 0);
            f.purge('C');
            result = {f.lines(), f.errors.ErrorLevel};
        }
        EXPECT_EQ(result.lines, (std::vector<std::string>{
                                    "Unprotected Cookies:",
                                    " -Error- Unprotected Cookies:  not processed as " + index + " cannot be written",
                                    "    No Entries found to delete.", "  Purge \"Cookies\" Function Completed."}))
            << anotherUsers;
        EXPECT_EQ(result.errorLevel, 3);
        EXPECT_EQ(f.entries("Cookie:").size(), cookies.size());
        for (const Entry& e : cookies)
            EXPECT_TRUE(f.exists(e.local)) << e.local;
    }
}

// A local file that cannot be removed (read-only, held open without sharing
// its deletion, in a folder of another user) keeps its entry, which is
// reported as locked; the other entries go with their files.
TEST(PurgeCache, AFileThatCannotBeRemovedKeepsItsEntryAndIsReportedLocked)
{
    enum class Hold { ReadOnly, OpenHandle, OtherUsersFolder };
    for (const Hold hold : {Hold::ReadOnly, Hold::OpenHandle, Hold::OtherUsersFolder}) {
        if (hold == Hold::OtherUsersFolder && ::geteuid() != 0)
            continue;
        PurgeFixture f;
        ASSERT_TRUE(f.built.ok());
        f.run.detail = false;
        f.run.options.SubscriptionCache = false; // no space release, which would free what stays
        const std::string content = win::upperAscii(f.cache.containerFolder("")) + "\\";
        std::vector<Entry> held;
        std::string folder;
        for (const Entry& e : f.entries()) {
            if (!win::upperAscii(e.local).starts_with(content) || !f.exists(e.local) || e.type & win::STICKY_CACHE_ENTRY)
                continue;
            const std::string entryFolder(win::folderOf(e.local));
            if (folder.empty())
                folder = entryFolder;
            if (entryFolder == folder && (held.empty() || hold == Hold::OtherUsersFolder))
                held.push_back(e);
        }
        ASSERT_FALSE(held.empty());
        const std::set<std::string> unnamed = kp::test::filesNoEntryNames(f.built.prefixDir());
        win::FileSystem files(f.built.machine());
        win::File handle;
        ChildPurge result;
        if (hold == Hold::OtherUsersFolder) {
            result = purgeAsAnotherUser(f, "X", {f.host(folder)});
        } else {
            if (hold == Hold::ReadOnly)
                ASSERT_EQ(files.setAttributes(held[0].local, win::attr::READONLY), 0u);
            else
                ASSERT_EQ(files.createFile(held[0].local, win::access::GENERIC_READ, win::share::READ,
                                           win::Disposition::OpenExisting, 0, handle),
                          0u);
            f.purge('X');
            result = {f.lines(), f.errors.ErrorLevel};
        }

        const std::set<std::string> left = f.urls();
        for (const Entry& e : held) {
            EXPECT_TRUE(left.count(e.url)) << e.url;
            EXPECT_TRUE(f.exists(e.local)) << e.local;
            EXPECT_TRUE(std::any_of(result.lines.begin(), result.lines.end(), [&](const std::string& l) {
                return l.starts_with("        Locked - N ") && l.ends_with("  " + e.url);
            })) << e.url;
        }
        EXPECT_EQ(result.errorLevel, 1);
        EXPECT_TRUE(result.lines.back().ends_with(" Entries Processed."));
        EXPECT_EQ(kp::test::filesNoEntryNames(f.built.prefixDir()), unnamed);
    }
}

// A file that two entries name goes only with the last of them: an entry
// that stays (protected, too recent, or kept by a rule) keeps its file.
TEST(PurgeAll, AFileThatAnEntryWhichStaysNamesIsKept)
{
    enum class Stays { Protected, TooRecent, KeptByRule, None };
    for (const Stays stays : {Stays::Protected, Stays::TooRecent, Stays::KeptByRule, Stays::None}) {
        PurgeFixture f;
        ASSERT_TRUE(f.built.ok());
        f.run.options.SubscriptionCache = false; // no space release, which frees by its own rules
        f.run.onlineDays = 2;
        win::UrlCacheCommit keeper;
        char mode = 'X';
        if (stays == Stays::Protected) {
            const Entry cookie = f.entries("Cookie:").front();
            keeper.url = cookie.url;
            keeper.localFileName = cookie.local;
            f.protect({cookie.url});
            mode = 'C';
        } else {
            keeper.url = "http://shared.example/keeper.htm";
            keeper.localFileName = f.addContent(keeper.url, stays == Stays::TooRecent ? kDay : 3 * kDay,
                                                stays == Stays::KeptByRule ? win::STICKY_CACHE_ENTRY
                                                                           : win::NORMAL_CACHE_ENTRY);
        }
        win::UrlCacheCommit intruder;
        intruder.url = mode == 'C' ? "Cookie:intruder@shared.example/" : "http://shared.example/intruder.htm";
        intruder.localFileName = keeper.localFileName;
        intruder.entryType = mode == 'C' ? win::COOKIE_CACHE_ENTRY : win::NORMAL_CACHE_ENTRY;
        intruder.lastAccess = PurgeFixture::lastUsed(3 * kDay);
        ASSERT_EQ(f.cache.commitUrlCacheEntry(intruder), 0u);
        const std::set<std::string> unnamed = kp::test::filesNoEntryNames(f.built.prefixDir());

        f.purge(mode);
        const std::set<std::string> left = f.urls();
        EXPECT_FALSE(left.count(intruder.url));
        EXPECT_EQ(left.count(keeper.url), stays == Stays::None ? 0u : 1u);
        EXPECT_EQ(f.exists(keeper.localFileName), stays != Stays::None) << keeper.localFileName;
        EXPECT_EQ(kp::test::filesNoEntryNames(f.built.prefixDir()), unnamed);
    }
}

// The daily history belongs to History Folders: the walk of the cache, the
// cookies and the visited URLs passes over it.
TEST(PurgeAll, TheDailyHistoryEntriesStay)
{
    PurgeFixture f;
    ASSERT_TRUE(f.built.ok());
    std::set<std::string> daily;
    for (const std::string& url : f.urls())
        if (url.starts_with(":"))
            daily.insert(url);
    ASSERT_FALSE(daily.empty());
    f.protect({"Cookie: nobody@nowhere/"});
    for (char mode : {'X', 'C', 'V'})
        f.purge(mode);
    std::set<std::string> left = f.urls();
    EXPECT_EQ(left, daily);
}
