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

const std::string kSystem =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\Machine\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Software\\\\Classes\\\\.htm] 1700000000\n"
    "#time=1da1c4a1b2c3d4e\n"
    "@=\"htmlfile\"\n"
    "\n"
    "[Software\\\\Classes\\\\Wow6432Node\\\\.htm] 1700000000\n"
    "#time=1da1c4a1b2c3d4e\n"
    "#link\n"
    "\"SymbolicLinkValue\"=hex(6):5c,00,52,00,45,00,47,00,49,00,53,00,54,00,52,00,59,\\\n"
    "  00,5c,00,4d,00,61,00,63,00,68,00,69,00,6e,00,65,00,5c,00,53,00,6f,00,66,00,\\\n"
    "  74,00,77,00,61,00,72,00,65,00,5c,00,43,00,6c,00,61,00,73,00,73,00,65,00,73,\\\n"
    "  00,5c,00,2e,00,68,00,74,00,6d,00\n"
    "\n"
    "[Software\\\\Microsoft\\\\Internet Explorer] 1700000000\n"
    "#time=1da1c4a1b2c3d4e\n"
    "\"Version\"=\"6.0.2900.2180\"\n"
    "\n"
    "[System\\\\CurrentControlSet\\\\Hardware Profiles\\\\Current\\\\Software\\\\Fonts] 1700000000\n"
    "#time=1da1c4a1b2c3d4e\n"
    "\"LogPixels\"=dword:00000060\n";

const std::string kUser =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-7-8-9-1001\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Software\\\\Microsoft\\\\Internet Explorer\\\\TypedURLs] 1700000000\n"
    "#time=1da1c4a1b2c3d4e\n"
    "\"url2\"=\"http://b.example/\"\n"
    "\"url1\"=\"http://a.example/?q=\\\"x\\\"\"\n"
    "\n"
    "[Software\\\\Test] 1700000000\n"
    "#time=1da1c4a1b2c3d4e\n"
    "@=\"default\"\n"
    "\"Dw\"=dword:0000002a\n"
    "\"Exp\"=str(2):\"%USERPROFILE%\\\\x\"\n"
    "\"Multi\"=str(7):\"one\\0two\\0\"\n"
    "\"Bin\"=hex:01,02,ff\n"
    "\"Qw\"=hex(b):01,00,00,00,00,00,00,00\n"
    "\"Uni\"=\"caf\\xe9 \\x65e5\\x672c\"\n"
    "\n"
    "[Software\\\\Test\\\\Zeta] 1700000000\n"
    "#time=1da1c4a1b2c3d4e\n"
    "\n"
    "[Software\\\\Test\\\\Alpha] 1700000000\n"
    "#time=1da1c4a1b2c3d4e\n"
    "\"z\"=\"1\"\n"
    "\n"
    "[Software\\\\Test\\\\Alpha\\\\Deep] 1700000000\n"
    "#time=1da1c4a1b2c3d4e\n";

const std::string kUserDef =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\User\\\\.Default\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Control Panel\\\\Desktop] 1700000000\n"
    "#time=1da1c4a1b2c3d4e\n"
    "\"Wallpaper\"=\"\"\n";

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

} // namespace

