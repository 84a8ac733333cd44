// The shell around the main window: desktop notifications, the close button
// and the tray, the settings dialog, receiver pairing.
#include "AppTestSupport.h"
#include "ScopedEnv.h"
#include "SimFixture.h"

#include "app/AppMessages.h"
#include "app/DesktopNotices.h"
#include "app/DonglePairDlg.h"
#include "app/NoticeRules.h"
#include "app/SettingDlg.h"
#include "app/TrayIcon.h"
#include "language/InterfaceText.h"
#include "language/Language.h"
#include "language/TextIds.h"
#include "platform/UserSettings.h"
#include "widgets/CCheckButton.h"
#include "widgets/CTabCtrl1.h"
#include "widgets/MComboBox.h"
#include "widgets/MControlFont.h"
#include "widgets/MPopupList.h"
#include "widgets/WindowRegistry.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <thread>

namespace {

using Kind = NoticeRules::Kind;

QString TitleOf(const MDialog& dialog, int32_t id)
{
    auto* control = dynamic_cast<MControlFont*>(dialog.GetControl(id));
    return control ? control->GetTitle() : QStringLiteral("<none>");
}

void ClickControl(MControl* control)
{
    ASSERT_NE(control, nullptr);
    ASSERT_TRUE(control->isVisible());
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, control->rect().center());
    ProcessEvents();
}

// ---- Notices ----

struct TestClock {
    int64_t now = 1'000'000;
    NoticeRules::Clock Get()
    {
        return [this] { return now; };
    }
};

TEST(NoticeRulesTest, BatteryIsToldOnceAtEachThresholdUntilItRecovers)
{
    TestClock clock;
    NoticeRules rules(clock.Get());
    struct Step {
        int level;
        int status;
        std::optional<Kind> told;
    };
    const Step steps[] = {
        {80, 0, {}}, {0, 0, {}}, // no value
        {21, 0, {}}, {20, 0, Kind::BatteryLow}, {19, 0, {}},
        {22, 0, {}}, // a reading that wavers back up is not a recovery
        {20, 0, {}}, {6, 0, {}}, {5, 0, Kind::BatteryCritical}, {3, 0, {}},
        {30, 1, {}}, // charging: above both thresholds again, nothing to tell
        {18, 0, Kind::BatteryLow}, {4, 2, {}}, // full on its cable: never told
        {40, 0, {}}, {4, 0, Kind::BatteryCritical}, // past both at once: the graver only
        {15, 0, {}}, {101, 0, {}}, // out of range
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << "level " << step.level << " status " << step.status);
        const auto notice = rules.OnBattery(step.level, step.status);
        ASSERT_EQ(notice.has_value(), step.told.has_value());
        if (notice) {
            EXPECT_EQ(notice->kind, *step.told);
            EXPECT_EQ(notice->value, step.level);
        }
    }
}

TEST(NoticeRulesTest, OnlyAWirelessMouseGoingAndComingIsTold)
{
    NoticeRules rules;
    const struct {
        int status;
        std::optional<Kind> told;
    } steps[] = {
        {TextIds::kStatusOffline, {}}, {TextIds::kStatusReceiver, {}}, // the first connection is no reconnection
        {TextIds::kStatusReceiver, {}}, {TextIds::kStatusOffline, Kind::Disconnected}, {TextIds::kStatusOffline, {}},
        {TextIds::kStatusReceiver, Kind::Reconnected}, {TextIds::kStatusCable, {}},
        {TextIds::kStatusOffline, {}}, // a cable pulled is in plain sight
        {TextIds::kStatusReceiver, {}}, {TextIds::kStatusOffline, Kind::Disconnected}, {TextIds::kStatusCable, {}},
        {TextIds::kStatusReceiver, {}}, // back by cable in between: nothing lost any more
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.status);
        const auto notice = rules.OnConnection(step.status);
        ASSERT_EQ(notice.has_value(), step.told.has_value());
        if (notice) {
            EXPECT_EQ(notice->kind, *step.told);
        }
    }
}

