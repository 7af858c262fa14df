#include "platform/host/atomic_file.h"

#include "platform/host/host_io.h"
#include "platform/host/unique_fd.h"
#include "platform/host/win_error.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace kp::win {

DWORD replaceFileAtomically(const std::string& path, std::string_view contents)
{
    // Through a link the file it names is replaced, and the link stays.
    std::string hostPath = path;
    char real[PATH_MAX];
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode) && ::realpath(path.c_str(), real))
        hostPath = real;
    // A file this process may not write is not replaced either: Windows
    // refuses to open it for writing.
    struct stat target {};
    if (::stat(hostPath.c_str(), &target) == 0) {
        if (!(target.st_mode & S_IWUSR))
            return err::ACCESS_DENIED;
        if (::faccessat(AT_FDCWD, hostPath.c_str(), W_OK, AT_EACCESS) != 0)
            return errorFromErrno(errno);
    }
    std::size_t slash = hostPath.rfind('/');
    std::string dir = slash == 0 ? "/" : hostPath.substr(0, slash);
    std::string temp = hostPath.substr(0, slash + 1) + ".kp-write-XXXXXX";
    UniqueFd file(::mkostemp(temp.data(), O_CLOEXEC));
    if (!file)
        return errorFromErrno(errno, {{ENOENT, err::PATH_NOT_FOUND}});
    mode_t mode = 0666 & ~mode_t(022);
    struct stat old {};
    char attrib[64];
    ssize_t attribLength = -1;
    if (::stat(hostPath.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
        attribLength = ::getxattr(hostPath.c_str(), "user.DOSATTRIB", attrib, sizeof attrib);
    }
    int error = writeAll(file.get(), contents);
    if (!error && (::fchmod(file.get(), mode) != 0 || ::fsync(file.get()) != 0))
        error = errno;
    if (!error && attribLength > 0)
        ::fsetxattr(file.get(), "user.DOSATTRIB", attrib, std::size_t(attribLength), 0);
    file.reset();
    if (!error && ::rename(temp.c_str(), hostPath.c_str()) != 0)
        error = errno;
    if (error) {
        ::unlink(temp.c_str());
        return errorFromErrno(error);
    }
    if (UniqueFd folder(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); folder)
        ::fsync(folder.get());
    return err::SUCCESS;
}

} // namespace kp::win
