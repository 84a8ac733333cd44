#include "widgets/MDialog.h"

#include "widgets/ControlFactory.h"
#include "widgets/MArea.h"
#include "widgets/MControlFont.h"

MDialog::MDialog() = default;
MDialog::~MDialog() = default;

MControl* MDialog::CreateControl(const QString& className, int32_t id, const MRect& rect, const QString& title, MArea* parent)
{
    QWidget* host = GetWidget();
    if (!host)
        return nullptr;
    QWidget* container = parent ? static_cast<QWidget*>(parent) : host;
    if (container->window() != host)
        return nullptr; // an area of another window
    MControl* control = ControlFactory::Create(className, container);
    if (!control)
        return nullptr;
    control->SetId(id);
    control->SetRect(rect);
    if (auto* font = dynamic_cast<MControlFont*>(control); font && !title.isEmpty())
        font->SetTitle(title);
    control->show();
    m_controls.emplace_back(control);
    return control;
}

MArea* MDialog::CreateArea(const QString& className, int32_t id, const MRect& rect, const QString& title, MArea* parent)
{
    MControl* control = CreateControl(className, id, rect, title, parent);
    auto* area = dynamic_cast<MArea*>(control);
    if (control && !area) {
        std::erase(m_controls, QPointer<MControl>(control));
        delete control;
    }
    return area;
}

MControl* MDialog::GetControl(int32_t id) const
{
    for (const QPointer<MControl>& control : m_controls) {
        if (control && control->GetId() == id)
            return control;
    }
    return nullptr;
}

std::vector<MControl*> MDialog::GetControls(int32_t id) const
{
    std::vector<MControl*> result;
    for (const QPointer<MControl>& control : m_controls) {
        if (control && control->GetId() == id)
            result.push_back(control);
    }
    return result;
}

std::vector<MControl*> MDialog::GetAllControls() const
{
    std::vector<MControl*> result;
    for (const QPointer<MControl>& control : m_controls) {
        if (control)
            result.push_back(control);
    }
    return result;
}
