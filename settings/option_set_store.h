#pragma once
// The purge option sets in the settings file: section prefix + "Options",
// where a mode's section inherits every key it lacks from "Options".

#include "settings/purge_option_set.h"

#include <string_view>

namespace kp {

class SettingsFile;

// Rewrites an old true `ClearHistory` as `History` = "1" in every option-set
// section.
void ConvertClearHistory(SettingsFile& file);

PurgeOptionSet LoadOptionSet(SettingsFile& file, std::string_view prefix, const Ie5Boxes& enabled);
// False when the set was not (completely) written.
bool SaveOptionSet(SettingsFile& file, std::string_view prefix, const PurgeOptionSet& options,
                   const Ie5Boxes& enabled);

} // namespace kp
