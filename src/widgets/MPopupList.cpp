#include "widgets/MPopupList.h"

#include "widgets/Theme.h"

#include <QKeyEvent>
#include <QPainter>
#include <QWidget>

MPopupList* MPopupList::Open(WindowHandle owner, const QString& title, const QStringList& items,
    int32_t current, const QRect& screenRect, ChooseHandler onChoose)
{
    auto* popup = new MPopupList;
    popup->m_items = items;
    popup->m_current = current;
    popup->m_hover = current;
    popup->m_onChoose = std::move(onChoose);
    popup->SetAutoDelete(true);
    int height = 8;
    for (const QString& item : items)
        height += item.isEmpty() ? kSeparatorHeight : kRowHeight;
    const MRect rect{screenRect.left(), screenRect.top(), screenRect.left() + std::max(120, screenRect.width()),
        screenRect.top() + std::min(height, 420)};
    popup->Create(owner, title, kWsPopup, kWsExToolWindow | kWsExTopmost, rect);
    popup->GetWidget()->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
    popup->ShowWindow(kSwShow);
    return popup;
}

QRect MPopupList::GetItemRect(int32_t index) const
{
    int y = 4;
    for (int32_t i = 0; i < int32_t(m_items.size()); ++i) {
        const int h = m_items[i].isEmpty() ? kSeparatorHeight : kRowHeight;
        if (i == index)
            return QRect(4, y, GetClientRect().Width() - 8, h);
        y += h;
    }
    return {};
}

int32_t MPopupList::HitTest(const QPoint& point) const
{
    for (int32_t i = 0; i < int32_t(m_items.size()); ++i) {
        if (!m_items[i].isEmpty() && GetItemRect(i).contains(point))
            return i;
    }
    return -1;
}

bool MPopupList::OnNcActivate(bool)
{
    return true;
}

void MPopupList::OnPaint(QPainter& painter)
{
    const MRect client = GetClientRect();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(client.ToQRect(), Theme::kRaised);
    painter.setPen(Theme::kBorder);
    painter.drawRect(client.ToQRect().adjusted(0, 0, -1, -1));
    painter.setFont(Theme::Font(14));
    for (int32_t i = 0; i < int32_t(m_items.size()); ++i) {
        const QRect r = GetItemRect(i);
        if (m_items[i].isEmpty()) {
            painter.setPen(Theme::kBorder);
            painter.drawLine(r.left() + 6, r.center().y(), r.right() - 6, r.center().y());
            continue;
        }
        if (i == m_hover) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(Theme::kHover);
            painter.drawRoundedRect(QRectF(r), 4, 4);
        }
        painter.setPen(i == m_current ? Theme::kAccent : Theme::kText);
        painter.drawText(r.adjusted(12, 0, -8, 0), Qt::AlignLeft | Qt::AlignVCenter, m_items[i]);
    }
}

void MPopupList::OnMouseMove(const QPoint& point)
{
    const int32_t hover = HitTest(point);
    if (hover != m_hover) {
        m_hover = hover;
        if (QWidget* widget = GetWidget())
            widget->update();
    }
}

void MPopupList::OnLButtonUp(const QPoint& point)
{
    const int32_t index = HitTest(point);
    if (index >= 0)
        Choose(index);
}

bool MPopupList::OnKeyDown(int32_t key)
{
    if (key == Qt::Key_Escape) {
        DestroyWindow();
        return true;
    }
    if (key == Qt::Key_Return && m_hover >= 0) {
        Choose(m_hover);
        return true;
    }
    return false;
}

void MPopupList::OnUserCloseWindow()
{
    DestroyWindow();
}

void MPopupList::Choose(int32_t index)
{
    ChooseHandler handler = std::move(m_onChoose);
    m_onChoose = nullptr;
    DestroyWindow();
    if (handler)
        handler(index);
}
