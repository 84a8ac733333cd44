#include "update/Http.h"

#include "platform/SharedLibrary.h"
#include "update/UpdateLog.h"

#include <QFile>
#include <QSaveFile>

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

namespace Http {

namespace {

constexpr const char* kUserAgent = "IIC2.0/PC 5.5.0000";
constexpr long kMaxRedirects = 3;

// libcurl's entry points. The library and the TLS stack behind it are loaded
// on the first transfer, not at start: most sessions never fetch anything
// before a mouse is seen, and a window without one neither waits for nor
// keeps some thirty libraries it does not use.
struct CurlCalls {
    decltype(&::curl_global_init) globalInit = nullptr;
    decltype(&::curl_easy_init) easyInit = nullptr;
    decltype(&::curl_easy_cleanup) easyCleanup = nullptr;
    decltype(&::curl_easy_setopt) setopt = nullptr;
    decltype(&::curl_easy_perform) perform = nullptr;
    decltype(&::curl_easy_getinfo) getinfo = nullptr;
    decltype(&::curl_easy_strerror) strerror = nullptr;
    decltype(&::curl_slist_append) slistAppend = nullptr;
    decltype(&::curl_slist_free_all) slistFreeAll = nullptr;
};

// The loaded library, or null with the reason in `error`. Loaded and set up
// once for the run; a library that failed stays failed.
const CurlCalls* Curl(QString* error)
{
    static std::once_flag once;
    static SharedLibrary library;
    static CurlCalls calls;
    static const CurlCalls* ready = nullptr;
    static QString failure;
    std::call_once(once, [] {
        QByteArray reason;
        if (!library.Open("libcurl.so.4", &reason)) {
            failure = QStringLiteral("libcurl could not be loaded: %1").arg(QString::fromLocal8Bit(reason));
            return;
        }
        bool complete = library.Resolve(calls.globalInit, "curl_global_init");
        complete &= library.Resolve(calls.easyInit, "curl_easy_init");
        complete &= library.Resolve(calls.easyCleanup, "curl_easy_cleanup");
        complete &= library.Resolve(calls.setopt, "curl_easy_setopt");
        complete &= library.Resolve(calls.perform, "curl_easy_perform");
        complete &= library.Resolve(calls.getinfo, "curl_easy_getinfo");
        complete &= library.Resolve(calls.strerror, "curl_easy_strerror");
        complete &= library.Resolve(calls.slistAppend, "curl_slist_append");
        complete &= library.Resolve(calls.slistFreeAll, "curl_slist_free_all");
        if (!complete)
            failure = QStringLiteral("libcurl lacks an entry point");
        else if (calls.globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK)
            failure = QStringLiteral("curl_global_init failed");
        else
            ready = &calls;
    });
    if (!ready && error)
        *error = failure;
    return ready;
}

struct CurlDeleter {
    void operator()(CURL* handle) const { Curl(nullptr)->easyCleanup(handle); }
    void operator()(curl_slist* list) const { Curl(nullptr)->slistFreeAll(list); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;
using CurlList = std::unique_ptr<curl_slist, CurlDeleter>;

using Clock = std::chrono::steady_clock;

// What the callbacks of one transfer share.
struct Sink {
    std::function<bool(const char*, size_t)> write; // false stops the transfer
    int64_t maxBytes = 0;
    int64_t written = 0;
    bool tooLarge = false;
    Transfer* transfer = nullptr;
    CURL* curl = nullptr;
    const CurlCalls* calls = nullptr;
    // No byte for this long once connected ends the transfer. libcurl's own
    // low-speed check averages over several seconds, so a burst of a few
    // bytes would keep a stalled transfer alive for that long.
    std::chrono::milliseconds stallTimeout{0};
    Clock::time_point lastActivity = Clock::now();
    curl_off_t lastBytes = -1;
    bool stalled = false;
};

size_t WriteCallback(char* data, size_t size, size_t count, void* user)
{
    auto* sink = static_cast<Sink*>(user);
    const size_t bytes = size * count;
    if (sink->maxBytes > 0 && sink->written + int64_t(bytes) > sink->maxBytes) {
        sink->tooLarge = true;
        return 0; // anything else than `bytes` ends the transfer with a write error
    }
    if (!sink->write(data, bytes))
        return 0;
    sink->written += int64_t(bytes);
    if (sink->transfer)
        sink->transfer->received = sink->written;
    return bytes;
}

// Called by libcurl while a transfer runs, at least about once a second
// even when nothing moves. Non-zero ends the transfer.
int ProgressCallback(void* user, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t sent)
{
    auto* sink = static_cast<Sink*>(user);
    if (sink->transfer) {
        if (total > 0)
            sink->transfer->total = int64_t(total);
        const bool abandoned = sink->transfer->abandon && sink->transfer->abandon->load();
        if (sink->transfer->cancel || abandoned)
            return 1;
    }
    // Until the TLS handshake is done the connect timeout governs.
    curl_off_t connected = 0;
    sink->calls->getinfo(sink->curl, CURLINFO_APPCONNECT_TIME_T, &connected);
    const Clock::time_point moment = Clock::now();
    if (connected == 0 || now + sent != sink->lastBytes) {
        sink->lastBytes = now + sent;
        sink->lastActivity = moment;
        return 0;
    }
    if (moment - sink->lastActivity > sink->stallTimeout) {
        sink->stalled = true;
        return 1;
    }
    return 0;
}

// One request, written to `sink`; the result code of the Part's interface.
int32_t Perform(const QString& url, Sink& sink, const Limits& limits, Status& status)
{
    status = {};
    const CurlCalls* calls = Curl(&status.error);
    if (!calls) {
        status.result = kNoSession;
        return status.result;
    }
    CurlHandle curl(calls->easyInit());
    if (!curl) {
        status.result = kNoSession;
        status.error = QStringLiteral("curl_easy_init failed");
        return status.result;
    }
    // The strings libcurl reads while the transfer runs.
    const QByteArray urlBytes = url.toUtf8();
    const QByteArray caBundle = QFile::encodeName(qEnvironmentVariable("TARVO_UPDATE_CA"));
    CurlList headers;
    for (const char* header : {"Accept: */*", "Cache-Control: no-cache", "Pragma: no-cache"}) {
        curl_slist* grown = calls->slistAppend(headers.get(), header);
        if (!grown) {
            status.result = kNoSession;
            status.error = QStringLiteral("curl_slist_append failed");
            return status.result;
        }
        (void)headers.release();
        headers.reset(grown);
    }
    char errorText[CURL_ERROR_SIZE] = {};

    CURL* h = curl.get();
    sink.curl = h;
    sink.calls = calls;
    sink.stallTimeout = std::chrono::milliseconds(std::max(1, limits.stallTimeoutMs));
    sink.lastActivity = Clock::now();
    calls->setopt(h, CURLOPT_ERRORBUFFER, errorText);
    calls->setopt(h, CURLOPT_URL, urlBytes.constData());
    calls->setopt(h, CURLOPT_PROTOCOLS_STR, "https");
    calls->setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    calls->setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    calls->setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
    calls->setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    calls->setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caBundle.isEmpty())
        calls->setopt(h, CURLOPT_CAINFO, caBundle.constData()); // the system's CA path stays trusted
    calls->setopt(h, CURLOPT_USERAGENT, kUserAgent);
    calls->setopt(h, CURLOPT_HTTPHEADER, headers.get());
    calls->setopt(h, CURLOPT_FAILONERROR, 1L); // an error page is not a version or a package
    calls->setopt(h, CURLOPT_NOSIGNAL, 1L); // worker threads: no SIGALRM for timeouts
    calls->setopt(h, CURLOPT_CONNECTTIMEOUT_MS, long(std::max(1, limits.connectTimeoutMs)));
    if (limits.totalTimeoutMs > 0)
        calls->setopt(h, CURLOPT_TIMEOUT_MS, long(limits.totalTimeoutMs));
    if (limits.maxBytes > 0)
        calls->setopt(h, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(limits.maxBytes));
    calls->setopt(h, CURLOPT_WRITEFUNCTION, WriteCallback);
    calls->setopt(h, CURLOPT_WRITEDATA, &sink);
    calls->setopt(h, CURLOPT_XFERINFOFUNCTION, ProgressCallback);
    calls->setopt(h, CURLOPT_XFERINFODATA, &sink);
    calls->setopt(h, CURLOPT_NOPROGRESS, 0L);

    const CURLcode code = calls->perform(h);
    long response = 0;
    calls->getinfo(h, CURLINFO_RESPONSE_CODE, &response);
    status.httpStatus = int32_t(response);
    if (code == CURLE_OK) {
        status.result = kOk;
        return status.result;
    }
    if (code == CURLE_ABORTED_BY_CALLBACK && sink.stalled) {
        status.result = kFailed;
        status.error = QStringLiteral("no data for %1 ms").arg(limits.stallTimeoutMs);
        return status.result;
    }
    if (code == CURLE_ABORTED_BY_CALLBACK) {
        status.result = kCancelled;
        status.error = QStringLiteral("cancelled");
        return status.result;
    }
    status.result = kFailed;
    if (status.httpStatus >= 400)
        status.error = QStringLiteral("HTTP status %1").arg(status.httpStatus);
    else if (sink.tooLarge || code == CURLE_FILESIZE_EXCEEDED)
        status.error = QStringLiteral("larger than %1 bytes").arg(limits.maxBytes);
    else
        status.error = QStringLiteral("curl_easy_perform: %1 (%2)")
                           .arg(QString::fromUtf8(errorText[0] ? errorText : calls->strerror(code)))
                           .arg(int(code));
    return status.result;
}

void Log(const QString& url, const Status& status)
{
    UpdateDebugLine(QStringLiteral("fetch %1: result %2, HTTP %3%4")
                        .arg(url)
                        .arg(status.result)
                        .arg(status.httpStatus)
                        .arg(status.error.isEmpty() ? QString() : QStringLiteral(", ") + status.error));
}

} // namespace

int32_t FetchText(const QString& url, QByteArray& body, const Limits& limits, Transfer* transfer, Status* status)
{
    body.clear();
    Sink sink;
    sink.maxBytes = limits.maxBytes;
    sink.transfer = transfer;
    sink.write = [&body](const char* data, size_t bytes) {
        body.append(data, qsizetype(bytes));
        return true;
    };
    Status local;
    const int32_t result = Perform(url, sink, limits, local);
    if (result != kOk)
        body.clear();
    Log(url, local);
    if (status)
        *status = local;
    return result;
}

int32_t FetchFile(const QString& url, const QString& path, const Limits& limits, Transfer* transfer, Status* status)
{
    Status local;
    QFile::remove(path);
    // Written beside the target and renamed over it only when complete: a
    // broken transfer never leaves half a package under the package's name.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        local.result = kFailed;
        local.error = QStringLiteral("cannot create %1: %2").arg(path, file.errorString());
        Log(url, local);
        if (status)
            *status = local;
        return local.result;
    }
    Sink sink;
    sink.maxBytes = limits.maxBytes;
    sink.transfer = transfer;
    sink.write = [&file](const char* data, size_t bytes) { return file.write(data, qint64(bytes)) == qint64(bytes); };
    int32_t result = Perform(url, sink, limits, local);
    if (result == kOk && !file.commit()) {
        result = local.result = kFailed;
        local.error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    }
    if (result != kOk)
        file.cancelWriting();
    Log(url, local);
    if (status)
        *status = local;
    return result;
}

} // namespace Http
