// File attributes as real Wine (Debian's wine64) reads and writes them.

#include "platform/files/file_system.h"

#include "platform/files/win_path.h"
#include "platform/machine.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wine_prefix.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

using namespace kp::win;

namespace {

// `attrib` output: the letters before each path. `output` keeps what Wine
// printed, for the failure message.
std::map<std::string, std::string> wineAttributes(const std::string& prefix, const std::string& pattern, std::string& output)
{
    int status = kp::test::runWine(prefix, {"cmd", "/c", "attrib " + pattern}, output);
    output = "exit status " + std::to_string(status) + ", output:\n" + output;
    std::map<std::string, std::string> out;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        std::size_t path = line.find("C:\\");
        if (path == std::string::npos)
            continue;
        std::string flags;
        for (char c : line.substr(0, path))
            if (c != ' ')
                flags += c;
        std::string name = line.substr(path);
        while (!name.empty() && (name.back() == '\r' || name.back() == ' '))
            name.pop_back();
        out[std::string(nameOf(name))] = flags;
    }
    return out;
}

} // namespace

TEST(FileAttributesWine, WineSeesOurAttributesAndWeSeeWines)
{
    if (!kp::test::wineAvailable())
        GTEST_SKIP() << "wine64 is not installed";
    kp::test::TempDir dir;
    const std::string prefix = dir.path() + "/prefix";
    std::string error;
    ASSERT_TRUE(kp::test::makeRealWinePrefix(prefix, error)) << error;
    std::unique_ptr<Machine> machine;
    ASSERT_EQ(Machine::open(prefix, machine), err::SUCCESS);
    FileSystem fs(*machine);

    ASSERT_EQ(fs.createDirectory("C:\\kp"), err::SUCCESS);
    for (const char* name : {"plain.txt", "hidden.txt", "system.txt", "readonly.txt", "wine.txt"}) {
        File f;
        ASSERT_EQ(fs.createFile(std::string("C:\\kp\\") + name, access::GENERIC_WRITE, 0, Disposition::CreateNew,
                      attr::NORMAL, f),
            err::SUCCESS);
    }
    ASSERT_EQ(fs.setAttributes("C:\\kp\\hidden.txt", attr::HIDDEN), err::SUCCESS);
    ASSERT_EQ(fs.setAttributes("C:\\kp\\system.txt", attr::SYSTEM | attr::HIDDEN), err::SUCCESS);
    ASSERT_EQ(fs.setAttributes("C:\\kp\\readonly.txt", attr::READONLY), err::SUCCESS);

    std::string output;
    auto seen = wineAttributes(prefix, "C:\\kp\\*", output);
    EXPECT_EQ(seen["plain.txt"], "A") << output;
    EXPECT_EQ(seen["hidden.txt"], "AH") << output;
    EXPECT_EQ(seen["system.txt"], "ASH") << output;
    EXPECT_EQ(seen["readonly.txt"], "AR") << output;

    kp::test::runWine(prefix, {"cmd", "/c", "attrib +h C:\\kp\\wine.txt"}, output);
    kp::test::stopWineSession(prefix);
    DWORD attributes = 0;
    ASSERT_EQ(fs.getAttributes("C:\\kp\\wine.txt", attributes), err::SUCCESS);
    EXPECT_EQ(attributes, attr::ARCHIVE | attr::HIDDEN);
}
