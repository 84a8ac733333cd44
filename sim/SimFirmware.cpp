#include "SimFirmware.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace tarvo::sim {

namespace {

constexpr uint8_t kReportId = 0x06;
constexpr uint8_t kNotification = 0xFA;
constexpr uint8_t kReceiverStatusId = 0xC0;

// Connection kind in byte 11 of the device information: 3 is the cable.
constexpr uint8_t kKindCable = 3;
constexpr uint8_t kKindReceiver = 2;

std::string Hex(std::span<const uint8_t> bytes)
{
    std::string text;
    char buf[4];
    for (uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, "%02x", b);
        text += buf;
    }
    return text;
}

std::string ByteText(uint8_t value)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", value);
    return buf;
}

void PutWord(SimFirmware::InputReport& r, size_t at, int value)
{
    r[at] = static_cast<uint8_t>(value & 0xFF);
    r[at + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

// The map the mouse leaves the factory with: buttons 0..6 as mouse buttons,
// 7 and 8 the DPI functions.
constexpr std::array<uint8_t, 36> kDefaultButtons {
    0x10, 0x01, 0, 0, 0x10, 0x02, 0, 0, 0x10, 0x04, 0, 0,
    0x10, 0x10, 0, 0, 0x10, 0x08, 0, 0, 0x10, 0x20, 0, 0,
    0x10, 0x40, 0, 0, 0x1F, 0x01, 0, 0, 0x1F, 0x00, 0, 0,
};

}

SimFirmware::SimFirmware(SimModel const& model, SimLink link)
    : m_model(model)
    , m_link(link)
    , m_settings(FactorySettings())
{
}

SimFirmware::Settings SimFirmware::FactorySettings()
{
    Settings s;
    std::copy(kDefaultButtons.begin(), kDefaultButtons.end(), s.buttonMap.begin());
    s.macroImage.assign(64, 0);
    return s;
}

bool SimFirmware::MouseReachable() const
{
    return m_link == SimLink::Cable || (m_paired && m_mouseOn && !m_pairing);
}

uint16_t SimFirmware::ReleaseNumber() const
{
    if (m_link == SimLink::Cable)
        return static_cast<uint16_t>(m_mouseVersionHi << 8 | m_mouseVersionLo);
    return static_cast<uint16_t>(m_receiverVersionHi << 8 | m_receiverVersionLo);
}

SimFirmware::InputReport SimFirmware::Notification(uint8_t event, uint8_t first, uint8_t second)
{
    InputReport r(kReportSize, 0);
    r[0] = kReportId;
    r[1] = kNotification;
    r[5] = event;
    r[6] = first;
    r[7] = second;
    return r;
}

SimFirmware::InputReport SimFirmware::DeviceInformation() const
{
    InputReport r(kReportSize, 0);
    r[0] = kReportId;
    r[1] = 0x05;
    PutWord(r, 5, m_link == SimLink::Cable ? m_model.cablePid : m_model.receiverPid);
    PutWord(r, 7, kVendorId);
    r[11] = m_link == SimLink::Cable ? kKindCable : kKindReceiver;
    if (!MouseReachable()) {
        // Only the receiver speaks: its own version, nothing of the mouse.
        r[9] = m_receiverVersionLo;
        r[10] = m_receiverVersionHi;
        r[12] = 0;
        return r;
    }
    r[9] = m_mouseVersionLo;
    r[10] = m_mouseVersionHi;
    r[12] = 1;
    r[13] = static_cast<uint8_t>(m_batteryLevel);
    r[14] = static_cast<uint8_t>(m_batteryStatus);
    r[16] = static_cast<uint8_t>(m_settings.dpiCount);
    r[17] = static_cast<uint8_t>(m_settings.dpiIndex);
    for (size_t i = 0; i < 6; ++i)
        PutWord(r, 18 + 2 * i, m_settings.dpi[i] / 50 - 1);
    r[30] = m_settings.reportRate;
    r[31] = m_settings.reportFlag;
    r[32] = m_settings.scroll;
    r[33] = m_settings.liftoff;
    r[34] = m_settings.sensor;
    r[35] = m_settings.highspeed;
    r[36] = m_settings.responseTime;
    PutWord(r, 37, m_settings.lightSleep);
    PutWord(r, 39, m_settings.deepSleep);
    return r;
}

SimFirmware::InputReport SimFirmware::ReceiverInformation() const
{
    InputReport r(kReportSize, 0);
    r[0] = kReportId;
    r[1] = 0x07;
    if (m_link == SimLink::Receiver) {
        r[5] = 1;
        r[9] = m_receiverVersionLo;
        r[10] = m_receiverVersionHi;
    }
    return r;
}

SimFirmware::InputReport SimFirmware::Acknowledge(uint8_t command, SimStatus status, uint8_t detail) const
{
    InputReport r(kReportSize, 0);
    r[0] = kReportId;
    r[1] = command;
    r[2] = static_cast<uint8_t>(status);
    r[5] = detail;
    return r;
}

SimFirmware::Outcome SimFirmware::HandleOutput(std::span<const uint8_t> report)
{
    Outcome out;
    if (report.size() != kReportSize) {
        out.problem = "report of " + std::to_string(report.size()) + " bytes, expected 64";
        return out;
    }
    if (report[0] != kReportId) {
        out.problem = "report id " + ByteText(report[0]) + ", expected 0x06";
        return out;
    }
    uint8_t const command = report[1];
    switch (command) {
    case 0x05:
        out.reply = DeviceInformation();
        return out;
    case 0x07:
        out.reply = ReceiverInformation();
        return out;
    case 0x10:
    case 0x11: {
        // Follow-up queries: the host discards the content, so the firmware
        // answers with its DPI count and report rate as a plausible payload.
        InputReport r(kReportSize, 0);
        r[0] = kReportId;
        r[1] = command;
        r[5] = static_cast<uint8_t>(m_settings.dpiCount);
        r[6] = m_settings.reportRate;
        out.reply = r;
        return out;
    }
    case 0x0F:
        return Restore(report);
    case 0x12:
        return WriteButtonMap(report);
    case 0x13:
        return SetParameter(report);
    case 0x31:
        return WriteMacroPiece(report);
    default:
        out.problem = "unknown command " + ByteText(command);
        return out;
    }
}

SimFirmware::Outcome SimFirmware::Restore(std::span<const uint8_t> r)
{
    // Restores carry no answer: the host does not wait for one, and a stray
    // reply would be taken for the answer to its next command.
    Outcome out;
    if (r[2] != 0x01 || r[3] != 0 || r[4] != 0) {
        out.problem = "restore frame " + Hex(r.subspan(0, 6)) + " malformed";
        return out;
    }
    if (!MouseReachable()) {
        out.problem = "restore while the mouse is unreachable";
        return out;
    }
    Settings const factory = FactorySettings();
    switch (r[5]) {
    case 0x08:
        m_settings.dpiCount = factory.dpiCount;
        m_settings.dpiIndex = factory.dpiIndex;
        m_settings.dpi = factory.dpi;
        break;
    case 0xFF:
        m_settings = factory;
        m_assembly.clear();
        m_expectedOffset = -1;
        break;
    default:
        out.problem = "restore scope " + ByteText(r[5]) + " unknown";
        break;
    }
    return out;
}

SimFirmware::Outcome SimFirmware::SetParameter(std::span<const uint8_t> r)
{
    Outcome out;
    uint8_t const length = r[2];
    uint8_t const id = r[5];
    auto reject = [&](SimStatus status, std::string problem) {
        out.reply = Acknowledge(0x13, status, id);
        out.problem = "set parameter " + ByteText(id) + ": " + std::move(problem);
        return out;
    };
    if (r[3] != 0 || r[4] != 0)
        return reject(SimStatus::BadFrame, "bytes 3 and 4 must be zero");

    auto expectLength = [&](uint8_t wanted) {
        return length == wanted;
    };
    auto word = [&](size_t at) { return r[at] | (r[at + 1] << 8); };

    if (id == 0x09) {
        if (!expectLength(1))
            return reject(SimStatus::BadFrame, "length " + std::to_string(length) + ", expected 1");
        if (m_link != SimLink::Receiver)
            return reject(SimStatus::BadValue, "pairing needs a receiver");
        m_pairing = true;
        m_paired = false;
        out.reply = Acknowledge(0x13, SimStatus::Ok, id);
        // Entering pairing drops the link to the old mouse.
        out.notifications = ReceiverStatus();
        return out;
    }
    if (!MouseReachable())
        return reject(SimStatus::MouseUnreachable, "mouse not reachable");

    Settings& s = m_settings;
    switch (id) {
    case 0x01: {
        if (!expectLength(5))
            return reject(SimStatus::BadFrame, "length " + std::to_string(length) + ", expected 5");
        int const count = r[6];
        int const index = r[7];
        int const dpi = word(8);
        if (count < 1 || count > 6)
            return reject(SimStatus::BadValue, "DPI count " + std::to_string(count));
        if (index >= count)
            return reject(SimStatus::BadValue, "DPI index " + std::to_string(index) + " of " + std::to_string(count));
        if (dpi < 50 || dpi > m_model.maxDpi || dpi % 50 != 0)
            return reject(SimStatus::BadValue, "DPI " + std::to_string(dpi));
        s.dpiCount = count;
        s.dpiIndex = index;
        s.dpi[static_cast<size_t>(index)] = dpi;
        break;
    }
    case 0x02:
        if (!expectLength(2))
            return reject(SimStatus::BadFrame, "length " + std::to_string(length) + ", expected 2");
        if (r[6] > 3)
            return reject(SimStatus::BadValue, "report rate code " + std::to_string(r[6]));
        s.reportRate = r[6];
        break;
    case 0x05:
        if (!expectLength(4))
            return reject(SimStatus::BadFrame, "length " + std::to_string(length) + ", expected 4");
        if (r[7] != 0 || r[8] != 0)
            return reject(SimStatus::BadFrame, "scroll bytes 7 and 8 must be zero");
        s.scroll = r[6];
        break;
    case 0x06:
    case 0x07:
    case 0x08:
    case 0x0A: {
        if (!expectLength(2))
            return reject(SimStatus::BadFrame, "length " + std::to_string(length) + ", expected 2");
        uint8_t& target = id == 0x06 ? s.liftoff : id == 0x07 ? s.sensor : id == 0x08 ? s.highspeed : s.responseTime;
        target = r[6];
        break;
    }
    case 0x0B:
        if (!expectLength(5))
            return reject(SimStatus::BadFrame, "length " + std::to_string(length) + ", expected 5");
        s.lightSleep = static_cast<uint16_t>(word(6));
        s.deepSleep = static_cast<uint16_t>(word(8));
        break;
    default:
        return reject(SimStatus::UnknownParameter, "unknown parameter");
    }
    // Everything past the value must be zero: a longer value than the length
    // says means the host and firmware disagree about the frame.
    for (size_t i = 5u + length; i < kReportSize; ++i) {
        if (r[i] != 0) {
            out.problem = "set parameter " + ByteText(id) + ": stray byte at " + std::to_string(i);
            break;
        }
    }
    out.reply = Acknowledge(0x13, SimStatus::Ok, id);
    return out;
}

SimFirmware::Outcome SimFirmware::WriteButtonMap(std::span<const uint8_t> r)
{
    Outcome out;
    auto reject = [&](SimStatus status, std::string problem) {
        out.reply = Acknowledge(0x12, status, 0);
        out.problem = "button map: " + std::move(problem);
        return out;
    };
    if (r[2] != 0x20 || r[3] != 0 || r[4] != 0)
        return reject(SimStatus::BadFrame, "header " + Hex(r.subspan(0, 5)));
    if (!MouseReachable())
        return reject(SimStatus::MouseUnreachable, "mouse not reachable");
    // Buttons 0..13 arrive whole; button 14 only with its first three bytes.
    for (size_t button = 0; button < 14; ++button) {
        auto const b = r.subspan(5 + 4 * button, 4);
        bool valid = false;
        switch (b[0]) {
        case 0x00:
            valid = b[1] == 0 && b[2] == 0 && b[3] == 0;
            break;
        case 0x1F:
            valid = b[1] <= 1;
            break;
        case 0x40:
            valid = b[1] == 0x01 || b[1] == 0x02 || b[1] == 0x04;
            break;
        case 0x50:
            valid = b[1] >= 0x09 && b[1] <= 0x0B;
            break;
        case 0x60:
            valid = b[1] < 32;
            break;
        case 0x10:
        case 0x20:
        case 0x30:
            valid = true;
            break;
        default:
            break;
        }
        if (!valid)
            return reject(SimStatus::BadValue, "button " + std::to_string(button) + " entry " + Hex(b));
    }
    std::copy(r.begin() + 5, r.end(), m_settings.buttonMap.begin());
    out.reply = Acknowledge(0x12, SimStatus::Ok, 0);
    return out;
}

SimFirmware::Outcome SimFirmware::WriteMacroPiece(std::span<const uint8_t> r)
{
    Outcome out;
    size_t const length = r[2];
    int const offset = r[3] | (r[4] << 8);
    auto reject = [&](SimStatus status, std::string problem) {
        m_assembly.clear();
        m_expectedOffset = -1;
        out.reply = Acknowledge(0x31, status, 0);
        out.problem = "macro data: " + std::move(problem);
        return out;
    };
    if (!MouseReachable())
        return reject(SimStatus::MouseUnreachable, "mouse not reachable");
    if (length > 59)
        return reject(SimStatus::BadFrame, "piece length " + std::to_string(length));
    if (offset == 0) {
        m_assembly.clear();
    } else if (offset != m_expectedOffset) {
        return reject(SimStatus::BadSequence,
            "piece at offset " + std::to_string(offset) + ", expected " + std::to_string(std::max(m_expectedOffset, 0)));
    }
    if (offset + length > kMacroImageMax)
        return reject(SimStatus::BadFrame, "piece ends at " + std::to_string(offset + length) + ", past 4000");
    m_assembly.insert(m_assembly.end(), r.begin() + 5, r.begin() + 5 + static_cast<std::ptrdiff_t>(length));
    if (length == 59) {
        m_expectedOffset = offset + 59;
        out.reply = Acknowledge(0x31, SimStatus::Ok, 0);
        return out;
    }
    // A short piece (possibly empty) ends the image.
    int macros = 0;
    std::string const problem = CheckMacroImage(m_assembly, macros);
    if (!problem.empty())
        return reject(SimStatus::BadValue, problem);
    m_settings.macroImage = m_assembly;
    m_settings.macroCount = macros;
    m_assembly.clear();
    m_expectedOffset = -1;
    out.reply = Acknowledge(0x31, SimStatus::Ok, 0);
    return out;
}

std::string SimFirmware::CheckMacroImage(std::span<const uint8_t> image, int& macros) const
{
    size_t const size = image.size();
    if (size < 64)
        return "image of " + std::to_string(size) + " bytes has no full directory";
    macros = 0;
    for (size_t p = 0; p < 32; ++p) {
        size_t const entry = image[2 * p] | (image[2 * p + 1] << 8);
        if (entry == 0)
            continue;
        std::string const name = "macro " + std::to_string(p);
        if (entry < 64 || entry > size || entry % 4 != 0)
            return name + " starts at " + std::to_string(entry);
        if (entry == size)
            continue; // an empty last macro points just past the image
        bool ended = false;
        for (size_t at = entry; at + 4 <= size; at += 4) {
            uint8_t const kind = image[at + 2];
            switch (kind) {
            case 0x01: case 0x02: case 0x03: case 0x06:
            case 0x41: case 0x42: case 0x43: case 0x44:
                continue;
            case 0x83: {
                int const delay = image[at] | (image[at + 1] << 8);
                if (image[at + 3] != 0x01 || delay < 10 || delay > 10000)
                    return name + " end record " + Hex(image.subspan(at, 4));
                ended = true;
                break;
            }
            default:
                return name + " record kind " + ByteText(kind) + " at " + std::to_string(at);
            }
            break;
        }
        if (!ended)
            return name + " has no end record";
        ++macros;
    }
    return {};
}

std::vector<SimFirmware::InputReport> SimFirmware::PressDpiButton()
{
    if (!MouseReachable())
        return {};
    m_settings.dpiIndex = (m_settings.dpiIndex + 1) % std::max(m_settings.dpiCount, 1);
    return { Notification(0x02, static_cast<uint8_t>(m_settings.dpiIndex), 0) };
}

std::vector<SimFirmware::InputReport> SimFirmware::SetBattery(int level, int status)
{
    m_batteryLevel = std::clamp(level, 0, 255);
    m_batteryStatus = std::clamp(status, 0, 255);
    if (!MouseReachable())
        return {};
    return { Notification(0x03, static_cast<uint8_t>(m_batteryLevel), static_cast<uint8_t>(m_batteryStatus)) };
}

std::vector<SimFirmware::InputReport> SimFirmware::SetMousePower(bool on)
{
    bool const before = MouseReachable();
    m_mouseOn = on;
    if (before == MouseReachable())
        return {};
    return ReceiverStatus();
}

std::vector<SimFirmware::InputReport> SimFirmware::TextRequest(int first, int second)
{
    if (!MouseReachable())
        return {};
    return { Notification(0x50, static_cast<uint8_t>(first), static_cast<uint8_t>(second)) };
}

bool SimFirmware::PressButton(int button, std::string& entry, std::vector<InputReport>& out)
{
    if (button < 0 || button >= 14)
        return false;
    auto const b = std::span<const uint8_t>(m_settings.buttonMap).subspan(4 * static_cast<size_t>(button), 4);
    entry = Hex(b);
    if (b[0] == 0x50)
        out = TextRequest(b[1], b[2]);
    return true;
}

std::vector<SimFirmware::InputReport> SimFirmware::DeviceChanged()
{
    return { Notification(0x06, 0, 0) };
}

std::vector<SimFirmware::InputReport> SimFirmware::ReceiverStatus() const
{
    if (m_link != SimLink::Receiver)
        return {};
    InputReport r(kStatusReportSize, 0);
    r[0] = kReceiverStatusId;
    r[1] = MouseReachable() ? 1 : 0;
    return { r };
}

bool SimFirmware::CompletePairing(std::vector<InputReport>& out)
{
    if (m_link != SimLink::Receiver || !m_pairing)
        return false;
    m_pairing = false;
    m_paired = true;
    m_mouseOn = true;
    out.push_back(Notification(0x01, 0x01, 0));
    auto status = ReceiverStatus();
    out.insert(out.end(), status.begin(), status.end());
    return true;
}

bool SimFirmware::SetVersion(bool receiverVersion, std::string_view text)
{
    int parts[3] = {};
    char const* at = text.data();
    char const* const end = text.data() + text.size();
    for (int i = 0; i < 3; ++i) {
        auto [next, error] = std::from_chars(at, end, parts[i]);
        if (error != std::errc {})
            return false;
        at = next;
        if (i < 2) {
            if (at == end || *at != '.')
                return false;
            ++at;
        }
    }
    if (at != end || parts[0] < 0 || parts[0] > 15 || parts[1] < 0 || parts[1] > 15 || parts[2] < 0 || parts[2] > 255)
        return false;
    uint8_t const hi = static_cast<uint8_t>(parts[0] << 4 | parts[1]);
    uint8_t const lo = static_cast<uint8_t>(parts[2]);
    (receiverVersion ? m_receiverVersionHi : m_mouseVersionHi) = hi;
    (receiverVersion ? m_receiverVersionLo : m_mouseVersionLo) = lo;
    return true;
}

std::string SimFirmware::StateJson() const
{
    Settings const& s = m_settings;
    auto version = [](uint8_t hi, uint8_t lo) {
        return std::to_string(hi >> 4) + "." + std::to_string(hi & 0x0F) + "." + std::to_string(lo);
    };
    std::string dpi;
    for (size_t i = 0; i < s.dpi.size(); ++i)
        dpi += (i ? "," : "") + std::to_string(s.dpi[i]);
    std::string json = "{";
    json += "\"model\":\"" + std::string(m_model.code) + "\"";
    json += ",\"dev_type\":" + std::to_string(m_model.devType);
    json += ",\"link\":\"" + std::string(m_link == SimLink::Cable ? "cable" : "receiver") + "\"";
    json += ",\"mouse_version\":\"" + version(m_mouseVersionHi, m_mouseVersionLo) + "\"";
    json += ",\"receiver_version\":\"" + version(m_receiverVersionHi, m_receiverVersionLo) + "\"";
    json += ",\"mouse_on\":" + std::string(m_mouseOn ? "true" : "false");
    json += ",\"paired\":" + std::string(m_paired ? "true" : "false");
    json += ",\"pairing\":" + std::string(m_pairing ? "true" : "false");
    json += ",\"reachable\":" + std::string(MouseReachable() ? "true" : "false");
    json += ",\"battery_level\":" + std::to_string(m_batteryLevel);
    json += ",\"battery_status\":" + std::to_string(m_batteryStatus);
    json += ",\"dpi_count\":" + std::to_string(s.dpiCount);
    json += ",\"dpi_index\":" + std::to_string(s.dpiIndex);
    json += ",\"dpi\":[" + dpi + "]";
    json += ",\"report_rate\":" + std::to_string(s.reportRate);
    json += ",\"report_flag\":" + std::to_string(s.reportFlag);
    json += ",\"scroll_flag\":" + std::to_string(s.scroll);
    json += ",\"liftoff_height\":" + std::to_string(s.liftoff);
    json += ",\"sensor_flag\":" + std::to_string(s.sensor);
    json += ",\"highspeed_mode\":" + std::to_string(s.highspeed);
    json += ",\"button_respondtime\":" + std::to_string(s.responseTime);
    json += ",\"light_sleep\":" + std::to_string(s.lightSleep);
    json += ",\"deep_sleep\":" + std::to_string(s.deepSleep);
    json += ",\"button_map\":\"" + Hex(s.buttonMap) + "\"";
    json += ",\"macro_count\":" + std::to_string(s.macroCount);
    json += ",\"macro_image\":\"" + Hex(s.macroImage) + "\"";
    json += "}";
    return json;
}

}
