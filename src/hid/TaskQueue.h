#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

// Task codes appended by the interface thread and taken, first in first out, by
// a worker. Every operation is safe from any thread.
class TaskQueue {
public:
    void Append(int32_t code);

    // Removes and returns the first code, or -1 when the queue is empty.
    int32_t TakeFirst();

    int32_t Count() const;
    bool IsEmpty() const { return Count() == 0; }
    void Clear();

    // The pending codes in order, for tests and diagnostics.
    std::vector<int32_t> Snapshot() const;

private:
    mutable std::mutex m_mutex;
    std::deque<int32_t> m_codes;
};
