#pragma once

// The three code spaces the program speaks about keys in:
//   usage code   - keyboard usage (HID page 0x07, 4..231) plus the program's own
//                  codes 175 (Fn), 209..212 (volume up/down, mute, calculator),
//                  235 and 236; stored in assignments and sent to the mouse;
//   virtual key  - Windows virtual-key codes as captured from the keyboard, plus
//                  the program's own 301 and 302;
//   modifier bit - one bit of a keyboard report's modifier byte.
// Everything here is a pure table lookup: safe from any thread.

#include <QString>

#include <cstdint>
#include <vector>

namespace KeyCodes {

// Modifier bits of a keyboard report.
inline constexpr int kLeftCtrlBit = 0x01;
inline constexpr int kLeftShiftBit = 0x02;
inline constexpr int kLeftAltBit = 0x04;
inline constexpr int kLeftWinBit = 0x08;
inline constexpr int kRightCtrlBit = 0x10;
inline constexpr int kRightShiftBit = 0x20;
inline constexpr int kRightAltBit = 0x40;
inline constexpr int kRightWinBit = 0x80;

// Recorded mouse codes of macro events.
inline constexpr int kMouseLeft = 1;
inline constexpr int kMouseRight = 2;
inline constexpr int kMouseMiddle = 4;
inline constexpr int kMouseBack = 8;
inline constexpr int kMouseForward = 16;
inline constexpr int kWheelUp = 1;
inline constexpr int kWheelDown = 255;

// Groups of the key picker; group 1 (capture from the keyboard) has no entries.
enum class KeyGroup : int32_t {
    Capture = 1,
    LettersDigits = 2,
    FunctionKeys = 3,
    Keypad = 4,
    Editing = 5,
    Modifiers = 6,
    Punctuation = 7,
};

} // namespace KeyCodes

// One entry of the key picker's list.
struct KeyListEntry {
    int32_t group = 0;
    int32_t usage = 0;
    QString name;
    QString secondName; // always empty; kept for the list's record layout
};

inline constexpr int kKeyListSize = 103;

// Empties `list` and fills it with the 103 picker entries in their fixed order.
void BuildKeyList(std::vector<KeyListEntry>& list);

// Name shown for the key of a keyboard assignment; empty for unnamed codes.
QString UsageDisplayName(int usage);

// Usage code -> virtual key; 0 for codes outside the table.
int UsageToVirtualKey(int usage);

// Virtual key -> usage code; 0 for the generic Shift/Ctrl/Alt (16, 17, 18) and
// every code outside the table.
int VirtualKeyToUsage(int virtualKey);

// Modifier bit of a modifier's virtual key or usage code (1..128); 0 for 0; any
// other code is returned unchanged, so a plain key's usage passes through.
int ModifierBit(int code);

// Modifier bit of a modifier's usage code (224..231); any other code is returned
// unchanged. Unlike ModifierBit it never reads a usage as a virtual key: usages
// 91 and 92 are keypad 3 and 4, whose virtual-key twins are the Win keys.
int UsageModifierBit(int usage);

// True for the virtual keys of the eight modifier keys (0xA0..0xA5, 0x5B, 0x5C).
bool IsModifierVirtualKey(int virtualKey);

// The code a captured virtual key is reported as: the generic Shift, Ctrl and Alt
// (16, 17, 18) become their left-hand keys (160, 162, 164); others are unchanged.
int CapturedKeyCode(int virtualKey);

// The program's own name of a captured virtual key, or an empty text when the key
// is named by the keyboard layout instead.
QString CapturedKeyName(int virtualKey);

// Name of a recorded mouse button code (1, 2, 4, 8, 16); empty for other codes.
QString MouseButtonName(int code);

// Names of the two wheel directions as shown and recorded.
QString WheelUpName();
QString WheelDownName();
