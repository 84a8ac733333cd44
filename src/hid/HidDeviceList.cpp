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
constexpr qsizetype kPathLimit = 1023;
constexpr int32_t kBatteryFull = 100;

bool AnyReport(HidInput const&)
{
    return true;
}

// What the notification poll wants: notifications and receiver status reports.
bool IsForThePoll(HidInput const& input)
{
    return (input.size > 1 && input.bytes[1] == kNotificationMarker)
        || (input.size > 1 && input.bytes[0] == kReceiverStatusReportId);
}

bool IsReceiverStatus(HidInput const& input)
{
    return input.size > 1 && input.bytes[0] == kReceiverStatusReportId;
}

// The reply to `command`: its report id and command byte, and for a
// set-parameter command its parameter id.
HidInputReader::Filter ReplyTo(HidInputBuffer const& command)
{
    uint8_t const id = command[0];
    uint8_t const code = command[1];
    uint8_t const parameter = command[5];
    return [=](HidInput const& input) {
        if (input.size < 2 || input.bytes[0] != id || input.bytes[1] != code)
            return false;
        return code != static_cast<uint8_t>(Command::SetParameter) || (input.size > 5 && input.bytes[5] == parameter);
    };
}

} // namespace

struct HidDeviceList::Entry {
    HidDeviceRecord record;
    QByteArray libraryPath;
    HidDeviceHandle device; // written to under m_ioMutex only
    std::unique_ptr<HidInputReader> reader;
};

HidDeviceList& HidDeviceList::Instance()
{
    static HidDeviceList list;
    return list;
}

HidDeviceList::HidDeviceList(HidTimings timings)
    : m_timings(timings)
{
    m_library.Load();
}

HidDeviceList::~HidDeviceList()
{
    SetInputListener({});
    std::lock_guard io(m_ioMutex);
    {
        std::lock_guard lock(m_mutex);
        RetireLocked();
    }
    // Devices close before the library that closes them goes away; every
    // input thread is asked to stop first so they end together.
    m_retired.clear();
}

void HidDeviceList::Sleep(int32_t ms) const
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void HidDeviceList::AddSupportedDevice(
    int32_t vendorId, int32_t productId, QString const& name, int32_t devType, int32_t devMode)
{
    std::lock_guard lock(m_mutex);
    m_supported.push_back({vendorId, productId, name, devType, devMode});
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
    std::lock_guard io(m_ioMutex);
    std::vector<HidUnopenedInterface> unopened;
    EntryList fresh = OpenInterfaces(unopened);
    std::lock_guard lock(m_mutex);
    PublishLocked(std::move(fresh), std::move(unopened));
}

