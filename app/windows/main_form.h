#pragma once
// The main window: command buttons, the purge options, the report list and
// the status bar with its gauge.

#include "app/purge_driver.h"

#include <QMainWindow>
#include <QTimer>

#include <memory>

class QCheckBox;
class QLineEdit;

namespace Ui {
class TMainForm;
}

namespace kp {

struct AppState;
class LogFile;
class TProtectForm;
class TConfigForm;
class TQSform;
class TImportForm;
class PurgeReport;

class TMainForm : public QMainWindow, private DriverView {
    Q_OBJECT
public:
    TMainForm(AppState& state, StepTable steps, QWidget* parent = nullptr);
    ~TMainForm() override;

    PurgeReport& report() { return *report_; }
    LogFile& logFile() { return *log_; }

    // The pause before the busy state ends, so that the finished gauge is seen.
    void setClosingPause(int milliseconds) { closingPauseMs_ = milliseconds; }

    // The exception box: shows the failure, then closes the window.
    void AppOnException(const QString& message, quintptr address);

    // True when start-up found no Internet Explorer 4 or later and the
    // window refused to run.
    bool refusedToStart() const { return refused_; }

    // The option set held by the controls, and loading one into them.
    PurgeOptionSet optionSet() const { return readControls().options; }
    void setOptionSet(const PurgeOptionSet& options);

public slots:
    void PurgeAllSBtnClick();
    void PreviewSbtnClick();
    void CancelSBtnClick();
    void ExitSBtnClick();
    void AllOnBtnClick();
    void AllOffBtnClick();
    void SaveOptionsSBtnClick();
    void puDispDirsClick();
    // Opens the Protect window (made at its first opening).
    void ProtectSBtnClick();
    // Opens the Configuration window modally (made at its first opening).
    void ConfigSBtnClick();
    // The statistics in the report, then in the log file.
    void StatsSBtnClick();
    // Opens the import window modally (made at its first opening).
    void ImportProtectfilefromKlenzor1Click();
    // Opens the reboot purge dialog modally.
    void puKlenInxClick();
    void Timer2ActivityTimer();
    void TimerMsgTimer();
    // The browser-activity caution while History or Typed URLs is ticked.
    void Timer1Timer();
    void puCopyClipboardClick();
    void puCheckforNewerVersionClick();
    void puWebPageClick();
    void AccessKlenzorTutorial1Click();
    void PuHelpClick();
    void UpgradeNotes1Click();
    void GettingStarted1Click();
    void PuAboutClick();
    void QStimerTimer();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void FormCreate();
    void showStartingControls();
    QCheckBox* optionBox(const PurgeOptionField& field) const;
    QLineEdit* ageField(const AgeLimitField& field) const;
    void applyPlacement(const std::string& text);
    std::string currentPlacement() const;
    void applyHints();
    void SetAllOptions(bool on);
    void applyReportStyle();
    void resetStatusPanel();
    void setStatusColour(const QColor& colour);
    // The commands that do nothing during a run, shown disabled while it lasts.
    void enableIdleCommands(bool enabled);
    void startRun(bool preview);
    void fitReportColumn();
    // The keys Tab (next error line) and Page Down (next summary line).
    bool FormKeyUp(int key);
    // Home and End in the report list: its first and last line.
    bool ReportKey(int key);
    void showReportLine(int row);
    void FormActivate();
    void markCaution(QCheckBox* box, bool yellow);
    void openHelp(int context);
    void openVendorPage(const std::string& address, int indent);

    // DriverView
    DriverInput readControls() const override;
    void showStatus(const QString& text) override;
    void startActivityTimer() override;
    void stopActivityTimer() override;
    void enterBusy(bool previewButton) override;
    void startGauge(int stepWidth) override;
    void advanceGauge(int stepWidth) override;
    void suspendReportList() override;
    void showCleanVerdict(const QString& status) override;
    void showErrorVerdict(const QString& status) override;
    bool reportExceedsList() const override;
    void showPageDownHint() override;
    QString idleStatusText() const override;
    void leaveBusy() override;
    void restoreIdle(bool previewButton) override;

    AppState& state_;
    std::unique_ptr<Ui::TMainForm> ui_;
    std::unique_ptr<PurgeReport> report_;
    std::unique_ptr<LogFile> log_;
    std::unique_ptr<PurgeDriver> driver_;
    QTimer Timer2Activity;
    QTimer TimerMsg;
    QTimer Timer1;
    QTimer QStimer;
    std::string helpFile_;
    bool activated_ = false;
    QString idleStatus_;
    bool saveOptionsAvailable_ = true;
    bool refused_ = false;
    std::unique_ptr<QObject> hintFilter_;
    int closingPauseMs_ = 500;
    int reportCursor_ = -1; // the last error line Tab found
    std::unique_ptr<TProtectForm> protectForm_;
    std::unique_ptr<TConfigForm> configForm_;
    std::unique_ptr<TQSform> quickStart_;
    std::unique_ptr<TImportForm> importForm_;
};

} // namespace kp
