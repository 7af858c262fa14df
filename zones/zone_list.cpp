#include "zones/zone_list.h"

#include "platform/registry/registry.h"

#include <QString>

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace kp {

namespace {

constexpr int kMaxCustomZones = 26;

bool sameIgnoringCase(std::string_view a, std::string_view b)
{
    return QString::fromUtf8(a.data(), qsizetype(a.size()))
               .compare(QString::fromUtf8(b.data(), qsizetype(b.size())), Qt::CaseInsensitive)
           == 0;
}

ZoneItem itemFor(win::Registry& registry, const win::RegKey& zones, const std::string& name)
{
    const int number = zoneCodeNumber(name);
    if (number < 0) {
        std::string code = name.substr(0, 3);
        code.resize(3, ' ');
        return {code, "Other - " + name};
    }
    char code[16];
    std::snprintf(code, sizeof code, "%03d", number);
    std::string display;
    win::RegKey zone;
    if (registry.openKey(zones, name, false, zone) != win::err::SUCCESS
        || registry.queryString(zone, "DisplayName", display) != win::err::SUCCESS)
        display = "Other - " + name;
    return {code, display};
}

} // namespace

int zoneCodeNumber(std::string_view code)
{
    int number = -1;
    if (code.empty() || code.size() > 6)
        return -1;
    const auto [end, ec] = std::from_chars(code.data(), code.data() + code.size(), number);
    return ec == std::errc() && end == code.data() + code.size() && number >= 0 ? number : -1;
}

void ZoneList::ReadZoneList(win::Registry& registry)
{
    items_.clear();
    win::RegKey zones;
    if (registry.openKey(win::RegRoot::CurrentUser, std::string(kInternetSettingsKey) + "\\Zones", false, zones)
        != win::err::SUCCESS)
        return;
    std::string name;
    for (win::DWORD i = 0; registry.enumKey(zones, i, name) == win::err::SUCCESS; ++i)
        items_.push_back(itemFor(registry, zones, name));
    std::stable_sort(items_.begin(), items_.end(), [](const ZoneItem& a, const ZoneItem& b) {
        return QString::fromStdString(a.text()).compare(QString::fromStdString(b.text()), Qt::CaseInsensitive) < 0;
    });
}

int ZoneList::ZoneNumberByName(std::string_view name) const
{
    for (const ZoneItem& item : items_)
        if (sameIgnoringCase(item.displayName, name))
            return zoneCodeNumber(item.code);
    return -1;
}

std::string ZoneList::ZoneNameByNumber(int number) const
{
    if (items_.empty())
        return "n/a";
    for (const ZoneItem& item : items_)
        if (zoneCodeNumber(item.code) == number)
            return item.displayName;
    return "Other - " + std::to_string(number);
}

std::string ZoneList::shownZoneName(int number) const
{
    static const char* const fixed[] = {"My Computer", "Local Internet", "Trusted", "Internet", "Restricted"};
    return number >= 0 && number <= 4 ? fixed[number] : ZoneNameByNumber(number);
}

std::vector<ZoneItem> ZoneList::customZones() const
{
    std::vector<ZoneItem> custom;
    for (const ZoneItem& item : items_)
        if (zoneCodeNumber(item.code) >= 5 && int(custom.size()) < kMaxCustomZones)
            custom.push_back(item);
    return custom;
}

} // namespace kp
