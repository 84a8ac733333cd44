#include "widgets/MWindow.h"

#include "widgets/MRender.h"
#include "widgets/Theme.h"
#include "widgets/WindowHost.h"
#include "widgets/WindowRegistry.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTimer>

MWindow::MWindow() = default;

MWindow::~MWindow()
{
    *m_alive = false;
    if (m_loop)
        m_loop->exit(kIdCancel);
    m_loop = nullptr;
    if (m_host) {
        WindowRegistry::Unregister(m_handle);
        m_host->Detach();
        m_host->hide();
        m_host->deleteLater();
    }
}

QString MWindow::GetWindowClassName() const { return QStringLiteral("MWindow"); }
QString MWindow::GetSuperClassName() const { return {}; }

void MWindow::ShowWindow(int32_t showCommand)
{
    m_showPending = false;
    if (!m_host)
        return;
    switch (showCommand) {
    case kSwHide:
        m_host->hide();
        break;
    case kSwMaximize:
        m_host->showMaximized();
        break;
    case kSwMinimize:
        m_host->showMinimized();
        break;
    case kSwShowNormal:
    case kSwRestore:
        m_host->showNormal();
        break;
    default:
        m_host->show();
        break;
    }
}

intptr_t MWindow::OnWindowMessage(uint32_t message, uintptr_t wParam, intptr_t)
{
    if (message == kWmClose) {
        OnClose();
        if (m_loop)
            EndModal(wParam != 0 ? int32_t(wParam) : kIdCancel);
        else
            DestroyWindow();
        return 0;
    }
    return 0;
}

bool MWindow::PreTranslateMessage(uint32_t, uintptr_t, intptr_t) { return false; }

void MWindow::OnInitDialog()
{
    if (m_initialized)
        return;
    m_initialized = true;
    const MRect client = GetClientRect();
    InitUI(client);
    UISize(client);
}

void MWindow::OnDestroyMessage() {}
QPoint MWindow::GetAirBladderPoint() const { return {}; }

void MWindow::OnMinimize()
{
    if (m_host)
        m_host->showMinimized();
}

void MWindow::OnMaximize()
{
    if (!m_host)
        return;
    if (m_host->isMaximized())
        m_host->showNormal();
    else
        m_host->showMaximized();
}

void MWindow::InitUI(const MRect&) {}
void MWindow::UISize(const MRect&) {}
intptr_t MWindow::OnMessage(int32_t, int32_t, intptr_t, intptr_t) { return 0; }

void MWindow::OnUserCloseWindow()
{
    OnWindowMessage(kWmClose, kIdCancel, 0);
}

void MWindow::OnCreate() {}

void MWindow::OnSize(int32_t, int32_t)
{
    if (m_initialized)
        UISize(GetClientRect());
}

void MWindow::OnMouseMove(const QPoint&) {}
void MWindow::OnLButtonDown(const QPoint&) {}
void MWindow::OnLButtonUp(const QPoint&) {}
void MWindow::OnLButtonDblClk(const QPoint&) {}
void MWindow::OnRButtonUp(const QPoint&) {}
bool MWindow::OnKeyDown(int32_t) { return false; }
bool MWindow::OnKeyUp(int32_t) { return false; }
bool MWindow::OnNcActivate(bool) { return true; }
void MWindow::OnPaint(QPainter&) {}
void MWindow::OnTimer(int32_t) {}
void MWindow::OnClose() {}
void MWindow::OnDestroy() {}
void MWindow::PostNcDestroy() {}

