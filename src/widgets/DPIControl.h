#pragma once

#include "widgets/MListBase.h"

class QLineEdit;

// The DPI levels: one card per level with its colour and value; the current
// level's card holds a value edit. Gestures: click kNotifyClick, right click
// kNotifyContextClick (parameter = index), focusing the edit
// kNotifyEditFocus, Enter or leaving the edit kNotifyEditCommit.
class DPIControl : public MListBase {
public:
    explicit DPIControl(QWidget* parent = nullptr);
    QString GetClassName() const override { return QStringLiteral("DPIControl"); }
    void ClearList() { DeleteAllItems(); }
    int32_t AddItem(int32_t value, uint32_t bgrColor);
    bool SetDPIValue(int32_t index, int32_t value);
    int32_t GetDPIValue(int32_t index) const; // -1 when out of range
    bool SetItemColor(int32_t index, uint32_t bgrColor);
    bool SetSelectItem(int32_t index) { return SetCurSel(index); }
    int32_t GetSelectItem() const { return GetCurSel(); }
    // The value edit's text; SetTitle replaces it without notifying.
    QString GetEditText() const;
    void SetTitle(const QString& text) override;
    QLineEdit* GetEditor() const { return m_edit; }

protected:
    QRect LayoutItem(int32_t index) const override;
    void PaintItem(QPainter& painter, const QRect& rect, int32_t index, bool selected, bool hovered) override;
    void OnItemContext(int32_t index, const QPoint& globalPos) override;
    void OnSelectionChanged() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceEditor();
    QRect ValueRect(const QRect& card) const;
    QLineEdit* m_edit = nullptr;
    bool m_committedClean = false;
};
