#include "widgets/CCheckButton.h"

#include "widgets/MRender.h"
#include "widgets/Theme.h"

#include <QPainter>
#include <QPainterPath>

CCheckButton::CCheckButton(QWidget* parent) : MButton(parent)
{
    m_alignment = kAlignLeft;
}

void CCheckButton::OnClicked()
{
    SetCheck(!GetCheck());
    MButton::OnClicked();
}

void CCheckButton::PaintMark(QPainter& painter, const QRect& box, bool round)
{
    const int index = VisualState() + (GetCheck() ? 4 : 0);
    const QPixmap frame = MRender::StateFrame(SkinImage(), GetImageStates(), index);
    if (!frame.isNull()) {
        MRender::DrawImage(painter, box, frame, ShowMode::Stretch);
        return;
    }
    const QRectF r = QRectF(box).adjusted(1, 1, -1, -1);
    const QColor edge = !isEnabled() ? Theme::kTextDisabled : (GetCheck() || IsHovered() ? Theme::kAccent : Theme::kTextDim);
    painter.setPen(QPen(edge, 1.5));
    painter.setBrush(GetCheck() && !round ? edge : Theme::kRaised);
    if (round)
        painter.drawEllipse(r);
    else
        painter.drawRoundedRect(r, 3, 3);
    if (!GetCheck())
        return;
    if (round) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(edge);
        painter.drawEllipse(r.center(), r.width() / 4, r.height() / 4);
    } else {
        QPainterPath tick;
        tick.moveTo(r.left() + r.width() * 0.22, r.top() + r.height() * 0.52);
        tick.lineTo(r.left() + r.width() * 0.42, r.top() + r.height() * 0.72);
        tick.lineTo(r.left() + r.width() * 0.78, r.top() + r.height() * 0.30);
        painter.setPen(QPen(Theme::kWindow, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(tick);
    }
}

void CCheckButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = std::min(18, height());
    PaintMark(painter, QRect(0, (height() - side) / 2, side, side), false);
    DrawTitle(painter, rect().adjusted(side + 8, 0, 0, 0), TitleColor(), false);
}
