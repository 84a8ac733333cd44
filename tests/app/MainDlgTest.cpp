#include "AppTestSupport.h"

#include "app/AppMessages.h"
#include "app/CUIMessageBox.h"
#include "editors/TextPage.h"
#include "hid/DeviceEvents.h"
#include "language/TextIds.h"
#include "language/InterfaceText.h"
#include "language/Language.h"
#include "store/ProfileLoader.h"
#include "store/SQLiteDB.h"
#include "widgets/BatteryCtrl.h"
#include "widgets/CDeviceState.h"
#include "widgets/CIconButton.h"
#include "widgets/MArea.h"
#include "widgets/MTabCtrl.h"
#include "widgets/MacroList.h"
#include "widgets/WindowRegistry.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <thread>

namespace {

class MainDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Language::SetCurrent(1033);
        m_dlg = std::make_unique<TestMainDlg>(*m_services.m_hid, *m_services.m_store);
        m_dlg->Open();
        m_dlg->TakeNames(); // start-up hooks are checked on their own
    }
    void TearDown() override
    {
        m_dlg.reset();
        ProcessEvents();
        Language::SetCurrent(1033);
    }
    MTabCtrl* Tabs() const { return m_dlg->GetControlAs<MTabCtrl>(DeviceMainDlg::kTabBar); }
    bool Visible(int32_t id) const
    {
        MControl* control = m_dlg->GetControl(id);
        return control && control->IsVisible();
    }
    QString TitleOf(int32_t id) const
    {
        auto* control = dynamic_cast<MControlFont*>(m_dlg->GetControl(id));
        return control ? control->GetTitle() : QStringLiteral("<none>");
    }

    AppFixtureServices m_services;
    std::unique_ptr<TestMainDlg> m_dlg;
};

TEST(MainDlgStartTest, InitialisationRunsInOrderAndQueuesTheFirstRead)
{
    AppFixtureServices services;
    TestMainDlg dlg(*services.m_hid, *services.m_store);
    dlg.Open();
    EXPECT_EQ(dlg.TakeNames(), (std::vector<std::string>{"AddTrayIcon", "LoadConfiguration", "SetUpdateBase"}));
    EXPECT_EQ(dlg.Worker().Tasks().Snapshot(), std::vector<int32_t>{TaskCode(WorkerTask::ReadMouse)});
    EXPECT_TRUE(dlg.IsRunning());
    // The window starts in the home view with the no-device text.
    EXPECT_EQ(dlg.CurrentTabItem(), DeviceMainDlg::kItemHome);
    EXPECT_FALSE(dlg.GetControl(DeviceMainDlg::kTabBar)->IsVisible());
    EXPECT_TRUE(dlg.GetControl(DeviceMainDlg::kNoDeviceText)->IsVisible());
    EXPECT_FALSE(dlg.GetControl(DeviceMainDlg::kDeviceList)->IsVisible());
}

TEST(MainDlgStartTest, TheWorkerRunsTheFirstReadAndStopsWithTheWindow)
{
    AppFixtureServices services;
    auto dlg = std::make_unique<TestMainDlg>(*services.m_hid, *services.m_store, TestMainDlg::WorkerPasses::On);
    dlg->Open();
    EXPECT_TRUE(WaitUntil([&] { return dlg->Worker().Tasks().IsEmpty(); }));
    dlg->DestroyWindow();
    EXPECT_FALSE(dlg->IsRunning());
}

// Every control id of the routing table, with a code it acts on, and what it reaches.
struct RouteCase {
    int32_t id;
    int32_t code;
    const char* reaches; // a hook name, or "" for handled without a hook
};

