#include "app/purge_steps.h"
#include "tests/support/purge_run.h"

#include <gtest/gtest.h>

using namespace kp;

namespace {

using Frame = test::PurgeRun;

} // namespace

TEST(UserDataStep, PurgesAFoundFolderAndCountsItsItems)
{
    Frame f;
    f.folders.userDataFound = true;
    f.folders.userDataFolder = "C:\\USERDATA";
    std::string seen;
    UserDataStep(f.context, [&](PurgeContext&, const std::string& folder, const std::string& mask, long long& n) {
        seen = folder + "|" + mask;
        n = 4;
    });
    EXPECT_EQ(seen, "C:\\USERDATA|*.*");
    const std::vector<QString> expected = {
        "UserData:", "  Purge \"UserData\" Function Completed. 4 UserData Files/Directories Processed."};
    EXPECT_EQ(f.report.lines(), expected);
}

TEST(UserDataStep, MissingFolderOrStoppedListingPurgesNothing)
{
    Frame f;
    f.folders.userDataFolder = "C:\\USERDATA"; // not found
    bool called = false;
    const FolderTreePurge purge = [&](PurgeContext&, const std::string&, const std::string&, long long&) {
        called = true;
    };
    UserDataStep(f.context, purge);
    EXPECT_FALSE(called);
    const std::vector<QString> expected = {"UserData:", "    No UserData Files/Directories found to delete.",
                                           "  Purge \"UserData\" Function Completed."};
    EXPECT_EQ(f.report.lines(), expected);

    Frame g;
    g.folders.userDataFound = true;
    g.folders.userDataFolder = "C:\\USERDATA";
    g.report.setCapacity(0);
    UserDataStep(g.context, purge);
    EXPECT_FALSE(called);
    EXPECT_TRUE(g.report.ListingStopped());
}

TEST(PluginStep, RunsEachSelectedPluginInOrder)
{
    Frame f;
    f.folders.pluginsFolder = "Z:\\OPT\\KP\\PLUGINS";
    std::vector<std::string> loaded;
    PluginStepServices plugins;
    plugins.selection = [] { return std::vector<std::string>{"a.STD", "b.CUS"}; };
    plugins.loadLines = [&](const std::string& path) {
        loaded.push_back(path);
        return std::vector<std::string>{"line"};
    };
    plugins.run = [](PurgeContext& c, const std::vector<std::string>& lines, long long& entries) {
        entries += static_cast<long long>(lines.size());
        c.report.AddReportLine(QStringLiteral("ran"));
    };
    PluginStep(f.context, plugins);
    EXPECT_EQ(loaded, (std::vector<std::string>{"Z:\\OPT\\KP\\PLUGINS\\a.STD", "Z:\\OPT\\KP\\PLUGINS\\b.CUS"}));
    const std::vector<QString> expected = {"Run Plugins:", "Process Plugin - a.STD", "ran", " ",
                                           "Process Plugin - b.CUS", "ran",
                                           "  Run Plugins Function Completed.  2 - Entries processed."};
    EXPECT_EQ(f.report.lines(), expected);
}

TEST(PluginStep, NoSelectionCancelAndTheSingularCount)
{
    Frame f;
    PluginStepServices plugins;
    plugins.selection = [] { return std::vector<std::string>{}; };
    PluginStep(f.context, plugins);
    EXPECT_EQ(f.report.lines(), (std::vector<QString>{"Run Plugins:", "    No Plugins are selected."}));

    Frame g;
    plugins.selection = [] { return std::vector<std::string>{"a", "b"}; };
    plugins.loadLines = [](const std::string&) { return std::vector<std::string>{}; };
    plugins.run = [](PurgeContext& c, const std::vector<std::string>&, long long& entries) {
        entries = 1;
        c.run.CancelFlag = true;
    };
    PluginStep(g.context, plugins);
    const std::vector<QString> expected = {"Run Plugins:", "Process Plugin - a", "*** Cancelled by operator.",
                                           "  Run Plugins Function Completed.  1 - Entry processed."};
    EXPECT_EQ(g.report.lines(), expected);
}
