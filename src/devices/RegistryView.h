#pragma once

#include "devices/MouseMarker.h"
#include "hid/WorkerTask.h"

#include <QString>

#include <cstdint>
#include <vector>

// Every effect of the device registry on the main window. The registry calls
// it from the interface thread and from the worker thread, always while it
// holds its own lock, so the calls of one operation arrive in order and never
// interleave with another's. The window implements each call by posting to the
// interface thread; an implementation must never wait for the interface
// thread nor call back into the registry, or the two threads would deadlock.
// Nothing here reads a control: the registry keeps the state it needs.
class RegistryView {
public:
    enum class View {
        Home,   // home page; tab bar, mouse picture, battery, status, profile button hidden
        Device, // tab bar and pages shown, the key page (tab index 1) selected
    };
    // What the home page holds in the home view.
    enum class HomeContent {
        DeviceList, // the device list; the no-device picture and text hidden
        NoDevice,   // the no-device picture and text 56; the device list hidden
        // As NoDevice, with the text that a mouse of ours is attached but
        // this user may not open it, and how to mend that.
        AccessDenied,
    };

    virtual ~RegistryView() = default;

    // The home page's device list (one item per model, keyed by device type).
    virtual void ClearDeviceList() = 0;
    virtual void AddDeviceItem(int32_t deviceType, const QString& name, const QString& imagePath) = 0;
    virtual void SetAllDeviceState(int32_t state) = 0;
    virtual void SetDeviceState(int32_t deviceType, int32_t mode, int32_t state) = 0;
    virtual void SetDeviceVersion(int32_t deviceType, const QString& version) = 0;
    virtual void SetDeviceBattery(int32_t deviceType, int32_t status, int32_t level) = 0;
    // Selects the item of that type; 0 (or a type without item) clears the selection.
    virtual void SelectDeviceItem(int32_t deviceType) = 0;

    virtual void ShowView(View view) = 0;
    virtual void ShowHomeContent(HomeContent content) = 0;
    // The status text: interface text 50, 51 or 52.
    virtual void ShowStatusText(int32_t textId) = 0;
    // The version label, "<text 17>: v1.0.10".
    virtual void ShowVersionLabel(const QString& label) = 0;

    // Closes or hides the program's transient windows ("CloseWindowTipDlg",
    // "CustomKeyDlg", "MessageBox" answered with 2, "WaitDlg", "Menu Window";
    // hides "KeyboardTip Window", "ComboWnd", "PaletteDlg"), ends the main
    // window's wait dialog, stops a running macro recording and takes the
    // focus from the page's active control.
    virtual void CloseTransientWindows() = 0;

    // The current model's description: the mouse picture ("device/x.png",
    // placed by the window), the lighting tab (tab item 5; the window also
    // tells the worker whether lighting exists), and the markers, which
    // replace the old ones, after which marker 1 is selected and the button
    // page reloads from the store.
    virtual void ShowMousePicture(const QString& pictureName) = 0;
    virtual void SetLightingTabVisible(bool visible) = 0;
    virtual void ShowMouseMarkers(const std::vector<MouseMarker>& markers) = 0;

    // Appends a task code to the worker's queue. Safe to apply at once.
    virtual void QueueTask(WorkerTask task) = 0;
    // Whether any supported device was found; the worker polls for
    // notifications only while it is set. Safe to apply at once.
    virtual void SetDevicesPresent(bool present) = 0;
};
