#include "config/windows/config_form.h"

#include "ui_TConfigForm.h"

#include "config/desktop_shortcuts.h"
#include "config/dialog_scale.h"
#include "config/mode_sections.h"
#include "config/startup_entry.h"
#include "config/windows/extra_form.h"
#include "core/identity.h"
#include "core/keywords.h"
#include "core/message_service.h"
#include "platform/files/file_system.h"
#include "platform/system/program_run.h"
#include "platform/system/system_info.h"
#include "plugins/windows/plug_sel_form.h"
#include "settings/folder_discovery.h"
#include "settings/folder_set.h"
#include "settings/general_settings.h"
#include "settings/settings_file.h"

#include <QButtonGroup>
#include <QScreen>
#include <QStyle>

#include <stdexcept>

namespace kp {

namespace {

constexpr int kDesignedWidth = 370;

// Checks the group's button `id`, or none when it has no such button.
void checkButton(QButtonGroup& group, int id)
{
    if (QAbstractButton* button = group.button(id)) {
        button->setChecked(true);
        return;
    }
    group.setExclusive(false);
    for (QAbstractButton* button : group.buttons())
        button->setChecked(false);
    group.setExclusive(true);
}

QButtonGroup* makeGroup(QObject* owner, std::initializer_list<QAbstractButton*> buttons)
{
    auto* group = new QButtonGroup(owner);
    int id = 0;
    for (QAbstractButton* button : buttons)
        group->addButton(button, id++);
    return group;
}

// Lets a long path wrap at its backslashes.
QString wrappablePath(const std::string& path)
{
    return QString::fromStdString(path).replace(QLatin1Char('\\'), QStringLiteral("\\\u200B"));
}

} // namespace

TConfigForm::TConfigForm(ConfigFormSetup setup, QWidget* parent)
    : QDialog(parent)
    , setup_(std::move(setup))
    , ui_(std::make_unique<Ui::TConfigForm>())
{
    ui_->setupUi(this);
    extraForm_ = std::make_unique<TExtraForm>(setup_.machine, setup_.folders, setup_.ie, this);
    splashGroup_ = makeGroup(this, {ui_->ConfigDisplaySplashRGEnable, ui_->ConfigDisplaySplashRGDisable});
    mainWinGroup_ = makeGroup(this, {ui_->ConfigDisplayMainWinRGEnable, ui_->ConfigDisplayMainWinRGAnyError,
                                     ui_->ConfigDisplayMainWinRGSevereError, ui_->ConfigDisplayMainWinRGDisable});
    shutdownGroup_ = makeGroup(this, {ui_->ShutdownOptionsRGLogoff, ui_->ShutdownOptionsRGReboot,
                                      ui_->ShutdownOptionsRGShutdown, ui_->ShutdownOptionsRGPoweroff});

    connect(ui_->TabControl1, &QTabBar::currentChanged, this, [this] {
        TabControl1Changing();
        TabControl1Change();
    });
    connect(ui_->SConfigSaveBtn, &QPushButton::clicked, this, &TConfigForm::SConfigSaveBtnClick);
    connect(ui_->SConfigExitBtn, &QPushButton::clicked, this, &TConfigForm::SConfigExitBtnClick);
    connect(ui_->UniqueSBtn, &QPushButton::clicked, this, &TConfigForm::UniqueSBtnClick);
    connect(ui_->SelectPluginsBtn, &QPushButton::clicked, this, &TConfigForm::SelectPluginsBtnClick);
    connect(ui_->ExecPlugMgrBtn, &QPushButton::clicked, this, &TConfigForm::ExecPlugMgrBtnClick);
    connect(ui_->SGenerateBtn1, &QPushButton::clicked, this, &TConfigForm::SGenerateBtn1Click);
    connect(ui_->SGenerateBtn2, &QPushButton::clicked, this, &TConfigForm::SGenerateBtn2Click);
    connect(ui_->SGenerateBtn3, &QPushButton::clicked, this, &TConfigForm::SGenerateBtn3Click);
    for (QButtonGroup* group : {splashGroup_, mainWinGroup_, shutdownGroup_})
        connect(group, &QButtonGroup::idToggled, this, &TConfigForm::enableSave);
    const QAbstractButton* editors[] = {ui_->CheckBoxBootExec, ui_->CheckBoxShowHints, ui_->CheckBoxThemes,
                                        ui_->TmpChkBox,        ui_->WinChkBox,         ui_->DosChkBox,
                                        ui_->VolChkBox,        ui_->ShredQuickRadioButton, ui_->ShredSlowRadioButton};
    for (const QAbstractButton* box : editors)
        connect(box, &QAbstractButton::toggled, this, &TConfigForm::enableSave);
    connect(ui_->ShredRepeatsSpinEdit, &QSpinBox::valueChanged, this, &TConfigForm::enableSave);
    FormCreate();
}

TConfigForm::~TConfigForm() = default;

void TConfigForm::FormCreate()
{
    setWindowTitle(QString::fromLatin1(identity::ProductName) + QStringLiteral(" - Configuration Window"));
    // Every tab whole: the window grows to hold them.
    ui_->TabControl1->setUsesScrollButtons(false);
    ui_->TabControl1->setElideMode(Qt::ElideNone);
    {
        const QSignalBlocker quiet(ui_->TabControl1);
        for (const ConfigTabInfo& tab : ConfigTabs)
            ui_->TabControl1->addTab(QString::fromLatin1(tab.tabCaption));
    }
    const QStyle::StandardPixmap pictures[] = {QStyle::SP_ComputerIcon, QStyle::SP_MediaPlay,
                                               QStyle::SP_MediaStop};
    QLabel* images[] = {ui_->Image1, ui_->Image2, ui_->Image3};
    for (int i = 0; i < 3; ++i)
        images[i]->setPixmap(style()->standardIcon(pictures[i]).pixmap(24, 24));
    theme_ = setup_.theme;

    // The designed height is what the tallest panel asks for; the layout
    // keeps the window at least as large as its controls need.
    ensurePolished();
    layout()->activate();
    const int ppi = screen() ? qRound(screen()->logicalDotsPerInchY()) : 96;
    resize(ConfigFormScaled(kDesignedWidth, ppi), ConfigFormScaled(sizeHint().height(), ppi));
}

void TConfigForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TConfigForm::done(int result)
{
    askToSaveChanges();
    QDialog::done(result);
}

ConfigTab TConfigForm::currentTab() const { return ConfigTab(std::max(0, ui_->TabControl1->currentIndex())); }

void TConfigForm::FormActivate()
{
    const GeneralSettings& g = setup_.general;
    settingUp_ = true;
    ui_->TmpChkBox->setChecked(g.TmpDir == "Y");
    ui_->DosChkBox->setChecked(g.DosDir == "Y");
    ui_->WinChkBox->setChecked(g.WinDir == "Y");
    ui_->VolChkBox->setChecked(g.VolDir == "Y");
    // Every tab whole: the window grows to hold them.
    ui_->TabControl1->setUsesScrollButtons(false);
    ui_->TabControl1->setElideMode(Qt::ElideNone);
    {
        const QSignalBlocker quiet(ui_->TabControl1);
        ui_->TabControl1->setCurrentIndex(0);
    }
    setUpTab(ConfigTab::General);
    fillTempLabels();
    win::FileSystem files(setup_.machine);
    const bool plugMgr = files.exists(setup_.folders.execFolder + "\\plugmgr.exe");
    ui_->ExecPlugMgrBtn->setVisible(plugMgr);
    ui_->ExecPlugMgrLab->setVisible(plugMgr);
    ui_->SConfigSaveBtn->setEnabled(false);
}

void TConfigForm::fillTempLabels()
{
    const FolderSet& f = setup_.folders;
    const std::pair<QLabel*, QLabel*> labels[] = {
        {ui_->TmpDirLab, ui_->TmpErrLab},
        {ui_->WinDirLab, ui_->WinErrLab},
        {ui_->DosDirLab, ui_->DosErrLab},
        {ui_->VolDirLab, ui_->VolErrLab},
    };
    const FolderSet::TempIndex candidates[] = {FolderSet::SystemTemp, FolderSet::WindowsTemp, FolderSet::OldTemp,
                                               FolderSet::BootDiskTemp};
    for (int i = 0; i < 4; ++i) {
        labels[i].first->setText(wrappablePath(f.temp[candidates[i]].path));
        labels[i].second->setText(QString::fromStdString(f.temp[candidates[i]].message));
    }
}

void TConfigForm::enableSave()
{
    if (!settingUp_)
        ui_->SConfigSaveBtn->setEnabled(true);
}

void TConfigForm::askToSaveChanges()
{
    if (!ui_->SConfigSaveBtn->isEnabled())
        return;
    const MsgButton answer = setup_.messages.show(
        "Klenzor Pro -  Warning",
        "You have not saved your changes.\r\n\r\nSelect 'Yes' if you wish to save your changes.\r\n\r\n"
        "Select 'No' if you wish to lose your changes.",
        MsgKind::Warning, Yes | No);
    if (answer == Yes)
        saveTab(shownTab_);
    ui_->SConfigSaveBtn->setEnabled(false);
}

void TConfigForm::TabControl1Changing() { askToSaveChanges(); }

void TConfigForm::TabControl1Change() { setUpTab(currentTab()); }

void TConfigForm::setUpTab(ConfigTab tab)
{
    settingUp_ = true;
    shownTab_ = tab;
    const ConfigTabInfo& info = configTab(tab);
    configModePrefix_ = info.modePrefix;
    ui_->LabelTop->setText(QString::fromLatin1(info.heading));
    const GeneralSettings& g = setup_.general;
    if (tab == ConfigTab::General) {
        ui_->PanelStack->setCurrentWidget(ui_->PanelGen);
        ui_->CheckBoxThemes->setVisible(theme_.ThemeState != 0);
        ui_->CheckBoxThemes->setEnabled(theme_.ThemeState != 0);
        ui_->CheckBoxThemes->setChecked(theme_.ThemeState == 2);
        ui_->CheckBoxShowHints->setChecked(g.HintsOption == "Y");
        ui_->ShredRepeatsSpinEdit->setValue(g.Repeats);
        (g.Thoroughness == "0" ? ui_->ShredQuickRadioButton : ui_->ShredSlowRadioButton)->setChecked(true);
    } else if (tab == ConfigTab::TempFolders) {
        ui_->PanelStack->setCurrentWidget(ui_->PanelTmp);
    } else {
        SettingsFile file(setup_.machine, setup_.folders);
        const ModeDisplayOptions display = LoadModeDisplay(file, configModePrefix_);
        checkButton(*splashGroup_, display.SplashOpt);
        checkButton(*mainWinGroup_, display.MainWinOpt);
        ui_->PanelStack->setCurrentWidget(ui_->PanelScn);
        for (QWidget* note : {ui_->OldIconLabel1, ui_->OldIconLabel2, ui_->OldIconLabel3})
            note->setVisible(tab == ConfigTab::PurgeNow);
        ui_->CheckBoxBootExec->setVisible(tab == ConfigTab::Startup);
        ui_->ShutdownOptionsRG->setVisible(tab == ConfigTab::Shutdown);
        ui_->UniqueSBtn->setText(QString::fromLatin1(info.uniqueCaption));
        extraForm_->setWindowTitle(QString::fromLatin1(identity::ProductName) + QString::fromLatin1(info.optionsCaption));
        extraForm_->setModePrefix(configModePrefix_);
        if (tab == ConfigTab::Startup)
            ui_->CheckBoxBootExec->setChecked(StartupEntryPresent(setup_.machine, setup_.executable));
        if (tab == ConfigTab::Shutdown) {
            const bool ntFamily = win::platformId(setup_.machine) >= win::platform_id::WIN32_NT;
            if (!ntFamily && shutdownGroup_->button(3)) {
                shutdownGroup_->removeButton(ui_->ShutdownOptionsRGPoweroff);
                ui_->ShutdownOptionsRGPoweroff->hide();
            }
            checkButton(*shutdownGroup_, shutdownChoice(g.ShutType, ntFamily));
        }
    }
    settingUp_ = false;
    ui_->SConfigSaveBtn->setEnabled(false);
}

void TConfigForm::saveTab(ConfigTab tab)
{
    GeneralSettings& g = setup_.general;
    if (tab == ConfigTab::General) {
        const int state = ui_->CheckBoxThemes->isHidden() ? 0 : ui_->CheckBoxThemes->isChecked() ? 2 : 1;
        ApplyThemeState(setup_.machine, setup_.executable, theme_, state);
        g.HintsOption = ui_->CheckBoxShowHints->isChecked() ? "Y" : "N";
        if (setup_.applyHints)
            setup_.applyHints();
        g.Repeats = ui_->ShredRepeatsSpinEdit->value();
        g.Thoroughness = ui_->ShredQuickRadioButton->isChecked() ? "0" : "1";
    } else if (tab == ConfigTab::TempFolders) {
        g.TmpDir = ui_->TmpChkBox->isChecked() ? "Y" : "N";
        g.DosDir = ui_->DosChkBox->isChecked() ? "Y" : "N";
        g.WinDir = ui_->WinChkBox->isChecked() ? "Y" : "N";
        g.VolDir = ui_->VolChkBox->isChecked() ? "Y" : "N";
        BuildTempLists(g, setup_.folders);
    } else {
        SettingsFile file(setup_.machine, setup_.folders);
        ModeDisplayOptions display;
        display.SplashOpt = splashGroup_->checkedId();
        display.MainWinOpt = mainWinGroup_->checkedId();
        SaveModeDisplay(file, configModePrefix_, display);
        if (tab == ConfigTab::Startup) {
            const win::DWORD rc = ui_->CheckBoxBootExec->isChecked()
                                      ? WriteStartupEntry(setup_.machine, setup_.executable)
                                      : RemoveStartupEntry(setup_.machine);
            if (rc != win::err::SUCCESS)
                setup_.messages.show("Klenzor  -  Message",
                                     "Error accessing Registry. \r\nFor Windows NT, you need Registry Privileges for "
                                     "\r\nThis function. \r\nPlease see your System Administrator",
                                     MsgKind::Error, OK);
        }
        if (tab == ConfigTab::Shutdown)
            g.ShutType = shutdownGroup_->checkedId();
    }
}

void TConfigForm::SConfigSaveBtnClick()
{
    saveTab(shownTab_);
    ui_->SConfigSaveBtn->setEnabled(false);
}

void TConfigForm::SConfigExitBtnClick()
{
    if (setup_.keywords.IsKeywordPresent("Abort"))
        throw std::runtime_error("Exception Test - Configform");
    accept();
}

void TConfigForm::UniqueSBtnClick() { extraForm_->exec(); }

void TConfigForm::SelectPluginsBtnClick()
{
    TPlugSelForm plugins(setup_.pluginContext, setup_.folders, this);
    plugins.exec();
}

void TConfigForm::ExecPlugMgrBtnClick()
{
    win::ProgramRun run;
    (void)win::runProgram(setup_.machine, setup_.folders.execFolder + "\\PlugMgr.exe", 0, run);
}

namespace {

void generate(const ConfigFormSetup& setup, const ShortcutKind& kind)
{
    if (const win::DWORD rc = CreateShortcut(setup.machine, setup.executable, kind); rc != win::err::SUCCESS)
        setup.messages.show(identity::MessageCaption,
                            std::string("The shortcut \"") + kind.name + "\" could not be created (error "
                                + std::to_string(rc) + ").",
                            MsgKind::Error, OK);
}

} // namespace

void TConfigForm::SGenerateBtn1Click() { generate(setup_, PlainShortcut); }
void TConfigForm::SGenerateBtn2Click() { generate(setup_, AutoShortcut); }
void TConfigForm::SGenerateBtn3Click() { generate(setup_, ShutShortcut); }

} // namespace kp
