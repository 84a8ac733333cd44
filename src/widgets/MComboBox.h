#pragma once

#include "widgets/MControlFont.h"

#include <QPointer>
#include <vector>

class MPopupList;

// A drop-down choice. A click opens its list ("ComboWnd"); choosing an item
// selects it and sends kNotifyClick (parameter = index).
class MComboBox : public MControlFont {
public:
    explicit MComboBox(QWidget* parent = nullptr);
    ~MComboBox() override;
    QString GetClassName() const override { return QStringLiteral("MComboBox"); }
    bool DrawsHover() const override { return true; }

    void DelAllItems();
    int32_t AddItem(const QString& text, intptr_t itemData); // returns the index
    bool SetItemText(int32_t index, const QString& text);
    int32_t GetItemCount() const { return int32_t(m_items.size()); }
    QString GetItemText(int32_t index) const;
    intptr_t GetItemData(int32_t index) const; // -1 when out of range
    // -1 clears; false for other out-of-range indexes.
    bool SetCurSel(int32_t index);
    int32_t GetCurSel() const { return m_cur; }
    // Selects the first item with that data and returns its index; -1 (selection kept) when none.
    int32_t SelectData(intptr_t itemData);
    intptr_t GetCurData() const; // -1 without a selection
    QString GetTitle() const override; // the selected item's text
    // Opens the drop-down as a click does; the popup, or null.
    MPopupList* ShowDropDown();
    MPopupList* GetDropDown() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct Item {
        QString text;
        intptr_t data;
    };
    std::vector<Item> m_items;
    int32_t m_cur = -1;
    WindowHandle m_popup = 0;
};
