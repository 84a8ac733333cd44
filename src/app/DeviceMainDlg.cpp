#include "app/DeviceMainDlg.h"

#include "app/AppMessages.h"
#include "app/CUIMessageBox.h"
#include "app/CtlRequestHandler.h"
#include "app/DesktopNotices.h"
#include "app/DonglePairDlg.h"
#include "app/InstanceChannel.h"
#include "app/MainDlgRegistryView.h"
#include "app/SettingDlg.h"
#include "app/TrayIcon.h"
#include "app/ProfileDlg.h"
#include "app/UpdateFlow.h"
#include "language/TextIds.h"
#include "app/WaitDlg.h"
#include "devices/DeviceRegistry.h"
#include "devices/DevicesLog.h"
#include "editors/ExchangeFlow.h"
#include "editors/FeaturePages.h"
#include "editors/InputCapture.h"
#include "editors/SettingEdits.h"
#include "hid/HidDeviceList.h"
#include "language/InterfaceText.h"
#include "language/TextIds.h"
#include "platform/AutostartEntry.h"
#include "platform/HeapTuning.h"
#include "platform/Paths.h"
#include "platform/SystemDesktop.h"
#include "platform/UserSettings.h"
#include "store/SettingsStore.h"
#include "widgets/BatteryCtrl.h"
#include "widgets/CDeviceList.h"
#include "widgets/MRender.h"
#include "widgets/CDeviceState.h"
#include "widgets/CIconButton.h"
#include "widgets/CImageButton.h"
#include "widgets/MButton.h"
#include "widgets/MPicture.h"
#include "widgets/MTabCtrl.h"
#include "widgets/MTabLayout.h"
#include "widgets/MText.h"
#include "widgets/Manager.h"
#include "widgets/WindowRegistry.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QWidget>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

// The tabs in display order.
struct TabDef {
    int32_t item;
    int textId;
    const char* icon;
    int32_t container;
};
constexpr std::array<TabDef, 7> kTabs = {{
    {DeviceMainDlg::kItemHome, TextIds::kTabHome, "icon\\tab_home.png", DeviceMainDlg::kHomeContainer},
    {DeviceMainDlg::kItemButtons, TextIds::kTabButtons, "icon\\tab_key.png", DeviceMainDlg::kButtonContainer},
    {DeviceMainDlg::kItemDpi, TextIds::kTabDpi, "icon\\tab_dpi.png", DeviceMainDlg::kDpiContainer},
    {DeviceMainDlg::kItemMacros, TextIds::kTabMacros, "icon\\tab_macro.png", DeviceMainDlg::kMacroContainer},
    {DeviceMainDlg::kItemText, TextIds::kTabText, "icon\\tab_text.png", DeviceMainDlg::kTextContainer},
    {DeviceMainDlg::kItemLighting, TextIds::kTabLighting, "icon\\tab_light.png", DeviceMainDlg::kLightingContainer},
    {DeviceMainDlg::kItemPerformance, TextIds::kTabPerformance, "icon\\tab_set.png", DeviceMainDlg::kPerformanceContainer},
}};

// Which notifications of a control row are acted on.
enum class Codes { Any, Click };

enum class Route {
    TabChange,
    Close,
    Minimize,
    Maximize,
    Settings,
    Profiles,
    SelectModel,
    Pair,
    Restore,
    VersionMessage,
};

struct RouteRow {
    int32_t first;
    int32_t last;
    Codes codes;
    Route route;
};

// The frame's control notifications by id; the pages route their own.
constexpr RouteRow kRoutes[] = {
    {48, 48, Codes::Any, Route::TabChange},
    {39, 39, Codes::Click, Route::Close},
    {40, 40, Codes::Click, Route::Minimize},
    {41, 41, Codes::Click, Route::Maximize},
    {42, 42, Codes::Click, Route::Settings},
    {46, 46, Codes::Click, Route::Profiles},
    {57, 57, Codes::Click, Route::SelectModel},
    {60, 60, Codes::Click, Route::Pair},
    {248, 248, Codes::Click, Route::Pair},
    {251, 251, Codes::Click, Route::Restore},
    {241, 241, Codes::Click, Route::VersionMessage},
    {245, 245, Codes::Click, Route::VersionMessage},
};

const RouteRow* FindRoute(int32_t id)
{
    for (const RouteRow& row : kRoutes) {
        if (id >= row.first && id <= row.last)
            return &row;
    }
    return nullptr;
}

bool CodeMatches(Codes codes, int32_t code)
{
    switch (codes) {
    case Codes::Any:
        return true;
    case Codes::Click:
        return code == kNotifyClick;
    }
    return false;
}

QString Text(int id) { return InterfaceText::Get(id); }

QString WithSlash(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

// Where the picture of the current model sits: its top 145 down, its right
// edge 150 left of the client area's right edge.
constexpr int32_t kPictureTop = 145;
constexpr int32_t kPictureRightGap = 150;

void SetTitleOf(MControl* control, const QString& text)
{
    if (auto* font = dynamic_cast<MControlFont*>(control))
        font->SetTitle(text);
}

} // namespace

DeviceMainDlg::DeviceMainDlg() : DeviceMainDlg(Services{}) {}

