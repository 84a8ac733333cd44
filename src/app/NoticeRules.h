#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

// When the program tells the desktop about the mouse while its window is
// hidden: the battery falling to 20 % and to 5 %, a wireless mouse going away
// and coming back, the DPI level changed with the mouse's button. No widgets:
// it sees the worker's events and a clock, and answers with the notice due.
class NoticeRules {
public:
    enum class Kind : int32_t {
        BatteryLow, // value: the level in percent
        BatteryCritical, // value: the level in percent
        Disconnected,
        Reconnected,
        DpiLevel, // value: the index of the level (0 first)
    };
    static constexpr int32_t kKindCount = 5;
    struct Notice {
        Kind kind;
        int32_t value = 0;
    };

    static constexpr int32_t kLowPercent = 20;
    static constexpr int32_t kCriticalPercent = 5;
    // A band is armed again only once the level has risen this far above its
    // threshold, so a reading that wavers around 20 % is told once.
    static constexpr int32_t kRearmMargin = 5;
    // At most one notice of a kind within this time.
    static constexpr int64_t kQuietMs = 60'000;

    // Milliseconds of a monotonic clock.
    using Clock = std::function<int64_t()>;
    // Without a clock, the steady clock.
    explicit NoticeRules(Clock clock = {});

    // The battery as the mouse reported it: level 0..100 (0: no value) and
    // status (1 charging, 2 full, anything else discharging).
    std::optional<Notice> OnBattery(int32_t level, int32_t status);
    // The connection status shown: 50 not connected, 51 by cable, 52 through
    // the receiver.
    std::optional<Notice> OnConnection(int32_t statusTextId);
    // The mouse switched to DPI level `index`.
    std::optional<Notice> OnDpiLevel(int32_t index);

    // Whether a notice of `kind` may be shown now; when it may, the kind's
    // minute starts now. Call it only for notices that are then shown.
    bool Admit(Kind kind);

private:
    Clock m_clock;
    bool m_lowTold = false;
    bool m_criticalTold = false;
    int32_t m_lastStatus = 0;
    bool m_wirelessLost = false;
    int32_t m_dpiIndex = -1;
    std::array<std::optional<int64_t>, kKindCount> m_lastShown{};
};
