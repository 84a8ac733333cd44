#pragma once

#include "editors/Page.h"
#include "editors/PageHost.h"
#include "hid/CThreadBasic.h"
#include "hid/DeviceEvents.h"
#include "hid/DeviceWorker.h"
#include "language/TextIds.h"
#include "widgets/MDialog.h"

#include <QElapsedTimer>
#include <QSize>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class BatteryCtrl;
class CDeviceList;
class CDeviceState;
class CIconButton;
class CtlRequestHandler;
class DesktopActions;
class DesktopNotices;
class DeviceRegistry;
class HidDeviceList;
class InputCapture;
class InstanceChannel;
class MainDlgRegistryView;
class MTabCtrl;
class ProfileDlg;
class SettingsStore;
struct StoreProblem;
class TrayIcon;
class UpdateFlow;
class UserSettings;
class WaitDlg;

// The main window: the frame, the tab bar and the page containers, the
// routing of the frame's notifications and of posted messages, and the owner
// of the device worker (its CThreadBasic base runs DeviceWorker passes while
// there is work and sleeps otherwise). The feature pages (src/editors) live in the tab containers and reach
// the program through this window as their PageHost; it hands them their
// controls' notifications and the worker's page events. The worker reaches the
// window only through DeviceEvents, which this class implements by posting to
// the interface thread, in order. The device registry (models, descriptions,
// what is plugged) owns the connection state: the worker's connection events
// go to it, and it reaches the window through MainDlgRegistryView, also posted.
//
// The dialogs (tray, settings, profiles, pairing, updates) plug in through
// the protected hooks below. While the window is out of sight, the worker's
// battery, connection and DPI reports may become desktop notifications.
class DeviceMainDlg : public MDialog, public CThreadBasic, public DeviceEvents, public PageHost {
public:
    // Frame control ids.
    enum ControlId : int32_t {
        kBackground = 30,
        kMousePicture = 31,
        kTopBand = 32,
        kBottomBand = 33,
        kLogo = 34,
        kTitle = 36,
        kVersionLabel = 37,
        kFooter = 38,
        kCloseButton = 39,
        kMinimizeButton = 40,
        kMaximizeButton = 41,
        kSettingsButton = 42,
        kBattery = 44,
        kStatus = 45,
        kProfileButton = 46,
        kTabBackground = 47,
        kTabBar = 48,
        kHomeContainer = 49,
        kButtonContainer = 50,
        kDpiContainer = 51,
        kMacroContainer = 52,
        kLightingContainer = 53,
        kTextContainer = 54,
        kPerformanceContainer = 55,
        kPerformancePanel = 56,
        kDeviceList = 57,
        kNoDevicePicture = 58,
        kNoDeviceText = 59,
        kPairButton = 60,
    };
    // Tab item ids (not indexes: a hidden item keeps its index).
    enum TabItem : int32_t {
        kItemHome = PageTab::kHome,
        kItemButtons = PageTab::kButtons,
        kItemDpi = PageTab::kDpi,
        kItemMacros = PageTab::kMacros,
        kItemLighting = PageTab::kLighting,
        kItemPerformance = PageTab::kPerformance,
        kItemText = PageTab::kText,
    };
    static constexpr int32_t kDesignWidth = 1280;
    static constexpr int32_t kDesignHeight = 780;

    // What the window works with; the program passes the process-wide
    // objects, tests their own.
    struct Services {
        HidDeviceList* hid = nullptr;   // null: HidDeviceList::Instance()
        SettingsStore* store = nullptr; // null: SettingsStore::Instance()
        WorkerTimings timings{};
        InstanceChannel* channel = nullptr; // the single-instance channel, if any
        DesktopActions* desktop = nullptr;  // null: the session's own desktop
        // Where config.xml and device/ are, where the databases go and the
        // settings file; empty: the program's own (Paths).
        QString programFolder;
        QString dataFolder;
        QString settingsPath;
    };
    // Ends the program with an exit code. The default stops the worker and
    // ends the process at once, as the tray's exit and the quit message must.
    using ExitHook = std::function<void(int32_t code)>;

    DeviceMainDlg();
    explicit DeviceMainDlg(Services services);
    ~DeviceMainDlg() override;

    void SetExitHook(ExitHook hook) { m_exitHook = std::move(hook); }
    // Stops the worker, cutting short any wait of its current task. A class
    // that overrides Run() calls it first in its destructor.
    void StopWorker();

    // MWindow / MDialog.
    intptr_t OnWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    void OnInitDialog() override;
    void InitUI(const MRect& client) override;
    void UISize(const MRect& client) override;
    intptr_t OnMessage(int32_t id, int32_t code, intptr_t param, intptr_t lParam) override;
    void OnTimer(int32_t) override {}
    void ShowWindow(int32_t showCommand) override;
    void OnPaint(QPainter& painter) override;
    // The window is going away: the worker stops before anything it reports to.
    void OnDestroy() override;

