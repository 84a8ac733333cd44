#pragma once

#include "hid/ConnectionEvents.h"
#include "hid/DeviceEvents.h"
#include "hid/DeviceWorker.h"
#include "hid/HidDeviceList.h"

#include <QString>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

// The device worker's waits cut to nothing, so a test runs a task at once.
inline WorkerTimings InstantWorkerTimings()
{
    return WorkerTimings{0, 0, 0, 0, 0, 0, 0};
}

// Both listeners of the worker in one, recording every call as a line
// ("battery 80 1", "refresh full", "offline 3", ...) in the order the worker
// made them, from any thread. With a device list, a refresh does what the
// device registry does with it, so tasks 2 and 3 find the plugged devices.
class RecordingWorkerEvents : public DeviceEvents, public ConnectionEvents {
public:
    explicit RecordingWorkerEvents(HidDeviceList* list = nullptr)
        : m_list(list)
    {}

    std::vector<std::string> Calls() const
    {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }
    // Whether a call starting with `prefix` was made.
    bool Has(const std::string& prefix) const
    {
        const auto calls = Calls();
        return std::any_of(calls.begin(), calls.end(), [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
    }
    int Count(const std::string& prefix) const
    {
        const auto calls = Calls();
        return int(
            std::count_if(calls.begin(), calls.end(), [&](const std::string& c) { return c.rfind(prefix, 0) == 0; }));
    }
    void Clear()
    {
        std::lock_guard lock(m_mutex);
        m_calls.clear();
    }

    // DeviceEvents
    void ShowMouseVersion(const QString& text) override { Add("mouse-version " + text.toStdString()); }
    void ShowReceiverVersion(const QString& text) override { Add("receiver-version " + text.toStdString()); }
    void ShowBattery(int32_t level, int32_t status) override
    {
        Add("battery " + std::to_string(level) + " " + std::to_string(status));
    }
    void ShowDeviceBattery(int32_t devType, int32_t status, int32_t level) override
    {
        Add("device-battery " + std::to_string(devType) + " " + std::to_string(status) + " " + std::to_string(level));
    }
    void ShowDpiLevel(int32_t index) override { Add("dpi-level " + std::to_string(index)); }
    void ShowProfile(int32_t profile, const QString& name) override
    {
        Add("profile " + std::to_string(profile) + " " + name.toStdString());
    }
    void ReloadPages(uint32_t pages) override { Add("reload " + std::to_string(pages)); }
    void CloseWaitDialog() override { Add("close-wait"); }
    void RestoreButtonDefaults() override { Add("restore-buttons"); }
    void RestoreLighting() override { Add("restore-lighting"); }
    void PlayTextRequest(int32_t first, int32_t second) override
    {
        Add("text " + std::to_string(first) + " " + std::to_string(second));
    }
    void RunUpdateTask(int32_t code) override { Add("update " + std::to_string(code)); }

    // ConnectionEvents
    void RefreshConnectionState(Refresh kind) override
    {
        Add(kind == Refresh::Full ? "refresh full" : "refresh lighter");
        if (!m_list)
            return;
        const int32_t devType = m_list->CurrentDevType();
        m_list->ResetCachedDevice();
        m_list->CloseAll();
        m_list->EnumerateDevice();
        m_list->SetOpen(true);
        m_list->SetCurrentDevType(devType);
        m_reachable = m_list->GetCurrentDevMode() != -1;
    }
    void DeviceConnectState(int32_t kind) override
    {
        m_reachable = false;
        Add("offline " + std::to_string(kind));
    }
    void MouseAnswered(int32_t kind) override
    {
        m_reachable = true;
        Add("answered " + std::to_string(kind));
    }
    bool IsReachable() const override { return m_reachable; }
    void ClearReachable() override { m_reachable = false; }

    std::atomic<bool> m_reachable{true};

private:
    void Add(std::string call)
    {
        std::lock_guard lock(m_mutex);
        m_calls.push_back(std::move(call));
    }

    HidDeviceList* m_list;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_calls;
};
