// The device registry against the simulated firmware: what the window is told
// when devices are plugged, unplugged, switched off and clicked.

#include "DevicesTestSupport.h"
#include "RecordingView.h"
#include "SimFixture.h"
#include "TestApplication.h"
#include "WorkerFakes.h"

#include "devices/DeviceRegistry.h"
#include "hid/DeviceWorker.h"
#include "language/InterfaceText.h"
#include "language/Language.h"
#include "language/TextIds.h"
#include "platform/UserSettings.h"
#include "store/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <atomic>
#include <thread>

namespace {

const QString kShipped = QStringLiteral(TARVO_SOURCE_DIR "/resources/");

QCoreApplication& App()
{
    return TestApplication("tarvo_devices_tests");
}

QString ChangePath(std::string const& commandPath, char const* interface = "MI_01")
{
    QString path = QString::fromStdString(commandPath);
    path.replace(QStringLiteral("MI_01"), QString::fromLatin1(interface));
    return path;
}

class RegistryTest : public SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        ASSERT_TRUE(m_dir.isValid());
        InterfaceText::SetProgramFolder(kShipped);
        Language::SetCurrent(1033);
        m_dataFolder = m_dir.path() + QStringLiteral("/data/");
        m_settings = std::make_unique<UserSettings>(m_dir.path() + QStringLiteral("/Tarvo.conf"));
        ASSERT_NE(m_settings->Open(), UserSettings::OpenResult::Failed);
        m_hid = MakeEmptyList();
    }

    void TearDown() override
    {
        m_registry.reset();
        m_store.CloseDatabase();
        m_hid.reset();
        SimFixture::TearDown();
    }

    static std::unique_ptr<HidDeviceList> MakeEmptyList() { return std::make_unique<HidDeviceList>(FastTimings()); }

    DeviceRegistry& Make(QString programFolder = kShipped)
    {
        m_registry = std::make_unique<DeviceRegistry>(*m_hid, m_store, *m_settings, m_view, programFolder, m_dataFolder);
        return *m_registry;
    }

    // Start-up without the device-change registration.
    DeviceRegistry& Started(QString programFolder = kShipped)
    {
        DeviceRegistry& registry = Make(std::move(programFolder));
        registry.LoadConfiguration();
        registry.LoadDescription();
        registry.RefreshConnectionState(DeviceRegistry::Refresh::Full);
        return registry;
    }

    int StoredDeviceType() const
    {
        UserSettings reread(m_settings->FilePath());
        reread.Open();
        return reread.ReadInt(QStringLiteral("DeviceType"));
    }

    bool DatabaseExists(const char* stem) const
    {
        return QFileInfo::exists(SettingsStore::DatabaseFilePath(m_dataFolder, QString::fromLatin1(stem)));
    }

    QTemporaryDir m_dir;
    QString m_dataFolder;
    std::unique_ptr<UserSettings> m_settings;
    std::unique_ptr<HidDeviceList> m_hid;
    SettingsStore m_store;
    RecordingView m_view;
    std::unique_ptr<DeviceRegistry> m_registry;
};

}

TEST_F(RegistryTest, StartUpWithNothingPluggedShowsTheNoDevicePage)
{
    DeviceRegistry& registry = Started();
    EXPECT_EQ(m_view.items.size(), 8u);
    EXPECT_EQ(m_view.items.at(103).name, "Egret Pro");
    EXPECT_EQ(m_view.items.at(103).image, "device/egret.png");
    EXPECT_EQ(m_view.versionLabel, "Version: v1.0.10");
    EXPECT_EQ(m_view.status, TextIds::kStatusOffline);
    EXPECT_EQ(m_view.view, RegistryView::View::Home);
    EXPECT_EQ(m_view.home, RegistryView::HomeContent::NoDevice);
    EXPECT_EQ(m_view.selected, 101) << "first start: DeviceType absent";
    EXPECT_EQ(m_view.closes, 1);
    EXPECT_FALSE(m_view.devicesPresent);
    EXPECT_EQ(m_view.picture, "device/heron.png");
    EXPECT_EQ(m_view.lighting, 1);
    EXPECT_EQ(m_view.markers.size(), 8u);
    EXPECT_EQ(StoredDeviceType(), 101);
    EXPECT_TRUE(DatabaseExists("heron"));
    const RegistryState state = registry.State();
    EXPECT_FALSE(state.devicesPresent);
    EXPECT_FALSE(state.reachable);
    EXPECT_EQ(state.deviceType, 101);
    EXPECT_EQ(registry.Description().FirmwareModel(), QStringLiteral("heron"));
}

