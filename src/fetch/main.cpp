// tarvo-fetch: one HTTPS transfer, its body and outcome written to standard
// output as frames (FetchFrames.h). The window starts it for every transfer
// so that libcurl and the TLS stack behind it (OpenSSL, GnuTLS, p11-kit, ...)
// are only ever mapped into this short-lived process: OpenSSL cannot be
// unloaded once loaded, and would otherwise stay resident in the window for
// the rest of the session.
//
//   tarvo-fetch [--connect-ms=N] [--stall-ms=N] [--total-ms=N] [--max-bytes=N] [--] URL
//
// Standard output carries frames only; standard error goes nowhere, as the
// window reads both on one pipe.
#include "fetch/FetchFrames.h"

#include <curl/curl.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace {

constexpr const char* kUserAgent = "IIC2.0/PC 5.5.0000";
constexpr long kMaxRedirects = 3;
// How often a transfer that receives nothing still says it is alive, so the
// window can tell a slow server from a helper that hangs.
constexpr std::chrono::milliseconds kAliveInterval{250};

using Clock = std::chrono::steady_clock;

struct Options {
    long connectTimeoutMs = 15000;
    long stallTimeoutMs = 30000;
    long totalTimeoutMs = 0;
    int64_t maxBytes = 0;
    std::string url;
};

bool g_outputBroken = false;

// One frame to standard output, flushed at once: the window shows progress as
// it arrives.
bool Send(const std::string& frame)
{
    if (g_outputBroken)
        return false;
    if (std::fwrite(frame.data(), 1, frame.size(), stdout) != frame.size() || std::fflush(stdout) != 0)
        g_outputBroken = true;
    return !g_outputBroken;
}

bool ParseNumber(std::string_view text, int64_t& value)
{
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end && value >= 0;
}

// The options, or the reason they are unusable in `error`.
bool ParseArguments(int argc, char** argv, Options& options, std::string& error)
{
    const struct {
        std::string_view name;
        long* target;
    } limits[] = {
        {"--connect-ms=", &options.connectTimeoutMs},
        {"--stall-ms=", &options.stallTimeoutMs},
        {"--total-ms=", &options.totalTimeoutMs},
    };
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "--" && !optionsEnded) {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || !argument.starts_with("--")) {
            if (!options.url.empty()) {
                error = "more than one URL";
                return false;
            }
            options.url = argument;
            continue;
        }
        int64_t value = 0;
        bool known = false;
        for (const auto& limit : limits) {
            if (argument.starts_with(limit.name)) {
                known = true;
                if (!ParseNumber(argument.substr(limit.name.size()), value) || value > 24LL * 3600 * 1000) {
                    error = "bad value: " + std::string(argument);
                    return false;
                }
                *limit.target = long(value);
            }
        }
        if (argument.starts_with("--max-bytes=")) {
            known = true;
            if (!ParseNumber(argument.substr(12), options.maxBytes)) {
                error = "bad value: " + std::string(argument);
                return false;
            }
        }
        if (!known) {
            error = "unknown option: " + std::string(argument);
            return false;
        }
    }
    if (options.url.empty()) {
        error = "no URL";
        return false;
    }
    return true;
}

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;
using CurlList = std::unique_ptr<curl_slist, CurlDeleter>;

// What the callbacks of the transfer share.
struct Sink {
    int64_t maxBytes = 0;
    int64_t written = 0;
    bool tooLarge = false;
    CURL* curl = nullptr;
    // No byte for this long once connected ends the transfer. libcurl's own
    // low-speed check averages over several seconds, so a burst of a few
    // bytes would keep a stalled transfer alive for that long.
    std::chrono::milliseconds stallTimeout{0};
    Clock::time_point lastActivity = Clock::now();
    curl_off_t lastBytes = -1;
    bool stalled = false;
    int64_t totalSent = -1;
    Clock::time_point lastFrame = Clock::now();
};

size_t WriteCallback(char* data, size_t size, size_t count, void* user)
{
    auto* sink = static_cast<Sink*>(user);
    const size_t bytes = size * count;
    if (sink->maxBytes > 0 && sink->written + int64_t(bytes) > sink->maxBytes) {
        sink->tooLarge = true;
        return 0; // anything else than `bytes` ends the transfer with a write error
    }
    if (!Send(FetchFrames::Encode(FetchFrames::kBody, std::string_view(data, bytes))))
        return 0;
    sink->written += int64_t(bytes);
    sink->lastFrame = Clock::now();
    return bytes;
}

