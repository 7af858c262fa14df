#include "platform/system/pe_exports.h"

#include "sample/builder/pe_image.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace kp::win;

namespace {

std::string imageExporting(std::vector<std::string> functions)
{
    kp::sample::ImageVersion v;
    v.originalFilename = "SHELL32.DLL";
    v.exports = std::move(functions);
    return kp::sample::makeVersionedDll(v);
}

std::string hostFile(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

} // namespace

TEST(PeExports, FindsAFunctionByItsWholeName)
{
    struct Case {
        const char* name;
        std::string image;
        const char* function;
        DWORD result;
        bool exported;
    };
    const std::string shell = imageExporting({"SHEmptyRecycleBinA", "SHEmptyRecycleBinW"});
    std::string namesPastEnd = shell;
    namesPastEnd[0x58 + 96 + 2] = 0x05; // the export directory's RVA, now past every section
    const Case cases[] = {
        {"exported", shell, "SHEmptyRecycleBinA", err::SUCCESS, true},
        {"a prefix is no name", shell, "SHEmptyRecycleBin", err::SUCCESS, false},
        {"case counts", shell, "shemptyrecyclebina", err::SUCCESS, false},
        {"no export table", imageExporting({}), "SHEmptyRecycleBinA", err::SUCCESS, false},
        {"not an image", std::string(4096, 'M'), "SHEmptyRecycleBinA", err::BAD_FORMAT, false},
        {"table outside the sections", namesPastEnd, "SHEmptyRecycleBinA", err::INVALID_DATA, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool exported = !c.exported;
        EXPECT_EQ(imageExports(c.image, c.function, exported), c.result);
        EXPECT_EQ(exported, c.exported);
    }
    const std::size_t used = shell.find_last_not_of('\0') + 1;
    for (std::size_t length = 0; length < used; length += 7) {
        bool exported = false;
        EXPECT_NE(imageExports(std::string_view(shell).substr(0, length), "SHEmptyRecycleBinW", exported),
                  err::SUCCESS) << length;
    }
}

TEST(PeExports, WinesOwnShellLibraryEmptiesTheRecycleBin)
{
    const std::string image = hostFile("/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/shell32.dll");
    if (image.empty())
        GTEST_SKIP() << "Wine's 64-bit libraries are not installed";
    bool exported = false;
    ASSERT_EQ(imageExports(image, "SHEmptyRecycleBinA", exported), err::SUCCESS);
    EXPECT_TRUE(exported);
    ASSERT_EQ(imageExports(image, "NoSuchFunction", exported), err::SUCCESS);
    EXPECT_FALSE(exported);
}
