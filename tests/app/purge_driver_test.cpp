#include "app/app_state.h"
#include "app/windows/guarded_application.h"
#include "app/windows/main_form.h"
#include "purge/purge_report.h"
#include "tests/support/recording_messages.h"
#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

using namespace kp;

namespace {

const QString kSeparator = QStringLiteral(" - - - - - - - - - - - - - - - - -");

struct Call {
    PurgeStep step;
    QString status;
};

class DriverTest : public ::testing::Test {
protected:
    void make(std::vector<std::string> args = {"IE6"}, bool shredding = true)
    {
        form.reset(); // a window made before must not outlive its state
        state = std::make_unique<AppState>(Keywords(std::move(args)), messages, nullptr);
        StepTable steps;
        steps.shredding = shredding;
        for (int i = 0; i < PurgeStepCount; ++i) {
            const auto step = PurgeStep(i);
            steps[step] = [this, step](PurgeContext& context) {
                calls.push_back({step, label("RegLabel")->text()});
                context.report.AddReportLine(QStringLiteral("step %1").arg(int(step) + 1));
                if (auto it = actions.find(step); it != actions.end())
                    it->second(context);
            };
        }
        form = std::make_unique<TMainForm>(*state, std::move(steps));
        form->setClosingPause(0);
        form->resize(760, 540);
    }

    template <typename T = QWidget>
    T* widget(const char* name) const
    {
        T* found = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QCheckBox* box(const char* name) const { return widget<QCheckBox>(name); }
    QLineEdit* edit(const char* name) const { return widget<QLineEdit>(name); }
    QLabel* label(const char* name) const { return widget<QLabel>(name); }
    std::vector<QString> lines() const { return form->report().lines(); }
    std::vector<PurgeStep> steps() const
    {
        std::vector<PurgeStep> out;
        for (const Call& c : calls)
            out.push_back(c.step);
        return out;
    }

    test::RecordingMessages messages;
    std::unique_ptr<AppState> state;
    std::unique_ptr<TMainForm> form;
    std::vector<Call> calls;
    std::map<PurgeStep, std::function<void(PurgeContext&)>> actions;
};

} // namespace

TEST_F(DriverTest, AllFourteenStepsRunInOrderWithTheirTextsAndThirteenPixelGauge)
{
    make();
    state->general.Thoroughness = "1";
    state->general.Repeats = 3;
    form->AllOnBtnClick();
    form->PurgeAllSBtnClick();

    ASSERT_EQ(calls.size(), 14u);
    for (int i = 0; i < 14; ++i)
        EXPECT_EQ(calls[std::size_t(i)].step, PurgeStep(i));
    const QString shred = QStringLiteral(" with 3 Shred Operations");
    EXPECT_EQ(calls[0].status, "  Processing \"Cache\"" + shred);
    EXPECT_EQ(calls[2].status, "  Processing \"Visited URLs\"");
    EXPECT_EQ(calls[13].status, "  Clearing Windows ClipBoard");
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [&](const Call& c) { return c.status.endsWith(shred); }), 7)
        << "the steps that delete files";

    EXPECT_EQ(state->run.gaugeStep, 13);
    EXPECT_EQ(label("LabGauge")->width(), 15 * 13);
    EXPECT_FALSE(widget("PanelGauge")->isVisible());

    const auto report = lines();
    ASSERT_EQ(report.size(), 14u * 2 + 1);
    EXPECT_EQ(report[0], "step 1");
    EXPECT_EQ(report[1], kSeparator);
    EXPECT_EQ(report.back(), "  Purge Functions Completed.");
    EXPECT_EQ(state->errors.ErrorLevel, 0);
    EXPECT_FALSE(state->run.BusyFlag);
    EXPECT_TRUE(widget("PurgeAllSBtn")->isEnabled());
}

TEST_F(DriverTest, QuickShredAndNoSuffixForPreviews)
{
    make();
    box("CheckBoxCookies")->setChecked(true);
    box("CheckBoxShredFiles")->setChecked(true);
    form->PurgeAllSBtnClick();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].status, "  Processing \"Cookies\" with Quick Shred");

    calls.clear();
    form->PreviewSbtnClick();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].status, "  Processing \"Cookies\"");
    const auto report = lines();
    ASSERT_GE(report.size(), 3u);
    EXPECT_EQ(report[0], "This List is from a \"Preview Purge\".  No Deletes are done for a \"Preview Purge\".");
    EXPECT_EQ(report[1], "The following list is for illustration purposes only.");
    EXPECT_EQ(report[2], "step 2");
    EXPECT_TRUE(state->run.PreviewFlag);
    EXPECT_TRUE(widget("PreviewSbtn")->isEnabled());
}

