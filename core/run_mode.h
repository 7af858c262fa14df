#pragma once
// The unattended run modes selected by AUTO, BOOT and SHUT.

#include <string>

namespace kp {

class Keywords;

struct RunMode {
    bool Auto = false;
    bool Boot = false;
    bool Shut = false;
    // The name the display options are read under: the last present of
    // "Auto", "BOOT", "SHUT".
    std::string modeName;

    bool unattended() const { return Auto || Boot || Shut; }
};

RunMode ReadRunMode(const Keywords& keywords);

// The prefix of the option-set sections: the first present of "Auto",
// "Boot", "Shut", else empty.
std::string ModePrefix(const Keywords& keywords);

} // namespace kp
