// File attributes as real Wine (Debian's wine64) reads and writes them.

#include "platform/files/file_system.h"

#include "platform/machine.h"
#include "tests/support/real_wine_prefix.h"
#include "tests/support/wine_prefix.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace kp::win;

namespace {

// The letters that `attrib` printed before the path of `name`.
std::string attribLetters(const std::string& output, const std::string& name)
{
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t path = line.find("C:\\kp\\" + name);
        if (path == std::string::npos)
            continue;
        std::string letters;
        for (char c : line.substr(0, path))
            if (c != ' ')
                letters += c;
        return letters;
    }
    return "<not listed>";
}

} // namespace

using FileAttributesWine = kp::test::RealWinePrefixTest;

TEST_F(FileAttributesWine, WineSeesOurAttributesAndWeSeeWines)
{
    std::unique_ptr<Machine> machine;
    ASSERT_EQ(Machine::open(prefix, machine), err::SUCCESS);
    FileSystem fs(*machine);
    ASSERT_EQ(fs.createDirectory("C:\\kp"), err::SUCCESS);
    const std::pair<const char*, DWORD> ours[] = {{"plain.txt", 0}, {"hidden.txt", attr::HIDDEN},
        {"system.txt", attr::SYSTEM | attr::HIDDEN}, {"readonly.txt", attr::READONLY}, {"wine.txt", 0}};
    for (const auto& [name, attributes] : ours) {
        File f;
        ASSERT_EQ(fs.createFile(std::string("C:\\kp\\") + name, access::GENERIC_WRITE, 0, Disposition::CreateNew,
                      attr::NORMAL, f),
            err::SUCCESS);
        if (attributes) {
            ASSERT_EQ(fs.setAttributes(std::string("C:\\kp\\") + name, attributes), err::SUCCESS);
        }
    }
    std::string output;
    const int status = kp::test::runWine(prefix, {"cmd", "/c", "attrib C:\\kp\\*"}, output);
    output = "exit status " + std::to_string(status) + ", output:\n" + output;
    EXPECT_EQ(attribLetters(output, "plain.txt"), "A") << output;
    EXPECT_EQ(attribLetters(output, "hidden.txt"), "AH") << output;
    EXPECT_EQ(attribLetters(output, "system.txt"), "ASH") << output;
    EXPECT_EQ(attribLetters(output, "readonly.txt"), "AR") << output;

    kp::test::runWine(prefix, {"cmd", "/c", "attrib +h C:\\kp\\wine.txt"}, output);
    kp::test::stopWineSession(prefix);
    DWORD attributes = 0;
    ASSERT_EQ(fs.getAttributes("C:\\kp\\wine.txt", attributes), err::SUCCESS);
    EXPECT_EQ(attributes, attr::ARCHIVE | attr::HIDDEN);
}