TEST_F(DriverTest, EachOptionsBoxRunsItsOwnStepOnlyAndBothCacheBoxesMakeOneStep)
{
    make();
    for (const PurgeOptionField& field : PurgeOptionFields) {
        if (!field.step)
            continue;
        form->AllOffBtnClick();
        box(field.checkBox)->setChecked(true);
        calls.clear();
        form->PurgeAllSBtnClick();
        EXPECT_EQ(steps(), std::vector<PurgeStep>{*field.step}) << field.checkBox;
        EXPECT_EQ(state->run.gaugeStep, 100) << field.checkBox;
    }
    form->AllOffBtnClick();
    box("CheckBoxNormalCache")->setChecked(true);
    box("CheckBoxSubscriptionCache")->setChecked(true);
    calls.clear();
    form->PurgeAllSBtnClick();
    EXPECT_EQ(steps(), std::vector<PurgeStep>{PurgeStep::Cache});
    EXPECT_EQ(state->run.gaugeStep, 100);
}

TEST_F(DriverTest, InternetExplorerFiveStepsNeedTheirBoxesEnabled)
{
    make({"IE4"});
    EXPECT_FALSE(box("CheckBoxUserData")->isEnabled());
    form->AllOnBtnClick();
    EXPECT_FALSE(box("CheckBoxUserData")->isChecked());
    EXPECT_FALSE(box("CheckBoxClearAutoCompleteForms")->isChecked());

    // Ticked while disabled: still not run, not counted in the gauge.
    form->AllOffBtnClick();
    box("CheckBoxUserData")->setChecked(true);
    box("CheckBoxTemp")->setChecked(true);
    form->PurgeAllSBtnClick();
    EXPECT_EQ(steps(), std::vector<PurgeStep>{PurgeStep::Temp});
    EXPECT_EQ(state->run.gaugeStep, 100);
}

TEST_F(DriverTest, CancelDuringAStepEndsTheRunAfterThatStep)
{
    make();
    form->AllOnBtnClick();
    actions[PurgeStep::Visited] = [this](PurgeContext& context) {
        form->CancelSBtnClick();
        // The run stays busy: neither a second run nor closing may start now.
        form->PurgeAllSBtnClick();
        EXPECT_FALSE(form->close());
        context.report.AddReportLine(QStringLiteral("visited done"));
    };
    form->show();
    form->PurgeAllSBtnClick();

    EXPECT_EQ(steps(), (std::vector<PurgeStep>{PurgeStep::Cache, PurgeStep::Cookies, PurgeStep::Visited}));
    const auto report = lines();
    ASSERT_GE(report.size(), 3u);
    EXPECT_EQ(report[report.size() - 3], "visited done");
    EXPECT_EQ(report[report.size() - 2], kSeparator);
    EXPECT_EQ(report.back(), "  Purge Functions Cancelled by Operator.");
    EXPECT_EQ(state->errors.ErrorLevel, 0);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(state->run.BusyFlag);
}

TEST_F(DriverTest, AnExceptionInAStepIsContainedAndWhatItThrewGoesToStandardError)
{
    make();
    box("CheckBoxCookies")->setChecked(true);
    box("CheckBoxVisited")->setChecked(true);
    box("CheckBoxTemp")->setChecked(true);
    actions[PurgeStep::Cookies] = [](PurgeContext&) { throw std::runtime_error("boom"); };
    actions[PurgeStep::Visited] = [](PurgeContext&) { throw 7; };
    testing::internal::CaptureStderr();
    form->PurgeAllSBtnClick();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Klenzor Pro: Processing \"Cookies\" failed: boom\n"
              "Klenzor Pro: Processing \"Visited URLs\" failed: an exception of type int\n");

    EXPECT_EQ(steps(), (std::vector<PurgeStep>{PurgeStep::Cookies, PurgeStep::Visited, PurgeStep::Temp}));
    const QString error = QStringLiteral("*** Error occurred in above function ***");
    const std::vector<QString> expected = {"step 2", kSeparator, error,     kSeparator, "step 3", kSeparator, error,
                                           kSeparator, "step 7", kSeparator, "  Purge Functions Completed."};
    EXPECT_EQ(lines(), expected);
    EXPECT_EQ(state->errors.ErrorLevel, 0);
    EXPECT_FALSE(state->errors.ErrorFlag);
    EXPECT_EQ(label("LabGauge")->width(), 4 * 50);
}

TEST(GuardedCall, AnExceptionOfAnyTypeReachesTheHandlerWithWhatItWas)
{
    std::vector<QString> handled;
    const ExceptionHandler handler = [&](const QString& message, quintptr) { handled.push_back(message); };
    EXPECT_FALSE(deliverGuarded([]() -> bool { throw std::runtime_error("boom"); }, handler));
    EXPECT_FALSE(deliverGuarded([]() -> bool { throw 7; }, handler));
    EXPECT_TRUE(deliverGuarded([] { return true; }, handler));
    EXPECT_EQ(handled, (std::vector<QString>{"boom", "Unknown program error (an exception of type int)"}));
    EXPECT_THROW(deliverGuarded([]() -> bool { throw 7; }, {}), int);
}

