#include "SimFirmware.h"

#include <functional>
#include <gtest/gtest.h>

using tarvo::sim::FindModel;
using tarvo::sim::SimFirmware;
using tarvo::sim::SimLink;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes Frame(std::initializer_list<uint8_t> head)
{
    Bytes frame(64, 0);
    std::copy(head.begin(), head.end(), frame.begin());
    return frame;
}

Bytes Head(Bytes const& bytes, size_t n)
{
    return { bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(n, bytes.size())) };
}

class FirmwareTest : public ::testing::Test {
protected:
    Bytes Status()
    {
        auto const outcome = m_fw.HandleOutput(Frame({ 0x06, 0x05 }));
        EXPECT_TRUE(outcome.reply.has_value());
        return outcome.reply.value_or(Bytes(64, 0));
    }
    // Sends a frame and returns the status byte of its acknowledgement (-1: none).
    int Ack(Bytes const& frame)
    {
        auto const outcome = m_fw.HandleOutput(frame);
        m_problem = outcome.problem;
        return outcome.reply ? (*outcome.reply)[2] : -1;
    }

    SimFirmware m_fw { *FindModel("heron"), SimLink::Cable };
    std::string m_problem;
};

}

TEST_F(FirmwareTest, FactoryStatusReply)
{
    Bytes const expected {
        0x06, 0x05, 0x00, 0x00, 0x00, 0x25, 0x6D, 0x68, 0x77, 0x03, 0x12, 0x03, 0x01, 0x50, 0x00, 0x00, 0x06, 0x01,
        0x07, 0x00, 0x0F, 0x00, 0x17, 0x00, 0x1F, 0x00, 0x2F, 0x00, 0x3F, 0x00,
        0x02, 0x0F, 0x01, 0x01, 0x35, 0x00, 0x01, 0x3C, 0x00, 0x3C, 0x00, 0x00,
    };
    EXPECT_EQ(Head(Status(), expected.size()), expected);
}

TEST_F(FirmwareTest, EveryParameterIsStoredAndReadBack)
{
    struct Case {
        char const* name;
        Bytes frame;
        size_t statusByte;
        Bytes statusBytes;
    };
    std::vector<Case> const cases {
        { "DPI level 2 = 1600, 6 levels", Frame({ 0x06, 0x13, 0x05, 0x00, 0x00, 0x01, 0x06, 0x02, 0x40, 0x06 }), 16,
            { 0x06, 0x02, 0x07, 0x00, 0x0F, 0x00, 0x1F, 0x00 } },
        { "DPI level 0 = 26000, 3 levels", Frame({ 0x06, 0x13, 0x05, 0x00, 0x00, 0x01, 0x03, 0x00, 0x90, 0x65 }), 16,
            { 0x03, 0x00, 0x07, 0x02 } },
        { "report rate 3", Frame({ 0x06, 0x13, 0x02, 0x00, 0x00, 0x02, 0x03 }), 30, { 0x03 } },
        { "scroll 0", Frame({ 0x06, 0x13, 0x04, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00 }), 32, { 0x00 } },
        { "lift-off 2", Frame({ 0x06, 0x13, 0x02, 0x00, 0x00, 0x06, 0x02 }), 33, { 0x02 } },
        { "sensor 0x21", Frame({ 0x06, 0x13, 0x02, 0x00, 0x00, 0x07, 0x21 }), 34, { 0x21 } },
        { "high speed 1", Frame({ 0x06, 0x13, 0x02, 0x00, 0x00, 0x08, 0x01 }), 35, { 0x01 } },
        { "response time 4", Frame({ 0x06, 0x13, 0x02, 0x00, 0x00, 0x0A, 0x04 }), 36, { 0x04 } },
        { "sleep 300 / 1800", Frame({ 0x06, 0x13, 0x05, 0x00, 0x00, 0x0B, 0x2C, 0x01, 0x08, 0x07 }), 37,
            { 0x2C, 0x01, 0x08, 0x07 } },
    };
    for (auto const& c : cases) {
        EXPECT_EQ(Ack(c.frame), 0x00) << c.name << ": " << m_problem;
        Bytes const status = Status();
        EXPECT_EQ(Head(Bytes(status.begin() + static_cast<std::ptrdiff_t>(c.statusByte), status.end()), c.statusBytes.size()),
            c.statusBytes)
            << c.name;
    }
}

