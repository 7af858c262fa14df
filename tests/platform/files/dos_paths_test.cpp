#include "platform/files/dos_paths.h"

#include "platform/files/win_path.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace kp::win;
using kp::test::TempMachine;

namespace {

std::string realDir(const std::string& path)
{
    return std::filesystem::canonical(path).string();
}

// Creates a file as another program would, bypassing the cache.
void touch(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0) << path;
    ::close(fd);
}

// Every short name in `dir` stands for the first name the host lists with it, as in Wine.
void expectShortNamesFindTheirFirstHolder(DosPaths& paths, const std::string& dir)
{
    std::map<std::string, std::string> firstHolder;
    for (const auto& n : paths.listing(dir))
        firstHolder.emplace(upperAscii(n.shortName), n.longName);
    for (const auto& [shortName, longName] : firstHolder)
        EXPECT_EQ(paths.findName(dir, shortName), longName) << shortName;
}

// Longer than a folder time stamp's granularity.
void waitPastTheStamp()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
}

class DosPathsTest : public ::testing::Test {
protected:
    TempMachine tm;
    DosPaths& paths = tm.machine().paths();
};

} // namespace

TEST_F(DosPathsTest, ResolvesWindowsPathsByLongOrShortNameInAnyCase)
{
    tm.writeFile("Program Files/Internet Explorer/IEXPLORE.EXE", "x");
    tm.writeFile("Program Files/readme.txt");
    tm.writeFile("Dir/file.txt");
    tm.writeFile("Same.txt", "mixed");
    tm.writeFile("SAME.TXT", "upper");
    const std::string c = realDir(tm.driveC());
    EXPECT_EQ(paths.shortNameOf(c, "program files"), "PROG~FBU");
    EXPECT_EQ(paths.shortNameOf(c + "/Program Files", "README.TXT"), "readme.txt");

    const struct {
        const char* path;
        DWORD error;
        const char* host; // below drive C:, or nullptr when only the error counts
        bool exists;
    } cases[] = {
        {"C:\\PROGRAM FILES\\internet explorer\\iexplore.exe", err::SUCCESS,
            "/Program Files/Internet Explorer/IEXPLORE.EXE", true},
        {"c:\\prog~fbu\\INTE~H1A\\IEXPLORE.EXE", err::SUCCESS, "/Program Files/Internet Explorer/IEXPLORE.EXE", true},
        {"C:\\Program Files\\..\\program files\\.\\README.TXT", err::SUCCESS, "/Program Files/readme.txt", true},
        {"C:\\", err::SUCCESS, "", true},
        // Of names differing in case the exact one wins.
        {"C:\\SAME.TXT", err::SUCCESS, "/SAME.TXT", true},
        {"C:\\Same.txt", err::SUCCESS, "/Same.txt", true},
        // Only the last name missing: the path can be created, so no error.
        {"C:\\DIR\\New File.txt", err::SUCCESS, "/Dir/New File.txt", false},
        // A missing folder before the last name, or a file used as a folder.
        {"C:\\dir\\Sub\\x.txt", err::PATH_NOT_FOUND, "/Dir/Sub/x.txt", false},
        {"C:\\dir\\file.txt\\x", err::PATH_NOT_FOUND, nullptr, false},
        {"Q:\\x", err::INVALID_DRIVE, nullptr, false},
        {"relative\\x", err::INVALID_NAME, nullptr, false},
    };
    for (const auto& row : cases) {
        std::string host;
        bool exists = !row.exists;
        EXPECT_EQ(paths.toHost(row.path, host, &exists), row.error) << row.path;
        if (row.host) {
            EXPECT_EQ(host, c + row.host) << row.path;
            EXPECT_EQ(exists, row.exists) << row.path;
        }
    }
}

TEST_F(DosPathsTest, ToWindowsPrefersTheClosestDriveAndZReachesTheHost)
{
    tm.makeDir("windows/temp");
    std::filesystem::create_directories(tm.prefixDir() + "/drive_cc");
    const std::string exe = realDir("/proc/self/exe");
    const std::string programFolder = exe.substr(0, exe.rfind('/'));
    std::string win;
    ASSERT_EQ(paths.toWindows(programFolder, win), err::SUCCESS);
    EXPECT_EQ(win.substr(0, 3), "Z:\\");
    std::string back;
    bool exists = false;
    ASSERT_EQ(paths.toHost(upperAscii(win), back, &exists), err::SUCCESS);
    EXPECT_TRUE(exists);
    EXPECT_EQ(back, programFolder);
    ASSERT_EQ(paths.toHost("z:\\", back), err::SUCCESS);
    EXPECT_EQ(back, "/");

    const std::pair<std::string, const char*> cases[] = {
        {"/", "Z:\\"},
        {tm.hostPath("windows/temp"), "C:\\windows\\temp"},
        {tm.driveC(), "C:\\"},
        {tm.hostPath("windows/new/../x.txt"), "C:\\windows\\x.txt"}, // names not there yet are kept
    };
    for (const auto& [host, expected] : cases) {
        ASSERT_EQ(paths.toWindows(host, win), err::SUCCESS) << host;
        EXPECT_EQ(win, expected) << host;
    }
    // A neighbour whose name starts like the drive's folder is not on it.
    ASSERT_EQ(paths.toWindows(tm.prefixDir() + "/drive_cc", win), err::SUCCESS);
    EXPECT_EQ(win[0], 'Z');
    EXPECT_EQ(paths.toWindows("relative/path", win), err::INVALID_NAME);
    EXPECT_EQ(paths.driveLetters(), (std::vector<char> {'C', 'Z'}));
}

