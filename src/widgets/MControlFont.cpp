#include "widgets/MControlFont.h"

#include "widgets/Theme.h"

#include <QPainter>

MControlFont::MControlFont(QWidget* parent) : MControl(parent)
{
    RebuildFont();
}

void MControlFont::SetTitle(const QString& title)
{
    m_title = title;
    update();
}

void MControlFont::SetFont(const QString& family, int32_t pixelSize, bool bold)
{
    m_fontName = family;
    m_fontSize = pixelSize;
    m_bold = bold;
    RebuildFont();
}

void MControlFont::SetFontName(const QString& family)
{
    m_fontName = family;
    RebuildFont();
}

void MControlFont::SetFontWidth(int32_t pixelSize)
{
    m_fontSize = pixelSize;
    RebuildFont();
}

void MControlFont::SetBold(bool bold)
{
    m_bold = bold;
    RebuildFont();
}

void MControlFont::SetAlignment(int32_t alignment)
{
    m_alignment = alignment;
    OnFontChanged();
    update();
}

void MControlFont::SetVAlignment(int32_t alignment)
{
    m_vAlignment = alignment;
    OnFontChanged();
    update();
}

Qt::Alignment MControlFont::GetQtAlignment() const
{
    Qt::Alignment flags = Qt::AlignLeft;
    if (m_alignment & kAlignCenter)
        flags = Qt::AlignHCenter;
    else if (m_alignment & kAlignRight)
        flags = Qt::AlignRight;
    if (m_vAlignment & kVAlignCenter)
        flags |= Qt::AlignVCenter;
    else if (m_vAlignment & kVAlignBottom)
        flags |= Qt::AlignBottom;
    else
        flags |= Qt::AlignTop;
    return flags;
}

void MControlFont::DrawTitle(QPainter& painter, const QRect& rect, const QColor& color, bool wrap) const
{
    painter.setFont(m_font);
    painter.setPen(color);
    painter.drawText(rect, int(GetQtAlignment()) | (wrap ? Qt::TextWordWrap : 0), m_title);
}

void MControlFont::RebuildFont()
{
    m_font = Theme::Font(m_fontSize, m_bold, m_fontName);
    QWidget::setFont(m_font);
    OnFontChanged();
    update();
}
