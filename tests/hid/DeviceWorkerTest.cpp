#include "SimFixture.h"
#include "WorkerFakes.h"

#include "hid/DeviceWorker.h"
#include "language/InterfaceText.h"
#include "language/Language.h"
#include "store/SettingsStore.h"

#include <QJsonArray>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace {

using RecordingEvents = RecordingWorkerEvents;

constexpr uint32_t kAllPagesButLighting = DeviceEvents::kButtonPage | DeviceEvents::kMacroPage
    | DeviceEvents::kDpiPerformancePage;

class DeviceWorkerTest : public SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        ASSERT_TRUE(m_dir.isValid());
        InterfaceText::SetProgramFolder(QStringLiteral(TARVO_SOURCE_DIR "/resources/"));
        Language::SetCurrent(1033);
        ASSERT_TRUE(m_store.OpenForDevice(m_dir.path() + "/", QStringLiteral("heron")));
        m_list = MakeList();
        m_events = std::make_unique<RecordingEvents>(m_list.get());
        m_worker = std::make_unique<DeviceWorker>(*m_list, m_store, *m_events, *m_events, InstantWorkerTimings());
    }
    void TearDown() override
    {
        m_worker.reset();
        m_store.CloseDatabase();
        SimFixture::TearDown();
    }

    // Plugs the model and lets the registry's refresh find it.
    void Connect(const std::string& plug, int32_t devType = 101)
    {
        Sim("plug " + plug);
        m_list->SetCurrentDevType(devType);
        m_events->RefreshConnectionState(ConnectionEvents::Refresh::Full);
        m_events->Clear();
        Sim("log clear");
        m_worker->SetDevicesPresent(true);
    }

    // Reads the mouse once so the store has a current profile, then forgets
    // what that put in the queue, the log and the recorder.
    void ReadOnce()
    {
        m_worker->Queue(1);
        m_worker->RunPass();
        ASSERT_TRUE(m_worker->IsLoaded());
        m_worker->Tasks().Clear();
        m_events->Clear();
        Sim("log clear");
    }

    std::vector<std::string> Out()
    {
        std::vector<std::string> hex;
        for (const std::string& line : LogLines("out"))
            hex.push_back(line.substr(line.rfind(' ') + 1));
        return hex;
    }

    int Queries(const std::string& commandHex)
    {
        auto out = Out();
        return static_cast<int>(
            std::count_if(out.begin(), out.end(), [&](const std::string& h) { return h.rfind(commandHex, 0) == 0; }));
    }

    QString Config(const char* key)
    {
        QString value;
        m_store.GetConfigValue(m_worker->CurrentProfile(), QString::fromLatin1(key), value);
        return value;
    }

    void RunUntilEmpty()
    {
        for (int i = 0; i < 100 && !m_worker->Tasks().IsEmpty(); ++i)
            m_worker->RunPass();
    }

    QTemporaryDir m_dir;
    SettingsStore m_store;
    std::unique_ptr<HidDeviceList> m_list;
    std::unique_ptr<RecordingEvents> m_events;
    std::unique_ptr<DeviceWorker> m_worker;
};

TEST_F(DeviceWorkerTest, ReadingTheMouseStoresItsStateAndQueuesTheCheckThenTheUpload)
{
    Connect("heron cable");
    Sim("battery heron 64 1");
    m_events->Clear();
    m_worker->Queue(1);
    m_worker->RunPass();

    ASSERT_TRUE(m_worker->IsLoaded());
    QJsonObject state = State("heron cable");
    QJsonArray dpi = state["dpi"].toArray();
    for (int i = 0; i < 6; ++i) {
        QString key = QStringLiteral("dpi_group%1_value").arg(i);
        QString value;
        m_store.GetConfigValue(m_worker->CurrentProfile(), key, value);
        EXPECT_EQ(value, QString::number(dpi[i].toInt())) << key.toStdString();
    }
    for (const char* key : {"report_rate", "report_flag", "scroll_flag", "liftoff_height", "sensor_flag",
             "highspeed_mode", "button_respondtime", "light_sleep", "deep_sleep"})
        EXPECT_EQ(Config(key), QString::number(state[key].toInt())) << key;

    HeldDeviceState held = m_worker->Held();
    EXPECT_EQ(held.mouseVersion, QStringLiteral("1.2.3"));
    EXPECT_EQ(held.connectionKind, 3);
    EXPECT_EQ(held.dpiIndex, state["dpi_index"].toInt());
    EXPECT_TRUE(m_events->Has("mouse-version Mouse firmware: 1.2.3"));
    EXPECT_TRUE(m_events->Has("battery 64 1"));
    EXPECT_TRUE(m_events->Has("device-battery 101 1 64"));
    EXPECT_TRUE(m_events->Has("reload " + std::to_string(kAllPagesButLighting)));
    EXPECT_TRUE(m_events->Has("profile 1 Profile 1"));
    // By cable the mouse firmware is checked, then the macros go out.
    EXPECT_EQ(m_worker->Tasks().Snapshot(), (std::vector<int32_t>{26, 6}));

    // Loaded: a second task 1 does nothing.
    m_worker->Tasks().Clear();
    Sim("log clear");
    m_worker->Queue(1);
    m_worker->RunPass();
    EXPECT_TRUE(Out().empty());
}

