#pragma once
// Where the main window's keys move in the report: Tab to the next error
// line, Page Down to the next summary line.

#include <QString>

#include <vector>

namespace kp {

// A line that reports an error: a " -Error-" line or an item line whose
// result word names a failure.
bool isErrorLine(const QString& line);

// The next error line after `cursor` (-1: none yet), continuing from the top
// after the last one; -1 when the report has none.
int nextErrorLine(const std::vector<QString>& lines, int cursor);

// The line to show after Page Down: the line before the first separator line
// after `lastVisible`, else the last line.
int pageDownTarget(const std::vector<QString>& lines, int lastVisible);

} // namespace kp
