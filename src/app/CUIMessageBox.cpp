#include "app/CUIMessageBox.h"

#include "app/StateProbe.h"
#include "language/TextIds.h"
#include "language/InterfaceText.h"
#include "widgets/MButton.h"
#include "widgets/MText.h"

#include <QTimer>

namespace {
std::function<void(CUIMessageBox&)> g_createdHook;
} // namespace

CUIMessageBox::~CUIMessageBox() = default;

void CUIMessageBox::SetCreatedHook(std::function<void(CUIMessageBox&)> hook)
{
    g_createdHook = std::move(hook);
}

int32_t CUIMessageBox::Show(const QString& message, WindowHandle parent, const QString& caption, int32_t style)
{
    CUIMessageBox box;
    box.SetCaption(caption);
    box.SetMessage(message);
    box.SetStyle(style);
    box.LoadBKImage(QStringLiteral("bk_prompt.png"));
    box.SetBackMode(1, 30);
    if (!box.Create(parent, QStringLiteral("MessageBox"), kWsDialog, kWsExToolWindow, {0, 0, kWidth, kHeight}))
        return kIdCancel;
    box.CenterWindow();
    if (g_createdHook)
        g_createdHook(box);
    if (StateProbe::Enabled()) {
        // Printed from inside the box's loop, once it is shown.
        const QString line = QStringLiteral("box first=%1 second=%2 caption=%3 text=%4")
                                 .arg(StateProbe::ScreenCentre(box.GetControl(kFirstButtonId)),
                                     StateProbe::ScreenCentre(box.GetControl(kSecondButtonId)), caption, message);
        QTimer::singleShot(0, [line] { StateProbe::Line(line); });
    }
    const int32_t result = box.ShowModal(kSwShowNormal);
    StateProbe::Line(QStringLiteral("box closed result=%1").arg(result));
    // A result other than the two answers (a close with an odd wParam) is a refusal.
    return result == kIdOk ? kIdOk : kIdCancel;
}

void CUIMessageBox::OnInitDialog()
{
    MDialog::OnInitDialog();
    SetTopmost(true);
}

void CUIMessageBox::InitUI(const MRect& client)
{
    SetLayeredWindow(true);
    const int32_t w = client.Width();
    const int32_t h = client.Height();
    if (auto* caption = Create<MText>(kCaptionId, {20, 15, w - 20, 45}, m_caption)) {
        caption->SetFontWidth(16);
        caption->SetAlignment(kAlignCenter);
    }
    if (auto* text = Create<MText>(kMessageId, {20, 50, w - 20, h - 50}, m_message)) {
        text->SetFontWidth(16);
        text->SetVAlignment(kVAlignCenter);
        text->SetAlignment(kAlignCenter);
        text->SetTextColor(0xFFFFFFFF);
    }
    auto addButton = [this](int32_t id, const MRect& rect, int textId) {
        if (auto* button = Create<MButton>(id, rect, InterfaceText::Get(textId))) {
            button->SetImage(QStringLiteral("img_button.png"), 4);
            button->SetFontWidth(16);
        }
    };
    const int32_t top = h - 50;
    const int32_t bottom = h - 14;
    const int32_t middle = w / 2;
    if (m_style == kStyleOk) {
        addButton(kFirstButtonId, {60, top, w - 60, bottom}, TextIds::kBoxOk);
    } else if (m_style == kStyleYesNo) {
        addButton(kFirstButtonId, {middle - 120, top, middle - 20, bottom}, TextIds::kBoxYes);
        addButton(kSecondButtonId, {middle + 20, top, middle + 120, bottom}, TextIds::kBoxNo);
    }
}

intptr_t CUIMessageBox::OnMessage(int32_t id, int32_t code, intptr_t, intptr_t)
{
    if (code != kNotifyClick)
        return 0;
    if (id == kFirstButtonId) {
        DoOK();
        return 1;
    }
    if (id == kSecondButtonId) {
        DoCancel();
        return 1;
    }
    return 0;
}
