// The statistics display: the kilobyte roundings, the number formats of two
// locales, and whole displays on built machines checked against the cache's
// local files, with the folder and drive lines, a walk error and the folder
// walk's rules; the counts against msiecfexport's reading of the indexes.

#include "core/error_level.h"
#include "core/keywords.h"
#include "platform/files/dos_paths.h"
#include "platform/files/win_path.h"
#include "platform/urlcache/url_cache.h"
#include "purge/purge_context.h"
#include "purge/purge_report.h"
#include "purge/run_state.h"
#include "settings/folder_discovery.h"
#include "settings/folder_set.h"
#include "settings/general_settings.h"
#include "tests/support/built_machine.h"
#include "tests/support/cache_entries.h"
#include "tests/support/msiecf_export.h"
#include "tests/support/recording_messages.h"
#include "tests/support/report_lines.h"
#include "tests/support/temp_dir.h"
#include "tests/support/temp_machine.h"
#include "tools/cache_statistics.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sys/stat.h>

using namespace kp;

namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);

struct Display {
    test::RecordingMessages messages;
    ErrorState errors;
    RunState run;
    Keywords keywords;
    FolderSet folders;
    GeneralSettings general;
    PurgeReport report{errors, messages};

    void show(win::Machine& machine)
    {
        PurgeContext context{report, run, errors, keywords, folders, general, messages, &machine};
        win::UrlCache cache(machine);
        ShowStatistics(context, cache, kEnglish);
    }
    std::vector<std::string> lines() const { return test::reportLines(report); }
    std::string lineStarting(const std::string& start) const
    {
        for (const std::string& line : lines())
            if (line.starts_with(start))
                return line;
        return {};
    }
};

std::string categoryLine(const char* label, long long count, std::uint64_t usedK, std::uint64_t allocatedK)
{
    return StatisticsCategoryLine(QString::fromLatin1(label), count, usedK, allocatedK, kEnglish).toStdString();
}

std::uint32_t clusterOfC(win::Machine& machine)
{
    DriveFigures drive;
    EXPECT_TRUE(QueryDriveFigures(machine, 'c', drive));
    return drive.clusterSize;
}

} // namespace

