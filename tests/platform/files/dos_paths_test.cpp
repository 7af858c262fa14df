#include "platform/files/dos_paths.h"

#include "platform/files/win_path.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <ctime>
#include <cstdlib>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace kp::win;
using kp::test::TempMachine;

namespace {

std::string realDir(const std::string& path)
{
    char buffer[PATH_MAX];
    return ::realpath(path.c_str(), buffer) ? buffer : "";
}

// Creates a file as another program would, bypassing the cache.
void touch(const std::string& path)
{
    int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0) << path;
    ::close(fd);
}

} // namespace

TEST(DosPaths, LooksUpComponentsCaseInsensitivelyAndByShortName)
{
    TempMachine tm;
    tm.writeFile("Program Files/Internet Explorer/IEXPLORE.EXE", "x");
    tm.writeFile("Program Files/readme.txt");
    DosPaths& paths = tm.machine().paths();
    std::string c = realDir(tm.driveC());

    std::string host;
    bool exists = false;
    ASSERT_EQ(paths.toHost("C:\\PROGRAM FILES\\internet explorer\\iexplore.exe", host, &exists), err::SUCCESS);
    EXPECT_TRUE(exists);
    EXPECT_EQ(host, c + "/Program Files/Internet Explorer/IEXPLORE.EXE");

    EXPECT_EQ(paths.shortNameOf(c, "program files"), "PROGRA~1");
    EXPECT_EQ(paths.shortNameOf(c + "/Program Files", "README.TXT"), "readme.txt");
    ASSERT_EQ(paths.toHost("c:\\progra~1\\INTERN~1\\IEXPLORE.EXE", host, &exists), err::SUCCESS);
    EXPECT_TRUE(exists);
    EXPECT_EQ(host, c + "/Program Files/Internet Explorer/IEXPLORE.EXE");

    ASSERT_EQ(paths.toHost("C:\\Program Files\\..\\program files\\.\\README.TXT", host, &exists), err::SUCCESS);
    EXPECT_EQ(host, c + "/Program Files/readme.txt");
}

TEST(DosPaths, MissingComponentsAreKeptAsGivenAndReported)
{
    TempMachine tm;
    tm.makeDir("Dir");
    tm.writeFile("Dir/file.txt");
    DosPaths& paths = tm.machine().paths();
    std::string c = realDir(tm.driveC());

    std::string host;
    bool exists = true;
    // Only the last name missing: the path can be created, so no error.
    ASSERT_EQ(paths.toHost("C:\\DIR\\New File.txt", host, &exists), err::SUCCESS);
    EXPECT_FALSE(exists);
    EXPECT_EQ(host, c + "/Dir/New File.txt");

    // A missing folder before the last name is PATH_NOT_FOUND.
    exists = true;
    EXPECT_EQ(paths.toHost("C:\\dir\\Sub\\x.txt", host, &exists), err::PATH_NOT_FOUND);
    EXPECT_FALSE(exists);
    EXPECT_EQ(host, c + "/Dir/Sub/x.txt");

    // A file used as a folder is no folder either.
    EXPECT_EQ(paths.toHost("C:\\dir\\file.txt\\x", host, &exists), err::PATH_NOT_FOUND);

    EXPECT_EQ(paths.toHost("Q:\\x", host, &exists), err::INVALID_DRIVE);
    EXPECT_EQ(paths.toHost("relative\\x", host, &exists), err::INVALID_NAME);

    ASSERT_EQ(paths.toHost("C:\\", host, &exists), err::SUCCESS);
    EXPECT_TRUE(exists);
    EXPECT_EQ(host, c);
}

TEST(DosPaths, OfNamesDifferingInCaseTheExactOneWins)
{
    TempMachine tm;
    tm.writeFile("Same.txt", "mixed");
    tm.writeFile("SAME.TXT", "upper");
    DosPaths& paths = tm.machine().paths();
    std::string c = realDir(tm.driveC());
    std::string host;
    ASSERT_EQ(paths.toHost("C:\\SAME.TXT", host), err::SUCCESS);
    EXPECT_EQ(host, c + "/SAME.TXT");
    ASSERT_EQ(paths.toHost("C:\\Same.txt", host), err::SUCCESS);
    EXPECT_EQ(host, c + "/Same.txt");
}