TEST_F(DosPathsTest, ShortNamesAreWinesAndASharedOneFindsTheFirstListed)
{
    for (const char* name : {"One", "Two", "Three"})
        tm.writeFile(std::string("Long Name ") + name + ".txt");
    const std::string c = realDir(tm.driveC());
    EXPECT_EQ(paths.shortNameOf(c, "Long Name One.txt"), "LONG~EQV.TXT");
    for (const auto& n : paths.listing(c)) {
        EXPECT_TRUE(isValidShortName(n.shortName)) << n.shortName;
        EXPECT_EQ(paths.findName(c, n.shortName), n.longName);
    }

    // "Collide 180" and "Collide 820" are both COLL~DQS to Wine.
    tm.writeFile("Collide 180");
    const std::string both = paths.shortNameOf(c, "Collide 180");
    tm.writeFile("Collide 820");
    paths.noteAdded(c, "Collide 820");
    EXPECT_EQ(paths.shortNameOf(c, "Collide 820"), both);
    expectShortNamesFindTheirFirstHolder(paths, c);
    const std::string first = paths.findName(c, both);
    const std::string second = first == "Collide 180" ? "Collide 820" : "Collide 180";
    ::unlink(tm.hostPath(first).c_str());
    paths.noteRemoved(c, first);
    EXPECT_EQ(paths.findName(c, both), second);
    // A long name wins over another file's short name.
    tm.writeFile(both);
    paths.noteAdded(c, both);
    EXPECT_EQ(paths.findName(c, both), both);
}

TEST_F(DosPathsTest, ResolvingEveryFileOfALargeFolderCostsOneScan)
{
    constexpr int kFiles = 10000; // bench_dos_paths measures 100,000
    tm.makeDir("Big");
    const std::string dir = realDir(tm.hostPath("Big"));
    for (int i = 0; i < kFiles; ++i)
        touch(dir + "/cache entry " + std::to_string(i) + ".htm");
    waitPastTheStamp();
    const auto before = paths.scanCount();
    std::string host;
    int found = 0;
    for (int i = 0; i < kFiles; ++i) {
        bool exists = false;
        ASSERT_EQ(paths.toHost("C:\\BIG\\Cache Entry " + std::to_string(i) + ".HTM", host, &exists), err::SUCCESS);
        found += exists;
    }
    EXPECT_EQ(found, kFiles);
    EXPECT_LE(paths.scanCount() - before, 3u); // Big, drive_c and dosdevices
    expectShortNamesFindTheirFirstHolder(paths, dir);
}

// The folder a purge empties over minutes: changes far apart, ours and
// others', must not make it read again each time.
TEST_F(DosPathsTest, AWatchedFolderIsNeverReadAgainForChangesLongApart)
{
    for (int i = 0; i < 50; ++i)
        tm.writeFile("Cache/entry" + std::to_string(i) + ".htm");
    const std::string dir = realDir(tm.hostPath("Cache"));
    ASSERT_EQ(paths.findName(dir, "ENTRY0.HTM"), "entry0.htm");
    const auto scans = paths.scanCount();
    for (int i = 0; i < 5; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        const std::string ours = "entry" + std::to_string(i) + ".htm";
        const std::string theirs = "Theirs " + std::to_string(i) + ".txt";
        ASSERT_EQ(paths.findName(dir, upperAscii(ours)), ours);
        ::unlink((dir + "/" + ours).c_str());
        paths.noteRemoved(dir, ours);
        touch(dir + "/" + theirs);
        EXPECT_EQ(paths.findName(dir, upperAscii(theirs)), theirs);
        EXPECT_EQ(paths.findName(dir, ours), "");
        EXPECT_EQ(paths.findName(dir, paths.shortNameOf(dir, theirs)), theirs);
    }
    EXPECT_EQ(paths.scanCount(), scans);
}

