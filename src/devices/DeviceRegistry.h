#pragma once

#include "devices/AppConfig.h"
#include "devices/DeviceDescription.h"
#include "hid/ConnectionEvents.h"
#include "platform/DeviceChangeEvent.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class DeviceChangeSource;
class HidDeviceList;
class RegistryView;
class SettingsStore;
class UserSettings;

// The registry's state, copied out under its lock.
struct RegistryState {
    int32_t deviceType = 0;     // the model the pages work on
    int32_t mode = 0;           // mode of the entry matched by the last arrival or removal
    bool devicesPresent = false;
    bool reachable = false;     // the current model answers, by cable or receiver
    int32_t connectionMode = -1; // how it answers: 0 cable, 1 receiver; -1 while not reachable
    bool flashing = false;      // a firmware update runs: refreshes are skipped
    bool accessDenied = false;  // the last refresh found one of ours it may not open
};

// Which models are plugged in and how, which one the user works on, and what
// the window shows of it. Owns the model list (config.xml) and the current
// description. Callable from the interface thread (start-up, model clicks,
// device changes) and from the worker thread (the refreshes of tasks 2 and 3,
// the lighter refresh, DeviceConnectState): one mutex serialises every
// operation on the state and on the view, and a second one lets only one
// refresh talk to the transport at a time. The slow part of a refresh, the
// enumeration of the transport, runs outside the state lock and outside every
// lock of the transport that the interface thread takes, so a model click or
// a device change never waits for a silent device. Every effect on the window goes through
// RegistryView, in order, from the thread that caused it. The worker reports
// the connection state here, as ConnectionEvents.
class DeviceRegistry : public ConnectionEvents {
public:
    // Device list item states.
    static constexpr int32_t kItemOffline = 0;
    static constexpr int32_t kItemNotConnected = 2;

    using Refresh = ConnectionEvents::Refresh;

    // programFolder and dataFolder end with '/'. Every reference must outlive
    // the registry.
    DeviceRegistry(HidDeviceList& hid, SettingsStore& store, UserSettings& settings, RegistryView& view,
                   QString programFolder, QString dataFolder);
    ~DeviceRegistry() override;
    DeviceRegistry(const DeviceRegistry&) = delete;
    DeviceRegistry& operator=(const DeviceRegistry&) = delete;

    // Start-up, interface thread, in this order: the configuration, the
    // current model's description and the device-change registration. False
    // when config.xml could not be used; the window still opens, with no model
    // to select. The first full refresh is the caller's to arrange: the window
    // has its worker run it before task 1, so that start-up never waits for a
    // device that is slow to answer.
    bool Start();

    // config.xml: the model and mode lists, the transport's supported table,
    // the device list items and the version label.
    bool LoadConfiguration();
    // The current model from "DeviceType", its database and its description.
    void LoadDescription();
    // The device table read again and shown. Does nothing while flashing.
    // The lighter variant (a mouse reported a connection change) neither
    // stores "DeviceType" nor closes transient windows.
    void RefreshConnectionState(Refresh kind) override;
    // A click on the device list item of deviceType: a new model becomes
    // current and is read by task 4; the clicked one, new or not, has its
    // description loaded and the device view shown. A type no model has is
    // ignored.
    void SelectModel(int32_t deviceType);
    // Starts delivering device changes to OnDeviceChange on this thread's
    // event loop. False when no source of changes can be opened.
    bool RegisterDeviceNotifications();
    void OnDeviceChange(const DeviceChange& change);
    // The mouse stopped answering (worker thread). connectionKind is the last
    // one its status reported: 3 by cable, any other through the receiver,
    // 0 when none was read yet (the mode of the last arrival is taken).
    void DeviceConnectState(int32_t connectionKind) override;
    // Without it a model switch (task 4), which clears reachability before
    // its read, would leave a mouse that answers shown as not connected.
    void MouseAnswered(int32_t connectionKind) override;
    void CloseTransientWindows();

    bool IsReachable() const override;
    void ClearReachable() override;
    void SetFlashing(bool flashing);

    RegistryState State() const;
    std::vector<ModelEntry> Models() const;
    std::vector<ModelEntry> Modes() const;
    QString SoftwareVersion() const;
    // Copies of the current description and of its factory button entries.
    DeviceDescription Description() const;
    std::vector<KeyAssignment> DefaultKeys() const;

private:
    void LoadDescriptionLocked(int32_t deviceType);
    bool HasModelLocked(int32_t deviceType) const;

    HidDeviceList& m_hid;
    SettingsStore& m_store;
    UserSettings& m_settings;
    RegistryView& m_view;
    QString const m_programFolder;
    QString const m_dataFolder;

    std::mutex m_refreshMutex; // taken before m_mutex, never after
    mutable std::mutex m_mutex;
    AppConfig m_config;
    DeviceDescription m_description;
    RegistryState m_state;
    bool m_modelChosen = false; // a description load or a click set deviceType

    std::unique_ptr<DeviceChangeSource> m_source;
};
