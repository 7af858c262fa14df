#include "zones/site_url.h"

#include <gtest/gtest.h>

using namespace kp;

TEST(SiteUrl, HostsSplitIntoDomainAndSub)
{
    struct Case {
        const char* text;
        bool valid;
        const char* scheme;
        const char* host;
        const char* domain;
        const char* sub;
        bool address;
    };
    const Case cases[] = {
        {"Cookie:user@shop.example.com/", true, "", "shop.example.com", "example.com", "shop", false},
        {"http://a.b.co.uk/x", true, "http", "a.b.co.uk", "b.co.uk", "a", false},
        {"https://shop.example.de/?q=1", true, "https", "shop.example.de", "example.de", "shop", false},
        {"Visited:user@HTTP://WWW.Example.COM/p?x=a/b#f", true, "http", "www.example.com", "example.com", "www", false},
        {"ftp://a.b.c.example.com/", true, "ftp", "a.b.c.example.com", "example.com", "a.b.c", false},
        {"x.y.b.co.uk", true, "", "x.y.b.co.uk", "b.co.uk", "x.y", false},
        {"shop.example.co.uk", true, "", "shop.example.co.uk", "example.co.uk", "shop", false},
        {"example.com", true, "", "example.com", "example.com", "", false},
        {"localhost", true, "", "localhost", "localhost", "", false},
        {"*.example.com", true, "", "*.example.com", "example.com", "*", false},
        {"http://*.co.uk", true, "http", "*.co.uk", "co.uk", "*", false},
        {"gopher://news.example.org/x", true, "", "news.example.org", "example.org", "news", false},
        {"http://10.0.0.1-50/", true, "http", "10.0.0.1-50", "10.0.0.1-50", "", true},
        {"192.168.1.*", true, "", "192.168.1.*", "192.168.1.*", "", true},
        {"http://my_host.example.com/", false, "n/a", "my_host.example.com", "", "", false},
        {"http://host.example.com:8080/", false, "n/a", "host.example.com:8080", "", "", false},
        {"file:///C:/page.htm", false, "n/a", "c:", "", "", false},
        {"http:///nothing", false, "n/a", "", "", "", false},
        {"*", false, "n/a", "*", "", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SiteInfo site;
        EXPECT_EQ(ParseSiteUrl(c.text, site), c.valid);
        EXPECT_EQ(site.scheme, c.scheme);
        EXPECT_EQ(site.host, c.host);
        EXPECT_EQ(site.domain, c.domain);
        EXPECT_EQ(site.sub, c.sub);
        EXPECT_EQ(site.isAddress, c.address);
        EXPECT_EQ(site.zoneText, c.valid ? "" : "n/a");
    }
}

TEST(SiteUrl, AddressesFallWithinRangesPartByPart)
{
    struct Case {
        const char* address;
        const char* range;
        bool inside;
    };
    const Case cases[] = {
        {"10.0.0.15", "10.0.0.1-20", true},  {"10.0.0.21", "10.0.0.1-20", false},
        {"10.0.0.1", "10.0.0.1-20", true},   {"10.0.0.20", "10.0.0.1-20", true},
        {"192.168.1.7", "192.168.1.*", true}, {"192.168.2.7", "192.168.1.*", false},
        {"10.0.0.01", "10.0.0.1", true},     {"10.0.0", "10.0.0.*", false},
        {"10.0.0.1-20", "10.0.0.1-20", true}, {"10.0.0.x", "10.0.0.1-20", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AddressInRange(c.address, c.range), c.inside) << c.address << " in " << c.range;
}

TEST(SiteUrl, MaskSuggestionsWildcardHostsButNotAddresses)
{
    auto suggestion = [](std::string mask, std::string domain, bool one = true) {
        SiteInfo site;
        site.maskText = std::move(mask);
        site.domain = std::move(domain);
        return MaskSuggestion(site, one);
    };
    EXPECT_EQ(suggestion("", "example.com"), "*.example.com");
    EXPECT_EQ(suggestion("*.example.com", "example.com"), "*.example.com");
    EXPECT_EQ(suggestion("http://shop.example.com", "example.com"), "http://*.shop.example.com");
    EXPECT_EQ(suggestion("https://*.example.com", "example.com"), "https://*.example.com");
    EXPECT_EQ(suggestion("", "10.0.0.5"), "10.0.0.5");
    EXPECT_EQ(suggestion("http://10.0.0.1-20", "10.0.0.5"), "http://10.0.0.1-20");
    EXPECT_EQ(suggestion("", ""), "");
    EXPECT_EQ(suggestion("", "example.com", false), "");
    EXPECT_EQ(trimmedMask(" \t*.example.com\r\n"), "*.example.com");
}
