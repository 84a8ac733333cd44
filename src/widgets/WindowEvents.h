#pragma once

#include <QEvent>
#include <cstdint>
#include <functional>

// Queued to a window's host: a window message or a call, delivered in order.
struct WindowMessageEvent : QEvent {
    static constexpr QEvent::Type kType = QEvent::Type(QEvent::User + 661);
    WindowMessageEvent(uint32_t message, uintptr_t wParam, intptr_t lParam)
        : QEvent(kType), m_message(message), m_wParam(wParam), m_lParam(lParam) {}
    uint32_t m_message;
    uintptr_t m_wParam;
    intptr_t m_lParam;
};

struct WindowCallEvent : QEvent {
    static constexpr QEvent::Type kType = QEvent::Type(QEvent::User + 662);
    explicit WindowCallEvent(std::function<void()> call) : QEvent(kType), m_call(std::move(call)) {}
    std::function<void()> m_call;
};
