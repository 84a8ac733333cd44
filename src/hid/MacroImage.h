#pragma once

// The macro image: every macro packed into one block of at most 4000 bytes,
// sent to the mouse in 59-byte pieces with command 0x31. Pure functions.
//
// Layout: a 64-byte directory (for macro position p, the 16-bit offset of its
// records at bytes 2p and 2p + 1, low byte first; 0 when there is no macro), then
// the macros one after the other. Each macro is a run of 4-byte event records
// (delay low, delay high, kind, code) closed by an end record and 4 zero bytes.

#include "hid/Report.h"

#include <QString>

#include <cstdint>
#include <span>
#include <vector>

// One stored macro event (the store's `MacroStep`: type, value, delay_time, desc).
struct MacroEvent {
    int type = 0;  // 2 key down, 3 key up, 4 button down, 5 button up, 6 wheel
                   // up, 7 wheel down, 8..12 firmware functions
    int value = 0; // virtual key (2, 3), recorded mouse code (4, 5), argument (8..12)
    int delay = 0; // milliseconds of pause after the event
    QString text;  // what the editor shows; "Scroll Up"/"Scroll Down" in it marks a wheel
};

struct MacroImage {
    std::vector<uint8_t> bytes; // the used part of the image, directory included
    int macrosWritten = 0;      // macros with events that made it into the image
    // Macros with events that were left out: beyond the 32 the directory holds,
    // or not fitting whole into the 4000 bytes. A macro is never cut short: a
    // truncated macro would run without its end record and could leave keys held.
    int macrosLeftOut = 0;
};

namespace MacroImageEncoder {

inline constexpr std::size_t kDirectorySize = 64;
inline constexpr int kMaxMacros = 32;
inline constexpr std::size_t kCapacity = 4000;
inline constexpr std::size_t kPieceSize = 59;
inline constexpr int kFirstEventDelay = 10;
inline constexpr int kMinEndDelay = 10;
inline constexpr int kMaxEndDelay = 10000;

// The events of a macro as uploaded: the stored events, then one release (type
// 3, delay 10, text "自动补全释放") for every key whose last key event is a press,
// in the order of those presses. The stored macro itself is not changed.
std::vector<MacroEvent> CompleteReleases(std::span<const MacroEvent> events);

// Packs the macros (in macro-list order, each its stored events in record
// order); releases are completed here. An image without macros is the bare
// 64-byte directory.
MacroImage BuildMacroImage(std::span<const std::vector<MacroEvent>> macros);

// The 0x31 reports of an image: L / 59 + 1 pieces for L bytes; piece k carries
// bytes 59k .. 59k + 58 (zero past the end) at offset 59k with length 59, except
// the last, whose length is L - 59 * (L / 59) (0 when L is a multiple of 59).
// Bytes past the 4000 the mouse holds are not sent.
std::vector<Report> SplitIntoReports(std::span<const uint8_t> image);

} // namespace MacroImageEncoder
