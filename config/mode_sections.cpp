#include "config/mode_sections.h"

#include "settings/purge_option_table.h"
#include "settings/settings_file.h"

#include <string>

namespace kp {

ModeDisplayOptions LoadModeDisplay(SettingsFile& file, std::string_view prefix)
{
    ModeDisplayOptions display;
    display.SplashOpt = file.ReadModeInteger(prefix, "Config", 0, "SplashOpt");
    display.MainWinOpt = file.ReadModeInteger(prefix, "Config", 1, "MainWinOpt");
    return display;
}

bool SaveModeDisplay(SettingsFile& file, std::string_view prefix, const ModeDisplayOptions& display)
{
    const std::string section = std::string(prefix) + "Config";
    return file.writeInteger(section, "SplashOpt", display.SplashOpt)
        && file.writeInteger(section, "MainWinOpt", display.MainWinOpt);
}

PurgeOptionSet LoadModeOwnOptions(SettingsFile& file, std::string_view prefix, const Ie5Boxes& enabled)
{
    const std::string section = std::string(prefix) + "Options";
    PurgeOptionSet o;
    for (const PurgeOptionField& f : PurgeOptionFields)
        o.*f.flag = ie5BoxAllows(f, enabled) && file.readFlag(section, f.key, false);
    for (const AgeLimitField& f : AgeLimitFields)
        o.*f.text = file.readText(section, f.key, "0");
    o.ReportOpt = file.readInteger(section, "ReportOpt", 0);
    return o;
}

} // namespace kp
