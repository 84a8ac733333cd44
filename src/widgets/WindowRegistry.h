#pragma once

#include "widgets/WidgetTypes.h"

#include <QString>
#include <functional>
#include <vector>

class WindowHost;

// The open windows of the process, by handle, class name and title. Posting
// is safe from any thread; everything returning a pointer is for the
// interface thread only.
class WindowRegistry {
public:
    static WindowHandle Register(WindowHost* host, const QString& className, const QString& title);
    static void Unregister(WindowHandle handle);
    static void SetTitle(WindowHandle handle, const QString& title);
    // The first open window with that class name and title; an empty title
    // matches any. 0 when none.
    static WindowHandle FindWindow(const QString& className, const QString& title);
    // Queues a message for the window's OnWindowMessage on the interface
    // thread. Messages posted to one window arrive in the order posted.
    // False when the window is not open.
    static bool PostMessage(WindowHandle handle, uint32_t message, uintptr_t wParam, intptr_t lParam);
    // Queues a call to run on the interface thread, in order with the messages.
    static bool PostCall(WindowHandle handle, std::function<void()> call);
    static WindowHost* HostOf(WindowHandle handle);
    static std::vector<WindowHandle> OpenWindows();
};

// The Windows-style spellings the dialogs use.
inline WindowHandle FindWindow(const QString& className, const QString& title)
{
    return WindowRegistry::FindWindow(className, title);
}
inline bool PostMessage(WindowHandle handle, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    return WindowRegistry::PostMessage(handle, message, wParam, lParam);
}
