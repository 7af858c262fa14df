#pragma once
// TProtectForm: lists the cookies, cache entries or visited URLs of the URL
// cache with their protection, protects, unprotects, deletes, views and
// opens them, and shows and changes the selected site's cookie decision and
// zone mask. Its copy of the protect list is saved when it closes.

#include "protect/protect_list.h"
#include "protect/protect_rows.h"
#include "protect/protect_rows_model.h"
#include "zones/site_info.h"
#include "zones/zone_list.h"

#include <QTimeZone>
#include <QWidget>

#include <functional>
#include <memory>

class QAction;
class QDialog;
class QLineEdit;
class QMenu;
class QUrl;

namespace Ui {
class TProtectForm;
}

namespace kp {

namespace win {
class Machine;
}
class Keywords;
class MessageService;
class ZoneSettings;
struct FolderSet;
struct GeneralSettings;

struct ProtectFormSetup {
    win::Machine& machine;
    MessageService& messages;
    const Keywords& keywords;
    const FolderSet& folders;
    GeneralSettings& general;
    bool ie6 = true;
};

class TProtectForm : public QWidget {
    Q_OBJECT
public:
    explicit TProtectForm(ProtectFormSetup setup, QWidget* parent = nullptr);
    ~TProtectForm() override;

    // The main window's Protect command: clears the filter and shows the
    // window for a new editing pass.
    void openWindow();

    // Opens documents and web sites; the desktop's handler unless a test
    // sets another. False when it failed.
    void setUrlOpener(std::function<bool(const QUrl&)> opener) { openUrl_ = std::move(opener); }
    void setListCapacity(int rows) { model_.setCapacity(rows); }

    ProtectRowsModel& rows() { return model_; }
    const ProtectList& protectList() const { return protectList_; }
    QString footer() const;
    bool busy() const { return busy_; }
    QMenu* popupMenu(const char* name) const;
    QDialog* findDialog() const { return findDialog_; }
    QLineEdit* findText() const { return findText_; }

public slots:
    void CookiesSBtnClick();
    void CacheSBtnClick();
    void VisitedSBtnClick();
    void ExitProtSBtnClick();
    void LimitEditEnter();
    void Sort1RadGrpClick();
    void ProtectSBtnClick();
    void UnProtectSBtnClick();
    void DeleteSBtnClick();
    void ViewSBtnClick();
    void OpenSbtnClick();
    void Find1SbtnClick();
    void FindDialog1Find();
    // Refreshes the site panel and the cookie details for the selection.
    void ListView1Change();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void buildMenus();
    void FormActivate();
    void applyPlacement(const std::string& text);
    std::string currentPlacement() const;

    void Listing(ProtectView view);
    void processEntry(const win::INTERNET_CACHE_ENTRY_INFOA& entry);
    void addProtectFileRows();
    // False when the list is full (the user was told once).
    bool addRow(ProtectRow row);
    bool entryMatches(std::string_view name, const std::string& localFile) const;
    void showFooter();
    void setBottomPanel();
    void clearSiteLabels();
    void showCookieDetails(const std::string& localFile);
    void enableCommands(bool enabled);
    std::vector<int> selectedRows() const;
    bool oneRowSelected() const { return selectedRows().size() == 1; }
    void sortList();
    void SetBusy(bool on);

    void CookieDecisionCommand(const std::string& decision);
    void ZoneCommand(int zone);
    void CreateMaskCommand(int zone, const QString& caption);
    void popupBelowPointer(QMenu* menu);
    void PanelCSClick();
    void PanelSZClick();
    void PanelDMClick();

    std::unique_ptr<Ui::TProtectForm> ui_;
    ProtectFormSetup setup_;
    ProtectList protectList_;
    ProtectRowsModel model_;
    ZoneList zones_;
    std::unique_ptr<ZoneSettings> zoneSettings_;
    SiteInfo site_;
    std::function<bool(const QUrl&)> openUrl_;

    QMenu* PopupProt2 = nullptr;
    QMenu* PopupMenuCS = nullptr;
    QMenu* PopupMenuSZ = nullptr;
    QMenu* PopupMenuDM = nullptr;
    QDialog* findDialog_ = nullptr;
    QLineEdit* findText_ = nullptr;

    ProtectView view_ = ProtectView::None;
    std::string filter_;
    QTimeZone listingZone_; // the system's time zone when the listing began
    int displayed_ = 0;
    int processed_ = 0;
    bool suspended_ = false;
    bool busy_ = false;
    bool newlyOpened_ = true;
    bool windows95_ = false;
    bool extendedSearch_ = false;
    bool xcode_ = false;
    int deleteAnswer_ = 0;
    QString lastFindText_;
    int lastFoundRow_ = -1;
    std::string lastCookieFileShown_;
};

} // namespace kp
