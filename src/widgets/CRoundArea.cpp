#include "widgets/CRoundArea.h"

#include "widgets/Colors.h"
#include "widgets/Theme.h"

#include <QPainter>

void CRoundArea::SetBackColor(uint32_t bgr)
{
    m_customColor = true;
    m_bgr = bgr;
    update();
}

void CRoundArea::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (DrawSkin(painter, rect(), 0))
        return;
    painter.setPen(QPen(Theme::kBorder, 1));
    painter.setBrush(m_customColor ? ColorFromBgr(m_bgr) : Theme::kSurface);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), m_radius, m_radius);
    if (!m_title.isEmpty())
        DrawTitle(painter, QRect(14, 8, width() - 28, 24), Theme::kText, false);
}
