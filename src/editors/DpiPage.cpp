#include "editors/DpiPage.h"

#include "editors/DpiRules.h"
#include "editors/PageHost.h"
#include "editors/PageRoutes.h"
#include "editors/SettingEdits.h"
#include "hid/DeviceEvents.h"
#include "language/InterfaceText.h"
#include "widgets/CHelpButton.h"
#include "widgets/CImageButton.h"
#include "widgets/DPIControl.h"
#include "widgets/DPISlider.h"
#include "widgets/MButton.h"
#include "widgets/MComboBox.h"
#include "widgets/MDialog.h"
#include "widgets/MPicture.h"
#include "widgets/MText.h"
#include "widgets/ReporteCtrl.h"

#include <QLineEdit>

#include <algorithm>
#include <array>

namespace {

// Texts only this page shows.
constexpr int kTextSendAgain = 41;
constexpr int kTextCaption = 250;
constexpr int kTextLevels = 251;
constexpr int kTextDpiHelp = 252;
constexpr int kTextRestoreDpi = 253;
constexpr int kTextRateCaption = 255;
constexpr int kTextRateHelp = 256;
constexpr int kTextRestoreRate = 257;
constexpr int kTextRestoreDpiQuestion = 258;
constexpr int kTextRestoreRateQuestion = 259;
constexpr int kTextCount = 260;

constexpr PageRoute kRoutes[] = {
    {DpiPage::kLevels, DpiPage::kSlider, PageRoute::Codes::Any},
    {DpiPage::kRestoreDpi, DpiPage::kRestoreDpi, PageRoute::Codes::Click},
    {DpiPage::kSendAgain, DpiPage::kSendAgain, PageRoute::Codes::Click},
    {DpiPage::kCount, DpiPage::kCount, PageRoute::Codes::Click},
    {DpiPage::kRestoreRate, DpiPage::kRate, PageRoute::Codes::Click},
};

// Indexes above this in the store are taken as level 0 when loading.
constexpr int32_t kHighestLoadedIndex = 8;

QString Text(int id)
{
    return InterfaceText::Get(id);
}

QString ValueKey(int32_t level)
{
    return QStringLiteral("dpi_group%1_value").arg(level);
}

QString ColorKey(int32_t level)
{
    return QStringLiteral("dpi_group%1_rgb").arg(level);
}

const QString kIndexKey = QStringLiteral("dpi_index");
const QString kCountKey = QStringLiteral("dpi_count");
const QString kRateKey = QStringLiteral("report_rate");

} // namespace

int32_t DpiPage::TabItem() const
{
    return PageTab::kDpi;
}

uint32_t DpiPage::ReloadMask() const
{
    return DeviceEvents::kDpiPerformancePage;
}

