#pragma once

#include "editors/PageEvent.h"
#include "widgets/WidgetTypes.h"

#include <cstdint>

class MArea;
class MDialog;

// The main window's tab items (ids, not positions: a hidden tab keeps its id).
namespace PageTab {
constexpr int32_t kHome = 1;
constexpr int32_t kButtons = 2;
constexpr int32_t kDpi = 3;
constexpr int32_t kMacros = 4;
constexpr int32_t kLighting = 5;
constexpr int32_t kPerformance = 6;
constexpr int32_t kText = 8;
} // namespace PageTab

// One feature page of the main window. The window creates each page once,
// gives it its tab's container, lays it out, re-labels it on a language
// switch, refills it from the store when the worker asks, and hands it every
// control notification and page event; the page owns its control ids, its
// routing and its texts, and reaches the rest of the program only through its
// PageHost. Everything runs on the interface thread.
class Page {
public:
    virtual ~Page() = default;

    // The tab item (PageTab) whose container holds the page.
    virtual int32_t TabItem() const = 0;
    // The reload bits (DeviceEvents::PageBits) that refill this page; 0: none.
    virtual uint32_t ReloadMask() const = 0;

    // Creates the page's controls inside `container`.
    virtual void Create(MDialog& dialog, MArea& container) = 0;
    // Places the controls in `area`, the container's rectangle, at the
    // window's scale (client height / 780). Like every control rectangle of
    // the widget library, `area` is in the window's client coordinates.
    virtual void Layout(const MRect& area, float scale) = 0;
    // Sets every text of the page again from the current language.
    virtual void ApplyLanguage() = 0;
    // Refills the controls from the store for the host's current profile.
    virtual void Reload() = 0;
    // A control notification (control id, notification code, parameter):
    // true when the page acted on it, false when the control is not the
    // page's or the code is not one it acts on.
    virtual bool OnControl(int32_t id, int32_t code, intptr_t param) = 0;
    // What the worker or the window reports; pages ignore what is not theirs.
    virtual void OnPageEvent(const PageEvent& event) { (void)event; }
    // The page's share of the state line that TARVO_STATE_PROBE prints for
    // tests of the real program: blank-separated "key=value" fields without
    // blanks in them, keys prefixed with the page's name ("dpi.sel=2").
    virtual QString ProbeState() const { return {}; }
    // A window message posted to the main window that no frame part took
    // (menu commands of the page's lists, for example); true when handled.
    virtual bool OnWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam)
    {
        (void)message, (void)wParam, (void)lParam;
        return false;
    }
};
