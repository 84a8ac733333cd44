#pragma once

#include "devices/ModelEntry.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class HidDeviceList;

// One way a model is attached: its cable or its receiver.
struct ConnectionEntry {
    enum class State {
        Online, // the mouse answers
        MouseAway, // the receiver answers, its mouse does not (off, unpaired, out of reach)
        NoAnswer, // opened, but nothing answered the status query
        Standby, // opened and answering, not asked further: its model's commands go by cable
        PermissionDenied, // attached, but this user may not open it
        OpenFailed, // attached, and opening failed for another reason
        InUse, // attached; a Tarvo window holds the devices, so it was not opened
    };

    int32_t mode = 0; // 0 cable, 1 receiver
    State state = State::NoAnswer;
    QString path;
    QString product; // product string, when opened
    int32_t release = 0; // HID release number; 0 when unknown
    QString mouseFirmware; // "1.0.10" when the mouse answered; else empty
    QString receiverFirmware; // when the receiver answered for itself; else empty
    int32_t batteryLevel = -1; // 0..100 when the mouse answered; else -1
    int32_t batteryStatus = 0; // 1 charging, 2 full
    QString failure; // the HID library's words when opening failed
};

struct ModelInventory {
    ModelEntry model;
    std::vector<ConnectionEntry> connections; // empty: not attached
};

struct Inventory {
    std::vector<ModelInventory> models; // every model of config.xml, in its order
    bool windowRunning = false; // the devices were left to the Tarvo window
};

// What is attached, read through the transport and the command protocol as
// the window's worker reads it.
class DeviceInventory {
public:
    enum class Access {
        OpenDevices, // open every interface and ask it (nothing else may drive the mouse)
        ListOnly, // a Tarvo window drives the mice: list what is attached, open nothing
    };

    // `models` from config.xml, whose identities are already in the
    // transport's supported table. `sleep` waits between status attempts.
    static Inventory Gather(HidDeviceList& hid, const std::vector<ModelEntry>& models, Access access, int32_t retryMs,
        const std::function<void(int32_t ms)>& sleep);
};
