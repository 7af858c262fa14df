#include "app/windows/main_form.h"

#include "ui_TMainForm.h"

#include "app/app_state.h"
#include "app/browser_caution.h"
#include "app/guarded_call.h"
#include "app/main_window_start.h"
#include "app/report_navigation.h"
#include "app/shutdown_windows.h"
#include "app/windows/quick_start_form.h"
#include "config/windows/config_form.h"
#include "core/identity.h"
#include "core/message_service.h"
#include "core/scope_guard.h"
#include "core/windows/help_window.h"
#include "core/windows/dialog_frame.h"
#include "platform/files/file_system.h"
#include "platform/machine.h"
#include "platform/system/own_program.h"
#include "platform/urlcache/url_cache.h"
#include "protect/windows/protect_form.h"
#include "purge/browser_window.h"
#include "purge/log_file.h"
#include "purge/purge_report.h"
#include "service/service_link.h"
#include "settings/folder_display.h"
#include "settings/option_set_store.h"
#include "settings/settings_file.h"
#include "settings/window_placement.h"
#include "tools/cache_statistics.h"
#include "tools/windows/import_form.h"
#include "tools/windows/klen_inx_dialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QHeaderView>
#include <QLayout>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QThread>

#include <cmath>

namespace kp {

namespace {
const QColor kSilver(0xC0, 0xC0, 0xC0);
const QColor kLime(0, 255, 0);
const QColor kYellow(255, 255, 0);
constexpr int kCautionMs = 2500;
constexpr int kQuickStartDelayMs = 500;
constexpr int kHintHideMs = 5000;

// The designed size grown in proportion until it holds `needed`.
QSize scaledUpToHold(QSize designed, QSize needed)
{
    const double factor = std::max({1.0, double(needed.width()) / designed.width(),
                                    double(needed.height()) / designed.height()});
    return {int(std::ceil(designed.width() * factor)), int(std::ceil(designed.height() * factor))};
}

// Swallows tool-tip events while hints are switched off.
class ToolTipBlocker : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        return event->type() == QEvent::ToolTip || QObject::eventFilter(watched, event);
    }
};
} // namespace

