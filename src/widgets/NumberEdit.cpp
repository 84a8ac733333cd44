#include "widgets/NumberEdit.h"

#include "widgets/Theme.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

NumberEdit::NumberEdit(QWidget* parent) : MEdit(parent)
{
    SetAlignment(kAlignCenter);
}

void NumberEdit::SetRange(int32_t minimum, int32_t maximum)
{
    m_min = std::min(minimum, maximum);
    m_max = std::max(minimum, maximum);
}

QRect NumberEdit::GetUpRect() const { return QRect(width() - 24, 0, 24, height() / 2); }
QRect NumberEdit::GetDownRect() const { return QRect(width() - 24, height() / 2, 24, height() - height() / 2); }

void NumberEdit::Step(int32_t direction)
{
    bool ok = false;
    long long value = GetEditText().trimmed().toLongLong(&ok);
    if (!ok)
        value = m_min;
    value = std::clamp<long long>(value + direction * m_step, m_min, m_max);
    SetTitle(QString::number(value));
    Notify(kNotifyClick);
}

void NumberEdit::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect up = GetUpRect();
    const QRect down = GetDownRect();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::kRaised);
    painter.drawRoundedRect(QRectF(up.united(down)).adjusted(1, 0, 0, 0), 6, 6);
    for (int i = 0; i < 2; ++i) {
        const QRect r = i == 0 ? up : down;
        const bool pressed = m_pressedButton == (i == 0 ? 1 : -1);
        const QPointF c = QRectF(r).center();
        QPainterPath arrow;
        const double d = i == 0 ? -1 : 1;
        arrow.moveTo(c.x() - 4, c.y() - 2 * d);
        arrow.lineTo(c.x() + 4, c.y() - 2 * d);
        arrow.lineTo(c.x(), c.y() + 3 * d);
        arrow.closeSubpath();
        painter.fillPath(arrow, pressed ? Theme::kAccent : (isEnabled() ? Theme::kTextDim : Theme::kTextDisabled));
    }
}

void NumberEdit::mousePressEvent(QMouseEvent* event)
{
    if (!isEnabled() || event->button() != Qt::LeftButton)
        return;
    if (GetUpRect().contains(event->position().toPoint()))
        m_pressedButton = 1;
    else if (GetDownRect().contains(event->position().toPoint()))
        m_pressedButton = -1;
    update();
}

void NumberEdit::mouseReleaseEvent(QMouseEvent* event)
{
    const int32_t pressed = m_pressedButton;
    m_pressedButton = 0;
    update();
    if (pressed == 1 && GetUpRect().contains(event->position().toPoint()))
        Step(1);
    else if (pressed == -1 && GetDownRect().contains(event->position().toPoint()))
        Step(-1);
}
