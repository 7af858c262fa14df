#pragma once
// The age limits of the online and offline cache purges, as typed.

#include <optional>
#include <string>

namespace kp {

// A typed age field: blanks and control characters around it are ignored,
// an empty field is 0; otherwise it must be a whole number.
std::optional<int> parseAgeField(const std::string& text);

struct AgeFields {
    std::string days, hours, minutes;
};
struct AgeLimit {
    int days = 0, hours = 0, minutes = 0;
};

// Checks one group ("Online Cache" or "Offline Cache"): on failure returns
// the message that names it.
std::optional<std::string> validateAgeGroup(const AgeFields& fields, const char* groupName, AgeLimit& out);

// The report's error line for such a message: its sentences on one line,
// without the request to correct and retry.
std::string ageProblemReportLine(const std::string& message);

} // namespace kp
