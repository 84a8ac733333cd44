#include "widgets/MSlider.h"

#include "widgets/Theme.h"

#include <QMouseEvent>
#include <QPainter>

MSlider::MSlider(QWidget* parent) : MControl(parent)
{
    setCursor(Qt::PointingHandCursor);
}

void MSlider::SetProgress(int32_t position)
{
    m_position = std::clamp(position, m_min, m_max);
    update();
}

void MSlider::SetMaxRange(int32_t upper)
{
    m_max = std::max(upper, m_min);
    m_position = std::clamp(m_position, m_min, m_max);
    update();
}

void MSlider::SetMinRange(int32_t lower)
{
    m_min = std::min(lower, m_max);
    m_position = std::clamp(m_position, m_min, m_max);
    update();
}

QRect MSlider::TrackRect() const
{
    return QRect(10, height() / 2 - 3, width() - 20, 6);
}

int32_t MSlider::PositionToX(int32_t position) const
{
    const QRect track = TrackRect();
    const int span = std::max(1, m_max - m_min);
    return track.left() + int((long long)(position - m_min) * track.width() / span);
}

int32_t MSlider::XToPosition(int32_t x) const
{
    const QRect track = TrackRect();
    const int span = m_max - m_min;
    const double t = std::clamp(double(x - track.left()) / std::max(1, track.width()), 0.0, 1.0);
    return m_min + int(t * span + 0.5);
}

void MSlider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect track = TrackRect();
    if (!DrawSkin(painter, track, 0)) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::kHover);
        painter.drawRoundedRect(QRectF(track), track.height() / 2.0, track.height() / 2.0);
    }
    const int x = PositionToX(m_position);
    painter.setPen(Qt::NoPen);
    painter.setBrush(isEnabled() ? Theme::kAccent : Theme::kTextDisabled);
    painter.drawRoundedRect(QRectF(track.left(), track.top(), x - track.left(), track.height()), track.height() / 2.0, track.height() / 2.0);
    painter.setBrush(Theme::kText);
    painter.setPen(QPen(isEnabled() ? Theme::kAccent : Theme::kTextDisabled, 2));
    painter.drawEllipse(QPointF(x, track.center().y() + 0.5), 8, 8);
    PaintValue(painter);
}

void MSlider::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    m_dragging = true;
    const int32_t position = XToPosition(event->position().toPoint().x());
    if (position != m_position) {
        SetProgress(position);
        Notify(kNotifySliding, m_position);
    }
}

void MSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return;
    const int32_t position = XToPosition(event->position().toPoint().x());
    if (position != m_position) {
        SetProgress(position);
        Notify(kNotifySliding, m_position);
    }
}

void MSlider::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (!m_dragging || event->button() != Qt::LeftButton)
        return;
    m_dragging = false;
    SetProgress(XToPosition(event->position().toPoint().x()));
    Notify(kNotifyClick, m_position);
}
