#include "update/Http.h"

#include "fetch/FetchFrames.h"
#include "platform/ChildProcess.h"
#include "platform/Paths.h"
#include "update/UpdateLog.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace Http {

namespace {

static_assert(kNoSession == FetchFrames::kNoSession && kOk == FetchFrames::kOk && kFailed == FetchFrames::kFailed
    && kCancelled == FetchFrames::kCancelled);

// How long one wait for the helper's output lasts: the longest a cancel waits.
constexpr int32_t kReadSliceMs = 100;
constexpr int32_t kReadBlockBytes = 64 * 1024;
// Beyond the transfer's own limits, how long the helper may stay silent (or
// overrun the total timeout) before it counts as hung: it starts, loads
// libcurl and says it is alive several times a second, so this is slack for
// a loaded machine only.
constexpr int64_t kHelperSlackMs = 3000;
// How long a helper that has sent its result may take to exit.
constexpr int32_t kExitWaitMs = 1000;

using Clock = std::chrono::steady_clock;

// Where the body goes and what the transfer shares with other threads.
struct Sink {
    std::function<bool(const char*, size_t)> write; // false stops the transfer
    QString writeError; // why write refused, for the status
    int64_t maxBytes = 0;
    int64_t written = 0;
    Transfer* transfer = nullptr;
};

bool Stopped(const Transfer* transfer)
{
    return transfer && (transfer->cancel || (transfer->abandon && transfer->abandon->load()));
}

// Up to a line of what the helper wrote instead of frames (a loader's
// complaint, say), readable in the log.
QString Printable(std::string_view bytes)
{
    QString text;
    for (const char c : bytes.substr(0, 200))
        text.append(c >= 0x20 && c < 0x7f ? QLatin1Char(c) : QLatin1Char(' '));
    return text.simplified();
}

// The helper's code for one request, read until its result frame; the
// result code of the interface. The helper is killed (and reaped) on every
// way out that does not end with its result.
int32_t Perform(const QString& url, Sink& sink, const Limits& limits, Status& status)
{
    status = {};
    const QString program = Paths::FetchProgram();
    const QStringList arguments{
        QStringLiteral("--connect-ms=%1").arg(std::max(1, limits.connectTimeoutMs)),
        QStringLiteral("--stall-ms=%1").arg(std::max(1, limits.stallTimeoutMs)),
        QStringLiteral("--total-ms=%1").arg(std::max(0, limits.totalTimeoutMs)),
        QStringLiteral("--max-bytes=%1").arg(std::max<int64_t>(0, limits.maxBytes)),
        QStringLiteral("--"),
        url,
    };
    ChildProcess helper;
    int32_t errorNumber = 0;
    if (!helper.Start(program, arguments, errorNumber)) {
        status.result = kNoSession;
        status.error = QStringLiteral("the transfer helper %1 could not be started: %2")
                           .arg(program, qt_error_string(errorNumber));
        return status.result;
    }
    const auto fail = [&](int32_t result, const QString& error) {
        helper.Kill();
        status.result = result;
        status.error = error;
        return result;
    };

    const int64_t silenceMs = int64_t(std::max(1, limits.connectTimeoutMs)) + std::max(1, limits.stallTimeoutMs)
        + kHelperSlackMs;
    const Clock::time_point started = Clock::now();
    Clock::time_point lastFrame = started;
    FetchFrames::Reader reader;
    QByteArray block;
    std::string payload;
    for (;;) {
        if (Stopped(sink.transfer))
            return fail(kCancelled, QStringLiteral("cancelled"));
        const Clock::time_point moment = Clock::now();
        if (moment - lastFrame > std::chrono::milliseconds(silenceMs))
            return fail(kFailed, QStringLiteral("the transfer helper sent nothing for %1 ms").arg(silenceMs));
        if (limits.totalTimeoutMs > 0
            && moment - started > std::chrono::milliseconds(limits.totalTimeoutMs + kHelperSlackMs))
            return fail(kFailed, QStringLiteral("the transfer helper overran %1 ms").arg(limits.totalTimeoutMs));

        const ChildProcess::ReadStatus read = helper.Read(block, kReadBlockBytes, kReadSliceMs);
        if (read == ChildProcess::ReadStatus::TimedOut)
            continue;
        if (read == ChildProcess::ReadStatus::Failed)
            return fail(kFailed, QStringLiteral("the transfer helper's output could not be read"));
        if (read == ChildProcess::ReadStatus::End) {
            if (!helper.Wait(kExitWaitMs))
                helper.Kill();
            const QString rest = Printable(reader.Rest());
            return fail(kFailed,
                QStringLiteral("the transfer helper ended without a result (exit status %1)%2")
                    .arg(helper.ExitCode())
                    .arg(rest.isEmpty() ? QString() : QStringLiteral(": ") + rest));
        }
        reader.Append(block.constData(), size_t(block.size()));
        for (;;) {
            FetchFrames::Type type{};
            const FetchFrames::Reader::Next next = reader.Take(type, payload);
            if (next == FetchFrames::Reader::Next::NeedMore)
                break;
            if (next == FetchFrames::Reader::Next::Malformed)
                return fail(kFailed,
                    QStringLiteral("the transfer helper sent no valid result: %1").arg(Printable(reader.Rest())));
            lastFrame = Clock::now();
            switch (type) {
            case FetchFrames::kBody:
                if (sink.maxBytes > 0 && sink.written + int64_t(payload.size()) > sink.maxBytes)
                    return fail(kFailed, QStringLiteral("larger than %1 bytes").arg(sink.maxBytes));
                if (!sink.write(payload.data(), payload.size()))
                    return fail(kFailed, sink.writeError);
                sink.written += int64_t(payload.size());
                if (sink.transfer)
                    sink.transfer->received = sink.written;
                break;
            case FetchFrames::kTotal: {
                const auto total = int64_t(FetchFrames::GetLe(payload.data(), 8));
                if (sink.transfer && total > 0)
                    sink.transfer->total = total;
                break;
            }
            case FetchFrames::kAlive:
                break;
            case FetchFrames::kResult: {
                const auto result = int32_t(uint32_t(FetchFrames::GetLe(payload.data(), 4)));
                const auto httpStatus = int32_t(uint32_t(FetchFrames::GetLe(payload.data() + 4, 4)));
                if (result != kOk && result != kFailed && result != kNoSession && result != kCancelled)
                    return fail(kFailed, QStringLiteral("the transfer helper sent an unknown result %1").arg(result));
                if (!helper.Wait(kExitWaitMs))
                    helper.Kill();
                status.result = result;
                status.httpStatus = httpStatus;
                status.error = QString::fromUtf8(payload.data() + 8, qsizetype(payload.size() - 8));
                if (result != kOk && status.error.isEmpty())
                    status.error = QStringLiteral("the transfer helper gave no reason");
                return status.result;
            }
            }
        }
    }
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
    sink.write = [&file, &sink, &path](const char* data, size_t bytes) {
        if (file.write(data, qint64(bytes)) == qint64(bytes))
            return true;
        sink.writeError = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    };
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
