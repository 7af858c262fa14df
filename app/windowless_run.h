#pragma once
// An unattended run (AUTO, BOOT, SHUT) without a display: the main window's
// start, purge and close done with no window at all, on a QCoreApplication,
// with messages on standard error.

#include "app/purge_driver.h"

#include <memory>
#include <optional>
#include <string>

namespace kp {

struct AppState;
class Keywords;
class LogFile;

// The driver's view of a run without a window: it holds the option set the
// window's controls would hold and drops everything the window would show.
class WindowlessView : public DriverView {
public:
    explicit WindowlessView(DriverInput input)
        : input_(std::move(input))
    {
    }

    DriverInput readControls() const override { return input_; }
    void showStatus(const QString&) override {}
    void startActivityTimer() override {}
    void stopActivityTimer() override {}
    void enterBusy(bool) override {}
    void startGauge(int) override {}
    void advanceGauge(int) override {}
    void suspendReportList() override {}
    void showCleanVerdict(const QString&) override {}
    void showErrorVerdict(const QString&) override {}
    bool reportExceedsList() const override { return false; }
    void showPageDownHint() override {}
    QString idleStatusText() const override { return {}; }
    void leaveBusy() override {}
    void restoreIdle(bool) override {}

private:
    DriverInput input_;
};

// The main window's work without the window: its start at construction,
// the Purge and Exit commands and the exception box, with the same report,
// log and settings.
class WindowlessMainForm {
public:
    WindowlessMainForm(AppState& state, StepTable steps);
    ~WindowlessMainForm();

    // True when start-up found no Internet Explorer 4 or later.
    bool refusedToStart() const { return !view_; }
    PurgeReport& report() { return *report_; }

    void purge();
    // Closes as the window would: its values go to the settings file.
    void exit();
    void onException(const QString& message, quintptr address);

private:
    void close();

    AppState& state_;
    std::unique_ptr<PurgeReport> report_;
    std::unique_ptr<LogFile> log_;
    std::unique_ptr<PurgeDriver> driver_;
    std::optional<std::string> placement_; // as loaded: no window moved it
    std::unique_ptr<WindowlessView> view_;
};

// The entry sequence of an unattended run without a display; returns the
// process's exit status as the program with windows would.
int RunWindowless(const Keywords& keywords);

} // namespace kp
