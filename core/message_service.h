#pragma once
// Message dialogs: a caption, a kind, a set of buttons, and the button the
// user pressed. Every message of the program goes through one service.

#include <string>

namespace kp {

enum class MsgKind { Warning, Error, Information, Confirmation };

enum MsgButton : unsigned {
    NoButton = 0,
    Yes = 1u << 0,
    No = 1u << 1,
    OK = 1u << 2,
    Cancel = 1u << 3,
    Abort = 1u << 4,
    Retry = 1u << 5,
    Ignore = 1u << 6,
    All = 1u << 7,
    NoToAll = 1u << 8,
    YesToAll = 1u << 9,
    Help = 1u << 10,
};
using MsgButtons = unsigned;

struct Message {
    std::string caption;
    std::string text; // lines separated by "\r\n"
    MsgKind kind = MsgKind::Information;
    MsgButtons buttons = OK;
    MsgButton defaultButton = NoButton; // NoButton: OK, else Yes, else Retry, else the first
};

// The button a dialog starts on.
MsgButton defaultButtonOf(const Message& message);
const char* buttonName(MsgButton button);

class MessageService {
public:
    virtual ~MessageService() = default;
    virtual MsgButton show(const Message& message) = 0;
    // False when messages are answered with their default button without
    // anyone to see them.
    virtual bool userAnswers() const { return true; }

    MsgButton show(std::string caption, std::string text, MsgKind kind, MsgButtons buttons = OK,
                   MsgButton defaultButton = NoButton)
    {
        return show(Message{std::move(caption), std::move(text), kind, buttons, defaultButton});
    }
};

// Messages written to standard error with their caption, each answered at
// once with its default button: the service of a run without windows.
class ConsoleMessageService : public MessageService {
public:
    using MessageService::show;
    MsgButton show(const Message& message) override;
    bool userAnswers() const override { return false; }
};

} // namespace kp
