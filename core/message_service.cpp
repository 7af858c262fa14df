#include "core/message_service.h"

#include "platform/host/console.h"

namespace kp {

namespace {

struct ButtonName {
    MsgButton button;
    const char* name;
};

constexpr ButtonName kButtonNames[] = {
    {Yes, "Yes"}, {No, "No"}, {OK, "OK"}, {Cancel, "Cancel"}, {Abort, "Abort"}, {Retry, "Retry"},
    {Ignore, "Ignore"}, {All, "All"}, {NoToAll, "No To All"}, {YesToAll, "Yes To All"}, {Help, "Help"},
};

} // namespace

MsgButton defaultButtonOf(const Message& message)
{
    if (message.defaultButton != NoButton && (message.buttons & message.defaultButton))
        return message.defaultButton;
    for (MsgButton b : {OK, Yes, Retry}) {
        if (message.buttons & b)
            return b;
    }
    for (const ButtonName& entry : kButtonNames) {
        if (message.buttons & entry.button)
            return entry.button;
    }
    return OK;
}

const char* buttonName(MsgButton button)
{
    for (const ButtonName& entry : kButtonNames) {
        if (entry.button == button)
            return entry.name;
    }
    return "";
}

MsgButton ConsoleMessageService::show(const Message& message)
{
    const MsgButton answer = defaultButtonOf(message);
    std::string out = message.caption + ":\n";
    std::size_t start = 0;
    while (start <= message.text.size()) {
        std::size_t end = message.text.find('\n', start);
        if (end == std::string::npos)
            end = message.text.size();
        std::string line = message.text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        out += "    " + line + "\n";
        start = end + 1;
    }
    out += std::string("    [") + buttonName(answer) + "]\n";
    win::writeStandardError(out);
    return answer;
}

} // namespace kp