TEST_F(DeviceWorkerTest, ThroughTheReceiverTheReceiverVersionIsShownAndItsCheckQueued)
{
    Connect("heron receiver");
    m_worker->Queue(1);
    m_worker->RunPass();
    ASSERT_TRUE(m_worker->IsLoaded());
    EXPECT_EQ(m_worker->Held().receiverVersion, QStringLiteral("1.0.5"));
    EXPECT_TRUE(m_events->Has("receiver-version Receiver firmware: 1.0.5"));
    EXPECT_EQ(m_worker->Tasks().Snapshot(), (std::vector<int32_t>{27, 6}));
}

TEST_F(DeviceWorkerTest, VersionWithAZeroPartIsRetriedToTheFifthAttemptThenAccepted)
{
    Connect("heron cable");
    Sim("mouse-version heron 1.2.0");
    EXPECT_TRUE(m_worker->GetMouseData());
    EXPECT_EQ(Queries("0605"), 5);
    EXPECT_EQ(m_worker->Held().mouseVersion, QStringLiteral("1.2.0"));
}

TEST_F(DeviceWorkerTest, SilentMouseIsMarkedOfflineWithTheHeldKindAndNothingIsStored)
{
    Connect("heron cable");
    ReadOnce();
    EXPECT_TRUE(
        m_store.SetConfigValue(m_worker->CurrentProfile(), QStringLiteral("report_rate"), QStringLiteral("77")));
    Sim("fault heron silent");
    EXPECT_FALSE(m_worker->GetMouseData());
    EXPECT_EQ(Queries("0605"), 5);
    EXPECT_TRUE(m_events->Has("offline 3"));
    EXPECT_EQ(Config("report_rate"), QStringLiteral("77"));
    EXPECT_TRUE(m_worker->Tasks().IsEmpty());
}

TEST_F(DeviceWorkerTest, ReceiverAnsweringForAnUnreachableMouseStoresNothing)
{
    Connect("heron receiver");
    ReadOnce();
    EXPECT_TRUE(
        m_store.SetConfigValue(m_worker->CurrentProfile(), QStringLiteral("dpi_group0_value"), QStringLiteral("5000")));
    Sim("mouse heron off");
    EXPECT_FALSE(m_worker->GetMouseData());
    // The offline transition carries the kind this very reply reported.
    ASSERT_TRUE(m_events->Has("offline "));
    EXPECT_FALSE(m_events->Has("offline 3"));
    EXPECT_EQ(Config("dpi_group0_value"), QStringLiteral("5000"));
    EXPECT_FALSE(m_worker->Held().reachable);
    EXPECT_TRUE(m_worker->Tasks().IsEmpty());
}

TEST_F(DeviceWorkerTest, SettingTasksSendTheStoredValues)
{
    Connect("heron cable");
    ReadOnce();
    int profile = m_worker->CurrentProfile();
    struct Case {
        int task;
        std::vector<std::pair<const char*, const char*>> values;
        std::string wire;
        const char* stateKey;
        int stateValue;
    };
    const std::vector<Case> cases = {
        {10, {{"dpi_count", "6"}, {"dpi_index", "2"}, {"dpi_group2_value", "1600"}}, "0613050000010602400600",
            "dpi_index", 2},
        {17, {{"light_sleep", "300"}, {"deep_sleep", "1800"}}, "06130500000b2c01080700", "deep_sleep", 1800},
        {11, {{"report_rate", "3"}}, "06130200000203", "report_rate", 3},
        {12, {{"sensor_flag", "12"}}, "0613020000070c", "sensor_flag", 12},
        {13, {{"button_respondtime", "4"}}, "06130200000a04", "button_respondtime", 4},
        {14, {{"scroll_flag", "0"}}, "061304000005000000", "scroll_flag", 0},
        {15, {{"liftoff_height", "2"}}, "06130200000602", "liftoff_height", 2},
        {16, {{"highspeed_mode", "1"}}, "06130200000801", "highspeed_mode", 1},
    };
    for (const Case& c : cases) {
        for (const auto& [key, value] : c.values)
            EXPECT_TRUE(m_store.SetConfigValue(profile, QString::fromLatin1(key), QString::fromLatin1(value)));
        Sim("log clear");
        m_worker->Queue(c.task);
        m_worker->RunPass();
        auto out = Out();
        ASSERT_EQ(out.size(), 1u) << "task " << c.task;
        EXPECT_EQ(out[0].substr(0, c.wire.size()), c.wire) << "task " << c.task;
        EXPECT_EQ(State("heron cable")[c.stateKey].toInt(), c.stateValue) << "task " << c.task;
    }
    EXPECT_EQ(State("heron cable")["dpi"].toArray()[2].toInt(), 1600);
}

