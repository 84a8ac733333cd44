#pragma once

#include "widgets/MControl.h"

#include <QFont>

// A control with a title drawn in its own font and alignment.
class MControlFont : public MControl {
public:
    explicit MControlFont(QWidget* parent = nullptr);

    virtual void SetTitle(const QString& title);
    virtual QString GetTitle() const { return m_title; }
    void SetFont(const QString& family, int32_t pixelSize, bool bold = false);
    void SetFontName(const QString& family);
    // Font size in pixels (the dialogs call it the font width).
    void SetFontWidth(int32_t pixelSize);
    void SetBold(bool bold);
    void SetAlignment(int32_t alignment);   // kAlignLeft, kAlignCenter, kAlignRight
    void SetVAlignment(int32_t alignment);  // kVAlignTop, kVAlignCenter, kVAlignBottom
    QFont GetFont() const { return m_font; }
    Qt::Alignment GetQtAlignment() const;

protected:
    virtual void OnFontChanged() {}
    void DrawTitle(QPainter& painter, const QRect& rect, const QColor& color, bool wrap = true) const;

    QString m_title;
    QFont m_font;
    QString m_fontName;
    int32_t m_fontSize = 14;
    bool m_bold = false;
    int32_t m_alignment = kAlignLeft;
    int32_t m_vAlignment = kVAlignCenter;

private:
    void RebuildFont();
};
