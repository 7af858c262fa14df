#include "core/run_mode.h"

#include "core/keywords.h"

namespace kp {

RunMode ReadRunMode(const Keywords& keywords)
{
    RunMode mode;
    if (keywords.IsKeywordPresent("AUTO")) {
        mode.Auto = true;
        mode.modeName = "Auto";
    }
    if (keywords.IsKeywordPresent("BOOT")) {
        mode.Boot = true;
        mode.modeName = "BOOT";
    }
    if (keywords.IsKeywordPresent("SHUT")) {
        mode.Shut = true;
        mode.modeName = "SHUT";
    }
    return mode;
}

std::string ModePrefix(const Keywords& keywords)
{
    if (keywords.IsKeywordPresent("AUTO"))
        return "Auto";
    if (keywords.IsKeywordPresent("BOOT"))
        return "Boot";
    if (keywords.IsKeywordPresent("SHUT"))
        return "Shut";
    return {};
}

} // namespace kp
