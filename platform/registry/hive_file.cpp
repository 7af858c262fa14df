#include "platform/registry/hive_file.h"

#include "platform/host/host_io.h"
#include "platform/host/unique_fd.h"
#include "platform/host/win_error.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace kp::win::reg {

namespace {

// The registry's own codes: a hive on a read-only file system may not be
// changed, and an I/O error is a hive that cannot be read, or written.
DWORD readError(int e)
{
    return errorFromErrno(e, {{EROFS, err::ACCESS_DENIED}, {EIO, err::CANTREAD}});
}

DWORD writeError(int e)
{
    return errorFromErrno(e, {{EROFS, err::ACCESS_DENIED}, {EIO, err::CANTWRITE}});
}

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// An exclusive flock on the hive file. Saving renames a new file over the
// old one, so after the lock is taken the path must still name the locked
// file; a hive that does not exist yet is guarded by its folder's lock.
class FileLock {
public:
    DWORD acquire(const std::string& path)
    {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        for (;;) {
            bool onFolder = false;
            fd_.reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
            if (!fd_ && errno == ENOENT) {
                onFolder = true;
                fd_.reset(::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            }
            if (!fd_)
                return readError(errno);
            while (retryInterrupted([&] { return ::flock(fd_.get(), LOCK_EX | LOCK_NB); }) != 0) {
                if (errno != EWOULDBLOCK)
                    return readError(errno);
                if (Clock::now() > deadline)
                    return err::LOCK_VIOLATION;
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            struct stat held {}, named {};
            const bool exists = ::stat(path.c_str(), &named) == 0;
            if (onFolder ? !exists : (exists && ::fstat(fd_.get(), &held) == 0 && held.st_dev == named.st_dev && held.st_ino == named.st_ino))
                return err::SUCCESS;
            fd_.reset();
        }
    }

private:
    UniqueFd fd_;
};

} // namespace

Hive::Identity Hive::Identity::of(const struct stat& st)
{
    return {st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec, st.st_ctim.tv_sec, st.st_ctim.tv_nsec, true};
}

Hive::Hive(std::string path, std::string rootPath)
    : path_(std::move(path))
    , rootPath_(std::move(rootPath))
{
}

DWORD Hive::refresh()
{
    Identity now;
    struct stat st {};
    if (::stat(path_.c_str(), &st) == 0)
        now = Identity::of(st);
    else if (errno != ENOENT)
        return readError(errno);
    if (loaded_ && now == identity_)
        return state_;
    if (const DWORD error = load())
        return error;
    return replay();
}

DWORD Hive::load()
{
    loaded_ = false;
    ++epoch_;
    const UniqueFd fd(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        if (errno != ENOENT)
            return readError(errno);
        doc_.makeEmpty(rootPath_);
        identity_ = {};
        state_ = err::SUCCESS;
        complete_ = true;
        loaded_ = true;
        return err::SUCCESS;
    }
    struct stat st {};
    std::string text;
    if (::fstat(fd.get(), &st) == 0 && st.st_size > 0)
        text.reserve(static_cast<std::size_t>(st.st_size));
    if (const int error = readToEnd(fd.get(), text))
        return readError(error);

    identity_ = Identity::of(st);
    switch (doc_.parse(text)) {
    case Document::Load::Complete:
        state_ = err::SUCCESS;
        complete_ = true;
        break;
    case Document::Load::Partial:
        state_ = err::SUCCESS;
        complete_ = false;
        break;
    case Document::Load::NotRegistry:
        doc_.makeEmpty(rootPath_);
        state_ = err::BADDB;
        complete_ = false;
        break;
    }
    loaded_ = true;
    return state_;
}

DWORD Hive::replay()
{
    const Stamp stamp = Stamp::now();
    for (const Change& change : pending_)
        change(doc_, stamp);
    return err::SUCCESS;
}

DWORD Hive::apply(const Change& change, bool batched)
{
    if (batched) {
        if (const DWORD error = refresh())
            return error;
        if (!complete_)
            return err::BADDB;
        if (const DWORD error = change(doc_, Stamp::now()))
            return error;
        pending_.push_back(change);
        return err::SUCCESS;
    }

    FileLock lock;
    if (const DWORD error = lock.acquire(path_))
        return error;
    if (const DWORD error = refresh())
        return error;
    if (!complete_)
        return err::BADDB;
    if (const DWORD error = change(doc_, Stamp::now()))
        return error;
    const DWORD error = writeFile(doc_.serialize());
    if (error)
        loaded_ = false; // the memory copy follows the file again
    return error;
}

DWORD Hive::save()
{
    if (pending_.empty())
        return err::SUCCESS;
    FileLock lock;
    DWORD error = lock.acquire(path_);
    if (!error)
        error = refresh();
    if (!error && !complete_)
        error = err::BADDB;
    if (!error)
        error = writeFile(doc_.serialize());
    pending_.clear();
    if (error)
        loaded_ = false;
    return error;
}

DWORD Hive::writeFile(const std::string& text)
{
    std::string target = path_;
    struct stat st {};
    if (::lstat(path_.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char real[PATH_MAX];
        if (!::realpath(path_.c_str(), real))
            return writeError(errno);
        target = real;
    }
    mode_t mode = 0644;
    if (::stat(target.c_str(), &st) == 0)
        mode = st.st_mode & 07777;

    std::string temp = target + ".XXXXXX";
    UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (!fd)
        return writeError(errno);
    auto fail = [&](int e) {
        fd.reset();
        ::unlink(temp.c_str());
        return writeError(e);
    };
    if (const int error = writeAll(fd.get(), text))
        return fail(error);
    if (::fchmod(fd.get(), mode) != 0 || ::fsync(fd.get()) != 0)
        return fail(errno);
    if (::rename(temp.c_str(), target.c_str()) != 0)
        return fail(errno);
    // Taken after the rename, which changes the file's ctime.
    const bool stated = ::fstat(fd.get(), &st) == 0;
    const int closed = fd.close();
    if (const UniqueFd dir(::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); dir)
        ::fsync(dir.get());
    if (!stated || closed != 0)
        return err::WRITE_FAULT;
    identity_ = Identity::of(st);
    return err::SUCCESS;
}

} // namespace kp::win::reg
