#include "platform/registry/registry.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace kp::win;
using kp::test::readFile;
using kp::test::TempDir;
using kp::test::writeFile;

namespace {

std::string hive(const std::string& root, const std::string& keys)
{
    return "WINE REGISTRY Version 2\n;; All keys relative to " + root + "\n\n#arch=win64\n" + keys;
}

std::string key(const std::string& path)
{
    return "\n[" + path + "] 1700000000\n#time=1da1c4a1b2c3d4e\n";
}

const std::string kSystem = hive("REGISTRY\\\\Machine",
    key("Software\\\\Classes\\\\.htm") + "@=\"htmlfile\"\n" + key("Software\\\\Classes\\\\Wow6432Node\\\\.htm")
        + "#link\n"
          "\"SymbolicLinkValue\"=hex(6):5c,00,52,00,45,00,47,00,49,00,53,00,54,00,52,00,59,\\\n"
          "  00,5c,00,4d,00,61,00,63,00,68,00,69,00,6e,00,65,00,5c,00,53,00,6f,00,66,00,\\\n"
          "  74,00,77,00,61,00,72,00,65,00,5c,00,43,00,6c,00,61,00,73,00,73,00,65,00,73,\\\n"
          "  00,5c,00,2e,00,68,00,74,00,6d,00\n"
        + key("Software\\\\Microsoft\\\\Internet Explorer") + "\"Version\"=\"6.0.2900.2180\"\n"
        + key("System\\\\CurrentControlSet\\\\Hardware Profiles\\\\Current\\\\Software\\\\Fonts")
        + "\"LogPixels\"=dword:00000060\n");

const std::string kUser = hive("REGISTRY\\\\User\\\\S-1-5-21-7-8-9-1001",
    key("Software\\\\Microsoft\\\\Internet Explorer\\\\TypedURLs")
        + "\"url2\"=\"http://b.example/\"\n"
          "\"url1\"=\"http://a.example/?q=\\\"x\\\"\"\n"
        + key("Software\\\\Test")
        + "@=\"default\"\n"
          "\"Dw\"=dword:0000002a\n"
          "\"Exp\"=str(2):\"%USERPROFILE%\\\\x\"\n"
          "\"Multi\"=str(7):\"one\\0two\\0\"\n"
          "\"Bin\"=hex:01,02,ff\n"
          "\"Qw\"=hex(b):01,00,00,00,00,00,00,00\n"
          "\"Uni\"=\"caf\\xe9 \\x65e5\\x672c\"\n"
        + key("Software\\\\Test\\\\Zeta") + key("Software\\\\Test\\\\Alpha") + "\"z\"=\"1\"\n"
        + key("Software\\\\Test\\\\Alpha\\\\Deep"));

const std::string kUserDef
    = hive("REGISTRY\\\\User\\\\.Default", key("Control Panel\\\\Desktop") + "\"Wallpaper\"=\"\"\n");

// A key below a predefined root or an open key.
template <typename Parent>
RegKey open(Registry& r, const Parent& parent, std::string_view path, bool write = false)
{
    RegKey key;
    EXPECT_EQ(r.openKey(parent, path, write, key), err::SUCCESS) << path;
    return key;
}

// The value as text, or "<error>".
std::string text(Registry& r, const RegKey& key, std::string_view name)
{
    std::string out;
    const DWORD e = r.queryString(key, name, out);
    return e ? "<" + std::to_string(e) + ">" : out;
}

DWORD dword(Registry& r, const RegKey& key, std::string_view name)
{
    DWORD out = 0;
    EXPECT_EQ(r.queryDword(key, name, out), err::SUCCESS) << name;
    return out;
}

std::vector<std::string> valueNames(Registry& r, const RegKey& key)
{
    std::vector<std::string> names;
    std::string name;
    RegValue value;
    for (DWORD i = 0; r.enumValue(key, i, name, value) == err::SUCCESS; ++i)
        names.push_back(name);
    return names;
}

std::vector<std::string> subkeyNames(Registry& r, const RegKey& key)
{
    std::vector<std::string> names;
    std::string name;
    for (DWORD i = 0; r.enumKey(key, i, name) == err::SUCCESS; ++i)
        names.push_back(name);
    return names;
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeFile(dir.file("system.reg"), kSystem);
        writeFile(dir.file("user.reg"), kUser);
        writeFile(dir.file("userdef.reg"), kUserDef);
    }

