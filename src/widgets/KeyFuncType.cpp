#include "widgets/KeyFuncType.h"

KeyFuncType::KeyFuncType(QWidget* parent) : MListBase(parent)
{
    m_rowHeight = 34;
}

int32_t KeyFuncType::AddItem(const QString& text, int32_t type, const QString& icon)
{
    ListItem item;
    item.text = text;
    item.data = type;
    item.type = type;
    item.icon = icon;
    return InsertRecord(std::move(item), -1);
}
