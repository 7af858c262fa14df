#include "sample/builder/machine_builder.h"

#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "tests/support/child_process.h"
#include "tests/support/machine_tests.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace kp::win;
using kp::sample::MachineSpec;
using kp::test::BuiltMachine;
using kp::test::readFile;
namespace fs = std::filesystem;

namespace {

const std::string kProfile = "C:\\Documents and Settings\\Owner";

std::vector<std::string> names(const std::string& hostDir)
{
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(hostDir, ec))
        out.push_back(entry.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

std::string dosAttrib(const std::string& path)
{
    char buffer[32] = {};
    const ssize_t n = ::lgetxattr(path.c_str(), "user.DOSATTRIB", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, std::size_t(n)) : std::string();
}

// A hive's text without the time stamps of its keys, which are the moment
// of the build.
std::string withoutStamps(const std::string& hive)
{
    std::istringstream in(hive);
    std::string out;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("["))
            out += line.substr(0, line.rfind(']') + 1) + "\n";
        else if (!line.starts_with("#time="))
            out += line + "\n";
    }
    return out;
}

// Every entry below `root`: kind, size, time stamp (files only: a folder's own
// time is the moment of the build), attributes and content.
std::map<std::string, std::string> describeTree(const std::string& root)
{
    std::map<std::string, std::string> out;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string path = entry.path().string();
        std::string& line = out[path.substr(root.size())];
        struct stat st {};
        ::lstat(path.c_str(), &st);
        if (entry.is_symlink())
            line = "link " + fs::read_symlink(entry.path()).string();
        else if (entry.is_directory())
            line = "dir " + dosAttrib(path);
        else if (path.ends_with(".reg"))
            line = "hive " + withoutStamps(readFile(path));
        else
            line = "file " + std::to_string(st.st_size) + " " + std::to_string(st.st_mtime) + " "
                + std::to_string(st.st_mode & 0777) + " " + dosAttrib(path) + " " + readFile(path);
    }
    return out;
}

std::string text(Machine& m, RegRoot root, const std::string& key, const std::string& name)
{
    RegKey k;
    std::string out;
    if (m.registry().openKey(root, key, false, k) || m.registry().queryString(k, name, out))
        return "<missing>";
    return out;
}

using SampleMachine = kp::test::OnSampleMachine;

} // namespace

TEST_F(SampleMachine, HasTheXpLayout)
{
    // Shell folder lookups, which check that their folders exist, cover the others.
    for (const std::string& folder : {kProfile + "\\Local Settings\\Temp", std::string("C:\\WINDOWS\\TEMP"),
             kProfile + "\\Application Data\\Microsoft\\Internet Explorer\\UserData"})
        EXPECT_TRUE(fs::is_directory(built().hostPath(folder))) << folder;
    EXPECT_EQ(names(built().prefixDir() + "/dosdevices"), (std::vector<std::string> {"c:", "z:"}));

    const std::string content = built().hostPath(kProfile + "\\Local Settings\\Temporary Internet Files\\Content.IE5");
    int subfolders = 0;
    for (const std::string& name : names(content)) {
        if (name == "desktop.ini" || name == "index.dat")
            continue;
        ++subfolders;
        EXPECT_EQ(name.size(), 8u) << name;
    }
    EXPECT_EQ(subfolders, 4);
    EXPECT_EQ(dosAttrib(content + "/desktop.ini"), "0x6");
    const std::vector<std::string> days = names(built().hostPath(kProfile + "\\Local Settings\\History\\History.IE5"));
    ASSERT_EQ(days.size(), 7u); // five days, desktop.ini and index.dat
    EXPECT_EQ(days[4], "MSHist012026120620261207") << "today's folder, from the recipe's fixed now";

    // Temp files of several sizes, one hidden and one read-only, and a folder.
    const std::string temp = built().hostPath(kProfile + "\\Local Settings\\Temp");
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
    EXPECT_GE(sizes.size(), 3u);
}

