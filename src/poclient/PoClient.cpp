#include "PoClient.h"

#include "PoTransfer.h"
#include "PoWorker.h"
#include "WorkerCount.h"

#include "core/Directories.h"
#include "core/Language.h"
#include "core/Log.h"

#include <atomic>
#include <chrono>

using namespace Qt::StringLiterals;

namespace {

// How long the end of the client waits for its cancelled workers.
constexpr std::chrono::seconds kWorkerEndBound{3};

quint64 nextRequestId()
{
    static std::atomic<quint64> lastId{0};
    return ++lastId;
}

} // namespace

PoClient::PoClient(QObject* parent) : QObject(parent), m_workers(std::make_shared<WorkerCount>()) {}

PoClient::~PoClient()
{
    cancelAndAwaitWorkers();
}

// A worker that outlived the program would log and find directories through objects that
// end with it. Cancelled, a worker ends within moments; the bound keeps a stuck one from
// holding up the exit.
void PoClient::cancelAndAwaitWorkers()
{
    for (const std::weak_ptr<PoRequest>& started : m_started)
        cancel(started.lock());
    if (!m_workers->waitForNone(kWorkerEndBound))
        LogMessage(u"Closing: "_s + QString::number(m_workers->running()) +
                   u" office requests still running"_s);
}

void PoClient::init_indy()
{
    LogMessage(LangText(111, QStringLiteral("PO connection initialized")), LogZelList);
}

std::shared_ptr<PoRequest> PoClient::StartPoRequest(const QString& url, PoRequestKind kind)
{
    return StartPoRequest(url, kind, defaultPoTimeouts(kind));
}

std::shared_ptr<PoRequest> PoClient::StartPoRequest(const QString& url, PoRequestKind kind,
                                                    const PoTimeouts& timeouts)
{
    PoDataDirectory();
    ensureCurlGlobalInit();
    auto request = std::make_shared<PoRequest>(nextRequestId(), url, kind, timeouts);
    request->onDone = m_doneNotifier;
    std::erase_if(m_started, [](const std::weak_ptr<PoRequest>& started) {
        const std::shared_ptr<PoRequest> alive = started.lock();
        return !alive || alive->done.load(std::memory_order_acquire);
    });
    m_started.push_back(request);
    startPoWorker(request, m_workers);
    return request;
}

void PoClient::cancel(const std::shared_ptr<PoRequest>& request)
{
    if (!request)
        return;
    request->cancelled.store(true, std::memory_order_release);
    request->waker.wake();
}

int PoClient::unfinishedRequests() const
{
    return m_workers->running();
}

void PoClient::reportOutcome(const PoRequest& request)
{
    switch (request.outcome) {
    case PoOutcome::Succeeded:
        setOfficeFailed(false, QString());
        break;
    case PoOutcome::Failed:
        setOfficeFailed(true, LangText(33, QStringLiteral("Error communicating with PO server")));
        break;
    case PoOutcome::Pending:
    case PoOutcome::Cancelled:
        break;
    }
}

// The wait's own time-out changes only the state: its line is in the log already.
void PoClient::reportTimeout()
{
    if (m_officeFailed)
        return;
    m_officeFailed = true;
    Q_EMIT officeFailedChanged(true);
}

// A failure shows its text each time; the recovery clears the text once.
void PoClient::setOfficeFailed(bool failed, const QString& text)
{
    const bool changed = m_officeFailed != failed;
    m_officeFailed = failed;
    if (failed || changed)
        Q_EMIT statusText(text);
    if (changed)
        Q_EMIT officeFailedChanged(failed);
}
