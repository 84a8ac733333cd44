#pragma once

#include "hid/DeviceEvents.h"

class DeviceRegistry;

// The worker's DeviceEvents with the connection state served by the device
// registry: RefreshConnectionState, DeviceConnectState, IsReachable and
// ClearReachable go to the registry (which applies them under its lock, on
// the worker thread, and reports to the window through RegistryView); every
// other event goes to the window's own implementation.
class RegistryDeviceEvents : public DeviceEvents {
public:
    RegistryDeviceEvents(DeviceRegistry& registry, DeviceEvents& window)
        : m_registry(registry)
        , m_window(window)
    {
    }

    void RefreshConnectionState(Refresh kind) override;
    void DeviceConnectState(int32_t connectionKind) override;
    bool IsReachable() override;
    void ClearReachable() override;

    void ShowMouseVersion(const QString& labelled) override { m_window.ShowMouseVersion(labelled); }
    void ShowReceiverVersion(const QString& labelled) override { m_window.ShowReceiverVersion(labelled); }
    void ShowBattery(int32_t level, int32_t status) override { m_window.ShowBattery(level, status); }
    void ShowDeviceBattery(int32_t devType, int32_t status, int32_t level) override
    {
        m_window.ShowDeviceBattery(devType, status, level);
    }
    void ShowDpiLevel(int32_t index) override { m_window.ShowDpiLevel(index); }
    void ShowProfile(int32_t profile, const QString& name) override { m_window.ShowProfile(profile, name); }
    void ReloadPages(uint32_t pages) override { m_window.ReloadPages(pages); }
    void CloseWaitDialog() override { m_window.CloseWaitDialog(); }
    void RestoreButtonDefaults() override { m_window.RestoreButtonDefaults(); }
    void RestoreLighting() override { m_window.RestoreLighting(); }
    void PlayTextRequest(int32_t first, int32_t second) override { m_window.PlayTextRequest(first, second); }
    void RunUpdateTask(int32_t code) override { m_window.RunUpdateTask(code); }

private:
    DeviceRegistry& m_registry;
    DeviceEvents& m_window;
};