TEST_F(MainDlgTest, TheFrameRoutesItsControlsToTheirHooks)
{
    const RouteCase cases[] = {
        {40, 2, "Minimize"}, {42, 2, "OpenSettingsDialog"}, {57, 2, "SelectModel"}, {60, 2, "PairReceiver"},
        {248, 2, "PairReceiver"},
    };
    for (const RouteCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "id " << c.id << " code " << c.code);
        EXPECT_EQ(m_dlg->OnMessage(c.id, c.code, 0, 0), 1);
        EXPECT_EQ(m_dlg->TakeNames(), std::vector<std::string>{c.reaches});
    }
}

TEST_F(MainDlgTest, IdsOutsideTheTableAndCodesARowIgnoresReturnZero)
{
    const std::pair<int32_t, int32_t> ignored[] = {
        {0, 2}, {-1, 2}, {1, 2}, {35, 2}, {43, 2}, {61, 2}, {83, 2}, {99, 2}, {250, 2}, {1000, 2},
        // Click-only rows with other codes.
        {42, 26}, {57, 9}, {60, 29}, {251, 30}, {102, 26}, {69, 9}, {213, 27}, {178, 29},
        // 131 acts only on a committed edit.
        {131, 2}, {131, 26},
    };
    for (const auto& [id, code] : ignored) {
        SCOPED_TRACE(testing::Message() << "id " << id << " code " << code);
        EXPECT_EQ(m_dlg->OnMessage(id, code, 0, 0), 0);
    }
    EXPECT_TRUE(m_dlg->TakeNames().empty());
    EXPECT_TRUE(m_dlg->m_exitCodes.empty());
}

TEST_F(MainDlgTest, CloseButtonEndsTheProgramWithZero)
{
    EXPECT_EQ(m_dlg->OnMessage(DeviceMainDlg::kCloseButton, kNotifyClick, 0, 0), 1);
    EXPECT_EQ(m_dlg->m_exitCodes, std::vector<int32_t>{0});
    // A recording under way is stored first.
    EXPECT_EQ(m_dlg->TakeNames(), (std::vector<std::string>{"StopRecording", "RemoveTrayIcon"}));
}

TEST_F(MainDlgTest, VersionButtonsShowTheLatestVersionMessage)
{
    BoxAnswerer answerer(kIdOk);
    EXPECT_EQ(m_dlg->OnMessage(241, kNotifyClick, 0, 0), 1);
    EXPECT_EQ(m_dlg->OnMessage(245, kNotifyClick, 0, 0), 1);
    ASSERT_EQ(answerer.m_shown.size(), 2u);
    EXPECT_EQ(answerer.m_shown[0].message, QStringLiteral("You already have the latest version."));
    EXPECT_EQ(answerer.m_shown[0].caption, QStringLiteral("Mouse firmware"));
    EXPECT_EQ(answerer.m_shown[1].caption, QStringLiteral("Receiver firmware"));
    EXPECT_EQ(answerer.m_shown[1].style, CUIMessageBox::kStyleOk);
}

// Posted window messages and what each reaches.
struct PostedCase {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    std::vector<std::string> reaches;
    std::vector<int32_t> exitCodes;
};

TEST_F(MainDlgTest, PostedMessagesReachTheirHooks)
{
    const PostedCase cases[] = {
        {AppMessages::kTray, 0, 0x0202, {"OnTrayNotify"}, {}},
        {AppMessages::kQuit, 0, 610, {"StopRecording", "RemoveTrayIcon"}, {0}},
        {AppMessages::kQuit, 0, 611, {}, {}},
        {AppMessages::kQuit, 610, 0, {}, {}},
        {AppMessages::kQuit, 0, -610, {}, {}},
        {AppMessages::kUpdateResult, 1, 100, {"OnUpdateResult"}, {}},
        {AppMessages::kProfileAction, 1, 0, {"ImportProfile"}, {}},
        {AppMessages::kProfileAction, 2, 3, {"ExportProfile"}, {}},
        {AppMessages::kProfileAction, 9, 3, {}, {}},
        {AppMessages::kLanguageChanged, 0, 0, {"ApplyLanguageToPages"}, {}},
        {kWmDeviceChange, 0x8000, 0, {"OnDeviceChange"}, {}},
        {kWmCommand, AppMessages::kCommandExit, 0, {"StopRecording", "RemoveTrayIcon"}, {0}},
        {kWmCommand, AppMessages::kCommandSettings, 0, {"OpenSettingsDialog"}, {}},
        {kWmCommand, 101, 0, {}, {}},
        {kWmUser + 1, 0, 0, {}, {}},
    };
    for (const PostedCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "message " << c.message << " " << c.wParam << " " << c.lParam);
        m_dlg->m_exitCodes.clear();
        ASSERT_TRUE(PostMessage(m_dlg->GetSafeHwnd(), c.message, c.wParam, c.lParam));
        ProcessEvents();
        EXPECT_EQ(m_dlg->TakeNames(), c.reaches);
        EXPECT_EQ(m_dlg->m_exitCodes, c.exitCodes);
        EXPECT_TRUE(m_dlg->IsWindowVisible());
    }
}

