#include "hid/DeviceWorker.h"

#include "editors/DpiRules.h"
#include "hid/ButtonMapEncoder.h"
#include "hid/DeviceInformationQuery.h"
#include "hid/HidDeviceList.h"
#include "hid/HidTrace.h"
#include "hid/MacroImage.h"
#include "hid/MouseProtocol.h"
#include "hid/Notification.h"
#include "hid/StatusReply.h"
#include "language/InterfaceText.h"
#include "language/TextIds.h"
#include "store/ProfileLoader.h"
#include "store/SettingsStore.h"

#include <algorithm>
#include <chrono>
#include <utility>
#include <vector>

namespace {

// Battery levels are percentages; a larger one is no level at all.
constexpr int32_t kBatteryFull = 100;
const QString kDpiIndexKey = QStringLiteral("dpi_index");
const QString kDpiCountKey = QStringLiteral("dpi_count");

HidInputBuffer ToBuffer(const Report& report)
{
    HidInputBuffer buffer{};
    std::copy(report.begin(), report.end(), buffer.begin());
    return buffer;
}

} // namespace

DeviceWorker::DeviceWorker(
    HidDeviceList& hid, SettingsStore& store, ConnectionEvents& connection, DeviceEvents& events, WorkerTimings timings)
    : m_hid(hid)
    , m_store(store)
    , m_connection(connection)
    , m_events(events)
    , m_timings(timings)
{
    m_tasks.SetAppendListener([this] { WakeUp(); });
    m_hid.SetInputListener([this] { WakeUp(); });
}

DeviceWorker::~DeviceWorker()
{
    m_hid.SetInputListener({});
}

void DeviceWorker::Queue(WorkerTask task)
{
    switch (task) {
    case WorkerTask::DeviceArrived:
        m_tasks.AppendMerged(
            TaskCode(task), {TaskCode(WorkerTask::DeviceArrived)}, TaskCode(WorkerTask::DeviceRemoved));
        break;
    case WorkerTask::DeviceRemoved:
        m_tasks.AppendMerged(
            TaskCode(task), {TaskCode(WorkerTask::DeviceArrived), TaskCode(WorkerTask::DeviceRemoved)}, -1);
        break;
    default:
        m_tasks.Append(TaskCode(task));
        break;
    }
}

void DeviceWorker::SetWakeHandler(std::function<void()> handler)
{
    std::lock_guard lock(m_wakeMutex);
    m_wakeHandler = std::move(handler);
}

void DeviceWorker::WakeUp()
{
    std::lock_guard lock(m_wakeMutex);
    if (m_wakeHandler)
        m_wakeHandler();
}

bool DeviceWorker::HasWork() const
{
    if (m_refreshWanted || !m_tasks.IsEmpty())
        return true;
    return !m_paused && m_devicesPresent && m_hid.HasInput();
}

void DeviceWorker::RequestRefresh()
{
    m_refreshWanted = true;
    WakeUp();
}

void DeviceWorker::SetPaused(bool paused)
{
    m_paused = paused;
    if (!paused)
        WakeUp(); // reports may have waited meanwhile
}

void DeviceWorker::SetDevicesPresent(bool present)
{
    m_devicesPresent = present;
    if (present)
        WakeUp();
}

HeldDeviceState DeviceWorker::Held() const
{
    std::lock_guard lock(m_heldMutex);
    return m_held;
}

void DeviceWorker::Interrupt()
{
    std::lock_guard lock(m_sleepMutex);
    m_interrupted = true;
    m_wake.notify_all();
}

void DeviceWorker::Sleep(int32_t ms)
{
    std::unique_lock lock(m_sleepMutex);
    if (ms > 0)
        m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_interrupted; });
}

void DeviceWorker::QueueBatch(std::vector<WorkerTask> tasks, std::function<void(BatchOutcome)> done)
{
    {
        std::lock_guard lock(m_batchMutex);
        m_batches.push_back({std::move(tasks), std::move(done)});
    }
    m_tasks.Append(TaskCode(WorkerTask::Batch));
}

