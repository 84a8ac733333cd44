// Random macro lists against the image's structural promises: every directory
// entry of a written macro leads to its records and an end record inside the
// image, nothing passes 4000 bytes, and the pieces put back together give the
// image again.

#include "HexBytes.h"

#include "hid/MacroImage.h"

#include <random>

namespace {

using namespace MacroImageEncoder;

using Macro = std::vector<MacroEvent>;

Macro RandomMacro(std::mt19937& rng)
{
    std::uniform_int_distribution<int> count(0, 200);
    std::uniform_int_distribution<int> type(0, 13);
    std::uniform_int_distribution<int> key(0, 0x1FF);
    std::uniform_int_distribution<int> delay(-100, 40000);
    std::uniform_int_distribution<int> text(0, 3);
    const char* texts[] = {"", "↓  Scroll Up", "↑  Scroll Down", "↓  LB"};
    Macro macro(static_cast<std::size_t>(count(rng)));
    for (MacroEvent& event : macro)
        event = MacroEvent{type(rng), key(rng), delay(rng), QString::fromUtf8(texts[text(rng)])};
    return macro;
}

int EncodableEvents(const Macro& macro)
{
    int n = 0;
    for (const MacroEvent& event : CompleteReleases(macro))
        n += event.type >= 2 && event.type <= 12 ? 1 : 0;
    return n;
}

TEST(MacroImageProperties, RandomMacroLists)
{
    std::mt19937 rng(20261209);
    std::uniform_int_distribution<int> macroCount(0, 40);
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        std::vector<Macro> macros(static_cast<std::size_t>(macroCount(rng)));
        for (Macro& macro : macros)
            macro = RandomMacro(rng);
        const MacroImage image = BuildMacroImage(macros);

        ASSERT_GE(image.bytes.size(), kDirectorySize);
        ASSERT_LE(image.bytes.size(), kCapacity);

        int written = 0;
        int leftOut = 0;
        for (std::size_t p = 0; p < macros.size(); ++p) {
            if (macros[p].empty())
                continue;
            const std::size_t entry =
                p < 32 ? image.bytes[2 * p] | (image.bytes[2 * p + 1] << 8) : 0;
            if (entry == 0) {
                ++leftOut;
                continue;
            }
            ++written;
            // Walk the records: exactly the macro's encodable events, then the end.
            const std::size_t records = static_cast<std::size_t>(EncodableEvents(macros[p]));
            const std::size_t end = entry + 4 * records;
            ASSERT_LE(end + 4, image.bytes.size() + 0u);
            for (std::size_t at = entry; at < end; at += 4)
                ASSERT_NE(image.bytes[at + 2], 0x83) << "early end record at " << at;
            EXPECT_EQ(image.bytes[end + 2], 0x83);
            EXPECT_EQ(image.bytes[end + 3], 0x01);
            const int endDelay = image.bytes[end] | (image.bytes[end + 1] << 8);
            EXPECT_GE(endDelay, 10);
            EXPECT_LE(endDelay, 10000);
        }
        EXPECT_EQ(image.macrosWritten, written);
        EXPECT_EQ(image.macrosLeftOut, leftOut);

        // The pieces give back the image.
        std::vector<uint8_t> joined;
        const std::vector<Report> pieces = SplitIntoReports(image.bytes);
        ASSERT_EQ(pieces.size(), image.bytes.size() / 59 + 1);
        for (std::size_t k = 0; k < pieces.size(); ++k) {
            const Report& piece = pieces[k];
            ASSERT_EQ(piece[0], 0x06);
            ASSERT_EQ(piece[1], 0x31);
            ASSERT_EQ(std::size_t(piece[3] | (piece[4] << 8)), 59 * k);
            joined.insert(joined.end(), piece.begin() + 5, piece.begin() + 5 + piece[2]);
        }
        EXPECT_EQ(joined, image.bytes);
    }
}

} // namespace
