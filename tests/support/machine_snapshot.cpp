#include "tests/support/machine_snapshot.h"

#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <vector>

namespace kp::test {

namespace {

void addKeys(win::Registry& registry, win::RegRoot root, const std::string& rootName, const std::string& path,
             MachineSnapshot& out)
{
    win::RegKey key;
    if (registry.openKey(root, path, false, key) != win::err::SUCCESS)
        return;
    const std::string id = rootName + "\\" + path;
    out[id + "\\"] = "key";
    std::string name;
    win::RegValue value;
    for (win::DWORD i = 0; registry.enumValue(key, i, name, value) == win::err::SUCCESS; ++i)
        out[id + "[" + name + "]"] = std::to_string(value.type) + ":" + std::string(value.data.begin(), value.data.end());
    std::vector<std::string> children;
    for (win::DWORD i = 0; registry.enumKey(key, i, name) == win::err::SUCCESS; ++i)
        children.push_back(name);
    for (const std::string& child : children)
        addKeys(registry, root, rootName, path.empty() ? child : path + "\\" + child, out);
}

} // namespace

MachineSnapshot snapshotMachine(win::Machine& machine, const std::string& prefixDir)
{
    MachineSnapshot out;
    addKeys(machine.registry(), win::RegRoot::CurrentUser, "HKCU", "", out);
    addKeys(machine.registry(), win::RegRoot::LocalMachine, "HKLM", "", out);
    const std::filesystem::path drive = prefixDir + "/drive_c";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(drive)) {
        std::string name = "C:";
        for (char c : entry.path().string().substr(drive.string().size()))
            name += c == '/' ? '\\' : c;
        out[name] = entry.is_regular_file() && !entry.is_symlink() ? readFile(entry.path()) : "folder";
    }
    return out;
}

std::set<std::string> snapshotChanges(const MachineSnapshot& before, const MachineSnapshot& after)
{
    std::set<std::string> out;
    for (const auto& [name, content] : before) {
        const auto now = after.find(name);
        if (now == after.end())
            out.insert("-" + name);
        else if (now->second != content)
            out.insert("~" + name);
    }
    for (const auto& [name, content] : after)
        if (!before.count(name))
            out.insert("+" + name);
    return out;
}

} // namespace kp::test
