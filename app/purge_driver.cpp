#include "app/purge_driver.h"

#include "app/age_limits.h"
#include "core/caught_exception.h"
#include "core/error_level.h"
#include "core/identity.h"
#include "core/keywords.h"
#include "core/message_service.h"
#include "core/qt_text.h"
#include "core/run_mode.h"
#include "core/scope_guard.h"
#include "platform/host/console.h"
#include "purge/purge_report.h"
#include "purge/report_text.h"
#include "purge/run_state.h"
#include "settings/general_settings.h"

namespace kp {

namespace {
constexpr int kGaugeWidth = 200;

// The report says only that the step failed; why goes to standard error.
void reportStepFailure(PurgeStep step, const std::string& cause)
{
    std::string name = processingText(step, {});
    name.erase(0, name.find_first_not_of(' '));
    win::writeStandardError("Klenzor Pro: " + name + " failed: " + cause + "\n");
}

} // namespace

std::array<bool, PurgeStepCount> selectedSteps(const DriverInput& input, const StepTable& steps)
{
    std::array<bool, PurgeStepCount> on{};
    for (const PurgeOptionField& f : PurgeOptionFields) {
        if (f.step && input.options.*f.flag && ie5BoxAllows(f, input.ie5Boxes) && steps.has(*f.step))
            on[std::size_t(*f.step)] = true;
    }
    return on;
}

PurgeDriver::PurgeDriver(PurgeContext context, StepTable steps)
    : context_(context)
    , steps_(std::move(steps))
{
}

bool PurgeDriver::validate(const DriverInput& input)
{
    const PurgeOptionSet& o = input.options;
    RunState& run = context_.run;
    AgeLimit online, offline;
    std::optional<std::string> problem = validateAgeGroup({o.NsDD, o.NsHH, o.NsMM}, "Online Cache", online);
    if (!problem)
        problem = validateAgeGroup({o.SbDD, o.SbHH, o.SbMM}, "Offline Cache", offline);
    if (problem) {
        context_.messages.show(identity::MessageCaption, *problem, MsgKind::Error, OK);
        // Nobody is there to correct an unattended run: its report says why
        // it did nothing.
        if (ReadRunMode(context_.keywords).unattended()) {
            context_.report.AddReportLine(q(ageProblemReportLine(*problem)));
            context_.errors.ErrorFlag = true;
            context_.errors.RaiseErrorLevel(9);
        }
        return false;
    }
    run.onlineDays = online.days;
    run.onlineHours = online.hours;
    run.onlineMinutes = online.minutes;
    run.offlineDays = offline.days;
    run.offlineHours = offline.hours;
    run.offlineMinutes = offline.minutes;
    return true;
}

void PurgeDriver::run(DriverView& view)
{
    RunState& run = context_.run;
    ErrorState& errors = context_.errors;
    PurgeReport& report = context_.report;
    if (run.BusyFlag || running_)
        return;
    running_ = true;
    const ScopeGuard done([this] { running_ = false; });

    const DriverInput input = view.readControls();
    run.options = input.options;
    run.detail = input.options.ReportOpt == 0;
    run.shred = input.options.ShredFiles;
    run.CancelFlag = false;
    run.ProcessedCount = 0;
    run.statusBase.clear();
    view.startActivityTimer();
    const std::string suffix = shredSuffix(run.PreviewFlag, run.previewButton, run.shred,
                                           context_.general.Thoroughness, context_.general.Repeats);
    run.ran = false;
    errors.ErrorFlag = false;
    errors.ResetErrorLevel(context_.keywords);

    report.BeginRunReport(run.PreviewFlag);
    run.CacheAccessError = false;
    if (!validate(input)) {
        view.stopActivityTimer();
        return;
    }

    run.BusyFlag = true;
    view.enterBusy(run.previewButton);

    const std::array<bool, PurgeStepCount> selected = selectedSteps(input, steps_);
    int gaugeSteps = 1;
    for (bool on : selected)
        gaugeSteps += on ? 1 : 0;
    run.gaugeStep = kGaugeWidth / gaugeSteps;
    view.startGauge(run.gaugeStep);
    view.suspendReportList();

    const QString separator = QString::fromLatin1(SeparatorLine);
    for (int i = 0; i < PurgeStepCount; ++i) {
        if (run.CancelFlag || !selected[std::size_t(i)])
            continue;
        const auto step = PurgeStep(i);
        run.statusBase = q(processingText(step, suffix));
        view.showStatus(run.statusText());
        bool failed = false;
        try {
            steps_[step](context_);
        } catch (...) {
            failed = true;
            reportStepFailure(step, caughtExceptionText());
        }
        view.advanceGauge(run.gaugeStep);
        run.ran = true;
        report.AddReportLine(separator);
        if (failed) {
            report.AddReportLine(QStringLiteral("*** Error occurred in above function ***"));
            report.AddReportLine(separator);
        }
    }
    finish(view);
}

void PurgeDriver::finish(DriverView& view)
{
    RunState& run = context_.run;
    ErrorState& errors = context_.errors;
    PurgeReport& report = context_.report;
    const Keywords& keywords = context_.keywords;

    view.stopActivityTimer();
    if (run.CancelFlag) {
        report.AddReportLine(QStringLiteral("  Purge Functions Cancelled by Operator."));
    } else if (!run.ran) {
        report.AddReportLine(QStringLiteral(" -Error- No Purge Options were Selected."));
        errors.ErrorFlag = true;
        errors.RaiseErrorLevel(9);
    } else {
        report.AddReportLine(QStringLiteral("  Purge Functions Completed."));
    }

    const bool sampleErrors = keywords.IsKeywordPresent("errors");
    if (sampleErrors) {
        for (const char* indicator : {result::ErrorInUrl, result::FileNotFound, result::DirNotEmpty,
                                      result::Locked, result::DeleteFailed})
            report.AddReportLine(QString::fromLatin1(indicator) + QStringLiteral(" a typical delete error..."));
        report.AddReportLine(QStringLiteral(" -Error- xxxxxxx Folders:  not processed..."));
        report.AddReportLine(QStringLiteral(" -Error-123 a non-standard error code"));
    }

    if (errors.ErrorLevel < 1 && !sampleErrors) {
        view.showCleanVerdict(keywords.IsKeywordPresent("totals")
                                  ? QStringLiteral("Total Processed - ") + QString::number(run.ProcessedCount)
                                  : view.idleStatusText());
        if (view.reportExceedsList())
            view.showPageDownHint();
    } else {
        view.showErrorVerdict(
            QStringLiteral(" Errors in Purge function  -  Use the TAB key to locate the Error messages.... "));
        report.AddReportLine(QStringLiteral(" "));
        report.AddReportLine(QStringLiteral("NOTE - The TroubleShooting section of the Klenzor Pro Help file "));
        report.AddReportLine(QStringLiteral("       contains additonal information for the Error indicators."));
    }

    view.leaveBusy();
    run.BusyFlag = false;
    view.restoreIdle(run.previewButton);
}

} // namespace kp
