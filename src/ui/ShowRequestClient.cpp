#include "ShowRequestClient.h"

#include "ShowRequestServer.h"

#include <QLocalSocket>

WriteResult sendShowRequest(const QString& serverName, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(timeoutMs))
        return WriteResult::failure(socket.errorString());
    const QByteArray line(ShowRequestServer::ShowLine);
    if (socket.write(line) != line.size() ||
        (socket.bytesToWrite() > 0 && !socket.waitForBytesWritten(timeoutMs)))
        return WriteResult::failure(socket.errorString());
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
    return WriteResult::success();
}
