#include "widgets/CImageButton.h"

#include "widgets/MRender.h"
#include "widgets/Theme.h"

#include <QPainter>

CImageButton::CImageButton(QWidget* parent) : MButton(parent)
{
    m_alignment = kAlignLeft;
}

void CImageButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPixmap frame = MRender::StateFrame(SkinImage(), GetImageStates(), VisualState());
    QRect imageRect = rect();
    if (!m_title.isEmpty())
        imageRect.setWidth(std::min(width(), height()));
    if (!frame.isNull()) {
        MRender::DrawImage(painter, imageRect, frame, ShowMode::Center);
    } else {
        painter.setPen(QPen(IsHovered() ? Theme::kAccent : Theme::kBorder, 1));
        painter.setBrush(IsPressed() ? Theme::kAccentPressed : Theme::kRaised);
        painter.drawRoundedRect(QRectF(imageRect).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    }
    if (!m_title.isEmpty())
        DrawTitle(painter, rect().adjusted(imageRect.width() + 6, 0, 0, 0), IsHovered() ? Theme::kAccentHover : TitleColor(), false);
}
