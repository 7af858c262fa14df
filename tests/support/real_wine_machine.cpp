#include "tests/support/real_wine_machine.h"

#include "sample/builder/machine_builder.h"
#include "tests/support/wine_prefix.h"

#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kp::test {

namespace {

struct Shared {
    std::unique_ptr<kp::win::Machine> machine;
    std::string error;
    bool tried = false;
};

Shared& shared()
{
    static Shared s;
    return s;
}

bool exists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// Makes the shared prefix unless an earlier process finished it.
bool ensurePrefix(const std::string& dir, std::string& error)
{
    const std::string ready = dir + ".ready";
    if (exists(ready))
        return true;
    if (kp::win::DWORD e = kp::sample::removeMachine(dir)) {
        error = "cannot clear " + dir + " (error " + std::to_string(e) + ")";
        return false;
    }
    if (!makeRealWinePrefix(dir, error))
        return false;
    int fd = ::open(ready.c_str(), O_WRONLY | O_CREAT, 0644);
    if (fd < 0) {
        error = "cannot mark " + dir + " as ready";
        return false;
    }
    ::close(fd);
    return true;
}

} // namespace

kp::win::Machine* realWineMachine()
{
    Shared& s = shared();
    if (s.tried)
        return s.machine.get();
    s.tried = true;
    if (!wineAvailable()) {
        s.error = "Wine (" + std::string(kWineLoader) + ") is not installed";
        return nullptr;
    }
    const std::string dir = "/tmp/kp-real-wine-shared-" + std::to_string(::getuid());
    int lock = ::open((dir + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock < 0 || ::flock(lock, LOCK_EX) != 0) {
        s.error = "cannot lock " + dir + ".lock";
        if (lock >= 0)
            ::close(lock);
        return nullptr;
    }
    bool made = ensurePrefix(dir, s.error);
    ::close(lock);
    if (!made)
        return nullptr;
    if (kp::win::DWORD e = kp::win::Machine::open(dir, s.machine))
        s.error = "cannot open " + dir + " (error " + std::to_string(e) + ")";
    return s.machine.get();
}

const std::string& realWineMachineError()
{
    return shared().error;
}

} // namespace kp::test
