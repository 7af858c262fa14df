#pragma once
// Internet Explorer's text cookie files: one file per site and user, each
// cookie a record of nine LF-ended lines (name, value, host/path, flags,
// expiry FILETIME low and high, creation FILETIME low and high, "*").

#include "platform/win32.h"

#include <string>
#include <string_view>
#include <vector>

namespace kp::win {

struct CookieRecord {
    std::string name;
    std::string value;
    std::string hostPath; // "example.com/" or "www.example.com/shop/"
    DWORD flags = 0;
    FileTime expires;
    FileTime created;
    bool operator==(const CookieRecord&) const = default;
};

std::string formatCookieFile(const std::vector<CookieRecord>& cookies);

// INVALID_DATA when the text is not a sequence of whole records (a CR
// before each LF is accepted).
[[nodiscard]] DWORD parseCookieFile(std::string_view text, std::vector<CookieRecord>& out);

} // namespace kp::win
