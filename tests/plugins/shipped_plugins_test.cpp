// The shipped plugins on the sample machine, whose builder leaves the traces
// they remove: a preview lists exactly those traces, and a run removes them
// and changes nothing else; Wine reads the registry after a run.

#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "platform/system/shell_folders.h"
#include "plugins/plugin_run.h"
#include "plugins/text_lines.h"
#include "sample/builder/program_traces.h"
#include "tests/support/built_machine.h"
#include "tests/support/machine_snapshot.h"
#include "tests/support/purge_run.h"
#include "tests/support/real_wine_prefix.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wine_prefix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

using namespace kp;
using Lines = std::vector<std::string>;

namespace {

const std::string kShipped = std::string(KP_SOURCE_DIR) + "/plugins/shipped";
const std::string kDocs = "C:\\Documents and Settings\\Owner\\My Documents";
const std::string kNotepadConfig = "C:\\Documents and Settings\\Owner\\Application Data\\Notepad++\\config.xml";
const std::string kExplorer = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
const std::string kApplets = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\";
const std::string kKeyPrefix = "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\";

Lines shippedPlugin(const std::string& name)
{
    return splitTextLines(test::readFile(kShipped + "/" + name));
}

// One plugin run on a machine, as the test window (a preview) or a purge run
// with a detail report.
struct PluginRunner : test::PurgeRun {
    explicit PluginRunner(win::Machine& machine) : PurgeRun(&machine) {}

