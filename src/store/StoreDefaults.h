#pragma once

#include <array>

// Values every new profile starts with, and the values a reset restores.
namespace StoreDefaults {

struct ConfigKey {
    const char* key;
    const char* newProfile; // inserted with the profile
    const char* reset;      // written by a reset; null: a reset leaves the key alone
};

// The 36 configuration rows of a profile, in insertion order.
inline constexpr std::array<ConfigKey, 36> kConfigKeys { {
    { "version", "1.0.1", nullptr },
    { "lightmode", "3", "3" },
    { "sleep_light", "1", "1" },
    { "deep_sleep", "60", "60" },
    { "light_sleep", "60", "60" },
    { "report_rate", "2", "2" },
    { "report_count", "4", "4" },
    { "report_flag", "15", "15" },
    { "button_respondtime", "1", "1" },
    { "sensor_flag", "53", "53" },
    { "liftoff_height", "1", "1" },
    { "scroll_flag", "1", "1" },
    { "e-sports_flag", "0", "0" },
    { "highspeed_mode", "0", "0" },
    { "leftbtn_lock", "1", "1" },
    { "dpi_flag", "5", "5" },
    { "dpi_index", "1", "1" },
    { "dpi_count", "6", "6" },
    { "dpi_group0_value", "400", "400" },
    { "dpi_group1_value", "800", "800" },
    { "dpi_group2_value", "1200", "1200" },
    { "dpi_group3_value", "1600", "1600" },
    { "dpi_group4_value", "2400", "2400" },
    { "dpi_group5_value", "3200", "3200" },
    { "dpi_group0_rgb", "255", "255" },
    { "dpi_group1_rgb", "65280", "65280" },
    { "dpi_group2_rgb", "16711680", "16711680" },
    { "dpi_group3_rgb", "16776960", "16776960" },
    { "dpi_group4_rgb", "65535", "65535" },
    // The two defaults of level 5 differ by one bit (0x800180 / 0x800080); both
    // are what mice in the field were set to, so both are kept.
    { "dpi_group5_rgb", "8388992", "8388736" },
    { "notify_dpi", "1", "1" },
    { "notify_light", "1", "1" },
    { "notify_devsleep", "1", "1" },
    { "notify_reporterate", "1", "1" },
    { "notify_lowbattery", "1", "1" },
    { "notify_fardistance", "1", "1" },
} };

struct DefaultLightMode {
    int mode;
    const char* name; // UTF-8; stored, never shown
    int configFunc;
    int textId;       // stored in `reserved`: the display name's interface text
};

// Lighting rows a profile gets when the lighting editor first finds none. Every
// row: brightness 255, speed 128, direction 0, colorful 1, colorindex 0,
// color_value 255, status 0; mode 3 is then made active.
inline constexpr std::array<DefaultLightMode, 7> kLightModes { {
    { 0, "关闭", 0, 280 },
    { 1, "单色常亮", 17, 281 },
    { 2, "单色呼吸", 19, 282 },
    { 3, "光谱循环", 3, 283 },
    { 4, "流光", 3, 284 },
    { 5, "单色跑马", 19, 285 },
    { 6, "霓虹", 3, 286 },
} };
inline constexpr int kDefaultActiveLightMode = 3;

} // namespace StoreDefaults
