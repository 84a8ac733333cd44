#include "widgets/CColorButton.h"

#include "widgets/Colors.h"
#include "widgets/Theme.h"

#include <QPainter>

void CColorButton::SetCheck(bool checked)
{
    if (checked && !m_group.isEmpty()) {
        for (CColorButton* other : window()->findChildren<CColorButton*>()) {
            if (other != this && other->m_group == m_group && other->GetCheck())
                other->MButton::SetCheck(false);
        }
    }
    MButton::SetCheck(checked);
}

void CColorButton::OnClicked()
{
    SetCheck(true);
    MButton::OnClicked();
}

void CColorButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = std::min(width(), height());
    const QRectF outer((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    if (GetCheck() || IsHovered()) {
        painter.setPen(QPen(GetCheck() ? Theme::kAccent : Theme::kTextDim, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(outer.adjusted(1, 1, -1, -1));
    }
    painter.setPen(QPen(Theme::kBorder, 1));
    painter.setBrush(ColorFromBgr(m_bgr));
    painter.drawEllipse(outer.adjusted(4, 4, -4, -4));
}