// A whole profile (after a switch or an import) reaches every DPI level in
// use, not only the current one; the current level goes last so the mouse
// ends on it.
TEST_F(DeviceWorkerTest, WritingEverythingSendsEveryDpiLevelInUse)
{
    Connect("heron cable");
    ReadOnce();
    const int profile = m_worker->CurrentProfile();
    const std::pair<const char*, const char*> values[] = {{"dpi_count", "4"}, {"dpi_index", "1"},
        {"dpi_group0_value", "450"}, {"dpi_group1_value", "950"}, {"dpi_group2_value", "1450"},
        {"dpi_group3_value", "1950"}, {"dpi_group4_value", "2450"}};
    for (const auto& [key, value] : values)
        EXPECT_TRUE(m_store.SetConfigValue(profile, QString::fromLatin1(key), QString::fromLatin1(value)));
    m_worker->Queue(5);
    m_worker->RunPass();
    std::vector<std::string> dpi;
    for (const std::string& hex : Out()) {
        if (hex.rfind("061305000001", 0) == 0)
            dpi.push_back(hex.substr(12, 8));
    }
    // count 4, level, DPI low byte first: levels 0, 2, 3, then the current 1.
    EXPECT_EQ(dpi, (std::vector<std::string>{"0400c201", "0402aa05", "04039e07", "0401b603"}));
    const QJsonObject state = State("heron cable");
    EXPECT_EQ(state["dpi_index"].toInt(), 1);
    const QJsonArray levels = state["dpi"].toArray();
    EXPECT_EQ(levels[0].toInt(), 450);
    EXPECT_EQ(levels[1].toInt(), 950);
    EXPECT_EQ(levels[2].toInt(), 1450);
    EXPECT_EQ(levels[3].toInt(), 1950);
    EXPECT_NE(levels[4].toInt(), 2450); // not in use: not sent
}

TEST_F(DeviceWorkerTest, ButtonMapCarriesTheStoredAssignments)
{
    Connect("heron cable");
    ReadOnce();
    KeyAssignment ctrl;
    ctrl.profile = m_worker->CurrentProfile();
    ctrl.key_code = 2;
    ctrl.layout_value = 2;
    ctrl.macro_type = 2;
    ctrl.macro_value = 224; // Left Ctrl alone
    ASSERT_NE(m_store.SetKeyAssignment(ctrl), 0);
    KeyAssignment disabled = ctrl;
    disabled.key_code = 4;
    disabled.macro_type = 8;
    disabled.macro_value = 1;
    ASSERT_NE(m_store.SetKeyAssignment(disabled), 0);

    m_worker->Queue(7);
    m_worker->RunPass();
    std::string map = State("heron cable")["button_map"].toString().toStdString();
    // Buttons 0, 1 keep their defaults; 2 is Left Ctrl; 3 default; 4 disabled.
    EXPECT_EQ(map.substr(0, 40), "1001000010020000200100001010000000000000");
}

TEST_F(DeviceWorkerTest, MacrosAreUploadedInPiecesAndReassembledByTheMouse)
{
    Connect("heron cable");
    ReadOnce();
    auto addMacro = [&](const QString& name, std::vector<MacroStep> steps) {
        int id = m_store.AddMacro(name);
        for (size_t i = 0; i < steps.size(); ++i) {
            steps[i].macro_id = id;
            steps[i].record_index = static_cast<int>(i);
        }
        EXPECT_TRUE(m_store.AddMacroSteps(steps));
    };
    // 3 events and 1 event: the first takes 3 * 4 + 8 bytes.
    addMacro(
        QStringLiteral("Macro1"), {{0, 0, 2, 0, 0x41, 30, {}}, {0, 0, 3, 0, 0x41, 40, {}}, {0, 0, 6, 0, 0, 50, {}}});
    addMacro(QStringLiteral("Macro2"), {{0, 0, 3, 0, 0x43, 20, {}}});

    m_worker->Queue(6);
    m_worker->RunPass();
    auto out = Out();
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].substr(0, 10), "06313b0000");
    EXPECT_EQ(out[1].substr(0, 10), "0631253b00");
    QJsonObject state = State("heron cable");
    std::string image = state["macro_image"].toString().toStdString();
    EXPECT_EQ(image.substr(0, 8), "40005400");
    EXPECT_EQ(state["macro_count"].toInt(), 2);
}

