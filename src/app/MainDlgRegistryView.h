#pragma once

#include "devices/RegistryView.h"

class DeviceMainDlg;

// The main window as the device registry sees it. The registry calls from the
// interface thread and from the worker thread while holding its lock; every
// call that touches a control is posted to the interface thread, in the order
// made, and none waits for it. The two calls that only hand the worker a value
// (QueueTask, SetDevicesPresent) take effect at once.
class MainDlgRegistryView : public RegistryView {
public:
    explicit MainDlgRegistryView(DeviceMainDlg& dlg)
        : m_dlg(dlg)
    {
    }

    void ClearDeviceList() override;
    void AddDeviceItem(int32_t deviceType, const QString& name, const QString& imagePath) override;
    void SetAllDeviceState(int32_t state) override;
    void SetDeviceState(int32_t deviceType, int32_t mode, int32_t state) override;
    void SetDeviceVersion(int32_t deviceType, const QString& version) override;
    void SetDeviceBattery(int32_t deviceType, int32_t status, int32_t level) override;
    void SelectDeviceItem(int32_t deviceType) override;
    void ShowView(View view) override;
    void ShowHomeContent(HomeContent content) override;
    void ShowStatusText(int32_t textId) override;
    void ShowVersionLabel(const QString& label) override;
    void CloseTransientWindows() override;
    void ShowMousePicture(const QString& pictureName) override;
    void SetLightingTabVisible(bool visible) override;
    void ShowMouseMarkers(const std::vector<MouseMarker>& markers) override;
    void QueueTask(WorkerTask task) override;
    void SetDevicesPresent(bool present) override;

private:
    DeviceMainDlg& m_dlg;
};