TMainForm::TMainForm(AppState& state, StepTable steps, QWidget* parent)
    : QMainWindow(parent)
    , state_(state)
    , ui_(std::make_unique<Ui::TMainForm>())
    , report_(std::make_unique<PurgeReport>(state.errors, state.messages))
    , log_(std::make_unique<LogFile>(state.machine, state.keywords.IsKeywordPresent("log")))
{
    ui_->setupUi(this);
    driver_ = std::make_unique<PurgeDriver>(
        PurgeContext{*report_, state.run, state.errors, state.keywords, state.folders, state.general, state.messages,
                     state.machine},
        CheckRecycleBin(std::move(steps), state.machine));

    ui_->ListView0->setModel(report_.get());
    ui_->ListView0->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ui_->ListView0->horizontalHeader()->setStretchLastSection(false);
    connect(report_.get(), &PurgeReport::cleared, this, &TMainForm::resetStatusPanel);
    connect(report_.get(), &PurgeReport::styleChanged, this, &TMainForm::applyReportStyle);
    connect(report_.get(), &PurgeReport::rowsInserted, this, &TMainForm::fitReportColumn);
    connect(report_.get(), &PurgeReport::modelReset, this, &TMainForm::fitReportColumn);

    // The status bar holds the Page Down hint whole; the hint never widens
    // the window (it may be cut while the finished gauge still shows).
    ensurePolished();
    const QMargins margins = ui_->Panel2Layout->contentsMargins();
    ui_->Panel2->setMinimumWidth(ui_->Panel2Msg->sizeHint().width() + ui_->Panel2Layout->spacing() + margins.left()
                                 + margins.right() + 2 * ui_->Panel2->frameWidth());
    ui_->Panel2Msg->setMinimumWidth(1);

    auto* digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    for (QLineEdit* edit : {ui_->NsDD, ui_->NsHH, ui_->NsMM, ui_->SbDD, ui_->SbHH, ui_->SbMM}) {
        edit->setValidator(digits);
        // Four digits wide in any font (its smallest size holds one).
        const int fourDigits =
            edit->minimumSizeHint().width() + edit->fontMetrics().horizontalAdvance(QStringLiteral("000"));
        edit->setMaximumWidth(std::max(edit->maximumWidth(), fourDigits));
    }

    connect(ui_->PurgeAllSBtn, &QPushButton::clicked, this, &TMainForm::PurgeAllSBtnClick);
    connect(ui_->Purge1, &QAction::triggered, this, &TMainForm::PurgeAllSBtnClick);
    connect(ui_->PreviewSbtn, &QPushButton::clicked, this, &TMainForm::PreviewSbtnClick);
    connect(ui_->Preview1, &QAction::triggered, this, &TMainForm::PreviewSbtnClick);
    connect(ui_->CancelSBtn, &QPushButton::clicked, this, &TMainForm::CancelSBtnClick);
    connect(ui_->ExitSBtn, &QPushButton::clicked, this, &TMainForm::ExitSBtnClick);
    connect(ui_->Exit1, &QAction::triggered, this, &TMainForm::ExitSBtnClick);
    connect(ui_->AllOnBtn, &QPushButton::clicked, this, &TMainForm::AllOnBtnClick);
    connect(ui_->AllOffBtn, &QPushButton::clicked, this, &TMainForm::AllOffBtnClick);
    connect(ui_->SaveOptionsSBtn, &QPushButton::clicked, this, &TMainForm::SaveOptionsSBtnClick);
    connect(ui_->SavePurgeOptions1, &QAction::triggered, this, &TMainForm::SaveOptionsSBtnClick);
    connect(ui_->DisplayFolders1, &QAction::triggered, this, &TMainForm::puDispDirsClick);
    connect(ui_->ProtectSBtn, &QPushButton::clicked, this, &TMainForm::ProtectSBtnClick);
    connect(ui_->DisplayProtectWindow1, &QAction::triggered, this, &TMainForm::ProtectSBtnClick);
    connect(ui_->ConfigSBtn, &QPushButton::clicked, this, &TMainForm::ConfigSBtnClick);
    connect(ui_->DisplayConfigurationWindow1, &QAction::triggered, this, &TMainForm::ConfigSBtnClick);
    connect(ui_->CopyDisplaytoClipBoard1, &QAction::triggered, this, &TMainForm::puCopyClipboardClick);
    connect(ui_->CheckforNewerVersion1, &QAction::triggered, this, &TMainForm::puCheckforNewerVersionClick);
    connect(ui_->AccessVendorWebPage1, &QAction::triggered, this, &TMainForm::puWebPageClick);
    connect(ui_->AccessKlenzorTutorial1, &QAction::triggered, this, &TMainForm::AccessKlenzorTutorial1Click);
    connect(ui_->HelpFileContents1, &QAction::triggered, this, &TMainForm::PuHelpClick);
    connect(ui_->UpgradeNotes1, &QAction::triggered, this, &TMainForm::UpgradeNotes1Click);
    connect(ui_->GettingStarted1, &QAction::triggered, this, &TMainForm::GettingStarted1Click);
    connect(ui_->AboutKlenzorPro1, &QAction::triggered, this, &TMainForm::PuAboutClick);
    connect(ui_->CheckBoxHistory, &QCheckBox::clicked, this, &TMainForm::Timer1Timer);
    connect(ui_->CheckBoxURLs, &QCheckBox::clicked, this, &TMainForm::Timer1Timer);
    Timer1.setInterval(kCautionMs);
    connect(&Timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);
    QStimer.setInterval(kQuickStartDelayMs);
    connect(&QStimer, &QTimer::timeout, this, &TMainForm::QStimerTimer);
    connect(ui_->StatsSbtn, &QPushButton::clicked, this, &TMainForm::StatsSBtnClick);
    connect(ui_->DisplayStatistics1, &QAction::triggered, this, &TMainForm::StatsSBtnClick);
    connect(ui_->ImportProtectfilefromKlenzor2, &QAction::triggered, this,
            &TMainForm::ImportProtectfilefromKlenzor1Click);
    connect(ui_->KlenzorFoldersatnextReboot1, &QAction::triggered, this, &TMainForm::puKlenInxClick);
    Timer2Activity.setInterval(100);
    connect(&Timer2Activity, &QTimer::timeout, this, &TMainForm::Timer2ActivityTimer);
    TimerMsg.setInterval(10000);
    connect(&TimerMsg, &QTimer::timeout, this, &TMainForm::TimerMsgTimer);

    FormCreate();
    qApp->installEventFilter(this);
}

TMainForm::~TMainForm() = default;

