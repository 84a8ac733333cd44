#pragma once

#include "devices/DeviceDescription.h"
#include "editors/EditHost.h"

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

// What a tarvoctl command needs beyond the edits of a page: the profile
// switch the window's profile dialog makes. tarvoctl gives one of its own
// when it drives the mouse itself; a Tarvo window gives one over its store
// and worker when tarvoctl hands it the command.
class CtlHost : public EditHost {
public:
    // Makes `profile` (a store id) the current and the active one and queues
    // everything to be sent, as choosing it in the profile dialog does. False
    // when the store did not take it.
    virtual bool SwitchProfile(int32_t profile) = 0;
    // The current model's description: its buttons and whether it has lighting.
    virtual DeviceDescription Description() const = 0;
};

// A command handed to a running window: the edits go to the window's store
// through its own host, and their tasks are collected, so the window sends
// them as one batch and answers when the mouse acknowledged them.
class CtlGuestHost : public CtlHost {
public:
    // `makeCurrent` makes a profile current and active in the window, without
    // queueing anything; false when the store did not take it.
    CtlGuestHost(EditHost& window, std::function<bool(int32_t profile)> makeCurrent,
        std::function<DeviceDescription()> description)
        : m_window(window)
        , m_makeCurrent(std::move(makeCurrent))
        , m_description(std::move(description))
    {}

    SettingsStore& Store() override { return m_window.Store(); }
    void QueueTask(WorkerTask task) override { m_tasks.push_back(task); }
    void SetPendingRestore(int32_t selector) override { m_window.SetPendingRestore(selector); }
    int32_t CurrentProfile() const override { return m_window.CurrentProfile(); }
    int32_t CurrentDeviceType() const override { return m_window.CurrentDeviceType(); }
    int32_t CurrentConnectionMode() const override { return m_window.CurrentConnectionMode(); }
    void StoreWriteFailed() override { m_window.StoreWriteFailed(); }
    bool SwitchProfile(int32_t profile) override
    {
        if (!m_makeCurrent(profile))
            return false;
        QueueTask(WorkerTask::WriteEverything);
        return true;
    }

    DeviceDescription Description() const override { return m_description(); }

    const std::vector<WorkerTask>& Tasks() const { return m_tasks; }

private:
    EditHost& m_window;
    std::function<bool(int32_t)> m_makeCurrent;
    std::function<DeviceDescription()> m_description;
    std::vector<WorkerTask> m_tasks;
};