TEST(NoticeRulesTest, OneNoticeOfAKindPerMinute)
{
    TestClock clock;
    NoticeRules rules(clock.Get());
    EXPECT_TRUE(rules.Admit(Kind::DpiLevel));
    clock.now += 59'999;
    EXPECT_FALSE(rules.Admit(Kind::DpiLevel));
    // Other kinds have their own minute.
    EXPECT_TRUE(rules.Admit(Kind::Disconnected));
    EXPECT_TRUE(rules.Admit(Kind::BatteryLow));
    EXPECT_TRUE(rules.Admit(Kind::BatteryCritical));
    clock.now += 1;
    EXPECT_TRUE(rules.Admit(Kind::DpiLevel));
    EXPECT_FALSE(rules.Admit(Kind::DpiLevel));
    // A refused notice does not start a new minute.
    clock.now += 60'000;
    EXPECT_TRUE(rules.Admit(Kind::DpiLevel));
    // DPI levels: each change, never a repeat.
    EXPECT_EQ(rules.OnDpiLevel(2)->value, 2);
    EXPECT_FALSE(rules.OnDpiLevel(2));
    EXPECT_FALSE(rules.OnDpiLevel(-1));
    EXPECT_EQ(rules.OnDpiLevel(0)->kind, Kind::DpiLevel);
}

TEST(DesktopNoticesTest, ToldOnlyWhenSwitchedOnAndOutOfSightWithTheirWords)
{
    Language::SetCurrent(1033);
    TestClock clock;
    bool enabled = false;
    bool hidden = false;
    std::vector<std::pair<QString, QString>> shown;
    DesktopNotices notices(
        {[&] { return enabled; }, [&] { return hidden; }, [](int32_t level) { return level == 1 ? 1600 : 0; },
            [&](const QString& title, const QString& text) { shown.emplace_back(title, text); }},
        clock.Get());

    // Off: nothing, and what happened meanwhile is not told later.
    notices.Battery(20, 0);
    enabled = true;
    notices.Battery(19, 0);
    EXPECT_TRUE(shown.empty());
    // On but the window in view: nothing.
    notices.DpiLevel(1);
    EXPECT_TRUE(shown.empty());

    hidden = true;
    notices.Battery(5, 0);
    notices.DpiLevel(2);
    notices.Connection(TextIds::kStatusReceiver);
    notices.Connection(TextIds::kStatusOffline);
    notices.Connection(TextIds::kStatusReceiver);
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].first, QStringLiteral("Tarvo"));
    EXPECT_EQ(shown[0].second, InterfaceText::Get(TextIds::kNoticeBatteryCritical) + QStringLiteral(": 5%"));
    EXPECT_EQ(shown[1].second, InterfaceText::Get(TextIds::kNoticeDpiLevel) + QStringLiteral(" 3"));
    EXPECT_EQ(shown[2].second, InterfaceText::Get(TextIds::kNoticeDisconnected));
    EXPECT_EQ(shown[3].second, InterfaceText::Get(TextIds::kNoticeReconnected));
    EXPECT_FALSE(shown[3].second.isEmpty());

    // Within the minute: a second DPI change is not told; after it, it is,
    // with the level's DPI.
    notices.DpiLevel(0);
    EXPECT_EQ(shown.size(), 4u);
    clock.now += 60'000;
    notices.DpiLevel(1);
    ASSERT_EQ(shown.size(), 5u);
    EXPECT_EQ(shown[4].second, InterfaceText::Get(TextIds::kNoticeDpiLevel) + QStringLiteral(" 2: 1600 DPI"));
}

// ---- The main window's close button and tray ----

