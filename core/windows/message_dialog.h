#pragma once
// The message service of a program with windows: Qt message boxes.

#include "core/message_service.h"

#include <QMessageBox>

#include <memory>

namespace kp {

// Qt message boxes on a display. Without one (Qt's offscreen or minimal
// platform) the message goes to standard error with its caption and is
// answered with its default button at once.
class DialogMessageService : public MessageService {
public:
    using MessageService::show;
    MsgButton show(const Message& message) override;
    bool userAnswers() const override;
};

// True when windows can be seen: Qt runs on a real display platform.
bool displayAvailable();

// The box that shows `message` over `owner` (null: centred on the screen),
// its default button set; exec() shows it.
std::unique_ptr<QMessageBox> makeMessageBox(const Message& message, QWidget* owner);

// The button that closed a box of makeMessageBox: the one clicked, else
// Cancel when the message has it, else the default button.
MsgButton answerOf(const QMessageBox& box, const Message& message);

} // namespace kp
