#pragma once

#include "PeerCloseProbe.h"
#include "ZelReplyLedger.h"
#include "ZelReplyReader.h"

#include "core/ZelTimeMachine.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTcpSocket>

struct Settings;

// The TCP link to ZelMeld. Senders queue complete message lines with SendIPString; the socket
// state machine tmmSockets takes them one at a time, opens the connection when it is not open
// and sends each line. ZelMeld answers the lines of a connection in order, so each reply is
// tied to the oldest unanswered line and a sender reads the reply to its own line with
// replyTo(id); LastReply only shows the newest line received. Nothing is resent here: a message
// whose connection fails is lost, and repeating it is the sender's business. Everything runs on the
// thread that owns the link (the GUI thread).
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

    // Queues the message and clears LastReply and ReplyReceived; log writes it as a "Send:"
    // line to the ZelMeld list. Returns the message's id for replyTo and neverWritten; ids
    // start at 1.
    quint64 SendIPString(const QString& message, bool log);

    // ZelMeld's reply to the message of this id, once it has come. A message whose connection
    // ended before its reply never gets one. Only the most recent few dozen replies are kept.
    std::optional<QString> replyTo(quint64 id) const { return m_replies.replyTo(id); }

    // True once the link has given the message up without its line having left on a connected
    // socket (connection refused or failed, host not found, an open that failed, a socket error
    // before the line was handed to the system). A line that left and got no answer is not
    // such a message. Only the most recent few dozen such ids are kept.
    bool neverWritten(quint64 id) const;

    const QStringList& SendQueue() const { return m_sendQueue; }
    const QString& CurrentMessage() const { return m_currentMessage; }
    // The newest line received since the last SendIPString, whichever line it answers: for
    // display. Senders judge their own reply with replyTo.
    const QString& LastReply() const { return m_lastReply; }
    bool ReplyReceived() const { return m_replyReceived; }
    // Every byte read from ZelMeld so far, for diagnostics: a read that made no line shows here.
    qint64 bytesReceived() const { return m_bytesReceived; }
    bool SocketConnected() const { return m_socketConnected; }
    bool SocketFailed() const { return m_socketFailed; }
    // The ZelMeld link's state: failed from a socket error until ZelMeld sends data again.
    bool linkFailed() const { return m_linkFailed; }
    // The connection is up as far as the link has heard: a close by ZelMeld counts from the
    // moment its event arrived.
    bool isConnected() const;

    // Raised flag of the office-link supervision, which sets it when it queues its link-lost
    // alarm and clears it with the all-clear. A socket error clears it too, so that alarm goes
    // out again over the new connection.
    bool PoLinkAlarmActive() const { return m_poLinkAlarmActive; }
    void setPoLinkAlarmActive(bool active) { m_poLinkAlarmActive = active; }

    // Steps every 10 ms, or on events (a queued message, a connect, an error); State and
    // StateText are readable for diagnostics and tests.
    const tZelTimeMachine& tmmSockets() const { return m_tmmSockets; }

    // For tests that step the link by hand, between two steps of their peer: the machine is
    // at its start state, and steps only at stepByHand().
    void startSteppedByHand();
    // One tick of the socket machine: one step, or, event-driven, the steps that are due.
    void stepByHand();

Q_SIGNALS:
    // Text for the status bar's message panel; an empty text clears it.
    void statusText(const QString& text);
    // The message of this id was given up unwritten (see neverWritten).
    void messageNotWritten(quint64 id);
    // ZelMeld answered the message of this id.
    void replyReceived(quint64 id);
    void linkFailedChanged(bool failed);

private:
    void tmmSocketsDoState(tZelTimeMachine& sender);
    StepWait socketWait() const;
    void takeNextMessage(tZelTimeMachine& sender);
    void openSocket();
    void sendCurrentMessage();
    void closeSocket();
    void failOpen(const QString& reason);
    void markLinkFailed();
    void giveUpUnwritten();
    void giveUpUnflushed();
    void giveUp(quint64 id);
    void lineBytesWritten(qint64 bytes);

    void csZelMeldConnect();
    void csZelMeldRead();
    void csZelMeldError(QAbstractSocket::SocketError error);
    void csZelMeldDisconnected();
    void reportSocketError(QAbstractSocket::SocketError error);
    void takeReplies(const QStringList& lines);

    // A sent line whose bytes still wait, in part or whole, in the socket's buffer.
    struct UnflushedLine
    {
        quint64 id = 0;
        qint64 bytesLeft = 0;
    };

    tZelTimeMachine m_tmmSockets;
    const Settings& m_settings;
    QTcpSocket csZelMeld;
    ZelReplyReader m_replyReader;
    ZelReplyLedger m_replies;
    PeerCloseProbe m_closeProbe;
    PeerCloseProbe::Close m_peerClose = PeerCloseProbe::Close::Unknown;
    // host:port of the last open, for the log.
    QString m_target;
    QStringList m_sendQueue;
    QList<quint64> m_sendQueueIds;
    QList<Timestamp> m_sendQueueTimes;
    QString m_currentMessage;
    // Id of CurrentMessage until its line is handed to the socket; 0 after, or for none.
    quint64 m_currentId = 0;
    Timestamp m_currentQueuedAt = 0.0;
    quint64 m_lastId = 0;
    QList<UnflushedLine> m_unflushed;
    QList<quint64> m_neverWritten;
    QString m_lastReply;
    bool m_replyReceived = false;
    bool m_socketConnected = false;
    bool m_socketFailed = false;
    bool m_linkFailed = false;
    qint64 m_bytesReceived = 0;
    bool m_poLinkAlarmActive = false;
};
