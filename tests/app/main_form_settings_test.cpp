#include "app/app_state.h"
#include "app/windows/main_form.h"
#include "core/identity.h"
#include "core/ie_version.h"
#include "platform/files/file_system.h"
#include "platform/files/text_file.h"
#include "purge/purge_report.h"
#include "settings/folder_display.h"
#include "tests/support/built_machine.h"
#include "tests/support/recording_messages.h"
#include "tests/support/temp_machine.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using namespace kp;

namespace {

const char* kExec = "C:\\PROGRAM FILES\\KLENZOR PRO";
const std::string kData = "C:\\Documents and Settings\\Owner\\Application Data\\Klenzor";

StepTable everyStep()
{
    StepTable steps;
    for (int i = 0; i < PurgeStepCount; ++i)
        steps[PurgeStep(i)] = [](PurgeContext&) {};
    steps.shredding = true;
    return steps;
}

const char* const kPlainBoxes[] = {"CheckBoxNormalCache", "CheckBoxSubscriptionCache", "CheckBoxHistory",
                                   "CheckBoxURLs", "CheckBoxRecent", "CheckBoxCookies", "CheckBoxVisited",
                                   "CheckBoxStrays", "CheckBoxTemp", "CheckBoxReCycle", "CheckBoxShredFiles",
                                   "CheckBoxPlugins", "CheckBoxClearClipBoard"};
const char* const kIe5Boxes[] = {"CheckBoxClearAutoCompleteForms", "CheckBoxClearPreviousSearches",
                                 "CheckBoxUserData"};

class MainFormSettings : public ::testing::Test {
protected:
    TMainForm& start(std::vector<std::string> args = {})
    {
        form.reset();
        state = std::make_unique<AppState>(Keywords(std::move(args)), messages, &built.machine());
        state->folders.execFolder = kExec;
        form = std::make_unique<TMainForm>(*state, everyStep());
        form->setClosingPause(0);
        return *form;
    }
    QCheckBox* box(const char* name) { return form->findChild<QCheckBox*>(QString::fromLatin1(name)); }
    std::string settings()
    {
        std::string text;
        EXPECT_EQ(win::readTextFile(built.machine(), kData + "\\KlenPro.Ini", text), win::err::SUCCESS);
        return text;
    }

    test::BuiltMachine built;
    test::RecordingMessages messages;
    std::unique_ptr<AppState> state;
    std::unique_ptr<TMainForm> form;
};

} // namespace