TEST_F(RegistryTest, MouseAndReceiverAtOnceTheCableWins)
{
    Sim("plug heron receiver");
    Sim("plug heron cable");
    Sim("mouse-version heron cable 1.2.3");
    Sim("battery heron receiver 76 1");
    DeviceRegistry& registry = Started();

    const RecordingView::Item& heron = m_view.items.at(101);
    EXPECT_EQ(heron.state[0], kHidConnected);
    EXPECT_EQ(heron.state[1], kHidConnected);
    EXPECT_FALSE(heron.version.empty());
    EXPECT_EQ(m_view.items.at(102).state[0], DeviceRegistry::kItemOffline);
    EXPECT_EQ(m_view.status, TextIds::kStatusCable);
    EXPECT_EQ(m_view.view, RegistryView::View::Home);
    EXPECT_EQ(m_view.home, RegistryView::HomeContent::DeviceList);
    EXPECT_TRUE(m_view.devicesPresent);
    EXPECT_TRUE(registry.IsReachable());
    EXPECT_TRUE(registry.State().devicesPresent);
    EXPECT_EQ(m_hid->CurrentDevType(), 101);
}

TEST_F(RegistryTest, ReceiverWithItsMouseOffIsOfflineInModeOne)
{
    Sim("plug egretv2 receiver");
    Sim("mouse egretv2 off");
    m_settings->WriteInt(QStringLiteral("DeviceType"), 105);
    DeviceRegistry& registry = Started();
    // The receiver answers the enumeration for itself; the first read of the
    // mouse (task 1) finds it out of reach and reports that.
    EXPECT_EQ(m_view.items.at(105).state[1], kHidConnected);
    RecordingWorkerEvents window;
    DeviceWorker worker(*m_hid, m_store, registry, window, InstantWorkerTimings());
    std::thread([&] { worker.RunTask(1); }).join();

    EXPECT_EQ(m_view.items.at(105).state[1], DeviceRegistry::kItemNotConnected);
    EXPECT_EQ(m_view.items.at(105).state[0], DeviceRegistry::kItemOffline);
    EXPECT_EQ(m_view.status, TextIds::kStatusOffline);
    EXPECT_EQ(m_view.home, RegistryView::HomeContent::NoDevice);
    EXPECT_TRUE(registry.State().devicesPresent) << "the receiver is there";
    EXPECT_FALSE(registry.IsReachable());

    const int closes = m_view.closes;
    // The mouse comes back: the lighter refresh shows it in mode 1.
    Sim("mouse egretv2 on");
    registry.RefreshConnectionState(DeviceRegistry::Refresh::Lighter);
    EXPECT_EQ(m_view.items.at(105).state[1], kHidConnected);
    EXPECT_EQ(m_view.status, TextIds::kStatusReceiver);
    EXPECT_EQ(m_view.home, RegistryView::HomeContent::DeviceList);
    EXPECT_TRUE(registry.IsReachable());
    EXPECT_EQ(m_view.closes, closes) << "the lighter variant closes nothing";
}

TEST_F(RegistryTest, LighterRefreshDoesNotStoreTheDeviceType)
{
    m_settings->WriteInt(QStringLiteral("DeviceType"), 104);
    DeviceRegistry& registry = Make();
    registry.LoadConfiguration();
    registry.LoadDescription();
    registry.RefreshConnectionState(DeviceRegistry::Refresh::Lighter);
    EXPECT_EQ(m_view.selected, 104);
    EXPECT_EQ(m_view.lighting, 0) << "Egret has no lighting";
    m_settings->WriteInt(QStringLiteral("DeviceType"), 0);
    registry.RefreshConnectionState(DeviceRegistry::Refresh::Lighter);
    EXPECT_EQ(StoredDeviceType(), 0);
    registry.RefreshConnectionState(DeviceRegistry::Refresh::Full);
    EXPECT_EQ(StoredDeviceType(), 104);
}

TEST_F(RegistryTest, RemovalsAreTiedToTheirModeByPattern)
{
    const std::string cable = Sim("plug heron cable")[0];
    const std::string receiver = Sim("plug plover receiver")[0];
    DeviceRegistry& registry = Started();
    const size_t before = m_view.CallCount();

    struct Case {
        const char* what;
        QString path;
    };
    // Nothing of ours, and our mouse's other interfaces: no pattern matches.
    const Case ignored[] = {
        { "foreign device", QStringLiteral("\\\\?\\HID#VID_046D&PID_C077&MI_00#7&1&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}") },
        { "mouse interface", ChangePath(cable, "MI_00") },
        { "empty path", QString() },
        { "a supported identity that is not open", QStringLiteral("\\\\?\\HID#VID_7768&PID_6D2E&MI_01#1#{x}") },
    };
    for (const Case& c : ignored) {
        registry.OnDeviceChange({ DeviceChangeEvent::Removal, c.path });
        EXPECT_EQ(m_view.CallCount(), before) << c.what;
    }
    EXPECT_TRUE(m_view.tasks.empty());

    // Lower case in, matched upper-cased.
    registry.OnDeviceChange({ DeviceChangeEvent::Removal, ChangePath(receiver).toLower() });
    ASSERT_EQ(m_view.tasks, std::vector<int32_t> { TaskCode(WorkerTask::DeviceRemoved) });
    EXPECT_EQ(registry.State().mode, 1);
    EXPECT_EQ(m_view.Calls().back(), "close");
    registry.OnDeviceChange({ DeviceChangeEvent::Removal, ChangePath(cable) });
    EXPECT_EQ(registry.State().mode, 0);
    EXPECT_EQ(m_view.tasks.size(), 2u);
}