void DpiPage::Create(MDialog& dialog, MArea& container)
{
    m_dialog = &dialog;
    auto picture = [&](int32_t id, const char* image) {
        if (MArea* area = dialog.CreateArea(QStringLiteral("MPicture"), id, {}, {}, &container))
            area->SetImage(QString::fromLatin1(image));
    };
    auto label = [&](int32_t id, int textId, int32_t size, int32_t alignment) {
        if (auto* text = dialog.Create<MText>(id, {}, Text(textId), &container)) {
            text->SetFontWidth(size);
            text->SetAlignment(alignment);
            text->SetVAlignment(kVAlignCenter);
        }
    };
    auto help = [&](int32_t id, int textId) {
        if (auto* button = dialog.Create<CHelpButton>(id, {}, Text(textId), &container))
            button->SetImage(QStringLiteral("img_help.png"), 4);
    };
    auto restore = [&](int32_t id, int tipId) {
        if (auto* button = dialog.Create<CImageButton>(id, {}, {}, &container)) {
            button->SetImage(QStringLiteral("btn_reset.png"), 4);
            button->SetTooltip(Text(tipId));
        }
    };

    picture(kAreaBackground, "img_area_bkg.png");
    label(kCaption, kTextCaption, 18, kAlignLeft);
    picture(kContentBackground, "img_area_content.png");
    label(kSubCaption, kTextLevels, 16, kAlignLeft);
    help(kDpiHelp, kTextDpiHelp);
    restore(kRestoreDpi, kTextRestoreDpi);

    m_levels = dialog.Create<DPIControl>(kLevels, {}, {}, &container);
    if (m_levels) {
        const auto& levels = DpiRules::kRestoreLevels;
        for (size_t i = 0; i < levels.size(); ++i)
            m_levels->AddItem(
                levels[i].value, i + 1 == levels.size() ? DpiRules::kCreationSixthColor : levels[i].color);
    }
    m_slider = dialog.Create<DPISlider>(kSlider, {}, {}, &container);
    if (m_slider) {
        m_slider->SetImage(QStringLiteral("img_dpi_bar.png"));
        // Position 0 would be 0 DPI, which no mouse takes: the lowest level is 50.
        m_slider->SetMinRange(DpiRules::kMinimum / DpiRules::kStep);
        m_slider->SetMaxRange(DpiRules::UpperBound(0) / DpiRules::kStep);
    }
    if (auto* send = dialog.Create<MButton>(kSendAgain, {}, Text(kTextSendAgain), &container)) {
        send->SetImage(QStringLiteral("img_button.png"), 4);
        send->SetFontWidth(14);
    }
    label(kCountLabel, kTextCount, 16, kAlignRight);
    m_count = dialog.Create<MComboBox>(kCount, {}, {}, &container);
    if (m_count) {
        for (int32_t n = 1; n <= DpiRules::kLevelCount; ++n)
            m_count->AddItem(QString::number(n), n);
        m_count->SelectData(DpiRules::kLevelCount);
    }

    picture(kRateBackground, "img_area_content.png");
    label(kRateCaption, kTextRateCaption, 16, kAlignLeft);
    help(kRateHelp, kTextRateHelp);
    restore(kRestoreRate, kTextRestoreRate);
    m_rate = dialog.Create<ReporteCtrl>(kRate, {}, {}, &container);
    if (m_rate) {
        for (const DpiRules::ReportRate& rate : DpiRules::kReportRates)
            m_rate->AddItem(QString::fromLatin1(rate.label), rate.code, rate.color);
        m_rate->SetSelectItem(2);
    }
}

void DpiPage::Layout(const MRect& area, float scale)
{
    if (!m_dialog)
        return;
    auto at = [scale](int32_t v) { return int32_t(float(v) * scale); };
    auto place = [&](int32_t id, const MRect& rect) {
        if (MControl* control = m_dialog->GetControl(id))
            control->SetRect(
                {area.left + rect.left, area.top + rect.top, area.left + rect.right, area.top + rect.bottom});
    };
    const int32_t w = area.Width();
    const int32_t margin = 20;
    const int32_t inner = margin + 20;

    // The DPI block: caption, then the levels, the slider and the count.
    place(kAreaBackground, {margin, at(22), w - margin, at(585)});
    place(kCaption, {inner, at(30), w - inner, at(64)});
    place(kContentBackground, {inner, at(70), w - inner, at(384)});
    place(kSubCaption, {inner + 20, at(76), inner + 150, at(106)});
    place(kDpiHelp, {inner + 160, at(80), inner + 182, at(102)});
    place(kRestoreDpi, {w - inner - 48, at(78), w - inner - 20, at(106)});
    place(kLevels, {inner + 20, at(116), w - inner - 20, at(236)});
    place(kSlider, {inner + 20, at(250), w - inner - 20, at(306)});
    place(kCountLabel, {inner + 20, at(326), inner + 220, at(362)});
    place(kCount, {inner + 230, at(326), inner + 330, at(362)});
    place(kSendAgain, {w - inner - 180, at(326), w - inner - 20, at(362)});

    // The report rate below it.
    place(kRateBackground, {inner, at(396), w - inner, at(568)});
    place(kRateCaption, {inner + 20, at(408), inner + 150, at(438)});
    place(kRateHelp, {inner + 160, at(412), inner + 182, at(434)});
    place(kRestoreRate, {w - inner - 48, at(410), w - inner - 20, at(438)});
    place(kRate, {inner + 20, at(456), std::min(w - inner - 20, inner + 20 + at(640)), at(520)});
}

void DpiPage::ApplyLanguage()
{
    if (!m_dialog)
        return;
    const std::pair<int32_t, int> titles[] = {{kCaption, kTextCaption}, {kSubCaption, kTextLevels},
        {kDpiHelp, kTextDpiHelp}, {kSendAgain, kTextSendAgain}, {kCountLabel, kTextCount},
        {kRateCaption, kTextRateCaption}, {kRateHelp, kTextRateHelp}};
    for (const auto& [id, textId] : titles) {
        if (auto* control = dynamic_cast<MControlFont*>(m_dialog->GetControl(id)))
            control->SetTitle(Text(textId));
    }
    if (MControl* restore = m_dialog->GetControl(kRestoreDpi))
        restore->SetTooltip(Text(kTextRestoreDpi));
    if (MControl* restore = m_dialog->GetControl(kRestoreRate))
        restore->SetTooltip(Text(kTextRestoreRate));
}

