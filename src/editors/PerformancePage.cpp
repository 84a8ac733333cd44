#include "editors/PerformancePage.h"

#include "editors/PageControls.h"
#include "editors/PageHost.h"
#include "editors/SettingEdits.h"
#include "editors/PageRoutes.h"
#include "editors/PerformanceRules.h"
#include "hid/DeviceEvents.h"
#include "language/InterfaceText.h"
#include "language/TextIds.h"
#include "platform/SystemMouseSettings.h"
#include "widgets/CCheckButton.h"
#include "widgets/CHelpButton.h"
#include "widgets/CRadioButton.h"
#include "widgets/CSwitchButton.h"
#include "widgets/MButton.h"
#include "widgets/MComboBox.h"
#include "widgets/NumberEdit.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

// Texts only this page shows.
constexpr int kTextCaption = 500;
constexpr int kTextLiftOff = 501;
constexpr int kTextLiftOffHelp = 502;
constexpr int kTextSensor = 503;
constexpr int kTextSensorHelpFirst = 505;
constexpr int kTextSensorHelpFirstNote = 506;
constexpr int kTextSensorHelpSecond = 507;
constexpr int kTextSensorHelpSecondNote = 508;
constexpr int kTextSensorHelpFirstDelay = 509;
constexpr int kTextSensorHelpThird = 511;
constexpr int kTextSensorHelpThirdNote = 512;
constexpr int kTextSensorFirst = 515;
constexpr int kTextSensorSecond = 516;
constexpr int kTextSensorThird = 517;
constexpr int kTextScroll = 520;
constexpr int kTextScrollFirst = 521;
constexpr int kTextScrollSecond = 522;
constexpr int kTextResponse = 525;
constexpr int kTextHighSpeed = 526;
constexpr int kTextHighSpeedNote = 527;
constexpr int kTextMouseSettings = 530;
constexpr int kTextMouseSettingsOpen = 531;
constexpr int kTextDeepSleep = 535;
constexpr int kTextPower = 720;
constexpr int kTextPowerNote = 721;
constexpr int kTextDevice = 910;
constexpr int kTextFirmware = 911;
constexpr int kTextNoMouseSettings = 912;
constexpr int kTextMouseSettingsFailed = 913;

constexpr PageRoute kRoutes[] = {
    {PerformancePage::kLiftOffLow, PerformancePage::kLiftOffHigh, PageRoute::Codes::Click},
    {PerformancePage::kSensorFirst, PerformancePage::kSensorThird, PageRoute::Codes::Click},
    {PerformancePage::kScrollFirst, PerformancePage::kScrollSecond, PageRoute::Codes::Click},
    {PerformancePage::kHighSpeed, PerformancePage::kHighSpeed, PageRoute::Codes::Click},
    {PerformancePage::kResponseTime, PerformancePage::kResponseTime, PageRoute::Codes::Any},
    {PerformancePage::kMouseSettings, PerformancePage::kMouseSettings, PageRoute::Codes::Click},
    {PerformancePage::kDeepSleep, PerformancePage::kDeepSleep, PageRoute::Codes::Click},
};

const QString kLiftOffKey = QStringLiteral("liftoff_height");
const QString kSensorKey = QStringLiteral("sensor_flag");
const QString kScrollKey = QStringLiteral("scroll_flag");
const QString kHighSpeedKey = QStringLiteral("highspeed_mode");
const QString kResponseKey = QStringLiteral("button_respondtime");
const QString kDeepSleepKey = QStringLiteral("deep_sleep");

const QString kLiftOffGroup = QStringLiteral("IDC_PER_STC_LOD");
const QString kScrollGroup = QStringLiteral("IDC_SYS_STC_SROLL");

QString Text(int id)
{
    return InterfaceText::Get(id);
}

// "Mouse firmware: 1.2.3" is the label, ": " and the version; a text without
// the separator carries no version.
QString VersionOf(const QString& labelled)
{
    const qsizetype at = labelled.indexOf(QStringLiteral(": "));
    return at < 0 ? QString() : labelled.mid(at + 2).trimmed();
}

