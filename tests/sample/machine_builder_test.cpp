#include "sample/builder/machine_builder.h"

#include "platform/machine.h"
#include "platform/registry/registry.h"
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
