#include "app/SettingDlg.h"

#include "app/AppMessages.h"
#include "app/CUIMessageBox.h"
#include "app/DesktopNotices.h"
#include "app/StateProbe.h"
#include "language/InterfaceText.h"
#include "language/Language.h"
#include "language/TextIds.h"
#include "platform/Locale.h"
#include "platform/UserSettings.h"
#include "widgets/CCheckButton.h"
#include "widgets/CImageButton.h"
#include "widgets/CRadioButton.h"
#include "widgets/CTabCtrl1.h"
#include "widgets/CTextButton.h"
#include "widgets/MArea.h"
#include "widgets/MComboBox.h"
#include "widgets/MText.h"
#include "widgets/WindowRegistry.h"

#include <QDesktopServices>

#include <map>

namespace {

// Texts only this dialog shows.
constexpr int kTextCopyright = 3;
constexpr int kTextTitle = 650;
constexpr int kTextGeneralTab = 651;
constexpr int kTextAboutTab = 655;
constexpr int kTextLanguage = 656;
constexpr int kTextStartup = 657;
constexpr int kTextAutorun = 658;
constexpr int kTextStartMinimized = 659;
constexpr int kTextExitCaption = 660;
constexpr int kTextExitToTray = 661;
constexpr int kTextExitProgram = 662;
constexpr int kTextTrayCaption = 663;
constexpr int kTextTrayIcon = 665;
constexpr int kTextVersion = 671;
constexpr int kTextCheckUpdates = 672;
constexpr int kTextWebsite = 685;
constexpr int kTextStore = 686;
constexpr int kTextDownloads = 687;
constexpr int kTextUpdateCaption = 553;

const QString kExitModeKey = QStringLiteral("exit_mode");
const QString kAutorunMinimizeKey = QStringLiteral("autorun_minimize");
const QString kLanguageKey = QStringLiteral("LCID");
const QString kExitGroupName = QStringLiteral("IDC_SET_STC_EXITMODE");
const QString kTrayGroupName = QStringLiteral("IDC_STC_EXITMODE");

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kDim = 0xFFB4BCC8;

QString Text(int id)
{
    return InterfaceText::Get(id);
}

void SetTitleOf(MControl* control, const QString& text)
{
    if (auto* font = dynamic_cast<MControlFont*>(control))
        font->SetTitle(text);
}

} // namespace

SettingDlg::SettingDlg(Services services, QString version)
    : m_services(std::move(services))
    , m_version(std::move(version))
{
    GetPaintManager().SetBackColor(0x121500, 0xE6FF49);
}

SettingDlg::~SettingDlg() = default;

bool SettingDlg::Open(WindowHandle parent)
{
    m_parent = parent;
    if (!Create(parent, QStringLiteral(" Setting Window"), kWsDialog, 0, {0, 0, kWidth, kHeight}))
        return false;
    CenterWindow();
    return true;
}

int32_t SettingDlg::Run(WindowHandle parent)
{
    if (!Open(parent))
        return kIdCancel;
    QMetaObject::invokeMethod(
        GetWidget(), [this] { WriteProbeLine(QStringLiteral("open")); }, Qt::QueuedConnection);
    const int32_t result = ShowModal(kSwShow);
    StateProbe::Line(QStringLiteral("dialog SettingDlg closed"));
    return result;
}

void SettingDlg::OnInitDialog()
{
    MDialog::OnInitDialog();
    SetTitleOf(GetControl(kVersion), QStringLiteral("v") + m_version);
}