int32_t DpiPage::UpperBound() const
{
    return DpiRules::UpperBound(m_host.CurrentDeviceType());
}

// ---- Loading ----

void DpiPage::LoadDpiSettings()
{
    if (!m_levels || !m_slider || !m_count || !m_rate)
        return;
    // The report rate; a stored code no entry has leaves none selected.
    m_rate->DeleteAllItems();
    for (const DpiRules::ReportRate& rate : DpiRules::kReportRates)
        m_rate->AddItem(QString::fromLatin1(rate.label), rate.code, rate.color);
    m_rate->SetSelectItemValue(m_host.ConfigInt(kRateKey));

    int32_t index = m_host.ConfigInt(kIndexKey);
    if (index > kHighestLoadedIndex)
        index = 0;
    // A stored count outside 1 to 6 is shown as the nearest; the store keeps
    // what it has until the user changes it.
    const int32_t count = DpiRules::ClampCount(m_host.ConfigInt(kCountKey));
    m_count->SelectData(count);
    RebuildLevels(count);
    SelectLevel(DpiRules::ClampIndex(index, count));

    if (const int32_t steps = DpiRules::SliderSteps(m_host.CurrentDeviceType()))
        m_slider->SetMaxRange(steps);
    SetSliderTo(m_levels->GetDPIValue(m_levels->GetSelectItem()));
}

void DpiPage::RebuildLevels(int32_t count)
{
    m_levels->ClearList();
    for (int32_t level = 0; level < count; ++level) {
        const uint32_t color = uint32_t(m_host.ConfigInt(ColorKey(level))) & 0xFFFFFF;
        m_levels->AddItem(m_host.ConfigInt(ValueKey(level)), color);
    }
}

void DpiPage::SelectLevel(int32_t index)
{
    if (!m_levels || m_levels->GetItemCount() == 0)
        return;
    index = std::clamp(index, 0, m_levels->GetItemCount() - 1);
    m_levels->SetSelectItem(index);
    SetSliderTo(m_levels->GetDPIValue(index));
}

void DpiPage::SetSliderTo(int32_t dpi)
{
    if (m_slider && dpi >= 0)
        m_slider->SetProgress(dpi / DpiRules::kStep);
}

// ---- Edits ----

bool DpiPage::OnControl(int32_t id, int32_t code, intptr_t)
{
    if (!RouteAccepts(kRoutes, id, code) || !m_levels)
        return false;
    switch (id) {
    case kLevels:
        if (code == kNotifyEditCommit)
            return OnValueTyped();
        if (code == kNotifyClick || code == kNotifyContextClick || code == kNotifyEditFocus)
            return OnLevelChosen(code);
        return false;
    case kSlider:
        return OnSlider(code);
    case kSendAgain:
        m_host.QueueTask(WorkerTask::SetDpi);
        return true;
    case kCount:
        return OnCountChanged();
    case kRestoreDpi:
        return OnRestoreDpi();
    case kRestoreRate:
        return OnRestoreRate();
    case kRate:
        return OnRateChosen();
    default:
        return false;
    }
}

bool DpiPage::OnLevelChosen(int32_t code)
{
    const int32_t index = m_levels->GetSelectItem();
    if (index < 0)
        return false;
    if (!DpiEdits::SelectLevel(m_host, index))
        return true;
    if (code != kNotifyEditFocus)
        SetSliderTo(m_levels->GetDPIValue(index));
    return true;
}

bool DpiPage::OnValueTyped()
{
    const int32_t index = m_levels->GetSelectItem();
    if (index < 0)
        return false;
    const int32_t value = DpiRules::ClampTyped(m_levels->GetEditText(), m_host.CurrentDeviceType());
    m_levels->SetTitle(QString::number(value));
    m_levels->SetDPIValue(index, value);
    SetSliderTo(value);
    DpiEdits::SetLevelValue(m_host, index, value);
    return true;
}

