#pragma once

#include "editors/InputCapture.h"
#include "editors/MacroRecorder.h"
#include "editors/Page.h"
#include "editors/PageControls.h"

#include <QString>

#include <cstdint>
#include <vector>

class CIconButton;
class CRecordList;
class MComboBox;
class MDialog;
class MEdit;
class MText;
class MacroList;
class PageHost;
struct RecordItem;

// The macro page: the list of named macros (shared by every profile) and the
// events of the selected one — key presses and releases, mouse buttons and
// wheel turns, each with the pause after it. Events are recorded from the
// keyboard and mouse, inserted by hand, moved, deleted and have their delays
// edited in place; every change of a macro's events is stored at once, the
// whole macro in one store operation, and then sent by the worker (task 6).
class MacroPage : public Page, public CaptureSink {
public:
    enum ControlId : int32_t {
        kAreaBackground = 113,
        kListBackground = 114,
        kCaption = 115,
        kEventBackground = 116,
        kListCaption = 117,
        kMacroList = 119,
        kNewMacro = 120,
        kImport = 121,
        kExport = 122,
        kEventCaption = 124,
        kColumnNumber = 127,
        kColumnEvent = 128,
        kColumnType = 129,
        kColumnDelay = 130,
        kEventList = 131,
        kDeleteEvent = 133,
        kDeleteAll = 134,
        kEventCount = 135,
        kRecord = 138,
        kDelayCaption = 139,
        kDelayDefault = 140,
        kDelayMeasured = 141,
        kDelayFixed = 142,
        kFixedDelay = 144,
        kFixedDelayUnit = 145,
        kInsertCaption = 146,
        kInsertPosition = 147,
        kKindKey = 148,
        kKindMouse = 149,
        kKindWheel = 150,
        kKindDelay = 151,
        kKeyField = 152,
        kPauseField = 153,
        kMouseButton = 154,
        kInsert = 155,
    };
    // Items of the insert position list.
    static constexpr intptr_t kInsertBefore = 0;
    static constexpr intptr_t kInsertAfter = 1;

    explicit MacroPage(PageHost& host)
        : m_host(host)
    {}

    int32_t TabItem() const override;
    uint32_t ReloadMask() const override;
    void Create(MDialog& dialog, MArea& container) override;
    void Layout(const MRect& area, float scale) override;
    void ApplyLanguage() override;
    void Reload() override { LoadMacroPage(); }
    bool OnControl(int32_t id, int32_t code, intptr_t param) override;
    bool OnWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    void OnPageEvent(const PageEvent& event) override;
    QString ProbeState() const override;
    // Recorded input (kMacroRecording) and the key for the key field (kMacroKey).
    void OnCapturedInput(int32_t mode, const CapturedInput& input) override;

    // Refills the macro list from the store and shows the events of the macro
    // shown before (the first when that one is gone).
    void LoadMacroPage();
    // The macro whose events the page shows; 0 when none.
    int32_t CurrentMacro() const { return m_macroId; }
    // A key captured for the key field (virtual key and its name).
    void SetCapturedKey(int32_t virtualKey, const QString& name);

    // The record button: starts recording into the shown macro, or stops.
    void OnRecord();
    bool IsRecording() const { return m_recorder.IsRecording(); }
    // Ends a recording under way: the capture ends, the macro is stored and
    // the page is editable again; with `limit` the user hears why.
    enum class StopReason { User, Limit };
    void StopRecording(StopReason reason = StopReason::User);

    // What the list's and the event list's menus do (messages 1709, 1710, 1711).
    void CopyMacro();
    void DeleteMacro();
    void InsertPairFromMenu(intptr_t command);
    void MoveEvent(intptr_t command);

private:
    bool OnMacroChosen();
    bool OnRename(int32_t index);
    bool OnNewMacro();
    bool OnImport();
    bool OnExport();
    bool OnDeleteEvent();
    bool OnDeleteAll();
    bool OnDelayMode(int32_t id);
    bool OnFixedDelayCommitted();
    bool OnPauseDelayCommitted();
    bool OnEventKind(int32_t id);
    bool OnInsert();

    // Shows `macroId`'s delay settings and events; 0 empties the event list.
    void LoadMacro(int32_t macroId);
    // Stores the shown macro whole — its delay settings and its events in list
    // order — and queues the upload. Nothing without a shown macro; false (and
    // the window told) when the store did not take it.
    bool SaveMacro();
    // Stores the delay settings alone: they change no byte sent to the mouse.
    void SaveDelaySettings();
    // The delay settings the buttons and the field show.
    int32_t DelayType() const;
    int32_t FixedDelay() const;
    void ShowCount();
    // Inserts a press and its release of `type` (key or button down), before
    // or after the selected event or at the end, keeping the limit; true
    // when inserted.
    bool InsertPair(int32_t downType, int32_t value, const QString& name, intptr_t position);
    // The list's item of a macro id; -1 when not listed.
    int32_t IndexOfMacro(int32_t macroId) const;
    void ShowKindField(int32_t kind);
    void TellLimit();
    void OnKeyField(int32_t code);
    void RecordInput(const CapturedInput& input);
    // Everything but the record button is disabled while recording.
    void SetEditable(bool editable);
    void ShowRecordButton(bool recording);

    PageHost& m_host;
    PageControls m_controls;
    MacroList* m_macros = nullptr;
    CRecordList* m_events = nullptr;
    MText* m_count = nullptr;
    CIconButton* m_record = nullptr;
    MEdit* m_fixedDelay = nullptr;
    MEdit* m_keyField = nullptr;
    MEdit* m_pauseField = nullptr;
    MComboBox* m_position = nullptr;
    MComboBox* m_mouseButton = nullptr;

    int32_t m_macroId = 0; // the macro whose events are shown
    int32_t m_delayType = 1; // the delay button checked
    int32_t m_capturedKey = 0; // virtual key for the key field, 0: none
    QString m_capturedName;
    MacroRecorder m_recorder;
};
