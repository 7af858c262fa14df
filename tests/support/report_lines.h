#pragma once
// A purge report's lines as standard strings, for comparing in tests.

#include "purge/purge_report.h"

#include <algorithm>
#include <string>
#include <vector>

namespace kp::test {

inline std::vector<std::string> reportLines(const PurgeReport& report)
{
    std::vector<std::string> out;
    for (const QString& line : report.lines())
        out.push_back(line.toStdString());
    return out;
}

inline bool reportHasLine(const PurgeReport& report, const std::string& text)
{
    const std::vector<std::string> all = reportLines(report);
    return std::find(all.begin(), all.end(), text) != all.end();
}

} // namespace kp::test
