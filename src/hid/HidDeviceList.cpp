#include "hid/HidDeviceList.h"

#include "hid/HidTrace.h"
#include "platform/HidInterfacePath.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

constexpr uint8_t kReportId = 0x06;
constexpr uint8_t kDeviceInformation = 0x05;
constexpr uint8_t kReceiverStatus = 0xC0;
constexpr size_t kReceiverStatusSize = 33;
constexpr qsizetype kPathLimit = 1023;

}

struct HidDeviceList::Entry {
    HidDeviceRecord record;
    QByteArray libraryPath;
    HidDeviceHandle device;
};

HidDeviceList& HidDeviceList::Instance()
{
    static HidDeviceList list;
    return list;
}

HidDeviceList::HidDeviceList(HidTimings timings)
    : m_timings(timings)
{
    std::lock_guard lock(m_mutex);
    m_library.Load();
}

HidDeviceList::~HidDeviceList()
{
    std::lock_guard lock(m_mutex);
    // Devices close before the library that closes them goes away.
    m_entries.clear();
}

void HidDeviceList::Sleep(int32_t ms) const
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void HidDeviceList::AddSupportedDevice(int32_t vendorId, int32_t productId, QString const& name, int32_t devType,
    int32_t devMode)
{
    std::lock_guard lock(m_mutex);
    m_supported.push_back({ vendorId, productId, name, devType, devMode });
}

void HidDeviceList::ClearSupportedDevices()
{
    std::lock_guard lock(m_mutex);
    m_supported.clear();
}

SupportedDevice const* HidDeviceList::FindSupported(int32_t vendorId, int32_t productId) const
{
    for (auto const& device : m_supported) {
        if (device.vendorId == vendorId && device.productId == productId)
            return &device;
    }
    return nullptr;
}

int32_t HidDeviceList::IsSupported(int32_t vendorId, int32_t productId) const
{
    std::lock_guard lock(m_mutex);
    return FindSupported(vendorId, productId) ? 1 : 0;
}

int32_t HidDeviceList::LookupDevType(int32_t vendorId, int32_t productId) const
{
    std::lock_guard lock(m_mutex);
    auto const* device = FindSupported(vendorId, productId);
    return device ? device->devType : 0;
}

int32_t HidDeviceList::LookupDevMode(int32_t vendorId, int32_t productId) const
{
    std::lock_guard lock(m_mutex);
    auto const* device = FindSupported(vendorId, productId);
    return device ? device->devMode : 0;
}

void HidDeviceList::EnumerateDevice()
{
    std::lock_guard lock(m_mutex);
    EnumerateLocked();
}

void HidDeviceList::EnumerateLocked()
{
    // Each enumeration describes the whole machine afresh.
    m_unopened.clear();
    for (auto const& info : m_library.Enumerate()) {
        SupportedDevice const* supported = FindSupported(info.vendorId, info.productId);
        if (!supported)
            continue;
        // Other collections of the same device (mouse, consumer keys) are not
        // ours; the flashing-mode interface (0xFFB1) never is.
        if (info.usagePage != kCommandUsagePage || info.usage != kCommandUsage)
            continue;
        HidOpenFailure failure;
        HidDeviceHandle device = m_library.Open(info.path, &failure);
        if (!device) {
            HidUnopenedInterface unopened;
            unopened.vendorId = info.vendorId;
            unopened.productId = info.productId;
            unopened.devType = supported->devType;
            unopened.devMode = supported->devMode;
            unopened.path = QString::fromUtf8(info.path.left(kPathLimit));
            unopened.reason = DeviceAccess::Explain(unopened.path, failure.errorNumber);
            unopened.message = failure.message;
            if (HidTraceEnabled()) {
                qCDebug(lcTarvoHid).noquote() << "cannot open" << unopened.path << "-"
                                              << DeviceAccess::Name(unopened.reason) << "-" << failure.message;
            }
            m_unopened.push_back(std::move(unopened));
            continue;
        }
        auto entry = std::make_unique<Entry>();
        HidDeviceRecord& record = entry->record;
        record.index = static_cast<int32_t>(m_entries.size());
        record.vendorId = info.vendorId;
        record.productId = info.productId;
        record.product = m_library.ProductString(device.get());
        record.release = info.release;
        record.devType = supported->devType;
        record.devMode = supported->devMode;
        QByteArray path = info.path.left(kPathLimit);
        record.path = QString::fromUtf8(path);
        entry->libraryPath = info.path;
        entry->device = std::move(device);
        QueryDeviceStatus(*entry);
        m_entries.push_back(std::move(entry));
    }
    m_cachedDevice = -1;
}

std::vector<HidUnopenedInterface> HidDeviceList::UnopenedInterfaces() const
{
    std::lock_guard lock(m_mutex);
    return m_unopened;
}

