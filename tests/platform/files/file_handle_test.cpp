#include "platform/files/file_system.h"

#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <cstring>

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

} // namespace

TEST(CreateFile, DispositionsCreateOpenAndTruncateAsWindowsDoes)
{
    TempMachine tm;
    tm.makeDir("Dir");
    FileSystem fs(tm.machine());
    File f;
    bool existed = true;

    ASSERT_EQ(fs.createFile("C:\\dir\\New File.txt", kWrite, 0, Disposition::CreateNew, attr::NORMAL, f, &existed),
        err::SUCCESS);
    EXPECT_FALSE(existed);
    writeText(f, "hello world");
    f.close();
    EXPECT_EQ(tm.readFile("Dir/New File.txt"), "hello world");

    EXPECT_EQ(fs.createFile("C:\\DIR\\NEW FILE.TXT", kWrite, 0, Disposition::CreateNew, 0, f), err::FILE_EXISTS);

    ASSERT_EQ(fs.createFile("C:\\Dir\\new file.txt", kRead, kShareAll, Disposition::OpenAlways, 0, f, &existed),
        err::SUCCESS);
    EXPECT_TRUE(existed);
    EXPECT_EQ(readAll(f), "hello world");
    f.close();

    ASSERT_EQ(fs.createFile("C:\\Dir\\new file.txt", kWrite, 0, Disposition::CreateAlways, 0, f, &existed),
        err::SUCCESS);
    EXPECT_TRUE(existed);
    QWORD size = 99;
    ASSERT_EQ(f.size(size), err::SUCCESS);
    EXPECT_EQ(size, 0u);
    writeText(f, "abc");
    f.close();

    ASSERT_EQ(fs.createFile("C:\\Dir\\new file.txt", kWrite, 0, Disposition::TruncateExisting, 0, f), err::SUCCESS);
    f.close();
    EXPECT_EQ(tm.readFile("Dir/New File.txt"), "");

    EXPECT_EQ(fs.createFile("C:\\Dir\\absent.txt", kRead, 0, Disposition::OpenExisting, 0, f), err::FILE_NOT_FOUND);
    EXPECT_EQ(fs.createFile("C:\\Dir\\absent.txt", kWrite, 0, Disposition::TruncateExisting, 0, f),
        err::FILE_NOT_FOUND);
    EXPECT_EQ(fs.createFile("C:\\Nowhere\\x.txt", kWrite, 0, Disposition::CreateAlways, 0, f), err::PATH_NOT_FOUND);
    EXPECT_EQ(fs.createFile("C:\\Dir", kRead, kShareAll, Disposition::OpenExisting, 0, f), err::ACCESS_DENIED);
    EXPECT_EQ(fs.createFile("C:\\Dir\\bad*name.txt", kWrite, 0, Disposition::CreateAlways, 0, f), err::INVALID_NAME);
    EXPECT_EQ(fs.createFile("C:\\Dir\\x.txt", kWrite, 0, Disposition(9), 0, f), err::INVALID_PARAMETER);
    EXPECT_EQ(fs.createFile("Q:\\x.txt", kWrite, 0, Disposition::CreateAlways, 0, f), err::PATH_NOT_FOUND);
    EXPECT_FALSE(f.isOpen());

    // A name created through the cache is found right away.
    ASSERT_EQ(fs.createFile("C:\\Dir\\Fresh.dat", kWrite, 0, Disposition::CreateNew, attr::HIDDEN, f), err::SUCCESS);
    f.close();
    DWORD a = 0;
    ASSERT_EQ(fs.getAttributes("C:\\dir\\FRESH.DAT", a), err::SUCCESS);
    EXPECT_EQ(a, attr::ARCHIVE | attr::HIDDEN);
}

TEST(CreateFile, ReadOnlyHiddenAndSystemFilesAreProtected)
{
    TempMachine tm;
    tm.writeFile("ro.txt", "keep");
    tm.writeFile("hidden.txt", "secret");
    FileSystem fs(tm.machine());
    ASSERT_EQ(fs.setAttributes("C:\\ro.txt", attr::READONLY), err::SUCCESS);
    ASSERT_EQ(fs.setAttributes("C:\\hidden.txt", attr::HIDDEN), err::SUCCESS);
    File f;

    EXPECT_EQ(fs.createFile("C:\\ro.txt", kWrite, 0, Disposition::OpenExisting, 0, f), err::ACCESS_DENIED);
    EXPECT_EQ(fs.createFile("C:\\ro.txt", kWrite, 0, Disposition::CreateAlways, 0, f), err::ACCESS_DENIED);
    EXPECT_EQ(fs.createFile("C:\\ro.txt", kWrite, 0, Disposition::TruncateExisting, 0, f), err::ACCESS_DENIED);
    ASSERT_EQ(fs.createFile("C:\\ro.txt", kRead, share::READ, Disposition::OpenExisting, 0, f), err::SUCCESS);
    EXPECT_EQ(readAll(f), "keep");
    DWORD done = 0;
    EXPECT_EQ(f.write("x", 1, done), err::ACCESS_DENIED);
    f.close();
    EXPECT_EQ(tm.readFile("ro.txt"), "keep");

    EXPECT_EQ(fs.createFile("C:\\hidden.txt", kWrite, 0, Disposition::CreateAlways, attr::NORMAL, f),
        err::ACCESS_DENIED);
    EXPECT_EQ(tm.readFile("hidden.txt"), "secret");
    EXPECT_EQ(fs.createFile("C:\\hidden.txt", kWrite, 0, Disposition::CreateAlways, attr::HIDDEN, f), err::SUCCESS);
}

