#pragma once
// Private-profile (INI) files of the machine, called as kernel32's
// GetPrivateProfileString, GetPrivateProfileInt and WritePrivateProfileString
// are. A file name without a folder lives in the Windows folder. An ANSI
// file's bytes are kept as the file has them; a file with a byte-order mark
// (UTF-8, UTF-16) is read as UTF-8 and written back in its own encoding. Every
// write replaces the file atomically and changes only the lines it must.
//
// A Profile keeps the last file it parsed while the file stays unchanged, so
// a file is parsed once per change, not once per key.

#include "platform/profile/ini_document.h"
#include "platform/profile/ini_encoding.h"
#include "platform/win32.h"

#include <cstdint>
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
    // no section is FILE_NOT_FOUND. A read-only file (also one reached
    // through a link) or one this process may not write is ACCESS_DENIED.
    [[nodiscard]] DWORD writeString(std::optional<std::string_view> section, std::optional<std::string_view> key,
        std::optional<std::string_view> value, std::string_view file);

private:
    // What tells that a file changed: its identity and its time stamps.
    struct FileStamp {
        std::uint64_t device = 0, inode = 0, size = 0;
        std::int64_t modified = 0, changed = 0; // nanoseconds
        bool operator==(const FileStamp&) const = default;
    };
    struct Parsed {
        std::string host;
        FileStamp stamp;
        IniEncoding encoding = IniEncoding::Ansi;
        IniDocument document {""};
        bool settled = false;     // the stamp changes with any later change
        std::string recentBytes;  // the file's bytes while not settled
    };

    [[nodiscard]] DWORD locate(std::string_view file, std::string& host, bool& exists);
    // The parsed file; FILE_NOT_FOUND when it does not exist.
    [[nodiscard]] DWORD load(std::string_view file, const Parsed*& out);

    Machine& machine_;
    std::optional<Parsed> parsed_;
};

} // namespace kp::win
