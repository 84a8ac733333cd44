#pragma once

#include "hid/TaskQueue.h"
#include "hid/WorkerTask.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

class HidDeviceList;

struct ReceiverPairingTimings {
    int32_t settleMs = 100; // before each rebuild of the device list
};

// The work of the pairing dialog's own thread: tell the receiver of the
// current model to start pairing (task 200), then watch for success, either
// as the receiver's pairing notification or as the receiver's command
// interface arriving again with its mouse answering (task 100). Runs while
// the main worker is paused, so it has the device list to itself.
class ReceiverPairing {
public:
    using Timings = ReceiverPairingTimings;
    // Called on the pairing thread, once per success seen.
    using SuccessHandler = std::function<void()>;

    ReceiverPairing(HidDeviceList& hid, SuccessHandler onSuccess, Timings timings = {});

    TaskQueue& Tasks() { return m_tasks; }
    void Queue(WorkerTask task) { m_tasks.Append(TaskCode(task)); }

    // One pass of the pairing thread: the first queued task, or with none a
    // look for the receiver's pairing notification.
    void RunPass();

    // A HID interface arrived (true) or left: an arrival of a command
    // interface ("MI_01") queues task 100. Returns whether it did.
    bool OnDeviceChange(bool arrival, const QString& path);

    // How many successes were seen.
    int32_t Successes() const { return m_successes; }
    // Whether the start-pairing command went out (a receiver of the current
    // model was found).
    bool StartSent() const { return m_startSent; }

    // Cuts short any wait so a closing dialog never sits it out.
    void Interrupt();

private:
    void StartPairing();
    void CheckArrival();
    void PollNotification();
    void Success();
    void Sleep(int32_t ms);

    HidDeviceList& m_hid;
    SuccessHandler m_onSuccess;
    Timings const m_timings;
    TaskQueue m_tasks;
    std::atomic<int32_t> m_successes{0};
    std::atomic<bool> m_startSent{false};

    std::mutex m_sleepMutex;
    std::condition_variable m_wake;
    bool m_interrupted = false;
};