QString Labelled(int labelTextId, const QString& version)
{
    return version.isEmpty() ? Text(labelTextId) : Text(labelTextId) + QStringLiteral(": ") + version;
}

} // namespace

int32_t PerformancePage::TabItem() const
{
    return PageTab::kPerformance;
}

uint32_t PerformancePage::ReloadMask() const
{
    return DeviceEvents::kDpiPerformancePage;
}

void PerformancePage::Create(MDialog& dialog, MArea& container)
{
    m_controls.Attach(dialog, container);
    using Style = PageControls::LabelStyle;
    auto label = [this](int32_t id, int textId, int32_t size, Style style = Style::Caption) {
        m_controls.Label(id, Text(textId), size, style);
    };
    auto box = [this](int32_t id) { m_controls.Picture(id, QStringLiteral("img_area_content.png")); };
    auto button = [this](int32_t id, const QString& text) {
        auto* made = m_controls.Make<MButton>(id, text);
        if (made) {
            made->SetImage(QStringLiteral("img_button.png"), 4);
            made->SetFontWidth(14);
        }
        return made;
    };
    auto radio = [this](int32_t id, const QString& text, const QString& group) {
        auto* made = m_controls.Make<CRadioButton>(id, text);
        if (made) {
            made->SetImage(QStringLiteral("btn_radiobox.png"), 8);
            made->SetGroupName(group);
            made->SetFontWidth(14);
        }
        return made;
    };
    auto help = [this](int32_t id, const QString& text) {
        if (auto* made = m_controls.Make<CHelpButton>(id, text))
            made->SetImage(QStringLiteral("img_help.png"), 4);
    };

    m_controls.Picture(kAreaBackground, QStringLiteral("img_area_bkg.png"));
    label(kCaption, kTextCaption, 18);

    box(kLiftOffBox);
    label(kLiftOffCaption, kTextLiftOff, 16);
    help(kLiftOffHelp, Text(kTextLiftOffHelp));
    for (size_t i = 0; i < m_liftOff.size(); ++i) {
        const auto& choice = PerformanceRules::kLiftOffs[i];
        m_liftOff[i] = radio(
            kLiftOffLow + int32_t(i), PerformanceRules::LiftOffLabel(choice.millimetres), kLiftOffGroup);
    }

    box(kScrollBox);
    label(kScrollCaption, kTextScroll, 16);
    m_scroll[0] = radio(kScrollFirst, Text(kTextScrollFirst), kScrollGroup);
    m_scroll[1] = radio(kScrollSecond, Text(kTextScrollSecond), kScrollGroup);

    box(kSensorBox);
    label(kSensorCaption, kTextSensor, 16);
    help(kSensorHelp, SensorHelp());
    const int sensorTexts[] = {kTextSensorFirst, kTextSensorSecond, kTextSensorThird};
    for (size_t i = 0; i < m_sensor.size(); ++i) {
        m_sensor[i] = m_controls.Make<CCheckButton>(kSensorFirst + int32_t(i), Text(sensorTexts[i]));
        if (m_sensor[i]) {
            m_sensor[i]->SetImage(QStringLiteral("btn_checkbox.png"), 8);
            m_sensor[i]->SetFontWidth(14);
        }
    }

    box(kHighSpeedBox);
    label(kHighSpeedCaption, kTextHighSpeed, 16);
    m_highSpeed = m_controls.Make<CSwitchButton>(kHighSpeed);
    if (m_highSpeed)
        m_highSpeed->SetSwitchImages(QStringLiteral("img_switch_btn_off.png"), QStringLiteral("img_switch_btn_on.png"));
    label(kHighSpeedNote, kTextHighSpeedNote, 13, Style::Note);

    box(kResponseBox);
    label(kResponseCaption, kTextResponse, 16);
    m_response = m_controls.Make<NumberEdit>(kResponseTime);
    if (m_response) {
        m_response->SetRange(PerformanceRules::kResponseMinimum, PerformanceRules::kResponseMaximum);
        m_response->SetFontWidth(15);
        m_response->SetMaxLength(6);
    }

    box(kMouseSettingsBox);
    label(kMouseSettingsCaption, kTextMouseSettings, 16);
    button(kMouseSettings, Text(kTextMouseSettingsOpen));

    // The device section: power, firmware, pairing and the factory reset.
    m_controls.Picture(kDeviceBackground, QStringLiteral("img_area_bkg.png"));
    label(kDeviceCaption, kTextDevice, 18);
    box(kPowerBox);
    label(kPowerCaption, kTextPower, 16);
    label(kPowerNote, kTextPowerNote, 13, Style::Note);
    label(kDeepSleepCaption, kTextDeepSleep, 14);
    m_deepSleep = m_controls.Make<MComboBox>(kDeepSleep);
    if (m_deepSleep) {
        m_deepSleep->SetFontWidth(14);
        FillDeepSleep();
        m_deepSleep->SetCurSel(PerformanceRules::kInitialSleepChoice);
    }
    box(kFirmwareBox);
    label(kFirmwareCaption, kTextFirmware, 16);
    m_mouseVersion = button(kMouseVersion, {});
    m_receiverVersion = button(kReceiverVersion, {});
    ShowVersions();
    box(kServiceBox);
    button(kPairReceiver, Text(TextIds::kPairReceiver));
    button(kFactoryReset, Text(TextIds::kRestoreCaption));
}

