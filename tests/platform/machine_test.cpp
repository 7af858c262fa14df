#include "platform/machine.h"

#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

using namespace kp::win;
using kp::test::TempMachine;

TEST(Machine, ValidateNamesAnUnusableRegistryOrDriveC)
{
    namespace fs = std::filesystem;
    auto write = [](const std::string& path, std::string_view bytes) { std::ofstream(path, std::ios::binary) << bytes; };
    auto relink = [](const std::string& dir, const std::string& target) {
        fs::remove(dir + "/dosdevices/c:");
        fs::create_symlink(target, dir + "/dosdevices/c:");
    };
    const struct {
        const char* name;
        std::function<void(const std::string& dir)> spoil;
        DWORD code;
        const char* problem;
    } cases[] = {
        {"usable", [](const std::string&) {}, err::SUCCESS, ""},
        {"user.reg missing", [](const std::string& d) { fs::remove(d + "/user.reg"); }, err::FILE_NOT_FOUND,
         "The registry file user.reg is missing."},
        {"user.reg empty", [&](const std::string& d) { write(d + "/user.reg", ""); }, err::BADDB,
         "The registry file user.reg is empty or damaged."},
        {"user.reg random bytes", [&](const std::string& d) { write(d + "/user.reg", "\x7f\x01\xfe junk\n\0x"); },
         err::BADDB, "The registry file user.reg is empty or damaged."},
        {"user.reg a folder", [](const std::string& d) { fs::remove(d + "/user.reg"); fs::create_directory(d + "/user.reg"); },
         err::BADDB, "The registry file user.reg is not a file."},
        {"system.reg damaged", [&](const std::string& d) { write(d + "/system.reg", "REGEDIT4\n"); }, err::BADDB,
         "The registry file system.reg is empty or damaged."},
        {"c: missing", [](const std::string& d) { fs::remove(d + "/dosdevices/c:"); }, err::INVALID_DRIVE,
         "Drive C: is missing (no dosdevices/c: link)."},
        {"c: dangling", [&](const std::string& d) { relink(d, "../no_such_drive"); }, err::INVALID_DRIVE,
         "Drive C: leads to a folder that does not exist."},
        {"c: looping", [&](const std::string& d) { relink(d, "c:"); }, err::INVALID_DRIVE,
         "Drive C: is a link that leads back to itself."},
        {"c: the host's root", [&](const std::string& d) { relink(d, "/"); }, err::INVALID_DRIVE,
         "Drive C: is the host's root folder."},
        {"c: a file", [&](const std::string& d) { write(d + "/plain", "x"); relink(d, "../plain"); },
         err::INVALID_DRIVE, "Drive C: does not lead to a folder."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempMachine tm;
        c.spoil(tm.prefixDir());
        tm.reopen();
        std::string problem;
        EXPECT_EQ(tm.machine().validate(problem), c.code);
        EXPECT_EQ(problem, c.problem);
    }
}
