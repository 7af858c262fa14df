#include "settings/window_settings.h"

#include "core/identity.h"
#include "core/keywords.h"
#include "settings/general_settings.h"
#include "settings/settings_file.h"

#include <algorithm>

namespace kp {

namespace {
bool isMainForm(std::string_view name) { return name == "MainForm"; }
bool isProtectForm(std::string_view name) { return name == "ProtectForm"; }

std::string columnKey(int list, std::size_t column)
{
    return "Lv" + std::to_string(list) + "C" + std::to_string(column);
}
} // namespace

void EnsureOneTempFolder(GeneralSettings& g)
{
    if (g.TmpDir == "N" && g.DosDir == "N" && g.WinDir == "N" && g.VolDir == "N")
        g.TmpDir = "Y";
}

std::string LoadWindowSettings(SettingsFile& file, std::string_view name, GeneralSettings& g,
                               const Keywords& keywords, ProtectWindowValues* protect)
{
    if (isMainForm(name))
        file.makeWritable();
    std::string placement = file.readText("Positions", name, "Default");
    g.HintsOption = file.readText("ShowOption", "HintsOption", "Y");
    g.Thoroughness = file.readText("ShredOption", "Thoroughness", "0");
    g.Repeats = std::clamp(file.readInteger("ShredOption", "Repeats", 1), 1, 99);
    g.ShutType = file.readInteger("ShutOption", "ShutType", 0);

    if (isMainForm(name)) {
        g.CookieMsgOpt = file.readText("ShowOption", "CookieMsgOpt", "N");
        g.QuickStartOpt = file.readText("ShowOption", "QuickStartOpt", "S");
        g.TmpDir = file.readText("TempFolders", "TmpDir", "N");
        g.DosDir = file.readText("TempFolders", "DosDir", "N");
        g.WinDir = file.readText("TempFolders", "WinDir", "N");
        g.VolDir = file.readText("TempFolders", "VolDir", "N");
        EnsureOneTempFolder(g);
        if (!keywords.IsKeywordPresent("INIT")) {
            const std::string stamp = file.readText("Version", "Version", "0.00");
            if (stamp != identity::VersionNumber && !file.readOnly()) {
                g.NewVersionFlag = true;
                file.writeText("Version", "Version", identity::VersionNumber);
                g.CookieMsgOpt = "N";
            }
        }
    }
    if (isProtectForm(name)) {
        g.Sort1Opt = file.readInteger("Options", "Sort1Opt", 0);
        if (protect) {
            for (std::size_t i = 0; i < protect->list1Widths.size(); ++i)
                protect->list1Widths[i] = std::max(0, file.readInteger("Positions", columnKey(1, i), 0));
            for (std::size_t i = 0; i < protect->list2Widths.size(); ++i)
                protect->list2Widths[i] = std::max(0, file.readInteger("Positions", columnKey(2, i), 0));
        }
    }
    return placement;
}

bool SaveWindowSettings(SettingsFile& file, std::string_view name, std::string_view placement,
                        const GeneralSettings& g, const ProtectWindowValues* protect)
{
    if (file.readOnly())
        return false;
    bool ok = file.writeText("Positions", name, placement) && file.writeText("ShowOption", "HintsOption", g.HintsOption)
        && file.writeText("ShredOption", "Thoroughness", g.Thoroughness)
        && file.writeInteger("ShredOption", "Repeats", g.Repeats) && file.writeInteger("ShutOption", "ShutType", g.ShutType);
    if (ok && isMainForm(name)) {
        ok = file.writeText("ShowOption", "CookieMsgOpt", g.CookieMsgOpt)
            && file.writeText("ShowOption", "QuickStartOpt", g.QuickStartOpt)
            && file.writeText("TempFolders", "TmpDir", g.TmpDir) && file.writeText("TempFolders", "DosDir", g.DosDir)
            && file.writeText("TempFolders", "WinDir", g.WinDir) && file.writeText("TempFolders", "VolDir", g.VolDir);
    }
    if (ok && isProtectForm(name)) {
        ok = file.writeInteger("Options", "Sort1Opt", g.Sort1Opt);
        if (protect) {
            for (std::size_t i = 0; ok && i < protect->list1Widths.size(); ++i)
                ok = file.writeInteger("Positions", columnKey(1, i), protect->list1Widths[i]);
            for (std::size_t i = 0; ok && i < protect->list2Widths.size(); ++i)
                ok = file.writeInteger("Positions", columnKey(2, i), protect->list2Widths[i]);
        }
    }
    return ok;
}

} // namespace kp
