#include "widgets/KeyFuncValue.h"

#include "widgets/Theme.h"

#include <QPainter>

KeyFuncValue::KeyFuncValue(QWidget* parent) : MListBase(parent)
{
    m_rowHeight = 34;
    m_columns = 2;
    m_spacing = 6;
    m_padding = 8;
}

int32_t KeyFuncValue::AddItem(const QString& text, int32_t value, int32_t extra)
{
    ListItem item;
    item.text = text;
    item.data = value;
    item.value = value;
    item.delay = extra;
    return InsertRecord(std::move(item), -1);
}

int32_t KeyFuncValue::GetItemExtra(int32_t index) const
{
    const ListItem* item = GetItem(index);
    return item ? item->delay : 0;
}

void KeyFuncValue::PaintItem(QPainter& painter, const QRect& rect, int32_t index, bool selected, bool hovered)
{
    painter.setPen(QPen(selected ? Theme::kAccent : Theme::kBorder, 1));
    painter.setBrush(selected ? QColor(0x1d, 0x3d, 0x3b) : (hovered ? Theme::kHover : Theme::kRaised));
    painter.drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    painter.setFont(m_font);
    painter.setPen(isEnabled() ? Theme::kText : Theme::kTextDisabled);
    painter.drawText(rect.adjusted(8, 0, -8, 0), Qt::AlignCenter,
        QFontMetrics(m_font).elidedText(m_items[size_t(index)].text, Qt::ElideRight, rect.width() - 16));
}