TEST(StatisticsFigures, FileSizesRoundToKilobytesAsTheDisplayShowsThem)
{
    struct Case {
        std::vector<std::uint64_t> sizes;
        std::uint32_t cluster;
        std::uint64_t usedK, allocatedK;
    };
    const Case cases[] = {
        {{}, 4096, 0, 0},
        {{1}, 4096, 1, 4},
        {{1536}, 512, 2, 2},       // 1.5K allocated: the half goes to the even 2
        {{2560}, 512, 3, 2},       // 2.5K allocated: the half goes to the even 2
        {{3584}, 512, 4, 4},       // 3.5K: up to the even 4
        {{1023}, 0, 1, 1},         // no cluster size: no rounding
        {{1100}, 0, 2, 1},
        {{100, 100, 100}, 512, 1, 2}, // 300 bytes used, three 512-byte clusters
        {{4096, 1}, 4096, 5, 8},
        {{5'000'000'000ull}, 32768, 4'882'813, 4'882'816}, // beyond 32 bits
    };
    for (const Case& c : cases) {
        StatisticsSums sums;
        for (std::uint64_t size : c.sizes)
            sums.add(size, c.cluster);
        SCOPED_TRACE(::testing::Message() << "first size " << (c.sizes.empty() ? 0 : c.sizes[0]) << ", cluster "
                                          << c.cluster);
        EXPECT_EQ(sums.count, static_cast<long long>(c.sizes.size()));
        EXPECT_EQ(usedKilobytes(sums.usedBytes), c.usedK);
        EXPECT_EQ(allocatedKilobytes(sums.allocatedBytes), c.allocatedK);
    }
}

TEST(StatisticsFigures, LinesUseTheLocalesSeparatorsAndKeepTheirColumns)
{
    EXPECT_EQ(StatisticsCategoryLine("      Online Cache: ", 12345, 1234567, 2000, kEnglish).toStdString(),
              "      Online Cache: 12,345 files -  1,234,567K used of   2,000K allocated");
    EXPECT_EQ(StatisticsCategoryLine("           Cookies: ", 7, 0, 0, kGerman).toStdString(),
              "           Cookies:      7 files -        0K used of       0K allocated");
    EXPECT_EQ(StatisticsCategoryLine("           Cookies: ", 1000, 1, 4, kGerman).toStdString(),
              "           Cookies:  1.000 files -        1K used of       4K allocated");

    DriveFigures drive{'C', 25'000'000, 100'000'000, 4096, "NTFS"};
    EXPECT_EQ(StatisticsDriveLine(drive, kEnglish).toStdString(),
              "Drive \"C\" - 25,000,000K of 100,000,000K Allocated (25.00%) -  4,096 / Cluster - NTFS");
    EXPECT_EQ(StatisticsDriveLine(drive, kGerman).toStdString(),
              "Drive \"C\" - 25.000.000K of 100.000.000K Allocated (25,00%) -  4.096 / Cluster - NTFS");
    // A drive reporting no size at all shows 0% instead of dividing by zero.
    const DriveFigures empty{'A', 0, 0, 512, "FAT"};
    EXPECT_EQ(StatisticsDriveLine(empty, kEnglish).toStdString(),
              "Drive \"A\" -          0K of          0K Allocated ( 0.00%) -    512 / Cluster - FAT");
}

TEST(StatisticsDisplay, CountsAndSizesAgreeWithTheCachesLocalFiles)
{
    test::BuiltMachine built;
    ASSERT_TRUE(built.ok());
    Display d;
    d.folders.dataFolder = "C:\\KLENZOR";
    FindFolders(built.machine(), d.keywords, {true, true}, d.general, d.folders);
    ASSERT_TRUE(d.folders.cacheFound && d.folders.cookiesFound && d.folders.userDataFound);

    // The oracle: every entry's local file on the host, by category.
    struct Expected {
        long long count = 0;
        std::uint64_t bytes = 0, allocated = 0;
    } online, offline, cookies;
    const std::uint64_t cluster = clusterOfC(built.machine());
    win::UrlCache cache(built.machine());
    int visited = 0;
    for (const test::CacheEntry& e : test::listCacheEntries(cache)) {
        if (win::startsWithNoCase(e.url, "Visited:")) {
            ++visited;
            continue;
        }
        std::string host;
        struct stat st {};
        if (e.local.empty() || built.machine().paths().toHost(e.local, host) != 0 || ::stat(host.c_str(), &st) != 0) {
            // The sample's stray entries, whose files are gone, leave.
            ASSERT_EQ(cache.deleteUrlCacheEntry(e.url), 0u) << e.url;
            continue;
        }
        if (st.st_size == 0)
            continue;
        Expected& category = (e.type & win::STICKY_CACHE_ENTRY) ? offline
            : win::startsWithNoCase(e.url, "Cookie:")            ? cookies
                                                                 : online;
        ++category.count;
        category.bytes += std::uint64_t(st.st_size);
        category.allocated += (std::uint64_t(st.st_size) + cluster - 1) / cluster * cluster;
    }
    ASSERT_GT(visited, 0);
    ASSERT_GT(online.count, 0);
    ASSERT_GT(offline.count, 0);
    ASSERT_GT(cookies.count, 0);

    d.show(built.machine());
    auto line = [](const char* label, const Expected& e) {
        return categoryLine(label, e.count, usedKilobytes(e.bytes), allocatedKilobytes(e.allocated));
    };
    EXPECT_EQ(d.lineStarting("      Online Cache:"), line("      Online Cache: ", online));
    EXPECT_EQ(d.lineStarting("     Offline Cache:"), line("     Offline Cache: ", offline));
    EXPECT_EQ(d.lineStarting("       Total Cache:"),
              categoryLine("       Total Cache: ", online.count + offline.count,
                           usedKilobytes(online.bytes) + usedKilobytes(offline.bytes),
                           allocatedKilobytes(online.allocated) + allocatedKilobytes(offline.allocated)));
    EXPECT_EQ(d.lineStarting("           Cookies:"), line("           Cookies: ", cookies));

    // The layout: categories, temp folders, UserData, the folders, one drive.
    const std::vector<std::string> lines = d.lines();
    ASSERT_GE(lines.size(), 10u);
    EXPECT_EQ(lines[0], "Statistics:");
    EXPECT_EQ(lines[1], " ");
    EXPECT_EQ(lines[2].substr(0, 20), "      Online Cache: ");
    std::vector<std::string> expectedTail{" ", "      Cache Folder:  " + d.folders.cacheFolder,
                                          "    Cookies Folder:  " + d.folders.cookiesFolder};
    ASSERT_FALSE(d.folders.displayTemp.empty());
    for (const TempEntry& temp : d.folders.displayTemp)
        expectedTail.push_back(std::string(18 - temp.label.size(), ' ') + temp.label + ":  " + temp.path);
    expectedTail.push_back("   UserData Folder:  " + d.folders.userDataFolder);
    expectedTail.push_back(" ");
    const std::size_t driveLines = 1; // cache, cookies and UserData share drive C
    ASSERT_EQ(lines.size(), 6 + d.folders.displayTemp.size() + 1 + expectedTail.size() + driveLines);
    const std::size_t tailStart = lines.size() - driveLines - expectedTail.size();
    EXPECT_EQ(std::vector<std::string>(lines.begin() + std::ptrdiff_t(tailStart), lines.end() - 1), expectedTail);
    EXPECT_TRUE(lines.back().starts_with("Drive \"C\" - ")) << lines.back();
    EXPECT_TRUE(lines.back().ends_with(" / Cluster - NTFS")) << lines.back();
    EXPECT_TRUE(d.messages.shown.empty());
}

TEST(StatisticsDisplay, FolderSumsSkipIndexFilesDotFoldersAndLinks)
{
    test::TempMachine temp;
    temp.makeDir("Cache");
    temp.makeDir("Cookies");
    temp.writeFile("Temp/a.tmp", std::string(1000, 'a'));
    temp.writeFile("Temp/INDEX.DAT", std::string(5000, 'i'));
    temp.writeFile("Temp/sub/b.tmp", std::string(3000, 'b'));
    temp.writeFile("Temp/sub/empty.tmp");
    temp.writeFile("Temp/.git/c.tmp", std::string(7000, 'c'));
    temp.writeFile("Outside/d.tmp", std::string(9000, 'd'));
    std::filesystem::create_directory_symlink(temp.hostPath("Outside"), temp.hostPath("Temp/link"));

    Display d;
    d.folders.cacheFolder = "C:\\CACHE";
    d.folders.cookiesFolder = "C:\\COOKIES";
    d.folders.cacheFound = d.folders.cookiesFound = true;
    d.folders.displayTemp = {{"C:\\TEMP", "System Temp"}, {"", "Windows Temp"}, {"Q:\\TEMP", "Old Temp"}};
    d.show(temp.machine());

    const std::uint64_t cluster = clusterOfC(temp.machine());
    auto rounded = [cluster](std::uint64_t size) { return (size + cluster - 1) / cluster * cluster; };
    const std::vector<std::string> expected{
        "Statistics:",
        " ",
        categoryLine("      Online Cache: ", 0, 0, 0),
        categoryLine("     Offline Cache: ", 0, 0, 0),
        categoryLine("       Total Cache: ", 0, 0, 0),
        categoryLine("           Cookies: ", 0, 0, 0),
        categoryLine("       System Temp: ", 3, usedKilobytes(4000),
                     allocatedKilobytes(rounded(1000) + rounded(3000))),
        " ",
        "      Cache Folder:  C:\\CACHE",
        "    Cookies Folder:  C:\\COOKIES",
        "       System Temp:  C:\\TEMP",
        "      Windows Temp:  ",
        "          Old Temp:  Q:\\TEMP",
        " ",
    };
    const std::vector<std::string> lines = d.lines();
    ASSERT_EQ(lines.size(), expected.size() + 1);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.end() - 1), expected);
    EXPECT_TRUE(lines.back().starts_with("Drive \"C\" - ")) << lines.back();
}

