// The folder, registry and system purges: a temp tree with a read-only file,
// a locked file and a link out of the tree; Recent with a document and a
// shortcut; the typed addresses of a built machine; the purges that need the
// companion service, with it stopped and working; the preview lines; the
// Recycle Bin's folders and the trash items that came from the machine.

#include "platform/files/file_system.h"
#include "platform/registry/registry.h"
#include "purge/folder_tree_purge.h"
#include "purge/system_purges.h"
#include "purge/typed_urls_purge.h"
#include "service/service_link.h"
#include "tests/support/built_machine.h"
#include "tests/support/purge_run.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>

using namespace kp;
namespace fs = std::filesystem;

namespace {

struct Purge : test::PurgeRun {
    explicit Purge(win::Machine& machine) : PurgeRun(&machine) {}
};

struct TempTree : ::testing::Test {
    test::TempMachine temp;
    Purge purge{temp.machine()};
};

TEST_F(TempTree, EmptiesTheTreeClearingReadOnlyAndKeepsTheFolder)
{
    temp.writeFile("tmp/a.txt", "a");
    temp.writeFile("tmp/sub/ro.txt", "r");
    ::chmod(temp.hostPath("tmp/sub/ro.txt").c_str(), 0444);
    purge.folders.purgeTemp = {{"C:\\tmp", "Temp"}};
    PurgeTempFolders(purge.context);
    EXPECT_EQ(purge.lines(), (std::vector<std::string>{
                                 "Temp Folders:", "       deleted - C:\\tmp\\A.TXT", "       deleted - C:\\tmp\\sub\\RO.TXT",
                                 "       deleted - C:\\tmp\\SUB",
                                 "  Purge \"Temp Folders\" Function Completed. 3 Files/Directories Processed."}));
    EXPECT_TRUE(temp.exists("tmp"));
    EXPECT_FALSE(temp.exists("tmp/sub"));
    EXPECT_EQ(purge.run.ProcessedCount, 3);
    EXPECT_EQ(purge.errors.ErrorLevel, 0);
}

TEST_F(TempTree, LockedFileKeepsItsFolderWithoutRaisingTheLevel)
{
    temp.writeFile("tmp/sub/held.txt", "h");
    win::File held;
    ASSERT_EQ(win::FileSystem(temp.machine())
                  .createFile("C:\\tmp\\sub\\held.txt", win::access::GENERIC_READ, 0, win::Disposition::OpenExisting, 0,
                              held),
              0u);
    purge.folders.purgeTemp = {{"C:\\tmp", "Temp"}};
    PurgeTempFolders(purge.context);
    EXPECT_EQ(purge.lines()[1], "        Locked - C:\\tmp\\sub\\HELD.TXT");
    EXPECT_EQ(purge.lines()[2], " Dir Not Empty - C:\\tmp\\SUB");
    EXPECT_EQ(purge.errors.ErrorLevel, 0);
}

TEST_F(TempTree, LinkToAFolderIsRemovedNeverEntered)
{
    temp.writeFile("outside/keep.txt", "k");
    temp.makeDir("tmp");
    ASSERT_EQ(::symlink(temp.hostPath("outside").c_str(), temp.hostPath("tmp/link").c_str()), 0);
    purge.folders.purgeTemp = {{"C:\\tmp", "Temp"}};
    PurgeTempFolders(purge.context);
    EXPECT_TRUE(temp.exists("outside/keep.txt"));
    EXPECT_FALSE(fs::is_symlink(temp.hostPath("tmp/link")));
    EXPECT_EQ(purge.lines()[1], "       deleted - C:\\tmp\\LINK");
}

TEST_F(TempTree, MissingConfigurationAndEmptyFolders)
{
    PurgeTempFolders(purge.context);
    EXPECT_EQ(purge.lines().size(), 5u);
    EXPECT_EQ(purge.lines()[1], " -Error- Temp Folder: not processed - folder could not be located");
    EXPECT_EQ(purge.errors.ErrorLevel, 3);

    Purge again(temp.machine());
    temp.makeDir("empty");
    again.folders.purgeTemp = {{"C:\\empty", "Temp"}};
    PurgeTempFolders(again.context);
    EXPECT_EQ(again.lines(), (std::vector<std::string>{"Temp Folders:", "    No Files/Directories found to delete.",
                                                       "  Purge \"Temp Folders\" Function Completed."}));
}

TEST_F(TempTree, RecentDeletesOnlyShortcuts)
{
    temp.writeFile("recent/notes.txt", "n");
    temp.writeFile("recent/notes.txt.LnK", "L");
    purge.folders.recentFolder = "C:\\recent";
    purge.folders.recentFound = true;
    PurgeRecentLinks(purge.context);
    EXPECT_EQ(purge.lines(), (std::vector<std::string>{"Recent LNKs:", "       deleted - C:\\RECENT\\NOTES.TXT.LNK",
                                                       "  Purge \"Recent LNKs\" Function Completed. 1 Links Processed."}));
    EXPECT_TRUE(temp.exists("recent/notes.txt"));

    Purge missing(temp.machine());
    PurgeRecentLinks(missing.context);
    EXPECT_EQ(missing.lines(), std::vector<std::string>{" -Error- Recent LNKs:  not processed as folder could not be located"});
    EXPECT_EQ(missing.errors.ErrorLevel, 3);
}

// A service answering every request with one reply (or failing with a code).
void answer(ServiceLink& link, std::string reply, win::DWORD code = 0, std::vector<std::string>* requests = nullptr)
{
    link.setTransport([=](const std::string&, const std::string& request, std::string& out) {
        if (requests)
            requests->push_back(request);
        out = reply;
        return code;
    });
}

struct OnBuilt : ::testing::Test {
    test::BuiltMachine built;
    Purge purge{built.machine()};
    ServiceLink service{built.machine()};
};

TEST_F(OnBuilt, TypedUrlsOfTheBrowserMsnAndMsnExplorerUsers)
{
    PurgeTypedUrls(purge.context);
    const std::vector<std::string> lines = purge.lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1].rfind("       deleted - I.E.-url1 = http://www.", 0), 0u) << lines[1];
    EXPECT_NE(std::find(lines.begin(), lines.end(), "       ..Process MSN entries for - owner@msn.com"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "       deleted - MSN-a = http://www.msn.com/"), lines.end());
    EXPECT_EQ(lines.back(), "  Purge \"Typed URLs\" Function Completed. 13 entries Processed.");

    win::Registry& registry = built.machine().registry();
    win::RegKey key;
    std::string mru;
    ASSERT_EQ(registry.openKey(win::RegRoot::CurrentUser, "Software\\Microsoft\\MSN6\\Users\\owner@msn.com\\TypedURLs",
                               false, key),
              0u);
    EXPECT_EQ(registry.queryString(key, "MRUList", mru), 0u);
    ASSERT_EQ(registry.openKey(win::RegRoot::CurrentUser, "Software\\Microsoft\\Internet Explorer\\TypedURLs", false, key),
              0u);
    EXPECT_EQ(registry.queryString(key, "url1", mru), win::err::FILE_NOT_FOUND);
}

