#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QSocketNotifier;

// A stand-in for the service manager's notification socket: a datagram socket in a
// temporary folder that collects every message the program sends to NOTIFY_SOCKET.
class NotifySocket : public QObject
{
    Q_OBJECT
public:
    // Binds "notify" inside dir; isOpen() says whether that worked.
    explicit NotifySocket(const QString& dir);
    ~NotifySocket() override;

    bool isOpen() const { return m_fd >= 0; }
    QString path() const { return m_path; }

    const QList<QByteArray>& messages() const { return m_messages; }
    qsizetype count(const QByteArray& message) const { return m_messages.count(message); }
    // Sends a datagram to the socket itself, as a marker in the order of arrival.
    bool sendToSelf(const QByteArray& message) const;

Q_SIGNALS:
    void received(const QByteArray& message);

private:
    void readAll();

    QString m_path;
    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
    QList<QByteArray> m_messages;
};
