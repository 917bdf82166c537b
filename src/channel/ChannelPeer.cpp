#include "channel/ChannelPeer.h"

ChannelPeer::ChannelPeer(QLocalSocket* socket, QObject* parent) : QObject(parent), m_socket(socket)
{
    m_socket->setParent(this);
    connect(m_socket, &QLocalSocket::readyRead, this, &ChannelPeer::readAvailable);
    connect(m_socket, &QLocalSocket::disconnected, this, &ChannelPeer::disconnected);
}

void ChannelPeer::send(const ChannelMessage& message)
{
    sendFrame(message.toFrame());
}

void ChannelPeer::sendFrame(const QByteArray& frame)
{
    if (m_socket->state() == QLocalSocket::ConnectedState)
        m_socket->write(frame);
}

void ChannelPeer::closeAfterWrites()
{
    m_socket->disconnectFromServer();
}

void ChannelPeer::abort()
{
    m_socket->abort();
}

bool ChannelPeer::isConnected() const
{
    return m_socket->state() == QLocalSocket::ConnectedState;
}

void ChannelPeer::readAvailable()
{
    if (m_reader.failed())
        return;
    const ChannelFrameReader::Result result = m_reader.read(m_socket->readAll());
    for (const ChannelMessage& message : result.messages) {
        Q_EMIT messageReceived(message);
        // A receiver may have closed the connection on that message.
        if (!isConnected())
            return;
    }
    if (result.error) {
        Q_EMIT protocolError(*result.error);
        m_socket->abort();
    }
}