std::vector<HidAttachedInterface> HidDeviceList::AttachedInterfaces()
{
    std::lock_guard lock(m_mutex);
    std::vector<HidAttachedInterface> attached;
    for (auto const& info : m_library.Enumerate()) {
        SupportedDevice const* supported = FindSupported(info.vendorId, info.productId);
        if (!supported || info.usagePage != kCommandUsagePage || info.usage != kCommandUsage)
            continue;
        attached.push_back({ info.vendorId, info.productId, supported->devType, supported->devMode, info.release,
            QString::fromUtf8(info.path.left(kPathLimit)) });
    }
    return attached;
}

void HidDeviceList::QueryDeviceStatus(Entry& entry)
{
    HidDeviceRecord& record = entry.record;
    record.connectionState = kHidNoAnswer;
    HidInputBuffer buffer {};
    bool answered = false;
    for (int32_t attempt = 0; attempt < m_timings.statusAttempts && !answered; ++attempt) {
        buffer.fill(0);
        buffer[0] = kReportId;
        buffer[1] = kDeviceInformation;
        auto const command = std::span<const uint8_t>(buffer.data(), kHidReportSize);
        if (m_library.Write(entry.device.get(), command) > 0) {
            TraceHidReport(HidDirection::Sent, record.path, command);
            buffer.fill(0);
            for (int32_t read = 0; read < m_timings.replyReads; ++read) {
                int32_t const n = m_library.Read(entry.device.get(), std::span(buffer.data(), kHidReportSize),
                    m_timings.replyReadMs);
                if (n > 0) {
                    TraceHidReport(HidDirection::Received, record.path, std::span(buffer.data(), size_t(n)));
                    answered = true;
                    break;
                }
                if (n < 0)
                    break; // the device is gone; waiting longer cannot help
                Sleep(m_timings.emptyReadSleepMs);
            }
        }
        if (!answered)
            Sleep(m_timings.attemptSleepMs);
    }
    if (buffer[9] != 0 || buffer[10] != 0) {
        record.batteryLevel = buffer[13];
        record.batteryStatus = buffer[14];
        record.connectionState = kHidConnected;
    } else {
        record.devType = 0;
        record.connectionState = kHidNoAnswer;
    }
}

void HidDeviceList::CloseAll()
{
    std::lock_guard lock(m_mutex);
    CloseAllLocked();
}

void HidDeviceList::CloseAllLocked()
{
    if (!m_open)
        return;
    m_open = false;
    m_entries.clear();
    m_cachedDevice = -1;
}

void HidDeviceList::Rebuild()
{
    std::lock_guard lock(m_mutex);
    m_cachedDevice = -1;
    CloseAllLocked();
    // Records left from an enumeration that was never marked open go too, so
    // a rebuild never lists an interface twice.
    m_entries.clear();
    EnumerateLocked();
    m_open = true;
}

void HidDeviceList::SetOpen(bool open)
{
    std::lock_guard lock(m_mutex);
    m_open = open;
}

bool HidDeviceList::IsOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_open;
}

void HidDeviceList::SetCurrentDevType(int32_t devType)
{
    std::lock_guard lock(m_mutex);
    m_currentDevType = devType;
    m_cachedDevice = -1;
}

int32_t HidDeviceList::CurrentDevType() const
{
    std::lock_guard lock(m_mutex);
    return m_currentDevType;
}

void HidDeviceList::ResetCachedDevice()
{
    std::lock_guard lock(m_mutex);
    m_cachedDevice = -1;
}

bool HidDeviceList::CopyDevices(std::vector<HidDeviceRecord>& out) const
{
    std::lock_guard lock(m_mutex);
    out.clear();
    if (m_entries.empty())
        return false;
    for (auto const& entry : m_entries) {
        if (m_currentDevType == 0 || entry->record.devType == m_currentDevType)
            out.push_back(entry->record);
    }
    return true;
}

int32_t HidDeviceList::GetCurrentDevMode() const
{
    std::lock_guard lock(m_mutex);
    auto connectedIn = [&](int32_t mode) {
        return std::any_of(m_entries.begin(), m_entries.end(), [&](auto const& entry) {
            return entry->record.devType == m_currentDevType && entry->record.devMode == mode
                && entry->record.connectionState == kHidConnected;
        });
    };
    if (connectedIn(0))
        return 0;
    if (connectedIn(1))
        return 1;
    return -1;
}

int32_t HidDeviceList::GetCurrentDevice()
{
    std::lock_guard lock(m_mutex);
    return CurrentDeviceLocked();
}

int32_t HidDeviceList::CurrentDeviceLocked()
{
    if (m_cachedDevice >= 0)
        return m_cachedDevice;
    for (auto const& entry : m_entries) {
        if (entry->record.devType == m_currentDevType && entry->record.devMode == 0)
            return m_cachedDevice = entry->record.index;
    }
    for (auto const& entry : m_entries) {
        if (entry->record.devType == m_currentDevType && entry->record.devMode == 1) {
            // Only the first receiver record counts; later ones are not considered.
            if (entry->record.connectionState == kHidConnected)
                return m_cachedDevice = entry->record.index;
            return -1;
        }
    }
    return -1;
}