TEST_F(RegistryTest, ReadsEveryTypeAsTheAnsiCallsReturnIt)
{
    RegKey key;
    ASSERT_EQ(registry.openKey(RegRoot::CurrentUser, "\\software\\TEST", false, key), err::SUCCESS);
    RegValue v;
    ASSERT_EQ(registry.queryValue(key, "", v), err::SUCCESS);
    EXPECT_EQ(v.type, regtype::SZ);
    EXPECT_EQ(v.data, std::vector<std::uint8_t>({'d', 'e', 'f', 'a', 'u', 'l', 't', 0}));
    DWORD dw = 0;
    EXPECT_EQ(registry.queryDword(key, "dw", dw), err::SUCCESS);
    EXPECT_EQ(dw, 42u);
    std::string text;
    EXPECT_EQ(registry.queryString(key, "Exp", text), err::SUCCESS);
    EXPECT_EQ(text, "%USERPROFILE%\\x");
    ASSERT_EQ(registry.queryValue(key, "Multi", v), err::SUCCESS);
    EXPECT_EQ(v.type, regtype::MULTI_SZ);
    EXPECT_EQ(regValueStrings(v), std::vector<std::string>({"one", "two"}));
    EXPECT_EQ(v.data.size(), 9u);
    ASSERT_EQ(registry.queryValue(key, "Bin", v), err::SUCCESS);
    EXPECT_EQ(v.type, regtype::BINARY);
    EXPECT_EQ(v.data, std::vector<std::uint8_t>({1, 2, 0xff}));
    ASSERT_EQ(registry.queryValue(key, "Qw", v), err::SUCCESS);
    EXPECT_EQ(v.type, regtype::QWORD_LE);
    EXPECT_EQ(v.data.size(), 8u);
    EXPECT_EQ(registry.queryString(key, "Uni", text), err::SUCCESS);
    EXPECT_EQ(text, "caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac");

    EXPECT_EQ(registry.queryValue(key, "missing", v), err::FILE_NOT_FOUND);
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
    RegKey again;
    ASSERT_EQ(fresh.openKey(RegRoot::CurrentUser, "SOFTWARE\\new\\deeper", false, again), err::SUCCESS);
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
    RegKey key;
    ASSERT_EQ(registry.openKey(RegRoot::CurrentUser, "Software\\Microsoft\\Internet Explorer\\TypedURLs", false, key),
        err::SUCCESS);
    EXPECT_EQ(valueNames(registry, key), std::vector<std::string>({"url2", "url1"}));
    RegKey test;
    ASSERT_EQ(registry.openKey(RegRoot::CurrentUser, "Software\\Test", true, test), err::SUCCESS);
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

TEST_F(RegistryTest, DeletesValuesKeysAndTrees)
{
    RegKey test;
    ASSERT_EQ(registry.openKey(RegRoot::CurrentUser, "Software\\Test", true, test), err::SUCCESS);
    EXPECT_EQ(registry.deleteValue(test, "BIN"), err::SUCCESS);
    EXPECT_EQ(registry.deleteValue(test, "Bin"), err::FILE_NOT_FOUND);
    EXPECT_EQ(userReg().find("\"Bin\""), std::string::npos);

    RegKey alpha;
    ASSERT_EQ(registry.openKey(test, "Alpha", false, alpha), err::SUCCESS);
    EXPECT_EQ(registry.deleteKey(test, "Alpha"), err::ACCESS_DENIED); // has a subkey
    EXPECT_EQ(registry.deleteKey(test, "Alpha\\Deep"), err::SUCCESS);
    EXPECT_EQ(registry.deleteKey(test, "Alpha\\Deep"), err::FILE_NOT_FOUND);
    EXPECT_EQ(registry.deleteKey(test, "alpha"), err::SUCCESS);
    RegValue v;
    EXPECT_EQ(registry.queryValue(alpha, "z", v), err::KEY_DELETED);
    EXPECT_EQ(userReg().find("Alpha"), std::string::npos);

    EXPECT_EQ(registry.deleteTree(RegKey(), "x"), err::INVALID_HANDLE);
    RegKey software;
    ASSERT_EQ(registry.openKey(RegRoot::CurrentUser, "Software", true, software), err::SUCCESS);
    EXPECT_EQ(registry.deleteTree(software, "Test"), err::SUCCESS);
    EXPECT_EQ(registry.queryValue(test, "", v), err::KEY_DELETED);
    EXPECT_EQ(userReg().find("Test"), std::string::npos);
    EXPECT_NE(userReg().find("TypedURLs"), std::string::npos);

    RegKey hkcu;
    ASSERT_EQ(registry.openKey(RegRoot::CurrentUser, "", true, hkcu), err::SUCCESS);
    EXPECT_EQ(registry.deleteTree(hkcu, ""), err::ACCESS_DENIED);
}

TEST_F(RegistryTest, ReadOnlyHandlesRefuseEveryWrite)
{
    RegKey key;
    ASSERT_EQ(registry.openKey(RegRoot::CurrentUser, "Software\\Test", false, key), err::SUCCESS);
    EXPECT_FALSE(key.writable());
    RegKey child;
    EXPECT_EQ(registry.setDword(key, "Dw", 1), err::ACCESS_DENIED);
    EXPECT_EQ(registry.deleteValue(key, "Dw"), err::ACCESS_DENIED);
    EXPECT_EQ(registry.deleteKey(key, "Zeta"), err::ACCESS_DENIED);
    EXPECT_EQ(registry.deleteTree(key, "Alpha"), err::ACCESS_DENIED);
    EXPECT_EQ(registry.createKey(key, "New", child), err::ACCESS_DENIED);
    EXPECT_EQ(userReg(), kUser);
}

TEST_F(RegistryTest, PredefinedKeysMapOntoTheirHives)
{
    EXPECT_EQ(registry.userSid(), "S-1-5-21-7-8-9-1001");
    RegKey key;
    std::string text;
    ASSERT_EQ(registry.openKey(RegRoot::ClassesRoot, ".htm", false, key), err::SUCCESS);
    EXPECT_EQ(registry.queryString(key, "", text), err::SUCCESS);
    EXPECT_EQ(text, "htmlfile");
    // A "#link" key leads to its target.
    ASSERT_EQ(registry.openKey(RegRoot::ClassesRoot, "Wow6432Node\\.htm", false, key), err::SUCCESS);
    EXPECT_EQ(registry.queryString(key, "", text), err::SUCCESS);
    EXPECT_EQ(text, "htmlfile");

    DWORD dpi = 0;
    ASSERT_EQ(registry.openKey(RegRoot::CurrentConfig, "Software\\Fonts", false, key), err::SUCCESS);
    EXPECT_EQ(registry.queryDword(key, "LogPixels", dpi), err::SUCCESS);
    EXPECT_EQ(dpi, 0x60u);

    ASSERT_EQ(registry.openKey(RegRoot::Users, ".DEFAULT\\Control Panel\\Desktop", false, key), err::SUCCESS);
    EXPECT_EQ(registry.queryString(key, "Wallpaper", text), err::SUCCESS);
    RegKey users;
    ASSERT_EQ(registry.openKey(RegRoot::Users, "", false, users), err::SUCCESS);
    EXPECT_EQ(subkeyNames(registry, users), std::vector<std::string>({".DEFAULT", "S-1-5-21-7-8-9-1001"}));
    RegKey viaUsers;
    ASSERT_EQ(registry.openKey(users, "s-1-5-21-7-8-9-1001\\Software\\Test", true, viaUsers), err::SUCCESS);
    ASSERT_EQ(registry.setDword(viaUsers, "Dw", 5), err::SUCCESS);
    DWORD dw = 0;
    ASSERT_EQ(registry.openKey(RegRoot::CurrentUser, "Software\\Test", false, key), err::SUCCESS);
    EXPECT_EQ(registry.queryDword(key, "Dw", dw), err::SUCCESS);
    EXPECT_EQ(dw, 5u);
    EXPECT_EQ(registry.openKey(RegRoot::Users, "S-1-5-18", false, key), err::FILE_NOT_FOUND);

    // Writes through HKCR land in system.reg.
    RegKey cls;
    ASSERT_EQ(registry.createKey(RegRoot::ClassesRoot, ".kpx", cls), err::SUCCESS);
    ASSERT_EQ(registry.setString(cls, "", "kpxfile"), err::SUCCESS);
    EXPECT_NE(readFile(dir.file("system.reg")).find("[Software\\\\Classes\\\\.kpx] "), std::string::npos);
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
    EXPECT_EQ(text.rfind("WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\.Default\n\n#arch=win64\n\n"
                         "[Software\\\\Kp] ",
                  0),
        0u)
        << text;
}

TEST_F(RegistryTest, AnOutsideChangeIsReloadedBeforeTheNextCall)
{
    RegKey key;
    ASSERT_EQ(registry.openKey(RegRoot::CurrentUser, "Software\\Test", true, key), err::SUCCESS);
    DWORD dw = 0;
    ASSERT_EQ(registry.queryDword(key, "Dw", dw), err::SUCCESS);

    std::string changed = kUser;
    changed.replace(changed.find("dword:0000002a"), 14, "dword:00000063");
    replaceOutside("user.reg", changed);
    EXPECT_EQ(registry.queryDword(key, "Dw", dw), err::SUCCESS);
    EXPECT_EQ(dw, 0x63u);

    // A write applies to the fresh content and keeps the outside change.
    changed.replace(changed.find("\"Bin\"=hex:01,02,ff\n"), 19, "\"Other\"=\"theirs\"\n");
    replaceOutside("user.reg", changed);
    ASSERT_EQ(registry.setString(key, "Mine", "ours"), err::SUCCESS);
    Registry fresh(dir.path());
    RegKey again;
    ASSERT_EQ(fresh.openKey(RegRoot::CurrentUser, "Software\\Test", false, again), err::SUCCESS);
    std::string text;
    EXPECT_EQ(fresh.queryString(again, "Other", text), err::SUCCESS);
    EXPECT_EQ(fresh.queryString(again, "Mine", text), err::SUCCESS);
    EXPECT_EQ(fresh.queryDword(again, "Dw", dw), err::SUCCESS);
    EXPECT_EQ(dw, 0x63u);

    // The key removed outside: the handle says so.
    replaceOutside("user.reg", kUserDef);
    RegValue v;
    EXPECT_EQ(registry.queryValue(key, "Dw", v), err::KEY_DELETED);
}

TEST_F(RegistryTest, BatchSavesOnceAndKeepsOutsideChangesMadeMeanwhile)
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
    RegKey theirs;
    ASSERT_EQ(other.openKey(RegRoot::CurrentUser, "Software\\Test", true, theirs), err::SUCCESS);
    ASSERT_EQ(other.setString(theirs, "Theirs", "kept"), err::SUCCESS);

    EXPECT_EQ(registry.endBatch(), err::SUCCESS);
    Registry fresh(dir.path());
    RegKey a, b;
    ASSERT_EQ(fresh.openKey(RegRoot::CurrentUser, "Software\\Batch", false, a), err::SUCCESS);
    ASSERT_EQ(fresh.openKey(RegRoot::CurrentUser, "Software\\Test", false, b), err::SUCCESS);
    DWORD subkeys = 0, count = 0;
    ASSERT_EQ(fresh.queryInfo(a, subkeys, count), err::SUCCESS);
    EXPECT_EQ(count, 500u);
    std::string text;
    EXPECT_EQ(fresh.queryString(b, "Theirs", text), err::SUCCESS);
}

