#pragma once

#include <cstdint>

// Whether the program draws in device pixels (DPI-aware) or lets the display
// scale it. Small screens get device pixels so that the 1280 x 780 window is
// not blown up past the screen; 1920 x 1080 screens get them only at a high
// scale. Pure functions; the start-up applies the decision to the window size.
class DpiAwareness {
public:
    // The monitor's scale in percent from its effective horizontal DPI: 120
    // gives 125; 144, 168 and 192 give 150, 175 and 200; 96 or less and every
    // other value give 100.
    static int32_t ScalePercent(int32_t horizontalDpi);
    // The decision from the primary screen's size in device pixels and the
    // effective horizontal DPI of its monitor (0 when there is no monitor).
    static bool ShouldBeDpiAware(int32_t screenWidth, int32_t screenHeight, int32_t horizontalDpi);
    // The factor applied to the window's logical size: 1 / devicePixelRatio when
    // aware (the window then covers exactly its size in device pixels), else 1.
    static double WindowScale(bool aware, double devicePixelRatio);
};
