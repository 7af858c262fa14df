#include "config/windows/extra_form.h"
#include "config/windows/visual_style.h"
#include "platform/registry/registry.h"
#include "tests/config/config_window.h"
#include "tests/support/child_process.h"

#include <QApplication>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>

#include <gtest/gtest.h>

#include <stdexcept>
#include <unistd.h>

using namespace kp;
using test::ConfigWindow;

namespace {

enum Tab { General, PurgeNow, Startup, Shutdown, TempFolders };

} // namespace

TEST(TConfigForm, SwitchingTabsWithAChangeAsksOnceAndSavesOnlyOnYes)
{
    for (const MsgButton answer : {No, Yes}) {
        ConfigWindow w;
        w.temp.writeFile("data/KlenPro.Ini", "[Config]\r\nSplashOpt=1\r\nMainWinOpt=3\r\n");
        w.open();
        w.tabs().setCurrentIndex(PurgeNow);
        EXPECT_EQ(w.form->ConfigModePrefix(), "Auto");
        // The Purge Now tab falls back on Config.
        EXPECT_TRUE(w.button("ConfigDisplaySplashRGDisable").isChecked());
        EXPECT_TRUE(w.button("ConfigDisplayMainWinRGDisable").isChecked());
        EXPECT_FALSE(w.button("SConfigSaveBtn").isEnabled());
        w.button("ConfigDisplayMainWinRGEnable").click();
        EXPECT_TRUE(w.button("SConfigSaveBtn").isEnabled());

        w.messages.answer = answer;
        w.tabs().setCurrentIndex(Startup);
        ASSERT_EQ(w.messages.shown.size(), 1u);
        EXPECT_EQ(w.messages.shown[0].caption, "Klenzor Pro -  Warning");
        EXPECT_EQ(w.form->ConfigModePrefix(), "Boot");
        EXPECT_FALSE(w.button("SConfigSaveBtn").isEnabled());
        EXPECT_EQ(w.setting("AutoConfig", "MainWinOpt"), answer == Yes ? "0" : "-");
        EXPECT_EQ(w.setting("AutoConfig", "SplashOpt"), answer == Yes ? "1" : "-");
        EXPECT_EQ(w.setting("Config", "MainWinOpt"), "3");

        w.tabs().setCurrentIndex(PurgeNow);
        EXPECT_EQ(w.button("ConfigDisplayMainWinRGEnable").isChecked(), answer == Yes);
        EXPECT_EQ(w.messages.shown.size(), 1u);
    }
}

TEST(TConfigForm, EachModeTabShowsItsOwnControls)
{
    ConfigWindow w;
    w.open();
    const struct {
        Tab tab;
        bool notes, bootBox, shutdown;
    } rows[] = {{PurgeNow, true, false, false}, {Startup, false, true, false}, {Shutdown, false, false, true}};
    for (const auto& row : rows) {
        w.tabs().setCurrentIndex(row.tab);
        EXPECT_TRUE(w.shown("PanelScn"));
        EXPECT_FALSE(w.shown("PanelGen"));
        EXPECT_EQ(w.shown("OldIconLabel1"), row.notes);
        EXPECT_EQ(w.shown("CheckBoxBootExec"), row.bootBox);
        EXPECT_EQ(w.shown("ShutdownOptionsRG"), row.shutdown);
    }
    EXPECT_EQ(w.form->extraForm().windowTitle(), "Klenzor Pro - set separate Purge options for 'Purge & Shutdown'");
}

TEST(VisualStyle, SwitchedOffGivesTheClassicWindowsLook)
{
    const QString native = QApplication::style()->name();
    for (const auto& [state, expected] : {std::pair{0, native}, {2, native}, {1, QStringLiteral("windows")}}) {
        ApplyVisualStyle(ThemeStates{state, state});
        EXPECT_EQ(QApplication::style()->name().toLower(), expected.toLower()) << state;
        QApplication::setStyle(native);
    }
}

