#include "SimFixture.h"

#include "hid/HidTrace.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <array>
#include <atomic>
#include <cstdlib>
#include <thread>

namespace {

// The refresh the device registry runs, in its order.
std::vector<HidDeviceRecord> Refresh(HidDeviceList& list, int32_t devType)
{
    list.ResetCachedDevice();
    list.CloseAll();
    list.EnumerateDevice();
    list.SetOpen(true);
    list.SetCurrentDevType(0);
    std::vector<HidDeviceRecord> records;
    list.CopyDevices(records);
    list.SetCurrentDevType(devType);
    return records;
}

HidInputBuffer Frame(std::initializer_list<uint8_t> bytes)
{
    HidInputBuffer buffer{};
    std::copy(bytes.begin(), bytes.end(), buffer.begin());
    return buffer;
}

std::vector<uint8_t> Head(HidInputBuffer const& buffer, size_t n)
{
    return {buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n)};
}

} // namespace

using HidDeviceListTest = SimFixture;

TEST_F(HidDeviceListTest, SeveralCollectionsYieldOneRecordWithTheStatusValues)
{
    Sim("plug heron cable");
    Sim("battery heron 64 1");
    auto list = MakeList();
    auto const records = Refresh(*list, 101);
    ASSERT_EQ(records.size(), 1u);
    HidDeviceRecord const& r = records[0];
    EXPECT_EQ(r.index, 0);
    EXPECT_EQ(r.vendorId, 0x7768);
    EXPECT_EQ(r.productId, 0x6D25);
    EXPECT_TRUE(r.path.contains(QStringLiteral("&MI_01#"))) << r.path.toStdString();
    EXPECT_EQ(r.product, QStringLiteral("Heron Pro"));
    EXPECT_EQ(r.release, 0x1203);
    EXPECT_EQ(r.devType, 101);
    EXPECT_EQ(r.devMode, 0);
    EXPECT_EQ(r.connectionState, kHidConnected);
    EXPECT_EQ(r.batteryLevel, 64);
    EXPECT_EQ(r.batteryStatus, 1);
}

TEST_F(HidDeviceListTest, UnsupportedAndFlashingInterfacesAreNotOpened)
{
    Sim("plug egret cable update");
    auto list = std::make_unique<HidDeviceList>(FastTimings());
    list->AddSupportedDevice(0x7768, 0x6D2E, QString(), 103, 0);
    Sim("plug heron cable"); // not in this table
    auto const records = Refresh(*list, 103);
    EXPECT_TRUE(records.empty());
    std::vector<HidDeviceRecord> copy;
    EXPECT_FALSE(list->CopyDevices(copy));
    EXPECT_TRUE(LogLines("out").empty()) << "no status query may reach an interface that was not opened";
    EXPECT_EQ(list->IsDevicePresent(0x6D2E), 0);
    EXPECT_EQ(list->IsDevicePresent(0x6D25), 0);
}

TEST_F(HidDeviceListTest, SupportedTableLookups)
{
    HidDeviceList list(FastTimings());
    list.AddSupportedDevice(0x7768, 0x6D25, QString(), 101, 0);
    list.AddSupportedDevice(0x7768, 0x6D25, QString(), 999, 1); // a later duplicate never wins
    list.AddSupportedDevice(0x7768, 0x6425, QString(), 101, 1);
    struct Case {
        int32_t pid;
        int32_t supported;
        int32_t devType;
        int32_t devMode;
    };
    for (Case c : {Case{0x6D25, 1, 101, 0}, Case{0x6425, 1, 101, 1}, Case{0x1234, 0, 0, 0}}) {
        EXPECT_EQ(list.IsSupported(0x7768, c.pid), c.supported) << c.pid;
        EXPECT_EQ(list.LookupDevType(0x7768, c.pid), c.devType) << c.pid;
        EXPECT_EQ(list.LookupDevMode(0x7768, c.pid), c.devMode) << c.pid;
    }
    EXPECT_EQ(list.IsSupported(0x1111, 0x6D25), 0);
    list.ClearSupportedDevices();
    EXPECT_EQ(list.IsSupported(0x7768, 0x6D25), 0);
}