void PerformancePage::FillDeepSleep()
{
    const int32_t selected = m_deepSleep->GetCurSel();
    m_deepSleep->DelAllItems();
    for (const PerformanceRules::SleepChoice& choice : PerformanceRules::kDeepSleepChoices)
        m_deepSleep->AddItem(QString::number(choice.number) + Text(choice.unitTextId), choice.seconds);
    if (selected >= 0)
        m_deepSleep->SetCurSel(selected);
}

QString PerformancePage::SensorHelp() const
{
    // The option names with their notes, in paragraphs.
    return QStringLiteral("%1\n%2\n%3\n%4\n\n%5\n%6\n\n%7\n%8")
        .arg(Text(kTextSensor), Text(kTextSensorHelpFirst), Text(kTextSensorHelpFirstNote),
            Text(kTextSensorHelpFirstDelay), Text(kTextSensorHelpSecond), Text(kTextSensorHelpSecondNote),
            Text(kTextSensorHelpThird), Text(kTextSensorHelpThirdNote));
}

void PerformancePage::Layout(const MRect& area, float scale)
{
    m_area = area;
    m_scale = scale;
    if (!m_controls.IsAttached())
        return;
    auto place = [&](int32_t id, int32_t left, int32_t top, int32_t right, int32_t bottom) {
        m_controls.Place(id, area, scale, {left, top, right, bottom});
    };
    // A caption as wide as its text, with its help button right after it.
    auto captionWithHelp = [&](int32_t captionId, int32_t helpId, int32_t left, int32_t top, int32_t right) {
        const int32_t width = std::min(right - left - 34, m_controls.TitleWidth(captionId) + 6);
        place(captionId, left, top, left + width, top + 30);
        place(helpId, left + width + 6, top + 4, left + width + 28, top + 26);
    };
    const int32_t w = area.Width();
    // The device section keeps a fixed width at the right; the options take the rest.
    const int32_t split = w - 400;

    // The options.
    const int32_t lx = 40;
    const int32_t lr = split - 32;
    const int32_t mid = (lx + lr) / 2;
    place(kAreaBackground, 20, 22, split - 12, 532);
    place(kCaption, lx, 30, lr, 64);

    place(kLiftOffBox, lx, 76, mid - 8, 180);
    captionWithHelp(kLiftOffCaption, kLiftOffHelp, lx + 20, 86, mid - 28);
    place(kLiftOffLow, lx + 20, 128, lx + 130, 156);
    place(kLiftOffHigh, lx + 140, 128, std::min(mid - 28, lx + 260), 156);

    place(kScrollBox, mid + 8, 76, lr, 180);
    place(kScrollCaption, mid + 28, 86, lr - 20, 116);
    const int32_t scrollWidth = (lr - 20 - (mid + 28)) / 2;
    place(kScrollFirst, mid + 28, 128, mid + 28 + scrollWidth - 10, 156);
    place(kScrollSecond, mid + 28 + scrollWidth, 128, lr - 20, 156);

    place(kSensorBox, lx, 192, lr, 296);
    captionWithHelp(kSensorCaption, kSensorHelp, lx + 20, 202, lr - 20);
    const int32_t boxWidth = (lr - lx - 40) / 3;
    for (int32_t i = 0; i < 3; ++i)
        place(kSensorFirst + i, lx + 20 + i * boxWidth, 244, lx + 20 + (i + 1) * boxWidth - 10, 272);

    place(kHighSpeedBox, lx, 308, lr, 396);
    place(kHighSpeedCaption, lx + 20, 318, lr - 90, 348);
    place(kHighSpeed, lr - 76, 320, lr - 20, 346);
    place(kHighSpeedNote, lx + 20, 352, lr - 20, 388);

    place(kResponseBox, lx, 408, mid - 8, 512);
    place(kResponseCaption, lx + 20, 418, mid - 28, 448);
    place(kResponseTime, lx + 20, 460, lx + 140, 496);

    place(kMouseSettingsBox, mid + 8, 408, lr, 512);
    place(kMouseSettingsCaption, mid + 28, 418, lr - 20, 448);
    place(kMouseSettings, mid + 28, 460, std::min(lr - 20, mid + 188), 496);

    // The device section.
    const int32_t rx = split + 28;
    const int32_t rr = w - 40;
    place(kDeviceBackground, split + 8, 22, w - 20, 532);
    place(kDeviceCaption, rx, 30, rr, 64);

    place(kPowerBox, rx, 76, rr, 250);
    place(kPowerCaption, rx + 20, 86, rr - 20, 116);
    place(kPowerNote, rx + 20, 120, rr - 20, 186);
    place(kDeepSleepCaption, rx + 20, 198, rr - 170, 234);
    place(kDeepSleep, rr - 160, 198, rr - 20, 234);

    place(kFirmwareBox, rx, 262, rr, 396);
    place(kFirmwareCaption, rx + 20, 270, rr - 20, 298);
    place(kMouseVersion, rx + 20, 304, rr - 20, 338);
    place(kReceiverVersion, rx + 20, 346, rr - 20, 380);

    place(kServiceBox, rx, 408, rr, 512);
    place(kPairReceiver, rx + 20, 418, rr - 20, 454);
    place(kFactoryReset, rx + 20, 464, rr - 20, 500);
}

