#pragma once

#include "widgets/MControl.h"
#include "widgets/MDialog.h"
#include "widgets/WidgetTypes.h"

#include <cstdint>

// Places a page's controls in the page's own coordinates: (0, 0) is the
// top-left corner of the page area, and vertical design values (for the
// 780-pixel-high window) scale with the window. The widget library wants
// window coordinates; this adds the area's corner.
class PagePlacer {
public:
    PagePlacer(MDialog& dialog, const MRect& area, float scale)
        : m_dialog(dialog)
        , m_area(area)
        , m_scale(scale)
    {}

    // A vertical design value at the window's scale.
    int32_t At(int32_t designValue) const { return int32_t(float(designValue) * m_scale); }
    // Every control with `id` at `rect` (page coordinates).
    void Place(int32_t id, const MRect& rect) const
    {
        for (MControl* control : m_dialog.GetControls(id))
            control->SetRect(
                {m_area.left + rect.left, m_area.top + rect.top, m_area.left + rect.right, m_area.top + rect.bottom});
    }

private:
    MDialog& m_dialog;
    MRect m_area;
    float m_scale;
};
