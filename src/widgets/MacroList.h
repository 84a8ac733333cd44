#pragma once

#include "widgets/MListBase.h"

// The macro and snippet list: rename in place with a double click
// (kNotifyEditCommit), and a context menu (right click or the row's "more"
// button: kNotifyContextClick, then the menu). The default menu posts
// kMenuMessage with wParam = control id and lParam 101 (copy) or 102 (delete).
class MacroList : public MListBase {
public:
    static constexpr uint32_t kMenuMessage = kWmUser + 685; // 1709
    static constexpr intptr_t kCommandCopy = 101;
    static constexpr intptr_t kCommandDelete = 102;

    explicit MacroList(QWidget* parent = nullptr);
    QString GetClassName() const override { return QStringLiteral("MacroList"); }
    int32_t AddString(const QString& text, intptr_t itemData, int32_t position = -1);
    bool ModifyItemString(int32_t index, const QString& text) { return SetItemText(index, text); }
    // Texts of the default menu's two entries.
    void SetMenuTexts(const QString& copyText, const QString& deleteText);
    void SetMoreImage(const QString& file) { m_moreImage = file; update(); }
    // The "more" button of a row, in control coordinates.
    QRect GetMoreRect(int32_t index) const;

protected:
    void PaintItem(QPainter& painter, const QRect& rect, int32_t index, bool selected, bool hovered) override;
    void OnItemClicked(int32_t index, const QPoint& point) override;

private:
    QString m_moreImage = QStringLiteral("btn_more.png");
};