TEST_F(HidDeviceListTest, WiredRecordWinsEvenWithoutAnswer)
{
    Sim("plug heron receiver");
    Sim("plug heron cable");
    auto list = MakeList();
    auto const records = Refresh(*list, 101);
    ASSERT_EQ(records.size(), 2u);
    int32_t const cable = records[0].devMode == 0 ? 0 : 1;
    EXPECT_EQ(list->GetCurrentDevice(), cable);
    EXPECT_EQ(list->GetCurrentDevMode(), 0);
    EXPECT_EQ(list->FindDevice(0x7768, 0x6D25, 0), cable);
    EXPECT_EQ(list->FindDevice(0x7768, 0x6425, 1), 1 - cable);
    EXPECT_EQ(list->FindDevice(0x7768, 0x6425, 0), -1);

    list->SetConnectionState(0x7768, 0x6D25, kHidNoAnswer);
    list->ResetCachedDevice();
    EXPECT_EQ(list->GetCurrentDevice(), cable);
    EXPECT_EQ(list->GetCurrentDevMode(), 1) << "the receiver is the connected one now";
}

TEST_F(HidDeviceListTest, ReceiverWithUnreachableMouseGivesNoDevice)
{
    Sim("plug heron receiver");
    auto list = MakeList();
    auto records = Refresh(*list, 101);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].connectionState, kHidConnected);
    EXPECT_EQ(list->GetCurrentDevMode(), 1);

    // The mouse goes off: the receiver says so with a 0xC0 report.
    Sim("mouse heron off");
    list->ResetCachedDevice();
    list->PollWirelessStatus();
    ASSERT_TRUE(list->CopyDevices(records));
    EXPECT_EQ(records[0].connectionState, kHidNotConnected);
    EXPECT_EQ(list->GetCurrentDevice(), -1);
    EXPECT_EQ(list->GetCurrentDevMode(), -1);
    HidInputBuffer buffer = Frame({0x06, 0x05});
    EXPECT_FALSE(list->SendReport(buffer, HidReply::Wanted));

    // The receiver's newest word counts, once it has come (a loaded machine
    // may take a while to deliver it).
    Sim("mouse heron on");
    for (int i = 0; i < 2000 && list->GetCurrentDevMode() != 1; ++i) {
        list->PollWirelessStatus();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(list->GetCurrentDevMode(), 1);
    EXPECT_EQ(list->GetCurrentDevice(), 0);
}

TEST_F(HidDeviceListTest, OnlyTheFirstReceiverRecordIsConsidered)
{
    Sim("plug heron receiver");
    auto list = std::make_unique<HidDeviceList>(FastTimings());
    list->AddSupportedDevice(0x7768, 0x6425, QString(), 101, 1);
    list->AddSupportedDevice(0x7768, 0x642E, QString(), 101, 1); // a second receiver of the same type
    Sim("plug egret receiver");
    Refresh(*list, 101);
    std::vector<HidDeviceRecord> records;
    ASSERT_TRUE(list->CopyDevices(records));
    ASSERT_EQ(records.size(), 2u);
    list->SetConnectionState(records[0].vendorId, records[0].productId, kHidNotConnected);
    list->ResetCachedDevice();
    EXPECT_EQ(list->GetCurrentDevice(), -1);
}

TEST_F(HidDeviceListTest, SilentInterfaceKeepsDevTypeZero)
{
    Sim("fault heron cable silent");
    Sim("plug heron cable");
    auto list = MakeList();
    auto const records = Refresh(*list, 101);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].devType, 0);
    EXPECT_EQ(records[0].connectionState, kHidNoAnswer);
    EXPECT_EQ(list->GetCurrentDevice(), -1);
    EXPECT_EQ(list->GetCurrentDevMode(), -1);
    EXPECT_EQ(LogLines("out").size(), 3u) << "one status query per attempt";
}

TEST_F(HidDeviceListTest, WrongAnswerToStatusQueryCountsAsSilent)
{
    Sim("fault heron cable wrong");
    Sim("plug heron cable");
    auto list = MakeList();
    auto const records = Refresh(*list, 101);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].devType, 0);
    EXPECT_EQ(records[0].connectionState, kHidNoAnswer);
}

