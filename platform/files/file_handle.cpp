// FileSystem: CreateFile and the calls on an open file.

#include "platform/files/file_system.h"

#include "platform/files/dos_paths.h"
#include "platform/files/file_attributes.h"
#include "platform/host/host_io.h"
#include "platform/host/win_error.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace kp::win {

File::File(File&& other) noexcept
    : fd_(std::move(other.fd_))
    , access_(std::exchange(other.access_, 0))
{
}

File& File::operator=(File&& other) noexcept
{
    fd_ = std::move(other.fd_);
    access_ = std::exchange(other.access_, 0);
    return *this;
}

void File::close()
{
    fd_.reset();
    access_ = 0;
}

DWORD File::read(void* buffer, DWORD size, DWORD& done)
{
    done = 0;
    if (!fd_)
        return err::INVALID_HANDLE;
    if (!access::reads(access_))
        return err::ACCESS_DENIED;
    std::size_t got = 0;
    const int error = readAll(fd_.get(), buffer, size, got);
    done = DWORD(got);
    return errorFromErrno(error);
}

DWORD File::write(const void* data, DWORD size, DWORD& done)
{
    done = 0;
    if (!fd_)
        return err::INVALID_HANDLE;
    if (!access::writes(access_))
        return err::ACCESS_DENIED;
    std::size_t written = 0;
    const int error = writeAll(fd_.get(), data, size, written);
    done = DWORD(written);
    return errorFromErrno(error);
}

DWORD File::seek(std::int64_t distance, DWORD method, QWORD* position)
{
    if (!fd_)
        return err::INVALID_HANDLE;
    int whence = method == seek::BEGIN ? SEEK_SET : method == seek::CURRENT ? SEEK_CUR : method == seek::END ? SEEK_END : -1;
    if (whence < 0)
        return err::INVALID_PARAMETER;
    off_t base = 0;
    if (whence == SEEK_CUR)
        base = ::lseek(fd_.get(), 0, SEEK_CUR);
    else if (whence == SEEK_END) {
        struct stat st {};
        if (::fstat(fd_.get(), &st) != 0)
            return errorFromErrno(errno);
        base = st.st_size;
    }
    if (base < 0)
        return errorFromErrno(errno);
    if (distance < 0 && base < -distance)
        return err::NEGATIVE_SEEK;
    off_t result = ::lseek(fd_.get(), base + distance, SEEK_SET);
    if (result < 0)
        return errorFromErrno(errno);
    if (position)
        *position = QWORD(result);
    return err::SUCCESS;
}

DWORD File::size(QWORD& out) const
{
    if (!fd_)
        return err::INVALID_HANDLE;
    struct stat st {};
    if (::fstat(fd_.get(), &st) != 0)
        return errorFromErrno(errno);
    out = QWORD(st.st_size);
    return err::SUCCESS;
}

DWORD File::setEndOfFile()
{
    if (!fd_)
        return err::INVALID_HANDLE;
    if (!access::writes(access_))
        return err::ACCESS_DENIED;
    off_t position = ::lseek(fd_.get(), 0, SEEK_CUR);
    if (position < 0 || ::ftruncate(fd_.get(), position) != 0)
        return errorFromErrno(errno);
    return err::SUCCESS;
}

