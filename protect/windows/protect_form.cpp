#include "protect/windows/protect_form.h"

#include "ui_TProtectForm.h"

#include "core/error_level.h"
#include "core/identity.h"
#include "core/keywords.h"
#include "core/message_service.h"
#include "platform/files/file_system.h"
#include "platform/files/text_file.h"
#include "platform/machine.h"
#include "platform/system/system_info.h"
#include "platform/urlcache/index_dat.h"
#include "platform/urlcache/url_cache.h"
#include "protect/cookie_details.h"
#include "protect/document_check.h"
#include "purge/cache_cursor.h"
#include "purge/cache_entry_delete.h"
#include "purge/purge_context.h"
#include "purge/purge_report.h"
#include "purge/run_state.h"
#include "settings/folder_set.h"
#include "settings/general_settings.h"
#include "settings/settings_file.h"
#include "settings/window_placement.h"
#include "settings/window_settings.h"
#include "zones/windows/klen_zona_dialog.h"
#include "zones/site_url.h"
#include "zones/zone_settings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

#include <algorithm>
#include <stdexcept>
#include <unordered_set>

namespace kp {

namespace {

constexpr const char* kMessageCaption = "Klenzor  -  Message";
constexpr const char* kErrorCaption = "Klenzor  -  Error Condition";
constexpr const char* kNoViewSelection = "No \"Protect\" entry selected for View function";
constexpr int kMinimumWidth = 550;
constexpr int kMinimumHeight = 360;
constexpr int kDetailCellLimit = 2048; // characters a details cell shows
constexpr int kEventPauseMs = 100;     // pending messages run at least this often
constexpr int kEntriesPerClockRead = 32; // entries walked between looks at the clock
constexpr std::size_t kMostRowsReserved = 1u << 20;
constexpr std::size_t kCookieFileLimit = 16u << 20;

QString ansi(const std::string& text)
{
    return QString::fromLatin1(text.data(), qsizetype(std::min<std::size_t>(text.size(), kDetailCellLimit)));
}

std::string upperFirst(std::string_view text, std::size_t n)
{
    std::string out(text.substr(0, n));
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = char(c - 32);
    return out;
}

const char* viewName(ProtectView view)
{
    switch (view) {
    case ProtectView::Cookies:
        return "Cookies";
    case ProtectView::Cache:
        return "Cache";
    case ProtectView::Visited:
        return "Visited URLs";
    case ProtectView::None:
        break;
    }
    return "";
}

// The most rows a listing of `view` can have: every record of its
// container's index takes at least one block. 0 when the index is unknown.
std::size_t rowsAtMost(win::Machine& machine, const win::UrlCache& cache, ProtectView view)
{
    const char* prefix = view == ProtectView::Cookies ? "Cookie:" : view == ProtectView::Visited ? "Visited:" : "";
    win::FindData index;
    if (win::FileSystem(machine).getFileInfo(cache.containerFolder(prefix) + "\\index.dat", index) != win::err::SUCCESS)
        return 0;
    return std::size_t(std::min<win::QWORD>(index.size / win::indexdat::kBlockSize, kMostRowsReserved));
}

// Restores the arrow when it goes.
struct HourGlass {
    HourGlass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~HourGlass() { QApplication::restoreOverrideCursor(); }
};

} // namespace

TProtectForm::TProtectForm(ProtectFormSetup setup, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , ui_(std::make_unique<Ui::TProtectForm>())
    , setup_(setup)
    , protectList_(setup.machine, setup.messages, setup.folders)
    , openUrl_([](const QUrl& url) { return QDesktopServices::openUrl(url); })
{
    ui_->setupUi(this);
    setAttribute(Qt::WA_QuitOnClose, false);
    ui_->ListView1->setModel(&model_);
    ui_->ListView1->verticalHeader()->hide();
    ui_->ListView1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ui_->ListView1->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    ui_->ListView2->verticalHeader()->hide();
    ui_->ListView2->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    for (QWidget* clickable : {ui_->PanelCS, ui_->PanelSZ, ui_->PanelDM})
        clickable->installEventFilter(this);
    for (QWidget* label : {ui_->LabelCS, ui_->LabelCSt, ui_->LabelSZ, ui_->LabelSZt, ui_->LabelDM, ui_->LabelDMt})
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
    ui_->ListView1->viewport()->installEventFilter(this);
    ui_->ListView1->installEventFilter(this);
    for (QLabel* value : {ui_->LabelWSt, ui_->LabelCSt, ui_->LabelSZt, ui_->LabelDMt, ui_->ProtfootMsg})
        value->setMinimumWidth(1);

    connect(ui_->CookiesSBtn, &QPushButton::clicked, this, &TProtectForm::CookiesSBtnClick);
    connect(ui_->CacheSBtn, &QPushButton::clicked, this, &TProtectForm::CacheSBtnClick);
    connect(ui_->VisitedSBtn, &QPushButton::clicked, this, &TProtectForm::VisitedSBtnClick);
    connect(ui_->ExitProtSBtn, &QPushButton::clicked, this, &TProtectForm::ExitProtSBtnClick);
    connect(ui_->LimitEdit, &QLineEdit::returnPressed, this, &TProtectForm::LimitEditEnter);
    for (QRadioButton* item : {ui_->Sort1Address, ui_->Sort1Status, ui_->Sort1Access, ui_->Sort1Hits})
        connect(item, &QRadioButton::clicked, this, &TProtectForm::Sort1RadGrpClick);
    connect(ui_->OpenSbtn, &QPushButton::clicked, this, &TProtectForm::OpenSbtnClick);
    connect(ui_->ViewSBtn, &QPushButton::clicked, this, &TProtectForm::ViewSBtnClick);
    connect(ui_->ProtectSBtn, &QPushButton::clicked, this, &TProtectForm::ProtectSBtnClick);
    connect(ui_->UnProtectSBtn, &QPushButton::clicked, this, &TProtectForm::UnProtectSBtnClick);
    connect(ui_->DeleteSBtn, &QPushButton::clicked, this, &TProtectForm::DeleteSBtnClick);
    connect(ui_->Find1Sbtn, &QPushButton::clicked, this, &TProtectForm::Find1SbtnClick);
    connect(ui_->ListView1, &QAbstractItemView::clicked, this, &TProtectForm::ListView1Change);
    connect(ui_->ListView1, &QAbstractItemView::doubleClicked, this, &TProtectForm::ViewSBtnClick);

    FormCreate();
}

TProtectForm::~TProtectForm() = default;

QMenu* TProtectForm::popupMenu(const char* name) const
{
    return findChild<QMenu*>(QString::fromLatin1(name));
}

QString TProtectForm::footer() const
{
    return ui_->ProtfootMsg->text();
}

void TProtectForm::FormCreate()
{
    const win::WindowsVersion version = win::windowsVersion(setup_.machine);
    windows95_ = version.platformId == win::platform_id::WIN32_WINDOWS && version.major == 4 && version.minor == 0;
    xcode_ = setup_.keywords.IsKeywordPresent("xcode");
    zones_.ReadZoneList(setup_.machine.registry());
    zoneSettings_ = std::make_unique<ZoneSettings>(setup_.machine.registry(), zones_);
    buildMenus();

    SettingsFile file(setup_.machine, setup_.folders);
    ProtectWindowValues values;
    const std::string placement = LoadWindowSettings(file, "ProtectForm", setup_.general, setup_.keywords, &values);
    QRadioButton* sorts[] = {ui_->Sort1Address, ui_->Sort1Status, ui_->Sort1Access, ui_->Sort1Hits};
    sorts[std::clamp(setup_.general.Sort1Opt, 0, 3)]->setChecked(true);
    static const int designed1[] = {220, 50, 135, 40, 200, 40};
    static const int designed2[] = {150, 120, 200, 50};
    for (int i = 0; i < 6; ++i)
        ui_->ListView1->setColumnWidth(i, values.list1Widths[size_t(i)] > 0 ? values.list1Widths[size_t(i)] : designed1[i]);
    for (int i = 0; i < 4; ++i)
        ui_->ListView2->setColumnWidth(i, values.list2Widths[size_t(i)] > 0 ? values.list2Widths[size_t(i)] : designed2[i]);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    applyPlacement(placement);
    enableCommands(false);
    ui_->ListView2->hide();
}

void TProtectForm::buildMenus()
{
    auto menu = [this](const char* name) {
        auto* m = new QMenu(this);
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };
    auto item = [](QMenu* m, const char* name, const QString& caption, auto slot) {
        QAction* action = m->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        QObject::connect(action, &QAction::triggered, slot);
        return action;
    };
    PopupProt2 = menu("PopupProt2");
    PopupProt2->setDefaultAction(item(PopupProt2, "PuOpen", "Open", [this] { OpenSbtnClick(); }));
    item(PopupProt2, "PuView", "View", [this] { ViewSBtnClick(); });
    item(PopupProt2, "PuProtect", "Protect", [this] { ProtectSBtnClick(); });
    item(PopupProt2, "PuUnprotect", "Unprotect", [this] { UnProtectSBtnClick(); });
    item(PopupProt2, "PuDelete", "Delete", [this] { DeleteSBtnClick(); });

    PopupMenuCS = menu("PopupMenuCS");
    item(PopupMenuCS, "PuCSBlock", "Set to Always Block", [this] { CookieDecisionCommand("Block"); });
    item(PopupMenuCS, "PuCSAllow", "Set to Always Allow", [this] { CookieDecisionCommand("Allow"); });
    item(PopupMenuCS, "PuCSClear", "Clear - set to Default Behavior", [this] { CookieDecisionCommand(""); });

    PopupMenuSZ = menu("PopupMenuSZ");
    item(PopupMenuSZ, "PuSZRestricted", "Set Domain Mask to Restricted Zone", [this] { ZoneCommand(4); });
    item(PopupMenuSZ, "PuSZTrusted", "Set Domain Mask to Trusted Zone", [this] { ZoneCommand(2); });
    item(PopupMenuSZ, "PuSZRemove", "Remove Domain Mask - set to Internet Zone", [this] { ZoneCommand(-1); });

    PopupMenuDM = menu("PopupMenuDM");
    const QString restricted = QStringLiteral("Create new Domain Mask in Restricted Zone");
    const QString trusted = QStringLiteral("Create new Domain Mask in Trusted Zone");
    item(PopupMenuDM, "PuDMRestricted", restricted, [this, restricted] { CreateMaskCommand(4, restricted); });
    item(PopupMenuDM, "PuDMTrusted", trusted, [this, trusted] { CreateMaskCommand(2, trusted); });

    for (const ZoneItem& zone : zones_.customZones()) {
        const int number = zoneCodeNumber(zone.code);
        const QString name = QString::fromStdString(zone.displayName);
        item(PopupMenuSZ, "PuSZCustom", QStringLiteral("Set Domain Mask to Custom Zone - ") + name,
             [this, number] { ZoneCommand(number); });
        const QString create = QStringLiteral("Create new Domain Mask in Custom Zone - ") + name;
        item(PopupMenuDM, "PuDMCustom", create, [this, number, create] { CreateMaskCommand(number, create); });
    }

    findDialog_ = new QDialog(this, Qt::Dialog | Qt::WindowCloseButtonHint);
    findDialog_->setObjectName(QStringLiteral("FindDialog1"));
    findDialog_->setWindowTitle(QStringLiteral("Find"));
    auto* row = new QHBoxLayout(findDialog_);
    row->addWidget(new QLabel(QStringLiteral("Find what:"), findDialog_));
    findText_ = new QLineEdit(findDialog_);
    findText_->setMinimumWidth(160);
    row->addWidget(findText_);
    auto* next = new QPushButton(QStringLiteral("Find Next"), findDialog_);
    next->setDefault(true);
    row->addWidget(next);
    connect(next, &QPushButton::clicked, this, &TProtectForm::FindDialog1Find);
}

void TProtectForm::applyPlacement(const std::string& text)
{
    const QScreen* shown = screen();
    ScreenMetrics metrics;
    if (shown) {
        metrics.width = shown->geometry().width();
        metrics.height = shown->geometry().height();
        metrics.pixelsPerInch = qRound(shown->logicalDotsPerInchY());
    }
    const WindowPlacement p = PlaceWindow(text, metrics);
    const QSize size = QSize(p.width, p.height).expandedTo(minimumSize());
    resize(size);
    if (p.kind == WindowPlacement::Centred)
        move((metrics.width - size.width()) / 2, (metrics.height - size.height()) / 2);
    else
        move(p.left, p.top);
    setWindowState(p.maximised ? Qt::WindowMaximized : Qt::WindowNoState);
}

std::string TProtectForm::currentPlacement() const
{
    if (isMaximized())
        return FormatPlacement({2});
    const QRect r = isMinimized() ? normalGeometry() : QRect(pos(), size());
    return FormatPlacement({isMinimized() ? 1 : 0, r.top(), r.left(), r.height(), r.width()});
}

void TProtectForm::openWindow()
{
    ui_->LimitEdit->clear();
    newlyOpened_ = true;
    show();
    raise();
    activateWindow();
}

void TProtectForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (newlyOpened_)
        FormActivate();
}

void TProtectForm::FormActivate()
{
    newlyOpened_ = false;
    ui_->LabelCSt->clear();
    ui_->ProtfootMsg->clear();
    deleteAnswer_ = 0;
    if (!setup_.ie6 || windows95_) {
        ui_->LabelCSt->setText(QString::fromLatin1(!setup_.ie6 ? "requires IE-6" : "n/a for W-95"));
        ui_->PanelCS->setToolTip({});
    }
    busy_ = false;
    QString caption = QStringLiteral("%1 - Protect Window").arg(QString::fromLatin1(identity::ProductName));
    if (!setup_.keywords.IsKeywordPresent("NOVER"))
        caption += QStringLiteral("  -  Version %1").arg(QString::fromLatin1(identity::VersionNumber));
    setWindowTitle(caption);
    ui_->LimitEdit->setEnabled(true);
    extendedSearch_ = setup_.keywords.IsKeywordPresent("EXTSRCH");
    suspended_ = false;
    lastFindText_.clear();
    lastFoundRow_ = -1;
    view_ = ProtectView::None;
    protectList_.LoadProtectList(ProtectFilePath(setup_.folders));
    setBottomPanel();
    clearSiteLabels();
}

void TProtectForm::closeEvent(QCloseEvent* event)
{
    if (busy_) {
        event->ignore();
        return;
    }
    QRadioButton* sorts[] = {ui_->Sort1Address, ui_->Sort1Status, ui_->Sort1Access, ui_->Sort1Hits};
    for (int i = 0; i < 4; ++i)
        if (sorts[i]->isChecked())
            setup_.general.Sort1Opt = i;
    ProtectWindowValues values;
    for (int i = 0; i < 6; ++i)
        values.list1Widths[size_t(i)] = ui_->ListView1->columnWidth(i);
    for (int i = 0; i < 4; ++i)
        values.list2Widths[size_t(i)] = ui_->ListView2->columnWidth(i);
    SettingsFile file(setup_.machine, setup_.folders);
    SaveWindowSettings(file, "ProtectForm", currentPlacement(), setup_.general, &values);
    model_.clear();
    ui_->ListView2->setRowCount(0);
    lastCookieFileShown_.clear();
    view_ = ProtectView::None;
    protectList_.Save();
    findDialog_->hide();
    event->accept();
}

void TProtectForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (view_ == ProtectView::Cookies)
        setBottomPanel();
}

