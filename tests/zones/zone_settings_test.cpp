#include "platform/registry/registry.h"
#include "zones/zone_list.h"
#include "zones/zone_settings.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

using namespace kp;
namespace err = kp::win::err;
using win::RegRoot;

namespace {

const std::string kBase = kInternetSettingsKey;

struct ZoneFixture : ::testing::Test {
    test::TempMachine temp;
    win::Registry& registry = temp.machine().registry();
    ZoneList zones;
    ZoneSettings settings{registry, zones};

    void setDword(const std::string& key, const std::string& name, win::DWORD value)
    {
        win::RegKey k;
        ASSERT_EQ(registry.createKey(RegRoot::CurrentUser, kBase + "\\" + key, k), err::SUCCESS);
        ASSERT_EQ(registry.setDword(k, name, value), err::SUCCESS);
    }
    void setString(const std::string& key, const std::string& name, const std::string& value)
    {
        win::RegKey k;
        ASSERT_EQ(registry.createKey(RegRoot::CurrentUser, kBase + "\\" + key, k), err::SUCCESS);
        ASSERT_EQ(registry.setString(k, name, value), err::SUCCESS);
    }
    bool keyExists(const std::string& key)
    {
        win::RegKey k;
        return registry.openKey(RegRoot::CurrentUser, kBase + "\\" + key, false, k) == err::SUCCESS;
    }
    void addRange(const std::string& key, const std::string& range, const std::string& scheme, win::DWORD zone)
    {
        setString("ZoneMap\\Ranges\\" + key, ":Range", range);
        setDword("ZoneMap\\Ranges\\" + key, scheme, zone);
    }
    void readZones()
    {
        const char* names[] = {"My Computer", "Local intranet", "Trusted sites", "Internet", "Restricted sites"};
        for (int i = 0; i < 5; ++i)
            setString("Zones\\" + std::to_string(i), "DisplayName", names[i]);
        setString("Zones\\5", "DisplayName", "Partners");
        setString("Zones\\12", "Other", "x");
        setString("Zones\\Corporate", "DisplayName", "ignored");
        zones.ReadZoneList(registry);
    }
};

} // namespace

TEST_F(ZoneFixture, ZoneListNamesEveryZoneAndFindsThemBothWays)
{
    EXPECT_EQ(zones.ZoneNameByNumber(4), "n/a");
    readZones();
    std::vector<std::string> texts;
    for (const ZoneItem& item : zones.items())
        texts.push_back(item.text());
    EXPECT_EQ(texts, (std::vector<std::string>{"000-My Computer", "001-Local intranet", "002-Trusted sites",
                                               "003-Internet", "004-Restricted sites", "005-Partners",
                                               "012-Other - 12", "Cor-Other - Corporate"}));
    EXPECT_EQ(zones.ZoneNumberByName("partners"), 5);
    EXPECT_EQ(zones.ZoneNumberByName("Other - Corporate"), -1);
    EXPECT_EQ(zones.ZoneNumberByName("Nowhere"), -1);
    EXPECT_EQ(zones.ZoneNameByNumber(12), "Other - 12");
    EXPECT_EQ(zones.ZoneNameByNumber(9), "Other - 9");
    EXPECT_EQ(zones.shownZoneName(2), "Trusted");
    EXPECT_EQ(zones.shownZoneName(5), "Partners");
    ASSERT_EQ(zones.customZones().size(), 2u);
    EXPECT_EQ(zones.customZones()[0].displayName, "Partners");
}

