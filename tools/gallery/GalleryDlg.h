#pragma once

#include "widgets/MDialog.h"

// The gallery window: every control class of the widget library in its
// states, on the default skin.
class GalleryDlg : public MDialog {
public:
    static constexpr int32_t kWidth = 1600;
    static constexpr int32_t kHeight = 1000;

    void InitUI(const MRect& client) override;
    intptr_t OnMessage(int32_t id, int32_t code, intptr_t param, intptr_t lParam) override;

private:
    void Caption(const QString& text, int32_t x, int32_t y, int32_t width);
    int32_t m_nextId = 1000;
};