void TMainForm::FormCreate()
{
    const std::optional<std::string> placement = BeginMainWindowStart(state_, *report_, *log_);
    helpFile_ = state_.folders.execFolder + "\\" + kHelpFileName;
    applyReportStyle();
    ui_->PanelGauge->hide();
    if (placement) {
        applyHints();
        applyPlacement(*placement);
    } else {
        applyPlacement({});
    }
    if (!AcceptInternetExplorer(state_)) {
        refused_ = true;
        close();
        return;
    }
    showStartingControls();
    FinishMainWindowStart(state_, *report_);

    for (QWidget* child : findChildren<QWidget*>())
        child->setToolTipDuration(kHintHideMs);

    setStatusColour(kSilver);
    Timer1Timer();
    if (state_.keywords.IsKeywordPresent("NOVER")) {
        idleStatus_.clear();
        ui_->RegLabel->clear();
    } else {
        setWindowTitle(QString::fromLatin1(identity::DesignedCaption) + QStringLiteral(" -  Version ")
                       + QString::fromLatin1(identity::VersionText).mid(10));
    }
}

// Boxes of options this build or browser cannot perform stay clear and
// disabled; so do the age fields without the Cache step.
void TMainForm::showStartingControls()
{
    const StepTable& steps = driver_->steps();
    for (const PurgeOptionField& f : PurgeOptionFields)
        optionBox(f)->setEnabled(OptionAvailable(f, steps, state_.ie));
    setOptionSet(StartingControls(state_, steps).options);

    ui_->RecyclePanel->setToolTip(steps.has(PurgeStep::Recycle)
                                      ? QString()
                                      : QStringLiteral("Empty Recycle Bin Option is only available on Newer "
                                                       "Systems - See Help"));
    if (!steps.has(PurgeStep::Cache)) {
        for (const AgeLimitField& f : AgeLimitFields)
            ageField(f)->setEnabled(false);
    }
}

QCheckBox* TMainForm::optionBox(const PurgeOptionField& field) const
{
    return findChild<QCheckBox*>(QLatin1String(field.checkBox));
}

QLineEdit* TMainForm::ageField(const AgeLimitField& field) const
{
    return findChild<QLineEdit*>(QLatin1String(field.key));
}

void TMainForm::setOptionSet(const PurgeOptionSet& o)
{
    // A disabled Internet Explorer 5 box stays clear.
    for (const PurgeOptionField& f : PurgeOptionFields) {
        QCheckBox* box = optionBox(f);
        box->setChecked(o.*f.flag && (!f.ie5Box || box->isEnabled()));
    }
    for (const AgeLimitField& f : AgeLimitFields)
        ageField(f)->setText(QString::fromStdString(o.*f.text));
    (o.ReportOpt == 1 ? ui_->ReportsRG1Summary : ui_->ReportsRG1Detail)->setChecked(true);
}

void TMainForm::applyPlacement(const std::string& text)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    ScreenMetrics metrics;
    if (screen) {
        metrics.width = screen->geometry().width();
        metrics.height = screen->geometry().height();
        metrics.pixelsPerInch = qRound(screen->logicalDotsPerInchY());
    }
    // The layout sets the smallest size (resize keeps to it); the designed
    // size grows to hold it.
    ensurePolished();
    layout()->activate();
    const WindowPlacement p = PlaceWindow(text, metrics);
    QSize size(p.width, p.height);
    if (p.kind != WindowPlacement::Stored)
        size = scaledUpToHold(size, minimumSize());
    if (p.kind == WindowPlacement::Centred) {
        resize(size);
        move((metrics.width - width()) / 2, (metrics.height - height()) / 2);
        return;
    }
    move(p.left, p.top);
    resize(size);
    setWindowState(p.maximised ? Qt::WindowMaximized : Qt::WindowNoState);
}

std::string TMainForm::currentPlacement() const
{
    if (isMaximized())
        return FormatPlacement({2});
    const QRect r = isMinimized() ? normalGeometry() : QRect(pos(), size());
    return FormatPlacement({isMinimized() ? 1 : 0, r.top(), r.left(), r.height(), r.width()});
}

void TMainForm::applyHints()
{
    // Tool-tip hints show exactly when HintsOption is "Y".
    if (state_.general.HintsOption == "Y") {
        hintFilter_.reset();
        return;
    }
    if (!hintFilter_) {
        hintFilter_ = std::make_unique<ToolTipBlocker>();
        qApp->installEventFilter(hintFilter_.get());
    }
}

