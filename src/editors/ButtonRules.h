#pragma once

// What a button can be given to do, shared by the button page and the command
// line: the function types with their lists, the factory functions, the
// keyboard texts and the rules of typed values. Widget-free; texts are
// interface text ids.

#include <QString>

#include <cstdint>
#include <span>

namespace ButtonRules {

// Function types as stored in an assignment's macro_type.
enum FunctionType : int32_t {
    kRestore = 0,
    kMouse = 1,
    kKeyboard = 2,
    kMultimedia = 4,
    kMacro = 5,
    kShortcut = 7,
    kDisabled = 8,
    kProgram = 9,
    kWebAddress = 10,
    kTextSnippet = 11,
};

struct TypeEntry {
    int32_t type;
    int textId;
    const char* icon; // below the skin folder
};

// The type list, in the order shown.
inline constexpr TypeEntry kTypes[] = {
    {kRestore, 221, "icon\\keytype_0.png"},
    {kMouse, 222, "icon\\keytype_1.png"},
    {kKeyboard, 223, "icon\\keytype_2.png"},
    {kMacro, 224, "icon\\keytype_4.png"},
    {kMultimedia, 225, "icon\\keytype_6.png"},
    {kShortcut, 226, "icon\\keytype_7.png"},
    {kDisabled, 227, "icon\\keytype_9.png"},
    {kProgram, 228, "icon\\keytype_10.png"},
    {kWebAddress, 229, "icon\\keytype_11.png"},
    {kTextSnippet, 230, "icon\\keytype_12.png"},
};

// A list item: the stored value and its text.
struct ValueText {
    int32_t value;
    int textId;
};

// Mouse functions (type 1) in list order; value 12 exists only as a factory function.
inline constexpr ValueText kMouseFunctions[] = {
    {1, 150},
    {2, 152},
    {3, 151},
    {5, 153},
    {6, 154},
    {4, 155},
    {7, 156},
    {8, 157},
    {9, 158},
    {10, 159},
    {11, 210},
};

// Multimedia keys (type 4) in list order.
inline constexpr ValueText kMultimediaKeys[] = {
    {6, 165},
    {7, 166},
    {8, 167},
    {1, 168},
    {2, 169},
    {4, 170},
    {5, 171},
    {3, 172},
    {12, 129},
    {13, 132},
};

// The key picker's groups (type 2); group 1 captures a key from the keyboard.
inline constexpr ValueText kKeyboardGroups[] = {
    {1, 760},
    {2, 761},
    {3, 762},
    {4, 763},
    {5, 764},
    {6, 765},
    {7, 766},
};
inline constexpr int32_t kCaptureGroup = 1;

// System shortcut groups (type 7).
inline constexpr ValueText kShortcutGroups[] = {
    {1, 767},
    {2, 768},
    {3, 769},
    {4, 770},
    {5, 771},
    {6, 772},
};

// The shortcuts of `group` (1..6) in list order; empty for another group.
std::span<const ValueText> ShortcutsOfGroup(int32_t group);
// The group whose list holds `value`; 0 when none does (value 14 included:
// it is sent like 19 but offered in no list).
int32_t ShortcutGroupOf(int32_t value);

// The text id of `value` in a list; 0 when the list lacks it.
int TextOf(std::span<const ValueText> list, int32_t value);
// The text id of a stored value of a type that has fixed lists (1, 4, 7, 8); 0 otherwise.
int ValueTextId(int32_t type, int32_t value);
inline constexpr int kDisabledText = 139;

// The mouse function a button has without a stored assignment, by its button
// code (0 -> 1, 1 -> 3, 2 -> 2, 3 -> 5, 4 -> 6, 5 -> 7, 6 -> 8, 7 -> 11,
// 8 -> 12); 0 for other codes, which show no selection.
int32_t FactoryMouseFunction(int32_t buttonCode);

// Modifier boxes of a keyboard assignment, as bits of macro_value2.
enum ModifierBits : int32_t {
    kCtrlBit = 1,
    kShiftBit = 2,
    kAltBit = 4,
    kWinBit = 8,
};
// The modifiers as written beside the key, in the order Shift, Ctrl, Win,
// Alt: "Shift", then "+ Ctrl" behind it, or "Ctrl" alone ("Shift+ Ctrl+ Win").
QString ModifierText(int32_t bits);
// "%s + %s" of the modifiers and the key when both are there, else the one that is.
QString KeyText(const QString& modifiers, const QString& key);

// Macro play modes (macro_value3) of the four radio buttons; the fourth
// repeats macro_value2 times.
inline constexpr int32_t kPlayModes[] = {1, 2, 3, 0};
inline constexpr int32_t kRepeatMode = 0;
inline constexpr int32_t kDefaultRepeatCount = 10;
inline constexpr int32_t kMinRepeatCount = 1;
inline constexpr int32_t kMaxRepeatCount = 255;
// A typed repeat count: decimal, leniently; kept in 1..255. Empty text is the default 10.
int32_t RepeatCount(const QString& typed);

// The name a macro is listed under: a name beginning with "宏", "Macro",
// "自定义" or "Custom" shows `macroWord` in place of that word; others as stored.
QString MacroDisplayName(const QString& name, const QString& macroWord);

} // namespace ButtonRules
