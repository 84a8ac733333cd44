#include "widgets/DListBox.h"

DListBox::DListBox(QWidget* parent) : MListBase(parent)
{
    m_rowHeight = 34;
}

int32_t DListBox::AddString(const QString& text, intptr_t itemData, int32_t position)
{
    ListItem item;
    item.text = text;
    item.data = itemData;
    return InsertRecord(std::move(item), position);
}
