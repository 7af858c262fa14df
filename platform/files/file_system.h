#pragma once
// Files and folders of the machine, called as kernel32's ANSI file calls are:
// Windows paths (absolute, or relative to the machine's current directory),
// Win32 error codes, nothing thrown. Every change to a folder is reported to
// the machine's path cache.

#include "platform/files/share_modes.h"
#include "platform/host/unique_fd.h"
#include "platform/win32.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kp::win {

class DosPaths;
class DeferredDeletes;
class Machine;

// CreateFile dispositions.
enum class Disposition : DWORD {
    CreateNew = 1,
    CreateAlways = 2,
    OpenExisting = 3,
    OpenAlways = 4,
    TruncateExisting = 5,
};

// CreateFile flag: a symbolic link is not followed; opening one fails with
// CANT_ACCESS_FILE.
namespace fileflag {
inline constexpr DWORD OPEN_REPARSE_POINT = 0x00200000;
} // namespace fileflag

namespace movefile {
inline constexpr DWORD REPLACE_EXISTING = 0x1;
inline constexpr DWORD COPY_ALLOWED = 0x2;
} // namespace movefile

namespace seek {
inline constexpr DWORD BEGIN = 0;
inline constexpr DWORD CURRENT = 1;
inline constexpr DWORD END = 2;
} // namespace seek

// WIN32_FIND_DATA, and GetFileAttributesEx's data.
struct FindData {
    DWORD attributes = 0;
    FileTime creationTime;
    FileTime lastAccessTime;
    FileTime lastWriteTime;
    QWORD size = 0;
    std::string fileName;
    std::string alternateFileName; // the 8.3 name; "" when fileName is one
};

// An open file. Closed when it goes; movable, not copyable.
class File {
public:
    File() = default;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;

    bool isOpen() const { return fd_.valid(); }
    void close();

    // ReadFile: `done` is 0 at the end of the file.
    [[nodiscard]] DWORD read(void* buffer, DWORD size, DWORD& done);
    [[nodiscard]] DWORD write(const void* data, DWORD size, DWORD& done);
    // SetFilePointerEx: NEGATIVE_SEEK before the start.
    [[nodiscard]] DWORD seek(std::int64_t distance, DWORD method, QWORD* position = nullptr);
    [[nodiscard]] DWORD size(QWORD& out) const;
    // SetEndOfFile at the current position.
    [[nodiscard]] DWORD setEndOfFile();
    [[nodiscard]] DWORD getTimes(FileTime* creation, FileTime* lastAccess, FileTime* lastWrite) const;
    // SetFileTime: a null time stays as it is; the creation time cannot be
    // changed on the host and is ignored, as Wine does.
    [[nodiscard]] DWORD setTimes(const FileTime* creation, const FileTime* lastAccess, const FileTime* lastWrite);
    // FlushFileBuffers.
    [[nodiscard]] DWORD flush();

private:
    friend class FileSystem;
    UniqueFd fd_;
    DWORD access_ = 0;
};

// A search started by findFirst. Closed when it goes.
class FindHandle {
public:
    FindHandle();
    ~FindHandle();
    FindHandle(FindHandle&&) noexcept;
    FindHandle& operator=(FindHandle&&) noexcept;
    bool isOpen() const;

    struct State;

private:
    friend class FileSystem;
    std::unique_ptr<State> state_;
};

class FileSystem {
public:
    explicit FileSystem(Machine& machine);

    // FindFirstFile / FindNextFile / FindClose. The mask (the last name of
    // `pattern`) is matched against long and short names; "." and ".." are
    // listed for every folder but a drive's root, as Windows does. A link is
    // listed as a REPARSE_POINT and never entered. PATH_NOT_FOUND for a
    // missing folder, FILE_NOT_FOUND when nothing matches, NO_MORE_FILES at
    // the end. Names removed during the search are skipped.
    [[nodiscard]] DWORD findFirst(std::string_view pattern, FindData& data, FindHandle& handle);
    [[nodiscard]] DWORD findNext(FindHandle& handle, FindData& data);
    void findClose(FindHandle& handle);

