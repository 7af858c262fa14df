#include "app/guarded_call.h"

#include "core/caught_exception.h"
#include "core/message_service.h"
#include "core/qt_text.h"

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
        handler(QStringLiteral("Unknown program error (") + q(caughtExceptionText()) + QLatin1Char(')'), 0);
    }
    return false;
}

void ShowProgramError(MessageService& messages, const QString& message, quintptr address)
{
    const QString where = QStringLiteral("%1").arg(quint32(address), 8, 16, QLatin1Char('0')).toUpper();
    messages.show("Klenzor Pro -  Program Error",
                  (message + QStringLiteral(". Occurred at: ") + where
                   + QStringLiteral("\r\n\r\nPlease report this message to the vendor..."))
                      .toStdString(),
                  MsgKind::Error, OK);
}

} // namespace kp
