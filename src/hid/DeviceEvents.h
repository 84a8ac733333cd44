#pragma once

#include <QString>

#include <cstdint>

// What the device worker tells the main window (the connection state goes to
// ConnectionEvents instead). Every call comes from the worker thread; the
// window implements them by posting to the interface thread, in order, and
// never blocks the worker on a widget.
class DeviceEvents {
public:
    // The pages a read of the mouse reloads from the store.
    enum PageBits : uint32_t {
        kButtonPage = 0x1,
        kMacroPage = 0x2,
        kDpiPerformancePage = 0x4,
        kLightingPage = 0x8,
    };

    virtual ~DeviceEvents() = default;

    // Labels: "<text 551>: 1.2.3" and "<text 552>: 1.0.4" (the receiver label
    // alone while no receiver answered).
    virtual void ShowMouseVersion(const QString& labelled) = 0;
    virtual void ShowReceiverVersion(const QString& labelled) = 0;
    // The battery gauge of the current mouse.
    virtual void ShowBattery(int32_t level, int32_t status) = 0;
    // The battery of one model's item in the device list.
    virtual void ShowDeviceBattery(int32_t devType, int32_t status, int32_t level) = 0;
    // The mouse switched to DPI level `index`: select it on the DPI page and
    // set the slider from that level's value.
    virtual void ShowDpiLevel(int32_t index) = 0;
    // The profile button after a profile load.
    virtual void ShowProfile(int32_t profile, const QString& name) = 0;
    // Reload these pages (a mask of PageBits) from the store.
    virtual void ReloadPages(uint32_t pages) = 0;
    // End the wait dialog of a model switch or factory reset.
    virtual void CloseWaitDialog() = 0;
    // A restore button asked for the button page's or the lighting page's defaults.
    virtual void RestoreButtonDefaults() = 0;
    virtual void RestoreLighting() = 0;
    // The mouse asked for a text snippet (or program, or address).
    virtual void PlayTextRequest(int32_t first, int32_t second) = 0;
    // Version checks and downloads (task codes 23 to 30).
    virtual void RunUpdateTask(int32_t code) = 0;
};
