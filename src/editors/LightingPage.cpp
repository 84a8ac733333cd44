#include "editors/LightingPage.h"

#include "editors/LightingRules.h"
#include "editors/PageControls.h"
#include "editors/PageHost.h"
#include "editors/PageRoutes.h"
#include "hid/DeviceEvents.h"
#include "language/InterfaceText.h"
#include "store/SettingsStore.h"
#include "store/StoreDefaults.h"
#include "widgets/CArea.h"
#include "widgets/CColorButton.h"
#include "widgets/CImageButton.h"
#include "widgets/MComboBox.h"
#include "widgets/MEdit.h"
#include "widgets/MSlider.h"
#include "widgets/MText.h"
#include "widgets/PaletteBar.h"

#include <algorithm>
#include <span>

namespace {

// Texts only this page shows.
constexpr int kTextCaption = 265;
constexpr int kTextMode = 266;
constexpr int kTextSettings = 267;
constexpr int kTextBrightness = 268;
constexpr int kTextSpeed = 269;
constexpr int kTextPresets = 270;
constexpr int kTextColorBar = 271;
constexpr int kTextPreview = 272;
constexpr int kTextRestoreQuestion = 275;
constexpr int kTextRestore = 276;

constexpr PageRoute kRoutes[] = {
    {LightingPage::kMode, LightingPage::kMode, PageRoute::Codes::Click},
    {LightingPage::kRestore, LightingPage::kRestore, PageRoute::Codes::Click},
    {LightingPage::kBrightness, LightingPage::kBrightness, PageRoute::Codes::Click},
    {LightingPage::kSpeed, LightingPage::kSpeed, PageRoute::Codes::Click},
    {LightingPage::kFirstPreset, LightingPage::kLastPreset, PageRoute::Codes::Click},
    {LightingPage::kColorBar, LightingPage::kColorBar, PageRoute::Codes::Click},
    {LightingPage::kColorBarSlider, LightingPage::kColorBarSlider, PageRoute::Codes::Click},
    {LightingPage::kRed, LightingPage::kBlue, PageRoute::Codes::Any},
};

// The controls each config_func bit shows.
constexpr int32_t kBrightnessControls[] = {LightingPage::kBrightnessCaption, LightingPage::kBrightness};
constexpr int32_t kSpeedControls[] = {LightingPage::kSpeedCaption, LightingPage::kSpeed};
constexpr int32_t kColorControls[] = {LightingPage::kPresetCaption, 188, 189, 190, 191, 192, 193, 194, 195,
    LightingPage::kColorBarCaption, LightingPage::kColorBar, LightingPage::kColorBarSlider,
    LightingPage::kPreviewCaption, LightingPage::kPreview, LightingPage::kRedLabel, LightingPage::kGreenLabel,
    LightingPage::kBlueLabel, LightingPage::kRed, LightingPage::kGreen, LightingPage::kBlue};

const QString kPresetGroup = QStringLiteral("DEFAULTCOLOR");

QString Text(int id)
{
    return InterfaceText::Get(id);
}

} // namespace

int32_t LightingPage::TabItem() const
{
    return PageTab::kLighting;
}

uint32_t LightingPage::ReloadMask() const
{
    return DeviceEvents::kLightingPage;
}

