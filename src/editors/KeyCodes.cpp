#include "editors/KeyCodes.h"

#include <array>
#include <utility>

namespace {

using KeyCodes::KeyGroup;

struct PickerKey {
    KeyGroup group;
    int usage;
    const char16_t* name;
};

// The picker's order is part of its behaviour (item positions are remembered
// by the pages), so it is spelled out rather than generated. "Backsapce" is the
// name users have always seen in the picker and is kept as it stands.
constexpr std::array<PickerKey, kKeyListSize> kPickerKeys{{
    {KeyGroup::LettersDigits, 4, u"A"},
    {KeyGroup::LettersDigits, 5, u"B"},
    {KeyGroup::LettersDigits, 6, u"C"},
    {KeyGroup::LettersDigits, 7, u"D"},
    {KeyGroup::LettersDigits, 8, u"E"},
    {KeyGroup::LettersDigits, 9, u"F"},
    {KeyGroup::LettersDigits, 10, u"G"},
    {KeyGroup::LettersDigits, 11, u"H"},
    {KeyGroup::LettersDigits, 12, u"I"},
    {KeyGroup::LettersDigits, 13, u"J"},
    {KeyGroup::LettersDigits, 14, u"K"},
    {KeyGroup::LettersDigits, 15, u"L"},
    {KeyGroup::LettersDigits, 16, u"M"},
    {KeyGroup::LettersDigits, 17, u"N"},
    {KeyGroup::LettersDigits, 18, u"O"},
    {KeyGroup::LettersDigits, 19, u"P"},
    {KeyGroup::LettersDigits, 20, u"Q"},
    {KeyGroup::LettersDigits, 21, u"R"},
    {KeyGroup::LettersDigits, 22, u"S"},
    {KeyGroup::LettersDigits, 23, u"T"},
    {KeyGroup::LettersDigits, 24, u"U"},
    {KeyGroup::LettersDigits, 25, u"V"},
    {KeyGroup::LettersDigits, 26, u"W"},
    {KeyGroup::LettersDigits, 27, u"X"},
    {KeyGroup::LettersDigits, 28, u"Y"},
    {KeyGroup::LettersDigits, 29, u"Z"},
    {KeyGroup::LettersDigits, 39, u"0"},
    {KeyGroup::LettersDigits, 30, u"1"},
    {KeyGroup::LettersDigits, 31, u"2"},
    {KeyGroup::LettersDigits, 32, u"3"},
    {KeyGroup::LettersDigits, 33, u"4"},
    {KeyGroup::LettersDigits, 34, u"5"},
    {KeyGroup::LettersDigits, 35, u"6"},
    {KeyGroup::LettersDigits, 36, u"7"},
    {KeyGroup::LettersDigits, 37, u"8"},
    {KeyGroup::LettersDigits, 38, u"9"},
    {KeyGroup::FunctionKeys, 58, u"F1"},
    {KeyGroup::FunctionKeys, 59, u"F2"},
    {KeyGroup::FunctionKeys, 60, u"F3"},
    {KeyGroup::FunctionKeys, 61, u"F4"},
    {KeyGroup::FunctionKeys, 62, u"F5"},
    {KeyGroup::FunctionKeys, 63, u"F6"},
    {KeyGroup::FunctionKeys, 64, u"F7"},
    {KeyGroup::FunctionKeys, 65, u"F8"},
    {KeyGroup::FunctionKeys, 66, u"F9"},
    {KeyGroup::FunctionKeys, 67, u"F10"},
    {KeyGroup::FunctionKeys, 68, u"F11"},
    {KeyGroup::FunctionKeys, 69, u"F12"},
    {KeyGroup::Keypad, 84, u"Num /"},
    {KeyGroup::Keypad, 85, u"Num *"},
    {KeyGroup::Keypad, 86, u"Num -"},
    {KeyGroup::Keypad, 95, u"Num 7"},
    {KeyGroup::Keypad, 96, u"Num 8"},
    {KeyGroup::Keypad, 97, u"Num 9"},
    {KeyGroup::Keypad, 87, u"Num +"},
    {KeyGroup::Keypad, 92, u"Num 4"},
    {KeyGroup::Keypad, 93, u"Num 5"},
    {KeyGroup::Keypad, 94, u"Num 6"},
    {KeyGroup::Keypad, 89, u"Num 1"},
    {KeyGroup::Keypad, 90, u"Num 2"},
    {KeyGroup::Keypad, 91, u"Num 3"},
    {KeyGroup::Keypad, 88, u"Num Enter"},
    {KeyGroup::Keypad, 98, u"Num 0"},
    {KeyGroup::Keypad, 99, u"Num ."},
    {KeyGroup::Editing, 82, u"\u2191"},
    {KeyGroup::Editing, 80, u"\u2190"},
    {KeyGroup::Editing, 81, u"\u2193"},
    {KeyGroup::Editing, 79, u"\u2192"},
    {KeyGroup::Editing, 41, u"Esc"},
    {KeyGroup::Editing, 70, u"Print"},
    {KeyGroup::Editing, 72, u"Pause"},
    {KeyGroup::Editing, 42, u"Backsapce"},
    {KeyGroup::Editing, 73, u"Ins"},
    {KeyGroup::Editing, 74, u"Home"},
    {KeyGroup::Editing, 75, u"PgUp"},
    {KeyGroup::Editing, 43, u"Tab"},
    {KeyGroup::Editing, 76, u"Del"},
    {KeyGroup::Editing, 77, u"End"},
    {KeyGroup::Editing, 78, u"PgDn"},
    {KeyGroup::Editing, 40, u"Enter"},
    {KeyGroup::Editing, 44, u"Space"},
    {KeyGroup::Modifiers, 225, u"Shift"},
    {KeyGroup::Modifiers, 224, u"Ctrl"},
    {KeyGroup::Modifiers, 227, u"Win"},
    {KeyGroup::Modifiers, 226, u"Alt"},
    {KeyGroup::Modifiers, 229, u"R-Shift"},
    {KeyGroup::Modifiers, 228, u"R-Ctrl"},
    {KeyGroup::Modifiers, 231, u"R-Win"},
    {KeyGroup::Modifiers, 230, u"R-Alt"},
    {KeyGroup::Modifiers, 57, u"Caps Lock"},
    {KeyGroup::Modifiers, 71, u"Scroll Lock"},
    // Num Lock belongs to the keypad group but was added to the picker last.
    {KeyGroup::Keypad, 83, u"Num Lock"},
    {KeyGroup::Punctuation, 53, u"~"},
    {KeyGroup::Punctuation, 45, u"_"},
    {KeyGroup::Punctuation, 46, u"+"},
    {KeyGroup::Punctuation, 47, u"{"},
    {KeyGroup::Punctuation, 48, u"}"},
    {KeyGroup::Punctuation, 49, u"||"},
    {KeyGroup::Punctuation, 51, u";"},
    {KeyGroup::Punctuation, 52, u"'"},
    {KeyGroup::Punctuation, 54, u"<,"},
    {KeyGroup::Punctuation, 55, u">."},
    {KeyGroup::Punctuation, 56, u"?/"},
}};

struct CodeName {
    int code;
    const char16_t* name;
};

constexpr CodeName kUsageNames[] = {
    {40, u"Enter"}, {88, u"Enter"},
    {41, u"Esc"}, {42, u"Backspace"}, {43, u"Tab"}, {44, u"Space"},
    {45, u"-"}, {46, u"="}, {47, u"["}, {48, u"]"}, {49, u"\\"},
    {51, u";"}, {52, u"'"}, {53, u"`"}, {54, u","}, {55, u"."}, {56, u"/"},
    {57, u"Caps Lock"},
    {70, u"Print Screen"}, {71, u"Scrlk"}, {72, u"Pause"},
    {73, u"Insert"}, {74, u"Home"}, {75, u"Page Up"}, {76, u"Delete"}, {77, u"End"},
    {78, u"Page Down"},
    {79, u"Right"}, {80, u"Left"}, {81, u"Down"}, {82, u"Up"},
    {83, u"Num"}, {84, u"//"},
    {85, u"Num *"}, {86, u"Num -"}, {87, u"Num +"},
    {98, u"Num 0"}, {99, u"Num Del"},
    {101, u"Menu"},
    {175, u"Fn"},
    {224, u"Ctrl"}, {228, u"Ctrl"},
    {225, u"Shift"}, {229, u"Shift"},
    {226, u"Alt"}, {230, u"Alt"},
    {227, u"Windows"}, {231, u"Windows"},
};

// Usage -> virtual key for everything outside the contiguous ranges (letters,
// digits, F1..F12, keypad digits), which are computed.
constexpr std::pair<int, int> kUsageToVk[] = {
    {40, 13}, {41, 27}, {42, 8}, {43, 9}, {44, 32},
    {45, 189}, {46, 187}, {47, 219}, {48, 221}, {49, 220},
    {51, 186}, {52, 222}, {53, 192}, {54, 188}, {55, 190}, {56, 191},
    {57, 20},
    {70, 44}, {71, 145}, {72, 19},
    {73, 45}, {74, 36}, {75, 33}, {76, 46}, {77, 35}, {78, 34},
    {79, 39}, {80, 37}, {81, 40}, {82, 38},
    {83, 144}, {84, 111}, {85, 106}, {86, 109}, {87, 107}, {88, 253},
    {99, 110}, {101, 93},
    {175, 250},
    {209, 175}, {210, 174}, {211, 173}, {212, 183},
    {224, 17}, {225, 16}, {226, 18}, {227, 91},
    {228, 17}, {229, 16}, {230, 18}, {231, 91},
};

// Virtual key -> usage for the keys a keyboard really delivers outside the
// computed ranges: editing, navigation, locks, keypad operators and
// punctuation, the left/right modifier keys and the program's own codes. The
// generic 16/17/18 are deliberately absent (0): a recorded key must say which
// side it was on. The program's pseudo keys 250/253 and the media keys are
// absent too: they only ever travel from usage to key, never back.
constexpr std::pair<int, int> kVkToUsage[] = {
    {13, 40}, {27, 41}, {8, 42}, {9, 43}, {32, 44},
    {189, 45}, {187, 46}, {219, 47}, {221, 48}, {220, 49},
    {186, 51}, {222, 52}, {192, 53}, {188, 54}, {190, 55}, {191, 56},
    {20, 57},
    {44, 70}, {145, 71}, {19, 72},
    {45, 73}, {36, 74}, {33, 75}, {46, 76}, {35, 77}, {34, 78},
    {39, 79}, {37, 80}, {40, 81}, {38, 82},
    {144, 83}, {111, 84}, {106, 85}, {109, 86}, {107, 87},
    {110, 99},
    {108, 88},
    {666, 50},
    {162, 224}, {160, 225}, {164, 226}, {91, 227},
    {163, 228}, {161, 229}, {165, 230}, {92, 231},
    {93, 101}, {254, 175}, {226, 100},
    {136, 136}, {137, 137}, {138, 138}, {139, 139},
    {301, 236}, {302, 235},
};

constexpr std::pair<int, int> kModifierBits[] = {
    {91, 0x08}, {227, 0x08},
    {92, 0x80}, {231, 0x80},
    {160, 0x02}, {225, 0x02},
    {161, 0x20}, {229, 0x20},
    {162, 0x01}, {224, 0x01},
    {163, 0x10}, {228, 0x10},
    {164, 0x04}, {226, 0x04},
    {165, 0x40}, {230, 0x40},
};

constexpr CodeName kCapturedNames[] = {
    {16, u"Shift"}, {17, u"Ctrl"}, {18, u"Alt"},
    {19, u"Pause"}, {44, u"Print Screen"},
    {91, u"Windows"}, {92, u"RWindows"}, {93, u"Application"},
    {144, u"Num Lock"},
    {160, u"Shift"}, {161, u"RShift"}, {162, u"Ctrl"}, {163, u"RCtrl"},
    {164, u"Alt"}, {165, u"RAlt"},
    {166, u"Backward"}, {167, u"Forward"}, {168, u"Refresh"},
    {169, u"Stop"}, {178, u"Stop"},
    {170, u"Search"}, {171, u"Favorites"}, {172, u"Home"},
    {173, u"Vol Mute"}, {174, u"Vol Down"}, {175, u"Vol Up"},
    {176, u"Next"}, {177, u"Prev"}, {179, u"Play/Pause"},
    {180, u"EMail"}, {181, u"Multimedia"}, {182, u"Computer"}, {183, u"Cal"},
};

constexpr CodeName kMouseNames[] = {
    {KeyCodes::kMouseLeft, u"LB"},
    {KeyCodes::kMouseRight, u"RB"},
    {KeyCodes::kMouseMiddle, u"MB"},
    {KeyCodes::kMouseBack, u"Backward"},
    {KeyCodes::kMouseForward, u"Forward"},
};

template <std::size_t N>
QString FindName(const CodeName (&table)[N], int code)
{
    for (const CodeName& entry : table) {
        if (entry.code == code)
            return QString::fromUtf16(entry.name);
    }
    return {};
}

template <std::size_t N>
int FindCode(const std::pair<int, int> (&table)[N], int code, int missing)
{
    for (const auto& [from, to] : table) {
        if (from == code)
            return to;
    }
    return missing;
}

} // namespace

