#pragma once
// Text pieces of Wine's registry files: the escaped strings Wine writes in key
// paths, value names and string data, the value line syntax, and the UTF-8 /
// UTF-16 conversions between the files and the ANSI-shaped calls.

#include "platform/registry/registry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kp::win::regtext {

using Units = std::u16string;

// UTF-8 <-> UTF-16. Bytes that are not valid UTF-8 are taken as Latin-1
// characters; unpaired surrogates are kept as three-byte sequences so that
// they convert back to the same unit.
Units toUnits(std::string_view utf8);
std::string fromUnits(std::u16string_view units);

// Case-insensitive form of a key or value name (upper case, as Wine sorts).
std::string foldName(std::string_view utf8);

// Reads an escaped string up to the unescaped `end` character, as Wine does
// (`out` may be null to only check it). Returns the position just past
// `end`, or npos when `end` never comes.
std::size_t parseEscaped(std::string_view text, char end, Units* out);

// Appends `units` escaped as Wine writes them; `special` lists the two extra
// characters that need a backslash ("\"\"" for names and data, "[]" for key
// paths). Returns the number of characters written.
std::size_t appendEscaped(std::string& out, std::u16string_view units, const char special[2]);

// Key path: components joined with "\\" (escaped), as inside "[...]".
std::string formatKeyPath(const std::vector<std::string>& components);

// One value as it stands in a file: name, Wine type and Wine's stored bytes
// (strings as UTF-16LE with their terminating NUL).
struct ParsedValue {
    std::string name; // UTF-8, empty for the default value
    DWORD type = 0;
    std::vector<std::uint8_t> data;
};

// Parses a value entry (with its continuation lines, without the last line's
// terminator). Returns nullopt when the text is malformed. Without
// `withData` the data is checked but not kept.
std::optional<ParsedValue> parseValue(std::string_view text, bool withData = true);

// True when the first line of a value ends in a hex continuation ('\').
bool continues(std::string_view line);

// The value's entry as Wine writes it, ending in '\n'.
std::string formatValue(std::string_view name, DWORD type, const std::vector<std::uint8_t>& data);

} // namespace kp::win::regtext
