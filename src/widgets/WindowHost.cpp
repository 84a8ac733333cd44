#include "widgets/WindowHost.h"

#include "widgets/MWindow.h"
#include "widgets/WindowEvents.h"
#include "widgets/WindowRegistry.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

WindowHost::WindowHost(MWindow* owner, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), m_owner(owner)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
}

WindowHost::~WindowHost()
{
    WindowRegistry::Unregister(m_handle);
    if (MWindow* owner = m_owner) {
        m_owner = nullptr;
        owner->HostDestroyed();
    }
}

void WindowHost::ReleaseDrawing()
{
    if (m_drawingHolds == 0 || --m_drawingHolds > 0 || !m_drawingDeferred)
        return;
    m_drawingDeferred = false;
    // Delivered late rather than dropped: Qt asks for no other repaint of
    // this window until this one is made.
    QCoreApplication::postEvent(this, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
}

bool WindowHost::event(QEvent* event)
{
    WindowRegistry::SyncWithPosters();
    if (event->type() == QEvent::UpdateRequest && m_drawingHolds > 0) {
        m_drawingDeferred = true;
        return true;
    }
    if (event->type() == WindowMessageEvent::kType) {
        auto* message = static_cast<WindowMessageEvent*>(event);
        if (m_owner)
            m_owner->OnWindowMessage(message->m_message, message->m_wParam, message->m_lParam);
        return true;
    }
    if (event->type() == WindowCallEvent::kType) {
        auto* call = static_cast<WindowCallEvent*>(event);
        if (m_owner)
            call->m_call();
        return true;
    }
    return QWidget::event(event);
}

void WindowHost::paintEvent(QPaintEvent*)
{
    if (!m_owner)
        return;
    QPainter painter(this);
    m_owner->HostPaint(painter);
    if (m_owner)
        m_owner->OnPaint(painter);
}

void WindowHost::resizeEvent(QResizeEvent*)
{
    if (m_owner)
        m_owner->HostResized();
}

void WindowHost::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_dragEnabled && !isMaximized()) {
        m_dragging = true;
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
    if (event->button() == Qt::LeftButton && m_owner)
        m_owner->OnLButtonDown(event->position().toPoint());
}

void WindowHost::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - m_dragOffset);
    if (m_owner)
        m_owner->OnMouseMove(event->position().toPoint());
}

void WindowHost::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragging = false;
    if (!m_owner)
        return;
    if (event->button() == Qt::LeftButton)
        m_owner->OnLButtonUp(event->position().toPoint());
    else if (event->button() == Qt::RightButton)
        m_owner->OnRButtonUp(event->position().toPoint());
}

void WindowHost::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (m_owner && event->button() == Qt::LeftButton)
        m_owner->OnLButtonDblClk(event->position().toPoint());
}

void WindowHost::keyPressEvent(QKeyEvent* event)
{
    if (m_owner && (m_owner->PreTranslateMessage(0x0100, uintptr_t(event->key()), 0) || m_owner->OnKeyDown(event->key())))
        return;
    QWidget::keyPressEvent(event);
}

void WindowHost::keyReleaseEvent(QKeyEvent* event)
{
    if (m_owner && m_owner->OnKeyUp(event->key()))
        return;
    QWidget::keyReleaseEvent(event);
}

void WindowHost::closeEvent(QCloseEvent* event)
{
    // The window's own logic decides; the host never closes itself.
    event->ignore();
    if (m_owner)
        m_owner->OnUserCloseWindow();
}

void WindowHost::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && m_owner)
        m_owner->OnNcActivate(isActiveWindow());
    QWidget::changeEvent(event);
}

void WindowHost::timerEvent(QTimerEvent* event)
{
    if (m_owner)
        m_owner->HostTimer(event->timerId());
}
