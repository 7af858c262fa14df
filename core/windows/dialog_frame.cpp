#include "core/windows/dialog_frame.h"

#include <QApplication>
#include <QMainWindow>

namespace kp {

Qt::WindowFlags dialogFlags()
{
    return Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
        | Qt::WindowCloseButtonHint;
}

QWidget* dialogOwner()
{
    if (QWidget* active = QApplication::activeWindow())
        return active;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && qobject_cast<QMainWindow*>(window))
            return window;
    }
    return nullptr;
}

void fixDialogFrame(QWidget& dialog)
{
    dialog.setWindowFlags(dialogFlags());
    dialog.setFixedSize(dialog.size().expandedTo(dialog.minimumSizeHint()));
}

} // namespace kp
