#pragma once
// Shows a text file in the report: teal, bold, 10 points, one line per row.

#include <string>

namespace kp {

namespace win {
class Machine;
}
class PurgeReport;

// Does nothing when the file cannot be read.
void ShowTextFile(PurgeReport& report, win::Machine& machine, const std::string& winPath);

} // namespace kp
