#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace kp::test {

namespace {

void writeText(const std::string& path, std::string_view text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

} // namespace

void removeTree(const std::string& path)
{
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(path, ec)))
        return;
    for (auto it = fs::recursive_directory_iterator(path, fs::directory_options::skip_permission_denied, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path, ec);
}

TempMachine::TempMachine()
{
    std::string pattern = (fs::temp_directory_path() / "kp-machine-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        ADD_FAILURE() << "cannot create a temporary folder";
        return;
    }
    dir_ = pattern;
    fs::create_directories(dir_ + "/drive_c");
    fs::create_directories(dir_ + "/dosdevices");
    fs::create_symlink("../drive_c", dir_ + "/dosdevices/c:");
    fs::create_symlink("/", dir_ + "/dosdevices/z:");
    writeText(dir_ + "/system.reg", "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n");
    writeText(dir_ + "/user.reg",
        "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n");
    writeText(dir_ + "/userdef.reg",
        "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\.Default\n\n#arch=win64\n");
    reopen();
}

TempMachine::~TempMachine()
{
    machine_.reset();
    if (!dir_.empty())
        removeTree(dir_);
}

void TempMachine::reopen()
{
    machine_.reset();
    if (kp::win::DWORD e = kp::win::Machine::open(dir_, machine_))
        ADD_FAILURE() << "cannot open the temporary machine: error " << e;
}

std::string TempMachine::hostPath(std::string_view relative) const
{
    return driveC() + "/" + std::string(relative);
}

void TempMachine::makeDir(std::string_view relative)
{
    fs::create_directories(hostPath(relative));
}

void TempMachine::writeFile(std::string_view relative, std::string_view content)
{
    fs::path path = hostPath(relative);
    fs::create_directories(path.parent_path());
    writeText(path.string(), content);
}

std::string TempMachine::readFile(std::string_view relative) const
{
    std::ifstream in(hostPath(relative), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool TempMachine::exists(std::string_view relative) const
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(hostPath(relative), ec));
}

} // namespace kp::test
