#pragma once

#include "hid/HidDeviceRecord.h"
#include "hid/HidInputReader.h"
#include "hid/HidLibrary.h"
#include "hid/HidReportBuffer.h"
#include "hid/SupportedDevice.h"
#include "platform/DeviceAccess.h"

#include <QString>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

enum class HidReply { NotWanted, Wanted };

// The waits of the transport. The defaults are the product's; tests shorten
// them so a silent device costs milliseconds instead of seconds.
struct HidTimings {
    int32_t replyReadMs = 100; // one read while waiting for a reply
    int32_t replyReads = 10;
    int32_t emptyReadSleepMs = 10;
    int32_t statusAttempts = 10;
    int32_t attemptSleepMs = 20;
    int32_t pollReadMs = 10; // per interface while polling
    // Each read of an interface's input thread; how long closing it may take
    // to be noticed, and how often an idle thread wakes (at most).
    int32_t readerWaitMs = 500;

    // How long one command waits for its reply: as long as the reads and
    // pauses of one attempt add up to.
    int32_t ReplyWaitMs() const { return replyReads * (replyReadMs + emptyReadSleepMs); }
};

// Usage page and usage of one interface, with its USB identity.
struct HidCapabilities {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t usagePage = 0;
    uint16_t usage = 0;
};

// A report that an opened interface delivered, with who delivered it.
struct HidIncoming {
    HidInput input;
    int32_t devType = 0;
    int32_t devMode = 0;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
};

// A supported command interface that is attached but could not be opened.
struct HidUnopenedInterface {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    int32_t devType = 0; // from the supported table
    int32_t devMode = 0;
    QString path;
    DeviceAccess::Result reason = DeviceAccess::Result::Failed; // never Granted
    QString message; // the library's words, for the log
};

// A supported command interface as the machine lists it, not opened.
struct HidAttachedInterface {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    int32_t devType = 0;
    int32_t devMode = 0;
    int32_t release = 0;
    QString path;
};

// The process-wide list of opened mouse and receiver command interfaces.
//
// Each opened interface has an input thread (HidInputReader) that queues what
// the device sends, so nothing here polls a device on a clock. The exchanges
// with the devices (enumeration with its status queries, commands and their
// replies, polls) are serialised by one lock, which only the threads that talk
// to the devices take: the worker, and the pairing dialog's thread while the
// worker is paused. The records, the supported table and the selection sit
// under a second lock that is held only for a moment, so the interface
// thread's calls (the selection, FindDevice, CopyDevices, GetCurrentDevMode,
// QueryCapabilities, AttachedInterfaces, IsDevicePresent) never wait for a
// device, however silent it is.
class HidDeviceList {
public:
    static constexpr uint16_t kVendorId = 0x7768;
    static constexpr uint16_t kCommandUsagePage = 0xFFB2;
    static constexpr uint16_t kCommandUsage = 0x0001;

    static HidDeviceList& Instance();

    explicit HidDeviceList(HidTimings timings = {});
    ~HidDeviceList();
    HidDeviceList(HidDeviceList const&) = delete;
    HidDeviceList& operator=(HidDeviceList const&) = delete;

    void AddSupportedDevice(int32_t vendorId, int32_t productId, QString const& name, int32_t devType, int32_t devMode);
    void ClearSupportedDevices();
    // 1 or 0, by the first matching entry.
    int32_t IsSupported(int32_t vendorId, int32_t productId) const;
    // dev_type / dev_mode of the first matching entry, or 0.
    int32_t LookupDevType(int32_t vendorId, int32_t productId) const;
    int32_t LookupDevMode(int32_t vendorId, int32_t productId) const;

    // Opens every supported command interface (usage page 0xFFB2, usage 1) and
    // asks each for its status; blocks up to about 11 s per silent interface,
    // but only the threads that talk to the devices. The interfaces that could
    // not be opened are kept apart, with the reason.
    void EnumerateDevice();
    // Those of the last enumeration (or rebuild) that could not be opened.
    std::vector<HidUnopenedInterface> UnopenedInterfaces() const;
    // Every supported command interface attached now, without opening any:
    // nothing is written to a device.
    std::vector<HidAttachedInterface> AttachedInterfaces();
    // Only while open: clears open, closes every device, empties the list.
    void CloseAll();
    // Reset cache, CloseAll, EnumerateDevice, set open: one refresh under one lock.
    void Rebuild();

