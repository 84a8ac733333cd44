#pragma once

#include <QString>

#include <cstdint>
#include <functional>

// The rules of macros and their events, shared by the macro page and the
// command line: the event types and their texts, the limits, the delays a
// typed or measured value becomes, and how macro names are shown and made
// unique. No widgets; safe from any thread.
namespace MacroRules {

// Event types as stored in a macro step.
enum EventType : int32_t {
    kKeyDown = 2, // value: virtual key
    kKeyUp = 3, // value: virtual key
    kButtonDown = 4, // value: recorded mouse code 1, 2, 4, 8, 16
    kButtonUp = 5,
    kWheelUp = 6, // value 1
    kWheelDown = 7, // value 255
};

// How a recording times its events (a macro's delay_type).
enum class DelayMode : int32_t {
    Default = 0, // every event keeps the default delay
    Measured = 1, // each event's delay is the time until the next one
    Fixed = 2, // each event's delay is the fixed value
};

constexpr int32_t kMaxEvents = 200; // events a macro may hold
constexpr int32_t kDefaultDelay = 10; // ms, a new event's delay
constexpr int32_t kMaxMeasuredDelay = 31000; // ms, a measured delay at most
constexpr int32_t kMinFixedDelay = 10; // ms, the fixed delay's range
constexpr int32_t kMaxFixedDelay = 10000;
constexpr int32_t kMinPauseDelay = 1; // ms, the range of the delay-event field
constexpr int32_t kMaxPauseDelay = 10000;
// The highest delay an event may be given by hand: what a recording can
// measure. Anything longer would not fit the mouse's 16-bit delays anyway.
constexpr int32_t kMaxEditedDelay = kMaxMeasuredDelay;
constexpr int32_t kMaxNameSuffix = 1000; // " 1" to " 1000" make a new name unique

// The text an event is shown with: "↓  A" for a press (key or button), "↑  A"
// for a release, the name alone for the wheel and for any other type.
QString EventText(int32_t type, const QString& name);

// The event type of a captured input: keyboard state 0/1 give key down/up,
// mouse state 0/1 button down/up, 3 wheel up, 4 wheel down; 0 for anything
// else. `keyboard` tells the two sources apart.
int32_t EventTypeOf(bool keyboard, int32_t state);

// A measured pause in ms: negative times (a clock that went back) give 0,
// longer ones than 31000 give 31000.
int32_t MeasuredDelay(int64_t elapsedMs);

// A value typed into a delay field, parsed leniently (text without digits is
// 0) and brought into [low, high]. `changed` tells whether the result differs
// from what was typed.
struct ClampedDelay {
    int32_t value;
    bool changed;
};
ClampedDelay ClampFixedDelay(const QString& typed); // 10..10000
ClampedDelay ClampPauseDelay(const QString& typed); // 1..10000
// A delay edited in place on an event: 0..31000.
int32_t ClampEditedDelay(int64_t delay);

// The name a stored macro is shown under: a name beginning with "宏" or
// "Macro" shows `macroWord` in place of that word; others are shown as they
// are. The stored name never changes.
QString DisplayName(const QString& stored, const QString& macroWord);

// The name of a new macro: `base` + " 1", or " 2", " 3" ... up to " 1000",
// the first for which `taken` is false; when all are taken, base + " 1000".
QString UniqueName(const QString& base, const std::function<bool(const QString&)>& taken);

} // namespace MacroRules
