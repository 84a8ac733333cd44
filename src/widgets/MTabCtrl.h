#pragma once

#include "widgets/MControl.h"

#include <vector>

// The main tab bar: items with an id, a label and an icon, stacked
// vertically (or side by side when the control is wider than high). Hidden
// items keep their index. A click selects and sends kNotifyClick with the
// item's index.
class MTabCtrl : public MControl {
public:
    explicit MTabCtrl(QWidget* parent = nullptr);
    QString GetClassName() const override { return QStringLiteral("MTabCtrl"); }
    void SetTabCtrlWidth(int32_t width) { m_tabWidth = width; update(); }
    void SetTabCtrlHeight(int32_t height) { m_tabHeight = height; update(); }
    // The first item's offset from the left and top edges; the second
    // values are kept for the far edges.
    void SetLeftRightPading(int32_t left, int32_t right);
    void SetTopBottomPading(int32_t top, int32_t bottom);
    // Item sizes: normal, selected and whether they are fixed.
    void SetItemWidth(int32_t normal, int32_t selected, int32_t fixed);
    void SetItemHeight(int32_t normal, int32_t selected, int32_t fixed);
    // Appends an item; returns its index.
    int32_t InsertItem(int32_t id, const QString& text, const QString& icon);
    bool SetItemText(int32_t id, const QString& text);
    QString GetItemText(int32_t id) const; // empty when no item has it
    bool SetItemVisible(int32_t id, bool visible);
    bool IsItemVisible(int32_t id) const;
    int32_t GetItemCount() const { return int32_t(m_items.size()); }
    int32_t GetItemId(int32_t index) const; // -1 when out of range
    int32_t GetItemIndex(int32_t id) const; // -1 when no item has it
    bool SetSelectItem(int32_t index);
    int32_t GetSelectItem() const { return m_selected; }
    // The item's rectangle in control coordinates; empty when hidden.
    QRect GetItemRect(int32_t index) const;

protected:
    void AddPictures(std::vector<MRender::PictureRequest>& pictures) const override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct Item {
        int32_t id;
        QString text;
        QString icon;
        bool visible = true;
    };
    int32_t HitTest(const QPoint& point) const;
    bool Vertical() const { return height() >= width(); }

    std::vector<Item> m_items;
    int32_t m_selected = -1;
    int32_t m_hover = -1;
    int32_t m_pressed = -1;
    int32_t m_tabWidth = 0;
    int32_t m_tabHeight = 0;
    int32_t m_padLeft = 0;
    int32_t m_padTop = 0;
    int32_t m_padRight = 0;
    int32_t m_padBottom = 0;
    int32_t m_itemWidth = 190;
    int32_t m_itemHeight = 60;
};