TEST_F(DeviceWorkerTest, UnplugDuringTheMacroUploadStopsAtOnceAndReportsOffline)
{
    Connect("heron cable");
    ReadOnce();
    for (int m = 0; m < 20; ++m) {
        int id = m_store.AddMacro(QStringLiteral("Macro%1").arg(m));
        std::vector<MacroStep> steps;
        for (int e = 0; e < 40; ++e)
            steps.push_back({0, id, e % 2 ? 3 : 2, e, 0x41 + m, 10, {}});
        EXPECT_TRUE(m_store.AddMacroSteps(steps));
    }
    Sim("fault heron unplug");
    m_worker->Queue(6);
    m_worker->RunPass();
    EXPECT_LE(Out().size(), 1u) << "no piece may follow the one that failed";
    EXPECT_TRUE(m_events->Has("offline 3"));
}

TEST_F(DeviceWorkerTest, TaskTableEdgeCases)
{
    Connect("heron cable");
    ReadOnce();

    // Codes that are not tasks, and 9 (lighting lives in the store): consumed
    // without any device traffic.
    for (int code : {8, 9, 18, 19, 22, 31, 99}) {
        m_worker->Queue(code);
        m_worker->RunPass();
        EXPECT_TRUE(m_worker->Tasks().IsEmpty()) << code;
    }
    EXPECT_TRUE(Out().empty());
    EXPECT_TRUE(m_events->Calls().empty());

    // Update tasks go to the window's update handling.
    m_worker->Queue(23);
    m_worker->RunPass();
    EXPECT_TRUE(m_events->Has("update 23"));

    // Paused: each pass drops one task; nothing runs, nothing is polled.
    m_worker->SetPaused(true);
    m_worker->Queue(10);
    m_worker->Queue(7);
    Sim("dpi-button heron");
    m_worker->RunPass();
    EXPECT_EQ(m_worker->Tasks().Snapshot(), (std::vector<int32_t>{7}));
    m_worker->RunPass();
    m_worker->RunPass();
    EXPECT_TRUE(m_worker->Tasks().IsEmpty());
    EXPECT_TRUE(Out().empty());
    EXPECT_FALSE(m_events->Has("dpi-level"));
    m_worker->SetPaused(false);
}

TEST_F(DeviceWorkerTest, WithoutDevicesAPassDoesNothing)
{
    m_worker->SetDevicesPresent(false);
    m_worker->RunPass();
    m_worker->Queue(1); // no mouse: GetCurrentDevMode is -1
    m_worker->RunPass();
    EXPECT_FALSE(m_worker->IsLoaded());
    EXPECT_TRUE(LogLines("out").empty());
    EXPECT_TRUE(m_events->Calls().empty());
}

TEST_F(DeviceWorkerTest, ArrivalWhileUnreachableRefreshesButDoesNotRead)
{
    m_worker->Queue(2);
    m_worker->RunPass();
    EXPECT_TRUE(m_events->Has("refresh full"));
    EXPECT_TRUE(LogLines("out").empty());
    EXPECT_FALSE(m_worker->IsLoaded());
}

TEST_F(DeviceWorkerTest, ArrivalBeforeTheFirstReadReadsTwice)
{
    Sim("plug heron cable");
    m_list->SetCurrentDevType(101);
    m_worker->Queue(2);
    m_worker->RunPass();
    // The refresh's own status query, then the task's read and task 1's.
    EXPECT_EQ(Queries("0605"), 3);
    EXPECT_TRUE(m_worker->IsLoaded());
}

TEST_F(DeviceWorkerTest, ModelSwitchAndFactoryResetEndTheWaitDialog)
{
    Connect("heron cable");
    ReadOnce();
    m_worker->Queue(4);
    m_worker->RunPass();
    EXPECT_TRUE(m_events->Has("close-wait"));
    EXPECT_EQ(Queries("0605"), 1);
    m_worker->Tasks().Clear();

    // The factory reset restores everything in the mouse and reads it back.
    EXPECT_TRUE(m_store.SetConfigValue(m_worker->CurrentProfile(), QStringLiteral("report_rate"), QStringLiteral("3")));
    m_worker->Queue(11);
    m_worker->RunPass();
    ASSERT_EQ(State("heron cable")["report_rate"].toInt(), 3);
    m_events->Clear();
    Sim("log clear");
    m_worker->Queue(21);
    m_worker->RunPass();
    auto out = Out();
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out[0].substr(0, 12), "060f010000ff");
    EXPECT_EQ(Config("report_rate"), QString::number(State("heron cable")["report_rate"].toInt()));
    EXPECT_NE(Config("report_rate"), QStringLiteral("3"));
    EXPECT_TRUE(m_events->Has("close-wait"));
}