DeviceMainDlg::DeviceMainDlg(Services services)
    : m_hid(services.hid ? services.hid : &HidDeviceList::Instance())
    , m_store(services.store ? services.store : &SettingsStore::Instance())
    , m_channel(services.channel)
    , m_capture(std::make_unique<InputCapture>())
{
    if (!services.desktop)
        m_ownDesktop = std::make_unique<SystemDesktop>();
    m_desktop = services.desktop ? services.desktop : m_ownDesktop.get();
    m_capture->SetDeliveredHook([this] { WriteStateLine(); });
    m_ctlRequests = std::make_unique<CtlRequestHandler>(
        *this, [this](std::function<void()> call) { PostToInterface(std::move(call)); });
    m_settings = std::make_unique<UserSettings>(
        services.settingsPath.isEmpty() ? Paths::SettingsFilePath() : services.settingsPath);
    m_settings->Open();
    m_registryView = std::make_unique<MainDlgRegistryView>(*this);
    const QString programFolder = WithSlash(services.programFolder.isEmpty() ? Paths::ProgramFolder() : services.programFolder);
    const QString dataFolder = WithSlash(services.dataFolder.isEmpty() ? Paths::DataFolder() : services.dataFolder);
    m_registry = std::make_unique<DeviceRegistry>(*m_hid, *m_store, *m_settings, *m_registryView, programFolder, dataFolder);
    m_stateProbe = !qEnvironmentVariableIsEmpty("TARVO_STATE_PROBE");
    // The worker's connection events go to the registry, the rest to this window.
    m_worker = std::make_unique<DeviceWorker>(*m_hid, *m_store, *m_registry, *this, services.timings);
    m_worker->SetLightingPresent(m_lightingPresent);
    m_worker->SetCurrentProfile(m_currentProfile);
    // The store tells of a database that cannot be written from whichever
    // thread met it; the user hears of it once, on the interface thread.
    m_store->SetProblemListener(
        [this](const StoreProblem& problem) { PostToInterface([this, problem] { ShowStoreProblem(problem); }); });
    // The worker's thread sleeps until there is work: a task, a report from a
    // device, a flag changed.
    m_worker->SetWakeHandler([this] { Wake(); });
    m_update = std::make_unique<UpdateFlow>(UpdateFlow::Parts{*this, *m_hid, *m_registry, *m_worker, programFolder, dataFolder,
        [this](int32_t subject, int32_t outcome) {
            if (const WindowHandle handle = m_handleForWorker)
                WindowRegistry::PostMessage(handle, AppMessages::kUpdateResult, uintptr_t(subject), outcome);
        }});
    m_notices = std::make_unique<DesktopNotices>(DesktopNotices::Hooks{
        [this] { return m_settings->ReadInt(QString::fromLatin1(DesktopNotices::kSettingKey)) == 1; },
        [this] { return IsOutOfSight(); },
        [this](int32_t level) {
            QString value;
            const QString key = QStringLiteral("dpi_group%1_value").arg(level);
            return m_store->GetConfigValue(m_currentProfile, key, value) ? value.toInt() : 0;
        },
        [this](const QString& title, const QString& text) {
            if (m_tray)
                m_tray->ShowMessage(title, text);
        }});
    m_exitHook = [this](int32_t code) {
        // The process ends here, as the tray's exit must; the worker is let
        // finish its exchange first so the mouse never sees half a command,
        // and the database is closed so its file holds everything (a file
        // left open keeps the latest edits in its log beside it).
        StopWorker();
        if (m_channel)
            m_channel->Close();
        m_store->CloseDatabase();
        std::fflush(nullptr);
        std::_Exit(code);
    };
}

DeviceMainDlg::~DeviceMainDlg()
{
    m_capture->EndAll();
    m_update->CancelTransfers();
    m_worker->Interrupt();
    StopAndJoin();
    m_store->SetProblemListener({});
    if (m_channel) {
        m_channel->AttachWindow(0, {});
        m_channel->SetCtlHandler({});
    }
    RemoveTrayIcon();
    MRender::FinishPrefetch();
}

void DeviceMainDlg::StopWorker()
{
    m_update->CancelTransfers();
    m_worker->Interrupt();
    Stop();
}

void DeviceMainDlg::OnDestroy()
{
    SendPageEvent({PageEvent::Kind::StopRecording});
    m_capture->EndAll();
    StopWorker();
    m_handleForWorker = 0;
    MDialog::OnDestroy();
}

void DeviceMainDlg::Run()
{
    // Only while there is work: a pass with nothing to do would sit in the
    // poll's wait while a task is queued.
    if (m_worker->HasWork())
        m_worker->RunPass();
    if (m_worker->HasWork())
        Wake();
}

// ---- Initialisation ----

void DeviceMainDlg::OnInitDialog()
{
    if (IsInitialized())
        return;
    MDialog::OnInitDialog();
    const WindowHandle handle = GetSafeHwnd();
    m_handleForWorker = handle;
    if (m_channel) {
        m_channel->AttachWindow(handle, [this] { BringToFront(); });
        m_channel->SetCtlHandler(
            [this](const QString& line, InstanceChannel::Reply reply) { m_ctlRequests->Handle(line, std::move(reply)); });
    }
    AddTrayIcon();
    SetIcon(Manager::SkinPath(QStringLiteral("DeviceDriver.ico")));
    LoadConfiguration();
    m_worker->Queue(WorkerTask::ReadMouse);
    m_workerWaiting = true;
    SetUpdateBase();
}

void DeviceMainDlg::InitUI(const MRect& client)
{
    CreateFrame(client);
    CreateTabs(client);
    CreateHomePage(client);
    CreatePageControls();
    ShowHomeView();
    SetHomeContent(false);
    UISize(client);
}

