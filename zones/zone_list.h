#pragma once
// Internet Explorer's security zones as the registry lists them under
// Internet Settings\Zones: one item per subkey, "004-Restricted sites",
// sorted ignoring case; and the names the Protect window shows for them.

#include <string>
#include <string_view>
#include <vector>

namespace kp {

namespace win {
class Registry;
}

inline constexpr const char* kInternetSettingsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

struct ZoneItem {
    std::string code; // three characters: "004", or a non-numeric name's first three
    std::string displayName;
    std::string text() const { return code + "-" + displayName; }
};

class ZoneList {
public:
    // Reads the subkeys of HKCU ...\Internet Settings\Zones; an absent key
    // leaves the list empty.
    void ReadZoneList(win::Registry& registry);

    // The zone whose display name is `name` (ignoring case); -1 when none.
    int ZoneNumberByName(std::string_view name) const;
    // The display name of zone `number`; "Other - <n>" when not listed; "n/a"
    // without a zone list.
    std::string ZoneNameByNumber(int number) const;
    // Fixed names for the standard zones 0 to 4, ZoneNameByNumber otherwise.
    std::string shownZoneName(int number) const;

    // The listed zones numbered 5 or more, at most 26: the custom zones the
    // menus offer.
    std::vector<ZoneItem> customZones() const;

    const std::vector<ZoneItem>& items() const { return items_; }
    void setItems(std::vector<ZoneItem> items) { items_ = std::move(items); }

private:
    std::vector<ZoneItem> items_;
};

// The number a zone code stands for; -1 when it is not a number.
int zoneCodeNumber(std::string_view code);

} // namespace kp