void DeviceWorker::RunBatch(bool paused)
{
    PendingBatch batch;
    {
        std::lock_guard lock(m_batchMutex);
        // A Batch code appended without QueueBatch carries nothing.
        if (m_batches.empty())
            return;
        batch = std::move(m_batches.front());
        m_batches.pop_front();
    }
    if (paused) {
        if (batch.done)
            batch.done(BatchOutcome::Dropped);
        return;
    }
    m_unanswered = false;
    for (WorkerTask task : batch.tasks) {
        // Not nested: a batch inside a batch would take another caller's entry.
        if (task != WorkerTask::Batch)
            RunTask(TaskCode(task));
    }
    const bool unanswered = std::exchange(m_unanswered, false);
    if (batch.done)
        batch.done(unanswered ? BatchOutcome::Unanswered : BatchOutcome::Acknowledged);
}

bool DeviceWorker::Send(HidInputBuffer& buffer, HidReply reply)
{
    const bool sent = m_hid.SendReport(buffer, reply);
    if (!sent)
        m_unanswered = true;
    return sent;
}

void DeviceWorker::RunPass()
{
    if (m_refreshWanted.exchange(false)) {
        m_connection.RefreshConnectionState(ConnectionEvents::Refresh::Full);
        return;
    }
    if (m_paused) {
        // The pairing dialog owns the receiver meanwhile: whatever was queued
        // is dropped, one task a pass, never run; a batch hears of it.
        if (m_tasks.TakeFirst() == TaskCode(WorkerTask::Batch))
            RunBatch(true);
        return;
    }
    int32_t code = m_tasks.TakeFirst();
    if (code >= 0)
        RunTask(code);
    else if (m_devicesPresent)
        PollNotifications();
}

void DeviceWorker::RunTask(int32_t code)
{
    const auto task = static_cast<WorkerTask>(code);
    switch (task) {
    case WorkerTask::ReadMouse:
        LoadIfNeeded();
        break;
    case WorkerTask::DeviceArrived:
        ConnectAndRead(m_timings.arrivalSettleMs);
        LoadIfNeeded();
        break;
    case WorkerTask::DeviceRemoved:
        ConnectAndRead(m_timings.removalSettleMs);
        break;
    case WorkerTask::ModelSwitched:
        m_connection.ClearReachable();
        if (m_hid.GetCurrentDevMode() != -1) {
            LoadProfiles();
            m_events.ReloadPages(DeviceEvents::kDpiPerformancePage);
            if (GetMouseData())
                ReloadAfterRead();
        }
        m_events.CloseWaitDialog();
        Sleep(m_timings.switchSettleMs);
        break;
    case WorkerTask::WriteEverything: {
        uint32_t pages = DeviceEvents::kButtonPage | DeviceEvents::kDpiPerformancePage;
        if (m_lightingPresent)
            pages |= DeviceEvents::kLightingPage;
        m_events.ReloadPages(pages);
        SendOtherDpiLevels();
        for (int32_t setting = TaskCode(kFirstSettingTask); setting <= TaskCode(kLastSettingTask); ++setting)
            SendSetting(setting);
        SendButtonMap();
        if (m_lightingPresent)
            Sleep(m_timings.lightingSettleMs);
        break;
    }
    case WorkerTask::UploadMacros:
        UploadMacros();
        break;
    case WorkerTask::ButtonMap:
        SendButtonMap();
        break;
    case WorkerTask::LightingOnly:
        // Lighting lives only in the store; the mouse is not told.
        break;
    case WorkerTask::RestorePending:
        RestorePending();
        break;
    case WorkerTask::FactoryReset:
        FactoryReset();
        break;
    case WorkerTask::Batch:
        RunBatch(false);
        break;
    default:
        if (code >= TaskCode(kFirstSettingTask) && code <= TaskCode(kLastSettingTask))
            SendSetting(code);
        else if (code >= TaskCode(kFirstUpdateTask) && code <= TaskCode(kLastUpdateTask))
            m_events.RunUpdateTask(code);
        // Anything else (8, 18, 19, 22, above 30) is not a task.
        break;
    }
}