TEST_F(ZoneFixture, LookupPrefersTheSchemeValueThenStarAndTheExactSubThenWildcardSubs)
{
    readZones();
    setDword("ZoneMap\\Domains\\example.com", "http", 4);
    setDword("ZoneMap\\Domains\\example.com", "*", 2);
    setDword("ZoneMap\\Domains\\example.com\\Shop", "*", 5);
    setDword("ZoneMap\\Domains\\example.com\\*.pay", "https", 1);

    struct Case {
        const char* name;
        const char* zone;
        const char* mask;
    };
    const Case cases[] = {
        {"http://www.example.com/", "Restricted", "http://*.example.com"},
        {"ftp://www.example.com/", "Trusted", "*.example.com"},
        {"Cookie:me@example.com/", "Trusted", "*.example.com"},
        {"http://shop.example.com/", "Partners", "shop.example.com"},
        {"https://eu.pay.example.com/", "Local Internet", "https://*.pay.example.com"},
        {"http://eu.pay.example.com/", "Restricted", "http://*.example.com"},
        {"http://www.example.org/", "", ""},
        {"http://bad_host.example.com/", "n/a", ""},
    };
    for (const Case& c : cases) {
        const SiteInfo site = settings.LookupSite(c.name);
        EXPECT_EQ(site.zoneText, c.zone) << c.name;
        EXPECT_EQ(site.maskText, c.mask) << c.name;
    }
}

TEST_F(ZoneFixture, AddressesAreFoundThroughTheirRange)
{
    addRange("Range1", "192.168.1.*", "http", 4);
    addRange("Range2", "10.0.0.1-20", "*", 2);
    SiteInfo site = settings.LookupSite("http://10.0.0.15/index.htm");
    EXPECT_EQ(site.rangeKey, "Range2");
    EXPECT_EQ(site.zoneText, "Trusted");
    EXPECT_EQ(site.maskText, "10.0.0.1-20");
    EXPECT_EQ(settings.LookupSite("http://10.0.0.21/").zoneText, "");
    EXPECT_EQ(settings.LookupSite("http://192.168.1.9/").maskText, "http://192.168.1.*");
    EXPECT_EQ(settings.LookupSite("ftp://192.168.1.9/").zoneText, "");
}

TEST_F(ZoneFixture, RemovingTheLastValueOfASubKeyRemovesTheKeysLeftEmpty)
{
    setDword("ZoneMap\\Domains\\example.com\\shop", "http", 4);
    setDword("ZoneMap\\Domains\\example.net\\shop", "*", 4);
    setDword("ZoneMap\\Domains\\example.net", "*", 2);

    EXPECT_EQ(settings.SetMaskZone("http://shop.example.com", 2, ""), err::SUCCESS);
    EXPECT_EQ(settings.LookupSite("http://shop.example.com/").zoneText, "Trusted");
    EXPECT_EQ(settings.SetMaskZone("http://shop.example.com", -1, ""), err::SUCCESS);
    EXPECT_FALSE(keyExists("ZoneMap\\Domains\\example.com"));
    EXPECT_TRUE(keyExists("ZoneMap\\Domains"));

    EXPECT_EQ(settings.SetMaskZone("shop.example.net", -1, ""), err::SUCCESS);
    EXPECT_FALSE(keyExists("ZoneMap\\Domains\\example.net\\shop"));
    EXPECT_TRUE(keyExists("ZoneMap\\Domains\\example.net"));

    // A mask whose key is gone is left alone, not created.
    EXPECT_NE(settings.SetMaskZone("*.example.org", 4, ""), err::SUCCESS);
    EXPECT_FALSE(keyExists("ZoneMap\\Domains\\example.org"));
}

TEST_F(ZoneFixture, RangesChangeAndGoWithTheirLastZoneValue)
{
    addRange("Range7", "10.0.0.1-20", "*", 2);
    EXPECT_EQ(settings.SetMaskZone("10.0.0.1-20", 4, "Range7"), err::SUCCESS);
    EXPECT_EQ(settings.LookupSite("10.0.0.3").zoneText, "Restricted");
    EXPECT_EQ(settings.SetMaskZone("10.0.0.1-20", -1, "Range7"), err::SUCCESS);
    EXPECT_FALSE(keyExists("ZoneMap\\Ranges\\Range7"));
}