// The main window with a private settings file, its tray decided by the
// test, and the exit recorded.
class ShellMainDlg : public DeviceMainDlg {
public:
    ShellMainDlg(AppFixtureServices& services, Services extra = {})
        : DeviceMainDlg(Make(services, extra))
    {
        SetExitHook([this](int32_t code) { m_exitCodes.push_back(code); });
    }
    ~ShellMainDlg() override { StopWorker(); }
    void Open()
    {
        Create(0, QStringLiteral("Tarvo"), kWsDialog, 0, {0, 0, kDesignWidth, kDesignHeight});
        ShowWindow(kSwShow);
        ProcessEvents();
    }
    // The worker's thread sleeps until woken: opening the gate wakes it, or
    // work skipped while it was shut would wait for the next event.
    void Passes(bool on)
    {
        m_passes = on;
        if (on)
            Wake();
    }
    bool m_trayShown = true;
    std::atomic<bool> m_passes{false};
    std::vector<int32_t> m_exitCodes;
    using DeviceMainDlg::OnCloseButton;
    using DeviceMainDlg::PairReceiver;

protected:
    bool HasTray() const override { return m_trayShown; }
    void Run() override
    {
        if (m_passes)
            DeviceMainDlg::Run();
    }

private:
    static Services Make(AppFixtureServices& services, Services s)
    {
        if (!s.hid)
            s.hid = services.m_hid.get();
        s.store = services.m_store.get();
        s.timings = WorkerTimings{0, 0, 0, 0, 0, 0, 0};
        s.programFolder = QStringLiteral(TARVO_BINARY_DIR);
        s.dataFolder = services.m_dir.path();
        s.settingsPath = services.m_dir.path() + QStringLiteral("/Tarvo.conf");
        return s;
    }
};

