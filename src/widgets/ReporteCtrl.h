#pragma once

#include "widgets/MListBase.h"

// The report-rate choice: one segment per entry, each with its code and a
// colour; a click chooses (kNotifyClick, parameter = position).
class ReporteCtrl : public MListBase {
public:
    explicit ReporteCtrl(QWidget* parent = nullptr);
    QString GetClassName() const override { return QStringLiteral("ReporteCtrl"); }
    int32_t AddItem(const QString& label, int32_t code, uint32_t bgrColor);
    bool SetSelectItem(int32_t position) { return SetCurSel(position); }
    // Selects the entry with that code; false (selection kept) when none has it.
    bool SetSelectItemValue(int32_t code) { return SetCurData(code); }
    int32_t GetItemKeyValue(int32_t position) const; // -1 when out of range
    int32_t GetSelectItem() const { return GetCurSel(); }

protected:
    QRect LayoutItem(int32_t index) const override;
    void PaintItem(QPainter& painter, const QRect& rect, int32_t index, bool selected, bool hovered) override;
};