TEST(StatisticsDisplay, MissingFoldersAndABrokenIndexLeaveTheirLinesOut)
{
    test::BuiltMachine built;
    ASSERT_TRUE(built.ok());
    Display d;
    d.folders.dataFolder = "C:\\KLENZOR";
    FindFolders(built.machine(), d.keywords, {true, true}, d.general, d.folders);
    std::string cookieIndex;
    ASSERT_EQ(built.machine().paths().toHost(d.folders.cookiesFolder + "\\index.dat", cookieIndex), 0u);
    std::string bytes = test::readFile(cookieIndex);
    ASSERT_GT(bytes.size(), 0x4004u);
    bytes.replace(0x4000, 4, "XXXX");
    test::writeFile(cookieIndex, bytes);
    d.folders.cacheFound = false;
    d.folders.userDataFound = false;
    d.folders.displayTemp.clear();

    d.show(built.machine());
    const std::vector<std::string> lines = d.lines();
    ASSERT_EQ(lines.size(), 9u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[2], "*** Error Accessing Cache ***");
    EXPECT_TRUE(lines[3].starts_with("           Cookies: ")) << lines[3];
    EXPECT_EQ(lines[5], "      Cache Folder:   ");
    EXPECT_EQ(lines[6], "    Cookies Folder:  " + d.folders.cookiesFolder);
    EXPECT_EQ(lines[7], " ");
    EXPECT_TRUE(lines[8].starts_with("Drive \"C\" - ")) << lines[8];
    EXPECT_EQ(d.errors.ErrorLevel, 9);
    EXPECT_EQ(d.messages.shown.size(), 1u);
}

TEST(StatisticsDisplay, CountsAgreeWithTheRecordsMsiecfexportReads)
{
    if (!test::msiecfExporterAvailable())
        GTEST_SKIP() << test::kMsiecfExporter << " is not installed";
    test::BuiltMachine built;
    ASSERT_TRUE(built.ok());
    Display d;
    d.folders.dataFolder = "C:\\KLENZOR";
    FindFolders(built.machine(), d.keywords, {true, true}, d.general, d.folders);
    d.show(built.machine());

    auto records = [&built](const std::string& folder) {
        std::string host, text;
        std::multiset<std::string> locations;
        EXPECT_EQ(built.machine().paths().toHost(folder + "\\index.dat", host), 0u);
        EXPECT_TRUE(test::exportLocations(host, locations, text)) << text;
        return static_cast<long long>(locations.size());
    };
    auto countOn = [&d](const std::string& start) {
        return d.lineStarting(start).substr(20, 6);
    };
    const QString total = QString::fromStdString(countOn("       Total Cache:")).trimmed();
    const QString cookies = QString::fromStdString(countOn("           Cookies:")).trimmed();
    EXPECT_EQ(kEnglish.toLongLong(total), records(d.folders.cacheFolder));
    EXPECT_EQ(kEnglish.toLongLong(cookies), records(d.folders.cookiesFolder));
}
