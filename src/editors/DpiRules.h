#pragma once

#include <QString>

#include <array>
#include <cstdint>

// The rules of the DPI levels and the report rate, applied alike by the DPI
// page and the command line: what a typed value becomes, the bounds by model,
// and the defaults a restore puts back. Colours are 0x00BBGGRR.
namespace DpiRules {

constexpr int32_t kStep = 50; // every value is a multiple of this
constexpr int32_t kMinimum = 50;
constexpr int32_t kLevelCount = 6; // levels a profile keeps; dpi_count is 1 to 6

struct Level {
    int32_t value;
    uint32_t color;
};
// What a DPI restore shows, level 1 then current.
constexpr std::array<Level, kLevelCount> kRestoreLevels = {{
    {400, 0x0000FF},
    {800, 0x00FF00},
    {1200, 0xFF0000},
    {1600, 0xFFFF00},
    {2400, 0x00FFFF},
    {3200, 0x800080},
}};
constexpr int32_t kRestoreIndex = 1;
// The sixth level's colour when the page is first created (a new profile's).
constexpr uint32_t kCreationSixthColor = 0x800180;

struct ReportRate {
    int32_t code;
    const char* label;
    int32_t hertz;
    uint32_t color;
};
// The four rates, in the order the page shows them.
constexpr std::array<ReportRate, 4> kReportRates = {{
    {0, "125Hz", 125, 0x0108F1},
    {1, "250Hz", 250, 0xED6B00},
    {2, "500Hz", 500, 0x4DF600},
    {3, "1000Hz", 1000, 0x20A3FF},
}};

// 26000 for the models with the large sensor (101, 103, 105, 107), else 12000.
int32_t UpperBound(int32_t deviceType);
// The slider's upper end in steps for a model: 520 or 240; 0 for a device type
// no model has (the slider then keeps its range).
int32_t SliderSteps(int32_t deviceType);
// A value as entered: rounded down to a multiple of 50, then at least 50 and at
// most the model's bound. Works on any 64-bit input without overflow.
int32_t Clamp(int64_t value, int32_t deviceType);
// Typed text: a lenient decimal parse (letters and empty text give 0, so 50;
// 20-digit numbers saturate, so the bound), then Clamp.
int32_t ClampTyped(const QString& text, int32_t deviceType);
// A stored or asked-for level count brought into 1 to 6 (0 and text give 1).
int32_t ClampCount(int32_t count);
// The current level for a count: an index beyond the count is its last level,
// a negative one the first.
int32_t ClampIndex(int32_t index, int32_t count);
// The code for a rate in hertz (125, 250, 500, 1000); -1 for any other.
int32_t ReportRateCode(int32_t hertz);
// What the report-rate restore stores: 3 (1000 Hz) above device type 200, else 2.
int32_t DefaultReportRate(int32_t deviceType);

} // namespace DpiRules
