#include "purge/log_file.h"

#include "platform/files/text_file.h"
#include "purge/purge_report.h"

namespace kp {

LogFile::LogFile(win::Machine* machine, bool enabled)
    : machine_(machine)
    , enabled_(enabled)
{
}

void LogFile::setDataFolder(std::string folder, bool writable)
{
    dataFolder_ = std::move(folder);
    writable_ = writable;
}

std::string LogFile::path() const
{
    return dataFolder_ + "\\KLENZOR.LOG";
}

void LogFile::WriteLogFile(const PurgeReport& report, const QDateTime& now)
{
    if (!enabled_ || !machine_ || !writable_ || dataFolder_.empty())
        return;
    QString text = QStringLiteral("Klenzor.log - ") + now.toString(QStringLiteral("MM/dd/yyyy HH:mm:ss")) + QStringLiteral("\r\n");
    for (const QString& line : report.lines())
        text += line + QStringLiteral("\r\n");
    const std::string bytes = text.toStdString();
    const win::DWORD rc = written_ ? win::appendTextFile(*machine_, path(), bytes)
                                   : win::writeTextFile(*machine_, path(), bytes);
    if (rc == win::err::SUCCESS)
        written_ = true;
}

} // namespace kp
