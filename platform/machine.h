#pragma once
// The Windows machine being cleaned: one Wine prefix. It owns the state that
// every platform service shares (path resolution with its folder cache, the
// registry hives, the current directory); the services themselves are small
// objects made over a Machine.

#include "platform/win32.h"

#include <memory>
#include <string>

namespace kp::win {

class DosPaths;
class Environment;
class Registry;

class Machine {
public:
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // Opens the prefix in the host folder `prefixDir`. Fails with
    // PATH_NOT_FOUND when the folder does not exist and BAD_FORMAT when it is
    // not a Wine prefix (no dosdevices folder or no system.reg).
    [[nodiscard]] static DWORD open(const std::string& prefixDir, std::unique_ptr<Machine>& out);

    // Checks what every run needs of an open machine: the hives system.reg
    // and user.reg are registry files, and drive C: leads to a folder that
    // is not the host's root. On failure returns a Win32 code and sets
    // `problem` to a sentence that names what is wrong.
    [[nodiscard]] DWORD validate(std::string& problem);

    // The prefix Wine itself would use: $WINEPREFIX, else ~/.wine.
    static std::string defaultPrefixDir();

    const std::string& prefixDir() const { return prefixDir_; }
    DosPaths& paths() { return *paths_; }
    Registry& registry() { return *registry_; }
    // The process environment, built from the registry at first use.
    Environment& environment();

    // The process's current directory as a Windows path, kept here and never
    // taken from or given to the host process.
    const std::string& currentDirectory() const { return currentDirectory_; }
    void setCurrentDirectoryUnchecked(std::string winPath) { currentDirectory_ = std::move(winPath); }

private:
    explicit Machine(std::string prefixDir);

    std::string prefixDir_;
    std::unique_ptr<DosPaths> paths_;
    std::unique_ptr<Registry> registry_;
    std::unique_ptr<Environment> environment_;
    std::string currentDirectory_ = "C:\\";
};

} // namespace kp::win
