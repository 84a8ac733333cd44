#include "AppTestSupport.h"

#include "app/MainDlgRegistryView.h"
#include "devices/DeviceRegistry.h"
#include "editors/ButtonPage.h"
#include "language/Language.h"
#include "language/TextIds.h"
#include "platform/UserSettings.h"
#include "widgets/CDeviceList.h"
#include "widgets/MTabCtrl.h"
#include "widgets/MouseCtrl.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <thread>

namespace {

const QString kShippedProgramFolder = QStringLiteral(TARVO_BINARY_DIR "/");

// The main window with its real hooks: the registry reads the program
// folder's config.xml and descriptions; the settings file and the databases
// live in a private folder; the HID list has nothing plugged.
class JoinedMainDlg : public DeviceMainDlg {
public:
    JoinedMainDlg(AppFixtureServices& services, const QString& programFolder)
        : DeviceMainDlg(services.ForWindow(programFolder))
    {
        SetExitHook([](int32_t) {});
    }
    ~JoinedMainDlg() override { StopWorker(); }

protected:
    // No worker passes: the task queue stays as the registry left it.
    void Run() override {}

public:
    void Open()
    {
        Create(0, QStringLiteral("Tarvo"), kWsDialog, 0, {0, 0, kDesignWidth, kDesignHeight});
        ShowWindow(kSwShow);
        ProcessEvents();
    }
};

class RegistryJoinTest : public ::testing::Test {
protected:
    void SetUp() override { Language::SetCurrent(1033); }
    void TearDown() override
    {
        m_dlg.reset();
        ProcessEvents();
    }
    void Open(const QString& programFolder = kShippedProgramFolder)
    {
        m_dlg = std::make_unique<JoinedMainDlg>(m_services, programFolder);
        m_dlg->Open();
        // The worker's first pass, which this window leaves to the test: the
        // start-up refresh, before any task.
        m_dlg->Worker().RunPass();
        EXPECT_EQ(m_dlg->Worker().Tasks().Snapshot(), std::vector<int32_t>{TaskCode(WorkerTask::ReadMouse)});
        ProcessEvents();
    }
    CDeviceList* List() const { return m_dlg->GetControlAs<CDeviceList>(DeviceMainDlg::kDeviceList); }
    MouseCtrl* Markers() const { return m_dlg->GetControlAs<MouseCtrl>(ButtonPage::kMouseMarkers); }
    MTabCtrl* Tabs() const { return m_dlg->GetControlAs<MTabCtrl>(DeviceMainDlg::kTabBar); }
    QString TitleOf(int32_t id) const
    {
        auto* control = dynamic_cast<MControlFont*>(m_dlg->GetControl(id));
        return control ? control->GetTitle() : QString();
    }
    void ClickModel(int32_t deviceType)
    {
        m_dlg->OnMessage(DeviceMainDlg::kDeviceList, kNotifyClick, deviceType, 0);
        ProcessEvents();
    }

    AppFixtureServices m_services;
    std::unique_ptr<JoinedMainDlg> m_dlg;
};

TEST(RegistryViewThreadTest, CallsFromTheWorkerReachTheListOnTheInterfaceThreadInOrder)
{
    Language::SetCurrent(1033);
    AppFixtureServices services;
    TestMainDlg dlg(*services.m_hid, *services.m_store);
    dlg.Open();
    auto* list = dlg.GetControlAs<CDeviceList>(DeviceMainDlg::kDeviceList);
    ASSERT_NE(list, nullptr);
    MainDlgRegistryView view(dlg);
    std::thread worker([&] {
        view.ClearDeviceList();
        view.AddDeviceItem(101, QStringLiteral("Heron Pro"), QStringLiteral("device/heron.png"));
        view.AddDeviceItem(103, QStringLiteral("Egret Pro"), QStringLiteral("device/egret.png"));
        view.SetDeviceState(101, 0, 1);
        view.SetAllDeviceState(0);
        view.SetDeviceState(101, 1, 1);
        view.SetDeviceVersion(103, QStringLiteral("v1.0.1"));
        view.SetDeviceVersion(103, QStringLiteral("v1.0.2"));
        view.SetDeviceBattery(103, 1, 40);
        view.SelectDeviceItem(103);
        view.ShowStatusText(TextIds::kStatusReceiver);
        view.ShowVersionLabel(QStringLiteral("Version: v9.9.9"));
        view.QueueTask(WorkerTask::DeviceArrived);
    });
    worker.join();
    // Nothing touched a control from the worker; the task went straight to the queue.
    EXPECT_EQ(list->GetItemCount(), 0);
    EXPECT_EQ(dlg.StatusTextId(), TextIds::kStatusOffline);
    EXPECT_EQ(dlg.Worker().Tasks().Snapshot(),
        (std::vector<int32_t>{TaskCode(WorkerTask::ReadMouse), TaskCode(WorkerTask::DeviceArrived)}));

    ProcessEvents();
    ASSERT_EQ(list->GetItemCount(), 2);
    // Applied in the order made: the later state and version win.
    EXPECT_EQ(list->GetDeviceState(101, 0), 0);
    EXPECT_EQ(list->GetDeviceState(101, 1), 1);
    EXPECT_EQ(list->GetItem(1)->detail, QStringLiteral("v1.0.2"));
    EXPECT_EQ(list->GetItem(1)->batteryLevel, 40);
    EXPECT_EQ(list->GetSelectDevice(), 103);
    EXPECT_EQ(dlg.StatusTextId(), TextIds::kStatusReceiver);
    auto* label = dynamic_cast<MControlFont*>(dlg.GetControl(DeviceMainDlg::kVersionLabel));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->GetTitle(), QStringLiteral("Version: v9.9.9"));
}

