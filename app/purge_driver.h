#pragma once
// The purge run: validates the age limits, runs the selected steps in their
// fixed order with progress and cancel, survives a failing step, and closes
// with a summary line and a verdict. The window it runs in is a DriverView.

#include "app/purge_steps.h"
#include "settings/purge_option_set.h"

#include <QString>

namespace kp {

// The options as the window's controls hold them, with the availability of
// the three boxes that need Internet Explorer 5.
struct DriverInput {
    PurgeOptionSet options;
    Ie5Boxes ie5Boxes;
};

class DriverView {
public:
    virtual ~DriverView() = default;
    virtual DriverInput readControls() const = 0;
    virtual void showStatus(const QString& text) = 0;
    virtual void startActivityTimer() = 0;
    virtual void stopActivityTimer() = 0;
    virtual void enterBusy(bool previewButton) = 0;
    virtual void startGauge(int stepWidth) = 0;
    virtual void advanceGauge(int stepWidth) = 0;
    virtual void suspendReportList() = 0;
    virtual void showCleanVerdict(const QString& status) = 0;
    virtual void showErrorVerdict(const QString& status) = 0;
    virtual bool reportExceedsList() const = 0;
    virtual void showPageDownHint() = 0;
    virtual QString idleStatusText() const = 0;
    // Resumes the list, repaints, and after the closing pause hides the gauge.
    virtual void leaveBusy() = 0;
    // Re-enables the button that started the run, restores the cursor.
    virtual void restoreIdle(bool previewButton) = 0;
};

// Which steps a run performs: the option is on, the step's box is available
// and the program has the step's function.
std::array<bool, PurgeStepCount> selectedSteps(const DriverInput& input, const StepTable& steps);

class PurgeDriver {
public:
    PurgeDriver(PurgeContext context, StepTable steps);

    // One run; does nothing while a run is in progress, including its
    // validation, which lets window messages run before the busy state.
    void run(DriverView& view);

    const StepTable& steps() const { return steps_; }
    PurgeReport& report() const { return context_.report; }

private:
    bool validate(const DriverInput& input);
    void finish(DriverView& view);

    PurgeContext context_;
    StepTable steps_;
    bool running_ = false; // from the start of a run, before the busy state begins
};

} // namespace kp