void LightingPage::Create(MDialog& dialog, MArea& container)
{
    m_controls.Attach(dialog, container);
    auto label = [this](int32_t id, const QString& text, int32_t size) { m_controls.Label(id, text, size); };
    auto slider = [this](int32_t id, int32_t upper, int32_t position) {
        auto* made = m_controls.Make<MSlider>(id);
        if (made) {
            made->SetImage(QStringLiteral("img_slider_bar.png"));
            made->SetMaxRange(upper);
            made->SetProgress(position);
        }
        return made;
    };

    m_controls.Picture(kAreaBackground, QStringLiteral("img_area_bkg.png"));
    label(kCaption, Text(kTextCaption), 18);
    if (auto* restore = m_controls.Make<CImageButton>(kRestore)) {
        restore->SetImage(QStringLiteral("btn_reset.png"), 4);
        restore->SetTooltip(Text(kTextRestore));
    }
    label(kModeCaption, Text(kTextMode), 16);
    m_mode = m_controls.Make<MComboBox>(kMode);
    if (m_mode)
        m_mode->SetFontWidth(14);

    m_controls.Picture(kSettingsBackground, QStringLiteral("img_area_content.png"));
    label(kSettingsCaption, Text(kTextSettings), 16);
    label(kBrightnessCaption, Text(kTextBrightness), 14);
    m_brightness = slider(kBrightness, LightingRules::kLevelMaximum, LightingRules::kInitialLevel);
    label(kSpeedCaption, Text(kTextSpeed), 14);
    m_speed = slider(kSpeed, LightingRules::kLevelMaximum, LightingRules::kInitialLevel);

    label(kPresetCaption, Text(kTextPresets), 14);
    for (size_t i = 0; i < m_presets.size(); ++i) {
        m_presets[i] = m_controls.Make<CColorButton>(kFirstPreset + int32_t(i));
        if (m_presets[i]) {
            m_presets[i]->SetColor(LightingRules::kPresetColors[i]);
            m_presets[i]->SetGroupName(kPresetGroup);
        }
    }
    label(kColorBarCaption, Text(kTextColorBar), 14);
    m_colorBar = m_controls.Make<PaletteBar>(kColorBar);
    m_colorBarSlider = slider(kColorBarSlider, PaletteBar::kPositions, 0);
    if (m_colorBar)
        m_colorBar->BindSlider(m_colorBarSlider);
    label(kPreviewCaption, Text(kTextPreview), 14);
    m_preview = m_controls.Make<CArea>(kPreview);
    const char* names[] = {"R", "G", "B"};
    for (size_t i = 0; i < m_components.size(); ++i) {
        if (auto* name = m_controls.Make<MText>(kRedLabel + int32_t(i), QString::fromLatin1(names[i]))) {
            name->SetFontWidth(14);
            name->SetAlignment(kAlignCenter);
        }
        m_components[i] = m_controls.Make<MEdit>(kRed + int32_t(i), QStringLiteral("255"));
        if (m_components[i]) {
            m_components[i]->SetAlignment(kAlignCenter);
            m_components[i]->SetFontWidth(14);
            m_components[i]->SetMaxLength(5);
        }
    }
    if (m_preview)
        m_preview->SetTransparent(0, 6, ColorFromEdits());
    SetSettingsVisible(-1);
}

void LightingPage::Layout(const MRect& area, float scale)
{
    m_area = area;
    m_scale = scale;
    if (!m_controls.IsAttached())
        return;
    auto place = [&](int32_t id, int32_t left, int32_t top, int32_t right, int32_t bottom) {
        m_controls.Place(id, area, scale, {left, top, right, bottom});
    };
    auto textWidth = [&](int32_t id) { return m_controls.TitleWidth(id) + 8; };
    // The panel keeps to the left so the mouse's picture stays in view.
    const int32_t right = std::min(area.Width() - 20, 620);
    const int32_t left = 40;
    const int32_t inner = left + 20;
    const int32_t innerRight = right - 40;
    const int32_t labelWidth = 120;

    place(kCaption, left, 30, right - 70, 64);
    place(kRestore, right - 58, 32, right - 30, 60);
    const int32_t modeLabel = std::min(textWidth(kModeCaption), 200);
    place(kModeCaption, left, 78, left + modeLabel, 114);
    place(kMode, left + modeLabel + 12, 78, left + modeLabel + 232, 114);

    int32_t y = 130;
    const int32_t functions = std::max(m_shownFunctions, 0);
    if (functions & (LightingRules::kHasBrightness | LightingRules::kHasSpeed | LightingRules::kHasColor)) {
        const int32_t top = y;
        place(kSettingsCaption, inner, y + 10, innerRight, y + 40);
        y += 52;
        if (functions & LightingRules::kHasBrightness) {
            place(kBrightnessCaption, inner, y, inner + labelWidth, y + 30);
            place(kBrightness, inner + labelWidth + 10, y, innerRight, y + 30);
            y += 44;
        }
        if (functions & LightingRules::kHasSpeed) {
            place(kSpeedCaption, inner, y, inner + labelWidth, y + 30);
            place(kSpeed, inner + labelWidth + 10, y, innerRight, y + 30);
            y += 44;
        }
        if (functions & LightingRules::kHasColor) {
            place(kPresetCaption, inner, y, innerRight, y + 28);
            y += 34;
            for (int32_t i = 0; i < int32_t(m_presets.size()); ++i)
                place(kFirstPreset + i, inner + i * 46, y, inner + i * 46 + 34, y + 34);
            y += 48;
            place(kColorBarCaption, inner, y, innerRight, y + 28);
            y += 34;
            place(kColorBar, inner, y, innerRight, y + 28);
            y += 32;
            place(kColorBarSlider, inner, y, innerRight, y + 26);
            y += 42;
            const int32_t previewLabel = std::min(textWidth(kPreviewCaption), 140);
            place(kPreviewCaption, inner, y, inner + previewLabel, y + 36);
            int32_t x = inner + previewLabel + 8;
            place(kPreview, x, y, x + 56, y + 36);
            x += 80;
            for (int32_t i = 0; i < 3; ++i) {
                place(kRedLabel + i, x, y, x + 18, y + 36);
                place(kRed + i, x + 22, y, x + 82, y + 36);
                x += 100;
            }
            y += 50;
        }
        place(kSettingsBackground, left, top, right - 20, y);
        y += 12;
    }
    place(kAreaBackground, 20, 22, right, std::max(y + 8, 140));
}

