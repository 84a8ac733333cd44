#include "HexBytes.h"

#include "hid/Notification.h"

namespace {

TEST(Notification, EventsThatAreActedOn)
{
    const struct {
        const char* hex;
        NotificationEvent event;
        uint8_t first, second;
    } cases[] = {
        {"06 FA 00 00 00 01 01 00", NotificationEvent::Pairing, 1, 0},
        {"06 FA 00 00 00 02 03 00", NotificationEvent::DpiLevelChanged, 3, 0},
        {"06 FA 00 00 00 03 00 01", NotificationEvent::Battery, 0, 1},
        {"06 FA 11 22 33 03 64 02", NotificationEvent::Battery, 100, 2}, // bytes 2..4 not examined
        {"06 FA 00 00 00 06 00 00", NotificationEvent::DeviceChanged, 0, 0},
        {"06 FA 00 00 00 50 02 01", NotificationEvent::TextRequest, 2, 1},
        {"00 FA 00 00 00 50 00 07", NotificationEvent::TextRequest, 0, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hex);
        std::vector<uint8_t> report = Hex(c.hex);
        report.resize(65, 0);
        const auto n = DecodeNotification(report);
        ASSERT_TRUE(n);
        EXPECT_EQ(n->event, c.event);
        EXPECT_EQ(n->first, c.first);
        EXPECT_EQ(n->second, c.second);
    }
}

TEST(Notification, IgnoredReports)
{
    for (const char* hex : {
             "06 FA 00 00 00 04 01 00", // unknown event
             "06 FA 00 00 00 00 01 00",
             "06 FA 00 00 00 FF 01 00",
             "06 05 00 00 00 02 03 00", // a late command reply
             "C0 01 00 00 00 00 00 00", // receiver status
             "06 FA 00 00 00 02 03",    // too short for its arguments
             "",
         }) {
        EXPECT_FALSE(DecodeNotification(Hex(hex))) << hex;
    }
}

TEST(Notification, PairingSucceedsOnlyWithArgumentOne)
{
    EXPECT_TRUE(IsPairingSuccess(*DecodeNotification(Hex("06 FA 00 00 00 01 01 00"))));
    EXPECT_FALSE(IsPairingSuccess(*DecodeNotification(Hex("06 FA 00 00 00 01 00 00"))));
    EXPECT_FALSE(IsPairingSuccess(*DecodeNotification(Hex("06 FA 00 00 00 01 02 00"))));
    EXPECT_FALSE(IsPairingSuccess(*DecodeNotification(Hex("06 FA 00 00 00 02 01 00"))));
}

TEST(ReceiverStatus, ConnectedOnlyForOne)
{
    EXPECT_EQ(DecodeReceiverStatus(Hex("C0 01")), ReceiverLink::Connected);
    EXPECT_EQ(DecodeReceiverStatus(Hex("C0 00 00")), ReceiverLink::NotConnected);
    EXPECT_EQ(DecodeReceiverStatus(Hex("C0 02")), ReceiverLink::NotConnected);
    EXPECT_FALSE(DecodeReceiverStatus(Hex("06 01")));
    EXPECT_FALSE(DecodeReceiverStatus(Hex("C0")));
    EXPECT_FALSE(DecodeReceiverStatus({}));
}

} // namespace
