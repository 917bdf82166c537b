#pragma once

#include "store/ActiveAlarms.h"

#include <QMutex>
#include <QString>

#include <pugixml.hpp>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

// How a request ended, as its worker found it. A cancelled request's wait has given up: its
// results are never read.
enum class PoOutcome
{
    Pending,   // the worker has not finished
    Succeeded, // the server answered with a success status (the body may still be empty)
    Failed,    // no answer: no connection, a broken transfer, a status other than success
    Cancelled, // given up by the waiting machine before the worker finished
};

// The kinds of request: the two the main state machine orders, and one that only fetches.
enum class PoRequestKind : int
{
    FetchOnly = 0,
    Configuration = 1,
    ActiveAlarms = 2,
};

// The largest answer taken: a server gone wrong must not fill the memory of the gateway.
inline constexpr qint64 PoMaxAnswerBytes = qint64(64) * 1024 * 1024;

// The transfer bounds are only a backstop: the main state machine waits 60 s for the active
// alarms and 900 s for the configuration and cancels the request when its wait runs out, so
// its own time-out, not a transfer error, decides what a silent server means. The backstop
// ends a transfer that would otherwise hang on when no machine waits for it any more.
inline constexpr int PoConnectMs = 10000;
inline constexpr int PoAlarmsTransferMs = 90000;
inline constexpr int PoConfigTransferMs = 960000;

// Limits of one transfer.
struct PoTimeouts
{
    int connectMs = PoConnectMs;
    int totalMs = PoAlarmsTransferMs;
    qint64 maxAnswerBytes = PoMaxAnswerBytes; // a larger answer fails the request
};

PoTimeouts defaultPoTimeouts(PoRequestKind kind);

// Lets another thread wake the transfer of a request out of its wait, so that a cancel takes
// effect at once. The worker attaches its transfer for as long as it runs; waking a request
// without a transfer does nothing.
class TransferWaker
{
public:
    void attach(void* multiHandle);
    void detach();
    void wake();

private:
    QMutex m_mutex;
    void* m_multiHandle = nullptr;
};

// One request, shared (std::shared_ptr) between the GUI thread and its worker.
struct PoRequest
{
    PoRequest(quint64 requestId, const QString& requestUrl, PoRequestKind requestKind,
              const PoTimeouts& requestTimeouts)
        : id(requestId), url(requestUrl), kind(requestKind), timeouts(requestTimeouts)
    {
    }
    PoRequest(const PoRequest&) = delete;
    PoRequest& operator=(const PoRequest&) = delete;

    const quint64 id;
    const QString url;
    const PoRequestKind kind;
    const PoTimeouts timeouts;

    std::atomic<bool> done{false}; // written last with release; read with acquire
    // Called on the worker thread once done is set, so the waiting machine need not poll;
    // set before the worker starts.
    std::function<void()> onDone;
    std::atomic<bool> cancelled{false}; // set by the GUI thread when its wait ran out

    // Results, valid once done is seen set; a cancelled request sets its outcome and no other.
    PoOutcome outcome = PoOutcome::Pending;
    QString failureReason;  // with Failed: what went wrong, as logged
    QString requestMessage; // language text 34 when the answer was empty
    // Configuration: the answer, parsed once here, to be applied on the GUI thread.
    std::unique_ptr<pugi::xml_document> configAnswer;
    // Active alarms: the answer read into values, to be merged into the status on the GUI
    // thread (its owner is the document's one writer).
    std::unique_ptr<ActiveAlarmsAnswer> alarmsAnswer;
    bool traceFailed = false; // a trace file of this request could not be written (logged)

    TransferWaker waker;
};
