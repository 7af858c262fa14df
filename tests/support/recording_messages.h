#pragma once
// A message service for tests: records every message and answers with a
// chosen button (the message's default when none is chosen).

#include "core/message_service.h"

#include <vector>

namespace kp::test {

class RecordingMessages : public MessageService {
public:
    using MessageService::show;
    MsgButton show(const Message& message) override
    {
        shown.push_back(message);
        return answer != NoButton ? answer : defaultButtonOf(message);
    }
    bool userAnswers() const override { return user; }

    std::vector<Message> shown;
    MsgButton answer = NoButton;
    bool user = true; // false: answered as without a display
};

} // namespace kp::test