TEST_F(MainDlgTest, ProfileChosenMakesItCurrentAndQueuesTheProfileLoad)
{
    ASSERT_TRUE(PostMessage(m_dlg->GetSafeHwnd(), AppMessages::kProfileAction, AppMessages::kProfileChosen, 3));
    ProcessEvents();
    EXPECT_EQ(m_dlg->CurrentProfile(), 3);
    EXPECT_EQ(m_dlg->Worker().CurrentProfile(), 3);
    EXPECT_EQ(m_dlg->Worker().Tasks().Snapshot(), (std::vector<int32_t>{TaskCode(WorkerTask::ReadMouse), TaskCode(WorkerTask::WriteEverything)}));
    // The store has no such profile: the button falls back to the profile word.
    EXPECT_EQ(TitleOf(DeviceMainDlg::kProfileButton), QStringLiteral("Profile"));
}

// The store cannot keep what the user does (here another program holds the
// database's write lock): the window says so once, whichever thread or page
// met the failure, instead of pretending the edits are saved. A damaged file
// set aside is told each time.
TEST_F(MainDlgTest, AStoreThatCannotBeWrittenIsToldOnce)
{
    SettingsStore& store = *m_services.m_store;
    const QString data = m_services.m_dir.path() + QStringLiteral("/data/");
    ASSERT_TRUE(store.OpenForDevice(data, QStringLiteral("heron")));
    ASSERT_EQ(ProfileLoader::LoadProfiles(store).profile, 1);
    SQLiteDB other;
    const QByteArray path = SettingsStore::DatabaseFilePath(data, QStringLiteral("heron")).toUtf8();
    ASSERT_TRUE(other.Open(path.constData(), SQLiteOpen::kReadWrite));
    ASSERT_EQ(other.Execute("BEGIN EXCLUSIVE"), 0);

    BoxAnswerer answerer(kIdOk);
    ASSERT_TRUE(PostMessage(m_dlg->GetSafeHwnd(), AppMessages::kProfileAction, AppMessages::kProfileChosen, 2));
    ASSERT_TRUE(WaitUntil([&] { return !answerer.m_shown.empty(); })) << "the failed write was not told";
    ASSERT_EQ(answerer.m_shown.size(), 1u);
    EXPECT_EQ(answerer.m_shown[0].caption, InterfaceText::Get(TextIds::kNotice));
    EXPECT_TRUE(answerer.m_shown[0].message.startsWith(InterfaceText::Get(TextIds::kStoreWriteFailed)));
    EXPECT_TRUE(answerer.m_shown[0].message.remove(QChar(0x200B)).endsWith(QStringLiteral("\nheron_datav3.db")));

    // More failures, from the window, a page and the worker's thread: no second box.
    ASSERT_TRUE(PostMessage(m_dlg->GetSafeHwnd(), AppMessages::kProfileAction, AppMessages::kProfileChosen, 3));
    ProcessEvents();
    m_dlg->StoreWriteFailed();
    std::thread([&] { EXPECT_FALSE(store.SetConfigValue(1, QStringLiteral("report_rate"), QStringLiteral("1"))); }).join();
    ProcessEvents();
    EXPECT_EQ(answerer.m_shown.size(), 1u);
    ASSERT_EQ(other.Execute("END"), 0);

    // A damaged database of another model is set aside when it is selected.
    QDir().mkpath(data + QStringLiteral("db"));
    QFile damaged(SettingsStore::DatabaseFilePath(data, QStringLiteral("egret")));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray("not a database\n").repeated(50));
    damaged.close();
    ASSERT_TRUE(store.SelectDevice(data, QStringLiteral("egret")));
    ASSERT_TRUE(WaitUntil([&] { return answerer.m_shown.size() == 2; }));
    EXPECT_TRUE(answerer.m_shown[1].message.startsWith(InterfaceText::Get(TextIds::kStoreSetAside)));
    EXPECT_TRUE(answerer.m_shown[1].message.remove(QChar(0x200B)).contains(QStringLiteral("\negret_datav3.db.corrupt-")));
}

