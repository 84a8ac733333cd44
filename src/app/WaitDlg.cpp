#include "app/WaitDlg.h"

#include "widgets/CGifPicture.h"
#include "widgets/WindowRegistry.h"

#include <QGuiApplication>
#include <QScreen>

WaitDlg::~WaitDlg() = default;

int32_t WaitDlg::Run(WindowHandle parent)
{
    QRect area;
    if (MWindow* owner = MWindow::FromHandle(parent))
        area = owner->GetWindowRect().ToQRect();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    QRect square(0, 0, kSize, kSize);
    square.moveCenter(area.center());
    const WindowHandle handle = Create(parent, QStringLiteral("WaitDlg"), kWsDialog, kWsExToolWindow, MRect::FromQRect(square));
    if (!handle)
        return -1;
    m_open = handle;
    const int32_t result = ShowModal(kSwShow);
    m_open = 0;
    return result;
}

bool WaitDlg::EndFromAnyThread()
{
    const WindowHandle handle = m_open;
    if (!handle)
        return false;
    // The handle is checked again on the interface thread: a dialog that went
    // away in between is not touched.
    return WindowRegistry::PostCall(handle, [handle] {
        if (MWindow* window = MWindow::FromHandle(handle))
            window->DoOK();
    });
}

void WaitDlg::OnInitDialog()
{
    MDialog::OnInitDialog();
    GetPaintManager().SetBackColor(0x333333, 0x333333);
    SetTopmost(true);
    SetMTimer(10);
    EnableWndDrag(true);
}

void WaitDlg::InitUI(const MRect&)
{
    SetLayeredWindow(true);
    if (auto* gif = Create<CGifPicture>(kAnimationId, {1, 1, 101, 101})) {
        gif->SetImage(QStringLiteral("loading.gif"));
        gif->SetRunState(1, 0);
        gif->AddMTimer(10);
    }
}
