#include "tests/support/built_machine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace kp::test {

std::string makeScratchFolder(const char* tag)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kp-" + tag + "-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data()))
        return {};
    return buffer.data();
}

kp::sample::MachineSpec BuiltMachine::fixedSpec()
{
    kp::sample::MachineSpec recipe;
    recipe.now = 1796515200; // 2026-12-06 00:00 UTC
    return recipe;
}

BuiltMachine::BuiltMachine(const kp::sample::MachineSpec& recipe)
{
    std::string scratch = makeScratchFolder("machine");
    if (scratch.empty()) {
        ADD_FAILURE() << "cannot make a temporary folder";
        return;
    }
    dir_ = scratch + "/prefix";
    if (kp::win::DWORD e = kp::sample::buildMachine(dir_, recipe)) {
        ADD_FAILURE() << "buildMachine failed with " << e;
        return;
    }
    reopen();
}

BuiltMachine::~BuiltMachine()
{
    machine_.reset();
    if (dir_.empty())
        return;
    kp::sample::removeMachine(dir_);
    ::rmdir(dir_.substr(0, dir_.rfind('/')).c_str());
}

void BuiltMachine::reopen()
{
    machine_.reset();
    if (kp::win::DWORD e = kp::win::Machine::open(dir_, machine_))
        ADD_FAILURE() << "Machine::open failed with " << e;
}

std::string BuiltMachine::hostPath(const std::string& winPath) const
{
    std::string out = dir_ + "/drive_c";
    for (char c : winPath.substr(2))
        out += c == '\\' ? '/' : c;
    return out;
}

} // namespace kp::test
