#pragma once

#include "platform/DeviceChangeEvent.h"

#include <QByteArray>
#include <functional>
#include <memory>

class QSocketNotifier;
class UdevMonitor;

// Arrivals and removals of HID interfaces, delivered on the thread that
// created the source (the interface thread) through its event loop, in the
// order they happened. Fed by a descriptor of "add <path>" / "remove <path>"
// lines when the HID library offers one, else by a udev monitor on hidraw.
class DeviceChangeSource {
public:
    using Handler = std::function<void(DeviceChange const&)>;
    enum class Backend { None, Descriptor, Udev };

    explicit DeviceChangeSource(Handler handler);
    ~DeviceChangeSource();
    DeviceChangeSource(DeviceChangeSource const&) = delete;
    DeviceChangeSource& operator=(DeviceChangeSource const&) = delete;

    // Takes ownership of monitorFd when it is 0 or more; with -1 opens a udev
    // monitor. False when neither can deliver events.
    bool Start(int monitorFd);
    void Stop();
    Backend ActiveBackend() const { return m_backend; }

private:
    void ReadDescriptor();
    void ReadUdev();

    Handler m_handler;
    Backend m_backend = Backend::None;
    int m_fd = -1;
    QByteArray m_pending;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::unique_ptr<UdevMonitor> m_udev;
};
