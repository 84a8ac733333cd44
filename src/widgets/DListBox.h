#pragma once

#include "widgets/MListBase.h"

// A list of texts with item itemData; with the edit flag on, a double click
// renames an entry in place (kNotifyEditCommit when the text changed).
class DListBox : public MListBase {
public:
    explicit DListBox(QWidget* parent = nullptr);
    QString GetClassName() const override { return QStringLiteral("DListBox"); }
    // Inserts at `position` (-1 appends); returns the new index.
    int32_t AddString(const QString& text, intptr_t itemData, int32_t position = -1);
};
