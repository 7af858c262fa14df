#include "app/windows/main_form.h"

#include "ui_TMainForm.h"

#include "app/app_state.h"
#include "app/report_navigation.h"
#include "core/identity.h"
#include "core/ie_version.h"
#include "core/message_service.h"
#include "platform/machine.h"
#include "purge/log_file.h"
#include "purge/purge_report.h"
#include "purge/show_text_file.h"
#include "settings/data_folder.h"
#include "settings/folder_discovery.h"
#include "settings/folder_display.h"
#include "settings/option_set_store.h"
#include "settings/settings_file.h"
#include "settings/window_placement.h"
#include "settings/window_settings.h"

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
#include <stdexcept>

namespace kp {

namespace {
const QColor kSilver(0xC0, 0xC0, 0xC0);
const QColor kLime(0, 255, 0);
constexpr int kHintHideMs = 5000;

// The designed size grown in proportion until it holds `needed`.
QSize scaledUpToHold(QSize designed, QSize needed)
{
    const double factor = std::max({1.0, double(needed.width()) / designed.width(),
                                    double(needed.height()) / designed.height()});
    return {int(std::ceil(designed.width() * factor)), int(std::ceil(designed.height() * factor))};
}

void makeUnavailable(QCheckBox* box)
{
    box->setChecked(false);
    box->setEnabled(false);
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
        std::move(steps));

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
    report_->ClearReport();
    applyReportStyle();
    state_.errors.ErrorFlag = false;
    state_.errors.ResetErrorLevel(state_.keywords);
    ui_->PanelGauge->hide();

    if (state_.machine) {
        const std::string failure =
            ResolveDataFolder(*state_.machine, state_.keywords, state_.folders.execFolder, state_.folders);
        if (!failure.empty())
            throw std::runtime_error(failure);
        LoadWindowSettings();
    } else {
        applyPlacement({});
    }
    log_->setDataFolder(state_.folders.dataFolder, !state_.folders.dataFolderReadOnly);

    state_.ie = detectIeVersion(state_.keywords, state_.machine);
    if (!state_.ie.ie4) {
        state_.messages.show(identity::MessageCaption,
                             "This program was designed for Internet Explorer \r\nVersion 4.0 and higher.\r\n\r\n"
                             "This could not be confirmed via the Windows Registry.\r\nExecution will terminate.",
                             MsgKind::Error, OK);
        state_.errors.ErrorFlag = true;
        state_.errors.RaiseErrorLevel(9);
        refused_ = true;
        close();
        return;
    }

    const StepTable& steps = driver_->steps();
    ui_->CheckBoxClearAutoCompleteForms->setEnabled(state_.ie.ie5 && steps.has(PurgeStep::AutoComplete));
    ui_->CheckBoxClearPreviousSearches->setEnabled(state_.ie.ie5 && steps.has(PurgeStep::PreviousSearches));
    ui_->CheckBoxUserData->setEnabled(state_.ie.ie5 && steps.has(PurgeStep::UserData));

    if (state_.machine) {
        SettingsFile file(*state_.machine, state_.folders);
        setOptionSet(LoadOptionSet(file, state_.folders.modePrefix, readControls().ie5Boxes()));
    }

    const bool recycle = steps.has(PurgeStep::Recycle);
    ui_->CheckBoxReCycle->setEnabled(recycle);
    if (!recycle)
        ui_->CheckBoxReCycle->setChecked(false);
    ui_->RecyclePanel->setToolTip(recycle ? QString()
                                          : QStringLiteral("Empty Recycle Bin Option is only available on Newer "
                                                           "Systems - See Help"));
    disableMissingSteps();

    if (state_.machine)
        FindFolders(*state_.machine, state_.keywords, {state_.ie.ie5, state_.ie.ie6}, state_.general, state_.folders);

    if ((state_.general.NewVersionFlag || state_.keywords.IsKeywordPresent("NEWVER")) && state_.machine) {
        std::string folder = state_.machine->currentDirectory();
        if (!folder.empty() && folder.back() != '\\')
            folder += '\\';
        ShowTextFile(*report_, *state_.machine, folder + "KproMsgs.txt");
    }

    for (QWidget* child : findChildren<QWidget*>())
        child->setToolTipDuration(kHintHideMs);

