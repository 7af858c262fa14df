#include "platform/host/win_error.h"

#include <cerrno>

namespace kp::win {

DWORD errorFromErrno(int error)
{
    switch (error) {
    case 0:
        return err::SUCCESS;
    case ENOENT:
        return err::FILE_NOT_FOUND;
    case ENOTDIR:
        return err::PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
        return err::ACCESS_DENIED;
    case EEXIST:
        return err::FILE_EXISTS;
    case ENOTEMPTY:
        return err::DIR_NOT_EMPTY;
    case EBUSY:
        return err::BUSY;
    case ETXTBSY:
        return err::SHARING_VIOLATION;
    case EAGAIN:
        return err::LOCK_VIOLATION;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return err::DISK_FULL;
    case EROFS:
        return err::WRITE_PROTECT;
    case EMFILE:
    case ENFILE:
        return err::TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG:
        return err::FILENAME_EXCED_RANGE;
    case EXDEV:
        return err::NOT_SAME_DEVICE;
    case EBADF:
        return err::INVALID_HANDLE;
    case EINVAL:
        return err::INVALID_PARAMETER;
    case ENOMEM:
        return err::NOT_ENOUGH_MEMORY;
    case ELOOP:
        return err::CANT_RESOLVE_FILENAME;
    case EIO:
        return err::GEN_FAILURE;
    case ENOTSUP:
        return err::NOT_SUPPORTED;
    default:
        return err::GEN_FAILURE;
    }
}

DWORD errorFromErrno(int error, std::initializer_list<ErrnoCode> callCodes)
{
    for (const ErrnoCode& own : callCodes)
        if (own.error == error)
            return own.code;
    return errorFromErrno(error);
}

} // namespace kp::win
