#include "platform/files/file_attributes.h"

#include "platform/host/unique_fd.h"
#include "platform/host/win_error.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace kp::win {

namespace {

constexpr const char* kDosAttrib = "user.DOSATTRIB";
constexpr DWORD kStoredBits = attr::HIDDEN | attr::SYSTEM;

bool nameIsDotFile(const std::string& hostPath)
{
    std::size_t slash = hostPath.rfind('/');
    std::string name = slash == std::string::npos ? hostPath : hostPath.substr(slash + 1);
    return name.size() > 1 && name[0] == '.' && name != "..";
}

// Wine's reading: "0x" and hex digits to the end, else nothing.
DWORD parseDosAttrib(const char* data, ssize_t length)
{
    if (length <= 2 || data[0] != '0' || data[1] != 'x')
        return 0;
    std::string text(data, std::size_t(length));
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 16);
    return *end == '\0' ? DWORD(value) & kStoredBits : 0;
}

FileTime fromTimestamp(const statx_timestamp& t)
{
    return fileTimeFromUnix(t.tv_sec, t.tv_nsec);
}

mode_t processUmask()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0)
            return mode_t(std::strtol(line.c_str() + 6, nullptr, 8));
    return 022;
}

} // namespace

DWORD readHostFileInfo(const std::string& hostPath, HostFileInfo& out)
{
    struct statx sx {};
    if (::statx(AT_FDCWD, hostPath.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0)
        return errorFromErrno(errno);
    out = HostFileInfo {};
    out.lastAccessTime = fromTimestamp(sx.stx_atime);
    out.lastWriteTime = fromTimestamp(sx.stx_mtime);
    out.creationTime = (sx.stx_mask & STATX_BTIME) ? fromTimestamp(sx.stx_btime) : out.lastWriteTime;
    if (S_ISLNK(sx.stx_mode)) {
        struct stat target {};
        bool folder = ::stat(hostPath.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
        out.isLink = true;
        out.attributes = attr::REPARSE_POINT | (folder ? attr::DIRECTORY : attr::ARCHIVE);
        return err::SUCCESS;
    }
    bool folder = S_ISDIR(sx.stx_mode);
    out.attributes = folder ? attr::DIRECTORY : attr::ARCHIVE;
    if (!folder)
        out.size = sx.stx_size;
    if (!(sx.stx_mode & S_IWUSR))
        out.attributes |= attr::READONLY;
    char data[65];
    ssize_t length = ::lgetxattr(hostPath.c_str(), kDosAttrib, data, sizeof data - 1);
    if (length >= 0)
        out.attributes |= parseDosAttrib(data, length);
    else if (nameIsDotFile(hostPath))
        out.attributes |= attr::HIDDEN;
    return err::SUCCESS;
}

mode_t writableMode(mode_t mode)
{
    return mode | ((0600 | ((mode & 044) >> 1)) & ~processUmask());
}

DWORD writeDosAttrib(int fd, DWORD attributes, bool force)
{
    attributes &= kStoredBits;
    if (attributes || force) {
        char data[16];
        int length = std::snprintf(data, sizeof data, "0x%x", unsigned(attributes));
        if (::fsetxattr(fd, kDosAttrib, data, std::size_t(length), 0) != 0)
            return errorFromErrno(errno);
        return err::SUCCESS;
    }
    if (::fremovexattr(fd, kDosAttrib) != 0 && errno != ENODATA && errno != ENOTSUP)
        return errorFromErrno(errno);
    return err::SUCCESS;
}

void tryWriteDosAttrib(int fd, DWORD attributes)
{
    static_cast<void>(writeDosAttrib(fd, attributes, false));
}

DWORD writeHostAttributes(const std::string& hostPath, DWORD attributes)
{
    HostFileInfo current;
    if (DWORD e = readHostFileInfo(hostPath, current))
        return e;
    if (current.isLink) {
        constexpr DWORD settable = attr::READONLY | attr::HIDDEN | attr::SYSTEM;
        return (current.attributes & settable) == (attributes & settable) ? err::SUCCESS : err::ACCESS_DENIED;
    }
    const UniqueFd fd(::open(hostPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd)
        return errorFromErrno(errno);
    DWORD result = err::SUCCESS;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        result = errorFromErrno(errno);
    } else if (!S_ISDIR(st.st_mode)) {
        mode_t mode = st.st_mode & 07777;
        if (attributes & attr::READONLY)
            mode &= ~mode_t(0222);
        else if (!(mode & S_IWUSR))
            mode = writableMode(mode);
        if (mode != (st.st_mode & 07777) && ::fchmod(fd.get(), mode) != 0)
            result = errorFromErrno(errno);
    }
    if (!result) {
        // A dot file keeps an explicit "0x0" so that it stops being hidden;
        // a file with several names keeps it as any name may be a dot file.
        bool force = nameIsDotFile(hostPath) || st.st_nlink > 1;
        result = writeDosAttrib(fd.get(), attributes, force);
        if (result == err::NOT_SUPPORTED && !(attributes & kStoredBits))
            result = err::SUCCESS;
    }
    return result;
}

} // namespace kp::win
