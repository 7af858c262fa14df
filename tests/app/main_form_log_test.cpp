#include "app/app_state.h"
#include "app/windows/main_form.h"
#include "purge/purge_report.h"
#include "tests/support/recording_messages.h"
#include "tests/support/temp_machine.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace kp;

namespace {
int count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

std::unique_ptr<TMainForm> makeForm(AppState& state)
{
    StepTable steps;
    steps[PurgeStep::Temp] = [](PurgeContext& c) { c.report.AddReportLine(QStringLiteral("Temp Folders:")); };
    auto form = std::make_unique<TMainForm>(state, std::move(steps));
    form->setClosingPause(0);
    form->findChild<QCheckBox*>(QStringLiteral("CheckBoxTemp"))->setChecked(true);
    return form;
}
} // namespace

TEST(MainFormLog, EachRunAppendsToTheLogAndANewStartBeginsItAfresh)
{
    test::TempMachine temp;
    temp.makeDir("data");
    test::RecordingMessages messages;
    {
        AppState state(Keywords({"LOG", "IE6"}), messages, &temp.machine());
        state.folders.dataFolder = "C:\\data";
        auto form = makeForm(state);
        form->PurgeAllSBtnClick();
        form->PreviewSbtnClick();
    }
    std::string text = temp.readFile("data/KLENZOR.LOG");
    EXPECT_EQ(count(text, "Klenzor.log - "), 2);
    EXPECT_EQ(count(text, "Temp Folders:\r\n"), 2);
    EXPECT_EQ(count(text, "This List is from a \"Preview Purge\"."), 1);
    EXPECT_EQ(text.rfind("Klenzor.log - ", 0), 0u);

    AppState restarted(Keywords({"log", "IE6"}), messages, &temp.machine());
    restarted.folders.dataFolder = "C:\\data";
    auto form = makeForm(restarted);
    form->PurgeAllSBtnClick();
    text = temp.readFile("data/KLENZOR.LOG");
    EXPECT_EQ(count(text, "Klenzor.log - "), 1);
    EXPECT_NE(text.find("  Purge Functions Completed.\r\n"), std::string::npos);
}

TEST(MainFormLog, NewverShowsTheMessagesFileOfTheCurrentFolder)
{
    test::TempMachine temp;
    temp.writeFile("Program/KproMsgs.txt", "What is new\nin this version\n");
    temp.machine().setCurrentDirectoryUnchecked("C:\\Program");
    test::RecordingMessages messages;
    AppState state(Keywords({"newver", "IE6"}), messages, &temp.machine());
    TMainForm form(state, {});
    EXPECT_EQ(form.report().lines(), (std::vector<QString>{"What is new", "in this version"}));
    EXPECT_TRUE(form.report().style().bold);
}

TEST(MainFormCommands, StatisticsFillTheReportAndTheLogAndImportOpensItsWindow)
{
    test::TempMachine temp;
    temp.makeDir("data");
    test::RecordingMessages messages;
    AppState state(Keywords({"log", "IE6"}), messages, &temp.machine());
    state.folders.dataFolder = "C:\\data";
    TMainForm form(state, {});
    auto* button = form.findChild<QPushButton*>(QStringLiteral("StatsSbtn"));
    auto* item = form.findChild<QAction*>(QStringLiteral("DisplayStatistics1"));
    ASSERT_TRUE(button && item);
    ASSERT_TRUE(button->isEnabled() && item->isEnabled());

    form.report().AddReportLine(QStringLiteral("an earlier line"));
    button->click();
    ASSERT_GE(form.report().lineCount(), 2);
    EXPECT_EQ(form.report().line(0), "Statistics:");
    EXPECT_EQ(count(temp.readFile("data/KLENZOR.LOG"), "Statistics:\r\n"), 1);
    // Refused while another command runs.
    state.run.BusyFlag = true;
    item->trigger();
    EXPECT_EQ(count(temp.readFile("data/KLENZOR.LOG"), "Statistics:\r\n"), 1);
    state.run.BusyFlag = false;
    item->trigger();
    EXPECT_EQ(count(temp.readFile("data/KLENZOR.LOG"), "Statistics:\r\n"), 2);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    auto* import = form.findChild<QAction*>(QStringLiteral("ImportProtectfilefromKlenzor2"));
    ASSERT_TRUE(import && import->isEnabled());
    QString opened;
    QTimer::singleShot(0, [&opened] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            opened = modal->objectName();
            modal->close();
        }
    });
    import->trigger();
    EXPECT_EQ(opened, "TImportForm");
}
