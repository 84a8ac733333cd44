#pragma once

#include "hid/HidReportBuffer.h"

#include <cstdint>
#include <functional>

class HidDeviceList;

// How many times a read of the mouse asks for its device information before
// it takes what it has.
inline constexpr int32_t kDeviceInformationAttempts = 5;

struct DeviceInformationReply {
    HidInputBuffer reply{}; // the last reply, or the command as sent when none came
    bool answered = false; // the last attempt was written and answered
};

// The first step of every read of the mouse: the device-information query
// (06 05) to the transport's current device, asked again after `retryMs`
// (through `sleep`, so a caller can cut the wait short) until a reply
// carries both version bytes or `attempts` ran out.
DeviceInformationReply QueryDeviceInformation(
    HidDeviceList& hid, int32_t attempts, int32_t retryMs, const std::function<void(int32_t ms)>& sleep);