TEST_F(MainDlgTest, TabChangeToAPageAndBackHome)
{
    m_dlg->ShowModelView();
    EXPECT_EQ(m_dlg->CurrentTabItem(), DeviceMainDlg::kItemButtons);
    for (int32_t id : {DeviceMainDlg::kTabBar, DeviceMainDlg::kTabBackground, DeviceMainDlg::kBattery,
             DeviceMainDlg::kStatus, DeviceMainDlg::kProfileButton, DeviceMainDlg::kTopBand})
        EXPECT_TRUE(Visible(id)) << id;

    // A real click on the DPI item (index 2).
    MTabCtrl* tabs = Tabs();
    ASSERT_NE(tabs, nullptr);
    m_dlg->GetControl(DeviceMainDlg::kPerformancePanel)->SetVisible(true);
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->GetItemRect(2).center());
    ProcessEvents();
    EXPECT_EQ(m_dlg->CurrentTabItem(), DeviceMainDlg::kItemDpi);
    EXPECT_TRUE(Visible(DeviceMainDlg::kDpiContainer));
    EXPECT_FALSE(Visible(DeviceMainDlg::kButtonContainer));
    EXPECT_FALSE(Visible(DeviceMainDlg::kPerformancePanel));

    // Home: the device list view, without the model's controls.
    EXPECT_EQ(m_dlg->OnMessage(DeviceMainDlg::kTabBar, kNotifyClick, 0, 0), 1);
    EXPECT_EQ(m_dlg->CurrentTabItem(), DeviceMainDlg::kItemHome);
    EXPECT_EQ(tabs->GetSelectItem(), 0);
    for (int32_t id : {DeviceMainDlg::kTabBar, DeviceMainDlg::kTabBackground, DeviceMainDlg::kBattery,
             DeviceMainDlg::kStatus, DeviceMainDlg::kProfileButton, DeviceMainDlg::kTopBand, DeviceMainDlg::kMousePicture})
        EXPECT_FALSE(Visible(id)) << id;
    EXPECT_TRUE(Visible(DeviceMainDlg::kHomeContainer));
    EXPECT_FALSE(Visible(DeviceMainDlg::kDpiContainer));

    // Leaving home shows the mouse picture again (the button page's text link
    // selects the text page so).
    m_dlg->SelectTab(4);
    EXPECT_EQ(m_dlg->CurrentTabItem(), DeviceMainDlg::kItemText);
    EXPECT_EQ(tabs->GetSelectItem(), 4);
    EXPECT_TRUE(Visible(DeviceMainDlg::kMousePicture));
    EXPECT_TRUE(Visible(DeviceMainDlg::kTextContainer));
    EXPECT_FALSE(Visible(DeviceMainDlg::kHomeContainer));
}

