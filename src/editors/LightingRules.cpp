#include "editors/LightingRules.h"

#include "platform/LenientNumber.h"

#include <algorithm>

namespace LightingRules {

int32_t ClampComponent(const QString& text)
{
    return std::clamp(LenientNumber::Decimal(text), 0, kComponentMaximum);
}

uint32_t Compose(int32_t red, int32_t green, int32_t blue)
{
    auto component = [](int32_t value) { return uint32_t(std::clamp(value, 0, kComponentMaximum)); };
    return component(red) + component(green) * 256u + component(blue) * 65536u;
}

std::array<int32_t, 3> Components(uint32_t color)
{
    return {int32_t(color & 0xFF), int32_t((color >> 8) & 0xFF), int32_t((color >> 16) & 0xFF)};
}

uint32_t ShownColor(int32_t stored)
{
    return uint32_t(std::clamp<int32_t>(stored, 0, 0xFFFFFF));
}

int32_t ShownLevel(int32_t stored)
{
    return std::clamp(stored, 0, kLevelMaximum);
}

int32_t PresetIndex(uint32_t color)
{
    const auto found = std::find(kPresetColors.begin(), kPresetColors.end(), color);
    return found == kPresetColors.end() ? -1 : int32_t(found - kPresetColors.begin());
}

} // namespace LightingRules
