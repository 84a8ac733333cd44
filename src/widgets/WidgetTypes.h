#pragma once

#include <QPoint>
#include <QRect>
#include <cstdint>

// Opaque identifier of an open window. 0 means "no window". Handles are never
// reused within a run, so a stale handle simply finds nothing.
using WindowHandle = uint64_t;

// A rectangle given by its edges, right and bottom exclusive, as the dialogs
// and pages describe their layouts.
struct MRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    constexpr int32_t Width() const { return right - left; }
    constexpr int32_t Height() const { return bottom - top; }
    QRect ToQRect() const { return QRect(left, top, Width(), Height()); }
    static MRect FromQRect(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }
    bool operator==(const MRect&) const = default;
};

// Window messages understood by every window.
constexpr uint32_t kWmClose = 0x0010;
constexpr uint32_t kWmCommand = 0x0111;
constexpr uint32_t kWmTimer = 0x0113;
constexpr uint32_t kWmDeviceChange = 0x0219;
constexpr uint32_t kWmLButtonDown = 0x0201;
constexpr uint32_t kWmLButtonDblClk = 0x0203;
constexpr uint32_t kWmRButtonUp = 0x0205;
constexpr uint32_t kWmUser = 0x0400;
// The tray icon reports mouse messages to its window with this number (lParam = mouse message).
constexpr uint32_t kWmTrayCallback = kWmUser + 666;

// Window styles as the dialogs pass them to MWindow::Create.
constexpr uint32_t kWsPopup = 0x80000000u;
constexpr uint32_t kWsVisible = 0x10000000u;
constexpr uint32_t kWsClipSiblings = 0x04000000u;
constexpr uint32_t kWsClipChildren = 0x02000000u;
constexpr uint32_t kWsDialog = kWsPopup | kWsVisible | kWsClipSiblings | kWsClipChildren; // 0x96000000
constexpr uint32_t kWsExTopmost = 0x00000008u;
constexpr uint32_t kWsExToolWindow = 0x00000080u;
constexpr uint32_t kWsExLayered = 0x00080000u;

// Show commands.
constexpr int32_t kSwHide = 0;
constexpr int32_t kSwShowNormal = 1;
constexpr int32_t kSwMaximize = 3;
constexpr int32_t kSwShow = 5;
constexpr int32_t kSwMinimize = 6;
constexpr int32_t kSwRestore = 9;

// Modal results.
constexpr int32_t kIdOk = 1;
constexpr int32_t kIdCancel = 2;

// Notification codes a control sends to its dialog's OnMessage. Only user
// gestures notify; setting a value from code never does.
constexpr int32_t kNotifyClick = 2;         // clicked or chosen; a slider's drag end
constexpr int32_t kNotifyContextClick = 9;  // context click on a list
constexpr int32_t kNotifyEditChanged = 26;  // text changed by typing
constexpr int32_t kNotifySliding = 27;      // a slider moved while still being dragged
constexpr int32_t kNotifyEditCommit = 29;   // edit committed (Enter or focus lost), in-place edit done
constexpr int32_t kNotifyEditFocus = 30;    // edit gained the focus

// Text alignment as the dialogs pass it (DT_* values).
constexpr int32_t kAlignLeft = 0;
constexpr int32_t kAlignCenter = 1;
constexpr int32_t kAlignRight = 2;
constexpr int32_t kVAlignTop = 0;
constexpr int32_t kVAlignCenter = 4;
constexpr int32_t kVAlignBottom = 8;

// How an image fills its rectangle.
enum class ShowMode : int32_t {
    Natural = 0,   // top-left, own size
    NineSlice = 1, // corners of `param` pixels kept, the rest stretched
    Stretch = 2,
    Rounded = 3,   // stretched and clipped to a rounded rectangle of radius `param`
    Center = 4,
};