void DeviceMainDlg::CreateFrame(const MRect& client)
{
    auto picture = [this](int32_t id, const char* image) {
        MArea* area = CreateArea(QStringLiteral("MPicture"), id, {});
        if (area && image)
            area->SetImage(QString::fromLatin1(image));
        return area;
    };
    if (MArea* background = picture(kBackground, "main_bkg.png"))
        background->SetShowMode(ShowMode::Stretch);
    if (MArea* mouse = picture(kMousePicture, nullptr)) {
        mouse->SetShowMode(ShowMode::Center);
        mouse->SetVisible(false);
    }
    picture(kTopBand, "img_caption.png");
    picture(kBottomBand, "img_caption.png");
    picture(kTabBackground, "img_tab_bkg.png");
    if (MArea* logo = picture(kLogo, "logo\\logo.png"))
        logo->SetShowMode(ShowMode::Natural);

    auto label = [this](int32_t id, int textId, int32_t alignment, int32_t size) {
        auto* text = Create<MText>(id, {}, textId ? Text(textId) : QString());
        if (text) {
            text->SetAlignment(alignment);
            text->SetVAlignment(kVAlignCenter);
            text->SetFontWidth(size);
            text->SetTextColor(m_textColor);
        }
        return text;
    };
    label(kTitle, TextIds::kTitle, kAlignLeft, 16);
    label(kVersionLabel, 0, kAlignLeft, 13);
    label(kFooter, TextIds::kFooter, kAlignCenter, 13);

    auto captionButton = [this](int32_t id, const char* image, int tipId) {
        auto* button = Create<CImageButton>(id, {});
        if (button) {
            button->SetImage(QString::fromLatin1(image), 4);
            button->SetTooltip(Text(tipId));
        }
    };
    captionButton(kCloseButton, "sysbtn_close.png", TextIds::kTipClose);
    captionButton(kMinimizeButton, "sysbtn_min.png", TextIds::kTipMinimize);
    captionButton(kMaximizeButton, "sysbtn_maximize.png", TextIds::kTipMaximize);
    captionButton(kSettingsButton, "sysbtn_setting.png", TextIds::kTipSettings);

    m_battery = Create<BatteryCtrl>(kBattery, {});
    if (m_battery)
        m_battery->SetBatteryImages(QStringLiteral("icon\\icon_battery_bkg.png"),
            QStringLiteral("icon\\icon_batteryvalue.png"), QStringLiteral("icon\\icon_charge.png"));
    m_status = Create<CDeviceState>(kStatus, {}, Text(TextIds::kStatusOffline));
    if (m_status) {
        m_status->SetImage(QStringLiteral("img_area.png"));
        m_status->SetTextColor(m_textColor);
        m_status->SetFontWidth(13);
    }
    m_profileButton = Create<CIconButton>(kProfileButton, {}, Text(TextIds::kProfileWord));
    if (m_profileButton) {
        m_profileButton->SetImage(QStringLiteral("img_button.png"), 4);
        m_profileButton->SetIconImage(QStringLiteral("icon\\icon_arrow_up.png"));
        m_profileButton->SetFontWidth(14);
    }
    if (MControl* version = GetControl(kVersionLabel))
        SetTitleOf(version, Text(TextIds::kVersionWord) + QStringLiteral(": v") + m_softwareVersion);
    (void)client;
}

void DeviceMainDlg::CreateTabs(const MRect&)
{
    m_tabs = Create<MTabCtrl>(kTabBar, {});
    if (!m_tabs)
        return;
    m_tabs->SetImage(QStringLiteral("img_tabitem_bkg.png"), 3);
    m_tabs->SetTabCtrlWidth(190);
    m_tabs->SetTabCtrlHeight(60);
    m_tabs->SetLeftRightPading(0, 190);
    m_tabs->SetTopBottomPading(0, 360);
    for (const TabDef& tab : kTabs)
        m_tabs->InsertItem(tab.item, Text(tab.textId), QString::fromLatin1(tab.icon));
    m_tabs->SetItemWidth(190, 190, 1);
    m_tabs->SetItemHeight(60, 60, 1);
    m_tabs->SetSelectItem(0);
    for (const TabDef& tab : kTabs)
        CreateArea(QStringLiteral("MTabLayout"), tab.container, {});
    if (MArea* panel = CreateArea(QStringLiteral("MTabLayout"), kPerformancePanel, {}))
        panel->SetVisible(false);
}

void DeviceMainDlg::CreateHomePage(const MRect&)
{
    MArea* home = dynamic_cast<MArea*>(GetControl(kHomeContainer));
    m_deviceList = dynamic_cast<CDeviceList*>(CreateControl(QStringLiteral("CDeviceList"), kDeviceList, {}, {}, home));
    if (m_deviceList) {
        m_deviceList->SetImage(QStringLiteral("area_device.png"));
        m_deviceList->SetModeImage(QStringLiteral("device_mode.png"));
        m_deviceList->SetModeText(1, Text(TextIds::kModeReceiver));
        m_deviceList->SetModeText(0, Text(TextIds::kModeCable));
    }
    if (MControl* none = CreateControl(QStringLiteral("MPicture"), kNoDevicePicture, {}, {}, home))
        none->SetImage(QStringLiteral("img_area3.png"));
    if (auto* text = dynamic_cast<MText*>(CreateControl(QStringLiteral("MText"), kNoDeviceText, {}, Text(TextIds::kNoDevice), home))) {
        text->SetAlignment(kAlignLeft);
        text->SetVAlignment(kVAlignCenter);
        text->SetFontWidth(15);
        text->SetTextColor(m_textColor);
    }
    if (auto* pair = dynamic_cast<MButton*>(CreateControl(QStringLiteral("MButton"), kPairButton, {}, Text(TextIds::kPairReceiver), home))) {
        pair->SetImage(QStringLiteral("img_button.png"), 4);
        pair->SetFontWidth(14);
    }
}

void DeviceMainDlg::CreatePageControls()
{
    m_pages = CreatePages();
    for (const std::unique_ptr<Page>& page : m_pages) {
        if (auto* container = dynamic_cast<MArea*>(ContainerOf(page->TabItem())))
            page->Create(*this, *container);
    }
}

// ---- Layout ----