TEST_F(RegistryTest, AHiveNotFullyUnderstoodIsNeverRewritten)
{
    const std::string damaged = kUser + "\"broken\"=hex:01,0\x01junk\n[Unclosed\n\x7f\x45LF\n";
    writeFile(dir.file("user.reg"), damaged);
    Registry r(dir.path());
    RegKey key;
    ASSERT_EQ(r.openKey(RegRoot::CurrentUser, "Software\\Test", true, key), err::SUCCESS);
    DWORD dw = 0;
    EXPECT_EQ(r.queryDword(key, "Dw", dw), err::SUCCESS); // what parsed is readable
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

TEST_F(RegistryTest, SavesReplaceTheFileAtomicallyKeepingItsMode)
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

    // A save that cannot be written reports it, and the memory copy goes
    // back to what the file holds.
    ASSERT_EQ(::chmod(dir.path().c_str(), 0500), 0);
    const bool privileged = ::access(dir.path().c_str(), W_OK) == 0;
    if (!privileged) {
        EXPECT_EQ(registry.setDword(key, "Dw", 4), err::ACCESS_DENIED);
        DWORD dw = 0;
        EXPECT_EQ(registry.queryDword(key, "Dw", dw), err::SUCCESS);
        EXPECT_EQ(dw, 3u);
    }
    ::chmod(dir.path().c_str(), 0700);
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

TEST_F(RegistryTest, WritesWaitForTheHiveLockAndFollowALinkedHive)
{
    // Another program holds the lock for a moment: the write waits for it.
    const int fd = ::open(dir.file("user.reg").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    std::thread holder([fd] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::close(fd);
    });
    RegKey key;
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
}

TEST_F(RegistryTest, DeletingALinkKeyLeavesItsTarget)
{
    RegKey classes;
    ASSERT_EQ(registry.openKey(RegRoot::ClassesRoot, "", true, classes), err::SUCCESS);
    EXPECT_EQ(registry.deleteKey(classes, "Wow6432Node\\.htm"), err::SUCCESS);
    RegKey key;
    EXPECT_EQ(registry.openKey(classes, "Wow6432Node\\.htm", false, key), err::FILE_NOT_FOUND);
    std::string text;
    ASSERT_EQ(registry.openKey(classes, ".htm", false, key), err::SUCCESS);
    EXPECT_EQ(registry.queryString(key, "", text), err::SUCCESS);
    EXPECT_EQ(registry.deleteKey(classes, ""), err::ACCESS_DENIED);
}

TEST_F(RegistryTest, ABatchLeftOpenIsSavedWhenTheRegistryGoes)
{
    {
        Registry r(dir.path());
        RegKey key;
        r.beginBatch();
        ASSERT_EQ(r.createKey(RegRoot::CurrentUser, "Software\\Unended", key), err::SUCCESS);
        ASSERT_EQ(r.setDword(key, "x", 1), err::SUCCESS);
        EXPECT_EQ(userReg(), kUser);
    }
    EXPECT_NE(userReg().find("[Software\\\\Unended]"), std::string::npos);
}
