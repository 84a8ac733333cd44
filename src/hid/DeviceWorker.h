#pragma once

#include "hid/CThreadBasic.h"
#include "hid/ConnectionEvents.h"
#include "hid/DeviceEvents.h"
#include "hid/HidReportBuffer.h"
#include "hid/TaskQueue.h"
#include "hid/WorkerTask.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

class HidDeviceList;
enum class HidReply;
class SettingsStore;

// The waits of the device tasks. The defaults are the product's: the mouse
// needs them to settle after plugging, a model switch or a factory reset.
// Tests shorten them.
struct WorkerTimings {
    int32_t arrivalSettleMs = 1000;   // task 2
    int32_t removalSettleMs = 500;    // task 3
    int32_t switchSettleMs = 100;     // after task 4 and around task 21's end
    int32_t factoryResetMs = 3000;    // task 21
    int32_t lightingSettleMs = 1000;  // task 5 with lighting
    int32_t statusRetryMs = 20;       // between status queries
    int32_t macroPieceMs = 10;        // after each macro piece
};

// What the last read of the mouse reported, held for the window's labels and
// the update checks.
struct HeldDeviceState {
    QString mouseVersion;     // "1.2.3"; empty before the first read
    QString receiverVersion;  // empty when no receiver answered
    int32_t connectionKind = 0; // 3 by cable
    bool reachable = false;
    int32_t batteryLevel = 0;
    int32_t batteryStatus = 0;
    int32_t dpiIndex = -1;
    int32_t reportRate = 0;
    int32_t reportFlag = 0;
};

// All device work of the main window: one numbered task per pass, or a poll for
// the mouse's notifications when there is nothing to do. The interface thread
// appends tasks; a thread (the window's CThreadBasic) calls RunPass. The
// connection state goes to ConnectionEvents (the device registry), everything
// else to DeviceEvents (the window).
class DeviceWorker {
public:
    DeviceWorker(HidDeviceList& hid, SettingsStore& store, ConnectionEvents& connection, DeviceEvents& events,
        WorkerTimings timings = {});

    // Task codes, appended by the interface thread.
    TaskQueue& Tasks() { return m_tasks; }
    void Queue(WorkerTask task) { m_tasks.Append(TaskCode(task)); }
    // A raw code, as a test or a peer sends it; unknown codes do nothing.
    void Queue(int32_t code) { m_tasks.Append(code); }

    // How a batch of tasks went.
    enum class BatchOutcome {
        Acknowledged, // every task ran and the mouse answered each report that wants an answer
        Unanswered, // every task ran, but a report was not written or not answered
        Dropped, // never run: the worker was paused (the pairing dialog owns the devices)
    };
    // Appends `tasks` as one entry of the queue: when its turn comes they run
    // one after another in a single pass, so nothing queued meanwhile runs
    // between them, and then `done` is called on the worker thread. An empty
    // list only waits for the tasks queued before it. A batch still queued
    // when the worker goes away is never reported.
    void QueueBatch(std::vector<WorkerTask> tasks, std::function<void(BatchOutcome)> done);

    // One pass: drop a task while paused; else run the first task; else poll
    // for notifications when devices are present.
    void RunPass();

    // Runs one task now, on the calling (worker) thread.
    void RunTask(int32_t code);

    // Reads the mouse's whole state into the current profile (worker thread).
    // False when it did not answer or is out of the receiver's reach.
    bool GetMouseData();

    // The profile load before a read; makes the active profile current.
    void LoadProfiles();

    // Flags the window and the pairing dialog set.
    void SetPaused(bool paused) { m_paused = paused; }
    bool IsPaused() const { return m_paused; }
    void SetDevicesPresent(bool present) { m_devicesPresent = present; }
    bool DevicesPresent() const { return m_devicesPresent; }
    void SetLightingPresent(bool present) { m_lightingPresent = present; }
    void SetPendingRestore(int32_t selector) { m_pendingRestore = selector; }
    // The factory-reset command reads the mouse again on its next task 1.
    void ResetLoaded() { m_loaded = false; }
    bool IsLoaded() const { return m_loaded; }

    int32_t CurrentProfile() const { return m_currentProfile; }
    void SetCurrentProfile(int32_t profile) { m_currentProfile = profile; }

    HeldDeviceState Held() const;

    // Makes every wait return at once so shutdown never sits out a settle time.
    void Interrupt();

private:
    void ReadAndReload(uint32_t pagesBeforeRead);
    void ConnectAndRead(int32_t settleMs);
    void LoadIfNeeded();
    void ReloadAfterRead();
    uint32_t ReadPages() const;
    void PollNotifications();
    void ReloadStep();
    void SendSetting(int32_t code);
    // Every DPI level in use but the current one (task 5).
    void SendOtherDpiLevels();
    void SendButtonMap();
    void UploadMacros();
    void RestorePending();
    void FactoryReset();
    void MarkOffline(int32_t connectionKind);
    void Sleep(int32_t ms);
    // SendReport of a task's report: an unwritten or unanswered one is noted
    // for the batch it belongs to.
    bool Send(HidInputBuffer& buffer, HidReply reply);
    void RunBatch(bool paused);

    HidDeviceList& m_hid;
    SettingsStore& m_store;
    ConnectionEvents& m_connection;
    DeviceEvents& m_events;
    WorkerTimings const m_timings;
    TaskQueue m_tasks;

    std::atomic<bool> m_paused{false};
    std::atomic<bool> m_devicesPresent{false};
    std::atomic<bool> m_lightingPresent{false};
    std::atomic<bool> m_loaded{false};
    std::atomic<int32_t> m_pendingRestore{0};
    std::atomic<int32_t> m_currentProfile{0};

    mutable std::mutex m_heldMutex;
    HeldDeviceState m_held;

    struct PendingBatch {
        std::vector<WorkerTask> tasks;
        std::function<void(BatchOutcome)> done;
    };
    std::mutex m_batchMutex;
    std::deque<PendingBatch> m_batches; // in the order of their Batch codes in the queue
    bool m_unanswered = false; // worker thread: a report of the running batch failed

    std::mutex m_sleepMutex;
    std::condition_variable m_wake;
    bool m_interrupted = false;
};

// The window's worker thread: a DeviceWorker pass every interval.
class DeviceWorkerThread : public CThreadBasic {
public:
    explicit DeviceWorkerThread(DeviceWorker& worker) : m_worker(worker) {}
    ~DeviceWorkerThread() override;

    // Stops the thread, cutting short any settle time of the running task.
    void Shutdown();

protected:
    void Run() override { m_worker.RunPass(); }

private:
    DeviceWorker& m_worker;
};