TEST_F(RegistryTest, RemovalWithoutDevicesPresentIsIgnored)
{
    DeviceRegistry& registry = Started();
    const std::string cable = Sim("plug heron cable")[0];
    const size_t before = m_view.CallCount();
    registry.OnDeviceChange({ DeviceChangeEvent::Removal, ChangePath(cable) });
    EXPECT_EQ(m_view.CallCount(), before);
}

TEST_F(RegistryTest, ArrivalsQueueTaskTwoOnlyForNewCommandInterfaces)
{
    DeviceRegistry& registry = Started();
    const std::string egret = Sim("plug egret receiver")[0];
    const size_t before = m_view.CallCount();

    // Cannot be opened, or not the command collection: nothing changes.
    const QString ignored[] = {
        QStringLiteral("\\\\?\\HID#VID_7768&PID_6D25&MI_01#gone#{4d1e55b2-f16f-11cf-88cb-001111000030}"),
        ChangePath(egret, "MI_00"),
        ChangePath(egret, "MI_02"),
        QStringLiteral("garbage"),
    };
    for (const QString& path : ignored)
        registry.OnDeviceChange({ DeviceChangeEvent::Arrival, path });
    EXPECT_EQ(m_view.CallCount(), before);

    registry.OnDeviceChange({ DeviceChangeEvent::Arrival, ChangePath(egret) });
    ASSERT_EQ(m_view.tasks, std::vector<int32_t> { TaskCode(WorkerTask::DeviceArrived) });
    EXPECT_EQ(registry.State().mode, 1) << "the receiver's own mode, not the first unplugged entry's";

    // Once the table holds it, the same arrival (a second broadcast) is no news.
    registry.RefreshConnectionState(DeviceRegistry::Refresh::Full);
    const size_t after = m_view.CallCount();
    registry.OnDeviceChange({ DeviceChangeEvent::Arrival, ChangePath(egret) });
    EXPECT_EQ(m_view.CallCount(), after);
}

TEST_F(RegistryTest, RefreshWhileFlashingDoesNothing)
{
    DeviceRegistry& registry = Make();
    registry.LoadConfiguration();
    Sim("plug heron cable");
    registry.SetFlashing(true);
    const size_t before = m_view.CallCount();
    registry.RefreshConnectionState(DeviceRegistry::Refresh::Full);
    registry.RefreshConnectionState(DeviceRegistry::Refresh::Lighter);
    EXPECT_EQ(m_view.CallCount(), before);
    std::vector<HidDeviceRecord> records;
    EXPECT_FALSE(m_hid->CopyDevices(records)) << "the transport was not touched";
    EXPECT_EQ(StoredDeviceType(), 0);

    registry.SetFlashing(false);
    registry.RefreshConnectionState(DeviceRegistry::Refresh::Full);
    EXPECT_EQ(m_view.status, TextIds::kStatusCable);
}

