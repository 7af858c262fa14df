#include "platform/host/host_io.h"
#include "platform/host/unique_fd.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <thread>
#include <unistd.h>

using namespace kp::win;

namespace {

bool isOpen(int fd)
{
    return ::fcntl(fd, F_GETFD) != -1;
}

struct Pipe {
    UniqueFd readEnd, writeEnd;
    explicit Pipe(int flags = 0)
    {
        int fds[2];
        EXPECT_EQ(::pipe2(fds, O_CLOEXEC | flags), 0);
        readEnd.reset(fds[0]);
        writeEnd.reset(fds[1]);
    }
};

void ignoreSignal(int) {}

} // namespace

TEST(UniqueFd, ClosesOnceWhateverHappensToIt)
{
    Pipe p;
    const int fd = p.readEnd.get();
    UniqueFd moved(std::move(p.readEnd));
    EXPECT_FALSE(p.readEnd.valid());
    EXPECT_TRUE(isOpen(fd));

    UniqueFd assigned;
    assigned = std::move(moved);
    EXPECT_TRUE(isOpen(fd));

    const int other = p.writeEnd.get();
    const int released = p.writeEnd.release();
    p.writeEnd.reset();
    EXPECT_EQ(released, other);
    EXPECT_TRUE(isOpen(other));
    assigned.reset(released); // the old descriptor closes, the new one is held
    EXPECT_FALSE(isOpen(fd));
    EXPECT_TRUE(isOpen(other));

    // A failed call's errno outlives the close of its descriptor.
    errno = ENOSPC;
    assigned.reset();
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_FALSE(isOpen(other));

    UniqueFd stale(::dup(STDERR_FILENO));
    ASSERT_TRUE(stale.valid());
    ASSERT_EQ(::close(stale.get()), 0);
    EXPECT_EQ(stale.close(), EBADF);
    EXPECT_EQ(stale.close(), 0); // nothing held any more
}

TEST(HostIo, RetriesOnlyInterruptedCalls)
{
    int calls = 0;
    EXPECT_EQ(retryInterrupted([&] { return ++calls < 3 ? (errno = EINTR, -1) : 7; }), 7);
    EXPECT_EQ(calls, 3);
    calls = 0;
    EXPECT_EQ(retryInterrupted([&] { return ++calls, errno = EBADF, -1; }), -1);
    EXPECT_EQ(calls, 1);
}

TEST(HostIo, ReadsThroughSignalsAndPiecesUntilTheEnd)
{
    // No SA_RESTART: a signal cuts a blocking read short with EINTR.
    struct sigaction action {}, previous {};
    action.sa_handler = ignoreSignal;
    ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous), 0);
    Pipe p;
    const pthread_t reader = ::pthread_self();
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ::pthread_kill(reader, SIGUSR1);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(writeAll(p.writeEnd.get(), "ab"), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(writeAll(p.writeEnd.get(), "cdef"), 0);
        p.writeEnd.reset();
    });
    char buffer[8] = {};
    std::size_t done = 0;
    EXPECT_EQ(readAll(p.readEnd.get(), buffer, 4, done), 0);
    EXPECT_EQ(std::string(buffer, done), "abcd");
    EXPECT_EQ(readAll(p.readEnd.get(), buffer, sizeof buffer, done), 0); // the end comes first
    EXPECT_EQ(std::string(buffer, done), "ef");
    writer.join();
    ::sigaction(SIGUSR1, &previous, nullptr);
}

TEST(HostIo, FailuresCarryTheirErrno)
{
    Pipe full(O_NONBLOCK);
    const std::string block(1 << 16, 'x');
    int error = 0;
    for (int i = 0; i < 64 && !error; ++i)
        error = writeAll(full.writeEnd.get(), block);
    EXPECT_EQ(error, EAGAIN);

    std::size_t done = 1;
    char byte;
    EXPECT_EQ(readAll(-1, &byte, 1, done), EBADF);
    EXPECT_EQ(done, 0u);

    kp::test::TempDir dir;
    kp::test::writeFile(dir.file("long"), std::string(100, 'y'));
    const UniqueFd file(::open(dir.file("long").c_str(), O_RDONLY | O_CLOEXEC));
    std::string text = "abc";
    EXPECT_EQ(readToEnd(file.get(), text, 50), EFBIG);
    EXPECT_EQ(text, "abc");
}

TEST(HostIo, PositionedCallsLeaveTheFilePositionAlone)
{
    kp::test::TempDir dir;
    const UniqueFd file(::open(dir.file("f").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    ASSERT_TRUE(file.valid());
    ASSERT_EQ(writeAll(file.get(), "0123456789"), 0);
    ASSERT_EQ(::lseek(file.get(), 2, SEEK_SET), 2);
    EXPECT_EQ(writeAllAt(file.get(), 8, "ABCD", 4), 0);
    char buffer[16] = {};
    std::size_t done = 0;
    EXPECT_EQ(readAllAt(file.get(), 6, buffer, sizeof buffer, done), 0);
    EXPECT_EQ(std::string(buffer, done), "67ABCD");
    EXPECT_EQ(::lseek(file.get(), 0, SEEK_CUR), 2);
    std::string rest;
    EXPECT_EQ(readToEnd(file.get(), rest), 0);
    EXPECT_EQ(rest, "234567ABCD");
}
