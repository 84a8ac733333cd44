#include "hid/ButtonMapEncoder.h"

#include "editors/KeyCodes.h"

#include <algorithm>
#include <array>
#include <utility>

namespace ButtonMapEncoder {

namespace {

constexpr std::size_t kFirstButtonByte = 5;

constexpr uint8_t kMouseButtonFunction = 0x10;
constexpr uint8_t kDpiFunction = 0x1F;
constexpr uint8_t kKeyFunction = 0x20;
constexpr uint8_t kConsumerFunction = 0x30;
constexpr uint8_t kShortcutFunction = 0x40;
constexpr uint8_t kActionFunction = 0x50;
constexpr uint8_t kMacroFunction = 0x60;

constexpr std::array<std::array<uint8_t, 4>, 9> kDefaultButtons{{
    {0x10, 0x01, 0x00, 0x00}, // left
    {0x10, 0x02, 0x00, 0x00}, // right
    {0x10, 0x04, 0x00, 0x00}, // middle
    {0x10, 0x10, 0x00, 0x00}, // forward
    {0x10, 0x08, 0x00, 0x00}, // back
    {0x10, 0x20, 0x00, 0x00},
    {0x10, 0x40, 0x00, 0x00},
    {0x1F, 0x01, 0x00, 0x00}, // DPI function 1
    {0x1F, 0x00, 0x00, 0x00}, // DPI function 0
}};

// Consumer-page usages of the multimedia functions.
constexpr std::pair<int, uint16_t> kConsumerUsages[] = {
    {1, 0x0183}, {2, 0x00CD}, {3, 0x00B7}, {4, 0x00B6}, {5, 0x00B5},
    {6, 0x00E9}, {7, 0x00EA}, {8, 0x00E2}, {12, 0x0192}, {13, 0x018A},
};

struct Shortcut {
    int value;
    uint8_t modifiers; // 0x01 Ctrl, 0x02 Shift, 0x04 Alt, 0x08 Win
    uint8_t usage;
};

// System shortcuts sent as key chords (copy, paste, show desktop, ...).
constexpr Shortcut kShortcuts[] = {
    {1, 0x01, 0x1B}, {2, 0x01, 0x06}, {3, 0x01, 0x19}, {4, 0x01, 0x16}, {5, 0x01, 0x13},
    {6, 0x01, 0x04}, {7, 0x01, 0x1D}, {8, 0x01, 0x1C}, {9, 0x08, 0x16}, {10, 0x08, 0x13},
    {11, 0x01, 0x2E}, {12, 0x01, 0x2D}, {13, 0x0A, 0x16}, {14, 0x08, 0x36}, {15, 0x08, 0x0B},
    {16, 0x08, 0x08}, {17, 0x08, 0x15}, {18, 0x08, 0x07}, {19, 0x08, 0x36}, {20, 0x04, 0x2B},
    {21, 0x04, 0x3D}, {22, 0x08, 0x52}, {23, 0x08, 0x10}, {24, 0x08, 0x0F}, {25, 0x03, 0x29},
    {26, 0x08, 0x1B}, {30, 0x09, 0x12}, {31, 0x08, 0x2E}, {32, 0x08, 0x0A}, {33, 0x09, 0x07},
    {34, 0x09, 0x50}, {35, 0x09, 0x4F}, {36, 0x09, 0x3D}, {37, 0x08, 0x2B},
};

uint8_t Low(int value)
{
    return static_cast<uint8_t>(static_cast<unsigned>(value) & 0xFFu);
}

void EncodeMouseFunction(int value, std::span<uint8_t, 4> b)
{
    b[0] = kMouseButtonFunction;
    b[1] = b[2] = b[3] = 0;
    switch (value) {
    case 1: b[1] = 0x01; break;
    case 2: b[1] = 0x04; break;
    case 3: b[1] = 0x02; break;
    case 4: b[1] = 0x01; b[2] = 0x02; break;
    case 5: b[1] = 0x10; break;
    case 6: b[1] = 0x08; break;
    case 7: b[1] = 0x20; break;
    case 8: b[1] = 0x40; break;
    case 9: b[3] = 0xFE; break;
    case 10: b[3] = 0x02; break;
    case 11: b[0] = kDpiFunction; b[1] = 0x01; break;
    case 12: b[0] = kDpiFunction; b[1] = 0x00; break;
    default: break; // a mouse button with no bits: the button does nothing
    }
}

// The keys of an assignment are usage codes. ModifierBit also accepts virtual
// keys and would turn keypad 3 and 4 (usages 91, 92) into the Win bits, sending
// a different key; the usage-only conversion keeps them.
void EncodeKey(const ButtonAssignment& a, std::span<uint8_t, 4> b)
{
    b[0] = kKeyFunction;
    if (a.value2 == 0 && a.value >= 224 && a.value <= 231) {
        // A modifier alone travels in the modifier byte, not as a key.
        b[1] = Low(UsageModifierBit(a.value));
        b[2] = 0;
    } else {
        b[1] = Low(a.value2);
        b[2] = Low(UsageModifierBit(a.value));
    }
    b[3] = Low(UsageModifierBit(a.value3));
}

void EncodeMultimedia(int value, std::span<uint8_t, 4> b)
{
    for (const auto& [function, usage] : kConsumerUsages) {
        if (function == value) {
            b[0] = kConsumerFunction;
            b[1] = static_cast<uint8_t>(usage & 0xFF);
            b[2] = static_cast<uint8_t>(usage >> 8);
            return;
        }
    }
    // An unknown function would otherwise go out as a consumer usage made of
    // whatever the button held before; the button keeps its default instead.
}

void EncodeMacro(const ButtonAssignment& a, std::span<const int> macroIds, std::span<uint8_t, 4> b)
{
    const auto found = std::find(macroIds.begin(), macroIds.end(), a.value);
    if (found == macroIds.end())
        return; // a deleted macro: the button keeps its default
    const auto position = found - macroIds.begin();
    if (position > kMaxMacroPosition)
        return; // not in the uploaded image, so the mouse could not play it
    b[0] = kMacroFunction;
    b[1] = static_cast<uint8_t>(position);
    b[2] = Low(a.value2);
    b[3] = Low(a.value3);
}

void EncodeShortcut(int value, std::span<uint8_t, 4> b)
{
    if (value >= 27 && value <= 29) {
        b[0] = kShortcutFunction;
        b[1] = static_cast<uint8_t>(1u << (value - 27)); // 0x01, 0x02, 0x04
        b[2] = 0;
        return;
    }
    for (const Shortcut& shortcut : kShortcuts) {
        if (shortcut.value == value) {
            b[0] = kKeyFunction;
            b[1] = shortcut.modifiers;
            b[2] = shortcut.usage;
            return;
        }
    }
    // Unknown shortcut: keep the default rather than send a stray key chord.
}

} // namespace

Report DefaultButtonMap()
{
    Report report{};
    report[0] = kCommandReportId;
    report[1] = static_cast<uint8_t>(Command::ButtonMap);
    report[2] = 0x20;
    for (std::size_t button = 0; button < kDefaultButtons.size(); ++button)
        std::copy(kDefaultButtons[button].begin(), kDefaultButtons[button].end(),
                  report.begin() + kFirstButtonByte + 4 * button);
    return report;
}

void EncodeAssignment(const ButtonAssignment& assignment, std::span<const int> macroIds,
                      std::span<uint8_t, 4> bytes)
{
    switch (static_cast<ButtonFunction>(assignment.funcType)) {
    case ButtonFunction::Mouse:
        EncodeMouseFunction(assignment.value, bytes);
        break;
    case ButtonFunction::Keyboard:
        EncodeKey(assignment, bytes);
        break;
    case ButtonFunction::Multimedia:
        EncodeMultimedia(assignment.value, bytes);
        break;
    case ButtonFunction::Macro:
        EncodeMacro(assignment, macroIds, bytes);
        break;
    case ButtonFunction::SystemShortcut:
        EncodeShortcut(assignment.value, bytes);
        break;
    case ButtonFunction::Disabled:
        std::fill(bytes.begin(), bytes.end(), uint8_t{0});
        break;
    case ButtonFunction::Program:
    case ButtonFunction::WebAddress:
    case ButtonFunction::TextSnippet:
        // The mouse only reports the press; the program runs the action.
        bytes[0] = kActionFunction;
        bytes[1] = static_cast<uint8_t>(assignment.funcType);
        bytes[2] = Low(assignment.value);
        break;
    default:
        break;
    }
}

Report BuildButtonMapReport(std::span<const ButtonAssignment> assignments,
                            std::span<const int> macroIds)
{
    Report report = DefaultButtonMap();
    for (const ButtonAssignment& assignment : assignments) {
        if (assignment.keyCode < 0 || assignment.keyCode > kMaxButton)
            continue;
        const std::size_t first = kFirstButtonByte + 4 * static_cast<std::size_t>(assignment.keyCode);
        EncodeAssignment(assignment, macroIds, std::span<uint8_t, 4>(report.data() + first, 4));
    }
    return report;
}

} // namespace ButtonMapEncoder
