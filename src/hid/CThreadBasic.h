#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

// The worker base of the main window and of the pairing, settings and flashing
// dialogs: a thread that calls Run() once, repeatedly with a pause between
// passes, or whenever it is woken, until Stop(). It counts as running from
// Start() until Stop(), in once mode too after its pass has ended.
//
// Stop() waits at most one second for the current pass to end, so a window never
// hangs on a slow device exchange. A pass that is still running then is joined by
// the destructor: the thread never outlives the object whose Run() it calls.
class CThreadBasic {
public:
    enum class Mode {
        Once, // one pass
        Looping, // a pass, then intervalMs of sleep, until stopped
        Waking, // a pass each time Wake() was called since the last pass
        // began; asleep otherwise (intervalMs > 0: at most that long)
    };

    CThreadBasic() = default;
    virtual ~CThreadBasic();

    CThreadBasic(const CThreadBasic&) = delete;
    CThreadBasic& operator=(const CThreadBasic&) = delete;

    // Starts the thread. intervalMs is the pause between passes when looping.
    // Returns false while running, that is until Stop().
    bool Start(int32_t intervalMs, Mode mode);

    // Clears the running state, wakes a sleeping thread and waits up to one
    // second for it to end. Returns false when it was not running.
    bool Stop();

    bool IsRunning() const;

    // Asks a Waking thread for another pass: at once when it sleeps, right
    // after the current pass when one runs. Calls before Start() count too.
    // Safe from any thread; does nothing to the other modes.
    void Wake();

    // Milliseconds of the steady clock when the thread was started.
    uint32_t StartTick() const { return m_startTick; }

protected:
    // One pass. Runs on the worker thread.
    virtual void Run() = 0;

    // The mode of the current (or last) Start.
    Mode RunMode() const;

    // Sleeps up to ms milliseconds on the worker thread, returning early when
    // Stop() is called. Returns false when the thread should end.
    bool SleepUnlessStopped(int32_t ms);

    // A derived class must call this first in its destructor: Run() must not be
    // called once the derived part is gone.
    void StopAndJoin();

private:
    void Body();

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_stoppedEvent;
    std::thread m_thread;
    bool m_running = false;
    bool m_stopped = true;
    bool m_wakePending = false;
    Mode m_mode = Mode::Looping;
    int32_t m_interval = 0;
    uint32_t m_startTick = 0;
};