TEST_F(RegistryTest, ClickingTheCurrentModelReloadsWithoutTaskFour)
{
    DeviceRegistry& registry = Started();
    m_view.markers.clear();
    m_view.picture.clear();
    registry.SelectModel(101);
    EXPECT_TRUE(m_view.tasks.empty());
    EXPECT_EQ(m_view.markers.size(), 8u) << "the description was loaded again";
    EXPECT_EQ(m_view.picture, "device/heron.png");
    EXPECT_EQ(m_view.view, RegistryView::View::Device);

    registry.SelectModel(103);
    EXPECT_EQ(m_view.tasks, std::vector<int32_t> { TaskCode(WorkerTask::ModelSwitched) });
    EXPECT_EQ(StoredDeviceType(), 103);
    EXPECT_EQ(m_hid->CurrentDevType(), 103);
    EXPECT_EQ(m_view.lighting, 0);
    EXPECT_EQ(m_view.markers.size(), 8u);
    EXPECT_EQ(m_view.picture, "device/egret.png");
    EXPECT_TRUE(DatabaseExists("egret"));
    EXPECT_TRUE(m_store.DatabasePath().endsWith("egret_datav3.db"));
    EXPECT_EQ(registry.Description().FirmwareModel(), QStringLiteral("egret"));
    // The worker may take task 4 at once: the database must already be the new one.
    const auto calls = m_view.Calls();
    EXPECT_EQ(calls.back(), "task 4");

    registry.SelectModel(106);
    EXPECT_EQ(m_view.tasks.size(), 2u);
    EXPECT_EQ(m_view.markers.size(), 6u);
    EXPECT_EQ(m_view.lighting, 1);
    EXPECT_EQ(registry.Description().FirmwareModel(), QStringLiteral("egretv2-3311"));
    ASSERT_EQ(registry.DefaultKeys().size(), 6u);
    EXPECT_EQ(registry.DefaultKeys().back().key_code, 7);

    // A click that names no model (an empty list area) switches nothing.
    const size_t before = m_view.CallCount();
    registry.SelectModel(0);
    registry.SelectModel(999);
    EXPECT_EQ(m_view.CallCount(), before);
    EXPECT_EQ(registry.State().deviceType, 106);
    EXPECT_EQ(StoredDeviceType(), 106);
}

TEST_F(RegistryTest, HexSpellingsInConfigStillFindTheDevices)
{
    const QString folder = MakeProgramFolder(m_dir);
    // Cable vid with 0x, receiver pid that looks decimal.
    QByteArray mouse = "<mouse name=\"Heron Pro\" device_type=\"101\" device_attr=\"heron\" image=\"heron.png\">"
                       "<mode value=\"0\" vid=\"0x7768\" pid=\"0x6D25\" hid_interface=\"VID_7768&amp;PID_6D25&amp;MI_01\"/>"
                       "<mode value=\"1\" vid=\"7768\" pid=\"6425\" hid_interface=\"VID_7768&amp;PID_6425&amp;MI_01\"/></mouse>";
    WriteText(folder, QStringLiteral("config.xml"), ConfigXml(mouse));
    Sim("plug heron cable");
    Sim("plug heron receiver");
    Started(folder);
    EXPECT_EQ(m_view.items.at(101).state[0], kHidConnected);
    EXPECT_EQ(m_view.items.at(101).state[1], kHidConnected);
    EXPECT_EQ(m_view.status, TextIds::kStatusCable);
}

TEST_F(RegistryTest, TwoModelsWithOneDeviceTypeShareItsState)
{
    const QString folder = MakeProgramFolder(m_dir);
    WriteText(folder, QStringLiteral("config.xml"),
              ConfigXml(MouseXml(101, "heron", "6D25", "6425") + MouseXml(101, "egret", "6D2E", "642E")));
    Sim("plug egret cable");
    DeviceRegistry& registry = Started(folder);
    const auto calls = m_view.Calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "add 101"), 2);
    EXPECT_EQ(registry.Description().DeviceAttr(), QStringLiteral("heron")) << "the first model's description";
    EXPECT_TRUE(DatabaseExists("heron"));
    EXPECT_FALSE(DatabaseExists("egret"));
    EXPECT_EQ(m_view.items.at(101).state[0], kHidConnected) << "the egret is shown as type 101";
    EXPECT_EQ(m_view.status, TextIds::kStatusCable);
}

TEST_F(RegistryTest, StoredTypeNoModelHasFallsBackToARealModel)
{
    Sim("plug heron cable");
    m_settings->WriteInt(QStringLiteral("DeviceType"), 999);
    DeviceRegistry& registry = Started();
    EXPECT_EQ(registry.State().deviceType, 101);
    EXPECT_EQ(m_view.selected, 101);
    EXPECT_EQ(m_view.status, TextIds::kStatusCable) << "the plugged mouse is found, not hidden behind type 0";
    EXPECT_EQ(StoredDeviceType(), 101);
    EXPECT_TRUE(DatabaseExists("heron"));
    EXPECT_FALSE(DatabaseExists("")) << "no database under an empty name";
}