    // Sets every text of the window again from the current language.
    void ApplyLanguage();
    // The views of the window: the home page with the device list, or the
    // pages of the current model.
    void ShowHomeView();
    void ShowModelView();
    // The home page's content: the device list when something is connected,
    // else the no-device picture and text.
    void SetHomeContent(bool devicesPresent);
    // The text beside the no-device picture: text 56 (nothing attached) or
    // text 53 (attached, but this user may not open it).
    void SetNoDeviceText(int32_t textId);
    // Shows or hides the lighting tab (models without lighting have none).
    void SetLightingPresent(bool present);
    // Restores the window from hidden or minimised and brings it to the front.
    void BringToFront();
    // Ends the wait dialog, if one is open (interface thread).
    void EndWaitDialog();
    // Restore factory settings: the guard, the question, the reset of the
    // current profile, task 21 and the wait dialog that the worker ends.
    void RestoreFactorySettings();

    // State the pages and the device registry read and set.
    void SetCurrentProfile(int32_t profile);
    // The profile made current and active, and shown; false when the store
    // did not take it. Sends nothing.
    bool MakeProfileCurrent(int32_t profile);
    int32_t CurrentTabItem() const { return m_currentItem; }
    float LayoutScale() const { return m_layoutScale; }
    // The current mouse answers (the registry's state, not what is drawn yet).
    virtual bool IsReachableNow() const;
    // The status text shown: 50, 51 or 52.
    int32_t StatusTextId() const { return m_statusTextId; }
    QString SoftwareVersion() const { return m_softwareVersion; }
    void SetSoftwareVersion(const QString& version);
    DeviceWorker& Worker() { return *m_worker; }
    bool HasWaitDialog() const { return m_waitDlg != nullptr; }
    DeviceRegistry& Registry() { return *m_registry; }
    // Version checks, downloads and flashing.
    UpdateFlow& Update() { return *m_update; }
    UserSettings& Settings() { return *m_settings; }
    // The tray icon; null until the window has initialised.
    TrayIcon* Tray() const { return m_tray.get(); }
    DesktopNotices& Notices() { return *m_notices; }
    // The window cannot be seen: hidden to the tray or minimised.
    bool IsOutOfSight() const;

    // The device registry's effects, applied on the interface thread (the
    // registry reaches them through MainDlgRegistryView).
    CDeviceList* DeviceList() const { return m_deviceList; }
    void ApplyStatusText(int32_t textId);
    void ApplyVersionLabel(const QString& label);
    void ApplyMousePicture(const QString& pictureName);
    void CloseTransientWindowsNow();

    // Tells the user that the settings are not kept, or started again: once
    // a session that they are not kept, each time a damaged file was set aside.
    void ShowStoreProblem(const StoreProblem& problem);
    // The notice's text: what happened and the file's name.
    static QString StoreNoticeText(const StoreProblem& problem);

    // DeviceEvents: called on the worker thread, applied on the interface thread.
    void ShowMouseVersion(const QString& labelled) override;
    void ShowReceiverVersion(const QString& labelled) override;
    void ShowBattery(int32_t level, int32_t status) override;
    void ShowDeviceBattery(int32_t devType, int32_t status, int32_t level) override;
    void ShowDpiLevel(int32_t index) override;
    void ShowProfile(int32_t profile, const QString& name) override;
    void ReloadPages(uint32_t pages) override;
    void CloseWaitDialog() override;
    void RestoreButtonDefaults() override;
    void RestoreLighting() override;
    void PlayTextRequest(int32_t first, int32_t second) override;
    void RunUpdateTask(int32_t code) override;

    // PageHost: what the pages ask of the window (interface thread).
    SettingsStore& Store() override { return *m_store; }
    void QueueTask(WorkerTask task) override;
    void SetPendingRestore(int32_t selector) override;
    int32_t CurrentProfile() const override { return m_currentProfile; }
    int32_t CurrentDeviceType() const override;
    int32_t CurrentConnectionMode() const override;
    DeviceDescription Description() const override;
    std::vector<KeyAssignment> DefaultKeys() const override;
    bool Ask(const QString& message, const QString& caption) override;
    void Tell(const QString& message, const QString& caption) override;
    QString ChooseFile(FileDialog kind, const QString& title, const QString& filter, const QString& suggested) override;
    // Selects the tab at `index` as a click on it would.
    void SelectTab(int32_t index) override;
    WindowHandle Window() const override { return GetSafeHwnd(); }
    // Where the mouse picture is (window coordinates); empty before a
    // description placed it.
    MRect MousePictureRect() const override;
    void NotifyPages(const PageEvent& event) override { SendPageEvent(event); }
    void BeginCapture(int32_t mode, CaptureSink& sink) override;
    void EndCapture(CaptureSink& sink) override;
    DesktopActions& Desktop() override { return *m_desktop; }
    void StoreWriteFailed() override;
    void LockFrame(bool locked) override;

    // The pages whose reload bits (DeviceEvents::PageBits) meet `pages` refill
    // themselves from the store.
    void ReloadPagesNow(uint32_t pages);
    // Every page hears `event`.
    void SendPageEvent(const PageEvent& event);
    const std::vector<std::unique_ptr<Page>>& Pages() const { return m_pages; }

protected:
    friend class MainDlgRegistryView;
    // CThreadBasic: one worker pass.
    void Run() override;