// More changes than the kernel queues: the reports are lost, and every
// folder is read again.
TEST_F(DosPathsTest, LostChangeReportsMeanOneMoreScan)
{
    int queued = 16384;
    if (std::FILE* limit = std::fopen("/proc/sys/fs/inotify/max_queued_events", "r")) {
        if (std::fscanf(limit, "%d", &queued) != 1)
            queued = 16384;
        std::fclose(limit);
    }
    if (queued > 100000)
        GTEST_SKIP() << "the kernel queues " << queued << " reports";
    tm.makeDir("Flood");
    const std::string dir = realDir(tm.hostPath("Flood"));
    ASSERT_EQ(paths.findName(dir, "none"), "");
    for (int i = 0; i <= queued; ++i)
        touch(dir + "/f" + std::to_string(i));
    const auto scans = paths.scanCount();
    EXPECT_EQ(paths.findName(dir, "F" + std::to_string(queued)), "f" + std::to_string(queued));
    EXPECT_EQ(paths.listing(dir).size(), std::size_t(queued) + 1);
    EXPECT_EQ(paths.scanCount() - scans, 1u);
}

// Kernel change reports, and folder time stamps where those are missing.
class DosPathsCoherence : public ::testing::TestWithParam<DosPaths::Coherence> {
protected:
    TempMachine tm;
    DosPaths paths {tm.prefixDir(), GetParam()};
};

INSTANTIATE_TEST_SUITE_P(BothWays, DosPathsCoherence,
    ::testing::Values(DosPaths::Coherence::Watch, DosPaths::Coherence::TimeStamps),
    [](const ::testing::TestParamInfo<DosPaths::Coherence>& mode) {
        return mode.param == DosPaths::Coherence::Watch ? "Watch" : "TimeStamps";
    });

TEST_P(DosPathsCoherence, SeesWhatOthersChangeRightAfterAScan)
{
    tm.writeFile("Folder/old.txt");
    const std::string dir = realDir(tm.hostPath("Folder"));
    // Created within the time stamp's granularity of the scan.
    EXPECT_EQ(paths.findName(dir, "OLD.TXT"), "old.txt");
    touch(dir + "/New.txt");
    EXPECT_EQ(paths.findName(dir, "new.txt"), "New.txt");
    ::unlink((dir + "/old.txt").c_str());
    EXPECT_EQ(paths.findName(dir, "old.txt"), "");

    // After our own change, another program's change in the same instant
    // is seen once the time stamp's window has passed.
    waitPastTheStamp();
    EXPECT_EQ(paths.findName(dir, "new.txt"), "New.txt");
    touch(dir + "/Ours.txt");
    paths.noteAdded(dir, "Ours.txt");
    touch(dir + "/Theirs.txt");
    waitPastTheStamp();
    EXPECT_EQ(paths.findName(dir, "THEIRS.TXT"), "Theirs.txt");

    // Long after the scan, a change moves the folder's time stamp.
    waitPastTheStamp();
    EXPECT_EQ(paths.findName(dir, "ours.txt"), "Ours.txt");
    std::rename((dir + "/Ours.txt").c_str(), (dir + "/Renamed.txt").c_str());
    EXPECT_EQ(paths.findName(dir, "ours.txt"), "");
    EXPECT_EQ(paths.findName(dir, "renamed.TXT"), "Renamed.txt");

    // A folder replaced by another of the same name.
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    touch(dir + "/other.txt");
    EXPECT_EQ(paths.findName(dir, "renamed.txt"), "");
    EXPECT_EQ(paths.findName(dir, "OTHER.txt"), "other.txt");
}

TEST_P(DosPathsCoherence, NotedChangesCostNoRescansWhenFillingAndEmptyingAFolder)
{
    tm.writeFile("Cache/a.txt");
    const std::string dir = realDir(tm.hostPath("Cache"));
    waitPastTheStamp();
    EXPECT_EQ(paths.findName(dir, "a.txt"), "a.txt");
    waitPastTheStamp();
    EXPECT_EQ(paths.findName(dir, "a.txt"), "a.txt"); // settles the racy scan
    const auto before = paths.scanCount();
    ::unlink((dir + "/a.txt").c_str());
    paths.noteRemoved(dir, "a.txt");
    touch(dir + "/b.txt");
    paths.noteAdded(dir, "b.txt");
    waitPastTheStamp();
    EXPECT_EQ(paths.findName(dir, "B.TXT"), "b.txt");
    EXPECT_EQ(paths.findName(dir, "a.txt"), "");
    EXPECT_LE(paths.scanCount() - before, 1u) << "one scan confirms the settled listing at most";

    constexpr int kFiles = 2000;
    const auto name = [](int i) { return "Cached Page " + std::to_string(i) + ".htm"; };
    std::string host;
    waitPastTheStamp();
    ASSERT_EQ(paths.toHost("C:\\Cache\\x", host), err::SUCCESS);
    const auto beforeFilling = paths.scanCount();
    for (int i = 0; i < kFiles; ++i) {
        bool exists = true;
        ASSERT_EQ(paths.toHost("C:\\Cache\\" + name(i), host, &exists), err::SUCCESS);
        ASSERT_FALSE(exists);
        touch(host);
        paths.noteAdded(dir, name(i));
    }
    for (int i = 0; i < kFiles; i += 2) {
        ::unlink((dir + "/" + name(i)).c_str());
        paths.noteRemoved(dir, name(i));
    }
    EXPECT_LE(paths.scanCount() - beforeFilling, 2u);

    // What the cache says matches the folder once it is read again.
    waitPastTheStamp();
    for (int i = 0; i < kFiles; ++i)
        EXPECT_EQ(paths.findName(dir, upperAscii(name(i))).empty(), i % 2 == 0) << name(i);
    expectShortNamesFindTheirFirstHolder(paths, dir);
}