void TMainForm::applyReportStyle()
{
    // The report's font: fixed pitch, in the report's size and weight.
    const PurgeReport::Style& style = report_->style();
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(style.pointSize);
    font.setBold(style.bold);
    ui_->ListView0->setFont(font);
    const int rowHeight = QFontMetrics(font).height() + 2;
    ui_->ListView0->verticalHeader()->setMinimumSectionSize(rowHeight);
    ui_->ListView0->verticalHeader()->setDefaultSectionSize(rowHeight);
    fitReportColumn();
}

void TMainForm::resetStatusPanel()
{
    reportCursor_ = -1;
    setStatusColour(kSilver);
    ui_->RegLabel->setText(idleStatus_);
}

void TMainForm::setStatusColour(const QColor& colour)
{
    ui_->Panel2->setStyleSheet(QStringLiteral("QFrame#Panel2 { background-color: %1; }").arg(colour.name()));
}

void TMainForm::enableIdleCommands(bool enabled)
{
    for (QWidget* button : {ui_->PreviewSbtn, ui_->PurgeAllSBtn, ui_->ExitSBtn, ui_->StatsSbtn, ui_->ProtectSBtn,
                            ui_->ConfigSBtn})
        button->setEnabled(enabled);
    for (QAction* item : {ui_->SavePurgeOptions1, ui_->Preview1, ui_->Purge1, ui_->Exit1, ui_->DisplayFolders1,
                          ui_->DisplayStatistics1, ui_->DisplayProtectWindow1, ui_->DisplayConfigurationWindow1,
                          ui_->KlenzorFoldersatnextReboot1, ui_->ImportProtectfilefromKlenzor2, ui_->AboutKlenzorPro1})
        item->setEnabled(enabled);
}

// Commands

void TMainForm::startRun(bool preview)
{
    RunAndLog(state_, *driver_, *this, *log_, preview);
}

void TMainForm::PurgeAllSBtnClick() { startRun(false); }

void TMainForm::ProtectSBtnClick()
{
    if (!state_.machine)
        return;
    if (!protectForm_)
        protectForm_ = std::make_unique<TProtectForm>(ProtectFormSetup{*state_.machine, state_.messages, state_.keywords,
                                                                       state_.folders, state_.general, state_.ie.ie6});
    protectForm_->openWindow();
}

void TMainForm::ConfigSBtnClick()
{
    if (state_.run.BusyFlag || !state_.machine)
        return;
    if (!configForm_) {
        std::string executable;
        if (win::executablePath(*state_.machine, executable) != win::err::SUCCESS)
            executable.clear();
        configForm_ = std::make_unique<TConfigForm>(
            ConfigFormSetup{*state_.machine, state_.messages, state_.keywords, state_.folders, state_.general, state_.ie,
                            PurgeContext{*report_, state_.run, state_.errors, state_.keywords, state_.folders,
                                         state_.general, state_.messages, state_.machine},
                            executable, [this] { applyHints(); }, state_.theme},
            this);
    }
    configForm_->exec();
}

void TMainForm::puKlenInxClick()
{
    if (state_.run.BusyFlag || !state_.machine)
        return;
    ServiceLink service(*state_.machine);
    TKlenInxDlg dialog(*state_.machine, state_.folders, service, state_.messages, dialogOwner());
    dialog.exec();
}

void TMainForm::PreviewSbtnClick() { startRun(true); }

void TMainForm::CancelSBtnClick()
{
    // The run stays busy until its current step has finished; only then may
    // the window close or another run start.
    state_.run.CancelFlag = true;
}

void TMainForm::ExitSBtnClick()
{
    ExitCommandTest(state_.keywords);
    if (!state_.run.BusyFlag)
        close();
}

void TMainForm::SetAllOptions(bool on)
{
    for (const PurgeOptionField& f : PurgeOptionFields) {
        QCheckBox* box = optionBox(f);
        if (box->isEnabled())
            box->setChecked(on);
    }
}

void TMainForm::AllOnBtnClick() { SetAllOptions(true); }

void TMainForm::SaveOptionsSBtnClick()
{
    if (state_.run.BusyFlag || !state_.machine)
        return;
    state_.run.BusyFlag = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    SettingsFile file(*state_.machine, state_.folders);
    const DriverInput in = readControls();
    SaveOptionSet(file, state_.folders.modePrefix, in.options, in.ie5Boxes);
    QApplication::restoreOverrideCursor();
    state_.run.BusyFlag = false;
}

