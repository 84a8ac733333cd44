#include "widgets/CDeviceState.h"

#include "widgets/Theme.h"

#include <QPainter>

void CDeviceState::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!DrawSkin(painter, rect(), 0)) {
        painter.setPen(QPen(Theme::kBorder, 1));
        painter.setBrush(Theme::kSurface);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), height() / 2.0, height() / 2.0);
    }
    const QColor dot = m_state != 0 ? Theme::kAccent : Theme::kDanger;
    painter.setPen(Qt::NoPen);
    painter.setBrush(dot);
    painter.drawEllipse(QPointF(16, height() / 2.0), 4.5, 4.5);
    DrawTitle(painter, rect().adjusted(28, 0, -10, 0), m_textColor, false);
}