HidDeviceList::EntryList HidDeviceList::OpenInterfaces(std::vector<HidUnopenedInterface>& unopened)
{
    std::vector<SupportedDevice> supported;
    {
        std::lock_guard lock(m_mutex);
        supported = m_supported;
    }
    auto findSupported = [&](uint16_t vendorId, uint16_t productId) -> SupportedDevice const* {
        for (auto const& device : supported) {
            if (device.vendorId == vendorId && device.productId == productId)
                return &device;
        }
        return nullptr;
    };

    // Each enumeration describes the whole machine afresh.
    unopened.clear();
    EntryList fresh;
    for (auto const& info : m_library.Enumerate()) {
        SupportedDevice const* device = findSupported(info.vendorId, info.productId);
        if (!device)
            continue;
        // Other collections of the same device (mouse, consumer keys) are not
        // ours; the flashing-mode interface (0xFFB1) never is.
        if (info.usagePage != kCommandUsagePage || info.usage != kCommandUsage)
            continue;
        HidOpenFailure failure;
        HidDeviceHandle writer = m_library.Open(info.path, &failure);
        if (!writer) {
            HidUnopenedInterface interface;
            interface.vendorId = info.vendorId;
            interface.productId = info.productId;
            interface.devType = device->devType;
            interface.devMode = device->devMode;
            interface.path = QString::fromUtf8(info.path.left(kPathLimit));
            interface.reason = DeviceAccess::Explain(interface.path, failure.errorNumber);
            interface.message = failure.message;
            if (HidTraceEnabled()) {
                qCDebug(lcTarvoHid).noquote() << "cannot open" << interface.path << "-"
                                              << DeviceAccess::Name(interface.reason) << "-" << failure.message;
            }
            unopened.push_back(std::move(interface));
            continue;
        }
        // The input thread reads a handle of its own: a handle that one thread
        // reads while another writes is not safe in the HID library.
        HidDeviceHandle reader = m_library.Open(info.path);
        if (!reader) {
            qCDebug(lcTarvoHid).noquote() << "second open failed:" << QString::fromUtf8(info.path);
            continue;
        }
        auto entry = std::make_unique<Entry>();
        HidDeviceRecord& record = entry->record;
        record.vendorId = info.vendorId;
        record.productId = info.productId;
        record.product = m_library.ProductString(writer.get());
        record.release = info.release;
        record.devType = device->devType;
        record.devMode = device->devMode;
        record.path = QString::fromUtf8(info.path.left(kPathLimit));
        entry->libraryPath = info.path;
        entry->device = std::move(writer);
        entry->reader = std::make_unique<HidInputReader>(
            m_library, std::move(reader), record.path, m_timings.readerWaitMs, [this] { SignalInput(); });
        QueryDeviceStatus(*entry);
        fresh.push_back(std::move(entry));
    }
    return fresh;
}

void HidDeviceList::PublishLocked(EntryList fresh, std::vector<HidUnopenedInterface> unopened)
{
    m_unopened = std::move(unopened);
    for (auto& entry : fresh) {
        entry->record.index = static_cast<int32_t>(m_entries.size());
        m_entries.push_back(std::move(entry));
    }
    m_cachedDevice = -1;
}

bool HidDeviceList::WriteCommand(Entry& entry, std::span<const uint8_t> command)
{
    if (!entry.device)
        return false;
    // Traced first: the reply may be traced by the input thread before the
    // write returns.
    TraceHidReport(HidDirection::Sent, entry.record.path, command);
    if (m_library.Write(entry.device.get(), command) > 0)
        return true;
    if (HidTraceEnabled())
        qCDebug(lcTarvoHid).noquote() << "write failed" << entry.record.path;
    return false;
}

std::vector<HidUnopenedInterface> HidDeviceList::UnopenedInterfaces() const
{
    std::lock_guard lock(m_mutex);
    return m_unopened;
}

std::vector<HidAttachedInterface> HidDeviceList::AttachedInterfaces()
{
    std::vector<SupportedDevice> supported;
    {
        std::lock_guard lock(m_mutex);
        supported = m_supported;
    }
    std::vector<HidAttachedInterface> attached;
    // The library serialises its own enumeration; no lock of the list is held.
    for (auto const& info : m_library.Enumerate()) {
        auto const device = std::find_if(supported.begin(), supported.end(),
            [&](SupportedDevice const& d) { return d.vendorId == info.vendorId && d.productId == info.productId; });
        if (device == supported.end() || info.usagePage != kCommandUsagePage || info.usage != kCommandUsage)
            continue;
        attached.push_back({info.vendorId, info.productId, device->devType, device->devMode, info.release,
            QString::fromUtf8(info.path.left(kPathLimit))});
    }
    return attached;
}