void TMainForm::StatsSBtnClick()
{
    if (state_.run.BusyFlag || !state_.machine)
        return;
    state_.run.BusyFlag = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    {
        const ScopeGuard idle([this] {
            QApplication::restoreOverrideCursor();
            state_.run.BusyFlag = false;
        });
        report_->ClearReport();
        PurgeContext context{*report_,       state_.run,     state_.errors,   state_.keywords,
                             state_.folders, state_.general, state_.messages, state_.machine};
        win::UrlCache cache(*state_.machine);
        ShowStatistics(context, cache);
    }
    log_->WriteLogFile(*report_);
}

void TMainForm::ImportProtectfilefromKlenzor1Click()
{
    if (state_.run.BusyFlag || !state_.machine)
        return;
    if (!importForm_) {
        importForm_ = std::make_unique<TImportForm>(*state_.machine, state_.messages, state_.folders, this);
        connect(importForm_.get(), &TImportForm::helpRequested, this, &TMainForm::UpgradeNotes1Click);
    }
    importForm_->exec();
}

void TMainForm::puDispDirsClick()
{
    if (state_.run.BusyFlag)
        return;
    report_->ClearReport();
    for (const std::string& line : FolderDisplayLines(state_.folders, state_.keywords.IsKeywordPresent("xcode")))
        report_->AddReportLine(QString::fromStdString(line));
    log_->WriteLogFile(*report_);
}
void TMainForm::AllOffBtnClick() { SetAllOptions(false); }

void TMainForm::Timer2ActivityTimer()
{
    if (state_.run.ProcessedCount > 0)
        ui_->RegLabel->setText(state_.run.statusText());
    // The lines written since the last tick, the newest in view.
    const int shown = report_->rowCount();
    report_->showPendingLines();
    if (report_->rowCount() > shown)
        ui_->ListView0->scrollToBottom();
}

void TMainForm::TimerMsgTimer()
{
    TimerMsg.stop();
    ui_->Panel2Msg->hide();
}

void TMainForm::Timer1Timer()
{
    const bool history = ui_->CheckBoxHistory->isChecked();
    const bool urls = ui_->CheckBoxURLs->isChecked();
    BrowserCaution caution;
    if (history || urls) {
        Timer1.start();
        if (state_.windows) {
            const std::string title = state_.machine ? ReadBrowserWindowTitle(state_.machine->registry()) : "";
            caution = CheckBrowserActivity(BrowserWindows(*state_.windows, title), history, urls);
        }
    } else {
        Timer1.stop();
    }
    ui_->IEcaution1->setText(QString::fromStdString(caution.text));
    ui_->IEcaution1->setVisible(caution.shown);
    ui_->IEcaution2->setVisible(caution.shown);
    markCaution(ui_->CheckBoxHistory, caution.historyYellow);
    markCaution(ui_->CheckBoxURLs, caution.urlsYellow);
}

// Yellow, else the window's own face colour (silver in the designed window).
void TMainForm::markCaution(QCheckBox* box, bool yellow)
{
    box->setStyleSheet(yellow ? QStringLiteral("QCheckBox { background-color: %1; }").arg(kYellow.name()) : QString());
}

bool TMainForm::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && !activated_) {
        activated_ = true;
        FormActivate();
    }
    return QMainWindow::event(event);
}

void TMainForm::FormActivate()
{
    if (state_.mode.unattended() || state_.general.QuickStartOpt != "S" || !state_.machine)
        return;
    if (win::FileSystem(*state_.machine).exists(quickStartFile(*state_.machine)))
        QStimer.start();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (state_.run.BusyFlag) {
        event->ignore();
        return;
    }
    if (!refused_)
        SaveMainWindowValues(state_, currentPlacement());
    if (state_.mode.Shut)
        ShutdownWindows(state_);
    event->accept();
}

void TMainForm::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    fitReportColumn();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()
        && static_cast<QWidget*>(watched)->window() == this && !state_.run.BusyFlag) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool inReport = watched == ui_->ListView0 || watched == ui_->ListView0->viewport();
        if (key->modifiers() == Qt::NoModifier && (FormKeyUp(key->key()) || (inReport && ReportKey(key->key()))))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TMainForm::FormKeyUp(int key)
{
    QTableView* list = ui_->ListView0;
    if (key == Qt::Key_Tab) {
        const int row = nextErrorLine(report_->lines(), reportCursor_);
        if (row < 0) {
            list->scrollToTop();
            return true;
        }
        showReportLine(row);
        list->setFocus();
        reportCursor_ = row;
        return true;
    }
    if (key == Qt::Key_PageDown) {
        const int rowHeight = std::max(1, list->verticalHeader()->defaultSectionSize());
        if (report_->rowCount() > list->viewport()->height() / rowHeight) {
            int lastVisible = list->rowAt(list->viewport()->height() - 1);
            if (lastVisible < 0)
                lastVisible = report_->rowCount() - 1;
            showReportLine(pageDownTarget(report_->lines(), lastVisible));
        }
        return true;
    }
    return false;
}

