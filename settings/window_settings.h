#pragma once
// The values each placement-keeping window ("MainForm", "ProtectForm",
// "PlugSelForm", "PlugTstForm") loads at its creation and saves at its
// close: its placement text, the general options, and for the main window
// the temp-folder choices and the version stamp.

#include <array>
#include <string>
#include <string_view>

namespace kp {

class Keywords;
class SettingsFile;
struct GeneralSettings;

// The Protect window's own values: its sort choice and list column widths
// (0 keeps the designed width).
struct ProtectWindowValues {
    std::array<int, 6> list1Widths {};
    std::array<int, 4> list2Widths {};
};

// Reads the general values for `windowName` into `general` and returns the
// placement text. Sets NewVersionFlag (and writes the running version) when
// the main window finds another version's stamp.
std::string LoadWindowSettings(SettingsFile& file, std::string_view windowName, GeneralSettings& general,
                               const Keywords& keywords, ProtectWindowValues* protect = nullptr);

// Writes nothing when the data folder is read-only; false when a write failed.
bool SaveWindowSettings(SettingsFile& file, std::string_view windowName, std::string_view placement,
                        const GeneralSettings& general, const ProtectWindowValues* protect = nullptr);

// At least one temp folder is chosen: all four "N" makes TmpDir "Y".
void EnsureOneTempFolder(GeneralSettings& general);

} // namespace kp
