#include "platform/UdevMonitor.h"

#include "platform/HidInterfacePath.h"

#include <libudev.h>

void UdevMonitor::UdevDeleter::operator()(udev* handle) const
{
    udev_unref(handle);
}

void UdevMonitor::UdevDeleter::operator()(udev_monitor* handle) const
{
    udev_monitor_unref(handle);
}

void UdevMonitor::UdevDeleter::operator()(udev_device* handle) const
{
    udev_device_unref(handle);
}

UdevMonitor::UdevMonitor() = default;
UdevMonitor::~UdevMonitor() = default;

QString UdevMonitor::PathOf(udev_device* device) const
{
    udev_device* parent = udev_device_get_parent_with_subsystem_devtype(device, "hid", nullptr);
    char const* name = udev_device_get_sysname(device);
    if (!parent || !name)
        return {};
    char const* hidId = udev_device_get_property_value(parent, "HID_ID");
    char const* hidPhys = udev_device_get_property_value(parent, "HID_PHYS");
    if (!hidId)
        return {};
    return HidInterfacePath::FromUdev(QString::fromUtf8(hidId), QString::fromUtf8(hidPhys ? hidPhys : ""),
        QString::fromUtf8(name));
}

int UdevMonitor::Start()
{
    m_udev.reset(udev_new());
    if (!m_udev)
        return -1;
    m_monitor.reset(udev_monitor_new_from_netlink(m_udev.get(), "udev"));
    if (!m_monitor || udev_monitor_filter_add_match_subsystem_devtype(m_monitor.get(), "hidraw", nullptr) < 0
        || udev_monitor_enable_receiving(m_monitor.get()) < 0) {
        m_monitor.reset();
        return -1;
    }
    // Nodes present now can be removed later: learn their paths first.
    if (udev_enumerate* enumerate = udev_enumerate_new(m_udev.get())) {
        udev_enumerate_add_match_subsystem(enumerate, "hidraw");
        udev_enumerate_scan_devices(enumerate);
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate))
        {
            char const* syspath = udev_list_entry_get_name(entry);
            std::unique_ptr<udev_device, UdevDeleter> device(udev_device_new_from_syspath(m_udev.get(), syspath));
            if (!device)
                continue;
            QString const path = PathOf(device.get());
            if (!path.isEmpty())
                m_pathBySyspath.insert(QString::fromUtf8(syspath), path);
        }
        udev_enumerate_unref(enumerate);
    }
    return udev_monitor_get_fd(m_monitor.get());
}

std::optional<DeviceChange> UdevMonitor::ReadEvent()
{
    if (!m_monitor)
        return std::nullopt;
    std::unique_ptr<udev_device, UdevDeleter> device(udev_monitor_receive_device(m_monitor.get()));
    if (!device)
        return std::nullopt;
    char const* action = udev_device_get_action(device.get());
    char const* syspath = udev_device_get_syspath(device.get());
    if (!action || !syspath)
        return std::nullopt;
    QString const key = QString::fromUtf8(syspath);
    QString const actionText = QString::fromUtf8(action);
    if (actionText == QLatin1String("add")) {
        QString const path = PathOf(device.get());
        if (path.isEmpty())
            return std::nullopt;
        m_pathBySyspath.insert(key, path);
        return DeviceChange { DeviceChangeEvent::Arrival, path };
    }
    if (actionText == QLatin1String("remove")) {
        QString const path = m_pathBySyspath.take(key);
        if (path.isEmpty())
            return std::nullopt;
        return DeviceChange { DeviceChangeEvent::Removal, path };
    }
    return std::nullopt;
}
