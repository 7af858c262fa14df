#include "protect/windows/no_protection_dialog.h"

#include "ui_TNoProtection.h"

#include "core/windows/dialog_frame.h"
#include "core/windows/message_dialog.h"

#include <QScreen>
#include <QStyle>

namespace kp {

TNoProtection::TNoProtection(QWidget* parent)
    : QDialog(parent)
    , ui_(std::make_unique<Ui::TNoProtection>())
{
    ui_->setupUi(this);
    setWindowTitle(QString::fromStdString(NoProtectionCaption()));
    connect(ui_->OKBtn, &QPushButton::clicked, this, &TNoProtection::OKBtnClick);
    connect(ui_->CancelBtn, &QPushButton::clicked, this, &TNoProtection::CancelBtnClick);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    ui_->IconLabel->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(iconSize));
    if (QScreen* shown = screen())
        resize(NoProtectionSizeFor(size(), shown->logicalDotsPerInch()));
    fixDialogFrame(*this);
}

TNoProtection::~TNoProtection() = default;

NoProtectionAnswer TNoProtection::answer() const
{
    return {result() != ResultContinue, ui_->CheckBox1->isChecked()};
}

void TNoProtection::OKBtnClick()
{
    done(ResultContinue);
}

void TNoProtection::CancelBtnClick()
{
    done(ResultBypass);
}

void TNoProtection::reject()
{
    done(ResultBypass);
}

NoProtectionAnswer ShowNoProtection(QWidget* parent)
{
    if (!displayAvailable())
        return AnswerNoProtectionOnConsole();
    TNoProtection dialog(parent ? parent : dialogOwner());
    dialog.exec();
    return dialog.answer();
}

} // namespace kp