TEST(DosPaths, DriveZReachesTheHostAndTheProgramFolder)
{
    TempMachine tm;
    DosPaths& paths = tm.machine().paths();
    std::string exe = realDir("/proc/self/exe");
    ASSERT_FALSE(exe.empty());
    std::string folder = exe.substr(0, exe.rfind('/'));

    std::string win;
    ASSERT_EQ(paths.toWindows(folder, win), err::SUCCESS);
    EXPECT_EQ(win.substr(0, 3), "Z:\\");
    std::string back;
    bool exists = false;
    ASSERT_EQ(paths.toHost(upperAscii(win), back, &exists), err::SUCCESS);
    EXPECT_TRUE(exists);
    EXPECT_EQ(back, folder);

    ASSERT_EQ(paths.toWindows("/", win), err::SUCCESS);
    EXPECT_EQ(win, "Z:\\");
    ASSERT_EQ(paths.toHost("z:\\", back), err::SUCCESS);
    EXPECT_EQ(back, "/");

    EXPECT_EQ(paths.driveLetters(), (std::vector<char> {'C', 'Z'}));
}

TEST(DosPaths, ToWindowsPrefersTheClosestDrive)
{
    TempMachine tm;
    tm.makeDir("windows/temp");
    DosPaths& paths = tm.machine().paths();
    std::string win;
    ASSERT_EQ(paths.toWindows(tm.hostPath("windows/temp"), win), err::SUCCESS);
    EXPECT_EQ(win, "C:\\windows\\temp");
    ASSERT_EQ(paths.toWindows(tm.driveC(), win), err::SUCCESS);
    EXPECT_EQ(win, "C:\\");
    // Names that do not exist yet are kept, with ".." applied.
    ASSERT_EQ(paths.toWindows(tm.hostPath("windows/new/../x.txt"), win), err::SUCCESS);
    EXPECT_EQ(win, "C:\\windows\\x.txt");
    // A neighbour whose name starts like the drive's folder is not on it.
    std::filesystem::create_directories(tm.prefixDir() + "/drive_cc");
    ASSERT_EQ(paths.toWindows(tm.prefixDir() + "/drive_cc", win), err::SUCCESS);
    EXPECT_EQ(win[0], 'Z');
    EXPECT_EQ(paths.toWindows("relative/path", win), err::INVALID_NAME);
}

TEST(DosPaths, ShortNamesAreUniqueAndStayWithTheirFile)
{
    TempMachine tm;
    for (const char* name : {"Long Name One.txt", "Long Name Two.txt", "Long Name Three.txt", "Long Name Four.txt",
             "Long Name Five.txt", "Long Name Six.txt"})
        tm.writeFile(name);
    DosPaths& paths = tm.machine().paths();
    std::string c = realDir(tm.driveC());

    std::set<std::string> shorts;
    for (const auto& n : paths.listing(c)) {
        EXPECT_LE(n.shortName.size(), 12u) << n.shortName;
        EXPECT_TRUE(isValidShortName(n.shortName)) << n.shortName;
        EXPECT_EQ(paths.findName(c, n.shortName), n.longName);
        shorts.insert(n.shortName);
    }
    EXPECT_EQ(shorts.size(), 6u);
    EXPECT_TRUE(shorts.count("LONGNA~1.TXT"));
    EXPECT_FALSE(shorts.count("LONGNA~5.TXT")); // beyond ~4 a hash is used

    // A new name sorting first must not take a short name already handed out.
    std::string before = paths.shortNameOf(c, "Long Name Two.txt");
    tm.writeFile("Long Name Aaa.txt");
    paths.noteAdded(c, "Long Name Aaa.txt");
    EXPECT_EQ(paths.shortNameOf(c, "Long Name Two.txt"), before);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    touch(tm.hostPath("Long Name Ab.txt")); // by another program: rescanned
    EXPECT_EQ(paths.findName(c, "long name ab.txt"), "Long Name Ab.txt");
    EXPECT_EQ(paths.shortNameOf(c, "Long Name Two.txt"), before);
}

// Kernel change reports, and folder time stamps where those are missing.
class DosPathsCoherence : public ::testing::TestWithParam<DosPaths::Coherence> {
};

