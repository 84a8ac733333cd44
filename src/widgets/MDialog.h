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
    template <class T>
    T* Create(int32_t id, const MRect& rect, const QString& title = {}, MArea* parent = nullptr)
    {
        return dynamic_cast<T*>(CreateControl(T(nullptr).GetClassName(), id, rect, title, parent));
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
    std::vector<QPointer<MControl>> m_controls;
};
