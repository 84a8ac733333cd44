#include "widgets/CTextButton.h"

#include "widgets/Theme.h"

#include <QPainter>

CTextButton::CTextButton(QWidget* parent) : MButton(parent)
{
    m_textColor = Theme::kAccent;
}

void CTextButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QFont font = m_font;
    font.setUnderline(IsHovered());
    painter.setFont(font);
    painter.setPen(!isEnabled() ? Theme::kTextDisabled : (IsHovered() ? Theme::kAccentHover : m_textColor));
    painter.drawText(rect(), int(GetQtAlignment()) | Qt::TextWordWrap, m_title);
}
