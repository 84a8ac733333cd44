#pragma once

#include "ctl/DeviceInventory.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// tarvoctl list's two outputs: lines for people, JSON for scripts.
class InventoryOutput {
public:
    // One line per connection, "Heron Pro (101): cable online, firmware 1.0.10,
    // battery 80% (charging)"; "Heron (102): not attached" for a model without one.
    static QString Text(const Inventory& inventory);

    // {"window_running": false, "models": [{"device_type": 101, "name": ...,
    //  "device_attr": ..., "connections": [{"mode": "cable", "state": "online",
    //  "path": ..., "product": ..., "release": "1.0.10", "mouse_firmware": ...,
    //  "receiver_firmware": null, "battery": {"level": 80, "status": 1}}]}]}
    // Values not read are null.
    static QByteArray Json(const Inventory& inventory);

    // What the user should do about each connection that could not be opened;
    // empty when there is none.
    static QStringList Problems(const Inventory& inventory);

    // The stable names of the states in the JSON output.
    static QString StateName(ConnectionEntry::State state);
    static QString ModeName(int32_t mode);

    // 0 when something attached could be listed; 3 when nothing of ours is
    // attached; 4 when something is attached but none of it could be opened.
    static int ExitCode(const Inventory& inventory);
};
