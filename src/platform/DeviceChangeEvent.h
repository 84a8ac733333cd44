#pragma once

#include <QString>

enum class DeviceChangeEvent { Arrival, Removal };

// One HID interface arriving or leaving, by its device-change path.
struct DeviceChange {
    DeviceChangeEvent event = DeviceChangeEvent::Arrival;
    QString path;
};
