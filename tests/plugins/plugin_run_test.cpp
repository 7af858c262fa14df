#include "platform/registry/registry.h"
#include "platform/system/environment.h"
#include "plugins/plugin_labels.h"
#include "plugins/plugin_run.h"
#include "tests/support/purge_run.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace kp;
using Lines = std::vector<std::string>;

namespace {

struct PluginRun : test::PurgeRun {
    test::TempMachine temp;
    PluginRunContext plugin;
    Lines output;

    explicit PluginRun(bool preview = false, bool detail = true)
    {
        context.machine = &temp.machine();
        plugin.noDelete = preview;
        plugin.detail = detail;
        plugin.output = [this](const QString& line) { output.push_back(line.toStdString()); };
    }

    Lines operator()(Lines lines)
    {
        output.clear();
        plugin.lines = std::move(lines);
        RunPluginLines(context, plugin);
        return output;
    }

    win::Registry& registry() { return temp.machine().registry(); }
    void setString(const std::string& key, const std::string& name, const std::string& data)
    {
        win::RegKey k;
        ASSERT_EQ(registry().createKey(win::RegRoot::CurrentUser, key, k), 0u);
        ASSERT_EQ(registry().setString(k, name, data), 0u);
    }
    bool keyExists(const std::string& key)
    {
        win::RegKey k;
        return registry().openKey(win::RegRoot::CurrentUser, key, false, k) == 0;
    }
};

} // namespace

TEST(PluginLabels, FileResultsAndTypeNames)
{
    const std::pair<win::DWORD, const char*> labels[] = {
        {0, "         deleted - "},   {2, "  File Not Found - "}, {3, "  Path Not Found - "},
        {145, "   Dir Not Empty - "}, {5, "          Locked - "}, {32, "          Locked - "},
        {33, "          Locked - "},  {1224, "          Locked - "}, {87, " -Error-87         "},
        {1234567, " -Error-1234567    "},
    };
    for (const auto& [code, label] : labels) {
        EXPECT_EQ(plugin_label::fileResultLabel(code), label);
        EXPECT_EQ(plugin_label::fileResultLabel(code).size(), 19u);
    }
    EXPECT_EQ(plugin_label::registryTypeName(4), "Reg_Dword");
    EXPECT_EQ(plugin_label::registryTypeName(10), "Reg_Resource_Requirements_List");
    EXPECT_EQ(plugin_label::registryTypeName(11), "Unknown DataType");
}

TEST(RunPluginLines, EchoesCountsAndEndsATestRun)
{
    PluginRun preview(true, false);
    EXPECT_EQ(preview({"DELFILE=C:\\X.TMP"}), Lines{"DELFILE=C:\\X.TMP"});
    EXPECT_EQ(preview.plugin.PluginEntryCount, 1);
    EXPECT_EQ(preview.run.ProcessedCount, 1);

    PluginRun test(true, true);
    test.plugin.test = true;
    test.plugin.PluginEntryCount = 7;
    test.temp.writeFile("a.txt");
    const Lines expected = {"* TITLE", "DELFILE=C:\\A.TXT", "       to delete - C:\\A.TXT", "* ",
                            "EXECUTE=C:\\T\\X.EXE /Q", "      to execute - C:\\T\\X.EXE /Q", "* end",
                            "   2 - Entries processed for this Plugin", " "};
    Lines got = test({"Title", "delfile=c:\\a.txt", "", "EXECUTE=C:\\T\\X.EXE /Q", "* END"});
    got[6] = "* end";
    EXPECT_EQ(got, expected);
    EXPECT_TRUE(test.temp.exists("a.txt"));
    EXPECT_EQ(test({"DELFILE=C:\\A.TXT"})[2], "    1 - Entry processed for this Plugin");
}