TEST_F(MainDlgTest, TabsInDisplayOrderAndAModelWithoutLighting)
{
    MTabCtrl* tabs = Tabs();
    ASSERT_NE(tabs, nullptr);
    const std::vector<int32_t> order = {1, 2, 3, 4, 8, 5, 6};
    const std::vector<QString> labels = {QStringLiteral("Home"), QStringLiteral("Buttons"), QStringLiteral("DPI"),
        QStringLiteral("Macros"), QStringLiteral("Text Shortcuts"), QStringLiteral("Lighting"), QStringLiteral("Performance")};
    ASSERT_EQ(tabs->GetItemCount(), 7);
    for (int32_t i = 0; i < 7; ++i) {
        EXPECT_EQ(tabs->GetItemId(i), order[size_t(i)]);
        EXPECT_EQ(tabs->GetItemText(order[size_t(i)]), labels[size_t(i)]);
    }

    m_dlg->ShowModelView();
    ProcessEvents();
    // Every item lies inside the bar, so every page can be reached.
    for (int32_t i = 0; i < 7; ++i) {
        const QRect rect = tabs->GetItemRect(i);
        EXPECT_FALSE(rect.isEmpty()) << i;
        EXPECT_LE(rect.bottom(), tabs->height() - 1) << "item " << i << " is cut off";
    }
    m_dlg->SetLightingPresent(false);
    EXPECT_FALSE(tabs->IsItemVisible(DeviceMainDlg::kItemLighting));
    EXPECT_TRUE(tabs->GetItemRect(5).isEmpty());
    int32_t lastTop = -1;
    for (int32_t i = 0; i < 7; ++i) {
        EXPECT_EQ(tabs->GetItemId(i), order[size_t(i)]) << "indexes stay";
        if (i == 5)
            continue;
        EXPECT_TRUE(tabs->IsItemVisible(order[size_t(i)]));
        const QRect rect = tabs->GetItemRect(i);
        EXPECT_FALSE(rect.isEmpty()) << i;
        EXPECT_GT(rect.top(), lastTop) << "item " << i << " keeps its place in the order";
        lastTop = rect.top();
    }
    // The performance item directly follows the text item.
    EXPECT_EQ(tabs->GetItemRect(6).top(), tabs->GetItemRect(4).bottom() + 1);

    // Selecting index 6 still reaches the performance page.
    m_dlg->SelectTab(6);
    EXPECT_EQ(m_dlg->CurrentTabItem(), DeviceMainDlg::kItemPerformance);

    // A lighting page that was showing gives way to the key page.
    m_dlg->SetLightingPresent(true);
    m_dlg->SelectTab(5);
    EXPECT_EQ(m_dlg->CurrentTabItem(), DeviceMainDlg::kItemLighting);
    m_dlg->SetLightingPresent(false);
    EXPECT_EQ(m_dlg->CurrentTabItem(), DeviceMainDlg::kItemButtons);
}

TEST_F(MainDlgTest, MaximiseAndRestoreSwapTheButtonImage)
{
    MControl* button = m_dlg->GetControl(DeviceMainDlg::kMaximizeButton);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->GetImage(), QStringLiteral("sysbtn_maximize.png"));
    EXPECT_EQ(m_dlg->OnMessage(DeviceMainDlg::kMaximizeButton, kNotifyClick, 0, 0), 1);
    ProcessEvents();
    EXPECT_TRUE(m_dlg->IsZoomed());
    EXPECT_EQ(button->GetImage(), QStringLiteral("sysbtn_restore.png"));
    EXPECT_EQ(m_dlg->OnMessage(DeviceMainDlg::kMaximizeButton, kNotifyClick, 0, 0), 1);
    ProcessEvents();
    EXPECT_FALSE(m_dlg->IsZoomed());
    EXPECT_EQ(button->GetImage(), QStringLiteral("sysbtn_maximize.png"));
    EXPECT_EQ(button->GetImageStates(), 4);
}