TEST(TConfigForm, TheShutdownTabOffersPoweroffOnlyOnTheNtFamily)
{
    const struct {
        bool windows98;
        int storedShutType;
        int offered;
        const char* selected;
    } rows[] = {
        {false, 3, 4, "ShutdownOptionsRGPoweroff"},
        {true, 3, 3, "ShutdownOptionsRGLogoff"},
        {true, 2, 3, "ShutdownOptionsRGShutdown"},
    };
    for (const auto& row : rows) {
        ConfigWindow w;
        if (row.windows98)
            w.makeWindows98();
        w.general.ShutType = row.storedShutType;
        w.open();
        w.tabs().setCurrentIndex(Shutdown);
        int offered = 0;
        for (QRadioButton* item : w.control<QWidget>("ShutdownOptionsRG").findChildren<QRadioButton*>())
            offered += item->isVisibleTo(w.form.get());
        EXPECT_EQ(offered, row.offered) << row.windows98;
        EXPECT_TRUE(w.button(row.selected).isChecked()) << row.selected;
        w.button("ShutdownOptionsRGReboot").click();
        w.button("SConfigSaveBtn").click();
        EXPECT_EQ(w.general.ShutType, 1);
    }
}

TEST(TConfigForm, TheStartupEntryIsWrittenReadBackAndRemoved)
{
    // Built for Linux the program has no ".EXE" in its name: its own entry
    // still counts as present.
    const struct {
        const char* program;
        const char* data;
    } rows[] = {
        {"KlenPro.exe", "\"C:\\KP\\KLENPRO.EXE\" BOOT"},
        {"klenpro", "\"C:\\KP\\KLENPRO\" BOOT"},
        {"Klenzor Pro.exe", "\"C:\\KP\\KLEN~WFI.EXE\" BOOT"},
    };
    for (const auto& row : rows) {
        ConfigWindow w(row.program);
        w.open();
        w.tabs().setCurrentIndex(Startup);
        EXPECT_FALSE(w.button("CheckBoxBootExec").isChecked());
        w.button("CheckBoxBootExec").click();
        w.button("SConfigSaveBtn").click();

        win::Registry& registry = w.temp.machine().registry();
        win::RegKey run;
        ASSERT_EQ(registry.openKey(win::RegRoot::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                   false, run),
                  win::err::SUCCESS);
        std::string data;
        EXPECT_EQ(registry.queryString(run, "Klenzor", data), win::err::SUCCESS);
        EXPECT_EQ(data, row.data);

        w.tabs().setCurrentIndex(General);
        w.tabs().setCurrentIndex(Startup);
        EXPECT_TRUE(w.button("CheckBoxBootExec").isChecked()) << row.program;
        w.button("CheckBoxBootExec").click();
        w.button("SConfigSaveBtn").click();
        EXPECT_EQ(registry.queryString(run, "Klenzor", data), win::err::FILE_NOT_FOUND);
        EXPECT_TRUE(w.messages.shown.empty());
    }
}

TEST(TConfigForm, TheThemesBoxFollowsTheManifestAndRenamesIt)
{
    const struct {
        bool windows98;
        const char* manifest; // beside the program, or none
        bool shown, ticked;
        const char* afterClickAndSave;
    } rows[] = {
        {false, nullptr, false, false, nullptr},
        {false, "kp/KlenPro.exe.ManifesT", true, true, "kp/KlenPro.exe.ManifesX"},
        {false, "kp/KlenPro.exe.ManifesX", true, false, "kp/KlenPro.exe.ManifesT"},
        {true, "kp/KlenPro.exe.ManifesT", false, false, "kp/KlenPro.exe.ManifesT"},
    };
    for (const auto& row : rows) {
        ConfigWindow w;
        if (row.windows98)
            w.makeWindows98();
        if (row.manifest)
            w.temp.writeFile(row.manifest, "<assembly/>");
        w.open();
        EXPECT_EQ(w.shown("CheckBoxThemes"), row.shown) << row.manifest;
        EXPECT_EQ(w.button("CheckBoxThemes").isChecked(), row.ticked) << row.manifest;
        if (row.shown)
            w.button("CheckBoxThemes").click();
        w.button("CheckBoxShowHints").click();
        w.button("SConfigSaveBtn").click();
        EXPECT_EQ(w.general.HintsOption, "N");
        EXPECT_EQ(w.hintsApplied, 1);
        const std::string expected = row.afterClickAndSave ? row.afterClickAndSave : "";
        for (const char* name : {"kp/KlenPro.exe.ManifesT", "kp/KlenPro.exe.ManifesX"})
            EXPECT_EQ(w.temp.exists(name), expected == name) << name;
    }
}

