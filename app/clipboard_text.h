#pragma once
// The text the main window copies to the clipboard: the report, the
// program's signature with the time, the browser windows found, the idle
// status and the companion service's status lines.

#include <QDateTime>
#include <QString>

#include <string>
#include <vector>

namespace kp {

struct ClipboardParts {
    std::vector<QString> reportLines;
    QDateTime now;
    std::vector<std::string> browserLines;
    QString idleStatus;
    std::vector<std::string> serviceLines;
};

// Lines end with "\n"; the report is followed by a blank line.
QString ClipboardText(const ClipboardParts& parts);

} // namespace kp
