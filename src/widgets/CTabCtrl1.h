#pragma once

#include "widgets/MControl.h"

#include <QPointer>
#include <vector>

// Text tabs side by side (dialogs). A page bound to a tab is shown while the
// tab is selected. A click selects and sends kNotifyClick with the index.
class CTabCtrl1 : public MControl {
public:
    explicit CTabCtrl1(QWidget* parent = nullptr);
    QString GetClassName() const override { return QStringLiteral("CTabCtrl1"); }
    int32_t AddItem(const QString& text); // returns the index
    bool SetItemText(int32_t index, const QString& text);
    QString GetItemText(int32_t index) const;
    int32_t GetItemCount() const { return int32_t(m_items.size()); }
    void BindPage(int32_t index, QWidget* page);
    bool SetSelectItem(int32_t index);
    int32_t GetSelectItem() const { return m_selected; }
    QRect GetItemRect(int32_t index) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct Item {
        QString text;
        QPointer<QWidget> page;
    };
    std::vector<Item> m_items;
    int32_t m_selected = -1;
    int32_t m_pressed = -1;
};
