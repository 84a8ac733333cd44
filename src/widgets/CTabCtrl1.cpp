#include "widgets/CTabCtrl1.h"

#include "widgets/Theme.h"

#include <QMouseEvent>
#include <QPainter>

CTabCtrl1::CTabCtrl1(QWidget* parent) : MControl(parent)
{
    setCursor(Qt::PointingHandCursor);
}

int32_t CTabCtrl1::AddItem(const QString& text)
{
    m_items.push_back({text, {}});
    update();
    return GetItemCount() - 1;
}

bool CTabCtrl1::SetItemText(int32_t index, const QString& text)
{
    if (index < 0 || index >= GetItemCount())
        return false;
    m_items[size_t(index)].text = text;
    update();
    return true;
}

QString CTabCtrl1::GetItemText(int32_t index) const
{
    return index >= 0 && index < GetItemCount() ? m_items[size_t(index)].text : QString();
}

void CTabCtrl1::BindPage(int32_t index, QWidget* page)
{
    if (index < 0 || index >= GetItemCount())
        return;
    m_items[size_t(index)].page = page;
    if (page)
        page->setVisible(index == m_selected);
}

bool CTabCtrl1::SetSelectItem(int32_t index)
{
    if (index < -1 || index >= GetItemCount())
        return false;
    m_selected = index;
    for (int32_t i = 0; i < GetItemCount(); ++i) {
        if (QWidget* page = m_items[size_t(i)].page)
            page->setVisible(i == index);
    }
    update();
    return true;
}

QRect CTabCtrl1::GetItemRect(int32_t index) const
{
    if (index < 0 || index >= GetItemCount())
        return {};
    const int w = width() / std::max(1, GetItemCount());
    return QRect(index * w, 0, w, height());
}

void CTabCtrl1::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::kSurface);
    painter.drawRoundedRect(QRectF(rect()), 8, 8);
    for (int32_t i = 0; i < GetItemCount(); ++i) {
        const QRect r = GetItemRect(i).adjusted(3, 3, -3, -3);
        const bool selected = i == m_selected;
        if (selected) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(Theme::kRaised);
            painter.drawRoundedRect(QRectF(r), 6, 6);
            painter.setBrush(Theme::kAccent);
            painter.drawRoundedRect(QRectF(r.left() + r.width() / 3, r.bottom() - 2, r.width() / 3, 3), 1.5, 1.5);
        }
        painter.setFont(Theme::Font(15, selected));
        painter.setPen(selected ? Theme::kText : Theme::kTextDim);
        painter.drawText(r, Qt::AlignCenter, m_items[size_t(i)].text);
    }
}

void CTabCtrl1::mousePressEvent(QMouseEvent* event)
{
    m_pressed = -1;
    for (int32_t i = 0; i < GetItemCount(); ++i) {
        if (GetItemRect(i).contains(event->position().toPoint()))
            m_pressed = i;
    }
    event->accept();
}

void CTabCtrl1::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    const int32_t pressed = m_pressed;
    m_pressed = -1;
    if (pressed >= 0 && isEnabled() && GetItemRect(pressed).contains(event->position().toPoint())) {
        SetSelectItem(pressed);
        Notify(kNotifyClick, pressed);
    }
}
