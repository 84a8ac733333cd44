#pragma once

#include "widgets/MDialog.h"

#include <functional>
#include <memory>

class DListBox;
class SettingsStore;

// The small popup above the main window's profile button: the profiles of the
// current model with the active one current, a click switching to a profile,
// a double click (or F2) renaming one in place, and the import and export
// buttons. It changes the store only for a rename; switching, importing and
// exporting it asks of its target window with the profile message
// (AppMessages::kProfileAction), posted, so they run after the popup closed.
// It closes on a choice, on a button, and when it loses activation (a click
// elsewhere); after a rename that last way switches to the renamed profile.
class ProfileDlg : public MDialog {
public:
    enum ControlId : int32_t {
        kBackground = 30,
        kList = 31,
        kImportButton = 32,
        kExportButton = 33,
    };
    static constexpr int32_t kHeight = 205; // the popup's height
    static constexpr int32_t kButtonGap = 5; // between the popup and the button

    explicit ProfileDlg(SettingsStore& store);
    ~ProfileDlg() override;

    // Where the popup goes for a profile button at `button` (screen
    // coordinates): as wide as the button, ending kButtonGap above it.
    static MRect PopupRect(const MRect& button);

    // Who receives the profile messages, and the profile shown current.
    void SetTarget(WindowHandle target) { m_target = target; }
    void SetProfile(int32_t profile) { m_profile = profile; }
    // Called after the popup opened and after every change worth probing.
    void SetChangedHook(std::function<void()> hook) { m_changed = std::move(hook); }

    // Creates the popup at `rect` over `parent` and runs it until it closes.
    int32_t Run(WindowHandle parent, const MRect& rect);

    // The last renamed profile (at first the one given), and whether a name was stored.
    int32_t Profile() const { return m_profile; }
    bool IsEdited() const { return m_edited; }
    DListBox* List() const { return m_list; }
    // "pdlg.cur=ID pdlg.item0=x,y ... pdlg.import=x,y pdlg.export=x,y
    // pdlg.editing=0|1" in screen coordinates; empty while closed.
    QString ProbeState() const;

    void OnInitDialog() override;
    void InitUI(const MRect& client) override;
    intptr_t OnMessage(int32_t id, int32_t code, intptr_t param, intptr_t lParam) override;
    bool OnNcActivate(bool active) override;
    // While open the popup takes every press; one outside it is a click
    // elsewhere, the same as losing activation.
    void OnLButtonDown(const QPoint& point) override;
    void OnUserCloseWindow() override;
    bool OnKeyDown(int32_t key) override;
    void OnDestroy() override {}

private:
    intptr_t OnListMessage(int32_t code);
    void SwitchToChosen();
    void OnButton(uintptr_t action);
    void Dismiss();
    void Post(uintptr_t action, intptr_t profile);
    void Close();
    void Changed();

    SettingsStore& m_store;
    WindowHandle m_target = 0;
    int32_t m_profile = 0;
    bool m_edited = false;
    bool m_closing = false;
    // A click switches only once no double click (which renames) followed it.
    int m_clickSerial = 0;
    DListBox* m_list = nullptr;
    std::function<void()> m_changed;
    // Gone with this object; the timers of the window's host check it.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
