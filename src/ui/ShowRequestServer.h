#pragma once

#include "core/WriteResult.h"

#include <QObject>

class QLocalServer;
class QLocalSocket;

// Listens beside the single-instance guard for a second start of the window, which
// asks for the running window instead of opening one of its own.
class ShowRequestServer : public QObject
{
    Q_OBJECT
public:
    // The one request line a second start writes.
    static constexpr char ShowLine[] = "show\n";

    explicit ShowRequestServer(QObject* parent = nullptr);
    ~ShowRequestServer() override;

    // Starts listening on name. A name left behind by a killed instance is removed first,
    // but only by the holder of the guard (replaceStale): anyone else might remove the
    // name of the instance that runs.
    WriteResult listen(const QString& name, bool replaceStale);
    bool isListening() const;

Q_SIGNALS:
    void showRequested();

private:
    void acceptConnections();
    void readRequest(QLocalSocket* socket);

    QLocalServer* m_server;
};
