#pragma once

#include "platform/DeviceChangeEvent.h"

#include <QHash>
#include <QString>
#include <memory>
#include <optional>

struct udev;
struct udev_monitor;
struct udev_device;

// libudev, wrapped once: a monitor on the hidraw subsystem that turns uevents
// into device-change paths. Removal events carry no parent properties, so the
// path of every node seen (at start or on arrival) is remembered for its removal.
class UdevMonitor {
public:
    UdevMonitor();
    ~UdevMonitor();
    UdevMonitor(UdevMonitor const&) = delete;
    UdevMonitor& operator=(UdevMonitor const&) = delete;

    // The descriptor to wait on, or -1 when udev is not available.
    int Start();
    // One pending event; nothing when it is not a hidraw node of a HID device.
    std::optional<DeviceChange> ReadEvent();

private:
    struct UdevDeleter {
        void operator()(udev* handle) const;
        void operator()(udev_monitor* handle) const;
        void operator()(udev_device* handle) const;
    };
    QString PathOf(udev_device* device) const;

    std::unique_ptr<udev, UdevDeleter> m_udev;
    std::unique_ptr<udev_monitor, UdevDeleter> m_monitor;
    QHash<QString, QString> m_pathBySyspath;
};