TEST_F(ZoneFixture, ValidationTellsNewSameOtherAndInvalidMasks)
{
    readZones();
    setDword("ZoneMap\\Domains\\example.com", "*", 4);
    setDword("ZoneMap\\Domains\\example.com\\shop", "http", 2);
    addRange("Range1", "10.0.0.1", "*", 2);
    setString("ZoneMap\\Ranges\\Range2", ":Range", "10.0.0.2");

    struct Case {
        const char* mask;
        int zone;
        int code;
        const char* existing;
    };
    const Case cases[] = {
        {" *.example.com\r\n", 4, 8, ""},   {"*.example.com", 5, 9, "Restricted sites"},
        {"http://*.example.com", 4, 0, ""}, {"http://shop.example.com", 2, 8, ""},
        {"shop.example.com", 2, 0, ""},     {"*.example.org", 4, 0, ""},
        {"10.0.0.1", 4, 9, "Trusted sites"}, {"10.0.0.2", 4, -1, ""},
        {"10.0.0.3", 4, 0, ""},             {"bad_name.com", 4, 2, ""},
    };
    for (const Case& c : cases) {
        const MaskValidation result = settings.ValidateMask(c.mask, c.zone);
        EXPECT_EQ(result.code, c.code) << c.mask;
        EXPECT_EQ(result.existingZone, c.existing) << c.mask;
    }
}

TEST_F(ZoneFixture, CreatingMasksWritesDomainKeysAndRangesWithTheFirstFreeNumber)
{
    EXPECT_EQ(settings.CreateMask("*.example.com", 4), err::SUCCESS);
    EXPECT_EQ(settings.CreateMask("https://shop.example.com", 2), err::SUCCESS);
    EXPECT_EQ(settings.LookupSite("http://www.example.com/").zoneText, "Restricted");
    EXPECT_EQ(settings.LookupSite("https://shop.example.com/").maskText, "https://shop.example.com");

    addRange("Range1", "10.0.0.1", "*", 2);
    addRange("range3", "10.0.0.3", "*", 2);
    EXPECT_EQ(settings.CreateMask("*.10.0.0.9", 4), err::SUCCESS);
    SiteInfo site = settings.LookupSite("10.0.0.9");
    EXPECT_EQ(site.rangeKey, "Range2");
    EXPECT_EQ(site.zoneText, "Restricted");
    EXPECT_EQ(settings.CreateMask("10.0.0.1", 4), err::SUCCESS);
    EXPECT_EQ(settings.LookupSite("10.0.0.1").rangeKey, "Range1");
    EXPECT_EQ(settings.LookupSite("10.0.0.1").zoneText, "Restricted");
    EXPECT_EQ(settings.CreateMask("bad_host", 4), err::INVALID_PARAMETER);
}

TEST_F(ZoneFixture, CookieDecisionsAreWrittenReadAndCleared)
{
    EXPECT_EQ(settings.ReadCookieDecision("example.com"), "");
    EXPECT_EQ(settings.SetCookieDecision("example.com", "Block"), err::SUCCESS);
    EXPECT_EQ(settings.ReadCookieDecision("example.com"), "Block");
    EXPECT_EQ(settings.SetCookieDecision("example.com", "Allow"), err::SUCCESS);
    EXPECT_EQ(settings.ReadCookieDecision("Example.com"), "Allow");
    setDword("P3P\\History\\example.org", "", 3);
    EXPECT_EQ(settings.ReadCookieDecision("example.org"), "Other - 3");

    EXPECT_EQ(settings.SetCookieDecision("example.com", ""), err::SUCCESS);
    EXPECT_FALSE(keyExists("P3P\\History\\example.com"));
    EXPECT_EQ(settings.ReadCookieDecision("example.com"), "");
    EXPECT_EQ(settings.SetCookieDecision("example.com", ""), err::SUCCESS);
    // An empty domain never reaches the History key itself.
    EXPECT_EQ(settings.SetCookieDecision("", ""), err::INVALID_PARAMETER);
    EXPECT_TRUE(keyExists("P3P\\History"));
}