void SettingDlg::InitUI(const MRect& client)
{
    const int32_t w = client.Width();
    auto label = [this](int32_t id, const MRect& rect, int textId, MArea* parent, int32_t size, int32_t align,
                     uint32_t color) {
        auto* text = dynamic_cast<MText*>(CreateControl(QStringLiteral("MText"), id, rect, Text(textId), parent));
        if (text) {
            text->SetFontWidth(size);
            text->SetAlignment(align);
            text->SetVAlignment(kVAlignCenter);
            text->SetTextColor(color);
        }
        return text;
    };
    auto check = [this](const QString& className, int32_t id, const MRect& rect, int textId, MArea* parent,
                     const char* image) {
        auto* box = dynamic_cast<CCheckButton*>(CreateControl(className, id, rect, Text(textId), parent));
        if (box) {
            box->SetImage(QString::fromLatin1(image), 8);
            box->SetFontWidth(14);
            box->SetTextColor(kWhite);
        }
        return box;
    };

    if (MArea* band = CreateArea(QStringLiteral("MPicture"), kCaptionBand, {0, 0, w, 50}))
        band->SetImage(QStringLiteral("img_caption.png"));
    if (auto* close = dynamic_cast<CImageButton*>(
            CreateControl(QStringLiteral("CImageButton"), kCloseButton, {w - 38, 10, w - 8, 40}))) {
        close->SetImage(QStringLiteral("sysbtn_close.png"), 4);
        close->SetTooltip(Text(TextIds::kTipClose));
    }
    label(kTitle, {20, 0, w / 2, 50}, kTextTitle, nullptr, 16, kAlignLeft, kWhite);

    auto* tabs = dynamic_cast<CTabCtrl1*>(CreateControl(QStringLiteral("CTabCtrl1"), kTabs, {20, 60, 300, 96}));
    MArea* background = CreateArea(QStringLiteral("CRoundArea"), kPageBackground, {20, 100, w - 20, 480});
    MArea* general = CreateArea(QStringLiteral("MTabLayout"), kGeneralPage, {20, 100, w - 20, 480}, {}, background);
    MArea* about = CreateArea(QStringLiteral("MTabLayout"), kAboutPage, {20, 100, w - 20, 480}, {}, background);
    if (tabs) {
        tabs->AddItem(Text(kTextGeneralTab));
        tabs->AddItem(Text(kTextAboutTab));
        tabs->BindPage(0, general);
        tabs->BindPage(1, about);
        tabs->SetSelectItem(0);
    }

    // General: the language, start at login, the close button, the tray.
    label(kLanguageLabel, {44, 116, 200, 150}, kTextLanguage, general, 14, kAlignLeft, kWhite);
    if (auto* languages = dynamic_cast<MComboBox*>(
            CreateControl(QStringLiteral("MComboBox"), kLanguageBox, {210, 116, 430, 150}, {}, general))) {
        languages->SetImage(QStringLiteral("img_combobox.png"), 4);
        languages->SetFontWidth(14);
        languages->AddItem(QStringLiteral("简体中文"), Locale::kSimplifiedChinese);
        languages->AddItem(QStringLiteral("English"), Locale::kEnglishUS);
        // Another language leaves the box without a choice.
        languages->SelectData(Language::Current());
    }
    MArea* startup = CreateArea(QStringLiteral("CArea"), kStartupGroup, {40, 164, 390, 300}, {}, general);
    label(kStartupCaption, {56, 170, 380, 200}, kTextStartup, startup, 14, kAlignLeft, kDim);
    CCheckButton* autorun = check(
        QStringLiteral("CCheckButton"), kAutorun, {56, 206, 380, 238}, kTextAutorun, startup, "btn_checkbox.png");
    CCheckButton* minimized = check(QStringLiteral("CCheckButton"), kStartMinimized, {56, 250, 380, 282},
        kTextStartMinimized, startup, "btn_checkbox.png");
    MArea* exitGroup = CreateArea(QStringLiteral("CArea"), kExitGroup, {410, 164, w - 40, 300}, {}, general);
    label(kGroupCaption, {426, 170, w - 50, 200}, kTextExitCaption, exitGroup, 14, kAlignLeft, kDim);
    auto* toTray = dynamic_cast<CRadioButton*>(check(QStringLiteral("CRadioButton"), kExitToTray,
        {426, 206, w - 50, 238}, kTextExitToTray, exitGroup, "btn_radiobox.png"));
    auto* exitProgram = dynamic_cast<CRadioButton*>(check(QStringLiteral("CRadioButton"), kExitProgram,
        {426, 250, w - 50, 282}, kTextExitProgram, exitGroup, "btn_radiobox.png"));
    MArea* trayGroup = CreateArea(QStringLiteral("CArea"), kTrayGroup, {40, 316, w - 40, 448}, {}, general);
    label(kGroupCaption, {56, 322, w - 50, 352}, kTextTrayCaption, trayGroup, 14, kAlignLeft, kDim);
    auto* trayIcon = dynamic_cast<CRadioButton*>(check(QStringLiteral("CRadioButton"), kExitToTray,
        {56, 358, w - 50, 390}, kTextTrayIcon, trayGroup, "btn_radiobox.png"));
    CCheckButton* notices = check(QStringLiteral("CCheckButton"), kNotices, {56, 402, w - 50, 434},
        TextIds::kNoticesSwitch, trayGroup, "btn_checkbox.png");

    UserSettings* settings = m_services.settings;
    const bool autorunOn = m_services.autostart.IsEnabled();
    if (autorun)
        autorun->SetCheck(autorunOn);
    if (minimized) {
        minimized->SetEnabled(autorunOn);
        minimized->SetCheck(autorunOn && settings && settings->ReadInt(kAutorunMinimizeKey) == 1);
    }
    if (toTray && exitProgram) {
        toTray->SetGroupName(kExitGroupName);
        exitProgram->SetGroupName(kExitGroupName);
        const bool hide = settings && settings->ReadInt(kExitModeKey) == 1;
        toTray->SetCheck(hide);
        exitProgram->SetCheck(!hide);
    }
    if (trayIcon) {
        trayIcon->SetGroupName(kTrayGroupName);
        trayIcon->SetCheck(true);
    }
    if (notices)
        notices->SetCheck(settings && settings->ReadInt(QString::fromLatin1(DesktopNotices::kSettingKey)) == 1);

    // About: the logo, the version, the update check, the links.
    if (MArea* logo = CreateArea(QStringLiteral("MPicture"), kLogo, {40, 120, w - 40, 190}, {}, about)) {
        logo->SetImage(QStringLiteral("logo\\logo.png"));
        logo->SetShowMode(ShowMode::Center);
    }
    label(kVersionLabel, {40, 204, w / 2 - 6, 236}, kTextVersion, about, 15, kAlignRight, kDim);
    label(kVersion, {w / 2 + 6, 204, w - 40, 236}, 0, about, 15, kAlignLeft, kWhite);
    if (auto* button = dynamic_cast<MControlFont*>(CreateControl(QStringLiteral("MButton"), kCheckUpdates,
            {w / 2 - 100, 252, w / 2 + 100, 290}, Text(kTextCheckUpdates), about))) {
        button->SetImage(QStringLiteral("img_button.png"), 4);
        button->SetFontWidth(14);
    }
    const std::pair<int32_t, int> links[] = {
        {kWebsite, kTextWebsite}, {kStore, kTextStore}, {kDownloads, kTextDownloads}};
    int32_t left = w / 2 - 270;
    for (const auto& [id, textId] : links) {
        if (auto* link = dynamic_cast<MControlFont*>(
                CreateControl(QStringLiteral("CTextButton"), id, {left, 326, left + 180, 356}, Text(textId), about))) {
            link->SetFontWidth(14);
            link->SetAlignment(kAlignCenter);
        }
        left += 180;
    }
    label(kCopyright, {40, 420, w - 40, 450}, kTextCopyright, about, 12, kAlignCenter, kDim);
}