TEST_F(DriverTest, NothingSelectedIsASevereErrorWithTheErrorVerdict)
{
    make();
    form->PreviewSbtnClick();
    const std::vector<QString> expected = {
        "This List is from a \"Preview Purge\".  No Deletes are done for a \"Preview Purge\".",
        "The following list is for illustration purposes only.",
        " -Error- No Purge Options were Selected.",
        " ",
        "NOTE - The TroubleShooting section of the Klenzor Pro Help file ",
        "       contains additonal information for the Error indicators."};
    EXPECT_EQ(lines(), expected);
    EXPECT_EQ(state->errors.ErrorLevel, 9);
    EXPECT_TRUE(state->errors.ErrorFlag);
    EXPECT_EQ(label("RegLabel")->text(), " Errors in Purge function  -  Use the TAB key to locate the Error messages.... ");
    EXPECT_TRUE(widget("Panel2")->styleSheet().contains("#00ff00"));
}

TEST_F(DriverTest, ErrorsKeywordAddsSampleLinesAndAnErrorVerdict)
{
    make({"IE6", "errors"});
    box("CheckBoxTemp")->setChecked(true);
    form->PurgeAllSBtnClick();
    const auto report = lines();
    ASSERT_EQ(report.size(), 3u + 7u + 3u);
    EXPECT_EQ(report[3], "  Error in URL -  a typical delete error...");
    EXPECT_EQ(state->errors.ErrorLevel, 0);
    EXPECT_TRUE(widget("Panel2")->styleSheet().contains("#00ff00"));
}

TEST_F(DriverTest, TotalsKeywordShowsTheProcessedCountAfterACleanRun)
{
    make({"IE6", "totals"});
    box("CheckBoxRecent")->setChecked(true);
    actions[PurgeStep::Recent] = [](PurgeContext& context) { context.run.ProcessedCount += 37; };
    form->PurgeAllSBtnClick();
    EXPECT_EQ(label("RegLabel")->text(), "Total Processed - 37");
    EXPECT_TRUE(widget("Panel2")->styleSheet().contains("#c0c0c0"));
}

TEST_F(DriverTest, ErrorPresetByKeywordGivesTheErrorVerdict)
{
    make({"IE6", "ERROR1"});
    box("CheckBoxRecent")->setChecked(true);
    form->PurgeAllSBtnClick();
    EXPECT_EQ(state->errors.ErrorLevel, 1);
    EXPECT_EQ(lines().back(), "       contains additonal information for the Error indicators.");
}

TEST_F(DriverTest, AgeLimitsAreCheckedEvenForAnUnselectedCache)
{
    make();
    box("CheckBoxCookies")->setChecked(true);
    edit("NsHH")->setText("24");
    form->PurgeAllSBtnClick();
    EXPECT_TRUE(calls.empty());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Klenzor Pro  -  Message");
    EXPECT_EQ(messages.shown[0].kind, MsgKind::Error);
    EXPECT_NE(messages.shown[0].text.find("for \"Online Cache\".\r\nYou have Exceeded 23 Hours or 59 Mins."),
              std::string::npos);
    EXPECT_TRUE(lines().empty());
    EXPECT_FALSE(state->run.BusyFlag);

    edit("NsHH")->setText(" 7 ");
    edit("NsMM")->setText("59");
    edit("NsDD")->setText("400");
    edit("SbMM")->setText("60");
    form->PurgeAllSBtnClick();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_NE(messages.shown[1].text.find("\"Offline Cache\""), std::string::npos);

    edit("SbMM")->setText("0");
    form->PurgeAllSBtnClick();
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_EQ(state->run.onlineHours, 7);
    EXPECT_EQ(state->run.onlineDays, 400);
}

TEST_F(DriverTest, AnUnattendedRunRefusedForItsAgeLimitsEndsWithAnErrorLine)
{
    make({"IE6", "AUTO"});
    box("CheckBoxCookies")->setChecked(true);
    edit("SbMM")->setText("60");
    form->PurgeAllSBtnClick();
    EXPECT_TRUE(calls.empty());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(lines(), (std::vector<QString>{QStringLiteral(" -Error- The Time Since Last Access is not valid for "
                                                            "\"Offline Cache\". You have Exceeded 23 Hours or 59 Mins.")}));
    EXPECT_TRUE(state->errors.ErrorFlag);
    EXPECT_EQ(state->errors.ErrorLevel, 9);
}

