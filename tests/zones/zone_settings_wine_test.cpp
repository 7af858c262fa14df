#include "platform/machine.h"
#include "zones/zone_list.h"
#include "zones/zone_settings.h"
#include "tests/support/real_wine_prefix.h"
#include "tests/support/wine_prefix.h"

#include <gtest/gtest.h>

using namespace kp;

namespace {

using WineZones = test::RealWinePrefixTest;
using WineZoneManager = test::UrlCacheProbeTest;

std::string query(const std::string& prefix, const std::string& key)
{
    std::string out;
    test::runWine(prefix, {"reg", "query", "HKCU\\" + std::string(kInternetSettingsKey) + "\\" + key}, out);
    test::stopWineSession(prefix);
    return out;
}

} // namespace

TEST_F(WineZones, WineReadsTheMasksRangesAndCookieDecisionsWritten)
{
    std::unique_ptr<win::Machine> machine;
    ASSERT_EQ(win::Machine::open(prefix, machine), win::err::SUCCESS);
    ZoneList zones;
    zones.ReadZoneList(machine->registry());
    ZoneSettings settings(machine->registry(), zones);
    ASSERT_EQ(settings.CreateMask("*.example.com", 4), win::err::SUCCESS);
    ASSERT_EQ(settings.CreateMask("http://10.1.2.3", 2), win::err::SUCCESS);
    ASSERT_EQ(settings.SetCookieDecision("example.com", "Block"), win::err::SUCCESS);

    std::string out = query(prefix, "ZoneMap\\Domains\\example.com");
    EXPECT_NE(out.find("*    REG_DWORD    0x4"), std::string::npos) << out;
    const std::string rangeKey = settings.LookupSite("http://10.1.2.3/").rangeKey;
    ASSERT_FALSE(rangeKey.empty());
    out = query(prefix, "ZoneMap\\Ranges\\" + rangeKey);
    EXPECT_NE(out.find(":Range    REG_SZ    10.1.2.3"), std::string::npos) << out;
    EXPECT_NE(out.find("http    REG_DWORD    0x2"), std::string::npos) << out;
    out = query(prefix, "P3P\\History\\example.com");
    EXPECT_NE(out.find("REG_DWORD    0x5"), std::string::npos) << out;

    ASSERT_EQ(settings.SetMaskZone("*.example.com", -1, ""), win::err::SUCCESS);
    out = query(prefix, "ZoneMap\\Domains");
    EXPECT_EQ(out.find("example.com"), std::string::npos) << out;
}

// Wine's URL security manager reads the domain masks; it does not read
// ZoneMap\Ranges (Wine 8 maps an address in a range to the Internet zone), so
// ranges are checked through reg above.
TEST_F(WineZoneManager, MapsUrlsToTheZonesOfTheDomainMasksWritten)
{
    auto zonesOf = [this](std::vector<std::string> urls) {
        urls.insert(urls.begin(), "zone");
        std::vector<std::string> zones;
        for (const auto& row : probe(urls))
            if (row.size() == 3 && row[0] == "zone")
                zones.push_back(row[2]);
        return zones;
    };
    const std::vector<std::string> urls = {"http://www.example.com/", "https://shop.example.com/a",
                                           "http://example.org/"};
    EXPECT_EQ(zonesOf(urls), (std::vector<std::string>{"3", "3", "3"}));

    std::unique_ptr<win::Machine> machine;
    ASSERT_EQ(win::Machine::open(prefix, machine), win::err::SUCCESS);
    ZoneList zones;
    zones.ReadZoneList(machine->registry());
    ZoneSettings settings(machine->registry(), zones);
    ASSERT_EQ(settings.CreateMask("*.example.com", 4), win::err::SUCCESS);
    ASSERT_EQ(settings.CreateMask("http://example.org", 2), win::err::SUCCESS);
    EXPECT_EQ(zonesOf(urls), (std::vector<std::string>{"4", "4", "2"}));

    ASSERT_EQ(settings.SetMaskZone("*.example.com", -1, ""), win::err::SUCCESS);
    EXPECT_EQ(zonesOf(urls), (std::vector<std::string>{"3", "3", "2"}));
}