TEST_P(DosPathsCoherence, FolderTimesInWholeSecondsAreTrustedOnlyAfterTwoSeconds)
{
    tm.writeFile("Fat/a.txt");
    const std::string dir = realDir(tm.hostPath("Fat"));
    // A file system keeping whole seconds: every change in this second leaves the same time.
    const timespec second {std::time(nullptr), 0};
    const timespec times[2] = {second, second};
    ASSERT_EQ(::utimensat(AT_FDCWD, dir.c_str(), times, 0), 0);
    waitPastTheStamp();
    EXPECT_EQ(paths.findName(dir, "A.TXT"), "a.txt");
    touch(dir + "/b.txt");
    ASSERT_EQ(::utimensat(AT_FDCWD, dir.c_str(), times, 0), 0);
    EXPECT_EQ(paths.findName(dir, "B.TXT"), "b.txt");
}

TEST_P(DosPathsCoherence, AFolderMovedAwayIsNotTakenForTheOneNowAtItsPath)
{
    tm.writeFile("Outer/Inner/x.txt");
    const auto found = [&](DosPaths& p, const char* path) {
        std::string host;
        bool exists = false;
        EXPECT_EQ(p.toHost(path, host, &exists), err::SUCCESS) << path;
        return exists ? host : "";
    };
    ASSERT_NE(found(paths, "C:\\OUTER\\INNER\\X.TXT"), "");
    std::filesystem::rename(tm.hostPath("Outer"), tm.hostPath("Moved"));
    tm.writeFile("Outer/Inner/y.txt");
    EXPECT_EQ(found(paths, "C:\\Outer\\Inner\\x.txt"), "");
    EXPECT_NE(found(paths, "C:\\Outer\\Inner\\Y.TXT"), "");
    EXPECT_EQ(found(paths, "C:\\Moved\\Inner\\X.TXT"), realDir(tm.hostPath("Moved/Inner")) + "/x.txt");

    // A folder known before its parents were read, then moved along with them.
    tm.writeFile("First/Second/a.txt");
    DosPaths fresh(tm.prefixDir(), GetParam());
    ASSERT_EQ(fresh.findName(realDir(tm.hostPath("First/Second")), "A.TXT"), "a.txt");
    std::filesystem::rename(tm.hostPath("First"), tm.hostPath("Gone"));
    tm.writeFile("First/Second/b.txt");
    EXPECT_EQ(found(fresh, "C:\\First\\Second\\a.txt"), "");
    EXPECT_NE(found(fresh, "C:\\First\\Second\\b.txt"), "");
}

TEST_P(DosPathsCoherence, ADriveLinkAddedOrChangedIsSeenAtOnce)
{
    tm.writeFile("first/a.txt");
    tm.writeFile("second/b.txt");
    const auto lookUp = [&](const char* path, bool expected) {
        std::string host;
        bool exists = !expected;
        EXPECT_EQ(paths.toHost(path, host, &exists), err::SUCCESS) << path;
        EXPECT_EQ(exists, expected) << path;
    };
    lookUp("C:\\\\first\\\\a.txt", true);
    std::string host;
    EXPECT_EQ(paths.toHost("D:\\\\a.txt", host), err::INVALID_DRIVE);
    const std::string d = tm.prefixDir() + "/dosdevices/d:";
    std::filesystem::create_directory_symlink("../drive_c/first", d);
    lookUp("D:\\\\A.TXT", true);
    std::filesystem::remove(d);
    std::filesystem::create_directory_symlink("../drive_c/second", d);
    lookUp("D:\\\\A.TXT", false);
    lookUp("D:\\\\B.TXT", true);
    std::filesystem::remove(d);
    EXPECT_EQ(paths.toHost("D:\\\\B.TXT", host), err::INVALID_DRIVE);
}
