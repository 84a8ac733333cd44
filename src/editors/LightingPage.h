#pragma once

#include "editors/Page.h"
#include "editors/PageControls.h"
#include "store/StoreRecords.h"

#include <QString>

#include <array>
#include <optional>
#include <utility>
#include <vector>

class CArea;
class CColorButton;
class MComboBox;
class MEdit;
class MSlider;
class PageHost;
class PaletteBar;

// The lighting page: which of the profile's light modes is active and, for
// that mode, its brightness, speed and colour. Every mode keeps its own row
// in the store, so switching modes shows each one's settings. Lighting lives
// in the store only: every edit queues task 9, which sends nothing, because
// the mice's protocol has no lighting report.
class LightingPage : public Page {
public:
    enum ControlId : int32_t {
        kCaption = 175,
        kAreaBackground = 176,
        kModeCaption = 177,
        kMode = 178,
        kSettingsBackground = 179,
        kSettingsCaption = 181,
        kRestore = 182,
        kBrightnessCaption = 183,
        kBrightness = 184,
        kSpeedCaption = 185,
        kSpeed = 186,
        kPresetCaption = 187,
        kFirstPreset = 188,
        kLastPreset = 195,
        kColorBarCaption = 196,
        kColorBar = 197,
        kPreview = 198,
        kPreviewCaption = 199,
        kColorBarSlider = 200,
        kRedLabel = 201,
        kGreenLabel = 202,
        kBlueLabel = 203,
        kRed = 204,
        kGreen = 205,
        kBlue = 206,
    };
    // The pending-restore selector of a lighting restore.
    static constexpr int32_t kRestoreSelector = 4;

    explicit LightingPage(PageHost& host)
        : m_host(host)
    {}

    int32_t TabItem() const override;
    uint32_t ReloadMask() const override;
    void Create(MDialog& dialog, MArea& container) override;
    void Layout(const MRect& area, float scale) override;
    void ApplyLanguage() override;
    void Reload() override { LoadLighting(); }
    bool OnControl(int32_t id, int32_t code, intptr_t param) override;
    void OnPageEvent(const PageEvent& event) override;
    QString ProbeState() const override;

    // The page's load: the seven default modes on a profile's first load,
    // then the modes, the active one selected and shown.
    void LoadLighting();

private:
    enum class Shown { Loaded, Chosen };
    // Shows the selector's mode; a chosen one becomes the profile's active
    // mode. False when the mode has no stored row (nothing is shown).
    bool ShowMode(Shown how);
    bool OnModeChosen();
    bool OnLevel(int32_t id);
    bool OnPreset(int32_t id);
    bool OnColorBar(int32_t id);
    bool OnComponent(int32_t id, int32_t code);
    bool OnRestore();
    // Shows `color` in the preview and stores it for the current mode.
    void ApplyColor(uint32_t color);
    // The components of `color` into the three edits.
    void ShowComponents(uint32_t color);
    // Checks the preset with exactly this colour, none when no preset has it.
    void MarkPreset(uint32_t color);
    uint32_t ColorFromEdits() const;
    std::optional<LightMode> CurrentRow();
    bool StoreRow(const LightMode& row);
    // Puts back the default brightness, speed and colour of every default
    // mode (adding rows that are missing) and makes mode 3 active.
    bool StoreDefaultModes();
    void ModeText(int32_t index);
    void SetSettingsVisible(int32_t configFunc);

    PageHost& m_host;
    PageControls m_controls;
    MComboBox* m_mode = nullptr;
    MSlider* m_brightness = nullptr;
    MSlider* m_speed = nullptr;
    std::array<CColorButton*, 8> m_presets{};
    PaletteBar* m_colorBar = nullptr;
    MSlider* m_colorBarSlider = nullptr;
    CArea* m_preview = nullptr;
    std::array<MEdit*, 3> m_components{};
    // What the selector's items show: the text id and stored name per item.
    std::vector<std::pair<int32_t, QString>> m_modeNames;
    // config_func of the shown mode; -1 while none is shown.
    int32_t m_shownFunctions = -1;
    MRect m_area{};
    float m_scale = 1.0f;
};
