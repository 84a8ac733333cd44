#include "widgets/DPISlider.h"

#include "widgets/Theme.h"

#include <QPainter>

DPISlider::DPISlider(QWidget* parent) : MSlider(parent)
{
    m_max = 520;
}

QRect DPISlider::TrackRect() const
{
    // value above the track, the range's ends below it
    return QRect(14, height() / 2 - 1, width() - 28, 8);
}

void DPISlider::PaintValue(QPainter& painter)
{
    const QRect track = TrackRect();
    painter.setFont(Theme::Font(12));
    painter.setPen(Theme::kTextDim);
    const QRect below(track.left() - 4, track.bottom() + 6, track.width() + 8, height() - track.bottom() - 6);
    painter.drawText(below, Qt::AlignLeft | Qt::AlignTop, QString::number(m_min * m_factor));
    painter.drawText(below, Qt::AlignRight | Qt::AlignTop, QString::number(m_max * m_factor));
    painter.setFont(Theme::Font(15, true));
    painter.setPen(isEnabled() ? Theme::kAccent : Theme::kTextDisabled);
    const int x = PositionToX(m_position);
    const int half = 50;
    const int left = std::clamp(x - half, 0, std::max(0, width() - 2 * half));
    painter.drawText(QRect(left, 0, 2 * half, track.top() - 8), Qt::AlignHCenter | Qt::AlignBottom,
        QString::number(m_position * m_factor));
}
