#pragma once

// Decoders of the replies to the device-information (0x05) and
// receiver-information (0x07) queries. Byte positions count the report id as
// byte 0. Pure functions.

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

// Connection kind (reply byte 11) of a mouse answering for itself; any other
// kind means the receiver answered for it.
inline constexpr int kConnectionKindMouse = 3;

// Everything the device-information reply carries.
struct DeviceStatus {
    uint16_t word5 = 0;              // bytes 5..6, meaning is the firmware's
    uint16_t word7 = 0;              // bytes 7..8, meaning is the firmware's
    uint8_t versionPatch = 0;        // byte 9: third part, shown in decimal
    uint8_t versionMajorMinor = 0;   // byte 10: first and second part as hex digits
    uint8_t connectionKind = 0;      // byte 11
    bool mouseReachable = false;     // byte 12 != 0; 0 = only the receiver answered
    uint8_t batteryLevel = 0;        // byte 13
    uint8_t batteryStatus = 0;       // byte 14
    uint8_t byte16 = 0;              // meaning is the firmware's
    uint8_t activeDpiIndex = 0;      // byte 17
    std::array<uint16_t, 6> dpiSteps{}; // bytes 18..29 as sent: DPI / 50 - 1
    std::array<int, 6> dpi{};        // the DPI of each level: (step + 1) * 50
    uint8_t reportRate = 0;          // byte 30, `report_rate`
    uint8_t reportFlag = 0;          // byte 31, `report_flag`
    uint8_t scrollFlag = 0;          // byte 32, `scroll_flag`
    uint8_t liftoffHeight = 0;       // byte 33, `liftoff_height`
    uint8_t sensorFlag = 0;          // byte 34, `sensor_flag`
    uint8_t highspeedMode = 0;       // byte 35, `highspeed_mode`
    uint8_t buttonRespondTime = 0;   // byte 36, `button_respondtime`
    uint16_t lightSleep = 0;         // bytes 37..38, `light_sleep`
    uint16_t deepSleep = 0;          // bytes 39..40, `deep_sleep`

    // Both version bytes present: the read-back stops retrying.
    bool HasCompleteVersion() const { return versionPatch != 0 && versionMajorMinor != 0; }
    // At least one version byte present: the reply is accepted after the last
    // attempt (only both bytes zero means no answer).
    bool HasAnyVersion() const { return versionPatch != 0 || versionMajorMinor != 0; }
};

// Bytes a reply must hold to be decoded (up to and including byte 40).
inline constexpr std::size_t kDeviceStatusReplySize = 41;

// Decodes a device-information reply; nothing when it is shorter than
// kDeviceStatusReplySize.
std::optional<DeviceStatus> DecodeDeviceStatus(std::span<const uint8_t> reply);

// "%s.%s.%d": the two hexadecimal digits of `majorMinor` (lower case) and
// `patch` in decimal; 0x12 and 3 give "1.2.3".
QString FirmwareVersionText(uint8_t majorMinor, uint8_t patch);

// The version an interface's HID release number carries: the first and second
// part in the high byte, the third in the low byte, as FirmwareVersionText
// writes them: 0x1203 gives "1.2.3".
QString ReleaseVersionText(int32_t release);

// "%s: %s" - the label (an interface text) before a version text.
QString LabelledVersionText(const QString& label, const QString& version);

// The configuration keys a successful read-back stores, in the order they are
// stored, with their values as the decimal text the store holds:
// dpi_group0_value .. dpi_group5_value (the DPI itself), report_rate,
// report_flag, scroll_flag, liftoff_height, sensor_flag, highspeed_mode,
// button_respondtime, light_sleep, deep_sleep.
std::vector<std::pair<QString, QString>> StoredConfigValues(const DeviceStatus& status);

// The receiver's firmware version text from a receiver-information reply; nothing
// when no receiver answered (byte 5 is not 1) or the reply is too short.
std::optional<QString> DecodeReceiverVersion(std::span<const uint8_t> reply);
