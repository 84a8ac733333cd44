#pragma once

#include <QString>
#include <cstdint>

// One supported USB identity: a model's cable or receiver mode.
struct SupportedDevice {
    int32_t vendorId = 0;
    int32_t productId = 0;
    QString name; // always empty in this program
    int32_t devType = 0;
    int32_t devMode = 0; // 0 cable, 1 through the 2.4 GHz receiver
};
