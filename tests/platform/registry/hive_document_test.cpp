#include "platform/registry/hive_document.h"

#include <gtest/gtest.h>

using namespace kp::win;
using namespace kp::win::reg;

namespace {

constexpr const char* kHive =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-1-2-3-1000\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Software\\\\Alpha] 1700000000\n"
    "#time=1da1c4a1b2c3d4e\n"
    "#class=\"Shell\"\n"
    "\"b\"=\"two\"\n"
    "\"a\"=\"one\\\\\\\"q\\\"\\n\\x3a9\\0x\"\n"
    ";; a comment kept\n"
    "\"bin\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\n"
    "  17,18,19\n"
    "#unknown option\n"
    "\n"
    "[Software\\\\Alpha\\\\Sub\\[x\\]] 1700000001\n"
    "#time=1da1c4a1b2c3d4f\n"
    "#link\n"
    "\"SymbolicLinkValue\"=hex(6):5c,00\n"
    "\n"
    "[Software\\\\Beta] 1700000002\n"
    "#time=1da1c4a1b2c3d50\n"
    "@=str(2):\"%TEMP%\"\n";

const Stamp kStamp {1800000000, 0x1dc0000deadbeefULL};

std::vector<std::uint8_t> utf16(std::u16string_view text)
{
    std::vector<std::uint8_t> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

class ParsedHive : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(doc.parse(kHive), Document::Load::Complete); }

    Document doc;
};

} // namespace

TEST_F(ParsedHive, ParsesKeysValuesAndEscapesLikeWine)
{
    EXPECT_EQ(doc.rootPath(), "REGISTRY\\User\\S-1-5-21-1-2-3-1000");

    Node* alpha = doc.find({"software", "ALPHA"});
    ASSERT_NE(alpha, nullptr);
    ASSERT_EQ(alpha->values.size(), 3u);
    EXPECT_EQ(alpha->values[0].value().name, "b"); // file order, not name order
    const ValueSlot* a = doc.findValue(*alpha, "A");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->value().data, utf16(std::u16string(u"one\\\"q\"\n\u03a9\0x\0", 12)));
    const ValueSlot* bin = doc.findValue(*alpha, "bin");
    ASSERT_NE(bin, nullptr);
    EXPECT_EQ(bin->value().type, regtype::BINARY);
    EXPECT_EQ(bin->value().data.size(), 26u);

    Node* sub = doc.find({"Software", "Alpha", "Sub[x]"});
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(sub->link);
    Node* beta = doc.find({"Software", "Beta"});
    ASSERT_NE(beta, nullptr);
    EXPECT_EQ(beta->values[0].value().type, regtype::EXPAND_SZ);
    EXPECT_EQ(doc.root().children.size(), 1u); // "Software" exists only through its subkeys
}

TEST_F(ParsedHive, ChangingAValueRewritesOnlyItsLineAndTheKeyStamps)
{
    doc.setValue(*doc.find({"Software", "Beta"}), "", regtype::SZ, utf16(std::u16string(u"new\0", 4)), kStamp);

    const std::string before = "[Software\\\\Beta] 1700000002\n#time=1da1c4a1b2c3d50\n@=str(2):\"%TEMP%\"\n";
    std::string expected = kHive;
    expected.replace(expected.find(before), before.size(), "[Software\\\\Beta] 1800000000\n#time=1dc0000deadbeef\n@=\"new\"\n");
    EXPECT_EQ(doc.serialize(), expected);
}

TEST_F(ParsedHive, NewKeysAndValuesAreWrittenWhereAndAsWineWritesThem)
{
    bool created = false;
    Node& software = *doc.find({"Software"});
    Node& gamma = doc.ensureChild(software, "Amma", kStamp, created);
    ASSERT_TRUE(created);
    doc.setValue(gamma, "d", regtype::DWORD_LE, {0x2a, 0, 0, 0}, kStamp);
    doc.setValue(gamma, "q\"", regtype::MULTI_SZ, utf16(std::u16string(u"x\0y\0\0", 5)), kStamp);
    doc.setValue(gamma, "c", regtype::QWORD_LE, {1, 2, 3, 4, 5, 6, 7, 8}, kStamp);
    const std::string text = doc.serialize();

    const std::string block = "\n[Software\\\\Amma] 1800000000\n#time=1dc0000deadbeef\n"
                              "\"c\"=hex(b):01,02,03,04,05,06,07,08\n"
                              "\"d\"=dword:0000002a\n"
                              "\"q\\\"\"=str(7):\"x\\0y\\0\"\n";
    const auto at = text.find(block);
    ASSERT_NE(at, std::string::npos) << text;
    EXPECT_LT(at, text.find("[Software\\\\Beta]"));
    EXPECT_GT(at, text.find("[Software\\\\Alpha\\\\Sub"));
}

