#include "plugins/windows/plug_sel_form.h"

#include "ui_TPlugSelForm.h"

#include "core/identity.h"
#include "core/message_service.h"
#include "plugins/plugin_run.h"
#include "plugins/plugin_selection.h"
#include "plugins/windows/plug_tst_form.h"
#include "plugins/windows/plugin_window_placement.h"
#include "purge/purge_context.h"
#include "settings/folder_set.h"

#include <QCoreApplication>
#include <QFontMetrics>

#include <algorithm>

namespace kp {

namespace {

constexpr int kTickRole = Qt::UserRole; // the tick state last seen
constexpr std::string_view kPlacementName = "PlugSelForm";

// Every row as wide as `extent`, which the list then scrolls sideways to.
void setHorizontalExtent(QListWidget& list, int extent)
{
    if (list.count() == 0)
        return;
    const int rowHeight = list.sizeHintForRow(0);
    for (int i = 0; i < list.count(); ++i)
        list.item(i)->setSizeHint(QSize(extent, rowHeight));
}

} // namespace

TPlugSelForm::TPlugSelForm(PurgeContext& context, FolderSet& folders, QWidget* parent)
    : QDialog(parent)
    , ui_(std::make_unique<Ui::TPlugSelForm>())
    , context_(context)
    , folders_(folders)
{
    ui_->setupUi(this);
    setWindowTitle(QString::fromLatin1(identity::ProductName) + QStringLiteral(" - Select Plugins for Plugin Option"));
    connect(ui_->SConfigSaveBtn, &QPushButton::clicked, this, &TPlugSelForm::SConfigSaveBtnClick);
    connect(ui_->SConfigExitBtn, &QPushButton::clicked, this, &TPlugSelForm::SConfigExitBtnClick);
    connect(ui_->PlugTestBtn, &QPushButton::clicked, this, &TPlugSelForm::PlugTestBtnClick);
    connect(ui_->AllOnButton, &QPushButton::clicked, this, &TPlugSelForm::AllOnButtonClick);
    connect(ui_->AllOffButton, &QPushButton::clicked, this, &TPlugSelForm::AllOffButtonClick);
    connect(ui_->ListView1, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) { ListView1Change(item); });
    connect(ui_->ListView1, &QTreeWidget::itemSelectionChanged, this, &TPlugSelForm::ShowSelectedPlugin);
    loadPluginWindowPlacement(*this, context_, kPlacementName);
}

TPlugSelForm::~TPlugSelForm() = default;

void TPlugSelForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TPlugSelForm::done(int result)
{
    savePluginWindowPlacement(*this, context_, kPlacementName);
    QDialog::done(result);
}

void TPlugSelForm::FormActivate()
{
    QTreeWidget& list = *ui_->ListView1;
    listFilling_ = true;
    list.setSortingEnabled(false);
    list.setUpdatesEnabled(false);
    list.clear();
    ui_->SConfigSaveBtn->setEnabled(false);
    ui_->PlugTestBtn->setEnabled(false);
    shownPluginName_.clear();
    shownLines_.clear();
    ui_->ListBox1->clear();
    if (context_.machine) {
        for (const std::string& name : listPluginFiles(*context_.machine, folders_.pluginsFolder)) {
            auto* item = new QTreeWidgetItem(&list, {QString::fromStdString(name)});
            bool ticked = false;
            for (const std::string& selected : folders_.pluginSelection)
                ticked = ticked || selected == name;
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(0, ticked ? Qt::Checked : Qt::Unchecked);
            item->setData(0, kTickRole, ticked);
        }
    }
    list.sortItems(0, Qt::AscendingOrder);
    list.setUpdatesEnabled(true);
    listFilling_ = false;
    QCoreApplication::processEvents();
}

void TPlugSelForm::ListView1Change(QTreeWidgetItem* item)
{
    if (!listFilling_ && item) {
        const bool ticked = item->checkState(0) == Qt::Checked;
        if (ticked != item->data(0, kTickRole).toBool()) {
            item->setData(0, kTickRole, ticked);
            ui_->SConfigSaveBtn->setEnabled(true);
        }
    }
    ui_->PlugTestBtn->setEnabled(!ui_->ListView1->selectedItems().isEmpty());
}

void TPlugSelForm::ShowSelectedPlugin()
{
    const QList<QTreeWidgetItem*> selected = ui_->ListView1->selectedItems();
    ui_->PlugTestBtn->setEnabled(!selected.isEmpty());
    if (selected.isEmpty()) {
        shownPluginName_.clear();
        shownLines_.clear();
        ui_->ListBox1->clear();
        return;
    }
    const QString name = selected.front()->text(0);
    if (name == shownPluginName_)
        return;
    ui_->ListBox1->clear();
    shownLines_.clear();
    if (!loadPluginFile(context_, folders_.pluginsFolder + "\\" + name.toStdString(), shownLines_))
        shownLines_.clear();
    const QFontMetrics metrics(ui_->ListBox1->font());
    int widest = 0;
    for (const std::string& line : shownLines_) {
        const QString text = QString::fromStdString(line);
        ui_->ListBox1->addItem(text);
        widest = std::max(widest, metrics.horizontalAdvance(text));
    }
    setHorizontalExtent(*ui_->ListBox1, widest + metrics.horizontalAdvance(QStringLiteral("Mi")) / 2);
    shownPluginName_ = name;
}

std::vector<std::string> TPlugSelForm::shownLines() const
{
    return shownLines_;
}

bool TPlugSelForm::saveSelection()
{
    if (folders_.dataFolderReadOnly || !context_.machine)
        return true;
    std::vector<std::string> names;
    QTreeWidget& list = *ui_->ListView1;
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        if (list.topLevelItem(i)->checkState(0) == Qt::Checked)
            names.push_back(list.topLevelItem(i)->text(0).toStdString());
    if (const win::DWORD error = savePluginSelection(*context_.machine, folders_, names)) {
        context_.messages.show(std::string(identity::ProductName) + "  -  Error Condition",
                               "The plugin selection could not be saved to\r\n    " + folders_.pluginListFile
                                   + "\r\n(system error " + std::to_string(error)
                                   + ").\r\n\r\nThe previous selection stays in use.",
                               MsgKind::Error, OK);
        return false;
    }
    ui_->SConfigSaveBtn->setEnabled(false);
    return true;
}

void TPlugSelForm::SConfigSaveBtnClick()
{
    saveSelection();
}

void TPlugSelForm::SConfigExitBtnClick()
{
    if (ui_->SConfigSaveBtn->isEnabled()) {
        const MsgButton answer = context_.messages.show(
            std::string(identity::ProductName) + " -  Warning",
            "You have not saved your changes.\r\n\r\nSelect 'Yes' if you wish to save your changes.\r\n\r\n"
            "Select 'No' if you wish to lose your changes.",
            MsgKind::Warning, Yes | No);
        if (answer == Yes && !saveSelection())
            return;
    }
    close();
}

void TPlugSelForm::PlugTestBtnClick()
{
    TPlugTstForm test(context_, shownPluginName_, shownLines_, this);
    test.exec();
}

void TPlugSelForm::setAllTicks(bool on)
{
    QTreeWidget& list = *ui_->ListView1;
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        list.topLevelItem(i)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
}

void TPlugSelForm::AllOnButtonClick()
{
    setAllTicks(true);
}

void TPlugSelForm::AllOffButtonClick()
{
    setAllTicks(false);
}

} // namespace kp
