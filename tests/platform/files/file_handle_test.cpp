#include "platform/files/file_system.h"

#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace kp::win;
using kp::test::TempMachine;

namespace {

constexpr DWORD kRead = access::GENERIC_READ;
constexpr DWORD kWrite = access::GENERIC_WRITE;
constexpr DWORD kShareAll = share::READ | share::WRITE | share::DELETE;

std::string readAll(File& file)
{
    std::string out;
    char buffer[7];
    DWORD done = 0;
    while (file.read(buffer, sizeof buffer, done) == err::SUCCESS && done > 0)
        out.append(buffer, done);
    return out;
}

void writeText(File& file, std::string_view text)
{
    DWORD done = 0;
    ASSERT_EQ(file.write(text.data(), DWORD(text.size()), done), err::SUCCESS);
    ASSERT_EQ(done, text.size());
}

class CreateFile : public ::testing::Test {
protected:
    DWORD open(const char* path, DWORD access, DWORD share, Disposition disposition, DWORD attributes = 0,
        bool* existed = nullptr)
    {
        return fs.createFile(path, access, share, disposition, attributes, f, existed);
    }

    TempMachine tm;
    FileSystem fs {tm.machine()};
    File f;
};

using FileHandle = CreateFile;

} // namespace

TEST_F(CreateFile, DispositionsCreateOpenAndTruncateAsWindowsDoes)
{
    tm.makeDir("Dir");
    bool existed = true;
    ASSERT_EQ(open("C:\\dir\\New File.txt", kWrite, 0, Disposition::CreateNew, attr::NORMAL, &existed), err::SUCCESS);
    EXPECT_FALSE(existed);
    writeText(f, "hello world");
    f.close();
    EXPECT_EQ(tm.readFile("Dir/New File.txt"), "hello world");
    EXPECT_EQ(open("C:\\DIR\\NEW FILE.TXT", kWrite, 0, Disposition::CreateNew), err::FILE_EXISTS);
    ASSERT_EQ(open("C:\\Dir\\new file.txt", kRead, kShareAll, Disposition::OpenAlways, 0, &existed), err::SUCCESS);
    EXPECT_TRUE(existed);
    EXPECT_EQ(readAll(f), "hello world");
    f.close();
    ASSERT_EQ(open("C:\\Dir\\new file.txt", kWrite, 0, Disposition::CreateAlways, 0, &existed), err::SUCCESS);
    EXPECT_TRUE(existed);
    QWORD size = 99;
    ASSERT_EQ(f.size(size), err::SUCCESS);
    EXPECT_EQ(size, 0u);
    writeText(f, "abc");
    f.close();
    ASSERT_EQ(open("C:\\Dir\\new file.txt", kWrite, 0, Disposition::TruncateExisting), err::SUCCESS);
    f.close();
    EXPECT_EQ(tm.readFile("Dir/New File.txt"), "");

    const struct {
        const char* path;
        DWORD access;
        Disposition disposition;
        DWORD error;
    } refused[] = {
        {"C:\\Dir\\absent.txt", kRead, Disposition::OpenExisting, err::FILE_NOT_FOUND},
        {"C:\\Dir\\absent.txt", kWrite, Disposition::TruncateExisting, err::FILE_NOT_FOUND},
        {"C:\\Nowhere\\x.txt", kWrite, Disposition::CreateAlways, err::PATH_NOT_FOUND},
        {"C:\\Dir", kRead, Disposition::OpenExisting, err::ACCESS_DENIED},
        {"C:\\Dir\\bad*name.txt", kWrite, Disposition::CreateAlways, err::INVALID_NAME},
        {"C:\\Dir\\x.txt", kWrite, Disposition(9), err::INVALID_PARAMETER},
        {"Q:\\x.txt", kWrite, Disposition::CreateAlways, err::PATH_NOT_FOUND},
    };
    for (const auto& c : refused)
        EXPECT_EQ(open(c.path, c.access, kShareAll, c.disposition), c.error) << c.path;
    EXPECT_FALSE(f.isOpen());

    // A name created through the cache is found right away.
    ASSERT_EQ(open("C:\\Dir\\Fresh.dat", kWrite, 0, Disposition::CreateNew, attr::HIDDEN), err::SUCCESS);
    DWORD a = 0;
    ASSERT_EQ(fs.getAttributes("C:\\dir\\FRESH.DAT", a), err::SUCCESS);
    EXPECT_EQ(a, attr::ARCHIVE | attr::HIDDEN);
}

