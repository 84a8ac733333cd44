#pragma once

#include <cstdint>

// What the device worker tells the owner of the connection state (the device
// registry): the refreshes that follow a plug, an unplug or a mouse's own
// report, and the mouse falling silent. Every call comes from the worker
// thread and may run there, under the owner's own locks; an implementation
// must never wait for the interface thread.
class ConnectionEvents {
public:
    enum class Refresh {
        Full, // after a plug or unplug: stores the model, closes transient windows
        Lighter, // after the mouse's own report of a change: neither
    };

    virtual ~ConnectionEvents() = default;

    // The device table read again and shown; the worker waits for it.
    virtual void RefreshConnectionState(Refresh kind) = 0;
    // The mouse stopped answering: mark it offline. connectionKind is the last
    // one it reported (3 by cable, another through the receiver, 0 unknown).
    virtual void DeviceConnectState(int32_t connectionKind) = 0;
    // The current mouse answered a full read (after a model switch, for one):
    // it is reachable, by cable for connectionKind 3, else through the receiver.
    virtual void MouseAnswered(int32_t connectionKind) = 0;
    // Whether the current mouse answers, and the reset of that before a read.
    virtual bool IsReachable() const = 0;
    virtual void ClearReachable() = 0;
};
