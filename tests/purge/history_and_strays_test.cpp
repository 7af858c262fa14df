// History Folders and Strays on built machines: the report lines with and
// without AllHist, a daily index that stays (held by a handle, by an open
// browser, by the machine's running Wine session), the failure of both ways
// of clearing the store; stray files and entries, desktop.ini, two entries
// naming one file, a missing cache folder, and folder links that are never
// entered; what msiecfexport reads of the index files after both purges.

#include "platform/files/file_system.h"
#include "purge/history_purge.h"
#include "purge/stray_purge.h"
#include "tests/support/msiecf_export.h"
#include "tests/support/temp_dir.h"
#include "tests/support/url_cache_machine.h"
#include "tests/support/wine_prefix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <unistd.h>

using namespace kp;
using kp::test::BuiltMachine;

namespace {

using kp::win::upperAscii;
using Entry = kp::test::CacheEntry;
using kp::test::listCacheEntries;

kp::sample::MachineSpec recipe(int historyDays)
{
    kp::sample::MachineSpec recipe = BuiltMachine::fixedSpec();
    recipe.historyDays = historyDays;
    return recipe;
}

struct Fixture : kp::test::UrlCacheMachine {
    explicit Fixture(std::vector<std::string> args = {}, int historyDays = 5)
        : UrlCacheMachine(std::move(args), recipe(historyDays))
    {
        clearing.ClearHistoryStore = [this] { return ClearHistoryStore(services); };
        clearing.DriveInternetOptionsClearHistory = [] { return false; };
    }

    void history() { PurgeHistoryFolders(context, services, clearing); }
    void strays() { PurgeStrays(context, services); }

    // The daily folders' names, upper-cased, in directory order.
    std::vector<std::string> days()
    {
        std::vector<std::string> out;
        for (const auto& item : std::filesystem::directory_iterator(host(folders.historyFolder)))
            if (item.is_directory() && !item.is_symlink())
                out.push_back(upperAscii(item.path().filename().string()));
        return out;
    }

    // A content entry named `url` whose file is `local` (already there).
    void commit(const std::string& url, const std::string& local)
    {
        win::UrlCacheCommit entry;
        entry.url = url;
        entry.localFileName = local;
        ASSERT_EQ(cache.commitUrlCacheEntry(entry), 0u) << url;
    }

    HistoryClearing clearing;
};

constexpr const char* kHeading = "History Folders:";
constexpr const char* kCompletion = "  Purge \"History Folders\" Function Completed.";

} // namespace

