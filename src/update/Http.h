#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>

// HTTPS transfers from the upgrade server. Each runs in its own tarvo-fetch
// process (Paths::FetchProgram), which links libcurl: the TLS stack never
// enters this process, and its memory goes when the transfer ends. Every request sends the user agent "IIC2.0/PC 5.5.0000",
// "Accept: */*" and asks every cache on the way for a fresh copy; the
// desktop's proxy variables (https_proxy, no_proxy, ...) are honoured.
// Only https is spoken, redirects included, and the server's certificate and
// host name are always verified; TARVO_UPDATE_CA names an extra CA bundle
// trusted beside the system's (for tests with a private server).
namespace Http {

// The result codes of FetchText and FetchFile.
enum Result : int32_t {
    kNoSession = 0, // the transfer helper could not be started, or libcurl could not be set up in it
    kOk = 1,
    kFailed = -1, // no connection, TLS refused, an HTTP error status, a timeout, too large, not writable
    kCancelled = -2, // Transfer::cancel (or its abandon flag) was set
};

// How long a transfer may take and how much it may bring. A dead or slow
// server costs at most the connect timeout plus the stall timeout (and never
// more than the total timeout, when one is set).
struct Limits {
    int32_t connectTimeoutMs = 15000; // TCP and TLS handshakes
    int32_t stallTimeoutMs = 30000; // once connected, no byte for this long ends the transfer
    int32_t totalTimeoutMs = 0; // 0: no limit on the whole transfer
    int64_t maxBytes = 0; // a larger body is refused; 0: no limit
};

// What a running transfer shares with other threads: progress to show and
// the request to stop.
struct Transfer {
    std::atomic<int64_t> received{0};
    std::atomic<int64_t> total{-1}; // from the response's length; -1 unknown
    std::atomic<bool> cancel{false};
    // A second cancel shared by many transfers (a service shutting down); may be null.
    const std::atomic<bool>* abandon = nullptr;
};

// Why a transfer ended as it did, for the log and for callers that tell a
// missing file (404) from a failed connection.
struct Status {
    int32_t result = kFailed;
    int32_t httpStatus = 0; // 0 when no response arrived
    QString error; // libcurl's or the helper's message naming what failed; empty on success
};

// The body of url, at most limits.maxBytes.
int32_t FetchText(
    const QString& url, QByteArray& body, const Limits& limits, Transfer* transfer = nullptr, Status* status = nullptr);
// The body of url written to path: an existing file there is deleted first,
// and a failed or cancelled transfer leaves no file behind.
int32_t FetchFile(const QString& url, const QString& path, const Limits& limits, Transfer* transfer = nullptr,
    Status* status = nullptr);

} // namespace Http