void PerformancePage::ApplyLanguage()
{
    if (!m_controls.IsAttached())
        return;
    static constexpr std::pair<int32_t, int> kTitles[] = {
        {kCaption, kTextCaption},
        {kLiftOffCaption, kTextLiftOff},
        {kLiftOffHelp, kTextLiftOffHelp},
        {kScrollCaption, kTextScroll},
        {kScrollFirst, kTextScrollFirst},
        {kScrollSecond, kTextScrollSecond},
        {kSensorCaption, kTextSensor},
        {kSensorFirst, kTextSensorFirst},
        {kSensorSecond, kTextSensorSecond},
        {kSensorThird, kTextSensorThird},
        {kHighSpeedCaption, kTextHighSpeed},
        {kHighSpeedNote, kTextHighSpeedNote},
        {kResponseCaption, kTextResponse},
        {kMouseSettingsCaption, kTextMouseSettings},
        {kMouseSettings, kTextMouseSettingsOpen},
        {kDeviceCaption, kTextDevice},
        {kPowerCaption, kTextPower},
        {kPowerNote, kTextPowerNote},
        {kDeepSleepCaption, kTextDeepSleep},
        {kFirmwareCaption, kTextFirmware},
        {kPairReceiver, TextIds::kPairReceiver},
        {kFactoryReset, TextIds::kRestoreCaption},
    };
    m_controls.SetTitles(kTitles);
    if (auto* help = m_controls.FindAs<MControlFont>(kSensorHelp))
        help->SetTitle(SensorHelp());
    if (m_deepSleep)
        FillDeepSleep();
    ShowVersions();
    // The captions' widths follow their texts.
    if (m_area.Width() > 0)
        Layout(m_area, m_scale);
}