void DeviceWorker::LoadIfNeeded()
{
    if (m_loaded || m_hid.GetCurrentDevMode() == -1)
        return;
    LoadProfiles();
    if (GetMouseData()) {
        ReloadAfterRead();
        m_loaded = true;
    }
}

void DeviceWorker::ConnectAndRead(int32_t settleMs)
{
    Sleep(settleMs);
    m_connection.ClearReachable();
    m_connection.RefreshConnectionState(ConnectionEvents::Refresh::Full);
    if (m_hid.GetCurrentDevMode() == -1)
        return;
    LoadProfiles();
    if (GetMouseData())
        ReloadAfterRead();
}

uint32_t DeviceWorker::ReadPages() const
{
    uint32_t pages = DeviceEvents::kButtonPage | DeviceEvents::kMacroPage | DeviceEvents::kDpiPerformancePage;
    if (m_lightingPresent)
        pages |= DeviceEvents::kLightingPage;
    return pages;
}

void DeviceWorker::ReloadAfterRead()
{
    m_events.ReloadPages(ReadPages());
}

void DeviceWorker::LoadProfiles()
{
    LoadedProfile loaded = ProfileLoader::LoadProfiles(m_store);
    m_currentProfile = loaded.profile;
    m_events.ShowProfile(loaded.profile, loaded.name);
}

void DeviceWorker::MarkOffline(int32_t connectionKind)
{
    {
        std::lock_guard lock(m_heldMutex);
        m_held.reachable = false;
    }
    m_connection.DeviceConnectState(connectionKind);
    // Ask the receivers where their mice are, so the device list shows it.
    m_hid.PollWirelessStatus();
}

