#include "plugins/plugin_command.h"
#include "plugins/plugin_expand.h"

#include <gtest/gtest.h>

#include <map>

using namespace kp;

namespace {

PluginCommand fileCommand(std::string verb, std::string drive, std::string folder, std::string file,
                          std::string text = {}, std::string filter = {}, std::string type = {})
{
    PluginCommand c;
    c.FoldOrReg = 'F';
    c.FoldVerb = std::move(verb);
    c.FoldDrive = std::move(drive);
    c.FoldFolder = std::move(folder);
    c.FoldFile = std::move(file);
    c.FoldString = std::move(text);
    c.FoldFilter = std::move(filter);
    c.FoldType = std::move(type);
    return c;
}

PluginCommand regCommand(std::string verb, std::string root, std::string key, std::string value,
                         std::string pattern, char type)
{
    PluginCommand c;
    c.FoldOrReg = 'R';
    c.RegVerb = std::move(verb);
    c.RegRoot = std::move(root);
    c.RegKey = std::move(key);
    c.RegValue = std::move(value);
    c.RegString = std::move(pattern);
    c.RegType = type;
    return c;
}

class FakeMacros : public PluginMacros {
public:
    std::map<std::string, std::string> registry; // "ROOT:KEY[VALUE]" -> data
    std::map<std::string, std::string> environment;
    bool foldersFail = false;

    std::optional<std::string> computerName() override { return "box"; }
    std::optional<std::string> userName() override { return "ann"; }
    std::optional<std::string> shellFolder(int csidl) override
    {
        if (foldersFail)
            return std::nullopt;
        return csidl == 26 ? "C:\\Users\\ann\\AppData" : "C:\\Folder" + std::to_string(csidl);
    }
    std::optional<std::string> registryString(const std::string& root, const std::string& key,
                                              const std::string& value) override
    {
        const auto it = registry.find(root + ":" + key + "[" + value + "]");
        if (it == registry.end())
            return std::nullopt;
        return it->second;
    }
    std::string expandEnvironment(const std::string& text) override
    {
        std::string out = text;
        for (const auto& [name, value] : environment) {
            const std::string macro = "%" + name + "%";
            for (std::size_t at = 0; (at = out.find(macro, at)) != std::string::npos; at += value.size())
                out.replace(at, macro.size(), value);
        }
        return out;
    }
};

} // namespace

TEST(ParsePluginLine, FillsTheFieldsOfEachCommand)
{
    const PluginCommand text;
    const struct {
        const char* line;
        PluginCommand expected;
    } cases[] = {
        {"delfile=c:\\temp\\a.log", fileCommand("DELFILE", "C:", "C:\\TEMP", "A.LOG")},
        {"DELFILE=C", text}, // nine characters
        {"DELFILE=C:", fileCommand("DELFILE", "C:", "C:", "")},
        {"DELFILE=C:\\AB", fileCommand("DELFILE", "C:", "C:\\", "AB")},
        {"DELFILE=C:B.TXT", fileCommand("DELFILE", "C:", "C:", "B.TXT")},
        {"REMARK: DELFILE=C:\\X", text},
        {"", text},
        {"DELTEXT=C:\\X.INI['url=']", fileCommand("DELTEXT", "C:", "C:\\", "X.INI", "URL=")},
        {"DELTEXT=C:\\X.INI['  ab ']", fileCommand("DELTEXT", "C:", "C:\\", "X.INI", "  AB ")},
        {"DELEXML=C:\\A.XML[ITEM]", fileCommand("DELEXML", "C:", "C:\\", "A.XML", "ITEM")},
        {"DELFOLD=C:\\CACHE\\[*.TMP]IS", fileCommand("DELFOLD", "C:", "C:\\CACHE", "", "", "*.TMP", "IS")},
        {"DELFOLD=C:\\[*.*]", fileCommand("DELFOLD", "C:", "C:\\", "", "", "*.*", "")},
        {"DELFOLD=\\\\SRV\\SHARE\\T[*.*]DS", fileCommand("DELFOLD", "\\\\SRV\\SHARE", "\\\\SRV\\SHARE\\T", "", "", "*.*", "DS")},
        {"EXECUTE=C:\\TOOLS\\CLEAN.EXE?IGNORED", fileCommand("EXECUTE", "C:", "C:\\TOOLS", "CLEAN.EXE")},
        {"EXECUTE=CLEAN.EXE /S", fileCommand("EXECUTE", "", "", "CLEAN.EXE /S")},
        {"DEL1VAL=HKCU:SOFTWARE\\APP[PATH]", regCommand("DEL1VAL", "HKCU", "SOFTWARE\\APP", "PATH", "", ' ')},
        {"DELVALS=HKCU:SOFTWARE\\APP\\MRU[*]B", regCommand("DELVALS", "HKCU", "SOFTWARE\\APP\\MRU", "", "*", 'B')},
        {"DELVALS=HKCU:SOFTWARE\\APP['url ']c", regCommand("DELVALS", "HKCU", "SOFTWARE\\APP", "", "URL ", 'C')},
        {"DELKEYS=HKCU:SOFTWARE\\APP[TEMP]X", regCommand("DELKEYS", "HKCU", "SOFTWARE\\APP", "", "TEMP", '?')},
        {"DELKEYS=HKCU:SOFTWARE\\APP[TEMP]A", regCommand("DELKEYS", "HKCU", "SOFTWARE\\APP", "", "TEMP", 'A')},
        {"DELKEYS=HKCU:SOFTWARE\\APP[TEMP]B ", regCommand("DELKEYS", "HKCU", "SOFTWARE\\APP", "", "TEMP", '?')},
        {"DELKEYS=HKCU:SOFTWARE\\APP[TEMP]", regCommand("DELKEYS", "HKCU", "SOFTWARE\\APP", "", "TEMP", '?')},
        {"DEL1KEY=HKXX:SOFTWARE\\OLD", regCommand("DEL1KEY", "HKXX", "SOFTWARE\\OLD", "", "", ' ')},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParsePluginLine(c.line), c.expected) << c.line;
}