    // GetFileAttributes / GetFileAttributesEx / SetFileAttributes.
    [[nodiscard]] DWORD getAttributes(std::string_view path, DWORD& attributes);
    [[nodiscard]] DWORD getFileInfo(std::string_view path, FindData& data);
    [[nodiscard]] DWORD setAttributes(std::string_view path, DWORD attributes);
    bool exists(std::string_view path);

    // CreateFile for files. Sharing is kept between handles that use these
    // calls (SHARING_VIOLATION); READONLY refuses writing (ACCESS_DENIED), as
    // does replacing a HIDDEN or SYSTEM file without asking for that
    // attribute. `alreadyExisted` is what GetLastError's 183 says after
    // CREATE_ALWAYS and OPEN_ALWAYS. A folder gives ACCESS_DENIED. A link is
    // followed unless `attributes` holds fileflag::OPEN_REPARSE_POINT.
    [[nodiscard]] DWORD createFile(std::string_view path, DWORD desiredAccess, DWORD shareMode, Disposition disposition,
        DWORD attributes, File& out, bool* alreadyExisted = nullptr);

    // DeleteFile: ACCESS_DENIED for a read-only file or a folder,
    // SHARING_VIOLATION while a handle refuses to share deletion. A link is
    // deleted itself, never what it leads to.
    [[nodiscard]] DWORD deleteFile(std::string_view path);
    // DeleteFile whose removal, once every check has passed, is left to
    // `removals`: SUCCESS means the file is queued to go, and the removal's
    // own code goes to `outcome` (DeferredDeletes::add).
    [[nodiscard]] DWORD deleteFile(std::string_view path, DeferredDeletes& removals, DWORD* outcome = nullptr);
    // MoveFileEx: ALREADY_EXISTS for an existing target without
    // REPLACE_EXISTING; NOT_SAME_DEVICE across host file systems without
    // COPY_ALLOWED. Changing only the letter case of a name is a rename.
    [[nodiscard]] DWORD moveFile(std::string_view from, std::string_view to, DWORD flags = 0);
    // CopyFile: FILE_EXISTS for an existing target when `failIfExists`.
    // Attributes and the last write time go with the copy.
    [[nodiscard]] DWORD copyFile(std::string_view from, std::string_view to, bool failIfExists);
    // CreateDirectory: ALREADY_EXISTS, PATH_NOT_FOUND for a missing parent.
    [[nodiscard]] DWORD createDirectory(std::string_view path);
    // RemoveDirectory: DIR_NOT_EMPTY, DIRECTORY for a file; a link to a
    // folder is removed itself.
    [[nodiscard]] DWORD removeDirectory(std::string_view path);

    // The machine's current directory (never the host process's).
    const std::string& currentDirectory() const;
    [[nodiscard]] DWORD setCurrentDirectory(std::string_view path);

    // GetFullPathName: no name needs to exist.
    [[nodiscard]] DWORD fullPathName(std::string_view path, std::string& out);
    // GetShortPathName / GetLongPathName: the named file must exist.
    [[nodiscard]] DWORD shortPathName(std::string_view path, std::string& out);
    [[nodiscard]] DWORD longPathName(std::string_view path, std::string& out);
    // SearchPath over a ';'-separated folder list: `fileName` alone or with
    // `extension` (".exe") when it has none. A name with a path is looked up
    // as it is. FILE_NOT_FOUND when no folder holds it.
    [[nodiscard]] DWORD searchPath(std::string_view folderList, std::string_view fileName, std::string_view extension,
        std::string& out);

    // The host path of a Windows path, for other platform services.
    [[nodiscard]] DWORD hostPath(std::string_view path, std::string& out, bool* exists = nullptr);

private:
    struct Resolved {
        std::string winPath;
        std::string host;
        std::string hostDir;
        std::string name;
        bool exists = false;
    };
    [[nodiscard]] DWORD resolve(std::string_view path, Resolved& out);
    // resolve, with FILE_NOT_FOUND when the path names nothing.
    [[nodiscard]] DWORD resolveExisting(std::string_view path, Resolved& out);
    // What DeleteFile checks before the file goes: SUCCESS when it may.
    [[nodiscard]] DWORD checkDeleteFile(std::string_view path, Resolved& out);
    [[nodiscard]] DWORD mappedPath(std::string_view path, std::string& out, bool wantShort);

    Machine& machine_;
    DosPaths& paths_;
};

} // namespace kp::win