void HidDeviceList::QueryDeviceStatus(Entry& entry)
{
    HidDeviceRecord& record = entry.record;
    record.connectionState = kHidNoAnswer;
    HidInputBuffer command{};
    command[0] = kReportId;
    command[1] = kDeviceInformation;
    auto const frame = std::span<const uint8_t>(command.data(), kHidReportSize);
    std::optional<HidInput> reply;
    for (int32_t attempt = 0; attempt < m_timings.statusAttempts && !reply; ++attempt) {
        entry.reader->DropUnless(IsForThePoll);
        if (WriteCommand(entry, frame)) {
            reply = entry.reader->Take(ReplyTo(command), IsForThePoll,
                HidInputReader::Clock::now() + std::chrono::milliseconds(m_timings.ReplyWaitMs()));
        }
        if (!reply && entry.reader->Failed())
            break; // the device is gone; asking again cannot help
        if (!reply)
            Sleep(m_timings.attemptSleepMs);
    }
    if (reply && (reply->bytes[9] != 0 || reply->bytes[10] != 0)) {
        // A level above 100 is no level; the list shows none rather than "255%".
        record.batteryLevel = reply->bytes[13] <= kBatteryFull ? reply->bytes[13] : 0;
        record.batteryStatus = reply->bytes[14];
        record.connectionState = kHidConnected;
    } else {
        record.devType = 0;
        record.connectionState = kHidNoAnswer;
    }
}

void HidDeviceList::CloseAll()
{
    std::lock_guard io(m_ioMutex);
    {
        std::lock_guard lock(m_mutex);
        if (m_open) {
            m_open = false;
            RetireLocked();
        }
    }
    ReapRetired();
}

void HidDeviceList::RetireLocked()
{
    for (auto& entry : m_entries) {
        // The write handle closes now; the input thread closes its own handle
        // when its current read ends, so closing never waits for a device.
        entry->device.reset();
        entry->reader->RequestStop();
        m_retired.push_back(std::move(entry->reader));
    }
    m_entries.clear();
    m_cachedDevice = -1;
}

void HidDeviceList::ReapRetired()
{
    std::erase_if(m_retired, [](auto const& reader) { return reader->HasStopped(); });
}

void HidDeviceList::Rebuild()
{
    std::lock_guard io(m_ioMutex);
    {
        std::lock_guard lock(m_mutex);
        m_open = false;
        // Records left from an enumeration that was never marked open go too,
        // so a rebuild never lists an interface twice.
        RetireLocked();
    }
    ReapRetired();
    // The slow part, with its status queries: the state lock is free meanwhile.
    std::vector<HidUnopenedInterface> unopened;
    EntryList fresh = OpenInterfaces(unopened);
    std::lock_guard lock(m_mutex);
    PublishLocked(std::move(fresh), std::move(unopened));
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
    std::lock_guard io(m_ioMutex);
    Entry* entry = nullptr;
    {
        std::lock_guard lock(m_mutex);
        if (!m_open)
            return false;
        int32_t const current = CurrentDeviceLocked();
        if (current < 0 || static_cast<size_t>(current) >= m_entries.size())
            return false;
        // Records change only under m_ioMutex, which this exchange holds.
        entry = m_entries[static_cast<size_t>(current)].get();
    }
    if (!entry->device)
        return false;

    HidInputBuffer work = buffer;
    // A reply that came too late for an earlier command must not answer this one.
    entry->reader->DropUnless(IsForThePoll);
    if (!WriteCommand(*entry, std::span<const uint8_t>(work.data(), kHidReportSize)))
        return false;
    if (reply == HidReply::NotWanted)
        return true;

    std::optional<HidInput> answer = entry->reader->Take(
        ReplyTo(work), IsForThePoll, HidInputReader::Clock::now() + std::chrono::milliseconds(m_timings.ReplyWaitMs()));
    if (answer)
        work = answer->bytes; // zero past the bytes read: no tail of the command
    buffer = work;
    return answer.has_value();
}

bool HidDeviceList::PollReports(HidInputBuffer& buffer, int32_t& devType)
{
    std::lock_guard io(m_ioMutex);
    std::vector<std::pair<HidInputReader*, int32_t>> readers;
    {
        std::lock_guard lock(m_mutex);
        if (!m_open)
            return false;
        for (auto const& entry : m_entries)
            readers.emplace_back(entry->reader.get(), entry->record.devType);
    }
    for (auto const& [reader, type] : readers) {
        std::optional<HidInput> input = reader->Take(
            AnyReport, AnyReport, HidInputReader::Clock::now() + std::chrono::milliseconds(m_timings.pollReadMs));
        if (input) {
            buffer = input->bytes;
            devType = type;
        }
    }
    return true;
}