TEST_F(MainFormSettings, FirstStartFindsIe6AndOpensWithDefaults)
{
    TMainForm& f = start();
    EXPECT_TRUE(state->ie.ie6 && state->ie.ie5 && state->ie.ie4);
    EXPECT_EQ(state->folders.dataFolder, kData);
    EXPECT_TRUE(state->folders.cacheFound);
    for (const char* name : kPlainBoxes)
        EXPECT_FALSE(box(name)->isChecked()) << name;
    for (const char* name : kIe5Boxes) {
        EXPECT_TRUE(box(name)->isEnabled()) << name;
        EXPECT_FALSE(box(name)->isChecked()) << name;
    }
    EXPECT_EQ(f.findChild<QLineEdit*>("NsDD")->text(), "0");
    EXPECT_TRUE(f.findChild<QRadioButton*>("ReportsRG1Detail")->isChecked());
    EXPECT_EQ(f.pos(), QPoint(0, 0));
    EXPECT_EQ(f.size(), QSize(620, 450));
    EXPECT_EQ(state->general.TmpDir, "Y");
    EXPECT_TRUE(state->general.NewVersionFlag);
    EXPECT_EQ(settings(), std::string("[Version]\r\nVersion=") + identity::VersionNumber + "\r\n");

    f.move(30, 40);
    f.resize(700, 500);
    f.close();
    const std::string text = settings();
    EXPECT_NE(text.find("[Positions]\r\nMainForm=0 40 30 500 700\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("TmpDir=Y\r\nDosDir=N\r\nWinDir=N\r\nVolDir=N\r\n"), std::string::npos) << text;

    start();
    EXPECT_EQ(form->pos(), QPoint(30, 40));
    EXPECT_EQ(form->size(), QSize(700, 500));
    EXPECT_FALSE(state->general.NewVersionFlag);
}

TEST_F(MainFormSettings, SavedOptionsComeBackPerMode)
{
    TMainForm& f = start();
    box("CheckBoxCookies")->setChecked(true);
    box("CheckBoxUserData")->setChecked(true);
    f.findChild<QLineEdit*>("SbDD")->setText("9");
    f.findChild<QRadioButton*>("ReportsRG1Summary")->setChecked(true);
    f.SaveOptionsSBtnClick();

    start({"AUTO"});
    EXPECT_TRUE(box("CheckBoxCookies")->isChecked()) << "the Auto set inherits Options";
    box("CheckBoxCookies")->setChecked(false);
    form->SaveOptionsSBtnClick();
    EXPECT_NE(settings().find("[AutoOptions]\r\nNormalCache=0"), std::string::npos);

    start();
    EXPECT_TRUE(box("CheckBoxCookies")->isChecked());
    EXPECT_TRUE(box("CheckBoxUserData")->isChecked());
    EXPECT_EQ(form->findChild<QLineEdit*>("SbDD")->text(), "9");
    EXPECT_TRUE(form->findChild<QRadioButton*>("ReportsRG1Summary")->isChecked());
    start({"auto"});
    EXPECT_FALSE(box("CheckBoxCookies")->isChecked());
    EXPECT_TRUE(box("CheckBoxUserData")->isChecked());
}

TEST_F(MainFormSettings, Ie4LeavesTheBrowserBoxesOff)
{
    ASSERT_EQ(win::FileSystem(built.machine()).createDirectory(kData), win::err::SUCCESS);
    ASSERT_EQ(win::writeTextFile(built.machine(), kData + "\\KlenPro.Ini",
                                 "[Options]\r\nClearAutoForm=1\r\nClearPrevSrch=1\r\nClearUserData=1\r\n"),
              win::err::SUCCESS);
    start({"IE4"});
    for (const char* name : kIe5Boxes) {
        EXPECT_FALSE(box(name)->isEnabled()) << name;
        EXPECT_FALSE(box(name)->isChecked()) << name;
    }
    form->AllOnBtnClick();
    for (const char* name : kPlainBoxes)
        EXPECT_TRUE(box(name)->isChecked()) << name;
    for (const char* name : kIe5Boxes)
        EXPECT_FALSE(box(name)->isChecked()) << name;
    form->SaveOptionsSBtnClick();
    EXPECT_NE(settings().find("ClearAutoForm=0\r\nClearPrevSrch=0\r\nClearUserData=0\r\n"), std::string::npos);
    form->AllOffBtnClick();
    for (const char* name : kPlainBoxes)
        EXPECT_FALSE(box(name)->isChecked()) << name;
}

TEST_F(MainFormSettings, FolderDisplayListsEveryFolder)
{
    start();
    form->puDispDirsClick();
    std::vector<QString> expected;
    for (const std::string& line : FolderDisplayLines(state->folders, false))
        expected.push_back(QString::fromStdString(line));
    EXPECT_EQ(form->report().lines(), expected);
    ASSERT_GE(expected.size(), 24u);
    EXPECT_EQ(expected[12].toStdString(), "        System Temp:  C:\\DOCUMENTS AND SETTINGS\\OWNER\\LOCAL SETTINGS\\TEMP");
    EXPECT_EQ(expected[20].toStdString(),
              "Klenzor Pro Data Folder:  C:\\DOCUMENTS AND SETTINGS\\OWNER\\APPLICATION DATA\\KLENZOR");
}

TEST_F(MainFormSettings, CdexecNeverWritesTheSettingsFile)
{
    start({"CDEXEC"});
    EXPECT_TRUE(state->folders.dataFolderReadOnly);
    EXPECT_EQ(state->folders.dataFolder, kExec);
    box("CheckBoxCookies")->setChecked(true);
    form->SaveOptionsSBtnClick();
    form->close();
    win::FileSystem files(built.machine());
    EXPECT_FALSE(files.exists(std::string(kExec) + "\\KlenPro.Ini"));
    EXPECT_FALSE(files.exists(kData));
}

TEST_F(MainFormSettings, RegistryDecidesWhenTheLibraryHasNoVersion)
{
    win::FileSystem files(built.machine());
    ASSERT_EQ(files.deleteFile("C:\\WINDOWS\\system32\\shdocvw.dll"), win::err::SUCCESS);
    EXPECT_EQ(browserLibraryVersion(built.machine()), "");
    start();
    EXPECT_TRUE(state->ie.ie6) << "the registry's 6.0.2900.2180";
    EXPECT_FALSE(form->refusedToStart());
}

TEST_F(MainFormSettings, RecycleBinOnlyWhenTheShellCanEmptyIt)
{
    start();
    EXPECT_TRUE(box("CheckBoxReCycle")->isEnabled());
    EXPECT_TRUE(form->findChild<QWidget*>("RecyclePanel")->toolTip().isEmpty());
    win::FileSystem files(built.machine());
    ASSERT_EQ(win::writeTextFile(built.machine(), kData + "\\KlenPro.Ini", "[Options]\r\nRecycle=1\r\n"),
              win::err::SUCCESS);
    ASSERT_EQ(files.deleteFile("C:\\WINDOWS\\system32\\shell32.dll"), win::err::SUCCESS);
    start();
    EXPECT_FALSE(box("CheckBoxReCycle")->isEnabled());
    EXPECT_FALSE(box("CheckBoxReCycle")->isChecked());
    EXPECT_EQ(form->findChild<QWidget*>("RecyclePanel")->toolTip(),
              "Empty Recycle Bin Option is only available on Newer Systems - See Help");
}

TEST(MainFormIeVersion, NoBrowserRefusesToRun)
{
    test::TempMachine temp;
    test::RecordingMessages messages;
    AppState state(Keywords(), messages, &temp.machine());
    TMainForm form(state, everyStep());
    EXPECT_TRUE(form.refusedToStart());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, identity::MessageCaption);
    EXPECT_EQ(messages.shown[0].text,
              "This program was designed for Internet Explorer \r\nVersion 4.0 and higher.\r\n\r\n"
              "This could not be confirmed via the Windows Registry.\r\nExecution will terminate.");
    EXPECT_TRUE(state.errors.ErrorFlag);
    EXPECT_EQ(state.errors.ErrorLevel, 9);
}

TEST(MainFormIeVersion, VersionTexts)
{
    EXPECT_TRUE(ieVersionFromFileText("6.00.2900.2180 (xpsp_sp2_rtm.040803-2158)").ie6);
    EXPECT_TRUE(ieVersionFromFileText("6.0.2900.2180").ie6) << "Wine's one-digit minor version";
    IeVersion v = ieVersionFromFileText("5.50.4134.100");
    EXPECT_TRUE(v.ie5 && !v.ie6);
    v = ieVersionFromFileText("4.71.1712.6");
    EXPECT_TRUE(v.ie4 && !v.ie5);
    EXPECT_FALSE(ieVersionFromFileText("4.70.1300").ie4);
    EXPECT_FALSE(ieVersionFromFileText("").ie4);
    EXPECT_FALSE(ieVersionFromFileText("10.0.1").ie4) << "no dot in second place";
}

TEST(MainFormIeVersion, Windows98KeepsTheLibraryInItsSystemFolder)
{
    sample::MachineSpec recipe = test::BuiltMachine::fixedSpec();
    recipe.layout = sample::MachineLayout::Windows98;
    test::BuiltMachine built(recipe);
    ASSERT_TRUE(built.ok());
    EXPECT_EQ(browserLibraryVersion(built.machine()), "6.00.2800.1106");
    EXPECT_TRUE(detectIeVersion(Keywords(), &built.machine()).ie6);
}

TEST_F(MainFormSettings, ProtectButtonAndMenuOpenTheProtectWindowWhichKeepsItsPlacementAndSort)
{
    start();
    form->findChild<QPushButton*>("ProtectSBtn")->click();
    QWidget* protect = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("TProtectForm") && w->isVisible())
            protect = w;
    ASSERT_TRUE(protect);
    EXPECT_TRUE(form->isEnabled());
    protect->findChild<QRadioButton*>("Sort1Hits")->click();
    protect->move(50, 60);
    protect->resize(640, 470);
    protect->close();
    EXPECT_NE(settings().find("ProtectForm=0 60 50 470 640\r\n"), std::string::npos) << settings();
    EXPECT_NE(settings().find("Sort1Opt=3\r\n"), std::string::npos) << settings();

    form->findChild<QAction*>("DisplayProtectWindow1")->trigger();
    EXPECT_TRUE(protect->isVisible());
    EXPECT_TRUE(protect->findChild<QRadioButton*>("Sort1Hits")->isChecked());
    protect->close();
}