    Lines operator()(const Lines& lines, bool preview)
    {
        Lines output;
        PluginRunContext plugin;
        plugin.lines = lines;
        plugin.output = [&output](const QString& line) { output.push_back(line.toStdString()); };
        plugin.detail = true;
        plugin.noDelete = preview;
        plugin.test = preview;
        RunPluginLines(context, plugin);
        return output;
    }
};

// The result lines of an output: a 19-character label, then the item.
Lines resultLines(const Lines& output)
{
    Lines results;
    for (const std::string& line : output)
        if (line.size() > 19 && line.compare(16, 3, " - ") == 0 && line[0] == ' ')
            results.push_back(line);
    std::sort(results.begin(), results.end());
    return results;
}

struct ShippedPlugin {
    const char* name;
    Lines preview;                 // the preview's result lines, sorted
    std::set<std::string> changes; // what a run changes
};

const std::vector<ShippedPlugin>& shippedPlugins()
{
    const std::string toDeleteVal = "   to delete Val - ";
    const std::string toDeleteKey = "   to delete Key - ";
    const std::string toDelete = "       to delete - ";
    const std::string binary = " - Type = Reg_Binary";
    const std::string comDlg = kExplorer + "ComDlg32\\";
    const std::string sevenZip = "HKCU\\Software\\7-Zip\\";
    static const std::vector<ShippedPlugin> plugins = {
        {"7-ZIP.STD",
         {toDeleteVal + "ARCHISTORY" + binary, toDeleteVal + "COPYHISTORY" + binary,
          toDeleteVal + "FOLDERHISTORY" + binary, toDeleteVal + "PANELPATH0 - " + kDocs + "\\photos",
          toDeleteVal + "PATHHISTORY" + binary},
         {"-" + sevenZip + "Compression[ArcHistory]", "-" + sevenZip + "Extraction[PathHistory]",
          "-" + sevenZip + "FM[FolderHistory]", "-" + sevenZip + "FM[CopyHistory]", "-" + sevenZip + "FM[PanelPath0]"}},
        {"COMDLG32.STD",
         {toDeleteKey + kKeyPrefix + "COMDLG32\\OPENSAVEMRU\\*", toDeleteKey + kKeyPrefix + "COMDLG32\\OPENSAVEMRU\\TXT",
          toDeleteVal + "A" + binary, toDeleteVal + "MRULIST - a"},
         {"-" + comDlg + "OpenSaveMRU\\txt\\", "-" + comDlg + "OpenSaveMRU\\txt[a]", "-" + comDlg + "OpenSaveMRU\\txt[MRUList]",
          "-" + comDlg + "OpenSaveMRU\\*\\", "-" + comDlg + "OpenSaveMRU\\*[a]", "-" + comDlg + "OpenSaveMRU\\*[b]",
          "-" + comDlg + "OpenSaveMRU\\*[MRUList]", "-" + comDlg + "LastVisitedMRU[a]",
          "-" + comDlg + "LastVisitedMRU[MRUList]"}},
        {"MEDIAPLAYER.STD",
         {toDeleteVal + "FILE0 - " + kDocs + "\\holiday.avi", toDeleteVal + "FILE1 - " + kDocs + "\\song.mp3",
          toDeleteVal + "URL0 - http://radio.example.com/live.asx"},
         {"-HKCU\\Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList[File0]",
          "-HKCU\\Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList[File1]",
          "-HKCU\\Software\\Microsoft\\MediaPlayer\\Player\\RecentURLList[URL0]"}},
        {"NOTEPADPP.STD",
         {toDelete + "<File filename=\"" + kDocs + "\\letter.txt\" />",
          toDelete + "<File filename=\"" + kDocs + "\\notes.txt\" />"},
         {"~" + kNotepadConfig}},
        {"PAINT.STD",
         {toDeleteVal + "FILE1 - " + kDocs + "\\My Pictures\\beach.bmp", toDeleteVal + "FILE2 - " + kDocs + "\\drawing.bmp"},
         {"-" + kApplets + "Paint\\Recent File List[File1]", "-" + kApplets + "Paint\\Recent File List[File2]"}},
        {"RECENTDOCS.STD",
         {toDeleteKey + kKeyPrefix + "RECENTDOCS\\.TXT", toDeleteKey + kKeyPrefix + "RECENTDOCS\\.XLS",
          toDeleteVal + "0" + binary, toDeleteVal + "1" + binary, toDeleteVal + "MRULISTEX" + binary},
         {"-" + kExplorer + "RecentDocs[0]", "-" + kExplorer + "RecentDocs[1]", "-" + kExplorer + "RecentDocs[MRUListEx]",
          "-" + kExplorer + "RecentDocs\\.txt\\", "-" + kExplorer + "RecentDocs\\.txt[0]",
          "-" + kExplorer + "RecentDocs\\.txt[MRUListEx]", "-" + kExplorer + "RecentDocs\\.xls\\",
          "-" + kExplorer + "RecentDocs\\.xls[0]", "-" + kExplorer + "RecentDocs\\.xls[MRUListEx]"}},
        {"REGEDIT.STD",
         {toDeleteVal + "LASTKEY - HKEY_CURRENT_USER\\Software\\7-Zip\\FM"},
         {"-" + kApplets + "Regedit[LastKey]"}},
        {"RUNMRU.STD",
         {toDeleteVal + "A - notepad\\1", toDeleteVal + "B - regedit\\1", toDeleteVal + "C - cmd\\1",
          toDeleteVal + "MRULIST - cba"},
         {"-" + kExplorer + "RunMRU[a]", "-" + kExplorer + "RunMRU[b]", "-" + kExplorer + "RunMRU[c]",
          "-" + kExplorer + "RunMRU[MRUList]"}},
        {"WORDPAD.STD",
         {toDeleteVal + "FILE1 - " + kDocs + "\\letter.rtf", toDeleteVal + "FILE2 - " + kDocs + "\\notes.txt"},
         {"-" + kApplets + "Wordpad\\Recent file list[File1]", "-" + kApplets + "Wordpad\\Recent file list[File2]"}},
    };
    return plugins;
}

} // namespace

TEST(ShippedPlugins, EachHasATitleAndCommentsAndIsInTheTable)
{
    Lines names;
    for (const auto& entry : std::filesystem::directory_iterator(kShipped))
        if (entry.path().extension() == ".STD")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    Lines listed;
    for (const ShippedPlugin& plugin : shippedPlugins())
        listed.push_back(plugin.name);
    EXPECT_EQ(names, listed);
    EXPECT_GE(names.size(), 8u);
    for (const std::string& name : names) {
        const std::string text = test::readFile(kShipped + "/" + name);
        const Lines lines = splitTextLines(text);
        ASSERT_GE(lines.size(), 3u) << name;
        EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1) << name << ": lines end with CR LF";
        EXPECT_NE(lines[0].find(" - "), std::string::npos) << name << ": a title names the program and its trace";
    }
}

