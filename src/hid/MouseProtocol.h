#pragma once

// Encoders of the plain command reports: queries, set-parameter, restore.
// Pure functions: they build bytes and never touch a device.

#include "hid/Report.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

// Parameter ids of the set-parameter command (byte 5).
enum class ParameterId : uint8_t {
    Dpi = 0x01,
    ReportRate = 0x02,
    ScrollOption = 0x05,
    LiftOffDistance = 0x06,
    SensorOption = 0x07,
    HighSpeedMode = 0x08,
    StartPairing = 0x09,
    ResponseTime = 0x0A,
    SleepTimes = 0x0B,
};

// Scope byte of the restore command.
enum class RestoreScope : uint8_t {
    Dpi = 0x08,
    Everything = 0xFF, // factory reset
};

// What task 20 does for a pending-restore selector: only the first set bit in
// the order 0x1, 0x4, 0x2 counts.
enum class RestoreAction {
    None,
    ButtonDefaults, // 0x1: the button page restores its defaults
    Lighting,       // 0x4: the lighting page restores (store only)
    DpiReport,      // 0x2: restore report with scope Dpi
};

namespace MouseProtocol {

// Task codes whose whole work is one set-parameter report.
inline constexpr int kTaskDpi = 10;
inline constexpr int kTaskReportRate = 11;
inline constexpr int kTaskSensorOption = 12;
inline constexpr int kTaskResponseTime = 13;
inline constexpr int kTaskScrollOption = 14;
inline constexpr int kTaskLiftOffDistance = 15;
inline constexpr int kTaskHighSpeedMode = 16;
inline constexpr int kTaskSleepTimes = 17;

// Room for value bytes after the parameter id (bytes 6..63).
inline constexpr std::size_t kMaxParameterValueBytes = kReportSize - 6;

// A frame holding only the report id and `command`: the queries 0x05, 0x07,
// 0x10 and 0x11 carry nothing else.
Report BuildQuery(Command command);

// 06 13 len 00 00 id value... with len = 1 + value bytes. Value bytes beyond
// kMaxParameterValueBytes do not fit the frame and are left out.
Report BuildSetParameter(ParameterId id, std::span<const uint8_t> value);

// Single-byte values below are the low byte of the number; 16-bit values go out
// low byte first.
Report BuildDpiReport(int dpiCount, int dpiIndex, int dpi); // dpi itself, not steps
Report BuildReportRateReport(int reportRate);
Report BuildSensorOptionReport(int sensorFlag);
Report BuildResponseTimeReport(int buttonRespondTime);
Report BuildScrollOptionReport(int scrollFlag);
Report BuildLiftOffDistanceReport(int liftoffHeight);
Report BuildHighSpeedModeReport(int highspeedMode);
// The stored sleep times as they are, 16 bits each.
Report BuildSleepTimesReport(int lightSleep, int deepSleep);
// Tells the receiver to pair: 06 13 01 00 00 09.
Report BuildStartPairingReport();

// 06 0F 01 00 00 scope.
Report BuildRestoreReport(RestoreScope scope);

RestoreAction ResolvePendingRestore(int selector);

// Reads one configuration value of the current profile as an integer; a missing
// or non-numeric value reads as 0.
using ConfigReader = std::function<int(const QString& key)>;

// The report of set-parameter task 10..17, its values read through `read`
// (dpi_count, dpi_index, dpi_group<index>_value, report_rate, sensor_flag,
// button_respondtime, scroll_flag, liftoff_height, highspeed_mode, light_sleep,
// deep_sleep). Any other task code gives no report.
std::optional<Report> BuildSettingTaskReport(int task, const ConfigReader& read);

} // namespace MouseProtocol
