#include "widgets/ReporteCtrl.h"

#include "widgets/Colors.h"
#include "widgets/Theme.h"

#include <QPainter>

ReporteCtrl::ReporteCtrl(QWidget* parent) : MListBase(parent)
{
    m_drawFrame = true;
}

int32_t ReporteCtrl::AddItem(const QString& label, int32_t code, uint32_t bgrColor)
{
    ListItem item;
    item.text = label;
    item.data = code;
    item.value = code;
    item.color = bgrColor;
    return InsertRecord(std::move(item), -1);
}

int32_t ReporteCtrl::GetItemKeyValue(int32_t position) const
{
    const ListItem* item = GetItem(position);
    return item ? item->value : -1;
}

QRect ReporteCtrl::LayoutItem(int32_t index) const
{
    const int count = std::max(1, GetItemCount());
    const int gap = 8;
    const int w = (width() - 2 * m_padding - (count - 1) * gap) / count;
    return QRect(m_padding + index * (w + gap), m_padding, w, height() - 2 * m_padding);
}

void ReporteCtrl::PaintItem(QPainter& painter, const QRect& rect, int32_t index, bool selected, bool hovered)
{
    const ListItem& item = m_items[size_t(index)];
    painter.setPen(QPen(selected ? Theme::kAccent : Theme::kBorder, selected ? 2 : 1));
    painter.setBrush(selected ? QColor(0x1d, 0x3d, 0x3b) : (hovered ? Theme::kHover : Theme::kRaised));
    painter.drawRoundedRect(QRectF(rect).adjusted(1, 1, -1, -1), 8, 8);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ColorFromBgr(item.color));
    painter.drawEllipse(QPointF(rect.left() + 18, rect.center().y() + 0.5), 5, 5);
    painter.setFont(m_font);
    painter.setPen(selected ? Theme::kText : Theme::kTextDim);
    painter.drawText(rect.adjusted(28, 0, -6, 0), Qt::AlignCenter, item.text);
}
