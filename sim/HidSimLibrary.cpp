// libtarvo-hidsim.so: the hidapi 0.13 C interface over the simulator's socket,
// so the program reaches the simulated firmware through exactly the calls it
// makes on a real mouse.
#include "SimWire.h"

#pragma GCC visibility push(default)
#include <hidapi/hidapi.h>
extern "C" int tarvo_hid_monitor_fd(void);
#pragma GCC visibility pop

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

using namespace tarvo::sim;

struct hid_device_ {
    int fd = -1;
    LineReader reader { -1 };
    std::wstring product;
    std::wstring error;
    bool nonblocking = false;
    hid_device_info* info = nullptr;
};

namespace {

thread_local std::wstring t_globalError;

std::wstring Widen(std::string_view text)
{
    // The simulator's names and messages are ASCII.
    std::wstring wide;
    for (char c : text)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return wide;
}

wchar_t* CopyWide(std::wstring const& text)
{
    auto* copy = static_cast<wchar_t*>(std::calloc(text.size() + 1, sizeof(wchar_t)));
    if (copy)
        std::wmemcpy(copy, text.c_str(), text.size());
    return copy;
}

void FreeInfo(hid_device_info* info)
{
    while (info) {
        hid_device_info* next = info->next;
        std::free(info->path);
        std::free(info->serial_number);
        std::free(info->manufacturer_string);
        std::free(info->product_string);
        std::free(info);
        info = next;
    }
}

// Parses "dev <path> <vid> <pid> <release> <page> <usage> <interface> <product...>".
hid_device_info* ParseDeviceLine(std::string const& line)
{
    auto const words = SplitWords(line);
    if (words.size() < 8 || words[0] != "dev")
        return nullptr;
    auto hex = [](std::string_view text) { return static_cast<unsigned short>(std::strtoul(std::string(text).c_str(), nullptr, 16)); };
    auto* info = static_cast<hid_device_info*>(std::calloc(1, sizeof(hid_device_info)));
    if (!info)
        return nullptr;
    info->path = strndup(words[1].data(), words[1].size());
    info->vendor_id = hex(words[2]);
    info->product_id = hex(words[3]);
    info->release_number = hex(words[4]);
    info->usage_page = hex(words[5]);
    info->usage = hex(words[6]);
    info->interface_number = std::atoi(std::string(words[7]).c_str());
    size_t const productAt = static_cast<size_t>(words.size() > 8 ? words[8].data() - line.data() : line.size());
    info->product_string = CopyWide(Widen(std::string_view(line).substr(productAt)));
    info->manufacturer_string = CopyWide(L"Tarvo simulator");
    info->serial_number = CopyWide(L"");
    info->bus_type = HID_API_BUS_USB;
    return info;
}

hid_device_info* Enumerate(unsigned short vendorId, unsigned short productId)
{
    std::vector<std::string> lines;
    std::string error;
    if (!Request(SocketPath(), "enumerate", lines, error)) {
        t_globalError = Widen(error);
        return nullptr;
    }
    hid_device_info* head = nullptr;
    hid_device_info** tail = &head;
    for (auto const& line : lines) {
        hid_device_info* info = ParseDeviceLine(line);
        if (!info)
            continue;
        if ((vendorId && info->vendor_id != vendorId) || (productId && info->product_id != productId)) {
            FreeInfo(info);
            continue;
        }
        *tail = info;
        tail = &info->next;
    }
    return head;
}

}