TEST_F(DeviceWorkerTest, PendingRestoreHandlesOnlyTheFirstSelectedBit)
{
    Connect("heron cable");
    ReadOnce();
    struct Case {
        int selector;
        const char* call;
        size_t reports;
    };
    for (const Case& c : {Case{0x6, "restore-lighting", 0}, Case{0x1 | 0x2, "restore-buttons", 0},
             Case{0x2, nullptr, 1}, Case{0x0, nullptr, 0}}) {
        m_events->Clear();
        Sim("log clear");
        m_worker->SetPendingRestore(c.selector);
        m_worker->Queue(20);
        m_worker->RunPass();
        auto out = Out();
        EXPECT_EQ(out.size(), c.reports) << c.selector;
        if (c.reports) {
            EXPECT_EQ(out[0].substr(0, 12), "060f01000008");
        }
        if (c.call)
            EXPECT_EQ(m_events->Calls(), std::vector<std::string>{c.call}) << c.selector;
        else
            EXPECT_TRUE(m_events->Calls().empty()) << c.selector;
    }
}

TEST_F(DeviceWorkerTest, NotificationsReachTheWindowAndTheStore)
{
    Connect("heron cable");
    ReadOnce();
    // Polls until the window heard `call` (or gives up).
    auto pollUntil = [&](const std::string& call) {
        for (int i = 0; i < 400 && !m_events->Has(call); ++i)
            m_worker->RunPass();
        return m_events->Has(call);
    };
    int held = m_worker->Held().dpiIndex;

    Sim("dpi-button heron");
    int next = State("heron cable")["dpi_index"].toInt();
    ASSERT_NE(next, held);
    EXPECT_TRUE(pollUntil("dpi-level " + std::to_string(next)));
    EXPECT_EQ(Config("dpi_index"), QString::number(next));

    // The same index again writes nothing.
    m_events->Clear();
    EXPECT_TRUE(m_store.SetConfigValue(m_worker->CurrentProfile(), QStringLiteral("dpi_index"), QStringLiteral("5")));
    Sim("notify heron 2 " + std::to_string(next) + " 0");
    Sim("text heron 9 9"); // arrives after it: once seen, the repeat was handled
    EXPECT_TRUE(pollUntil("text 9 9"));
    EXPECT_FALSE(m_events->Has("dpi-level"));
    EXPECT_EQ(Config("dpi_index"), QStringLiteral("5"));

    // Battery level 0: only the device list hears of it, with the held values.
    Sim("battery heron 55 1");
    EXPECT_TRUE(pollUntil("battery 55 1"));
    m_events->Clear();
    Sim("notify heron 3 0 0");
    EXPECT_TRUE(pollUntil("device-battery 101 1 55"));
    EXPECT_FALSE(m_events->Has("battery "));

    // Text requests: byte 6 = 0 is none; event 0x04 is not a notification we know.
    m_events->Clear();
    Sim("text heron 0 3");
    Sim("notify heron 4 1 1");
    Sim("text heron 2 7");
    EXPECT_TRUE(pollUntil("text 2 7"));
    EXPECT_EQ(m_events->Calls(), std::vector<std::string>{"text 2 7"});
}

TEST_F(DeviceWorkerTest, BatteryNotificationBringsAnOfflineMouseBack)
{
    Connect("heron receiver");
    ReadOnce();
    Sim("mouse heron off");
    EXPECT_FALSE(m_worker->GetMouseData());
    ASSERT_FALSE(m_events->IsReachable());
    Sim("mouse heron on");
    m_events->Clear();
    Sim("battery heron 70 0");
    for (int i = 0; i < 200 && !m_events->Has("battery 70"); ++i)
        m_worker->RunPass();
    EXPECT_TRUE(m_events->Has("refresh lighter"));
    EXPECT_TRUE(m_events->Has("battery 70 0"));
    EXPECT_TRUE(m_events->IsReachable());
    auto queued = m_worker->Tasks().Snapshot();
    EXPECT_NE(std::find(queued.begin(), queued.end(), 27), queued.end());
}

TEST_F(DeviceWorkerTest, ReceiverReportingItsMouseGoneMarksItOffline)
{
    Connect("heron receiver");
    ReadOnce();
    ASSERT_TRUE(m_events->IsReachable());
    m_events->Clear();
    // No command is sent: the receiver's own 0xC0 report is what the poll sees.
    Sim("mouse heron off");
    for (int i = 0; i < 200 && !m_events->Has("offline "); ++i)
        m_worker->RunPass();
    EXPECT_TRUE(m_events->Has("offline "));
    EXPECT_FALSE(m_events->Has("offline 3"));
    EXPECT_FALSE(m_worker->Held().reachable);
    // Marked once: the next passes see nothing new.
    m_events->Clear();
    for (int i = 0; i < 20; ++i)
        m_worker->RunPass();
    EXPECT_FALSE(m_events->Has("offline "));
}

