#pragma once

#include "channel/ChannelFrameReader.h"
#include "channel/ChannelMessage.h"

#include <QLocalSocket>
#include <QObject>

// One end of a channel connection: frames out, messages in. Never waits: writes are queued by
// the socket, reads come on its signal. A bad frame aborts the connection; the peer reports
// why and is then only good for deleting.
class ChannelPeer : public QObject
{
    Q_OBJECT
public:
    // Takes the socket over (it becomes a child).
    explicit ChannelPeer(QLocalSocket* socket, QObject* parent = nullptr);

    void send(const ChannelMessage& message);
    void sendFrame(const QByteArray& frame);
    // Closes once what was sent has left (a refusal reaches its reader).
    void closeAfterWrites();
    // Closes at once, dropping what is unsent.
    void abort();

    bool isConnected() const;
    QLocalSocket* socket() const { return m_socket; }

Q_SIGNALS:
    void messageReceived(const ChannelMessage& message);
    // A bad frame came; the connection is already aborted.
    void protocolError(ChannelDecodeError error);
    // The connection ended, whichever side ended it.
    void disconnected();

private:
    void readAvailable();

    QLocalSocket* m_socket;
    ChannelFrameReader m_reader;
};