class CloseButtonTest : public ::testing::Test {
protected:
    void SetUp() override { Language::SetCurrent(1033); }
    void WriteExitMode(const char* value)
    {
        QFile file(m_services.m_dir.path() + QStringLiteral("/Tarvo.conf"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        if (value)
            file.write(QByteArray("[General]\nexit_mode=") + value + "\n");
    }
    AppFixtureServices m_services;
};

TEST_F(CloseButtonTest, ExitModeOtherThanOneEndsTheProgram)
{
    for (const char* value : {static_cast<const char*>(nullptr), "0", "2", "yes", "-1"}) {
        SCOPED_TRACE(value ? value : "(absent)");
        WriteExitMode(value);
        ShellMainDlg dlg(m_services);
        dlg.Open();
        dlg.OnMessage(DeviceMainDlg::kCloseButton, kNotifyClick, 0, 0);
        EXPECT_EQ(dlg.m_exitCodes, std::vector<int32_t>{0});
    }
}

TEST_F(CloseButtonTest, ExitModeOneHidesToTheTrayWhichBringsTheWindowBack)
{
    WriteExitMode("1");
    ShellMainDlg dlg(m_services);
    dlg.Open();
    dlg.OnMessage(DeviceMainDlg::kCloseButton, kNotifyClick, 0, 0);
    ProcessEvents();
    EXPECT_TRUE(dlg.m_exitCodes.empty());
    EXPECT_FALSE(dlg.IsWindowVisible());
    EXPECT_TRUE(dlg.IsOutOfSight());

    // A right click or a middle click leaves it hidden; a left click or a
    // double click shows it.
    for (intptr_t message : {intptr_t(kWmRButtonUp), intptr_t(0x0207)}) {
        PostMessage(dlg.GetSafeHwnd(), AppMessages::kTray, 0, message);
        ProcessEvents();
        EXPECT_FALSE(dlg.IsWindowVisible());
    }
    for (intptr_t message : {intptr_t(kWmLButtonDown), intptr_t(kWmLButtonDblClk)}) {
        PostMessage(dlg.GetSafeHwnd(), AppMessages::kTray, 0, message);
        ProcessEvents();
        EXPECT_TRUE(dlg.IsWindowVisible());
        EXPECT_FALSE(dlg.IsOutOfSight());
        dlg.ShowWindow(kSwHide);
    }
}

TEST_F(CloseButtonTest, WithoutATrayExitModeOneMinimisesInstead)
{
    WriteExitMode("1");
    ShellMainDlg dlg(m_services);
    dlg.m_trayShown = false;
    dlg.Open();
    dlg.OnMessage(DeviceMainDlg::kCloseButton, kNotifyClick, 0, 0);
    ProcessEvents();
    EXPECT_TRUE(dlg.m_exitCodes.empty());
    // Still a window the desktop lists, only minimised.
    EXPECT_TRUE(dlg.IsWindowVisible());
    EXPECT_TRUE(dlg.GetWidget()->isMinimized());
    EXPECT_TRUE(dlg.IsOutOfSight());
}

TEST_F(CloseButtonTest, TheTrayMenusOneItemEndsTheProgramAndFollowsTheLanguage)
{
    ShellMainDlg dlg(m_services);
    dlg.Open();
    TrayIcon* tray = dlg.Tray();
    ASSERT_NE(tray, nullptr);
    EXPECT_TRUE(tray->IsAdded());
    ASSERT_NE(tray->Menu(), nullptr);
    ASSERT_EQ(tray->Menu()->actions().size(), 1);
    EXPECT_EQ(tray->ExitAction()->text(), InterfaceText::Get(TextIds::kTrayExit));

    Language::SetCurrent(2052);
    PostMessage(dlg.GetSafeHwnd(), AppMessages::kLanguageChanged, 0, 0);
    ProcessEvents();
    EXPECT_EQ(tray->ExitAction()->text(), QStringLiteral("退出"));
    Language::SetCurrent(1033);

    tray->ExitAction()->trigger();
    ProcessEvents();
    EXPECT_EQ(dlg.m_exitCodes, std::vector<int32_t>{0});
    // The icon went with the program.
    EXPECT_FALSE(tray->IsAdded());
}

TEST_F(CloseButtonTest, WorkerReportsBecomeNoticesOnlyWhileTheWindowIsHidden)
{
    QFile file(m_services.m_dir.path() + QStringLiteral("/Tarvo.conf"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[General]\nexit_mode=1\ndesktop_notifications=1\n");
    file.close();
    ShellMainDlg dlg(m_services);
    dlg.Open();
    std::vector<QString> shown;
    dlg.Notices().SetShow([&](const QString&, const QString& text) { shown.push_back(text); });

    // From the worker thread, as the mouse reports them.
    std::thread([&] { dlg.ShowBattery(20, 0); }).join();
    ProcessEvents();
    EXPECT_TRUE(shown.empty()) << "the window is in view";

    dlg.OnCloseButton();
    std::thread([&] {
        dlg.ShowBattery(5, 0);
        dlg.ShowDpiLevel(3);
    }).join();
    ProcessEvents();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[0].startsWith(InterfaceText::Get(TextIds::kNoticeBatteryCritical)));
    EXPECT_TRUE(shown[1].startsWith(InterfaceText::Get(TextIds::kNoticeDpiLevel) + QStringLiteral(" 4")));
}

// ---- The settings dialog ----

class SettingDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Language::SetCurrent(1033);
        m_settings = std::make_unique<UserSettings>(m_dir.path() + QStringLiteral("/Tarvo.conf"));
        ASSERT_NE(m_settings->Open(), UserSettings::OpenResult::Failed);
        m_entry = m_dir.path() + QStringLiteral("/autostart/Tarvo.desktop");
    }
    void TearDown() override
    {
        m_dialog.reset();
        Language::SetCurrent(1033);
        ProcessEvents();
    }
    SettingDlg& Open(WindowHandle parent = 0)
    {
        SettingDlg::Services services;
        services.settings = m_settings.get();
        services.autostart = AutostartEntry(m_entry);
        services.programPath = QStringLiteral("/opt/Tarvo Mouse/tarvo");
        services.openAddress = [this](const QUrl& address) {
            m_opened.push_back(address);
            return true;
        };
        m_dialog = std::make_unique<SettingDlg>(std::move(services), QStringLiteral("1.0.10"));
        EXPECT_TRUE(m_dialog->Open(parent));
        m_dialog->ShowWindow(kSwShow);
        ProcessEvents();
        return *m_dialog;
    }
    CCheckButton* Box(int32_t id, size_t index = 0) const
    {
        const auto controls = m_dialog->GetControls(id);
        return index < controls.size() ? dynamic_cast<CCheckButton*>(controls[index]) : nullptr;
    }
    void SelectTab(int32_t index)
    {
        auto* tabs = m_dialog->GetControlAs<CTabCtrl1>(SettingDlg::kTabs);
        ASSERT_NE(tabs, nullptr);
        QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->GetItemRect(index).center());
        ProcessEvents();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<UserSettings> m_settings;
    QString m_entry;
    std::unique_ptr<SettingDlg> m_dialog;
    std::vector<QUrl> m_opened;
};

TEST_F(SettingDlgTest, OpensWithTheStoredChoices)
{
    struct Case {
        bool entry;
        int minimize;
        int exitMode;
        int notices;
    };
    for (const Case& c : {Case{false, 1, 0, 0}, Case{true, 1, 1, 1}, Case{true, 0, 7, 0}}) {
        SCOPED_TRACE(testing::Message() << c.entry << c.minimize << c.exitMode << c.notices);
        AutostartEntry entry(m_entry);
        ASSERT_TRUE(c.entry ? entry.Enable(QStringLiteral("/usr/bin/tarvo")) : entry.Disable());
        m_settings->WriteInt(QStringLiteral("autorun_minimize"), c.minimize);
        m_settings->WriteInt(QStringLiteral("exit_mode"), c.exitMode);
        m_settings->WriteInt(QStringLiteral("desktop_notifications"), c.notices);
        SettingDlg& dialog = Open();
        EXPECT_EQ(dialog.GetTitle(), QStringLiteral(" Setting Window"));
        EXPECT_EQ(dialog.GetClientRect(), (MRect{0, 0, 800, 500}));
        EXPECT_EQ(Box(SettingDlg::kAutorun)->GetCheck(), c.entry);
        EXPECT_EQ(Box(SettingDlg::kStartMinimized)->IsEnabled(), c.entry);
        EXPECT_EQ(Box(SettingDlg::kStartMinimized)->GetCheck(), c.entry && c.minimize == 1);
        EXPECT_EQ(Box(SettingDlg::kExitToTray)->GetCheck(), c.exitMode == 1);
        EXPECT_EQ(Box(SettingDlg::kExitProgram)->GetCheck(), c.exitMode != 1);
        EXPECT_TRUE(Box(SettingDlg::kExitToTray, 1)->GetCheck()); // the tray group's radio
        EXPECT_EQ(Box(SettingDlg::kNotices)->GetCheck(), c.notices == 1);
        EXPECT_EQ(dialog.GetControlAs<MComboBox>(SettingDlg::kLanguageBox)->GetCurData(), 1033);
        EXPECT_EQ(TitleOf(dialog, SettingDlg::kVersion), QStringLiteral("v1.0.10"));
        m_dialog.reset();
    }
    // Another language: the box has no choice.
    Language::SetCurrent(1041);
    EXPECT_EQ(Open().GetControlAs<MComboBox>(SettingDlg::kLanguageBox)->GetCurSel(), -1);
}

TEST_F(SettingDlgTest, StartAtLoginAndItsMinimisedBox)
{
    Open();
    AutostartEntry entry(m_entry);
    ASSERT_FALSE(entry.IsEnabled());
    ClickControl(Box(SettingDlg::kAutorun));
    EXPECT_TRUE(entry.IsEnabled());
    EXPECT_TRUE(Box(SettingDlg::kStartMinimized)->IsEnabled());
    QFile file(m_entry);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("\nExec=\"/opt/Tarvo Mouse/tarvo\" -autorun\n"));
    file.close();

