// FileSystem: deleting, moving and copying files, creating and removing
// folders.

#include "platform/files/file_system.h"

#include "platform/files/deferred_deletes.h"
#include "platform/files/dos_paths.h"
#include "platform/files/file_attributes.h"
#include "platform/files/removal_checks.h"
#include "platform/host/host_io.h"
#include "platform/host/unique_fd.h"
#include "platform/host/win_error.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kp::win {

namespace {

// SHARING_VIOLATION while a handle of the file refuses to share deletion.
DWORD checkDeletable(const std::string& host)
{
    const UniqueFd fd(::open(host.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    return fd && deletionRefused(fd.get()) ? err::SHARING_VIOLATION : err::SUCCESS;
}

bool sameFile(const std::string& a, const std::string& b)
{
    struct stat sa {}, sb {};
    return ::lstat(a.c_str(), &sa) == 0 && ::lstat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev
        && sa.st_ino == sb.st_ino;
}

DWORD copyContents(int from, int to)
{
    std::vector<char> buffer(1 << 16);
    for (;;) {
        std::size_t got = 0;
        if (int error = readAll(from, buffer.data(), buffer.size(), got))
            return errorFromErrno(error);
        std::size_t written = 0;
        if (int error = writeAll(to, buffer.data(), got, written))
            return errorFromErrno(error);
        if (got < buffer.size())
            return err::SUCCESS;
    }
}

} // namespace

DWORD FileSystem::checkDeleteFile(std::string_view path, Resolved& r)
{
    if (DWORD e = resolveExisting(path, r))
        return e;
    return checkFileDeletable(AT_FDCWD, r.host.c_str());
}

DWORD FileSystem::deleteFile(std::string_view path)
{
    Resolved r;
    if (DWORD e = checkDeleteFile(path, r))
        return e;
    if (::unlink(r.host.c_str()) != 0)
        return errorFromErrno(errno);
    paths_.noteRemoved(r.hostDir, r.name);
    return err::SUCCESS;
}

DWORD FileSystem::deleteFile(std::string_view path, DeferredDeletes& removals, DWORD* outcome)
{
    Resolved r;
    if (DWORD e = checkDeleteFile(path, r))
        return e;
    return removals.add(r.hostDir, r.name, outcome);
}

DWORD FileSystem::moveFile(std::string_view from, std::string_view to, DWORD flags)
{
    Resolved source;
    if (DWORD e = resolveExisting(from, source))
        return e;
    if (source.name.empty())
        return err::ACCESS_DENIED;
    Resolved target;
    if (DWORD e = resolve(to, target))
        return e;
    if (target.name.empty())
        return err::ACCESS_DENIED;
    HostFileInfo sourceInfo;
    if (DWORD e = readHostFileInfo(source.host, sourceInfo))
        return e;
    if (!sourceInfo.isLink && !(sourceInfo.attributes & attr::DIRECTORY))
        if (DWORD e = checkDeletable(source.host))
            return e;

    // A target that is the source itself under another letter case is a rename.
    bool caseOnly = target.exists && sameFile(source.host, target.host) && source.hostDir == target.hostDir;
    std::string targetHost = target.host;
    if (caseOnly)
        targetHost = target.hostDir + "/" + target.winPath.substr(target.winPath.rfind('\\') + 1);
    else if (target.exists) {
        if (!(flags & movefile::REPLACE_EXISTING))
            return err::ALREADY_EXISTS;
        HostFileInfo targetInfo;
        if (DWORD e = readHostFileInfo(target.host, targetInfo))
            return e;
        if ((targetInfo.attributes & (attr::DIRECTORY | attr::READONLY)) && !targetInfo.isLink)
            return err::ACCESS_DENIED;
        if (sourceInfo.attributes & attr::DIRECTORY)
            return err::ACCESS_DENIED;
        if (!targetInfo.isLink)
            if (DWORD e = checkDeletable(target.host))
                return e;
    }
    std::string targetName = targetHost.substr(targetHost.rfind('/') + 1);

    int renamed = target.exists && !caseOnly
        ? ::rename(source.host.c_str(), targetHost.c_str())
        : ::renameat2(AT_FDCWD, source.host.c_str(), AT_FDCWD, targetHost.c_str(), caseOnly ? 0 : RENAME_NOREPLACE);
    if (renamed != 0 && errno == EINVAL && !caseOnly && !target.exists) {
        struct stat st {};
        if (::lstat(targetHost.c_str(), &st) == 0)
            return err::ALREADY_EXISTS;
        renamed = ::rename(source.host.c_str(), targetHost.c_str());
    }
    if (renamed != 0) {
        if (errno == EXDEV && (flags & movefile::COPY_ALLOWED) && !(sourceInfo.attributes & attr::DIRECTORY)) {
            if (DWORD e = copyFile(from, to, !(flags & movefile::REPLACE_EXISTING)))
                return e;
            return deleteFile(from);
        }
        return errorFromErrno(errno, {{EEXIST, err::ALREADY_EXISTS}});
    }
    paths_.noteRemoved(source.hostDir, source.name);
    paths_.noteAdded(target.hostDir, targetName);
    return err::SUCCESS;
}

DWORD FileSystem::copyFile(std::string_view from, std::string_view to, bool failIfExists)
{
    Resolved source;
    if (DWORD e = resolveExisting(from, source))
        return e;
    Resolved target;
    if (DWORD e = resolve(to, target))
        return e;
    if (target.name.empty())
        return err::ACCESS_DENIED;

    const UniqueFd in(::open(source.host.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!in)
        return errorFromErrno(errno);
    struct stat st {};
    if (::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return err::ACCESS_DENIED;
    HostFileInfo sourceInfo;
    if (DWORD e = readHostFileInfo(source.host, sourceInfo))
        return e;
    if (target.exists) {
        if (failIfExists)
            return err::FILE_EXISTS;
        // A target gone meanwhile is replaced all the same.
        HostFileInfo targetInfo;
        if (DWORD e = readHostFileInfo(target.host, targetInfo); e && e != err::FILE_NOT_FOUND)
            return e;
        if (targetInfo.attributes & (attr::DIRECTORY | attr::READONLY))
            return err::ACCESS_DENIED;
        if (sameFile(source.host, target.host))
            return err::SHARING_VIOLATION;
    }

    // Written under a temporary name and renamed, so that a crash never
    // leaves a half-written target.
    std::string temp = target.hostDir + "/.kp-copy-XXXXXX";
    UniqueFd out(::mkostemp(temp.data(), O_CLOEXEC));
    if (!out)
        return errorFromErrno(errno, {{ENOENT, err::PATH_NOT_FOUND}});
    DWORD result = copyContents(in.get(), out.get());
    if (!result && ::fsync(out.get()) != 0)
        result = errorFromErrno(errno);
    if (!result) {
        timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
        ::futimens(out.get(), times);
        ::fchmod(out.get(), st.st_mode & 0777);
        tryWriteDosAttrib(out.get(), sourceInfo.attributes);
    }
    if (const int closed = out.close(); closed && !result)
        result = errorFromErrno(closed);
    if (!result) {
        int renamed = failIfExists ? ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.host.c_str(), RENAME_NOREPLACE)
                                   : ::rename(temp.c_str(), target.host.c_str());
        if (renamed != 0)
            result = errorFromErrno(errno);
    }
    if (result) {
        ::unlink(temp.c_str());
        return result;
    }
    paths_.noteAdded(target.hostDir, target.name);
    return err::SUCCESS;
}

DWORD FileSystem::createDirectory(std::string_view path)
{
    Resolved r;
    if (DWORD e = resolve(path, r))
        return e;
    if (r.exists)
        return err::ALREADY_EXISTS;
    if (::mkdir(r.host.c_str(), 0777) != 0)
        return errorFromErrno(errno, {{EEXIST, err::ALREADY_EXISTS}, {ENOENT, err::PATH_NOT_FOUND}});
    paths_.noteAdded(r.hostDir, r.name);
    return err::SUCCESS;
}

DWORD FileSystem::removeDirectory(std::string_view path)
{
    Resolved r;
    if (DWORD e = resolveExisting(path, r))
        return e;
    if (r.name.empty())
        return err::ACCESS_DENIED;
    struct stat current {};
    const bool hasCurrent = statCurrentDirectory(*this, current);
    if (DWORD e = removeFolderAt(AT_FDCWD, r.host.c_str(), hasCurrent ? &current : nullptr))
        return e;
    paths_.noteRemoved(r.hostDir, r.name);
    paths_.forget(r.host);
    return err::SUCCESS;
}

} // namespace kp::win