void BuildKeyList(std::vector<KeyListEntry>& list)
{
    list.clear();
    list.reserve(kPickerKeys.size());
    for (const PickerKey& key : kPickerKeys) {
        list.push_back(KeyListEntry{static_cast<int32_t>(key.group), key.usage,
                                    QString::fromUtf16(key.name), QString()});
    }
}

QString UsageDisplayName(int usage)
{
    if (usage >= 4 && usage <= 29)
        return QString(QChar(u'A' + (usage - 4)));
    if (usage >= 30 && usage <= 38)
        return QString::number(usage - 29);
    if (usage == 39)
        return QStringLiteral("0");
    if (usage >= 58 && usage <= 69)
        return QStringLiteral("F%1").arg(usage - 57);
    if (usage >= 89 && usage <= 97)
        return QStringLiteral("Num %1").arg(usage - 88);
    return FindName(kUsageNames, usage);
}

int UsageToVirtualKey(int usage)
{
    if (usage >= 4 && usage <= 29)
        return 65 + (usage - 4);
    if (usage >= 30 && usage <= 38)
        return 49 + (usage - 30);
    if (usage == 39)
        return 48;
    if (usage >= 58 && usage <= 69)
        return 112 + (usage - 58);
    if (usage >= 89 && usage <= 97)
        return 97 + (usage - 89);
    if (usage == 98)
        return 96;
    return FindCode(kUsageToVk, usage, 0);
}

