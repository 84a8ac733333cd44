#pragma once

// The 64-byte frame of every command written to the mouse's command interface.
// Byte 0 is the report id, byte 1 the command code; bytes a command does not
// set are zero. Replies and notifications are read into the same shape, with
// byte 0 holding the report id, so byte positions count the id on both sides.

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr std::size_t kReportSize = 64;

using Report = std::array<uint8_t, kReportSize>;
static_assert(sizeof(Report) == 64, "a command report is exactly 64 bytes on the wire");

// The report id of the command interface (usage page 0xFFB2, usage 1).
inline constexpr uint8_t kCommandReportId = 0x06;

// Command codes (byte 1).
enum class Command : uint8_t {
    DeviceInfo = 0x05,   // status and settings read-back; reply used
    ReceiverInfo = 0x07, // receiver firmware version; reply used
    Restore = 0x0F,      // restore defaults; no reply read
    FollowUpA = 0x10,    // read-back epilogue; reply read and discarded
    FollowUpB = 0x11,
    ButtonMap = 0x12,
    SetParameter = 0x13,
    MacroData = 0x31,
};

// Byte 1 of an input report that the mouse or receiver sends on its own.
inline constexpr uint8_t kNotificationMarker = 0xFA;
// Byte 0 of the receiver's connection status report.
inline constexpr uint8_t kReceiverStatusReportId = 0xC0;
