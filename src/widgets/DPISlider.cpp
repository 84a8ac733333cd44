#include "widgets/DPISlider.h"

#include "widgets/MRender.h"
#include "widgets/Theme.h"

#include <QPainter>

DPISlider::DPISlider(QWidget* parent) : MSlider(parent)
{
    m_max = 520;
}

QRect DPISlider::TrackRect() const
{
    return QRect(14, height() - 22, width() - 28, 8);
}

void DPISlider::PaintValue(QPainter& painter)
{
    const QPixmap back = MRender::LoadImage(m_backImage);
    Q_UNUSED(back);
    painter.setFont(Theme::Font(13));
    painter.setPen(Theme::kTextDim);
    const QRect track = TrackRect();
    painter.drawText(QRect(track.left(), 0, 120, track.top() - 6), Qt::AlignLeft | Qt::AlignBottom,
        QString::number(m_min * m_factor));
    painter.drawText(QRect(track.right() - 120, 0, 120, track.top() - 6), Qt::AlignRight | Qt::AlignBottom,
        QString::number(m_max * m_factor));
    painter.setFont(Theme::Font(15, true));
    painter.setPen(Theme::kAccent);
    const int x = PositionToX(m_position);
    painter.drawText(QRect(x - 60, 0, 120, track.top() - 6), Qt::AlignHCenter | Qt::AlignBottom,
        QString::number(m_position * m_factor));
}
