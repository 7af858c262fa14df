#pragma once
// Each purge option with its check box in the main window, the purge step
// it selects and its settings key: the one table that the window, the purge
// driver and the settings file go by.

#include "settings/purge_option_set.h"

#include <optional>

namespace kp {

// The fourteen purge steps in their fixed order.
enum class PurgeStep {
    Cache,
    Cookies,
    Visited,
    TypedUrls,
    Recent,
    Strays,
    Temp,
    AutoComplete,
    PreviousSearches,
    History,
    UserData,
    Recycle,
    Plugins,
    Clipboard,
};
inline constexpr int PurgeStepCount = 14;

struct PurgeOptionField {
    bool PurgeOptionSet::*flag;
    const char* key;      // in the option-set sections of the settings file
    const char* checkBox; // the object name of the main window's box
    // The step the option selects; none for ShredFiles, which changes how
    // the steps delete.
    std::optional<PurgeStep> step;
    // The box's entry in Ie5Boxes for the options that need Internet
    // Explorer 5, else null.
    bool Ie5Boxes::*ie5Box = nullptr;
};

// In the order the settings file is written.
inline constexpr PurgeOptionField PurgeOptionFields[] = {
    {&PurgeOptionSet::NormalCache, "NormalCache", "CheckBoxNormalCache", PurgeStep::Cache},
    {&PurgeOptionSet::SubscriptionCache, "SubscriptionCache", "CheckBoxSubscriptionCache", PurgeStep::Cache},
    {&PurgeOptionSet::History, "History", "CheckBoxHistory", PurgeStep::History},
    {&PurgeOptionSet::URLs, "URLs", "CheckBoxURLs", PurgeStep::TypedUrls},
    {&PurgeOptionSet::Recent, "Recent", "CheckBoxRecent", PurgeStep::Recent},
    {&PurgeOptionSet::Cookies, "Cookies", "CheckBoxCookies", PurgeStep::Cookies},
    {&PurgeOptionSet::Visited, "Visited", "CheckBoxVisited", PurgeStep::Visited},
    {&PurgeOptionSet::Strays, "Strays", "CheckBoxStrays", PurgeStep::Strays},
    {&PurgeOptionSet::Temp, "Temp", "CheckBoxTemp", PurgeStep::Temp},
    {&PurgeOptionSet::Recycle, "Recycle", "CheckBoxReCycle", PurgeStep::Recycle},
    {&PurgeOptionSet::ClearAutoForm, "ClearAutoForm", "CheckBoxClearAutoCompleteForms", PurgeStep::AutoComplete,
     &Ie5Boxes::autoForm},
    {&PurgeOptionSet::ClearPrevSrch, "ClearPrevSrch", "CheckBoxClearPreviousSearches", PurgeStep::PreviousSearches,
     &Ie5Boxes::prevSrch},
    {&PurgeOptionSet::ClearUserData, "ClearUserData", "CheckBoxUserData", PurgeStep::UserData, &Ie5Boxes::userData},
    {&PurgeOptionSet::ShredFiles, "ShredFiles", "CheckBoxShredFiles", std::nullopt},
    {&PurgeOptionSet::RunPlugins, "RunPlugins", "CheckBoxPlugins", PurgeStep::Plugins},
    {&PurgeOptionSet::ClearClipBoard, "ClearClipBoard", "CheckBoxClearClipBoard", PurgeStep::Clipboard},
};

// The age limits of the online (Ns) and offline (Sb) cache; the settings key
// is also the object name of the main window's field.
struct AgeLimitField {
    std::string PurgeOptionSet::*text;
    const char* key;
};

inline constexpr AgeLimitField AgeLimitFields[] = {
    {&PurgeOptionSet::NsDD, "NsDD"}, {&PurgeOptionSet::NsHH, "NsHH"}, {&PurgeOptionSet::NsMM, "NsMM"},
    {&PurgeOptionSet::SbDD, "SbDD"}, {&PurgeOptionSet::SbHH, "SbHH"}, {&PurgeOptionSet::SbMM, "SbMM"},
};

// True when the option's box is usable for the three Internet Explorer 5
// options, and always for the others.
inline bool ie5BoxAllows(const PurgeOptionField& field, const Ie5Boxes& enabled)
{
    return !field.ie5Box || enabled.*field.ie5Box;
}

} // namespace kp
