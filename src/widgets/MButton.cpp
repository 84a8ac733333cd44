#include "widgets/MButton.h"

#include "widgets/Theme.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

MButton::MButton(QWidget* parent) : MControlFont(parent)
{
    m_alignment = kAlignCenter;
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void MButton::SetCheck(bool checked)
{
    m_checked = checked;
    update();
}

void MButton::OnClicked()
{
    Notify(kNotifyClick);
}

QColor MButton::TitleColor() const
{
    if (!isEnabled())
        return Theme::kTextDisabled;
    return m_textColor;
}

void MButton::PaintFace(QPainter& painter)
{
    if (DrawSkin(painter, rect(), VisualState()))
        return;
    QColor fill = Theme::kRaised;
    if (!isEnabled())
        fill = Theme::kSurface;
    else if (IsPressed())
        fill = Theme::kAccentPressed;
    else if (IsHovered())
        fill = Theme::kHover;
    painter.setPen(QPen(IsHovered() && isEnabled() ? Theme::kAccent : Theme::kBorder, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
}

void MButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    PaintFace(painter);
    if (!m_title.isEmpty())
        DrawTitle(painter, rect().adjusted(6, 0, -6, 0), TitleColor());
}

void MButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && isEnabled())
        SetPressed(true);
    event->accept();
}

void MButton::mouseReleaseEvent(QMouseEvent* event)
{
    const bool wasPressed = IsPressed();
    SetPressed(false);
    if (event->button() == Qt::LeftButton && wasPressed && isEnabled() && rect().contains(event->position().toPoint()))
        OnClicked();
    event->accept();
}

void MButton::keyPressEvent(QKeyEvent* event)
{
    if (isEnabled() && (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return)) {
        OnClicked();
        return;
    }
    MControlFont::keyPressEvent(event);
}
