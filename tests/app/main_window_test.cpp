#include "app/app_state.h"
#include "app/purge_steps.h"
#include "app/windows/main_form.h"
#include "purge/purge_report.h"
#include "tests/support/recording_messages.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace kp;

namespace {

template <typename T>
T* child(QWidget& window, const char* name)
{
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// The commands that do nothing while a run works.
const char* const kButtons[] = {"PreviewSbtn", "PurgeAllSBtn", "ExitSBtn", "StatsSbtn", "ProtectSBtn", "ConfigSBtn"};
const char* const kMenuItems[] = {"Preview1",
                                  "Purge1",
                                  "Exit1",
                                  "SavePurgeOptions1",
                                  "DisplayFolders1",
                                  "DisplayStatistics1",
                                  "DisplayProtectWindow1",
                                  "DisplayConfigurationWindow1",
                                  "KlenzorFoldersatnextReboot1",
                                  "ImportProtectfilefromKlenzor2",
                                  "AboutKlenzorPro1"};

std::vector<std::string> enabledCommands(QWidget& form)
{
    std::vector<std::string> out;
    for (const char* name : kButtons) {
        if (child<QPushButton>(form, name)->isEnabled())
            out.emplace_back(name);
    }
    for (const char* name : kMenuItems) {
        if (child<QAction>(form, name)->isEnabled())
            out.emplace_back(name);
    }
    return out;
}

// The width the list's delegate asks for the lines in view.
int widthOfShownLines(const QAbstractItemView& list) { return list.sizeHintForColumn(0); }

// What a person sees in the middle of a run's step.
struct DuringTheRun {
    int linesShown = -1;
    std::vector<std::string> enabled;
    bool columnHoldsTheLines = false;
};

} // namespace

TEST(MainWindowRun, CommandsShowDisabledAndLinesAppearAsTheRunWritesThem)
{
    for (const bool preview : {false, true}) {
        SCOPED_TRACE(preview ? "preview" : "purge");
        test::RecordingMessages messages;
        AppState state(Keywords({"IE6"}), messages, nullptr);
        DuringTheRun seen;
        QTableView* list = nullptr;
        TMainForm* window = nullptr;
        StepTable steps;
        steps[PurgeStep::Temp] = [&](PurgeContext& c) {
            c.report.AddReportLine(QStringLiteral("Temp Folders:"));
            c.report.AddReportLine(QStringLiteral("       deleted - C:\\WINDOWS\\TEMP\\~DF1A2B.tmp"));
            QElapsedTimer waited;
            waited.start();
            while (waited.elapsed() < 300)
                QApplication::processEvents(QEventLoop::AllEvents, 50);
            seen.linesShown = list->model()->rowCount();
            seen.enabled = enabledCommands(*window);
            seen.columnHoldsTheLines = list->columnWidth(0) >= widthOfShownLines(*list);
        };
        TMainForm form(state, std::move(steps));
        window = &form;
        form.setClosingPause(0);
        list = child<QTableView>(form, "ListView0");
        form.show();
        child<QCheckBox>(form, "CheckBoxTemp")->setChecked(true);
        preview ? form.PreviewSbtnClick() : form.PurgeAllSBtnClick();

        EXPECT_EQ(seen.linesShown, preview ? 4 : 2) << "the preview's two header lines come first";
        EXPECT_EQ(seen.enabled, std::vector<std::string>{});
        EXPECT_TRUE(seen.columnHoldsTheLines);
        EXPECT_EQ(enabledCommands(form).size(), std::size(kButtons) + std::size(kMenuItems));
        EXPECT_GE(list->columnWidth(0), widthOfShownLines(*list));

        form.report().ClearReport();
        QApplication::processEvents();
        EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0) << "the column shrinks with the report";
    }
}

TEST(MainWindowKeys, HomeAndEndInTheReportDigitsOnlyInTheAgeFields)
{
    test::RecordingMessages messages;
    AppState state(Keywords({"IE6"}), messages, nullptr);
    StepTable steps;
    steps[PurgeStep::Cache] = [](PurgeContext&) {};
    TMainForm form(state, std::move(steps));
    form.show();
    for (int i = 0; i < 60; ++i)
        form.report().AddReportLine(QStringLiteral("line %1").arg(i));
    auto* list = child<QTableView>(form, "ListView0");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_End);
    EXPECT_EQ(list->currentIndex().row(), 59);
    EXPECT_TRUE(list->viewport()->rect().contains(list->visualRect(list->currentIndex())));
    QTest::keyClick(list, Qt::Key_Home);
    EXPECT_EQ(list->currentIndex().row(), 0);
    EXPECT_EQ(list->rowAt(0), 0);

    auto* days = child<QLineEdit>(form, "NsDD");
    days->clear();
    days->setFocus();
    QTest::keyClicks(days, QStringLiteral("1a-2 3.5"));
    EXPECT_EQ(days->text(), "1235");
    QTest::keyClick(days, Qt::Key_Home);
    EXPECT_EQ(days->cursorPosition(), 0) << "Home stays with the field";
    QTest::keyClick(days, Qt::Key_End);
    EXPECT_EQ(days->cursorPosition(), 4);
    EXPECT_EQ(list->currentIndex().row(), 0);
}

TEST(MainWindow, HintsHideAfterFiveSecondsAndSecureDeleteIsOffered)
{
    test::RecordingMessages messages;
    AppState state(Keywords({"IE6"}), messages, nullptr);
    TMainForm form(state, availablePurgeSteps(nullptr));
    int hinted = 0;
    for (const QWidget* w : form.findChildren<QWidget*>()) {
        if (w->toolTip().isEmpty())
            continue;
        ++hinted;
        EXPECT_EQ(w->toolTipDuration(), 5000) << w->objectName().toStdString();
    }
    EXPECT_GE(hinted, 8);
    EXPECT_TRUE(child<QCheckBox>(form, "CheckBoxShredFiles")->isEnabled());
}
