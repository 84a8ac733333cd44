#pragma once

#include "SimModels.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tarvo::sim {

enum class SimLink { Cable, Receiver };

// Reply status in byte 2 of the acknowledgement to 0x12, 0x13 and 0x31.
enum class SimStatus : uint8_t {
    Ok = 0x00,
    BadFrame = 0x01,
    BadValue = 0x02,
    UnknownParameter = 0x03,
    MouseUnreachable = 0x04,
    BadSequence = 0x05,
};

// The firmware of one plugged device: a mouse on its cable, or a receiver with
// the mouse it is paired to. It decodes the command frames on its own terms and
// answers from its own state, so a program that encodes a frame wrongly gets a
// rejected command and a logged problem rather than an echo of its own bytes.
class SimFirmware {
public:
    static constexpr size_t kReportSize = 64;
    static constexpr size_t kStatusReportSize = 33;
    static constexpr size_t kMacroImageMax = 4000;
    static constexpr size_t kButtonMapBytes = 59;
    using InputReport = std::vector<uint8_t>;

    SimFirmware(SimModel const& model, SimLink link);

    struct Outcome {
        std::optional<InputReport> reply;
        std::vector<InputReport> notifications;
        std::string problem; // empty when the frame was accepted
    };
    // One output report as written by the host, report id included.
    Outcome HandleOutput(std::span<const uint8_t> report);

    // What the user does to the hardware. Each returns the input reports the
    // device sends about it (none when the mouse cannot be reached).
    std::vector<InputReport> PressDpiButton();
    std::vector<InputReport> SetBattery(int level, int status);
    std::vector<InputReport> SetMousePower(bool on);
    std::vector<InputReport> TextRequest(int first, int second);
    // A press of programmable button `button` (0..13): the mouse acts on its
    // map entry itself, except for a computer action (50 xx yy: run a program,
    // open an address, type a snippet), which it asks for with a text request.
    // `entry` receives the button's four map bytes in hex; false for a button
    // outside the map.
    bool PressButton(int button, std::string& entry, std::vector<InputReport>& out);
    std::vector<InputReport> DeviceChanged();
    std::vector<InputReport> ReceiverStatus() const;
    // Ends a pairing started by the host; false when the receiver is not pairing.
    bool CompletePairing(std::vector<InputReport>& out);
    static InputReport Notification(uint8_t event, uint8_t first, uint8_t second);

    // version as "major.minor.patch", each part 0..15 / 0..15 / 0..255.
    bool SetVersion(bool receiverVersion, std::string_view text);

    bool MouseReachable() const;
    int BatteryLevel() const { return m_batteryLevel; }
    int BatteryStatus() const { return m_batteryStatus; }
    // The HID release number: the version of the firmware that owns the USB link.
    uint16_t ReleaseNumber() const;
    SimLink Link() const { return m_link; }
    std::string StateJson() const;

private:
    struct Settings {
        int dpiCount = 6;
        int dpiIndex = 1;
        std::array<int, 6> dpi { 400, 800, 1200, 1600, 2400, 3200 };
        uint8_t reportRate = 2;
        uint8_t reportFlag = 15;
        uint8_t scroll = 1;
        uint8_t liftoff = 1;
        uint8_t sensor = 53;
        uint8_t highspeed = 0;
        uint8_t responseTime = 1;
        uint16_t lightSleep = 60;
        uint16_t deepSleep = 60;
        std::array<uint8_t, kButtonMapBytes> buttonMap {};
        std::vector<uint8_t> macroImage;
        int macroCount = 0;
    };
    static Settings FactorySettings();

    InputReport DeviceInformation() const;
    InputReport ReceiverInformation() const;
    InputReport Acknowledge(uint8_t command, SimStatus status, uint8_t detail) const;
    Outcome SetParameter(std::span<const uint8_t> r);
    Outcome WriteButtonMap(std::span<const uint8_t> r);
    Outcome WriteMacroPiece(std::span<const uint8_t> r);
    Outcome Restore(std::span<const uint8_t> r);
    // Checks a reassembled image; returns the number of macros or an error text.
    std::string CheckMacroImage(std::span<const uint8_t> image, int& macros) const;

    SimModel const& m_model;
    SimLink m_link;
    Settings m_settings;
    uint8_t m_mouseVersionHi = 0x12; // 1.2
    uint8_t m_mouseVersionLo = 3;
    uint8_t m_receiverVersionHi = 0x10; // 1.0
    uint8_t m_receiverVersionLo = 5;
    int m_batteryLevel = 80;
    int m_batteryStatus = 0;
    bool m_paired = true;
    bool m_mouseOn = true;
    bool m_pairing = false;
    std::vector<uint8_t> m_assembly;
    int m_expectedOffset = -1;
};

}
