#include "update/FlashCommand.h"

#include <array>

namespace FlashTable {

namespace {

struct Row {
    int32_t deviceType;
    uint16_t mouse;
    uint16_t receiver;
    // The switch texts as the tool is known to accept them: the letter case
    // of the hexadecimal digits differs between rows.
    const char* mouseText;
    const char* receiverText;
};

constexpr std::array<Row, 8> kRows = {{
    {101, 0x6D25, 0x6425, "0x6d25", "0x6425"},
    {102, 0x6D26, 0x6426, "0x6d26", "0x6426"},
    {103, 0x6D2E, 0x642E, "0x6d2E", "0x642E"},
    {104, 0x6D2D, 0x642D, "0x6d2D", "0x642D"},
    {105, 0x6D32, 0x6432, "0x6d32", "0x6432"},
    {106, 0x6D31, 0x6431, "0x6d31", "0x6431"},
    {107, 0x6D30, 0x6430, "0x6d30", "0x6430"},
    {108, 0x6D2F, 0x642F, "0x6d2F", "0x642F"},
}};

const Row* Find(int32_t deviceType)
{
    for (const Row& row : kRows) {
        if (row.deviceType == deviceType)
            return &row;
    }
    return nullptr;
}

} // namespace

std::optional<uint16_t> ProductId(int32_t deviceType, FlashTarget target)
{
    const Row* row = Find(deviceType);
    if (!row)
        return std::nullopt;
    return target == FlashTarget::Mouse ? row->mouse : row->receiver;
}

QString ProductIdText(int32_t deviceType, FlashTarget target)
{
    const Row* row = Find(deviceType);
    if (!row)
        return {};
    return QString::fromLatin1(target == FlashTarget::Mouse ? row->mouseText : row->receiverText);
}

QString ToolPath(const QString& programFolder)
{
    QString folder = programFolder;
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + QStringLiteral("BurnTool/BurnTool");
}

std::optional<FlashCommand> BuildCommand(
    const QString& programFolder, int32_t deviceType, FlashTarget target, const QString& packagePath)
{
    const QString pid = ProductIdText(deviceType, target);
    if (pid.isEmpty())
        return std::nullopt;
    FlashCommand command;
    command.program = ToolPath(programFolder);
    command.arguments = {QStringLiteral("-dfu"), QStringLiteral("-pid:") + pid, QStringLiteral("-vid:0x7768"),
        QStringLiteral("-usagepage:0xffb1"), QStringLiteral("-usage:0x01"), QStringLiteral("-bin:") + packagePath};
    return command;
}

} // namespace FlashTable
