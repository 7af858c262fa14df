#include "tools/windows/klen_inx_dialog.h"

#include "ui_TKlenInxDlg.h"

#include "core/windows/dialog_frame.h"
#include "settings/folder_set.h"

#include <QScreen>

namespace kp {

TKlenInxDlg::TKlenInxDlg(win::Machine& machine, const FolderSet& folders, ServiceLink& service,
                         MessageService& messages, QWidget* parent)
    : QDialog(parent)
    , ui_(std::make_unique<Ui::TKlenInxDlg>())
    , machine_(machine)
    , folders_(folders)
    , service_(service)
    , messages_(messages)
{
    ui_->setupUi(this);
    setWindowTitle(QString::fromStdString(KlenInxCaption()));
    connect(ui_->OKBtn, &QPushButton::clicked, this, &TKlenInxDlg::OKBtnClick);
    connect(ui_->CancelBtn, &QPushButton::clicked, this, &TKlenInxDlg::CancelBtnClick);
    // A folder is purged whole or by its INDEX.DAT, never both.
    for (int i = 0; i < kRebootFolderCount; ++i) {
        QCheckBox* whole = wholeBox(i);
        QCheckBox* index = indexBox(i);
        connect(whole, &QCheckBox::toggled, index, [index](bool on) { if (on) index->setChecked(false); });
        connect(index, &QCheckBox::toggled, whole, [whole](bool on) { if (on) whole->setChecked(false); });
    }
    if (QScreen* shown = screen())
        resize(KlenInxSizeFor(size(), shown->logicalDotsPerInch()));
    fixDialogFrame(*this);
    // The window's own Close is not offered: OK or Cancel ends the dialog.
    setWindowFlags((windowFlags() | Qt::CustomizeWindowHint) & ~Qt::WindowCloseButtonHint);
}

TKlenInxDlg::~TKlenInxDlg() = default;

QCheckBox* TKlenInxDlg::wholeBox(int folder) const
{
    QCheckBox* boxes[] = {ui_->CheckboxPinxCache, ui_->CheckboxPinxCookies, ui_->CheckboxPinxHistory};
    return boxes[folder];
}

QCheckBox* TKlenInxDlg::indexBox(int folder) const
{
    QCheckBox* boxes[] = {ui_->CheckboxPinxCacheID, ui_->CheckboxPinxCookiesID, ui_->CheckboxPinxHistoryID};
    return boxes[folder];
}

QLabel* TKlenInxDlg::statusLabel(int folder) const
{
    QLabel* labels[] = {ui_->LabelCache, ui_->LabelCookie, ui_->LabelHistory};
    return labels[folder];
}

RebootPurgeChoice TKlenInxDlg::choice() const
{
    RebootPurgeChoice c;
    for (int i = 0; i < kRebootFolderCount; ++i) {
        c.whole[i] = wholeBox(i)->isChecked();
        c.indexOnly[i] = indexBox(i)->isChecked();
    }
    return c;
}

void TKlenInxDlg::showEvent(QShowEvent* event)
{
    FormActivate();
    QDialog::showEvent(event);
}

void TKlenInxDlg::FormActivate()
{
    for (int i = 0; i < kRebootFolderCount; ++i) {
        const auto folder = RebootFolder(i);
        const bool found = RebootFolderFound(folders_, folder);
        wholeBox(i)->setChecked(false);
        indexBox(i)->setChecked(false);
        wholeBox(i)->setEnabled(found);
        statusLabel(i)->setText(found ? QString() : QString("%1 was not found").arg(RebootFolderName(folder)));
    }
}

void TKlenInxDlg::OKBtnClick()
{
    std::vector<RebootFolder> unresolved;
    const bool done = WriteRebootPurge(machine_, folders_, service_, messages_, choice(), unresolved);
    for (RebootFolder folder : unresolved)
        statusLabel(folder)->setText(QString("%1: no short path, nothing written for it").arg(RebootFolderName(folder)));
    if (done)
        accept();
}

void TKlenInxDlg::CancelBtnClick()
{
    reject();
}

} // namespace kp
