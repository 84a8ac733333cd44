#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Command reports are fixed 64-byte frames, report id in byte 0. Input is read
// into 65 bytes so a report with its id always fits with room to spare.
inline constexpr size_t kHidReportSize = 64;
inline constexpr size_t kHidInputBufferSize = 65;

using HidReport = std::array<uint8_t, kHidReportSize>;
using HidInputBuffer = std::array<uint8_t, kHidInputBufferSize>;

static_assert(sizeof(HidReport) == 64, "a command report is 64 bytes on the wire");
static_assert(sizeof(HidInputBuffer) == 65, "input buffers hold a 64-byte report plus one");
