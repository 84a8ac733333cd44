#include "widgets/MacroList.h"

#include "widgets/MRender.h"
#include "widgets/Theme.h"

#include <QPainter>

MacroList::MacroList(QWidget* parent) : MListBase(parent)
{
    m_rowHeight = 36;
    SetEditFlag(true);
    SetMenuTexts(QStringLiteral("Copy"), QStringLiteral("Delete"));
}

int32_t MacroList::AddString(const QString& text, intptr_t itemData, int32_t position)
{
    ListItem item;
    item.text = text;
    item.data = itemData;
    return InsertRecord(std::move(item), position);
}

void MacroList::SetMenuTexts(const QString& copyText, const QString& deleteText)
{
    SetContextMenu({{copyText, kMenuMessage, 0, kCommandCopy}, {deleteText, kMenuMessage, 0, kCommandDelete}});
}

QRect MacroList::GetMoreRect(int32_t index) const
{
    const QRect r = GetItemRect(index);
    if (r.isEmpty())
        return {};
    return QRect(r.right() - 30, r.top() + (r.height() - 24) / 2, 24, 24);
}

void MacroList::PaintItem(QPainter& painter, const QRect& rect, int32_t index, bool selected, bool hovered)
{
    if (selected || hovered) {
        // the highlight spans the "more" button too
        painter.setPen(Qt::NoPen);
        painter.setBrush(selected ? QColor(0x1d, 0x3d, 0x3b) : Theme::kHover);
        painter.drawRoundedRect(QRectF(rect), 5, 5);
    }
    MListBase::PaintItem(painter, rect.adjusted(0, 0, -28, 0), index, selected, hovered);
    if (selected || hovered) {
        const QRect more = GetMoreRect(index);
        const QPixmap image = MRender::LoadImage(m_moreImage);
        if (!image.isNull()) {
            MRender::DrawImage(painter, more, MRender::StateFrame(image, 1, 0), ShowMode::Center);
        } else {
            painter.setPen(Qt::NoPen);
            painter.setBrush(Theme::kTextDim);
            for (int i = -1; i <= 1; ++i)
                painter.drawEllipse(QPointF(more.center().x() + i * 5, more.center().y()), 1.6, 1.6);
        }
    }
}

void MacroList::OnItemClicked(int32_t index, const QPoint& point)
{
    if (GetMoreRect(index).contains(point)) {
        OnItemContext(index, mapToGlobal(point));
        return;
    }
    MListBase::OnItemClicked(index, point);
}