TEST(RunPluginLines, ShowsExpansionsDebugListingsAndStopsOnCancel)
{
    PluginRun r(true);
    r.keywords = Keywords({"debug"});
    ASSERT_EQ(r.temp.machine().environment().set("PLACE", "c:\\here"), win::err::SUCCESS);
    const Lines expected = {"DELFILE=%PLACE%\\A.LOG", "      The above command expands to:", "DELFILE=C:\\HERE\\A.LOG",
                            " debug - FoldOrReg = F", " debug - FoldVerb =   >>DELFILE<<",
                            " debug - FoldDrive =  >>C:<<", " debug - FoldFolder = >>C:\\HERE<<",
                            " debug - FoldFile =   >>A.LOG<<", "       to delete - C:\\HERE\\A.LOG",
                            "* ", " debug - FoldOrReg = T"};
    EXPECT_EQ(r({"DELFILE=%PLACE%\\A.LOG", ""}), expected);
    const Lines reg = r({"DEL1KEY=HKCU:X"});
    EXPECT_EQ(reg.back(), " debug - RegType =   >> <<");

    r.run.CancelFlag = true;
    EXPECT_TRUE(r({"DELFILE=C:\\X.TMP"}).empty());
    ASSERT_GE(r.report.lineCount(), 1);
    EXPECT_EQ(r.report.line(r.report.lineCount() - 1), "*** Cancelled by operator.");
}

TEST(RunPluginLines, DeletesFilesAndReportsFailures)
{
    PluginRun r;
    r.temp.writeFile("t/a.log", "x");
    chmod(r.temp.hostPath("t/a.log").c_str(), 0444);
    const Lines expected = {"DELFILE=C:\\T\\A.LOG", "         deleted - C:\\T\\A.LOG", "DELFILE=C:\\T\\GONE.LOG",
                            "  File Not Found - C:\\T\\GONE.LOG", "DELFILE=C:\\NONE\\GONE.LOG",
                            "  Path Not Found - C:\\NONE\\GONE.LOG"};
    EXPECT_EQ(r({"DELFILE=C:\\T\\A.LOG", "DELFILE=C:\\T\\GONE.LOG", "DELFILE=C:\\NONE\\GONE.LOG"}), expected);
    EXPECT_FALSE(r.temp.exists("t/a.log"));
    EXPECT_EQ(r.plugin.PluginEntryCount, 3);
}

TEST(RunPluginLines, DeletesTextLinesInOneAtomicWrite)
{
    PluginRun r;
    r.temp.writeFile("x.ini", "keep\r\nurl=a\nother\rURL=b\r\nsome url=c\r\n");
    EXPECT_EQ(r({"DELTEXT=C:\\X.INI[]"}), Lines{"DELTEXT=C:\\X.INI[]"});

    PluginRun preview(true);
    preview.temp.writeFile("x.ini", "url=a\r\n");
    EXPECT_EQ(preview({"DELTEXT=C:\\X.INI[URL]"})[1], "       to delete - URL=A");
    EXPECT_EQ(preview.temp.readFile("x.ini"), "url=a\r\n");

    const Lines expected = {"DELTEXT=C:\\X.INI['URL=']", "         deleted - SOME URL=C",
                            "         deleted - URL=B", "         deleted - URL=A"};
    EXPECT_EQ(r({"DELTEXT=C:\\X.INI['url=']"}), expected);
    EXPECT_EQ(r.plugin.PluginEntryCount, 3);
    EXPECT_EQ(r.temp.readFile("x.ini"), "keep\r\nother\r\n");

    // A file that cannot be replaced stays whole and says so.
    chmod(r.temp.hostPath("x.ini").c_str(), 0444);
    EXPECT_EQ(r({"DELTEXT=C:\\X.INI[KEEP]"}).back(), "     Not updated - C:\\X.INI");
    EXPECT_EQ(r.temp.readFile("x.ini"), "keep\r\nother\r\n");
    EXPECT_EQ(r({"DELTEXT=C:\\NO.INI[KEEP]"}).back(), "  File Not Found - C:\\NO.INI");
}

