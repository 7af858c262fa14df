#include "app/windows/splash.h"

#include "ui_TSplash.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

namespace kp {

TSplash::TSplash(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
    , ui_(std::make_unique<Ui::TSplash>())
{
    ui_->setupUi(this);
}

TSplash::~TSplash() = default;

void TSplash::showNow()
{
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    repaint();
    QCoreApplication::processEvents();
}

} // namespace kp
