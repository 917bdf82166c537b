#include "PoWorker.h"

#include "PoRequest.h"
#include "PoTransfer.h"
#include "WorkerCount.h"

#include "core/Language.h"
#include "core/Log.h"
#include "core/TextFile.h"
#include "core/Trace.h"
#include "store/AlarmStatus.h"
#include "store/Documents.h"
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

// Trace files are diagnostics: one that cannot be written is logged, once per request, and
// never costs the request its result, so that alarms are still forwarded while the trace
// folder is missing or full. The texts are built only while tracing is on.
class Traces
{
public:
    void write(const QByteArray& bytes, const char* tag)
    {
        if (!TraceEnabled.load())
            return;
        try {
            WriteTraceFile(bytes, QLatin1String(tag));
        } catch (const TextFileError& error) {
            if (!m_failed)
                LogMessage(u"Trace not written: "_s + QString::fromUtf8(error.what()), LogPoList);
            m_failed = true;
        }
    }

    // The document as its file would hold it: ISO-8859-1 bytes under that declaration.
    void writeDocument(const XmlDocument& document, const char* tag)
    {
        if (TraceEnabled.load())
            write(QByteArray::fromStdString(serializeLatin1(document.dom()).bytes), tag);
    }

private:
    bool m_failed = false;
};

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

// A private instance; nothing when the file cannot be read (it is then left alone).
XmlDocumentHandle openPrivateStatus()
{
    XmlDocumentHandle status;
    const OpenResult opened = OpenAlarmStatus(status);
    if (!opened && opened.outcome != OpenResult::WrongRoot) {
        // The GUI thread's owner sets such a file aside when it reloads it.
        LogMessage(QStringLiteral("Alarm status not merged: ") + alarmStatusPath() +
                       QStringLiteral(": ") + opened.reason,
                   LogPoList);
    }
    return status && status->hasContent() ? std::move(status) : nullptr;
}

// The answer is parsed here and applied on the GUI thread: to its link definitions, so an edit
// the operator makes meanwhile is never overwritten, and to its alarm status (the purge), so
// that AlarmStatus.xml has one writer.
void processConfiguration(PoRequest& request, const std::string& answer)
{
    const std::string text = decodedAnswer(request, answer);
    // A malformed answer ends the processing here, before anything is handed over.
    auto parsed = std::make_unique<pugi::xml_document>();
    loadXmlText(*parsed, text);
    request.configAnswer = std::move(parsed);
}

// Handed over unsaved: the GUI thread saves it once it takes it over, so the file never holds
// a merge whose wait has already been given up.
void processActiveAlarms(PoRequest& request, const std::string& answer)
{
    Traces traces;
    // The answer exactly as the server sent it, whatever its encoding.
    traces.write(QByteArray::fromStdString(answer), "00");
    const std::string text = decodedAnswer(request, answer);
    XmlDocumentHandle status = openPrivateStatus();
    if (!status || isCancelled(request))
        return;
    traces.writeDocument(*status, "01");
    if (!MergeActiveAlarms(*status, text)) {
        logAnswerProblem(request, u"Answer from PO server without active-alarms root"_s,
                         u"every active alarm taken as returned"_s);
    }
    if (isCancelled(request))
        return;
    traces.writeDocument(*status, "02");
    request.mergedStatus = std::move(status);
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
