#pragma once

#include "hid/ConnectionEvents.h"
#include "hid/DeviceEvents.h"
#include "hid/HidDeviceList.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>

// Microseconds of CLOCK_MONOTONIC, the clock the simulator stamps its log
// with (steady_clock reads it here).
inline int64_t NowMicroseconds()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Both listeners of a worker run in a benchmark: a refresh rebuilds the device
// list as the registry does, and the battery notification, the one the
// benchmarks time, is stamped when it reaches the "window".
class BenchWorkerEvents : public DeviceEvents, public ConnectionEvents {
public:
    explicit BenchWorkerEvents(HidDeviceList& list)
        : m_list(list)
    {}

    void ShowMouseVersion(const QString&) override {}
    void ShowReceiverVersion(const QString&) override {}
    void ShowBattery(int32_t level, int32_t) override
    {
        m_batteryAt = NowMicroseconds();
        m_battery = level;
    }
    void ShowDeviceBattery(int32_t, int32_t, int32_t) override {}
    void ShowDpiLevel(int32_t) override {}
    void ShowProfile(int32_t, const QString&) override {}
    void ReloadPages(uint32_t) override {}
    void RefreshConnectionState(Refresh) override
    {
        const int32_t devType = m_list.CurrentDevType();
        m_list.Rebuild();
        m_list.SetCurrentDevType(devType);
    }
    void DeviceConnectState(int32_t) override {}
    void MouseAnswered(int32_t) override {}
    bool IsReachable() const override { return true; }
    void ClearReachable() override {}
    void CloseWaitDialog() override {}
    void RestoreButtonDefaults() override {}
    void RestoreLighting() override {}
    void PlayTextRequest(int32_t, int32_t) override {}
    void RunUpdateTask(int32_t) override {}

    std::atomic<int64_t> m_batteryAt{0};
    std::atomic<int32_t> m_battery{0};

private:
    HidDeviceList& m_list;
};
