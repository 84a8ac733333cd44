#include "widgets/CRadioButton.h"

#include <QPainter>

void CRadioButton::SetCheck(bool checked)
{
    if (checked && !m_group.isEmpty()) {
        for (CRadioButton* other : window()->findChildren<CRadioButton*>()) {
            if (other != this && other->m_group == m_group && other->GetCheck())
                other->MButton::SetCheck(false);
        }
    }
    MButton::SetCheck(checked);
}

void CRadioButton::OnClicked()
{
    SetCheck(true);
    MButton::OnClicked();
}

void CRadioButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = std::min(18, height());
    PaintMark(painter, QRect(0, (height() - side) / 2, side, side), true);
    DrawTitle(painter, rect().adjusted(side + 8, 0, 0, 0), TitleColor(), false);
}