TEST_F(MainDlgTest, LayoutScalesWithTheClientHeight)
{
    EXPECT_FLOAT_EQ(m_dlg->LayoutScale(), 1.0f);
    EXPECT_EQ(m_dlg->GetControl(DeviceMainDlg::kTabBar)->GetRect(), (MRect{1, 120, 191, 540}));
    EXPECT_EQ(m_dlg->GetControl(DeviceMainDlg::kNoDevicePicture)->GetRect(), (MRect{390, 200, 890, 280}));
    m_dlg->UISize({0, 0, 1560, 1170});
    EXPECT_FLOAT_EQ(m_dlg->LayoutScale(), 1.5f);
    EXPECT_EQ(m_dlg->GetControl(DeviceMainDlg::kNoDevicePicture)->GetRect(), (MRect{405, 300, 1155, 420}));
    EXPECT_EQ(m_dlg->GetControl(DeviceMainDlg::kCloseButton)->GetRect(), (MRect{1522, 10, 1552, 40}));
    EXPECT_EQ(m_dlg->GetControl(DeviceMainDlg::kMaximizeButton)->GetRect(), (MRect{1491, 10, 1521, 40}));
    EXPECT_EQ(m_dlg->GetControl(DeviceMainDlg::kDeviceList)->GetRect(), (MRect{90, 130, 1500, 1070}));
    // A degenerate size leaves the layout as it was.
    m_dlg->UISize({0, 0, 0, 0});
    EXPECT_FLOAT_EQ(m_dlg->LayoutScale(), 1.5f);
}

TEST_F(MainDlgTest, ProfileButtonRefusesWhileTheMouseIsUnreachable)
{
    {
        BoxAnswerer answerer(kIdOk);
        EXPECT_EQ(m_dlg->OnMessage(DeviceMainDlg::kProfileButton, kNotifyClick, 0, 0), 1);
        ASSERT_EQ(answerer.m_shown.size(), 1u);
        EXPECT_EQ(answerer.m_shown[0].message, InterfaceText::Get(TextIds::kMouseOffline));
        EXPECT_EQ(answerer.m_shown[0].caption, InterfaceText::Get(TextIds::kNotice));
        EXPECT_EQ(answerer.m_shown[0].style, CUIMessageBox::kStyleOk);
    }
    EXPECT_TRUE(m_dlg->TakeNames().empty());
    m_dlg->SetReachable(true, 0);
    BoxAnswerer answerer(kIdOk);
    EXPECT_EQ(m_dlg->OnMessage(DeviceMainDlg::kProfileButton, kNotifyClick, 0, 0), 1);
    EXPECT_TRUE(answerer.m_shown.empty());
    EXPECT_EQ(m_dlg->TakeNames(), std::vector<std::string>{"OpenProfilesDialog"});
}

TEST_F(MainDlgTest, StatusTextFollowsReachabilityAndMode)
{
    auto* status = m_dlg->GetControlAs<CDeviceState>(DeviceMainDlg::kStatus);
    ASSERT_NE(status, nullptr);
    const struct {
        bool reachable;
        int32_t mode;
        const char* text;
        int32_t state;
    } cases[] = {
        {false, 0, "Not connected", 0},
        {true, 0, "Wired connection", 1},
        {true, 1, "2.4 GHz wireless connection", 1},
        {false, 1, "Not connected", 0},
    };
    for (const auto& c : cases) {
        m_dlg->SetReachable(c.reachable, c.mode);
        EXPECT_EQ(status->GetTitle(), QString::fromUtf8(c.text));
        EXPECT_EQ(status->GetState(), c.state);
    }
}

