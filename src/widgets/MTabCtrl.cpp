#include "widgets/MTabCtrl.h"

#include "widgets/MRender.h"
#include "widgets/Theme.h"

#include <utility>
#include <QMouseEvent>
#include <QPainter>

MTabCtrl::MTabCtrl(QWidget* parent) : MControl(parent)
{
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
}

void MTabCtrl::AddPictures(std::vector<MRender::PictureRequest>& pictures) const
{
    MControl::AddPictures(pictures);
    for (const Item& item : m_items) {
        if (item.visible)
            pictures.push_back({item.icon, {}, 1});
    }
}

void MTabCtrl::SetLeftRightPading(int32_t left, int32_t right)
{
    m_padLeft = left;
    m_padRight = right;
    update();
}

void MTabCtrl::SetTopBottomPading(int32_t top, int32_t bottom)
{
    m_padTop = top;
    m_padBottom = bottom;
    update();
}

void MTabCtrl::SetItemWidth(int32_t normal, int32_t, int32_t)
{
    m_itemWidth = std::max(1, normal);
    update();
}

void MTabCtrl::SetItemHeight(int32_t normal, int32_t, int32_t)
{
    m_itemHeight = std::max(1, normal);
    update();
}

int32_t MTabCtrl::InsertItem(int32_t id, const QString& text, const QString& icon)
{
    m_items.push_back({id, text, icon, true});
    update();
    return GetItemCount() - 1;
}

bool MTabCtrl::SetItemText(int32_t id, const QString& text)
{
    const int32_t index = GetItemIndex(id);
    if (index < 0)
        return false;
    m_items[size_t(index)].text = text;
    update();
    return true;
}

QString MTabCtrl::GetItemText(int32_t id) const
{
    const int32_t index = GetItemIndex(id);
    return index < 0 ? QString() : m_items[size_t(index)].text;
}

bool MTabCtrl::SetItemVisible(int32_t id, bool visible)
{
    const int32_t index = GetItemIndex(id);
    if (index < 0)
        return false;
    m_items[size_t(index)].visible = visible;
    update();
    return true;
}

bool MTabCtrl::IsItemVisible(int32_t id) const
{
    const int32_t index = GetItemIndex(id);
    return index >= 0 && m_items[size_t(index)].visible;
}

int32_t MTabCtrl::GetItemId(int32_t index) const
{
    return index >= 0 && index < GetItemCount() ? m_items[size_t(index)].id : -1;
}

int32_t MTabCtrl::GetItemIndex(int32_t id) const
{
    for (int32_t i = 0; i < GetItemCount(); ++i) {
        if (m_items[size_t(i)].id == id)
            return i;
    }
    return -1;
}

bool MTabCtrl::SetSelectItem(int32_t index)
{
    if (index < -1 || index >= GetItemCount())
        return false;
    m_selected = index;
    update();
    return true;
}

QRect MTabCtrl::GetItemRect(int32_t index) const
{
    if (index < 0 || index >= GetItemCount() || !m_items[size_t(index)].visible)
        return {};
    int slot = 0;
    for (int32_t i = 0; i < index; ++i)
        slot += m_items[size_t(i)].visible ? 1 : 0;
    if (Vertical())
        return QRect(m_padLeft, m_padTop + slot * m_itemHeight, std::min(width() - m_padLeft, m_itemWidth), m_itemHeight);
    return QRect(m_padLeft + slot * m_itemWidth, m_padTop, m_itemWidth, std::min(height() - m_padTop, m_itemHeight));
}

int32_t MTabCtrl::HitTest(const QPoint& point) const
{
    for (int32_t i = 0; i < GetItemCount(); ++i) {
        if (GetItemRect(i).contains(point))
            return i;
    }
    return -1;
}

void MTabCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Disabled (while a page records), the tabs fade.
    const qreal fade = isEnabled() ? 1.0 : 0.45;
    painter.setOpacity(fade);
    const QPixmap skin = SkinImage();
    for (int32_t i = 0; i < GetItemCount(); ++i) {
        const QRect r = GetItemRect(i);
        if (r.isEmpty())
            continue;
        const Item& item = m_items[size_t(i)];
        const bool selected = i == m_selected;
        const bool hovered = i == m_hover;
        if (!skin.isNull() && (selected || hovered)) {
            MRender::DrawImage(painter, r, MRender::StateFrame(skin, GetImageStates(), selected ? 2 : 1), ShowMode::Stretch);
        } else if (selected || hovered) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(selected ? QColor(0x1d, 0x3d, 0x3b) : Theme::kHover);
            painter.drawRect(r);
        }
        if (selected) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(Theme::kAccent);
            if (Vertical())
                painter.drawRoundedRect(QRectF(r.left(), r.top() + 12, 4, r.height() - 24), 2, 2);
            else
                painter.drawRoundedRect(QRectF(r.left() + 12, r.bottom() - 3, r.width() - 24, 3), 1.5, 1.5);
        }
        const QPixmap icon = MRender::LoadImage(item.icon);
        int x = r.left() + 30;
        if (!icon.isNull()) {
            painter.setOpacity((selected || hovered ? 1.0 : 0.7) * fade);
            MRender::DrawImage(painter, QRect(x, r.top() + (r.height() - 24) / 2, 24, 24),
                MRender::StateFrame(icon, icon.width() >= icon.height() * 2 ? 2 : 1, selected ? 1 : 0), ShowMode::Center);
            painter.setOpacity(fade);
            x += 36;
        }
        painter.setFont(Theme::Font(15, selected));
        painter.setPen(selected ? Theme::kText : Theme::kTextDim);
        painter.drawText(QRect(x, r.top(), r.right() - x, r.height()), Qt::AlignLeft | Qt::AlignVCenter, item.text);
    }
}

void MTabCtrl::mouseMoveEvent(QMouseEvent* event)
{
    const int32_t hover = HitTest(event->position().toPoint());
    if (hover != m_hover) {
        m_hover = hover;
        update();
    }
}

void MTabCtrl::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton ? HitTest(event->position().toPoint()) : -1;
    event->accept();
}

void MTabCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    const int32_t index = HitTest(event->position().toPoint());
    const bool same = index >= 0 && index == m_pressed;
    m_pressed = -1;
    event->accept();
    if (same && isEnabled() && event->button() == Qt::LeftButton) {
        SetSelectItem(index);
        Notify(kNotifyClick, index);
    }
}

void MTabCtrl::leaveEvent(QEvent* event)
{
    if (std::exchange(m_hover, -1) >= 0)
        update();
    MControl::leaveEvent(event);
}
