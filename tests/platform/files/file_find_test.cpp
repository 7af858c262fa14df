#include "platform/files/file_system.h"

#include "platform/files/folder_search.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <sys/xattr.h>

using namespace kp::win;
using kp::test::TempMachine;

namespace {

class FindFiles : public ::testing::Test {
protected:
    // Everything findFirst and findNext list for `pattern`, by name.
    std::map<std::string, FindData> findAll(const std::string& pattern, DWORD* error = nullptr)
    {
        std::map<std::string, FindData> found;
        FindData data;
        FindHandle handle;
        const DWORD e = fs.findFirst(pattern, data, handle);
        if (error)
            *error = e;
        if (e)
            return found;
        do
            found[data.fileName] = data;
        while (fs.findNext(handle, data) == err::SUCCESS);
        EXPECT_EQ(fs.findNext(handle, data), err::NO_MORE_FILES);
        fs.findClose(handle);
        return found;
    }

    std::vector<std::string> names(const std::string& pattern)
    {
        std::vector<std::string> out;
        for (const auto& [name, data] : findAll(pattern))
            out.push_back(name);
        return out;
    }

    TempMachine tm;
    FileSystem fs {tm.machine()};
};

using FileAttributes = FindFiles;

} // namespace

TEST_F(FindFiles, MasksMatchLongAndShortNames)
{
    tm.writeFile("Links/Internet Explorer.lnk", "L");
    tm.writeFile("Links/readme");
    tm.writeFile("Links/page.html", "<html>");
    tm.writeFile("Links/a");
    tm.makeDir("Links/Sub Folder");
    EXPECT_EQ(names("C:\\links\\*.*"),
        (std::vector<std::string> {".", "..", "Internet Explorer.lnk", "Sub Folder", "a", "page.html", "readme"}));
    EXPECT_EQ(names("C:\\LINKS\\*.LNK"), std::vector<std::string> {"Internet Explorer.lnk"});
    EXPECT_EQ(names("c:/links/?"), std::vector<std::string> {"a"});
    EXPECT_EQ(names("C:\\Links\\INTE~VAT.LNK"), std::vector<std::string> {"Internet Explorer.lnk"});
    // "*.htm" also finds "page.html" through its short name PAGE~DPA.HTM, as on Windows.
    EXPECT_EQ(names("C:\\Links\\*.htm"), std::vector<std::string> {"page.html"});

    auto all = findAll("C:\\Links\\*");
    EXPECT_EQ(all["page.html"].alternateFileName, "PAGE~DPA.HTM");
    EXPECT_EQ(all["page.html"].size, 6u);
    EXPECT_NE(all["page.html"].lastWriteTime.value(), 0u);
    EXPECT_EQ(all["Sub Folder"].attributes & attr::DIRECTORY, attr::DIRECTORY);
    EXPECT_EQ(all["Sub Folder"].alternateFileName, "SUB_~2WO");
    EXPECT_EQ(all["readme"].attributes, attr::ARCHIVE);
    EXPECT_EQ(all["readme"].alternateFileName, "");
    EXPECT_EQ(all["."].attributes & attr::DIRECTORY, attr::DIRECTORY);
    // A drive's root has no "." and "..".
    auto root = findAll("C:\\*");
    EXPECT_EQ(root.count("."), 0u);
    EXPECT_EQ(root.count("Links"), 1u);
}

TEST_F(FindFiles, ReportsMissingFoldersAndEmptyResultsAndUsesTheCurrentDirectory)
{
    tm.writeFile("Dir/file.txt");
    const std::pair<const char*, DWORD> cases[] = {
        {"C:\\Dir\\*.lnk", err::FILE_NOT_FOUND},
        {"C:\\Missing\\*.*", err::PATH_NOT_FOUND},
        {"C:\\Dir\\file.txt\\*", err::PATH_NOT_FOUND},
        {"C:\\Dir\\", err::FILE_NOT_FOUND},
    };
    for (const auto& [pattern, error] : cases) {
        DWORD e = 0;
        findAll(pattern, &e);
        EXPECT_EQ(e, error) << pattern;
    }
    // Without a wildcard the name itself is found.
    EXPECT_EQ(names("c:\\dir\\FILE.TXT"), std::vector<std::string> {"file.txt"});
    ASSERT_EQ(fs.setCurrentDirectory("C:\\dir"), err::SUCCESS);
    EXPECT_EQ(names("*.txt"), std::vector<std::string> {"file.txt"});
    EXPECT_EQ(names("..\\dir\\f*"), std::vector<std::string> {"file.txt"});

    FindHandle closed;
    FindData data;
    EXPECT_EQ(fs.findNext(closed, data), err::INVALID_HANDLE);
}