// Called by libcurl while the transfer runs, at least about once a second
// even when nothing moves. Non-zero ends the transfer.
int ProgressCallback(void* user, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t sent)
{
    auto* sink = static_cast<Sink*>(user);
    const Clock::time_point moment = Clock::now();
    if (total > 0 && int64_t(total) != sink->totalSent) {
        sink->totalSent = int64_t(total);
        if (!Send(FetchFrames::EncodeTotal(sink->totalSent)))
            return 1;
        sink->lastFrame = moment;
    }
    if (moment - sink->lastFrame >= kAliveInterval) {
        if (!Send(FetchFrames::Encode(FetchFrames::kAlive, {})))
            return 1;
        sink->lastFrame = moment;
    }
    // Until the TLS handshake is done the connect timeout governs.
    curl_off_t connected = 0;
    curl_easy_getinfo(sink->curl, CURLINFO_APPCONNECT_TIME_T, &connected);
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

struct Outcome {
    int32_t result = FetchFrames::kFailed;
    int32_t httpStatus = 0;
    std::string error;
};

Outcome Perform(const Options& options)
{
    Outcome outcome;
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        outcome.result = FetchFrames::kNoSession;
        outcome.error = "curl_global_init failed";
        return outcome;
    }
    CurlHandle curl(curl_easy_init());
    if (!curl) {
        outcome.result = FetchFrames::kNoSession;
        outcome.error = "curl_easy_init failed";
        return outcome;
    }
    CurlList headers;
    for (const char* header : {"Accept: */*", "Cache-Control: no-cache", "Pragma: no-cache"}) {
        curl_slist* grown = curl_slist_append(headers.get(), header);
        if (!grown) {
            outcome.result = FetchFrames::kNoSession;
            outcome.error = "curl_slist_append failed";
            return outcome;
        }
        (void)headers.release();
        headers.reset(grown);
    }
    const char* caBundle = std::getenv("TARVO_UPDATE_CA");
    char errorText[CURL_ERROR_SIZE] = {};

    Sink sink;
    CURL* h = curl.get();
    sink.curl = h;
    sink.maxBytes = options.maxBytes;
    sink.stallTimeout = std::chrono::milliseconds(std::max(1L, options.stallTimeoutMs));
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(h, CURLOPT_URL, options.url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (caBundle && *caBundle)
        curl_easy_setopt(h, CURLOPT_CAINFO, caBundle); // the system's CA path stays trusted
    curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L); // an error page is not a version or a package
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L); // the threaded resolver times out without SIGALRM
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, std::max(1L, options.connectTimeoutMs));
    if (options.totalTimeoutMs > 0)
        curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, options.totalTimeoutMs);
    if (options.maxBytes > 0)
        curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(options.maxBytes));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, WriteCallback);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, ProgressCallback);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &sink);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);

    const CURLcode code = curl_easy_perform(h);
    long response = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &response);
    outcome.httpStatus = int32_t(response);
    if (code == CURLE_OK) {
        outcome.result = FetchFrames::kOk;
        return outcome;
    }
    outcome.result = FetchFrames::kFailed;
    if (code == CURLE_ABORTED_BY_CALLBACK && sink.stalled)
        outcome.error = "no data for " + std::to_string(options.stallTimeoutMs) + " ms";
    else if (g_outputBroken)
        outcome.error = "the output was closed";
    else if (outcome.httpStatus >= 400)
        outcome.error = "HTTP status " + std::to_string(outcome.httpStatus);
    else if (sink.tooLarge || code == CURLE_FILESIZE_EXCEEDED)
        outcome.error = "larger than " + std::to_string(options.maxBytes) + " bytes";
    else
        outcome.error = std::string("curl_easy_perform: ") + (errorText[0] ? errorText : curl_easy_strerror(code))
            + " (" + std::to_string(int(code)) + ")";
    return outcome;
}

} // namespace

int main(int argc, char** argv)
{
    // Nothing but frames may reach the pipe the window reads.
    if (!std::freopen("/dev/null", "w", stderr))
        std::fclose(stderr);
    static char buffer[64 * 1024];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);

    Options options;
    std::string error;
    if (!ParseArguments(argc, argv, options, error)) {
        Send(FetchFrames::EncodeResult(FetchFrames::kNoSession, 0, "tarvo-fetch: " + error));
        return 2;
    }
    const Outcome outcome = Perform(options);
    return Send(FetchFrames::EncodeResult(outcome.result, outcome.httpStatus, outcome.error)) ? 0 : 1;
}
