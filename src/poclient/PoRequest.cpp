#include "PoRequest.h"

#include <curl/curl.h>

PoTimeouts defaultPoTimeouts(PoRequestKind kind)
{
    if (kind == PoRequestKind::Configuration)
        return PoTimeouts{PoConnectMs, PoConfigTransferMs, PoMaxAnswerBytes};
    return PoTimeouts{PoConnectMs, PoAlarmsTransferMs, PoMaxAnswerBytes};
}

void TransferWaker::attach(void* multiHandle)
{
    const QMutexLocker lock(&m_mutex);
    m_multiHandle = multiHandle;
}

// The worker detaches before it frees the handle, so wake() never touches a freed one.
void TransferWaker::detach()
{
    const QMutexLocker lock(&m_mutex);
    m_multiHandle = nullptr;
}

void TransferWaker::wake()
{
    const QMutexLocker lock(&m_mutex);
    if (m_multiHandle)
        curl_multi_wakeup(static_cast<CURLM*>(m_multiHandle));
}
