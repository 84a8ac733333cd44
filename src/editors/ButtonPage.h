#pragma once

#include "devices/MouseMarker.h"
#include "editors/InputCapture.h"
#include "editors/KeyCodes.h"
#include "editors/Page.h"
#include "editors/PageControls.h"
#include "store/StoreRecords.h"

#include <QString>

#include <array>
#include <vector>

class CRadioButton;
class KeyFuncType;
class KeyFuncValue;
class MButton3;
class MComboBox;
class MDialog;
class MEdit;
class MouseCtrl;
class PageHost;

// The button page: the mouse picture with one marker per programmable
// button, the function types and, for the chosen type, the controls that pick
// the function. Apply stores the button's assignment for the current profile
// and then queues the button map (task 7); a button without a stored
// assignment has its factory function. Key capture for keyboard assignments
// runs through the window's capture path (capture mode 10).
class ButtonPage : public Page, public CaptureSink {
public:
    enum ControlId : int32_t {
        kAreaBackground = 64,
        kCaptionBand = 65,
        kTypeArea = 66,
        kValueArea = 67,
        kCaption = 68,
        kTypeList = 69,
        kTypeTitle = 70,
        kGroup = 71,
        kValues = 72,
        kPath = 73,
        kValueList = 74,
        kApply = 75,
        kRestoreButton = 76,
        kKeyField = 77,
        kCtrlBox = 78,
        kWinBox = 79,
        kAltBox = 80,
        kShiftBox = 81,
        kMouseMarkers = 82,
        kTextLink = 88,
        kPlayCaption = 89,
        kPlayFirst = 90,
        kPlayLast = 93,
        kRepeatCount = 94,
        kBrowse = 95,
    };

    explicit ButtonPage(PageHost& host);
    ~ButtonPage() override;

    int32_t TabItem() const override;
    uint32_t ReloadMask() const override;
    void Create(MDialog& dialog, MArea& container) override;
    void Layout(const MRect& area, float scale) override;
    void ApplyLanguage() override;
    void Reload() override { LoadButtons(); }
    bool OnControl(int32_t id, int32_t code, intptr_t param) override;
    void OnPageEvent(const PageEvent& event) override;
    QString ProbeState() const override;

    // CaptureSink: a key of the capture (mode 10).
    void OnCapturedInput(int32_t mode, const CapturedInput& input) override;

    // The page load: key list, marker 1 current, marker labels from the
    // description and the store, then the current button shown.
    void LoadButtons();
    // Replaces the markers with the description's (placed on the mouse
    // picture) and selects marker 1.
    void LoadMarkers();
    // The current button's stored assignment (or its factory function) shown.
    void ShowCurrentButton();

    int32_t CurrentButton() const { return m_button; }
    int32_t CurrentType() const { return m_type; }
    int32_t CapturedKey() const { return m_capturedKey; }

private:
    bool OnMarker(int32_t index);
    bool OnTypeChosen();
    bool OnGroupChosen();
    bool OnApply();
    bool OnRestoreButton();
    bool OnRepeatCommitted();
    bool OnBrowse();
    void RestoreAllButtons();

    // Shows the controls of `type` and fills them with its first choices.
    void SetupPanel(int32_t type);
    // Type 2: group 1 shows the key field and the modifier boxes, the others
    // the group's keys.
    void ShowKeyboardGroup(int32_t group);
    void FillShortcuts(int32_t group);
    void FillMacros(int32_t keepId);
    void FillSnippets(int32_t keepId);
    void RelabelPanel();
    void HidePanel();
    void SetModifierBoxes(int32_t bits);
    int32_t ModifierBoxes() const;
    void SelectPlayMode(int32_t index);
    int32_t PlayModeIndex() const;
    void StopCapture();

    // The labels of the markers: factory labels, then the stored rows'.
    void RefreshMarkerLabels();
    QString MarkerLabel(const KeyAssignment& row) const;
    QString FactoryLabel(int32_t buttonCode) const;
    const KeyAssignment* FactoryEntry(int32_t buttonCode) const;
    void PlaceMarkers();
    // The value panel's frame and the buttons below it, for what is shown.
    void PlaceFrame();
    void SelectMarkerOf(int32_t buttonCode);

    PageHost& m_host;
    PageControls m_controls;
    KeyFuncType* m_types = nullptr;
    KeyFuncValue* m_valueList = nullptr;
    MComboBox* m_group = nullptr;
    MComboBox* m_values = nullptr;
    MEdit* m_path = nullptr;
    MEdit* m_keyField = nullptr;
    MEdit* m_repeat = nullptr;
    MouseCtrl* m_markers = nullptr;
    std::array<MButton3*, 4> m_boxes{}; // Ctrl, Win, Alt, Shift
    std::array<CRadioButton*, 4> m_playModes{};

    int32_t m_button = 1;
    int32_t m_type = -1;
    int32_t m_capturedKey = 0;
    QString m_programPath;
    std::vector<KeyListEntry> m_keyList;
    std::vector<MouseMarker> m_markerList; // in picture pixels
    bool m_placeholders = true; // no description has brought markers yet
    std::vector<KeyAssignment> m_factory; // the description's, by button
    MRect m_area; // of the last layout
    float m_scale = 1.0f;
    int32_t m_panelRight = 0; // page coordinates
};
