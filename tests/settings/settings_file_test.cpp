#include "core/identity.h"
#include "platform/files/file_system.h"
#include "settings/general_settings.h"
#include "settings/option_set_store.h"
#include "settings/window_settings.h"
#include "tests/settings/settings_support.h"

#include <gtest/gtest.h>

using namespace kp;
using kp::test::SettingsMachine;

namespace {
const Ie5Boxes kAllIe5 {true, true, true};

const char* kAllOn = "[Options]\r\n"
                     "NormalCache=1\r\nSubscriptionCache=1\r\nHistory=1\r\nURLs=1\r\nRecent=1\r\nCookies=1\r\n"
                     "Visited=1\r\nStrays=1\r\nTemp=1\r\nRecycle=1\r\nClearAutoForm=1\r\nClearPrevSrch=1\r\n"
                     "ClearUserData=1\r\nShredFiles=1\r\nRunPlugins=1\r\nClearClipBoard=1\r\n"
                     "NsDD=3\r\nNsHH=4\r\nNsMM=5\r\nSbDD=6\r\nSbHH=7\r\nSbMM=8\r\nReportOpt=1\r\n";
} // namespace

TEST(SettingsFile, NumbersAreWholeDecimalOrHexValues)
{
    EXPECT_EQ(SettingsFile::parseNumber("42"), 42);
    EXPECT_EQ(SettingsFile::parseNumber("-7"), -7);
    EXPECT_EQ(SettingsFile::parseNumber("0x1F"), 31);
    EXPECT_EQ(SettingsFile::parseNumber("0X10"), 16);
    for (const char* bad : {"", "-", "0x", "12a", "1 2", "abc", "99999999999", "0x-1"})
        EXPECT_EQ(SettingsFile::parseNumber(bad), std::nullopt) << bad;
}

TEST(SettingsFile, WithoutAFileEverythingHasItsDefault)
{
    SettingsMachine m;
    SettingsFile file = m.file();
    EXPECT_EQ(LoadOptionSet(file, "", kAllIe5).ReportOpt, 0);
    GeneralSettings g;
    g.HintsOption = "N";
    g.Repeats = 7;
    EXPECT_EQ(LoadWindowSettings(file, "MainForm", g, Keywords({"INIT"})), "Default");
    EXPECT_EQ(g.HintsOption, "Y");
    EXPECT_EQ(g.Repeats, 1);
    EXPECT_FALSE(g.NewVersionFlag);
    EXPECT_EQ(m.readSettings(), "") << "loading writes nothing";
}

TEST(SettingsFile, ModeSectionsInheritWhatTheyLackFromOptions)
{
    SettingsMachine m;
    m.writeSettings(std::string(kAllOn) + "[AutoOptions]\r\nCookies=0\r\n"
                    "[BootOptions]\r\nHistory=2\r\nVisited=0x0\r\nNsDD=d\r\nNsHH=12\r\nReportOpt=-1\r\n");
    SettingsFile file = m.file();

    const PurgeOptionSet autoSet = LoadOptionSet(file, "Auto", kAllIe5);
    EXPECT_FALSE(autoSet.Cookies);
    EXPECT_TRUE(autoSet.NormalCache && autoSet.History && autoSet.Visited && autoSet.ClearUserData);
    EXPECT_EQ(autoSet.NsDD, "3");
    EXPECT_EQ(autoSet.ReportOpt, 1);

    const PurgeOptionSet boot = LoadOptionSet(file, "Boot", kAllIe5);
    EXPECT_TRUE(boot.History) << "2 is neither on nor off, so Options decides";
    EXPECT_FALSE(boot.Visited);
    EXPECT_EQ(boot.NsDD, "3") << "\"d\" falls through";
    EXPECT_EQ(boot.NsHH, "12");
    EXPECT_EQ(boot.ReportOpt, 1);

    // The interactive set has no fallback: only Options counts.
    m.writeSettings("[Options]\r\nHistory=2\r\nCookies=junk\r\n[AutoOptions]\r\nHistory=1\r\n");
    const PurgeOptionSet plain = LoadOptionSet(file, "", kAllIe5);
    EXPECT_TRUE(plain.History);
    EXPECT_FALSE(plain.Cookies) << "an unparsable flag counts as missing";
}

TEST(SettingsFile, OldClearHistoryBecomesHistoryAndGoes)
{
    SettingsMachine m;
    m.writeSettings("[Options]\r\nClearHistory=1\r\nCookies=1\r\n[ShutOptions]\r\nClearHistory=0\r\n");
    SettingsFile file = m.file();
    const PurgeOptionSet o = LoadOptionSet(file, "", kAllIe5);
    EXPECT_TRUE(o.History);
    EXPECT_TRUE(o.Cookies);
    const std::string text = m.readSettings();
    EXPECT_EQ(text.find("[Options]\r\nCookies=1\r\nHistory=1\r\n"), 0u) << text;
    EXPECT_NE(text.find("[ShutOptions]\r\nClearHistory=0"), std::string::npos) << "a false one stays";
    EXPECT_EQ(text.find("ClearHistory=1"), std::string::npos);
}

