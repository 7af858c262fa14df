#include "platform/profile/profile.h"

#include "platform/files/file_system.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

using namespace kp::win;
using namespace std::string_literals;
using kp::test::TempMachine;

namespace {

const char* kSettings =
    "; Klenzor settings\r\n"
    "[General]\r\n"
    "  Hints = 1 \r\n"
    "Quoted=\"  spaced  \"\r\n"
    "Single='x'\r\n"
    "Odd=\"open\r\n"
    "Flag\r\n"
    "Empty=\r\n"
    "\r\n"
    "[Auto]\n"
    "Cookies=0\n"
    "[general]\r\n"
    "Hints=2\r\n";

std::string read(Profile& profile, std::string_view section, std::string_view key, DWORD* error = nullptr)
{
    std::string out;
    DWORD e = profile.getString(section, key, "dflt  ", "C:\\Data\\KlenPro.Ini", out);
    if (error)
        *error = e;
    return out;
}

ino_t inodeOf(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

} // namespace

TEST(ProfileRead, NamesIgnoreCaseValuesAreTrimmedAndUnquoted)
{
    TempMachine tm;
    tm.writeFile("Data/KlenPro.Ini", kSettings);
    Profile profile(tm.machine());

    EXPECT_EQ(read(profile, "GENERAL", "hints"), "1");
    EXPECT_EQ(read(profile, " general ", " HINTS "), "1"); // the first section of a name wins
    EXPECT_EQ(read(profile, "General", "Quoted"), "  spaced  ");
    EXPECT_EQ(read(profile, "General", "Single"), "x");
    EXPECT_EQ(read(profile, "General", "Odd"), "\"open");
    EXPECT_EQ(read(profile, "General", "Flag"), "");
    EXPECT_EQ(read(profile, "General", "Empty"), "");
    EXPECT_EQ(read(profile, "auto", "COOKIES"), "0");

    DWORD e = 0;
    EXPECT_EQ(read(profile, "General", "Missing", &e), "dflt");
    EXPECT_EQ(e, err::FILE_NOT_FOUND);
    EXPECT_EQ(read(profile, "Nowhere", "Hints", &e), "dflt");
    EXPECT_EQ(e, err::FILE_NOT_FOUND);
    std::string out;
    EXPECT_EQ(profile.getString("General", "Hints", "d", "C:\\Data\\None.ini", out), err::FILE_NOT_FOUND);
    EXPECT_EQ(out, "d");
}

TEST(ProfileRead, IntegersReadAsWindowsReadsThem)
{
    TempMachine tm;
    tm.writeFile("Data/n.ini", "[N]\nplain=42\ntrail= 17 days\nneg=-1\nhex=0x1F\nword=abc\nempty=\n");
    Profile profile(tm.machine());
    const char* file = "C:\\Data\\n.ini";
    EXPECT_EQ(profile.getInt("N", "plain", 5, file), 42u);
    EXPECT_EQ(profile.getInt("N", "trail", 5, file), 17u);
    EXPECT_EQ(profile.getInt("N", "neg", 5, file), 0xFFFFFFFFu);
    EXPECT_EQ(profile.getInt("N", "hex", 5, file), 31u);
    EXPECT_EQ(profile.getInt("N", "word", 5, file), 0u);
    EXPECT_EQ(profile.getInt("N", "empty", 5, file), 5u);
    EXPECT_EQ(profile.getInt("N", "missing", -3, file), DWORD(-3));
}

TEST(ProfileRead, EnumeratesSectionsAndKeys)
{
    TempMachine tm;
    tm.writeFile("Data/KlenPro.Ini", kSettings);
    Profile profile(tm.machine());
    std::vector<std::string> names;
    ASSERT_EQ(profile.sectionNames("C:\\Data\\KlenPro.Ini", names), err::SUCCESS);
    EXPECT_EQ(names, (std::vector<std::string> {"General", "Auto", "general"}));
    ASSERT_EQ(profile.keyNames("GENERAL", "C:\\Data\\KlenPro.Ini", names), err::SUCCESS);
    EXPECT_EQ(names, (std::vector<std::string> {"Hints", "Quoted", "Single", "Odd", "Flag", "Empty"}));
    EXPECT_EQ(profile.keyNames("Nope", "C:\\Data\\KlenPro.Ini", names), err::FILE_NOT_FOUND);
    EXPECT_EQ(profile.sectionNames("C:\\Data\\none.ini", names), err::FILE_NOT_FOUND);
}

TEST(ProfileWrite, CreatesTheFileWithCrLfLines)
{
    TempMachine tm;
    tm.makeDir("Data");
    tm.makeDir("Windows");
    Profile profile(tm.machine());
    ASSERT_EQ(profile.writeString("Settings", "Version", "2.3", "C:\\data\\new.ini"), err::SUCCESS);
    ASSERT_EQ(profile.writeString("Settings", "Log", "Y", "C:\\data\\new.ini"), err::SUCCESS);
    ASSERT_EQ(profile.writeString("Boot", "Cookies", "1", "C:\\data\\new.ini"), err::SUCCESS);
    EXPECT_EQ(tm.readFile("Data/new.ini"), "[Settings]\r\nVersion=2.3\r\nLog=Y\r\n[Boot]\r\nCookies=1\r\n");

    // A name without a folder lives in the Windows folder.
    ASSERT_EQ(profile.writeString("S", "k", "v", "win.ini"), err::SUCCESS);
    EXPECT_EQ(tm.readFile("Windows/win.ini"), "[S]\r\nk=v\r\n");
    std::string out;
    EXPECT_EQ(profile.getString("s", "K", "", "WIN.INI", out), err::SUCCESS);
    EXPECT_EQ(out, "v");

    EXPECT_EQ(profile.writeString("S", "k", "v", "C:\\Missing\\x.ini"), err::PATH_NOT_FOUND);
    EXPECT_EQ(profile.writeString(std::nullopt, "k", "v", "C:\\data\\new.ini"), err::FILE_NOT_FOUND);
    // Deleting from a file that does not exist creates nothing.
    EXPECT_EQ(profile.writeString("S", "k", std::nullopt, "C:\\data\\none.ini"), err::SUCCESS);
    EXPECT_FALSE(tm.exists("Data/none.ini"));
}

TEST(ProfileWrite, ChangesOnlyTheLinesItMust)
{
    TempMachine tm;
    tm.writeFile("Data/KlenPro.Ini", kSettings);
    Profile profile(tm.machine());
    const char* file = "C:\\Data\\KlenPro.Ini";

    ASSERT_EQ(profile.writeString("general", "HINTS", "0", file), err::SUCCESS);
    ASSERT_EQ(profile.writeString("Auto", "History", "1", file), err::SUCCESS);
    ASSERT_EQ(profile.writeString("General", "New", " v ", file), err::SUCCESS);
    EXPECT_EQ(tm.readFile("Data/KlenPro.Ini"),
        "; Klenzor settings\r\n"
        "[General]\r\n"
        "Hints=0\r\n"
        "Quoted=\"  spaced  \"\r\n"
        "Single='x'\r\n"
        "Odd=\"open\r\n"
        "Flag\r\n"
        "Empty=\r\n"
        "New=v\r\n"
        "\r\n"
        "[Auto]\n"
        "Cookies=0\n"
        "History=1\r\n"
        "[general]\r\n"
        "Hints=2\r\n");

    ASSERT_EQ(profile.writeString("General", "Quoted", std::nullopt, file), err::SUCCESS);
    ASSERT_EQ(profile.writeString("GENERAL", std::nullopt, std::nullopt, file), err::SUCCESS);
    EXPECT_EQ(tm.readFile("Data/KlenPro.Ini"),
        "; Klenzor settings\r\n"
        "[Auto]\n"
        "Cookies=0\n"
        "History=1\r\n");

    // Writing what is there already leaves the file alone.
    std::string host = tm.hostPath("Data/KlenPro.Ini");
    ino_t before = inodeOf(host);
    ASSERT_EQ(profile.writeString("Auto", "cookies", "0", file), err::SUCCESS);
    EXPECT_EQ(inodeOf(host), before);
}

TEST(ProfileWrite, AFileWithoutAFinalLineEndGetsOne)
{
    TempMachine tm;
    tm.writeFile("a.ini", "[A]\nx=1");
    tm.writeFile("b.ini", "[B]");
    Profile profile(tm.machine());
    ASSERT_EQ(profile.writeString("A", "y", "2", "C:\\a.ini"), err::SUCCESS);
    EXPECT_EQ(tm.readFile("a.ini"), "[A]\nx=1\r\ny=2\r\n");
    ASSERT_EQ(profile.writeString("C", "z", "3", "C:\\b.ini"), err::SUCCESS);
    EXPECT_EQ(tm.readFile("b.ini"), "[B]\r\n[C]\r\nz=3\r\n");
    ASSERT_EQ(profile.writeString("B", "w", "4", "C:\\b.ini"), err::SUCCESS);
    EXPECT_EQ(tm.readFile("b.ini"), "[B]\r\nw=4\r\n[C]\r\nz=3\r\n");
}

TEST(ProfileWrite, KeepsAttributesAndRefusesReadOnlyFiles)
{
    TempMachine tm;
    tm.writeFile("hidden.ini", "[S]\r\nk=1\r\n");
    tm.writeFile("locked.ini", "[S]\r\nk=1\r\n");
    FileSystem fs(tm.machine());
    ASSERT_EQ(fs.setAttributes("C:\\hidden.ini", attr::HIDDEN | attr::SYSTEM), err::SUCCESS);
    ASSERT_EQ(fs.setAttributes("C:\\locked.ini", attr::READONLY), err::SUCCESS);
    Profile profile(tm.machine());

    ASSERT_EQ(profile.writeString("S", "k", "2", "C:\\hidden.ini"), err::SUCCESS);
    DWORD a = 0;
    ASSERT_EQ(fs.getAttributes("C:\\hidden.ini", a), err::SUCCESS);
    EXPECT_EQ(a, attr::ARCHIVE | attr::HIDDEN | attr::SYSTEM);
    EXPECT_EQ(tm.readFile("hidden.ini"), "[S]\r\nk=2\r\n");

    EXPECT_EQ(profile.writeString("S", "k", "2", "C:\\locked.ini"), err::ACCESS_DENIED);
    EXPECT_EQ(tm.readFile("locked.ini"), "[S]\r\nk=1\r\n");
    tm.makeDir("folder.ini");
    EXPECT_EQ(profile.writeString("S", "k", "2", "C:\\folder.ini"), err::ACCESS_DENIED);
}

// A settings file that is a link is written through it, as Windows and
// Wine do, unless what it leads to is read-only.
TEST(ProfileWrite, WritesThroughALinkAndKeepsItButNotToAReadOnlyFile)
{
    TempMachine tm;
    tm.writeFile("Real/settings.ini", "[S]\r\nk=1\r\n");
    const std::string real = tm.hostPath("Real/settings.ini");
    std::filesystem::create_symlink(real, tm.hostPath("linked.ini"));
    Profile profile(tm.machine());
    ASSERT_EQ(::chmod(real.c_str(), 0444), 0);
    const ino_t before = inodeOf(real);
    EXPECT_EQ(profile.writeString("S", "k", "2", "C:\\linked.ini"), err::ACCESS_DENIED);
    EXPECT_EQ(inodeOf(real), before);
    EXPECT_EQ(tm.readFile("Real/settings.ini"), "[S]\r\nk=1\r\n");

    ASSERT_EQ(::chmod(real.c_str(), 0644), 0);
    ASSERT_EQ(profile.writeString("S", "k", "2", "C:\\linked.ini"), err::SUCCESS);
    EXPECT_TRUE(std::filesystem::is_symlink(tm.hostPath("linked.ini")));
    EXPECT_EQ(tm.readFile("Real/settings.ini"), "[S]\r\nk=2\r\n");
}

TEST(ProfileEncoding, MarkedFilesAreReadAndWrittenInTheirOwnEncoding)
{
    auto utf16 = [](std::string_view text, bool bigEndian) {
        std::string bytes;
        for (char c : text) {
            bytes += bigEndian ? '\0' : c;
            bytes += bigEndian ? c : '\0';
        }
        return bytes;
    };
    const std::string before = "[S]\r\nk=1\r\n";
    const std::string after = "[S]\r\nk=2\r\nn=3\r\n";
    const struct {
        const char* name;
        std::string mark;
        std::string (*encode)(std::string_view);
    } cases[] = {
        {"UTF-8", "\xEF\xBB\xBF", [](std::string_view t) { return std::string(t); }},
        {"UTF-16 LE", "\xFF\xFE", nullptr},
        {"UTF-16 BE", "\xFE\xFF", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const bool bigEndian = c.mark == "\xFE\xFF";
        auto encode = [&](std::string_view text) { return c.encode ? c.encode(text) : utf16(text, bigEndian); };
        TempMachine tm;
        tm.writeFile("s.ini", c.mark + encode(before));
        Profile profile(tm.machine());
        std::string value;
        EXPECT_EQ(profile.getString("S", "k", "", "C:\\s.ini", value), err::SUCCESS);
        EXPECT_EQ(value, "1");
        ASSERT_EQ(profile.writeString("S", "k", "2", "C:\\s.ini"), err::SUCCESS);
        ASSERT_EQ(profile.writeString("S", "n", "3", "C:\\s.ini"), err::SUCCESS);
        EXPECT_EQ(tm.readFile("s.ini"), c.mark + encode(after));
    }

    // Characters beyond ASCII come as UTF-8 and go back as they were.
    TempMachine tm;
    const std::string text = std::string("\xFF\xFE") + "[\0S\0]\0\r\0\n\0k\0=\0\xE9\0\x3D\xD8\x00\xDE\r\0\n\0"s;
    tm.writeFile("u.ini", text);
    Profile profile(tm.machine());
    std::string value;
    EXPECT_EQ(profile.getString("S", "k", "", "C:\\u.ini", value), err::SUCCESS);
    EXPECT_EQ(value, "\xC3\xA9\xF0\x9F\x98\x80");
    ASSERT_EQ(profile.writeString("S", "m", "\xC3\xA9", "C:\\u.ini"), err::SUCCESS);
    EXPECT_EQ(tm.readFile("u.ini"), text + "m\0=\0\xE9\0\r\0\n\0"s);
}

TEST(ProfileRead, AFileChangedByAnotherWriterIsReadAgain)
{
    TempMachine tm;
    tm.writeFile("s.ini", "[S]\r\nk=1\r\n");
    Profile profile(tm.machine());
    std::string value;
    ASSERT_EQ(profile.getString("S", "k", "", "C:\\s.ini", value), err::SUCCESS);
    EXPECT_EQ(value, "1");
    // Same size, rewritten in place.
    {
        std::ofstream out(tm.hostPath("s.ini"), std::ios::binary | std::ios::in);
        out.seekp(7);
        out << '7';
    }
    ASSERT_EQ(profile.getString("S", "k", "", "C:\\s.ini", value), err::SUCCESS);
    EXPECT_EQ(value, "7");
    ASSERT_EQ(profile.writeString("S", "k", "8", "C:\\s.ini"), err::SUCCESS);
    ASSERT_EQ(profile.getString("S", "k", "", "C:\\s.ini", value), err::SUCCESS);
    EXPECT_EQ(value, "8");
}
