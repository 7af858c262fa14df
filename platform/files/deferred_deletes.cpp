#include "platform/files/deferred_deletes.h"

#include "platform/host/win_error.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kp::win {

namespace {
// Enough to keep the worker busy, few enough to bound the memory.
constexpr std::size_t kQueueLimit = 4096;
} // namespace

DeferredDeletes::~DeferredDeletes()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable())
        worker_.join();
}

int DeferredDeletes::holdFolder(const std::string& hostDir)
{
    struct stat now {};
    if (::stat(hostDir.c_str(), &now) != 0 || !S_ISDIR(now.st_mode))
        return -1;
    HeldFolder& held = held_[hostDir];
    if (held.fd >= 0 && held.device == now.st_dev && held.inode == now.st_ino)
        return held.fd;
    // The path leads to another folder than the one held: hold that one.
    UniqueFd fd(::open(hostDir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat opened {};
    if (!fd || ::fstat(fd.get(), &opened) != 0 || opened.st_dev != now.st_dev || opened.st_ino != now.st_ino)
        return -1;
    held = HeldFolder {fd.get(), std::uint64_t(now.st_dev), std::uint64_t(now.st_ino)};
    descriptors_.push_back(std::move(fd));
    return held.fd;
}

DWORD DeferredDeletes::add(const std::string& hostDir, const std::string& name, DWORD* outcome)
{
    const int folder = holdFolder(hostDir);
    if (folder < 0)
        return err::PATH_NOT_FOUND;
    std::unique_lock lock(mutex_);
    if (!worker_.joinable())
        worker_ = std::thread(&DeferredDeletes::work, this);
    changed_.wait(lock, [&] { return queue_.size() < kQueueLimit; });
    queue_.push_back(Removal {folder, name, outcome});
    ++queued_;
    changed_.notify_all();
    return err::SUCCESS;
}

std::size_t DeferredDeletes::mark()
{
    std::lock_guard lock(mutex_);
    return queued_;
}

void DeferredDeletes::waitFor(std::size_t mark)
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return done_ >= mark; });
}

void DeferredDeletes::finish()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return queue_.empty() && !removing_; });
}

std::size_t DeferredDeletes::failures()
{
    std::lock_guard lock(mutex_);
    return failures_;
}

void DeferredDeletes::work()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
        if (queue_.empty())
            return; // stopping with nothing left
        const Removal removal = std::move(queue_.front());
        queue_.pop_front();
        removing_ = true;
        changed_.notify_all();
        lock.unlock();
        const bool failed = ::unlinkat(removal.folder, removal.name.c_str(), 0) != 0 && errno != ENOENT;
        const DWORD code = failed ? errorFromErrno(errno) : err::SUCCESS;
        lock.lock();
        removing_ = false;
        ++done_;
        failures_ += failed ? 1 : 0;
        if (removal.outcome)
            *removal.outcome = code;
        changed_.notify_all();
    }
}

} // namespace kp::win
