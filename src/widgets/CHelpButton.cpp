#include "widgets/CHelpButton.h"

#include "widgets/MRender.h"
#include "widgets/Theme.h"

#include <QPainter>

void CHelpButton::SetTitle(const QString& text)
{
    m_title = text;
    setToolTip(text);
}

void CHelpButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = std::min(width(), height());
    const QRect circle((width() - side) / 2, (height() - side) / 2, side, side);
    const QPixmap frame = MRender::StateFrame(SkinImage(), GetImageStates(), VisualState());
    if (!frame.isNull()) {
        MRender::DrawImage(painter, circle, frame, ShowMode::Center);
        return;
    }
    painter.setPen(QPen(IsHovered() ? Theme::kAccent : Theme::kTextDim, 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(circle).adjusted(1, 1, -1, -1));
    painter.setFont(Theme::Font(side * 2 / 3, true));
    painter.drawText(circle, Qt::AlignCenter, QStringLiteral("?"));
}
