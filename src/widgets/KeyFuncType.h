#pragma once

#include "widgets/MListBase.h"

// The function-type list of the button page: icon and text per type; a click
// chooses (kNotifyClick, parameter = index).
class KeyFuncType : public MListBase {
public:
    explicit KeyFuncType(QWidget* parent = nullptr);
    QString GetClassName() const override { return QStringLiteral("KeyFuncType"); }
    int32_t AddItem(const QString& text, int32_t type, const QString& icon);
    bool SetSelectItem(int32_t index) { return SetCurSel(index); }
    int32_t GetSelectItem() const { return GetCurSel(); }
};
