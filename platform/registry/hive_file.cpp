#include "platform/registry/hive_file.h"

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

DWORD fromErrno(int e)
{
    switch (e) {
    case ENOENT: return err::FILE_NOT_FOUND;
    case ENOTDIR: return err::PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS: return err::ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT: return err::DISK_FULL;
    case EMFILE:
    case ENFILE: return err::TOO_MANY_OPEN_FILES;
    case ENOMEM: return err::NOT_ENOUGH_MEMORY;
    case EIO: return err::CANTREAD;
    default: return err::GEN_FAILURE;
    }
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
    ~FileLock()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }

    DWORD acquire(const std::string& path)
    {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        for (;;) {
            bool onFolder = false;
            fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd_ < 0 && errno == ENOENT) {
                onFolder = true;
                fd_ = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            }
            if (fd_ < 0)
                return fromErrno(errno);
            while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
                if (errno != EWOULDBLOCK && errno != EINTR)
                    return fromErrno(errno);
                if (Clock::now() > deadline)
                    return err::LOCK_VIOLATION;
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            struct stat held {}, named {};
            const bool exists = ::stat(path.c_str(), &named) == 0;
            if (onFolder ? !exists : (exists && ::fstat(fd_, &held) == 0 && held.st_dev == named.st_dev && held.st_ino == named.st_ino))
                return err::SUCCESS;
            ::close(fd_);
            fd_ = -1;
        }
    }

private:
    int fd_ = -1;
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
        return fromErrno(errno);
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
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT)
            return fromErrno(errno);
        doc_.makeEmpty(rootPath_);
        identity_ = {};
        state_ = err::SUCCESS;
        complete_ = true;
        loaded_ = true;
        return err::SUCCESS;
    }
    struct stat st {};
    std::string text;
    if (::fstat(fd, &st) == 0 && st.st_size > 0)
        text.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int e = errno;
            ::close(fd);
            return e == EIO ? err::CANTREAD : fromErrno(e);
        }
        if (n == 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);

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
            return fromErrno(errno);
        target = real;
    }
    mode_t mode = 0644;
    if (::stat(target.c_str(), &st) == 0)
        mode = st.st_mode & 07777;

    std::string temp = target + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return fromErrno(errno);
    auto fail = [&](int e) {
        ::close(fd);
        ::unlink(temp.c_str());
        return fromErrno(e);
    };
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail(errno);
        done += static_cast<std::size_t>(n);
    }
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0)
        return fail(errno);
    if (::rename(temp.c_str(), target.c_str()) != 0)
        return fail(errno);
    // Taken after the rename, which changes the file's ctime.
    const bool stated = ::fstat(fd, &st) == 0;
    const int closed = ::close(fd);
    if (const int dir = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    if (!stated || closed != 0)
        return err::WRITE_FAULT;
    identity_ = Identity::of(st);
    return err::SUCCESS;
}

} // namespace kp::win::reg