TEST(ShippedPlugins, APreviewListsTheSampleMachinesTracesAndARunRemovesThemAndNothingElse)
{
    for (const ShippedPlugin& plugin : shippedPlugins()) {
        SCOPED_TRACE(plugin.name);
        test::BuiltMachine built;
        ASSERT_TRUE(built.ok());
        PluginRunner runner(built.machine());
        const Lines lines = shippedPlugin(plugin.name);

        auto changesSinceStart = [&built, before = test::snapshotMachine(built.machine(), built.prefixDir())] {
            return test::snapshotChanges(before, test::snapshotMachine(built.machine(), built.prefixDir()));
        };
        const Lines preview = runner(lines, true);
        EXPECT_EQ(resultLines(preview), plugin.preview);
        const std::string count = plugin.preview.size() == 1
                                      ? "    1 - Entry processed for this Plugin"
                                      : "   " + std::to_string(plugin.preview.size()) + " - Entries processed for this Plugin";
        EXPECT_EQ(preview.end()[-2], count);
        EXPECT_EQ(changesSinceStart(), std::set<std::string>{}) << "a preview changes nothing";

        const Lines results = resultLines(runner(lines, false));
        EXPECT_EQ(results.size(), plugin.preview.size());
        for (const std::string& line : results)
            EXPECT_NE(line.find("deleted - "), std::string::npos) << line;
        EXPECT_EQ(changesSinceStart(), plugin.changes);
        EXPECT_EQ(runner.errors.ErrorLevel, 0);
        built.reopen();
        EXPECT_EQ(changesSinceStart(), plugin.changes) << "as saved in the hives";
    }
}

TEST(ShippedPlugins, NotepadPlusPlusKeepsItsSettingsAndItsHistoryElement)
{
    test::BuiltMachine built;
    ASSERT_TRUE(built.ok());
    PluginRunner runner(built.machine());
    runner(shippedPlugin("NOTEPADPP.STD"), false);
    EXPECT_EQ(test::readFile(built.hostPath(kNotepadConfig)),
              "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n"
              "<NotepadPlus>\r\n"
              "    <FindHistory nbMaxFindHistoryPath=\"10\" nbMaxFindHistoryFilter=\"10\" />\r\n"
              "    <History nbMaxFile=\"10\" inSubMenu=\"no\" customLength=\"-1\">\r\n"
              "        \r\n"
              "        \r\n"
              "    </History>\r\n"
              "    <GUIConfigs>\r\n"
              "        <GUIConfig name=\"ToolBar\" visible=\"yes\">standard</GUIConfig>\r\n"
              "    </GUIConfigs>\r\n"
              "</NotepadPlus>\r\n");
}

TEST(ShippedPlugins, WineReadsTheRegistryAfterARun)
{
    if (!test::wineAvailable())
        GTEST_SKIP() << "Wine is not installed";
    test::RealWinePrefix wine;
    ASSERT_EQ(wine.error(), "");
    {
        std::unique_ptr<win::Machine> machine;
        ASSERT_EQ(win::Machine::open(wine.path(), machine), 0u);
        std::string appData, documents;
        ASSERT_EQ(win::shGetFolderPath(*machine, 26, appData), 0u);
        ASSERT_EQ(win::shGetFolderPath(*machine, 5, documents), 0u);
        ASSERT_EQ(sample::writeProgramTraces(*machine, appData, documents), 0u);
        PluginRunner runner(*machine);
        for (const ShippedPlugin& plugin : shippedPlugins())
            runner(shippedPlugin(plugin.name), false);
        EXPECT_EQ(runner.errors.ErrorLevel, 0);
    }
    auto query = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"reg", "query"});
        std::string out;
        const int status = test::runWine(wine.path(), args, out);
        return std::make_pair(status, out);
    };
    const std::string explorer = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
    const std::string applets = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Applets";
    const auto runMru = query({explorer + "\\RunMRU"});
    EXPECT_EQ(runMru.first, 0) << runMru.second;
    EXPECT_EQ(runMru.second.find("MRUList"), std::string::npos) << runMru.second;
    const auto recentDocs = query({explorer + "\\RecentDocs", "/s"});
    EXPECT_EQ(recentDocs.first, 0) << recentDocs.second;
    EXPECT_EQ(recentDocs.second.find(".txt"), std::string::npos) << recentDocs.second;
    EXPECT_NE(query({applets + "\\Regedit", "/v", "LastKey"}).first, 0);
    const auto favorites = query({applets + "\\Regedit\\Favorites", "/v", "Wine"});
    EXPECT_NE(favorites.second.find("HKEY_CURRENT_USER\\Software\\Wine"), std::string::npos) << favorites.second;
    const auto level = query({"HKCU\\Software\\7-Zip\\Compression"});
    EXPECT_NE(level.second.find("Level"), std::string::npos) << level.second;
    EXPECT_EQ(level.second.find("ArcHistory"), std::string::npos) << level.second;
    test::stopWineSession(wine.path());
}
