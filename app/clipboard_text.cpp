#include "app/clipboard_text.h"

#include "core/identity.h"

#include <QLocale>

namespace kp {

QString ClipboardText(const ClipboardParts& parts)
{
    QString text;
    auto add = [&text](const QString& line) { text += line + QLatin1Char('\n'); };
    for (const QString& line : parts.reportLines)
        add(line);
    add(QString());
    add(QStringLiteral("via %1 - %2 - %3 - %4")
            .arg(QLatin1String(identity::ProductName), QLatin1String(identity::VersionText),
                 QLatin1String(identity::BuildText),
                 QLocale::c().toString(parts.now, QStringLiteral("MM/dd/yyyy - hh:mm ap"))));
    for (const std::string& line : parts.browserLines)
        add(QString::fromStdString(line));
    add(QStringLiteral("    ") + parts.idleStatus);
    for (const std::string& line : parts.serviceLines)
        add(QString::fromStdString(line));
    return text;
}

} // namespace kp
