#include "hid/CThreadBasic.h"

namespace {

uint32_t TickCount()
{
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

CThreadBasic::~CThreadBasic()
{
    StopAndJoin();
}

bool CThreadBasic::Start(int32_t intervalMs, Mode mode)
{
    std::unique_lock lock(m_mutex);
    if (m_running)
        return false;
    // A thread from an earlier Start whose Stop timed out: let it finish first,
    // two passes must never run at once.
    if (m_thread.joinable()) {
        lock.unlock();
        m_thread.join();
        lock.lock();
    }
    m_interval = intervalMs < 0 ? 0 : intervalMs;
    m_mode = mode;
    m_startTick = TickCount();
    m_running = true;
    m_stopped = false;
    m_thread = std::thread(&CThreadBasic::Body, this);
    return true;
}

bool CThreadBasic::Stop()
{
    std::unique_lock lock(m_mutex);
    if (!m_running)
        return false;
    m_running = false;
    m_wake.notify_all();
    m_stoppedEvent.wait_for(lock, std::chrono::milliseconds(1000), [this] { return m_stopped; });
    return true;
}

bool CThreadBasic::IsRunning() const
{
    std::lock_guard lock(m_mutex);
    return m_running;
}

CThreadBasic::Mode CThreadBasic::RunMode() const
{
    std::lock_guard lock(m_mutex);
    return m_mode;
}

void CThreadBasic::Wake()
{
    std::lock_guard lock(m_mutex);
    m_wakePending = true;
    m_wake.notify_all();
}

bool CThreadBasic::SleepUnlessStopped(int32_t ms)
{
    std::unique_lock lock(m_mutex);
    if (ms > 0)
        m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return !m_running; });
    return m_running;
}

void CThreadBasic::StopAndJoin()
{
    Stop();
    if (m_thread.joinable())
        m_thread.join();
}

void CThreadBasic::Body()
{
    if (m_mode == Mode::Waking) {
        for (;;) {
            {
                std::unique_lock lock(m_mutex);
                auto woken = [this] { return m_wakePending || !m_running; };
                if (m_interval > 0)
                    m_wake.wait_for(lock, std::chrono::milliseconds(m_interval), woken);
                else
                    m_wake.wait(lock, woken);
                if (!m_running)
                    break;
                // Cleared before the pass: a wake during it earns another.
                m_wakePending = false;
            }
            Run();
        }
    } else if (m_mode == Mode::Looping) {
        while (IsRunning()) {
            Run();
            if (!SleepUnlessStopped(m_interval))
                break;
        }
    } else {
        Run();
    }
    // Running stays set until Stop(), also after a single pass: Start() is
    // refused meanwhile, so a once-mode worker never runs its pass twice.
    std::lock_guard lock(m_mutex);
    m_stopped = true;
    m_stoppedEvent.notify_all();
}