TEST(RunPluginLines, DeletesXmlElements)
{
    PluginRun r;
    r.temp.writeFile("a.xml", "<list><item a=\"1\">one</item> mid <item>two</item> end</list>\r\n"
                              "<items>x</items><item/>\r\n"
                              "  <item name=\"x\">\r\n    body\r\n  </item>\r\n"
                              "tail\r\n");
    const Lines expected = {"DELEXML=C:\\A.XML[ITEM]", "         deleted - <item a=\"1\">one</item>",
                            "         deleted - <item>two</item>", "         deleted - <item name=\"x\">",
                            "         deleted -     body", "         deleted -   </item>"};
    EXPECT_EQ(r({"DELEXML=C:\\A.XML[ITEM]"}), expected);
    EXPECT_EQ(r.plugin.PluginEntryCount, 3);
    EXPECT_EQ(r.temp.readFile("a.xml"), "<list> mid  end</list>\r\n<items>x</items><item/>\r\ntail\r\n");
}

TEST(RunPluginLines, DeletesFolderContentsWithoutFollowingLinks)
{
    PluginRun r;
    r.temp.writeFile("t/a.tmp");
    r.temp.writeFile("t/b.txt");
    r.temp.writeFile("t/sub/c.tmp");
    r.temp.writeFile("t/sub/deep/d.tmp");
    r.temp.writeFile("elsewhere/keep.tmp");
    std::filesystem::create_directory_symlink(r.temp.hostPath("elsewhere"), r.temp.hostPath("t/link"));

    EXPECT_EQ(r({"DELFOLD=C:\\T\\[*.TMP]IS"}), (Lines{"DELFOLD=C:\\T\\[*.TMP]IS", "         deleted - C:\\T\\A.TMP"}));
    EXPECT_TRUE(r.temp.exists("t/sub/c.tmp"));

    r({"DELFOLD=C:\\T[*.TMP]"});
    EXPECT_FALSE(r.temp.exists("t/sub/deep/d.tmp"));
    EXPECT_TRUE(r.temp.exists("t/sub/deep"));
    EXPECT_TRUE(r.temp.exists("elsewhere/keep.tmp"));

    r({"DELFOLD=C:\\T[*.*]DS"});
    EXPECT_TRUE(r.temp.exists("t"));
    EXPECT_FALSE(r.temp.exists("t/sub"));
    EXPECT_FALSE(std::filesystem::is_symlink(r.temp.hostPath("t/link")));
    EXPECT_TRUE(r.temp.exists("elsewhere/keep.tmp"));
    EXPECT_EQ(r({"DELFOLD=C:\\T[]DS"}).size(), 1u); // an empty mask and an empty folder: nothing
}