void PerformancePage::ShowVersions()
{
    if (m_mouseVersion)
        m_mouseVersion->SetTitle(Labelled(TextIds::kMouseFirmware, m_mouseFirmware));
    if (m_receiverVersion)
        m_receiverVersion->SetTitle(Labelled(TextIds::kReceiverFirmware, m_receiverFirmware));
}

// ---- Loading ----

void PerformancePage::LoadPerformanceSettings()
{
    if (!m_response || !m_highSpeed || !m_deepSleep)
        return;
    // Values are shown as the nearest valid state; the store keeps what it
    // has until the user changes it.
    m_response->SetTitle(QString::number(PerformanceRules::ClampResponseTime(m_host.ConfigText(kResponseKey))));

    m_highSpeed->SetCheck(m_host.ConfigInt(kHighSpeedKey) == 1);
    ApplyConnection(m_host.CurrentConnectionMode());

    const std::array<bool, 3> boxes = PerformanceRules::SensorBoxes(m_host.ConfigInt(kSensorKey));
    for (size_t i = 0; i < m_sensor.size(); ++i) {
        if (m_sensor[i])
            m_sensor[i]->SetCheck(boxes[i]);
    }

    if (CRadioButton* choice = m_liftOff[size_t(PerformanceRules::LiftOffChoice(m_host.ConfigInt(kLiftOffKey)))])
        choice->SetCheck(true);
    if (CRadioButton* choice = m_scroll[m_host.ConfigInt(kScrollKey) == 0 ? 0 : 1])
        choice->SetCheck(true);

    m_deepSleep->SetCurSel(PerformanceRules::NearestSleepChoice(m_host.ConfigInt(kDeepSleepKey)));
}

void PerformancePage::ApplyConnection(int32_t mode)
{
    if (!m_highSpeed)
        return;
    if (mode == 0) {
        // The cable always runs at full speed, whatever the profile says.
        m_highSpeed->SetCheck(true);
        m_highSpeed->SetEnabled(false);
    } else if (mode == 1) {
        m_highSpeed->SetCheck(m_host.ConfigInt(kHighSpeedKey) == 1);
        m_highSpeed->SetEnabled(true);
    }
}

// ---- Edits ----

bool PerformancePage::OnControl(int32_t id, int32_t code, intptr_t)
{
    if (!RouteAccepts(kRoutes, id, code) || !m_controls.IsAttached())
        return false;
    switch (id) {
    case kLiftOffLow:
    case kLiftOffHigh:
        return OnLiftOff();
    case kSensorFirst:
    case kSensorSecond:
    case kSensorThird:
        return OnSensorOptions();
    case kScrollFirst:
    case kScrollSecond:
        return OnScroll();
    case kHighSpeed:
        return OnHighSpeed();
    case kResponseTime:
        return OnResponseTime(code);
    case kDeepSleep:
        return OnDeepSleep();
    case kMouseSettings:
        return OnMouseSettings();
    default:
        return false;
    }
}

bool PerformancePage::OnLiftOff()
{
    if (!m_liftOff[0])
        return false;
    PerformanceEdits::SetLiftOff(m_host, PerformanceRules::kLiftOffs[m_liftOff[0]->GetCheck() ? 0 : 1].code);
    return true;
}

bool PerformancePage::OnSensorOptions()
{
    std::array<bool, 3> checked{};
    for (size_t i = 0; i < m_sensor.size(); ++i)
        checked[i] = m_sensor[i] && m_sensor[i]->GetCheck();
    PerformanceEdits::SetSensorFlag(m_host, PerformanceRules::SensorFlag(checked));
    return true;
}

bool PerformancePage::OnScroll()
{
    if (!m_scroll[0])
        return false;
    PerformanceEdits::SetScroll(m_host, m_scroll[0]->GetCheck() ? 0 : 1);
    return true;
}

bool PerformancePage::OnHighSpeed()
{
    if (!m_highSpeed)
        return false;
    // Locked on the cable: a click that got through changes nothing.
    if (PerformanceEdits::SetHighSpeed(m_host, m_highSpeed->GetCheck()) == PerformanceEdits::HighSpeed::LockedOnCable)
        ApplyConnection(0);
    return true;
}