void TProtectForm::setBottomPanel()
{
    const double dpi = screen() ? screen()->logicalDotsPerInchY() : 96.0;
    ui_->ListView2->setVisible(view_ == ProtectView::Cookies);
    // The site panel and the footer stay whole whatever the font.
    const int fixedPart = ui_->ProtfootMsg->sizeHint().height() + ui_->Panel5->sizeHint().height()
                          + 2 * ui_->Panel1Layout->spacing();
    int height = std::max(BottomPanelHeight(view_, this->height(), dpi), fixedPart);
    if (view_ == ProtectView::Cookies)
        height = std::max(height, fixedPart + 3 * ui_->ListView2->verticalHeader()->defaultSectionSize());
    ui_->Panel1->setFixedHeight(height);
}

bool TProtectForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui_->ListView1->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QModelIndex under = ui_->ListView1->indexAt(mouse->position().toPoint());
        if (under.isValid()) {
            const bool hasFile = !model_.row(under.row()).localFile.empty();
            ui_->ViewSBtn->setEnabled(hasFile);
            for (QAction* a : PopupProt2->actions())
                if (a->objectName() == QLatin1String("PuView"))
                    a->setEnabled(hasFile);
                else if (a->objectName() == QLatin1String("PuOpen"))
                    a->setEnabled(true);
            ui_->OpenSbtn->setEnabled(true);
            if (mouse->button() == Qt::RightButton) {
                if (!ui_->ListView1->selectionModel()->isRowSelected(under.row(), {}))
                    ui_->ListView1->selectRow(under.row());
                ListView1Change();
                popupBelowPointer(PopupProt2);
                return true;
            }
        }
    } else if (watched == ui_->ListView1 && event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete) {
            DeleteSBtnClick();
            return true;
        }
        if (key->key() == Qt::Key_A && key->modifiers().testFlag(Qt::ControlModifier))
            ui_->ListView1->selectAll();
        ListView1Change();
    } else if (event->type() == QEvent::MouseButtonRelease) {
        const auto button = static_cast<QMouseEvent*>(event)->button();
        if (button == Qt::LeftButton || button == Qt::RightButton) {
            if (watched == ui_->PanelCS)
                PanelCSClick();
            else if (watched == ui_->PanelSZ)
                PanelSZClick();
            else if (watched == ui_->PanelDM)
                PanelDMClick();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TProtectForm::SetBusy(bool on)
{
    busy_ = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TProtectForm::enableCommands(bool enabled)
{
    for (QWidget* button : {ui_->DeleteSBtn, ui_->ProtectSBtn, ui_->UnProtectSBtn, ui_->ViewSBtn, ui_->OpenSbtn,
                            ui_->Find1Sbtn})
        button->setEnabled(enabled);
    for (QAction* a : PopupProt2->actions())
        a->setEnabled(enabled);
}

void TProtectForm::CookiesSBtnClick()
{
    clearSiteLabels();
    Listing(ProtectView::Cookies);
}

void TProtectForm::CacheSBtnClick()
{
    clearSiteLabels();
    Listing(ProtectView::Cache);
}

void TProtectForm::VisitedSBtnClick()
{
    clearSiteLabels();
    Listing(ProtectView::Visited);
}

void TProtectForm::LimitEditEnter()
{
    clearSiteLabels();
    if (view_ != ProtectView::None)
        Listing(view_);
}

void TProtectForm::ExitProtSBtnClick()
{
    if (setup_.keywords.IsKeywordPresent("Abort"))
        throw std::runtime_error("Exception Test - Protectform");
    close();
}

void TProtectForm::Listing(ProtectView view)
{
    if (!protectList_.EnsureLoaded() || busy_)
        return;
    SetBusy(true);
    view_ = view;
    ui_->ProtfootMsg->setText(QStringLiteral("  %1 - Processing...").arg(QString::fromLatin1(viewName(view))));
    setBottomPanel();
    ui_->ListView2->setRowCount(0);
    lastCookieFileShown_.clear();
    filter_ = ListingFilter(ui_->LimitEdit->text().toStdString());
    listingZone_ = QTimeZone::systemTimeZone();
    model_.clear();
    suspended_ = false;
    displayed_ = processed_ = 0;

    win::UrlCache cache(setup_.machine);
    model_.reserve(rowsAtMost(setup_.machine, cache, view));
    ErrorState errors;
    bool accessError = false;
    CacheCursor cursor(cache, setup_.messages, errors, accessError);
    QElapsedTimer sinceEvents;
    int walked = 0;
    for (bool ready = cursor.CacheWalkFirst(); ready; ready = cursor.CacheWalkNext()) {
        if (cursor.CacheEntryReadable())
            processEntry(cursor.entry());
        const bool clockRead = walked++ % kEntriesPerClockRead == 0;
        if (clockRead && (!sinceEvents.isValid() || sinceEvents.elapsed() >= kEventPauseMs)) {
            model_.flush();
            QCoreApplication::processEvents();
            sinceEvents.start();
        }
    }
    cursor.CacheWalkClose();

    if (filter_.empty())
        addProtectFileRows();
    model_.flush();
    if (!suspended_)
        sortList();
    enableCommands(true);
    showFooter();
    if (model_.rowCount() > 0) {
        ui_->ListView1->setFocus();
        if (view_ == ProtectView::Cookies) {
            ui_->ListView1->selectRow(0);
            ListView1Change();
        }
    }
    SetBusy(false);
}

void TProtectForm::processEntry(const win::INTERNET_CACHE_ENTRY_INFOA& entry)
{
    const std::string_view name = entry.lpszSourceUrlName;
    if (!EntryBelongsToView(name, view_))
        return;
    if (!filter_.empty() && !entryMatches(name, entry.lpszLocalFileName ? entry.lpszLocalFileName : "")) {
        ++processed_;
        return;
    }
    if (!suspended_)
        addRow(RowForEntry(entry, view_, protectList_.IsProtected(name), xcode_, listingZone_));
    ++displayed_;
    ++processed_;
}

bool TProtectForm::addRow(ProtectRow row)
{
    if (model_.append(std::move(row)))
        return true;
    setup_.messages.show(kMessageCaption,
                         "The number of Entries to process exceeds \r\nthe Windows ListBox Capacity.\r\n"
                         "Execution will continue without listing.",
                         MsgKind::Warning);
    suspended_ = true;
    return false;
}

void TProtectForm::addProtectFileRows()
{
    std::unordered_set<std::string_view> listed = model_.captionsAmong(protectList_.lines());
    for (const std::string& line : protectList_.lines()) {
        if (suspended_)
            return;
        if (upperFirst(line, 12) == "PROTECT FILE" || !EntryBelongsToView(line, view_) || listed.count(line))
            continue;
        if (addRow(RowOnlyInProtectFile(line)))
            listed.insert(line);
    }
}

bool TProtectForm::entryMatches(std::string_view name, const std::string& localFile) const
{
    if (filter_.empty())
        return false;
    if (view_ != ProtectView::Cookies)
        return NameMatchesFilter(view_, name, filter_, localFile, extendedSearch_);
    std::string text;
    if (localFile.empty() || localFile == kOnlyInProtectFile
        || win::readTextFile(setup_.machine, localFile, text, kCookieFileLimit) != win::err::SUCCESS)
        return false;
    return CookieTextMatches(text, filter_);
}

void TProtectForm::sortList()
{
    SortColumn column = SortColumn::Address;
    if (ui_->Sort1Status->isChecked())
        column = SortColumn::Status;
    else if (ui_->Sort1Access->isChecked())
        column = SortColumn::Access;
    else if (ui_->Sort1Hits->isChecked())
        column = SortColumn::Hits;
    model_.sortRows(column, xcode_);
}

void TProtectForm::Sort1RadGrpClick()
{
    if (!busy_ && !suspended_)
        sortList();
}

void TProtectForm::showFooter()
{
    ui_->ProtfootMsg->setText(QStringLiteral("  %1 Displayed - %2 of %3 Records")
                                  .arg(QString::fromLatin1(viewName(view_)))
                                  .arg(displayed_)
                                  .arg(processed_));
}

std::vector<int> TProtectForm::selectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : ui_->ListView1->selectionModel()->selectedRows())
        rows.push_back(index.row());
    return rows;
}

void TProtectForm::clearSiteLabels()
{
    ui_->LabelDMt->clear();
    ui_->LabelSZt->clear();
    ui_->LabelWSt->clear();
    if (setup_.ie6 && !windows95_)
        ui_->LabelCSt->clear();
    site_ = SiteInfo{};
}

void TProtectForm::ListView1Change()
{
    const std::vector<int> rows = selectedRows();
    if (rows.size() == 1) {
        site_ = zoneSettings_->LookupSite(model_.row(rows[0]).caption);
        ui_->LabelDMt->setText(QString::fromStdString(site_.maskText));
        ui_->LabelSZt->setText(QString::fromStdString(site_.zoneText));
        ui_->LabelWSt->setText(QString::fromStdString(site_.domain));
        ui_->OpenSbtn->setEnabled(site_.scheme != "n/a" && !site_.host.empty());
        if (!site_.domain.empty() && setup_.ie6 && !windows95_) {
            site_.cookieDecision = zoneSettings_->ReadCookieDecision(site_.domain);
            ui_->LabelCSt->setText(QString::fromStdString(site_.cookieDecision));
        }
    } else {
        clearSiteLabels();
    }
    if (view_ != ProtectView::Cookies)
        return;
    if (rows.size() == 1) {
        const std::string& localFile = model_.row(rows[0]).localFile;
        if (localFile != lastCookieFileShown_)
            showCookieDetails(localFile);
    } else {
        ui_->ListView2->setRowCount(0);
        lastCookieFileShown_.clear();
    }
}

void TProtectForm::showCookieDetails(const std::string& localFile)
{
    lastCookieFileShown_ = localFile;
    ui_->ListView2->setRowCount(0);
    std::string text;
    if (localFile == kOnlyInProtectFile
        || win::readTextFile(setup_.machine, localFile, text, kCookieFileLimit) != win::err::SUCCESS)
        return;
    const std::vector<CookieDetail> details = CookieDetails(text);
    ui_->ListView2->setRowCount(int(details.size()));
    for (int r = 0; r < int(details.size()); ++r) {
        const CookieDetail& d = details[size_t(r)];
        const std::string* cells[] = {&d.domain, &d.name, &d.value, &d.secure};
        for (int c = 0; c < 4; ++c)
            ui_->ListView2->setItem(r, c, new QTableWidgetItem(ansi(*cells[c])));
    }
}

void TProtectForm::ProtectSBtnClick()
{
    if (busy_)
        return;
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) {
        setup_.messages.show(kErrorCaption, "No entry selected for Protect function", MsgKind::Information);
        return;
    }
    for (int r : rows) {
        ProtectRow row = model_.row(r);
        if (row.status == "CDF")
            continue;
        row.status = "Protect";
        model_.update(r, row);
        protectList_.Add(row.caption);
    }
}