TEST(TConfigForm, ThePluginManagerButtonShowsOnlyBesideItsProgram)
{
    for (const bool present : {false, true}) {
        ConfigWindow w;
        if (present)
            w.temp.writeFile("kp/PLUGMGR.EXE", "MZ");
        w.open();
        EXPECT_EQ(w.shown("ExecPlugMgrBtn"), present);
        EXPECT_EQ(w.shown("ExecPlugMgrLab"), present);
    }
}

TEST(TConfigForm, TheTempTabShowsTheCandidatesAndRebuildsThePurgeList)
{
    ConfigWindow w;
    w.folders.temp[FolderSet::SystemTemp] = {"C:\\TMP", TempCandidate::NameNotTemp,
                                             "... not safe to use - Folder name not \"temp\" ...", 'C'};
    w.folders.temp[FolderSet::WindowsTemp] = {"C:\\WINDOWS\\TEMP", TempCandidate::Usable, "", 'C'};
    w.general.TmpDir = "Y";
    w.open();
    w.tabs().setCurrentIndex(TempFolders);
    EXPECT_TRUE(w.shown("PanelTmp"));
    EXPECT_EQ(w.control<QLabel>("WinDirLab").text().remove(QChar(0x200B)), "C:\\WINDOWS\\TEMP");
    EXPECT_EQ(w.control<QLabel>("TmpErrLab").text(), "... not safe to use - Folder name not \"temp\" ...");
    EXPECT_TRUE(w.button("TmpChkBox").isChecked());
    w.button("WinChkBox").click();
    w.button("SConfigSaveBtn").click();
    EXPECT_EQ(w.general.WinDir, "Y");
    EXPECT_EQ(w.folders.purgeTemp, (std::vector<TempEntry>{{"C:\\WINDOWS\\TEMP", "Windows Temp"}}));
}

TEST(TConfigForm, TheShortcutsAreLinksToTheProgramOnTheDesktop)
{
    ConfigWindow w;
    w.open();
    const struct {
        const char* button;
        const char* file;
        const char* arguments;
        const char* icon;
    } rows[] = {
        {"SGenerateBtn1", "desktop/Klenzor Pro.lnk", nullptr, "KlenPro.ico"},
        {"SGenerateBtn2", "desktop/Diruv IRO Vur.lnk", "auto", "FastPro.ico"},
        {"SGenerateBtn3", "desktop/Purge & Shutdown.lnk", "SHUT", "ShutPro.ico"},
    };
    const bool lnkInfo = ::access("/usr/bin/lnkinfo", X_OK) == 0;
    for (const auto& row : rows) {
        w.button(row.button).click();
        ASSERT_TRUE(w.temp.exists(row.file)) << row.file;
        if (!lnkInfo)
            continue;
        std::string out;
        ASSERT_EQ(test::runProgram({"/usr/bin/lnkinfo", w.temp.hostPath(row.file)}, {}, &out), 0) << out;
        EXPECT_NE(out.find("Local path\t\t\t: C:\\KP\\KlenPro.exe\n"), std::string::npos) << out;
        EXPECT_NE(out.find("Working directory\t\t: C:\\KP\n"), std::string::npos) << out;
        EXPECT_NE(out.find(std::string("Icon location\t\t\t: C:\\KP\\") + row.icon), std::string::npos) << out;
        const std::string arguments = std::string("Command line arguments\t\t: ") + (row.arguments ? row.arguments : "");
        EXPECT_EQ(out.find(row.arguments ? arguments : "Command line arguments") != std::string::npos,
                  row.arguments != nullptr) << out;
    }
    EXPECT_TRUE(w.messages.shown.empty());
}

TEST(TConfigForm, TheAbortKeywordTestsTheErrorHandler)
{
    ConfigWindow w;
    w.keywords = Keywords({"abort"});
    w.open();
    try {
        w.form->SConfigExitBtnClick();
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Exception Test - Configform");
    }
}
