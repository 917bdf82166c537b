#include "ShowRequestServer.h"

#include <QLocalServer>
#include <QLocalSocket>

namespace {

// A request is one short line; anything longer is not ours and is dropped.
constexpr qint64 MaxRequestLength = 64;

} // namespace

ShowRequestServer::ShowRequestServer(QObject* parent)
    : QObject(parent), m_server(new QLocalServer(this))
{
    connect(m_server, &QLocalServer::newConnection, this, &ShowRequestServer::acceptConnections);
}

ShowRequestServer::~ShowRequestServer() = default;

WriteResult ShowRequestServer::listen(const QString& name, bool replaceStale)
{
    if (replaceStale)
        QLocalServer::removeServer(name);
#ifdef Q_OS_WIN
    // Pipes are machine-wide: only this user may ask.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
#endif
    // No options on POSIX: the name lies in the user's private runtime directory, and
    // with options a listener would be renamed over a name that is in use.
    if (!m_server->listen(name))
        return WriteResult::failure(m_server->errorString());
    return WriteResult::success();
}

bool ShowRequestServer::isListening() const
{
    return m_server->isListening();
}

void ShowRequestServer::acceptConnections()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
        // Bytes may have arrived before the connection above.
        readRequest(socket);
    }
}

void ShowRequestServer::readRequest(QLocalSocket* socket)
{
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine(MaxRequestLength);
        if (!line.endsWith('\n')) {
            // Longer than any request: not ours, and its tail must not pass for one.
            socket->abort();
            return;
        }
        if (line == ShowLine)
            Q_EMIT showRequested();
    }
    if (socket->bytesAvailable() >= MaxRequestLength)
        socket->abort();
}
