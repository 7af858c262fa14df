#pragma once
// TKlenInxDlg: which of the browser's folders (whole, or only their
// INDEX.DAT) the batch file run at the next start of Windows removes.

#include "tools/reboot_purge.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QLabel;

namespace Ui {
class TKlenInxDlg;
}

namespace kp {

class TKlenInxDlg : public QDialog {
    Q_OBJECT
public:
    TKlenInxDlg(win::Machine& machine, const FolderSet& folders, ServiceLink& service, MessageService& messages,
                QWidget* parent = nullptr);
    ~TKlenInxDlg() override;

    RebootPurgeChoice choice() const;

public slots:
    void OKBtnClick();
    void CancelBtnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Clears the boxes and shows which folders were not found.
    void FormActivate();
    QCheckBox* wholeBox(int folder) const;
    QCheckBox* indexBox(int folder) const;
    QLabel* statusLabel(int folder) const;

    std::unique_ptr<Ui::TKlenInxDlg> ui_;
    win::Machine& machine_;
    const FolderSet& folders_;
    ServiceLink& service_;
    MessageService& messages_;
};

} // namespace kp
