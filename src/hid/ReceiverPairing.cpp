#include "hid/ReceiverPairing.h"

#include "hid/HidDeviceList.h"
#include "hid/HidTrace.h"
#include "hid/MouseProtocol.h"
#include "hid/Notification.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

constexpr int32_t kReceiverMode = 1;

} // namespace

ReceiverPairing::ReceiverPairing(HidDeviceList& hid, SuccessHandler onSuccess, Timings timings)
    : m_hid(hid)
    , m_onSuccess(std::move(onSuccess))
    , m_timings(timings)
{}

void ReceiverPairing::Interrupt()
{
    std::lock_guard lock(m_sleepMutex);
    m_interrupted = true;
    m_wake.notify_all();
}

void ReceiverPairing::Sleep(int32_t ms)
{
    std::unique_lock lock(m_sleepMutex);
    if (ms > 0)
        m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_interrupted; });
}

bool ReceiverPairing::OnDeviceChange(bool arrival, const QString& path)
{
    // Only the command interface's return means the receiver is back; its
    // mouse interface arrives beside it and would double the check.
    if (!arrival || !path.toUpper().contains(QLatin1String("MI_01")))
        return false;
    Queue(WorkerTask::PairingPoll);
    return true;
}

void ReceiverPairing::RunPass()
{
    const int32_t code = m_tasks.TakeFirst();
    if (code == TaskCode(WorkerTask::StartPairing))
        StartPairing();
    else if (code == TaskCode(WorkerTask::PairingPoll))
        CheckArrival();
    else if (code < 0)
        PollNotification();
    // Any other code is not a pairing task.
}

void ReceiverPairing::StartPairing()
{
    Sleep(m_timings.settleMs);
    m_hid.Rebuild();
    std::vector<HidDeviceRecord> records;
    if (!m_hid.CopyDevices(records) || records.empty())
        return;
    // No reply is awaited beyond the transport's own: a receiver that does
    // not answer is still watched until the user closes the dialog.
    const Report report = MouseProtocol::BuildStartPairingReport();
    HidInputBuffer buffer{};
    std::copy(report.begin(), report.end(), buffer.begin());
    m_hid.SendReport(buffer, HidReply::Wanted);
    m_startSent = true;
}

void ReceiverPairing::CheckArrival()
{
    Sleep(m_timings.settleMs);
    m_hid.Rebuild();
    std::vector<HidDeviceRecord> records;
    if (!m_hid.CopyDevices(records))
        return;
    for (const HidDeviceRecord& record : records) {
        if (record.devMode != 0 && record.connectionState == kHidConnected)
            Success();
    }
}

void ReceiverPairing::PollNotification()
{
    // Watched whenever a receiver of the model is listed, also while a cable
    // mouse of the model is plugged beside it (the cable would otherwise be
    // taken as the current connection and the receiver never heard).
    std::vector<HidDeviceRecord> records;
    if (!m_hid.CopyDevices(records))
        return;
    if (std::none_of(
            records.begin(), records.end(), [](const HidDeviceRecord& r) { return r.devMode == kReceiverMode; }))
        return;
    HidInputBuffer report{};
    int32_t devType = 0;
    m_hid.PollReports(report, devType);
    const std::optional<Notification> notification = DecodeNotification(report);
    if (notification && IsPairingSuccess(*notification))
        Success();
}

void ReceiverPairing::Success()
{
    ++m_successes;
    if (m_onSuccess)
        m_onSuccess();
}