TEST_F(RegistryTest, MissingOrMalformedConfigOpensWithNoModel)
{
    const QString folder = MakeProgramFolder(m_dir);
    for (const QByteArray& text : { QByteArray(), QByteArray("<config><device><mouse name=\"x\"") }) {
        QFile::remove(folder + QStringLiteral("config.xml"));
        if (!text.isEmpty())
            WriteText(folder, QStringLiteral("config.xml"), text);
        Sim("plug heron cable");
        m_view.Reset();
        DeviceRegistry& registry = Make(folder);
        EXPECT_FALSE(registry.LoadConfiguration());
        registry.LoadDescription();
        registry.RefreshConnectionState(DeviceRegistry::Refresh::Full);
        EXPECT_TRUE(m_view.items.empty());
        EXPECT_EQ(m_view.versionLabel, "Version: v1.0.10");
        EXPECT_EQ(m_view.status, TextIds::kStatusOffline) << "nothing is supported, nothing found";
        EXPECT_EQ(m_view.home, RegistryView::HomeContent::NoDevice);
        EXPECT_EQ(m_view.selected, 0);
        EXPECT_TRUE(m_view.markers.empty());
        EXPECT_FALSE(m_store.IsOpened());
        EXPECT_FALSE(DatabaseExists(""));
        registry.SelectModel(101); // a stray click must not crash either
        Sim("unplug heron cable");
    }
}

TEST_F(RegistryTest, MissingOrMalformedDescriptionKeepsTheEarlierPicture)
{
    const QString folder = MakeProgramFolder(m_dir);
    WriteText(folder, QStringLiteral("config.xml"),
              ConfigXml(MouseXml(101, "heron", "6D25", "6425") + MouseXml(102, "broken", "6D26", "6426")
                        + MouseXml(103, "absent", "6D2E", "642E") + MouseXml(104, "flat", "6D2D", "642D")));
    WriteText(folder, QStringLiteral("device/broken.xml"), "<mouse><image_file mouse_img=\"broken.png\"/><menu light=\"0\">");
    ASSERT_TRUE(QFile::copy(kShipped + QStringLiteral("device/heron.xml"), folder + QStringLiteral("device/heron.xml")));
    WriteText(folder, QStringLiteral("device/flat.xml"),
              "<mouse><mouse_key><key key_value=\"0\" direction=\"0\" rect=\"212\" func_desc=\"150\"/></mouse_key></mouse>");
    DeviceRegistry& registry = Started(folder);
    ASSERT_EQ(m_view.picture, "device/heron.png");

    for (int32_t type : { 102, 103 }) {
        registry.SelectModel(type);
        EXPECT_EQ(m_view.picture, "device/heron.png") << type;
        EXPECT_EQ(m_view.markers.size(), 8u);
        EXPECT_EQ(m_view.lighting, 1);
        EXPECT_EQ(registry.State().deviceType, type) << "the model and its database switched nonetheless";
        EXPECT_EQ(m_view.view, RegistryView::View::Device);
    }
    EXPECT_TRUE(DatabaseExists("broken"));
    EXPECT_TRUE(DatabaseExists("absent"));

    // A rect without "#": the marker is a point at x 0 on line 212.
    registry.SelectModel(104);
    ASSERT_EQ(m_view.markers.size(), 1u);
    EXPECT_EQ(m_view.markers[0].start, QPoint(0, 212));
    EXPECT_EQ(m_view.markers[0].end, QPoint(0, 212));
    EXPECT_EQ(m_view.markers[0].label, QStringLiteral("Left click"));
    EXPECT_EQ(m_view.picture, "device/heron.png") << "no picture in the file";
}

// Names from config.xml and the descriptions become file names only when
// they are plain names: "../" in device_attr must not put a database (and its
// folders) outside the data folder, nor read a description from elsewhere.
TEST_F(RegistryTest, NamesThatAreNoPlainFileNamesNeverBecomePaths)
{
    const QString folder = MakeProgramFolder(m_dir);
    WriteText(folder, QStringLiteral("config.xml"),
              ConfigXml(MouseXml(101, "../../escape/heron", "6D25", "6425") + MouseXml(102, "heron_3311", "6D26", "6426")));
    // Where the escaping name leads from the program folder: a description
    // that would be read if the name were used.
    WriteText(m_dir.path() + QStringLiteral("/"), QStringLiteral("escape/heron.xml"),
              "<mouse><image_file mouse_img=\"outside.png\"/><menu light=\"1\"/></mouse>");
    WriteText(folder, QStringLiteral("device/heron_3311.xml"),
              "<mouse><image_file mouse_img=\"../../../etc/shadow\"/><menu light=\"0\"/></mouse>");
    DeviceRegistry& registry = Started(folder);

    EXPECT_EQ(registry.State().deviceType, 101);
    EXPECT_FALSE(m_store.IsOpened());
    EXPECT_FALSE(QFileInfo::exists(m_dir.path() + QStringLiteral("/escape/heron_datav3.db")));
    EXPECT_FALSE(QFileInfo::exists(m_dataFolder + QStringLiteral("db")) && !QDir(m_dataFolder + QStringLiteral("db")).isEmpty());
    EXPECT_TRUE(m_view.picture.empty()) << "the description outside was read: " << m_view.picture;
    EXPECT_EQ(m_view.items.at(101).image, "") << "no picture from outside the skin folder";

    // A plain model still works; its description's picture name is not plain.
    registry.SelectModel(102);
    EXPECT_TRUE(m_store.IsOpened());
    EXPECT_TRUE(DatabaseExists("heron_3311"));
    EXPECT_TRUE(m_view.picture.empty()) << m_view.picture;
    EXPECT_EQ(m_view.lighting, 0) << "the rest of the description applies";

    // Back to the escaping one: the database of the plain model is closed,
    // nothing is created outside.
    registry.SelectModel(101);
    EXPECT_FALSE(m_store.IsOpened());
    EXPECT_FALSE(QFileInfo::exists(m_dir.path() + QStringLiteral("/escape/heron_datav3.db")));
}

