#pragma once

#include "editors/Page.h"

class DPIControl;
class DPISlider;
class MComboBox;
class MDialog;
class PageHost;
class ReporteCtrl;

// The DPI page: up to six DPI levels with their colours, the current level,
// how many levels are in use, and the report rate. Every edit is stored for
// the current profile first and then sent by the worker (task 10 for the
// levels, 11 for the rate, 20 for a restore).
class DpiPage : public Page {
public:
    enum ControlId : int32_t {
        kAreaBackground = 97,
        kCaption = 98,
        kContentBackground = 99,
        kSubCaption = 100,
        kDpiHelp = 101,
        kRestoreDpi = 102,
        kLevels = 103,
        kSlider = 104,
        kSendAgain = 105,
        kCountLabel = 106,
        kCount = 107,
        kRateBackground = 108,
        kRateCaption = 109,
        kRateHelp = 110,
        kRestoreRate = 111,
        kRate = 112,
    };
    // The pending-restore selector of a DPI restore.
    static constexpr int32_t kRestoreSelector = 2;

    explicit DpiPage(PageHost& host)
        : m_host(host)
    {}

    int32_t TabItem() const override;
    uint32_t ReloadMask() const override;
    void Create(MDialog& dialog, MArea& container) override;
    void Layout(const MRect& area, float scale) override;
    void ApplyLanguage() override;
    void Reload() override { LoadDpiSettings(); }
    bool OnControl(int32_t id, int32_t code, intptr_t param) override;
    void OnPageEvent(const PageEvent& event) override;
    QString ProbeState() const override;

    // The load of the levels, the count and the report rate from the store.
    void LoadDpiSettings();
    // The mouse switched to level `index` by its own DPI button: the page
    // follows; nothing is sent back.
    void OnDpiLevelChanged(int32_t index);

private:
    bool OnLevelChosen(int32_t code);
    bool OnValueTyped();
    bool OnSlider(int32_t code);
    bool OnCountChanged();
    bool OnRestoreDpi();
    bool OnRestoreRate();
    bool OnRateChosen();
    // Clears the level list and adds levels 0 to count - 1 from the store.
    void RebuildLevels(int32_t count);
    // Selects `index` (kept inside the list) and moves the slider to its value.
    void SelectLevel(int32_t index);
    void SetSliderTo(int32_t dpi);
    int32_t UpperBound() const;

    PageHost& m_host;
    MDialog* m_dialog = nullptr;
    DPIControl* m_levels = nullptr;
    DPISlider* m_slider = nullptr;
    MComboBox* m_count = nullptr;
    ReporteCtrl* m_rate = nullptr;
};
