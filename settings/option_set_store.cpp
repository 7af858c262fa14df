#include "settings/option_set_store.h"

#include "settings/purge_option_table.h"
#include "settings/settings_file.h"

#include <string>

namespace kp {

namespace {
constexpr std::string_view kBase = "Options";
} // namespace

void ConvertClearHistory(SettingsFile& file)
{
    for (const char* section : {"AutoOptions", "BootOptions", "ShutOptions", "Options"}) {
        if (!file.readFlag(section, "ClearHistory", false))
            continue;
        if (file.writeText(section, "History", "1"))
            file.deleteKey(section, "ClearHistory");
    }
}

PurgeOptionSet LoadOptionSet(SettingsFile& file, std::string_view prefix, const Ie5Boxes& enabled)
{
    ConvertClearHistory(file);
    PurgeOptionSet o;
    for (const PurgeOptionField& f : PurgeOptionFields)
        o.*f.flag = ie5BoxAllows(f, enabled) && file.ReadModeFlag(prefix, kBase, f.key);
    for (const AgeLimitField& f : AgeLimitFields)
        o.*f.text = file.ReadModeText(prefix, kBase, "0", f.key);
    o.ReportOpt = file.ReadModeInteger(prefix, kBase, 0, "ReportOpt");
    return o;
}

bool SaveOptionSet(SettingsFile& file, std::string_view prefix, const PurgeOptionSet& o, const Ie5Boxes& enabled)
{
    if (file.readOnly())
        return false;
    const std::string section = std::string(prefix) + std::string(kBase);
    for (const PurgeOptionField& f : PurgeOptionFields)
        if (!file.writeFlag(section, f.key, ie5BoxAllows(f, enabled) && o.*f.flag))
            return false;
    for (const AgeLimitField& f : AgeLimitFields)
        if (!file.writeText(section, f.key, o.*f.text))
            return false;
    return file.writeInteger(section, "ReportOpt", o.ReportOpt);
}

} // namespace kp
