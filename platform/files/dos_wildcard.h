#pragma once
// File-name masks as FindFirstFile reads them: '*' any run of characters, '?'
// one character (or none at the end of a name or before its dot), "*." names
// without an extension, "*.*" every name, letters compared without case.

#include <string_view>

namespace kp::win {

bool matchesDosMask(std::string_view name, std::string_view mask);

// True when the text holds a wildcard character.
bool hasWildcards(std::string_view text);

} // namespace kp::win
