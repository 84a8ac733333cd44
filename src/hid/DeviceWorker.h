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
struct HidIncoming;
enum class HidReply;
class SettingsStore;

// The waits of the device tasks. The defaults are the product's: the mouse
// needs them to settle after plugging, a model switch or a factory reset.
// Tests shorten them.
struct WorkerTimings {
    int32_t arrivalSettleMs = 1000; // task 2
    int32_t removalSettleMs = 500; // task 3
    int32_t switchSettleMs = 100; // after task 4 and around task 21's end
    int32_t factoryResetMs = 3000; // task 21
    int32_t lightingSettleMs = 1000; // task 5 with lighting
    int32_t statusRetryMs = 20; // between status queries
    int32_t macroPieceMs = 10; // after each macro piece
};

// What the last read of the mouse reported, held for the window's labels and
// the update checks.
struct HeldDeviceState {
    QString mouseVersion; // "1.2.3"; empty before the first read
    QString receiverVersion; // empty when no receiver answered
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
//
// Nothing runs on a clock: whenever there may be work (a task appended, a
// report from a device, a flag changed) the worker calls its wake handler, and
// its thread runs passes until HasWork() says there is nothing left.
class DeviceWorker {
public:
    DeviceWorker(HidDeviceList& hid, SettingsStore& store, ConnectionEvents& connection, DeviceEvents& events,
        WorkerTimings timings = {});
    ~DeviceWorker();
    DeviceWorker(const DeviceWorker&) = delete;
    DeviceWorker& operator=(const DeviceWorker&) = delete;

    // Task codes, appended by the interface thread.
    TaskQueue& Tasks() { return m_tasks; }
    // A device arrival or removal merges with one still waiting: a waiting
    // arrival (2) already does what a removal (3) would, and an arrival takes
    // the place of a waiting removal; so a burst of plugging costs one
    // refresh, not one per change.
    void Queue(WorkerTask task);
    // A raw code, as a test or a peer sends it; unknown codes do nothing.
    void Queue(int32_t code) { m_tasks.Append(code); }

    // Called (from any thread) whenever a pass may have something to do; the
    // thread that runs the passes wakes on it. Empty: nobody is told.
    void SetWakeHandler(std::function<void()> handler);
    // Whether a pass now would do something: the refresh asked for, a task,
    // or (not paused, devices present) a report waiting to be polled.
    bool HasWork() const;
    // The first device refresh, run by the next pass before any task. At
    // start-up the window asks for it instead of refreshing on the interface
    // thread, so it is drawn without waiting for a device.
    void RequestRefresh();

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

    // One pass: the refresh asked for; else drop a task (or a batch) while
    // paused; else run the first task (or batch); else poll for notifications
    // when devices are present.
    void RunPass();

    // Runs one task now, on the calling (worker) thread.
    void RunTask(int32_t code);

    // Reads the mouse's whole state into the current profile (worker thread).
    // False when it did not answer or is out of the receiver's reach.
    bool GetMouseData();

    // The profile load before a read; makes the active profile current.
    void LoadProfiles();

    // Flags the window and the pairing dialog set.
    void SetPaused(bool paused);
    bool IsPaused() const { return m_paused; }
    void SetDevicesPresent(bool present);
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
    void OnReceiverStatus(const HidIncoming& incoming, bool connected);
    void ReloadStep();
    void WakeUp();
    int32_t StoredDpiCount();
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

    std::atomic<bool> m_refreshWanted{false};
    mutable std::mutex m_wakeMutex;
    std::function<void()> m_wakeHandler;
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

// A thread of DeviceWorker passes: started Waking, it sleeps until there is
// work and runs passes until there is none; started Looping, it runs one pass
// every interval whatever there is.
class DeviceWorkerThread : public CThreadBasic {
public:
    explicit DeviceWorkerThread(DeviceWorker& worker);
    ~DeviceWorkerThread() override;

    // Stops the thread, cutting short any settle time of the running task.
    void Shutdown();

protected:
    void Run() override;

private:
    DeviceWorker& m_worker;
};
