#include "widgets/MButton3.h"

#include "widgets/Theme.h"

#include <QPainter>

void MButton3::OnClicked()
{
    SetCheck(!GetCheck());
    MButton::OnClicked();
}

void MButton3::PaintFace(QPainter& painter)
{
    if (DrawSkin(painter, rect(), VisualState() + (GetCheck() ? 4 : 0)))
        return;
    const bool on = GetCheck();
    painter.setPen(QPen(on ? Theme::kAccent : (IsHovered() ? Theme::kTextDim : Theme::kBorder), 1));
    QColor fill = on ? QColor(0x1d, 0x3d, 0x3b) : Theme::kRaised;
    if (!isEnabled())
        fill = Theme::kSurface;
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), height() / 2.0, height() / 2.0);
}