TEST_F(RegistryTest, MouseStopsAnsweringMarksItsModeOffline)
{
    Sim("plug heron cable");
    Sim("plug heron receiver");
    DeviceRegistry& registry = Started();
    const int closes = m_view.closes;

    struct Case {
        int32_t kind;
        int32_t mode;
    };
    // Kind 3 is the cable; any other kind is the receiver; 0 (never read)
    // keeps the mode of the last arrival or removal.
    const Case cases[] = { { 3, 0 }, { 1, 1 }, { 2, 1 } };
    for (const Case& c : cases) {
        registry.RefreshConnectionState(DeviceRegistry::Refresh::Full);
        ASSERT_TRUE(registry.IsReachable());
        registry.DeviceConnectState(c.kind);
        EXPECT_EQ(m_view.items.at(101).state[c.mode], DeviceRegistry::kItemNotConnected) << c.kind;
        EXPECT_EQ(m_view.items.at(101).state[1 - c.mode], kHidConnected) << c.kind;
        EXPECT_FALSE(registry.IsReachable());
        EXPECT_EQ(m_view.status, TextIds::kStatusOffline);
        EXPECT_EQ(m_view.home, RegistryView::HomeContent::NoDevice);
    }
    EXPECT_GT(m_view.closes, closes);
    registry.RefreshConnectionState(DeviceRegistry::Refresh::Full);
    registry.OnDeviceChange({ DeviceChangeEvent::Removal, QStringLiteral("\\\\?\\HID#VID_7768&PID_6425&MI_01#x") });
    registry.DeviceConnectState(0);
    EXPECT_EQ(m_view.items.at(101).state[1], DeviceRegistry::kItemNotConnected);
}

TEST_F(RegistryTest, WorkerTasksReportTheConnectionToTheRegistry)
{
    RecordingWorkerEvents window;
    DeviceRegistry& registry = Started();
    DeviceWorker worker(*m_hid, m_store, registry, window, InstantWorkerTimings());

    const std::string cable = Sim("plug heron cable")[0];
    registry.OnDeviceChange({ DeviceChangeEvent::Arrival, ChangePath(cable) });
    ASSERT_EQ(m_view.tasks, std::vector<int32_t> { TaskCode(WorkerTask::DeviceArrived) });
    std::thread([&] { worker.RunTask(m_view.tasks.back()); }).join();
    EXPECT_EQ(m_view.status, TextIds::kStatusCable);
    EXPECT_TRUE(registry.IsReachable());
    EXPECT_GT(window.Count("reload"), 0) << "the mouse was read";

    // The mouse goes silent: the worker's read marks it offline through the registry.
    Sim("fault heron silent");
    std::thread([&] { worker.RunTask(1); worker.GetMouseData(); }).join();
    EXPECT_FALSE(registry.IsReachable());
    EXPECT_EQ(m_view.items.at(101).state[0], DeviceRegistry::kItemNotConnected);

    Sim("fault heron none");
    Sim("unplug heron cable");
    registry.OnDeviceChange({ DeviceChangeEvent::Removal, ChangePath(cable) });
    ASSERT_EQ(m_view.tasks.back(), TaskCode(WorkerTask::DeviceRemoved));
    std::thread([&] { worker.RunTask(m_view.tasks.back()); }).join();
    EXPECT_FALSE(registry.State().devicesPresent);
    EXPECT_EQ(m_view.home, RegistryView::HomeContent::NoDevice);
}

