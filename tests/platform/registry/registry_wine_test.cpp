// The registry against hives written by real Wine, and Wine reading ours.

#include "platform/registry/hive_document.h"
#include "platform/registry/registry.h"

#include "tests/support/real_wine_prefix.h"
#include "tests/support/wine_prefix.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace kp::win;
using kp::test::readFile;

namespace {

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

// Lines that differ between two texts of the same line count.
std::vector<std::string> changedLines(const std::string& before, const std::string& after)
{
    const auto a = lines(before), b = lines(after);
    std::vector<std::string> changed;
    if (a.size() != b.size())
        return {"line count " + std::to_string(a.size()) + " -> " + std::to_string(b.size())};
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            changed.push_back(b[i]);
    return changed;
}

// The three tests share one prefix.
class WineRegistry : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (kp::test::wineAvailable())
            wine_ = new kp::test::RealWinePrefix;
    }
    static void TearDownTestSuite()
    {
        delete wine_;
        wine_ = nullptr;
    }

    void SetUp() override
    {
        if (!wine_)
            GTEST_SKIP() << "Wine is not installed";
        ASSERT_EQ(wine_->error(), "") << "no Wine prefix";
    }

    // What Wine's reg.exe prints for a key's value, or for all its values.
    std::string query(const std::string& key, const std::string& name = {})
    {
        std::vector<std::string> args {"reg", "query", key};
        if (!name.empty())
            args.insert(args.end(), {"/v", name});
        std::string out;
        kp::test::runWine(prefix(), args, out);
        kp::test::stopWineSession(prefix());
        return out;
    }

    static std::string prefix() { return wine_->path(); }

    static inline kp::test::RealWinePrefix* wine_ = nullptr;
};

} // namespace

TEST_F(WineRegistry, HivesWineWroteSurviveALoadAndSaveByteForByte)
{
    for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
        const std::string text = readFile(prefix() + "/" + name);
        ASSERT_FALSE(text.empty()) << name;
        reg::Document doc;
        EXPECT_EQ(doc.parse(text), reg::Document::Load::Complete) << name;
        EXPECT_TRUE(doc.serialize() == text) << name;
    }
}

TEST_F(WineRegistry, ChangingOneValueChangesOnlyItsLineAndItsKeyStamps)
{
    Registry registry(prefix());
    const std::string userBefore = readFile(prefix() + "/user.reg");
    RegKey colors;
    ASSERT_EQ(registry.openKey(RegRoot::CurrentUser, "Control Panel\\Colors", true, colors), err::SUCCESS);
    ASSERT_EQ(registry.setString(colors, "ActiveBorder", "1 2 3"), err::SUCCESS);
    const auto changed = changedLines(userBefore, readFile(prefix() + "/user.reg"));
    ASSERT_EQ(changed.size(), 3u) << (changed.empty() ? "" : changed[0]);
    EXPECT_TRUE(changed[0].starts_with("[Control Panel\\\\Colors] ")) << changed[0];
    EXPECT_TRUE(changed[1].starts_with("#time=")) << changed[1];
    EXPECT_EQ(changed[2], "\"ActiveBorder\"=\"1 2 3\"");

    const std::string systemBefore = readFile(prefix() + "/system.reg");
    RegKey ie;
    ASSERT_EQ(registry.openKey(RegRoot::LocalMachine, "Software\\Microsoft\\Internet Explorer", true, ie), err::SUCCESS);
    std::string version;
    ASSERT_EQ(registry.queryString(ie, "Version", version), err::SUCCESS);
    EXPECT_EQ(version, "9.11.9600.18376");
    ASSERT_EQ(registry.setString(ie, "Version", "6.0.2900.2180"), err::SUCCESS);
    const auto changedSystem = changedLines(systemBefore, readFile(prefix() + "/system.reg"));
    ASSERT_EQ(changedSystem.size(), 3u);
    EXPECT_EQ(changedSystem[2], "\"Version\"=\"6.0.2900.2180\"");

    EXPECT_NE(query("HKCU\\Control Panel\\Colors", "ActiveBorder").find("1 2 3"), std::string::npos);
    EXPECT_NE(query("HKLM\\Software\\Microsoft\\Internet Explorer", "Version").find("6.0.2900.2180"), std::string::npos);
}

TEST_F(WineRegistry, WineReadsWhatWeWriteAndWeReadWhatWineWrites)
{
    Registry registry(prefix());
    RegKey key;
    ASSERT_EQ(registry.createKey(RegRoot::CurrentUser, "Software\\Kp Interop\\Values", key), err::SUCCESS);
    std::vector<std::uint8_t> blob(100);
    for (std::size_t i = 0; i < blob.size(); ++i)
        blob[i] = static_cast<std::uint8_t>(i * 7);
    registry.beginBatch();
    ASSERT_EQ(registry.setString(key, "sz", "C:\\dir\\\"quoted\" 100%"), err::SUCCESS);
    ASSERT_EQ(registry.setString(key, "expand", "%TEMP%\\kp", regtype::EXPAND_SZ), err::SUCCESS);
    ASSERT_EQ(registry.setValue(key, "multi", regMultiString({"first", "second"})), err::SUCCESS);
    ASSERT_EQ(registry.setDword(key, "dword", 0x2a), err::SUCCESS);
    ASSERT_EQ(registry.setValue(key, "binary", RegValue {regtype::BINARY, blob}), err::SUCCESS);
    ASSERT_EQ(registry.endBatch(), err::SUCCESS);

    const std::string k = "HKCU\\Software\\Kp Interop\\Values";
    const std::string listed = query(k);
    EXPECT_NE(listed.find("sz    REG_SZ    C:\\dir\\\"quoted\" 100%"), std::string::npos) << listed;
    EXPECT_NE(listed.find("expand    REG_EXPAND_SZ    %TEMP%\\kp"), std::string::npos);
    EXPECT_NE(listed.find("multi    REG_MULTI_SZ    first\\0second"), std::string::npos);
    EXPECT_NE(listed.find("dword    REG_DWORD    0x2a"), std::string::npos);
    EXPECT_NE(listed.find("binary    REG_BINARY    00070E151C232A31"), std::string::npos);

    std::string out;
    ASSERT_EQ(kp::test::runWine(prefix(), {"reg", "add", k, "/v", "FromWine", "/t", "REG_SZ", "/d", "hello", "/f"}, out), 0);
    ASSERT_TRUE(kp::test::stopWineSession(prefix()));
    std::string text;
    EXPECT_EQ(registry.queryString(key, "FromWine", text), err::SUCCESS); // reloaded after Wine saved
    EXPECT_EQ(text, "hello");
    EXPECT_EQ(registry.queryString(key, "sz", text), err::SUCCESS);
    EXPECT_EQ(text, "C:\\dir\\\"quoted\" 100%");
    reg::Document doc;
    EXPECT_EQ(doc.parse(readFile(prefix() + "/user.reg")), reg::Document::Load::Complete);
}