TEST_F(DeviceWorkerTest, ReceiverReportForAnotherModelChangesNothing)
{
    Sim("plug egret receiver");
    Connect("heron receiver");
    ReadOnce();
    ASSERT_TRUE(m_events->IsReachable());
    m_events->Clear();
    // The Egret's receiver reports its mouse gone; the Heron, current, still answers.
    Sim("mouse egret off");
    for (int i = 0; i < 30; ++i)
        m_worker->RunPass();
    EXPECT_FALSE(m_events->Has("offline "));
    EXPECT_TRUE(m_events->IsReachable());
}

TEST_F(DeviceWorkerTest, ThreadRunsTasksFromAnotherThreadAndShutsDownWithTasksQueued)
{
    Connect("heron cable");
    ReadOnce();
    {
        DeviceWorkerThread thread(*m_worker);
        ASSERT_TRUE(thread.Start(2, CThreadBasic::Mode::Looping));
        std::thread producer([&] {
            for (int i = 0; i < 50; ++i) {
                EXPECT_TRUE(m_store.SetConfigValue(
                    m_worker->CurrentProfile(), QStringLiteral("report_rate"), QString::number(i % 4)));
                m_worker->Queue(11);
            }
        });
        producer.join();
        for (int i = 0; i < 5000 && !m_worker->Tasks().IsEmpty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_TRUE(m_worker->Tasks().IsEmpty());
        // The last stored value wins.
        EXPECT_EQ(State("heron cable")["report_rate"].toInt(), 49 % 4);

        // A slow task (a factory reset with the product's settle time would
        // take seconds) and more behind it: shutdown cuts it short.
        for (int i = 0; i < 20; ++i)
            m_worker->Queue(6);
        thread.Shutdown();
        EXPECT_FALSE(thread.IsRunning());
    }
}

// A batch runs whole in one pass, after what was queued before it and before
// what comes after, and tells how it went: the mouse answered, it did not, or
// the batch was dropped while the pairing dialog held the devices.
TEST_F(DeviceWorkerTest, BatchesRunWholeAndTellHowTheyWent)
{
    Connect("heron cable");
    ReadOnce();
    const int profile = m_worker->CurrentProfile();
    ASSERT_TRUE(m_store.SetConfigValue(profile, QStringLiteral("report_rate"), QStringLiteral("3")));
    ASSERT_TRUE(m_store.SetConfigValue(profile, QStringLiteral("button_respondtime"), QStringLiteral("7")));

    std::vector<DeviceWorker::BatchOutcome> outcomes;
    auto record = [&](DeviceWorker::BatchOutcome outcome) { outcomes.push_back(outcome); };
    m_worker->Queue(WorkerTask::SetScrollOption);
    m_worker->QueueBatch({WorkerTask::SetReportRate, WorkerTask::SetResponseTime}, record);
    m_worker->Queue(WorkerTask::SetLiftOff);
    m_worker->RunPass();
    EXPECT_TRUE(outcomes.empty()) << "the task before the batch runs first";
    EXPECT_EQ(Out().size(), 1u);
    m_worker->RunPass();
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0], DeviceWorker::BatchOutcome::Acknowledged);
    auto out = Out();
    ASSERT_EQ(out.size(), 3u) << "both of the batch's reports in one pass, nothing after them yet";
    EXPECT_EQ(out[1].substr(0, 14), "06130200000203");
    EXPECT_EQ(out[2].substr(0, 14), "06130200000a07");
    m_worker->RunPass();
    EXPECT_EQ(Out().size(), 4u);

    // A mouse that does not answer: every report is still tried, and told.
    Sim("fault heron silent");
    outcomes.clear();
    m_worker->QueueBatch({WorkerTask::SetReportRate}, record);
    m_worker->RunPass();
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0], DeviceWorker::BatchOutcome::Unanswered);
    Sim("fault heron none");

    // An empty batch only waits for what is before it; a stray Batch code
    // without QueueBatch carries nothing and takes no one's receipt.
    outcomes.clear();
    m_worker->Queue(WorkerTask::Batch);
    m_worker->QueueBatch({}, record);
    RunUntilEmpty();
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0], DeviceWorker::BatchOutcome::Acknowledged);

    // Paused: dropped unsent, and said so.
    Sim("log clear");
    outcomes.clear();
    m_worker->SetPaused(true);
    m_worker->QueueBatch({WorkerTask::SetReportRate, WorkerTask::ButtonMap}, record);
    m_worker->RunPass();
    m_worker->SetPaused(false);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0], DeviceWorker::BatchOutcome::Dropped);
    EXPECT_TRUE(Out().empty());
}