void TProtectForm::UnProtectSBtnClick()
{
    if (busy_)
        return;
    std::vector<int> rows = selectedRows();
    std::sort(rows.rbegin(), rows.rend());
    bool found = false;
    for (int r : rows) {
        ProtectRow row = model_.row(r);
        if (row.status != "Protect")
            continue;
        found = true;
        row.status = " ";
        protectList_.Remove(row.caption);
        protectList_.setModified(true);
        if (row.onlyInProtectFile())
            model_.remove(r);
        else
            model_.update(r, row);
    }
    ListView1Change();
    if (!found)
        setup_.messages.show(kErrorCaption, "No \"Protect\" entry selected for Unprotect function",
                             MsgKind::Information);
}

void TProtectForm::DeleteSBtnClick()
{
    if (busy_)
        return;
    std::vector<int> rows = selectedRows();
    if (!rows.empty() && deleteAnswer_ != YesToAll) {
        deleteAnswer_ = setup_.messages.show("Klenzor  -  Delete Confirmation", DeleteConfirmationText(int(rows.size())),
                                             MsgKind::Warning, Yes | No | YesToAll);
        if (deleteAnswer_ != Yes && deleteAnswer_ != YesToAll)
            return;
    }
    {
        HourGlass hourGlass;
        std::sort(rows.rbegin(), rows.rend());
        ErrorState errors;
        RunState run;
        PurgeReport ownReport(errors, setup_.messages);
        PurgeContext context{ownReport, run, errors, setup_.keywords, setup_.folders, setup_.general,
                             setup_.messages, &setup_.machine};
        win::UrlCache cache(setup_.machine);
        bool toldOnlyInFile = false;
        for (int r : rows) {
            ProtectRow row = model_.row(r);
            if (row.onlyInProtectFile()) {
                if (!toldOnlyInFile)
                    setup_.messages.show("Klenzor  -  Information Message",
                                         "You must use UnProtect to Remove \r\nan entry from the Protect File.",
                                         MsgKind::Information);
                toldOnlyInFile = true;
                continue;
            }
            if (row.status == "CDF")
                continue;
            win::DWORD code = 0;
            if (DeleteCacheEntry(context, cache, row.caption, row.localFile.empty() ? nullptr : row.localFile.c_str(),
                                 code)) {
                if (row.status == "Protect") {
                    MarkOnlyInProtectFile(row);
                    model_.update(r, row);
                } else {
                    model_.remove(r);
                    --displayed_;
                    --processed_;
                }
            } else {
                row.localFile = DeleteFailureText(code);
                model_.update(r, row);
            }
        }
    }
    showFooter();
    ListView1Change();
    if (view_ == ProtectView::Cookies && selectedRows().empty())
        ui_->ListView2->setRowCount(0);
    if (rows.empty())
        setup_.messages.show(kErrorCaption, "No entry selected for Delete function", MsgKind::Information);
}

