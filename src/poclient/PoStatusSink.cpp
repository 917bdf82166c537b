#include "PoStatusSink.h"

#include "PoClient.h"

void PoStatusSink::emitStatusText(const QString& text)
{
    const QMutexLocker lock(&m_mutex);
    if (m_client)
        Q_EMIT m_client->statusText(text);
}

void PoStatusSink::detach()
{
    const QMutexLocker lock(&m_mutex);
    m_client = nullptr;
}
