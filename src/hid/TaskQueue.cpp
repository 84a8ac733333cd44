#include "hid/TaskQueue.h"

#include <algorithm>

void TaskQueue::Appended() const
{
    if (m_listener)
        m_listener();
}

void TaskQueue::Append(int32_t code)
{
    {
        std::lock_guard lock(m_mutex);
        m_codes.push_back(code);
    }
    Appended();
}

void TaskQueue::AppendMerged(int32_t code, std::initializer_list<int32_t> covering, int32_t weaker)
{
    {
        std::lock_guard lock(m_mutex);
        const auto waiting = [&](int32_t c) { return std::find(m_codes.begin(), m_codes.end(), c) != m_codes.end(); };
        if (std::any_of(covering.begin(), covering.end(), waiting))
            return;
        auto const same = weaker >= 0 ? std::find(m_codes.begin(), m_codes.end(), weaker) : m_codes.end();
        if (same != m_codes.end())
            *same = code;
        else
            m_codes.push_back(code);
    }
    Appended();
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
