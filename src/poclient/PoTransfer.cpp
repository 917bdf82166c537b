#include "PoTransfer.h"

#include "PoRequest.h"

#include <curl/curl.h>

#include <memory>

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

size_t appendBody(char* data, size_t size, size_t count, void* target)
{
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
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

void configure(CURL* easy, const PoRequest& request, const std::string& url, std::string* body)
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
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &appendBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, body);
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

bool isSuccessStatus(CURL* easy)
{
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    return status >= 200 && status < 300;
}

} // namespace

void EnsureCurlGlobalInit()
{
    static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
    (void)initialised;
}

PoFetchResult FetchPoAnswer(PoRequest& request)
{
    EnsureCurlGlobalInit();
    PoFetchResult result;
    const EasyHandle easy(curl_easy_init());
    const MultiHandle multi(curl_multi_init());
    if (!easy || !multi)
        return result;
    const std::string url = request.url.toStdString();
    configure(easy.get(), request, url, &result.body);
    CURLcode code = CURLE_FAILED_INIT;
    {
        const Attachment attachment(multi.get(), easy.get(), request.waker);
        code = runTransfer(multi.get(), request);
    }
    result.ok = code == CURLE_OK && isSuccessStatus(easy.get());
    if (!result.ok)
        result.body.clear();
    return result;
}
