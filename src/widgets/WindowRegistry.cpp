#include "widgets/WindowRegistry.h"

#include "widgets/WindowEvents.h"
#include "widgets/WindowHost.h"

#include <QCoreApplication>
#include <map>
#include <mutex>

namespace {
struct Entry {
    WindowHost* host;
    QString className;
    QString title;
};

std::mutex g_mutex;
std::map<WindowHandle, Entry> g_windows; // ordered by handle: oldest first
WindowHandle g_next = 0x1000;
} // namespace

WindowHandle WindowRegistry::Register(WindowHost* host, const QString& className, const QString& title)
{
    std::lock_guard lock(g_mutex);
    const WindowHandle handle = ++g_next;
    g_windows.emplace(handle, Entry{host, className, title});
    return handle;
}

void WindowRegistry::Unregister(WindowHandle handle)
{
    std::lock_guard lock(g_mutex);
    g_windows.erase(handle);
}

void WindowRegistry::SetTitle(WindowHandle handle, const QString& title)
{
    std::lock_guard lock(g_mutex);
    auto it = g_windows.find(handle);
    if (it != g_windows.end())
        it->second.title = title;
}

WindowHandle WindowRegistry::FindWindow(const QString& className, const QString& title)
{
    std::lock_guard lock(g_mutex);
    for (const auto& [handle, entry] : g_windows) {
        if (entry.className == className && (title.isEmpty() || entry.title == title))
            return handle;
    }
    return 0;
}

bool WindowRegistry::PostMessage(WindowHandle handle, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    // The lock is held while posting: a host unregisters before it is
    // destroyed, so the receiver is alive here; Qt drops events still queued
    // for a receiver that is deleted later.
    std::lock_guard lock(g_mutex);
    auto it = g_windows.find(handle);
    if (it == g_windows.end())
        return false;
    QCoreApplication::postEvent(it->second.host, new WindowMessageEvent(message, wParam, lParam));
    return true;
}

bool WindowRegistry::PostCall(WindowHandle handle, std::function<void()> call)
{
    std::lock_guard lock(g_mutex);
    auto it = g_windows.find(handle);
    if (it == g_windows.end() || !call)
        return false;
    QCoreApplication::postEvent(it->second.host, new WindowCallEvent(std::move(call)));
    return true;
}

WindowHost* WindowRegistry::HostOf(WindowHandle handle)
{
    std::lock_guard lock(g_mutex);
    auto it = g_windows.find(handle);
    return it == g_windows.end() ? nullptr : it->second.host;
}

std::vector<WindowHandle> WindowRegistry::OpenWindows()
{
    std::lock_guard lock(g_mutex);
    std::vector<WindowHandle> handles;
    for (const auto& entry : g_windows)
        handles.push_back(entry.first);
    return handles;
}
