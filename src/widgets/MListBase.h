#pragma once

#include "widgets/MControlFont.h"
#include "widgets/MenuItem.h"

#include <vector>

class QLineEdit;

// One entry of a list control; each list uses the fields it needs.
struct ListItem {
    QString text;
    intptr_t data = 0;
    int32_t type = 0;
    int32_t value = 0;
    int32_t delay = 0;
    uint32_t color = 0; // 0x00BBGGRR
    QString icon;
    QString detail;
    int32_t modeState[2] = {0, 0};
    int32_t batteryStatus = 0;
    int32_t batteryLevel = 0;
};

// The list machinery shared by the list controls: items in a grid of
// `columns`, one current item, scrolling, in-place editing and a context
// menu. Gestures: a click selects and sends kNotifyClick (parameter = index);
// a right click selects, sends kNotifyContextClick and opens the context
// menu; a double click (or F2 on the current item) opens the in-place editor
// when editing is on, and a changed text sends kNotifyEditCommit. Calls from
// code never notify.
class MListBase : public MControlFont {
public:
    explicit MListBase(QWidget* parent = nullptr);
    ~MListBase() override;

    int32_t GetItemCount() const { return int32_t(m_items.size()); }
    int32_t GetCurSel() const { return m_cur; }
    // -1 clears the selection; out-of-range indexes are ignored (false).
    bool SetCurSel(int32_t index);
    QString GetItemText(int32_t index) const;
    bool SetItemText(int32_t index, const QString& text);
    intptr_t GetItemData(int32_t index) const; // -1 when out of range
    // Makes the first item with that data current; false (selection kept) when none has it.
    bool SetCurData(intptr_t itemData);
    intptr_t GetCurData() const; // -1 without a current item
    int32_t FindData(intptr_t itemData) const;
    bool DeleteItem(int32_t index);
    void DeleteAllItems();
    const ListItem* GetItem(int32_t index) const;

    void SetEditFlag(bool editable) { m_editable = editable; }
    bool GetEditFlag() const { return m_editable; }
    // Opens the in-place editor on an item, as a double click does.
    bool BeginEdit(int32_t index);
    bool IsEditing() const { return m_editor != nullptr; }
    // Entries of the context menu; their wParam is replaced by the control id.
    void SetContextMenu(std::vector<MenuItem> items) { m_menu = std::move(items); }
    const std::vector<MenuItem>& GetContextMenu() const { return m_menu; }
    void SetRowHeight(int32_t height);
    void SetColumns(int32_t columns);
    // The item's rectangle in control coordinates (scrolling applied).
    QRect GetItemRect(int32_t index) const;
    int32_t HitTest(const QPoint& point) const;
    void EnsureVisible(int32_t index);
    // Losing the focus commits an in-place edit.
    void OnFocus(bool focus) override;

protected:
    void AddPictures(std::vector<MRender::PictureRequest>& pictures) const override;
    int32_t InsertRecord(ListItem item, int32_t position);
    // After every change of the current item (from code or a gesture).
    virtual void OnSelectionChanged() {}
    virtual QRect LayoutItem(int32_t index) const; // unscrolled
    virtual int32_t ContentHeight() const;
    virtual void PaintBackground(QPainter& painter);
    virtual void PaintItem(QPainter& painter, const QRect& rect, int32_t index, bool selected, bool hovered);
    virtual void OnItemClicked(int32_t index, const QPoint& point);
    virtual void OnItemContext(int32_t index, const QPoint& globalPos);
    virtual QString EditText(int32_t index) const;
    // Applies an edited text; false rejects it (no notification).
    virtual bool ApplyEdit(int32_t index, const QString& text);
    virtual QRect EditRect(int32_t index) const;
    void ShowContextMenu(const QPoint& globalPos);
    void CommitEdit();
    void CancelEdit();
    QLineEdit* Editor() const { return m_editor; }

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    std::vector<ListItem> m_items;
    int32_t m_cur = -1;
    int32_t m_hover = -1;
    int32_t m_scroll = 0;
    int32_t m_rowHeight = 32;
    int32_t m_columns = 1;
    int32_t m_spacing = 2;
    int32_t m_padding = 4;
    bool m_drawFrame = true;

private:
    // Redraws the items whose highlight changes.
    void SetHover(int32_t index);
    int32_t m_pressIndex = -1;
    bool m_editable = false;
    std::vector<MenuItem> m_menu;
    QLineEdit* m_editor = nullptr;
    int32_t m_editIndex = -1;
};
