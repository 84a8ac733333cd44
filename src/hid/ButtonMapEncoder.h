#pragma once

// Encoder of the button-map report (command 0x12): the default map with every
// assignment of the current profile (function layer 0) encoded over its button's
// four bytes. Pure functions.

#include "hid/Report.h"

#include <cstdint>
#include <span>

// Function types of a button assignment.
enum class ButtonFunction : int {
    Restore = 0,
    Mouse = 1,
    Keyboard = 2,
    Multimedia = 4,
    Macro = 5,
    SystemShortcut = 7,
    Disabled = 8,
    Program = 9,
    WebAddress = 10,
    TextSnippet = 11,
};

// One stored assignment, as far as the wire cares (the store's `KeyAssignment`
// converts field for field: key_code, macro_type, macro_value, macro_value2,
// macro_value3).
struct ButtonAssignment {
    int keyCode = 0;  // the button
    int funcType = 0; // a ButtonFunction value; unknown types leave the bytes alone
    int value = 0;
    int value2 = 0;
    int value3 = 0;
};

namespace ButtonMapEncoder {

// Buttons whose four bytes fit the 64-byte report whole.
inline constexpr int kMaxButton = 13;
// The macro image holds this many macros; a button can only name one of them.
inline constexpr int kMaxMacroPosition = 31;

// The report with only the default map: buttons 0..6 mouse buttons, 7 and 8 the
// DPI functions.
Report DefaultButtonMap();

// Encodes one assignment over `bytes` (B0..B3 of its button); a byte a case does
// not set keeps its content. `macroIds` is the macro list in row order: a macro
// assignment names its macro by id and goes out as the macro's position.
void EncodeAssignment(const ButtonAssignment& assignment, std::span<const int> macroIds,
                      std::span<uint8_t, 4> bytes);

// The whole report: default map, then every assignment of buttons 0..13 in the
// order given. Assignments of other buttons are left out.
Report BuildButtonMapReport(std::span<const ButtonAssignment> assignments,
                            std::span<const int> macroIds);

} // namespace ButtonMapEncoder