bool DpiPage::OnSlider(int32_t code)
{
    const int32_t index = m_levels->GetSelectItem();
    bool stored = true;
    if (index >= 0 && m_slider) {
        const int32_t value = DpiRules::Clamp(
            int64_t(m_slider->GetProgress()) * DpiRules::kStep, m_host.CurrentDeviceType());
        if (m_levels->GetDPIValue(index) != value) {
            m_levels->SetDPIValue(index, value);
            stored = m_host.SetConfig(ValueKey(index), value);
        }
    }
    if (code == kNotifyClick && stored)
        m_host.QueueTask(WorkerTask::SetDpi);
    return true;
}

bool DpiPage::OnCountChanged()
{
    const intptr_t data = m_count ? m_count->GetCurData() : -1;
    if (data < 1 || data > DpiRules::kLevelCount)
        return false;
    const int32_t count = int32_t(data);
    const int32_t index = DpiEdits::SetCount(m_host, count);
    if (index < 0)
        return true;
    RebuildLevels(count);
    SelectLevel(index);
    return true;
}

bool DpiPage::OnRestoreDpi()
{
    if (!m_host.Ask(Text(kTextRestoreDpiQuestion), Text(kTextRestoreDpi)))
        return false;
    bool stored = m_host.SetConfig(kCountKey, DpiRules::kLevelCount);
    if (m_count)
        m_count->SetCurSel(DpiRules::kLevelCount - 1);
    const auto& levels = DpiRules::kRestoreLevels;
    for (size_t level = 0; level < levels.size(); ++level)
        stored = m_host.SetConfig(ValueKey(int32_t(level)), levels[level].value) && stored;
    stored = m_host.SetConfig(kIndexKey, DpiRules::kRestoreIndex) && stored;
    // The stored colours stay as they are; the list shows the default ones
    // until the next load.
    m_levels->ClearList();
    for (const DpiRules::Level& level : levels)
        m_levels->AddItem(level.value, level.color);
    SelectLevel(DpiRules::kRestoreIndex);
    if (stored) {
        m_host.SetPendingRestore(kRestoreSelector);
        m_host.QueueTask(WorkerTask::RestorePending);
    }
    return true;
}

bool DpiPage::OnRestoreRate()
{
    if (!m_host.Ask(Text(kTextRestoreRateQuestion), Text(kTextRestoreRate)))
        return false;
    const int32_t code = DpiRules::DefaultReportRate(m_host.CurrentDeviceType());
    if (DpiEdits::SetReportRate(m_host, code) && m_rate)
        m_rate->SetSelectItemValue(code);
    return true;
}

bool DpiPage::OnRateChosen()
{
    const int32_t position = m_rate ? m_rate->GetSelectItem() : -1;
    if (position < 0)
        return false;
    DpiEdits::SetReportRate(m_host, m_rate->GetItemKeyValue(position));
    return true;
}

// ---- The mouse's own changes ----

void DpiPage::OnPageEvent(const PageEvent& event)
{
    if (event.kind == PageEvent::Kind::DpiLevel)
        OnDpiLevelChanged(event.value);
}

void DpiPage::OnDpiLevelChanged(int32_t index)
{
    // The worker stored the level before it told us; a level the list does
    // not have is not shown.
    if (!m_levels || index < 0 || index >= m_levels->GetItemCount())
        return;
    m_levels->SetSelectItem(index);
    SetSliderTo(m_levels->GetDPIValue(index));
}

QString DpiPage::ProbeState() const
{
    if (!m_levels || !m_slider || !m_count || !m_rate)
        return {};
    QStringList values;
    for (int32_t i = 0; i < m_levels->GetItemCount(); ++i)
        values << QString::number(m_levels->GetDPIValue(i));
    QString fields = QStringLiteral("dpi.sel=%1 dpi.count=%2 dpi.values=%3 dpi.slider=%4 dpi.rate=%5")
                         .arg(m_levels->GetSelectItem())
                         .arg(m_count->GetCurData())
                         .arg(values.join(QLatin1Char('/')))
                         .arg(m_slider->GetProgress())
                         .arg(m_rate->GetSelectItem());
    // Where the selected level's value edit is, for a test that types into it.
    if (const QWidget* edit = m_levels->GetEditor(); edit && edit->isVisible()) {
        const QPoint centre = edit->mapToGlobal(edit->rect().center());
        fields += QStringLiteral(" dpi.edit=%1,%2").arg(centre.x()).arg(centre.y());
    }
    return fields;
}