TEST_F(CreateFile, ReadOnlyHiddenSystemFilesAndLinksAreProtected)
{
    tm.writeFile("ro.txt", "keep");
    tm.writeFile("hidden.txt", "secret");
    ASSERT_EQ(fs.setAttributes("C:\\ro.txt", attr::READONLY), err::SUCCESS);
    ASSERT_EQ(fs.setAttributes("C:\\hidden.txt", attr::HIDDEN), err::SUCCESS);
    for (Disposition d : {Disposition::OpenExisting, Disposition::CreateAlways, Disposition::TruncateExisting})
        EXPECT_EQ(open("C:\\ro.txt", kWrite, 0, d), err::ACCESS_DENIED) << int(d);
    ASSERT_EQ(open("C:\\ro.txt", kRead, share::READ, Disposition::OpenExisting), err::SUCCESS);
    EXPECT_EQ(readAll(f), "keep");
    DWORD done = 0;
    EXPECT_EQ(f.write("x", 1, done), err::ACCESS_DENIED);
    EXPECT_EQ(tm.readFile("ro.txt"), "keep");
    EXPECT_EQ(open("C:\\hidden.txt", kWrite, 0, Disposition::CreateAlways, attr::NORMAL), err::ACCESS_DENIED);
    EXPECT_EQ(tm.readFile("hidden.txt"), "secret");
    EXPECT_EQ(open("C:\\hidden.txt", kWrite, 0, Disposition::CreateAlways, attr::HIDDEN), err::SUCCESS);

    // A link is followed unless the caller asks for the link itself.
    tm.writeFile("outside.txt", "target");
    tm.makeDir("Dir");
    ASSERT_EQ(::symlink(tm.hostPath("outside.txt").c_str(), tm.hostPath("Dir/link.txt").c_str()), 0);
    const DWORD linkItself = attr::NORMAL | fileflag::OPEN_REPARSE_POINT;
    EXPECT_EQ(open("C:\\Dir\\link.txt", kRead | kWrite, 0, Disposition::OpenExisting, linkItself), err::CANT_ACCESS_FILE);
    EXPECT_EQ(open("C:\\Dir\\link.txt", kWrite, 0, Disposition::TruncateExisting, linkItself), err::CANT_ACCESS_FILE);
    EXPECT_EQ(tm.readFile("outside.txt"), "target");
    ASSERT_EQ(open("C:\\Dir\\link.txt", kRead, kShareAll, Disposition::OpenExisting, attr::NORMAL), err::SUCCESS);
    EXPECT_EQ(readAll(f), "target");
}

TEST_F(CreateFile, SharingBetweenHandles)
{
    tm.writeFile("index.dat", "0123456789");
    File first;
    ASSERT_EQ(fs.createFile("C:\\index.dat", kRead | kWrite, share::READ, Disposition::OpenExisting, 0, first),
        err::SUCCESS);
    EXPECT_EQ(open("C:\\index.dat", kRead, share::READ, Disposition::OpenExisting), err::SHARING_VIOLATION)
        << "the first writes, and this one does not share writing";
    ASSERT_EQ(open("C:\\index.dat", kRead, share::READ | share::WRITE, Disposition::OpenExisting), err::SUCCESS);
    f.close();
    EXPECT_EQ(open("C:\\index.dat", kWrite, kShareAll, Disposition::OpenExisting), err::SHARING_VIOLATION)
        << "the first does not share writing";
    // Truncation that sharing forbids must not touch the data.
    EXPECT_EQ(open("C:\\index.dat", kWrite, kShareAll, Disposition::CreateAlways), err::SHARING_VIOLATION);
    EXPECT_EQ(tm.readFile("index.dat"), "0123456789");

    // Deleting and renaming need the delete share.
    EXPECT_EQ(fs.deleteFile("C:\\index.dat"), err::SHARING_VIOLATION);
    EXPECT_EQ(fs.moveFile("C:\\index.dat", "C:\\moved.dat"), err::SHARING_VIOLATION);
    first.close();
    ASSERT_EQ(open("C:\\index.dat", kRead, kShareAll, Disposition::OpenExisting), err::SUCCESS);
    EXPECT_EQ(fs.moveFile("C:\\index.dat", "C:\\moved.dat"), err::SUCCESS);
    EXPECT_EQ(fs.deleteFile("C:\\moved.dat"), err::SUCCESS);
    EXPECT_EQ(readAll(f), "0123456789"); // still readable through the open handle
}