TEST_F(HidDeviceListTest, StatusReplyCarriesEveryField)
{
    Sim("plug heron cable");
    auto list = MakeList();
    Refresh(*list, 101);
    HidInputBuffer buffer = Frame({0x06, 0x05});
    ASSERT_TRUE(list->SendReport(buffer, HidReply::Wanted));
    std::vector<uint8_t> const expected{
        0x06,
        0x05,
        0x00,
        0x00,
        0x00,
        0x25,
        0x6D,
        0x68,
        0x77, // pid, vid
        0x03,
        0x12,
        0x03,
        0x01,
        0x50,
        0x00,
        0x00,
        0x06,
        0x01, // 1.2.3, cable, reachable, 80 %, 6 levels, level 1
        0x07,
        0x00,
        0x0F,
        0x00,
        0x17,
        0x00,
        0x1F,
        0x00,
        0x2F,
        0x00,
        0x3F,
        0x00, // 400 .. 3200
        0x02,
        0x0F,
        0x01,
        0x01,
        0x35,
        0x00,
        0x01,
        0x3C,
        0x00,
        0x3C,
        0x00,
        0x00,
    };
    EXPECT_EQ(Head(buffer, expected.size()), expected);
}

TEST_F(HidDeviceListTest, SendReportWithoutReplyReturnsOnWrite)
{
    Sim("plug heron cable");
    auto list = MakeList();
    Refresh(*list, 101);
    Sim("log clear");
    HidInputBuffer buffer = Frame({0x06, 0x13, 0x02, 0x00, 0x00, 0x02, 0x03});
    HidInputBuffer const sent = buffer;
    EXPECT_TRUE(list->SendReport(buffer, HidReply::NotWanted));
    EXPECT_EQ(buffer, sent);
    auto const out = LogLines("out");
    ASSERT_EQ(out.size(), 1u);
    EXPECT_NE(out[0].find(" 0613020000020300"), std::string::npos) << out[0];
    EXPECT_EQ(State("heron cable")["report_rate"].toInt(), 3);
}

TEST_F(HidDeviceListTest, SendReportWhileClosedTouchesNothing)
{
    Sim("plug heron cable");
    auto list = MakeList();
    Refresh(*list, 101);
    list->CloseAll();
    Sim("log clear");
    HidInputBuffer buffer = Frame({0x06, 0x05});
    EXPECT_FALSE(list->SendReport(buffer, HidReply::Wanted));
    int32_t devType = -5;
    EXPECT_FALSE(list->PollReports(buffer, devType));
    EXPECT_EQ(devType, -5);
    EXPECT_TRUE(LogLines("out").empty());

    // Enumerated but not yet marked open: only the status query goes out.
    list->EnumerateDevice();
    EXPECT_FALSE(list->SendReport(buffer, HidReply::Wanted));
    EXPECT_EQ(LogLines("out").size(), 1u);
}

TEST_F(HidDeviceListTest, SilentDeviceKeepsTheCommandInTheBuffer)
{
    Sim("plug heron cable");
    // The product's own waits: ten reads of 100 ms.
    auto list = MakeList(HidTimings{});
    Refresh(*list, 101);
    Sim("fault heron silent");
    HidInputBuffer buffer = Frame({0x06, 0x07});
    HidInputBuffer const sent = buffer;
    EXPECT_FALSE(list->SendReport(buffer, HidReply::Wanted));
    EXPECT_EQ(buffer, sent);
}

TEST_F(HidDeviceListTest, LateReplyFailsTheExchangeAndArrivesLater)
{
    Sim("plug heron cable");
    auto list = MakeList();
    Refresh(*list, 101);
    Sim("fault heron late 200");
    HidInputBuffer buffer = Frame({0x06, 0x05});
    EXPECT_FALSE(list->SendReport(buffer, HidReply::Wanted));
    EXPECT_EQ(buffer[1], 0x05);
    EXPECT_EQ(buffer[9], 0x00) << "no reply bytes without a reply";
    // The reply is not lost: it is the next report the host reads.
    HidInputBuffer late{};
    int32_t devType = 0;
    for (int i = 0; i < 2000 && devType == 0; ++i)
        list->PollReports(late, devType);
    EXPECT_EQ(devType, 101);
    EXPECT_EQ(late[1], 0x05);
    EXPECT_EQ(late[10], 0x12);
}

