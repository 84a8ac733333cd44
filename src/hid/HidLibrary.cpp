#include "hid/HidLibrary.h"

#include <QLoggingCategory>
#include <QtGlobal>
#include <cerrno>
#include <cwchar>
#include <hidapi/hidapi.h>

#include "hid/HidTrace.h"

struct HidLibrary::EntryPoints {
    decltype(&::hid_init) init = nullptr;
    decltype(&::hid_exit) exit = nullptr;
    decltype(&::hid_enumerate) enumerate = nullptr;
    decltype(&::hid_free_enumeration) freeEnumeration = nullptr;
    decltype(&::hid_open_path) openPath = nullptr;
    decltype(&::hid_close) close = nullptr;
    decltype(&::hid_write) write = nullptr;
    decltype(&::hid_read_timeout) readTimeout = nullptr;
    decltype(&::hid_get_product_string) productString = nullptr;
    decltype(&::hid_error) error = nullptr;
    int (*monitorFd)() = nullptr; // optional extension
};

void HidDeviceCloser::operator()(hid_device_* device) const
{
    if (!device || !library)
        return;
    std::lock_guard lock(library->m_mutex);
    if (library->m_entry)
        library->m_entry->close(device);
}

HidLibrary::HidLibrary() = default;

HidLibrary::~HidLibrary()
{
    std::lock_guard lock(m_mutex);
    Unload();
}

bool HidLibrary::IsLoaded()
{
    std::lock_guard lock(m_mutex);
    return m_library.IsOpen();
}

QByteArray HidLibrary::LibraryName()
{
    QByteArray name = qgetenv("TARVO_HIDAPI_LIBRARY");
    return name.isEmpty() ? QByteArray("libhidapi-hidraw.so.0") : name;
}

bool HidLibrary::Load()
{
    std::lock_guard lock(m_mutex);
    return LoadLocked();
}

bool HidLibrary::LoadLocked()
{
    if (m_library.IsOpen())
        return true;
    QByteArray const name = LibraryName();
    // Every enumeration retries a failed load; say why only once per library.
    bool const firstFailure = name != m_lastFailure;
    QByteArray reason;
    if (!m_library.Open(name, &reason)) {
        if (firstFailure)
            qCWarning(lcTarvoHid).noquote() << "dlopen" << name << "failed:" << reason;
        m_lastFailure = name;
        return false;
    }
    auto entry = std::make_unique<EntryPoints>();
    bool complete = true;
    auto resolve = [&](auto& pointer, char const* symbol) {
        if (!m_library.Resolve(pointer, symbol)) {
            if (firstFailure)
                qCWarning(lcTarvoHid).noquote() << name << "lacks" << symbol;
            complete = false;
        }
    };
    resolve(entry->init, "hid_init");
    resolve(entry->exit, "hid_exit");
    resolve(entry->enumerate, "hid_enumerate");
    resolve(entry->freeEnumeration, "hid_free_enumeration");
    resolve(entry->openPath, "hid_open_path");
    resolve(entry->close, "hid_close");
    resolve(entry->write, "hid_write");
    resolve(entry->readTimeout, "hid_read_timeout");
    resolve(entry->productString, "hid_get_product_string");
    resolve(entry->error, "hid_error");
    m_library.Resolve(entry->monitorFd, "tarvo_hid_monitor_fd"); // optional
    if (!complete || entry->init() != 0) {
        if (complete && firstFailure)
            qCWarning(lcTarvoHid).noquote() << "hid_init of" << name << "failed";
        m_lastFailure = name;
        m_library.Close();
        return false;
    }
    m_lastFailure.clear();
    m_entry = std::move(entry);
    return true;
}

void HidLibrary::Unload()
{
    if (!m_library.IsOpen())
        return;
    m_entry->exit();
    m_entry.reset();
    m_library.Close();
}

std::vector<HidInterfaceInfo> HidLibrary::Enumerate()
{
    std::vector<HidInterfaceInfo> interfaces;
    std::lock_guard lock(m_mutex);
    if (!LoadLocked())
        return interfaces;
    hid_device_info* const head = m_entry->enumerate(0, 0);
    for (hid_device_info* info = head; info; info = info->next) {
        HidInterfaceInfo entry;
        entry.path = QByteArray(info->path ? info->path : "");
        entry.vendorId = info->vendor_id;
        entry.productId = info->product_id;
        entry.release = info->release_number;
        entry.usagePage = info->usage_page;
        entry.usage = info->usage;
        entry.interfaceNumber = info->interface_number;
        interfaces.push_back(std::move(entry));
    }
    if (head)
        m_entry->freeEnumeration(head);
    return interfaces;
}

HidDeviceHandle HidLibrary::Open(QByteArray const& path, HidOpenFailure* failure)
{
    std::lock_guard lock(m_mutex);
    if (!LoadLocked()) {
        if (failure)
            *failure = { 0, QStringLiteral("no HID library") };
        return HidDeviceHandle(nullptr, HidDeviceCloser { this });
    }
    errno = 0;
    hid_device_* const device = m_entry->openPath(path.constData());
    // Read at once: any later call may overwrite it.
    int const errorNumber = errno;
    if (!device && failure) {
        failure->errorNumber = errorNumber;
        // hidapi 0.13 keeps a library-wide error for a null device; older
        // versions may give nothing.
        wchar_t const* text = m_entry->error(nullptr);
        failure->message = text ? QString::fromWCharArray(text) : QString();
    }
    return HidDeviceHandle(device, HidDeviceCloser { this });
}

int32_t HidLibrary::Write(hid_device_* device, std::span<const uint8_t> report)
{
    if (!device || !m_entry)
        return -1;
    return m_entry->write(device, report.data(), report.size());
}

int32_t HidLibrary::Read(hid_device_* device, std::span<uint8_t> buffer, int32_t timeoutMs)
{
    if (!device || !m_entry)
        return -1;
    return m_entry->readTimeout(device, buffer.data(), buffer.size(), timeoutMs);
}

QString HidLibrary::ProductString(hid_device_* device)
{
    if (!device || !m_entry)
        return {};
    // 1024 bytes of wide characters, terminator included.
    wchar_t text[1024 / sizeof(wchar_t)] = {};
    if (m_entry->productString(device, text, std::size(text)) != 0)
        return {};
    text[std::size(text) - 1] = L'\0';
    return QString::fromWCharArray(text);
}

int32_t HidLibrary::OpenMonitorDescriptor()
{
    std::lock_guard lock(m_mutex);
    if (!LoadLocked() || !m_entry->monitorFd)
        return -1;
    return m_entry->monitorFd();
}
