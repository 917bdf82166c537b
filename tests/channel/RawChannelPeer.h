#pragma once

#include "channel/ChannelFrameReader.h"
#include "channel/ChannelMessage.h"

#include <QLocalSocket>
#include <QObject>

// A client that writes whatever bytes a test gives it, and keeps every message it reads; for
// the misbehaving windows the real client never plays.
class RawChannelPeer : public QObject
{
    Q_OBJECT
public:
    explicit RawChannelPeer(const QString& serverName)
    {
        connect(&m_socket, &QLocalSocket::readyRead, this,
                [this] { m_received += m_reader.read(m_socket.readAll()).messages; });
        m_socket.connectToServer(serverName);
    }

    QLocalSocket& socket() { return m_socket; }
    const QList<ChannelMessage>& received() const { return m_received; }
    bool isOpen() const { return m_socket.state() == QLocalSocket::ConnectedState; }

private:
    QLocalSocket m_socket;
    ChannelFrameReader m_reader;
    QList<ChannelMessage> m_received;
};
