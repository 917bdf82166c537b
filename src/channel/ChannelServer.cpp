#include "channel/ChannelServer.h"

#include "channel/ChannelHandshake.h"
#include "channel/ChannelPeer.h"

#include "core/Log.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

void logChannel(const QString& text)
{
    LogMessage(u"Channel: "_s + text);
}

} // namespace

ChannelServer::ChannelServer(const QString& programVersion, QObject* parent)
    : QObject(parent), m_programVersion(programVersion), m_server(new QLocalServer(this))
{
    connect(m_server, &QLocalServer::newConnection, this, &ChannelServer::acceptPending);
}

ChannelServer::~ChannelServer()
{
    close();
}

ChannelListenResult ChannelServer::listen(const QString& name)
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption | QLocalServer::GroupAccessOption);
    bool listening = m_server->listen(name);
    if (!listening && m_server->serverError() == QAbstractSocket::AddressInUseError) {
        QLocalServer::removeServer(name);
        listening = m_server->listen(name);
    }
    if (!listening)
        return {u"cannot listen on %1: %2"_s.arg(name, m_server->errorString())};
#ifndef Q_OS_WIN
    // Qt leaves the execute bits on; the socket needs read and write only.
    const QFileDevice::Permissions mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ReadGroup | QFileDevice::WriteGroup;
    if (!QFile::setPermissions(m_server->fullServerName(), mode)) {
        m_server->close();
        return {u"cannot set the mode of %1"_s.arg(m_server->fullServerName())};
    }
#endif
    return {};
}

void ChannelServer::close()
{
    m_server->close();
    const QList<quint64> ids = m_clients.keys();
    for (const quint64 id : ids)
        drop(id, u"the service closes the channel"_s);
}

bool ChannelServer::isListening() const
{
    return m_server->isListening();
}

QString ChannelServer::fullServerName() const
{
    return m_server->fullServerName();
}

int ChannelServer::welcomedCount() const
{
    int count = 0;
    for (const Client& client : m_clients)
        count += client.welcomed ? 1 : 0;
    return count;
}

void ChannelServer::broadcast(const ChannelMessage& message)
{
    const QByteArray frame = message.toFrame();
    for (const Client& client : std::as_const(m_clients)) {
        if (client.welcomed)
            client.peer->sendFrame(frame);
    }
}

bool ChannelServer::send(quint64 clientId, const ChannelMessage& message)
{
    const auto it = m_clients.constFind(clientId);
    if (it == m_clients.cend() || !it->welcomed)
        return false;
    it->peer->send(message);
    return true;
}

bool ChannelServer::answer(quint64 clientId, const ChannelMessage& request, ChannelMessage reply)
{
    reply.requestId = request.requestId;
    return send(clientId, reply);
}

void ChannelServer::acceptPending()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        auto* peer = new ChannelPeer(socket, this);
        if (clientCount() >= m_maxClients)
            refuseOverCap(peer);
        else
            accept(peer);
    }
}

void ChannelServer::refuseOverCap(ChannelPeer* peer)
{
    const QString reason =
        u"%1 windows are attached already, the most this service serves"_s.arg(m_maxClients);
    logChannel(u"client refused: "_s + reason);
    connect(peer, &ChannelPeer::disconnected, peer, &QObject::deleteLater);
    peer->send(channelRefusal(reason));
    peer->closeAfterWrites();
}

void ChannelServer::accept(ChannelPeer* peer)
{
    const quint64 id = m_nextClientId++;
    Client client;
    client.peer = peer;
    client.helloTimer = new QTimer(peer);
    client.helloTimer->setSingleShot(true);
    connect(client.helloTimer, &QTimer::timeout, this,
            [this, id] { drop(id, u"no hello within %1 ms"_s.arg(m_helloTimeoutMs)); });
    client.helloTimer->start(m_helloTimeoutMs);
    connect(peer, &ChannelPeer::messageReceived, this,
            [this, id](const ChannelMessage& message) { receive(id, message); });
    connect(peer, &ChannelPeer::protocolError, this, [this, id](ChannelDecodeError error) {
        forget(id, u"dropped: "_s + channelDecodeErrorText(error));
    });
    connect(peer, &ChannelPeer::disconnected, this, [this, id] { forget(id, u"disconnected"_s); });
    m_clients.insert(id, client);
}

void ChannelServer::receive(quint64 clientId, const ChannelMessage& message)
{
    const auto it = m_clients.find(clientId);
    if (it == m_clients.end())
        return;
    if (!it->welcomed) {
        receiveHello(clientId, *it, message);
        return;
    }
    if (message.type == kChannelHello) {
        drop(clientId, u"a second hello"_s);
        return;
    }
    Q_EMIT messageReceived(clientId, message);
}

void ChannelServer::receiveHello(quint64 clientId, Client& client, const ChannelMessage& hello)
{
    client.helloTimer->stop();
    if (const std::optional<QString> refusal = channelHelloRefusal(hello, m_programVersion)) {
        logChannel(u"client %1 refused: %2"_s.arg(clientId).arg(*refusal));
        ChannelPeer* peer = client.peer;
        // Gone from the list now; the refusal still leaves before the socket closes.
        m_clients.remove(clientId);
        disconnect(peer, nullptr, this, nullptr);
        connect(peer, &ChannelPeer::disconnected, peer, &QObject::deleteLater);
        peer->send(channelRefusal(*refusal));
        peer->closeAfterWrites();
        Q_EMIT clientGone(clientId, *refusal);
        return;
    }
    client.welcomed = true;
    client.peer->send(channelWelcome(m_programVersion));
    Q_EMIT clientWelcomed(clientId);
}

void ChannelServer::drop(quint64 clientId, const QString& reason)
{
    const auto it = m_clients.constFind(clientId);
    if (it == m_clients.cend())
        return;
    ChannelPeer* peer = it->peer;
    forget(clientId, u"dropped: "_s + reason);
    peer->abort();
}

void ChannelServer::forget(quint64 clientId, const QString& reason)
{
    const auto it = m_clients.constFind(clientId);
    if (it == m_clients.cend())
        return;
    ChannelPeer* peer = it->peer;
    m_clients.erase(it);
    disconnect(peer, nullptr, this, nullptr);
    peer->deleteLater();
    logChannel(u"client %1 %2"_s.arg(clientId).arg(reason));
    Q_EMIT clientGone(clientId, reason);
}
