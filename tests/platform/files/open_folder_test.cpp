#include "platform/files/open_folder.h"

#include "platform/files/file_system.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <sys/stat.h>

using namespace kp::win;
using kp::test::TempMachine;
namespace stdfs = std::filesystem;

namespace {

class OpenFolders : public ::testing::Test {
protected:
    // The entries `mask` lists in `folder`, by name: "file", "folder",
    // "file link" or "folder link".
    std::map<std::string, std::string> listed(OpenFolder& folder, std::string_view mask)
    {
        std::vector<OpenFolder::Entry> entries;
        EXPECT_EQ(folder.list(mask, entries), err::SUCCESS);
        std::map<std::string, std::string> out;
        for (const OpenFolder::Entry& e : entries)
            out[e.name] = std::string(e.folder ? "folder" : "file") + (e.link ? " link" : "");
        return out;
    }

    void lock(const std::string& path, File& held)
    {
        ASSERT_EQ(fs.createFile(path, access::GENERIC_READ, share::READ, Disposition::OpenExisting, 0, held),
                  err::SUCCESS);
    }

    TempMachine tm;
    FileSystem fs {tm.machine()};
};

} // namespace

TEST_F(OpenFolders, ListsByLongAndShortNamesWithWhatEachEntryIs)
{
    tm.writeFile("Temp/a.txt");
    tm.writeFile("Temp/Long File Name.log");
    tm.writeFile("Temp/.hidden");
    tm.makeDir("Temp/Sub");
    tm.writeFile("Outside/keep.txt");
    stdfs::create_directory_symlink(tm.hostPath("Outside"), tm.hostPath("Temp/to folder"));
    stdfs::create_symlink(tm.hostPath("Outside/keep.txt"), tm.hostPath("Temp/to file"));
    stdfs::create_symlink("/nonexistent/target", tm.hostPath("Temp/dangling"));

    OpenFolder temp(tm.machine());
    ASSERT_EQ(temp.open("c:\\TEMP"), err::SUCCESS);
    EXPECT_EQ(listed(temp, "*.*"), (std::map<std::string, std::string> {{"a.txt", "file"},
                                                                         {"Long File Name.log", "file"},
                                                                         {".hidden", "file"},
                                                                         {"Sub", "folder"},
                                                                         {"to folder", "folder link"},
                                                                         {"to file", "file link"},
                                                                         {"dangling", "file link"}}));
    EXPECT_EQ(listed(temp, "*.LOG").size(), 1u);
    EXPECT_EQ(listed(temp, "LONG~*").count("Long File Name.log"), 1u) << "the short name matches";
    EXPECT_TRUE(listed(temp, "*.none").empty());

    OpenFolder missing(tm.machine());
    EXPECT_EQ(missing.open("C:\\Nowhere"), err::PATH_NOT_FOUND);
    EXPECT_EQ(missing.open("C:\\Temp\\a.txt"), err::PATH_NOT_FOUND);
    std::vector<OpenFolder::Entry> entries;
    EXPECT_EQ(missing.list("*.*", entries), err::INVALID_HANDLE);
}

// Each file asked before a listing, and the handles listed once with it:
// the same codes as DeleteFile's either way.
TEST_F(OpenFolders, DeleteGivesDeleteFilesCodesBeforeAndAfterAListing)
{
    for (const bool listedFirst : {false, true}) {
        SCOPED_TRACE(listedFirst ? "after a listing" : "before any listing");
        tm.writeFile("Temp/plain.txt");
        tm.writeFile("Temp/ro.txt");
        tm.writeFile("Temp/held.txt");
        tm.makeDir("Temp/Sub");
        tm.writeFile("Outside/keep.txt");
        ::chmod(tm.hostPath("Temp/ro.txt").c_str(), 0444);
        stdfs::create_symlink(tm.hostPath("Outside/keep.txt"), tm.hostPath("Temp/link"));
        File held;
        lock("C:\\Temp\\held.txt", held);
        ASSERT_TRUE(fs.exists("C:\\Temp\\plain.txt")); // known to the path cache

        OpenFolder temp(tm.machine());
        ASSERT_EQ(temp.open("C:\\Temp"), err::SUCCESS);
        if (listedFirst)
            listed(temp, "*.*");
        EXPECT_EQ(temp.deleteFile("plain.txt"), err::SUCCESS);
        EXPECT_FALSE(fs.exists("C:\\Temp\\plain.txt"));
        EXPECT_EQ(temp.deleteFile("plain.txt"), err::FILE_NOT_FOUND);
        EXPECT_EQ(temp.deleteFile("ro.txt"), err::ACCESS_DENIED);
        EXPECT_EQ(temp.deleteFile("Sub"), err::ACCESS_DENIED);
        EXPECT_EQ(temp.deleteFile("held.txt"), err::SHARING_VIOLATION);
        EXPECT_EQ(temp.deleteFile("link"), err::SUCCESS);
        EXPECT_TRUE(tm.exists("Outside/keep.txt")) << "a link goes, never what it leads to";
        for (const char* bad : {"", ".", "..", "Sub/x", "../Outside/keep.txt"})
            EXPECT_EQ(temp.deleteFile(bad), err::INVALID_NAME) << bad;
        EXPECT_TRUE(tm.exists("Outside/keep.txt"));

        held.close();
        bool cleared = false;
        EXPECT_EQ(temp.clearReadOnly("ro.txt", cleared), err::SUCCESS);
        EXPECT_TRUE(cleared);
        EXPECT_EQ(temp.deleteFile("ro.txt"), err::SUCCESS);
        kp::test::removeTree(tm.hostPath("Temp"));
        kp::test::removeTree(tm.hostPath("Outside"));
    }
}

