#pragma once

#include "devices/RegistryView.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

// A RegistryView that keeps what a window would show, plus the calls in order.
// Calls may come from any thread.
class RecordingView : public RegistryView {
public:
    struct Item {
        std::string name;
        std::string image;
        int32_t state[2] = { -1, -1 }; // per mode; -1 never set
        std::string version;
        int32_t batteryStatus = -1;
        int32_t batteryLevel = -1;
    };

    void ClearDeviceList() override
    {
        Record("clear");
        std::lock_guard lock(m_mutex);
        items.clear();
        selected = 0;
    }
    void AddDeviceItem(int32_t deviceType, const QString& name, const QString& imagePath) override
    {
        Record("add " + std::to_string(deviceType));
        std::lock_guard lock(m_mutex);
        Item& item = items[deviceType];
        item.name = name.toStdString();
        item.image = imagePath.toStdString();
    }
    void SetAllDeviceState(int32_t state) override
    {
        Record("all " + std::to_string(state));
        std::lock_guard lock(m_mutex);
        for (auto& [type, item] : items)
            item.state[0] = item.state[1] = state;
    }
    void SetDeviceState(int32_t deviceType, int32_t mode, int32_t state) override
    {
        Record("state " + std::to_string(deviceType) + " " + std::to_string(mode) + " " + std::to_string(state));
        std::lock_guard lock(m_mutex);
        auto it = items.find(deviceType);
        if (it != items.end() && (mode == 0 || mode == 1))
            it->second.state[mode] = state;
    }
    void SetDeviceVersion(int32_t deviceType, const QString& version) override
    {
        Record("version " + std::to_string(deviceType));
        std::lock_guard lock(m_mutex);
        auto it = items.find(deviceType);
        if (it != items.end())
            it->second.version = version.toStdString();
    }
    void SetDeviceBattery(int32_t deviceType, int32_t batteryStatus, int32_t level) override
    {
        Record("battery " + std::to_string(deviceType));
        std::lock_guard lock(m_mutex);
        auto it = items.find(deviceType);
        if (it != items.end()) {
            it->second.batteryStatus = batteryStatus;
            it->second.batteryLevel = level;
        }
    }
    void SelectDeviceItem(int32_t deviceType) override
    {
        Record("select " + std::to_string(deviceType));
        std::lock_guard lock(m_mutex);
        selected = items.count(deviceType) ? deviceType : 0;
    }
    void ShowView(View shown) override
    {
        Record(shown == View::Home ? "view home" : "view device");
        std::lock_guard lock(m_mutex);
        view = shown;
    }
    void ShowHomeContent(HomeContent content) override
    {
        Record(content == HomeContent::DeviceList ? "home list"
                : content == HomeContent::AccessDenied ? "home denied"
                                                       : "home none");
        std::lock_guard lock(m_mutex);
        home = content;
    }
    void ShowStatusText(int32_t textId) override
    {
        Record("status " + std::to_string(textId));
        std::lock_guard lock(m_mutex);
        status = textId;
    }
    void ShowVersionLabel(const QString& label) override
    {
        Record("label");
        std::lock_guard lock(m_mutex);
        versionLabel = label.toStdString();
    }
    void CloseTransientWindows() override
    {
        Record("close");
        std::lock_guard lock(m_mutex);
        ++closes;
    }
    void ShowMousePicture(const QString& pictureName) override
    {
        Record("picture");
        std::lock_guard lock(m_mutex);
        picture = pictureName.toStdString();
    }
    void SetLightingTabVisible(bool visible) override
    {
        Record("lighting");
        std::lock_guard lock(m_mutex);
        lighting = visible ? 1 : 0;
    }
    void ShowMouseMarkers(const std::vector<MouseMarker>& shown) override
    {
        Record("markers");
        std::lock_guard lock(m_mutex);
        markers = shown;
    }
    void QueueTask(WorkerTask task) override
    {
        const int32_t code = TaskCode(task);
        Record("task " + std::to_string(code));
        std::lock_guard lock(m_mutex);
        tasks.push_back(code);
    }
    void SetDevicesPresent(bool present) override
    {
        Record(present ? "present" : "absent");
        std::lock_guard lock(m_mutex);
        devicesPresent = present;
    }

    // Forgets everything, as a fresh window would.
    void Reset()
    {
        std::lock_guard lock(m_mutex);
        calls.clear();
        items.clear();
        selected = 0;
        view = View::Home;
        home = HomeContent::NoDevice;
        status = -1;
        versionLabel.clear();
        closes = 0;
        picture.clear();
        lighting = -1;
        markers.clear();
        tasks.clear();
        devicesPresent = false;
    }

    std::vector<std::string> Calls() const
    {
        std::lock_guard lock(m_mutex);
        return calls;
    }
    size_t CallCount() const
    {
        std::lock_guard lock(m_mutex);
        return calls.size();
    }

    // Read by the tests once the calls are done.
    std::map<int32_t, Item> items;
    int32_t selected = 0;
    View view = View::Home;
    HomeContent home = HomeContent::NoDevice;
    int32_t status = -1;
    std::string versionLabel;
    int closes = 0;
    std::string picture;
    int lighting = -1; // -1 never set
    std::vector<MouseMarker> markers;
    std::vector<int32_t> tasks;
    bool devicesPresent = false;

private:
    void Record(std::string call)
    {
        std::lock_guard lock(m_mutex);
        calls.push_back(std::move(call));
    }

    mutable std::mutex m_mutex;
    std::vector<std::string> calls;
};
