#include "hid/TaskQueue.h"

void TaskQueue::Append(int32_t code)
{
    std::lock_guard lock(m_mutex);
    m_codes.push_back(code);
}

int32_t TaskQueue::TakeFirst()
{
    std::lock_guard lock(m_mutex);
    if (m_codes.empty())
        return -1;
    int32_t code = m_codes.front();
    m_codes.pop_front();
    return code;
}

int32_t TaskQueue::Count() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int32_t>(m_codes.size());
}

void TaskQueue::Clear()
{
    std::lock_guard lock(m_mutex);
    m_codes.clear();
}

std::vector<int32_t> TaskQueue::Snapshot() const
{
    std::lock_guard lock(m_mutex);
    return {m_codes.begin(), m_codes.end()};
}
