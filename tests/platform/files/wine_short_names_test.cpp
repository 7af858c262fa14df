// Wine's short names, as Wine 8's "dir /x" lists them in a prefix it made.

#include "platform/files/wine_short_names.h"

#include <gtest/gtest.h>

using namespace kp::win;

TEST(WineShortNames, LongNamesGetWinesHashedNamesAndShortOnesStay)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Microsoft", "MICR~20J"}, {"INetCache", "INET~ZBK"}, {"INetCookies", "INET~MEH"},
        {"Saved Games", "SAVE~YWG"}, {"Documents", "DOCU~OWL"}, {"Favorites", "FAVO~X2L"},
        {"AppData", "AppData"}, {"History.IE5", "History.IE5"}, {"index.dat", "index.dat"},
    };
    for (const auto& [name, wine] : cases)
        EXPECT_EQ(wineShortName(name), wine) << name;
    // The extension's first three characters follow the hash.
    EXPECT_EQ(wineShortName("Klenzor Report.html").substr(4), "~" + wineShortName("Klenzor Report.html").substr(5, 3) + ".HTM");
}