bool DeviceWorker::GetMouseData()
{
    const DeviceInformationReply information = QueryDeviceInformation(
        m_hid, kDeviceInformationAttempts, m_timings.statusRetryMs, [this](int32_t ms) { Sleep(ms); });
    const HidInputBuffer& reply = information.reply;
    const bool answered = information.answered;

    int32_t heldKind = Held().connectionKind;
    if (reply[9] == 0 && reply[10] == 0) {
        MarkOffline(heldKind);
        qCDebug(lcTarvoHid, "vkt: GetMouseData 11 dev_type: %d", m_hid.CurrentDevType());
        return false;
    }
    std::optional<DeviceStatus> status = DecodeDeviceStatus(reply);
    if (!answered || !status) {
        MarkOffline(heldKind);
        return false;
    }

    HeldDeviceState battery;
    {
        std::lock_guard lock(m_heldMutex);
        m_held.connectionKind = status->connectionKind;
        m_held.reachable = status->mouseReachable;
        // A level above 100 is no reading: the gauge keeps the last good one.
        if (status->batteryLevel <= kBatteryFull) {
            m_held.batteryLevel = status->batteryLevel;
            m_held.batteryStatus = status->batteryStatus;
        }
        battery = m_held;
    }
    if (!status->mouseReachable) {
        MarkOffline(status->connectionKind);
        qCDebug(lcTarvoHid, "vkt: GetMouseData 22 dev_type: %d", m_hid.CurrentDevType());
        return false;
    }

    m_connection.MouseAnswered(status->connectionKind);
    m_events.ShowBattery(battery.batteryLevel, battery.batteryStatus);
    m_events.ShowDeviceBattery(m_hid.CurrentDevType(), battery.batteryStatus, battery.batteryLevel);

    // What the pages would make of the values: DPI within the model's range in
    // steps of 50, the active level one of the profile's levels.
    const int32_t devType = m_hid.CurrentDevType();
    for (int& dpi : status->dpi)
        dpi = DpiRules::Clamp(dpi, devType);
    const int32_t dpiIndex = DpiRules::ClampIndex(status->activeDpiIndex, StoredDpiCount());

    QString mouseVersion = FirmwareVersionText(status->versionMajorMinor, status->versionPatch);
    {
        std::lock_guard lock(m_heldMutex);
        m_held.mouseVersion = mouseVersion;
        m_held.dpiIndex = dpiIndex;
        m_held.reportRate = status->reportRate;
        m_held.reportFlag = status->reportFlag;
        m_held.receiverVersion.clear();
    }
    m_events.ShowMouseVersion(LabelledVersionText(InterfaceText::Get(TextIds::kMouseFirmware), mouseVersion));
    m_events.ShowReceiverVersion(InterfaceText::Get(TextIds::kReceiverFirmware));

    int32_t profile = m_currentProfile;
    // A value that cannot be stored stays on the mouse; the store tells the
    // window that it cannot be written, and the read goes on.
    for (const auto& [key, value] : StoredConfigValues(*status))
        (void)m_store.SetConfigValue(profile, key, value);
    // The level the mouse is on, so the DPI page shows what the mouse does.
    (void)m_store.SetConfigValue(profile, kDpiIndexKey, QString::number(dpiIndex));

    HidInputBuffer receiver = ToBuffer(MouseProtocol::BuildQuery(Command::ReceiverInfo));
    if (m_hid.SendReport(receiver, HidReply::Wanted)) {
        if (std::optional<QString> version = DecodeReceiverVersion(receiver)) {
            {
                std::lock_guard lock(m_heldMutex);
                m_held.receiverVersion = *version;
            }
            m_events.ShowReceiverVersion(LabelledVersionText(InterfaceText::Get(TextIds::kReceiverFirmware), *version));
        }
    }
    for (Command followUp : {Command::FollowUpA, Command::FollowUpB}) {
        HidInputBuffer query = ToBuffer(MouseProtocol::BuildQuery(followUp));
        m_hid.SendReport(query, HidReply::Wanted);
    }

    m_tasks.Append(TaskCode(status->connectionKind == kConnectionKindMouse ? WorkerTask::MouseFirmwareCheck
                                                                           : WorkerTask::ReceiverFirmwareCheck));
    m_tasks.Append(TaskCode(WorkerTask::UploadMacros));
    return true;
}

int32_t DeviceWorker::StoredDpiCount()
{
    QString count;
    if (!m_store.GetConfigValue(m_currentProfile, kDpiCountKey, count))
        return DpiRules::kLevelCount;
    return DpiRules::ClampCount(count.toInt());
}

void DeviceWorker::SendSetting(int32_t code)
{
    int32_t profile = m_currentProfile;
    std::optional<Report> report = MouseProtocol::BuildSettingTaskReport(
        code, [&](const QString& key) { return m_store.GetConfigInt(profile, key); });
    if (!report)
        return;
    HidInputBuffer buffer = ToBuffer(*report);
    Send(buffer, HidReply::Wanted);
}

void DeviceWorker::SendOtherDpiLevels()
{
    // The DPI report carries one level and makes it the mouse's current one,
    // and the DPI task sends only the current level. A whole profile (after a
    // switch or an import) also needs the other levels in use, or the mouse's
    // DPI button would go on to the previous profile's values; the DPI task
    // that follows makes the current level current again.
    const int32_t profile = m_currentProfile;
    const int32_t count = m_store.GetConfigInt(profile, QStringLiteral("dpi_count"));
    const int32_t current = m_store.GetConfigInt(profile, QStringLiteral("dpi_index"));
    for (int32_t level = 0; level < count && level < DpiRules::kLevelCount; ++level) {
        if (level == current)
            continue;
        const int32_t dpi = m_store.GetConfigInt(profile, QStringLiteral("dpi_group%1_value").arg(level));
        HidInputBuffer buffer = ToBuffer(MouseProtocol::BuildDpiReport(count, level, dpi));
        Send(buffer, HidReply::Wanted);
    }
}