TEST_F(FirmwareTest, MalformedParametersAreRejectedAndChangeNothing)
{
    struct Case {
        char const* name;
        Bytes frame;
        int status;
    };
    std::vector<Case> const cases {
        { "DPI with length 4", Frame({ 0x06, 0x13, 0x04, 0x00, 0x00, 0x01, 0x06, 0x02, 0x40, 0x06 }), 0x01 },
        { "byte 3 set", Frame({ 0x06, 0x13, 0x02, 0x01, 0x00, 0x02, 0x03 }), 0x01 },
        { "DPI not a multiple of 50", Frame({ 0x06, 0x13, 0x05, 0x00, 0x00, 0x01, 0x06, 0x02, 0xD2, 0x04 }), 0x02 },
        { "DPI above the sensor", Frame({ 0x06, 0x13, 0x05, 0x00, 0x00, 0x01, 0x06, 0x02, 0xC2, 0x65 }), 0x02 },
        { "DPI index past the count", Frame({ 0x06, 0x13, 0x05, 0x00, 0x00, 0x01, 0x02, 0x02, 0x40, 0x06 }), 0x02 },
        { "seven DPI levels", Frame({ 0x06, 0x13, 0x05, 0x00, 0x00, 0x01, 0x07, 0x02, 0x40, 0x06 }), 0x02 },
        { "report rate code 4", Frame({ 0x06, 0x13, 0x02, 0x00, 0x00, 0x02, 0x04 }), 0x02 },
        { "scroll with stray value bytes", Frame({ 0x06, 0x13, 0x04, 0x00, 0x00, 0x05, 0x01, 0x01, 0x00 }), 0x01 },
        { "unknown parameter 0x0C", Frame({ 0x06, 0x13, 0x02, 0x00, 0x00, 0x0C, 0x01 }), 0x03 },
        { "pairing on a cable", Frame({ 0x06, 0x13, 0x01, 0x00, 0x00, 0x09 }), 0x02 },
    };
    Bytes const before = Status();
    for (auto const& c : cases) {
        EXPECT_EQ(Ack(c.frame), c.status) << c.name;
        EXPECT_FALSE(m_problem.empty()) << c.name;
        EXPECT_EQ(Status(), before) << c.name;
    }
}

TEST_F(FirmwareTest, DpiOfA3311SensorStopsAt12000)
{
    SimFirmware fw(*FindModel("heron-3311"), SimLink::Cable);
    EXPECT_EQ((*fw.HandleOutput(Frame({ 0x06, 0x13, 0x05, 0x00, 0x00, 0x01, 0x06, 0x00, 0xE0, 0x2E })).reply)[2], 0x00);
    EXPECT_EQ((*fw.HandleOutput(Frame({ 0x06, 0x13, 0x05, 0x00, 0x00, 0x01, 0x06, 0x00, 0x12, 0x2F })).reply)[2], 0x02);
}

TEST_F(FirmwareTest, BadFramesAreReportedWithoutReply)
{
    struct Case {
        char const* name;
        Bytes frame;
    };
    std::vector<Case> const cases {
        { "63 bytes", Bytes(63, 0x06) },
        { "65 bytes", Bytes(65, 0x06) },
        { "empty", Bytes() },
        { "report id 0x07", Frame({ 0x07, 0x05 }) },
        { "unknown command 0x99", Frame({ 0x06, 0x99 }) },
    };
    for (auto const& c : cases) {
        auto const outcome = m_fw.HandleOutput(c.frame);
        EXPECT_FALSE(outcome.reply.has_value()) << c.name;
        EXPECT_FALSE(outcome.problem.empty()) << c.name;
    }
}

TEST_F(FirmwareTest, FollowUpQueriesAndReceiverInformationAnswer)
{
    for (uint8_t command : { 0x10, 0x11 }) {
        auto const outcome = m_fw.HandleOutput(Frame({ 0x06, command }));
        ASSERT_TRUE(outcome.reply.has_value());
        EXPECT_EQ((*outcome.reply)[1], command);
    }
    EXPECT_EQ(Head(*m_fw.HandleOutput(Frame({ 0x06, 0x07 })).reply, 11), Bytes({ 0x06, 0x07, 0, 0, 0, 0x00, 0, 0, 0, 0, 0 }));
    SimFirmware receiver(*FindModel("heron"), SimLink::Receiver);
    EXPECT_EQ(Head(*receiver.HandleOutput(Frame({ 0x06, 0x07 })).reply, 11),
        Bytes({ 0x06, 0x07, 0, 0, 0, 0x01, 0, 0, 0, 0x05, 0x10 }));
}

