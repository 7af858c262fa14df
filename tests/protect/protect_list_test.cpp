#include "platform/files/file_system.h"
#include "protect/protect_list.h"
#include "settings/folder_set.h"
#include "tests/support/recording_messages.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace kp;
namespace err = kp::win::err;

namespace {

struct ProtectFixture : ::testing::Test {
    test::TempMachine temp;
    test::RecordingMessages messages;
    FolderSet folders;
    const std::string path = "C:\\data\\KlenPro.Dat";

    void SetUp() override
    {
        temp.makeDir("data");
        folders.dataFolder = "C:\\data";
    }

    ProtectList loaded(std::string_view contents)
    {
        temp.writeFile("data/KlenPro.Dat", contents);
        ProtectList list(temp.machine(), messages, folders);
        list.LoadProtectList(path);
        return list;
    }
};

using Lines = std::vector<std::string>;

} // namespace

TEST_F(ProtectFixture, ReadsEveryLineEndUpToANulAndSortsIgnoringCaseKeepingDuplicates)
{
    ProtectList list = loaded(std::string("visited:b\r\nCookie:a@x/\nhttp://c/\rCookie:a@x/\r\nzeta\0hidden\r\n", 52));
    EXPECT_TRUE(list.loaded());
    EXPECT_EQ(list.lines(), (Lines{"Cookie:a@x/", "Cookie:a@x/", "http://c/", "visited:b", "zeta"}));
    EXPECT_EQ(list.ProtectedCount(), 5);
    EXPECT_FALSE(list.IsProtected("hidden"));
}

TEST_F(ProtectFixture, MatchingIsExactWholeNameAndCaseSensitive)
{
    ProtectList list = loaded("Cookie:user@site.com/\r\nVisited:user@http://a.com/ \r\n");
    EXPECT_TRUE(list.IsProtected("Cookie:user@site.com/"));
    EXPECT_FALSE(list.IsProtected("Cookie:user@Site.com/"));
    EXPECT_FALSE(list.IsProtected("Cookie:user@site.com"));
    EXPECT_FALSE(list.IsProtected("Visited:user@http://a.com/"));
    EXPECT_TRUE(list.IsProtected("Visited:user@http://a.com/ "));
}

TEST_F(ProtectFixture, AnEmptyFileAndAHeaderLineProtectNothing)
{
    EXPECT_EQ(loaded("").ProtectedCount(), 0);
    ProtectList header = loaded("Protect File\r\n");
    EXPECT_EQ(header.count(), 1);
    EXPECT_EQ(header.ProtectedCount(), 0);
    EXPECT_EQ(loaded("PROTECT FILE\r\n").ProtectedCount(), 1);
    EXPECT_EQ(loaded("Protect File\r\nCookie:a@b/\r\n").ProtectedCount(), 1);
}

TEST_F(ProtectFixture, AddIgnoresANameEqualIgnoringCaseAndRemoveTakesOneExactLine)
{
    ProtectList list = loaded("b\r\nB2\r\nd\r\nd\r\n");
    list.Add("B");
    EXPECT_TRUE(list.modified());
    EXPECT_EQ(list.lines(), (Lines{"b", "B2", "d", "d"}));
    EXPECT_FALSE(list.IsProtected("B"));
    list.Add("C");
    list.Add("a");
    EXPECT_EQ(list.lines(), (Lines{"a", "b", "B2", "C", "d", "d"}));
    EXPECT_TRUE(list.IsProtected("C"));

    list.Remove("D");
    EXPECT_EQ(list.count(), 6);
    list.Remove("d");
    EXPECT_EQ(list.lines(), (Lines{"a", "b", "B2", "C", "d"}));
    EXPECT_TRUE(list.IsProtected("d"));
    list.Remove("d");
    EXPECT_FALSE(list.IsProtected("d"));
}