bool PerformancePage::OnResponseTime(int32_t code)
{
    if (!m_response)
        return false;
    if (code == kNotifyEditCommit) {
        // Kept, not sent: the next step or a full send takes it to the mouse.
        const QString typed = m_response->GetEditText();
        const QString value = QString::number(PerformanceRules::ClampResponseTime(typed));
        if (value != typed)
            m_response->SetTitle(value);
        PerformanceEdits::SetResponseTime(m_host, typed, PerformanceEdits::Send::Later);
        return true;
    }
    if (code == kNotifyClick) {
        PerformanceEdits::SetResponseTime(m_host, m_response->GetEditText(), PerformanceEdits::Send::Now);
        return true;
    }
    return false;
}

bool PerformancePage::OnDeepSleep()
{
    const intptr_t seconds = m_deepSleep ? m_deepSleep->GetCurData() : -1;
    if (seconds < 0)
        return false;
    PerformanceEdits::SetDeepSleep(m_host, int32_t(seconds));
    return true;
}

bool PerformancePage::OnMouseSettings()
{
    switch (SystemMouseSettings::Open()) {
    case SystemMouseSettings::Result::Started:
        break;
    case SystemMouseSettings::Result::NotInstalled:
        m_host.Tell(Text(kTextNoMouseSettings), Text(kTextMouseSettings));
        break;
    case SystemMouseSettings::Result::StartFailed:
        m_host.Tell(Text(kTextMouseSettingsFailed), Text(kTextMouseSettings));
        break;
    }
    return true;
}

// ---- What the worker and the window report ----

void PerformancePage::OnPageEvent(const PageEvent& event)
{
    switch (event.kind) {
    case PageEvent::Kind::ConnectionChanged:
        ApplyConnection(event.value);
        break;
    case PageEvent::Kind::MouseVersion:
        m_mouseFirmware = VersionOf(event.text);
        ShowVersions();
        break;
    case PageEvent::Kind::ReceiverVersion:
        m_receiverFirmware = VersionOf(event.text);
        ShowVersions();
        break;
    default:
        break;
    }
}

QString PerformancePage::ProbeState() const
{
    if (!m_response || !m_highSpeed || !m_deepSleep || !m_liftOff[0] || !m_scroll[0])
        return {};
    std::array<bool, 3> checked{};
    for (size_t i = 0; i < m_sensor.size(); ++i)
        checked[i] = m_sensor[i] && m_sensor[i]->GetCheck();
    QString response = m_response->GetEditText();
    response.remove(QRegularExpression(QStringLiteral("\\s")));
    QString fields = QStringLiteral(
        "perf.liftoff=%1 perf.sensor=%2 perf.scroll=%3 perf.highspeed=%4 perf.highspeed_enabled=%5 "
        "perf.response=%6 perf.sleep=%7 perf.fw_mouse=%8 perf.fw_receiver=%9")
                         .arg(m_liftOff[0]->GetCheck() ? 0 : 1)
                         .arg(PerformanceRules::SensorFlag(checked))
                         .arg(m_scroll[0]->GetCheck() ? 0 : 1)
                         .arg(m_highSpeed->GetCheck() ? 1 : 0)
                         .arg(m_highSpeed->IsEnabled() ? 1 : 0)
                         .arg(response.isEmpty() ? QStringLiteral("-") : response)
                         .arg(m_deepSleep->GetCurData())
                         .arg(m_mouseFirmware.isEmpty() ? QStringLiteral("-") : m_mouseFirmware)
                         .arg(m_receiverFirmware.isEmpty() ? QStringLiteral("-") : m_receiverFirmware);
    // Where the response time's text and its up button are, for a test that
    // types and steps.
    if (m_response->isVisible()) {
        const QPoint text = m_response->mapToGlobal(m_response->rect().adjusted(0, 0, -26, 0).center());
        const QPoint up = m_response->mapToGlobal(m_response->GetUpRect().center());
        fields += QStringLiteral(" perf.edit=%1,%2 perf.up=%3,%4").arg(text.x()).arg(text.y()).arg(up.x()).arg(up.y());
    }
    return fields;
}