    ClickControl(Box(SettingDlg::kStartMinimized));
    EXPECT_EQ(m_settings->ReadInt(QStringLiteral("autorun_minimize")), 1);
    ClickControl(Box(SettingDlg::kStartMinimized));
    EXPECT_EQ(m_settings->ReadInt(QStringLiteral("autorun_minimize")), 0);
    ClickControl(Box(SettingDlg::kStartMinimized));

    // Unchecked: the entry goes, the minimised box is cleared, disabled and stored as 0.
    ClickControl(Box(SettingDlg::kAutorun));
    EXPECT_FALSE(QFile::exists(m_entry));
    EXPECT_FALSE(Box(SettingDlg::kStartMinimized)->GetCheck());
    EXPECT_FALSE(Box(SettingDlg::kStartMinimized)->IsEnabled());
    EXPECT_EQ(m_settings->ReadInt(QStringLiteral("autorun_minimize")), 0);
    QFile settingsFile(m_dir.path() + QStringLiteral("/Tarvo.conf"));
    ASSERT_TRUE(settingsFile.open(QIODevice::ReadOnly));
    EXPECT_TRUE(settingsFile.readAll().contains("autorun_minimize=0"));
}

TEST_F(SettingDlgTest, ExitModeRadiosAndTheNoticesBox)
{
    Open();
    ClickControl(Box(SettingDlg::kExitToTray));
    EXPECT_EQ(m_settings->ReadInt(QStringLiteral("exit_mode")), 1);
    EXPECT_FALSE(Box(SettingDlg::kExitProgram)->GetCheck());
    ClickControl(Box(SettingDlg::kExitProgram));
    EXPECT_EQ(m_settings->ReadInt(QStringLiteral("exit_mode")), 0);
    EXPECT_FALSE(Box(SettingDlg::kExitToTray)->GetCheck());
    // The tray group's radio shares the id: its click writes what the first says.
    ClickControl(Box(SettingDlg::kExitToTray));
    m_settings->WriteInt(QStringLiteral("exit_mode"), 5);
    ClickControl(Box(SettingDlg::kExitToTray, 1));
    EXPECT_EQ(m_settings->ReadInt(QStringLiteral("exit_mode")), 1);
    EXPECT_TRUE(Box(SettingDlg::kExitToTray)->GetCheck()) << "the groups do not exclude each other";

    ClickControl(Box(SettingDlg::kNotices));
    EXPECT_EQ(m_settings->ReadInt(QStringLiteral("desktop_notifications")), 1);
    ClickControl(Box(SettingDlg::kNotices));
    EXPECT_EQ(m_settings->ReadInt(QStringLiteral("desktop_notifications")), 0);
}