TEST_F(ProtectFixture, SaveWritesSortedCrLfLinesAndAnEmptyListAsAnEmptyFile)
{
    ProtectList list = loaded("");
    list.Save();
    EXPECT_EQ(temp.readFile("data/KlenPro.Dat"), "") << "nothing changed";

    list.LoadProtectList(path);
    list.Add("Visited:u@http://b/");
    list.Add("Cookie:u@a/");
    list.Save();
    EXPECT_EQ(temp.readFile("data/KlenPro.Dat"), "Cookie:u@a/\r\nVisited:u@http://b/\r\n");
    EXPECT_TRUE(list.lines().empty());

    list.LoadProtectList(path);
    list.Remove("Cookie:u@a/");
    list.Remove("Visited:u@http://b/");
    list.setModified(true);
    list.Save();
    EXPECT_TRUE(temp.exists("data/KlenPro.Dat"));
    EXPECT_EQ(temp.readFile("data/KlenPro.Dat"), "");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ProtectFixture, SaveKeepsTheFilesAttributesAndRetriesAReadOnlyFileOnce)
{
    win::FileSystem files(temp.machine());
    ProtectList list = loaded("old\r\n");
    ASSERT_EQ(files.setAttributes(path, win::attr::HIDDEN | win::attr::READONLY), err::SUCCESS);
    list.Add("new");
    list.Save();
    EXPECT_EQ(temp.readFile("data/KlenPro.Dat"), "new\r\nold\r\n");
    win::DWORD attributes = 0;
    ASSERT_EQ(files.getAttributes(path, attributes), err::SUCCESS);
    EXPECT_EQ(attributes & (win::attr::HIDDEN | win::attr::READONLY), win::attr::HIDDEN);
    EXPECT_TRUE(messages.shown.empty());
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(temp.hostPath("data")))
        ++entries;
    EXPECT_EQ(entries, 1) << "no temporary file is left beside it";
}

TEST_F(ProtectFixture, ASaveThatCannotWriteWarnsAndLosesTheChanges)
{
    temp.makeDir("data/KlenPro.Dat");
    ProtectList list(temp.machine(), messages, folders);
    list.LoadProtectList(path);
    list.Add("x");
    list.Save();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Klenzor  -  Message");
    EXPECT_EQ(messages.shown[0].text,
              "Unable to save the protect file - KlenPro.Dat\r\nExecution will continue without saving the changes.");
    EXPECT_EQ(messages.shown[0].buttons, unsigned(OK));
}

TEST_F(ProtectFixture, AMissingFileAsksAbortOrIgnoreUnlessTheDataFolderCameFromTheEnvironment)
{
    ProtectList list(temp.machine(), messages, folders);
    list.LoadProtectList(path);
    EXPECT_FALSE(list.loaded());

    messages.answer = Abort;
    EXPECT_FALSE(list.EnsureLoaded());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Klenzor  -  Message");
    EXPECT_EQ(messages.shown[0].kind, MsgKind::Warning);
    EXPECT_EQ(messages.shown[0].buttons, unsigned(Abort | Ignore));
    EXPECT_EQ(messages.shown[0].text,
              "Unable to open the Protect file - KlenPro.Dat\r\n\r\nSelect \"Abort\" to terminate this function.\r\n\r\n"
              "Select \"Ignore\" to attempt to create an empty \r\nKlenPro.Dat file and continue this function.");
    EXPECT_FALSE(temp.exists("data/KlenPro.Dat"));

    messages.answer = Ignore;
    EXPECT_TRUE(list.EnsureLoaded());
    EXPECT_TRUE(list.loaded());
    EXPECT_TRUE(temp.exists("data/KlenPro.Dat"));
    EXPECT_EQ(temp.readFile("data/KlenPro.Dat"), "");

    folders.dataFolderFromEnv = true;
    messages.shown.clear();
    ProtectList fromEnv(temp.machine(), messages, folders);
    fromEnv.LoadProtectList("C:\\data\\Other.Dat");
    EXPECT_TRUE(fromEnv.EnsureLoaded());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(temp.exists("data/Other.Dat"));
}

TEST_F(ProtectFixture, WithoutAWritableDataFolderTheListCountsAsLoadedAndIsNeverWritten)
{
    folders.dataFolderReadOnly = true;
    ProtectList list(temp.machine(), messages, folders);
    list.LoadProtectList(path);
    EXPECT_TRUE(list.loaded());
    EXPECT_TRUE(list.EnsureLoaded());
    list.Add("Cookie:a@b/");
    EXPECT_TRUE(list.IsProtected("Cookie:a@b/"));
    list.Save();
    EXPECT_FALSE(temp.exists("data/KlenPro.Dat"));
    EXPECT_TRUE(messages.shown.empty());

    FolderSet none;
    ProtectList noFolder(temp.machine(), messages, none);
    noFolder.LoadProtectList(ProtectFilePath(none));
    EXPECT_TRUE(noFolder.EnsureLoaded());
    EXPECT_TRUE(messages.shown.empty());
}

TEST(EntryKind, ByTheUpperCasedBeginning)
{
    EXPECT_EQ(EntryKindOf("cookie:u@a/"), EntryKind::Cookie);
    EXPECT_EQ(EntryKindOf("Visited:u@http://a/"), EntryKind::Visited);
    EXPECT_EQ(EntryKindOf("Visited"), EntryKind::Cache);
    EXPECT_EQ(EntryKindOf("http://cookie:/"), EntryKind::Cache);
}
