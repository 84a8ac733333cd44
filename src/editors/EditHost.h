#pragma once

#include "hid/WorkerTask.h"

#include <QString>

#include <cstdint>

class SettingsStore;

// Where an edit of a setting goes: the store of the current model and profile,
// then the device worker's queue. The pages reach it through their PageHost
// (the main window); the command line gives its own, alone with the mouse or
// as the window's guest. Pure interface, no widgets: the edits themselves
// (SettingEdits) are shared by all of them.
class EditHost {
public:
    virtual ~EditHost() = default;

    // The store of the current model.
    virtual SettingsStore& Store() = 0;
    // Appends a task to the device worker's queue. Edits store first, then
    // queue: the worker reads the stored value when it runs the task.
    virtual void QueueTask(WorkerTask task) = 0;
    // The restore that task RestorePending carries out (2 DPI, 4 lighting, ...).
    virtual void SetPendingRestore(int32_t selector) = 0;

    // The profile whose settings are edited.
    virtual int32_t CurrentProfile() const = 0;
    // The model edited (101...), 0 when none.
    virtual int32_t CurrentDeviceType() const = 0;
    // How the current mouse is connected: 0 cable, 1 receiver, -1 not at all.
    virtual int32_t CurrentConnectionMode() const = 0;

    // A store write failed (the disk is full or the database is damaged). The
    // window tells the user once rather than pretend the edit was kept. The
    // store reports its failed writes to the window itself, so a page need
    // not call this after a write of its own; doing so adds no second notice.
    virtual void StoreWriteFailed() = 0;

    // The configuration value `key` of the current profile, written; false
    // (and StoreWriteFailed) when the store did not take it.
    bool SetConfig(const QString& key, const QString& value);
    bool SetConfig(const QString& key, int32_t value);
    // The value as a decimal number, 0 when missing or not a number.
    int32_t ConfigInt(const QString& key);
    // The value as stored; empty when missing.
    QString ConfigText(const QString& key);
};