TEST_F(OnBuilt, ServiceStoppedBypassesAutoCompleteAtLevelFive)
{
    answer(service, "", win::err::FILE_NOT_FOUND);
    EXPECT_EQ(service.ServiceCommand("STAT"), "*** Error - 2 - Service not Active");
    PurgeAutoCompleteForms(purge.context, service);
    PurgePreviousSearches(purge.context, service);
    EXPECT_EQ(purge.lines(), (std::vector<std::string>{
                                 "Clear AutoComplete Forms:",
                                 "*** Error - Bypassed - This function requires the Klenzor XP Service.",
                                 "    Klenzor Pro needs to be reinstalled by a System Administrator.",
                                 "  \"Clear AutoComplete Forms\" Function Completed.", "Clear Previous Searches:",
                                 "  \"Clear Previous Searches\" Function Completed."}));
    EXPECT_EQ(purge.errors.ErrorLevel, 5);
    win::RegKey key;
    win::RegValue value;
    ASSERT_EQ(built.machine().registry().openKey(win::RegRoot::CurrentUser,
                                                 "Software\\Microsoft\\Internet Explorer\\Search\\SearchProperties\\Web",
                                                 false, key),
              0u);
    EXPECT_EQ(built.machine().registry().queryValue(key, "PreviousSearches", value), win::err::FILE_NOT_FOUND);
}