int32_t HidDeviceList::FindDevice(int32_t vendorId, int32_t productId, int32_t devMode) const
{
    std::lock_guard lock(m_mutex);
    for (auto const& entry : m_entries) {
        HidDeviceRecord const& r = entry->record;
        if (r.vendorId == vendorId && r.productId == productId && r.devMode == devMode)
            return r.index;
    }
    return -1;
}

bool HidDeviceList::SendReport(HidInputBuffer& buffer, HidReply reply)
{
    std::lock_guard lock(m_mutex);
    if (!m_open)
        return false;
    int32_t const current = CurrentDeviceLocked();
    if (current < 0 || static_cast<size_t>(current) >= m_entries.size())
        return false;
    Entry& entry = *m_entries[static_cast<size_t>(current)];
    if (!entry.device)
        return false;

    HidInputBuffer work = buffer;
    auto const command = std::span<const uint8_t>(work.data(), kHidReportSize);
    if (m_library.Write(entry.device.get(), command) <= 0)
        return false;
    TraceHidReport(HidDirection::Sent, entry.record.path, command);
    if (reply == HidReply::NotWanted)
        return true;

    HidInputBuffer incoming {};
    bool answered = false;
    for (int32_t read = 0; read < m_timings.replyReads; ++read) {
        int32_t const n = m_library.Read(entry.device.get(), std::span(incoming.data(), kHidReportSize),
            m_timings.replyReadMs);
        if (n > 0) {
            TraceHidReport(HidDirection::Received, entry.record.path, std::span(incoming.data(), size_t(n)));
            // A short reply is not padded with the tail of the command.
            std::fill(incoming.begin() + n, incoming.end(), uint8_t(0));
            work = incoming;
            answered = true;
            break;
        }
        if (n < 0)
            break; // unplugged: the handle will never deliver again
        Sleep(m_timings.emptyReadSleepMs);
    }
    buffer = work;
    return answered;
}

bool HidDeviceList::PollReports(HidInputBuffer& buffer, int32_t& devType)
{
    std::lock_guard lock(m_mutex);
    if (!m_open)
        return false;
    for (auto const& entry : m_entries) {
        if (!entry->device)
            continue;
        HidInputBuffer incoming {};
        int32_t const n = m_library.Read(entry->device.get(), std::span(incoming.data(), kHidReportSize),
            m_timings.pollReadMs);
        if (n > 0) {
            TraceHidReport(HidDirection::Received, entry->record.path, std::span(incoming.data(), size_t(n)));
            buffer = incoming;
            devType = entry->record.devType;
        }
    }
    return true;
}

void HidDeviceList::PollWirelessStatus()
{
    std::lock_guard lock(m_mutex);
    for (auto const& entry : m_entries) {
        HidDeviceRecord const& r = entry->record;
        if (r.devType != m_currentDevType || r.devMode != 1 || !entry->device)
            continue;
        std::array<uint8_t, kReceiverStatusSize> status {};
        int32_t const n = m_library.Read(entry->device.get(), status, m_timings.pollReadMs);
        if (n <= 0)
            continue;
        TraceHidReport(HidDirection::Received, r.path, std::span(status.data(), size_t(n)));
        if (status[0] != kReceiverStatus)
            continue;
        int32_t const state = status[1] == 1 ? kHidConnected : kHidNotConnected;
        for (auto const& other : m_entries) {
            if (other->record.vendorId == r.vendorId && other->record.productId == r.productId)
                other->record.connectionState = state;
        }
    }
}

void HidDeviceList::SetConnectionState(int32_t vendorId, int32_t productId, int32_t state)
{
    std::lock_guard lock(m_mutex);
    for (auto const& entry : m_entries) {
        if (entry->record.vendorId == vendorId && entry->record.productId == productId)
            entry->record.connectionState = state;
    }
}

int32_t HidDeviceList::IsDevicePresent(int32_t productId)
{
    std::lock_guard lock(m_mutex);
    for (auto const& info : m_library.Enumerate()) {
        if (info.vendorId != kVendorId || info.productId != productId || !FindSupported(info.vendorId, info.productId))
            continue;
        if (info.usagePage != kCommandUsagePage || info.usage != kCommandUsage)
            continue;
        // Opening proves the interface is usable, not merely listed.
        if (m_library.Open(info.path))
            return 1;
    }
    return 0;
}

std::optional<HidCapabilities> HidDeviceList::QueryCapabilities(QString const& path)
{
    std::lock_guard lock(m_mutex);
    QByteArray const wanted = path.toUtf8();
    QByteArray const node = HidInterfacePath::DeviceNode(path).toUtf8();
    for (auto const& info : m_library.Enumerate()) {
        bool const same = info.path.compare(wanted, Qt::CaseInsensitive) == 0 || (!node.isEmpty() && info.path == node);
        if (same)
            return HidCapabilities { info.vendorId, info.productId, info.usagePage, info.usage };
    }
    return std::nullopt;
}

int32_t HidDeviceList::OpenMonitorDescriptor()
{
    std::lock_guard lock(m_mutex);
    return m_library.OpenMonitorDescriptor();
}
