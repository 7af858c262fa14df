#include "app/windows/guarded_application.h"

namespace kp {

namespace {
ExceptionHandler& installedHandler()
{
    static ExceptionHandler handler;
    return handler;
}
} // namespace

GuardedApplication::GuardedApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

void GuardedApplication::setExceptionHandler(ExceptionHandler handler)
{
    installedHandler() = std::move(handler);
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event)
{
    return deliverGuarded([&] { return QApplication::notify(receiver, event); }, installedHandler());
}

} // namespace kp
