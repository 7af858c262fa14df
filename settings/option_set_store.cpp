#include "settings/option_set_store.h"

#include "settings/settings_file.h"

#include <string>

namespace kp {

namespace {
constexpr std::string_view kBase = "Options";

struct FlagField {
    const char* key;
    bool PurgeOptionSet::*field;
};

// The plain flags, in the order they are written.
constexpr FlagField kPlainFlags[] = {
    {"NormalCache", &PurgeOptionSet::NormalCache}, {"SubscriptionCache", &PurgeOptionSet::SubscriptionCache},
    {"History", &PurgeOptionSet::History},         {"URLs", &PurgeOptionSet::URLs},
    {"Recent", &PurgeOptionSet::Recent},           {"Cookies", &PurgeOptionSet::Cookies},
    {"Visited", &PurgeOptionSet::Visited},         {"Strays", &PurgeOptionSet::Strays},
    {"Temp", &PurgeOptionSet::Temp},               {"Recycle", &PurgeOptionSet::Recycle},
};
constexpr FlagField kLateFlags[] = {
    {"ShredFiles", &PurgeOptionSet::ShredFiles},
    {"RunPlugins", &PurgeOptionSet::RunPlugins},
    {"ClearClipBoard", &PurgeOptionSet::ClearClipBoard},
};

struct TextField {
    const char* key;
    std::string PurgeOptionSet::*field;
};
constexpr TextField kAges[] = {
    {"NsDD", &PurgeOptionSet::NsDD}, {"NsHH", &PurgeOptionSet::NsHH}, {"NsMM", &PurgeOptionSet::NsMM},
    {"SbDD", &PurgeOptionSet::SbDD}, {"SbHH", &PurgeOptionSet::SbHH}, {"SbMM", &PurgeOptionSet::SbMM},
};
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
    for (const FlagField& f : kPlainFlags)
        o.*f.field = file.ReadModeFlag(prefix, kBase, f.key);
    for (const FlagField& f : kLateFlags)
        o.*f.field = file.ReadModeFlag(prefix, kBase, f.key);
    o.ClearAutoForm = enabled.autoForm && file.ReadModeFlag(prefix, kBase, "ClearAutoForm");
    o.ClearPrevSrch = enabled.prevSrch && file.ReadModeFlag(prefix, kBase, "ClearPrevSrch");
    o.ClearUserData = enabled.userData && file.ReadModeFlag(prefix, kBase, "ClearUserData");
    for (const TextField& f : kAges)
        o.*f.field = file.ReadModeText(prefix, kBase, "0", f.key);
    o.ReportOpt = file.ReadModeInteger(prefix, kBase, 0, "ReportOpt");
    return o;
}

bool SaveOptionSet(SettingsFile& file, std::string_view prefix, const PurgeOptionSet& o, const Ie5Boxes& enabled)
{
    if (file.readOnly())
        return false;
    const std::string section = std::string(prefix) + std::string(kBase);
    for (const FlagField& f : kPlainFlags)
        if (!file.writeFlag(section, f.key, o.*f.field))
            return false;
    if (!file.writeFlag(section, "ClearAutoForm", enabled.autoForm && o.ClearAutoForm)
        || !file.writeFlag(section, "ClearPrevSrch", enabled.prevSrch && o.ClearPrevSrch)
        || !file.writeFlag(section, "ClearUserData", enabled.userData && o.ClearUserData))
        return false;
    for (const FlagField& f : kLateFlags)
        if (!file.writeFlag(section, f.key, o.*f.field))
            return false;
    for (const TextField& f : kAges)
        if (!file.writeText(section, f.key, o.*f.field))
            return false;
    return file.writeInteger(section, "ReportOpt", o.ReportOpt);
}

} // namespace kp
