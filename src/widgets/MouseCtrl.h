#pragma once

#include "widgets/MControl.h"

#include <vector>

// The mouse picture's button markers. Each marker has a label, a button
// number, a side code (0: label on the left of the line, otherwise on the
// right) and a horizontal line from start to end (control coordinates). A
// click on a label selects it and sends kNotifyClick with its index.
class MouseCtrl : public MControl {
public:
    explicit MouseCtrl(QWidget* parent = nullptr);
    QString GetClassName() const override { return QStringLiteral("MouseCtrl"); }
    void DeleteAllItems();
    int32_t AddItem(const QString& label, int32_t keyValue, int32_t side, const QPoint& start, const QPoint& end);
    int32_t GetItemCount() const { return int32_t(m_items.size()); }
    bool SetSelectItem(int32_t index);
    int32_t GetSelectItem() const { return m_selected; }
    int32_t GetItemKeyValue(int32_t index) const; // -1 when out of range
    QString GetItemText(int32_t index) const;
    // Sets the label of every marker with that button number; the count changed.
    int32_t SetItemKeyDesc(int32_t keyValue, const QString& text);
    // The label's rectangle in control coordinates.
    QRect GetLabelRect(int32_t index) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct Marker {
        QString label;
        int32_t keyValue;
        int32_t side;
        QPoint start;
        QPoint end;
    };
    int32_t HitTest(const QPoint& point) const;
    std::vector<Marker> m_items;
    int32_t m_selected = -1;
    int32_t m_hover = -1;
    int32_t m_pressed = -1;
    static constexpr int32_t kLabelWidth = 150;
    static constexpr int32_t kLabelHeight = 30;
};
