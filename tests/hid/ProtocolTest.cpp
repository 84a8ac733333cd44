#include "HexBytes.h"

#include "hid/MouseProtocol.h"

#include <QHash>

#include <functional>

namespace {

using namespace MouseProtocol;

// A store stand-in: decimal texts by key, missing keys and non-numbers read as 0
// as the store's lenient conversion does.
ConfigReader Store(const QHash<QString, QString>& values)
{
    return [values](const QString& key) { return values.value(key).toInt(); };
}

TEST(SetParameter, DpiLevelGoesOutAsTheDpiItself)
{
    const auto report = BuildSettingTaskReport(
        kTaskDpi, Store({{"dpi_count", "6"}, {"dpi_index", "2"}, {"dpi_group2_value", "1600"},
                         {"dpi_group0_value", "400"}}));
    ASSERT_TRUE(report);
    ExpectReport(*report, "06 13 05 00 00 01 06 02 40 06");
}

TEST(SetParameter, SleepTimesLowByteFirst)
{
    const auto report =
        BuildSettingTaskReport(kTaskSleepTimes, Store({{"light_sleep", "300"}, {"deep_sleep", "1800"}}));
    ASSERT_TRUE(report);
    ExpectReport(*report, "06 13 05 00 00 0B 2C 01 08 07");
}

struct TaskCase {
    int task;
    const char* key;
    const char* value;
    const char* expected;
};

TEST(SetParameter, EverySingleOptionTask)
{
    const TaskCase cases[] = {
        {11, "report_rate", "3", "06 13 02 00 00 02 03"},
        {12, "sensor_flag", "5", "06 13 02 00 00 07 05"},
        {13, "button_respondtime", "12", "06 13 02 00 00 0A 0C"},
        {14, "scroll_flag", "1", "06 13 04 00 00 05 01 00 00"},
        {15, "liftoff_height", "2", "06 13 02 00 00 06 02"},
        {16, "highspeed_mode", "1", "06 13 02 00 00 08 01"},
        // Single-byte values are the low byte of the number.
        {11, "report_rate", "258", "06 13 02 00 00 02 02"},
    };
    for (const TaskCase& c : cases) {
        SCOPED_TRACE(c.task);
        const auto report = BuildSettingTaskReport(c.task, Store({{c.key, c.value}}));
        ASSERT_TRUE(report);
        ExpectReport(*report, c.expected);
    }
}

TEST(SetParameter, MissingOrBrokenValuesAreSentAsZero)
{
    const TaskCase cases[] = {
        {10, "dpi_count", "", "06 13 05 00 00 01 00 00 00 00"},
        {11, "report_rate", "fast", "06 13 02 00 00 02 00"},
        {14, "scroll_flag", "", "06 13 04 00 00 05 00 00 00"},
        {17, "light_sleep", "", "06 13 05 00 00 0B 00 00 00 00"},
    };
    for (const TaskCase& c : cases) {
        SCOPED_TRACE(c.task);
        const auto report = BuildSettingTaskReport(c.task, Store({{c.key, c.value}}));
        ASSERT_TRUE(report);
        ExpectReport(*report, c.expected);
    }
}

TEST(SetParameter, DpiReadsTheLevelNamedByTheIndex)
{
    QStringList asked;
    const ConfigReader reader = [&asked](const QString& key) {
        asked << key;
        if (key == "dpi_index")
            return 5;
        if (key == "dpi_count")
            return 6;
        if (key == "dpi_group5_value")
            return 26000;
        return 0;
    };
    const auto report = BuildSettingTaskReport(kTaskDpi, reader);
    ASSERT_TRUE(report);
    ExpectReport(*report, "06 13 05 00 00 01 06 05 90 65");
    EXPECT_TRUE(asked.contains("dpi_group5_value"));
}

TEST(SetParameter, OtherTasksGiveNoReport)
{
    int reads = 0;
    const ConfigReader reader = [&reads](const QString&) { return ++reads; };
    for (int task : {0, 1, 5, 6, 7, 8, 9, 18, 20, 21, 31, -1})
        EXPECT_FALSE(BuildSettingTaskReport(task, reader)) << task;
    EXPECT_EQ(reads, 0);
}

TEST(SetParameter, DirectBuilders)
{
    ExpectReport(BuildDpiReport(4, 0, 50), "06 13 05 00 00 01 04 00 32 00");
    ExpectReport(BuildSleepTimesReport(40, 14400), "06 13 05 00 00 0B 28 00 40 38");
    ExpectReport(BuildStartPairingReport(), "06 13 01 00 00 09");
}

TEST(SetParameter, OverlongValueIsCutAtTheFrame)
{
    const std::vector<uint8_t> value(70, 0xAB);
    const Report report = BuildSetParameter(ParameterId::ReportRate, value);
    EXPECT_EQ(report[2], 59); // id + 58 value bytes
    EXPECT_EQ(report[63], 0xAB);
}

TEST(Queries, CarryOnlyTheCommand)
{
    ExpectReport(BuildQuery(Command::DeviceInfo), "06 05");
    ExpectReport(BuildQuery(Command::ReceiverInfo), "06 07");
    ExpectReport(BuildQuery(Command::FollowUpA), "06 10");
    ExpectReport(BuildQuery(Command::FollowUpB), "06 11");
}

TEST(Restore, ScopesOnTheWire)
{
    ExpectReport(BuildRestoreReport(RestoreScope::Dpi), "06 0F 01 00 00 08");
    ExpectReport(BuildRestoreReport(RestoreScope::Everything), "06 0F 01 00 00 FF");
}

TEST(Restore, OnlyTheFirstSelectorBitInItsOrderCounts)
{
    const std::pair<int, RestoreAction> cases[] = {
        {0x0, RestoreAction::None},
        {0x1, RestoreAction::ButtonDefaults},
        {0x2, RestoreAction::DpiReport},
        {0x4, RestoreAction::Lighting},
        {0x3, RestoreAction::ButtonDefaults},
        {0x5, RestoreAction::ButtonDefaults},
        {0x6, RestoreAction::Lighting}, // lighting only; no DPI restore report
        {0x7, RestoreAction::ButtonDefaults},
        {0x8, RestoreAction::None},
    };
    for (const auto& [selector, action] : cases)
        EXPECT_EQ(ResolvePendingRestore(selector), action) << selector;
}

} // namespace