TEST_F(FirmwareTest, RestoreScopes)
{
    Ack(Frame({ 0x06, 0x13, 0x05, 0x00, 0x00, 0x01, 0x03, 0x02, 0x40, 0x06 }));
    Ack(Frame({ 0x06, 0x13, 0x02, 0x00, 0x00, 0x02, 0x03 }));
    Ack(Frame({ 0x06, 0x12, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00 }));
    Bytes const factory = SimFirmware(*FindModel("heron"), SimLink::Cable).HandleOutput(Frame({ 0x06, 0x05 })).reply.value();

    auto const dpiRestore = m_fw.HandleOutput(Frame({ 0x06, 0x0F, 0x01, 0x00, 0x00, 0x08 }));
    EXPECT_FALSE(dpiRestore.reply.has_value()) << "a restore is never answered";
    Bytes status = Status();
    EXPECT_EQ(Head(Bytes(status.begin() + 16, status.end()), 14), Head(Bytes(factory.begin() + 16, factory.end()), 14));
    EXPECT_EQ(status[30], 0x03) << "scope 0x08 leaves the report rate";
    EXPECT_NE(m_fw.StateJson().find("\"button_map\":\"00000000"), std::string::npos);

    EXPECT_FALSE(m_fw.HandleOutput(Frame({ 0x06, 0x0F, 0x01, 0x00, 0x00, 0xFF })).reply.has_value());
    EXPECT_EQ(Status(), factory);
    EXPECT_NE(m_fw.StateJson().find("\"button_map\":\"10010000"), std::string::npos);

    EXPECT_FALSE(m_fw.HandleOutput(Frame({ 0x06, 0x0F, 0x01, 0x00, 0x00, 0x04 })).problem.empty());
    EXPECT_FALSE(m_fw.HandleOutput(Frame({ 0x06, 0x0F, 0x02, 0x00, 0x00, 0xFF })).problem.empty());
}

TEST_F(FirmwareTest, ButtonMapIsStoredWhole)
{
    Bytes frame = Frame({ 0x06, 0x12, 0x20, 0x00, 0x00,
        0x10, 0x01, 0x00, 0x00, 0x10, 0x02, 0x00, 0x00, 0x10, 0x04, 0x00, 0x00, 0x20, 0x01, 0x00, 0x00, // 3: Left Ctrl
        0x30, 0x83, 0x01, 0x00, 0x60, 0x01, 0x02, 0x03, 0x40, 0x02, 0x00, 0x00, 0x1F, 0x01, 0x00, 0x00,
        0x50, 0x0A, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00 });
    frame[61] = 0xAB; // button 14 arrives with three bytes only
    EXPECT_EQ(Ack(frame), 0x00) << m_problem;
    EXPECT_NE(m_fw.StateJson().find("\"button_map\":\"100100001002000010040000200100003083010060010203400200001f010000500a050000000000"),
        std::string::npos)
        << m_fw.StateJson();

    struct Case {
        char const* name;
        size_t at;
        Bytes entry;
    };
    std::vector<Case> const bad {
        { "unknown function 0x77", 5, { 0x77, 0, 0, 0 } },
        { "macro position 32", 9, { 0x60, 0x20, 0, 0 } },
        { "DPI function 2", 13, { 0x1F, 0x02, 0, 0 } },
        { "disabled with arguments", 17, { 0x00, 0x01, 0, 0 } },
        { "launch type 12", 57, { 0x50, 0x0C, 0, 0 } },
    };
    std::string const stored = m_fw.StateJson();
    for (auto const& c : bad) {
        Bytes wrong = frame;
        std::copy(c.entry.begin(), c.entry.end(), wrong.begin() + static_cast<std::ptrdiff_t>(c.at));
        EXPECT_EQ(Ack(wrong), 0x02) << c.name;
        EXPECT_EQ(m_fw.StateJson(), stored) << c.name;
    }
    EXPECT_EQ(Ack(Frame({ 0x06, 0x12, 0x1F, 0x00, 0x00 })), 0x01);

    // Pressing a button: the mouse asks the computer only for its 50 xx yy
    // entries, with the type and the target of the entry.
    std::string entry;
    std::vector<Bytes> reports;
    ASSERT_TRUE(m_fw.PressButton(3, entry, reports));
    EXPECT_EQ(entry, "20010000");
    EXPECT_TRUE(reports.empty());
    ASSERT_TRUE(m_fw.PressButton(8, entry, reports));
    EXPECT_EQ(entry, "500a0500");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(Head(reports[0], 8), Bytes({ 0x06, 0xFA, 0, 0, 0, 0x50, 0x0A, 0x05 }));
    EXPECT_FALSE(m_fw.PressButton(14, entry, reports));
    EXPECT_FALSE(m_fw.PressButton(-1, entry, reports));
}