TEST_F(OnBuilt, StatusReplyIsComparedExactly)
{
    struct Case {
        const char* reply;
        std::string line; // the report line after the heading
        int level;
    } cases[] = {
        {"ServiceOK", "ServiceOK  ", 0},
        {"SERVICEOK", "*** Error - Bypassed - This function requires the Klenzor XP Service.", 5},
    };
    for (const Case& c : cases) {
        Purge p(built.machine());
        std::vector<std::string> requests;
        answer(service, c.reply, 0, &requests);
        PurgeAutoCompleteForms(p.context, service);
        EXPECT_EQ(p.lines()[1], c.line) << c.reply;
        EXPECT_EQ(p.errors.ErrorLevel, c.level) << c.reply;
        EXPECT_EQ(requests[0], std::string(sample::kSampleUserSid) + "|STAT");
    }
}

TEST_F(OnBuilt, PreviewWritesTheFourBypassLines)
{
    purge.run.PreviewFlag = true;
    answer(service, "", win::err::FILE_NOT_FOUND);
    PurgeRecycleBin(purge.context);
    PurgeClipBoard(purge.context);
    PurgePreviousSearches(purge.context, service);
    PurgeAutoCompleteForms(purge.context, service);
    EXPECT_EQ(purge.lines(), (std::vector<std::string>{
                                 "Recycle Bin:", "  \"Purge Recycle Bin\" Function bypassed for Preview.", "ClipBoard:",
                                 "  \"Clear Windows ClipBoard\" Function bypassed for Preview.",
                                 "Clear Previous Searches:", "  \"Clear Previous Searches\" Function bypassed for Preview.",
                                 "Clear AutoComplete Forms:", "  \"Clear AutoComplete Forms\" Function bypassed for Preview."}));
    EXPECT_EQ(purge.errors.ErrorLevel, 0);
}

TEST_F(OnBuilt, RecycleBinEmptiesTheDrivesAndOnlyTheMachinesTrashItems)
{
    const std::string trash = test::makeScratchFolder("trash");
    ::setenv("XDG_DATA_HOME", trash.c_str(), 1);
    fs::create_directories(trash + "/Trash/files");
    fs::create_directories(trash + "/Trash/info");
    const std::string drive = built.prefixDir() + "/drive_c";
    auto trashed = [&](const std::string& name, const std::string& from) {
        std::ofstream(trash + "/Trash/files/" + name) << "x";
        std::ofstream(trash + "/Trash/info/" + name + ".trashinfo")
            << "[Trash Info]\nPath=" << from << "\nDeletionDate=2024-01-01T00:00:00\n";
    };
    trashed("ours.txt", drive + "/My%20Notes/ours.txt");
    trashed("other.txt", trash + "/elsewhere/other.txt");
    fs::create_directories(drive + "/RECYCLER/S-1-5-21-0-0-0-1000");
    std::ofstream(drive + "/RECYCLER/S-1-5-21-0-0-0-1000/Dc1.txt") << "d";
    std::ofstream(drive + "/RECYCLER/S-1-5-21-0-0-0-1000/desktop.ini") << "i";

    PurgeRecycleBin(purge.context);
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(purge.lines().back(), "  Purge \"Recycle Bin\" Function Completed.");
    EXPECT_FALSE(fs::exists(trash + "/Trash/files/ours.txt"));
    EXPECT_FALSE(fs::exists(trash + "/Trash/info/ours.txt.trashinfo"));
    EXPECT_TRUE(fs::exists(trash + "/Trash/files/other.txt"));
    EXPECT_FALSE(fs::exists(drive + "/RECYCLER/S-1-5-21-0-0-0-1000/Dc1.txt"));
    EXPECT_TRUE(fs::exists(drive + "/RECYCLER/S-1-5-21-0-0-0-1000/desktop.ini"));
    fs::remove_all(trash);
}

} // namespace
