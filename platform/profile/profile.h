#pragma once
// Private-profile (INI) files of the machine, called as kernel32's
// GetPrivateProfileString, GetPrivateProfileInt and WritePrivateProfileString
// are. A file name without a folder lives in the Windows folder. Bytes are
// kept as the file has them (ANSI). Every write replaces the file atomically
// and changes only the lines it must.

#include "platform/win32.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kp::win {

class Machine;

class Profile {
public:
    explicit Profile(Machine& machine);

    // The value of `key` in `section`, without the blanks around it and
    // without one pair of matching quotes (' or ") around it; when the file,
    // the section or the key is missing, `defaultValue` without its trailing
    // blanks, and FILE_NOT_FOUND.
    [[nodiscard]] DWORD getString(std::string_view section, std::string_view key, std::string_view defaultValue,
        std::string_view file, std::string& out);

    // GetPrivateProfileInt: `defaultValue` when the key is missing or empty,
    // else the number the value starts with (decimal, or 0x hex; a minus sign
    // wraps as an unsigned value does), 0 when it starts with none.
    DWORD getInt(std::string_view section, std::string_view key, int defaultValue, std::string_view file);

    // Section names in file order; key names of a section (comments left out).
    [[nodiscard]] DWORD sectionNames(std::string_view file, std::vector<std::string>& out);
    [[nodiscard]] DWORD keyNames(std::string_view section, std::string_view file, std::vector<std::string>& out);

    // WritePrivateProfileString: sets the key, creating the section and the
    // file as needed; no key deletes the section; no value deletes the key;
    // no section is FILE_NOT_FOUND. A read-only file is ACCESS_DENIED.
    [[nodiscard]] DWORD writeString(std::optional<std::string_view> section, std::optional<std::string_view> key,
        std::optional<std::string_view> value, std::string_view file);

private:
    [[nodiscard]] DWORD locate(std::string_view file, std::string& host, bool& exists);
    [[nodiscard]] DWORD load(std::string_view file, std::string& text);

    Machine& machine_;
};

} // namespace kp::win