// Batches from several threads while the worker thread runs: each gets its
// own receipt, exactly once.
TEST_F(DeviceWorkerTest, BatchesFromSeveralThreadsEachGetOneReceipt)
{
    Connect("heron cable");
    ReadOnce();
    constexpr int kThreads = 3;
    constexpr int kBatches = 10;
    std::array<std::atomic<int>, kThreads> receipts{};
    {
        DeviceWorkerThread thread(*m_worker);
        ASSERT_TRUE(thread.Start(1, CThreadBasic::Mode::Looping));
        std::vector<std::thread> producers;
        for (int t = 0; t < kThreads; ++t) {
            producers.emplace_back([&, t] {
                for (int i = 0; i < kBatches; ++i)
                    m_worker->QueueBatch({WorkerTask::SetReportRate},
                        [&receipts, t](DeviceWorker::BatchOutcome) { ++receipts[size_t(t)]; });
            });
        }
        for (std::thread& producer : producers)
            producer.join();
        const auto all = [&] {
            return std::all_of(
                receipts.begin(), receipts.end(), [](const std::atomic<int>& n) { return n == kBatches; });
        };
        for (int i = 0; i < 10000 && !all(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        thread.Shutdown();
    }
    for (const std::atomic<int>& n : receipts)
        EXPECT_EQ(n.load(), kBatches);
}

} // namespace

namespace {

TEST_F(DeviceWorkerTest, ANotificationDuringTheReadIsNoReplyAndStillReachesTheWindow)
{
    // Through the receiver, so the read asks two questions whose answers must
    // not be swapped: the mouse's state and the receiver's version.
    Connect("heron receiver");
    ReadOnce();
    Sim("fault heron noisy");
    ASSERT_TRUE(m_store.SetConfigValue(m_worker->CurrentProfile(), QStringLiteral("report_rate"), QStringLiteral("0")));
    ASSERT_TRUE(m_worker->GetMouseData());
    EXPECT_EQ(Queries("0605"), 1) << "the first reply to the status query was taken";
    EXPECT_EQ(m_worker->Held().receiverVersion, QStringLiteral("1.0.5"));
    EXPECT_EQ(m_worker->Held().mouseVersion, QStringLiteral("1.2.3"));
    EXPECT_EQ(Config("report_rate"), QString::number(State("heron receiver")["report_rate"].toInt()));

    // The battery notifications that came with the replies reach the window.
    Sim("fault heron none");
    m_events->Clear();
    for (int i = 0; i < 100 && !m_events->Has("battery "); ++i)
        m_worker->RunPass();
    EXPECT_TRUE(m_events->Has("battery 80 0"));
}

TEST_F(DeviceWorkerTest, AfterAReadTheStoreHoldsTheLevelTheMouseIsOn)
{
    Connect("heron cable");
    ReadOnce();
    // Pressed twice while the program was not listening (the worker ran no pass).
    Sim("dpi-button heron");
    Sim("dpi-button heron");
    int const level = State("heron cable")["dpi_index"].toInt();
    ASSERT_NE(Config("dpi_index"), QString::number(level));
    ASSERT_TRUE(m_worker->GetMouseData());
    EXPECT_EQ(Config("dpi_index"), QString::number(level));
    EXPECT_EQ(m_worker->Held().dpiIndex, level);

    // A level beyond the profile's count is the profile's last level.
    ASSERT_TRUE(m_store.SetConfigValue(m_worker->CurrentProfile(), QStringLiteral("dpi_count"), QStringLiteral("2")));
    Sim("dpi-button heron"); // level 4 of the mouse's 6
    ASSERT_GE(State("heron cable")["dpi_index"].toInt(), 2);
    ASSERT_TRUE(m_worker->GetMouseData());
    EXPECT_EQ(Config("dpi_index"), QStringLiteral("1"));
}

TEST_F(DeviceWorkerTest, ValuesOutOfRangeFromTheMouseAreIgnored)
{
    Connect("heron cable");
    ReadOnce();
    auto pollUntil = [&](const std::string& call) {
        for (int i = 0; i < 400 && !m_events->Has(call); ++i)
            m_worker->RunPass();
        return m_events->Has(call);
    };
    const QString index = Config("dpi_index");
    Sim("battery heron 55 1");
    ASSERT_TRUE(pollUntil("battery 55 1"));
    m_events->Clear();

    // A DPI level the profile does not have (6 levels), and a battery of 255 %.
    Sim("notify heron 2 200 0");
    Sim("notify heron 2 6 0");
    Sim("notify heron 3 255 0");
    Sim("text heron 9 9"); // arrives after them: once seen, they were handled
    ASSERT_TRUE(pollUntil("text 9 9"));
    EXPECT_FALSE(m_events->Has("dpi-level"));
    EXPECT_EQ(Config("dpi_index"), index);
    EXPECT_FALSE(m_events->Has("battery 255"));
    EXPECT_TRUE(m_events->Has("device-battery 101 1 55")) << "the list keeps the last good reading";

    // The same battery in a read of the mouse: the gauge keeps the last good reading.
    Sim("battery heron 255 0");
    m_events->Clear();
    ASSERT_TRUE(m_worker->GetMouseData());
    EXPECT_TRUE(m_events->Has("battery 55 1"));
    EXPECT_FALSE(m_events->Has("battery 255"));
    EXPECT_EQ(m_worker->Held().batteryLevel, 55);
}

TEST_F(DeviceWorkerTest, TheReceiverReportingItsMouseBackBringsItOnline)
{
    Connect("heron receiver");
    ReadOnce();
    auto pollUntil = [&](const std::function<bool()>& done) {
        for (int i = 0; i < 400 && !done(); ++i)
            m_worker->RunPass();
        return done();
    };
    // Switched off and on: the receiver's reports alone, no battery report.
    Sim("mouse heron off");
    ASSERT_TRUE(pollUntil([&] { return !m_events->IsReachable(); }));
    m_events->Clear();
    Sim("mouse heron on");
    EXPECT_TRUE(pollUntil([&] { return m_events->IsReachable(); }));
    EXPECT_TRUE(m_events->Has("refresh lighter"));
    EXPECT_TRUE(m_events->Has("answered "));
    EXPECT_TRUE(m_events->Has("reload "));

    // Gone silent, then well again: the receiver's word brings it back.
    Sim("fault heron silent");
    EXPECT_FALSE(m_worker->GetMouseData());
    ASSERT_FALSE(m_events->IsReachable());
    Sim("fault heron none");
    m_events->Clear();
    Sim("receiver-status heron");
    EXPECT_TRUE(pollUntil([&] { return m_events->IsReachable(); }));
    EXPECT_TRUE(m_events->Has("refresh lighter"));
}

TEST_F(DeviceWorkerTest, DeviceChangesMergeWithOneStillWaiting)
{
    struct Case {
        std::vector<int32_t> waiting;
        WorkerTask change;
        std::vector<int32_t> after;
    };
    const Case cases[] = {
        {{}, WorkerTask::DeviceRemoved, {3}},
        {{3}, WorkerTask::DeviceRemoved, {3}},
        {{2}, WorkerTask::DeviceRemoved, {2}},
        {{2}, WorkerTask::DeviceArrived, {2}},
        // An arrival does what a removal does and more: it takes its place.
        {{3, 10}, WorkerTask::DeviceArrived, {2, 10}},
        {{10, 26}, WorkerTask::DeviceArrived, {10, 26, 2}},
    };
    for (const Case& c : cases) {
        m_worker->Tasks().Clear();
        for (int32_t code : c.waiting)
            m_worker->Queue(code);
        m_worker->Queue(c.change);
        EXPECT_EQ(m_worker->Tasks().Snapshot(), c.after) << TaskCode(c.change);
    }
    // A storm of plugging leaves one refresh to do.
    m_worker->Tasks().Clear();
    for (int i = 0; i < 100; ++i)
        m_worker->Queue(i % 2 ? WorkerTask::DeviceRemoved : WorkerTask::DeviceArrived);
    EXPECT_EQ(m_worker->Tasks().Snapshot(), std::vector<int32_t>{2});
}

TEST_F(DeviceWorkerTest, AWakingThreadRunsTasksAndNotificationsAsTheyCome)
{
    Connect("heron cable");
    ReadOnce();
    DeviceWorkerThread thread(*m_worker);
    ASSERT_TRUE(thread.Start(0, CThreadBasic::Mode::Waking));
    auto waitFor = [&](const std::function<bool()>& done) {
        for (int i = 0; i < 5000 && !done(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return done();
    };
    // A notification wakes it: no task is queued.
    Sim("battery heron 33 1");
    EXPECT_TRUE(waitFor([&] { return m_events->Has("battery 33 1"); }));
    // So does a task from another thread.
    ASSERT_TRUE(m_store.SetConfigValue(m_worker->CurrentProfile(), QStringLiteral("report_rate"), QStringLiteral("3")));
    std::thread([&] { m_worker->Queue(WorkerTask::SetReportRate); }).join();
    EXPECT_TRUE(waitFor([&] { return State("heron cable")["report_rate"].toInt() == 3; }));
    // The start-up refresh comes before the task queued with it.
    m_events->Clear();
    m_worker->RequestRefresh();
    m_worker->Queue(WorkerTask::LightingOnly);
    EXPECT_TRUE(waitFor([&] { return m_worker->Tasks().IsEmpty() && m_events->Has("refresh full"); }));
    EXPECT_FALSE(m_worker->HasWork());
    thread.Shutdown();
}

} // namespace
