#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <vector>

// Task codes appended by the interface thread and taken, first in first out, by
// a worker. Every operation is safe from any thread.
class TaskQueue {
public:
    void Append(int32_t code);
    // Appends `code` unless a code in `covering` is already waiting, whose
    // run does all that `code` would; a waiting `weaker` code (whose work
    // `code` includes) is replaced by `code` in its place instead. -1 for no
    // weaker code.
    void AppendMerged(int32_t code, std::initializer_list<int32_t> covering, int32_t weaker);

    // Removes and returns the first code, or -1 when the queue is empty.
    int32_t TakeFirst();

    int32_t Count() const;
    bool IsEmpty() const { return Count() == 0; }
    void Clear();

    // The pending codes in order, for tests and diagnostics.
    std::vector<int32_t> Snapshot() const;

    // Called after every append, from the appending thread and outside the
    // queue's lock (the worker waits for it rather than polling the queue).
    // Set it before any other thread appends.
    void SetAppendListener(std::function<void()> listener) { m_listener = std::move(listener); }

private:
    void Appended() const;

    mutable std::mutex m_mutex;
    std::deque<int32_t> m_codes;
    std::function<void()> m_listener;
};
