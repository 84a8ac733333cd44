#pragma once

#include "widgets/MObject.h"
#include "widgets/PaintManager.h"
#include "widgets/WidgetTypes.h"

#include <QIcon>
#include <QPointer>
#include <QString>
#include <memory>

class QEventLoop;
class QPainter;
class QWidget;
class WindowHost;

// A skinned top-level window. Create it, then run it with ShowModal (a nested
// loop that returns the result given to EndModal) or show it with ShowWindow.
// All members are for the interface thread; other threads talk to a window
// with PostMessage (WindowRegistry.h).
class MWindow : public MObject {
public:
    MWindow();
    MWindow(const MWindow&) = delete;
    MWindow& operator=(const MWindow&) = delete;

    // The virtual operations, in slot order.
    ~MWindow() override;
    virtual QString GetWindowClassName() const; // "MWindow"
    virtual QString GetSuperClassName() const;
    virtual void ShowWindow(int32_t showCommand); // kSw* values
    // Raw window messages, first. The base handles kWmClose (ends the modal
    // loop with wParam as result, kIdCancel when 0, or destroys a modeless
    // window). Returns the message's result.
    virtual intptr_t OnWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
    // Keyboard messages before the focused control sees them; true swallows.
    virtual bool PreTranslateMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
    virtual void OnInitDialog();
    virtual void OnDestroyMessage();
    virtual QPoint GetAirBladderPoint() const;
    virtual void OnMinimize();
    virtual void OnMaximize(); // toggles maximised and normal
    virtual void InitUI(const MRect& client);
    virtual void UISize(const MRect& client);
    // A control's notification: control id, code (kNotify*), parameter, extra.
    // Non-zero when handled.
    virtual intptr_t OnMessage(int32_t id, int32_t code, intptr_t param, intptr_t lParam);
    // The user asked the window manager to close the window.
    virtual void OnUserCloseWindow();
    virtual void OnCreate();
    virtual void OnSize(int32_t width, int32_t height);
    virtual void OnMouseMove(const QPoint& point);
    virtual void OnLButtonDown(const QPoint& point);
    virtual void OnLButtonUp(const QPoint& point);
    virtual void OnLButtonDblClk(const QPoint& point);
    virtual void OnRButtonUp(const QPoint& point);
    virtual bool OnKeyDown(int32_t key);
    virtual bool OnKeyUp(int32_t key);
    // The window became active (true) or lost activation (false).
    virtual bool OnNcActivate(bool active);
    virtual void OnPaint(QPainter& painter);
    virtual void OnTimer(int32_t timerId);
    virtual void OnClose();
    virtual void OnDestroy();
    virtual void PostNcDestroy();

    QString GetClassName() const override { return GetWindowClassName(); }

    // Creates the window: parent (0 = none), title (also the name FindWindow
    // matches), kWs* style, kWsEx* extended style, rectangle in screen
    // coordinates. Runs OnCreate and OnInitDialog. Returns the handle, 0 when
    // the window already exists.
    WindowHandle Create(WindowHandle parent, const QString& title, uint32_t style, uint32_t exStyle, const MRect& rect);
    // Centres on the reference window, or on the screen when 0.
    void CenterWindow(WindowHandle reference = 0);
    // Shows with the show command and runs a nested loop until EndModal.
    // Returns the result (kIdOk after DoOK, kIdCancel after DoCancel or a
    // close); the window is destroyed when the loop ends. -1 when not created.
    int32_t ShowModal(int32_t showCommand);
    void EndModal(int32_t result);
    void DoOK() { EndModal(kIdOk); }
    void DoCancel() { EndModal(kIdCancel); }
    bool IsModalRunning() const { return m_loop != nullptr; }
    void DestroyWindow();

    WindowHandle GetSafeHwnd() const { return m_handle; }
    QWidget* GetWidget() const;
    MRect GetClientRect() const;
    MRect GetWindowRect() const; // screen coordinates
    QPoint ClientToScreen(const QPoint& point) const;
    MRect ClientToScreen(const MRect& rect) const;
    void MoveWindow(const MRect& screenRect);
    QString GetTitle() const { return m_title; }
    void SetTitle(const QString& title);
    void SetIcon(const QIcon& icon);
    void SetIcon(const QString& file);
    bool IsZoomed() const;
    bool IsWindowVisible() const;
    void SetTopmost(bool topmost);
    void SetForeground();

    // Skinning.
    void EnableWndDrag(bool enable);
    // Background drawing: mode 0 colour only, otherwise the background image
    // drawn with ShowMode(mode) and `param` (mode 1: nine-slice border).
    void SetBackMode(int32_t mode, int32_t param);
    void LoadBKImage(const QString& file);
    // A translucent window whose background draws with rounded corners.
    void SetLayeredWindow(bool layered);
    PaintManager& GetPaintManager() { return m_paintManager; }
    // The library timer: OnTimer(kLibraryTimer) every `intervalMs`.
    static constexpr int32_t kLibraryTimer = 1;
    void SetMTimer(int32_t intervalMs);
    void KillMTimer();

    // A window whose object deletes itself when its window is destroyed.
    void SetAutoDelete(bool autoDelete) { m_autoDelete = autoDelete; }

    static MWindow* FromHandle(WindowHandle handle);

    // Called by the host; not for dialogs.
    void HostPaint(QPainter& painter);
    void HostResized();
    void HostTimer(int qtTimerId);
    void HostDestroyed();

protected:
    void DeleteLater();
    bool IsInitialized() const { return m_initialized; }
    void SetInitialized() { m_initialized = true; }

private:
    QPointer<WindowHost> m_host;
    WindowHandle m_handle = 0;
    QString m_title;
    uint32_t m_style = 0;
    QEventLoop* m_loop = nullptr;
    bool m_endRequested = false;
    int32_t m_result = kIdCancel;
    bool m_initialized = false;
    bool m_showPending = false;
    bool m_layered = false;
    bool m_autoDelete = false;
    int32_t m_backMode = 0;
    int32_t m_backParam = 0;
    QString m_backImage;
    int m_timerId = 0;
    PaintManager m_paintManager;
    // Shared with a running ShowModal so that deleting the window object from
    // inside its own modal loop is safe.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
