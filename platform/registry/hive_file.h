#pragma once
// One hive file of a prefix (system.reg, user.reg, userdef.reg): its
// document in memory kept in step with the file, changes saved atomically
// under an advisory lock.

#include "platform/registry/hive_document.h"

#include <functional>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

namespace kp::win::reg {

// A change to a hive, replayable on a fresh copy of its file.
using Change = std::function<DWORD(Document&, const Stamp&)>;

class Hive {
public:
    // `rootPath` names the hive for a file that does not exist yet.
    Hive(std::string path, std::string rootPath);

    // Loads the file, or reloads it when another process changed it since.
    // Unsaved changes of an open batch are applied again to the fresh copy.
    [[nodiscard]] DWORD refresh();
    Document& doc() { return doc_; }
    // Changes whenever nodes may have been freed (reload, key removal).
    std::uint64_t epoch() const { return epoch_; }
    void bumpEpoch() { ++epoch_; }

    // Applies a change. Outside a batch the file is locked, reloaded if
    // needed, changed and saved; inside one the change waits for save().
    // A file that was not fully understood is never rewritten (BADDB).
    [[nodiscard]] DWORD apply(const Change& change, bool batched);
    // Saves pending batched changes, if any.
    [[nodiscard]] DWORD save();
    bool hasPending() const { return !pending_.empty(); }

private:
    struct Identity {
        static Identity of(const struct stat& st);
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = 0;
        long long mtimeSec = 0;
        long mtimeNsec = 0;
        long long ctimeSec = 0;
        long ctimeNsec = 0;
        bool exists = false;
        bool operator==(const Identity&) const = default;
    };

    [[nodiscard]] DWORD load();
    [[nodiscard]] DWORD writeFile(const std::string& text);
    [[nodiscard]] DWORD replay();

    std::string path_;
    std::string rootPath_;
    Document doc_;
    bool loaded_ = false;
    DWORD state_ = 0;     // load error that blocks reads, e.g. BADDB
    bool complete_ = true; // every line understood: the file may be rewritten
    Identity identity_;
    std::uint64_t epoch_ = 0;
    std::vector<Change> pending_;
};

} // namespace kp::win::reg
