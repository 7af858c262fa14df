#pragma once
// TConfigForm: the Configuration window. Five tabs over three panels: the
// general options with the shortcut generator, the display options of the
// three unattended modes, and the temp folders of the Temp Folders purge.

#include "config/config_tabs.h"
#include "config/theme_state.h"
#include "purge/purge_context.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

class QAbstractButton;
class QButtonGroup;

namespace Ui {
class TConfigForm;
}

namespace kp {

class Keywords;
class MessageService;
class TExtraForm;
struct FolderSet;
struct GeneralSettings;
struct IeVersion;

struct ConfigFormSetup {
    win::Machine& machine;
    MessageService& messages;
    const Keywords& keywords;
    FolderSet& folders;
    GeneralSettings& general;
    const IeVersion& ie;
    // What the plugin selection window is given.
    PurgeContext pluginContext;
    // The running program, a Windows path.
    std::string executable;
    // Shows or hides hints application-wide after HintsOption changed.
    std::function<void()> applyHints;
    // The manifests beside the program as the start found them.
    ThemeStates theme;
};

class TConfigForm : public QDialog {
    Q_OBJECT
public:
    explicit TConfigForm(ConfigFormSetup setup, QWidget* parent = nullptr);
    ~TConfigForm() override;

    const std::string& ConfigModePrefix() const { return configModePrefix_; }
    const ThemeStates& themeStates() const { return theme_; }
    TExtraForm& extraForm() { return *extraForm_; }

public slots:
    void FormActivate();
    void TabControl1Changing();
    void TabControl1Change();
    void SConfigSaveBtnClick();
    void SConfigExitBtnClick();
    void UniqueSBtnClick();
    void SelectPluginsBtnClick();
    void ExecPlugMgrBtnClick();
    void SGenerateBtn1Click();
    void SGenerateBtn2Click();
    void SGenerateBtn3Click();

protected:
    void showEvent(QShowEvent* event) override;
    // Every way of leaving asks about unsaved changes first.
    void done(int result) override;

private:
    void FormCreate();
    // Every editing control's change: there is something to save.
    void enableSave();
    void askToSaveChanges();
    void setUpTab(ConfigTab tab);
    void saveTab(ConfigTab tab);
    void fillTempLabels();
    ConfigTab currentTab() const;

    ConfigFormSetup setup_;
    std::unique_ptr<Ui::TConfigForm> ui_;
    std::unique_ptr<TExtraForm> extraForm_;
    QButtonGroup* splashGroup_;
    QButtonGroup* mainWinGroup_;
    QButtonGroup* shutdownGroup_;
    std::string configModePrefix_;
    ThemeStates theme_;
    ConfigTab shownTab_ = ConfigTab::General;
    bool settingUp_ = false;
};

} // namespace kp
