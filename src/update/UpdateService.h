#pragma once

#include "hid/WorkerTask.h"
#include "update/FlashCommand.h"
#include "update/Http.h"
#include "update/UpdateUrls.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

// Message 1692's subject (wParam) and outcome (lParam).
enum UpdateSubject : int32_t { kSubjectSoftware = 1, kSubjectMouse = 2, kSubjectReceiver = 3 };
enum UpdateOutcome : int32_t {
    kOutcomeNotNewer = 0, // manual check: nothing newer
    kOutcomeNewer = 1, // automatic check (or the software check): newer offered
    kOutcomeManualNewer = 10,
    kOutcomeReady = 100, // firmware package unpacked; software: how to get the new version
};

// Check states: 1 newer found, 2 not.
constexpr int32_t kCheckNewer = 1;
constexpr int32_t kCheckNotNewer = 2;

// The caps of a transfer: a version file is at most 64 bytes, a checksum
// file 256, a package 64 MB.
struct UpdateLimits {
    Http::Limits versionFile{15000, 30000, 60000, 64};
    Http::Limits checksumFile{15000, 30000, 60000, 256};
    Http::Limits package{15000, 30000, 0, 64LL * 1024 * 1024};
};

// What the checks compare with, read when a task runs (worker thread).
struct UpdateContext {
    QString softwareVersion; // this program's
    QString mouseVersion; // from the last read of the mouse; empty before it
    QString receiverVersion; // empty when no receiver answered
    QString firmwareModelCode; // "heron", "egret-3311", ...; empty: no firmware updates
};

// Where the worker's results go: the window, through message 1692 and its
// task queue. Called on the thread that runs the task.
class UpdateReport {
public:
    virtual ~UpdateReport() = default;
    virtual UpdateContext CurrentContext() = 0;
    virtual void PostUpdateResult(int32_t subject, int32_t outcome) = 0;
    virtual void QueueTask(int32_t code) = 0;
};

// One accepted download, shared by the worker that runs it and the dialog
// that shows it: progress, the user's cancel, and how it ended.
struct DownloadJob {
    enum State : int32_t { kPending, kRunning, kFinished };
    Http::Transfer transfer;
    std::atomic<int32_t> state{kPending};
    // Http's result codes once finished: 1 package ready, -2 cancelled,
    // -1 or 0 failed (transfer, checksum, archive or no package in it).
    std::atomic<int32_t> result{Http::kFailed};
    FlashTarget target = FlashTarget::Mouse;
};

// The version checks and the downloads of tasks 23 to 30: each runs on the
// thread that calls RunTask (the device worker) and blocks it for at most the
// transfer limits. The offered versions and package paths are kept here
// until the next check or download; the interface thread reads them after
// the matching message arrives.
class UpdateService {
public:
    // tempFolder: where packages are downloaded and unpacked (created private
    // to the user when missing).
    UpdateService(UpdateReport& report, QString tempFolder);

    // The server base ("https://host/path/"); empty switches the checks off.
    void SetServerBase(const QString& base);
    QString ServerBase() const;
    void SetChannel(UpdateUrls::Channel channel);
    void SetLimits(const UpdateLimits& limits);

    // Runs the update tasks (WorkerTask::SoftwareCheck to
    // DownloadReceiverFirmware); any other code does nothing.
    void RunTask(int32_t code);

    // The job of the next download task (interface thread, before queueing it):
    // its progress and cancel reach the task when it runs. A download task
    // without a prepared job makes its own.
    std::shared_ptr<DownloadJob> PrepareDownload(FlashTarget target);
    // Ends every running transfer, checks included, and refuses new ones: for
    // the shutdown, so a closing window never waits for a server.
    void CancelTransfers();

    QString OfferedSoftwareVersion() const;
    QString OfferedVersion(FlashTarget target) const;
    QString PackagePath(FlashTarget target) const;
    int32_t SoftwareCheckState() const;
    int32_t FirmwareCheckState() const;
    QString TempFolder() const { return m_tempFolder; }

    // The firmware checks: the offered version against the one the device
    // reported. Asked (a button, tasks 24 and 25): the answer is always
    // posted; otherwise (tasks 26 and 27) only a newer version is, and a
    // receiver that needs nothing queues the mouse's check.
    void CheckMouseFirmwareUpgrade(bool asked);
    void Check24GFirmwareUpgrade(bool asked);

    // The software check on its own (the settings dialog's, on its thread):
    // kCheckNewer with the offered version, kCheckNotNewer, or 0 when the
    // server could not be asked or answered nonsense.
    int32_t CheckSoftware(const QString& currentVersion, QString& offered);

    // Creates the folder when missing, owner-only (0700). False when it cannot
    // be made or is not a plain folder of its own (a link, a file).
    static bool PreparePrivateFolder(const QString& folder);

private:
    void CheckFirmware(FlashTarget target, bool asked);
    void DownloadFirmware(FlashTarget target);
    bool VerifyChecksum(const QString& packageUrl, const QString& file, DownloadJob& job);
    QString FirmwareFolder(const UpdateContext& context) const;
    std::shared_ptr<DownloadJob> TakeJob(FlashTarget target);
    // A version or checksum file, cancelled by the shutdown.
    int32_t FetchSmall(
        const QString& url, QByteArray& body, const Http::Limits& limits, Http::Status* status = nullptr);

    UpdateReport& m_report;
    QString const m_tempFolder;

    mutable std::mutex m_mutex;
    QString m_base;
    UpdateUrls::Channel m_channel = UpdateUrls::Channel::Release;
    UpdateLimits m_limits;
    QString m_offeredSoftware;
    QString m_offeredMouse;
    QString m_offeredReceiver;
    QString m_mousePackage;
    QString m_receiverPackage;
    int32_t m_softwareState = 0;
    int32_t m_firmwareState = 0;
    std::shared_ptr<DownloadJob> m_prepared;
    std::shared_ptr<DownloadJob> m_running;
    std::atomic<bool> m_stopping{false};
};
