#pragma once

#include "hid/HidLibrary.h"
#include "hid/HidReportBuffer.h"

#include <QString>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

// One input report as the device delivered it: the bytes read (report id in
// byte 0), zero beyond `size`.
struct HidInput {
    HidInputBuffer bytes{};
    int32_t size = 0;
};

// The input side of one opened interface: a thread that waits on a handle of
// its own (the device is opened a second time for it) and queues every report
// the device delivers. Nothing polls the device on a clock, and whoever waits
// for a reply waits on this queue, holding no lock that anyone else needs.
class HidInputReader {
public:
    using Clock = std::chrono::steady_clock;
    using Filter = std::function<bool(const HidInput&)>;
    // Reports kept when nobody takes them: a device that talks while no one
    // listens cannot grow the queue without bound. The oldest go first.
    static constexpr size_t kQueueLimit = 256;

    // `handle` is read by the reader's thread alone and closed when the reader
    // goes. `waitMs` bounds each read and with it how long a stop takes to be
    // seen. `onInput` runs on the reader's thread after each queued report and
    // once when the device fails, unless a stop was asked for.
    HidInputReader(
        HidLibrary& library, HidDeviceHandle handle, QString tracePath, int32_t waitMs, std::function<void()> onInput);
    // Stops the thread and waits for it (at most about `waitMs`).
    ~HidInputReader();
    HidInputReader(const HidInputReader&) = delete;
    HidInputReader& operator=(const HidInputReader&) = delete;

    // Asks the thread to end after its current read; returns at once.
    void RequestStop();
    // The thread has ended: destroying the reader will not wait.
    bool HasStopped() const;
    // The device reported an error (it was unplugged): no report will follow.
    bool Failed() const;
    bool HasInput() const;

    // Removes and returns the first queued report that `wanted` accepts,
    // waiting until `deadline` for one to arrive. Reports queued ahead of it
    // that `keep` rejects are dropped on the way; the others stay, in order.
    // Nothing when the deadline passed or the device failed first.
    std::optional<HidInput> Take(const Filter& wanted, const Filter& keep, Clock::time_point deadline);
    // The newest queued report that `wanted` accepts, left in the queue;
    // waits until `deadline` for one when none is queued.
    std::optional<HidInput> Newest(const Filter& wanted, Clock::time_point deadline);
    // Drops every queued report that `keep` rejects.
    void DropUnless(const Filter& keep);

private:
    void Body();

    HidLibrary& m_library;
    HidDeviceHandle m_handle;
    QString const m_tracePath;
    int32_t const m_waitMs;
    std::function<void()> const m_onInput;

    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<HidInput> m_queue;
    bool m_stopRequested = false;
    bool m_stopped = false;
    bool m_failed = false;
    std::thread m_thread;
};
