#include "app/windows/splash.h"

#include "ui_TSplash.h"

#include "app/small_window_geometry.h"
#include "core/windows/dialog_frame.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>

namespace kp {

TSplash::TSplash(QWidget* parent)
    : QFrame(parent, Qt::SplashScreen | Qt::CustomizeWindowHint | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , ui_(std::make_unique<Ui::TSplash>())
{
    ui_->setupUi(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    ui_->IconLabel->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this).pixmap(iconSize));
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96;
    setFixedSize(SplashSizeFor(size(), dpi).expandedTo(minimumSizeHint()));
}

TSplash::~TSplash() = default;

void TSplash::showNow()
{
    QRect over;
    if (const QWidget* owner = dialogOwner(); owner && owner != this)
        over = owner->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        over = screen->availableGeometry();
    move(over.center() - rect().center());
    show();
    repaint();
    QCoreApplication::processEvents();
}

} // namespace kp
