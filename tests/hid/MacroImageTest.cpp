#include "HexBytes.h"

#include "hid/MacroImage.h"

#include <string>

namespace {

using namespace MacroImageEncoder;

using Macro = std::vector<MacroEvent>;

MacroEvent Ev(int type, int value, int delay, const char* text = "")
{
    return MacroEvent{type, value, delay, QString::fromUtf8(text)};
}

const std::string kZeros60 = " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
                             " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
                             " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";

// The records of the macros of one image, after the directory.
std::string Records(const MacroImage& image)
{
    return ToHex(std::span(image.bytes).subspan(kDirectorySize));
}

std::string Directory(const MacroImage& image, std::size_t entries)
{
    return ToHex(std::span(image.bytes).first(2 * entries));
}

TEST(MacroImage, TwoMacrosInTwoPieces)
{
    const std::vector<Macro> macros = {
        {Ev(2, 65, 20, "↓  A"), Ev(3, 65, 30, "↑  A"), Ev(4, 1, 40, "↓  LB")},
        {Ev(5, 2, 0, "↑  RB")},
    };
    const MacroImage image = BuildMacroImage(macros);
    ASSERT_EQ(image.bytes.size(), 96u);
    EXPECT_EQ(ToHex(image.bytes),
              ToHex(Hex("40 00 54 00" + kZeros60 +
                        // first macro: delays carried from the event before
                        " 0A 00 42 04 14 00 02 04 1E 00 43 01 28 00 83 01 00 00 00 00"
                        // second: end delay 0 becomes 10
                        " 0A 00 03 02 0A 00 83 01 00 00 00 00")));
    EXPECT_EQ(image.macrosWritten, 2);
    EXPECT_EQ(image.macrosLeftOut, 0);

    const std::vector<Report> pieces = SplitIntoReports(image.bytes);
    ASSERT_EQ(pieces.size(), 2u);
    ExpectReport(pieces[0], "06 31 3B 00 00 40 00 54 00");
    ExpectReport(pieces[1], "06 31 25 3B 00 00 00 00 00 00"
                            " 0A 00 42 04 14 00 02 04 1E 00 43 01 28 00 83 01 00 00 00 00"
                            " 0A 00 03 02 0A 00 83 01 00 00 00 00");
}

TEST(MacroImage, EmptyMacroSharesTheNextEntry)
{
    const std::vector<Macro> macros = {
        {Ev(2, 65, 10), Ev(3, 65, 10)},
        {},
        {Ev(6, 1, 10, "Scroll Up")},
    };
    const MacroImage image = BuildMacroImage(macros);
    EXPECT_EQ(Directory(image, 4), "40 00 50 00 50 00 00 00");
    EXPECT_EQ(Records(image), ToHex(Hex("0A 00 42 04 0A 00 02 04 0A 00 83 01 00 00 00 00"
                                        " 00 00 44 01 0A 00 83 01 00 00 00 00")));
    EXPECT_EQ(image.bytes.size(), 92u);
    EXPECT_EQ(image.macrosWritten, 2);
}

TEST(MacroImage, HeldKeyIsReleasedForTheUploadOnly)
{
    const Macro stored = {Ev(2, 65, 50, "↓  A")};
    const MacroImage image = BuildMacroImage(std::vector<Macro>{stored});
    EXPECT_EQ(Records(image), ToHex(Hex("0A 00 42 04 32 00 02 04 0A 00 83 01 00 00 00 00")));

    const std::vector<MacroEvent> completed = CompleteReleases(stored);
    ASSERT_EQ(completed.size(), 2u);
    EXPECT_EQ(completed[1].type, 3);
    EXPECT_EQ(completed[1].value, 65);
    EXPECT_EQ(completed[1].delay, 10);
    EXPECT_EQ(completed[1].text, QString::fromUtf8("自动补全释放"));
}

TEST(MacroImage, ReleasesCompletedPerKeyInPressOrder)
{
    const Macro stored = {
        Ev(2, 65, 10), Ev(3, 65, 10), Ev(2, 65, 10), // A pressed again: held
        Ev(2, 160, 10),                              // Shift held
        Ev(2, 66, 10), Ev(3, 66, 10),                // B released
        Ev(3, 67, 10),                               // a release without press
        Ev(4, 1, 10),                                // buttons are not completed
    };
    const std::vector<MacroEvent> completed = CompleteReleases(stored);
    ASSERT_EQ(completed.size(), stored.size() + 2);
    EXPECT_EQ(completed[stored.size()].value, 65);
    EXPECT_EQ(completed[stored.size() + 1].value, 160);
    for (std::size_t i = stored.size(); i < completed.size(); ++i)
        EXPECT_EQ(completed[i].type, 3);

    const Macro balanced = {Ev(2, 65, 10), Ev(3, 65, 10), Ev(5, 1, 10)};
    EXPECT_EQ(CompleteReleases(balanced).size(), balanced.size());
    EXPECT_TRUE(CompleteReleases({}).empty());
}

TEST(MacroImage, EventKinds)
{
    const struct {
        MacroEvent event;
        const char* record; // with the first event's delay of 10
    } cases[] = {
        {Ev(2, 160, 10), "0A 00 41 02"},  // left Shift down
        {Ev(3, 165, 10), "0A 00 01 40"},  // right Alt up
        {Ev(2, 91, 10), "0A 00 41 08"},   // left Win
        {Ev(3, 92, 10), "0A 00 01 80"},   // right Win
        {Ev(2, 162, 10), "0A 00 41 01"},
        {Ev(2, 163, 10), "0A 00 41 10"},
        {Ev(2, 16, 10), "0A 00 41 02"},   // generic Shift, Ctrl, Alt play as the left keys
        {Ev(3, 17, 10), "0A 00 01 01"},
        {Ev(2, 18, 10), "0A 00 41 04"},
        {Ev(2, 20, 10), "0A 00 42 39"},   // Caps Lock
        {Ev(2, 400, 10), "0A 00 42 00"},  // no usage: a record for no key
        {Ev(2, 13, 10), "0A 00 42 28"},   // Enter
        {Ev(3, 302, 10), "0A 00 02 EB"},
        {Ev(4, 4, 10, "↓  MB"), "0A 00 43 04"},
        {Ev(5, 0x108, 10, "↑  Backward"), "0A 00 03 08"},
        {Ev(4, 1, 10, "↓  Scroll Up"), "0A 00 44 01"},
        {Ev(5, 1, 10, "↑  Scroll Up"), "0A 00 44 01"},
        {Ev(4, 255, 10, "↓  Scroll Down"), "0A 00 44 FF"},
        {Ev(5, 2, 10, "Scroll Down"), "0A 00 44 FF"},
        {Ev(6, 1, 10, "Scroll Up"), "00 00 44 01"},
        {Ev(7, 255, 10, "Scroll Down"), "00 00 44 FF"},
        {Ev(8, 0x1234, 10), "00 00 06 34"},
        {Ev(9, 3, 10), "00 00 06 03"},
        {Ev(10, 0xFF, 10), "00 00 06 FF"},
        {Ev(11, 0, 10), "00 00 06 00"},
        {Ev(12, 0x0385, 10), "00 80 06 53"}, // bit 7 of the low byte
        {Ev(12, 0x8F21, 10), "00 40 06 1F"}, // bit 7 of the second byte
        {Ev(12, 0x0000, 10), "00 00 06 00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.record);
        const MacroImage image = BuildMacroImage(std::vector<Macro>{{c.event}});
        ASSERT_GE(image.bytes.size(), 68u);
        EXPECT_EQ(ToHex(std::span(image.bytes).subspan(64, 4)), c.record);
    }
}

TEST(MacroImage, OnlyPressesAndReleasesCarryTheirDelay)
{
    const Macro macro = {
        Ev(2, 65, 100), Ev(6, 1, 999), Ev(12, 0, 777), Ev(3, 65, 5),
    };
    const MacroImage image = BuildMacroImage(std::vector<Macro>{macro});
    EXPECT_EQ(Records(image), ToHex(Hex("0A 00 42 04 00 00 44 01 00 00 06 00 64 00 02 04"
                                        " 0A 00 83 01 00 00 00 00")));
}

TEST(MacroImage, EndDelayIsClamped)
{
    const struct {
        int delay;
        const char* end;
    } cases[] = {
        {-5, "0A 00 83 01"}, {0, "0A 00 83 01"}, {9, "0A 00 83 01"}, {10, "0A 00 83 01"},
        {500, "F4 01 83 01"}, {10000, "10 27 83 01"}, {31000, "10 27 83 01"},
    };
    for (const auto& c : cases) {
        const MacroImage image = BuildMacroImage(std::vector<Macro>{{Ev(4, 1, c.delay), Ev(5, 1, c.delay)}});
        EXPECT_EQ(ToHex(std::span(image.bytes).subspan(72, 8)), ToHex(Hex(std::string(c.end) + " 00 00 00 00")))
            << c.delay;
    }
}

TEST(MacroImage, EventDelaysStayWithinSixteenBits)
{
    const Macro macro = {Ev(4, 1, 70000), Ev(5, 1, -3), Ev(4, 1, 31000)};
    const MacroImage image = BuildMacroImage(std::vector<Macro>{macro});
    EXPECT_EQ(Records(image), ToHex(Hex("0A 00 43 01 FF FF 03 01 00 00 43 01 10 27 83 01 00 00 00 00")));
}

TEST(MacroImage, UnknownEventTypesWriteNothing)
{
    const Macro macro = {Ev(0, 1, 10), Ev(1, 1, 10), Ev(13, 1, 10), Ev(4, 2, 20)};
    const MacroImage image = BuildMacroImage(std::vector<Macro>{macro});
    EXPECT_EQ(Records(image), ToHex(Hex("0A 00 43 02 14 00 83 01 00 00 00 00")));
}

TEST(MacroImage, NoMacrosIsTheBareDirectory)
{
    const MacroImage image = BuildMacroImage({});
    EXPECT_EQ(image.bytes, std::vector<uint8_t>(64, 0));
    const std::vector<Report> pieces = SplitIntoReports(image.bytes);
    ASSERT_EQ(pieces.size(), 2u);
    ExpectReport(pieces[0], "06 31 3B 00 00");
    ExpectReport(pieces[1], "06 31 05 3B 00");
}

Macro KeyPresses(int events)
{
    Macro macro;
    for (int i = 0; i < events; ++i)
        macro.push_back(Ev(i % 2 == 0 ? 2 : 3, 65, 10));
    return macro;
}

Macro WheelTurns(int events)
{
    return Macro(static_cast<std::size_t>(events), Ev(6, 1, 10, "Scroll Up"));
}

TEST(MacroImage, FillsExactlyToTheCap)
{
    // Four full macros take 4 x 808 bytes; 175 more events end the records at 4000.
    std::vector<Macro> macros(4, KeyPresses(200));
    macros.push_back(WheelTurns(175));
    const MacroImage image = BuildMacroImage(macros);
    EXPECT_EQ(image.bytes.size(), 4000u);
    EXPECT_EQ(image.macrosWritten, 5);
    EXPECT_EQ(image.macrosLeftOut, 0);
    EXPECT_EQ(Directory(image, 6), "40 00 68 03 90 06 B8 09 E0 0C 00 00");
    EXPECT_EQ(ToHex(std::span(image.bytes).last(4)), "0A 00 83 01");

    const std::vector<Report> pieces = SplitIntoReports(image.bytes);
    ASSERT_EQ(pieces.size(), 68u);
    EXPECT_EQ(ToHex(std::span(pieces[66]).first(5)), "06 31 3B 36 0F");
    // The last piece: offset 3953, 47 bytes, ending with the end record.
    EXPECT_EQ(ToHex(std::span(pieces[67]).first(5)), "06 31 2F 71 0F");
    EXPECT_EQ(ToHex(std::span(pieces[67]).subspan(5 + 43, 4)), "0A 00 83 01");
    EXPECT_EQ(ToHex(std::span(pieces[67]).subspan(5 + 47)), ToHex(std::vector<uint8_t>(12, 0)));
}

TEST(MacroImage, MacroThatDoesNotFitWholeIsLeftOut)
{
    std::vector<Macro> macros(4, KeyPresses(200));
    macros.push_back(WheelTurns(176)); // records would end at 4004
    macros.push_back(WheelTurns(1));   // would fit, but nothing follows a gap
    macros.push_back({});
    const MacroImage image = BuildMacroImage(macros);
    EXPECT_EQ(image.bytes.size(), 3296u);
    EXPECT_EQ(image.macrosWritten, 4);
    EXPECT_EQ(image.macrosLeftOut, 2);
    EXPECT_EQ(Directory(image, 8), "40 00 68 03 90 06 B8 09 00 00 00 00 00 00 00 00");
    EXPECT_EQ(ToHex(std::span(image.bytes).last(8)), "0A 00 83 01 00 00 00 00");
}

TEST(MacroImage, AtMostThirtyTwoMacros)
{
    std::vector<Macro> macros(33, Macro{Ev(4, 1, 10)});
    const MacroImage image = BuildMacroImage(macros);
    EXPECT_EQ(image.macrosWritten, 32);
    EXPECT_EQ(image.macrosLeftOut, 1);
    // 64 + 32 x 12
    EXPECT_EQ(image.bytes.size(), 448u);
    EXPECT_EQ(ToHex(std::span(image.bytes).subspan(62, 2)), "B4 01");
}

TEST(MacroPieces, ExactMultipleEndsWithAnEmptyPiece)
{
    std::vector<uint8_t> image(118);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i + 1);
    const std::vector<Report> pieces = SplitIntoReports(image);
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(ToHex(std::span(pieces[0]).first(7)), "06 31 3B 00 00 01 02");
    EXPECT_EQ(pieces[0][63], 59);
    EXPECT_EQ(ToHex(std::span(pieces[1]).first(7)), "06 31 3B 3B 00 3C 3D");
    EXPECT_EQ(pieces[1][63], 118);
    ExpectReport(pieces[2], "06 31 00 76 00");
}

TEST(MacroPieces, PieceCounts)
{
    const std::pair<std::size_t, std::size_t> cases[] = {
        {0, 1}, {1, 1}, {58, 1}, {59, 2}, {64, 2}, {117, 2}, {118, 3}, {3999, 68}, {4000, 68},
        {5000, 68}, // nothing past the mouse's 4000 bytes goes out
    };
    for (const auto& [length, count] : cases) {
        const std::vector<uint8_t> image(length, 0xAA);
        const std::vector<Report> pieces = SplitIntoReports(image);
        ASSERT_EQ(pieces.size(), count) << length;
        const std::size_t sent = std::min<std::size_t>(length, 4000);
        EXPECT_EQ(pieces.back()[2], sent - 59 * (sent / 59)) << length;
    }
}

} // namespace
