// Settings files the program writes, read back by Wine's own
// GetPrivateProfileStringA.

#include "platform/files/file_system.h"
#include "platform/profile/profile.h"
#include "settings/general_settings.h"
#include "settings/option_set_store.h"
#include "settings/window_settings.h"
#include "tests/settings/settings_support.h"
#include "tests/support/real_wine_prefix.h"
#include "tests/support/wine_prefix.h"

#include <gtest/gtest.h>

#include <map>

using namespace kp;

namespace {

using Values = std::map<std::pair<std::string, std::string>, std::string>;

// Writes a file as a day of use would: options of two modes, the window
// settings, an old key converted, the version stamp.
void writeTypicalSettings(win::Machine& machine, const FolderSet& folders)
{
    SettingsFile file(machine, folders);
    file.writeText("Options", "ClearHistory", "1");
    PurgeOptionSet o;
    o.NormalCache = o.Cookies = o.ClearAutoForm = o.ShredFiles = true;
    o.NsDD = "7";
    o.SbHH = "12";
    o.ReportOpt = 1;
    SaveOptionSet(file, "", o, {true, true, true});
    o.Cookies = false;
    SaveOptionSet(file, "Auto", o, {true, true, true});
    GeneralSettings g;
    LoadWindowSettings(file, "MainForm", g, Keywords());
    LoadOptionSet(file, "", {true, true, true});
    g.Repeats = 35;
    SaveWindowSettings(file, "MainForm", "0 120 200 450 620", g);
}

// Every value as our reader sees it.
Values ourValues(win::Machine& machine, const FolderSet& folders)
{
    Values values;
    win::Profile profile(machine);
    SettingsFile file(machine, folders);
    std::vector<std::string> sections;
    EXPECT_EQ(profile.sectionNames(folders.settingsPath(), sections), win::err::SUCCESS);
    for (const std::string& section : sections) {
        std::vector<std::string> keys;
        EXPECT_EQ(profile.keyNames(section, folders.settingsPath(), keys), win::err::SUCCESS);
        for (const std::string& key : keys)
            values[{section, key}] = file.readText(section, key, "<missing>");
    }
    return values;
}

Values tabbedValues(const std::string& text, const char* tag, const std::string& section)
{
    Values values;
    for (const std::vector<std::string>& f : kp::test::tabbedRows(text)) {
        if (f.size() == 4 && f[0] == tag)
            values[{f[1], f[2]}] = f[3];
        else if (f.size() == 3 && f[0] == tag)
            values[{section, f[1]}] = f[2];
    }
    return values;
}

} // namespace

using SettingsInteropWine = kp::test::UrlCacheProbeTest;

TEST_F(SettingsInteropWine, WinesGetPrivateProfileStringReadsTheSameValues)
{
    std::unique_ptr<win::Machine> machine;
    ASSERT_EQ(win::Machine::open(prefix, machine), win::err::SUCCESS);
    FolderSet folders;
    folders.dataFolder = "C:\\users\\Public\\Klenzor Data";
    ASSERT_EQ(win::FileSystem(*machine).createDirectory(folders.dataFolder), win::err::SUCCESS);
    writeTypicalSettings(*machine, folders);
    const Values ours = ourValues(*machine, folders);
    machine.reset();

    std::map<std::string, std::vector<std::string>> keysBySection;
    for (const auto& [where, value] : ours)
        keysBySection[where.first].push_back(where.second);
    Values wine;
    for (const auto& [section, keys] : keysBySection) {
        std::vector<std::string> args = {probePath(), "profile", "C:\\users\\Public\\Klenzor Data\\KlenPro.Ini",
                                         section};
        args.insert(args.end(), keys.begin(), keys.end());
        std::string output;
        ASSERT_EQ(kp::test::runWine(prefix, args, output), 0) << output;
        const Values read = tabbedValues(output, "value", section);
        wine.insert(read.begin(), read.end());
    }
    kp::test::stopWineSession(prefix);
    EXPECT_EQ(wine, ours);
}
