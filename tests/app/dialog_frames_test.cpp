#include "app/windows/splash.h"
#include "core/windows/dialog_frame.h"
#include "core/windows/message_dialog.h"
#include "protect/windows/no_protection_dialog.h"

#include <QLabel>
#include <QMainWindow>
#include <QPixmap>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace kp;

namespace {

bool showsAnIcon(const QWidget& window)
{
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (label->isVisible() && !label->pixmap().isNull())
            return true;
    }
    return false;
}

} // namespace

// Message boxes, the no-protection warning and the splash: a title and a
// close button at most, a size of their own, their icon, and centred over
// the main window.
TEST(DialogFrames, NoMinimiseOrMaximiseCentredOverTheMainWindowWithTheirIcon)
{
    QMainWindow main;
    main.setGeometry(140, 90, 620, 450);
    main.show();

    const struct {
        const char* name;
        Qt::WindowType type;
        bool fixedSize;
        std::function<std::unique_ptr<QWidget>()> open;
    } cases[] = {
        {"message box", Qt::Dialog, false,
         [] {
             std::unique_ptr<QWidget> box = makeMessageBox(
                 Message{"Klenzor Pro  -  Message", "Execution will terminate.", MsgKind::Error, OK}, dialogOwner());
             box->show();
             return box;
         }},
        {"TNoProtection", Qt::Dialog, true,
         [] {
             auto dialog = std::make_unique<TNoProtection>(dialogOwner());
             dialog->show();
             return std::unique_ptr<QWidget>(std::move(dialog));
         }},
        {"TSplash", Qt::SplashScreen, true,
         [] {
             auto splash = std::make_unique<TSplash>();
             splash->showNow();
             return std::unique_ptr<QWidget>(std::move(splash));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::unique_ptr<QWidget> window = c.open();
        const Qt::WindowFlags flags = window->windowFlags();
        EXPECT_EQ(flags & Qt::WindowType_Mask, c.type);
        EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
        EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
        if (c.fixedSize) {
            EXPECT_EQ(window->minimumSize(), window->maximumSize());
        }
        EXPECT_TRUE(showsAnIcon(*window));
        const QPoint offset = window->frameGeometry().center() - main.frameGeometry().center();
        EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();
    }
}
