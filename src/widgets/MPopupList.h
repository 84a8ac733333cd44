#pragma once

#include "widgets/MWindow.h"

#include <QStringList>
#include <functional>

// A popup list window: the drop-down of a combo box ("ComboWnd") and popup
// menus ("Menu Window"). It is an open window like any other, so it can be
// found by title and closed with kWmClose. It deletes itself when closed.
class MPopupList : public MWindow {
public:
    using ChooseHandler = std::function<void(int32_t index)>;
    // Opens the popup below/at `screenRect` (its width and top-left are
    // used); empty texts are separators. Returns the popup, owned by itself.
    static MPopupList* Open(WindowHandle owner, const QString& title, const QStringList& items,
        int32_t current, const QRect& screenRect, ChooseHandler onChoose);

    int32_t GetItemCount() const { return int32_t(m_items.size()); }
    QString GetItemText(int32_t index) const { return m_items.value(index); }
    // The item's rectangle in the popup's client coordinates.
    QRect GetItemRect(int32_t index) const;

    bool OnNcActivate(bool active) override;
    void OnPaint(QPainter& painter) override;
    void OnMouseMove(const QPoint& point) override;
    void OnLButtonUp(const QPoint& point) override;
    bool OnKeyDown(int32_t key) override;
    void OnUserCloseWindow() override;

private:
    MPopupList() = default;
    int32_t HitTest(const QPoint& point) const;
    void Choose(int32_t index);

    QStringList m_items;
    int32_t m_current = -1;
    int32_t m_hover = -1;
    ChooseHandler m_onChoose;
    static constexpr int32_t kRowHeight = 30;
    static constexpr int32_t kSeparatorHeight = 9;
};
