#include "widgets/MControl.h"

#include "widgets/MRender.h"
#include "widgets/MWindow.h"
#include "widgets/Theme.h"
#include "widgets/WindowHost.h"
#include "widgets/WindowRegistry.h"

#include <QPainter>
#include <QTimer>
#include <QTimerEvent>

#include <memory>
#include <utility>

// No Qt::WA_Hover: with it Qt repaints every control the pointer enters or
// leaves, window-sized areas included; enterEvent and leaveEvent repaint only
// the controls that draw hover.
MControl::MControl(QWidget* parent) : QWidget(parent), m_textColor(Theme::kText) {}

void MControl::SetEnabled(bool enabled)
{
    setEnabled(enabled);
    update();
}

void MControl::SetRect(const MRect& rect)
{
    QPoint origin(0, 0);
    if (QWidget* parent = parentWidget(); parent && !parent->isWindow())
        origin = parent->mapTo(parent->window(), QPoint(0, 0));
    setGeometry(rect.left - origin.x(), rect.top - origin.y(), std::max(0, rect.Width()), std::max(0, rect.Height()));
}

MRect MControl::GetRect() const
{
    const QPoint topLeft = isWindow() ? QPoint(0, 0) : mapTo(window(), QPoint(0, 0));
    return {topLeft.x(), topLeft.y(), topLeft.x() + width(), topLeft.y() + height()};
}

void MControl::OnFocus(bool focus)
{
    if (focus)
        setFocus(Qt::OtherFocusReason);
    else if (QWidget* focused = window()->focusWidget(); focused && (focused == this || isAncestorOf(focused)))
        focused->clearFocus();
}

void MControl::AddMTimer(int32_t intervalMs)
{
    KillMTimer();
    if (intervalMs > 0) {
        m_timerId = startTimer(intervalMs);
        m_timerInterval = intervalMs;
    }
}

void MControl::KillMTimer()
{
    if (m_timerId != 0)
        killTimer(m_timerId);
    m_timerId = 0;
}

void MControl::SetImage(const QString& file, int32_t states)
{
    m_imageFile = file;
    m_imageStates = std::max(1, states);
    update();
}

void MControl::SetShowMode(ShowMode mode, int32_t param)
{
    m_showMode = mode;
    m_showParam = param;
    update();
}

void MControl::SetTextColor(uint32_t argb)
{
    m_textColor = QColor::fromRgba(argb);
    update();
}

MWindow* MControl::GetOwnerWindow() const
{
    auto* host = dynamic_cast<WindowHost*>(window());
    return host ? host->Owner() : nullptr;
}

void MControl::Notify(int32_t code, intptr_t param, intptr_t lParam)
{
    if (MWindow* owner = GetOwnerWindow())
        owner->OnMessage(m_id, code, param, lParam);
}

bool MControl::PostToWindow(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    auto* host = dynamic_cast<WindowHost*>(window());
    return host && WindowRegistry::PostMessage(host->Handle(), message, wParam, lParam);
}

int32_t MControl::VisualState() const
{
    if (!isEnabled())
        return 3;
    if (m_pressed)
        return 2;
    if (m_hover)
        return 1;
    return 0;
}

QPixmap MControl::SkinImage() const
{
    return MRender::LoadImage(m_imageFile);
}

void MControl::AddPictures(std::vector<MRender::PictureRequest>& pictures) const
{
    pictures.push_back({m_imageFile, {}, 1});
}

bool MControl::PrefetchPictures(const QWidget* root, std::function<void()> whenDecoded)
{
    std::vector<MRender::PictureRequest> pictures;
    if (const auto* control = dynamic_cast<const MControl*>(root))
        control->AddPictures(pictures);
    for (const QWidget* widget : root->findChildren<QWidget*>()) {
        const auto* control = dynamic_cast<const MControl*>(widget);
        if (control && control->isVisibleTo(root))
            control->AddPictures(pictures);
    }
    return MRender::Prefetch(pictures, std::move(whenDecoded));
}

void MControl::PrefetchBeforeDrawing(QWidget* window)
{
    // A window not on screen yet is drawn when it appears, with whatever its
    // first drawing needs: holding it would only delay that.
    if (!window->isVisible())
        return;
    auto* host = dynamic_cast<WindowHost*>(window);
    if (!host) {
        PrefetchPictures(window);
        return;
    }
    // Released by whichever comes first: the decoding's end or the time
    // limit. Both run on the interface thread, in calls that only run while
    // the window exists: the timer's, and the one posted to the window.
    auto held = std::make_shared<bool>(true);
    const auto release = [host, held] {
        if (std::exchange(*held, false))
            host->ReleaseDrawing();
    };
    const WindowHandle handle = host->Handle();
    if (!PrefetchPictures(window, [handle, release] { WindowRegistry::PostCall(handle, release); }))
        return;
    host->HoldDrawing();
    QTimer::singleShot(kPrefetchHoldMs, host, release);
}

bool MControl::DrawSkin(QPainter& painter, const QRect& rect, int32_t index) const
{
    const QPixmap strip = SkinImage();
    if (strip.isNull())
        return false;
    const QPixmap frame = MRender::StateFrame(strip, m_imageStates, index);
    const int border = m_showParam >= 0 ? m_showParam : std::min(int(frame.deviceIndependentSize().height()) / 2 - 1, 10);
    MRender::DrawImage(painter, rect, frame, m_showMode, border);
    return true;
}

void MControl::enterEvent(QEnterEvent* event)
{
    m_hover = true;
    if (DrawsHover())
        update();
    QWidget::enterEvent(event);
}

void MControl::leaveEvent(QEvent* event)
{
    m_hover = false;
    if (DrawsHover())
        update();
    QWidget::leaveEvent(event);
}

void MControl::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_timerId)
        OnMTimer();
    else
        QWidget::timerEvent(event);
}