TEST_F(MainDlgTest, DeviceEventsFromTheWorkerArriveOnTheInterfaceThreadInOrder)
{
    constexpr int32_t kCount = 300;
    std::thread worker([this] {
        for (int32_t i = 0; i < kCount; ++i) {
            m_dlg->ShowDpiLevel(i);
            if (i % 50 == 0)
                m_dlg->ReloadPages(DeviceEvents::kDpiPerformancePage);
            m_dlg->ShowBattery(i % 101, 1);
        }
        m_dlg->ShowProfile(2, QStringLiteral("Profile 2"));
    });
    worker.join();
    // Nothing touched the window before the interface thread ran its queue.
    EXPECT_TRUE(m_dlg->m_calls.names.empty());
    ProcessEvents();

    std::vector<int32_t> levels;
    int32_t reloads = 0;
    for (size_t i = 0; i < m_dlg->m_calls.names.size(); ++i) {
        EXPECT_EQ(m_dlg->m_calls.threads[i], std::this_thread::get_id());
        if (m_dlg->m_calls.names[i] == "OnDpiLevel") {
            levels.push_back(m_dlg->m_calls.values[i]);
        } else if (m_dlg->m_calls.names[i] == "OnReloadPages") {
            // A reload comes right after the level posted before it.
            EXPECT_EQ(levels.back() % 50, 0);
            ++reloads;
        }
    }
    ASSERT_EQ(levels.size(), size_t(kCount));
    for (int32_t i = 0; i < kCount; ++i)
        EXPECT_EQ(levels[size_t(i)], i);
    EXPECT_EQ(reloads, kCount / 50);
    EXPECT_EQ(m_dlg->GetControlAs<BatteryCtrl>(DeviceMainDlg::kBattery)->GetLevel(), (kCount - 1) % 101);
    EXPECT_EQ(m_dlg->CurrentProfile(), 2);
    EXPECT_EQ(TitleOf(DeviceMainDlg::kProfileButton), QStringLiteral("Profile 2"));
    EXPECT_EQ(TitleOf(DeviceMainDlg::kStatus), QStringLiteral("Not connected"));
}

TEST_F(MainDlgTest, EventsPostedAfterTheWindowClosedAreDropped)
{
    m_dlg->DestroyWindow();
    // Closing stops a recording, which stores it.
    EXPECT_EQ(m_dlg->TakeNames(), std::vector<std::string>{"StopRecording"});
    std::thread worker([this] { m_dlg->ShowDpiLevel(7); m_dlg->CloseWaitDialog(); });
    worker.join();
    ProcessEvents();
    EXPECT_TRUE(m_dlg->m_calls.names.empty());
}

