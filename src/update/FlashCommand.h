#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// Which firmware a flash writes.
enum class FlashTarget { Mouse, Receiver };

// The flashing tool's command for one device: the program and its switches,
// started as an argument list (no shell sees the package path).
struct FlashCommand {
    QString program; // "<program folder>BurnTool/BurnTool"
    QStringList arguments;
};

namespace FlashTable {

// Every device the tool flashes has this vendor id.
constexpr uint16_t kVendorId = 0x7768;

// The USB product id to flash for a device type (101 to 108) and target;
// nothing for any other type.
std::optional<uint16_t> ProductId(int32_t deviceType, FlashTarget target);

// The product id as the tool's "-pid:" switch spells it, letter case included
// ("0x6d2E", "0x642D"); empty for a type outside the table.
QString ProductIdText(int32_t deviceType, FlashTarget target);

// The tool below the program folder (which ends with "/").
QString ToolPath(const QString& programFolder);

// The command: the tool, then "-dfu", "-pid:<id>", "-vid:0x7768",
// "-usagepage:0xffb1", "-usage:0x01" and "-bin:<package path>". Nothing for
// a type outside the table.
std::optional<FlashCommand> BuildCommand(
    const QString& programFolder, int32_t deviceType, FlashTarget target, const QString& packagePath);

} // namespace FlashTable