void DeviceMainDlg::UISize(const MRect& client)
{
    const int32_t w = client.Width();
    const int32_t h = client.Height();
    if (w <= 0 || h <= 0)
        return;
    m_layoutScale = float(h) / float(kDesignHeight);
    const float s = m_layoutScale;
    auto place = [this](int32_t id, const MRect& rect) {
        for (MControl* control : GetControls(id))
            control->SetRect(rect);
    };
    constexpr int32_t kBand = 50;
    place(kBackground, {0, 0, w, h});
    place(kTopBand, {0, 0, w, kBand});
    place(kBottomBand, {0, h - kBand, w, h});
    place(kLogo, {16, 5, 176, 45});
    place(kTitle, {190, 0, w / 2, kBand});
    // Caption buttons from the right edge, 31 apart.
    constexpr int32_t kCaptionStep = 31;
    const int32_t captionOrder[] = {kCloseButton, kMaximizeButton, kMinimizeButton, kSettingsButton};
    int32_t right = w - 8;
    for (int32_t id : captionOrder) {
        place(id, {right - 30, 10, right, 40});
        right -= kCaptionStep;
    }
    place(kVersionLabel, {20, h - kBand, 420, h});
    place(kFooter, {w / 2 - 260, h - kBand, w / 2 + 260, h});
    place(kProfileButton, {w - 200, h - kBand + 7, w - 20, h - 7});
    place(kBattery, {w - 60, kBand + 12, w - 24, kBand + 30});
    place(kStatus, {w - 340, kBand + 6, w - 72, kBand + 36});
    place(kTabBackground, {0, kBand, 200, h - kBand});
    // Tall enough for all seven items: at 360 the last one would be cut off
    // and its page unreachable.
    constexpr int32_t kTabItemHeight = 60;
    place(kTabBar, {1, 120, 191, 120 + kTabItemHeight * int32_t(kTabs.size())});
    const MRect pages{200, 75, w, h - kBand};
    for (const TabDef& tab : kTabs) {
        if (tab.container != kHomeContainer)
            place(tab.container, pages);
    }
    place(kPerformancePanel, pages);
    PlaceMousePicture(client);
    place(kHomeContainer, {10, 75, w, h - kBand});
    place(kDeviceList, {90, 130, w - 60, h - 100});
    const int32_t boxW = int32_t(500 * s);
    const int32_t boxH = int32_t(80 * s);
    const int32_t boxTop = int32_t(200 * s);
    const MRect box{w / 2 - boxW / 2, boxTop, w / 2 - boxW / 2 + boxW, boxTop + boxH};
    place(kNoDevicePicture, box);
    place(kNoDeviceText, {box.left + int32_t(80 * s), box.top, box.right - int32_t(16 * s), box.bottom});
    // Under the no-device text, or under the device list's right end when the
    // list is shown (in the middle it would cover an item).
    const int32_t pairW = int32_t(160 * s);
    const int32_t pairH = int32_t(36 * s);
    if (m_homeShowsList) {
        place(kPairButton, {w - 60 - pairW, h - 100 + 6, w - 60, h - 100 + 6 + pairH});
    } else {
        const int32_t pairTop = box.bottom + int32_t(40 * s);
        place(kPairButton, {w / 2 - pairW / 2, pairTop, w / 2 + pairW / 2, pairTop + pairH});
    }
    const MRect area = PageArea();
    for (const std::unique_ptr<Page>& page : m_pages)
        page->Layout(area, s);
}

MControl* DeviceMainDlg::ContainerOf(int32_t item) const
{
    const auto tab = std::find_if(kTabs.begin(), kTabs.end(), [&](const TabDef& t) { return t.item == item; });
    return tab == kTabs.end() ? nullptr : GetControl(tab->container);
}

MRect DeviceMainDlg::PageArea() const
{
    // Every page container covers the same rectangle.
    const MControl* container = GetControl(kDpiContainer);
    return container ? container->GetRect() : MRect{};
}

// ---- Views and tabs ----

void DeviceMainDlg::ShowHomeView()
{
    auto hide = [this](int32_t id) {
        if (MControl* control = GetControl(id))
            control->SetVisible(false);
    };
    hide(kMousePicture);
    hide(kTabBar);
    if (m_tabs)
        m_tabs->SetSelectItem(0);
    hide(kTabBackground);
    hide(kBattery);
    hide(kStatus);
    hide(kProfileButton);
    hide(kTopBand);
    m_currentItem = kItemHome;
    ShowPageContainer(kItemHome);
}

void DeviceMainDlg::ShowModelView()
{
    for (int32_t id : {kTabBar, kTabBackground, kBattery, kStatus, kProfileButton, kTopBand, kMousePicture}) {
        if (MControl* control = GetControl(id))
            control->SetVisible(true);
    }
    SelectTab(1);
}

void DeviceMainDlg::SetHomeContent(bool devicesPresent)
{
    if (devicesPresent != m_homeShowsList) {
        m_homeShowsList = devicesPresent;
        UISize(GetClientRect());
    }
    const bool listAppears = devicesPresent && m_deviceList && !m_deviceList->IsVisible();
    if (m_deviceList)
        m_deviceList->SetVisible(devicesPresent);
    for (int32_t id : {kNoDevicePicture, kNoDeviceText}) {
        if (MControl* control = GetControl(id))
            control->SetVisible(!devicesPresent);
    }
    if (QWidget* window = GetWidget(); window && listAppears)
        MControl::PrefetchBeforeDrawing(window);
    HeapTuning::ReturnFreeMemorySoon();
}

void DeviceMainDlg::SetNoDeviceText(int32_t textId)
{
    m_noDeviceTextId = textId;
    SetTitleOf(GetControl(kNoDeviceText), Text(textId));
}

void DeviceMainDlg::SelectTab(int32_t index)
{
    if (!m_tabs || m_tabs->GetItemId(index) < 0)
        return;
    m_tabs->SetSelectItem(index);
    OnTabChange(index);
}

void DeviceMainDlg::OnTabChange(int32_t index)
{
    if (MControl* panel = GetControl(kPerformancePanel); panel && panel->IsVisible())
        panel->SetVisible(false);
    const int32_t item = m_tabs ? m_tabs->GetItemId(index) : -1;
    if (item < 0)
        return;
    if (m_currentItem == kItemHome) {
        if (MControl* mouse = GetControl(kMousePicture))
            mouse->SetVisible(true);
    }
    if (item == kItemHome) {
        ShowHomeView();
        return;
    }
    m_currentItem = item;
    ShowPageContainer(item);
}

void DeviceMainDlg::ShowPageContainer(int32_t item)
{
    for (const TabDef& tab : kTabs) {
        if (MControl* container = GetControl(tab.container))
            container->SetVisible(tab.item == item);
    }
    if (QWidget* window = GetWidget())
        MControl::PrefetchBeforeDrawing(window);
    // Every view and page shown passes here: once its building is over, the
    // heap gives its passing allocations back.
    HeapTuning::ReturnFreeMemorySoon();
}