void DeviceWorker::SendButtonMap()
{
    std::vector<KeyAssignment> rows;
    m_store.ListKeyAssignments(m_currentProfile, rows);
    std::vector<ButtonAssignment> assignments;
    for (const KeyAssignment& row : rows) {
        if (row.fn_layer != 0)
            continue;
        assignments.push_back({row.key_code, row.macro_type, row.macro_value, row.macro_value2, row.macro_value3});
    }
    std::vector<MacroInfo> macros;
    m_store.ListMacros(macros);
    std::vector<int> macroIds;
    for (const MacroInfo& macro : macros)
        macroIds.push_back(macro.macro_id);

    HidInputBuffer buffer = ToBuffer(ButtonMapEncoder::BuildButtonMapReport(assignments, macroIds));
    Send(buffer, HidReply::Wanted);
}

void DeviceWorker::UploadMacros()
{
    std::vector<MacroInfo> macros;
    m_store.ListMacros(macros);
    std::vector<std::vector<MacroEvent>> events;
    for (const MacroInfo& macro : macros) {
        std::vector<MacroStep> steps;
        m_store.ListMacroSteps(macro.macro_id, steps);
        std::vector<MacroEvent>& macroEvents = events.emplace_back();
        for (const MacroStep& step : steps)
            macroEvents.push_back({step.type, step.value, step.delay_time, step.desc});
    }
    MacroImage image = MacroImageEncoder::BuildMacroImage(events);
    for (const Report& piece : MacroImageEncoder::SplitIntoReports(image.bytes)) {
        HidInputBuffer buffer = ToBuffer(piece);
        if (!Send(buffer, HidReply::Wanted)) {
            // Gone mid-upload: every further piece would wait out its reply
            // for nothing. The next read of the mouse uploads all macros again.
            MarkOffline(Held().connectionKind);
            return;
        }
        Sleep(m_timings.macroPieceMs);
    }
}

void DeviceWorker::RestorePending()
{
    switch (MouseProtocol::ResolvePendingRestore(m_pendingRestore)) {
    case RestoreAction::ButtonDefaults:
        m_events.RestoreButtonDefaults();
        break;
    case RestoreAction::Lighting:
        m_events.RestoreLighting();
        break;
    case RestoreAction::DpiReport: {
        HidInputBuffer buffer = ToBuffer(MouseProtocol::BuildRestoreReport(RestoreScope::Dpi));
        Send(buffer, HidReply::NotWanted);
        break;
    }
    case RestoreAction::None:
        break;
    }
}

void DeviceWorker::FactoryReset()
{
    HidInputBuffer buffer = ToBuffer(MouseProtocol::BuildRestoreReport(RestoreScope::Everything));
    Send(buffer, HidReply::NotWanted);
    Sleep(m_timings.factoryResetMs);
    LoadProfiles();
    // The reset's only answer is the mouse reading back afterwards.
    if (GetMouseData())
        ReloadAfterRead();
    else
        m_unanswered = true;
    Sleep(m_timings.switchSettleMs);
    m_events.CloseWaitDialog();
    Sleep(m_timings.switchSettleMs);
}

void DeviceWorker::ReloadStep()
{
    GetMouseData();
    // The pages follow the store whatever the read gave.
    ReloadAfterRead();
    m_tasks.Append(TaskCode(WorkerTask::ReceiverFirmwareCheck));
}