TEST_F(RegistryJoinTest, StartUpListsEveryModelWithNothingPlugged)
{
    Open();
    ASSERT_NE(List(), nullptr);
    EXPECT_EQ(List()->GetItemCount(), 8);
    EXPECT_EQ(List()->GetItem(0)->data, 101);
    EXPECT_EQ(List()->GetItem(0)->text, QStringLiteral("Heron Pro"));
    EXPECT_TRUE(TitleOf(DeviceMainDlg::kVersionLabel).endsWith(QStringLiteral(": v1.0.10")));
    EXPECT_EQ(m_dlg->CurrentTabItem(), DeviceMainDlg::kItemHome);
    EXPECT_TRUE(m_dlg->GetControl(DeviceMainDlg::kNoDeviceText)->IsVisible());
    EXPECT_FALSE(List()->IsVisible());
    EXPECT_FALSE(m_dlg->IsReachableNow());
    // The description of the default model was loaded: its markers and picture.
    ASSERT_NE(Markers(), nullptr);
    EXPECT_EQ(Markers()->GetItemCount(), 8);
    EXPECT_EQ(Markers()->GetSelectItem(), 1);
    // "DeviceType" is stored by the first full refresh.
    UserSettings settings(m_services.m_dir.path() + QStringLiteral("/Tarvo.conf"));
    settings.Open();
    EXPECT_EQ(settings.ReadInt(QStringLiteral("DeviceType")), 101);
}

TEST_F(RegistryJoinTest, TheStartUpRefreshWaitsForTheFirstDrawingUnlessTheWindowStartsHidden)
{
    const QString settingsPath = m_services.m_dir.path() + QStringLiteral("/Tarvo.conf");
    auto refreshed = [&] {
        UserSettings settings(settingsPath);
        settings.Open();
        return settings.ReadInt(QStringLiteral("DeviceType")) == 101; // stored by the refresh
    };
    for (const int32_t show : {kSwShow, kSwHide}) {
        QFile::remove(settingsPath);
        m_dlg = std::make_unique<JoinedMainDlg>(m_services, kShippedProgramFolder);
        m_dlg->Create(0, QStringLiteral("Tarvo"), kWsDialog, 0, {0, 0, DeviceMainDlg::kDesignWidth, DeviceMainDlg::kDesignHeight});
        // Created but not yet shown: no device has been looked for, so
        // nothing found can hold up the window's first appearance.
        m_dlg->Worker().RunPass();
        EXPECT_FALSE(refreshed()) << show;
        m_dlg->ShowWindow(show);
        ProcessEvents();
        m_dlg->Worker().RunPass();
        ProcessEvents();
        EXPECT_TRUE(refreshed()) << show;
        m_dlg.reset();
        ProcessEvents();
    }
}

TEST_F(RegistryJoinTest, AModelClickLoadsItsDescriptionAndShowsTheDeviceView)
{
    Open();
    const MRect client = m_dlg->GetClientRect();
    ClickModel(104);
    EXPECT_EQ(m_dlg->Registry().Description().DeviceType(), 104);
    EXPECT_EQ(m_dlg->CurrentTabItem(), DeviceMainDlg::kItemButtons);
    EXPECT_TRUE(m_dlg->GetControl(DeviceMainDlg::kTabBar)->IsVisible());
    // egret_3311 has six buttons.
    ASSERT_NE(Markers(), nullptr);
    EXPECT_EQ(Markers()->GetItemCount(), 6);
    // The 260 x 400 picture: top at 145, right edge 150 left of the client's.
    const MRect picture = m_dlg->MousePictureRect();
    EXPECT_EQ(picture.top, 145);
    EXPECT_EQ(picture.right, client.right - 150);
    EXPECT_EQ(picture.Width(), 260);
    EXPECT_EQ(picture.Height(), 400);
    // A marker point is the file's point moved by the picture's place in the control.
    const DeviceDescription description = m_dlg->Registry().Description();
    ASSERT_FALSE(description.Markers().empty());
    const MRect area = Markers()->GetRect();
    const QRect label = Markers()->GetLabelRect(0);
    EXPECT_TRUE(label.isValid());
    EXPECT_NEAR(label.center().y() + area.top, description.Markers()[0].start.y() + picture.top, 1);
    // A new model is read by task 4.
    const std::vector<int32_t> tasks = m_dlg->Worker().Tasks().Snapshot();
    EXPECT_NE(std::find(tasks.begin(), tasks.end(), TaskCode(WorkerTask::ModelSwitched)), tasks.end());
    UserSettings settings(m_services.m_dir.path() + QStringLiteral("/Tarvo.conf"));
    settings.Open();
    EXPECT_EQ(settings.ReadInt(QStringLiteral("DeviceType")), 104);
}

