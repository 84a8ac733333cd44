#pragma once

#include "widgets/MDialog.h"
#include "widgets/WidgetTypes.h"

#include <QPointer>
#include <QString>

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

class MArea;
class MControl;
class MText;

// The controls one page creates in its container, by id. Pages may give the
// same id to pictures and labels of their own, so a page finds its controls
// here rather than through the window's lookup.
class PageControls {
public:
    // Where the controls go; nothing is created before.
    void Attach(MDialog& dialog, MArea& container);
    bool IsAttached() const { return m_dialog != nullptr; }

    // A control of class T in the container, kept under `id`; null when the
    // widget library could not make it.
    template<class T> T* Make(int32_t id, const QString& title = {})
    {
        if (!m_dialog)
            return nullptr;
        T* control = m_dialog->Create<T>(id, {}, title, m_container);
        Keep(id, control);
        return control;
    }
    // A skin picture ("img_area_bkg.png") drawn over its rectangle.
    MArea* Picture(int32_t id, const QString& image);
    enum class LabelStyle { Caption, Note };
    // A left-aligned label; a note is dimmer and starts at its top.
    MText* Label(int32_t id, const QString& text, int32_t pixelSize, LabelStyle style = LabelStyle::Caption);

    MControl* Find(int32_t id) const;
    template<class T> T* FindAs(int32_t id) const { return dynamic_cast<T*>(Find(id)); }
    // The titles of the controls from interface texts: (control id, text id).
    void SetTitles(std::span<const std::pair<int32_t, int>> titles) const;
    // How wide the control's title is drawn in its font; 0 without a title.
    int32_t TitleWidth(int32_t id) const;
    // Puts control `id` at `rect`, given relative to `area` with its vertical
    // coordinates at the window's scale.
    void Place(int32_t id, const MRect& area, float scale, const MRect& rect) const;

private:
    void Keep(int32_t id, MControl* control);

    MDialog* m_dialog = nullptr;
    MArea* m_container = nullptr;
    std::vector<std::pair<int32_t, QPointer<MControl>>> m_controls;
};