void DeviceWorker::PollNotifications()
{
    const std::optional<HidIncoming> incoming = m_hid.TakeInput();
    if (!incoming)
        return;
    const HidInputBuffer& report = incoming->input.bytes;
    const int32_t devType = incoming->devType;
    std::optional<Notification> notification = DecodeNotification(report);
    if (!notification) {
        // The receiver reports its mouse going off or out of range, and coming
        // back, on its own; without this the window would show the mouse
        // online until the next command to it failed, or offline until it
        // sent a battery report.
        if (const std::optional<ReceiverLink> link = DecodeReceiverStatus(report))
            OnReceiverStatus(*incoming, *link == ReceiverLink::Connected);
        return;
    }

    int32_t current = m_hid.CurrentDevType();
    switch (notification->event) {
    case NotificationEvent::DeviceChanged:
        m_connection.RefreshConnectionState(ConnectionEvents::Refresh::Lighter);
        ReloadStep();
        break;
    case NotificationEvent::DpiLevelChanged: {
        if (devType != current)
            break;
        int32_t index = notification->first;
        // A level the profile does not have: no page could show it.
        if (index >= StoredDpiCount()) {
            qCDebug(lcTarvoHid, "DPI level %d reported, beyond the profile's levels: ignored", index);
            break;
        }
        {
            std::lock_guard lock(m_heldMutex);
            if (index == m_held.dpiIndex)
                break;
            m_held.dpiIndex = index;
        }
        m_events.ShowDpiLevel(index);
        // Shown whether or not it is stored; a store that cannot be written
        // tells the window itself.
        (void)m_store.SetConfigValue(m_currentProfile, kDpiIndexKey, QString::number(index));
        break;
    }
    case NotificationEvent::Battery: {
        // Level 0 is no value, and so is anything above 100.
        const bool reading = notification->first != 0 && notification->first <= kBatteryFull;
        if (devType == current && reading) {
            if (!m_connection.IsReachable()) {
                m_connection.RefreshConnectionState(ConnectionEvents::Refresh::Lighter);
                ReloadStep();
            }
            {
                std::lock_guard lock(m_heldMutex);
                m_held.batteryLevel = notification->first;
                m_held.batteryStatus = notification->second;
            }
            m_events.ShowBattery(notification->first, notification->second);
        }
        HeldDeviceState held = Held();
        m_events.ShowDeviceBattery(devType, held.batteryStatus, held.batteryLevel);
        break;
    }
    case NotificationEvent::TextRequest:
        if (devType == current && notification->first != 0)
            m_events.PlayTextRequest(notification->first, notification->second);
        break;
    default:
        // Pairing results belong to the pairing dialog's own poll.
        break;
    }
}

void DeviceWorker::OnReceiverStatus(const HidIncoming& incoming, bool connected)
{
    // From now on the receiver's record says what its report said.
    m_hid.SetConnectionState(incoming.vendorId, incoming.productId, connected ? kHidConnected : kHidNotConnected);
    if (incoming.devType != m_hid.CurrentDevType())
        return;
    if (!connected) {
        if (m_connection.IsReachable())
            MarkOffline(Held().connectionKind);
        return;
    }
    // The mouse switched on again, or back in range: read it as a battery
    // report from an unreachable mouse would.
    if (!m_connection.IsReachable()) {
        m_connection.RefreshConnectionState(ConnectionEvents::Refresh::Lighter);
        ReloadStep();
    }
}

DeviceWorkerThread::DeviceWorkerThread(DeviceWorker& worker)
    : m_worker(worker)
{
    m_worker.SetWakeHandler([this] { Wake(); });
}

void DeviceWorkerThread::Run()
{
    if (RunMode() != Mode::Waking) {
        m_worker.RunPass();
        return;
    }
    // Woken, it runs passes only while there is work: a pass with nothing to
    // do would sit in the poll's wait while a task is queued.
    if (m_worker.HasWork())
        m_worker.RunPass();
    if (m_worker.HasWork())
        Wake();
}

DeviceWorkerThread::~DeviceWorkerThread()
{
    Shutdown();
}

void DeviceWorkerThread::Shutdown()
{
    m_worker.Interrupt();
    StopAndJoin();
    m_worker.SetWakeHandler({});
}