CCheckButton* SettingDlg::Check(int32_t id) const
{
    return GetControlAs<CCheckButton>(id);
}

intptr_t SettingDlg::OnMessage(int32_t id, int32_t code, intptr_t param, intptr_t)
{
    if (code != kNotifyClick)
        return 0;
    UserSettings* settings = m_services.settings;
    switch (id) {
    case kCloseButton:
        DoOK();
        return 1;
    case kLanguageBox:
        ChooseLanguage(int32_t(param));
        break;
    case kAutorun:
        OnAutorun();
        break;
    case kStartMinimized:
        if (settings)
            settings->WriteInt(kAutorunMinimizeKey, Check(kStartMinimized)->GetCheck() ? 1 : 0);
        break;
    case kExitToTray:
    case kExitProgram:
        // Either radio, and the tray group's one too, writes what the first
        // radio of the exit group says.
        if (settings)
            settings->WriteInt(kExitModeKey, Check(kExitToTray)->GetCheck() ? 1 : 0);
        break;
    case kNotices:
        if (settings)
            settings->WriteInt(QString::fromLatin1(DesktopNotices::kSettingKey), Check(kNotices)->GetCheck() ? 1 : 0);
        break;
    case kCheckUpdates:
        if (m_services.checkForUpdates)
            m_services.checkForUpdates(GetSafeHwnd());
        else
            CUIMessageBox::Show(
                Text(TextIds::kLatestVersion), GetSafeHwnd(), Text(kTextUpdateCaption), CUIMessageBox::kStyleOk);
        break;
    case kWebsite:
    case kStore:
    case kDownloads:
        if (m_services.openAddress)
            m_services.openAddress(LinkAddress(id));
        else
            QDesktopServices::openUrl(LinkAddress(id));
        break;
    default:
        break;
    }
    WriteProbeLine(QStringLiteral("changed"));
    return 1;
}

void SettingDlg::ChooseLanguage(int32_t index)
{
    auto* languages = GetControlAs<MComboBox>(kLanguageBox);
    if (!languages)
        return;
    const intptr_t lcid = languages->GetItemData(index);
    if (lcid <= 0)
        return;
    Language::SetCurrent(int(lcid));
    if (m_services.settings)
        m_services.settings->WriteInt(kLanguageKey, int(lcid));
    ApplyLanguage();
    if (m_parent)
        PostMessage(m_parent, AppMessages::kLanguageChanged, 0, 0);
}

