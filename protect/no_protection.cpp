#include "protect/no_protection.h"

#include "ui_TNoProtection.h"

#include "app/identity.h"
#include "app/message_dialog.h"
#include "platform/console.h"

#include <QScreen>

namespace kp {

bool NoProtectionWarningDue(int protectedCount, bool previewFlag, const std::string& cookieMsgOpt)
{
    return protectedCount < 1 && !previewFlag && cookieMsgOpt != "Y";
}

QSize NoProtectionSizeFor(QSize designed, double dpi)
{
    if (dpi < 96 + 10)
        return designed;
    const double factor = (96 + 0.15 * (dpi - 96)) / 96;
    return QSize(int(designed.width() * factor), int(designed.height() * factor));
}

TNoProtection::TNoProtection(QWidget* parent)
    : QDialog(parent)
    , ui_(std::make_unique<Ui::TNoProtection>())
{
    ui_->setupUi(this);
    setWindowTitle(QString::fromLatin1(identity::ProductName) + QStringLiteral(" - Warning - No Cookies are protected"));
    connect(ui_->OKBtn, &QPushButton::clicked, this, &TNoProtection::OKBtnClick);
    connect(ui_->CancelBtn, &QPushButton::clicked, this, &TNoProtection::CancelBtnClick);
    if (QScreen* shown = screen())
        resize(NoProtectionSizeFor(size(), shown->logicalDotsPerInch()));
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
    TNoProtection dialog(parent);
    if (!displayAvailable()) {
        win::writeStandardError(dialog.windowTitle().toStdString() + ":\n    No Cookies are marked as Protected.\n    [Bypass]\n");
        return {};
    }
    dialog.exec();
    return dialog.answer();
}

} // namespace kp