INSTANTIATE_TEST_SUITE_P(BothWays, DosPathsCoherence,
                         ::testing::Values(DosPaths::Coherence::Watch, DosPaths::Coherence::TimeStamps),
                         [](const ::testing::TestParamInfo<DosPaths::Coherence>& mode) {
                             return mode.param == DosPaths::Coherence::Watch ? "Watch" : "TimeStamps";
                         });

TEST_P(DosPathsCoherence, SeesWhatOthersChangeRightAfterAScan)
{
    TempMachine tm;
    tm.writeFile("Folder/old.txt");
    DosPaths paths(tm.prefixDir(), GetParam());
    std::string dir = realDir(tm.hostPath("Folder"));

    // Created within the time stamp's granularity of the scan.
    EXPECT_EQ(paths.findName(dir, "OLD.TXT"), "old.txt");
    touch(dir + "/New.txt");
    EXPECT_EQ(paths.findName(dir, "new.txt"), "New.txt");
    ::unlink((dir + "/old.txt").c_str());
    EXPECT_EQ(paths.findName(dir, "old.txt"), "");

    // After our own change, another program's change in the same instant
    // is seen once the time stamp's window has passed.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(paths.findName(dir, "new.txt"), "New.txt");
    touch(dir + "/Ours.txt");
    paths.noteAdded(dir, "Ours.txt");
    touch(dir + "/Theirs.txt");
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(paths.findName(dir, "THEIRS.TXT"), "Theirs.txt");

    // Long after the scan, a change moves the folder's time stamp.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
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

TEST_P(DosPathsCoherence, NotedChangesNeedNoRescan)
{
    TempMachine tm;
    tm.writeFile("Folder/a.txt");
    DosPaths paths(tm.prefixDir(), GetParam());
    std::string dir = realDir(tm.hostPath("Folder"));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(paths.findName(dir, "a.txt"), "a.txt");
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(paths.findName(dir, "a.txt"), "a.txt"); // settles the racy scan
    auto scans = paths.scanCount();

    ::unlink((dir + "/a.txt").c_str());
    paths.noteRemoved(dir, "a.txt");
    touch(dir + "/b.txt");
    paths.noteAdded(dir, "b.txt");
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(paths.findName(dir, "B.TXT"), "b.txt");
    EXPECT_EQ(paths.findName(dir, "a.txt"), "");
    // One scan confirms the settled listing at most.
    EXPECT_LE(paths.scanCount() - scans, 1u);
}

TEST_P(DosPathsCoherence, FillingAndEmptyingAFolderWeChangeCostsNoRescans)
{
    TempMachine tm;
    tm.makeDir("Cache");
    DosPaths paths(tm.prefixDir(), GetParam());
    std::string dir = realDir(tm.hostPath("Cache"));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    std::string host;
    ASSERT_EQ(paths.toHost("C:\\Cache\\x", host), err::SUCCESS);
    auto before = paths.scanCount();

    constexpr int kFiles = 2000;
    for (int i = 0; i < kFiles; ++i) {
        bool exists = true;
        std::string name = "Cached Page " + std::to_string(i) + ".htm";
        ASSERT_EQ(paths.toHost("C:\\Cache\\" + name, host, &exists), err::SUCCESS);
        ASSERT_FALSE(exists);
        touch(host);
        paths.noteAdded(dir, name);
    }
    std::set<std::string> shorts;
    for (int i = 0; i < kFiles; ++i)
        shorts.insert(paths.shortNameOf(dir, "Cached Page " + std::to_string(i) + ".htm"));
    EXPECT_EQ(shorts.size(), std::size_t(kFiles));
    for (int i = 0; i < kFiles; i += 2) {
        std::string name = "Cached Page " + std::to_string(i) + ".htm";
        ::unlink((dir + "/" + name).c_str());
        paths.noteRemoved(dir, name);
    }
    EXPECT_LE(paths.scanCount() - before, 2u);

    // What the cache says matches the folder once it is read again.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    for (int i = 0; i < kFiles; ++i) {
        std::string name = "CACHED PAGE " + std::to_string(i) + ".HTM";
        EXPECT_EQ(paths.findName(dir, name).empty(), i % 2 == 0) << name;
    }
    for (const auto& n : paths.listing(dir))
        EXPECT_EQ(paths.findName(dir, n.shortName), n.longName);
}

