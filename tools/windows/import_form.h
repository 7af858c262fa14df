#pragma once
// TImportForm: browses the machine's drives and folders for a data file of
// an earlier installation, shows its text, and copies it into the data
// folder under the name this edition uses.

#include "tools/user_file_import.h"

#include <QDialog>

#include <memory>
#include <string>

namespace Ui {
class TImportForm;
}

namespace kp {

namespace win {
class Machine;
}
class MessageService;
struct FolderSet;

class TImportForm : public QDialog {
    Q_OBJECT
public:
    TImportForm(win::Machine& machine, MessageService& messages, const FolderSet& folders, QWidget* parent = nullptr);
    ~TImportForm() override;

    const std::string& folder() const { return folder_; }
    // Shows `folder` when it exists; false otherwise.
    bool showFolder(const std::string& folder);
    // Selects a file of the file list by name; false when it is not listed.
    bool selectFile(const QString& name);

signals:
    void helpRequested();

public slots:
    void DriveComboBox1Change(int index);
    void FilterComboBox1Change(int index);
    void DirectoryListBox1DblClick();
    void FileListBox1Change();
    void SelectInstallBtnClick();
    void SelectAppDataBtnClick();
    void CopyFileBtnClick();
    void HelpBtnClick();
    void CloseBtnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormActivate();
    void fillDrives();
    // The drive box on the shown folder's drive.
    void showFolderDrive();
    void fillFolderList();
    void fillFileList();
    void clearSelection();
    ImportFilter filter() const;

    std::unique_ptr<Ui::TImportForm> ui_;
    win::Machine& machine_;
    MessageService& messages_;
    const FolderSet& folders_;
    std::string folder_;
    std::string selectedPath_;
    std::string targetName_;
};

} // namespace kp