    setStatusColour(kSilver);
    if (state_.keywords.IsKeywordPresent("NOVER")) {
        idleStatus_.clear();
        ui_->RegLabel->clear();
    } else {
        setWindowTitle(QString::fromLatin1(identity::DesignedCaption) + QStringLiteral(" -  Version ")
                       + QString::fromLatin1(identity::VersionText).mid(10));
    }
}

// Boxes of purge functions this build cannot perform stay clear and disabled.
void TMainForm::disableMissingSteps()
{
    const StepTable& steps = driver_->steps();
    if (!steps.has(PurgeStep::Cache)) {
        makeUnavailable(ui_->CheckBoxNormalCache);
        makeUnavailable(ui_->CheckBoxSubscriptionCache);
        for (QLineEdit* edit : {ui_->NsDD, ui_->NsHH, ui_->NsMM, ui_->SbDD, ui_->SbHH, ui_->SbMM})
            edit->setEnabled(false);
    }
    const std::pair<QCheckBox*, PurgeStep> plain[] = {
        {ui_->CheckBoxCookies, PurgeStep::Cookies},   {ui_->CheckBoxVisited, PurgeStep::Visited},
        {ui_->CheckBoxURLs, PurgeStep::TypedUrls},    {ui_->CheckBoxRecent, PurgeStep::Recent},
        {ui_->CheckBoxStrays, PurgeStep::Strays},     {ui_->CheckBoxTemp, PurgeStep::Temp},
        {ui_->CheckBoxHistory, PurgeStep::History},   {ui_->CheckBoxPlugins, PurgeStep::Plugins},
        {ui_->CheckBoxClearClipBoard, PurgeStep::Clipboard},
    };
    for (const auto& [box, step] : plain) {
        if (!steps.has(step))
            makeUnavailable(box);
    }
    if (!steps.shredding)
        makeUnavailable(ui_->CheckBoxShredFiles);
}

void TMainForm::setOptionSet(const PurgeOptionSet& o)
{
    Ui::TMainForm& u = *ui_;
    const std::pair<QCheckBox*, bool> boxes[] = {
        {u.CheckBoxNormalCache, o.NormalCache}, {u.CheckBoxSubscriptionCache, o.SubscriptionCache},
        {u.CheckBoxHistory, o.History},         {u.CheckBoxURLs, o.URLs},
        {u.CheckBoxRecent, o.Recent},           {u.CheckBoxCookies, o.Cookies},
        {u.CheckBoxVisited, o.Visited},         {u.CheckBoxStrays, o.Strays},
        {u.CheckBoxTemp, o.Temp},               {u.CheckBoxReCycle, o.Recycle},
        {u.CheckBoxShredFiles, o.ShredFiles},   {u.CheckBoxPlugins, o.RunPlugins},
        {u.CheckBoxClearClipBoard, o.ClearClipBoard},
    };
    for (const auto& [box, on] : boxes)
        box->setChecked(on);
    const std::pair<QCheckBox*, bool> ie5[] = {
        {u.CheckBoxClearAutoCompleteForms, o.ClearAutoForm},
        {u.CheckBoxClearPreviousSearches, o.ClearPrevSrch},
        {u.CheckBoxUserData, o.ClearUserData},
    };
    for (const auto& [box, on] : ie5)
        box->setChecked(box->isEnabled() && on);
    const std::pair<QLineEdit*, const std::string*> ages[] = {
        {u.NsDD, &o.NsDD}, {u.NsHH, &o.NsHH}, {u.NsMM, &o.NsMM},
        {u.SbDD, &o.SbDD}, {u.SbHH, &o.SbHH}, {u.SbMM, &o.SbMM},
    };
    for (const auto& [edit, text] : ages)
        edit->setText(QString::fromStdString(*text));
    (o.ReportOpt == 1 ? u.ReportsRG1Summary : u.ReportsRG1Detail)->setChecked(true);
}

void TMainForm::LoadWindowSettings()
{
    SettingsFile file(*state_.machine, state_.folders);
    const std::string placement = kp::LoadWindowSettings(file, "MainForm", state_.general, state_.keywords);
    applyHints();
    applyPlacement(placement);
}

void TMainForm::SaveWindowSettings()
{
    if (!state_.machine)
        return;
    SettingsFile file(*state_.machine, state_.folders);
    kp::SaveWindowSettings(file, "MainForm", currentPlacement(), state_.general);
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
    for (QWidget* button : {ui_->PreviewSbtn, ui_->PurgeAllSBtn, ui_->ExitSBtn})
        button->setEnabled(enabled);
    for (QAction* item : {ui_->SavePurgeOptions1, ui_->Preview1, ui_->Purge1, ui_->Exit1, ui_->DisplayFolders1})
        item->setEnabled(enabled);
}

// Commands

void TMainForm::startRun(bool preview)
{
    if (state_.run.BusyFlag)
        return;
    state_.run.previewButton = preview;
    state_.run.PreviewFlag = preview;
    driver_->run(*this);
    log_->WriteLogFile(*report_);
}

void TMainForm::PurgeAllSBtnClick() { startRun(false); }
void TMainForm::PreviewSbtnClick() { startRun(true); }

void TMainForm::CancelSBtnClick()
{
    // The run stays busy until its current step has finished; only then may
    // the window close or another run start.
    state_.run.CancelFlag = true;
}

void TMainForm::ExitSBtnClick()
{
    if (state_.keywords.IsKeywordPresent("Abort"))
        throw std::runtime_error("Exception Test - Mainform");
    if (!state_.run.BusyFlag)
        close();
}

void TMainForm::SetAllOptions(bool on)
{
    for (QCheckBox* box : {ui_->CheckBoxNormalCache, ui_->CheckBoxSubscriptionCache, ui_->CheckBoxHistory,
                           ui_->CheckBoxURLs, ui_->CheckBoxRecent, ui_->CheckBoxCookies, ui_->CheckBoxVisited,
                           ui_->CheckBoxStrays, ui_->CheckBoxTemp, ui_->CheckBoxReCycle, ui_->CheckBoxShredFiles,
                           ui_->CheckBoxPlugins, ui_->CheckBoxClearClipBoard, ui_->CheckBoxClearAutoCompleteForms,
                           ui_->CheckBoxClearPreviousSearches, ui_->CheckBoxUserData}) {
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
    SaveOptionSet(file, state_.folders.modePrefix, in.options, in.ie5Boxes());
    QApplication::restoreOverrideCursor();
    state_.run.BusyFlag = false;
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

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (state_.run.BusyFlag) {
        event->ignore();
        return;
    }
    if (!refused_)
        SaveWindowSettings();
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
    const QString where = QStringLiteral("%1").arg(quint32(address), 8, 16, QLatin1Char('0')).toUpper();
    state_.messages.show("Klenzor Pro -  Program Error",
                         (message + QStringLiteral(". Occurred at: ") + where
                          + QStringLiteral("\r\n\r\nPlease report this message to the vendor..."))
                             .toStdString(),
                         MsgKind::Error, OK);
    state_.run.BusyFlag = false;
    close();
}

// DriverView

DriverInput TMainForm::readControls() const
{
    DriverInput in;
    PurgeOptionSet& o = in.options;
    const Ui::TMainForm& u = *ui_;
    o.NormalCache = u.CheckBoxNormalCache->isChecked();
    o.SubscriptionCache = u.CheckBoxSubscriptionCache->isChecked();
    o.History = u.CheckBoxHistory->isChecked();
    o.URLs = u.CheckBoxURLs->isChecked();
    o.Recent = u.CheckBoxRecent->isChecked();
    o.Cookies = u.CheckBoxCookies->isChecked();
    o.Visited = u.CheckBoxVisited->isChecked();
    o.Strays = u.CheckBoxStrays->isChecked();
    o.Temp = u.CheckBoxTemp->isChecked();
    o.Recycle = u.CheckBoxReCycle->isChecked();
    o.ClearAutoForm = u.CheckBoxClearAutoCompleteForms->isChecked();
    o.ClearPrevSrch = u.CheckBoxClearPreviousSearches->isChecked();
    o.ClearUserData = u.CheckBoxUserData->isChecked();
    o.ShredFiles = u.CheckBoxShredFiles->isChecked();
    o.RunPlugins = u.CheckBoxPlugins->isChecked();
    o.ClearClipBoard = u.CheckBoxClearClipBoard->isChecked();
    o.NsDD = u.NsDD->text().toStdString();
    o.NsHH = u.NsHH->text().toStdString();
    o.NsMM = u.NsMM->text().toStdString();
    o.SbDD = u.SbDD->text().toStdString();
    o.SbHH = u.SbHH->text().toStdString();
    o.SbMM = u.SbMM->text().toStdString();
    o.ReportOpt = u.ReportsRG1Summary->isChecked() ? 1 : 0;
    in.autoCompleteEnabled = u.CheckBoxClearAutoCompleteForms->isEnabled();
    in.previousSearchesEnabled = u.CheckBoxClearPreviousSearches->isEnabled();
    in.userDataEnabled = u.CheckBoxUserData->isEnabled();
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
