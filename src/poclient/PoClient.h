#pragma once

#include "PoRequest.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class WorkerCount;

// Orders the requests to the office alarm server. Lives on the GUI thread; each request runs
// on a detached worker of its own with its own transfer, so a late request can never share a
// connection with the next one, and a worker may safely outlive this object.
class PoClient : public QObject
{
    Q_OBJECT
public:
    explicit PoClient(QObject* parent = nullptr);
    ~PoClient() override;

    // Transfers are made per request, so there is no client to replace; this only logs
    // language text 111 with target 1.
    void init_indy();

    // Creates the office data directory when missing, starts the worker and returns at once.
    std::shared_ptr<PoRequest> StartPoRequest(const QString& url, PoRequestKind kind);
    // The same with other time limits (tests).
    std::shared_ptr<PoRequest> StartPoRequest(const QString& url, PoRequestKind kind,
                                              const PoTimeouts& timeouts);

    // Called from the worker thread when any request started from now on is done (the
    // function must be safe to call from there and after this object is gone).
    void setRequestDoneNotifier(std::function<void()> notifier)
    {
        m_doneNotifier = std::move(notifier);
    }

    // Gives up a request whose wait ran out: it ends its transfer at once and, whenever it
    // finishes, changes nothing but its done flag.
    void cancel(const std::shared_ptr<PoRequest>& request);

    // Workers that have not ended yet, given-up ones included: a late request can still be
    // running after its wait was abandoned.
    int unfinishedRequests() const;

    // The office link's state: failed from a request that failed or whose wait ran out until
    // the next one that succeeds. The machine that waited reports each request it took over.
    bool officeFailed() const { return m_officeFailed; }
    void reportOutcome(const PoRequest& request);
    void reportTimeout();

Q_SIGNALS:
    // Text for the status bar's message panel about the office link (empty clears it).
    void statusText(const QString& text);
    void officeFailedChanged(bool failed);

private:
    void cancelAndAwaitWorkers();
    void setOfficeFailed(bool failed, const QString& text);

    bool m_officeFailed = false;
    std::shared_ptr<WorkerCount> m_workers;
    std::function<void()> m_doneNotifier;
    // Requests started and not known to be done, so that destruction can end them.
    std::vector<std::weak_ptr<PoRequest>> m_started;
};
