#include "app/windows/about_box.h"

#include "ui_TAboutBox.h"

#include "core/identity.h"
#include "core/ie_version.h"
#include "core/windows/dialog_frame.h"

#include <QStyle>

namespace kp {

QString ieLevelText(const IeVersion& ie)
{
    const char* level = ie.ie6 ? "IE-6" : ie.ie5 ? "IE-5" : "IE-4";
    return QStringLiteral("Processing for:  ") + QLatin1String(level);
}

TAboutBox::TAboutBox(const IeVersion& ie, QWidget* parent)
    : QDialog(parent)
    , ui_(std::make_unique<Ui::TAboutBox>())
{
    ui_->setupUi(this);
    ui_->ProductName->setText(QString::fromLatin1(identity::ProductName));
    ui_->Version->setText(QString::fromLatin1(identity::VersionText));
    ui_->Build->setText(QString::fromLatin1(identity::BuildText));
    ui_->IeLevel->setText(ieLevelText(ie));
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    ui_->ProgramIcon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon, nullptr, this).pixmap(iconSize));
    connect(ui_->OKButton, &QPushButton::clicked, this, &QDialog::accept);
    fixDialogFrame(*this);
}

TAboutBox::~TAboutBox() = default;

} // namespace kp
