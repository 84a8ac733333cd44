#include "app/NoticeRules.h"

#include "language/TextIds.h"

#include <chrono>

namespace {

constexpr int32_t kCharging = 1;
constexpr int32_t kFull = 2;

int64_t SteadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

NoticeRules::NoticeRules(Clock clock)
    : m_clock(clock ? std::move(clock) : Clock(SteadyMs))
{}

std::optional<NoticeRules::Notice> NoticeRules::OnBattery(int32_t level, int32_t status)
{
    if (level <= 0 || level > 100)
        return std::nullopt;
    if (level > kLowPercent + kRearmMargin)
        m_lowTold = false;
    if (level > kCriticalPercent + kRearmMargin)
        m_criticalTold = false;
    // A mouse on its cable is not running down.
    if (status == kCharging || status == kFull)
        return std::nullopt;
    if (level <= kCriticalPercent && !m_criticalTold) {
        // A fall straight past both thresholds is told once, as the graver.
        m_criticalTold = true;
        m_lowTold = true;
        return Notice{Kind::BatteryCritical, level};
    }
    if (level <= kLowPercent && !m_lowTold) {
        m_lowTold = true;
        return Notice{Kind::BatteryLow, level};
    }
    return std::nullopt;
}

std::optional<NoticeRules::Notice> NoticeRules::OnConnection(int32_t statusTextId)
{
    const int32_t previous = m_lastStatus;
    m_lastStatus = statusTextId;
    if (statusTextId == previous)
        return std::nullopt;
    if (statusTextId == TextIds::kStatusOffline && previous == TextIds::kStatusReceiver) {
        m_wirelessLost = true;
        return Notice{Kind::Disconnected};
    }
    if (statusTextId == TextIds::kStatusReceiver && m_wirelessLost) {
        m_wirelessLost = false;
        return Notice{Kind::Reconnected};
    }
    // On its cable the mouse is in plain sight: nothing lost to tell about.
    if (statusTextId == TextIds::kStatusCable)
        m_wirelessLost = false;
    return std::nullopt;
}

std::optional<NoticeRules::Notice> NoticeRules::OnDpiLevel(int32_t index)
{
    if (index < 0 || index == m_dpiIndex)
        return std::nullopt;
    m_dpiIndex = index;
    return Notice{Kind::DpiLevel, index};
}

bool NoticeRules::Admit(Kind kind)
{
    const auto slot = static_cast<size_t>(kind);
    if (slot >= m_lastShown.size())
        return false;
    const int64_t now = m_clock();
    if (m_lastShown[slot] && now - *m_lastShown[slot] < kQuietMs)
        return false;
    m_lastShown[slot] = now;
    return true;
}