TEST(RunPluginLines, DeletesRegistryValuesAndKeys)
{
    PluginRun r;
    r.setString("Software\\App", "Path", "c:\\app");
    r.setString("Software\\App\\MRU", "a", "one");
    r.setString("Software\\App\\MRU", "b", "two");
    r.setString("Software\\App\\MRU", "MRUList", "ab");
    {
        win::RegKey k;
        ASSERT_EQ(r.registry().openKey(win::RegRoot::CurrentUser, "Software\\App", true, k), 0u);
        ASSERT_EQ(r.registry().setDword(k, "Count", 3), 0u);
    }
    r.setString("Software\\App\\Temp1\\X", "v", "1");
    r.setString("Software\\App\\Temp2", "v", "1");
    r.setString("Software\\App\\Keep", "v", "1");

    EXPECT_TRUE(r({"DEL1VAL=HKCU:SOFTWARE\\APP[NONE]", "DEL1KEY=HKCU:SOFTWARE\\NONE"}).size() == 2);
    EXPECT_EQ(r.plugin.PluginEntryCount, 0);

    const Lines expected = {
        "DEL1VAL=HKCU:SOFTWARE\\APP[PATH]", "     Val deleted - PATH - c:\\app",
        "DEL1VAL=HKCU:SOFTWARE\\APP[COUNT]", "     Val deleted - COUNT - Type = Reg_Dword",
        "DELVALS=HKCU:SOFTWARE\\APP\\MRU[MRU]B", "     Val deleted - MRULIST - ab",
        "DELVALS=HKCU:SOFTWARE\\APP\\MRU[*]X", "     Val deleted - A - one", "     Val deleted - B - two",
        "DELKEYS=HKCU:SOFTWARE\\APP[EMP]C", "     Key deleted - SOFTWARE\\APP\\TEMP1\\X",
        "     Key deleted - SOFTWARE\\APP\\TEMP1", "     Key deleted - SOFTWARE\\APP\\TEMP2",
        "DELKEYS=HKXX:SOFTWARE[*]B", "    invalid Root - HKXX"};
    EXPECT_EQ(r({"DEL1VAL=HKCU:SOFTWARE\\APP[PATH]", "DEL1VAL=HKCU:SOFTWARE\\APP[COUNT]",
                 "DELVALS=HKCU:SOFTWARE\\APP\\MRU[MRU]B", "DELVALS=HKCU:SOFTWARE\\APP\\MRU[*]X",
                 "DELKEYS=HKCU:SOFTWARE\\APP[EMP]C", "DELKEYS=HKXX:SOFTWARE[*]B"}),
              expected);
    EXPECT_EQ(r.errors.ErrorLevel, 5);
    EXPECT_EQ(r.plugin.PluginEntryCount, 8);
    EXPECT_TRUE(r.keyExists("Software\\App\\Keep"));

    // What was written is what Wine will read.
    r.temp.reopen();
    r.context.machine = &r.temp.machine();
    EXPECT_FALSE(r.keyExists("Software\\App\\Temp1"));
    EXPECT_TRUE(r.keyExists("Software\\App\\MRU"));

    r.plugin.PluginEntryCount = 0;
    const Lines tree = {"DEL1KEY=HKCU:SOFTWARE\\APP", "     Key deleted - SOFTWARE\\APP\\KEEP",
                        "     Key deleted - SOFTWARE\\APP\\MRU", "     Key deleted - SOFTWARE\\APP"};
    EXPECT_EQ(r({"DEL1KEY=HKCU:SOFTWARE\\APP"}), tree);
    EXPECT_EQ(r.plugin.PluginEntryCount, 3);
    EXPECT_FALSE(r.keyExists("Software\\App"));
}

TEST(RunPluginLines, ExecutesHostProgramsInTheirFolder)
{
    PluginRun r;
    r.temp.writeFile("tools/mark.sh", "#!/bin/sh\necho \"$1\" > ran.txt\n");
    chmod(r.temp.hostPath("tools/mark.sh").c_str(), 0755);
    r.temp.writeFile("tools/slow.sh", "#!/bin/sh\nsleep 5\n");
    chmod(r.temp.hostPath("tools/slow.sh").c_str(), 0755);
    r.plugin.executeWaitMilliseconds = 300;

    EXPECT_EQ(r({"EXECUTE=C:\\TOOLS\\MARK.SH first"}).back(), "        executed - C:\\TOOLS\\MARK.SH FIRST");
    EXPECT_EQ(r.temp.readFile("tools/ran.txt"), "FIRST\n");
    EXPECT_EQ(r({"EXECUTE=C:\\TOOLS\\NONE.EXE"}).back(), "     exec failed - C:\\TOOLS\\NONE.EXE");
    EXPECT_EQ(r({"EXECUTE=C:\\TOOLS\\SLOW.SH"}).back(),
              "        executed - C:\\TOOLS\\SLOW.SH  (still running after 0 s, no longer waited for)");
    EXPECT_EQ(r.plugin.PluginEntryCount, 3);
}
