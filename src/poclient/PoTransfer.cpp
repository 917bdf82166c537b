#include "PoTransfer.h"

#include "PoRequest.h"

#include "core/Log.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The longest wait for the transfer's sockets. libcurl shortens it to its own time-outs, and
// cancel() wakes it, so this is only a fallback for a wake-up that got lost.
constexpr int kPollMs = 5000;

struct EasyCleanup
{
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};

struct MultiCleanup
{
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};

using EasyHandle = std::unique_ptr<CURL, EasyCleanup>;
using MultiHandle = std::unique_ptr<CURLM, MultiCleanup>;

// The answer as it arrives, refused as soon as it grows beyond its limit.
struct Body
{
    std::string bytes;
    std::size_t limit = 0;
    bool overLimit = false;
    qint64 announced = -1; // Content-Length, when the server gave one
};

// libcurl refuses an announced length above the limit before it records that length, so the
// header is read here, for the log line.
size_t readHeader(char* data, size_t size, size_t count, void* target)
{
    const size_t length = size * count;
    const QByteArray line = QByteArray(data, qsizetype(length)).trimmed();
    const qsizetype colon = line.indexOf(':');
    if (colon > 0 &&
        line.left(colon).trimmed().compare("Content-Length", Qt::CaseInsensitive) == 0) {
        bool ok = false;
        const qint64 announced = line.mid(colon + 1).trimmed().toLongLong(&ok);
        static_cast<Body*>(target)->announced = ok ? announced : -1;
    }
    return length;
}

size_t appendBody(char* data, size_t size, size_t count, void* target)
{
    auto* body = static_cast<Body*>(target);
    const size_t length = size * count;
    if (length > body->limit - body->bytes.size()) {
        body->overLimit = true;
        return 0; // any other count than length ends the transfer
    }
    body->bytes.append(data, length);
    return length;
}

// Keeps the easy handle in the multi handle and the multi handle known to the waker for
// exactly as long as the transfer runs; undone in reverse order before either is freed.
class Attachment
{
public:
    Attachment(CURLM* multi, CURL* easy, TransferWaker& waker)
        : m_multi(multi), m_easy(easy), m_waker(waker)
    {
        curl_multi_add_handle(m_multi, m_easy);
        m_waker.attach(m_multi);
    }
    ~Attachment()
    {
        m_waker.detach();
        curl_multi_remove_handle(m_multi, m_easy);
    }
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;

private:
    CURLM* m_multi;
    CURL* m_easy;
    TransferWaker& m_waker;
};

void configure(CURL* easy, const PoRequest& request, const std::string& url, Body* body,
               char* errorText)
{
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    // An empty proxy also overrides the proxy variables of the environment.
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    // Worker threads must not have libcurl install signal handlers.
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(request.timeouts.connectMs));
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, long(request.timeouts.totalMs));
    // An announced length above the limit is refused before the body comes.
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(body->limit));
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &readHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, body);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &appendBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, body);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorText);
}

bool isCancelled(const PoRequest& request)
{
    return request.cancelled.load(std::memory_order_acquire);
}

// Drives the transfer until it ends or the request is cancelled; the result of the transfer,
// or an error code when it did not end by itself.
CURLcode runTransfer(CURLM* multi, const PoRequest& request)
{
    int running = 1;
    while (!isCancelled(request)) {
        if (curl_multi_perform(multi, &running) != CURLM_OK)
            return CURLE_FAILED_INIT;
        if (running == 0) {
            int queued = 0;
            const CURLMsg* message = curl_multi_info_read(multi, &queued);
            return message && message->msg == CURLMSG_DONE ? message->data.result
                                                           : CURLE_FAILED_INIT;
        }
        if (curl_multi_poll(multi, nullptr, 0, kPollMs, nullptr) != CURLM_OK)
            return CURLE_FAILED_INIT;
    }
    return CURLE_ABORTED_BY_CALLBACK;
}

long responseStatus(CURL* easy)
{
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

QString sizeRefusal(const Body& body)
{
    const QString limit = QString::number(body.limit);
    if (body.announced > qint64(body.limit))
        return u"answer of "_s + QString::number(body.announced) +
               u" bytes refused, the limit is "_s + limit + u" bytes"_s;
    return u"answer of more than "_s + limit + u" bytes refused"_s;
}

// Why the transfer gave no answer to use; empty when it did.
QString failureReason(CURL* easy, CURLcode code, const Body& body, const char* errorText)
{
    if (body.overLimit || code == CURLE_FILESIZE_EXCEEDED)
        return sizeRefusal(body);
    if (code == CURLE_ABORTED_BY_CALLBACK)
        return u"cancelled"_s;
    if (code != CURLE_OK)
        return QString::fromUtf8(*errorText ? errorText : curl_easy_strerror(code));
    const long status = responseStatus(easy);
    if (status < 200 || status >= 300)
        return u"HTTP status "_s + QString::number(status);
    return {};
}

} // namespace

void ensureCurlGlobalInit()
{
    // Once per process; a failure makes every request fail, so it is said once, with its reason.
    static const CURLcode initialised = [] {
        const CURLcode code = curl_global_init(CURL_GLOBAL_DEFAULT);
        if (code != CURLE_OK) {
            LogMessage(QStringLiteral("The HTTP library could not be initialised: ") +
                           QString::fromUtf8(curl_easy_strerror(code)),
                       LogPoList);
        }
        return code;
    }();
    Q_UNUSED(initialised);
}

PoFetchResult fetchPoAnswer(PoRequest& request)
{
    ensureCurlGlobalInit();
    PoFetchResult result;
    const EasyHandle easy(curl_easy_init());
    const MultiHandle multi(curl_multi_init());
    if (!easy || !multi) {
        result.error = u"no transfer could be created"_s;
        return result;
    }
    const std::string url = request.url.toStdString();
    Body body;
    body.limit = std::size_t(std::max<qint64>(request.timeouts.maxAnswerBytes, 0));
    char errorText[CURL_ERROR_SIZE] = {};
    configure(easy.get(), request, url, &body, errorText);
    CURLcode code = CURLE_FAILED_INIT;
    {
        const Attachment attachment(multi.get(), easy.get(), request.waker);
        code = runTransfer(multi.get(), request);
    }
    result.error = failureReason(easy.get(), code, body, errorText);
    result.ok = result.error.isEmpty();
    if (result.ok)
        result.body = std::move(body.bytes);
    return result;
}