TEST_F(SettingDlgTest, LanguageSwitchRelabelsTheDialogAndTheMainWindowWhileOpen)
{
    AppFixtureServices services;
    ShellMainDlg main(services);
    main.Open();
    SettingDlg& dialog = Open(main.GetSafeHwnd());
    EXPECT_EQ(TitleOf(dialog, SettingDlg::kTitle), QStringLiteral("Settings"));

    auto* languages = dialog.GetControlAs<MComboBox>(SettingDlg::kLanguageBox);
    ClickControl(languages);
    auto* popup = dynamic_cast<MPopupList*>(
        MWindow::FromHandle(FindWindow(QStringLiteral("MWindow"), QStringLiteral("ComboWnd"))));
    ASSERT_NE(popup, nullptr);
    QTest::mouseClick(popup->GetWidget(), Qt::LeftButton, Qt::NoModifier, popup->GetItemRect(0).center());
    ProcessEvents();

    EXPECT_EQ(Language::Current(), 2052);
    EXPECT_EQ(m_settings->ReadInt(QStringLiteral("LCID")), 2052);
    EXPECT_EQ(TitleOf(dialog, SettingDlg::kTitle), QStringLiteral("设置"));
    EXPECT_EQ(TitleOf(dialog, SettingDlg::kNotices), QStringLiteral("窗口隐藏时显示桌面通知"));
    EXPECT_EQ(TitleOf(dialog, SettingDlg::kVersion), QStringLiteral("v1.0.10"));
    EXPECT_EQ(TitleOf(dialog, SettingDlg::kVersionLabel), QStringLiteral("版本"));
    EXPECT_EQ(dynamic_cast<MControlFont*>(dialog.GetControls(SettingDlg::kExitToTray)[1])->GetTitle(),
        QStringLiteral("在系统托盘显示图标"));
    EXPECT_EQ(dialog.GetControlAs<CTabCtrl1>(SettingDlg::kTabs)->GetItemText(1), QStringLiteral("关于"));
    // The main window heard message 2022 and set its texts again.
    EXPECT_EQ(TitleOf(main, DeviceMainDlg::kTitle), InterfaceText::Get(TextIds::kTitle));
    EXPECT_EQ(main.Tray()->ExitAction()->text(), QStringLiteral("退出"));

    // And back.
    ClickControl(languages);
    popup = dynamic_cast<MPopupList*>(
        MWindow::FromHandle(FindWindow(QStringLiteral("MWindow"), QStringLiteral("ComboWnd"))));
    ASSERT_NE(popup, nullptr);
    QTest::mouseClick(popup->GetWidget(), Qt::LeftButton, Qt::NoModifier, popup->GetItemRect(1).center());
    ProcessEvents();
    EXPECT_EQ(Language::Current(), 1033);
    EXPECT_EQ(TitleOf(dialog, SettingDlg::kTitle), QStringLiteral("Settings"));
    EXPECT_EQ(main.Tray()->ExitAction()->text(), QStringLiteral("Exit"));
}