TEST_F(HidDeviceListTest, UnplugMidExchangeFailsWithoutHanging)
{
    Sim("plug heron cable");
    auto list = MakeList(HidTimings{});
    Refresh(*list, 101);
    Sim("fault heron unplug");
    HidInputBuffer buffer = Frame({0x06, 0x05});
    EXPECT_FALSE(list->SendReport(buffer, HidReply::Wanted));
    EXPECT_TRUE(Sim("list").empty());
    // The record stays until the next refresh; its device only fails.
    std::vector<HidDeviceRecord> records;
    EXPECT_TRUE(list->CopyDevices(records));
    EXPECT_FALSE(list->SendReport(buffer, HidReply::NotWanted));
    int32_t devType = 0;
    EXPECT_TRUE(list->PollReports(buffer, devType));
    EXPECT_EQ(devType, 0);
    EXPECT_TRUE(Refresh(*list, 101).empty());
}

TEST_F(HidDeviceListTest, PollReportsDeliversNotificationsWithTheirDevType)
{
    Sim("plug heron cable");
    Sim("plug egret receiver");
    auto list = MakeList();
    Refresh(*list, 101);

    struct Case {
        std::string command;
        int32_t devType;
        std::vector<uint8_t> report;
    };
    std::vector<Case> const cases{
        {"dpi-button heron", 101, {0x06, 0xFA, 0, 0, 0, 0x02, 0x02, 0x00}},
        {"battery egret 30 1", 103, {0x06, 0xFA, 0, 0, 0, 0x03, 0x1E, 0x01}},
        {"text heron 2 7", 101, {0x06, 0xFA, 0, 0, 0, 0x50, 0x02, 0x07}},
        {"device-changed egret", 103, {0x06, 0xFA, 0, 0, 0, 0x06, 0x00, 0x00}},
        {"notify heron 4 1 2", 101, {0x06, 0xFA, 0, 0, 0, 0x04, 0x01, 0x02}},
    };
    for (auto const& c : cases) {
        Sim(c.command);
        HidInputBuffer buffer{};
        int32_t devType = 0;
        for (int i = 0; i < 2000 && devType == 0; ++i)
            ASSERT_TRUE(list->PollReports(buffer, devType));
        EXPECT_EQ(devType, c.devType) << c.command;
        EXPECT_EQ(Head(buffer, c.report.size()), c.report) << c.command;
    }
}

TEST_F(HidDeviceListTest, IsDevicePresentNeedsTheCommandInterface)
{
    Sim("plug heron cable");
    Sim("plug egret cable update");
    auto list = MakeList();
    EXPECT_EQ(list->IsDevicePresent(0x6D25), 1);
    EXPECT_EQ(list->IsDevicePresent(0x6D2E), 0) << "flashing mode has no command interface";
    EXPECT_EQ(list->IsDevicePresent(0x6425), 0);
}

TEST_F(HidDeviceListTest, CopyDevicesFiltersByCurrentDevType)
{
    Sim("plug heron cable");
    Sim("plug egret cable");
    Sim("plug egret receiver");
    auto list = MakeList();
    EXPECT_EQ(Refresh(*list, 103).size(), 3u);
    std::vector<HidDeviceRecord> records;
    ASSERT_TRUE(list->CopyDevices(records));
    ASSERT_EQ(records.size(), 2u);
    for (auto const& r : records)
        EXPECT_EQ(r.devType, 103);
    list->SetCurrentDevType(107);
    EXPECT_TRUE(list->CopyDevices(records));
    EXPECT_TRUE(records.empty());
}

TEST_F(HidDeviceListTest, RebuildReplacesTheRecords)
{
    Sim("plug heron cable");
    auto list = MakeList();
    list->Rebuild();
    EXPECT_TRUE(list->IsOpen());
    Sim("unplug heron");
    Sim("plug plover receiver");
    list->Rebuild();
    list->SetCurrentDevType(0);
    std::vector<HidDeviceRecord> records;
    ASSERT_TRUE(list->CopyDevices(records));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].devType, 107);
    EXPECT_EQ(records[0].devMode, 1);
    EXPECT_EQ(records[0].index, 0);
}

