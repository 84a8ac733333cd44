// Feeds arbitrary bytes to every decoder of device input, and builds macro
// images and button maps from arbitrary stored rows, checking the promises the
// worker relies on (image size, piece framing).

#include "hid/ButtonMapEncoder.h"
#include "hid/MacroImage.h"
#include "hid/Notification.h"
#include "hid/StatusReply.h"

#include <cstdlib>
#include <span>
#include <vector>

namespace {

int TakeInt(std::span<const uint8_t>& data)
{
    if (data.size() < 2)
        return 0;
    const int value = static_cast<int16_t>(data[0] | (data[1] << 8));
    data = data.subspan(2);
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    const std::span<const uint8_t> input(bytes, size);

    if (const auto status = DecodeDeviceStatus(input))
        (void)StoredConfigValues(*status);
    (void)DecodeReceiverVersion(input);
    (void)DecodeNotification(input);
    (void)DecodeReceiverStatus(input);

    // Macros: a count byte per macro, then events of four 16-bit numbers.
    std::span<const uint8_t> rest = input;
    std::vector<std::vector<MacroEvent>> macros;
    while (rest.size() >= 1 && macros.size() < 40) {
        const int events = rest[0];
        rest = rest.subspan(1);
        std::vector<MacroEvent> macro;
        for (int i = 0; i < events && rest.size() >= 6; ++i) {
            MacroEvent event;
            event.type = TakeInt(rest) & 0x0F;
            event.value = TakeInt(rest);
            event.delay = TakeInt(rest) * 3;
            if (event.value & 0x100)
                event.text = QStringLiteral("Scroll Up");
            macro.push_back(event);
        }
        macros.push_back(std::move(macro));
    }
    const MacroImage image = MacroImageEncoder::BuildMacroImage(macros);
    if (image.bytes.size() < 64 || image.bytes.size() > 4000)
        std::abort();
    const auto pieces = MacroImageEncoder::SplitIntoReports(image.bytes);
    if (pieces.size() != image.bytes.size() / 59 + 1)
        std::abort();

    std::vector<ButtonAssignment> rows;
    std::vector<int> macroIds;
    rest = input;
    while (rest.size() >= 10) {
        rows.push_back({TakeInt(rest), TakeInt(rest), TakeInt(rest), TakeInt(rest), TakeInt(rest)});
        macroIds.push_back(rows.back().value);
    }
    const Report map = ButtonMapEncoder::BuildButtonMapReport(rows, macroIds);
    if (map[0] != 0x06 || map[1] != 0x12 || map[2] != 0x20)
        std::abort();
    return 0;
}
