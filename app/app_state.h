#pragma once
// The program-wide state, made once by the entry sequence (tests make their
// own) and passed to the windows and functions that need it.

#include "app/keywords.h"
#include "app/run_mode.h"
#include "purge/error_level.h"
#include "purge/run_state.h"
#include "settings/folder_set.h"
#include "settings/general_settings.h"

namespace kp {

namespace win {
class Machine;
}
class MessageService;

// Internet Explorer version flags; each implies the lower ones.
struct IeVersion {
    bool ie4 = false, ie5 = false, ie6 = false;
};

struct AppState {
    AppState(Keywords kw, MessageService& messageService, win::Machine* windowsMachine)
        : keywords(std::move(kw))
        , mode(ReadRunMode(keywords))
        , messages(messageService)
        , machine(windowsMachine)
    {
    }

    Keywords keywords;
    RunMode mode;
    ErrorState errors;
    RunState run;
    FolderSet folders;
    GeneralSettings general;
    ModeDisplayOptions display;
    IeVersion ie;
    MessageService& messages;
    win::Machine* machine; // null in tests that need no machine
};

} // namespace kp
