#pragma once
// Calls whose exceptions go to an exception handler (the exception box)
// instead of ending the program, and the exception box's message.

#include <QString>

#include <functional>

namespace kp {

class MessageService;

using ExceptionHandler = std::function<void(const QString& message, quintptr address)>;

// Runs `deliver`; an exception it throws goes to `handler` (rethrown when
// there is none) and the call counts as failed.
bool deliverGuarded(const std::function<bool()>& deliver, const ExceptionHandler& handler);

// The exception box's message: the failure and where it occurred.
void ShowProgramError(MessageService& messages, const QString& message, quintptr address);

} // namespace kp
