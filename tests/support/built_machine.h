#pragma once
// A sample machine written by the machine builder into a temporary folder
// and opened, for tests; the folder is removed when the object goes.

#include "platform/machine.h"
#include "sample/builder/machine_builder.h"

#include <memory>
#include <string>

namespace kp::test {

class BuiltMachine {
public:
    // Fails the current test (ADD_FAILURE) when the machine cannot be built.
    explicit BuiltMachine(const kp::sample::MachineSpec& recipe = fixedSpec());
    ~BuiltMachine();
    BuiltMachine(const BuiltMachine&) = delete;
    BuiltMachine& operator=(const BuiltMachine&) = delete;

    bool ok() const { return static_cast<bool>(machine_); }
    kp::win::Machine& machine() { return *machine_; }
    const std::string& prefixDir() const { return dir_; }
    // Host path of a Windows path on drive C:.
    std::string hostPath(const std::string& winPath) const;
    // Drops everything the Machine has cached (registry, environment, folders).
    void reopen();

    // The default recipe with a fixed "now", so that builds agree across days.
    static kp::sample::MachineSpec fixedSpec();

private:
    std::string dir_;
    std::unique_ptr<kp::win::Machine> machine_;
};

// A fresh empty temporary folder (mkdtemp under $TMPDIR or /tmp).
std::string makeScratchFolder(const char* tag);

} // namespace kp::test
