#include "purge/show_text_file.h"

#include "platform/files/text_file.h"
#include "purge/purge_report.h"

namespace kp {

void ShowTextFile(PurgeReport& report, win::Machine& machine, const std::string& winPath)
{
    std::string bytes;
    if (win::readTextFile(machine, winPath, bytes) != win::err::SUCCESS)
        return;
    QString text = QString::fromUtf8(bytes);
    if (text.contains(QChar::ReplacementCharacter) && bytes.find("\xEF\xBF\xBD") == std::string::npos)
        text = QString::fromLatin1(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();

    report.ClearReport();
    report.setStyle({10, true, QColor(0x00, 0x80, 0x80)});
    for (const QString& line : lines)
        report.AddReportLine(line);
}

} // namespace kp
