#include "app/report_navigation.h"

#include "purge/report_text.h"

namespace kp {

bool isErrorLine(const QString& line)
{
    if (line.startsWith(QLatin1String(" -Error-")) || line.startsWith(QLatin1String("-Error-")))
        return true;
    for (const char* word : {result::ErrorInUrl, result::FileNotFound, result::PathNotFound, result::DirNotEmpty,
                             result::Locked, result::DeleteFailed}) {
        if (line.startsWith(QLatin1String(word)))
            return true;
    }
    return false;
}

int nextErrorLine(const std::vector<QString>& lines, int cursor)
{
    const int count = int(lines.size());
    const int from = cursor >= count - 1 ? 0 : cursor + 1;
    for (int i = from; i < count; ++i) {
        if (isErrorLine(lines[std::size_t(i)]))
            return i;
    }
    for (int i = 0; i < std::min(from, count); ++i) {
        if (isErrorLine(lines[std::size_t(i)]))
            return i;
    }
    return -1;
}

int pageDownTarget(const std::vector<QString>& lines, int lastVisible)
{
    const int count = int(lines.size());
    for (int i = std::max(0, lastVisible + 1); i < count; ++i) {
        if (lines[std::size_t(i)].startsWith(QLatin1String(" - - - -")))
            return std::max(0, i - 1);
    }
    return count - 1;
}

} // namespace kp
