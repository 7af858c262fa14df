#pragma once
// The single-instance guard: a per-user local socket named after the Windows
// machine. The first instance listens on it; a later one connects and asks
// the first to bring its active window to the front.

#include <QLocalServer>
#include <QObject>

#include <string>

namespace kp {

class SingleInstanceGuard : public QObject {
    Q_OBJECT
public:
    explicit SingleInstanceGuard(QString serverName, QObject* parent = nullptr);

    // The user's runtime folder: XDG_RUNTIME_DIR, else a private folder of
    // the user's in the temporary folder, made when missing.
    static QString runtimeFolder();
    // The server name for a machine's prefix folder, in the user's runtime folder.
    static QString serverNameFor(const std::string& prefixDir);

    // True when this process is the first instance; it then listens.
    bool claim();
    // Asks the first instance to come forward; false when none answered.
    bool activateFirst(int timeoutMs = 2000);

signals:
    void activationRequested();

private:
    void acceptConnection();

    QString name_;
    QLocalServer server_;
};

} // namespace kp
