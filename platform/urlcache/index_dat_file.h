#pragma once
// An index.dat on the host, kept loaded between calls and reloaded when the
// file changes. Loading takes a shared advisory lock (flock); an edit holds
// an exclusive one from the check for changes to the write-back, and writes
// back only the byte ranges it changed, through a shared mapping of the file
// as wininet keeps it (then stamps the file's modification time).

#include "platform/host/unique_fd.h"
#include "platform/urlcache/index_dat.h"

#include <functional>
#include <string>
#include <sys/stat.h>

namespace kp::win {

class IndexDatFile {
public:
    IndexDatFile() = default;
    ~IndexDatFile();
    IndexDatFile(const IndexDatFile&) = delete;
    IndexDatFile& operator=(const IndexDatFile&) = delete;

    // Opens an existing index file (never through a symbolic link) and loads
    // it. FILE_NOT_FOUND, ACCESS_DENIED, or the parse error.
    [[nodiscard]] DWORD open(const std::string& hostPath);

    // Writes a new index file atomically (write, fsync, rename); FILE_EXISTS
    // when one is there.
    [[nodiscard]] static DWORD create(const std::string& hostPath, const IndexFile& index);

    // Reloads the index when the file changed since it was loaded or written
    // (reopening its path when the file was deleted or replaced).
    [[nodiscard]] DWORD refresh();
    const IndexFile& index() const { return index_; }
    const std::string& hostPath() const { return path_; }

    // Whether an edit may write the file now: ACCESS_DENIED when it could
    // only be opened for reading, or is read-only (no write permission for
    // its owner: Windows' read-only attribute, which refuses writing to
    // every user).
    [[nodiscard]] DWORD checkWritable();

    // Runs `change` on the current index under the exclusive lock and writes
    // back what it changed. Nothing is written when it fails or when the
    // file cannot be written (checkWritable).
    [[nodiscard]] DWORD edit(const std::function<DWORD(IndexFile&)>& change);

private:
    [[nodiscard]] DWORD reopenIfGone();
    [[nodiscard]] DWORD load();
    bool unchangedSince(bool compareHeader);
    void close();
    [[nodiscard]] DWORD mapForWriting();

    UniqueFd fd_;
    bool writable_ = false;
    std::string path_;
    struct stat loadedStat_ {};
    IndexFile index_;
    bool loaded_ = false;
    void* map_ = nullptr;
    std::size_t mapSize_ = 0;
};

} // namespace kp::win
