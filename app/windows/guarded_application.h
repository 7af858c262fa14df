#pragma once
// A QApplication that does not let an exception escape an event handler:
// it goes to the installed handler (the main window's exception box).
// Without a handler it passes on.

#include "app/guarded_call.h"

#include <QApplication>

namespace kp {

class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv);

    // The process's one handler; an empty one removes it.
    static void setExceptionHandler(ExceptionHandler handler);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace kp