TEST(DosPaths, ResolvingEveryFileOfALargeFolderCostsOneScan)
{
    TempMachine tm;
    constexpr int kFiles = 10000; // bench_dos_paths measures 100,000
    tm.makeDir("Big");
    std::string dir = realDir(tm.hostPath("Big"));
    for (int i = 0; i < kFiles; ++i)
        touch(dir + "/cache entry " + std::to_string(i) + ".htm");
    std::this_thread::sleep_for(std::chrono::milliseconds(30));

    DosPaths& paths = tm.machine().paths();
    auto before = paths.scanCount();
    std::string host;
    int found = 0;
    for (int i = 0; i < kFiles; ++i) {
        bool exists = false;
        ASSERT_EQ(paths.toHost("C:\\BIG\\Cache Entry " + std::to_string(i) + ".HTM", host, &exists), err::SUCCESS);
        found += exists;
    }
    EXPECT_EQ(found, kFiles);
    // One scan of Big (drive_c and dosdevices were read once too).
    EXPECT_LE(paths.scanCount() - before, 3u);

    std::set<std::string> shorts;
    for (const auto& n : paths.listing(dir))
        shorts.insert(upperAscii(n.shortName));
    EXPECT_EQ(shorts.size(), std::size_t(kFiles));
}

TEST_P(DosPathsCoherence, FolderTimesInWholeSecondsAreTrustedOnlyAfterTwoSeconds)
{
    TempMachine tm;
    tm.writeFile("Fat/a.txt");
    DosPaths paths(tm.prefixDir(), GetParam());
    std::string dir = realDir(tm.hostPath("Fat"));
    // A file system keeping whole seconds: every change in this second leaves the same time.
    timespec second {std::time(nullptr), 0};
    timespec times[2] = {second, second};
    ASSERT_EQ(::utimensat(AT_FDCWD, dir.c_str(), times, 0), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(paths.findName(dir, "A.TXT"), "a.txt");
    touch(dir + "/b.txt");
    ASSERT_EQ(::utimensat(AT_FDCWD, dir.c_str(), times, 0), 0);
    EXPECT_EQ(paths.findName(dir, "B.TXT"), "b.txt");
}

TEST_P(DosPathsCoherence, AFolderMovedAwayIsNotTakenForTheOneNowAtItsPath)
{
    TempMachine tm;
    tm.writeFile("Outer/Inner/x.txt");
    DosPaths paths(tm.prefixDir(), GetParam());
    std::string host;
    bool exists = false;
    ASSERT_EQ(paths.toHost("C:\\OUTER\\INNER\\X.TXT", host, &exists), err::SUCCESS);
    ASSERT_TRUE(exists);

    std::filesystem::rename(tm.hostPath("Outer"), tm.hostPath("Moved"));
    tm.writeFile("Outer/Inner/y.txt");
    EXPECT_EQ(paths.toHost("C:\\Outer\\Inner\\x.txt", host, &exists), err::SUCCESS);
    EXPECT_FALSE(exists);
    EXPECT_EQ(paths.toHost("C:\\Outer\\Inner\\Y.TXT", host, &exists), err::SUCCESS);
    EXPECT_TRUE(exists);
    EXPECT_EQ(paths.toHost("C:\\Moved\\Inner\\X.TXT", host, &exists), err::SUCCESS);
    EXPECT_TRUE(exists);
    EXPECT_EQ(host, realDir(tm.hostPath("Moved/Inner")) + "/x.txt");

    // A folder known before its parents were read, then moved along with them.
    tm.writeFile("First/Second/a.txt");
    DosPaths fresh(tm.prefixDir(), GetParam());
    ASSERT_EQ(fresh.findName(realDir(tm.hostPath("First/Second")), "A.TXT"), "a.txt");
    std::filesystem::rename(tm.hostPath("First"), tm.hostPath("Gone"));
    tm.writeFile("First/Second/b.txt");
    EXPECT_EQ(fresh.toHost("C:\\First\\Second\\a.txt", host, &exists), err::SUCCESS);
    EXPECT_FALSE(exists);
    EXPECT_EQ(fresh.toHost("C:\\First\\Second\\b.txt", host, &exists), err::SUCCESS);
    EXPECT_TRUE(exists);
}

// The folder a purge empties over minutes: changes far apart, ours and
// others', must not make it read again each time.
TEST(DosPaths, AWatchedFolderIsNeverReadAgainForChangesLongApart)
{
    TempMachine tm;
    for (int i = 0; i < 50; ++i)
        tm.writeFile("Cache/entry" + std::to_string(i) + ".htm");
    DosPaths& paths = tm.machine().paths();
    std::string dir = realDir(tm.hostPath("Cache"));
    ASSERT_EQ(paths.findName(dir, "ENTRY0.HTM"), "entry0.htm");
    const auto scans = paths.scanCount();
    for (int i = 0; i < 5; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        const std::string ours = "entry" + std::to_string(i) + ".htm";
        ASSERT_EQ(paths.findName(dir, upperAscii(ours)), ours);
        ::unlink((dir + "/" + ours).c_str());
        paths.noteRemoved(dir, ours);
        touch(dir + "/Theirs " + std::to_string(i) + ".txt");
        EXPECT_EQ(paths.findName(dir, "theirs " + std::to_string(i) + ".TXT"), "Theirs " + std::to_string(i) + ".txt");
        EXPECT_EQ(paths.findName(dir, ours), "");
        const std::string shortName = paths.shortNameOf(dir, "Theirs " + std::to_string(i) + ".txt");
        EXPECT_EQ(paths.findName(dir, shortName), "Theirs " + std::to_string(i) + ".txt") << shortName;
    }
    EXPECT_EQ(paths.scanCount(), scans);
}

// More changes than the kernel queues: the reports are lost, and every
// folder is read again.
TEST(DosPaths, LostChangeReportsMeanOneMoreScan)
{
    int queued = 16384;
    if (std::FILE* limit = std::fopen("/proc/sys/fs/inotify/max_queued_events", "r")) {
        if (std::fscanf(limit, "%d", &queued) != 1)
            queued = 16384;
        std::fclose(limit);
    }
    if (queued > 100000)
        GTEST_SKIP() << "the kernel queues " << queued << " reports";
    TempMachine tm;
    tm.makeDir("Flood");
    DosPaths& paths = tm.machine().paths();
    std::string dir = realDir(tm.hostPath("Flood"));
    ASSERT_EQ(paths.findName(dir, "none"), "");
    for (int i = 0; i <= queued; ++i)
        touch(dir + "/f" + std::to_string(i));
    const auto scans = paths.scanCount();
    EXPECT_EQ(paths.findName(dir, "F" + std::to_string(queued)), "f" + std::to_string(queued));
    EXPECT_EQ(paths.listing(dir).size(), std::size_t(queued) + 1);
    EXPECT_EQ(paths.scanCount() - scans, 1u);
}

TEST_P(DosPathsCoherence, ADriveLinkAddedOrChangedIsSeenAtOnce)
{
    TempMachine tm;
    tm.writeFile("first/a.txt");
    tm.writeFile("second/b.txt");
    DosPaths paths(tm.prefixDir(), GetParam());
    std::string host;
    bool exists = false;
    ASSERT_EQ(paths.toHost("C:\\\\first\\\\a.txt", host, &exists), err::SUCCESS);
    EXPECT_EQ(paths.toHost("D:\\\\a.txt", host, &exists), err::INVALID_DRIVE);

    const std::string d = tm.prefixDir() + "/dosdevices/d:";
    std::filesystem::create_directory_symlink("../drive_c/first", d);
    ASSERT_EQ(paths.toHost("D:\\\\A.TXT", host, &exists), err::SUCCESS);
    EXPECT_TRUE(exists);
    std::filesystem::remove(d);
    std::filesystem::create_directory_symlink("../drive_c/second", d);
    ASSERT_EQ(paths.toHost("D:\\\\A.TXT", host, &exists), err::SUCCESS);
    EXPECT_FALSE(exists);
    EXPECT_EQ(paths.toHost("D:\\\\B.TXT", host, &exists), err::SUCCESS);
    EXPECT_TRUE(exists);
    std::filesystem::remove(d);
    EXPECT_EQ(paths.toHost("D:\\\\B.TXT", host, &exists), err::INVALID_DRIVE);
}
