#pragma once

#include <QColor>
#include <cstdint>

// Background colours of a window: a fill and a one-pixel border, both in the
// 0x00BBGGRR layout. Unset colours fall back to the theme.
class PaintManager {
public:
    void SetBackColor(uint32_t fillBgr, uint32_t borderBgr);
    bool HasBackColor() const { return m_set; }
    QColor GetFill() const { return m_fill; }
    QColor GetBorder() const { return m_border; }

private:
    bool m_set = false;
    QColor m_fill;
    QColor m_border;
};
