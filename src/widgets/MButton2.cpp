#include "widgets/MButton2.h"

#include "widgets/Theme.h"

#include <QPainter>

MButton2::MButton2(QWidget* parent) : MButton(parent)
{
    m_textColor = QColor(0x0f, 0x1d, 0x1c);
    SetBold(true);
}

void MButton2::PaintFace(QPainter& painter)
{
    if (DrawSkin(painter, rect(), VisualState()))
        return;
    QColor fill = Theme::kAccent;
    if (!isEnabled())
        fill = Theme::kRaised;
    else if (IsPressed())
        fill = Theme::kAccentPressed;
    else if (IsHovered())
        fill = Theme::kAccentHover;
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()), 6, 6);
}
