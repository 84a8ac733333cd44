#pragma once

#include <QString>

#include <cstdint>

// One supported model, or one of its connection modes, as config.xml declares
// it. In the model list the mode fields keep their initial values; in the mode
// list each entry is its model's entry with one mode filled in.
struct ModelEntry {
    QString name;            // shown in the device list
    int32_t deviceType = 0;  // dev_type
    QString deviceAttr;      // stem of the description file and of the database
    QString imagePath;       // "device/<image>", relative to the skin folder
    int32_t mode = 0;        // dev_mode: 0 cable, 1 through the 2.4 GHz receiver
    int32_t vendorId = 0;
    int32_t productId = 0;
    QString interfacePattern; // upper-case fragment of the interface path
};
