#include "channel/ChannelClient.h"

#include "channel/ChannelHandshake.h"
#include "channel/ChannelLimits.h"
#include "channel/ChannelPeer.h"

#include <QLocalSocket>

using namespace Qt::StringLiterals;

ChannelClient::ChannelClient(const QString& programVersion, QObject* parent)
    : QObject(parent), m_programVersion(programVersion)
{
}

ChannelClient::~ChannelClient()
{
    release();
}

void ChannelClient::connectToServer(const QString& name)
{
    // A connection still open is closed without a word: the owner asked for a new one.
    release();
    m_serverProgram.clear();
    m_state = State::Connecting;
    openPeer(name);
}

void ChannelClient::openPeer(const QString& name)
{
    auto* socket = new QLocalSocket;
    m_peer = new ChannelPeer(socket, this);
    connect(socket, &QLocalSocket::connected, this,
            [this] { m_peer->send(channelHello(m_programVersion)); });
    // Whether the connection failed to open or ended, the socket comes to rest unconnected.
    connect(socket, &QLocalSocket::stateChanged, this,
            [this, socket](QLocalSocket::LocalSocketState state) {
                if (state != QLocalSocket::UnconnectedState)
                    return;
                end(socket->error() == QLocalSocket::PeerClosedError || !m_serverProgram.isEmpty()
                        ? u"the service closed the channel"_s
                        : socket->errorString());
            });
    connect(m_peer, &ChannelPeer::messageReceived, this, &ChannelClient::receive);
    connect(m_peer, &ChannelPeer::protocolError, this, [this](ChannelDecodeError error) {
        end(u"the service sent a bad frame: "_s + channelDecodeErrorText(error));
    });
    socket->connectToServer(name);
}

void ChannelClient::disconnectFromServer()
{
    if (m_peer)
        m_peer->closeAfterWrites();
}

qint64 ChannelClient::request(const QString& type, const QCborMap& body)
{
    if (m_state != State::Welcomed)
        return 0;
    const qint64 id = m_nextRequestId++;
    m_peer->send(ChannelMessage::make(type, body, id));
    return id;
}

bool ChannelClient::send(const ChannelMessage& message)
{
    if (m_state != State::Welcomed)
        return false;
    m_peer->send(message);
    return true;
}

void ChannelClient::receive(const ChannelMessage& message)
{
    // A refusal is read whatever version sent it: that is how a window of another version
    // learns why it was sent away.
    if (message.type == kChannelRefused) {
        const QString reason = channelReasonOf(message);
        Q_EMIT refused(reason);
        end(u"refused: "_s + reason);
        return;
    }
    if (m_state == State::Connecting) {
        if (message.type != kChannelWelcome || message.version != kChannelProtocolVersion) {
            end(u"the service answered the hello with \"%1\" of version %2"_s.arg(message.type)
                    .arg(message.version));
            return;
        }
        m_state = State::Welcomed;
        m_serverProgram = channelProgramOf(message);
        Q_EMIT welcomed(m_serverProgram);
        return;
    }
    if (message.requestId != 0)
        Q_EMIT answerReceived(message.requestId, message);
    else
        Q_EMIT messageReceived(message);
}

bool ChannelClient::release()
{
    if (!m_peer)
        return false;
    ChannelPeer* peer = m_peer;
    m_peer = nullptr;
    m_state = State::Disconnected;
    disconnect(peer, nullptr, this, nullptr);
    peer->socket()->disconnect(this);
    peer->abort();
    peer->deleteLater();
    return true;
}

void ChannelClient::end(const QString& reason)
{
    if (release())
        Q_EMIT disconnected(reason);
}