TEST_F(FindFiles, NamesDeletedDuringTheSearchAreSkipped)
{
    for (int i = 0; i < 5; ++i)
        tm.writeFile("Temp/f" + std::to_string(i) + ".tmp");
    FindData data;
    FindHandle handle;
    ASSERT_EQ(fs.findFirst("C:\\Temp\\*.tmp", data, handle), err::SUCCESS);
    EXPECT_EQ(fs.deleteFile("C:\\Temp\\" + data.fileName), err::SUCCESS);
    for (int i = 0; i < 5; ++i)
        static_cast<void>(fs.deleteFile("C:\\Temp\\f" + std::to_string(i) + ".tmp")); // the first one is gone already
    EXPECT_EQ(fs.findNext(handle, data), err::NO_MORE_FILES);
}

TEST_F(FindFiles, ASearchRangeListsEachMatchOnceAndTellsAFailedWalkFromAnEmptyOne)
{
    tm.writeFile("Temp/a.tmp");
    tm.writeFile("Temp/b.tmp");
    tm.writeFile("Temp/keep.txt");
    tm.makeDir("Empty");

    // Deleting each entry as it comes, as a purge does.
    std::set<std::string> listed;
    FolderSearch search(fs, "C:\\Temp\\*.tmp");
    for (const FindData& found : search) {
        EXPECT_TRUE(listed.insert(found.fileName).second) << found.fileName;
        EXPECT_EQ(fs.deleteFile("C:\\Temp\\" + found.fileName), err::SUCCESS);
    }
    EXPECT_EQ(listed, (std::set<std::string> {"a.tmp", "b.tmp"}));
    EXPECT_EQ(search.error(), err::SUCCESS);
    EXPECT_EQ(names("C:\\Temp\\*"), (std::vector<std::string> {".", "..", "keep.txt"}));

    FolderSearch none(fs, "C:\\Empty\\*.tmp");
    EXPECT_TRUE(none.begin() == none.end());
    EXPECT_EQ(none.error(), err::SUCCESS);
    FolderSearch missing(fs, "C:\\Missing\\*.*");
    EXPECT_TRUE(missing.begin() == missing.end());
    EXPECT_EQ(missing.error(), err::PATH_NOT_FOUND);
}

TEST_F(FindFiles, LinksAreReparsePointsAndNotEntered)
{
    tm.writeFile("Outside/keep.txt", "keep");
    tm.makeDir("Profile");
    std::filesystem::create_symlink(tm.hostPath("Outside"), tm.hostPath("Profile/My Documents"));
    std::filesystem::create_symlink(tm.hostPath("Outside/keep.txt"), tm.hostPath("Profile/note.txt"));
    std::filesystem::create_symlink("/nonexistent/target", tm.hostPath("Profile/dangling"));
    auto found = findAll("C:\\Profile\\*");
    ASSERT_EQ(found.size(), 5u);
    EXPECT_EQ(found["My Documents"].attributes, attr::REPARSE_POINT | attr::DIRECTORY);
    EXPECT_EQ(found["note.txt"].attributes, attr::REPARSE_POINT | attr::ARCHIVE);
    EXPECT_EQ(found["note.txt"].size, 0u);
    EXPECT_EQ(found["dangling"].attributes & attr::REPARSE_POINT, attr::REPARSE_POINT);

    // Deleting or removing the links leaves what they lead to.
    EXPECT_EQ(fs.deleteFile("C:\\Profile\\note.txt"), err::SUCCESS);
    EXPECT_EQ(fs.removeDirectory("C:\\Profile\\My Documents"), err::SUCCESS);
    EXPECT_EQ(fs.deleteFile("C:\\Profile\\dangling"), err::SUCCESS);
    EXPECT_EQ(tm.readFile("Outside/keep.txt"), "keep");
    EXPECT_EQ(names("C:\\Profile\\*"), (std::vector<std::string> {".", ".."}));
}

