#include "widgets/CRecordList.h"

#include "widgets/MRender.h"
#include "widgets/Theme.h"

#include <QPainter>

#include <algorithm>

CRecordList::CRecordList(QWidget* parent)
    : MListBase(parent)
{
    m_rowHeight = 30;
    m_spacing = 1;
    SetEditFlag(true);
    SetMenuTexts({QStringLiteral("Insert key A"), QStringLiteral("Insert left click")},
        {QStringLiteral("Move to top"), QStringLiteral("Move up"), QStringLiteral("Move down"),
            QStringLiteral("Move to bottom"), QStringLiteral("Delete all")});
}

void CRecordList::SetMenuTexts(const QStringList& insertTexts, const QStringList& moveTexts)
{
    std::vector<MenuItem> menu;
    for (int i = 0; i < insertTexts.size(); ++i)
        menu.push_back({insertTexts[i], kInsertMessage, 0, intptr_t(101 + i)});
    menu.push_back({});
    for (int i = 0; i < moveTexts.size(); ++i)
        menu.push_back({moveTexts[i], kMoveMessage, 0, intptr_t(100 + i)});
    SetContextMenu(std::move(menu));
}

void CRecordList::SetTypeTexts(std::map<int32_t, QString> texts)
{
    m_typeTexts = std::move(texts);
    update();
}

void CRecordList::SetDelayRange(int32_t minimum, int32_t maximum)
{
    m_minDelay = minimum;
    m_maxDelay = std::max(minimum, maximum);
}

int32_t CRecordList::AddString(const QString& text, int32_t type, int32_t value, int32_t delay)
{
    return InsertString(-1, text, type, value, delay);
}

int32_t CRecordList::InsertString(int32_t position, const QString& text, int32_t type, int32_t value, int32_t delay)
{
    ListItem item;
    item.text = text;
    item.type = type;
    item.value = value;
    item.delay = delay;
    if (position < 0)
        position = GetItemCount();
    return InsertRecord(std::move(item), std::min(position, GetItemCount()));
}

bool CRecordList::SwapItem(int32_t first, int32_t second)
{
    if (first < 0 || second < 0 || first >= GetItemCount() || second >= GetItemCount())
        return false;
    std::swap(m_items[size_t(first)], m_items[size_t(second)]);
    if (m_cur == first)
        m_cur = second;
    else if (m_cur == second)
        m_cur = first;
    update();
    return true;
}

bool CRecordList::MoveTo(int32_t from, int32_t to)
{
    if (from < 0 || from >= GetItemCount())
        return false;
    ListItem item = m_items[size_t(from)];
    const bool selected = m_cur == from;
    m_items.erase(m_items.begin() + from);
    m_items.insert(m_items.begin() + to, std::move(item));
    if (selected)
        m_cur = to;
    else if (m_cur >= 0 && from < m_cur && to >= m_cur)
        --m_cur;
    else if (m_cur >= 0 && from > m_cur && to <= m_cur)
        ++m_cur;
    if (selected)
        EnsureVisible(to);
    update();
    return true;
}

bool CRecordList::MoveTop(int32_t index)
{
    return MoveTo(index, 0);
}

bool CRecordList::MoveBottom(int32_t index)
{
    return MoveTo(index, GetItemCount() - 1);
}

bool CRecordList::UpdateDelayTime(int32_t delay)
{
    if (m_items.empty())
        return false;
    m_items.back().delay = delay;
    update();
    return true;
}

std::vector<RecordItem> CRecordList::GetRecordItems() const
{
    std::vector<RecordItem> items;
    items.reserve(m_items.size());
    for (const ListItem& item : m_items)
        items.push_back({item.text, item.type, item.value, item.delay});
    return items;
}

void CRecordList::PaintBackground(QPainter& painter)
{
    MListBase::PaintBackground(painter);
}

void CRecordList::PaintItem(QPainter& painter, const QRect& rect, int32_t index, bool selected, bool hovered)
{
    const ListItem& item = m_items[size_t(index)];
    if (selected || hovered || index % 2 == 1) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(selected ? QColor(0x1d, 0x3d, 0x3b) : (hovered ? Theme::kHover : Theme::kRaised.darker(115)));
        painter.drawRoundedRect(QRectF(rect), 4, 4);
    }
    painter.setFont(m_font);
    painter.setPen(Theme::kTextDim);
    painter.drawText(
        QRect(rect.left(), rect.top(), kNumberWidth, rect.height()), Qt::AlignCenter, QString::number(index + 1));
    const QPixmap icon = MRender::LoadImage(m_icon);
    int x = rect.left() + kNumberWidth;
    if (!icon.isNull()) {
        MRender::DrawImage(painter, QRect(x, rect.top() + (rect.height() - 16) / 2, 16, 16), icon, ShowMode::Center);
        x += 22;
    }
    const int typeWidth = m_typeTexts.empty() ? 0 : kTypeWidth;
    const int delayLeft = rect.right() - kDelayWidth;
    painter.setPen(selected ? Theme::kAccentHover : Theme::kText);
    const QRect textRect(x, rect.top(), delayLeft - typeWidth - x, rect.height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
        painter.fontMetrics().elidedText(item.text, Qt::ElideRight, textRect.width()));
    painter.setPen(Theme::kTextDim);
    if (typeWidth > 0) {
        const auto type = m_typeTexts.find(item.type);
        const QRect typeRect(delayLeft - typeWidth, rect.top(), typeWidth, rect.height());
        if (type != m_typeTexts.end())
            painter.drawText(typeRect, Qt::AlignLeft | Qt::AlignVCenter,
                painter.fontMetrics().elidedText(type->second, Qt::ElideRight, typeRect.width()));
    }
    painter.drawText(QRect(delayLeft, rect.top(), kDelayWidth - 10, rect.height()), Qt::AlignRight | Qt::AlignVCenter,
        QStringLiteral("%1 ms").arg(item.delay));
}

QString CRecordList::EditText(int32_t index) const
{
    const ListItem* item = GetItem(index);
    return item ? QString::number(item->delay) : QString();
}

bool CRecordList::ApplyEdit(int32_t index, const QString& text)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    if (!ok || value < 0 || index < 0 || index >= GetItemCount())
        return false;
    m_items[size_t(index)].delay = int32_t(std::clamp<qlonglong>(value, m_minDelay, m_maxDelay));
    return true;
}

QRect CRecordList::EditRect(int32_t index) const
{
    const QRect r = GetItemRect(index);
    return QRect(r.right() - kDelayWidth, r.top() + 2, kDelayWidth - 10, r.height() - 4);
}
