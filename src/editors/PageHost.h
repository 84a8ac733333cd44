#pragma once

#include "devices/DeviceDescription.h"
#include "editors/PageEvent.h"
#include "hid/WorkerTask.h"
#include "store/StoreRecords.h"
#include "widgets/WidgetTypes.h"

#include <QString>

#include <cstdint>
#include <vector>

class CaptureSink;
class DesktopActions;
class SettingsStore;
struct PageEvent;

// Everything a page may ask of the rest of the program. The main window
// implements it; tests give pages a fake. Every call is made on the interface
// thread.
class PageHost {
public:
    virtual ~PageHost() = default;

    // The store of the current model.
    virtual SettingsStore& Store() = 0;
    // Appends a task to the device worker's queue. Pages store first, then queue:
    // the worker reads the stored value when it runs the task.
    virtual void QueueTask(WorkerTask task) = 0;
    // The restore that task RestorePending carries out (2 DPI, 4 lighting, ...).
    virtual void SetPendingRestore(int32_t selector) = 0;

    // The profile whose settings the pages show.
    virtual int32_t CurrentProfile() const = 0;
    // The model the pages work on (101...), 0 when none.
    virtual int32_t CurrentDeviceType() const = 0;
    // How the current mouse is connected: 0 cable, 1 receiver, -1 not at all.
    virtual int32_t CurrentConnectionMode() const = 0;
    // The current model's description and its factory button functions.
    virtual DeviceDescription Description() const = 0;
    virtual std::vector<KeyAssignment> DefaultKeys() const = 0;

    // The skinned message box: a question with two buttons (true for the
    // first, yes) and a notice with one.
    virtual bool Ask(const QString& message, const QString& caption) = 0;
    virtual void Tell(const QString& message, const QString& caption) = 0;
    // The desktop's standard file dialog. `filter` is in Qt's form
    // ("XML (*.xml)"); a save asks before overwriting. Empty when cancelled.
    enum class FileDialog { Open, Save };
    virtual QString ChooseFile(FileDialog kind, const QString& title, const QString& filter, const QString& suggested)
        = 0;
    // Selects a tab of the main window by its index, as a click on it would.
    virtual void SelectTab(int32_t index) = 0;
    // The main window, as the parent of a page's own dialogs.
    virtual WindowHandle Window() const = 0;
    // Where the current model's picture is, in the window's client
    // coordinates; empty while no description has placed one.
    virtual MRect MousePictureRect() const = 0;
    // Every page hears `event` at once: a page tells the others that a list
    // they show (macros, snippets) changed.
    virtual void NotifyPages(const PageEvent& event) = 0;

    // Key capture (CaptureMode): while it runs, the window's key input goes,
    // translated, to `sink` instead of the focused control. Beginning replaces
    // any capture running; End stops it only if `sink` still holds it.
    virtual void BeginCapture(int32_t mode, CaptureSink& sink) = 0;
    virtual void EndCapture(CaptureSink& sink) = 0;
    // The user's desktop: web addresses, programs, typing, the character map.
    virtual DesktopActions& Desktop() = 0;

    // While a page records input the user must stay on it: the tab bar and
    // the profile button are disabled (true) until it unlocks them (false).
    virtual void LockFrame(bool locked) = 0;

    // A store write failed (the disk is full or the database is damaged). The
    // window tells the user once rather than pretend the edit was kept.
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
