#pragma once
// A QApplication that does not let an exception escape an event handler:
// it goes to the installed handler (the main window's exception box).

#include <QApplication>

#include <functional>

namespace kp {

using ExceptionHandler = std::function<void(const QString& message, quintptr address)>;

// Runs `deliver`; an exception it throws goes to `handler` (rethrown when
// there is none) and the event counts as not handled.
bool deliverGuarded(const std::function<bool()>& deliver, const ExceptionHandler& handler);

class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv);

    void setExceptionHandler(ExceptionHandler handler) { handler_ = std::move(handler); }
    bool notify(QObject* receiver, QEvent* event) override;

private:
    ExceptionHandler handler_;
};

} // namespace kp
