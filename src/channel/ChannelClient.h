#pragma once

#include "channel/ChannelMessage.h"

#include <QObject>
#include <QString>

class ChannelPeer;

// A window's side of the channel: connects, says hello, and hands on what the service sends.
// It never reconnects on its own; the owner decides when to try again (connectToServer once
// more), so a service that is down is not hammered.
class ChannelClient : public QObject
{
    Q_OBJECT
public:
    enum class State
    {
        Disconnected,
        Connecting, // the socket is opening or the hello is unanswered
        Welcomed
    };
    Q_ENUM(State)

    explicit ChannelClient(const QString& programVersion, QObject* parent = nullptr);
    ~ChannelClient() override;

    // Opens (or reopens) the connection to the server's socket path or pipe name. A server
    // that is not there may be reported (disconnected) before this returns.
    void connectToServer(const QString& name);
    void disconnectFromServer();
    State state() const { return m_state; }
    // The service's program version, once welcomed.
    QString serverProgram() const { return m_serverProgram; }

    // Sends a request; the answer comes as answerReceived with the id returned. 0 when the
    // client is not welcomed (nothing is sent).
    qint64 request(const QString& type, const QCborMap& body = {});
    // A message that wants no answer; false when not welcomed.
    bool send(const ChannelMessage& message);

Q_SIGNALS:
    void welcomed(const QString& serverProgram);
    // The service said no; the reason is for the operator.
    void refused(const QString& reason);
    // A message from the service that answers no request of ours (a broadcast).
    void messageReceived(const ChannelMessage& message);
    void answerReceived(qint64 requestId, const ChannelMessage& answer);
    // The connection ended or could not be made; the reason is for the log.
    void disconnected(const QString& reason);

private:
    void openPeer(const QString& name);
    void receive(const ChannelMessage& message);
    // Closes and lets go of the connection, silently; false when there was none.
    bool release();
    // Ends the connection and says why.
    void end(const QString& reason);

    QString m_programVersion;
    QString m_serverProgram;
    ChannelPeer* m_peer = nullptr;
    State m_state = State::Disconnected;
    qint64 m_nextRequestId = 1;
};
