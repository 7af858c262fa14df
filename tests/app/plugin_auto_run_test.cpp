// An unattended run of the program itself, set up to run one plugin that
// uses every command, on the sample machine: it changes exactly what the
// plugin names, besides the program's own data folder.

#include "platform/files/text_file.h"
#include "platform/machine.h"
#include "platform/profile/profile.h"
#include "sample/builder/unattended_settings.h"
#include "tests/support/built_machine.h"
#include "tests/support/child_process.h"
#include "tests/support/machine_snapshot.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace kp;

namespace {

const std::string kDataFolder = "C:\\Documents and Settings\\Owner\\Application Data\\Klenzor";
const std::string kExplorer = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";

const char* const kEveryCommand = "Every command, on the test folder and the sample machine's traces\r\n"
                                   "DELFILE=C:\\PLUGTEST\\ONE.LOG\r\n"
                                   "DELTEXT=C:\\PLUGTEST\\NOTES.INI['url=']\r\n"
                                   "DELEXML=C:\\PLUGTEST\\LIST.XML[ITEM]\r\n"
                                   "DELFOLD=C:\\PLUGTEST\\TREE\\[*.*]DS\r\n"
                                   "DEL1VAL=HKCU:SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\APPLETS\\REGEDIT[LASTKEY]\r\n"
                                   "DELVALS=HKCU:SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\RUNMRU[*]A\r\n"
                                   "DEL1KEY=HKCU:SOFTWARE\\7-ZIP\\FM\r\n"
                                   "DELKEYS=HKCU:SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\RECENTDOCS[.]B\r\n"
                                   "EXECUTE=C:\\PLUGTEST\\MARK.SH\r\n";

} // namespace

TEST(PluginAutoRun, APluginOfEveryCommandChangesExactlyWhatItNames)
{
    test::BuiltMachine built;
    ASSERT_TRUE(built.ok());
    const std::string files = built.hostPath("C:\\PLUGTEST");
    std::filesystem::create_directories(files + "/TREE/SUB/DEEP");
    test::writeFile(files + "/ONE.LOG", "log");
    test::writeFile(files + "/NOTES.INI", "[Recent]\r\nURL=http://a.example/\r\nKeep=1\r\nurl=http://b.example/\r\n");
    test::writeFile(files + "/LIST.XML", "<LIST>\r\n<ITEM a=\"1\"/>\r\n<ITEMS/>\r\n<ITEM>two</ITEM>\r\n</LIST>\r\n");
    test::writeFile(files + "/TREE/A.TMP", "a");
    test::writeFile(files + "/TREE/SUB/B.TMP", "b");
    test::writeFile(files + "/TREE/SUB/DEEP/C.TMP", "c");
    test::writeFile(files + "/MARK.SH", "#!/bin/sh\necho ran > RAN.TXT\n");
    std::filesystem::permissions(files + "/MARK.SH", std::filesystem::perms::owner_exec, std::filesystem::perm_options::add);

    // Only the plugins run, and only this one.
    ASSERT_EQ(sample::writeUnattendedPurgeSettings(built.prefixDir(), "Owner"), 0u);
    win::Profile profile(built.machine());
    for (const char* option : {"NormalCache", "SubscriptionCache", "Cookies", "Visited"})
        ASSERT_EQ(profile.writeString("AutoOptions", option, "0", kDataFolder + "\\KlenPro.Ini"), 0u);
    ASSERT_EQ(profile.writeString("AutoOptions", "RunPlugins", "1", kDataFolder + "\\KlenPro.Ini"), 0u);
    ASSERT_EQ(win::writeTextFile(built.machine(), kDataFolder + "\\Plugins.Dat", "EVERY.STD\r\n"), 0u);

    // The program beside its own plugin folder.
    test::TempDir program;
    std::filesystem::copy_file(KP_KLENPRO, program.file("klenpro"));
    std::filesystem::create_directory(program.file("PLUGINS"));
    test::writeFile(program.file("PLUGINS/EVERY.STD"), kEveryCommand);

    built.reopen();
    const test::MachineSnapshot before = test::snapshotMachine(built.machine(), built.prefixDir());
    std::string out;
    const int status = test::runProgram({program.file("klenpro"), "AUTO"},
                                        {{"WINEPREFIX", built.prefixDir()}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""},
                                         {"QT_QPA_PLATFORM", ""}, {"XDG_RUNTIME_DIR", ""}},
                                        &out);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("Process Plugin - EVERY.STD\n"), std::string::npos) << out;
    EXPECT_NE(out.find("        executed - C:\\PLUGTEST\\MARK.SH\n"), std::string::npos) << out;

    built.reopen();
    std::set<std::string> changed;
    for (const std::string& change : test::snapshotChanges(before, test::snapshotMachine(built.machine(), built.prefixDir())))
        if (change.compare(1, kDataFolder.size(), kDataFolder) != 0)
            changed.insert(change);
    const std::string t = "C:\\PLUGTEST\\";
    const std::set<std::string> expected = {
        "-" + t + "ONE.LOG", "~" + t + "NOTES.INI", "~" + t + "LIST.XML", "-" + t + "TREE\\A.TMP", "-" + t + "TREE\\SUB",
        "-" + t + "TREE\\SUB\\B.TMP", "-" + t + "TREE\\SUB\\DEEP", "-" + t + "TREE\\SUB\\DEEP\\C.TMP", "+" + t + "RAN.TXT",
        "-HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit[LastKey]",
        "-" + kExplorer + "RunMRU[a]", "-" + kExplorer + "RunMRU[b]", "-" + kExplorer + "RunMRU[c]",
        "-" + kExplorer + "RunMRU[MRUList]",
        "-HKCU\\Software\\7-Zip\\FM\\", "-HKCU\\Software\\7-Zip\\FM[FolderHistory]", "-HKCU\\Software\\7-Zip\\FM[CopyHistory]",
        "-HKCU\\Software\\7-Zip\\FM[PanelPath0]",
        "-" + kExplorer + "RecentDocs\\.txt\\", "-" + kExplorer + "RecentDocs\\.txt[0]",
        "-" + kExplorer + "RecentDocs\\.txt[MRUListEx]", "-" + kExplorer + "RecentDocs\\.xls\\",
        "-" + kExplorer + "RecentDocs\\.xls[0]", "-" + kExplorer + "RecentDocs\\.xls[MRUListEx]",
    };
    EXPECT_EQ(changed, expected);
    EXPECT_EQ(test::readFile(files + "/NOTES.INI"), "[Recent]\r\nKeep=1\r\n");
    EXPECT_EQ(test::readFile(files + "/LIST.XML"), "<LIST>\r\n\r\n<ITEMS/>\r\n\r\n</LIST>\r\n");
    EXPECT_EQ(test::readFile(files + "/RAN.TXT"), "ran\n");
}