TEST_F(DriverTest, ALetterInAnAgeFieldIsRefusedWithTheWindowStillOpen)
{
    make();
    form->show();
    box("CheckBoxNormalCache")->setChecked(true);
    edit("SbDD")->setText("3x");
    form->PurgeAllSBtnClick();
    EXPECT_TRUE(calls.empty());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "The Time Since Last Access is not valid \r\nfor \"Offline Cache\".\r\n"
                                      "The value must be a whole number.\r\nPlease correct and retry.");
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(widget("PurgeAllSBtn")->isEnabled());
}

TEST_F(DriverTest, UnavailableStepsLeaveTheirBoxesDisabledAndUnticked)
{
    state = std::make_unique<AppState>(Keywords({"IE6"}), messages, nullptr);
    StepTable steps;
    steps[PurgeStep::Cookies] = [](PurgeContext&) {};
    form = std::make_unique<TMainForm>(*state, std::move(steps));
    form->setClosingPause(0);
    form->AllOnBtnClick();
    EXPECT_TRUE(box("CheckBoxCookies")->isChecked());
    for (QCheckBox* box : {box("CheckBoxNormalCache"), box("CheckBoxReCycle"), box("CheckBoxShredFiles"),
                           box("CheckBoxUserData"), box("CheckBoxHistory")}) {
        EXPECT_FALSE(box->isEnabled()) << box->objectName().toStdString();
        EXPECT_FALSE(box->isChecked()) << box->objectName().toStdString();
    }
    EXPECT_FALSE(edit("NsDD")->isEnabled());
}

TEST_F(DriverTest, ExitWithAbortKeywordReachesTheExceptionBoxWhichClosesTheWindow)
{
    make({"IE6", "abort"});
    form->show();
    state->run.BusyFlag = true;
    const ExceptionHandler handler = [this](const QString& m, quintptr a) { form->AppOnException(m, a); };
    EXPECT_FALSE(deliverGuarded([this] { form->ExitSBtnClick(); return true; }, handler));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Klenzor Pro -  Program Error");
    EXPECT_EQ(messages.shown[0].text.rfind("Exception Test - Mainform. Occurred at: ", 0), 0u);
    EXPECT_NE(messages.shown[0].text.find("\r\n\r\nPlease report this message to the vendor..."), std::string::npos);
    EXPECT_FALSE(state->run.BusyFlag);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(DriverTest, ExitClosesOnlyWhenIdleAndTheCaptionCarriesTheVersion)
{
    make();
    EXPECT_EQ(form->windowTitle(),
              "Klenzor Pro - Purge Cache, Cookies and Tracks for Internet Explorer -  Version 2.03");
    form->show();
    state->run.BusyFlag = true;
    form->ExitSBtnClick();
    EXPECT_TRUE(form->isVisible());
    state->run.BusyFlag = false;
    form->ExitSBtnClick();
    EXPECT_FALSE(form->isVisible());

    make({"NOVER"});
    EXPECT_EQ(form->windowTitle(), "Klenzor Pro - Purge Cache, Cookies and Tracks for Internet Explorer");
}

TEST_F(DriverTest, TheActivityTimerShowsTheRunningCount)
{
    make();
    box("CheckBoxTemp")->setChecked(true);
    QString during;
    actions[PurgeStep::Temp] = [&](PurgeContext& context) {
        context.run.ProcessedCount = 5;
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 300)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        during = label("RegLabel")->text();
    };
    form->PurgeAllSBtnClick();
    EXPECT_EQ(during, "  Processing \"Temp Folders\" - 5 processed");
    EXPECT_EQ(label("RegLabel")->text(), "");
}

TEST_F(DriverTest, ALongCleanReportShowsThePageDownHintUntilItsTimerHidesIt)
{
    make();
    form->show();
    box("CheckBoxTemp")->setChecked(true);
    actions[PurgeStep::Temp] = [](PurgeContext& context) {
        for (int i = 0; i < 200; ++i)
            context.report.AddReportLine(QStringLiteral("line"));
    };
    form->PurgeAllSBtnClick();
    EXPECT_TRUE(label("Panel2Msg")->isVisible());
    form->TimerMsgTimer();
    EXPECT_FALSE(label("Panel2Msg")->isVisible());

    actions.clear();
    form->PurgeAllSBtnClick();
    EXPECT_FALSE(label("Panel2Msg")->isVisible());
}

TEST_F(DriverTest, APurgeClickQueuedBeforeARunStartsNoSecondRunInsideIt)
{
    make();
    box("CheckBoxTemp")->setChecked(true);
    QMetaObject::invokeMethod(form.get(), &TMainForm::PurgeAllSBtnClick, Qt::QueuedConnection);
    form->PurgeAllSBtnClick();
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_EQ(lines(), (std::vector<QString>{"step 7", kSeparator, "  Purge Functions Completed."}));
}