std::optional<HidIncoming> HidDeviceList::TakeInput()
{
    std::lock_guard io(m_ioMutex);
    auto const deadline = HidInputReader::Clock::now() + std::chrono::milliseconds(m_timings.pollReadMs);
    for (;;) {
        uint64_t seen = 0;
        {
            std::lock_guard input(m_inputMutex);
            seen = m_inputCount;
        }
        {
            std::lock_guard lock(m_mutex);
            if (!m_open)
                return std::nullopt;
            for (auto const& entry : m_entries) {
                // Nothing else takes from these queues while m_ioMutex is held.
                if (!entry->reader->HasInput())
                    continue;
                std::optional<HidInput> input = entry->reader->Take(AnyReport, AnyReport, HidInputReader::Clock::now());
                if (!input)
                    continue;
                HidDeviceRecord const& r = entry->record;
                return HidIncoming{*input, r.devType, r.devMode, r.vendorId, r.productId};
            }
        }
        std::unique_lock input(m_inputMutex);
        if (!m_inputArrived.wait_until(input, deadline, [&] { return m_inputCount != seen; }))
            return std::nullopt;
    }
}

bool HidDeviceList::HasInput() const
{
    std::lock_guard lock(m_mutex);
    if (!m_open)
        return false;
    return std::any_of(m_entries.begin(), m_entries.end(), [](auto const& entry) { return entry->reader->HasInput(); });
}

void HidDeviceList::SetInputListener(std::function<void()> listener)
{
    std::lock_guard lock(m_listenerMutex);
    m_listener = std::move(listener);
}

void HidDeviceList::SignalInput()
{
    {
        std::lock_guard lock(m_inputMutex);
        ++m_inputCount;
    }
    m_inputArrived.notify_all();
    std::lock_guard lock(m_listenerMutex);
    if (m_listener)
        m_listener();
}

void HidDeviceList::PollWirelessStatus()
{
    std::lock_guard io(m_ioMutex);
    struct Receiver {
        HidInputReader* reader;
        uint16_t vendorId;
        uint16_t productId;
    };
    std::vector<Receiver> receivers;
    {
        std::lock_guard lock(m_mutex);
        for (auto const& entry : m_entries) {
            HidDeviceRecord const& r = entry->record;
            if (r.devType == m_currentDevType && r.devMode == 1 && entry->device)
                receivers.push_back({entry->reader.get(), r.vendorId, r.productId});
        }
    }
    for (Receiver const& receiver : receivers) {
        // The newest status report counts. It stays queued: the notification
        // poll acts on it too, so a mouse that is back is brought back even
        // when its report came while the receiver was being asked here.
        std::optional<HidInput> status = receiver.reader->Newest(
            IsReceiverStatus, HidInputReader::Clock::now() + std::chrono::milliseconds(m_timings.pollReadMs));
        if (!status)
            continue;
        SetConnectionState(
            receiver.vendorId, receiver.productId, status->bytes[1] == 1 ? kHidConnected : kHidNotConnected);
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
    // No exchange lock: the interface thread asks this before flashing, and a
    // handle of its own neither waits for nor disturbs a command in flight.
    for (auto const& info : m_library.Enumerate()) {
        if (info.vendorId != kVendorId || info.productId != productId || !IsSupported(info.vendorId, info.productId))
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
    // No lock of the list: the library serialises its own enumeration, and
    // this runs on the interface thread.
    QByteArray const wanted = path.toUtf8();
    QByteArray const node = HidInterfacePath::DeviceNode(path).toUtf8();
    for (auto const& info : m_library.Enumerate()) {
        bool const same = info.path.compare(wanted, Qt::CaseInsensitive) == 0 || (!node.isEmpty() && info.path == node);
        if (same)
            return HidCapabilities{info.vendorId, info.productId, info.usagePage, info.usage};
    }
    return std::nullopt;
}

int32_t HidDeviceList::OpenMonitorDescriptor()
{
    return m_library.OpenMonitorDescriptor();
}
