#include "PoClient.h"

#include "PoStatusSink.h"
#include "PoTransfer.h"
#include "PoWorker.h"

#include "core/Directories.h"
#include "core/Language.h"
#include "core/Log.h"

#include <QDeadlineTimer>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

quint64 nextRequestId()
{
    static std::atomic<quint64> lastId{0};
    return ++lastId;
}

} // namespace

PoClient::PoClient(QObject* parent) : QObject(parent), m_sink(std::make_shared<PoStatusSink>(this))
{
}

// Workers still running keep the sink, not this object.
PoClient::~PoClient()
{
    m_sink->detach();
    cancelAndAwaitWorkers();
}

// A worker that outlived the program would log and find directories through objects that
// end with it. Cancelled, a worker ends within moments; the bound keeps a stuck one from
// holding up the exit.
void PoClient::cancelAndAwaitWorkers()
{
    for (const std::weak_ptr<PoRequest>& started : m_started)
        cancel(started.lock());
    const QDeadlineTimer deadline(std::chrono::seconds(3));
    while (unfinishedRequests() > 0 && !deadline.hasExpired())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void PoClient::init_indy()
{
    LogMessage(LangText(111, QStringLiteral("PO connection initialized")), LogZelList);
}

std::shared_ptr<PoRequest> PoClient::StartPoRequest(const QString& url, int kind)
{
    return StartPoRequest(url, kind, DefaultPoTimeouts(kind));
}

std::shared_ptr<PoRequest> PoClient::StartPoRequest(const QString& url, int kind,
                                                    const PoTimeouts& timeouts)
{
    PoDataDirectory();
    EnsureCurlGlobalInit();
    auto request = std::make_shared<PoRequest>(nextRequestId(), url, kind, timeouts);
    std::erase_if(m_started, [](const std::weak_ptr<PoRequest>& started) {
        const std::shared_ptr<PoRequest> alive = started.lock();
        return !alive || alive->done.load(std::memory_order_acquire);
    });
    m_started.push_back(request);
    StartPoWorker(request, m_sink);
    return request;
}

void PoClient::cancel(const std::shared_ptr<PoRequest>& request)
{
    if (!request)
        return;
    request->cancelled.store(true, std::memory_order_release);
    request->waker.wake();
}

// Every running worker holds the sink until its thread ends.
int PoClient::unfinishedRequests() const
{
    return int(m_sink.use_count()) - 1;
}
