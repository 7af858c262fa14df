#pragma once
// A throw-away Wine prefix for tests: a temporary folder with drive_c, the
// dosdevices links c: -> ../drive_c and z: -> /, and minimal hive files, opened
// as a Machine. The folder is removed when the TempMachine goes.

#include "platform/machine.h"

#include <memory>
#include <string>
#include <string_view>

namespace kp::test {

class TempMachine {
public:
    TempMachine();
    ~TempMachine();
    TempMachine(const TempMachine&) = delete;
    TempMachine& operator=(const TempMachine&) = delete;

    kp::win::Machine& machine() { return *machine_; }
    const std::string& prefixDir() const { return dir_; }
    std::string driveC() const { return dir_ + "/drive_c"; }

    // Host path of a path under drive_c given with slashes ("a/b.txt").
    std::string hostPath(std::string_view relative) const;

    // Creates a file (and its missing parent folders) under drive_c.
    void writeFile(std::string_view relative, std::string_view content = {});
    void makeDir(std::string_view relative);
    // Reads a file under drive_c; "" when it cannot be read.
    std::string readFile(std::string_view relative) const;
    bool exists(std::string_view relative) const;

    // Reopens the Machine, dropping everything it has cached.
    void reopen();

private:
    std::string dir_;
    std::unique_ptr<kp::win::Machine> machine_;
};

// Removes a host folder tree without following symbolic links, making
// read-only folders writable first.
void removeTree(const std::string& path);

} // namespace kp::test