TEST(CreateFile, SharingBetweenHandles)
{
    TempMachine tm;
    tm.writeFile("index.dat", "0123456789");
    FileSystem fs(tm.machine());
    File first;
    ASSERT_EQ(fs.createFile("C:\\index.dat", kRead | kWrite, share::READ, Disposition::OpenExisting, 0, first),
        err::SUCCESS);

    File second;
    EXPECT_EQ(fs.createFile("C:\\index.dat", kRead, share::READ, Disposition::OpenExisting, 0, second),
        err::SHARING_VIOLATION); // the first writes, and this one does not share writing
    ASSERT_EQ(fs.createFile("C:\\index.dat", kRead, share::READ | share::WRITE, Disposition::OpenExisting, 0, second),
        err::SUCCESS);
    second.close();
    EXPECT_EQ(fs.createFile("C:\\index.dat", kWrite, kShareAll, Disposition::OpenExisting, 0, second),
        err::SHARING_VIOLATION); // the first does not share writing

    // Truncation that sharing forbids must not touch the data.
    EXPECT_EQ(fs.createFile("C:\\index.dat", kWrite, kShareAll, Disposition::CreateAlways, 0, second),
        err::SHARING_VIOLATION);
    EXPECT_EQ(tm.readFile("index.dat"), "0123456789");

    // Deleting and renaming need the delete share.
    EXPECT_EQ(fs.deleteFile("C:\\index.dat"), err::SHARING_VIOLATION);
    EXPECT_EQ(fs.moveFile("C:\\index.dat", "C:\\moved.dat"), err::SHARING_VIOLATION);
    first.close();
    ASSERT_EQ(fs.createFile("C:\\index.dat", kRead, kShareAll, Disposition::OpenExisting, 0, first), err::SUCCESS);
    EXPECT_EQ(fs.moveFile("C:\\index.dat", "C:\\moved.dat"), err::SUCCESS);
    EXPECT_EQ(fs.deleteFile("C:\\moved.dat"), err::SUCCESS);
    EXPECT_EQ(readAll(first), "0123456789"); // still readable through the open handle
}

TEST(FileHandle, SeekSizeEndOfFileTimesAndFlush)
{
    TempMachine tm;
    FileSystem fs(tm.machine());
    File f;
    ASSERT_EQ(fs.createFile("C:\\data.bin", kRead | kWrite, 0, Disposition::CreateAlways, 0, f), err::SUCCESS);
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

    FileTime written = fileTimeFromUnix(1136214245, 500000000); // 2006-01-02 15:04:05.5
    FileTime accessed = fileTimeFromUnix(1136300000);
    ASSERT_EQ(f.setTimes(nullptr, &accessed, &written), err::SUCCESS);
    FileTime c, a, w;
    ASSERT_EQ(f.getTimes(&c, &a, &w), err::SUCCESS);
    EXPECT_EQ(w, written);
    EXPECT_EQ(a, accessed);
    // A null time keeps its value.
    FileTime later = fileTimeFromUnix(1200000000);
    ASSERT_EQ(f.setTimes(nullptr, nullptr, &later), err::SUCCESS);
    ASSERT_EQ(f.getTimes(nullptr, &a, &w), err::SUCCESS);
    EXPECT_EQ(a, accessed);
    EXPECT_EQ(w, later);
    f.close();

    FindData info;
    ASSERT_EQ(fs.getFileInfo("C:\\DATA.BIN", info), err::SUCCESS);
    EXPECT_EQ(info.lastWriteTime, later);
    EXPECT_EQ(info.size, 7u);

    File reader;
    ASSERT_EQ(fs.createFile("C:\\data.bin", kRead, kShareAll, Disposition::OpenExisting, 0, reader), err::SUCCESS);
    EXPECT_EQ(reader.setTimes(nullptr, nullptr, &later), err::ACCESS_DENIED);
    EXPECT_EQ(reader.setEndOfFile(), err::ACCESS_DENIED);
    EXPECT_EQ(reader.flush(), err::ACCESS_DENIED);
    File closed;
    EXPECT_EQ(closed.read(buffer, 1, done), err::INVALID_HANDLE);
    EXPECT_EQ(closed.size(size), err::INVALID_HANDLE);

    File moved = std::move(reader);
    EXPECT_FALSE(reader.isOpen());
    EXPECT_EQ(readAll(moved).size(), 7u);
}

TEST(CreateFile, ALinkIsFollowedUnlessTheCallerAsksForTheLinkItself)
{
    TempMachine tm;
    tm.writeFile("outside.txt", "target");
    tm.makeDir("Dir");
    ASSERT_EQ(::symlink(tm.hostPath("outside.txt").c_str(), tm.hostPath("Dir/link.txt").c_str()), 0);
    FileSystem fs(tm.machine());
    File file;
    EXPECT_EQ(fs.createFile("C:\\Dir\\link.txt", kRead | kWrite, 0, Disposition::OpenExisting,
                            attr::NORMAL | fileflag::OPEN_REPARSE_POINT, file),
              err::CANT_ACCESS_FILE);
    EXPECT_EQ(fs.createFile("C:\\Dir\\link.txt", kWrite, 0, Disposition::TruncateExisting,
                            attr::NORMAL | fileflag::OPEN_REPARSE_POINT, file),
              err::CANT_ACCESS_FILE);
    EXPECT_EQ(tm.readFile("outside.txt"), "target");
    ASSERT_EQ(fs.createFile("C:\\Dir\\link.txt", kRead, kShareAll, Disposition::OpenExisting, attr::NORMAL, file),
              err::SUCCESS);
    EXPECT_EQ(readAll(file), "target");
}