bool TMainForm::ReportKey(int key)
{
    if (key != Qt::Key_Home && key != Qt::Key_End)
        return false;
    if (report_->rowCount() > 0)
        showReportLine(key == Qt::Key_Home ? 0 : report_->rowCount() - 1);
    return true;
}

void TMainForm::showReportLine(int row)
{
    const QModelIndex index = report_->index(row);
    ui_->ListView0->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    ui_->ListView0->scrollTo(index);
}

void TMainForm::fitReportColumn()
{
    // The longest line whole (the font has a fixed pitch), with the margins
    // the list keeps on either side of a cell's text; at least the list's width.
    QTableView* list = ui_->ListView0;
    const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
    const int text = QFontMetrics(list->font()).horizontalAdvance(QString(report_->longestLine(), QLatin1Char('M')));
    list->setColumnWidth(0, std::max(list->viewport()->width(), text + 2 * margin + 2));
}

void TMainForm::AppOnException(const QString& message, quintptr address)
{
    ShowProgramError(state_.messages, message, address);
    state_.run.BusyFlag = false;
    close();
}

// DriverView

DriverInput TMainForm::readControls() const
{
    DriverInput in;
    for (const PurgeOptionField& f : PurgeOptionFields) {
        const QCheckBox* box = optionBox(f);
        in.options.*f.flag = box->isChecked();
        if (f.ie5Box)
            in.ie5Boxes.*f.ie5Box = box->isEnabled();
    }
    for (const AgeLimitField& f : AgeLimitFields)
        in.options.*f.text = ageField(f)->text().toStdString();
    in.options.ReportOpt = ui_->ReportsRG1Summary->isChecked() ? 1 : 0;
    return in;
}

void TMainForm::showStatus(const QString& text) { ui_->RegLabel->setText(text); }
void TMainForm::startActivityTimer() { Timer2Activity.start(); }
void TMainForm::stopActivityTimer() { Timer2Activity.stop(); }

void TMainForm::enterBusy(bool)
{
    ui_->SaveOptionsSBtn->setEnabled(false);
    ui_->SaveOptionsSBtn->hide();
    ui_->CancelSBtn->setEnabled(true);
    ui_->CancelSBtn->show();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    enableIdleCommands(false);
}

void TMainForm::startGauge(int stepWidth)
{
    ui_->LabGauge->resize(stepWidth, ui_->PanelGauge->height() - 2);
    ui_->PanelGauge->show();
}

void TMainForm::advanceGauge(int stepWidth)
{
    ui_->LabGauge->resize(ui_->LabGauge->width() + stepWidth, ui_->LabGauge->height());
}

void TMainForm::suspendReportList()
{
    // Lines are announced in batches on the activity timer's ticks.
    report_->suspendUpdates();
}

void TMainForm::showCleanVerdict(const QString& status)
{
    ui_->RegLabel->setText(status);
    setStatusColour(kSilver);
}

void TMainForm::showErrorVerdict(const QString& status)
{
    ui_->RegLabel->setText(status);
    setStatusColour(kLime);
}

bool TMainForm::reportExceedsList() const
{
    const int rowHeight = std::max(1, ui_->ListView0->verticalHeader()->defaultSectionSize());
    return report_->lineCount() > ui_->ListView0->viewport()->height() / rowHeight;
}

void TMainForm::showPageDownHint()
{
    ui_->Panel2Msg->show();
    TimerMsg.start();
}

QString TMainForm::idleStatusText() const { return idleStatus_; }

void TMainForm::leaveBusy()
{
    ui_->SaveOptionsSBtn->show();
    ui_->SaveOptionsSBtn->setEnabled(saveOptionsAvailable_);
    ui_->CancelSBtn->hide();
    ui_->CancelSBtn->setEnabled(false);
    QCoreApplication::processEvents();
    report_->resumeUpdates();
    ui_->ListView0->scrollToTop();
    QCoreApplication::processEvents();
    if (closingPauseMs_ > 0)
        QThread::msleep(closingPauseMs_);
    ui_->PanelGauge->hide();
}

void TMainForm::restoreIdle(bool)
{
    enableIdleCommands(true);
    QApplication::restoreOverrideCursor();
}

} // namespace kp
