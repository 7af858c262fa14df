#include "config/theme_state.h"

#include "platform/files/file_system.h"
#include "platform/system/system_info.h"

namespace kp {

ThemeStates ReadThemeState(win::Machine& machine, const std::string& executable)
{
    ThemeStates theme;
    if (win::platformId(machine) >= win::platform_id::WIN32_NT) {
        win::FileSystem files(machine);
        if (files.exists(executable + ".ManifesT"))
            theme.ThemeState = 2;
        else if (files.exists(executable + ".ManifesX"))
            theme.ThemeState = 1;
    }
    theme.SavedThemeState = theme.ThemeState;
    return theme;
}

void ApplyThemeState(win::Machine& machine, const std::string& executable, ThemeStates& theme, int state)
{
    theme.ThemeState = state;
    if (state != theme.SavedThemeState && state != 0) {
        const std::string active = executable + ".ManifesT";
        const std::string off = executable + ".ManifesX";
        const std::string& from = state == 1 ? active : off;
        const std::string& to = state == 1 ? off : active;
        win::FileSystem files(machine);
        (void)files.deleteFile(to);
        (void)files.moveFile(from, to);
    }
    theme.SavedThemeState = theme.ThemeState;
}

} // namespace kp