void TProtectForm::ViewSBtnClick()
{
    if (busy_)
        return;
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) {
        setup_.messages.show(kErrorCaption, kNoViewSelection, MsgKind::Information);
        return;
    }
    const ProtectRow& row = model_.row(rows.front());
    if (row.localFile.empty() || row.onlyInProtectFile())
        return;
    std::string beginning;
    std::string hostPath;
    bool exists = false;
    win::FileSystem files(setup_.machine);
    if (files.hostPath(row.localFile, hostPath, &exists) != win::err::SUCCESS || !exists
        || ReadFileBeginning(setup_.machine, row.localFile, 4, beginning) != win::err::SUCCESS)
        return;
    if (!IsViewableDocument(row.localFile, beginning)) {
        setup_.messages.show(kMessageCaption, kNotADocumentText, MsgKind::Warning);
        return;
    }
    openUrl_(QUrl::fromLocalFile(QString::fromStdString(hostPath)));
}

void TProtectForm::OpenSbtnClick()
{
    if (selectedRows().empty()) {
        setup_.messages.show(kErrorCaption, kNoViewSelection, MsgKind::Information);
        return;
    }
    if (site_.host.empty())
        return;
    const std::string scheme = site_.scheme == "https" || site_.scheme == "ftp" ? site_.scheme : "http";
    if (!openUrl_(QUrl(QString::fromStdString(scheme + "://" + site_.host + "/"))))
        setup_.messages.show(kMessageCaption, "Unable to open the selected Website", MsgKind::Information);
}