void LightingPage::ApplyLanguage()
{
    if (!m_controls.IsAttached())
        return;
    static constexpr std::pair<int32_t, int> kTitles[] = {{kCaption, kTextCaption}, {kModeCaption, kTextMode},
        {kSettingsCaption, kTextSettings}, {kBrightnessCaption, kTextBrightness}, {kSpeedCaption, kTextSpeed},
        {kPresetCaption, kTextPresets}, {kColorBarCaption, kTextColorBar}, {kPreviewCaption, kTextPreview}};
    m_controls.SetTitles(kTitles);
    if (MControl* restore = m_controls.Find(kRestore))
        restore->SetTooltip(Text(kTextRestore));
    for (int32_t i = 0; i < int32_t(m_modeNames.size()); ++i)
        ModeText(i);
    if (m_area.Width() > 0)
        Layout(m_area, m_scale);
}

void LightingPage::ModeText(int32_t index)
{
    if (!m_mode || index < 0 || index >= int32_t(m_modeNames.size()))
        return;
    // The display name is an interface text; a row that names none (or one
    // the language lacks) shows its stored name, else its number.
    const auto& [textId, name] = m_modeNames[size_t(index)];
    QString text = textId > 0 ? Text(textId) : QString();
    if (text.isEmpty())
        text = name.isEmpty() ? QString::number(m_mode->GetItemData(index)) : name;
    m_mode->SetItemText(index, text);
}

void LightingPage::SetSettingsVisible(int32_t configFunc)
{
    m_shownFunctions = configFunc;
    const int32_t functions = std::max(configFunc, 0);
    auto show = [this](std::span<const int32_t> ids, bool visible) {
        for (int32_t id : ids) {
            if (MControl* control = m_controls.Find(id))
                control->SetVisible(visible);
        }
    };
    show(kBrightnessControls, functions & LightingRules::kHasBrightness);
    show(kSpeedControls, functions & LightingRules::kHasSpeed);
    show(kColorControls, functions & LightingRules::kHasColor);
    const bool any = functions & (LightingRules::kHasBrightness | LightingRules::kHasSpeed | LightingRules::kHasColor);
    const int32_t frame[] = {kSettingsBackground, kSettingsCaption};
    show(frame, any);
    if (m_area.Width() > 0)
        Layout(m_area, m_scale);
}

// ---- Loading ----

void LightingPage::LoadLighting()
{
    if (!m_mode)
        return;
    SettingsStore& store = m_host.Store();
    const int32_t profile = m_host.CurrentProfile();
    if (!store.AddDefaultLightModes(profile))
        m_host.StoreWriteFailed();

    std::vector<LightMode> rows;
    store.ListLightModes(profile, rows);
    m_mode->DelAllItems();
    m_modeNames.clear();
    for (const LightMode& row : rows) {
        m_mode->AddItem({}, row.mode);
        m_modeNames.emplace_back(row.reserved, row.name);
        ModeText(m_mode->GetItemCount() - 1);
    }
    // Without an active mode (GetActiveLightMode answers 0 then) the first
    // mode with that number is shown, or the first mode; nothing is stored.
    if (m_mode->SelectData(store.GetActiveLightMode(profile)) < 0 && m_mode->GetItemCount() > 0)
        m_mode->SetCurSel(0);
    ShowMode(Shown::Loaded);
}