TEST_F(MainDlgTest, LanguageSwitchRelabelsTheFrame)
{
    // The snippet list is a list of the same kind; its names are no macros.
    ASSERT_TRUE(m_services.m_store->OpenForDevice(m_services.m_dir.path() + QStringLiteral("/"), QStringLiteral("heron")));
    NamedEntry snippet;
    snippet.name = QStringLiteral("Macro notes");
    ASSERT_GT(m_dlg->Store().AddText(snippet), 0);
    m_dlg->ReloadPagesNow(DeviceEvents::kMacroPage);
    auto* snippets = m_dlg->GetControlAs<MacroList>(TextPage::kList);
    ASSERT_NE(snippets, nullptr);
    ASSERT_GT(snippets->GetItemCount(), 0);
    const int32_t lastSnippet = snippets->GetItemCount() - 1;
    EXPECT_EQ(snippets->GetItemText(lastSnippet), QStringLiteral("Macro notes"));
    EXPECT_EQ(TitleOf(DeviceMainDlg::kTitle), QStringLiteral("Tarvo Mouse Settings"));
    m_dlg->SetReachable(true, 1);

    Language::SetCurrent(2052);
    const auto zh = ReadLanguageFile(QStringLiteral(TARVO_SOURCE_DIR "/resources/language/2052.lan"));
    ASSERT_FALSE(zh.empty());
    ASSERT_TRUE(PostMessage(m_dlg->GetSafeHwnd(), AppMessages::kLanguageChanged, 0, 0));
    ProcessEvents();

    EXPECT_EQ(TitleOf(DeviceMainDlg::kTitle), zh.at(1));
    EXPECT_EQ(TitleOf(DeviceMainDlg::kFooter), zh.at(2));
    EXPECT_EQ(m_dlg->GetControl(DeviceMainDlg::kCloseButton)->GetTooltip(), zh.at(5));
    EXPECT_EQ(m_dlg->GetControl(DeviceMainDlg::kMinimizeButton)->GetTooltip(), zh.at(6));
    EXPECT_EQ(m_dlg->GetControl(DeviceMainDlg::kMaximizeButton)->GetTooltip(), zh.at(7));
    EXPECT_EQ(m_dlg->GetControl(DeviceMainDlg::kSettingsButton)->GetTooltip(), zh.at(11));
    const std::pair<int32_t, int> tabs[] = {{1, 71}, {2, 72}, {3, 73}, {4, 74}, {8, 77}, {5, 75}, {6, 76}};
    for (const auto& [item, textId] : tabs)
        EXPECT_EQ(Tabs()->GetItemText(item), zh.at(textId)) << item;
    EXPECT_EQ(TitleOf(DeviceMainDlg::kVersionLabel), zh.at(17) + QStringLiteral(": v1.0.10"));
    EXPECT_EQ(TitleOf(DeviceMainDlg::kNoDeviceText), zh.at(56));
    EXPECT_EQ(TitleOf(DeviceMainDlg::kPairButton), zh.at(723));
    EXPECT_EQ(TitleOf(DeviceMainDlg::kStatus), zh.at(52));
    EXPECT_EQ(TitleOf(DeviceMainDlg::kProfileButton), zh.at(61));
    EXPECT_EQ(snippets->GetItemText(lastSnippet), QStringLiteral("Macro notes"));
    EXPECT_TRUE(m_dlg->Called("ApplyLanguageToPages"));

    // And back.
    Language::SetCurrent(1033);
    m_dlg->ApplyLanguage();
    EXPECT_EQ(TitleOf(DeviceMainDlg::kTitle), QStringLiteral("Tarvo Mouse Settings"));
    EXPECT_EQ(TitleOf(DeviceMainDlg::kStatus), QStringLiteral("2.4 GHz wireless connection"));
}

TEST_F(MainDlgTest, LanguageWithoutAFileLeavesTextsEmptyAndRuns)
{
    Language::SetCurrent(1041);
    m_dlg->ApplyLanguage();
    EXPECT_EQ(TitleOf(DeviceMainDlg::kTitle), QString());
    EXPECT_EQ(TitleOf(DeviceMainDlg::kVersionLabel), QStringLiteral(": v1.0.10"));
    EXPECT_TRUE(m_dlg->IsWindowVisible());
}

} // namespace

namespace {

// The device view as drawn offscreen (docs/tarvo-model-view.png is a copy).
TEST(MainDlgRenderTest, TheDeviceViewDrawsTheTabBarAndTheFrame)
{
    AppFixtureServices services;
    TestMainDlg dlg(*services.m_hid, *services.m_store);
    dlg.Open();
    dlg.ShowModelView();
    dlg.SetReachable(true, 1);
    dlg.ShowBattery(80, 0);
    ProcessEvents();
    const QImage image = dlg.GetWidget()->grab().toImage();
    ASSERT_EQ(image.size(), QSize(1280, 780));
    // The selected item (Buttons, index 1) is drawn in the accent colour band
    // of the tab skin; the home item above it is not.
    auto accentIn = [&](const QRect& area) {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                count += (c.green() > 0x90 && c.blue() > 0x80 && c.red() < 0x60) ? 1 : 0;
            }
        return count;
    };
    EXPECT_GT(accentIn(QRect(1, 180, 8, 60)), 20);
    EXPECT_EQ(accentIn(QRect(1, 120, 8, 60)), 0);
    image.save(QStringLiteral(TARVO_BINARY_DIR "/tarvo-model-view.png"));
}

} // namespace
