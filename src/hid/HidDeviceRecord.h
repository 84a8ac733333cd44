#pragma once

#include <QString>
#include <cstdint>

// Connection state of an opened command interface.
enum HidConnectionState : int32_t {
    kHidNoAnswer = 0,
    kHidConnected = 1,
    kHidNotConnected = 2,
};

// One opened command interface as the rest of the program sees it. Records are
// handed out as copies: the device handle stays inside HidDeviceList, so a
// refresh on another thread can never leave a caller holding a closed device.
struct HidDeviceRecord {
    int32_t index = 0; // number of records in the list when this one was added
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    QString path; // at most 1023 bytes of UTF-8
    QString text1;
    QString product; // product string read from the device
    QString text3;
    int32_t release = 0;
    int32_t devType = 0; // 0 when the interface did not answer the status query
    int32_t devMode = 0;
    int32_t connectionState = kHidNoAnswer;
    int32_t batteryStatus = 0; // byte 14 of the status reply
    int32_t batteryLevel = 0; // byte 13 of the status reply
};
