#pragma once
// How the program's dialogs look: a title and a close button, no minimise
// or maximise button, opened over the window the user works in.

#include <Qt>

class QWidget;

namespace kp {

// Title and close button only.
Qt::WindowFlags dialogFlags();

// The window a new dialog opens over: the active window, else a visible main
// window; null when none is shown (the dialog is then centred on the screen).
QWidget* dialogOwner();

// dialogFlags, and the dialog's present size, grown to what its layout
// needs, fixed.
void fixDialogFrame(QWidget& dialog);

} // namespace kp
