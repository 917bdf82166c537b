#pragma once

#include "ZelReplyReader.h"

#include "core/ZelTimeMachine.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTcpSocket>

struct Settings;

// The TCP link to ZelMeld. Senders queue complete message lines with SendIPString; the socket
// state machine tmmSockets takes them one at a time, opens the connection when it is not open
// and sends each line. The last line ZelMeld answered is left in LastReply for the sender to
// judge. Nothing is resent here: a message whose connection fails is lost, and repeating it is
// the sender's business. Everything runs on the thread that owns the link (the GUI thread).
class ZelLink : public QObject
{
    Q_OBJECT
public:
    // The settings are read at every open, so a changed host or port takes effect at the next
    // connection. They must outlive the link.
    explicit ZelLink(const Settings& settings, QObject* parent = nullptr);
    ~ZelLink() override;

    // Sets the machine to its start state and lets it run; it runs until the link is destroyed.
    void start();

    // Clears the reply, so that only a line arriving from now on answers this message, and
    // queues the message; log writes it as a "Send:" line to the ZelMeld list.
    void SendIPString(const QString& message, bool log);

    const QStringList& SendQueue() const { return m_sendQueue; }
    const QString& CurrentMessage() const { return m_currentMessage; }
    const QString& LastReply() const { return m_lastReply; }
    bool ReplyReceived() const { return m_replyReceived; }
    bool SocketConnected() const { return m_socketConnected; }
    bool SocketFailed() const { return m_socketFailed; }

    // Raised flag of the office-link supervision, which sets it when it queues its link-lost
    // alarm. A socket error clears it, so that alarm goes out again over the new connection.
    bool PoLinkAlarmActive = false;

    // Steps every 10 ms; State and StateText are readable for diagnostics and tests.
    tZelTimeMachine tmmSockets;

Q_SIGNALS:
    // Text for the status bar's message panel; an empty text clears it.
    void statusText(const QString& text);

private:
    void tmmSocketsDoState(tZelTimeMachine& sender);
    void takeNextMessage(tZelTimeMachine& sender);
    void openSocket();
    void sendCurrentMessage();
    void closeSocket();
    bool isConnected() const;

    void csZelMeldConnect();
    void csZelMeldRead();
    void csZelMeldError(QAbstractSocket::SocketError error);
    void reportSocketError(QAbstractSocket::SocketError error);

    const Settings& m_settings;
    QTcpSocket csZelMeld;
    ZelReplyReader m_replyReader;
    QStringList m_sendQueue;
    QString m_currentMessage;
    QString m_lastReply;
    bool m_replyReceived = false;
    bool m_socketConnected = false;
    bool m_socketFailed = false;
};
