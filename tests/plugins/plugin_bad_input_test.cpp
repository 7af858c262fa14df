// Plugin files that are not what a plugin author writes: binary bytes,
// lines of 100,000 characters, no line ends, macros that expand to
// themselves. Each is loaded and run like a selected plugin: the run ends,
// acts only on the lines that are commands, and deletes only what they name.

#include "platform/registry/registry.h"
#include "plugins/plugin_expand.h"
#include "plugins/plugin_run.h"
#include "tests/support/purge_run.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

using namespace kp;
using namespace std::string_literals;

namespace {

struct BadPlugin {
    const char* name;
    std::string content;
    std::size_t lines;   // as loaded
    long long entries;   // commands that acted
    std::vector<std::string> gone, kept;
    bool shortOutput;    // every output line within the expansion bound
};

std::vector<BadPlugin> badPlugins()
{
    const std::string longName(100'000, 'A');
    return {
        {"binary bytes",
         "\0\xff\xfe\x01"s "DELFILE=C:\\KEEP\\A.TMP\r\nDELFILE=C:\\KEEP\\B\x01\xff.TMP\r\n\x7f\x80\0"s, 3, 1, {},
         {"KEEP/A.TMP", "KEEP/B.TMP"}, true},
        {"a 100,000-character command", "DELFILE=C:\\KEEP\\" + longName + "\r\nDELFILE=C:\\GONE\\A.TMP\r\n", 2, 2,
         {"GONE/A.TMP"}, {"KEEP/A.TMP"}, false},
        {"a 100,000-character text line of macros",
         "#USER#" + std::string(100'000, '%') + "^HKCU:LOOP[SELF]\r\nDELFILE=C:\\GONE\\A.TMP", 2, 1, {"GONE/A.TMP"},
         {"KEEP/A.TMP"}, false},
        {"no line end", "DELFILE=C:\\GONE\\A.TMP", 1, 1, {"GONE/A.TMP"}, {"KEEP/A.TMP"}, true},
        {"lone line ends", "DELFILE=C:\\GONE\\A.TMP\rDELFILE=C:\\GONE\\B.TMP\n\r\n", 3, 2, {"GONE/A.TMP", "GONE/B.TMP"},
         {"KEEP/A.TMP"}, true},
        {"macros that expand to themselves",
         "DELFILE=C:\\GONE\\^HKCU:LOOP[SELF]\r\nDELFILE=C:\\GONE\\^HKCU:LOOP[GROW]\r\n"
         "DELFOLD=C:\\GONE\\^HKCU:LOOP[GROW][*.*]DS\r\nDELFILE=C:\\GONE\\A.TMP\r\n",
         4, 3, {"GONE/A.TMP"}, {"KEEP/A.TMP", "GONE/B.TMP"}, true},
    };
}

} // namespace

TEST(PluginFiles, BadInputEndsTheRunAndActsOnlyOnItsCommands)
{
    for (const BadPlugin& bad : badPlugins()) {
        SCOPED_TRACE(bad.name);
        test::TempMachine temp;
        for (const char* file : {"KEEP/A.TMP", "KEEP/B.TMP", "GONE/A.TMP", "GONE/B.TMP"})
            temp.writeFile(file, "x");
        temp.writeFile("P/BAD.STD", bad.content);
        win::Registry& registry = temp.machine().registry();
        win::RegKey loop;
        ASSERT_EQ(registry.createKey(win::RegRoot::CurrentUser, "LOOP", loop), 0u);
        ASSERT_EQ(registry.setString(loop, "SELF", "^HKCU:LOOP[SELF]"), 0u);
        ASSERT_EQ(registry.setString(loop, "GROW", "^HKCU:LOOP[GROW]^HKCU:LOOP[GROW]"), 0u);

        test::PurgeRun p(&temp.machine());
        PurgeContext& context = p.context;
        PluginRunContext plugin;
        ASSERT_TRUE(loadPluginFile(context, "C:\\P\\BAD.STD", plugin.lines));
        EXPECT_EQ(plugin.lines.size(), bad.lines);
        std::vector<std::string> output;
        plugin.output = [&output](const QString& line) { output.push_back(line.toStdString()); };
        plugin.detail = true;
        RunPluginLines(context, plugin);

        EXPECT_EQ(plugin.PluginEntryCount, bad.entries);
        for (const std::string& file : bad.gone)
            EXPECT_FALSE(temp.exists(file)) << file;
        for (const std::string& file : bad.kept)
            EXPECT_TRUE(temp.exists(file)) << file;
        if (bad.shortOutput) {
            for (const std::string& line : output)
                EXPECT_LE(line.size(), MaxExpandedLineLength + 19) << line.substr(0, 80);
        }
    }
}