TEST(ExpandPluginLine, AppliesMacrosPassByPass)
{
    FakeMacros macros;
    macros.registry["HKCU:SOFTWARE\\APP[DIR]"] = "d:\\data";
    macros.registry["HKCU:SOFTWARE\\APP[EMPTY]"] = "";
    macros.environment["TEMP"] = "c:\\tmp";
    const struct {
        const char* line;
        const char* expected;
    } cases[] = {
        {"DELFILE=#APPDATA#\\APP\\#USER#.DAT", "DELFILE=C:\\USERS\\ANN\\APPDATA\\APP\\ANN.DAT"},
        {"DELFILE=C:\\#COMPUTER#.LOG", "DELFILE=C:\\BOX.LOG"},
        {"DELFILE=C:\\#NOPE#\\#USER#.DAT", "DELFILE=C:\\#NOPE#\\#USER#.DAT"}, // the first # blocks the rest
        {"DELFILE=^HKCU:SOFTWARE\\APP[DIR]\\X.LOG", "DELFILE=D:\\DATA\\X.LOG"},
        {"DELFILE=^HKCU:SOFTWARE\\APP[MISSING]\\X.LOG", "DELFILE=^HKCU:SOFTWARE\\APP[MISSING]\\X.LOG"},
        {"DELFILE=^HKCU:SOFTWARE\\APP[EMPTY]\\X.LOG", "DELFILE=^HKCU:SOFTWARE\\APP[EMPTY]\\X.LOG"},
        {"DELTEXT=C:\\A[X]^HKCU:SOFTWARE\\APP[DIR]", "DELTEXT=C:\\A[X]^HKCU:SOFTWARE\\APP[DIR]"}, // "]" before "^"
        {"DELFILE=%TEMP%\\A.TMP", "DELFILE=C:\\TMP\\A.TMP"},
        {"DELFILE=%UNSET%\\A.TMP", "DELFILE=%UNSET%\\A.TMP"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExpandPluginLine(c.line, macros), c.expected) << c.line;

    EXPECT_EQ(expandPluginLineOnce("DELFILE=#APPDATA#\\#USER#.DAT", macros), "DELFILE=C:\\USERS\\ANN\\APPDATA\\#USER#.DAT");
    macros.foldersFail = true;
    EXPECT_EQ(ExpandPluginLine("DELFILE=#APPDATA#\\#USER#.DAT", macros), "DELFILE=#APPDATA#\\#USER#.DAT");
}

TEST(ExpandPluginLine, KeepsAtMost255CharactersAfterAMacro)
{
    FakeMacros macros;
    const std::string tail(300, 'A');
    EXPECT_EQ(ExpandPluginLine("X#USER#" + tail, macros), "XANN" + tail.substr(0, 255));
    macros.environment["E"] = "v";
    EXPECT_EQ(ExpandPluginLine("%E%" + tail, macros).size(), 255u);
    // A long line without macros passes through whole.
    const std::string plain = "DELFILE=C:\\" + std::string(100000, 'B');
    EXPECT_EQ(ExpandPluginLine(plain, macros), plain);
}

// Registry values holding their own macro are run in the bad plugin files test.
TEST(ExpandPluginLine, AnEnvironmentValueHoldingItsOwnMacroStopsWithinTheBounds)
{
    FakeMacros macros;
    macros.environment["SELF"] = "%SELF%%SELF%";
    EXPECT_LE(ExpandPluginLine("DELFILE=%SELF%", macros).size(), 255u);
}
