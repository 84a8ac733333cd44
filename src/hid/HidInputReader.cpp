#include "hid/HidInputReader.h"

#include "hid/HidTrace.h"

#include <algorithm>

HidInputReader::HidInputReader(
    HidLibrary& library, HidDeviceHandle handle, QString tracePath, int32_t waitMs, std::function<void()> onInput)
    : m_library(library)
    , m_handle(std::move(handle))
    , m_tracePath(std::move(tracePath))
    , m_waitMs(std::max(waitMs, 1))
    , m_onInput(std::move(onInput))
{
    m_thread = std::thread(&HidInputReader::Body, this);
}

HidInputReader::~HidInputReader()
{
    RequestStop();
    if (m_thread.joinable())
        m_thread.join();
    // The handle closes here, after its only reader has ended.
}

void HidInputReader::RequestStop()
{
    std::lock_guard lock(m_mutex);
    m_stopRequested = true;
    m_arrived.notify_all();
}

bool HidInputReader::HasStopped() const
{
    std::lock_guard lock(m_mutex);
    return m_stopped;
}

bool HidInputReader::Failed() const
{
    std::lock_guard lock(m_mutex);
    return m_failed;
}

bool HidInputReader::HasInput() const
{
    std::lock_guard lock(m_mutex);
    return !m_queue.empty();
}

void HidInputReader::Body()
{
    HidInput input;
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (m_stopRequested)
                break;
        }
        input.bytes.fill(0);
        const int32_t n = m_library.Read(m_handle.get(), std::span(input.bytes.data(), kHidReportSize), m_waitMs);
        if (n == 0)
            continue;
        // Traced before anyone can take it, so the trace keeps the wire's order.
        if (n > 0)
            TraceHidReport(HidDirection::Received, m_tracePath, std::span(input.bytes.data(), size_t(n)));
        bool tell = false;
        {
            std::lock_guard lock(m_mutex);
            if (n < 0) {
                m_failed = true;
            } else {
                input.size = n;
                if (m_queue.size() >= kQueueLimit)
                    m_queue.pop_front();
                m_queue.push_back(input);
            }
            tell = !m_stopRequested;
            m_arrived.notify_all();
        }
        if (tell && m_onInput)
            m_onInput();
        if (n < 0)
            break; // unplugged: the handle will never deliver again
    }
    std::lock_guard lock(m_mutex);
    m_stopped = true;
    m_arrived.notify_all();
}

std::optional<HidInput> HidInputReader::Take(const Filter& wanted, const Filter& keep, Clock::time_point deadline)
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        for (auto it = m_queue.begin(); it != m_queue.end();) {
            if (wanted(*it)) {
                HidInput found = *it;
                m_queue.erase(it);
                return found;
            }
            it = keep(*it) ? std::next(it) : m_queue.erase(it);
        }
        if (m_failed || m_stopped || Clock::now() >= deadline)
            return std::nullopt;
        m_arrived.wait_until(lock, deadline);
    }
}

std::optional<HidInput> HidInputReader::Newest(const Filter& wanted, Clock::time_point deadline)
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        for (auto it = m_queue.rbegin(); it != m_queue.rend(); ++it) {
            if (wanted(*it))
                return *it;
        }
        if (m_failed || m_stopped || Clock::now() >= deadline)
            return std::nullopt;
        m_arrived.wait_until(lock, deadline);
    }
}

void HidInputReader::DropUnless(const Filter& keep)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_queue, [&](const HidInput& input) { return !keep(input); });
}
