#pragma once

#include "widgets/MDialog.h"

#include <functional>

// The program's message box: a caption, a message and one or two buttons,
// topmost and centred on the screen. Style kStyleOk gives one button (result
// 1), kStyleYesNo two (results 1 and 2); any other style gives none, and the
// box then ends only through kWmClose (wParam 2 gives 2).
// It keeps the library's window class ("MWindow"): transient windows are
// found by their title alone.
class CUIMessageBox : public MDialog {
public:
    static constexpr int32_t kStyleOk = 0;
    static constexpr int32_t kStyleYesNo = 4;
    static constexpr int32_t kWidth = 430;
    static constexpr int32_t kHeight = 230;
    // Control ids.
    static constexpr int32_t kCaptionId = 31;
    static constexpr int32_t kMessageId = 32;
    static constexpr int32_t kFirstButtonId = 33;
    static constexpr int32_t kSecondButtonId = 34;

    CUIMessageBox() = default;
    ~CUIMessageBox() override;

    // Shows the box modally and returns kIdOk (1) or kIdCancel (2).
    static int32_t Show(const QString& message, WindowHandle parent, const QString& caption, int32_t style);
    // Called with every box once its window exists, before its modal loop
    // (tests answer boxes there). Interface thread; empty clears it.
    static void SetCreatedHook(std::function<void(CUIMessageBox&)> hook);

    void SetCaption(const QString& caption) { m_caption = caption; }
    void SetMessage(const QString& message) { m_message = message; }
    void SetStyle(int32_t style) { m_style = style; }
    int32_t GetStyle() const { return m_style; }

    void OnInitDialog() override;
    void InitUI(const MRect& client) override;
    intptr_t OnMessage(int32_t id, int32_t code, intptr_t param, intptr_t lParam) override;
    void OnDestroy() override {}

private:
    QString m_caption;
    QString m_message;
    int32_t m_style = kStyleOk;
};