namespace {

// Two macros of 3 and 1 events: directory 40 00 54 00, 96 bytes in all.
Bytes TwoMacroImage()
{
    Bytes image(96, 0);
    image[0] = 0x40;
    image[2] = 0x54;
    Bytes const records {
        0x0A, 0x00, 0x42, 0x04, 0x32, 0x00, 0x02, 0x04, 0x0A, 0x00, 0x41, 0x01, 0x32, 0x00, 0x83, 0x01, 0, 0, 0, 0,
        0x0A, 0x00, 0x43, 0x01, 0x0A, 0x00, 0x83, 0x01, 0, 0, 0, 0,
    };
    std::copy(records.begin(), records.end(), image.begin() + 64);
    return image;
}

Bytes Piece(Bytes const& image, size_t k, uint8_t length)
{
    Bytes frame = Frame({ 0x06, 0x31, length, static_cast<uint8_t>((59 * k) & 0xFF), static_cast<uint8_t>((59 * k) >> 8) });
    for (size_t i = 0; i < length && 59 * k + i < image.size(); ++i)
        frame[5 + i] = image[59 * k + i];
    return frame;
}

}

TEST_F(FirmwareTest, MacroImageIsReassembledFromItsPieces)
{
    Bytes const image = TwoMacroImage();
    EXPECT_EQ(Ack(Piece(image, 0, 59)), 0x00) << m_problem;
    EXPECT_EQ(Ack(Piece(image, 1, 37)), 0x00) << m_problem;
    std::string const state = m_fw.StateJson();
    EXPECT_NE(state.find("\"macro_count\":2"), std::string::npos);
    EXPECT_NE(state.find("\"macro_image\":\"40005400"), std::string::npos);
    EXPECT_NE(state.find("0a004204320002040a004101"), std::string::npos) << state; // sanity of the hex form
}

TEST_F(FirmwareTest, ImageOfTwoFullPiecesEndsWithAnEmptyOne)
{
    Bytes image(118, 0);
    image[0] = 0x40;
    Bytes const records { 0x0A, 0x00, 0x42, 0x04, 0x0A, 0x00, 0x02, 0x04, 0x0A, 0x00, 0x83, 0x01 };
    std::copy(records.begin(), records.end(), image.begin() + 64);
    EXPECT_EQ(Ack(Piece(image, 0, 59)), 0x00);
    EXPECT_EQ(Ack(Piece(image, 1, 59)), 0x00);
    EXPECT_EQ(m_fw.StateJson().find("\"macro_count\":1"), std::string::npos) << "not complete before the empty piece";
    EXPECT_EQ(Ack(Piece(image, 2, 0)), 0x00) << m_problem;
    EXPECT_NE(m_fw.StateJson().find("\"macro_count\":1"), std::string::npos);
}

TEST_F(FirmwareTest, BrokenMacroUploadsLeaveTheOldImage)
{
    Bytes const good = TwoMacroImage();
    Ack(Piece(good, 0, 59));
    Ack(Piece(good, 1, 37));
    std::string const stored = m_fw.StateJson();

    struct Case {
        char const* name;
        std::function<Bytes()> image;
    };
    std::vector<Case> const cases {
        { "unknown record kind", [&] { Bytes b = good; b[66] = 0x99; return b; } },
        { "end record replaced", [&] { Bytes b = good; b[90] = 0x43; return b; } },
        { "directory past the image", [&] { Bytes b = good; b[2] = 0x64; return b; } },
        { "directory not on a record", [&] { Bytes b = good; b[2] = 0x55; return b; } },
        { "end delay of 5 ms", [&] { Bytes b = good; b[76] = 0x05; b[77] = 0x00; return b; } },
    };
    for (auto const& c : cases) {
        Bytes const image = c.image();
        EXPECT_EQ(Ack(Piece(image, 0, 59)), 0x00) << c.name;
        EXPECT_EQ(Ack(Piece(image, 1, 37)), 0x02) << c.name;
        EXPECT_FALSE(m_problem.empty()) << c.name;
        EXPECT_EQ(m_fw.StateJson(), stored) << c.name;
    }
    // Out of sequence: a piece that skips one, and a continuation without a start.
    EXPECT_EQ(Ack(Piece(good, 0, 59)), 0x00);
    EXPECT_EQ(Ack(Piece(good, 2, 10)), 0x05);
    EXPECT_EQ(Ack(Piece(good, 1, 37)), 0x05);
    EXPECT_EQ(Ack(Frame({ 0x06, 0x31, 60, 0x00, 0x00 })), 0x01);
    EXPECT_EQ(m_fw.StateJson(), stored);
}