TEST_F(HidDeviceListTest, CapabilitiesOfEachInterface)
{
    std::string const command = Sim("plug heron cable")[0];
    auto list = MakeList();
    auto const caps = list->QueryCapabilities(QString::fromStdString(command));
    ASSERT_TRUE(caps.has_value());
    EXPECT_EQ(caps->usagePage, 0xFFB2);
    EXPECT_EQ(caps->usage, 0x0001);
    EXPECT_EQ(caps->productId, 0x6D25);
    // Device-change paths arrive upper-cased.
    std::string mouse = command;
    mouse.replace(mouse.find("MI_01"), 5, "MI_00");
    auto const mouseCaps = list->QueryCapabilities(QString::fromStdString(mouse).toUpper());
    ASSERT_TRUE(mouseCaps.has_value());
    EXPECT_EQ(mouseCaps->usagePage, 0x0001);
    EXPECT_EQ(mouseCaps->usage, 0x0002);
    EXPECT_FALSE(list->QueryCapabilities(QStringLiteral("\\\\?\\HID#VID_7768&PID_0000&MI_01#x#y")).has_value());
}

TEST_F(HidDeviceListTest, ConcurrentCommandsAndPollsAreSerialised)
{
    Sim("plug heron cable");
    // The product's waits, so a slow (sanitised) run still gets every reply in time.
    auto list = MakeList(HidTimings{});
    Refresh(*list, 101);
    std::atomic<int> answered{0};
    std::thread sender([&] {
        for (int i = 0; i < 100; ++i) {
            HidInputBuffer buffer = Frame({0x06, 0x05});
            if (list->SendReport(buffer, HidReply::Wanted) && buffer[1] == 0x05)
                ++answered;
        }
    });
    std::thread poller([&] {
        for (int i = 0; i < 100; ++i) {
            HidInputBuffer buffer{};
            int32_t devType = 0;
            list->PollReports(buffer, devType);
            list->GetCurrentDevMode();
        }
    });
    std::thread refresher([&] {
        for (int i = 0; i < 5; ++i) {
            std::vector<HidDeviceRecord> records;
            list->CopyDevices(records);
            list->ResetCachedDevice();
        }
    });
    sender.join();
    poller.join();
    refresher.join();
    // Every command got its own answer: a poll never stole a reply mid-exchange.
    EXPECT_EQ(answered.load(), 100);
}

TEST_F(HidDeviceListTest, TraceWritesEveryReportAsHex)
{
    Sim("plug heron cable");
    auto list = MakeList();
    Refresh(*list, 101);
    static QStringList captured;
    captured.clear();
    auto previous = qInstallMessageHandler([](QtMsgType, QMessageLogContext const& context, QString const& message) {
        if (QLatin1String(context.category) == QLatin1String("tarvo.hid"))
            captured << message;
    });
    // Through Qt's environment lock: the input threads read it meanwhile.
    qputenv("TARVO_DEBUG", "1");
    HidInputBuffer buffer = Frame({0x06, 0x07});
    EXPECT_TRUE(list->SendReport(buffer, HidReply::Wanted));
    qunsetenv("TARVO_DEBUG");
    list->SendReport(buffer, HidReply::Wanted);
    qInstallMessageHandler(previous);
    ASSERT_EQ(captured.size(), 2) << captured.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(captured[0].startsWith(QStringLiteral("sent ")));
    EXPECT_TRUE(captured[0].endsWith(QStringLiteral(" 06 07") + QStringLiteral(" 00").repeated(62)));
    EXPECT_TRUE(captured[1].startsWith(QStringLiteral("received ")));
    EXPECT_TRUE(captured[1].contains(QStringLiteral(" 06 07 00 00 00 00 00 00 00 00 00 00")));
}

using HidLibraryLoadTest = ::testing::Test;

TEST_F(HidLibraryLoadTest, SystemHidapiEnumeratesWithoutCrashing)
{
    unsetenv("TARVO_HIDAPI_LIBRARY");
    HidDeviceList list(FastTimings());
    AddAllSupported(list);
    list.EnumerateDevice();
    list.SetOpen(true);
    // A developer's own mouse may be attached; nothing else may be opened.
    std::vector<HidDeviceRecord> records;
    list.CopyDevices(records);
    for (auto const& r : records) {
        EXPECT_EQ(r.vendorId, 0x7768);
        EXPECT_TRUE(r.path.startsWith(QStringLiteral("/dev/hidraw"))) << r.path.toStdString();
    }
    if (records.empty()) {
        HidInputBuffer buffer{};
        list.SetCurrentDevType(101);
        EXPECT_FALSE(list.SendReport(buffer, HidReply::Wanted));
        EXPECT_EQ(list.IsDevicePresent(0x6D25), 0);
    }
}

