#pragma once
// The program-wide state, made once by the entry sequence (tests make their
// own) and passed to the windows and functions that need it.

#include "config/theme_state.h"
#include "core/error_level.h"
#include "core/ie_version.h"
#include "core/keywords.h"
#include "core/run_mode.h"
#include "purge/run_state.h"
#include "settings/folder_set.h"
#include "settings/general_settings.h"

namespace kp {

namespace win {
class Machine;
class WindowList;
} // namespace win
class MessageService;

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
    win::WindowList* windows = nullptr; // the machine's top-level windows; null: none looked for
    // The visual-styles manifest beside the executable, noted at the start:
    // 2 active (".ManifesT"), 1 switched off (".ManifesX"), 0 none or not NT.
    ThemeStates theme;
};

} // namespace kp
