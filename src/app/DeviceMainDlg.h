#pragma once

#include "hid/CThreadBasic.h"
#include "hid/DeviceEvents.h"
#include "hid/DeviceWorker.h"
#include "devices/MouseMarker.h"
#include "widgets/MDialog.h"

#include <QSize>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class BatteryCtrl;
class CDeviceList;
class CDeviceState;
class CIconButton;
class DeviceRegistry;
class HidDeviceList;
class InstanceChannel;
class MainDlgRegistryView;
class MouseCtrl;
class MTabCtrl;
class RegistryDeviceEvents;
class SettingsStore;
class UpdateFlow;
class UserSettings;
class WaitDlg;

// The main window and its controller: the frame, the tab bar and the page
// containers, the routing of every control notification and posted message,
// and the owner of the device worker (its CThreadBasic base runs one
// DeviceWorker pass every 2 ms). The worker reaches the window only through
// DeviceEvents, which this class implements by posting to the interface
// thread, in order. The device registry (models, descriptions, what is
// plugged) owns the connection state: the worker's connection events go to
// it, and it reaches the window through MainDlgRegistryView, also posted.
//
// Parts that arrive later plug in through the protected hooks below; each is
// named after what it will do and does nothing (or the least that keeps the
// window usable) until then.
class DeviceMainDlg : public MDialog, public CThreadBasic, public DeviceEvents {
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
        kMouseMarkers = 82,
    };
    // Tab item ids (not indexes: a hidden item keeps its index).
    enum TabItem : int32_t {
        kItemHome = 1,
        kItemButtons = 2,
        kItemDpi = 3,
        kItemMacros = 4,
        kItemLighting = 5,
        kItemPerformance = 6,
        kItemText = 8,
    };
    static constexpr int32_t kDesignWidth = 1280;
    static constexpr int32_t kDesignHeight = 780;
    static constexpr int32_t kWorkerIntervalMs = 2;
    static constexpr int32_t kReadMouseTask = 1;
    static constexpr int32_t kProfileLoadTask = 5;
    static constexpr int32_t kFactoryResetTask = 21;

    // What the window works with; the program passes the process-wide
    // objects, tests their own.
    struct Services {
        HidDeviceList* hid = nullptr;   // null: HidDeviceList::Instance()
        SettingsStore* store = nullptr; // null: SettingsStore::Instance()
        WorkerTimings timings{};
        InstanceChannel* channel = nullptr; // the single-instance channel, if any
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
    // Selects the tab at `index` as a click on it would.
    void SelectTab(int32_t index);
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
    int32_t CurrentProfile() const { return m_currentProfile; }
    void SetCurrentProfile(int32_t profile);
    int32_t CurrentTabItem() const { return m_currentItem; }
    float LayoutScale() const { return m_layoutScale; }
    bool IsReachableNow() const { return m_reachable; }
    void SetReachable(bool reachable, int32_t mode);
    int32_t CurrentMode() const { return m_currentMode; }
    QString SoftwareVersion() const { return m_softwareVersion; }
    void SetSoftwareVersion(const QString& version);
    DeviceWorker& Worker() { return *m_worker; }
    SettingsStore& Store() { return *m_store; }
    bool HasWaitDialog() const { return m_waitDlg != nullptr; }
    DeviceRegistry& Registry() { return *m_registry; }
    // Version checks, downloads and flashing.
    UpdateFlow& Update() { return *m_update; }

    // The device registry's effects, applied on the interface thread (the
    // registry reaches them through MainDlgRegistryView).
    CDeviceList* DeviceList() const { return m_deviceList; }
    void ApplyStatusText(int32_t textId);
    void ApplyVersionLabel(const QString& label);
    void ApplyMousePicture(const QString& pictureName);
    void ApplyMouseMarkers(const std::vector<MouseMarker>& markers);
    void CloseTransientWindowsNow();
    // Where the mouse picture is (window coordinates); empty before a
    // description placed it.
    MRect MousePictureRect() const;

    // The new name of a macro list item after a language switch: names that
    // begin with "宏" or "Macro" take `macroWord` in place of that word;
    // others stay as they are.
    static QString RenameDefaultMacro(const QString& name, const QString& macroWord);

    // DeviceEvents: called on the worker thread, applied on the interface thread.
    void ShowMouseVersion(const QString& labelled) override;
    void ShowReceiverVersion(const QString& labelled) override;
    void ShowBattery(int32_t level, int32_t status) override;
    void ShowDeviceBattery(int32_t devType, int32_t status, int32_t level) override;
    void ShowDpiLevel(int32_t index) override;
    void ShowProfile(int32_t profile, const QString& name) override;
    void ReloadPages(uint32_t pages) override;
    void RefreshConnectionState(Refresh kind) override;
    void DeviceConnectState(int32_t connectionKind) override;
    bool IsReachable() override { return m_reachable; }
    void ClearReachable() override { m_reachable = false; }
    void CloseWaitDialog() override;
    void RestoreButtonDefaults() override;
    void RestoreLighting() override;
    void PlayTextRequest(int32_t first, int32_t second) override;
    void RunUpdateTask(int32_t code) override;

protected:
    friend class MainDlgRegistryView;
    // CThreadBasic: one worker pass.
    void Run() override;

    // ---- Hooks of the parts that join later (interface thread unless noted) ----
    // Tray icon (1690, the icon itself, its removal on exit).
    virtual void OnTrayNotify(intptr_t mouseMessage);
    virtual void AddTrayIcon();
    virtual void RemoveTrayIcon();
    // The configuration file, the current model's description and database.
    virtual void LoadConfiguration();
    virtual void LoadDescription();
    // The base address of the software update check.
    virtual void SetUpdateBase();
    // Device arrival and removal (kWmDeviceChange).
    virtual void OnDeviceChange(uintptr_t event, intptr_t data);
    // The device registry's refresh; runs on the calling (worker) thread and
    // must post whatever it changes on the window.
    virtual void RefreshConnectionStateHook(Refresh kind);
    // Update results (1692) and the update tasks (worker thread).
    virtual void OnUpdateResult(uintptr_t subject, intptr_t outcome);
    virtual void RunUpdateTaskHook(int32_t code);
    // The profiles dialog and its import and export (1705 kinds 1 and 2).
    virtual void OpenProfilesDialog();
    virtual void ImportProfile(intptr_t value);
    virtual void ExportProfile(intptr_t value);
    // Close button: exit mode decides between the tray and the end.
    virtual void OnCloseButton();
    virtual void OpenSettingsDialog();
    virtual void SelectModel();
    virtual void PairReceiver();
    virtual void OpenCharacterMap();
    virtual void OpenMouseSettings();
    // Macro list menu (1709) and macro event editing (1710, 1711).
    virtual void OnMacroListCommand(uintptr_t wParam, intptr_t command);
    virtual void OnMacroEventEdit(uint32_t message, uintptr_t wParam, intptr_t lParam);
    // The pages' notifications, already filtered by code as the table says.
    virtual intptr_t ButtonPageMessage(int32_t id, int32_t code, intptr_t param);
    virtual intptr_t DpiPageMessage(int32_t id, int32_t code, intptr_t param);
    virtual intptr_t MacroPageMessage(int32_t id, int32_t code, intptr_t param);
    virtual intptr_t TextPageMessage(int32_t id, int32_t code, intptr_t param);
    virtual intptr_t LightingPageMessage(int32_t id, int32_t code, intptr_t param);
    virtual intptr_t PerformancePageMessage(int32_t id, int32_t code, intptr_t param);
    // The pages' share of start-up, layout and language.
    virtual void CreatePages(const MRect& client);
    virtual void LayoutPages(const MRect& client);
    virtual void ApplyLanguageToPages();
    // Worker results that belong to the pages.
    virtual void OnMouseVersion(const QString& labelled);
    virtual void OnReceiverVersion(const QString& labelled);
    virtual void OnDpiLevel(int32_t index);
    virtual void OnReloadPages(uint32_t pages);
    virtual void OnRestoreButtonDefaults();
    virtual void OnRestoreLighting();
    virtual void OnPlayTextRequest(int32_t first, int32_t second);
    // Stops a macro recording that runs (the macro page's record button).
    virtual void OnStopMacroRecording();
    // The mouse stopped answering (interface thread, after the worker's report).
    virtual void OnDeviceOffline(int32_t connectionKind);

    // Posts `call` to run on the interface thread after everything posted before.
    void PostToInterface(std::function<void()> call);
    // Ends the program through the exit hook.
    void ExitProgram(int32_t code);
    void OnTabChange(int32_t index);
    void OnMaximizeButton();
    void OnProfileButton();
    void OnProfileChosen(int32_t profile);
    void ShowVersionMessage(int32_t captionTextId);
    void UpdateStatusText();
    void UpdateProfileButton();

private:
    void CreateFrame(const MRect& client);
    void CreateTabs(const MRect& client);
    void CreateHomePage(const MRect& client);
    void CreateMouseMarkers();
    void ShowPageContainer(int32_t item);
    void PlaceMousePicture(const MRect& client);
    void PlaceMouseMarkers();
    void WriteStateLine();

    HidDeviceList* m_hid = nullptr;
    SettingsStore* m_store = nullptr;
    InstanceChannel* m_channel = nullptr;
    std::unique_ptr<UserSettings> m_settings;
    std::unique_ptr<MainDlgRegistryView> m_registryView;
    std::unique_ptr<DeviceRegistry> m_registry;
    std::unique_ptr<RegistryDeviceEvents> m_registryEvents;
    std::unique_ptr<DeviceWorker> m_worker;
    std::unique_ptr<UpdateFlow> m_update;
    ExitHook m_exitHook;
    // Set once the window is gone: posted results then have nowhere to go.
    std::atomic<WindowHandle> m_handleForWorker{0};

    std::atomic<bool> m_reachable{false};
    std::atomic<int32_t> m_currentMode{0};
    int32_t m_currentProfile = 1;
    int32_t m_currentItem = kItemHome;
    float m_layoutScale = 1.0f;
    bool m_lightingPresent = true;
    uint32_t m_textColor = 0xFFFFFFFF;
    QString m_softwareVersion = QStringLiteral("1.0.10");
    QString m_profileName;
    WaitDlg* m_waitDlg = nullptr;

    MTabCtrl* m_tabs = nullptr;
    CDeviceList* m_deviceList = nullptr;
    CDeviceState* m_status = nullptr;
    CIconButton* m_profileButton = nullptr;
    BatteryCtrl* m_battery = nullptr;
    MouseCtrl* m_markers = nullptr;
    QSize m_pictureSize;                   // of the current mouse picture; empty: none
    std::vector<MouseMarker> m_markerList; // in picture pixels
    bool m_homeShowsList = false;
    int32_t m_clickedDeviceType = 0;       // the device list item last clicked
    QString m_lastStateLine;
    bool m_stateProbe = false;             // TARVO_STATE_PROBE: state lines on stdout
};