WindowHandle MWindow::Create(WindowHandle parent, const QString& title, uint32_t style, uint32_t exStyle, const MRect& rect)
{
    if (m_host)
        return 0;
    QWidget* parentWidget = parent ? WindowRegistry::HostOf(parent) : nullptr;
    Qt::WindowFlags flags = (exStyle & kWsExToolWindow) ? Qt::Tool : Qt::Window;
    if (style & kWsPopup)
        flags |= Qt::FramelessWindowHint;
    if (exStyle & kWsExTopmost)
        flags |= Qt::WindowStaysOnTopHint;
    m_host = new WindowHost(this, parentWidget, flags);
    m_title = title;
    m_style = style;
    m_host->setWindowTitle(title);
    m_host->setGeometry(rect.ToQRect());
    m_handle = WindowRegistry::Register(m_host, GetWindowClassName(), title);
    m_host->SetHandle(m_handle);
    if (exStyle & kWsExLayered)
        SetLayeredWindow(true);
    OnCreate();
    OnInitDialog();
    if ((style & kWsVisible) && m_host) {
        // Shown once control returns to the loop, unless ShowWindow or
        // ShowModal decides first (a start hidden in the tray never flashes).
        m_showPending = true;
        QPointer<WindowHost> host = m_host;
        std::weak_ptr<bool> alive = m_alive;
        QTimer::singleShot(0, host, [this, alive] {
            if (auto a = alive.lock(); a && *a && m_showPending)
                ShowWindow(kSwShow);
        });
    }
    return m_handle;
}

void MWindow::CenterWindow(WindowHandle reference)
{
    if (!m_host)
        return;
    QRect area;
    if (WindowHost* ref = reference ? WindowRegistry::HostOf(reference) : nullptr)
        area = ref->frameGeometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isEmpty())
        return;
    QRect geometry = m_host->geometry();
    geometry.moveCenter(area.center());
    m_host->move(geometry.topLeft());
}

int32_t MWindow::ShowModal(int32_t showCommand)
{
    if (!m_host || m_loop)
        return -1;
    std::shared_ptr<bool> alive = m_alive;
    if (!m_host->isVisible())
        m_host->setWindowModality(Qt::ApplicationModal);
    if (!m_endRequested) {
        ShowWindow(showCommand);
        QEventLoop loop;
        m_loop = &loop;
        loop.exec(QEventLoop::DialogExec);
        if (!*alive)
            return kIdCancel; // the object went away inside its own loop
        m_loop = nullptr;
    }
    const int32_t result = m_result;
    m_endRequested = false;
    DestroyWindow();
    return result;
}

void MWindow::EndModal(int32_t result)
{
    m_result = result;
    m_endRequested = true;
    if (m_loop)
        m_loop->exit(result);
}

void MWindow::DestroyWindow()
{
    if (!m_host)
        return;
    OnDestroy();
    WindowRegistry::Unregister(m_handle);
    WindowHost* host = m_host;
    m_host = nullptr;
    host->Detach();
    host->hide();
    host->deleteLater();
    OnDestroyMessage();
    if (m_loop && !m_endRequested)
        EndModal(kIdCancel);
    m_handle = 0;
    m_initialized = false;
    PostNcDestroy();
    if (m_autoDelete)
        DeleteLater();
}

void MWindow::DeleteLater()
{
    // Never delete inside a handler that may still be on the stack.
    std::weak_ptr<bool> alive = m_alive;
    QMetaObject::invokeMethod(qApp, [this, alive] {
        if (auto a = alive.lock(); a && *a)
            delete this;
    }, Qt::QueuedConnection);
}

QWidget* MWindow::GetWidget() const { return m_host; }

MRect MWindow::GetClientRect() const
{
    if (!m_host)
        return {};
    return {0, 0, m_host->width(), m_host->height()};
}

MRect MWindow::GetWindowRect() const
{
    if (!m_host)
        return {};
    return MRect::FromQRect(m_host->geometry());
}

QPoint MWindow::ClientToScreen(const QPoint& point) const
{
    return m_host ? m_host->mapToGlobal(point) : point;
}

MRect MWindow::ClientToScreen(const MRect& rect) const
{
    const QPoint topLeft = ClientToScreen(QPoint(rect.left, rect.top));
    return {topLeft.x(), topLeft.y(), topLeft.x() + rect.Width(), topLeft.y() + rect.Height()};
}