int VirtualKeyToUsage(int virtualKey)
{
    if (virtualKey >= 65 && virtualKey <= 90)
        return 4 + (virtualKey - 65);
    if (virtualKey >= 49 && virtualKey <= 57)
        return 30 + (virtualKey - 49);
    if (virtualKey == 48)
        return 39;
    if (virtualKey >= 112 && virtualKey <= 123)
        return 58 + (virtualKey - 112);
    if (virtualKey >= 124 && virtualKey <= 135)
        return 104 + (virtualKey - 124);
    if (virtualKey >= 97 && virtualKey <= 105)
        return 89 + (virtualKey - 97);
    if (virtualKey == 96)
        return 98;
    return FindCode(kVkToUsage, virtualKey, 0);
}

int ModifierBit(int code)
{
    return FindCode(kModifierBits, code, code);
}

int UsageModifierBit(int usage)
{
    if (usage >= 224 && usage <= 231)
        return 1 << (usage - 224); // left Ctrl, Shift, Alt, Win, then the right ones
    return usage;
}

bool IsModifierVirtualKey(int virtualKey)
{
    return (virtualKey >= 0xA0 && virtualKey <= 0xA5) || virtualKey == 0x5B || virtualKey == 0x5C;
}

int CapturedKeyCode(int virtualKey)
{
    switch (virtualKey) {
    case 16:
        return 160;
    case 17:
        return 162;
    case 18:
        return 164;
    default:
        return virtualKey;
    }
}

QString CapturedKeyName(int virtualKey)
{
    return FindName(kCapturedNames, virtualKey);
}

QString MouseButtonName(int code)
{
    return FindName(kMouseNames, code);
}

QString WheelUpName()
{
    return QStringLiteral("Scroll Up");
}

QString WheelDownName()
{
    return QStringLiteral("Scroll Down");
}