void DeviceMainDlg::SetLightingPresent(bool present)
{
    m_lightingPresent = present;
    m_worker->SetLightingPresent(present);
    if (m_tabs)
        m_tabs->SetItemVisible(kItemLighting, present);
    if (!present && m_currentItem == kItemLighting)
        SelectTab(1);
}

void DeviceMainDlg::BringToFront()
{
    ShowWindow(kSwShowNormal);
    SetForeground();
    WriteStateLine();
}

bool DeviceMainDlg::IsOutOfSight() const
{
    const QWidget* widget = GetWidget();
    return !widget || !IsWindowVisible() || widget->isMinimized();
}

// ---- Messages ----

intptr_t DeviceMainDlg::OnWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    switch (message) {
    case AppMessages::kTray:
        OnTrayNotify(lParam);
        return 0;
    case AppMessages::kQuit:
        if (lParam == AppMessages::kQuitKey)
            ExitProgram(0);
        return 0;
    case AppMessages::kUpdateResult:
        OnUpdateResult(wParam, lParam);
        return 0;
    case AppMessages::kProfileAction:
        if (wParam == AppMessages::kProfileChosen)
            OnProfileChosen(int32_t(lParam));
        else if (wParam == AppMessages::kProfileImport)
            ImportProfile(lParam);
        else if (wParam == AppMessages::kProfileExport)
            ExportProfile(lParam);
        return 0;
    case AppMessages::kLanguageChanged:
        ApplyLanguage();
        return 0;
    case kWmDeviceChange:
        OnDeviceChange(wParam, lParam);
        return 0;
    case kWmCommand:
        if (wParam == AppMessages::kCommandExit) {
            ExitProgram(0);
            return 0;
        }
        if (wParam == AppMessages::kCommandSettings) {
            OpenSettingsDialog();
            return 0;
        }
        break;
    default:
        break;
    }
    // The pages' own messages (their lists' menus, for example).
    for (const std::unique_ptr<Page>& page : m_pages) {
        if (page->OnWindowMessage(message, wParam, lParam)) {
            WriteStateLine();
            return 0;
        }
    }
    return MDialog::OnWindowMessage(message, wParam, lParam);
}

intptr_t DeviceMainDlg::OnMessage(int32_t id, int32_t code, intptr_t param, intptr_t)
{
    const intptr_t result = RouteControl(id, code, param);
    ScheduleStateLine();
    return result;
}

intptr_t DeviceMainDlg::RouteControl(int32_t id, int32_t code, intptr_t param)
{
    const RouteRow* row = FindRoute(id);
    if (!row) {
        for (const std::unique_ptr<Page>& page : m_pages) {
            if (page->OnControl(id, code, param))
                return 1;
        }
        return 0;
    }
    if (!CodeMatches(row->codes, code))
        return 0;
    switch (row->route) {
    case Route::TabChange:
        OnTabChange(int32_t(param));
        break;
    case Route::Close:
        OnCloseButton();
        break;
    case Route::Minimize:
        OnMinimize();
        break;
    case Route::Maximize:
        OnMaximizeButton();
        break;
    case Route::Settings:
        OpenSettingsDialog();
        break;
    case Route::Profiles:
        OnProfileButton();
        break;
    case Route::SelectModel:
        m_clickedDeviceType = int32_t(param);
        SelectModel();
        break;
    case Route::Pair:
        PairReceiver();
        break;
    case Route::Restore:
        RestoreFactorySettings();
        break;
    case Route::VersionMessage:
        m_update->OnFirmwareButton(id == 241 ? FlashTarget::Mouse : FlashTarget::Receiver);
        break;
    }
    return 1;
}

void DeviceMainDlg::OnMaximizeButton()
{
    OnMaximize();
    if (MControl* button = GetControl(kMaximizeButton))
        button->SetImage(IsZoomed() ? QStringLiteral("sysbtn_restore.png") : QStringLiteral("sysbtn_maximize.png"), 4);
}

void DeviceMainDlg::OnProfileButton()
{
    if (!IsReachableNow()) {
        CUIMessageBox::Show(Text(TextIds::kMouseOffline), GetSafeHwnd(), Text(TextIds::kNotice), CUIMessageBox::kStyleOk);
        return;
    }
    OpenProfilesDialog();
}

void DeviceMainDlg::OnProfileChosen(int32_t profile)
{
    MakeProfileCurrent(profile);
    m_worker->Queue(WorkerTask::WriteEverything);
}

bool DeviceMainDlg::MakeProfileCurrent(int32_t profile)
{
    SetCurrentProfile(profile);
    // The choice holds for this run even when the store cannot keep it; the
    // store tells the user so.
    const bool stored = m_store->SetActiveProfile(profile);
    QString name;
    m_profileName = m_store->GetProfileName(profile, name) ? name : QString();
    UpdateProfileButton();
    return stored;
}

void DeviceMainDlg::SetCurrentProfile(int32_t profile)
{
    m_currentProfile = profile;
    m_worker->SetCurrentProfile(profile);
}

void DeviceMainDlg::RestoreFactorySettings()
{
    if (!IsReachableNow()) {
        CUIMessageBox::Show(Text(TextIds::kMouseOffline), GetSafeHwnd(), Text(TextIds::kNotice), CUIMessageBox::kStyleOk);
        return;
    }
    if (CUIMessageBox::Show(Text(TextIds::kRestoreQuestion), GetSafeHwnd(), Text(TextIds::kRestoreCaption),
            CUIMessageBox::kStyleYesNo) != kIdOk)
        return;
    // A reset the store cannot keep is reported by the store itself; the
    // mouse is reset all the same, as the user asked.
    ProfileEdits::ResetForFactory(*m_store, m_currentProfile);
    m_worker->Queue(WorkerTask::FactoryReset);
    m_worker->ResetLoaded();
    EndWaitDialog();
    // The worker's end of task 21 reaches us as a posted call, which can only
    // run inside the wait dialog's own loop: it is never missed.
    WaitDlg wait;
    m_waitDlg = &wait;
    wait.Run(GetSafeHwnd());
    m_waitDlg = nullptr;
}

