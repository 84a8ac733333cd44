#include "HexBytes.h"

#include "hid/StatusReply.h"

namespace {

// A full device-information reply, byte 0 the report id.
//                         0  1  2  3  4  5  6  7  8  9  10 11 12 13 14 15 16 17
const char* kReply = "06 05 00 00 00 34 12 78 56 03 12 03 01 5A 01 00 07 02 "
                     // 18..29: DPI words 400, 800, 1600, 3000, 26000, 50
                     "07 00 0F 00 1F 00 3B 00 07 02 00 00 "
                     // 30..40: rate, flag, scroll, lift-off, sensor, high speed,
                     // response, light sleep 300, deep sleep 1800
                     "01 00 01 02 05 01 08 2C 01 08 07";

std::vector<uint8_t> Reply65(const char* hex)
{
    std::vector<uint8_t> bytes = Hex(hex);
    bytes.resize(65, 0);
    return bytes;
}

TEST(DeviceStatus, DecodesEveryByte)
{
    const auto status = DecodeDeviceStatus(Reply65(kReply));
    ASSERT_TRUE(status);
    EXPECT_EQ(status->word5, 0x1234);
    EXPECT_EQ(status->word7, 0x5678);
    EXPECT_EQ(status->versionPatch, 3);
    EXPECT_EQ(status->versionMajorMinor, 0x12);
    EXPECT_EQ(status->connectionKind, 3);
    EXPECT_TRUE(status->mouseReachable);
    EXPECT_EQ(status->batteryLevel, 90);
    EXPECT_EQ(status->batteryStatus, 1);
    EXPECT_EQ(status->byte16, 7);
    EXPECT_EQ(status->activeDpiIndex, 2);
    EXPECT_EQ(status->dpiSteps, (std::array<uint16_t, 6>{0x0007, 0x000F, 0x001F, 0x003B, 0x0207, 0}));
    EXPECT_EQ(status->dpi, (std::array<int, 6>{400, 800, 1600, 3000, 26000, 50}));
    EXPECT_EQ(status->reportRate, 1);
    EXPECT_EQ(status->reportFlag, 0);
    EXPECT_EQ(status->scrollFlag, 1);
    EXPECT_EQ(status->liftoffHeight, 2);
    EXPECT_EQ(status->sensorFlag, 5);
    EXPECT_EQ(status->highspeedMode, 1);
    EXPECT_EQ(status->buttonRespondTime, 8);
    EXPECT_EQ(status->lightSleep, 300);
    EXPECT_EQ(status->deepSleep, 1800);
    EXPECT_TRUE(status->HasCompleteVersion());
}

TEST(DeviceStatus, StoredKeysInTheirOrder)
{
    const auto status = DecodeDeviceStatus(Reply65(kReply));
    ASSERT_TRUE(status);
    // DPI word 0x001F stores "1600"; light sleep 2C 01 stores "300".
    const std::vector<std::pair<QString, QString>> expected = {
        {"dpi_group0_value", "400"}, {"dpi_group1_value", "800"}, {"dpi_group2_value", "1600"},
        {"dpi_group3_value", "3000"}, {"dpi_group4_value", "26000"}, {"dpi_group5_value", "50"},
        {"report_rate", "1"}, {"report_flag", "0"}, {"scroll_flag", "1"}, {"liftoff_height", "2"},
        {"sensor_flag", "5"}, {"highspeed_mode", "1"}, {"button_respondtime", "8"},
        {"light_sleep", "300"}, {"deep_sleep", "1800"},
    };
    EXPECT_EQ(StoredConfigValues(*status), expected);
}

TEST(DeviceStatus, WidestDpiWordAndSleepWords)
{
    std::vector<uint8_t> reply = Reply65(kReply);
    reply[18] = 0xFF; // level 0 word 0xFFFF: the largest the wire can say
    reply[19] = 0xFF;
    reply[39] = 0xFF;
    reply[40] = 0xFF;
    const auto status = DecodeDeviceStatus(reply);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->dpi[0], 65536 * 50);
    EXPECT_EQ(status->deepSleep, 0xFFFF);
}

TEST(DeviceStatus, VersionPresence)
{
    struct Case {
        uint8_t patch, majorMinor;
        bool complete, any;
    };
    const Case cases[] = {
        {0, 0, false, false},
        {0, 0x12, false, true}, // retried, then accepted after the last attempt
        {3, 0, false, true},
        {3, 0x12, true, true},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> reply = Reply65(kReply);
        reply[9] = c.patch;
        reply[10] = c.majorMinor;
        const auto status = DecodeDeviceStatus(reply);
        ASSERT_TRUE(status);
        EXPECT_EQ(status->HasCompleteVersion(), c.complete);
        EXPECT_EQ(status->HasAnyVersion(), c.any);
    }
}

TEST(DeviceStatus, ReceiverOnlyAnswer)
{
    std::vector<uint8_t> reply = Reply65(kReply);
    reply[11] = 1;
    reply[12] = 0;
    const auto status = DecodeDeviceStatus(reply);
    ASSERT_TRUE(status);
    EXPECT_FALSE(status->mouseReachable);
    EXPECT_EQ(status->connectionKind, 1);
}

TEST(DeviceStatus, ShortRepliesAreRejected)
{
    const std::vector<uint8_t> reply = Reply65(kReply);
    EXPECT_FALSE(DecodeDeviceStatus({}));
    EXPECT_FALSE(DecodeDeviceStatus(std::span(reply).first(40)));
    EXPECT_TRUE(DecodeDeviceStatus(std::span(reply).first(41)));
}

TEST(VersionText, FormatsAndLabels)
{
    const struct {
        uint8_t majorMinor, patch;
        const char* text;
    } cases[] = {
        {0x12, 3, "1.2.3"},
        {0x12, 0, "1.2.0"},
        {0x00, 7, "0.0.7"},
        {0x0A, 255, "0.a.255"},
        {0xAB, 10, "a.b.10"},
        {0xF0, 1, "f.0.1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FirmwareVersionText(c.majorMinor, c.patch), QString::fromLatin1(c.text));
    EXPECT_EQ(LabelledVersionText(QStringLiteral("Mouse"), QStringLiteral("1.2.3")),
              QStringLiteral("Mouse: 1.2.3"));
}

TEST(ReceiverVersion, OnlyWhenTheReceiverAnswered)
{
    EXPECT_EQ(DecodeReceiverVersion(Hex("06 07 00 00 00 01 00 00 00 05 21")), QStringLiteral("2.1.5"));
    EXPECT_FALSE(DecodeReceiverVersion(Hex("06 07 00 00 00 00 00 00 00 05 21")));
    EXPECT_FALSE(DecodeReceiverVersion(Hex("06 07 00 00 00 02 00 00 00 05 21")));
    EXPECT_FALSE(DecodeReceiverVersion(Hex("06 07 00 00 00 01 00 00 00 05")));
}

} // namespace
