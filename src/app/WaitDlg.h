#pragma once

#include "widgets/MDialog.h"

#include <atomic>

// The busy indicator shown while the worker resets or switches the mouse: a
// 102 x 102 square with an animation, centred on its parent, modal until the
// worker ends it (EndFromAnyThread) or the transient windows are closed.
// It keeps the library's window class ("MWindow"): transient windows are
// found by their title alone.
class WaitDlg : public MDialog {
public:
    static constexpr int32_t kSize = 102;
    static constexpr int32_t kAnimationId = 30;

    WaitDlg() = default;
    ~WaitDlg() override;

    // Creates the window centred on `parent`'s window rectangle (on the screen
    // without a parent) and runs its modal loop. Returns the modal result.
    int32_t Run(WindowHandle parent);
    // Ends the dialog with DoOK on the interface thread; safe from any thread.
    // False when the dialog is not open.
    bool EndFromAnyThread();

    void OnInitDialog() override;
    void InitUI(const MRect& client) override;
    intptr_t OnMessage(int32_t, int32_t, intptr_t, intptr_t) override { return 0; }
    void OnDestroy() override {}

private:
    // The open window, readable by the thread that ends the dialog.
    std::atomic<WindowHandle> m_open{0};
};