TEST_F(FirmwareTest, DpiButtonCyclesTheLevelsInUse)
{
    std::vector<int> seen;
    for (int i = 0; i < 6; ++i)
        seen.push_back(m_fw.PressDpiButton().at(0)[6]);
    EXPECT_EQ(seen, std::vector<int>({ 2, 3, 4, 5, 0, 1 }));
    Ack(Frame({ 0x06, 0x13, 0x05, 0x00, 0x00, 0x01, 0x02, 0x01, 0x40, 0x06 }));
    EXPECT_EQ(m_fw.PressDpiButton().at(0), Bytes({ 0x06, 0xFA, 0, 0, 0, 0x02, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                   0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                   0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 }));
    EXPECT_EQ(m_fw.PressDpiButton().at(0)[6], 1);
}

TEST(ReceiverFirmware, MouseOffPairingAndBackOn)
{
    SimFirmware fw(*FindModel("plover"), SimLink::Receiver);
    Bytes status = *fw.HandleOutput(Frame({ 0x06, 0x05 })).reply;
    EXPECT_EQ(Head(Bytes(status.begin() + 9, status.end()), 6), Bytes({ 0x03, 0x12, 0x02, 0x01, 0x50, 0x00 }));

    auto const off = fw.SetMousePower(false);
    ASSERT_EQ(off.size(), 1u);
    EXPECT_EQ(off[0].size(), 33u);
    EXPECT_EQ(Head(off[0], 2), Bytes({ 0xC0, 0x00 }));
    status = *fw.HandleOutput(Frame({ 0x06, 0x05 })).reply;
    EXPECT_EQ(Head(Bytes(status.begin() + 9, status.end()), 9), Bytes({ 0x05, 0x10, 0x02, 0x00, 0, 0, 0, 0, 0 }))
        << "the receiver answers alone: its version, mouse unreachable, no battery";
    EXPECT_EQ((*fw.HandleOutput(Frame({ 0x06, 0x13, 0x02, 0x00, 0x00, 0x02, 0x01 })).reply)[2], 0x04);
    EXPECT_TRUE(fw.PressDpiButton().empty());
    EXPECT_TRUE(fw.SetBattery(50, 0).empty());
    EXPECT_TRUE(fw.SetMousePower(false).empty()) << "no change, no status report";

    std::vector<SimFirmware::InputReport> reports;
    EXPECT_FALSE(fw.CompletePairing(reports)) << "not pairing";
    auto const start = fw.HandleOutput(Frame({ 0x06, 0x13, 0x01, 0x00, 0x00, 0x09 }));
    EXPECT_EQ((*start.reply)[2], 0x00);
    EXPECT_TRUE(fw.CompletePairing(reports));
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(Head(reports[0], 8), Bytes({ 0x06, 0xFA, 0, 0, 0, 0x01, 0x01, 0x00 }));
    EXPECT_EQ(Head(reports[1], 2), Bytes({ 0xC0, 0x01 }));
    EXPECT_EQ((*fw.HandleOutput(Frame({ 0x06, 0x05 })).reply)[12], 0x01);
    EXPECT_EQ(fw.SetBattery(50, 1).at(0)[6], 50);
}

TEST(ReceiverFirmware, StartingToPairDropsTheMouse)
{
    SimFirmware fw(*FindModel("egret"), SimLink::Receiver);
    auto const outcome = fw.HandleOutput(Frame({ 0x06, 0x13, 0x01, 0x00, 0x00, 0x09 }));
    ASSERT_EQ(outcome.notifications.size(), 1u);
    EXPECT_EQ(Head(outcome.notifications[0], 2), Bytes({ 0xC0, 0x00 }));
    EXPECT_FALSE(fw.MouseReachable());
    EXPECT_EQ((*fw.HandleOutput(Frame({ 0x06, 0x13, 0x02, 0x00, 0x00, 0x09 })).reply)[2], 0x01) << "pairing takes no value";
}

TEST(FirmwareVersion, SetVersionAcceptsOnlyItsForm)
{
    SimFirmware fw(*FindModel("egret"), SimLink::Cable);
    for (char const* bad : { "", "1.2", "1.2.3.4", "16.0.0", "1.2.256", "a.b.c", "1..2", "-1.0.0" })
        EXPECT_FALSE(fw.SetVersion(false, bad)) << bad;
    EXPECT_TRUE(fw.SetVersion(false, "2.10.7"));
    Bytes const status = *fw.HandleOutput(Frame({ 0x06, 0x05 })).reply;
    EXPECT_EQ(status[9], 7);
    EXPECT_EQ(status[10], 0x2A);
    EXPECT_EQ(fw.ReleaseNumber(), 0x2A07);
}
