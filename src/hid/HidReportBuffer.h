#pragma once

#include "hid/Report.h"

#include <array>
#include <cstddef>
#include <cstdint>

// Command reports are fixed 64-byte frames, report id in byte 0. Input is read
// into 65 bytes so a report with its id always fits with room to spare.
inline constexpr size_t kHidReportSize = kReportSize;
inline constexpr size_t kHidInputBufferSize = kHidReportSize + 1;

using HidReport = Report;
using HidInputBuffer = std::array<uint8_t, kHidInputBufferSize>;

static_assert(sizeof(HidInputBuffer) == 65, "input buffers hold a 64-byte report plus one");
