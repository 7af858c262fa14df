#include "zones/zone_settings.h"

#include "platform/registry/registry.h"
#include "zones/site_url.h"
#include "zones/zone_list.h"

#include <algorithm>
#include <set>
#include <vector>

namespace kp {

namespace {

using win::DWORD;
namespace err = win::err;

const std::string kBase = kInternetSettingsKey;
const std::string kDomains = kBase + "\\ZoneMap\\Domains";
const std::string kRanges = kBase + "\\ZoneMap\\Ranges";
const std::string kCookieHistory = kBase + "\\P3P\\History";

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return text;
}

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

bool endsWith(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string valueNameOf(const SiteInfo& site)
{
    return site.scheme.empty() ? "*" : site.scheme;
}

// A key name taken from a parsed host never holds a backslash; refuse one
// that would, so that no write lands outside the key meant.
bool plainKeyName(std::string_view name)
{
    return !name.empty() && name.find('\\') == std::string_view::npos;
}

} // namespace

ZoneSettings::ZoneSettings(win::Registry& registry, const ZoneList& zones)
    : registry_(registry)
    , zones_(zones)
{
}

std::string ZoneSettings::domainKeyPath(const SiteInfo& site)
{
    std::string path = kDomains + "\\" + site.domain;
    if (!site.sub.empty() && site.sub != "*")
        path += "\\" + site.sub;
    return path;
}

bool ZoneSettings::tryZoneKey(const std::string& path, const std::string& maskBase, SiteInfo& site)
{
    win::RegKey key;
    if (registry_.openKey(win::RegRoot::CurrentUser, path, false, key) != err::SUCCESS)
        return false;
    DWORD zone = 0;
    bool byScheme = !site.scheme.empty() && registry_.queryDword(key, site.scheme, zone) == err::SUCCESS;
    if (!byScheme && registry_.queryDword(key, "*", zone) != err::SUCCESS)
        return false;
    site.zoneText = zones_.shownZoneName(int(zone));
    site.maskText = (byScheme ? site.scheme + "://" : std::string()) + maskBase;
    return true;
}

SiteInfo ZoneSettings::LookupSite(std::string_view name)
{
    SiteInfo site;
    if (!ParseSiteUrl(name, site))
        return site;
    if (site.isAddress) {
        lookupAddress(site);
        return site;
    }
    if (!plainKeyName(site.domain))
        return site;
    const std::string domainPath = kDomains + "\\" + site.domain;
    win::RegKey domainKey;
    if (registry_.openKey(win::RegRoot::CurrentUser, domainPath, false, domainKey) != err::SUCCESS)
        return site;
    std::vector<std::string> subs;
    std::string subName;
    for (DWORD i = 0; registry_.enumKey(domainKey, i, subName) == err::SUCCESS; ++i)
        subs.push_back(lowered(subName));

    for (const std::string& sub : subs)
        if (!startsWith(sub, "*") && sub == site.sub && tryZoneKey(domainPath + "\\" + sub, sub + "." + site.domain, site))
            return site;
    for (const std::string& sub : subs)
        if (startsWith(sub, "*.") && endsWith(site.sub, sub.substr(2))
            && tryZoneKey(domainPath + "\\" + sub, sub + "." + site.domain, site))
            return site;
    tryZoneKey(domainPath, "*." + site.domain, site);
    return site;
}

void ZoneSettings::lookupAddress(SiteInfo& site)
{
    win::RegKey ranges;
    if (registry_.openKey(win::RegRoot::CurrentUser, kRanges, false, ranges) != err::SUCCESS)
        return;
    std::string name;
    for (DWORD i = 0; registry_.enumKey(ranges, i, name) == err::SUCCESS; ++i) {
        win::RegKey range;
        std::string pattern;
        if (registry_.openKey(ranges, name, false, range) != err::SUCCESS
            || registry_.queryString(range, ":Range", pattern) != err::SUCCESS)
            continue;
        DWORD zone = 0;
        const bool byScheme = !site.scheme.empty() && registry_.queryDword(range, site.scheme, zone) == err::SUCCESS;
        if (!byScheme && registry_.queryDword(range, "*", zone) != err::SUCCESS)
            continue;
        if (!AddressInRange(site.host, pattern))
            continue;
        site.rangeKey = name;
        site.zoneText = zones_.shownZoneName(int(zone));
        site.maskText = (byScheme ? site.scheme + "://" : std::string()) + pattern;
        return;
    }
}

std::string ZoneSettings::ReadCookieDecision(std::string_view domain)
{
    win::RegKey key;
    DWORD decision = 0;
    if (!plainKeyName(domain)
        || registry_.openKey(win::RegRoot::CurrentUser, kCookieHistory + "\\" + std::string(domain), false, key)
               != err::SUCCESS
        || registry_.queryDword(key, "", decision) != err::SUCCESS)
        return {};
    if (decision == 1)
        return "Allow";
    if (decision == 5)
        return "Block";
    return "Other - " + std::to_string(decision);
}

DWORD ZoneSettings::SetCookieDecision(std::string_view domain, std::string_view decision)
{
    if (!plainKeyName(domain))
        return err::INVALID_PARAMETER;
    if (decision.empty()) {
        win::RegKey history;
        DWORD code = registry_.openKey(win::RegRoot::CurrentUser, kCookieHistory, true, history);
        if (code == err::SUCCESS)
            code = registry_.deleteKey(history, domain);
        return code == err::FILE_NOT_FOUND ? err::SUCCESS : code;
    }
    if (decision != "Block" && decision != "Allow")
        return err::INVALID_PARAMETER;
    win::RegKey key;
    DWORD code = registry_.createKey(win::RegRoot::CurrentUser, kCookieHistory + "\\" + std::string(domain), key);
    if (code == err::SUCCESS)
        code = registry_.setDword(key, "", decision == "Block" ? 5 : 1);
    return code;
}

DWORD ZoneSettings::setRangeZone(const std::string& rangeKey, const std::string& valueName, int zone)
{
    win::RegKey ranges, range;
    DWORD code = registry_.openKey(win::RegRoot::CurrentUser, kRanges, true, ranges);
    if (code == err::SUCCESS)
        code = registry_.openKey(ranges, rangeKey, true, range);
    if (code != err::SUCCESS)
        return code;
    if (zone >= 0)
        return registry_.setDword(range, valueName, DWORD(zone));
    if ((code = registry_.deleteValue(range, valueName)) != err::SUCCESS)
        return code;
    DWORD subKeys = 0, values = 0;
    if ((code = registry_.queryInfo(range, subKeys, values)) != err::SUCCESS)
        return code;
    return subKeys == 0 && values <= 1 ? registry_.deleteKey(ranges, rangeKey) : err::SUCCESS;
}

DWORD ZoneSettings::SetMaskZone(std::string_view maskText, int zone, std::string_view rangeKey)
{
    SiteInfo site;
    if (!ParseSiteUrl(maskText, site))
        return err::INVALID_PARAMETER;
    const std::string valueName = valueNameOf(site);
    if (site.isAddress)
        return plainKeyName(rangeKey) ? setRangeZone(std::string(rangeKey), valueName, zone) : err::FILE_NOT_FOUND;
    if (!plainKeyName(site.domain))
        return err::INVALID_PARAMETER;

    win::RegKey key;
    const std::string path = domainKeyPath(site);
    DWORD code = registry_.openKey(win::RegRoot::CurrentUser, path, true, key);
    if (code != err::SUCCESS)
        return code;
    if (zone >= 0)
        return registry_.setDword(key, valueName, DWORD(zone));
    if ((code = registry_.deleteValue(key, valueName)) != err::SUCCESS)
        return code;

    // Remove the keys the value leaves empty: the sub key, then its domain.
    registry_.beginBatch();
    const bool isSubKey = path != kDomains + "\\" + site.domain;
    std::vector<std::pair<std::string, std::string>> chain; // parent, child
    if (isSubKey)
        chain.push_back({kDomains + "\\" + site.domain, site.sub});
    chain.push_back({kDomains, site.domain});
    for (const auto& [parentPath, child] : chain) {
        win::RegKey parent, node;
        DWORD subKeys = 0, values = 0;
        if (registry_.openKey(win::RegRoot::CurrentUser, parentPath, true, parent) != err::SUCCESS
            || registry_.openKey(parent, child, false, node) != err::SUCCESS
            || registry_.queryInfo(node, subKeys, values) != err::SUCCESS || subKeys != 0 || values != 0)
            break;
        if ((code = registry_.deleteKey(parent, child)) != err::SUCCESS)
            break;
    }
    const DWORD saved = registry_.endBatch();
    return code != err::SUCCESS ? code : saved;
}

std::string ZoneSettings::exactRangeKey(std::string_view address)
{
    win::RegKey ranges;
    if (registry_.openKey(win::RegRoot::CurrentUser, kRanges, false, ranges) != err::SUCCESS)
        return {};
    std::string name;
    for (DWORD i = 0; registry_.enumKey(ranges, i, name) == err::SUCCESS; ++i) {
        win::RegKey range;
        std::string pattern;
        if (registry_.openKey(ranges, name, false, range) == err::SUCCESS
            && registry_.queryString(range, ":Range", pattern) == err::SUCCESS && pattern == address)
            return name;
    }
    return {};
}

MaskValidation ZoneSettings::ValidateMask(std::string_view maskText, int zone)
{
    SiteInfo site;
    if (!ParseSiteUrl(trimmedMask(maskText), site) || !plainKeyName(site.domain))
        return {2, {}};
    const std::string valueName = valueNameOf(site);
    win::RegKey key;
    if (site.isAddress) {
        const std::string rangeKey = exactRangeKey(site.host);
        if (rangeKey.empty())
            return {0, {}};
        if (registry_.openKey(win::RegRoot::CurrentUser, kRanges + "\\" + rangeKey, false, key) != err::SUCCESS)
            return {-1, {}};
    } else if (registry_.openKey(win::RegRoot::CurrentUser, domainKeyPath(site), false, key) != err::SUCCESS) {
        return {0, {}};
    }
    DWORD existing = 0;
    if (registry_.queryDword(key, valueName, existing) != err::SUCCESS)
        return {site.isAddress ? -1 : 0, {}};
    if (int(existing) == zone)
        return {8, {}};
    return {9, zones_.ZoneNameByNumber(int(existing))};
}

DWORD ZoneSettings::CreateMask(std::string_view maskText, int zone)
{
    std::string text = trimmedMask(maskText);
    if (startsWith(text, "*.") && IsAddressHost(text.substr(2)))
        text.erase(0, 2);
    SiteInfo site;
    if (!ParseSiteUrl(text, site) || !plainKeyName(site.domain))
        return err::INVALID_PARAMETER;
    const std::string valueName = valueNameOf(site);
    if (!site.isAddress) {
        if (zone < 0)
            return err::INVALID_PARAMETER;
        win::RegKey key;
        DWORD code = registry_.createKey(win::RegRoot::CurrentUser, domainKeyPath(site), key);
        return code == err::SUCCESS ? registry_.setDword(key, valueName, DWORD(zone)) : code;
    }
    if (const std::string existing = exactRangeKey(site.host); !existing.empty())
        return setRangeZone(existing, valueName, zone);
    if (zone < 0)
        return err::SUCCESS;

    win::RegKey ranges;
    DWORD code = registry_.createKey(win::RegRoot::CurrentUser, kRanges, ranges);
    if (code != err::SUCCESS)
        return code;
    std::set<std::string> taken;
    std::string name;
    for (DWORD i = 0; registry_.enumKey(ranges, i, name) == err::SUCCESS; ++i)
        taken.insert(lowered(name));
    int n = 1;
    while (taken.count("range" + std::to_string(n)))
        ++n;
    registry_.beginBatch();
    win::RegKey range;
    code = registry_.createKey(ranges, "Range" + std::to_string(n), range);
    if (code == err::SUCCESS)
        code = registry_.setString(range, ":Range", site.host);
    if (code == err::SUCCESS)
        code = registry_.setDword(range, valueName, DWORD(zone));
    const DWORD saved = registry_.endBatch();
    return code != err::SUCCESS ? code : saved;
}

} // namespace kp