TEST_F(RegistryTest, DeviceChangesArriveThroughTheRegistration)
{
    QCoreApplication& app = App();
    DeviceRegistry& registry = Make();
    ASSERT_TRUE(registry.Start());
    ASSERT_TRUE(m_view.tasks.empty());
    std::thread plugger([&] { Sim("plug plover cable"); });
    for (int i = 0; i < 400 && m_view.tasks.empty(); ++i) {
        app.processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    plugger.join();
    EXPECT_EQ(m_view.tasks, std::vector<int32_t> { TaskCode(WorkerTask::DeviceArrived) });
    EXPECT_EQ(registry.State().mode, 0);
}

TEST_F(RegistryTest, WorkerAndInterfaceThreadsInterleaveSafely)
{
    Sim("plug heron cable");
    Sim("plug egret receiver");
    DeviceRegistry& registry = Started();
    std::atomic<bool> stop { false };
    std::thread worker([&] {
        for (int i = 0; i < 15; ++i) {
            registry.RefreshConnectionState(i % 2 ? DeviceRegistry::Refresh::Lighter : DeviceRegistry::Refresh::Full);
            registry.ClearReachable();
            registry.DeviceConnectState(i % 4);
        }
        stop = true;
    });
    const int32_t types[] = { 101, 103, 105 };
    int clicks = 0;
    while (!stop) {
        registry.SelectModel(types[clicks++ % 3]);
        registry.OnDeviceChange({ DeviceChangeEvent::Removal, QStringLiteral("\\\\?\\HID#VID_7768&PID_6D25&MI_01#x") });
        (void)registry.IsReachable();
        (void)registry.DefaultKeys();
    }
    worker.join();
    registry.RefreshConnectionState(DeviceRegistry::Refresh::Full);
    // Whatever the interleaving, the registry, the transport and the list agree at the end.
    const RegistryState state = registry.State();
    EXPECT_EQ(m_hid->CurrentDevType(), state.deviceType);
    EXPECT_EQ(m_view.selected, state.deviceType);
    EXPECT_EQ(StoredDeviceType(), state.deviceType);
    EXPECT_TRUE(m_store.DatabasePath().endsWith(registry.Description().DeviceAttr().toUtf8() + "_datav3.db"));
    EXPECT_GT(clicks, 0);
}

TEST_F(RegistryTest, AnotherModelPluggedLeavesTheCurrentOneUnreachable)
{
    // Working on the Heron Pro while only an Egret is plugged: the Egret's
    // item is online and shown (its click is the only way to reach it), the
    // status says the current model is not connected, and transient windows
    // stay open.
    Sim("plug egret cable");
    DeviceRegistry& registry = Make();
    registry.LoadConfiguration();
    registry.LoadDescription();
    registry.RefreshConnectionState(DeviceRegistry::Refresh::Full);
    EXPECT_EQ(m_view.items.at(103).state[0], kHidConnected);
    EXPECT_EQ(m_view.items.at(101).state[0], DeviceRegistry::kItemOffline);
    EXPECT_EQ(m_view.status, TextIds::kStatusOffline);
    EXPECT_EQ(m_view.home, RegistryView::HomeContent::DeviceList);
    EXPECT_EQ(m_view.closes, 0);
    EXPECT_TRUE(registry.State().devicesPresent);
    EXPECT_TRUE(m_view.devicesPresent);
    EXPECT_FALSE(registry.IsReachable());
}

TEST_F(RegistryTest, ClicksAndDeviceChangesNeverWaitForARefreshOfASilentMouse)
{
    Sim("plug egret cable");
    Sim("fault heron cable silent");
    Sim("plug heron cable");
    HidTimings slow = FastTimings();
    slow.replyReadMs = 150;
    slow.replyReads = 4; // 0.6 s for each status query
    slow.statusAttempts = 2;
    m_hid = std::make_unique<HidDeviceList>(slow);
    AddAllSupported(*m_hid);
    DeviceRegistry& registry = Make();
    registry.LoadConfiguration();
    registry.LoadDescription();
    Sim("log clear");

    // The worker's refresh, asking the silent mouse for its status.
    std::atomic<int> phase { 0 };
    std::thread worker([&] {
        phase = 1;
        registry.RefreshConnectionState(DeviceRegistry::Refresh::Full);
        phase = 2;
    });
    for (int i = 0; i < 2000 && LogLines("out").empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(phase.load(), 1);

    // Meanwhile, on the interface thread: a model click, a plug and an unplug.
    registry.SelectModel(103);
    const std::string plover = Sim("plug plover receiver").at(0);
    registry.OnDeviceChange({ DeviceChangeEvent::Arrival, ChangePath(plover) });
    registry.OnDeviceChange({ DeviceChangeEvent::Removal, QStringLiteral("\\\\?\\HID#VID_7768&PID_6D2E&MI_01#x") });
    (void)registry.IsReachable();
    (void)registry.State();
    EXPECT_EQ(phase.load(), 1) << "the interface thread waited for the silent mouse";
    worker.join();
    EXPECT_EQ(m_view.tasks.at(0), TaskCode(WorkerTask::ModelSwitched));
    EXPECT_EQ(m_view.tasks.at(1), TaskCode(WorkerTask::DeviceArrived));
}

TEST_F(RegistryTest, AMouseThisUserMayNotOpenIsToldApartFromNoneUntilItIsPluggedInWithAccess)
{
    RecordingWorkerEvents window;
    DeviceRegistry& registry = Started();
    DeviceWorker worker(*m_hid, m_store, registry, window, InstantWorkerTimings());

    // Its arrival is seen (the interface is listed, not opened) and read by task 2.
    const std::string denied = Sim("plug heron cable denied")[0];
    registry.OnDeviceChange({ DeviceChangeEvent::Arrival, ChangePath(denied) });
    ASSERT_EQ(m_view.tasks, std::vector<int32_t> { TaskCode(WorkerTask::DeviceArrived) });
    std::thread([&] { worker.RunTask(m_view.tasks.back()); }).join();
    EXPECT_EQ(m_view.home, RegistryView::HomeContent::AccessDenied);
    EXPECT_EQ(m_view.status, TextIds::kStatusOffline);
    EXPECT_EQ(m_view.items.at(101).state[0], DeviceRegistry::kItemOffline);
    EXPECT_FALSE(m_view.devicesPresent);
    EXPECT_TRUE(registry.State().accessDenied);
    EXPECT_FALSE(registry.IsReachable());
    EXPECT_TRUE(LogLines("out").empty()) << "nothing may be written to a device that was never opened";
    EXPECT_FALSE(LogLines("denied").empty());

    // Unplugged, it is no longer spoken of.
    Sim("unplug heron cable");
    registry.OnDeviceChange({ DeviceChangeEvent::Removal, ChangePath(denied) });
    ASSERT_EQ(m_view.tasks.back(), TaskCode(WorkerTask::DeviceRemoved));
    std::thread([&] { worker.RunTask(m_view.tasks.back()); }).join();
    EXPECT_EQ(m_view.home, RegistryView::HomeContent::NoDevice);
    EXPECT_FALSE(registry.State().accessDenied);

    // With the rule installed the user plugs it in again: an ordinary mouse.
    const std::string granted = Sim("plug heron cable")[0];
    registry.OnDeviceChange({ DeviceChangeEvent::Arrival, ChangePath(granted) });
    ASSERT_EQ(m_view.tasks.back(), TaskCode(WorkerTask::DeviceArrived));
    std::thread([&] { worker.RunTask(m_view.tasks.back()); }).join();
    EXPECT_EQ(m_view.home, RegistryView::HomeContent::DeviceList);
    EXPECT_EQ(m_view.status, TextIds::kStatusCable);
    EXPECT_FALSE(registry.State().accessDenied);
    EXPECT_TRUE(registry.IsReachable());
}

TEST_F(RegistryTest, ADeniedMouseBesideAnotherModelKeepsTheListAndIsForgottenWhenGone)
{
    // Another model answers: its item is the way to it, so the list stays;
    // the denial is held for when nothing else can be shown.
    Sim("plug egret cable");
    Sim("plug heron cable denied");
    m_settings->WriteInt(QStringLiteral("DeviceType"), 101);
    DeviceRegistry& registry = Started();
    EXPECT_TRUE(m_view.devicesPresent);
    EXPECT_EQ(m_view.items.at(103).state[0], kHidConnected);
    EXPECT_EQ(m_view.home, RegistryView::HomeContent::DeviceList);
    EXPECT_TRUE(registry.State().accessDenied);

    // The node gone between the listing and the opening is no reason to send
    // the user to the udev rule.
    Sim("unplug heron cable");
    registry.RefreshConnectionState(DeviceRegistry::Refresh::Lighter);
    EXPECT_FALSE(registry.State().accessDenied);
    Sim("unplug egret cable");
    registry.RefreshConnectionState(DeviceRegistry::Refresh::Lighter);
    EXPECT_EQ(m_view.home, RegistryView::HomeContent::NoDevice);
}

TEST_F(RegistryTest, AMouseGoingAwayBesideADeniedOneShowsTheDenial)
{
    Sim("plug egretv2 receiver");
    Sim("plug heron cable denied");
    m_settings->WriteInt(QStringLiteral("DeviceType"), 105);
    DeviceRegistry& registry = Started();
    EXPECT_EQ(m_view.home, RegistryView::HomeContent::DeviceList);

    // The receiver's mouse sleeps: the worker's read finds it out of reach.
    Sim("mouse egretv2 off");
    RecordingWorkerEvents window;
    DeviceWorker worker(*m_hid, m_store, registry, window, InstantWorkerTimings());
    std::thread([&] { worker.RunTask(1); }).join();
    EXPECT_FALSE(registry.IsReachable());
    EXPECT_EQ(m_view.home, RegistryView::HomeContent::AccessDenied);
}