TEST_F(HidLibraryLoadTest, MissingOrIncompleteLibraryLeavesTheListEmpty)
{
    for (char const* name : {"/nonexistent/libhidapi.so", "libudev.so.1"}) {
        setenv("TARVO_HIDAPI_LIBRARY", name, 1);
        HidDeviceList list(FastTimings());
        AddAllSupported(list);
        list.EnumerateDevice();
        list.SetOpen(true);
        std::vector<HidDeviceRecord> records;
        EXPECT_FALSE(list.CopyDevices(records)) << name;
        EXPECT_EQ(list.GetCurrentDevice(), -1) << name;
        EXPECT_EQ(list.OpenMonitorDescriptor(), -1) << name;
        EXPECT_FALSE(list.QueryCapabilities(QStringLiteral("/dev/hidraw0")).has_value()) << name;
    }
    unsetenv("TARVO_HIDAPI_LIBRARY");
}

TEST_F(HidDeviceListTest, EnumerationRetriesTheLibraryAfterAFailure)
{
    Sim("plug heron cable");
    setenv("TARVO_HIDAPI_LIBRARY", "/nonexistent/libhidapi.so", 1);
    auto list = MakeList();
    EXPECT_TRUE(Refresh(*list, 101).empty());
    setenv("TARVO_HIDAPI_LIBRARY", TARVO_HIDSIM_LIBRARY, 1);
    EXPECT_EQ(Refresh(*list, 101).size(), 1u);
}

TEST_F(HidDeviceListTest, PairingThroughTheTransport)
{
    Sim("plug heron receiver");
    auto list = MakeList();
    Refresh(*list, 101);
    HidInputBuffer buffer = Frame({0x06, 0x13, 0x01, 0x00, 0x00, 0x09});
    ASSERT_TRUE(list->SendReport(buffer, HidReply::Wanted));
    EXPECT_EQ(Head(buffer, 6), std::vector<uint8_t>({0x06, 0x13, 0x00, 0x00, 0x00, 0x09}));
    EXPECT_TRUE(State("heron receiver")["pairing"].toBool());

    // Pairing drops the old mouse: the receiver's status report says so.
    list->PollWirelessStatus();
    std::vector<HidDeviceRecord> records;
    list->CopyDevices(records);
    EXPECT_EQ(records.at(0).connectionState, kHidNotConnected);

    Sim("pair heron");
    // The receiver's status report of pairing mode comes first.
    HidInputBuffer report{};
    int32_t devType = 0;
    for (int i = 0; i < 2000 && (devType == 0 || report[1] != 0xFA); ++i)
        list->PollReports(report, devType);
    EXPECT_EQ(Head(report, 8), std::vector<uint8_t>({0x06, 0xFA, 0x00, 0x00, 0x00, 0x01, 0x01, 0x00}));
    for (int i = 0; i < 200 && records.at(0).connectionState != kHidConnected; ++i) {
        list->PollWirelessStatus();
        list->CopyDevices(records);
    }
    EXPECT_EQ(records.at(0).connectionState, kHidConnected);
}

TEST_F(HidDeviceListTest, ReceiverThatReenumeratesAfterPairing)
{
    std::string const before = Sim("plug egret receiver").at(0);
    Sim("start-pairing egret");
    auto const after = Sim("pair egret replug");
    ASSERT_EQ(after.size(), 1u);
    EXPECT_NE(after[0], before) << "a new instance after re-enumeration";
    auto list = MakeList();
    auto const records = Refresh(*list, 103);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].path, QString::fromStdString(after[0]));
    EXPECT_EQ(records[0].connectionState, kHidConnected);
}