    // ---- Hooks of the dialogs (interface thread unless noted) ----
    // Tray icon (1690, the icon itself, its removal on exit).
    virtual void OnTrayNotify(intptr_t mouseMessage);
    virtual void AddTrayIcon();
    virtual void RemoveTrayIcon();
    // The configuration file, the current model's description and database.
    virtual void LoadConfiguration();
    void StartWorker();
    virtual void LoadDescription();
    // The base address of the software update check.
    virtual void SetUpdateBase();
    // Device arrival and removal (kWmDeviceChange).
    virtual void OnDeviceChange(uintptr_t event, intptr_t data);
    // Update results (1692) and the update tasks (worker thread).
    virtual void OnUpdateResult(uintptr_t subject, intptr_t outcome);
    virtual void RunUpdateTaskHook(int32_t code);
    // The profiles dialog and its import and export (1705 kinds 1 and 2).
    virtual void OpenProfilesDialog();
    virtual void ImportProfile(intptr_t value);
    virtual void ExportProfile(intptr_t value);
    // Close button: exit mode decides between the tray and the end.
    virtual void OnCloseButton();
    // A tray shows the icon, so a hidden window can be brought back.
    virtual bool HasTray() const;
    virtual void OpenSettingsDialog();
    virtual void SelectModel();
    virtual void PairReceiver();
    // The feature pages, created once with the window.
    virtual std::vector<std::unique_ptr<Page>> CreatePages();

    // Posts `call` to run on the interface thread after everything posted before.
    void PostToInterface(std::function<void()> call);
    // Ends the program through the exit hook.
    void ExitProgram(int32_t code);
    void OnTabChange(int32_t index);
    void OnMaximizeButton();
    void OnProfileButton();
    void OnProfileChosen(int32_t profile);
    void UpdateStatusText();
    void UpdateProfileButton();

private:
    void CreateFrame(const MRect& client);
    void CreateTabs(const MRect& client);
    void CreateHomePage(const MRect& client);
    void CreatePageControls();
    void ShowPageContainer(int32_t item);
    MRect PageArea() const;
    // The page container of a tab item; null for none.
    MControl* ContainerOf(int32_t item) const;
    void PlaceMousePicture(const MRect& client);
    intptr_t RouteControl(int32_t id, int32_t code, intptr_t param);
    // The state line is written once the changes of the moment are done.
    void ScheduleStateLine();
    void WriteStateLine();

    HidDeviceList* m_hid = nullptr;
    SettingsStore* m_store = nullptr;
    InstanceChannel* m_channel = nullptr;
    // tarvoctl's requests through m_channel.
    std::unique_ptr<CtlRequestHandler> m_ctlRequests;
    std::unique_ptr<UserSettings> m_settings;
    std::unique_ptr<MainDlgRegistryView> m_registryView;
    std::unique_ptr<DeviceRegistry> m_registry;
    std::unique_ptr<DeviceWorker> m_worker;
    std::unique_ptr<DesktopActions> m_ownDesktop;
    DesktopActions* m_desktop = nullptr;
    // Outlives the pages, which are its sinks.
    std::unique_ptr<InputCapture> m_capture;
    std::vector<std::unique_ptr<Page>> m_pages;
    std::unique_ptr<UpdateFlow> m_update;
    std::unique_ptr<TrayIcon> m_tray;
    std::unique_ptr<DesktopNotices> m_notices;
    ExitHook m_exitHook;
    // Set once the window is gone: posted results then have nowhere to go.
    std::atomic<WindowHandle> m_handleForWorker{0};

    int32_t m_statusTextId = 50;
    int32_t m_currentProfile = 1;
    int32_t m_currentItem = kItemHome;
    float m_layoutScale = 1.0f;
    bool m_lightingPresent = true;
    uint32_t m_textColor = 0xFFFFFFFF;
    QString m_softwareVersion = QStringLiteral("1.0.10");
    QString m_profileName;
    WaitDlg* m_waitDlg = nullptr;
    ProfileDlg* m_profileDlg = nullptr; // while the profiles popup is open
    bool m_storeFailureTold = false;
    bool m_workerWaiting = false; // until the window is first drawn or starts hidden
    bool m_refreshAtStart = false; // the configuration asks for a first full refresh

    MTabCtrl* m_tabs = nullptr;
    CDeviceList* m_deviceList = nullptr;
    CDeviceState* m_status = nullptr;
    CIconButton* m_profileButton = nullptr;
    BatteryCtrl* m_battery = nullptr;
    QSize m_pictureSize;                   // of the current mouse picture; empty: none
    bool m_homeShowsList = false;
    int32_t m_noDeviceTextId = TextIds::kNoDevice;
    int32_t m_clickedDeviceType = 0;       // the device list item last clicked
    QString m_lastStateLine;
    bool m_stateProbe = false;             // TARVO_STATE_PROBE: state lines on stdout
    bool m_stateLinePending = false;       // a state line is due
    QElapsedTimer m_stateLineClock;        // since the last state line
    static constexpr qint64 kStateLineGapMs = 20;
};
