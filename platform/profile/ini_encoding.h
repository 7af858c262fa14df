#pragma once
// The encodings of private-profile files that Windows and Wine tell by a
// byte-order mark: UTF-8, and UTF-16 in either byte order. A file without a
// mark is ANSI, its bytes taken as they are.

#include <string>
#include <string_view>

namespace kp::win {

enum class IniEncoding { Ansi, Utf8, Utf16Le, Utf16Be };

// The file's encoding, and its text without the mark: UTF-8 for a marked
// file (an odd last byte of UTF-16 is dropped, as Wine drops it), the bytes
// themselves for ANSI.
IniEncoding decodeIniFile(std::string_view bytes, std::string& text);

// The file's bytes for `text`: the mark and the text in `encoding`.
std::string encodeIniFile(IniEncoding encoding, std::string_view text);

} // namespace kp::win
