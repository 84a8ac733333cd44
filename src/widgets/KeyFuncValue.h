#pragma once

#include "widgets/MListBase.h"

// The value list of the button page (mouse functions, media keys), laid out
// in two columns by default; a click chooses (kNotifyClick).
class KeyFuncValue : public MListBase {
public:
    explicit KeyFuncValue(QWidget* parent = nullptr);
    QString GetClassName() const override { return QStringLiteral("KeyFuncValue"); }
    void ClearList() { DeleteAllItems(); }
    int32_t AddItem(const QString& text, int32_t value, int32_t extra = 0);
    bool SetSelectItem(int32_t index) { return SetCurSel(index); }
    int32_t GetSelectItem() const { return GetCurSel(); }
    int32_t GetItemExtra(int32_t index) const;

protected:
    void PaintItem(QPainter& painter, const QRect& rect, int32_t index, bool selected, bool hovered) override;
};
