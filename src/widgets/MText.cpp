#include "widgets/MText.h"

#include "widgets/Theme.h"

#include <QPainter>

void MText::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    DrawSkin(painter, rect(), 0);
    DrawTitle(painter, rect(), isEnabled() ? m_textColor : Theme::kTextDisabled);
}
