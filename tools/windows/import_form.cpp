#include "tools/windows/import_form.h"

#include "ui_TImportForm.h"

#include "core/identity.h"
#include "core/message_service.h"
#include "platform/files/text_file.h"
#include "platform/files/win_path.h"
#include "platform/machine.h"
#include "settings/folder_set.h"
#include "tools/machine_browsing.h"

#include <QSignalBlocker>
#include <QStyle>

#include <cctype>

namespace kp {

namespace {
constexpr int kPathRole = Qt::UserRole;
constexpr int kIndentPerLevel = 2;

// A folder list row: deeper folders further right.
QString indented(int level, const std::string& name)
{
    return QString(level * kIndentPerLevel, QLatin1Char(' ')) + QString::fromStdString(name);
}
} // namespace

TImportForm::TImportForm(win::Machine& machine, MessageService& messages, const FolderSet& folders, QWidget* parent)
    : QDialog(parent)
    , ui_(std::make_unique<Ui::TImportForm>())
    , machine_(machine)
    , messages_(messages)
    , folders_(folders)
{
    ui_->setupUi(this);
    setWindowTitle(QString::fromLatin1(identity::ProductName) + QStringLiteral(" - Import User Data Files"));
    ui_->Splitter1->setSizes({1, 1, 2}); // the file's text widest

    connect(ui_->DriveComboBox1, &QComboBox::activated, this, &TImportForm::DriveComboBox1Change);
    connect(ui_->FilterComboBox1, &QComboBox::currentIndexChanged, this, &TImportForm::FilterComboBox1Change);
    connect(ui_->DirectoryListBox1, &QListWidget::itemActivated, this, &TImportForm::DirectoryListBox1DblClick);
    connect(ui_->FileListBox1, &QListWidget::itemSelectionChanged, this, &TImportForm::FileListBox1Change);
    connect(ui_->SelectInstallBtn, &QPushButton::clicked, this, &TImportForm::SelectInstallBtnClick);
    connect(ui_->SelectAppDataBtn, &QPushButton::clicked, this, &TImportForm::SelectAppDataBtnClick);
    connect(ui_->CopyFileBtn, &QPushButton::clicked, this, &TImportForm::CopyFileBtnClick);
    connect(ui_->HelpBtn, &QPushButton::clicked, this, &TImportForm::HelpBtnClick);
    connect(ui_->CloseBtn, &QPushButton::clicked, this, &TImportForm::CloseBtnClick);

    fillDrives();
    if (!showFolder(machine_.currentDirectory()))
        showFolder("C:\\");
}

TImportForm::~TImportForm() = default;

void TImportForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TImportForm::FormActivate()
{
    setWindowTitle(QString::fromLatin1(identity::ProductName) + QStringLiteral(" - Import User Data Files"));
    fillDrives();
}

void TImportForm::fillDrives()
{
    const QSignalBlocker blocker(ui_->DriveComboBox1);
    ui_->DriveComboBox1->clear();
    const QIcon icon = style()->standardIcon(QStyle::SP_DriveHDIcon);
    for (const BrowsedDrive& drive : BrowsableDrives(machine_))
        ui_->DriveComboBox1->addItem(icon, QString::fromStdString(drive.caption), QChar::fromLatin1(drive.letter));
    showFolderDrive();
}

void TImportForm::showFolderDrive()
{
    if (folder_.empty())
        return;
    const QSignalBlocker blocker(ui_->DriveComboBox1);
    const char letter = char(std::tolower(static_cast<unsigned char>(folder_[0])));
    ui_->DriveComboBox1->setCurrentIndex(ui_->DriveComboBox1->findData(QChar::fromLatin1(letter)));
}

bool TImportForm::showFolder(const std::string& folder)
{
    if (folder.size() < 2 || folder[1] != ':' || !FolderExists(machine_, folder))
        return false;
    folder_ = folder.size() == 2 ? folder + "\\" : folder;
    while (folder_.size() > 3 && folder_.back() == '\\')
        folder_.pop_back();
    showFolderDrive();
    fillFolderList();
    fillFileList();
    ui_->FolderLabel->setText(QString::fromStdString(folder_));
    clearSelection();
    return true;
}

void TImportForm::fillFolderList()
{
    QListWidget* list = ui_->DirectoryListBox1;
    list->clear();
    const std::vector<std::string> chain = FolderChain(folder_);
    const QIcon drive = style()->standardIcon(QStyle::SP_DriveHDIcon);
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    int level = 0;
    for (const std::string& path : chain) {
        const std::string name = level == 0 ? path : std::string(win::nameOf(path));
        const QIcon& icon = level == 0 ? drive : open;
        auto* item = new QListWidgetItem(icon, indented(level, name), list);
        item->setData(kPathRole, QString::fromStdString(path));
        ++level;
    }
    if (QListWidgetItem* current = list->item(list->count() - 1))
        list->setCurrentItem(current);
    for (const std::string& name : SubfolderNames(machine_, folder_)) {
        auto* item = new QListWidgetItem(closed, indented(level, name), list);
        item->setData(kPathRole, QString::fromStdString(JoinedPath(folder_, name)));
    }
}

void TImportForm::fillFileList()
{
    const QSignalBlocker blocker(ui_->FileListBox1);
    ui_->FileListBox1->clear();
    for (const std::string& name : ImportFilesIn(machine_, folder_, filter()))
        ui_->FileListBox1->addItem(QString::fromStdString(name));
}

void TImportForm::clearSelection()
{
    selectedPath_.clear();
    targetName_.clear();
    ui_->Memo1->clear();
    ui_->FileLabel->setText(QStringLiteral("no file selected "));
    ui_->CopyFileBtn->setText(QString());
    ui_->CopyFileBtn->hide();
    // The conflict was the previous file's.
    ui_->ConflictLabel->hide();
}

ImportFilter TImportForm::filter() const
{
    switch (ui_->FilterComboBox1->currentIndex()) {
    case 1:
        return ImportFilter::CurrentEdition;
    case 2:
        return ImportFilter::SingleEdition;
    default:
        return ImportFilter::BothEditions;
    }
}

bool TImportForm::selectFile(const QString& name)
{
    const QList<QListWidgetItem*> found = ui_->FileListBox1->findItems(name, Qt::MatchFixedString);
    if (found.isEmpty())
        return false;
    ui_->FileListBox1->setCurrentItem(found.first());
    return true;
}

void TImportForm::DriveComboBox1Change(int index)
{
    const QString letter = ui_->DriveComboBox1->itemData(index).toString();
    if (letter.isEmpty() || !showFolder(letter.toUpper().toStdString() + ":\\"))
        fillDrives();
}

void TImportForm::FilterComboBox1Change(int)
{
    fillFileList();
    clearSelection();
}

void TImportForm::DirectoryListBox1DblClick()
{
    if (QListWidgetItem* item = ui_->DirectoryListBox1->currentItem())
        showFolder(item->data(kPathRole).toString().toStdString());
}

void TImportForm::FileListBox1Change()
{
    const QList<QListWidgetItem*> selected = ui_->FileListBox1->selectedItems();
    clearSelection();
    if (selected.isEmpty())
        return;
    const std::string name = selected.first()->text().toStdString();
    selectedPath_ = JoinedPath(folder_, name);

    const std::string extension = win::lowerAscii(name.substr(std::min(name.size(), name.rfind('.'))));
    std::string text;
    if ((extension == ".ini" || extension == ".dat") && win::readTextFile(machine_, selectedPath_, text) == 0)
        ui_->Memo1->setPlainText(QString::fromLatin1(text.data(), qsizetype(text.size())));

    const ImportChoice choice = ChooseImportFile(name, IsSameFolder(machine_, folder_, folders_.dataFolder));
    ui_->FileLabel->setText(QString::fromStdString(choice.fileLabel));
    targetName_ = choice.targetName;
    ui_->CopyFileBtn->setText(QString::fromStdString(choice.buttonCaption));
    ui_->ConflictLabel->setVisible(choice.conflict);
    if (!choice.buttonCaption.empty()) {
        ui_->CopyFileBtn->show();
        ui_->ConflictLabel->hide();
    }
}

void TImportForm::SelectInstallBtnClick() { showFolder(folders_.execFolder); }

void TImportForm::SelectAppDataBtnClick() { showFolder(folders_.dataFolder); }

void TImportForm::CopyFileBtnClick()
{
    if (selectedPath_.empty() || targetName_.empty())
        return;
    const std::string failure = ImportUserFile(machine_, selectedPath_, folders_.dataFolder, targetName_);
    if (!failure.empty())
        messages_.show(std::string(identity::ProductName) + "  -  Error Condition", failure, MsgKind::Error);
}

void TImportForm::HelpBtnClick() { emit helpRequested(); }

void TImportForm::CloseBtnClick() { close(); }

} // namespace kp