bool LightingPage::ShowMode(Shown how)
{
    const std::optional<LightMode> row = CurrentRow();
    if (!row) {
        SetSettingsVisible(-1);
        return false;
    }
    if (how == Shown::Chosen && !m_host.Store().SetActiveLightMode(m_host.CurrentProfile(), row->mode))
        m_host.StoreWriteFailed();
    if (m_brightness)
        m_brightness->SetProgress(LightingRules::ShownLevel(row->brightness));
    if (m_speed)
        m_speed->SetProgress(LightingRules::ShownLevel(row->speed));
    const uint32_t color = LightingRules::ShownColor(row->color_value);
    ShowComponents(color);
    if (m_preview)
        m_preview->SetTransparent(0, 6, color);
    SetSettingsVisible(row->config_func);
    return true;
}

std::optional<LightMode> LightingPage::CurrentRow()
{
    const intptr_t mode = m_mode ? m_mode->GetCurData() : -1;
    LightMode row;
    if (mode < 0 || !m_host.Store().GetLightMode(m_host.CurrentProfile(), int32_t(mode), row))
        return std::nullopt;
    return row;
}

bool LightingPage::StoreRow(const LightMode& row)
{
    if (m_host.Store().UpdateLightMode(m_host.CurrentProfile(), row.mode, row))
        return true;
    m_host.StoreWriteFailed();
    return false;
}

// ---- Edits ----

bool LightingPage::OnControl(int32_t id, int32_t code, intptr_t)
{
    if (!RouteAccepts(kRoutes, id, code) || !m_mode)
        return false;
    if (id >= kFirstPreset && id <= kLastPreset)
        return OnPreset(id);
    switch (id) {
    case kMode:
        return OnModeChosen();
    case kBrightness:
    case kSpeed:
        return OnLevel(id);
    case kColorBar:
    case kColorBarSlider:
        return OnColorBar(id);
    case kRed:
    case kGreen:
    case kBlue:
        return OnComponent(id, code);
    case kRestore:
        return OnRestore();
    default:
        return false;
    }
}

bool LightingPage::OnModeChosen()
{
    if (ShowMode(Shown::Chosen))
        m_host.QueueTask(WorkerTask::LightingOnly);
    return true;
}

bool LightingPage::OnLevel(int32_t id)
{
    std::optional<LightMode> row = CurrentRow();
    MSlider* slider = id == kBrightness ? m_brightness : m_speed;
    if (!row || !slider)
        return true;
    (id == kBrightness ? row->brightness : row->speed) = slider->GetProgress();
    if (StoreRow(*row))
        m_host.QueueTask(WorkerTask::LightingOnly);
    return true;
}

bool LightingPage::OnPreset(int32_t id)
{
    const CColorButton* preset = m_presets[size_t(id - kFirstPreset)];
    if (!preset)
        return false;
    const uint32_t color = preset->GetColor();
    ShowComponents(color);
    ApplyColor(color);
    return true;
}

bool LightingPage::OnColorBar(int32_t id)
{
    if (!m_colorBar || !m_colorBarSlider)
        return false;
    int32_t position = m_colorBar->GetPosition();
    if (id == kColorBarSlider) {
        position = m_colorBarSlider->GetProgress();
        m_colorBar->SetPosition(position);
    }
    for (CColorButton* preset : m_presets) {
        if (preset)
            preset->SetCheck(false);
    }
    const uint32_t color = PaletteBar::PaletteHSLToRGB(position);
    ShowComponents(color);
    ApplyColor(color);
    return true;
}

bool LightingPage::OnComponent(int32_t id, int32_t code)
{
    if (code != kNotifyEditChanged && code != kNotifyEditCommit)
        return false;
    MEdit* edit = m_components[size_t(id - kRed)];
    if (!edit)
        return false;
    const QString typed = edit->GetEditText();
    const QString value = QString::number(LightingRules::ClampComponent(typed));
    if (value != typed)
        edit->SetTitle(value);
    const uint32_t color = ColorFromEdits();
    // Enter or leaving the field after typing has nothing new to store.
    if (code == kNotifyEditCommit) {
        const std::optional<LightMode> row = CurrentRow();
        if (row && row->color_value == int32_t(color))
            return true;
    }
    MarkPreset(color);
    ApplyColor(color);
    return true;
}

void LightingPage::ShowComponents(uint32_t color)
{
    const std::array<int32_t, 3> components = LightingRules::Components(color);
    for (size_t i = 0; i < m_components.size(); ++i) {
        if (m_components[i])
            m_components[i]->SetTitle(QString::number(components[i]));
    }
    MarkPreset(color);
}

