#pragma once
// The log file: with the `log` keyword, each write appends the whole report
// under a "Klenzor.log - <date> <time>" line. The first write of a program
// run starts the file afresh. Failures are ignored; the report on screen
// keeps its lines.

#include <QDateTime>

#include <string>

namespace kp {

namespace win {
class Machine;
}
class PurgeReport;

class LogFile {
public:
    // `machine` may be null: then nothing is written.
    LogFile(win::Machine* machine, bool enabled);

    // The data folder the log lives in; empty or read-only means no log.
    void setDataFolder(std::string folder, bool writable);

    void WriteLogFile(const PurgeReport& report, const QDateTime& now = QDateTime::currentDateTime());

    std::string path() const;

private:
    win::Machine* machine_;
    bool enabled_;
    std::string dataFolder_;
    bool writable_ = false;
    bool written_ = false;
};

} // namespace kp