    std::string userReg() const { return readFile(dir.file("user.reg")); }

    // Replaces a hive the way another program does: a new file renamed over it.
    void replaceOutside(const std::string& name, const std::string& text)
    {
        writeFile(dir.file(name + ".new"), text);
        ASSERT_EQ(::rename(dir.file(name + ".new").c_str(), dir.file(name).c_str()), 0);
    }

    TempDir dir;
    Registry registry {dir.path()};
};

} // namespace

TEST_F(RegistryTest, ReadsEveryTypeAsTheAnsiCallsReturnIt)
{
    const RegKey key = open(registry, RegRoot::CurrentUser, "\\software\\TEST");
    const struct {
        const char* name;
        DWORD type;
        std::vector<std::uint8_t> data;
    } values[] = {
        {"", regtype::SZ, {'d', 'e', 'f', 'a', 'u', 'l', 't', 0}},
        {"Multi", regtype::MULTI_SZ, {'o', 'n', 'e', 0, 't', 'w', 'o', 0, 0}},
        {"Bin", regtype::BINARY, {1, 2, 0xff}},
        {"Qw", regtype::QWORD_LE, {1, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& v : values) {
        RegValue read;
        ASSERT_EQ(registry.queryValue(key, v.name, read), err::SUCCESS) << v.name;
        EXPECT_EQ(read.type, v.type) << v.name;
        EXPECT_EQ(read.data, v.data) << v.name;
    }
    RegValue v;
    ASSERT_EQ(registry.queryValue(key, "Multi", v), err::SUCCESS);
    EXPECT_EQ(regValueStrings(v), std::vector<std::string>({"one", "two"}));
    EXPECT_EQ(dword(registry, key, "dw"), 42u);
    EXPECT_EQ(text(registry, key, "Exp"), "%USERPROFILE%\\x");
    EXPECT_EQ(text(registry, key, "Uni"), "caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac");

    EXPECT_EQ(registry.queryValue(key, "missing", v), err::FILE_NOT_FOUND);
    DWORD dw = 0;
    EXPECT_EQ(registry.queryDword(key, "Bin", dw), err::INVALID_DATA);
    RegKey none;
    EXPECT_EQ(registry.openKey(RegRoot::CurrentUser, "Software\\Nope", false, none), err::FILE_NOT_FOUND);
    EXPECT_EQ(registry.queryValue(none, "", v), err::INVALID_HANDLE);
}

TEST_F(RegistryTest, EveryTypeSurvivesAWriteAndAFreshLoad)
{
    const std::vector<std::pair<std::string, RegValue>> values = {
        {"sz", regString("C:\\Program Files\\\"quoted\"\ttab\nline caf\xc3\xa9 \xe6\x97\xa5")},
        {"empty", regString("")},
        {"expand", regString("%TEMP%\\x", regtype::EXPAND_SZ)},
        {"multi", regMultiString({"a", "b c", "\xc3\xa9"})},
        {"dword", regDword(0xdeadbeef)},
        {"binary", RegValue {regtype::BINARY, std::vector<std::uint8_t>(300, 0xab)}},
        {"nobytes", RegValue {regtype::BINARY, {}}},
        {"qword", RegValue {regtype::QWORD_LE, {1, 2, 3, 4, 5, 6, 7, 8}}},
        {"big-endian", RegValue {regtype::DWORD_BE, {0, 0, 1, 0}}},
        {"none", RegValue {regtype::NONE, {9}}},
        {"type 0x4000", RegValue {0x4000, {1}}},
        {"with \"quotes\" and \\", regDword(1)},
    };
    RegKey key;
    bool created = false;
    ASSERT_EQ(registry.createKey(RegRoot::CurrentUser, "Software\\New\\Deeper", key, &created), err::SUCCESS);
    EXPECT_TRUE(created);
    for (const auto& [name, value] : values)
        ASSERT_EQ(registry.setValue(key, name, value), err::SUCCESS) << name;
    Registry fresh(dir.path());
    const RegKey again = open(fresh, RegRoot::CurrentUser, "SOFTWARE\\new\\deeper");
    for (const auto& [name, value] : values) {
        RegValue read;
        ASSERT_EQ(fresh.queryValue(again, name, read), err::SUCCESS) << name;
        EXPECT_EQ(read.type, value.type) << name;
        EXPECT_EQ(read.data, value.data) << name;
    }
    EXPECT_NE(userReg().find("\"dword\"=dword:deadbeef\n"), std::string::npos);
    EXPECT_NE(userReg().find("\"multi\"=str(7):\"a\\0b c\\0\\xe9\\0\"\n"), std::string::npos);
}

TEST_F(RegistryTest, EnumeratesInStoredOrder)
{
    const RegKey typed = open(registry, RegRoot::CurrentUser, "Software\\Microsoft\\Internet Explorer\\TypedURLs");
    EXPECT_EQ(valueNames(registry, typed), std::vector<std::string>({"url2", "url1"}));
    const RegKey test = open(registry, RegRoot::CurrentUser, "Software\\Test", true);
    EXPECT_EQ(subkeyNames(registry, test), std::vector<std::string>({"Zeta", "Alpha"}));
    DWORD subkeys = 0, count = 0;
    ASSERT_EQ(registry.queryInfo(test, subkeys, count), err::SUCCESS);
    EXPECT_EQ(subkeys, 2u);
    EXPECT_EQ(count, 7u);

    // A changed value keeps its place; new names go where Wine would put them.
    ASSERT_EQ(registry.setDword(test, "DW", 7), err::SUCCESS);
    ASSERT_EQ(registry.setDword(test, "Aaa", 1), err::SUCCESS);
    EXPECT_EQ(valueNames(registry, test),
        std::vector<std::string>({"", "Aaa", "Dw", "Exp", "Multi", "Bin", "Qw", "Uni"}));
    std::string name;
    RegValue value;
    EXPECT_EQ(registry.enumValue(test, 8, name, value), err::NO_MORE_ITEMS);
    EXPECT_EQ(registry.enumKey(test, 2, name), err::NO_MORE_ITEMS);
}

TEST_F(RegistryTest, DeletesValuesKeysAndTreesButNotThroughReadOnlyHandles)
{
    const RegKey readOnly = open(registry, RegRoot::CurrentUser, "Software\\Test");
    RegKey child;
    EXPECT_EQ(registry.setDword(readOnly, "Dw", 1), err::ACCESS_DENIED);
    EXPECT_EQ(registry.deleteValue(readOnly, "Dw"), err::ACCESS_DENIED);
    EXPECT_EQ(registry.deleteKey(readOnly, "Zeta"), err::ACCESS_DENIED);
    EXPECT_EQ(registry.deleteTree(readOnly, "Alpha"), err::ACCESS_DENIED);
    EXPECT_EQ(registry.createKey(readOnly, "New", child), err::ACCESS_DENIED);
    EXPECT_EQ(userReg(), kUser);

    const RegKey test = open(registry, RegRoot::CurrentUser, "Software\\Test", true);
    EXPECT_EQ(registry.deleteValue(test, "BIN"), err::SUCCESS);
    EXPECT_EQ(registry.deleteValue(test, "Bin"), err::FILE_NOT_FOUND);
    EXPECT_EQ(userReg().find("\"Bin\""), std::string::npos);
    const RegKey alpha = open(registry, test, "Alpha");
    EXPECT_EQ(registry.deleteKey(test, "Alpha"), err::ACCESS_DENIED); // has a subkey
    EXPECT_EQ(registry.deleteKey(test, "Alpha\\Deep"), err::SUCCESS);
    EXPECT_EQ(registry.deleteKey(test, "Alpha\\Deep"), err::FILE_NOT_FOUND);
    EXPECT_EQ(registry.deleteKey(test, "alpha"), err::SUCCESS);
    RegValue v;
    EXPECT_EQ(registry.queryValue(alpha, "z", v), err::KEY_DELETED);
    EXPECT_EQ(userReg().find("Alpha"), std::string::npos);

    EXPECT_EQ(registry.deleteTree(RegKey(), "x"), err::INVALID_HANDLE);
    EXPECT_EQ(registry.deleteTree(open(registry, RegRoot::CurrentUser, "Software", true), "Test"), err::SUCCESS);
    EXPECT_EQ(registry.queryValue(test, "", v), err::KEY_DELETED);
    EXPECT_EQ(userReg().find("Test"), std::string::npos);
    EXPECT_NE(userReg().find("TypedURLs"), std::string::npos);
    EXPECT_EQ(registry.deleteTree(open(registry, RegRoot::CurrentUser, "", true), ""), err::ACCESS_DENIED);
}

TEST_F(RegistryTest, PredefinedKeysMapOntoTheirHivesAndLinkKeysLeadToTheirTargets)
{
    EXPECT_EQ(registry.userSid(), "S-1-5-21-7-8-9-1001");
    EXPECT_EQ(text(registry, open(registry, RegRoot::ClassesRoot, ".htm"), ""), "htmlfile");
    EXPECT_EQ(text(registry, open(registry, RegRoot::ClassesRoot, "Wow6432Node\\.htm"), ""), "htmlfile");
    EXPECT_EQ(dword(registry, open(registry, RegRoot::CurrentConfig, "Software\\Fonts"), "LogPixels"), 0x60u);
    EXPECT_EQ(text(registry, open(registry, RegRoot::Users, ".DEFAULT\\Control Panel\\Desktop"), "Wallpaper"), "");
    const RegKey users = open(registry, RegRoot::Users, "");
    EXPECT_EQ(subkeyNames(registry, users), std::vector<std::string>({".DEFAULT", "S-1-5-21-7-8-9-1001"}));
    ASSERT_EQ(registry.setDword(open(registry, users, "s-1-5-21-7-8-9-1001\\Software\\Test", true), "Dw", 5),
        err::SUCCESS);
    EXPECT_EQ(dword(registry, open(registry, RegRoot::CurrentUser, "Software\\Test"), "Dw"), 5u);
    RegKey key;
    EXPECT_EQ(registry.openKey(RegRoot::Users, "S-1-5-18", false, key), err::FILE_NOT_FOUND);

    // Writes through HKCR land in system.reg.
    ASSERT_EQ(registry.createKey(RegRoot::ClassesRoot, ".kpx", key), err::SUCCESS);
    ASSERT_EQ(registry.setString(key, "", "kpxfile"), err::SUCCESS);
    EXPECT_NE(readFile(dir.file("system.reg")).find("[Software\\\\Classes\\\\.kpx] "), std::string::npos);

    // Deleting a link key leaves its target.
    const RegKey classes = open(registry, RegRoot::ClassesRoot, "", true);
    EXPECT_EQ(registry.deleteKey(classes, "Wow6432Node\\.htm"), err::SUCCESS);
    EXPECT_EQ(registry.openKey(classes, "Wow6432Node\\.htm", false, key), err::FILE_NOT_FOUND);
    EXPECT_EQ(text(registry, open(registry, classes, ".htm"), ""), "htmlfile");
    EXPECT_EQ(registry.deleteKey(classes, ""), err::ACCESS_DENIED);
}

TEST_F(RegistryTest, MissingHivesReadEmptyAndAreCreatedOnWrite)
{
    ::unlink(dir.file("userdef.reg").c_str());
    Registry r(dir.path());
    RegKey key;
    EXPECT_EQ(r.openKey(RegRoot::Users, ".Default\\Control Panel", false, key), err::FILE_NOT_FOUND);
    ASSERT_EQ(r.createKey(RegRoot::Users, ".Default\\Software\\Kp", key), err::SUCCESS);
    ASSERT_EQ(r.setDword(key, "x", 1), err::SUCCESS);
    const std::string text = readFile(dir.file("userdef.reg"));
    EXPECT_TRUE(text.starts_with(hive("REGISTRY\\\\User\\\\.Default", "\n[Software\\\\Kp] "))) << text;
}

TEST_F(RegistryTest, AnOutsideChangeIsReloadedBeforeTheNextCall)
{
    const RegKey key = open(registry, RegRoot::CurrentUser, "Software\\Test", true);
    EXPECT_EQ(dword(registry, key, "Dw"), 0x2au);
    std::string changed = kUser;
    changed.replace(changed.find("dword:0000002a"), 14, "dword:00000063");
    replaceOutside("user.reg", changed);
    EXPECT_EQ(dword(registry, key, "Dw"), 0x63u);

    // A write applies to the fresh content and keeps the outside change.
    changed.replace(changed.find("\"Bin\"=hex:01,02,ff\n"), 19, "\"Other\"=\"theirs\"\n");
    replaceOutside("user.reg", changed);
    ASSERT_EQ(registry.setString(key, "Mine", "ours"), err::SUCCESS);
    Registry fresh(dir.path());
    const RegKey again = open(fresh, RegRoot::CurrentUser, "Software\\Test");
    EXPECT_EQ(text(fresh, again, "Other"), "theirs");
    EXPECT_EQ(text(fresh, again, "Mine"), "ours");
    EXPECT_EQ(dword(fresh, again, "Dw"), 0x63u);

    // The key removed outside: the handle says so.
    replaceOutside("user.reg", kUserDef);
    RegValue v;
    EXPECT_EQ(registry.queryValue(key, "Dw", v), err::KEY_DELETED);
}

TEST_F(RegistryTest, BatchSavesOnceKeepingOutsideChangesAndAtTheLatestWhenTheRegistryGoes)
{
    RegKey key;
    ASSERT_EQ(registry.createKey(RegRoot::CurrentUser, "Software\\Batch", key), err::SUCCESS);
    const std::string before = userReg();
    registry.beginBatch();
    registry.beginBatch();
    for (int i = 0; i < 500; ++i)
        ASSERT_EQ(registry.setDword(key, "v" + std::to_string(1000 + i), DWORD(i)), err::SUCCESS);
    EXPECT_EQ(registry.endBatch(), err::SUCCESS);
    EXPECT_EQ(userReg(), before); // the inner end does not save
    // Another program writes the hive while the batch is open.
    Registry other(dir.path());
    ASSERT_EQ(other.setString(open(other, RegRoot::CurrentUser, "Software\\Test", true), "Theirs", "kept"),
        err::SUCCESS);
    EXPECT_EQ(registry.endBatch(), err::SUCCESS);
    Registry fresh(dir.path());
    DWORD subkeys = 0, count = 0;
    ASSERT_EQ(fresh.queryInfo(open(fresh, RegRoot::CurrentUser, "Software\\Batch"), subkeys, count), err::SUCCESS);
    EXPECT_EQ(count, 500u);
    EXPECT_EQ(text(fresh, open(fresh, RegRoot::CurrentUser, "Software\\Test"), "Theirs"), "kept");

    const std::string saved = userReg();
    {
        Registry r(dir.path());
        r.beginBatch();
        ASSERT_EQ(r.createKey(RegRoot::CurrentUser, "Software\\Unended", key), err::SUCCESS);
        ASSERT_EQ(r.setDword(key, "x", 1), err::SUCCESS);
        EXPECT_EQ(userReg(), saved);
    }
    EXPECT_NE(userReg().find("[Software\\\\Unended]"), std::string::npos);
}

TEST_F(RegistryTest, AHiveNotFullyUnderstoodIsNeverRewritten)
{
    const std::string damaged = kUser + "\"broken\"=hex:01,0\x01junk\n[Unclosed\n\x7f\x45LF\n";
    writeFile(dir.file("user.reg"), damaged);
    Registry r(dir.path());
    RegKey key = open(r, RegRoot::CurrentUser, "Software\\Test", true);
    EXPECT_EQ(dword(r, key, "Dw"), 0x2au); // what parsed is readable
    EXPECT_EQ(r.setDword(key, "Dw", 1), err::BADDB);
    EXPECT_EQ(r.deleteValue(key, "Dw"), err::BADDB);
    RegKey created;
    EXPECT_EQ(r.createKey(RegRoot::CurrentUser, "Software\\X", created), err::BADDB);
    r.beginBatch();
    EXPECT_EQ(r.setDword(key, "Dw", 1), err::BADDB);
    EXPECT_EQ(r.endBatch(), err::SUCCESS);
    EXPECT_EQ(userReg(), damaged);

    writeFile(dir.file("system.reg"), std::string("\x89PNG\r\n\x1a\n\0\0", 10));
    Registry png(dir.path());
    EXPECT_EQ(png.openKey(RegRoot::LocalMachine, "Software", false, key), err::BADDB);
    EXPECT_EQ(png.createKey(RegRoot::LocalMachine, "Software", key), err::BADDB);
    EXPECT_EQ(readFile(dir.file("system.reg")).size(), 10u);
}

TEST_F(RegistryTest, KeysDeeperThanWindowsAllowsAreRefused)
{
    std::string path = "Software";
    for (int i = 0; i < 511; ++i)
        path += "\\k";
    RegKey key;
    ASSERT_EQ(registry.createKey(RegRoot::CurrentUser, path, key), err::SUCCESS);
    EXPECT_EQ(registry.createKey(key, "one-too-many", key), err::BADKEY);
    Registry fresh(dir.path());
    EXPECT_EQ(fresh.openKey(RegRoot::CurrentUser, path, false, key), err::SUCCESS);
}

TEST_F(RegistryTest, SavesAreAtomicKeepTheModeWaitForTheLockAndFollowALinkedHive)
{
    ASSERT_EQ(::chmod(dir.file("user.reg").c_str(), 0600), 0);
    struct stat before {}, after {};
    ASSERT_EQ(::stat(dir.file("user.reg").c_str(), &before), 0);
    RegKey key;
    ASSERT_EQ(registry.createKey(RegRoot::CurrentUser, "Software\\Test", key), err::SUCCESS);
    ASSERT_EQ(registry.setDword(key, "Dw", 3), err::SUCCESS);
    ASSERT_EQ(::stat(dir.file("user.reg").c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);
    EXPECT_EQ(after.st_mode & 07777, 0600u);

    // Another program holds the lock for a moment: the write waits for it.
    const int fd = ::open(dir.file("user.reg").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    std::thread holder([fd] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::close(fd);
    });
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(registry.createKey(RegRoot::CurrentUser, "Software\\Locked", key), err::SUCCESS);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
    holder.join();

    // A hive that is a symbolic link stays one; its target gets the change.
    ASSERT_EQ(::rename(dir.file("system.reg").c_str(), dir.file("real-system.reg").c_str()), 0);
    ASSERT_EQ(::symlink("real-system.reg", dir.file("system.reg").c_str()), 0);
    Registry linked(dir.path());
    ASSERT_EQ(linked.createKey(RegRoot::LocalMachine, "Software\\Kp", key), err::SUCCESS);
    ASSERT_EQ(linked.setDword(key, "x", 1), err::SUCCESS);
    struct stat st {};
    ASSERT_EQ(::lstat(dir.file("system.reg").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_NE(readFile(dir.file("real-system.reg")).find("[Software\\\\Kp]"), std::string::npos);

    // A save that cannot be written reports it, and the memory copy goes
    // back to what the file holds.
    ASSERT_EQ(::chmod(dir.path().c_str(), 0500), 0);
    if (::access(dir.path().c_str(), W_OK) != 0) {
        key = open(registry, RegRoot::CurrentUser, "Software\\Test", true);
        EXPECT_EQ(registry.setDword(key, "Dw", 4), err::ACCESS_DENIED);
        EXPECT_EQ(dword(registry, key, "Dw"), 3u);
    }
    ::chmod(dir.path().c_str(), 0700);
}