void LightingPage::MarkPreset(uint32_t color)
{
    const int32_t preset = LightingRules::PresetIndex(color);
    for (size_t i = 0; i < m_presets.size(); ++i) {
        if (m_presets[i])
            m_presets[i]->SetCheck(int32_t(i) == preset);
    }
}

uint32_t LightingPage::ColorFromEdits() const
{
    std::array<int32_t, 3> components{};
    for (size_t i = 0; i < m_components.size(); ++i)
        components[i] = m_components[i] ? LightingRules::ClampComponent(m_components[i]->GetEditText()) : 0;
    return LightingRules::Compose(components[0], components[1], components[2]);
}

void LightingPage::ApplyColor(uint32_t color)
{
    if (m_preview)
        m_preview->SetTransparent(0, 6, color);
    std::optional<LightMode> row = CurrentRow();
    if (!row)
        return;
    row->color_value = int32_t(color);
    if (StoreRow(*row))
        m_host.QueueTask(WorkerTask::LightingOnly);
}

bool LightingPage::OnRestore()
{
    if (!m_host.Ask(Text(kTextRestoreQuestion), Text(kTextRestore)))
        return false;
    if (!StoreDefaultModes()) {
        m_host.StoreWriteFailed();
        return true;
    }
    // The worker's restore hands back to the page, which reloads what was stored.
    m_host.SetPendingRestore(kRestoreSelector);
    m_host.QueueTask(WorkerTask::RestorePending);
    return true;
}

bool LightingPage::StoreDefaultModes()
{
    SettingsStore& store = m_host.Store();
    const int32_t profile = m_host.CurrentProfile();
    // One hold of the store: the worker never reads a half-restored profile.
    const auto lock = store.Lock();
    bool stored = true;
    for (const StoreDefaults::DefaultLightMode& defaults : StoreDefaults::kLightModes) {
        LightMode row;
        const bool exists = store.GetLightMode(profile, defaults.mode, row);
        row.profile = profile;
        row.mode = defaults.mode;
        row.brightness = LightingRules::kDefaultBrightness;
        row.speed = LightingRules::kDefaultSpeed;
        row.direction = 0;
        row.colorful = 1;
        row.colorindex = 0;
        row.color_value = int32_t(LightingRules::kDefaultColor);
        row.config_func = defaults.configFunc;
        row.reserved = defaults.textId;
        if (exists) {
            stored = store.UpdateLightMode(profile, defaults.mode, row) && stored;
        } else {
            row.name = QString::fromUtf8(defaults.name);
            row.status = 0;
            stored = store.AddLightMode(row) != 0 && stored;
        }
    }
    return store.SetActiveLightMode(profile, StoreDefaults::kDefaultActiveLightMode) && stored;
}

// ---- What the worker reports ----

void LightingPage::OnPageEvent(const PageEvent& event)
{
    if (event.kind == PageEvent::Kind::RestoreLighting)
        LoadLighting();
}

QString LightingPage::ProbeState() const
{
    if (!m_mode || !m_brightness || !m_speed)
        return {};
    const int32_t functions = std::max(m_shownFunctions, 0);
    QString shown;
    if (functions & LightingRules::kHasBrightness)
        shown += QLatin1Char('b');
    if (functions & LightingRules::kHasSpeed)
        shown += QLatin1Char('s');
    if (functions & LightingRules::kHasColor)
        shown += QLatin1Char('c');
    QString fields = QStringLiteral("light.mode=%1 light.brightness=%2 light.speed=%3 light.color=%4 light.shows=%5")
                         .arg(m_mode->GetCurData())
                         .arg(m_brightness->GetProgress())
                         .arg(m_speed->GetProgress())
                         .arg(ColorFromEdits(), 6, 16, QLatin1Char('0'))
                         .arg(shown.isEmpty() ? QStringLiteral("-") : shown);
    // Where the mode selector's drop-down puts its first item, for a test
    // that opens it and picks a mode by real clicks.
    if (m_mode->isVisible()) {
        const QPoint first = m_mode->mapToGlobal(QPoint(m_mode->width() / 2, m_mode->height()));
        fields += QStringLiteral(" light.modelist=%1,%2").arg(first.x()).arg(first.y());
    }
    return fields;
}
