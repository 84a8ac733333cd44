#include "hid/StatusReply.h"

namespace {

uint16_t Word(std::span<const uint8_t> bytes, std::size_t at)
{
    return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

} // namespace

std::optional<DeviceStatus> DecodeDeviceStatus(std::span<const uint8_t> reply)
{
    if (reply.size() < kDeviceStatusReplySize)
        return std::nullopt;

    DeviceStatus status;
    status.word5 = Word(reply, 5);
    status.word7 = Word(reply, 7);
    status.versionPatch = reply[9];
    status.versionMajorMinor = reply[10];
    status.connectionKind = reply[11];
    status.mouseReachable = reply[12] != 0;
    status.batteryLevel = reply[13];
    status.batteryStatus = reply[14];
    status.byte16 = reply[16];
    status.activeDpiIndex = reply[17];
    for (std::size_t level = 0; level < status.dpiSteps.size(); ++level) {
        status.dpiSteps[level] = Word(reply, 18 + 2 * level);
        status.dpi[level] = (status.dpiSteps[level] + 1) * 50;
    }
    status.reportRate = reply[30];
    status.reportFlag = reply[31];
    status.scrollFlag = reply[32];
    status.liftoffHeight = reply[33];
    status.sensorFlag = reply[34];
    status.highspeedMode = reply[35];
    status.buttonRespondTime = reply[36];
    status.lightSleep = Word(reply, 37);
    status.deepSleep = Word(reply, 39);
    return status;
}

QString FirmwareVersionText(uint8_t majorMinor, uint8_t patch)
{
    const QString digits = QStringLiteral("%1").arg(majorMinor, 2, 16, QLatin1Char('0'));
    return QStringLiteral("%1.%2.%3").arg(digits.at(0)).arg(digits.at(1)).arg(patch);
}

QString LabelledVersionText(const QString& label, const QString& version)
{
    return label + QStringLiteral(": ") + version;
}

std::vector<std::pair<QString, QString>> StoredConfigValues(const DeviceStatus& status)
{
    std::vector<std::pair<QString, QString>> values;
    values.reserve(15);
    for (std::size_t level = 0; level < status.dpi.size(); ++level)
        values.emplace_back(QStringLiteral("dpi_group%1_value").arg(level), QString::number(status.dpi[level]));
    values.emplace_back(QStringLiteral("report_rate"), QString::number(status.reportRate));
    values.emplace_back(QStringLiteral("report_flag"), QString::number(status.reportFlag));
    values.emplace_back(QStringLiteral("scroll_flag"), QString::number(status.scrollFlag));
    values.emplace_back(QStringLiteral("liftoff_height"), QString::number(status.liftoffHeight));
    values.emplace_back(QStringLiteral("sensor_flag"), QString::number(status.sensorFlag));
    values.emplace_back(QStringLiteral("highspeed_mode"), QString::number(status.highspeedMode));
    values.emplace_back(QStringLiteral("button_respondtime"), QString::number(status.buttonRespondTime));
    values.emplace_back(QStringLiteral("light_sleep"), QString::number(status.lightSleep));
    values.emplace_back(QStringLiteral("deep_sleep"), QString::number(status.deepSleep));
    return values;
}

std::optional<QString> DecodeReceiverVersion(std::span<const uint8_t> reply)
{
    if (reply.size() < 11 || reply[5] != 1)
        return std::nullopt;
    return FirmwareVersionText(reply[10], reply[9]);
}

QString ReleaseVersionText(int32_t release)
{
    return FirmwareVersionText(static_cast<uint8_t>((release >> 8) & 0xFF), static_cast<uint8_t>(release & 0xFF));
}
