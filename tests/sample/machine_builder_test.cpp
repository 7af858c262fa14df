#include "sample/builder/machine_builder.h"

#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "tests/support/built_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace kp::win;
using kp::sample::MachineSpec;
using kp::test::BuiltMachine;

namespace {

const std::string kProfile = "C:\\Documents and Settings\\Owner";

std::vector<std::string> names(const std::string& hostDir)
{
    std::vector<std::string> out;
    if (DIR* dir = ::opendir(hostDir.c_str())) {
        while (dirent* e = ::readdir(dir))
            if (std::string_view(e->d_name) != "." && std::string_view(e->d_name) != "..")
                out.emplace_back(e->d_name);
        ::closedir(dir);
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string dosAttrib(const std::string& path)
{
    char buffer[32] = {};
    ssize_t n = ::lgetxattr(path.c_str(), "user.DOSATTRIB", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, std::size_t(n)) : std::string();
}

// Every entry below `dir`: kind, size, time stamp (files only: a folder's own
// time is the moment of the build), attributes and content.
void describeTree(const std::string& dir, const std::string& relative, std::map<std::string, std::string>& out)
{
    for (const std::string& name : names(dir)) {
        std::string path = dir + "/" + name;
        struct stat st {};
        ::lstat(path.c_str(), &st);
        std::string key = relative + "/" + name;
        if (S_ISLNK(st.st_mode)) {
            char target[256] = {};
            ::readlink(path.c_str(), target, sizeof target - 1);
            out[key] = std::string("link ") + target;
        } else if (S_ISDIR(st.st_mode)) {
            out[key] = "dir " + dosAttrib(path);
            describeTree(path, key, out);
        } else if (name.ends_with(".reg")) {
            out[key] = "hive"; // compared through the registry below
        } else {
            out[key] = "file " + std::to_string(st.st_size) + " " + std::to_string(st.st_mtime) + " "
                + std::to_string(st.st_mode & 0777) + " " + dosAttrib(path) + " " + readAll(path);
        }
    }
}

void dumpKey(Registry& reg, const RegKey& key, const std::string& path, std::ostringstream& out)
{
    std::string name;
    RegValue value;
    for (DWORD i = 0; reg.enumValue(key, i, name, value) == err::SUCCESS; ++i)
        out << path << " [" << name << "] " << value.type << " "
            << std::string(value.data.begin(), value.data.end()) << "\n";
    std::vector<std::string> subkeys;
    for (DWORD i = 0; reg.enumKey(key, i, name) == err::SUCCESS; ++i)
        subkeys.push_back(name);
    for (const std::string& sub : subkeys) {
        RegKey child;
        if (reg.openKey(key, sub, false, child) == err::SUCCESS)
            dumpKey(reg, child, path + "\\" + sub, out);
    }
}

std::string dumpRegistry(Machine& m)
{
    std::ostringstream out;
    for (auto [root, name] : {std::pair {RegRoot::LocalMachine, "HKLM"}, std::pair {RegRoot::CurrentUser, "HKCU"}}) {
        RegKey key;
        if (m.registry().openKey(root, "", false, key) == err::SUCCESS)
            dumpKey(m.registry(), key, name, out);
    }
    return out.str();
}

std::string text(Machine& m, RegRoot root, const std::string& key, const std::string& name)
{
    RegKey k;
    std::string out;
    if (m.registry().openKey(root, key, false, k) || m.registry().queryString(k, name, out))
        return "<missing>";
    return out;
}

int runCapture(const std::string& command, std::string& output)
{
    output.clear();
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, n);
    int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(MachineBuilder, WritesTheXpLayout)
{
    BuiltMachine built;
    ASSERT_TRUE(built.ok());
    for (const std::string& folder :
         {kProfile + "\\Desktop", kProfile + "\\My Documents", kProfile + "\\Application Data", kProfile + "\\Cookies",
          kProfile + "\\Recent", kProfile + "\\SendTo", kProfile + "\\Start Menu\\Programs\\Startup",
          kProfile + "\\Local Settings\\Temp", kProfile + "\\Application Data\\Microsoft\\Internet Explorer\\UserData",
          std::string("C:\\Documents and Settings\\All Users\\Desktop"), std::string("C:\\WINDOWS\\TEMP"),
          std::string("C:\\Program Files")}) {
        struct stat st {};
        EXPECT_TRUE(::stat(built.hostPath(folder).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) << folder;
    }
    EXPECT_EQ(names(built.prefixDir() + "/dosdevices"), (std::vector<std::string> {"c:", "z:"}));

    const std::string content = built.hostPath(kProfile + "\\Local Settings\\Temporary Internet Files\\Content.IE5");
    int subfolders = 0;
    for (const std::string& name : names(content)) {
        if (name == "desktop.ini" || name == "index.dat")
            continue;
        ++subfolders;
        EXPECT_EQ(name.size(), 8u) << name;
    }
    EXPECT_EQ(subfolders, 4);
    std::vector<std::string> days = names(built.hostPath(kProfile + "\\Local Settings\\History\\History.IE5"));
    ASSERT_EQ(days.size(), 7u); // five days, desktop.ini and index.dat
    EXPECT_EQ(days[4], "MSHist012026120620261207") << "today's folder, from the recipe's fixed now";
    EXPECT_EQ(dosAttrib(content + "/desktop.ini"), "0x6");
}

TEST(MachineBuilder, WritesTheRegistry)
{
    BuiltMachine built;
    ASSERT_TRUE(built.ok());
    Machine& m = built.machine();
    const std::string settings = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    EXPECT_EQ(text(m, RegRoot::LocalMachine, "Software\\Microsoft\\Internet Explorer", "Version"), "6.0.2900.2180");
    EXPECT_EQ(text(m, RegRoot::CurrentUser, "Software\\Microsoft\\Internet Explorer\\TypedURLs", "url1").substr(0, 11),
              "http://www.");
    EXPECT_EQ(text(m, RegRoot::CurrentUser, "Software\\Microsoft\\MSN6\\Users\\owner@msn.com\\TypedURLs", "MRUList"),
              "cba");
    EXPECT_EQ(text(m, RegRoot::LocalMachine,
                   "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Klenzor Pro - #.##_is1",
                   "Inno Setup: App Path"),
              "C:\\Program Files\\Klenzor Pro");
    EXPECT_EQ(text(m, RegRoot::CurrentUser, settings + "\\Zones\\2", "DisplayName"), "Trusted sites");
    EXPECT_EQ(text(m, RegRoot::CurrentUser, settings + "\\ZoneMap\\Ranges\\Range1", ":Range"), "192.168.1.*");
    EXPECT_EQ(text(m, RegRoot::CurrentUser, settings + "\\5.0\\Cache\\Extensible Cache\\UserData", "CachePath"),
              "%USERPROFILE%\\Application Data\\Microsoft\\Internet Explorer\\UserData");

    RegKey p3p;
    ASSERT_EQ(m.registry().openKey(RegRoot::CurrentUser, settings + "\\P3P\\History", false, p3p), err::SUCCESS);
    DWORD subkeys = 0, values = 0;
    ASSERT_EQ(m.registry().queryInfo(p3p, subkeys, values), err::SUCCESS);
    EXPECT_EQ(subkeys, 4u);

    // Form items have no "/" in their names, password items do.
    RegKey items;
    const std::string type = "e161255a-37c3-11d2-bcaa-00c04fd929db";
    ASSERT_EQ(m.registry().openKey(RegRoot::CurrentUser,
                                   "Software\\Microsoft\\Protected Storage System Provider\\S-1-5-21-0-0-0-1000\\Data\\"
                                       + type + "\\" + type,
                                   false, items),
              err::SUCCESS);
    int forms = 0, passwords = 0;
    std::string name;
    for (DWORD i = 0; m.registry().enumKey(items, i, name) == err::SUCCESS; ++i)
        (name.find('/') == std::string::npos ? forms : passwords)++;
    EXPECT_EQ(forms, 4);
    EXPECT_EQ(passwords, 2);

    const std::string userReg = readAll(built.prefixDir() + "/user.reg");
    EXPECT_EQ(userReg.rfind("WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n", 0),
              0u);
}

TEST(MachineBuilder, FilesCarryTheirAttributes)
{
    BuiltMachine built;
    ASSERT_TRUE(built.ok());
    const std::string temp = built.hostPath(kProfile + "\\Local Settings\\Temp");
    int hidden = 0, readOnly = 0, files = 0, folders = 0;
    std::map<off_t, int> sizes;
    for (const std::string& name : names(temp)) {
        struct stat st {};
        ::lstat((temp + "/" + name).c_str(), &st);
        if (S_ISDIR(st.st_mode)) {
            ++folders;
            continue;
        }
        ++files;
        sizes[st.st_size]++;
        hidden += dosAttrib(temp + "/" + name) == "0x2";
        readOnly += (st.st_mode & S_IWUSR) == 0;
    }
    EXPECT_EQ(files, 14);
    EXPECT_EQ(folders, 1);
    EXPECT_EQ(hidden, 1);
    EXPECT_EQ(readOnly, 1);
    EXPECT_GE(sizes.size(), 3u) << "files of several sizes";
}

TEST(MachineBuilder, RecentLinksAreReadByLnkinfo)
{
    if (::access("/usr/bin/lnkinfo", X_OK) != 0)
        GTEST_SKIP() << "lnkinfo (liblnk-utils) is not installed";
    BuiltMachine built;
    ASSERT_TRUE(built.ok());
    const std::string recent = built.hostPath(kProfile + "\\Recent");
    int links = 0;
    for (const std::string& name : names(recent)) {
        if (!name.ends_with(".lnk"))
            continue;
        ++links;
        std::string output;
        ASSERT_EQ(runCapture("/usr/bin/lnkinfo '" + recent + "/" + name + "' 2>&1", output), 0) << output;
        std::string target = kProfile + "\\" + (name == "My Documents.lnk" ? "My Documents" : "");
        EXPECT_NE(output.find("Local path"), std::string::npos) << output;
        EXPECT_NE(output.find(target), std::string::npos) << output;
        EXPECT_NE(output.find("Relative path"), std::string::npos) << output;
    }
    EXPECT_EQ(links, 9); // six documents, the picture, a dead link and a folder link
}

TEST(MachineBuilder, SameSeedSameMachine)
{
    std::map<std::string, std::string> first, second, other;
    std::string firstRegistry, secondRegistry;
    {
        BuiltMachine a;
        ASSERT_TRUE(a.ok());
        describeTree(a.prefixDir(), "", first);
        firstRegistry = dumpRegistry(a.machine());
    }
    {
        BuiltMachine b;
        ASSERT_TRUE(b.ok());
        describeTree(b.prefixDir(), "", second);
        secondRegistry = dumpRegistry(b.machine());
    }
    MachineSpec recipe = BuiltMachine::fixedSpec();
    recipe.seed = 2;
    {
        BuiltMachine c(recipe);
        ASSERT_TRUE(c.ok());
        describeTree(c.prefixDir(), "", other);
    }
    EXPECT_GT(first.size(), 100u);
    EXPECT_TRUE(first == second);
    EXPECT_GT(firstRegistry.size(), 5000u);
    EXPECT_EQ(firstRegistry, secondRegistry);
    EXPECT_FALSE(first == other);
}

TEST(MachineBuilder, CountsScaleTheMachine)
{
    MachineSpec recipe = BuiltMachine::fixedSpec();
    recipe.userName = "Alice Smith";
    recipe.tempFiles = 60;
    recipe.historyDays = 20;
    recipe.typedUrls = 25;
    BuiltMachine built(recipe);
    ASSERT_TRUE(built.ok());
    const std::string profile = "C:\\Documents and Settings\\Alice Smith";
    EXPECT_EQ(names(built.hostPath(profile + "\\Local Settings\\Temp")).size(), 63u);
    EXPECT_EQ(names(built.hostPath(profile + "\\Local Settings\\History\\History.IE5")).size(), 22u);
    EXPECT_EQ(text(built.machine(), RegRoot::CurrentUser, "Software\\Microsoft\\Internet Explorer\\TypedURLs", "url25")
                  .substr(0, 7),
              "http://");
}

TEST(MachineBuilder, RefusesToOverwriteAndRemovesOnlyPrefixes)
{
    std::string scratch = kp::test::makeScratchFolder("builder");
    ASSERT_FALSE(scratch.empty());
    const std::string other = scratch + "/not-a-prefix";
    ASSERT_EQ(::mkdir(other.c_str(), 0755), 0);
    std::ofstream(other + "/keep.txt") << "precious";
    EXPECT_EQ(kp::sample::buildMachine(other, BuiltMachine::fixedSpec()), err::ALREADY_EXISTS);
    EXPECT_EQ(kp::sample::removeMachine(other), err::BAD_FORMAT);
    EXPECT_EQ(readAll(other + "/keep.txt"), "precious");

    MachineSpec badUser = BuiltMachine::fixedSpec();
    badUser.userName = "a\\b";
    EXPECT_EQ(kp::sample::buildMachine(scratch + "/bad", badUser), err::INVALID_PARAMETER);

    // Removing a machine removes links as links: what they point to stays.
    const std::string prefix = scratch + "/prefix";
    ASSERT_EQ(kp::sample::buildMachine(prefix, BuiltMachine::fixedSpec()), err::SUCCESS);
    ASSERT_EQ(::symlink(other.c_str(), (prefix + "/drive_c/outside").c_str()), 0);
    ASSERT_EQ(::chmod((prefix + "/drive_c/WINDOWS").c_str(), 0555), 0);
    EXPECT_EQ(kp::sample::removeMachine(prefix), err::SUCCESS);
    EXPECT_NE(::access(prefix.c_str(), F_OK), 0);
    EXPECT_EQ(readAll(other + "/keep.txt"), "precious");
    EXPECT_EQ(kp::sample::removeMachine(prefix), err::SUCCESS) << "nothing to remove";

    ::unlink((other + "/keep.txt").c_str());
    ::rmdir(other.c_str());
    ::rmdir(scratch.c_str());
}
