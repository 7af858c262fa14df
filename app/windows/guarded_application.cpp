#include "app/windows/guarded_application.h"

#include <exception>

namespace kp {

bool deliverGuarded(const std::function<bool()>& deliver, const ExceptionHandler& handler)
{
    // The exception object's address stands for the fault address.
    try {
        return deliver();
    } catch (const std::exception& e) {
        if (!handler)
            throw;
        handler(QString::fromLocal8Bit(e.what()), reinterpret_cast<quintptr>(&e));
    } catch (...) {
        if (!handler)
            throw;
        handler(QStringLiteral("Unknown program error"), 0);
    }
    return false;
}

GuardedApplication::GuardedApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event)
{
    return deliverGuarded([&] { return QApplication::notify(receiver, event); }, handler_);
}

} // namespace kp