void DeviceMainDlg::ShowStoreProblem(const StoreProblem& problem)
{
    // Edits go on being made in the window; without this they would look
    // saved while nothing is kept. Once a session: every later edit would
    // fail the same way, and a box per click would make the window unusable.
    if (problem.kind != StoreProblem::Kind::SetAside) {
        if (m_storeFailureTold)
            return;
        m_storeFailureTold = true;
    }
    Tell(StoreNoticeText(problem), Text(TextIds::kNotice));
}

QString DeviceMainDlg::StoreNoticeText(const StoreProblem& problem)
{
    const int textId
        = problem.kind == StoreProblem::Kind::SetAside ? TextIds::kStoreSetAside : TextIds::kStoreWriteFailed;
    // A set-aside name is one long word; a zero-width space after each dot
    // lets it wrap inside the box instead of running past its edge.
    QString file = QFileInfo(problem.path).fileName();
    file.replace(QLatin1Char('.'), QStringLiteral(".\u200B"));
    return Text(textId) + QLatin1Char('\n') + file;
}

void DeviceMainDlg::EndWaitDialog()
{
    if (m_waitDlg)
        m_waitDlg->DoOK();
}

bool DeviceMainDlg::IsReachableNow() const
{
    return m_registry->IsReachable();
}

void DeviceMainDlg::SetSoftwareVersion(const QString& version)
{
    m_softwareVersion = version;
    if (MControl* label = GetControl(kVersionLabel))
        SetTitleOf(label, Text(TextIds::kVersionWord) + QStringLiteral(": v") + m_softwareVersion);
}

void DeviceMainDlg::UpdateStatusText()
{
    if (!m_status)
        return;
    m_status->SetTitle(Text(m_statusTextId));
    m_status->SetState(m_statusTextId == TextIds::kStatusOffline ? 0 : 1);
}

void DeviceMainDlg::UpdateProfileButton()
{
    if (m_profileButton)
        m_profileButton->SetTitle(m_profileName.isEmpty() ? Text(TextIds::kProfileWord) : m_profileName);
}

void DeviceMainDlg::ExitProgram(int32_t code)
{
    // A recording under way is stored before the process ends.
    SendPageEvent({PageEvent::Kind::StopRecording});
    RemoveTrayIcon();
    if (m_exitHook)
        m_exitHook(code);
}

// ---- Language ----

void DeviceMainDlg::ApplyLanguage()
{
    if (m_deviceList) {
        m_deviceList->SetModeText(1, Text(TextIds::kModeReceiver));
        m_deviceList->SetModeText(0, Text(TextIds::kModeCable));
    }
    SetTitleOf(GetControl(kTitle), Text(TextIds::kTitle));
    SetTitleOf(GetControl(kFooter), Text(TextIds::kFooter));
    const std::pair<int32_t, int> tips[] = {{kCloseButton, TextIds::kTipClose}, {kMaximizeButton, TextIds::kTipMaximize},
        {kMinimizeButton, TextIds::kTipMinimize}, {kSettingsButton, TextIds::kTipSettings}};
    for (const auto& [id, textId] : tips) {
        if (MControl* button = GetControl(id))
            button->SetTooltip(Text(textId));
    }
    if (m_tabs) {
        for (const TabDef& tab : kTabs)
            m_tabs->SetItemText(tab.item, Text(tab.textId));
    }
    SetSoftwareVersion(m_softwareVersion);
    SetTitleOf(GetControl(kNoDeviceText), Text(m_noDeviceTextId));
    SetTitleOf(GetControl(kPairButton), Text(TextIds::kPairReceiver));
    if (m_tray)
        m_tray->SetExitText(Text(TextIds::kTrayExit));
    for (const std::unique_ptr<Page>& page : m_pages)
        page->ApplyLanguage();
    QString name;
    m_profileName = m_store->GetProfileName(m_currentProfile, name) ? name : QString();
    UpdateProfileButton();
    UpdateStatusText();
}

// ---- DeviceEvents: worker thread in, interface thread out ----

void DeviceMainDlg::PostToInterface(std::function<void()> call)
{
    const WindowHandle handle = m_handleForWorker;
    if (!handle)
        return;
    WindowRegistry::PostCall(handle, [this, handle, call = std::move(call)] {
        // The window may have closed since; then there is nothing to update.
        if (MWindow::FromHandle(handle) == this) {
            call();
            ScheduleStateLine();
        }
    });
}

void DeviceMainDlg::ShowMouseVersion(const QString& labelled)
{
    PostToInterface([this, labelled] { SendPageEvent({PageEvent::Kind::MouseVersion, 0, 0, labelled}); });
}

void DeviceMainDlg::ShowReceiverVersion(const QString& labelled)
{
    PostToInterface([this, labelled] { SendPageEvent({PageEvent::Kind::ReceiverVersion, 0, 0, labelled}); });
}

void DeviceMainDlg::ShowBattery(int32_t level, int32_t status)
{
    PostToInterface([this, level, status] {
        if (m_battery)
            m_battery->SetBatteryInfo(level, status);
        m_notices->Battery(level, status);
    });
}

void DeviceMainDlg::ShowDeviceBattery(int32_t devType, int32_t status, int32_t level)
{
    PostToInterface([this, devType, status, level] {
        if (m_deviceList)
            m_deviceList->SetDeviceBattery(devType, status, level);
    });
}

void DeviceMainDlg::ShowDpiLevel(int32_t index)
{
    PostToInterface([this, index] {
        SendPageEvent({PageEvent::Kind::DpiLevel, index});
        m_notices->DpiLevel(index);
    });
}

void DeviceMainDlg::ShowProfile(int32_t profile, const QString& name)
{
    PostToInterface([this, profile, name] {
        m_currentProfile = profile;
        m_profileName = name;
        UpdateProfileButton();
    });
}

void DeviceMainDlg::ReloadPages(uint32_t pages)
{
    PostToInterface([this, pages] { ReloadPagesNow(pages); });
}

