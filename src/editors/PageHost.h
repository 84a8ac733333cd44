#pragma once

#include "devices/DeviceDescription.h"
#include "editors/EditHost.h"
#include "editors/PageEvent.h"
#include "store/StoreRecords.h"
#include "widgets/WidgetTypes.h"

#include <QString>

#include <cstdint>
#include <vector>

class CaptureSink;
class DesktopActions;

// Everything a page may ask of the rest of the program: the store, the
// worker's queue and the current profile, model and connection of EditHost,
// and what only a window has. The main window implements it; tests give pages
// a fake. Every call is made on the interface thread.
class PageHost : public EditHost {
public:
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
};