TEST_F(OpenFolders, ReadOnlyIsClearedOnlyOnAFileThatHasIt)
{
    tm.writeFile("Temp/ro.txt");
    tm.writeFile("Temp/rw.txt");
    tm.writeFile("Outside/target.txt");
    ::chmod(tm.hostPath("Temp/ro.txt").c_str(), 0444);
    ::chmod(tm.hostPath("Outside/target.txt").c_str(), 0444);
    stdfs::create_symlink(tm.hostPath("Outside/target.txt"), tm.hostPath("Temp/link"));
    OpenFolder temp(tm.machine());
    ASSERT_EQ(temp.open("C:\\Temp"), err::SUCCESS);

    bool cleared = true;
    EXPECT_EQ(temp.clearReadOnly("rw.txt", cleared), err::SUCCESS);
    EXPECT_FALSE(cleared);
    EXPECT_EQ(temp.clearReadOnly("link", cleared), err::SUCCESS);
    EXPECT_FALSE(cleared);
    DWORD attributes = 0;
    ASSERT_EQ(fs.getAttributes("C:\\Outside\\target.txt", attributes), err::SUCCESS);
    EXPECT_TRUE(attributes & attr::READONLY) << "a link's target keeps its attribute";
    EXPECT_EQ(temp.clearReadOnly("ro.txt", cleared), err::SUCCESS);
    EXPECT_TRUE(cleared);
    ASSERT_EQ(fs.getAttributes("C:\\Temp\\ro.txt", attributes), err::SUCCESS);
    EXPECT_FALSE(attributes & attr::READONLY);
    EXPECT_EQ(temp.clearReadOnly("none.txt", cleared), err::FILE_NOT_FOUND);
}

// A subfolder is entered only as a folder, never through a link: neither a
// link listed as such nor a folder swapped for one, before or after it was
// opened.
TEST_F(OpenFolders, SubfoldersAreNeverReachedThroughALink)
{
    tm.writeFile("Temp/Sub/inner.txt");
    tm.writeFile("Temp/file.txt");
    tm.writeFile("Outside/keep.txt");
    stdfs::create_directory_symlink(tm.hostPath("Outside"), tm.hostPath("Temp/link"));
    OpenFolder temp(tm.machine());
    ASSERT_EQ(temp.open("C:\\Temp"), err::SUCCESS);
    OpenFolder sub(tm.machine());
    EXPECT_EQ(sub.openSubfolder(temp, "link"), err::PATH_NOT_FOUND);
    EXPECT_EQ(sub.openSubfolder(temp, "file.txt"), err::PATH_NOT_FOUND);
    EXPECT_EQ(sub.openSubfolder(temp, "none"), err::PATH_NOT_FOUND);
    EXPECT_EQ(sub.openSubfolder(temp, ".."), err::INVALID_NAME);

    ASSERT_EQ(sub.openSubfolder(temp, "Sub"), err::SUCCESS);
    ASSERT_EQ(std::rename(tm.hostPath("Temp/Sub").c_str(), tm.hostPath("Moved").c_str()), 0);
    stdfs::create_directory_symlink(tm.hostPath("Outside"), tm.hostPath("Temp/Sub"));
    EXPECT_EQ(listed(sub, "*.*"), (std::map<std::string, std::string> {{"inner.txt", "file"}}));
    EXPECT_EQ(sub.deleteFile("keep.txt"), err::FILE_NOT_FOUND);
    EXPECT_EQ(sub.deleteFile("inner.txt"), err::SUCCESS);
    EXPECT_FALSE(tm.exists("Moved/inner.txt")) << "the folder opened, wherever it went";
    EXPECT_TRUE(tm.exists("Outside/keep.txt"));

    OpenFolder swapped(tm.machine());
    EXPECT_EQ(swapped.openSubfolder(temp, "Sub"), err::PATH_NOT_FOUND);
}

TEST_F(OpenFolders, RemoveDirectoryGivesItsCodesAndRemovesALinkItself)
{
    tm.writeFile("Temp/Full/x.txt");
    tm.makeDir("Temp/Empty");
    tm.makeDir("Temp/Current");
    tm.writeFile("Temp/file.txt");
    tm.writeFile("Outside/keep.txt");
    stdfs::create_directory_symlink(tm.hostPath("Outside"), tm.hostPath("Temp/link"));
    ASSERT_TRUE(fs.exists("C:\\Temp\\Empty")); // known to the path cache
    OpenFolder temp(tm.machine());
    ASSERT_EQ(temp.open("C:\\Temp"), err::SUCCESS);

    EXPECT_EQ(temp.removeDirectory("Full"), err::DIR_NOT_EMPTY);
    EXPECT_EQ(temp.removeDirectory("file.txt"), err::DIRECTORY);
    EXPECT_EQ(temp.removeDirectory("none"), err::FILE_NOT_FOUND);
    ASSERT_EQ(fs.setCurrentDirectory("C:\\Temp\\Current"), err::SUCCESS);
    EXPECT_EQ(temp.removeDirectory("Current"), err::SHARING_VIOLATION);
    EXPECT_EQ(temp.removeDirectory("link"), err::SUCCESS);
    EXPECT_TRUE(tm.exists("Outside/keep.txt"));
    EXPECT_EQ(temp.removeDirectory("Empty"), err::SUCCESS);
    EXPECT_FALSE(fs.exists("C:\\Temp\\Empty"));
}
