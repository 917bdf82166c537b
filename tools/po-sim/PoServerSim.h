#pragma once

#include "PoSimFault.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>

class QTcpSocket;
struct PoSimReply;
struct PoSimRequest;

// Stands in for the office alarm server: answers GET on the configuration and the
// active-alarms path from two files in a folder, read afresh at every request, so editing a
// file raises or clears alarms. Every answer closes the connection. Faults can be set per
// endpoint. Use it on the thread it was created on; it answers from that thread's event loop.
class PoServerSim : public QObject
{
    Q_OBJECT
public:
    explicit PoServerSim(const QString& folder, QObject* parent = nullptr);

    // Port 0 takes an ephemeral port; serverPort() tells which.
    bool listen(const QHostAddress& address = QHostAddress(QHostAddress::LocalHost),
                quint16 port = 0);
    QString errorString() const { return m_server.errorString(); }
    QHostAddress serverAddress() const { return m_server.serverAddress(); }
    quint16 serverPort() const { return m_server.serverPort(); }

    // "/office/alarm/alarmserverconfig" or "/office/alarm/alarmserver".
    static QString path(PoEndpoint endpoint);
    // "alarmserverconfig.xml" or "alarmserver.xml".
    static QString fileName(PoEndpoint endpoint);
    QString filePath(PoEndpoint endpoint) const;
    // "<address>:<port>" of the listening server ("[<address>]:<port>" for IPv6).
    QString authority() const;
    // "http://" + authority() + path(endpoint).
    QString url(PoEndpoint endpoint) const;

    void setFault(PoEndpoint endpoint, const PoFault& fault);
    void setFault(const PoFault& fault); // both endpoints
    void setFaults(const PoFaults& faults) { m_faults = faults; }
    const PoFault& fault(PoEndpoint endpoint) const { return faultFor(m_faults, endpoint); }

    // Requests read so far, whatever was answered.
    int requestCount() const { return m_requestCount; }

Q_SIGNALS:
    // One line per request: local time stamp, peer, request line and what is answered.
    void requestLogged(const QString& line);

private:
    void acceptConnections();
    void serve(QTcpSocket* socket);
    void handle(QTcpSocket* socket, const PoSimRequest& request);
    PoSimReply replyFor(PoEndpoint endpoint, QString* note) const;
    void logRequest(QTcpSocket* socket, const QByteArray& requestLine, const QString& outcome);

    QTcpServer m_server;
    QString m_folder;
    PoFaults m_faults;
    int m_requestCount = 0;
};