TEST(RegDocument, FormatsValuesExactlyAsWine)
{
    // Long binary data wraps after 76 columns; characters outside ASCII
    // become \x escapes, padded when a hex digit follows.
    std::vector<std::uint8_t> bytes(40);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i);
    EXPECT_EQ(regtext::formatValue("FilterData", regtype::BINARY, bytes),
        "\"FilterData\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,\\\n"
        "  14,15,16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27\n");
    EXPECT_EQ(regtext::formatValue("n", regtype::SZ, utf16(std::u16string(u"\u00e9a\u00e9z\t\x01" "7\0", 8))),
        "\"n\"=\"\\x00e9a\\xe9z\\t\\0017\"\n");
    EXPECT_EQ(regtext::formatValue("", regtype::SZ, {0x41, 0}), "@=hex(1):41,00\n"); // not NUL-terminated UTF-16
    EXPECT_EQ(regtext::formatValue("e", regtype::DWORD_LE, {1, 2}), "\"e\"=hex(4):01,02\n");
}

TEST_F(ParsedHive, DeletingKeysTakesTheirSectionsAndSubkeys)
{
    doc.removeKey(*doc.find({"Software", "Alpha"}), kStamp);
    EXPECT_EQ(doc.find({"Software", "Alpha", "Sub[x]"}), nullptr);
    const std::string text = doc.serialize();
    EXPECT_EQ(text.find("Alpha"), std::string::npos);
    EXPECT_EQ(text, "WINE REGISTRY Version 2\n"
                    ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-1-2-3-1000\n\n#arch=win64\n\n"
                    "[Software\\\\Beta] 1700000002\n#time=1da1c4a1b2c3d50\n@=str(2):\"%TEMP%\"\n");
}

TEST(RegDocument, MalformedInputLoadsWhatItCanAndSaysSo)
{
    struct Case {
        const char* what;
        std::string text;
        Document::Load expected;
    };
    const std::string head = "WINE REGISTRY Version 2\n\n[K] 1\n\"good\"=\"1\"\n";
    std::string deepPath = "a";
    for (int i = 0; i < 100000; ++i)
        deepPath += "\\\\a";
    const Case cases[] = {
        {"no signature", "REGEDIT4\n[K]\n", Document::Load::NotRegistry},
        {"empty file", "", Document::Load::NotRegistry},
        {"unterminated string", head + "\"s\"=\"abc\n", Document::Load::Partial},
        {"escape at the end", head + "\"s\"=\"abc\\", Document::Load::Partial},
        {"hex continued past the end", head + "\"h\"=hex:01,02,\\\n", Document::Load::Partial},
        {"bad hex digit", head + "\"h\"=hex:01,zz\n", Document::Load::Partial},
        {"bad dword", head + "\"d\"=dword:xyz\n", Document::Load::Partial},
        {"unknown type", head + "\"d\"=weird:1\n", Document::Load::Partial},
        {"unclosed key", head + "[Open\\\\Key 5\n\"x\"=\"1\"\n", Document::Load::Partial},
        {"value before any key", "WINE REGISTRY Version 2\n\"x\"=\"1\"\n", Document::Load::Partial},
        {"binary junk", head + std::string("\x01\xff\0\x7f junk\n", 10), Document::Load::Partial},
        {"empty key component", head + "[A\\\\\\\\B] 1\n", Document::Load::Partial},
        {"key nested too deep", head + "[" + deepPath + "] 1\n", Document::Load::Partial},
    };
    for (const Case& c : cases) {
        Document doc;
        EXPECT_EQ(doc.parse(c.text), c.expected) << c.what;
        if (c.expected == Document::Load::Partial) {
            EXPECT_EQ(doc.serialize(), c.text) << c.what; // nothing dropped from the text
        }
        if (c.text.find("[K]") != std::string::npos && c.expected == Document::Load::Partial) {
            Node* k = doc.find({"K"});
            ASSERT_NE(k, nullptr) << c.what;
            EXPECT_NE(doc.findValue(*k, "good"), nullptr) << c.what;
        }
    }
}

TEST(RegDocument, LaterDuplicateValueWinsAndDeletingRemovesAllCopies)
{
    Document doc;
    ASSERT_EQ(doc.parse("WINE REGISTRY Version 2\n\n[K] 1\n\"v\"=\"old\"\n\"V\"=\"new\"\n"), Document::Load::Complete);
    Node& k = *doc.find({"K"});
    ASSERT_EQ(k.values.size(), 1u);
    EXPECT_EQ(doc.findValue(k, "v")->value().data, utf16(std::u16string(u"new\0", 4)));
    EXPECT_TRUE(doc.deleteValue(k, "v", kStamp));
    Document again;
    again.parse(doc.serialize());
    EXPECT_EQ(again.findValue(*again.find({"K"}), "v"), nullptr);
}
