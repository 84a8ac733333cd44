#pragma once

#include "widgets/MWindow.h"

#include <QPointer>
#include <vector>

class MArea;
class MControl;

// Base of every dialog: a window that creates and owns controls. Create them
// in InitUI (called by OnInitDialog with the client rectangle) and lay them
// out in UISize; their gestures arrive in OnMessage.
class MDialog : public MWindow {
public:
    MDialog();
    ~MDialog() override;

    // A control of the named class with an id, a rectangle in client
    // coordinates and a title, inside `parent` (an area) or the window.
    // Null for an unknown class name or before Create.
    MControl* CreateControl(const QString& className, int32_t id, const MRect& rect,
        const QString& title = {}, MArea* parent = nullptr);
    // The same for areas ("CArea", "CRoundArea", "MTabLayout", "MPicture").
    MArea* CreateArea(const QString& className, int32_t id, const MRect& rect,
        const QString& title = {}, MArea* parent = nullptr);
    // The typed form: dialog->Create<MButton>(75, rect, text).
    template <class T>
    T* Create(int32_t id, const MRect& rect, const QString& title = {}, MArea* parent = nullptr)
    {
        QWidget* container = Container(parent);
        if (!container)
            return nullptr;
        T* control = new T(container);
        Attach(control, id, rect, title);
        return control;
    }
    // The first control created with that id; null when none.
    MControl* GetControl(int32_t id) const;
    template <class T>
    T* GetControlAs(int32_t id) const { return dynamic_cast<T*>(GetControl(id)); }
    // Every control with that id, in creation order (ids may repeat).
    std::vector<MControl*> GetControls(int32_t id) const;
    std::vector<MControl*> GetAllControls() const;

    using MWindow::Create;

private:
    // Where a control of `parent` goes; null before Create or for an area of another window.
    QWidget* Container(MArea* parent) const;
    void Attach(MControl* control, int32_t id, const MRect& rect, const QString& title);

    std::vector<QPointer<MControl>> m_controls;
};
