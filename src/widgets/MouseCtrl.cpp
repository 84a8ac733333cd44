#include "widgets/MouseCtrl.h"

#include "widgets/Theme.h"

#include <QMouseEvent>
#include <QPainter>

MouseCtrl::MouseCtrl(QWidget* parent) : MControl(parent)
{
    setMouseTracking(true);
}

void MouseCtrl::DeleteAllItems()
{
    m_items.clear();
    m_selected = -1;
    m_hover = -1;
    update();
}

int32_t MouseCtrl::AddItem(const QString& label, int32_t keyValue, int32_t side, const QPoint& start, const QPoint& end)
{
    m_items.push_back({label, keyValue, side, start, end});
    update();
    return GetItemCount() - 1;
}

bool MouseCtrl::SetSelectItem(int32_t index)
{
    if (index < -1 || index >= GetItemCount())
        return false;
    m_selected = index;
    update();
    return true;
}

int32_t MouseCtrl::GetItemKeyValue(int32_t index) const
{
    return index >= 0 && index < GetItemCount() ? m_items[size_t(index)].keyValue : -1;
}

QString MouseCtrl::GetItemText(int32_t index) const
{
    return index >= 0 && index < GetItemCount() ? m_items[size_t(index)].label : QString();
}

int32_t MouseCtrl::SetItemKeyDesc(int32_t keyValue, const QString& text)
{
    int32_t changed = 0;
    for (Marker& marker : m_items) {
        if (marker.keyValue == keyValue) {
            marker.label = text;
            ++changed;
        }
    }
    update();
    return changed;
}

QRect MouseCtrl::GetLabelRect(int32_t index) const
{
    if (index < 0 || index >= GetItemCount())
        return {};
    const Marker& m = m_items[size_t(index)];
    const int left = std::min(m.start.x(), m.end.x());
    const int right = std::max(m.start.x(), m.end.x());
    const int y = m.start.y() - kLabelHeight / 2;
    if (m.side == 0)
        return QRect(left - kLabelWidth, y, kLabelWidth, kLabelHeight);
    return QRect(right, y, kLabelWidth, kLabelHeight);
}

int32_t MouseCtrl::HitTest(const QPoint& point) const
{
    for (int32_t i = GetItemCount() - 1; i >= 0; --i) {
        if (GetLabelRect(i).contains(point))
            return i;
    }
    return -1;
}

void MouseCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawSkin(painter, rect(), 0);
    for (int32_t i = 0; i < GetItemCount(); ++i) {
        const Marker& m = m_items[size_t(i)];
        const bool selected = i == m_selected;
        const bool hovered = i == m_hover;
        const QColor line = selected ? Theme::kAccent : Theme::kTextDim;
        const QRect label = GetLabelRect(i);
        const QPoint dot = m.side == 0 ? QPoint(std::max(m.start.x(), m.end.x()), m.start.y())
                                       : QPoint(std::min(m.start.x(), m.end.x()), m.start.y());
        painter.setPen(QPen(line, selected ? 1.6 : 1.0));
        painter.drawLine(QPoint(m.side == 0 ? label.right() : label.left(), m.start.y()), dot);
        painter.setPen(QPen(Theme::kWindow, 2));
        painter.setBrush(line);
        painter.drawEllipse(QPointF(dot), 4.5, 4.5);
        painter.setPen(QPen(selected ? Theme::kAccent : (hovered ? Theme::kTextDim : Theme::kBorder), 1));
        painter.setBrush(selected ? QColor(0x1d, 0x3d, 0x3b) : Theme::kRaised);
        painter.drawRoundedRect(QRectF(label).adjusted(0.5, 0.5, -0.5, -0.5), kLabelHeight / 2.0, kLabelHeight / 2.0);
        painter.setFont(Theme::Font(13, selected));
        painter.setPen(Theme::kText);
        painter.drawText(label.adjusted(10, 0, -10, 0), Qt::AlignCenter,
            QFontMetrics(painter.font()).elidedText(m.label, Qt::ElideRight, label.width() - 20));
    }
}

void MouseCtrl::mouseMoveEvent(QMouseEvent* event)
{
    const int32_t hover = HitTest(event->position().toPoint());
    if (hover != m_hover) {
        m_hover = hover;
        setCursor(hover >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
        update();
    }
}

void MouseCtrl::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton ? HitTest(event->position().toPoint()) : -1;
    if (m_pressed >= 0)
        event->accept();
    else
        event->ignore();
}

void MouseCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    const int32_t index = HitTest(event->position().toPoint());
    const bool same = index >= 0 && index == m_pressed;
    m_pressed = -1;
    if (same && isEnabled()) {
        SetSelectItem(index);
        Notify(kNotifyClick, index);
    }
}
