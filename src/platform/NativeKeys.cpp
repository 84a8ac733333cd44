#include "platform/NativeKeys.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <utility>

namespace {

// Keysym -> virtual key for everything outside the letter, digit and function
// key ranges.
constexpr std::pair<uint32_t, int> kKeySyms[] = {
    {XK_BackSpace, 8},
    {XK_Tab, 9},
    {XK_ISO_Left_Tab, 9},
    {XK_Return, 13},
    {XK_Pause, 19},
    {XK_Caps_Lock, 20},
    {XK_Escape, 27},
    {XK_space, 32},
    {XK_Prior, 33},
    {XK_Next, 34},
    {XK_End, 35},
    {XK_Home, 36},
    {XK_Left, 37},
    {XK_Up, 38},
    {XK_Right, 39},
    {XK_Down, 40},
    {XK_Print, 44},
    {XK_Sys_Req, 44},
    {XK_Insert, 45},
    {XK_Delete, 46},
    {XK_Super_L, 91},
    {XK_Super_R, 92},
    {XK_Menu, 93},
    {XK_Num_Lock, 144},
    {XK_Scroll_Lock, 145},
    {XK_Shift_L, 160},
    {XK_Shift_R, 161},
    {XK_Control_L, 162},
    {XK_Control_R, 163},
    {XK_Alt_L, 164},
    {XK_Meta_L, 164},
    {XK_Alt_R, 165},
    {XK_Meta_R, 165},
    {XK_ISO_Level3_Shift, 165},
    // Keypad: with Num Lock on the digits, with it off the navigation keys, as
    // Windows reports them.
    {XK_KP_0, 96},
    {XK_KP_1, 97},
    {XK_KP_2, 98},
    {XK_KP_3, 99},
    {XK_KP_4, 100},
    {XK_KP_5, 101},
    {XK_KP_6, 102},
    {XK_KP_7, 103},
    {XK_KP_8, 104},
    {XK_KP_9, 105},
    {XK_KP_Multiply, 106},
    {XK_KP_Add, 107},
    {XK_KP_Separator, 108},
    {XK_KP_Subtract, 109},
    {XK_KP_Decimal, 110},
    {XK_KP_Divide, 111},
    {XK_KP_Enter, 13},
    {XK_KP_Insert, 45},
    {XK_KP_Delete, 46},
    {XK_KP_End, 35},
    {XK_KP_Down, 40},
    {XK_KP_Next, 34},
    {XK_KP_Left, 37},
    {XK_KP_Begin, 12},
    {XK_KP_Right, 39},
    {XK_KP_Home, 36},
    {XK_KP_Up, 38},
    {XK_KP_Prior, 33},
    // Punctuation, unshifted and shifted, at the US positions.
    {XK_minus, 189},
    {XK_underscore, 189},
    {XK_equal, 187},
    {XK_plus, 187},
    {XK_bracketleft, 219},
    {XK_braceleft, 219},
    {XK_bracketright, 221},
    {XK_braceright, 221},
    {XK_backslash, 220},
    {XK_bar, 220},
    {XK_semicolon, 186},
    {XK_colon, 186},
    {XK_apostrophe, 222},
    {XK_quotedbl, 222},
    {XK_grave, 192},
    {XK_asciitilde, 192},
    {XK_comma, 188},
    {XK_less, 188},
    {XK_period, 190},
    {XK_greater, 190},
    {XK_slash, 191},
    {XK_question, 191},
    {XK_exclam, 49},
    {XK_at, 50},
    {XK_numbersign, 51},
    {XK_dollar, 52},
    {XK_percent, 53},
    {XK_asciicircum, 54},
    {XK_ampersand, 55},
    {XK_asterisk, 56},
    {XK_parenleft, 57},
    {XK_parenright, 48},
    // Browser and media keys.
    {XF86XK_Back, 166},
    {XF86XK_Forward, 167},
    {XF86XK_Refresh, 168},
    {XF86XK_Stop, 169},
    {XF86XK_Search, 170},
    {XF86XK_Favorites, 171},
    {XF86XK_HomePage, 172},
    {XF86XK_AudioMute, 173},
    {XF86XK_AudioLowerVolume, 174},
    {XF86XK_AudioRaiseVolume, 175},
    {XF86XK_AudioNext, 176},
    {XF86XK_AudioPrev, 177},
    {XF86XK_AudioStop, 178},
    {XF86XK_AudioPlay, 179},
    {XF86XK_Mail, 180},
    {XF86XK_AudioMedia, 181},
    {XF86XK_MyComputer, 182},
    {XF86XK_Calculator, 183},
};

} // namespace

namespace NativeKeys {

int VirtualKeyOfKeySym(uint32_t keysym)
{
    if (keysym >= XK_a && keysym <= XK_z)
        return 'A' + int(keysym - XK_a);
    if (keysym >= XK_A && keysym <= XK_Z)
        return 'A' + int(keysym - XK_A);
    if (keysym >= XK_0 && keysym <= XK_9)
        return '0' + int(keysym - XK_0);
    if (keysym >= XK_F1 && keysym <= XK_F24)
        return 112 + int(keysym - XK_F1);
    for (const auto& [sym, virtualKey] : kKeySyms) {
        if (sym == keysym)
            return virtualKey;
    }
    return 0;
}

} // namespace NativeKeys
