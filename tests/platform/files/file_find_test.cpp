#include "platform/files/file_system.h"

#include "platform/files/folder_search.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sys/xattr.h>

using namespace kp::win;
using kp::test::TempMachine;

namespace {

std::map<std::string, FindData> findAll(FileSystem& fs, const std::string& pattern, DWORD* error = nullptr)
{
    std::map<std::string, FindData> found;
    FindData data;
    FindHandle handle;
    DWORD e = fs.findFirst(pattern, data, handle);
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

std::vector<std::string> names(const std::map<std::string, FindData>& found)
{
    std::vector<std::string> out;
    for (const auto& [name, data] : found)
        out.push_back(name);
    return out;
}

} // namespace

TEST(FindFiles, MasksMatchLongAndShortNames)
{
    TempMachine tm;
    tm.writeFile("Links/Internet Explorer.lnk", "L");
    tm.writeFile("Links/readme");
    tm.writeFile("Links/page.html", "<html>");
    tm.writeFile("Links/a");
    tm.makeDir("Links/Sub Folder");
    FileSystem fs(tm.machine());

    EXPECT_EQ(names(findAll(fs, "C:\\links\\*.*")),
        (std::vector<std::string> {".", "..", "Internet Explorer.lnk", "Sub Folder", "a", "page.html", "readme"}));
    EXPECT_EQ(names(findAll(fs, "C:\\LINKS\\*.LNK")), std::vector<std::string> {"Internet Explorer.lnk"});
    auto single = findAll(fs, "c:/links/?");
    EXPECT_EQ(single.count("a"), 1u);
    EXPECT_EQ(single.count("readme"), 0u);
    // "*.htm" also finds "page.html" through its short name PAGE~1.HTM, as on Windows.
    auto html = findAll(fs, "C:\\Links\\*.htm");
    ASSERT_EQ(names(html), std::vector<std::string> {"page.html"});
    EXPECT_EQ(html["page.html"].alternateFileName, "PAGE~1.HTM");
    EXPECT_EQ(html["page.html"].size, 6u);
    EXPECT_EQ(names(findAll(fs, "C:\\Links\\INTERN~1.LNK")), std::vector<std::string> {"Internet Explorer.lnk"});

    auto all = findAll(fs, "C:\\Links\\*");
    EXPECT_EQ(all["Sub Folder"].attributes & attr::DIRECTORY, attr::DIRECTORY);
    EXPECT_EQ(all["Sub Folder"].alternateFileName, "SUBFOL~1");
    EXPECT_EQ(all["readme"].attributes, attr::ARCHIVE);
    EXPECT_EQ(all["readme"].alternateFileName, "");
    EXPECT_EQ(all["."].attributes & attr::DIRECTORY, attr::DIRECTORY);
    EXPECT_NE(all["page.html"].lastWriteTime.value(), 0u);

    // A drive's root has no "." and "..".
    auto root = findAll(fs, "C:\\*");
    EXPECT_EQ(root.count("."), 0u);
    EXPECT_EQ(root.count("Links"), 1u);
}

TEST(FindFiles, ReportsMissingFoldersAndEmptyResults)
{
    TempMachine tm;
    tm.writeFile("Dir/file.txt");
    FileSystem fs(tm.machine());
    DWORD e = 0;
    findAll(fs, "C:\\Dir\\*.lnk", &e);
    EXPECT_EQ(e, err::FILE_NOT_FOUND);
    findAll(fs, "C:\\Missing\\*.*", &e);
    EXPECT_EQ(e, err::PATH_NOT_FOUND);
    findAll(fs, "C:\\Dir\\file.txt\\*", &e);
    EXPECT_EQ(e, err::PATH_NOT_FOUND);
    findAll(fs, "C:\\Dir\\", &e);
    EXPECT_EQ(e, err::FILE_NOT_FOUND);
    // Without a wildcard the name itself is found.
    auto one = findAll(fs, "c:\\dir\\FILE.TXT", &e);
    EXPECT_EQ(e, err::SUCCESS);
    EXPECT_EQ(names(one), std::vector<std::string> {"file.txt"});

    FindHandle closed;
    FindData data;
    EXPECT_EQ(fs.findNext(closed, data), err::INVALID_HANDLE);
}

TEST(FindFiles, RelativePatternsUseTheCurrentDirectory)
{
    TempMachine tm;
    tm.writeFile("Work/one.txt");
    FileSystem fs(tm.machine());
    ASSERT_EQ(fs.setCurrentDirectory("C:\\work"), err::SUCCESS);
    EXPECT_EQ(names(findAll(fs, "*.txt")), std::vector<std::string> {"one.txt"});
    EXPECT_EQ(names(findAll(fs, "..\\work\\o*")), std::vector<std::string> {"one.txt"});
}

TEST(FindFiles, NamesDeletedDuringTheSearchAreSkipped)
{
    TempMachine tm;
    for (int i = 0; i < 5; ++i)
        tm.writeFile("Temp/f" + std::to_string(i) + ".tmp");
    FileSystem fs(tm.machine());
    FindData data;
    FindHandle handle;
    ASSERT_EQ(fs.findFirst("C:\\Temp\\*.tmp", data, handle), err::SUCCESS);
    int seen = 1;
    EXPECT_EQ(fs.deleteFile("C:\\Temp\\" + data.fileName), err::SUCCESS);
    for (int i = 0; i < 5; ++i)
        static_cast<void>(fs.deleteFile("C:\\Temp\\f" + std::to_string(i) + ".tmp")); // the first one is gone already
    while (fs.findNext(handle, data) == err::SUCCESS)
        ++seen;
    EXPECT_EQ(seen, 1);
}

TEST(FindFiles, ASearchRangeListsEachMatchOnceAndTellsAFailedWalkFromAnEmptyOne)
{
    TempMachine tm;
    tm.writeFile("Temp/a.tmp");
    tm.writeFile("Temp/b.tmp");
    tm.writeFile("Temp/keep.txt");
    tm.makeDir("Empty");
    FileSystem fs(tm.machine());

    // Deleting each entry as it comes, as a purge does.
    std::set<std::string> listed;
    FolderSearch search(fs, "C:\\Temp\\*.tmp");
    for (const FindData& found : search) {
        EXPECT_TRUE(listed.insert(found.fileName).second) << found.fileName;
        EXPECT_EQ(fs.deleteFile("C:\\Temp\\" + found.fileName), err::SUCCESS);
    }
    EXPECT_EQ(listed, (std::set<std::string> {"a.tmp", "b.tmp"}));
    EXPECT_EQ(search.error(), err::SUCCESS);
    EXPECT_EQ(names(findAll(fs, "C:\\Temp\\*")), (std::vector<std::string> {".", "..", "keep.txt"}));

    FolderSearch none(fs, "C:\\Empty\\*.tmp");
    EXPECT_TRUE(none.begin() == none.end());
    EXPECT_EQ(none.error(), err::SUCCESS);
    FolderSearch missing(fs, "C:\\Missing\\*.*");
    EXPECT_TRUE(missing.begin() == missing.end());
    EXPECT_EQ(missing.error(), err::PATH_NOT_FOUND);
}

TEST(FindFiles, LinksAreReparsePointsAndNotEntered)
{
    TempMachine tm;
    tm.writeFile("Outside/keep.txt", "keep");
    tm.makeDir("Profile");
    std::filesystem::create_symlink(tm.hostPath("Outside"), tm.hostPath("Profile/My Documents"));
    std::filesystem::create_symlink(tm.hostPath("Outside/keep.txt"), tm.hostPath("Profile/note.txt"));
    std::filesystem::create_symlink("/nonexistent/target", tm.hostPath("Profile/dangling"));
    FileSystem fs(tm.machine());

    auto found = findAll(fs, "C:\\Profile\\*");
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
    EXPECT_EQ(names(findAll(fs, "C:\\Profile\\*")), (std::vector<std::string> {".", ".."}));
}

TEST(FileAttributes, ReadOnlyIsTheOwnerWriteBitAndHiddenSystemLiveInDosAttrib)
{
    TempMachine tm;
    tm.writeFile("f.txt", "x");
    tm.makeDir("dir");
    FileSystem fs(tm.machine());
    std::string host = tm.hostPath("f.txt");

    DWORD a = 0;
    ASSERT_EQ(fs.getAttributes("C:\\F.TXT", a), err::SUCCESS);
    EXPECT_EQ(a, attr::ARCHIVE);

    ASSERT_EQ(fs.setAttributes("C:\\f.txt", attr::READONLY | attr::HIDDEN | attr::SYSTEM), err::SUCCESS);
    ASSERT_EQ(fs.getAttributes("C:\\f.txt", a), err::SUCCESS);
    EXPECT_EQ(a, attr::READONLY | attr::HIDDEN | attr::SYSTEM | attr::ARCHIVE);
    EXPECT_EQ(std::filesystem::status(host).permissions() & std::filesystem::perms::owner_write,
        std::filesystem::perms::none);
    char value[32] = {};
    ssize_t n = ::getxattr(host.c_str(), "user.DOSATTRIB", value, sizeof value);
    EXPECT_EQ(std::string(value, n > 0 ? std::size_t(n) : 0), "0x6"); // as Wine writes it, no NUL

    ASSERT_EQ(fs.setAttributes("C:\\f.txt", attr::NORMAL), err::SUCCESS);
    ASSERT_EQ(fs.getAttributes("C:\\f.txt", a), err::SUCCESS);
    EXPECT_EQ(a, attr::ARCHIVE);
    EXPECT_LT(::getxattr(host.c_str(), "user.DOSATTRIB", value, sizeof value), 0);
    EXPECT_NE(std::filesystem::status(host).permissions() & std::filesystem::perms::owner_write,
        std::filesystem::perms::none);

    // Folders keep their write bit, as in Wine.
    ASSERT_EQ(fs.setAttributes("C:\\dir", attr::READONLY | attr::HIDDEN), err::SUCCESS);
    ASSERT_EQ(fs.getAttributes("C:\\dir", a), err::SUCCESS);
    EXPECT_EQ(a, attr::DIRECTORY | attr::HIDDEN);

    EXPECT_EQ(fs.getAttributes("C:\\nothing", a), err::FILE_NOT_FOUND);
    EXPECT_EQ(a, attr::INVALID);
    EXPECT_EQ(fs.getAttributes("C:\\no\\nothing", a), err::PATH_NOT_FOUND);
    EXPECT_EQ(fs.setAttributes("C:\\nothing", 0), err::FILE_NOT_FOUND);
    EXPECT_TRUE(fs.exists("c:\\DIR"));
    EXPECT_FALSE(fs.exists("c:\\nothing"));
}

TEST(FileAttributes, ReadsWhatWineWrote)
{
    TempMachine tm;
    tm.writeFile("wine.dat");
    tm.writeFile(".dotfile");
    tm.writeFile(".shown");
    tm.writeFile("odd.dat");
    FileSystem fs(tm.machine());
    ::setxattr(tm.hostPath("wine.dat").c_str(), "user.DOSATTRIB", "0x2", 3, 0);
    ::setxattr(tm.hostPath(".shown").c_str(), "user.DOSATTRIB", "0x0", 3, 0);
    ::setxattr(tm.hostPath("odd.dat").c_str(), "user.DOSATTRIB", "junk", 4, 0);
    DWORD a = 0;
    ASSERT_EQ(fs.getAttributes("C:\\wine.dat", a), err::SUCCESS);
    EXPECT_EQ(a, attr::ARCHIVE | attr::HIDDEN);
    ASSERT_EQ(fs.getAttributes("C:\\.dotfile", a), err::SUCCESS);
    EXPECT_EQ(a, attr::ARCHIVE | attr::HIDDEN);
    ASSERT_EQ(fs.getAttributes("C:\\.shown", a), err::SUCCESS);
    EXPECT_EQ(a, attr::ARCHIVE);
    ASSERT_EQ(fs.getAttributes("C:\\odd.dat", a), err::SUCCESS);
    EXPECT_EQ(a, attr::ARCHIVE);

    // Un-hiding a dot file keeps an explicit "0x0".
    ASSERT_EQ(fs.setAttributes("C:\\.dotfile", attr::NORMAL), err::SUCCESS);
    ASSERT_EQ(fs.getAttributes("C:\\.dotfile", a), err::SUCCESS);
    EXPECT_EQ(a, attr::ARCHIVE);
}