TEST_F(RegistryJoinTest, TheLightingTabFollowsTheModel)
{
    Open();
    struct Case {
        int32_t deviceType;
        bool lighting;
    };
    const Case cases[] = {{103, false}, {101, true}, {104, false}, {105, true}};
    for (const Case& c : cases) {
        ClickModel(c.deviceType);
        EXPECT_EQ(Tabs()->IsItemVisible(DeviceMainDlg::kItemLighting), c.lighting) << c.deviceType;
        EXPECT_EQ(m_dlg->Registry().Description().Lighting(), c.lighting) << c.deviceType;
    }
}

TEST_F(RegistryJoinTest, ThePairButtonNeverCoversTheDeviceList)
{
    Open();
    for (bool present : {true, false, true}) {
        m_dlg->SetHomeContent(present);
        const MRect pair = m_dlg->GetControl(DeviceMainDlg::kPairButton)->GetRect();
        const MRect list = List()->GetRect();
        const bool overlaps = pair.left < list.right && list.left < pair.right && pair.top < list.bottom && list.top < pair.bottom;
        EXPECT_FALSE(present && overlaps) << present;
        EXPECT_LT(pair.bottom, m_dlg->GetClientRect().bottom - 50) << "above the bottom band";
    }
}

TEST_F(RegistryJoinTest, AClickOnATypeNoModelHasChangesNothing)
{
    Open();
    ClickModel(999);
    EXPECT_EQ(m_dlg->CurrentTabItem(), DeviceMainDlg::kItemHome);
    EXPECT_EQ(m_dlg->Registry().State().deviceType, 101);
}

// Bad program folders: the window opens with what it could read, never crashes.
TEST_F(RegistryJoinTest, BadModelFilesOpenTheWindowWithoutModels)
{
    struct Case {
        const char* name;
        const char* config;      // null: no config.xml
        const char* description; // heron.xml; null: none
        int32_t items;
        int32_t markers; // without a description, the button page's six placeholders
    };
    const char* const goodConfig =
        "<config><device><mouse name=\"Heron Pro\" device_type=\"101\" device_attr=\"heron\" image=\"heron.png\">"
        "<mode value=\"0\" vid=\"7768\" pid=\"6D25\" hid_interface=\"VID_7768&amp;PID_6D25&amp;MI_01\"/>"
        "</mouse></device><software version=\"2.0.1\"/></config>";
    const Case cases[] = {
        {"missing config", nullptr, nullptr, 0, 6},
        {"truncated config", "<config><device><mouse name=\"Heron", nullptr, 0, 6},
        {"wrong root", "<settings/>", nullptr, 0, 6},
        {"missing description", goodConfig, nullptr, 1, 6},
        {"malformed description", goodConfig, "<mouse><image_file mouse_img=\"heron.png\"", 1, 6},
        {"rect without #", goodConfig,
            "<mouse><mouse_key><key name=\"L\" key_value=\"0\" direction=\"0\" rect=\"44\" func_desc=\"150\" "
            "func_type=\"1\" func_value=\"1\"/></mouse_key></mouse>",
            1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir folder;
        QDir().mkpath(folder.path() + QStringLiteral("/device"));
        auto write = [](const QString& path, const char* text) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(text);
        };
        if (c.config)
            write(folder.path() + QStringLiteral("/config.xml"), c.config);
        if (c.description)
            write(folder.path() + QStringLiteral("/device/heron.xml"), c.description);
        Open(folder.path());
        EXPECT_EQ(List()->GetItemCount(), c.items);
        EXPECT_EQ(Markers()->GetItemCount(), c.markers);
        EXPECT_EQ(m_dlg->CurrentTabItem(), DeviceMainDlg::kItemHome);
        EXPECT_TRUE(m_dlg->GetControl(DeviceMainDlg::kNoDeviceText)->IsVisible());
        if (c.items == 0)
            EXPECT_TRUE(TitleOf(DeviceMainDlg::kVersionLabel).endsWith(QStringLiteral(": v1.0.10")));
        else
            EXPECT_TRUE(TitleOf(DeviceMainDlg::kVersionLabel).endsWith(QStringLiteral(": v2.0.1")));
        m_dlg.reset();
        ProcessEvents();
    }
}

} // namespace