DWORD File::getTimes(FileTime* creation, FileTime* lastAccess, FileTime* lastWrite) const
{
    if (!fd_)
        return err::INVALID_HANDLE;
    struct statx sx {};
    if (::statx(fd_.get(), "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0)
        return errorFromErrno(errno);
    FileTime written = fileTimeFromUnix(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
    if (creation)
        *creation = (sx.stx_mask & STATX_BTIME) ? fileTimeFromUnix(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec) : written;
    if (lastAccess)
        *lastAccess = fileTimeFromUnix(sx.stx_atime.tv_sec, sx.stx_atime.tv_nsec);
    if (lastWrite)
        *lastWrite = written;
    return err::SUCCESS;
}

DWORD File::setTimes(const FileTime*, const FileTime* lastAccess, const FileTime* lastWrite)
{
    if (!fd_)
        return err::INVALID_HANDLE;
    if (!access::writes(access_))
        return err::ACCESS_DENIED;
    auto toTimespec = [](const FileTime* t) {
        timespec ts {0, UTIME_OMIT};
        if (t && t->value()) {
            ts.tv_sec = unixFromFileTime(*t);
            ts.tv_nsec = long(t->value() % 10000000ULL) * 100;
        }
        return ts;
    };
    timespec times[2] = {toTimespec(lastAccess), toTimespec(lastWrite)};
    if (::futimens(fd_.get(), times) != 0)
        return errorFromErrno(errno);
    return err::SUCCESS;
}

DWORD File::flush()
{
    if (!fd_)
        return err::INVALID_HANDLE;
    if (!access::writes(access_))
        return err::ACCESS_DENIED;
    if (::fdatasync(fd_.get()) != 0)
        return errorFromErrno(errno);
    return err::SUCCESS;
}

DWORD FileSystem::createFile(std::string_view path, DWORD desiredAccess, DWORD shareMode, Disposition disposition,
    DWORD attributes, File& out, bool* alreadyExisted)
{
    out.close();
    if (alreadyExisted)
        *alreadyExisted = false;
    const bool writing = access::writes(desiredAccess);
    const bool truncates = disposition == Disposition::CreateAlways || disposition == Disposition::TruncateExisting;
    const bool noFollow = attributes & fileflag::OPEN_REPARSE_POINT;
    if (disposition < Disposition::CreateNew || disposition > Disposition::TruncateExisting)
        return err::INVALID_PARAMETER;
    if (disposition == Disposition::TruncateExisting && !writing)
        return err::INVALID_PARAMETER;

    Resolved r;
    if (DWORD e = resolve(path, r))
        return e;
    if (r.name.empty())
        return err::ACCESS_DENIED;
    if (r.exists) {
        HostFileInfo info;
        if (DWORD e = readHostFileInfo(r.host, info))
            return e;
        if (info.isLink && noFollow)
            return err::CANT_ACCESS_FILE;
        if (info.attributes & attr::DIRECTORY)
            return err::ACCESS_DENIED;
        if (disposition == Disposition::CreateNew)
            return err::FILE_EXISTS;
        if ((info.attributes & attr::READONLY) && (writing || truncates))
            return err::ACCESS_DENIED;
        const DWORD kept = info.attributes & (attr::HIDDEN | attr::SYSTEM);
        if (disposition == Disposition::CreateAlways && (kept & ~attributes))
            return err::ACCESS_DENIED;
    } else if (disposition == Disposition::OpenExisting || disposition == Disposition::TruncateExisting) {
        return err::FILE_NOT_FOUND;
    }

    // Opened for reading as well, so that the share marks can be taken.
    int flags = O_CLOEXEC | O_NONBLOCK | (writing ? O_RDWR : O_RDONLY);
    if (noFollow)
        flags |= O_NOFOLLOW;
    bool created = false;
    UniqueFd fd;
    if (!r.exists) {
        mode_t mode = (attributes & attr::READONLY) ? 0444 : 0666;
        fd.reset(::open(r.host.c_str(), flags | O_CREAT | O_EXCL, mode));
        created = fd.valid();
        if (!fd && errno == EEXIST && disposition != Disposition::CreateNew)
            fd.reset(::open(r.host.c_str(), flags));
        else if (!fd && errno == EEXIST)
            return err::FILE_EXISTS;
    } else {
        fd.reset(::open(r.host.c_str(), flags));
    }
    if (!fd && noFollow && errno == ELOOP)
        return err::CANT_ACCESS_FILE;
    if (!fd)
        return r.exists ? errorFromErrno(errno) : errorFromErrno(errno, {{ENOENT, err::PATH_NOT_FOUND}});
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);

    File file;
    file.fd_ = std::move(fd);
    file.access_ = desiredAccess;
    if (DWORD e = claimShareMode(file.fd_.get(), desiredAccess, shareMode))
        return e;
    if (created) {
        paths_.noteAdded(r.hostDir, r.name);
        tryWriteDosAttrib(file.fd_.get(), attributes);
    } else if (truncates) {
        if (::ftruncate(file.fd_.get(), 0) != 0)
            return errorFromErrno(errno);
        // The bits are added to those the file has; unread, they are left alone.
        HostFileInfo info;
        if ((attributes & (attr::HIDDEN | attr::SYSTEM)) && readHostFileInfo(r.host, info) == err::SUCCESS)
            tryWriteDosAttrib(file.fd_.get(), info.attributes | attributes);
    }
    if (alreadyExisted)
        *alreadyExisted = !created && (disposition == Disposition::CreateAlways || disposition == Disposition::OpenAlways);
    out = std::move(file);
    return err::SUCCESS;
}

} // namespace kp::win
