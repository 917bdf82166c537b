#include "EndingPeer.h"

#include <QTcpSocket>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

EndingPeer::EndingPeer()
{
    QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            m_sockets.append(socket);
            QObject::connect(socket, &QTcpSocket::readyRead, socket,
                             [this, socket] { m_lines += socket->readAll().count('\r'); });
        }
    });
}

void EndingPeer::endConnections(bool reset)
{
    for (QTcpSocket* socket : std::as_const(m_sockets)) {
        if (socket->state() != QAbstractSocket::ConnectedState)
            continue;
        if (reset) {
            // Lingering for no time turns the close into a reset.
            const linger now = {1, 0};
            ::setsockopt(socket->socketDescriptor(), SOL_SOCKET, SO_LINGER,
                         reinterpret_cast<const char*>(&now), sizeof now);
            socket->abort();
        } else {
            socket->disconnectFromHost();
        }
    }
}