TEST_F(SettingDlgTest, AboutPageUpdateCheckAndLinks)
{
    SettingDlg& dialog = Open();
    EXPECT_FALSE(dialog.GetControl(SettingDlg::kCheckUpdates)->isVisible());
    SelectTab(1);
    EXPECT_TRUE(dialog.GetControl(SettingDlg::kCheckUpdates)->isVisible());
    EXPECT_FALSE(dialog.GetControl(SettingDlg::kAutorun)->isVisible());

    BoxAnswerer answerer(kIdOk);
    ClickControl(dialog.GetControl(SettingDlg::kCheckUpdates));
    ASSERT_EQ(answerer.m_shown.size(), 1u);
    EXPECT_EQ(answerer.m_shown[0].caption, InterfaceText::Get(553));
    EXPECT_EQ(answerer.m_shown[0].message, InterfaceText::Get(TextIds::kLatestVersion));

    for (int32_t id : {SettingDlg::kWebsite, SettingDlg::kStore, SettingDlg::kDownloads})
        ClickControl(dialog.GetControl(id));
    ASSERT_EQ(m_opened.size(), 3u);
    for (const QUrl& address : m_opened)
        EXPECT_EQ(address.scheme(), QStringLiteral("https"));
    EXPECT_NE(m_opened[0], m_opened[1]);

    // The close button ends the dialog.
    ClickControl(dialog.GetControl(SettingDlg::kCloseButton));
}

// ---- Pairing ----

class PairingDlgTest : public SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        Language::SetCurrent(1033);
        m_list = MakeList();
        m_list->SetCurrentDevType(101);
    }
    void TearDown() override
    {
        ProcessEvents();
        SimFixture::TearDown();
    }
    static DonglePairDlg::Timings Fast() { return DonglePairDlg::Timings{20, 0, 0, 0}; }

    // The main window and the pairing dialog find no real HID library
    // afterwards, as in every other test of this executable.
    ScopedEnv m_library{"TARVO_HIDAPI_LIBRARY", "/nonexistent/libhidapi-none.so"};
    ScopedEnv m_socket{"TARVO_SIM_SOCKET", nullptr};
    std::unique_ptr<HidDeviceList> m_list;
};

TEST_F(PairingDlgTest, NotificationThenArrivalShowTheButtonAndPostTwice)
{
    Sim("plug heron receiver");
    DonglePairDlg dialog(*m_list, Fast());
    ASSERT_TRUE(dialog.Open(0));
    dialog.ShowWindow(kSwShow);
    ProcessEvents();
    EXPECT_TRUE(dialog.IsRunning());
    EXPECT_FALSE(dialog.GetControl(DonglePairDlg::kSuccessButton)->isVisible());
    ASSERT_TRUE(WaitUntil([&] { return State("heron receiver")["pairing"].toBool(); }));

    Sim("pair heron");
    ASSERT_TRUE(WaitUntil([&] { return dialog.PairedMessages() == 1; }));
    EXPECT_TRUE(dialog.GetControl(DonglePairDlg::kSuccessButton)->isVisible());

    // The receiver's interfaces leave and arrive again: the arrival of its
    // command interface, from the device-change source, is a second success.
    Sim("start-pairing heron");
    Sim("pair heron replug");
    ASSERT_TRUE(WaitUntil([&] { return dialog.PairedMessages() >= 2; }));
    EXPECT_GE(dialog.Pairing().Successes(), 2);
    EXPECT_TRUE(dialog.GetControl(DonglePairDlg::kSuccessButton)->isVisible());

    // Closing stops the worker at once.
    ClickControl(dialog.GetControl(DonglePairDlg::kSuccessButton));
    EXPECT_FALSE(dialog.IsRunning());
    EXPECT_FALSE(dialog.GetControl(DonglePairDlg::kCloseButton)->IsEnabled());
    dialog.DestroyWindow();
}