    void SetOpen(bool open);
    bool IsOpen() const;
    void SetCurrentDevType(int32_t devType);
    int32_t CurrentDevType() const;
    void ResetCachedDevice();

    // Copies of every record (current dev_type 0) or of those of the current
    // dev_type. False when the list is empty.
    bool CopyDevices(std::vector<HidDeviceRecord>& out) const;
    // 0 cable connected, else 1 receiver connected, else -1 (current dev_type).
    int32_t GetCurrentDevMode() const;
    // Index of the record commands go to, or -1: the first cable record of the
    // current dev_type whatever its state, else the first receiver record when
    // it is connected.
    int32_t GetCurrentDevice();
    // Index of the first record with these three values, or -1.
    int32_t FindDevice(int32_t vendorId, int32_t productId, int32_t devMode) const;

    // Writes the first 64 bytes to the current device; with a reply wanted,
    // waits for the reply to this command: the same report id and command
    // byte, and for a set-parameter command (0x13) the same parameter (byte
    // 5). Notifications and receiver status reports that come meanwhile stay
    // queued for the poll; any other report (a reply that came too late for
    // an earlier command) is dropped. On return the buffer holds the reply, or
    // the command as sent when none came. True when written (and answered).
    bool SendReport(HidInputBuffer& buffer, HidReply reply);
    // One pass over every opened interface, each given the poll wait for a
    // report; the buffer gets the last report taken and devType its record's
    // dev_type (untouched when nothing came). False only when the list is not
    // open.
    bool PollReports(HidInputBuffer& buffer, int32_t& devType);
    // The first report queued by any opened interface (in list order),
    // waiting at most the poll wait for one; nothing when none came or the
    // list is not open.
    std::optional<HidIncoming> TakeInput();
    // Whether an opened interface has a report queued (the list being open).
    bool HasInput() const;
    // Called from the input threads whenever a report is queued or a device
    // fails; an empty function removes it. Once this returns, the old one is
    // no longer running and will not be called again.
    void SetInputListener(std::function<void()> listener);
    // Reads the receivers' 0xC0 status reports into their connection state:
    // the newest one queued, else the first that arrives within the poll wait. The
    // reports stay queued for TakeInput.
    void PollWirelessStatus();
    void SetConnectionState(int32_t vendorId, int32_t productId, int32_t state);
    // 1 when a supported command interface with this product id is attached.
    int32_t IsDevicePresent(int32_t productId);

    // Capabilities of the interface at path (the library's path, or a device
    // change path that names the same interface); nothing when not attached.
    std::optional<HidCapabilities> QueryCapabilities(QString const& path);
    // A hot-plug descriptor from the HID library, or -1 (then use udev).
    int32_t OpenMonitorDescriptor();

private:
    struct Entry;
    using EntryList = std::vector<std::unique_ptr<Entry>>;

    // Opens and asks every supported command interface (under m_ioMutex);
    // those that cannot be opened go to `unopened`.
    EntryList OpenInterfaces(std::vector<HidUnopenedInterface>& unopened);
    void QueryDeviceStatus(Entry& entry);
    // Appends to the records and replaces the unopened ones (under both locks).
    void PublishLocked(EntryList fresh, std::vector<HidUnopenedInterface> unopened);
    // Closes the records; their input threads end on their own (both locks).
    void RetireLocked();
    // Joins the input threads that have ended (under m_ioMutex).
    void ReapRetired();
    int32_t CurrentDeviceLocked();
    SupportedDevice const* FindSupported(int32_t vendorId, int32_t productId) const;
    bool WriteCommand(Entry& entry, std::span<const uint8_t> command);
    void SignalInput();
    void Sleep(int32_t ms) const;

    HidTimings const m_timings;
    HidLibrary m_library;

    // Taken first: one exchange with the devices at a time.
    mutable std::mutex m_ioMutex;
    // The state below; held briefly, never while waiting for a device.
    mutable std::mutex m_mutex;
    bool m_open = false;
    std::vector<HidUnopenedInterface> m_unopened;
    std::vector<SupportedDevice> m_supported;
    int32_t m_currentDevType = 0;
    int32_t m_cachedDevice = -1;

    std::mutex m_inputMutex;
    std::condition_variable m_inputArrived;
    uint64_t m_inputCount = 0;
    std::mutex m_listenerMutex;
    std::function<void()> m_listener;

    // Last, so the input threads end before anything they call goes.
    EntryList m_entries; // changed under both locks
    std::vector<std::unique_ptr<HidInputReader>> m_retired; // under m_ioMutex
};
