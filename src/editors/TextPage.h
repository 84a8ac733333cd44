#pragma once

#include "editors/Page.h"
#include "editors/PageControls.h"

class MDialog;
class MEdit;
class MacroList;
class PageHost;

// The text-shortcut page: the snippets a button can type, with in-place
// rename, add, delete, clear and save, and a length counter. It also carries
// out what the mouse asks the computer to do when such a button is pressed
// (start a program, open a web address, type a snippet).
class TextPage : public Page {
public:
    enum ControlId : int32_t {
        kAreaBackground = 156,
        kListBackground = 157,
        kCaption = 158,
        kListHeader = 159,
        kListCaption = 160,
        kEditorBackground = 161,
        kList = 162,
        kAdd = 163,
        kDelete = 164,
        kEditorHeader = 165,
        kEditorCaption = 166,
        kEditorFrame = 167,
        kEditor = 168,
        kCharacterMap = 169,
        kClear = 170,
        kSave = 171,
        kCounter = 172,
    };
    // The list's menu posts this to the main window (wParam: the list's id,
    // lParam: the command).
    static constexpr uint32_t kListMenuMessage = kWmUser + 701;
    static constexpr intptr_t kMenuRename = 1;
    static constexpr intptr_t kMenuDelete = 2;

    explicit TextPage(PageHost& host)
        : m_host(host)
    {}

    int32_t TabItem() const override;
    uint32_t ReloadMask() const override;
    void Create(MDialog& dialog, MArea& container) override;
    void Layout(const MRect& area, float scale) override;
    void ApplyLanguage() override;
    void Reload() override { LoadTexts(); }
    bool OnControl(int32_t id, int32_t code, intptr_t param) override;
    void OnPageEvent(const PageEvent& event) override;
    bool OnWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    QString ProbeState() const override;

    // Refills the list from the store (creating the two default snippets in
    // a store that has none) and selects `keepId` if it is still there, else
    // the first snippet.
    void LoadTexts(int32_t keepId = 0);

    // What a pressed button asks for: function 9 starts the program, 10 opens
    // the web address (both rows of t_key_otherdata), 11 types the snippet.
    // `target` is the byte the mouse sent; see ResolveTarget.
    void PerformMouseRequest(int32_t function, int32_t target);
    // Types `text` into the focused window; an empty text types nothing.
    void TypeText(const QString& text);

    // The mouse carries a target in one byte, so a row id above 255 arrives
    // cut to its low byte. The current profile's assignments of `function`
    // tell which row the mouse means: the one whose id has that low byte.
    // -1 when two assignments share the low byte (nothing is safe to run);
    // `target` itself when no assignment has it.
    int32_t ResolveTarget(int32_t function, int32_t target);

    // The name the list shows for a stored snippet name (the defaults in the
    // current language) and the content the editor shows.
    static QString DisplayName(const QString& stored);
    static QString DisplayContent(const QString& stored);

private:
    bool OnSelect();
    bool OnRenamed(int32_t index);
    bool OnAdd();
    bool OnDelete();
    bool OnClear();
    bool OnSave();
    void ShowSelected();
    void ShowCounter(int32_t length);
    int32_t SelectedId() const;

    PageHost& m_host;
    PageControls m_controls;
    MacroList* m_list = nullptr;
    MEdit* m_editor = nullptr;
};
