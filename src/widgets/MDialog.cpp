#include "widgets/MDialog.h"

#include "widgets/ControlFactory.h"
#include "widgets/MArea.h"
#include "widgets/MControlFont.h"

MDialog::MDialog() = default;
MDialog::~MDialog() = default;

QWidget* MDialog::Container(MArea* parent) const
{
    QWidget* host = GetWidget();
    if (!host)
        return nullptr;
    QWidget* container = parent ? static_cast<QWidget*>(parent) : host;
    return container->window() == host ? container : nullptr;
}

void MDialog::Attach(MControl* control, int32_t id, const MRect& rect, const QString& title)
{
    control->SetId(id);
    control->SetRect(rect);
    if (auto* font = dynamic_cast<MControlFont*>(control); font && !title.isEmpty())
        font->SetTitle(title);
    control->show();
    m_controls.emplace_back(control);
}

MControl* MDialog::CreateControl(const QString& className, int32_t id, const MRect& rect, const QString& title, MArea* parent)
{
    QWidget* container = Container(parent);
    if (!container)
        return nullptr;
    MControl* control = ControlFactory::Create(className, container);
    if (control)
        Attach(control, id, rect, title);
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