TEST_F(HidDeviceListTest, EachReplyAnswersItsOwnCommandAndNotificationsWaitForThePoll)
{
    Sim("plug heron cable");
    Sim("battery heron 64 1"); // nothing has the device open: its notification goes nowhere
    auto list = MakeList();
    Refresh(*list, 101);
    std::atomic<int> heard{0};
    list->SetInputListener([&] { ++heard; });
    // The mouse sends a battery notification ahead of every reply.
    Sim("fault heron noisy");

    HidInputBuffer buffer = Frame({0x06, 0x05});
    ASSERT_TRUE(list->SendReport(buffer, HidReply::Wanted));
    EXPECT_EQ(Head(buffer, 2), std::vector<uint8_t>({0x06, 0x05})) << "a notification is no reply";
    EXPECT_EQ(buffer[10], 0x12);
    buffer = Frame({0x06, 0x13, 0x02, 0x00, 0x00, 0x02, 0x03});
    ASSERT_TRUE(list->SendReport(buffer, HidReply::Wanted));
    EXPECT_EQ(Head(buffer, 6), std::vector<uint8_t>({0x06, 0x13, 0x00, 0x00, 0x00, 0x02}));

    // The notifications that came meanwhile wait for the poll, in order.
    EXPECT_TRUE(list->HasInput());
    for (int i = 0; i < 1000 && heard.load() < 4; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // At least: under a slow build a late reply to the refresh's own status
    // query may come too, and is dropped as answering nothing.
    EXPECT_GE(heard.load(), 4) << "two notifications and two replies";
    for (int i = 0; i < 2; ++i) {
        std::optional<HidIncoming> incoming = list->TakeInput();
        ASSERT_TRUE(incoming.has_value()) << i;
        EXPECT_EQ(Head(incoming->input.bytes, 8), std::vector<uint8_t>({0x06, 0xFA, 0, 0, 0, 0x03, 0x40, 0x01})) << i;
        EXPECT_EQ(incoming->devType, 101);
        EXPECT_EQ(incoming->productId, 0x6D25);
    }
    EXPECT_FALSE(list->TakeInput().has_value());
    EXPECT_FALSE(list->HasInput());

    list->SetInputListener({});
    int const before = heard;
    Sim("dpi-button heron");
    HidInputBuffer poll{};
    int32_t devType = 0;
    for (int i = 0; i < 400 && devType == 0; ++i)
        list->PollReports(poll, devType);
    EXPECT_EQ(poll[5], 0x02);
    EXPECT_EQ(heard.load(), before) << "a removed listener is not called";
}

TEST_F(HidDeviceListTest, AReplyTooLateForItsCommandAnswersNoOther)
{
    Sim("plug heron cable");
    auto list = MakeList(); // waits 60 ms for a reply
    Refresh(*list, 101);
    Sim("fault heron late 100");
    struct Case {
        HidInputBuffer first;
        HidInputBuffer second;
    };
    Case const cases[] = {
        {Frame({0x06, 0x05}), Frame({0x06, 0x07})},
        // The same command, another parameter: the parameter tells them apart.
        {Frame({0x06, 0x13, 0x02, 0x00, 0x00, 0x02, 0x03}), Frame({0x06, 0x13, 0x04, 0x00, 0x00, 0x05, 0x01})},
    };
    for (Case const& c : cases) {
        HidInputBuffer first = c.first;
        EXPECT_FALSE(list->SendReport(first, HidReply::Wanted));
        HidInputBuffer second = c.second;
        list->SendReport(second, HidReply::Wanted);
        // Answered or not, never by the first command's reply.
        EXPECT_EQ(second[1], c.second[1]) << HidHexBytes(second).toStdString();
        EXPECT_EQ(second[5], c.second[5]) << HidHexBytes(second).toStdString();
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
}

TEST_F(HidDeviceListTest, TheInterfaceThreadsCallsNeverWaitForASilentDevice)
{
    Sim("plug heron cable");
    Sim("plug egret receiver");
    HidTimings slow = FastTimings();
    slow.replyReadMs = 150;
    slow.replyReads = 4; // 0.6 s for each reply
    slow.statusAttempts = 2;
    auto list = MakeList(slow);
    Refresh(*list, 101);
    std::string const egret = Sim("list").at(1);
    QString const egretPath = QString::fromStdString(egret.substr(egret.rfind(' ') + 1));
    Sim("fault heron silent");
    Sim("log clear");

    // The worker: a command to the silent mouse, then a refresh that asks it again.
    std::atomic<int> phase{0};
    std::thread worker([&] {
        phase = 1;
        HidInputBuffer buffer = Frame({0x06, 0x05});
        list->SendReport(buffer, HidReply::Wanted);
        phase = 2;
        list->Rebuild();
        phase = 3;
    });
    auto waitForQueries = [&](size_t n) {
        for (int i = 0; i < 2000 && LogLines("out").size() < n; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    // What a model click, a device change and the refresh's readers ask.
    auto interfaceCalls = [&] {
        list->SetCurrentDevType(103);
        EXPECT_NE(list->GetCurrentDevMode(), 5);
        list->FindDevice(0x7768, 0x642E, 1);
        std::vector<HidDeviceRecord> records;
        list->CopyDevices(records);
        EXPECT_TRUE(list->QueryCapabilities(egretPath).has_value());
        EXPECT_EQ(list->IsDevicePresent(0x642E), 1); // asked before flashing
        list->SetCurrentDevType(101);
        list->ResetCachedDevice();
    };

    waitForQueries(1);
    ASSERT_EQ(phase.load(), 1);
    interfaceCalls();
    EXPECT_EQ(phase.load(), 1) << "the calls waited for the reply to a command";

    while (phase.load() < 2)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    waitForQueries(2); // the refresh's first status query
    ASSERT_EQ(phase.load(), 2);
    interfaceCalls();
    EXPECT_EQ(phase.load(), 2) << "the calls waited for the refresh";
    worker.join();
}

TEST_F(HidDeviceListTest, ReceiverStatusIsTakenAndNotificationsStayQueued)
{
    Sim("plug heron receiver");
    auto list = MakeList();
    Refresh(*list, 101);
    Sim("battery heron 50 0");
    Sim("mouse heron off");
    list->ResetCachedDevice();
    for (int i = 0; i < 200 && list->GetCurrentDevMode() != -1; ++i)
        list->PollWirelessStatus();
    EXPECT_EQ(list->GetCurrentDevMode(), -1);
    std::optional<HidIncoming> incoming = list->TakeInput();
    ASSERT_TRUE(incoming.has_value());
    EXPECT_EQ(Head(incoming->input.bytes, 8), std::vector<uint8_t>({0x06, 0xFA, 0, 0, 0, 0x03, 50, 0}));
    EXPECT_EQ(incoming->devMode, 1);
}

TEST_F(HidDeviceListTest, InterfacesThatCannotBeOpenedAreKeptApartWithTheirReason)
{
    Sim("plug heron cable denied");
    Sim("plug egret receiver");
    auto list = MakeList();
    list->Rebuild();
    std::vector<HidDeviceRecord> records;
    list->CopyDevices(records);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].devType, 103);
    EXPECT_EQ(records[0].index, 0) << "an unopened interface takes no record index";

    auto const unopened = list->UnopenedInterfaces();
    ASSERT_EQ(unopened.size(), 1u);
    EXPECT_EQ(unopened[0].vendorId, 0x7768);
    EXPECT_EQ(unopened[0].productId, 0x6D25);
    EXPECT_EQ(unopened[0].devType, 101);
    EXPECT_EQ(unopened[0].devMode, 0);
    EXPECT_TRUE(unopened[0].path.contains(QStringLiteral("PID_6D25&MI_01"))) << unopened[0].path.toStdString();
    EXPECT_EQ(unopened[0].reason, DeviceAccess::Result::PermissionDenied);
    EXPECT_TRUE(unopened[0].message.contains(QStringLiteral("Permission denied"))) << unopened[0].message.toStdString();
    // Only the command interface is tried: the other collections are not ours.
    EXPECT_EQ(LogLines("denied").size(), 1u);

    // Commands go nowhere near it.
    list->SetCurrentDevType(101);
    HidInputBuffer buffer = Frame({0x06, 0x05});
    EXPECT_FALSE(list->SendReport(buffer, HidReply::Wanted));
    for (auto const& line : LogLines("out"))
        EXPECT_EQ(line.find("PID_6D25"), std::string::npos) << line;

    // Listing what is attached opens nothing and writes nothing.
    Sim("log clear");
    auto const attached = list->AttachedInterfaces();
    ASSERT_EQ(attached.size(), 2u);
    EXPECT_EQ(attached[0].devType, 101);
    EXPECT_EQ(attached[0].devMode, 0);
    EXPECT_EQ(attached[1].devType, 103);
    EXPECT_EQ(attached[1].devMode, 1);
    EXPECT_NE(attached[1].release, 0);
    EXPECT_TRUE(Sim("log").empty());

    // Plugged in again with access, it is an ordinary record; the next
    // enumeration forgets the old refusal.
    Sim("unplug heron cable");
    Sim("plug heron cable");
    list->Rebuild();
    list->SetCurrentDevType(0);
    list->CopyDevices(records);
    EXPECT_EQ(records.size(), 2u);
    EXPECT_TRUE(list->UnopenedInterfaces().empty());
}