TEST_F(SampleMachine, HasTheRegistryOfInternetExplorer6)
{
    Machine& m = machine();
    const std::string settings = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    EXPECT_EQ(text(m, RegRoot::LocalMachine, "Software\\Microsoft\\Internet Explorer", "Version"), "6.0.2900.2180");
    EXPECT_EQ(text(m, RegRoot::CurrentUser, "Software\\Microsoft\\Internet Explorer\\TypedURLs", "url1").substr(0, 11),
        "http://www.");
    EXPECT_EQ(text(m, RegRoot::CurrentUser, "Software\\Microsoft\\MSN6\\Users\\owner@msn.com\\TypedURLs", "MRUList"), "cba");
    EXPECT_EQ(text(m, RegRoot::LocalMachine,
                  "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Klenzor Pro - #.##_is1",
                  "Inno Setup: App Path"),
        "C:\\Program Files\\Klenzor Pro");
    EXPECT_EQ(text(m, RegRoot::CurrentUser, settings + "\\Zones\\2", "DisplayName"), "Trusted sites");
    EXPECT_EQ(text(m, RegRoot::CurrentUser, settings + "\\ZoneMap\\Ranges\\Range1", ":Range"), "192.168.1.*");
    EXPECT_EQ(text(m, RegRoot::CurrentUser, settings + "\\5.0\\Cache\\Extensible Cache\\UserData", "CachePath"),
        "%USERPROFILE%\\Application Data\\Microsoft\\Internet Explorer\\UserData");

    Registry& registry = m.registry();
    RegKey p3p;
    ASSERT_EQ(registry.openKey(RegRoot::CurrentUser, settings + "\\P3P\\History", false, p3p), err::SUCCESS);
    DWORD subkeys = 0, values = 0;
    ASSERT_EQ(registry.queryInfo(p3p, subkeys, values), err::SUCCESS);
    EXPECT_EQ(subkeys, 4u);

    // Form items have no "/" in their names, password items do.
    RegKey items;
    const std::string type = "e161255a-37c3-11d2-bcaa-00c04fd929db";
    ASSERT_EQ(registry.openKey(RegRoot::CurrentUser,
                  "Software\\Microsoft\\Protected Storage System Provider\\S-1-5-21-0-0-0-1000\\Data\\" + type + "\\"
                      + type,
                  false, items),
        err::SUCCESS);
    int forms = 0, passwords = 0;
    std::string name;
    for (DWORD i = 0; registry.enumKey(items, i, name) == err::SUCCESS; ++i)
        (name.find('/') == std::string::npos ? forms : passwords)++;
    EXPECT_EQ(forms, 4);
    EXPECT_EQ(passwords, 2);
    EXPECT_TRUE(readFile(built().prefixDir() + "/user.reg")
                    .starts_with("WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n"));
}

TEST_F(SampleMachine, RecentLinksAreReadByLnkinfo)
{
    if (::access("/usr/bin/lnkinfo", X_OK) != 0)
        GTEST_SKIP() << "lnkinfo (liblnk-utils) is not installed";
    const std::string recent = built().hostPath(kProfile + "\\Recent");
    int links = 0;
    for (const std::string& name : names(recent)) {
        if (!name.ends_with(".lnk"))
            continue;
        ++links;
        std::string output, errors;
        ASSERT_EQ(kp::test::runProgram({"/usr/bin/lnkinfo", recent + "/" + name}, {}, &output, &errors), 0) << errors;
        const std::string target = kProfile + "\\" + (name == "My Documents.lnk" ? "My Documents" : "");
        EXPECT_NE(output.find("Local path"), std::string::npos) << output;
        EXPECT_NE(output.find(target), std::string::npos) << output;
        EXPECT_NE(output.find("Relative path"), std::string::npos) << output;
    }
    EXPECT_EQ(links, 9); // six documents, the picture, a dead link and a folder link
}

TEST_F(SampleMachine, TheSameSeedGivesTheSameMachine)
{
    const auto first = describeTree(built().prefixDir());
    EXPECT_GT(first.size(), 100u);
    {
        BuiltMachine again;
        ASSERT_TRUE(again.ok());
        EXPECT_TRUE(describeTree(again.prefixDir()) == first);
    }
    MachineSpec recipe = BuiltMachine::fixedSpec();
    recipe.seed = 2;
    BuiltMachine other(recipe);
    ASSERT_TRUE(other.ok());
    EXPECT_FALSE(describeTree(other.prefixDir()) == first);
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
    EXPECT_TRUE(text(built.machine(), RegRoot::CurrentUser, "Software\\Microsoft\\Internet Explorer\\TypedURLs", "url25")
                    .starts_with("http://"));
}

TEST(MachineBuilder, RefusesToOverwriteAndRemovesOnlyPrefixes)
{
    const std::string scratch = kp::test::makeScratchFolder("builder");
    ASSERT_FALSE(scratch.empty());
    const std::string other = scratch + "/not-a-prefix";
    ASSERT_EQ(::mkdir(other.c_str(), 0755), 0);
    std::ofstream(other + "/keep.txt") << "precious";
    EXPECT_EQ(kp::sample::buildMachine(other, BuiltMachine::fixedSpec()), err::ALREADY_EXISTS);
    EXPECT_EQ(kp::sample::removeMachine(other), err::BAD_FORMAT);
    EXPECT_EQ(readFile(other + "/keep.txt"), "precious");

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
    EXPECT_EQ(readFile(other + "/keep.txt"), "precious");
    EXPECT_EQ(kp::sample::removeMachine(prefix), err::SUCCESS) << "nothing to remove";
    fs::remove_all(scratch);
}
