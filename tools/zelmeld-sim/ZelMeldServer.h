#pragma once

#include "LineTally.h"
#include "ReplyScript.h"

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QStringList>
#include <QTcpServer>
#include <QTimer>

class QTcpSocket;

// A stand-in for ZelMeld: a TCP server that takes carriage-return-ended lines (a line feed also
// ends a line, for a technician typing into a terminal) and answers each by its reply script.
// It can close a connection after a number of lines and stop listening for a while.
class ZelMeldServer : public QObject
{
    Q_OBJECT
public:
    explicit ZelMeldServer(const ReplyScript& script, QObject* parent = nullptr);
    ~ZelMeldServer() override;

    // Port 0 takes a free port; port() tells which.
    bool listen(const QHostAddress& address, quint16 port);
    bool isListening() const { return m_server.isListening(); }
    QHostAddress address() const { return m_address; }
    quint16 port() const { return m_port; }
    QString errorString() const { return m_server.errorString(); }

    void setScript(const ReplyScript& script) { m_script = script; }
    // Lines that start with head get this reply instead of the script's (which does not move
    // on for them); the first matching head wins.
    void setReplyFor(const QString& head, SimReply reply);
    // While held, answers are kept back; releasing sends each connection's kept answers in one
    // write, in the order of their lines, as a busy ZelMeld might.
    void holdReplies();
    void releaseReplies();
    // Closes a connection once it has brought this many lines; 0 never.
    void setCloseAfter(int lines) { m_closeAfter = lines; }
    // How long to refuse connections after such a close, as if ZelMeld restarted; 0 not at all.
    void setRefuseAfterClose(int ms) { m_refuseAfterClose = ms; }

    // Stops listening at once, so that connection attempts are refused, and listens again on
    // the same address and port after ms.
    void refuseFor(int ms);

    // Raw bytes to every open connection, for answers the script cannot give.
    void sendToClients(const QByteArray& bytes);

    const QStringList& receivedLines() const { return m_lines; }
    qint64 bytesReceived() const { return m_bytesReceived; }
    int connectionCount() const { return m_connectionCount; }
    int openConnectionCount() const { return int(m_clients.size()); }
    const LineTally& tally() const { return m_tally; }
    QString summary() const { return m_tally.summary(m_connectionCount); }

Q_SIGNALS:
    // What happens, as a line for the operator (without time stamp).
    void report(const QString& text);
    void lineReceived(const QString& line);
    void listeningChanged(bool listening);
    void connectionClosed();

private:
    struct Client
    {
        int number = 0;
        QByteArray pending;
        int lines = 0;
    };

    void acceptConnections();
    void readClient(QTcpSocket* socket);
    bool takeLine(QTcpSocket* socket, Client& client, const QByteArray& line);
    void answer(QTcpSocket* socket, const QString& line, const QString& prefix);
    SimReply replyFor(const QString& line);
    void closeClient(QTcpSocket* socket, int lines);
    void dropClient(QTcpSocket* socket);
    void listenAgain();
    QString endpointText() const;

    QTcpServer m_server;
    QTimer m_refuseTimer;
    ReplyScript m_script;
    QHostAddress m_address;
    quint16 m_port = 0;
    int m_closeAfter = 0;
    int m_refuseAfterClose = 0;
    QHash<QTcpSocket*, Client> m_clients;
    QList<QPair<QString, SimReply>> m_replyFor;
    bool m_holding = false;
    QHash<QTcpSocket*, QByteArray> m_held;
    QStringList m_lines;
    qint64 m_bytesReceived = 0;
    int m_connectionCount = 0;
    LineTally m_tally;
};
