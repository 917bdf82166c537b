#pragma once

#include <QMutex>
#include <QString>

class PoClient;

// The way from a worker to its client's statusText signal. A worker may outlive the client,
// so it holds this (shared) instead of the client: the client detaches itself when it is
// destroyed, and the mutex keeps it alive through an emission already under way. A plain
// "alive" flag would leave a window between its check and the emission.
class PoStatusSink
{
public:
    explicit PoStatusSink(PoClient* client) : m_client(client) {}

    // Emits statusText on the calling thread; receivers on other threads get it queued.
    void emitStatusText(const QString& text);
    void detach();

private:
    QMutex m_mutex;
    PoClient* m_client;
};
