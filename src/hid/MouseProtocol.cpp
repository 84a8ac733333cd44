#include "hid/MouseProtocol.h"

#include <algorithm>
#include <array>

namespace MouseProtocol {

namespace {

uint8_t LowByte(int value)
{
    return static_cast<uint8_t>(static_cast<unsigned>(value) & 0xFFu);
}

uint8_t HighByte(int value)
{
    return static_cast<uint8_t>((static_cast<unsigned>(value) >> 8) & 0xFFu);
}

Report SingleByte(ParameterId id, int value)
{
    const std::array<uint8_t, 1> bytes{LowByte(value)};
    return BuildSetParameter(id, bytes);
}

} // namespace

Report BuildQuery(Command command)
{
    Report report{};
    report[0] = kCommandReportId;
    report[1] = static_cast<uint8_t>(command);
    return report;
}

Report BuildSetParameter(ParameterId id, std::span<const uint8_t> value)
{
    Report report = BuildQuery(Command::SetParameter);
    const std::size_t count = std::min(value.size(), kMaxParameterValueBytes);
    report[2] = static_cast<uint8_t>(1 + count); // parameter id plus value bytes
    report[5] = static_cast<uint8_t>(id);
    std::copy_n(value.begin(), count, report.begin() + 6);
    return report;
}

Report BuildDpiReport(int dpiCount, int dpiIndex, int dpi)
{
    const std::array<uint8_t, 4> bytes{LowByte(dpiCount), LowByte(dpiIndex), LowByte(dpi),
                                       HighByte(dpi)};
    return BuildSetParameter(ParameterId::Dpi, bytes);
}

Report BuildReportRateReport(int reportRate)
{
    return SingleByte(ParameterId::ReportRate, reportRate);
}

Report BuildSensorOptionReport(int sensorFlag)
{
    return SingleByte(ParameterId::SensorOption, sensorFlag);
}

Report BuildResponseTimeReport(int buttonRespondTime)
{
    return SingleByte(ParameterId::ResponseTime, buttonRespondTime);
}

Report BuildScrollOptionReport(int scrollFlag)
{
    // The firmware expects two reserved zero bytes after the option.
    const std::array<uint8_t, 3> bytes{LowByte(scrollFlag), 0, 0};
    return BuildSetParameter(ParameterId::ScrollOption, bytes);
}

Report BuildLiftOffDistanceReport(int liftoffHeight)
{
    return SingleByte(ParameterId::LiftOffDistance, liftoffHeight);
}

Report BuildHighSpeedModeReport(int highspeedMode)
{
    return SingleByte(ParameterId::HighSpeedMode, highspeedMode);
}

Report BuildSleepTimesReport(int lightSleep, int deepSleep)
{
    const std::array<uint8_t, 4> bytes{LowByte(lightSleep), HighByte(lightSleep),
                                       LowByte(deepSleep), HighByte(deepSleep)};
    return BuildSetParameter(ParameterId::SleepTimes, bytes);
}

Report BuildStartPairingReport()
{
    return BuildSetParameter(ParameterId::StartPairing, {});
}

Report BuildRestoreReport(RestoreScope scope)
{
    Report report = BuildQuery(Command::Restore);
    report[2] = 0x01;
    report[5] = static_cast<uint8_t>(scope);
    return report;
}

RestoreAction ResolvePendingRestore(int selector)
{
    if (selector & 0x1)
        return RestoreAction::ButtonDefaults;
    if (selector & 0x4)
        return RestoreAction::Lighting;
    if (selector & 0x2)
        return RestoreAction::DpiReport;
    return RestoreAction::None;
}

std::optional<Report> BuildSettingTaskReport(int task, const ConfigReader& read)
{
    switch (task) {
    case kTaskDpi: {
        const int index = read(QStringLiteral("dpi_index"));
        const int dpi = read(QStringLiteral("dpi_group%1_value").arg(index));
        return BuildDpiReport(read(QStringLiteral("dpi_count")), index, dpi);
    }
    case kTaskReportRate:
        return BuildReportRateReport(read(QStringLiteral("report_rate")));
    case kTaskSensorOption:
        return BuildSensorOptionReport(read(QStringLiteral("sensor_flag")));
    case kTaskResponseTime:
        return BuildResponseTimeReport(read(QStringLiteral("button_respondtime")));
    case kTaskScrollOption:
        return BuildScrollOptionReport(read(QStringLiteral("scroll_flag")));
    case kTaskLiftOffDistance:
        return BuildLiftOffDistanceReport(read(QStringLiteral("liftoff_height")));
    case kTaskHighSpeedMode:
        return BuildHighSpeedModeReport(read(QStringLiteral("highspeed_mode")));
    case kTaskSleepTimes:
        return BuildSleepTimesReport(read(QStringLiteral("light_sleep")),
                                     read(QStringLiteral("deep_sleep")));
    default:
        return std::nullopt;
    }
}

} // namespace MouseProtocol
