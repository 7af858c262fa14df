#pragma once
// The zone and cookie settings of a site, read and written in Internet
// Explorer's own registry layout under HKCU ...\Internet Settings:
// ZoneMap\Domains\<domain>[\<sub>] and ZoneMap\Ranges\Range<N> hold zone
// numbers under a scheme's name or "*"; P3P\History\<domain> holds the
// cookie decision as its default value (1 allow, 5 block). Absent or
// unopenable keys read as absent settings.

#include "platform/win32.h"
#include "zones/site_info.h"

#include <string>
#include <string_view>

namespace kp {

namespace win {
class Registry;
}
class ZoneList;

// ValidateMask's answer: 0 new, 2 invalid, 8 same zone, 9 another zone
// (named in existingZone), -1 a range without a zone value.
struct MaskValidation {
    int code = 0;
    std::string existingZone;
};

class ZoneSettings {
public:
    ZoneSettings(win::Registry& registry, const ZoneList& zones);

    // Parses `name` and finds the mask or range that sets its zone.
    SiteInfo LookupSite(std::string_view name);

    // "Allow", "Block", "Other - <n>" or empty.
    std::string ReadCookieDecision(std::string_view domain);
    // "Block" or "Allow" writes the decision; empty deletes the domain's key.
    win::DWORD SetCookieDecision(std::string_view domain, std::string_view decision);

    // Changes the zone of an existing mask (`maskText` as a lookup showed it)
    // or, for an address, of the range `rangeKey`; zone -1 removes the value
    // and the keys it leaves empty.
    win::DWORD SetMaskZone(std::string_view maskText, int zone, std::string_view rangeKey);

    MaskValidation ValidateMask(std::string_view maskText, int zone);
    // Creates or overwrites the mask, or a range "Range<N>" with the first
    // free N for an address without one.
    win::DWORD CreateMask(std::string_view maskText, int zone);

private:
    // The Domains key of a parsed host: domain, or domain\sub.
    static std::string domainKeyPath(const SiteInfo& site);
    // Tries one key: sets zoneText and maskText (from `maskBase`) when it
    // holds a zone value.
    bool tryZoneKey(const std::string& path, const std::string& maskBase, SiteInfo& site);
    void lookupAddress(SiteInfo& site);
    // The range subkey whose ":Range" is exactly `address`; empty when none.
    std::string exactRangeKey(std::string_view address);
    win::DWORD setRangeZone(const std::string& rangeKey, const std::string& valueName, int zone);

    win::Registry& registry_;
    const ZoneList& zones_;
};

} // namespace kp
