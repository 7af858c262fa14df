#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>
#include <QFile>

namespace kp {

namespace {
const QByteArray kActivate = QByteArrayLiteral("ACTIVATE\n");
}

SingleInstanceGuard::SingleInstanceGuard(QString serverName, QObject* parent)
    : QObject(parent)
    , name_(std::move(serverName))
{
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstanceGuard::acceptConnection);
}

QString SingleInstanceGuard::runtimeFolder()
{
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty()) {
        folder = QDir::tempPath() + QStringLiteral("/klenpro-") + qEnvironmentVariable("USER", QStringLiteral("user"));
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    return folder;
}

QString SingleInstanceGuard::serverNameFor(const std::string& prefixDir)
{
    const QString folder = runtimeFolder();
    const QByteArray key = QCryptographicHash::hash(QByteArray::fromStdString(prefixDir), QCryptographicHash::Sha1).toHex().left(16);
    return folder + QStringLiteral("/klenpro-PREVINST-") + QString::fromLatin1(key);
}

bool SingleInstanceGuard::claim()
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        QLocalSocket probe;
        probe.connectToServer(name_);
        if (probe.waitForConnected(500))
            return false;
        QLocalServer::removeServer(name_);
        if (server_.listen(name_))
            return true;
    }
    // The socket cannot be made: run unguarded rather than not at all.
    return true;
}

bool SingleInstanceGuard::activateFirst(int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(kActivate);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    socket.waitForReadyRead(timeoutMs);
    return true;
}

void SingleInstanceGuard::acceptConnection()
{
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            if (socket->readLine() == kActivate) {
                emit activationRequested();
                socket->write("OK\n");
                socket->flush();
            }
            socket->disconnectFromServer();
        });
    }
}

} // namespace kp
