// The platform's short names are Wine's: checked against names Wine 8's
// "dir /x" listed, and against real Wine in a prefix both use.

#include "platform/files/wine_short_names.h"

#include "platform/files/file_system.h"
#include "platform/files/text_file.h"
#include "platform/machine.h"
#include "tests/support/real_wine_prefix.h"
#include "tests/support/wine_prefix.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

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

namespace {

// The short-name column of "dir /x" for each listed long name ("" where
// Wine shows none). Names Wine prints in another code page are left out.
std::map<std::string, std::string> dirShortNames(const std::string& output, const std::vector<std::string>& names)
{
    std::map<std::string, std::string> shorts;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        for (const std::string& name : names) {
            if (line.size() <= name.size() || line.compare(line.size() - name.size(), name.size(), name) != 0
                || line[line.size() - name.size() - 1] != ' ')
                continue;
            std::istringstream before(line.substr(0, line.size() - name.size()));
            std::string token, last;
            while (before >> token)
                last = token;
            shorts[name] = last.find('~') != std::string::npos ? last : std::string();
        }
    }
    return shorts;
}

} // namespace

using WineShortNamesInterop = kp::test::RealWinePrefixTest;

TEST_F(WineShortNamesInterop, OurShortNamesAreTheOnesWineListsAndOpens)
{
    std::unique_ptr<Machine> machine;
    ASSERT_EQ(Machine::open(prefix, machine), err::SUCCESS);
    FileSystem fs(*machine);
    ASSERT_EQ(fs.createDirectory("C:\\kp"), err::SUCCESS);
    const std::vector<std::string> names = {
        "Microsoft", "Program Files", "Temporary Internet Files", "Local Settings", // long, spaces
        "index.dat", "README.TXT", "AppData", "Ab~cd.t", // already 8.3
        "page.html", "a.b.c.txt", "x.y z", "archive.tar.gz", "Report 2024.v2.html", ".hidden.txt", "..twodots", // dots
        "klenzor pro.exe", "lower case name", "abcdefghi", "abc.defg", // lower case, just too long
        "a+b.txt", "x=y;z", "[brackets],", // characters a short name may not hold
    };
    const std::vector<std::string> nonAscii = {"caf\xc3\xa9 menu", "\xc3\x89" "COLE", "\xc3\x9cml\xc3\xa4ut.txt",
        "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e.doc"};
    std::map<std::string, std::string> ours;
    for (const auto* list : {&names, &nonAscii}) {
        for (const std::string& name : *list) {
            ASSERT_EQ(writeTextFile(*machine, "C:\\kp\\" + name, name), err::SUCCESS) << name;
            std::string shortPath;
            ASSERT_EQ(fs.shortPathName("C:\\kp\\" + name, shortPath), err::SUCCESS) << name;
            ours[name] = shortPath.substr(6);
        }
    }
    // Two names Wine's hash gives one short name: Wine opens the first the
    // folder lists, and so do we.
    std::map<std::string, std::string> byShort;
    std::string first, second;
    for (int i = 0; second.empty(); ++i) {
        const std::string name = "Collide " + std::to_string(i);
        auto [it, added] = byShort.emplace(wineShortName(name), name);
        if (!added) {
            first = it->second;
            second = name;
        }
    }
    ASSERT_EQ(writeTextFile(*machine, "C:\\kp\\" + first, first), err::SUCCESS);
    ASSERT_EQ(writeTextFile(*machine, "C:\\kp\\" + second, second), err::SUCCESS);
    const std::string clash = wineShortName(first);
    std::string oursOpens;
    ASSERT_EQ(readTextFile(*machine, "C:\\kp\\" + clash, oursOpens), err::SUCCESS);

    std::string listing, wineOpens;
    const int status = kp::test::runWine(prefix, {"cmd", "/c", "dir /x /a C:\\kp"}, listing);
    ASSERT_EQ(status, 0) << listing;
    kp::test::runWine(prefix, {"cmd", "/c", "type C:\\kp\\" + clash}, wineOpens);
    EXPECT_EQ(oursOpens, wineOpens) << clash;

    const std::map<std::string, std::string> wine = dirShortNames(listing, names);
    for (const std::string& name : names) {
        const std::string expected = ours[name] == name ? std::string() : ours[name];
        ASSERT_TRUE(wine.count(name)) << name << " not listed:\n" << listing;
        EXPECT_EQ(wine.at(name), expected) << name;
    }
    for (const std::string& name : nonAscii)
        EXPECT_NE(listing.find(" " + ours[name] + " "), std::string::npos) << name << ": " << ours[name] << "\n" << listing;
}
