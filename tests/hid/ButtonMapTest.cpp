#include "HexBytes.h"

#include "hid/ButtonMapEncoder.h"

#include <array>

namespace {

using namespace ButtonMapEncoder;

constexpr const char* kDefaultMap = "06 12 20 00 00 "
                                    "10 01 00 00 10 02 00 00 10 04 00 00 10 10 00 00 "
                                    "10 08 00 00 10 20 00 00 10 40 00 00 1F 01 00 00 "
                                    "1F 00 00 00";

const std::array<int, 3> kMacroIds{7, 3, 12};

struct RowCase {
    int type, value, value2, value3;
    const char* bytes; // button 0 afterwards; its default is 10 01 00 00
};

void CheckButtonZero(const RowCase& c)
{
    SCOPED_TRACE(testing::Message() << "type " << c.type << " value " << c.value << " value2 "
                                    << c.value2 << " value3 " << c.value3);
    const ButtonAssignment row{0, c.type, c.value, c.value2, c.value3};
    const Report report = BuildButtonMapReport(std::span(&row, 1), kMacroIds);
    EXPECT_EQ(ToHex(std::span(report).subspan(5, 4)), ToHex(Hex(c.bytes)));
    // No other button moves.
    Report rest = report;
    std::copy_n(DefaultButtonMap().begin() + 5, 4, rest.begin() + 5);
    EXPECT_EQ(ToHex(rest), ToHex(DefaultButtonMap()));
}

TEST(ButtonMap, DefaultMap)
{
    ExpectReport(DefaultButtonMap(), kDefaultMap);
    ExpectReport(BuildButtonMapReport({}, {}), kDefaultMap);
}

TEST(ButtonMap, MouseFunctions)
{
    const RowCase cases[] = {
        {1, 1, 0, 0, "10 01 00 00"}, {1, 2, 0, 0, "10 04 00 00"}, {1, 3, 0, 0, "10 02 00 00"},
        {1, 4, 0, 0, "10 01 02 00"}, {1, 5, 0, 0, "10 10 00 00"}, {1, 6, 0, 0, "10 08 00 00"},
        {1, 7, 0, 0, "10 20 00 00"}, {1, 8, 0, 0, "10 40 00 00"}, {1, 9, 0, 0, "10 00 00 FE"},
        {1, 10, 0, 0, "10 00 00 02"}, {1, 11, 0, 0, "1F 01 00 00"}, {1, 12, 0, 0, "1F 00 00 00"},
        {1, 0, 0, 0, "10 00 00 00"}, {1, 13, 5, 5, "10 00 00 00"},
    };
    for (const RowCase& c : cases)
        CheckButtonZero(c);
}

TEST(ButtonMap, KeyboardKeys)
{
    const RowCase cases[] = {
        {2, 224, 0, 0, "20 01 00 00"}, // Left Ctrl alone goes in the modifier byte
        {2, 231, 0, 0, "20 80 00 00"}, // right Win alone
        {2, 229, 0, 0, "20 20 00 00"},
        {2, 4, 0, 0, "20 00 04 00"},    // A
        {2, 4, 3, 0, "20 03 04 00"},    // Ctrl+Shift+A
        {2, 225, 1, 0, "20 01 02 00"},  // with modifiers, a modifier key gives its bit as key
        {2, 4, 1, 229, "20 01 04 20"},  // second key a modifier: its bit
        {2, 40, 8, 41, "20 08 28 29"},  // second key a plain key: its usage
        {2, 232, 0, 0, "20 00 E8 00"},  // just past the modifier range
        {2, 0, 0, 0, "20 00 00 00"},
        // Keypad 3 and 4 share their numbers with the Win keys' virtual keys;
        // they must still go out as keypad keys.
        {2, 91, 0, 0, "20 00 5B 00"},
        {2, 92, 1, 0, "20 01 5C 00"},
        {2, 4, 0, 91, "20 00 04 5B"},
        {2, 160, 0, 164, "20 00 A0 A4"}, // usages 160+, not modifiers
    };
    for (const RowCase& c : cases)
        CheckButtonZero(c);
}

TEST(ButtonMap, Multimedia)
{
    const RowCase cases[] = {
        {4, 1, 0, 0, "30 83 01 00"}, {4, 2, 0, 0, "30 CD 00 00"}, {4, 3, 0, 0, "30 B7 00 00"},
        {4, 4, 0, 0, "30 B6 00 00"}, {4, 5, 0, 0, "30 B5 00 00"}, {4, 6, 0, 0, "30 E9 00 00"},
        {4, 7, 0, 0, "30 EA 00 00"}, {4, 8, 0, 0, "30 E2 00 00"}, {4, 12, 0, 0, "30 92 01 00"},
        {4, 13, 0, 0, "30 8A 01 00"},
        // Unknown functions keep the button's default instead of a stray usage.
        {4, 0, 0, 0, "10 01 00 00"}, {4, 9, 0, 0, "10 01 00 00"}, {4, 11, 0, 0, "10 01 00 00"},
        {4, 14, 0, 0, "10 01 00 00"},
    };
    for (const RowCase& c : cases)
        CheckButtonZero(c);
}

TEST(ButtonMap, Macros)
{
    const RowCase cases[] = {
        {5, 7, 1, 0, "60 00 01 00"},
        {5, 3, 2, 5, "60 01 02 05"},
        {5, 12, 0, 300, "60 02 00 2C"},
        {5, 99, 2, 5, "10 01 00 00"}, // deleted macro: the default stays
        {5, 0, 1, 1, "10 01 00 00"},
    };
    for (const RowCase& c : cases)
        CheckButtonZero(c);
}

TEST(ButtonMap, MacroBeyondTheImageKeepsTheDefault)
{
    std::vector<int> ids;
    for (int id = 100; id < 140; ++id)
        ids.push_back(id);
    const ButtonAssignment last{0, 5, 131, 1, 0};  // position 31: in the image
    const ButtonAssignment beyond{1, 5, 132, 1, 0}; // position 32: not uploaded
    const std::array<ButtonAssignment, 2> rows{last, beyond};
    const Report report = BuildButtonMapReport(rows, ids);
    EXPECT_EQ(ToHex(std::span(report).subspan(5, 8)), "60 1F 01 00 10 02 00 00");
}

TEST(ButtonMap, SystemShortcuts)
{
    const RowCase cases[] = {
        {7, 1, 0, 0, "20 01 1B 00"}, {7, 2, 0, 0, "20 01 06 00"}, {7, 3, 0, 0, "20 01 19 00"},
        {7, 4, 0, 0, "20 01 16 00"}, {7, 5, 0, 0, "20 01 13 00"}, {7, 6, 0, 0, "20 01 04 00"},
        {7, 7, 0, 0, "20 01 1D 00"}, {7, 8, 0, 0, "20 01 1C 00"}, {7, 9, 0, 0, "20 08 16 00"},
        {7, 10, 0, 0, "20 08 13 00"}, {7, 11, 0, 0, "20 01 2E 00"}, {7, 12, 0, 0, "20 01 2D 00"},
        {7, 13, 0, 0, "20 0A 16 00"}, {7, 14, 0, 0, "20 08 36 00"}, {7, 15, 0, 0, "20 08 0B 00"},
        {7, 16, 0, 0, "20 08 08 00"}, {7, 17, 0, 0, "20 08 15 00"}, {7, 18, 0, 0, "20 08 07 00"},
        {7, 19, 0, 0, "20 08 36 00"}, {7, 20, 0, 0, "20 04 2B 00"}, {7, 21, 0, 0, "20 04 3D 00"},
        {7, 22, 0, 0, "20 08 52 00"}, {7, 23, 0, 0, "20 08 10 00"}, {7, 24, 0, 0, "20 08 0F 00"},
        {7, 25, 0, 0, "20 03 29 00"}, {7, 26, 0, 0, "20 08 1B 00"}, {7, 27, 0, 0, "40 01 00 00"},
        {7, 28, 0, 0, "40 02 00 00"}, {7, 29, 0, 0, "40 04 00 00"}, {7, 30, 0, 0, "20 09 12 00"},
        {7, 31, 0, 0, "20 08 2E 00"}, {7, 32, 0, 0, "20 08 0A 00"}, {7, 33, 0, 0, "20 09 07 00"},
        {7, 34, 0, 0, "20 09 50 00"}, {7, 35, 0, 0, "20 09 4F 00"}, {7, 36, 0, 0, "20 09 3D 00"},
        {7, 37, 0, 0, "20 08 2B 00"},
        // Unknown shortcuts keep the default rather than press a leftover chord.
        {7, 0, 0, 0, "10 01 00 00"}, {7, 38, 0, 0, "10 01 00 00"}, {7, -1, 0, 0, "10 01 00 00"},
    };
    for (const RowCase& c : cases)
        CheckButtonZero(c);
}

TEST(ButtonMap, DisabledActionsAndOtherTypes)
{
    const RowCase cases[] = {
        {8, 0, 0, 0, "00 00 00 00"},
        {8, 5, 5, 5, "00 00 00 00"},
        {9, 4, 0, 0, "50 09 04 00"},
        {10, 17, 0, 0, "50 0A 11 00"},
        {11, 300, 0, 0, "50 0B 2C 00"},
        {0, 1, 1, 1, "10 01 00 00"},
        {3, 1, 1, 1, "10 01 00 00"},
        {6, 1, 1, 1, "10 01 00 00"},
        {12, 1, 1, 1, "10 01 00 00"},
        {-4, 1, 1, 1, "10 01 00 00"},
    };
    for (const RowCase& c : cases)
        CheckButtonZero(c);
}

TEST(ButtonMap, WholeReportWithButtonsOutsideTheFrame)
{
    const std::array<ButtonAssignment, 5> rows{{
        {8, 2, 224, 0, 0},  // Left Ctrl alone on the DPI-down button
        {13, 2, 4, 0, 0},   // the last button that fits
        {14, 2, 5, 1, 0},   // would spill past byte 63: left out
        {200, 8, 0, 0, 0},  // nonsense button numbers: left out
        {-1, 8, 0, 0, 0},
    }};
    ExpectReport(BuildButtonMapReport(rows, kMacroIds),
                 "06 12 20 00 00 "
                 "10 01 00 00 10 02 00 00 10 04 00 00 10 10 00 00 "
                 "10 08 00 00 10 20 00 00 10 40 00 00 1F 01 00 00 "
                 "20 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                 "00 00 00 00 20 00 04 00 00 00 00");
}

TEST(ButtonMap, LaterRowForTheSameButtonWins)
{
    const std::array<ButtonAssignment, 2> rows{{{2, 8, 0, 0, 0}, {2, 1, 5, 0, 0}}};
    const Report report = BuildButtonMapReport(rows, {});
    EXPECT_EQ(ToHex(std::span(report).subspan(13, 4)), "10 10 00 00");
}

} // namespace
