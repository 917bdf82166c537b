#pragma once

#include <QList>
#include <QTcpServer>

class QTcpSocket;

// A peer that counts the lines it gets, never answers, and ends its connections when told:
// orderly (FIN) or by a reset (RST).
class EndingPeer
{
public:
    EndingPeer();

    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    quint16 port() const { return m_server.serverPort(); }
    int lines() const { return int(m_lines); }
    int connections() const { return int(m_sockets.size()); }

    void endConnections(bool reset);

private:
    QTcpServer m_server;
    QList<QTcpSocket*> m_sockets;
    qsizetype m_lines = 0;
};