void SettingDlg::OnAutorun()
{
    CCheckButton* autorun = Check(kAutorun);
    CCheckButton* minimized = Check(kStartMinimized);
    if (!autorun || !minimized)
        return;
    if (autorun->GetCheck()) {
        minimized->SetEnabled(true);
        // A failed write leaves the box checked for this run only; the next
        // opening shows what the desktop will really do.
        m_services.autostart.Enable(m_services.programPath);
        return;
    }
    minimized->SetCheck(false);
    minimized->SetEnabled(false);
    if (m_services.settings)
        m_services.settings->WriteInt(kAutorunMinimizeKey, 0);
    m_services.autostart.Disable();
}

void SettingDlg::ApplyLanguage()
{
    SetTitleOf(GetControl(kTitle), Text(kTextTitle));
    if (MControl* close = GetControl(kCloseButton))
        close->SetTooltip(Text(TextIds::kTipClose));
    if (auto* tabs = GetControlAs<CTabCtrl1>(kTabs)) {
        tabs->SetItemText(0, Text(kTextGeneralTab));
        tabs->SetItemText(1, Text(kTextAboutTab));
    }
    const std::pair<int32_t, int> texts[] = {{kLanguageLabel, kTextLanguage}, {kStartupCaption, kTextStartup},
        {kAutorun, kTextAutorun}, {kStartMinimized, kTextStartMinimized}, {kExitProgram, kTextExitProgram},
        {kNotices, TextIds::kNoticesSwitch}, {kVersionLabel, kTextVersion}, {kCheckUpdates, kTextCheckUpdates},
        {kWebsite, kTextWebsite}, {kStore, kTextStore}, {kDownloads, kTextDownloads}, {kCopyright, kTextCopyright}};
    for (const auto& [id, textId] : texts)
        SetTitleOf(GetControl(id), Text(textId));
    // The two captions and the two radios that share an id, in creation order.
    const std::vector<MControl*> captions = GetControls(kGroupCaption);
    const int captionTexts[] = {kTextExitCaption, kTextTrayCaption};
    for (size_t i = 0; i < captions.size() && i < 2; ++i)
        SetTitleOf(captions[i], Text(captionTexts[i]));
    const std::vector<MControl*> radios = GetControls(kExitToTray);
    const int radioTexts[] = {kTextExitToTray, kTextTrayIcon};
    for (size_t i = 0; i < radios.size() && i < 2; ++i)
        SetTitleOf(radios[i], Text(radioTexts[i]));
    // The version keeps its own label beside it, in the new language.
    SetTitleOf(GetControl(kVersion), QStringLiteral("v") + m_version);
}

QUrl SettingDlg::LinkAddress(int32_t id)
{
    switch (id) {
    case kWebsite:
        return QUrl(QStringLiteral("https://www.tarvo.example/"));
    case kStore:
        return QUrl(QStringLiteral("https://store.tarvo.example/"));
    case kDownloads:
        return QUrl(QStringLiteral("https://www.tarvo.example/downloads/"));
    default:
        return {};
    }
}

void SettingDlg::WriteProbeLine(const QString& event) const
{
    if (!StateProbe::Enabled())
        return;
    auto flag = [this](int32_t id) {
        const CCheckButton* box = Check(id);
        return box && box->GetCheck() ? 1 : 0;
    };
    const auto* tabs = GetControlAs<CTabCtrl1>(kTabs);
    const auto* languages = GetControlAs<MComboBox>(kLanguageBox);
    const CCheckButton* minimized = Check(kStartMinimized);
    QString line = QStringLiteral(
        "dialog SettingDlg %1 tab=%2 lang=%3 autorun=%4 minimized=%5 minenabled=%6 exit=%7 notices=%8")
                       .arg(event)
                       .arg(tabs ? tabs->GetSelectItem() : -1)
                       .arg(languages ? languages->GetCurData() : -1)
                       .arg(flag(kAutorun))
                       .arg(flag(kStartMinimized))
                       .arg(minimized && minimized->IsEnabled() ? 1 : 0)
                       .arg(flag(kExitToTray))
                       .arg(flag(kNotices));
    if (tabs) {
        for (int32_t i = 0; i < tabs->GetItemCount(); ++i) {
            const QPoint at = tabs->mapToGlobal(tabs->GetItemRect(i).center());
            line += QStringLiteral(" tabitem=%1@%2,%3").arg(i).arg(at.x()).arg(at.y());
        }
    }
    // Duplicate ids (46, 47) are told by their order: "47" the first, "47.1" the next.
    std::map<int32_t, int> seen;
    for (MControl* control : GetAllControls()) {
        const int n = seen[control->GetId()]++;
        if (!control->isVisible())
            continue;
        const QString key = n == 0 ? QString::number(control->GetId())
                                   : QStringLiteral("%1.%2").arg(control->GetId()).arg(n);
        line += QStringLiteral(" ctl=%1@%2").arg(key, StateProbe::ScreenCentre(control));
    }
    StateProbe::Line(line);
}
