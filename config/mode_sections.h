#pragma once
// The per-mode sections the configuration windows edit: the display options
// in prefix + "Config" (read with "Config" as fallback) and the mode's own
// option set in prefix + "Options" (read without fallback).

#include "settings/general_settings.h"
#include "settings/purge_option_set.h"

#include <string_view>

namespace kp {

class SettingsFile;

ModeDisplayOptions LoadModeDisplay(SettingsFile& file, std::string_view prefix);
// Writes SplashOpt, then MainWinOpt; false when a write failed.
bool SaveModeDisplay(SettingsFile& file, std::string_view prefix, const ModeDisplayOptions& display);

// The keys of prefix + "Options" alone: a missing flag is clear, a missing
// age "0", a missing report choice 0; a disabled Internet Explorer 5 box
// loads clear.
PurgeOptionSet LoadModeOwnOptions(SettingsFile& file, std::string_view prefix, const Ie5Boxes& enabled);

} // namespace kp