TEST(HistoryFolders, ReportLinesAndWhatIsLeft)
{
    struct Case {
        const char* name;
        bool preview;
        std::vector<std::string> args;
        bool detailLines; // each index and folder is listed with the count
    };
    const Case cases[] = {
        {"preview", true, {"AllHist"}, false},
        {"quiet", false, {}, false},
        {"AllHist", false, {"AllHist"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f(c.args, 3);
        ASSERT_TRUE(f.built.ok());
        f.run.PreviewFlag = c.preview;
        const std::vector<std::string> days = f.days();
        ASSERT_EQ(days.size(), 3u);
        f.history();

        std::vector<std::string> expected = {kHeading};
        if (c.preview) {
            expected.push_back("  Purge \"History Folders\" Function bypassed for Preview.");
        } else {
            for (const std::string& day : c.detailLines ? days : std::vector<std::string>()) {
                const std::string path = f.folders.historyFolder + "\\" + day;
                expected.push_back("       deleted - " + path + "\\INDEX.DAT");
                expected.push_back("       deleted - " + path);
            }
            if (c.detailLines)
                expected.push_back(std::string(kCompletion) + " 3 History Folders Processed.");
            expected.push_back(kCompletion);
        }
        EXPECT_EQ(f.lines(), expected);
        EXPECT_EQ(f.days().size(), c.preview ? 3u : 0u);
        EXPECT_EQ(f.urls("Visited:").empty(), !c.preview);
        EXPECT_EQ(f.errors.ErrorLevel, 0);
    }
}

TEST(HistoryFolders, ADailyIndexThatStaysIsClearedInPlaceOrTheBlockIsNamed)
{
    struct Case {
        const char* name;
        std::vector<std::string> args;
        bool browserOpen;
        const char* after; // the line after "Index.dat is present", or null
        bool cleared;
    };
    const Case cases[] = {
        {"cleared", {}, false, "       Cleared Daily History - ", true},
        {"browser open", {}, true, "       Found active IE window...", false},
        {"NOCLEARD", {"NOCLEARD"}, false, nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f(c.args, 1);
        ASSERT_TRUE(f.built.ok());
        if (c.browserOpen)
            f.windows.windows.push_back({"IEFrame", "Home - Microsoft Internet Explorer", true, {}});
        f.clearing.ClearHistoryStore = [] { return true; };
        const std::string day = f.days().at(0);
        const std::string index = f.folders.historyFolder + "\\" + day + "\\index.dat";
        const std::string prefix = ":" + day.substr(8) + ":";
        ASSERT_FALSE(f.urls(prefix.c_str()).empty());

        win::FileSystem files(f.built.machine());
        win::File held; // shares reading and writing, not deletion
        ASSERT_EQ(files.createFile(index, win::access::GENERIC_READ, win::share::READ | win::share::WRITE,
                                   win::Disposition::OpenExisting, 0, held),
                  0u);
        f.history();

        std::vector<std::string> expected = {kHeading, "       Index.dat is present  - " + day};
        if (c.after)
            expected.push_back(c.cleared ? c.after + day : c.after);
        expected.push_back(kCompletion);
        EXPECT_EQ(f.lines(), expected);
        EXPECT_TRUE(f.exists(index));
        EXPECT_EQ(f.urls(prefix.c_str()).empty(), c.cleared);
    }
}

TEST(HistoryFolders, WhenNeitherWayClearsTheStoreTheRunSaysSo)
{
    for (bool fallbackWorks : {false, true}) {
        SCOPED_TRACE(fallbackWorks);
        Fixture f;
        ASSERT_TRUE(f.built.ok());
        f.clearing.ClearHistoryStore = [] { return false; };
        f.clearing.DriveInternetOptionsClearHistory = [fallbackWorks] { return fallbackWorks; };
        f.history();
        EXPECT_EQ(f.hasLine(" -Error- History Folders:  the history store could not be cleared"), !fallbackWorks);
        EXPECT_EQ(f.errors.ErrorLevel, fallbackWorks ? 0 : 3);
        EXPECT_EQ(f.lines().back(), kCompletion);
    }
}

TEST(HistoryFolders, AFolderLinkIsRemovedAsALinkNeverEntered)
{
    Fixture f({"AllHist"}, 1);
    ASSERT_TRUE(f.built.ok());
    const std::string target = "C:\\Elsewhere";
    std::filesystem::create_directories(f.host(target));
    kp::test::writeFile(f.host(target) + "/index.dat", "not theirs");
    ASSERT_EQ(::symlink(f.host(target).c_str(), (f.host(f.folders.historyFolder) + "/LINKED").c_str()), 0);
    f.built.machine().paths().forget(f.host(f.folders.historyFolder));
    f.history();
    EXPECT_FALSE(f.exists(f.folders.historyFolder + "\\LINKED"));
    EXPECT_EQ(kp::test::readFile(f.host(target) + "/index.dat"), "not theirs");
    EXPECT_TRUE(f.hasLine("       deleted - " + f.folders.historyFolder + "\\LINKED"));
}

TEST(HistoryAndStrays, TheMachinesRunningWineSessionHoldsTheIndexes)
{
    if (!kp::test::wineAvailable())
        GTEST_SKIP() << "Wine is not installed";
    Fixture f({}, 1);
    ASSERT_TRUE(f.built.ok());
    const std::string day = f.days().at(0);
    const std::string dayIndex = f.host(f.folders.historyFolder + "\\" + day + "\\index.dat");
    const std::string before = kp::test::readFile(dayIndex);
    {
        kp::test::WineSessionOf session(f.built.prefixDir());
        ASSERT_TRUE(session.running());
        f.history();
        f.strays();
    }
    EXPECT_EQ(f.lines(), (std::vector<std::string> {
                             kHeading,
                             " -Error- History Folders:  the history store could not be cleared",
                             "       Index.dat is present  - " + day,
                             "       Found running Wine session of this machine...",
                             kCompletion,
                             "Stray Cookies / Stray Cache Files / Stray URLs:",
                             " -Error- Stray Cookies / Stray Cache Files / Stray URLs:  not processed as the "
                             "machine's Wine session is running and must end first",
                         }));
    EXPECT_EQ(kp::test::readFile(dayIndex), before);
    EXPECT_EQ(f.errors.ErrorLevel, 3);
}

TEST(Strays, FilesNoEntryNamesAndEntriesWithoutFilesGo)
{
    Fixture f;
    ASSERT_TRUE(f.built.ok());
    const std::string cookies = f.folders.cookiesFolder;
    kp::test::writeFile(f.host(cookies) + "/desktop.ini", "[.ShellClassInfo]\r\n");
    // A cookie entry whose file is gone.
    std::string goneCookie;
    for (const Entry& e : listCacheEntries(f.cache, "Cookie:"))
        if (goneCookie.empty() && !e.local.empty()) {
            goneCookie = e.url;
            ASSERT_EQ(::unlink(f.host(e.local).c_str()), 0);
        }
    f.built.machine().paths().forget(f.host(cookies));
    const std::set<std::string> before = f.urls();
    f.history();
    f.strays();
    EXPECT_TRUE(f.days().empty());

    const std::string orphanCookie = cookies + "\\" + upperAscii(BuiltMachine::fixedSpec().userName) + "@ORPHAN.EXAMPLE[1].TXT";
    EXPECT_TRUE(f.hasLine("       deleted - " + orphanCookie)) << orphanCookie;
    EXPECT_TRUE(f.hasLine("       deleted - " + goneCookie));
    EXPECT_TRUE(f.hasLine("       deleted - http://www.example.com/deleted-by-hand.htm"));
    EXPECT_TRUE(f.exists(cookies + "\\desktop.ini"));
    EXPECT_EQ(f.lines().back(), "  Purge \"Strays\" Function Completed. 4 Files/URLs Processed.");
    EXPECT_EQ(f.errors.ErrorLevel, 0);

    // Every file left is named by an entry, every entry's file is there.
    for (const Entry& e : listCacheEntries(f.cache))
        EXPECT_TRUE(e.local.empty() || f.exists(e.local)) << e.url;
    EXPECT_EQ(kp::test::filesNoEntryNames(f.built.prefixDir()), std::set<std::string>{});
    const auto withFiles = [&](const std::set<std::string>& urls) {
        return std::count_if(urls.begin(), urls.end(), [](const std::string& u) {
            return u.starts_with("Cookie:") || u.starts_with("http");
        });
    };
    EXPECT_EQ(withFiles(before) - withFiles(f.urls()), 2);
    EXPECT_TRUE(f.urls("Visited:").empty());
}

// The sample machine's strays and daily folders as an outside reader of the
// index files sees them after both purges.
TEST(HistoryAndStrays, MsiecfexportFindsNoDailyIndexAndOneFileForEachEntry)
{
    if (!kp::test::msiecfExporterAvailable())
        GTEST_SKIP() << "msiecfexport (libmsiecf-utils) is not installed";
    Fixture f;
    ASSERT_TRUE(f.built.ok());
    ASSERT_FALSE(f.days().empty());
    ASSERT_FALSE(kp::test::filesNoEntryNames(f.built.prefixDir()).empty());
    f.history();
    f.strays();
    EXPECT_EQ(f.errors.ErrorLevel, 0);

    std::vector<std::string> indexes;
    for (const auto& item : std::filesystem::recursive_directory_iterator(f.host(f.cache.folders().history)))
        if (upperAscii(item.path().filename().string()) == "INDEX.DAT")
            indexes.push_back(item.path().string());
    ASSERT_EQ(indexes, std::vector<std::string> {f.host(f.folders.historyFolder + "\\index.dat")});
    std::multiset<std::string> history;
    std::string text;
    EXPECT_TRUE(kp::test::exportLocations(indexes[0], history, text)) << text;
    EXPECT_EQ(history, std::multiset<std::string> {});

    std::set<std::string> named, onDisk;
    for (const std::string& folder : {f.folders.cacheFolder, f.folders.cookiesFolder}) {
        EXPECT_TRUE(kp::test::exportLocalFiles(f.host(folder + "\\index.dat"), named, text)) << text;
        for (const auto& item : std::filesystem::recursive_directory_iterator(f.host(folder))) {
            const std::string name = upperAscii(item.path().filename().string());
            if (item.is_regular_file() && name != "INDEX.DAT" && name != "DESKTOP.INI")
                onDisk.insert(item.path().string());
        }
    }
    EXPECT_GT(named.size(), 100u);
    EXPECT_EQ(named, onDisk);
}

TEST(Strays, PreviewDuplicatesMissingCacheFolderAndLinks)
{
    struct Case {
        const char* name;
        std::vector<std::string> args;
        bool preview;
        bool cacheFound;
    };
    const Case cases[] = {
        {"xcode", {"xcode"}, false, true},
        {"preview", {}, true, true},
        {"cache folder not found", {}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f(c.args);
        ASSERT_TRUE(f.built.ok());
        f.run.PreviewFlag = c.preview;
        f.folders.cacheFound = c.cacheFound;
        // Two entries naming one file.
        std::string shared;
        ASSERT_EQ(f.cache.createUrlCacheEntry("http://twice.example/a.htm", "htm", shared), 0u);
        kp::test::writeFile(f.host(shared), "<html></html>");
        f.commit("http://twice.example/a.htm", shared);
        f.commit("http://twice.example/b.htm", shared);
        const std::set<std::string> before = f.urls();
        f.strays();

        const std::vector<std::string> lines = f.lines();
        const auto count = [&](const std::string& text) { return std::count(lines.begin(), lines.end(), text); };
        EXPECT_EQ(count("     Duplicate - http://twice.example/a.htm"), c.args.empty() ? 0 : 1);
        EXPECT_EQ(count("     Duplicate - http://twice.example/b.htm"), c.args.empty() ? 0 : 1);
        EXPECT_TRUE(f.exists(shared));
        EXPECT_EQ(count(" -Error- Cache:  not processed as folder could not be located"), c.cacheFound ? 0 : 1);
        EXPECT_EQ(count("       deleted - http://www.example.com/deleted-by-hand.htm"), c.cacheFound && !c.preview);
        EXPECT_EQ(count("     to delete - http://www.example.com/deleted-by-hand.htm"), c.preview);
        EXPECT_EQ(f.urls().count("http://www.example.com/deleted-by-hand.htm"), c.cacheFound && !c.preview ? 0u : 1u);
        if (c.preview) {
            EXPECT_EQ(f.urls(), before);
        }
        EXPECT_EQ(f.errors.ErrorLevel, c.cacheFound ? 0 : 3);
    }
}

TEST(Strays, AFolderLinkInTheCacheIsNeverEnteredAndItsEntriesStay)
{
    Fixture f;
    ASSERT_TRUE(f.built.ok());
    // A cache subfolder moved elsewhere and linked back.
    std::string sub;
    for (const auto& item : std::filesystem::directory_iterator(f.host(f.folders.cacheFolder)))
        if (item.is_directory() && std::filesystem::exists(item.path() / "orphan[1].htm"))
            sub = item.path().filename().string();
    ASSERT_FALSE(sub.empty());
    const std::string moved = f.host("C:\\Moved");
    std::filesystem::rename(f.host(f.folders.cacheFolder) + "/" + sub, moved);
    ASSERT_EQ(::symlink(moved.c_str(), (f.host(f.folders.cacheFolder) + "/" + sub).c_str()), 0);
    f.built.machine().paths().forget(f.host(f.folders.cacheFolder));
    std::size_t inLinked = 0;
    for (const Entry& e : listCacheEntries(f.cache))
        inLinked += upperAscii(e.local).find(upperAscii(sub)) != std::string::npos;
    ASSERT_GT(inLinked, 0u);

    f.strays();
    EXPECT_TRUE(std::filesystem::exists(moved + "/orphan[1].htm"));
    std::size_t left = 0;
    for (const Entry& e : listCacheEntries(f.cache))
        left += upperAscii(e.local).find(upperAscii(sub)) != std::string::npos;
    EXPECT_EQ(left, inLinked);
}