TEST_F(FileAttributes, ReadOnlyIsTheOwnerWriteBitAndHiddenSystemLiveInDosAttrib)
{
    tm.writeFile("f.txt", "x");
    tm.makeDir("dir");
    const std::string host = tm.hostPath("f.txt");
    const auto attributes = [&](const char* path) {
        DWORD a = 0;
        EXPECT_EQ(fs.getAttributes(path, a), err::SUCCESS) << path;
        return a;
    };
    const auto writable = [&] {
        return (std::filesystem::status(host).permissions() & std::filesystem::perms::owner_write)
            != std::filesystem::perms::none;
    };
    EXPECT_EQ(attributes("C:\\F.TXT"), attr::ARCHIVE);
    ASSERT_EQ(fs.setAttributes("C:\\f.txt", attr::READONLY | attr::HIDDEN | attr::SYSTEM), err::SUCCESS);
    EXPECT_EQ(attributes("C:\\f.txt"), attr::READONLY | attr::HIDDEN | attr::SYSTEM | attr::ARCHIVE);
    EXPECT_FALSE(writable());
    char value[32] = {};
    const ssize_t n = ::getxattr(host.c_str(), "user.DOSATTRIB", value, sizeof value);
    EXPECT_EQ(std::string(value, n > 0 ? std::size_t(n) : 0), "0x6"); // as Wine writes it, no NUL
    ASSERT_EQ(fs.setAttributes("C:\\f.txt", attr::NORMAL), err::SUCCESS);
    EXPECT_EQ(attributes("C:\\f.txt"), attr::ARCHIVE);
    EXPECT_LT(::getxattr(host.c_str(), "user.DOSATTRIB", value, sizeof value), 0);
    EXPECT_TRUE(writable());

    // Folders keep their write bit, as in Wine.
    ASSERT_EQ(fs.setAttributes("C:\\dir", attr::READONLY | attr::HIDDEN), err::SUCCESS);
    EXPECT_EQ(attributes("C:\\dir"), attr::DIRECTORY | attr::HIDDEN);

    DWORD a = 0;
    EXPECT_EQ(fs.getAttributes("C:\\nothing", a), err::FILE_NOT_FOUND);
    EXPECT_EQ(a, attr::INVALID);
    EXPECT_EQ(fs.getAttributes("C:\\no\\nothing", a), err::PATH_NOT_FOUND);
    EXPECT_EQ(fs.setAttributes("C:\\nothing", 0), err::FILE_NOT_FOUND);
    EXPECT_TRUE(fs.exists("c:\\DIR"));
    EXPECT_FALSE(fs.exists("c:\\nothing"));
}

TEST_F(FileAttributes, ReadsWhatWineWrote)
{
    const struct {
        const char* name;
        const char* dosAttrib; // nullptr: none
        DWORD expected;
    } cases[] = {
        {"wine.dat", "0x2", attr::ARCHIVE | attr::HIDDEN},
        {".dotfile", nullptr, attr::ARCHIVE | attr::HIDDEN},
        {".shown", "0x0", attr::ARCHIVE},
        {"odd.dat", "junk", attr::ARCHIVE},
    };
    for (const auto& c : cases) {
        tm.writeFile(c.name);
        if (c.dosAttrib)
            ::setxattr(tm.hostPath(c.name).c_str(), "user.DOSATTRIB", c.dosAttrib, std::strlen(c.dosAttrib), 0);
        DWORD a = 0;
        EXPECT_EQ(fs.getAttributes(std::string("C:\\") + c.name, a), err::SUCCESS) << c.name;
        EXPECT_EQ(a, c.expected) << c.name;
    }
    // Un-hiding a dot file keeps an explicit "0x0".
    ASSERT_EQ(fs.setAttributes("C:\\.dotfile", attr::NORMAL), err::SUCCESS);
    DWORD a = 0;
    ASSERT_EQ(fs.getAttributes("C:\\.dotfile", a), err::SUCCESS);
    EXPECT_EQ(a, attr::ARCHIVE);
}
