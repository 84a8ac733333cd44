#include "app/DpiAwareness.h"

int32_t DpiAwareness::ScalePercent(int32_t horizontalDpi)
{
    switch (horizontalDpi) {
    case 120:
        return 125;
    case 144:
        return 150;
    case 168:
        return 175;
    case 192:
        return 200;
    default:
        return 100;
    }
}

bool DpiAwareness::ShouldBeDpiAware(int32_t screenWidth, int32_t screenHeight, int32_t horizontalDpi)
{
    if (screenWidth < 1400 || screenHeight < 788)
        return true;
    if (screenWidth == 1920 && screenHeight == 1080)
        return ScalePercent(horizontalDpi) > 125;
    return false;
}

double DpiAwareness::WindowScale(bool aware, double devicePixelRatio)
{
    if (!aware || !(devicePixelRatio > 0.0))
        return 1.0;
    return 1.0 / devicePixelRatio;
}
