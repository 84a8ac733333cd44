#include "editors/PageControls.h"

#include "language/InterfaceText.h"
#include "widgets/MArea.h"
#include "widgets/MControlFont.h"
#include "widgets/MText.h"
#include "widgets/Theme.h"

#include <QFontMetrics>

void PageControls::Attach(MDialog& dialog, MArea& container)
{
    m_dialog = &dialog;
    m_container = &container;
}

void PageControls::Keep(int32_t id, MControl* control)
{
    if (control)
        m_controls.emplace_back(id, control);
}

MArea* PageControls::Picture(int32_t id, const QString& image)
{
    if (!m_dialog)
        return nullptr;
    MArea* area = m_dialog->CreateArea(QStringLiteral("MPicture"), id, {}, {}, m_container);
    if (area)
        area->SetImage(image);
    Keep(id, area);
    return area;
}

MText* PageControls::Label(int32_t id, const QString& text, int32_t pixelSize, LabelStyle style)
{
    auto* label = Make<MText>(id, text);
    if (label) {
        label->SetFontWidth(pixelSize);
        label->SetAlignment(kAlignLeft);
        label->SetVAlignment(style == LabelStyle::Note ? kVAlignTop : kVAlignCenter);
        if (style == LabelStyle::Note)
            label->SetTextColor(Theme::kTextDim.rgba());
    }
    return label;
}

MControl* PageControls::Find(int32_t id) const
{
    for (const auto& [controlId, control] : m_controls) {
        if (controlId == id)
            return control.data();
    }
    return nullptr;
}

void PageControls::SetTitles(std::span<const std::pair<int32_t, int>> titles) const
{
    for (const auto& [id, textId] : titles) {
        if (auto* control = FindAs<MControlFont>(id))
            control->SetTitle(InterfaceText::Get(textId));
    }
}

int32_t PageControls::TitleWidth(int32_t id) const
{
    const auto* control = FindAs<MControlFont>(id);
    if (!control || control->GetTitle().isEmpty())
        return 0;
    return int32_t(QFontMetrics(control->GetFont()).horizontalAdvance(control->GetTitle()));
}

void PageControls::Place(int32_t id, const MRect& area, float scale, const MRect& rect) const
{
    MControl* control = Find(id);
    if (!control)
        return;
    auto at = [scale](int32_t v) { return int32_t(float(v) * scale); };
    control->SetRect(
        {area.left + rect.left, area.top + at(rect.top), area.left + rect.right, area.top + at(rect.bottom)});
}
