#pragma once
// KlenPro.Ini in the data folder, read and written only through the
// machine's private-profile calls. Every read and write looks at the file
// afresh; it is parsed again only when it changed since the last read.
//
// Values are text. A flag is written "1"/"0" and read as an integer,
// non-zero being true; integers are decimal (or 0x hexadecimal) and an
// unparsable value counts as missing; texts are read back up to 1023
// characters.

#include "platform/profile/profile.h"

#include <optional>
#include <string>
#include <string_view>

namespace kp {

namespace win {
class Machine;
}
struct FolderSet;

class SettingsFile {
public:
    SettingsFile(win::Machine& machine, const FolderSet& folders);

    // The whole value as a number; nullopt when missing or unparsable.
    static std::optional<int> parseNumber(std::string_view text);

    bool readFlag(std::string_view section, std::string_view key, bool defaultValue);
    int readInteger(std::string_view section, std::string_view key, int defaultValue);
    std::string readText(std::string_view section, std::string_view key, std::string_view defaultValue);

    // False when the file could not be written or the data folder is
    // read-only or unknown (which writes nothing).
    bool writeText(std::string_view section, std::string_view key, std::string_view value);
    bool writeFlag(std::string_view section, std::string_view key, bool value);
    bool writeInteger(std::string_view section, std::string_view key, int value);
    bool deleteKey(std::string_view section, std::string_view key);

    // The readers of a mode's value with the plain section as fallback:
    // `prefix` + `base` first, then `base` (an empty prefix reads `base`).
    bool ReadModeFlag(std::string_view prefix, std::string_view base, std::string_view key);
    int ReadModeInteger(std::string_view prefix, std::string_view base, int defaultValue, std::string_view key);
    std::string ReadModeText(std::string_view prefix, std::string_view base, std::string_view defaultValue,
                             std::string_view key);

    // Clears the file's read-only attribute when it is set.
    void makeWritable();

    bool readOnly() const { return readOnly_; }
    const std::string& path() const { return path_; }

private:
    std::optional<std::string> raw(std::string_view section, std::string_view key);

    win::Machine& machine_;
    win::Profile profile_;
    std::string path_;
    bool readOnly_;
};

} // namespace kp
