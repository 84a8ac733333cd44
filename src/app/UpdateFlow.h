#pragma once

#include "hid/CThreadBasic.h"
#include "update/FlashCommand.h"
#include "update/FlashToolRunner.h"
#include "update/UpdateService.h"
#include "widgets/WidgetTypes.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class DeviceMainDlg;
class DeviceRegistry;
class DeviceWorker;
class DownloadDlg;
class HidDeviceList;

// The main window's part in updates: the worker's tasks 23 to 30 (through
// UpdateService), the handler of message 1692 with its questions and ask
// flags, the download dialog, the firmware buttons and the flash itself.
// The window owns it and calls it from its hooks; everything but RunTask and
// the UpdateReport calls runs on the interface thread.
class UpdateFlow : public UpdateReport {
public:
    // Posts message 1692 (subject, outcome) to the main window; any thread.
    using PostResult = std::function<void(int32_t subject, int32_t outcome)>;
    struct Parts {
        DeviceMainDlg& window;
        HidDeviceList& hid;
        DeviceRegistry& registry;
        DeviceWorker& worker;
        QString programFolder; // ends with "/": the flashing tool is below it
        QString dataFolder; // ends with "/": downloads go to its "temp/"
        PostResult post;
    };
    explicit UpdateFlow(Parts parts);
    ~UpdateFlow() override;

    // Updates enabled: the start-up software check and the two manual
    // firmware checks. The debug channel: the servers' "debug/" folders.
    // Both are off, and nothing a user can reach turns them on.
    void SetUpdatesEnabled(bool enabled) { m_updatesEnabled = enabled; }
    bool UpdatesEnabled() const { return m_updatesEnabled; }
    void SetDebugChannel(bool debug);
    // How long the flashing tool may run (tests shorten it).
    void SetFlashLimits(const FlashLimits& limits) { m_flashLimits = limits; }

    // Window initialisation: the server base and this program's version; the
    // start-up software check when updates are enabled.
    void SetUpdateBase(const QString& softwareVersion);
    // Worker thread: the update tasks (23 to 30).
    void RunTask(int32_t code);
    // Stops any download, so a closing window never waits for a server.
    void CancelTransfers();

    // Message 1692.
    void OnUpdateResult(uintptr_t subject, intptr_t outcome);
    // The mouse-firmware and receiver-firmware buttons.
    void OnFirmwareButton(FlashTarget target);
    // Flashes the downloaded package of target (outcome 100 of message 1692).
    void Flash(FlashTarget target);

    // The software check on the calling thread: see UpdateService::CheckSoftware.
    int32_t CheckSoftware(QString& offered);
    // The settings dialog's check button (interface thread): the server is
    // asked on a thread of its own and the answer comes to that dialog: its
    // version label shows the offered version and the question is asked, or
    // the latest-version message is shown; nothing when the server cannot be
    // asked. A click while a check runs does nothing.
    void CheckSoftwareFromSettings(WindowHandle dialog);
    // What the program says about a newer software version: where it comes
    // from on this system. Interface thread.
    static void ShowSoftwareNotice(WindowHandle parent, const QString& offered);

    UpdateService& Service() { return m_service; }
    // The ask flags (true until the user declines, or for software, after the
    // first question).
    bool AskAboutSoftware() const { return m_askSoftware; }
    bool AskAboutMouse() const { return m_askMouse; }
    bool AskAboutReceiver() const { return m_askReceiver; }
    bool DownloadAccepted() const { return m_downloadAccepted; }

    // UpdateReport (worker thread).
    UpdateContext CurrentContext() override;
    void PostUpdateResult(int32_t subject, int32_t outcome) override;
    void QueueTask(int32_t code) override;

private:
    // The update question; parent 0: the main window.
    bool Ask(int32_t captionId, const QString& version, WindowHandle parent = 0);
    void Tell(int32_t captionId, const QString& message);
    void AcceptMouse();
    void StartDownload(FlashTarget target);
    void OnPackageReady(int32_t subject);
    static int32_t CaptionOf(FlashTarget target);
    void OnSettingsCheckResult(WindowHandle dialog, int32_t state, const QString& offered);
    WindowHandle Parent() const;

    DeviceMainDlg& m_window;
    HidDeviceList& m_hid;
    DeviceRegistry& m_registry;
    DeviceWorker& m_worker;
    QString const m_programFolder;
    PostResult const m_post;
    UpdateService m_service;

    std::atomic<bool> m_updatesEnabled{false};
    mutable std::mutex m_versionMutex;
    QString m_softwareVersion;

    bool m_askSoftware = true;
    bool m_askMouse = true;
    bool m_askReceiver = true;
    bool m_downloadAccepted = false;
    bool m_flashing = false;
    DownloadDlg* m_downloadDlg = nullptr;
    std::optional<FlashTarget> m_pendingFlash;
    FlashLimits m_flashLimits;
    // The settings dialog's check: its thread, and whether one runs.
    std::unique_ptr<CThreadBasic> m_settingsCheck;
    std::atomic<bool> m_settingsCheckBusy{false};
};
