#include "update/FlashToolRunner.h"

#include "platform/ChildProcess.h"
#include "platform/LenientNumber.h"
#include "update/UpdateLog.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

constexpr int32_t kBlockBytes = 1024;
constexpr int32_t kReadSliceMs = 100;

// Markers found across block boundaries: the end of the last block is kept
// and searched again with the next.
const qsizetype kTailBytes = qsizetype(std::strlen(FlashMarkers::kAllImagesBurnt));

struct MarkersSeen {
    bool success = false;
    bool noDevice = false;
    QByteArray tail;

    void Scan(const QByteArray& block)
    {
        const QByteArray text = tail + block;
        success = success || text.contains(FlashMarkers::kAllImagesBurnt) || text.contains(FlashMarkers::kDownloadDone);
        noDevice = noDevice || text.contains(FlashMarkers::kNoDevice);
        tail = text.right(kTailBytes);
    }
};

} // namespace

FlashBlock ExamineFlashBlock(const QByteArray& block, const QByteArray& upperFolder)
{
    FlashBlock result;
    result.echoesFolder = !upperFolder.isEmpty() && block.contains(upperFolder);
    if (block.contains(FlashMarkers::kProgress)) {
        result.kind = FlashBlock::Kind::Progress;
        const qsizetype percent = block.indexOf('%');
        if (percent >= 0) {
            const qsizetype start = std::max<qsizetype>(0, percent - 3);
            const QString digits = QString::fromLatin1(block.mid(start, percent - start));
            result.percent = std::clamp(LenientNumber::Decimal(digits), 0, 100);
        }
        return result;
    }
    if (block.contains(FlashMarkers::kNoDevice)) {
        result.kind = FlashBlock::Kind::End;
        result.end = FlashBlock::End::NoDevice;
    } else if (block.contains(FlashMarkers::kAllImagesBurnt) || block.contains(FlashMarkers::kDownloadDone)) {
        result.kind = FlashBlock::Kind::End;
        result.end = FlashBlock::End::Success;
    }
    return result;
}

FlashToolRunner::FlashToolRunner(FlashView& view, FlashLimits limits)
    : m_view(view)
    , m_limits(limits)
{}

void FlashToolRunner::Pause(int32_t ms)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!m_abort && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

bool FlashToolRunner::system_hide(const FlashCommand& command, const QString& programFolder)
{
    m_result = {};
    ChildProcess tool;
    int32_t errorNumber = 0;
    if (!tool.Start(command.program, command.arguments, errorNumber)) {
        m_result.outcome = FlashOutcome::StartFailed;
        m_result.errorNumber = errorNumber;
        UpdateDebugLine(
            QStringLiteral("flashing tool %1 cannot be started: error %2").arg(command.program).arg(errorNumber));
        m_view.OnToolStartFailed(errorNumber);
        return false;
    }
    m_view.OnToolStarted();
    QString folder = programFolder;
    while (folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    const QByteArray upperFolder = folder.toUpper().toLocal8Bit();

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_limits.toolTimeoutMs);
    auto pastDeadline = [&] { return std::chrono::steady_clock::now() >= deadline; };
    MarkersSeen seen;
    QByteArray block;
    bool atEnd = false;
    bool timedOut = false;
    while (!m_abort) {
        if (pastDeadline()) {
            timedOut = true;
            break;
        }
        const ChildProcess::ReadStatus status = tool.Read(block, kBlockBytes, kReadSliceMs);
        if (status == ChildProcess::ReadStatus::TimedOut)
            continue;
        if (status != ChildProcess::ReadStatus::Data) {
            atEnd = true;
            break;
        }
        seen.Scan(block);
        const FlashBlock examined = ExamineFlashBlock(block, upperFolder);
        UpdateDebugLine(QStringLiteral("flashing tool: ") + QString::fromLocal8Bit(block));
        bool stop = examined.echoesFolder;
        switch (examined.kind) {
        case FlashBlock::Kind::Progress:
            if (examined.percent >= 0)
                m_view.OnToolProgress(examined.percent);
            break;
        case FlashBlock::Kind::End:
            m_view.OnToolEndMarker(examined.end == FlashBlock::End::Success);
            Pause(m_limits.endPauseMs);
            stop = true;
            break;
        case FlashBlock::Kind::Text:
            m_view.OnToolText(QString::fromLocal8Bit(block));
            break;
        }
        if (stop)
            break;
    }

    // Reading is over; the tool may still be writing. Its output is drained so
    // it never blocks on a full pipe, and still counts for the outcome.
    if (!atEnd && !timedOut && !m_abort) {
        const auto drainUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_limits.drainTimeoutMs);
        while (!m_abort && std::chrono::steady_clock::now() < drainUntil) {
            const ChildProcess::ReadStatus status = tool.Read(block, kBlockBytes, kReadSliceMs);
            if (status == ChildProcess::ReadStatus::Data)
                seen.Scan(block);
            else if (status != ChildProcess::ReadStatus::TimedOut)
                break;
        }
    }
    if (timedOut || m_abort || !tool.Wait(timedOut || m_abort ? 0 : m_limits.drainTimeoutMs))
        tool.Kill();
    m_result.exitCode = tool.ExitCode();

    if (timedOut)
        m_result.outcome = FlashOutcome::TimedOut;
    else if (seen.noDevice)
        m_result.outcome = FlashOutcome::NoDevice;
    else if (m_result.exitCode != 0)
        m_result.outcome = FlashOutcome::ExitCode;
    else if (!seen.success)
        m_result.outcome = FlashOutcome::NoSuccessMarker;
    else
        m_result.outcome = FlashOutcome::Succeeded;
    UpdateDebugLine(QStringLiteral("flashing tool ended: outcome %1, exit code %2")
                        .arg(int(m_result.outcome))
                        .arg(m_result.exitCode));
    return true;
}