TEST_F(FileHandle, SeekSizeEndOfFileTimesAndFlush)
{
    ASSERT_EQ(open("C:\\data.bin", kRead | kWrite, 0, Disposition::CreateAlways), err::SUCCESS);
    writeText(f, "0123456789");
    QWORD position = 0;
    ASSERT_EQ(f.seek(-4, seek::END, &position), err::SUCCESS);
    EXPECT_EQ(position, 6u);
    char buffer[8] = {};
    DWORD done = 0;
    ASSERT_EQ(f.read(buffer, 8, done), err::SUCCESS);
    EXPECT_EQ(std::string(buffer, done), "6789");
    ASSERT_EQ(f.read(buffer, 8, done), err::SUCCESS);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(f.seek(-11, seek::END, &position), err::NEGATIVE_SEEK);
    EXPECT_EQ(f.seek(0, 7), err::INVALID_PARAMETER);
    ASSERT_EQ(f.seek(-6, seek::CURRENT, &position), err::SUCCESS);
    EXPECT_EQ(position, 4u);
    ASSERT_EQ(f.setEndOfFile(), err::SUCCESS);
    QWORD size = 0;
    ASSERT_EQ(f.size(size), err::SUCCESS);
    EXPECT_EQ(size, 4u);
    // Seeking past the end and writing leaves a gap of zeros.
    ASSERT_EQ(f.seek(6, seek::BEGIN), err::SUCCESS);
    writeText(f, "X");
    ASSERT_EQ(f.flush(), err::SUCCESS);
    EXPECT_EQ(tm.readFile("data.bin"), std::string("0123\0\0X", 7));

    const FileTime written = fileTimeFromUnix(1136214245, 500000000); // 2006-01-02 15:04:05.5
    const FileTime accessed = fileTimeFromUnix(1136300000);
    const FileTime later = fileTimeFromUnix(1200000000);
    FileTime a, w;
    ASSERT_EQ(f.setTimes(nullptr, &accessed, &written), err::SUCCESS);
    ASSERT_EQ(f.getTimes(nullptr, &a, &w), err::SUCCESS);
    EXPECT_EQ(w, written);
    EXPECT_EQ(a, accessed);
    ASSERT_EQ(f.setTimes(nullptr, nullptr, &later), err::SUCCESS); // a null time keeps its value
    ASSERT_EQ(f.getTimes(nullptr, &a, &w), err::SUCCESS);
    EXPECT_EQ(a, accessed);
    EXPECT_EQ(w, later);
    f.close();
    FindData info;
    ASSERT_EQ(fs.getFileInfo("C:\\DATA.BIN", info), err::SUCCESS);
    EXPECT_EQ(info.lastWriteTime, later);
    EXPECT_EQ(info.size, 7u);

    EXPECT_EQ(f.read(buffer, 1, done), err::INVALID_HANDLE);
    ASSERT_EQ(open("C:\\data.bin", kRead, kShareAll, Disposition::OpenExisting), err::SUCCESS);
    EXPECT_EQ(f.setTimes(nullptr, nullptr, &later), err::ACCESS_DENIED);
    EXPECT_EQ(f.setEndOfFile(), err::ACCESS_DENIED);
    EXPECT_EQ(f.flush(), err::ACCESS_DENIED);
}
