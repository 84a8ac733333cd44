#pragma once

#include "platform/SharedLibrary.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

struct hid_device_;

// One HID interface as the library enumerates it.
struct HidInterfaceInfo {
    QByteArray path; // the library's own path bytes, passed back to Open unchanged
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t release = 0;
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    int32_t interfaceNumber = -1;
};

// Why an open failed, as the library left it.
struct HidOpenFailure {
    int32_t errorNumber = 0; // errno right after the call; 0 when the library set none
    QString message;         // the library's own words; may be empty
};

class HidLibrary;

struct HidDeviceCloser {
    HidLibrary* library = nullptr;
    void operator()(hid_device_* device) const;
};
using HidDeviceHandle = std::unique_ptr<hid_device_, HidDeviceCloser>;

// hidapi loaded at run time: the library named by TARVO_HIDAPI_LIBRARY, else
// libhidapi-hidraw.so.0. The calls that touch the library's global state
// (loading, enumeration, open, close, the monitor) are serialised here, so any
// thread may make them. Write, Read and ProductString touch only their device:
// each handle must be used by one thread at a time, and a handle that one
// thread reads while another writes must be opened twice.
class HidLibrary {
public:
    HidLibrary();
    ~HidLibrary();
    HidLibrary(HidLibrary const&) = delete;
    HidLibrary& operator=(HidLibrary const&) = delete;

    // Loads and initialises the library once. A missing library or entry point
    // leaves it unloaded, and the next call tries again.
    bool Load();
    bool IsLoaded();
    // The file name Load uses now (the environment may change between tries).
    static QByteArray LibraryName();

    // Every interface of the machine; empty when the library is not loaded.
    std::vector<HidInterfaceInfo> Enumerate();
    // An empty handle on failure; then `failure`, when given, says why.
    HidDeviceHandle Open(QByteArray const& path, HidOpenFailure* failure = nullptr);
    // Bytes written, or -1.
    int32_t Write(hid_device_* device, std::span<const uint8_t> report);
    // Bytes read, 0 when nothing came within timeoutMs, -1 when the device failed.
    int32_t Read(hid_device_* device, std::span<uint8_t> buffer, int32_t timeoutMs);
    // At most 1024 bytes' worth of the device's product string; empty on failure.
    QString ProductString(hid_device_* device);
    // A new hot-plug descriptor when the library offers one (the simulator
    // does), owned by the caller; -1 otherwise.
    int32_t OpenMonitorDescriptor();

private:
    friend struct HidDeviceCloser;
    void Unload();
    bool LoadLocked();

    std::mutex m_mutex;
    SharedLibrary m_library;
    QByteArray m_lastFailure;
    struct EntryPoints;
    std::unique_ptr<EntryPoints> m_entry;
};