extern "C" {

int hid_init(void)
{
    return 0;
}

int hid_exit(void)
{
    return 0;
}

hid_device_info* hid_enumerate(unsigned short vendor_id, unsigned short product_id)
{
    return Enumerate(vendor_id, product_id);
}

void hid_free_enumeration(hid_device_info* devs)
{
    FreeInfo(devs);
}

hid_device* hid_open_path(char const* path)
{
    if (!path) {
        t_globalError = L"no path";
        return nullptr;
    }
    std::string const text = path;
    if (text.find('\n') != std::string::npos) {
        t_globalError = L"no such device";
        return nullptr;
    }
    int const fd = ConnectSocket(SocketPath());
    if (fd < 0) {
        t_globalError = L"the simulator is not running";
        return nullptr;
    }
    auto* device = new hid_device_;
    device->fd = fd;
    device->reader = LineReader(fd);
    std::string line;
    bool opened = false;
    if (WriteAll(fd, "open " + text + "\n")) {
        while (device->reader.ReadLine(line, std::chrono::milliseconds(5000)) == LineReader::Result::Line) {
            if (line.rfind("product ", 0) == 0) {
                device->product = Widen(std::string_view(line).substr(8));
                continue;
            }
            opened = line == "ok";
            break;
        }
    }
    if (!opened) {
        std::string const reason = line.rfind("error ", 0) == 0 ? line.substr(6) : "open failed";
        close(fd);
        delete device;
        // The errno and the words of hidapi's hidraw backend for the same failure.
        int errorNumber = EIO;
        char const* words = "Input/output error";
        if (reason == "permission denied") {
            errorNumber = EACCES;
            words = "Permission denied";
        } else if (reason == "no such device") {
            errorNumber = ENOENT;
            words = "No such file or directory";
        }
        t_globalError = Widen("Failed to open a device with path '" + text + "': " + words);
        errno = errorNumber;
        return nullptr;
    }
    return device;
}

hid_device* hid_open(unsigned short vendor_id, unsigned short product_id, wchar_t const* serial_number)
{
    (void)serial_number;
    hid_device_info* devices = Enumerate(vendor_id, product_id);
    hid_device* device = devices ? hid_open_path(devices->path) : nullptr;
    FreeInfo(devices);
    return device;
}

int hid_write(hid_device* dev, unsigned char const* data, size_t length)
{
    if (!dev || !data || length == 0)
        return -1;
    if (!WriteAll(dev->fd, "out " + ToHex({ data, length }) + "\n")) {
        dev->error = L"device disconnected";
        return -1;
    }
    return static_cast<int>(length);
}

int hid_read_timeout(hid_device* dev, unsigned char* data, size_t length, int milliseconds)
{
    if (!dev || !data)
        return -1;
    std::string line;
    for (;;) {
        switch (dev->reader.ReadLine(line, std::chrono::milliseconds(milliseconds))) {
        case LineReader::Result::Timeout:
            return 0;
        case LineReader::Result::Closed:
            dev->error = L"device disconnected";
            return -1;
        case LineReader::Result::Line:
            break;
        }
        if (line.rfind("in ", 0) != 0)
            continue;
        auto const bytes = FromHex(std::string_view(line).substr(3));
        if (!bytes)
            continue;
        size_t const n = std::min(length, bytes->size());
        std::memcpy(data, bytes->data(), n);
        return static_cast<int>(n);
    }
}

int hid_read(hid_device* dev, unsigned char* data, size_t length)
{
    return hid_read_timeout(dev, data, length, dev && dev->nonblocking ? 0 : -1);
}

int hid_set_nonblocking(hid_device* dev, int nonblock)
{
    if (!dev)
        return -1;
    dev->nonblocking = nonblock != 0;
    return 0;
}

int hid_send_feature_report(hid_device* dev, unsigned char const*, size_t)
{
    if (dev)
        dev->error = L"feature reports are not supported";
    return -1;
}

int hid_get_feature_report(hid_device* dev, unsigned char*, size_t)
{
    if (dev)
        dev->error = L"feature reports are not supported";
    return -1;
}

int hid_get_input_report(hid_device* dev, unsigned char*, size_t)
{
    if (dev)
        dev->error = L"input report requests are not supported";
    return -1;
}

void hid_close(hid_device* dev)
{
    if (!dev)
        return;
    close(dev->fd);
    FreeInfo(dev->info);
    delete dev;
}

static int CopyString(std::wstring const& text, wchar_t* string, size_t maxlen)
{
    if (!string || maxlen == 0)
        return -1;
    size_t const n = std::min(text.size(), maxlen - 1);
    std::wmemcpy(string, text.c_str(), n);
    string[n] = L'\0';
    return 0;
}

int hid_get_manufacturer_string(hid_device*, wchar_t* string, size_t maxlen)
{
    return CopyString(L"Tarvo simulator", string, maxlen);
}

int hid_get_product_string(hid_device* dev, wchar_t* string, size_t maxlen)
{
    return dev ? CopyString(dev->product, string, maxlen) : -1;
}

int hid_get_serial_number_string(hid_device*, wchar_t* string, size_t maxlen)
{
    return CopyString(L"", string, maxlen);
}

hid_device_info* hid_get_device_info(hid_device* dev)
{
    if (dev)
        dev->error = L"device information is not supported";
    return nullptr;
}

int hid_get_indexed_string(hid_device* dev, int, wchar_t*, size_t)
{
    if (dev)
        dev->error = L"indexed strings are not supported";
    return -1;
}

wchar_t const* hid_error(hid_device* dev)
{
    if (dev)
        return dev->error.empty() ? L"Success" : dev->error.c_str();
    return t_globalError.empty() ? L"Success" : t_globalError.c_str();
}

hid_api_version const* hid_version(void)
{
    static hid_api_version const version { HID_API_VERSION_MAJOR, HID_API_VERSION_MINOR, HID_API_VERSION_PATCH };
    return &version;
}

char const* hid_version_str(void)
{
    return HID_API_VERSION_STR;
}

// A new descriptor per call, owned by the caller: "add <path>" and
// "remove <path>" lines, one per interface. -1 when no simulator runs.
int tarvo_hid_monitor_fd(void)
{
    int const fd = ConnectSocket(SocketPath());
    if (fd < 0)
        return -1;
    // The acknowledgement is read byte by byte so that no hot-plug line
    // following it is swallowed into a buffer the caller never sees.
    std::string line;
    bool ok = WriteAll(fd, "monitor\n");
    while (ok) {
        char c = 0;
        if (recv(fd, &c, 1, 0) != 1) {
            ok = false;
            break;
        }
        if (c == '\n')
            break;
        line += c;
    }
    if (!ok || line != "ok") {
        close(fd);
        return -1;
    }
    return fd;
}

}