TEST_F(PairingDlgTest, RemovalsAndOtherInterfacesQueueNothing)
{
    Sim("plug heron receiver");
    DonglePairDlg dialog(*m_list, DonglePairDlg::Timings{60'000, 0, 0, 0});
    ASSERT_TRUE(dialog.Open(0));
    ProcessEvents();
    ASSERT_TRUE(WaitUntil([&] { return dialog.Pairing().StartSent(); }));
    // Unplugged and plugged again while the worker sleeps its interval: the
    // removals queue nothing, the arrivals one check for the command interface.
    Sim("unplug heron receiver");
    Sim("plug heron receiver");
    ASSERT_TRUE(WaitUntil([&] { return dialog.Pairing().Tasks().Count() >= 1; }));
    ProcessEvents();
    EXPECT_EQ(dialog.Pairing().Tasks().Snapshot(), std::vector<int32_t>{TaskCode(WorkerTask::PairingPoll)});
    // Closed through the window's own close path: the worker stops too.
    dialog.OnWindowMessage(kWmClose, kIdCancel, 0);
    EXPECT_FALSE(dialog.IsRunning());
    dialog.DestroyWindow();
}

TEST_F(PairingDlgTest, AfterThePairingDialogTheMainWorkerReadsTheMouse)
{
    Sim("plug heron receiver");
    AppFixtureServices services;
    DeviceMainDlg::Services hid;
    hid.hid = m_list.get();
    ShellMainDlg main(services, hid);
    main.Passes(true);
    main.Open();
    ASSERT_TRUE(WaitUntil([&] { return main.StatusTextId() == TextIds::kStatusReceiver; }));
    main.Passes(false);
    // Wait for the pass in progress, if any, to end.
    QTest::qWait(50);

    // The question answered yes, then the dialog: the main worker is paused
    // while it runs; the mouse pairs and the user clicks the success button.
    BoxAnswerer answerer(kIdOk);
    bool pausedMeanwhile = false;
    int32_t startsSent = 0;
    QTimer poll;
    QElapsedTimer elapsed;
    elapsed.start();
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = dynamic_cast<DonglePairDlg*>(
            MWindow::FromHandle(FindWindow(QStringLiteral("MWindow"), QStringLiteral("DonglePairDlg"))));
        if (!dialog)
            return;
        if (elapsed.elapsed() > 20'000) {
            ADD_FAILURE() << "the pairing never succeeded";
            dialog->OnWindowMessage(kWmClose, kIdCancel, 0);
            return;
        }
        pausedMeanwhile = main.Worker().IsPaused();
        if (dialog->Pairing().StartSent() && startsSent++ == 0)
            Sim("pair heron");
        MControl* success = dialog->GetControl(DonglePairDlg::kSuccessButton);
        if (success && success->isVisible() && success->isEnabled())
            QTest::mouseClick(success, Qt::LeftButton, Qt::NoModifier, success->rect().center());
    });
    poll.start(50);
    Sim("log clear");
    main.PairReceiver();
    poll.stop();
    ASSERT_EQ(answerer.m_shown.size(), 1u);
    EXPECT_EQ(answerer.m_shown[0].caption, InterfaceText::Get(TextIds::kPairCaption));
    EXPECT_EQ(answerer.m_shown[0].message, InterfaceText::Get(TextIds::kPairQuestion));
    EXPECT_TRUE(pausedMeanwhile);
    EXPECT_FALSE(main.Worker().IsPaused());
    EXPECT_EQ(main.Worker().Tasks().Snapshot().back(), TaskCode(WorkerTask::DeviceArrived));
    EXPECT_EQ(FindWindow(QStringLiteral("MWindow"), QStringLiteral("DonglePairDlg")), 0u);

    // The worker goes on: task 2 reads the newly paired mouse.
    const size_t before = LogLines("out").size();
    main.Passes(true);
    ASSERT_TRUE(WaitUntil([&] { return main.Worker().Tasks().IsEmpty() && LogLines("out").size() > before; }));
    // The status may still show the receiver from before the pairing: the
    // read has ended only when the mouse is reachable again.
    EXPECT_TRUE(WaitUntil([&] { return main.IsReachableNow(); }));
    EXPECT_EQ(main.StatusTextId(), TextIds::kStatusReceiver);
    main.Passes(false);
}

TEST_F(PairingDlgTest, ARefusedQuestionOpensNothing)
{
    AppFixtureServices services;
    ShellMainDlg main(services);
    main.Open();
    main.Worker().Tasks().Clear();
    BoxAnswerer answerer(kIdCancel);
    main.PairReceiver();
    EXPECT_EQ(answerer.m_shown.size(), 1u);
    EXPECT_FALSE(main.Worker().IsPaused());
    EXPECT_TRUE(main.Worker().Tasks().IsEmpty());
}

} // namespace
