#include "widgets/CArea.h"

#include "widgets/Colors.h"
#include "widgets/Theme.h"

#include <QPainter>

void CArea::SetTransparent(int32_t transparency, int32_t radius, uint32_t bgrColor)
{
    m_hasFill = true;
    m_transparency = std::clamp(transparency, 0, 255);
    m_radius = std::max(0, radius);
    m_fillBgr = bgrColor;
    update();
}

void CArea::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (DrawSkin(painter, rect(), 0)) {
        // the skin is the frame
    } else if (m_hasFill) {
        QColor color = ColorFromBgr(m_fillBgr);
        color.setAlpha(255 - m_transparency);
        painter.setPen(QPen(Theme::kBorder, 1));
        painter.setBrush(color);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), m_radius, m_radius);
    } else {
        painter.setPen(QPen(Theme::kBorder, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    }
    if (!m_title.isEmpty()) {
        const QRect caption(10, 4, width() - 20, 22);
        DrawTitle(painter, caption, Theme::kTextDim, false);
    }
}
