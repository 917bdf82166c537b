#include "PoWorker.h"

#include "PoRequest.h"
#include "PoStatusSink.h"
#include "PoTransfer.h"

#include "core/Language.h"
#include "core/LinkStatus.h"
#include "core/Log.h"
#include "core/TextFile.h"
#include "core/Trace.h"
#include "store/AlarmStatus.h"
#include "store/Documents.h"
#include "store/XmlParseError.h"

#include <sstream>
#include <thread>

namespace {

// Sets done when the work ends, however it ends. Declared first, so it runs last: after the
// transfer and every private document are gone and every result is written.
class DoneOnExit
{
public:
    explicit DoneOnExit(PoRequest& request) : m_request(request) {}
    ~DoneOnExit() { m_request.done.store(true, std::memory_order_release); }
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

void reportSuccess(PoStatusSink& sink)
{
    int communicationError = 1;
    if (LinkStatus.compare_exchange_strong(communicationError, -1))
        sink.emitStatusText(QString());
}

void reportFailure(PoRequest& request, PoStatusSink& sink)
{
    const QString text = LangText(33, QStringLiteral("Error communicating with PO server"));
    sink.emitStatusText(text);
    LogMessage(text, LogPoList);
    LinkStatus.store(1);
    request.failed = true;
}

QString documentText(const XmlDocument& document)
{
    std::ostringstream out;
    document.dom().save(out, "\t", pugi::format_indent, pugi::encoding_utf8);
    return QString::fromStdString(out.str());
}

// A trace that cannot be written must not cost the request its result.
template <typename Content> void traceQuietly(const Content& text, const char* tag)
{
    try {
        WriteTraceFile(text, QLatin1String(tag));
    } catch (const TextFileError&) {
    }
}

// A private instance; nothing when the file cannot be read (it is then left alone).
XmlDocumentHandle openPrivateStatus()
{
    XmlDocumentHandle status;
    OpenAlarmStatus(status);
    return status && status->hasContent() ? std::move(status) : nullptr;
}

// The GUI thread applies the answer to its own link definitions, so an edit the operator
// makes meanwhile is never overwritten; here only the returned alarms are purged.
void processConfiguration(PoRequest& request, const std::string& answer)
{
    // A malformed answer ends the processing here, before any file is touched.
    pugi::xml_document wellFormed;
    LoadXmlText(wellFormed, answer);
    request.configAnswer = answer;
    if (XmlDocumentHandle status = openPrivateStatus()) {
        PurgeReturnedAlarms(*status);
        if (isCancelled(request))
            return;
        if (!SaveAlarmStatus(status))
            LogMessage(LangText(91, QStringLiteral("Error writing status")), LogPoList);
    }
    // An unreadable status file does not keep the log from its roll-over.
    if (!isCancelled(request))
        rollOverLog();
}

// Handed over unsaved: the GUI thread saves it once it takes it over, so the file never holds
// a merge whose wait has already been given up.
void processActiveAlarms(PoRequest& request, const std::string& answer)
{
    // The answer exactly as the server sent it, whatever its encoding.
    traceQuietly(QByteArray::fromStdString(answer), "00");
    XmlDocumentHandle status = openPrivateStatus();
    if (!status || isCancelled(request))
        return;
    traceQuietly(documentText(*status), "01");
    MergeActiveAlarms(*status, answer);
    if (isCancelled(request))
        return;
    traceQuietly(documentText(*status), "02");
    request.mergedStatus = std::move(status);
}

// Any error stops the processing where it occurred, without a message.
void processAnswer(PoRequest& request, const std::string& answer)
{
    try {
        if (request.kind == PoRequestConfiguration)
            processConfiguration(request, answer);
        else if (request.kind == PoRequestActiveAlarms)
            processActiveAlarms(request, answer);
    } catch (...) {
    }
}

void fetchAndProcess(PoRequest& request, PoStatusSink& sink)
{
    const PoFetchResult fetched = FetchPoAnswer(request);
    if (isCancelled(request))
        return;
    if (fetched.ok)
        reportSuccess(sink);
    else
        reportFailure(request, sink);
    if (fetched.body.empty()) {
        request.requestMessage =
            LangText(34, QStringLiteral("Error getting data from Priva Office"));
        return;
    }
    if (!isCancelled(request))
        processAnswer(request, fetched.body);
}

} // namespace

void RunPoRequest(PoRequest& request, PoStatusSink& sink)
{
    const DoneOnExit done(request);
    try {
        fetchAndProcess(request, sink);
    } catch (...) {
        // Nothing may escape a detached thread; done is set all the same.
    }
}

void StartPoWorker(const std::shared_ptr<PoRequest>& request,
                   const std::shared_ptr<PoStatusSink>& sink)
{
    std::thread([request, sink] { RunPoRequest(*request, *sink); }).detach();
}
