#pragma once

#include <QString>

#include <array>
#include <cstdint>

// The rules of the light modes, applied alike by the lighting page and the
// command line. Colours are 0x00BBGGRR (red in the low byte).
namespace LightingRules {

// config_func: which settings a mode offers.
constexpr int32_t kHasBrightness = 0x01;
constexpr int32_t kHasSpeed = 0x02;
constexpr int32_t kHasColor = 0x10;

// Brightness and speed are slider positions 0 to 255; both sliders stand at
// 200 until a mode is shown.
constexpr int32_t kLevelMaximum = 255;
constexpr int32_t kInitialLevel = 200;
constexpr int32_t kComponentMaximum = 255;

// What a profile's modes hold when they are first written or restored.
constexpr int32_t kDefaultBrightness = 255;
constexpr int32_t kDefaultSpeed = 128;
constexpr uint32_t kDefaultColor = 0x0000FF;

// The eight preset colours, in the order of their buttons.
constexpr std::array<uint32_t, 8> kPresetColors = {
    0x0000FF,
    0xFF00F0,
    0xFF0C00,
    0xFCFF00,
    0x06FF00,
    0x00DEFF,
    0x0048FF,
    0xFFFFFF,
};

// A typed colour component: a lenient decimal parse, then 0 to 255 (text that
// is not a number gives 0).
int32_t ClampComponent(const QString& text);
// red + green * 256 + blue * 65536, each component brought into 0 to 255.
uint32_t Compose(int32_t red, int32_t green, int32_t blue);
// Red, green and blue of a colour.
std::array<int32_t, 3> Components(uint32_t color);
// The colour a stored color_value shows: values outside 0 to 0xFFFFFF are
// taken as the nearest end.
uint32_t ShownColor(int32_t stored);
// A stored brightness or speed as a slider position, 0 to 255.
int32_t ShownLevel(int32_t stored);
// The index of the preset with exactly this colour, -1 when none has it.
int32_t PresetIndex(uint32_t color);

} // namespace LightingRules
