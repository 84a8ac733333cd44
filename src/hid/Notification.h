#pragma once

// Decoders of the input reports that the mouse and the receiver send on their
// own: notifications (byte 1 = 0xFA) and the receiver's connection status
// (byte 0 = 0xC0). Byte positions count the report id as byte 0. Pure functions.

#include <cstdint>
#include <optional>
#include <span>

// Event codes (byte 5) the program acts on; every other code is ignored.
enum class NotificationEvent : uint8_t {
    Pairing = 0x01,         // receiver pairing; success when the argument is 1
    DpiLevelChanged = 0x02, // argument: index of the now active DPI level
    Battery = 0x03,         // arguments: level (0 = no value), status
    DeviceChanged = 0x06,   // no arguments
    TextRequest = 0x50,     // arguments: the snippet selection (first 0 = none)
};

struct Notification {
    NotificationEvent event = NotificationEvent::DeviceChanged;
    uint8_t first = 0;  // byte 6
    uint8_t second = 0; // byte 7
};

// Bytes a notification must hold (up to and including byte 7).
inline constexpr std::size_t kNotificationSize = 8;

// Nothing for a report that is no notification (byte 1 is not 0xFA), is too
// short, or carries an event code the program ignores.
std::optional<Notification> DecodeNotification(std::span<const uint8_t> report);

// The receiver's signal that pairing succeeded.
bool IsPairingSuccess(const Notification& notification);

// Connection state of a receiver's paired mouse (values of the device records).
enum class ReceiverLink : int {
    Connected = 1,
    NotConnected = 2,
};

// Decodes a 0xC0 receiver status report (byte 1 = 1: the mouse is connected);
// nothing for any other report.
std::optional<ReceiverLink> DecodeReceiverStatus(std::span<const uint8_t> report);
