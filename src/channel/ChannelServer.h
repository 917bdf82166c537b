#pragma once

#include "channel/ChannelLimits.h"
#include "channel/ChannelMessage.h"

#include <QHash>
#include <QObject>
#include <QString>

class ChannelPeer;
class QLocalServer;
class QTimer;

// Whether the server listens, and if not, why.
struct [[nodiscard]] ChannelListenResult
{
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// The service's side of the channel: any number of windows up to a cap, each first saying
// hello. A client that misbehaves (silence past the hello timeout, garbage, an oversize frame,
// a wrong version) is dropped with a logged reason; the others go on. Nothing here waits on
// a socket, so the event loop that forwards alarms never stalls on a window.
class ChannelServer : public QObject
{
    Q_OBJECT
public:
    explicit ChannelServer(const QString& programVersion, QObject* parent = nullptr);
    ~ChannelServer() override;

    // Linux: name is the socket's path (in the service's runtime directory); it is made
    // mode 0660, for the service's account and its group. A socket left by a crashed service
    // is removed first: the caller holds the data directory's lock, so no live server owns it.
    //
    // Windows: name is the pipe's name. Its security must admit the local system,
    // administrators and interactive users, and the pipe must reject remote clients
    // (PIPE_REJECT_REMOTE_CLIENTS); that descriptor is still to be set up there.
    ChannelListenResult listen(const QString& name);
    void close();
    bool isListening() const;
    QString fullServerName() const;

    // For tests; the defaults are the named limits.
    void setHelloTimeoutMs(int ms) { m_helloTimeoutMs = ms; }
    void setMaxClients(int count) { m_maxClients = count; }

    // Connected clients, whether welcomed yet or not.
    int clientCount() const { return int(m_clients.size()); }
    int welcomedCount() const;

    // To every welcomed client.
    void broadcast(const ChannelMessage& message);
    // To one welcomed client; false when it is gone.
    bool send(quint64 clientId, const ChannelMessage& message);
    // The answer to a client's request carries the request's id.
    bool answer(quint64 clientId, const ChannelMessage& request, ChannelMessage reply);

Q_SIGNALS:
    void clientWelcomed(quint64 clientId);
    // A welcomed client's message other than the handshake (a request has a request id).
    void messageReceived(quint64 clientId, const ChannelMessage& message);
    // A client is gone: disconnected, or dropped for the reason given.
    void clientGone(quint64 clientId, const QString& reason);

private:
    struct Client
    {
        ChannelPeer* peer = nullptr;
        QTimer* helloTimer = nullptr;
        bool welcomed = false;
    };

    void acceptPending();
    void accept(ChannelPeer* peer);
    void refuseOverCap(ChannelPeer* peer);
    void receive(quint64 clientId, const ChannelMessage& message);
    void receiveHello(quint64 clientId, Client& client, const ChannelMessage& hello);
    void drop(quint64 clientId, const QString& reason);
    void forget(quint64 clientId, const QString& reason);

    QString m_programVersion;
    QLocalServer* m_server;
    QHash<quint64, Client> m_clients;
    quint64 m_nextClientId = 1;
    int m_helloTimeoutMs = kChannelHelloTimeoutMs;
    int m_maxClients = kChannelMaxClients;
};
