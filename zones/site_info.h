#pragma once
// What a site lookup found for a cache entry's name or a mask text: the
// parts of its host, the mask and zone that apply, and the cookie decision.

#include <string>

namespace kp {

struct SiteInfo {
    std::string scheme; // "http", "https", "ftp", "n/a" or empty
    std::string host;
    bool isAddress = false;
    std::string domain; // the ZoneMap\Domains key; the address for an address
    std::string sub;    // the part of the host left of domain, "*" or empty
    std::string maskText;
    std::string zoneText; // "n/a" for an invalid host, empty when no mask applies
    std::string rangeKey; // the ZoneMap\Ranges subkey that matched
    std::string cookieDecision;
};

} // namespace kp