void TProtectForm::Find1SbtnClick()
{
    clearSiteLabels();
    findDialog_->move(x() + width() / 4, y());
    findDialog_->show();
}

void TProtectForm::FindDialog1Find()
{
    HourGlass hourGlass;
    ui_->ListView1->clearSelection();
    const QString text = findText_->text();
    int start = lastFoundRow_ + 1;
    if (text != lastFindText_) {
        lastFindText_ = text;
        start = 0;
    }
    filter_ = ListingFilter(text.toStdString());
    for (int r = std::max(start, 0); r < model_.rowCount(); ++r) {
        const ProtectRow& row = model_.row(r);
        if (!entryMatches(row.caption, row.localFile))
            continue;
        ui_->ListView1->selectRow(r);
        ui_->ListView1->scrollTo(model_.index(r, 0));
        lastFoundRow_ = r;
        ListView1Change();
        ui_->ListView1->setFocus();
        return;
    }
    if (view_ == ProtectView::Cookies) {
        ui_->ListView2->setRowCount(0);
        lastCookieFileShown_.clear();
    }
    setup_.messages.show("Find Message", text.toUpper().toStdString() + "- not found.", MsgKind::Warning);
}

void TProtectForm::popupBelowPointer(QMenu* menu)
{
    menu->popup(QCursor::pos() + QPoint(0, 10));
}

