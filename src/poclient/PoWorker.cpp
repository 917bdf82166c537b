#include "PoWorker.h"

#include "PoRequest.h"
#include "PoTraces.h"
#include "PoTransfer.h"
#include "WorkerCount.h"

#include "core/Language.h"
#include "core/Log.h"
#include "store/ActiveAlarms.h"
#include "store/XmlParseError.h"
#include "store/XmlText.h"

#include <system_error>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

// Sets done when the work ends, however it ends. Declared first, so it runs last: after the
// transfer and every private document are gone and every result is written.
class DoneOnExit
{
public:
    explicit DoneOnExit(PoRequest& request) : m_request(request) {}
    ~DoneOnExit()
    {
        // A worker that ended before it had an answer has failed; one given up is cancelled,
        // whatever it found, so that nobody takes its results.
        if (m_request.cancelled.load(std::memory_order_acquire)) {
            m_request.outcome = PoOutcome::Cancelled;
        } else if (m_request.outcome == PoOutcome::Pending) {
            m_request.outcome = PoOutcome::Failed;
            m_request.failureReason = QStringLiteral("no answer");
        }
        m_request.done.store(true, std::memory_order_release);
        if (m_request.onDone)
            m_request.onDone();
    }
    DoneOnExit(const DoneOnExit&) = delete;
    DoneOnExit& operator=(const DoneOnExit&) = delete;

private:
    PoRequest& m_request;
};

// A cancelled request belongs to a wait that has given up: it must leave no trace.
bool isCancelled(const PoRequest& request)
{
    return request.cancelled.load(std::memory_order_acquire);
}

// The line names the server, so that a log read later tells which connection failed. What the
// failure means for the office link is the waiting machine's to say, on the GUI thread.
void reportFailure(PoRequest& request, const QString& reason)
{
    const QString text = LangText(33, QStringLiteral("Error communicating with PO server"));
    LogMessage(text + u": "_s + request.url + u" ("_s + reason + u')', LogPoList);
    request.failureReason = reason;
    request.outcome = PoOutcome::Failed;
}

// A line for the office list about the answer of this request; none once the request is
// given up, which leaves no trace.
void logAnswerProblem(const PoRequest& request, const QString& what, const QString& detail)
{
    if (!isCancelled(request))
        LogMessage(what + u": "_s + request.url + u" ("_s + detail + u')', LogPoList);
}

// The answer as UTF-8 that every later step reads the same way; invalid characters are
// replaced, not fatal, so that one bad attribute does not stop every other alarm.
std::string decodedAnswer(const PoRequest& request, const std::string& answer)
{
    DecodedXml decoded = decodeXmlBytes(answer);
    if (!decoded.ok())
        throw XmlParseError(decoded.error);
    if (decoded.replaced > 0)
        logAnswerProblem(request, u"Invalid characters in answer from PO server"_s,
                         QString::number(decoded.replaced) + u" replaced by U+FFFD"_s);
    return std::move(decoded.text);
}

// The answer is parsed here and applied on the GUI thread: to its link definitions, so an edit
// the operator makes meanwhile is never overwritten, and to its alarm status (the purge), so
// that AlarmStatus.xml has one writer.
void processConfiguration(PoRequest& request, const std::string& answer)
{
    const std::string text = decodedAnswer(request, answer);
    // A malformed answer ends the processing here, before anything is handed over.
    auto parsed = std::make_unique<pugi::xml_document>();
    loadDecodedXmlText(*parsed, text);
    request.configAnswer = std::move(parsed);
}

// Read into values here and merged on the GUI thread, whose owner of AlarmStatus.xml is its one
// writer: the merge goes into the content held there, saved or not.
void processActiveAlarms(PoRequest& request, const std::string& answer)
{
    PoTraces traces;
    // The answer exactly as the server sent it, whatever its encoding.
    traces.write(QByteArray::fromStdString(answer), "00");
    auto read =
        std::make_unique<ActiveAlarmsAnswer>(ReadActiveAlarms(decodedAnswer(request, answer)));
    if (!read->listed) {
        logAnswerProblem(request, u"Answer from PO server without active-alarms root"_s,
                         u"every active alarm taken as returned"_s);
    }
    request.traceFailed = traces.failed();
    if (!isCancelled(request))
        request.alarmsAnswer = std::move(read);
}

// An error stops the processing where it occurred; what was handed over so far stays.
void processAnswer(PoRequest& request, const std::string& answer)
{
    try {
        if (request.kind == PoRequestKind::Configuration)
            processConfiguration(request, answer);
        else if (request.kind == PoRequestKind::ActiveAlarms)
            processActiveAlarms(request, answer);
    } catch (const XmlParseError& error) {
        logAnswerProblem(request, u"Malformed answer from PO server"_s,
                         QString::fromUtf8(error.what()));
    } catch (const std::exception& error) {
        logAnswerProblem(request, u"Error processing answer from PO server"_s,
                         QString::fromUtf8(error.what()));
    }
}

void fetchAndProcess(PoRequest& request)
{
    const PoFetchResult fetched = fetchPoAnswer(request);
    if (isCancelled(request))
        return;
    if (fetched.ok)
        request.outcome = PoOutcome::Succeeded;
    else
        reportFailure(request, fetched.error);
    if (fetched.body.empty()) {
        request.requestMessage =
            LangText(34, QStringLiteral("Error getting data from Priva Office"));
        return;
    }
    if (!isCancelled(request))
        processAnswer(request, fetched.body);
}

} // namespace

void runPoRequest(PoRequest& request)
{
    const DoneOnExit done(request);
    try {
        fetchAndProcess(request);
    } catch (...) {
        // Nothing may escape a detached thread; done is set all the same.
        logAnswerProblem(request, u"Error processing answer from PO server"_s, u"unknown error"_s);
    }
}

void startPoWorker(const std::shared_ptr<PoRequest>& request,
                   const std::shared_ptr<WorkerCount>& workers)
{
    workers->started();
    try {
        std::thread([request, workers] {
            runPoRequest(*request);
            workers->finished();
        }).detach();
    } catch (const std::system_error&) {
        // No thread, so no worker to wait for; the caller learns of it as it would of any
        // failure to start.
        workers->finished();
        throw;
    }
}
