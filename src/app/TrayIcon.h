#pragma once

#include "widgets/WidgetTypes.h"

#include <QRect>
#include <QString>

#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

// The program's icon in the desktop's notification area, through Qt's tray
// support (a StatusNotifierItem where the desktop has a host for it, an
// XEmbed icon elsewhere). Its clicks reach the owner window as message 1690
// with the mouse message as lParam (513 click, 515 double click, 517 right
// click); its menu's one item posts kWmCommand 100. The menu belongs to the
// icon, so the desktop shows it where it shows menus of tray icons (a host
// reached over D-Bus places it itself). Interface thread only.
class TrayIcon {
public:
    explicit TrayIcon(WindowHandle owner);
    ~TrayIcon();
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Puts the icon in the tray with its tip (at most 127 characters) and the
    // menu item's text. A tray that starts later still gets the icon.
    void Add(const QString& iconFile, const QString& tip, const QString& exitText);
    void Remove();
    bool IsAdded() const { return m_added; }
    // A tray shows the icon now: there is a tray on the desktop.
    bool IsShown() const;
    void SetExitText(const QString& text);
    // A notification through the icon: the desktop's notifications where the
    // tray is reached over D-Bus, a balloon beside the icon elsewhere.
    void ShowMessage(const QString& title, const QString& text);
    // Where the icon is on the screen; empty when no tray shows it.
    QRect Geometry() const;
    QMenu* Menu() const { return m_menu.get(); }
    QAction* ExitAction() const { return m_exit; }

    // A desktop without a tray: the window must never be hidden there.
    static bool DesktopHasTray();

private:
    WindowHandle m_owner;
    std::unique_ptr<QMenu> m_menu;
    QAction* m_exit = nullptr;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    bool m_added = false;
    // With the state probe on: where the icon is, told when it moves (a tray
    // places the icon some time after it was added).
    void ProbeGeometry();
    QRect m_probedGeometry;
    int m_probeTimer = 0;
};