void TProtectForm::PanelCSClick()
{
    if (!setup_.ie6 || windows95_ || !oneRowSelected() || ui_->LabelWSt->text().isEmpty())
        return;
    const QString shown = ui_->LabelCSt->text();
    for (QAction* a : PopupMenuCS->actions()) {
        const QString name = a->objectName();
        a->setEnabled(!((name == QLatin1String("PuCSBlock") && shown == QLatin1String("Block"))
                        || (name == QLatin1String("PuCSAllow") && shown == QLatin1String("Allow"))
                        || (name == QLatin1String("PuCSClear") && shown.isEmpty())));
    }
    popupBelowPointer(PopupMenuCS);
}

void TProtectForm::PanelSZClick()
{
    const QString zone = ui_->LabelSZt->text();
    if (!oneRowSelected() || zone.isEmpty() || ui_->LabelDMt->text().isEmpty() || zone == QLatin1String("n/a"))
        return;
    for (QAction* a : PopupMenuSZ->actions()) {
        const QString name = a->objectName();
        const bool current = (name == QLatin1String("PuSZRestricted") && zone == QLatin1String("Restricted"))
                             || (name == QLatin1String("PuSZTrusted") && zone == QLatin1String("Trusted"))
                             || (name == QLatin1String("PuSZCustom")
                                 && a->text() == QStringLiteral("Set Domain Mask to Custom Zone - ") + zone);
        a->setEnabled(!current);
    }
    popupBelowPointer(PopupMenuSZ);
}

void TProtectForm::PanelDMClick()
{
    popupBelowPointer(PopupMenuDM);
}

void TProtectForm::CookieDecisionCommand(const std::string& decision)
{
    if (!setup_.ie6) {
        setup_.messages.show(kMessageCaption,
                             "This function is not supported for versions \r\nof Internet Explorer lower than IE-6.",
                             MsgKind::Error);
        return;
    }
    if (windows95_) {
        setup_.messages.show(kMessageCaption, "This function is not supported for Windows-95", MsgKind::Error);
        return;
    }
    zoneSettings_->SetCookieDecision(site_.domain, decision);
    ListView1Change();
}

void TProtectForm::ZoneCommand(int zone)
{
    zoneSettings_->SetMaskZone(ui_->LabelDMt->text().toStdString(), zone, site_.rangeKey);
    ListView1Change();
}

void TProtectForm::CreateMaskCommand(int zone, const QString& caption)
{
    if (zone < 0)
        return;
    TKlenZona dialog(*zoneSettings_, setup_.messages, QApplication::activeWindow());
    dialog.prepare(QString::fromStdString(MaskSuggestion(site_, oneRowSelected())), caption, zone);
    dialog.exec();
    ListView1Change();
}

} // namespace kp
