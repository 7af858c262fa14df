#pragma once
// Removes files on a worker thread, so that the waits a file system's
// deletions bring (a disk told of every block freed) overlap other work.
// Only the last step of a delete comes here: the caller has checked the
// file. Each file's folder is held open from then on, so that the name is
// removed from the folder checked even if its path comes to lead elsewhere.
// Removals are done in the order they were queued.

#include "platform/host/unique_fd.h"
#include "platform/win32.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace kp::win {

class DeferredDeletes {
public:
    DeferredDeletes() = default;
    ~DeferredDeletes(); // finishes
    DeferredDeletes(const DeferredDeletes&) = delete;
    DeferredDeletes& operator=(const DeferredDeletes&) = delete;

    // Queues `name` in the host folder `hostDir` for removal; waits while
    // many are queued. PATH_NOT_FOUND when the folder cannot be held. The
    // removal's Win32 code goes to `outcome` (SUCCESS when the name was
    // already gone), which must live until a wait covering it returns.
    [[nodiscard]] DWORD add(const std::string& hostDir, const std::string& name, DWORD* outcome = nullptr);
    // How many removals were queued so far: a mark to wait for.
    std::size_t mark();
    // Returns once the first `mark` removals queued are done (or failed).
    void waitFor(std::size_t mark);
    // Returns once every file queued is removed (or could not be).
    void finish();
    // Files that could not be removed, other than those already gone.
    std::size_t failures();

private:
    struct Removal {
        int folder; // descriptor in folders_
        std::string name;
        DWORD* outcome;
    };
    struct HeldFolder {
        int fd = -1;
        std::uint64_t device = 0, inode = 0;
    };

    int holdFolder(const std::string& hostDir);
    void work();

    // Touched by the caller's thread only.
    std::unordered_map<std::string, HeldFolder> held_;
    std::vector<UniqueFd> descriptors_; // every folder held, closed at the end

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Removal> queue_;
    bool removing_ = false; // the worker holds a removal taken from the queue
    bool stopping_ = false;
    std::size_t queued_ = 0; // removals queued so far
    std::size_t done_ = 0;   // of those, removals done
    std::size_t failures_ = 0;
    std::thread worker_;
};

} // namespace kp::win