void DeviceMainDlg::CloseWaitDialog()
{
    PostToInterface([this] { EndWaitDialog(); });
}

void DeviceMainDlg::RestoreButtonDefaults()
{
    PostToInterface([this] { SendPageEvent({PageEvent::Kind::RestoreButtonDefaults}); });
}

void DeviceMainDlg::RestoreLighting()
{
    PostToInterface([this] { SendPageEvent({PageEvent::Kind::RestoreLighting}); });
}

void DeviceMainDlg::PlayTextRequest(int32_t first, int32_t second)
{
    PostToInterface([this, first, second] { SendPageEvent({PageEvent::Kind::TextRequest, first, second}); });
}

void DeviceMainDlg::RunUpdateTask(int32_t code)
{
    RunUpdateTaskHook(code);
}

// ---- Pages ----

void DeviceMainDlg::ReloadPagesNow(uint32_t pages)
{
    for (const std::unique_ptr<Page>& page : m_pages) {
        if (page->ReloadMask() & pages)
            page->Reload();
    }
}

void DeviceMainDlg::SendPageEvent(const PageEvent& event)
{
    for (const std::unique_ptr<Page>& page : m_pages)
        page->OnPageEvent(event);
}

void DeviceMainDlg::QueueTask(WorkerTask task)
{
    m_worker->Queue(task);
}

void DeviceMainDlg::SetPendingRestore(int32_t selector)
{
    m_worker->SetPendingRestore(selector);
}

int32_t DeviceMainDlg::CurrentDeviceType() const
{
    return m_registry->State().deviceType;
}

int32_t DeviceMainDlg::CurrentConnectionMode() const
{
    return m_registry->State().connectionMode;
}

DeviceDescription DeviceMainDlg::Description() const
{
    return m_registry->Description();
}

std::vector<KeyAssignment> DeviceMainDlg::DefaultKeys() const
{
    return m_registry->DefaultKeys();
}

bool DeviceMainDlg::Ask(const QString& message, const QString& caption)
{
    return CUIMessageBox::Show(message, GetSafeHwnd(), caption, CUIMessageBox::kStyleYesNo) == kIdOk;
}

void DeviceMainDlg::Tell(const QString& message, const QString& caption)
{
    CUIMessageBox::Show(message, GetSafeHwnd(), caption, CUIMessageBox::kStyleOk);
}

QString DeviceMainDlg::ChooseFile(FileDialog kind, const QString& title, const QString& filter, const QString& suggested)
{
    // Test hook: the end-to-end tests cannot drive the desktop's own dialog,
    // so when TARVO_TEST_FILE_DIALOG is set its value is the answer (empty:
    // cancelled) and no dialog is shown.
    if (qEnvironmentVariableIsSet("TARVO_TEST_FILE_DIALOG"))
        return qEnvironmentVariable("TARVO_TEST_FILE_DIALOG");
    QWidget* parent = GetWidget();
    return kind == FileDialog::Open ? QFileDialog::getOpenFileName(parent, title, suggested, filter)
                                    : QFileDialog::getSaveFileName(parent, title, suggested, filter);
}

void DeviceMainDlg::BeginCapture(int32_t mode, CaptureSink& sink)
{
    m_capture->Begin(GetWidget(), mode, sink);
}

void DeviceMainDlg::EndCapture(CaptureSink& sink)
{
    m_capture->End(sink);
}

void DeviceMainDlg::LockFrame(bool locked)
{
    if (m_tabs)
        m_tabs->SetEnabled(!locked);
    if (m_profileButton)
        m_profileButton->SetEnabled(!locked);
}

void DeviceMainDlg::StoreWriteFailed()
{
    // The store reports its failed writes itself (ShowStoreProblem); a page
    // that saw one first gets the same single notice.
    DevicesDebugLine(QStringLiteral("a setting could not be stored"));
    ShowStoreProblem({StoreProblem::Kind::WriteFailed, QString::fromUtf8(m_store->DatabasePath()), {}});
}

// ---- Hooks ----

void DeviceMainDlg::OnTrayNotify(intptr_t mouseMessage)
{
    // The right click's menu belongs to the icon: the desktop shows it.
    if (mouseMessage == kWmLButtonDown || mouseMessage == kWmLButtonDblClk)
        BringToFront();
}

void DeviceMainDlg::AddTrayIcon()
{
    if (!m_tray)
        m_tray = std::make_unique<TrayIcon>(GetSafeHwnd());
    m_tray->Add(Manager::SkinPath(QStringLiteral("DeviceDriver.ico")), Paths::ApplicationName(),
        Text(TextIds::kTrayExit));
}

void DeviceMainDlg::RemoveTrayIcon()
{
    if (m_tray)
        m_tray->Remove();
}

bool DeviceMainDlg::HasTray() const
{
    return m_tray && m_tray->IsShown();
}

void DeviceMainDlg::LoadConfiguration()
{
    // The configuration, the current model's description and the
    // device-change registration. Without a usable config.xml the window
    // still opens, with no model. The first full refresh runs on the worker,
    // before task 1: a device that is slow to answer never holds up the
    // window.
    m_registry->Start();
    m_softwareVersion = m_registry->SoftwareVersion();
    m_refreshAtStart = true;
}

void DeviceMainDlg::StartWorker()
{
    // The worker starts once the window has been drawn, with the refresh
    // before its first task: a mouse found sooner would have its view built
    // before the window first appears.
    if (!m_workerWaiting)
        return;
    m_workerWaiting = false;
    if (m_refreshAtStart)
        m_worker->RequestRefresh();
    Start(0, CThreadBasic::Mode::Waking);
    if (m_deviceList && !m_deviceList->IsVisible())
        MRender::Prefetch(m_deviceList->CardPictures());
    HeapTuning::ReturnFreeMemorySoon();
}

void DeviceMainDlg::ShowWindow(int32_t showCommand)
{
    MDialog::ShowWindow(showCommand);
    // Hidden in the tray or minimised, the window is not drawn.
    if (showCommand == kSwHide || showCommand == kSwMinimize)
        StartWorker();
}

