#pragma once
// Short (8.3) names as Wine gives them. Wine keeps no short names on disk:
// for a name that is not a valid 8.3 name it makes one from the first four
// characters, "~" and three characters of a hash of the whole name
// ("Microsoft" -> "MICR~20J"), and finds a file by such a name. The
// platform's short names are these, so that Wine's programs find what ours
// write.

#include <string>
#include <string_view>

namespace kp::win {

// Wine's short name of one long name (UTF-8); the name itself when it is a
// valid 8.3 name.
std::string wineShortName(std::string_view longName);

} // namespace kp::win
