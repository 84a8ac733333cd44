#include "hid/MacroImage.h"

#include "editors/KeyCodes.h"

#include <algorithm>
#include <array>

namespace MacroImageEncoder {

namespace {

constexpr int kKeyDown = 2;
constexpr int kKeyUp = 3;
constexpr int kButtonDown = 4;
constexpr int kButtonUp = 5;
constexpr int kWheelUp = 6;
constexpr int kWheelDown = 7;
constexpr int kFunctionFirst = 8;
constexpr int kFunctionLast = 11;
constexpr int kPackedFunction = 12;

constexpr uint8_t kPressFlag = 0x40;
constexpr uint8_t kModifierKind = 0x01;
constexpr uint8_t kKeyKind = 0x02;
constexpr uint8_t kButtonKind = 0x03;
constexpr uint8_t kWheelKind = 0x44; // press flag + 4, for both directions
constexpr uint8_t kFunctionKind = 0x06;
constexpr uint8_t kEndKind = 0x83;
constexpr uint8_t kEndCode = 0x01;

constexpr std::size_t kRecordSize = 4;
constexpr std::size_t kPaddingSize = 4; // zero bytes after a macro's end record

using Record = std::array<uint8_t, kRecordSize>;

enum class Wheel { None, Up, Down };

Wheel WheelOf(const QString& text)
{
    if (text.contains(QStringLiteral("Scroll Up")))
        return Wheel::Up;
    if (text.contains(QStringLiteral("Scroll Down")))
        return Wheel::Down;
    return Wheel::None;
}

// Delays are 16 bits on the wire; a stored value outside that range is corrupt
// and is pinned rather than wrapped into a different pause.
uint16_t WireDelay(int delay)
{
    return static_cast<uint16_t>(std::clamp(delay, 0, 0xFFFF));
}

Record WithDelay(int delay, uint8_t kind, uint8_t code)
{
    const uint16_t wire = WireDelay(delay);
    return {static_cast<uint8_t>(wire & 0xFF), static_cast<uint8_t>(wire >> 8), kind, code};
}

// Encodes one event; false for event types the mouse has no record for.
bool EncodeEvent(const MacroEvent& event, int pendingDelay, Record& record)
{
    const auto low = static_cast<uint8_t>(static_cast<unsigned>(event.value) & 0xFF);
    switch (event.type) {
    case kKeyDown:
    case kKeyUp: {
        // Recording never stores the generic Shift, Ctrl or Alt, but an imported
        // macro may; they have no usage of their own and would go out as no key
        // at all, so they play as the left-hand key.
        const int key = CapturedKeyCode(event.value);
        const bool modifier = IsModifierVirtualKey(key);
        uint8_t kind = modifier ? kModifierKind : kKeyKind;
        if (event.type == kKeyDown)
            kind |= kPressFlag;
        const int code = modifier ? ModifierBit(key) : VirtualKeyToUsage(key);
        record = WithDelay(pendingDelay, kind, static_cast<uint8_t>(code & 0xFF));
        return true;
    }
    case kButtonDown:
    case kButtonUp: {
        switch (WheelOf(event.text)) {
        case Wheel::Up:
            record = WithDelay(pendingDelay, kWheelKind, 0x01);
            break;
        case Wheel::Down:
            record = WithDelay(pendingDelay, kWheelKind, 0xFF);
            break;
        case Wheel::None:
            record = WithDelay(pendingDelay,
                               event.type == kButtonDown ? kButtonKind | kPressFlag : kButtonKind,
                               low);
            break;
        }
        return true;
    }
    case kWheelUp:
        record = {0, 0, kWheelKind, 0x01};
        return true;
    case kWheelDown:
        record = {0, 0, kWheelKind, 0xFF};
        return true;
    case kPackedFunction: {
        // Two 8-bit arguments packed into one code byte, their top bits moved
        // into the otherwise unused delay.
        const auto second = static_cast<uint8_t>((static_cast<unsigned>(event.value) >> 8) & 0xFF);
        uint8_t flags = 0;
        if (low & 0x80)
            flags |= 0x80;
        if (second & 0x80)
            flags |= 0x40;
        record = {0, flags, kFunctionKind, static_cast<uint8_t>((low << 4) | (second & 0x0F))};
        return true;
    }
    default:
        if (event.type >= kFunctionFirst && event.type <= kFunctionLast) {
            record = {0, 0, kFunctionKind, low};
            return true;
        }
        return false;
    }
}

bool CarriesDelay(int type)
{
    return type >= kKeyDown && type <= kButtonUp;
}

// The macro's records, end record and padding; empty when it has no events.
std::vector<uint8_t> EncodeMacro(std::span<const MacroEvent> events)
{
    std::vector<uint8_t> bytes;
    if (events.empty())
        return bytes;
    int pending = kFirstEventDelay;
    for (const MacroEvent& event : events) {
        Record record{};
        if (!EncodeEvent(event, pending, record))
            continue;
        bytes.insert(bytes.end(), record.begin(), record.end());
        if (CarriesDelay(event.type))
            pending = event.delay;
    }
    const Record end = WithDelay(std::clamp(pending, kMinEndDelay, kMaxEndDelay), kEndKind, kEndCode);
    bytes.insert(bytes.end(), end.begin(), end.end());
    bytes.insert(bytes.end(), kPaddingSize, uint8_t{0});
    return bytes;
}

} // namespace

std::vector<MacroEvent> CompleteReleases(std::span<const MacroEvent> events)
{
    std::vector<MacroEvent> completed(events.begin(), events.end());
    // Keys still held at the end, in the order of their last press.
    std::vector<int> held;
    for (const MacroEvent& event : events) {
        if (event.type != kKeyDown && event.type != kKeyUp)
            continue;
        std::erase(held, event.value);
        if (event.type == kKeyDown)
            held.push_back(event.value);
    }
    for (int key : held)
        completed.push_back(MacroEvent{kKeyUp, key, 10, QStringLiteral("自动补全释放")});
    return completed;
}

MacroImage BuildMacroImage(std::span<const std::vector<MacroEvent>> macros)
{
    MacroImage image;
    image.bytes.assign(kDirectorySize, 0);
    bool full = false;
    int position = 0;
    for (const std::vector<MacroEvent>& stored : macros) {
        const int p = position++;
        if (p >= kMaxMacros || full) {
            image.macrosLeftOut += stored.empty() ? 0 : 1;
            continue;
        }
        const std::vector<uint8_t> encoded = EncodeMacro(CompleteReleases(stored));
        const std::size_t start = image.bytes.size();
        // The trailing zero bytes may fall past the capacity; the records may not.
        if (!encoded.empty() && start + encoded.size() - kPaddingSize > kCapacity) {
            full = true; // stop here, as a later macro would land after a gap
            ++image.macrosLeftOut;
            continue;
        }
        image.bytes[2 * p] = static_cast<uint8_t>(start & 0xFF);
        image.bytes[2 * p + 1] = static_cast<uint8_t>(start >> 8);
        if (encoded.empty())
            continue;
        image.bytes.insert(image.bytes.end(), encoded.begin(), encoded.end());
        ++image.macrosWritten;
    }
    if (image.bytes.size() > kCapacity)
        image.bytes.resize(kCapacity); // only padding lies beyond
    return image;
}

std::vector<Report> SplitIntoReports(std::span<const uint8_t> image)
{
    // The mouse has room for kCapacity bytes; anything beyond is not sent.
    const std::size_t length = std::min(image.size(), kCapacity);
    const std::size_t pieces = length / kPieceSize + 1;
    std::vector<Report> reports;
    reports.reserve(pieces);
    for (std::size_t k = 0; k < pieces; ++k) {
        Report report{};
        report[0] = kCommandReportId;
        report[1] = static_cast<uint8_t>(Command::MacroData);
        const std::size_t offset = k * kPieceSize;
        const bool last = k + 1 == pieces;
        report[2] = static_cast<uint8_t>(last ? length - offset : kPieceSize);
        report[3] = static_cast<uint8_t>(offset & 0xFF);
        report[4] = static_cast<uint8_t>((offset >> 8) & 0xFF);
        const std::size_t available = std::min(kPieceSize, length - offset);
        std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(offset), available, report.begin() + 5);
        reports.push_back(report);
    }
    return reports;
}

} // namespace MacroImageEncoder