void MWindow::MoveWindow(const MRect& screenRect)
{
    if (m_host)
        m_host->setGeometry(screenRect.ToQRect());
}

void MWindow::SetTitle(const QString& title)
{
    m_title = title;
    if (m_host) {
        m_host->setWindowTitle(title);
        WindowRegistry::SetTitle(m_handle, title);
    }
}

void MWindow::SetIcon(const QIcon& icon)
{
    if (m_host)
        m_host->setWindowIcon(icon);
}

void MWindow::SetIcon(const QString& file) { SetIcon(MRender::LoadIconFromFile(file)); }

bool MWindow::IsZoomed() const { return m_host && m_host->isMaximized(); }
bool MWindow::IsWindowVisible() const { return m_host && m_host->isVisible(); }

void MWindow::SetTopmost(bool topmost)
{
    if (!m_host)
        return;
    const bool visible = m_host->isVisible();
    m_host->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    if (visible)
        m_host->show(); // changing flags hides a window
}

void MWindow::SetForeground()
{
    if (!m_host)
        return;
    m_host->raise();
    m_host->activateWindow();
}

void MWindow::EnableWndDrag(bool enable)
{
    if (m_host)
        m_host->SetDragEnabled(enable);
}

void MWindow::SetBackMode(int32_t mode, int32_t param)
{
    m_backMode = mode;
    m_backParam = param;
    if (m_host)
        m_host->update();
}

void MWindow::LoadBKImage(const QString& file)
{
    m_backImage = file;
    if (m_host)
        m_host->update();
}

void MWindow::SetLayeredWindow(bool layered)
{
    m_layered = layered;
    if (m_host) {
        m_host->setAttribute(Qt::WA_TranslucentBackground, layered);
        m_host->update();
    }
}

void MWindow::SetMTimer(int32_t intervalMs)
{
    KillMTimer();
    if (m_host && intervalMs > 0)
        m_timerId = m_host->startTimer(intervalMs);
}

void MWindow::KillMTimer()
{
    if (m_host && m_timerId != 0)
        m_host->killTimer(m_timerId);
    m_timerId = 0;
}

MWindow* MWindow::FromHandle(WindowHandle handle)
{
    WindowHost* host = WindowRegistry::HostOf(handle);
    return host ? host->Owner() : nullptr;
}

void MWindow::HostPaint(QPainter& painter)
{
    const QRect rect(0, 0, m_host->width(), m_host->height());
    const QColor fill = m_paintManager.HasBackColor() ? m_paintManager.GetFill() : Theme::kWindow;
    const QColor border = m_paintManager.HasBackColor() ? m_paintManager.GetBorder() : Theme::kBorder;
    painter.setRenderHint(QPainter::Antialiasing);
    const QPixmap image = MRender::LoadImage(m_backImage);
    if (m_layered) {
        QPainterPath path;
        path.addRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
        if (image.isNull() || m_backMode == 0)
            painter.fillPath(path, fill);
        else
            MRender::DrawImage(painter, rect, image, ShowMode(m_backMode), m_backParam);
        painter.setPen(QPen(border, 1));
        painter.drawPath(path);
        return;
    }
    painter.fillRect(rect, fill);
    if (!image.isNull() && m_backMode != 0)
        MRender::DrawImage(painter, rect, image, ShowMode(m_backMode), m_backParam);
    if (m_style & kWsPopup) {
        painter.setPen(border);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    }
}

void MWindow::HostResized()
{
    OnSize(m_host->width(), m_host->height());
}

void MWindow::HostTimer(int qtTimerId)
{
    if (qtTimerId == m_timerId)
        OnTimer(kLibraryTimer);
}

void MWindow::HostDestroyed()
{
    // The host went away without DestroyWindow (its parent window was deleted).
    if (m_host)
        WindowRegistry::Unregister(m_handle);
    m_host = nullptr;
    m_handle = 0;
    if (m_loop)
        EndModal(kIdCancel);
    if (m_autoDelete)
        DeleteLater();
}