void DeviceMainDlg::OnPaint(QPainter& painter)
{
    MDialog::OnPaint(painter);
    StartWorker();
}

void DeviceMainDlg::LoadDescription()
{
    m_registry->LoadDescription();
}

void DeviceMainDlg::SetUpdateBase()
{
    m_update->SetUpdateBase(m_softwareVersion);
}

void DeviceMainDlg::OnDeviceChange(uintptr_t, intptr_t) {}
void DeviceMainDlg::OnUpdateResult(uintptr_t subject, intptr_t outcome)
{
    m_update->OnUpdateResult(subject, outcome);
}

void DeviceMainDlg::RunUpdateTaskHook(int32_t code)
{
    m_update->RunTask(code);
}

void DeviceMainDlg::OpenProfilesDialog()
{
    ProfileDlg dialog(*m_store);
    dialog.SetTarget(GetSafeHwnd());
    dialog.SetProfile(m_currentProfile);
    dialog.SetChangedHook([this] { WriteStateLine(); });
    m_profileDlg = &dialog;
    const MRect button = m_profileButton ? ClientToScreen(m_profileButton->GetRect()) : MRect{};
    dialog.Run(GetSafeHwnd(), ProfileDlg::PopupRect(button));
    m_profileDlg = nullptr;
}

void DeviceMainDlg::ImportProfile(intptr_t)
{
    ExchangeFlow::ImportProfile(*this);
}

void DeviceMainDlg::ExportProfile(intptr_t value)
{
    ExchangeFlow::ExportProfile(*this, int32_t(value));
}

void DeviceMainDlg::OnCloseButton()
{
    if (m_settings->ReadInt(QStringLiteral("exit_mode")) != 1) {
        ExitProgram(0);
        return;
    }
    // Hidden, only the tray icon brings the window back; on a desktop without
    // a tray it is minimised instead, so it can always be reached.
    ShowWindow(HasTray() ? kSwHide : kSwMinimize);
}

void DeviceMainDlg::OpenSettingsDialog()
{
    SettingDlg::Services services;
    services.settings = m_settings.get();
    services.programPath = QCoreApplication::applicationFilePath();
    if (m_update->UpdatesEnabled())
        services.checkForUpdates = [this](WindowHandle dialog) { m_update->CheckSoftwareFromSettings(dialog); };
    SettingDlg dialog(std::move(services), m_softwareVersion);
    dialog.Run(GetSafeHwnd());
}

void DeviceMainDlg::SelectModel()
{
    m_registry->SelectModel(m_clickedDeviceType);
}

void DeviceMainDlg::PairReceiver()
{
    if (!Ask(Text(TextIds::kPairQuestion), Text(TextIds::kPairCaption)))
        return;
    // The pairing dialog's worker has the device list to itself meanwhile.
    m_worker->SetPaused(true);
    {
        DonglePairDlg dialog(*m_hid);
        dialog.Run(GetSafeHwnd());
    }
    m_worker->SetPaused(false);
    m_worker->Queue(WorkerTask::DeviceArrived);
}

std::vector<std::unique_ptr<Page>> DeviceMainDlg::CreatePages()
{
    return CreateFeaturePages(*this);
}

// ---- The device registry's effects (interface thread) ----

void DeviceMainDlg::ApplyStatusText(int32_t textId)
{
    m_statusTextId = textId;
    UpdateStatusText();
    m_notices->Connection(textId);
    SendPageEvent({PageEvent::Kind::ConnectionChanged, CurrentConnectionMode()});
}

void DeviceMainDlg::ApplyVersionLabel(const QString& label)
{
    SetTitleOf(GetControl(kVersionLabel), label);
}

void DeviceMainDlg::ApplyMousePicture(const QString& pictureName)
{
    MControl* picture = GetControl(kMousePicture);
    if (!picture)
        return;
    picture->SetImage(pictureName);
    m_pictureSize = QImageReader(Manager::SkinPath(pictureName)).size();
    if (!m_pictureSize.isValid())
        DevicesDebugLine(QStringLiteral("mouse picture %1 cannot be read").arg(pictureName));
    UISize(GetClientRect());
}

void DeviceMainDlg::PlaceMousePicture(const MRect& client)
{
    MControl* picture = GetControl(kMousePicture);
    if (!picture)
        return;
    if (m_pictureSize.width() > 1) {
        const int32_t right = client.right - kPictureRightGap;
        picture->SetRect({right - m_pictureSize.width(), kPictureTop, right, kPictureTop + m_pictureSize.height()});
    } else {
        picture->SetRect({200, 75, client.right, client.bottom - 50});
    }
}

MRect DeviceMainDlg::MousePictureRect() const
{
    const MControl* picture = GetControl(kMousePicture);
    if (!picture || m_pictureSize.width() <= 1)
        return {};
    return picture->GetRect();
}

void DeviceMainDlg::CloseTransientWindowsNow()
{
    const QString windowClass = QStringLiteral("MWindow");
    for (const char* title : {"CloseWindowTipDlg", "CustomKeyDlg", "WaitDlg", "Menu Window"}) {
        if (const WindowHandle window = FindWindow(windowClass, QString::fromLatin1(title)))
            WindowRegistry::PostMessage(window, kWmClose, 0, 0);
    }
    // A question left open is answered "cancel".
    if (const WindowHandle box = FindWindow(windowClass, QStringLiteral("MessageBox")))
        WindowRegistry::PostMessage(box, kWmClose, 2, 0);
    for (const char* title : {"KeyboardTip Window", "ComboWnd", "PaletteDlg"}) {
        if (MWindow* window = MWindow::FromHandle(FindWindow(windowClass, QString::fromLatin1(title))))
            window->ShowWindow(kSwHide);
    }
    EndWaitDialog();
    SendPageEvent({PageEvent::Kind::StopRecording});
    if (QWidget* widget = GetWidget()) {
        if (QWidget* focus = widget->focusWidget())
            focus->clearFocus();
    }
}
