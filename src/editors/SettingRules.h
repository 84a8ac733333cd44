#pragma once

#include <QString>

#include <cstdint>

// What the feature pages can store, beyond the DPI levels (DpiRules), the
// lighting sliders (LightingRules) and the response time (PerformanceRules):
// the function of a button, the events and timing of a macro, the lighting
// modes and colours, and the options sent to the mouse as single bytes. Anything that takes values from outside the pages
// (an imported file, the command line) holds them to these rules, so the
// store never keeps a value no page could have put there. Pure functions.
namespace SettingRules {

// ---- Names ----
// Longest name or label kept, in UTF-16 units: macro names, button labels,
// macro event texts.
constexpr int32_t kMaxNameLength = 64;
// `text` cut to kMaxNameLength units, never inside a surrogate pair.
QString ClampName(const QString& text);

// ---- Button functions (macro_type of an assignment) ----
enum class FunctionType : int32_t {
    Mouse = 1,
    Keyboard = 2,
    Multimedia = 4,
    Macro = 5,
    SystemShortcut = 7,
    Disabled = 8,
    Program = 9,
    WebAddress = 10,
    TextSnippet = 11,
};
// The types a stored assignment can have. The page's "restore" choice is
// stored as type 1, so 0 is not among them.
bool IsStoredFunctionType(int64_t type);
// Values of types 1 (1 to 12; 12 only as a factory function), 4 (the ten
// multimedia functions) and 7 (system shortcuts 1 to 37).
bool IsMouseFunction(int64_t value);
bool IsMultimediaFunction(int64_t value);
bool IsSystemShortcut(int64_t value);
// Type 2: the key's usage code (0 for modifiers alone, or a code with a
// virtual key) and the modifier byte (0 to 255).
bool IsKeyUsage(int64_t usage);
bool IsModifierByte(int64_t bits);
// Type 5: the repeat count (1 to 255) and the play mode (0 repeat the count,
// 1 to 3 the other three modes).
constexpr int32_t kMaxRepeatCount = 255;
bool IsRepeatCount(int64_t count);
bool IsPlayMode(int64_t mode);
// Type 8 stores value 1.
constexpr int32_t kDisabledValue = 1;

// ---- Macros ----
constexpr int32_t kMaxMacroEvents = 200;
// Event types the mouse has a record for: 2 key down, 3 key up, 4 button
// down, 5 button up, 6 wheel up, 7 wheel down, 8 to 12 firmware functions.
bool IsMacroEventType(int64_t type);
// An event's value: a virtual key, a mouse code or a function argument, 16 bits.
bool IsMacroEventValue(int64_t value);
// An event's delay in milliseconds: at most the longest measured pause.
constexpr int32_t kMaxEventDelay = 31000;
int32_t ClampEventDelay(int64_t delay);
// Delay types of a macro (0 default, 1 measured, 2 fixed) and the fixed delay.
bool IsDelayType(int64_t type);
constexpr int32_t kMinFixedDelay = 10;
constexpr int32_t kMaxFixedDelay = 10000;
// A macro's delay_time: at most the longest fixed delay, never negative.
int32_t ClampMacroDelay(int64_t delay);
// play_type and play_times are kept as stored by the pages; a byte each.
bool IsPlayByte(int64_t value);

// ---- Lighting ----
constexpr int32_t kLightModeCount = 7; // modes 0 to 6
bool IsLightMode(int64_t mode);
// 0x00BBGGRR
bool IsColor(int64_t color);
// direction, colorful and colorindex are not edited by any page; a byte each.
bool IsLightByte(int64_t value);

// ---- Options sent to the mouse as they are stored ----
// A report-rate code 0 to 3.
bool IsReportRateCode(int64_t code);
// Options sent to the mouse as one byte (sensor, lift-off, scroll, high speed
// and the flags only the exchange file carries).
bool IsOptionByte(int64_t value);

} // namespace SettingRules