TEST(SettingsFile, RepeatsAreClampedAndBadNumbersKeepDefaults)
{
    SettingsMachine m;
    SettingsFile file = m.file();
    GeneralSettings g;
    for (const auto& [stored, expected] : std::vector<std::pair<std::string, int>> {
             {"0", 1}, {"250", 99}, {"-3", 1}, {"99", 99}, {"17", 17}, {"x", 1}, {"0x20", 32}}) {
        m.writeSettings("[ShredOption]\r\nRepeats=" + stored + "\r\n[ShutOption]\r\nShutType=oops\r\n");
        LoadWindowSettings(file, "ProtectForm", g, Keywords());
        EXPECT_EQ(g.Repeats, expected) << stored;
        EXPECT_EQ(g.ShutType, 0);
    }
}

TEST(SettingsFile, TempChoicesKeepAtLeastOneFolder)
{
    SettingsMachine m;
    SettingsFile file = m.file();
    GeneralSettings g;
    m.writeSettings("[TempFolders]\r\nTmpDir=N\r\nDosDir=N\r\nWinDir=Y\r\nVolDir=N\r\n");
    LoadWindowSettings(file, "MainForm", g, Keywords({"INIT"}));
    EXPECT_EQ(g.TmpDir + g.DosDir + g.WinDir + g.VolDir, "NNYN");
    m.writeSettings("[TempFolders]\r\nTmpDir=N\r\nDosDir=n\r\nWinDir=N\r\nVolDir=N\r\n");
    LoadWindowSettings(file, "MainForm", g, Keywords({"INIT"}));
    EXPECT_EQ(g.TmpDir + g.DosDir, "Nn") << "letters compare exactly";
    m.writeSettings("[TempFolders]\r\nTmpDir=N\r\nDosDir=N\r\nWinDir=N\r\nVolDir=N\r\n");
    LoadWindowSettings(file, "MainForm", g, Keywords({"INIT"}));
    EXPECT_EQ(g.TmpDir + g.DosDir + g.WinDir + g.VolDir, "YNNN");
}

TEST(SettingsFile, AnotherVersionsStampIsReplacedOnce)
{
    SettingsMachine m;
    m.writeSettings("[ShowOption]\r\nCookieMsgOpt=Y\r\n[Version]\r\nVersion=2.01\r\n");
    SettingsFile file = m.file();
    GeneralSettings g;
    LoadWindowSettings(file, "MainForm", g, Keywords());
    EXPECT_TRUE(g.NewVersionFlag);
    EXPECT_EQ(g.CookieMsgOpt, "N");
    EXPECT_EQ(file.readText("Version", "Version", ""), identity::VersionNumber);

    GeneralSettings again;
    LoadWindowSettings(file, "MainForm", again, Keywords());
    EXPECT_FALSE(again.NewVersionFlag);
    EXPECT_EQ(again.CookieMsgOpt, "Y");

    m.writeSettings("[Version]\r\nVersion=1.00\r\n");
    GeneralSettings init;
    LoadWindowSettings(file, "MainForm", init, Keywords({"INIT"}));
    EXPECT_FALSE(init.NewVersionFlag);
    EXPECT_EQ(m.readSettings(), "[Version]\r\nVersion=1.00\r\n");
}

TEST(SettingsFile, WindowSettingsRoundTripPerWindow)
{
    SettingsMachine m;
    SettingsFile file = m.file();
    GeneralSettings g;
    g.Thoroughness = "1";
    g.ShutType = 2;
    g.Sort1Opt = 3;
    ProtectWindowValues columns;
    columns.list1Widths = {10, 20, 30, 40, 50, 60};
    columns.list2Widths = {1, 2, 3, 4};
    ASSERT_TRUE(SaveWindowSettings(file, "MainForm", "0 120 200 450 620", g));
    ASSERT_TRUE(SaveWindowSettings(file, "ProtectForm", "2", g, &columns));

    GeneralSettings back;
    EXPECT_EQ(LoadWindowSettings(file, "MainForm", back, Keywords({"INIT"})), "0 120 200 450 620");
    EXPECT_EQ(back.Thoroughness, "1");
    EXPECT_EQ(back.ShutType, 2);
    EXPECT_EQ(back.Sort1Opt, 0) << "only the Protect window reads its sort";
    ProtectWindowValues readColumns;
    EXPECT_EQ(LoadWindowSettings(file, "ProtectForm", back, Keywords(), &readColumns), "2");
    EXPECT_EQ(back.Sort1Opt, 3);
    EXPECT_EQ(readColumns.list1Widths, columns.list1Widths);
    EXPECT_EQ(readColumns.list2Widths, columns.list2Widths);
}

TEST(SettingsFile, TheMainWindowMakesAReadOnlyFileWritable)
{
    SettingsMachine m;
    m.writeSettings("[Version]\r\nVersion=2.03\r\n");
    win::FileSystem files(m.machine());
    ASSERT_EQ(files.setAttributes(m.folders.settingsPath(), win::attr::READONLY), win::err::SUCCESS);
    SettingsFile file = m.file();
    GeneralSettings g;
    LoadWindowSettings(file, "ProtectForm", g, Keywords());
    EXPECT_FALSE(file.writeText("Positions", "ProtectForm", "Default"));
    LoadWindowSettings(file, "MainForm", g, Keywords());
    EXPECT_TRUE(file.writeText("Positions", "MainForm", "Default"));
}
