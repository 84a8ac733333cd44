// The performance page against a fake main window: what a user's click or
// typing stores, which task it queues, how the connection locks the
// high-speed switch, and what the page makes of values it finds in the store.
#include "PageTestSupport.h"

#include "editors/PerformancePage.h"
#include "language/InterfaceText.h"
#include "support/ScopedEnv.h"
#include "widgets/CCheckButton.h"
#include "widgets/CRadioButton.h"
#include "widgets/CSwitchButton.h"
#include "widgets/MButton.h"
#include "widgets/MComboBox.h"
#include "widgets/NumberEdit.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

namespace {

constexpr int32_t kSensorTask = TaskCode(WorkerTask::SetSensorOption);
constexpr int32_t kResponseTask = TaskCode(WorkerTask::SetResponseTime);
constexpr int32_t kScrollTask = TaskCode(WorkerTask::SetScrollOption);
constexpr int32_t kLiftOffTask = TaskCode(WorkerTask::SetLiftOff);
constexpr int32_t kHighSpeedTask = TaskCode(WorkerTask::SetHighSpeed);
constexpr int32_t kSleepTask = TaskCode(WorkerTask::SetSleepTimes);

class PerformancePageTest : public ::testing::Test {
protected:
    void Open(int32_t connectionMode = 1)
    {
        m_host.m_connectionMode = connectionMode;
        m_window = std::make_unique<PageTestWindow>(
            m_host, [](PageHost& host) { return std::make_unique<PerformancePage>(host); });
        m_window->Open();
        m_host.Clear();
    }
    PerformancePage& Page() { return static_cast<PerformancePage&>(m_window->GetPage()); }
    template<class T> T* Control(int32_t id) { return m_window->GetControlAs<T>(id); }
    void ClickOn(MControl* control, QPoint at = {})
    {
        ASSERT_NE(control, nullptr);
        QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, at.isNull() ? QPoint(8, control->height() / 2) : at);
        ProcessPageEvents();
    }
    NumberEdit* Response() { return Control<NumberEdit>(PerformancePage::kResponseTime); }
    // Replaces the response time's text and presses Enter, as a user does.
    void TypeResponse(const QString& text)
    {
        auto* edit = qobject_cast<QLineEdit*>(Response()->GetEditor());
        ASSERT_NE(edit, nullptr);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
        ProcessPageEvents();
    }
    std::array<bool, 3> SensorBoxes()
    {
        return {Control<CCheckButton>(PerformancePage::kSensorFirst)->GetCheck(),
            Control<CCheckButton>(PerformancePage::kSensorSecond)->GetCheck(),
            Control<CCheckButton>(PerformancePage::kSensorThird)->GetCheck()};
    }

    FakePageHost m_host;
    std::unique_ptr<PageTestWindow> m_window;
};

TEST_F(PerformancePageTest, CheckingOnlyTheSecondAndThirdSensorBoxesStoresSixAndSendsIt)
{
    Open();
    // A new profile stores 53: the first and third boxes.
    EXPECT_EQ(SensorBoxes(), (std::array<bool, 3>{true, false, true}));
    ClickOn(Control<CCheckButton>(PerformancePage::kSensorFirst));
    EXPECT_EQ(m_host.Stored(QStringLiteral("sensor_flag")), QStringLiteral("4"));
    ClickOn(Control<CCheckButton>(PerformancePage::kSensorSecond));
    EXPECT_EQ(m_host.Stored(QStringLiteral("sensor_flag")), QStringLiteral("6"));
    EXPECT_EQ(m_host.m_tasks, (std::vector<int32_t>{kSensorTask, kSensorTask}));
}

TEST_F(PerformancePageTest, LiftOffAndScrollClicksStoreTheirCodesAndSendThem)
{
    Open();
    EXPECT_TRUE(Control<CRadioButton>(PerformancePage::kLiftOffHigh)->GetCheck()) << "a new profile stores 1";
    EXPECT_EQ(Control<CRadioButton>(PerformancePage::kLiftOffLow)->GetTitle(), QStringLiteral("1.0mm"));
    EXPECT_EQ(Control<CRadioButton>(PerformancePage::kLiftOffHigh)->GetTitle(), QStringLiteral("2.0mm"));
    ClickOn(Control<CRadioButton>(PerformancePage::kLiftOffLow));
    EXPECT_EQ(m_host.Stored(QStringLiteral("liftoff_height")), QStringLiteral("0"));
    EXPECT_FALSE(Control<CRadioButton>(PerformancePage::kLiftOffHigh)->GetCheck());
    ClickOn(Control<CRadioButton>(PerformancePage::kLiftOffHigh));
    EXPECT_EQ(m_host.Stored(QStringLiteral("liftoff_height")), QStringLiteral("1"));

    ClickOn(Control<CRadioButton>(PerformancePage::kScrollFirst));
    EXPECT_EQ(m_host.Stored(QStringLiteral("scroll_flag")), QStringLiteral("0"));
    ClickOn(Control<CRadioButton>(PerformancePage::kScrollSecond));
    EXPECT_EQ(m_host.Stored(QStringLiteral("scroll_flag")), QStringLiteral("1"));
    EXPECT_EQ(m_host.m_tasks, (std::vector<int32_t>{kLiftOffTask, kLiftOffTask, kScrollTask, kScrollTask}));
}

TEST_F(PerformancePageTest, OnTheCableTheHighSpeedSwitchIsOnAndLockedWhateverTheProfileStores)
{
    EXPECT_TRUE(m_host.m_store.SetConfigValue(1, QStringLiteral("highspeed_mode"), QStringLiteral("0")));
    Open(0);
    auto* highSpeed = Control<CSwitchButton>(PerformancePage::kHighSpeed);
    EXPECT_TRUE(highSpeed->GetCheck());
    EXPECT_FALSE(highSpeed->IsEnabled());
    ClickOn(highSpeed);
    // Even a notification that got through changes nothing.
    EXPECT_EQ(m_window->OnMessage(PerformancePage::kHighSpeed, kNotifyClick, 0, 0), 1);
    EXPECT_TRUE(highSpeed->GetCheck());
    EXPECT_EQ(m_host.Stored(QStringLiteral("highspeed_mode")), QStringLiteral("0")) << "showing on is not storing on";
    EXPECT_TRUE(m_host.m_tasks.empty());

    // The mouse moves to the receiver: the switch shows the profile again and is free.
    m_host.m_connectionMode = 1;
    Page().OnPageEvent({PageEvent::Kind::ConnectionChanged, 1});
    EXPECT_FALSE(highSpeed->GetCheck());
    EXPECT_TRUE(highSpeed->IsEnabled());
    ClickOn(highSpeed);
    EXPECT_TRUE(highSpeed->GetCheck());
    EXPECT_EQ(m_host.Stored(QStringLiteral("highspeed_mode")), QStringLiteral("1"));
    ClickOn(highSpeed);
    EXPECT_EQ(m_host.Stored(QStringLiteral("highspeed_mode")), QStringLiteral("0"));
    EXPECT_EQ(m_host.m_tasks, (std::vector<int32_t>{kHighSpeedTask, kHighSpeedTask}));

    // Gone: the switch stays as it was; back on the cable: locked on again.
    Page().OnPageEvent({PageEvent::Kind::ConnectionChanged, -1});
    EXPECT_TRUE(highSpeed->IsEnabled());
    EXPECT_FALSE(highSpeed->GetCheck());
    Page().OnPageEvent({PageEvent::Kind::ConnectionChanged, 0});
    EXPECT_TRUE(highSpeed->GetCheck());
    EXPECT_FALSE(highSpeed->IsEnabled());
}

TEST_F(PerformancePageTest, ATypedResponseTimeIsClampedAndStoredButSentOnlyByAStep)
{
    Open();
    const std::pair<const char*, const char*> typed[] = {
        {"0", "1"},
        {"99", "50"},
        {"abc", "1"},
        {"-7", "1"},
        {"", "1"},
        {"12ms", "12"},
        {"50", "50"},
        {"99999999999", "50"},
    };
    for (const auto& [text, stored] : typed) {
        SCOPED_TRACE(text);
        TypeResponse(QString::fromLatin1(text));
        EXPECT_EQ(Response()->GetEditText(), QString::fromLatin1(stored));
        EXPECT_EQ(m_host.Stored(QStringLiteral("button_respondtime")), QString::fromLatin1(stored));
    }
    EXPECT_TRUE(m_host.m_tasks.empty()) << "typing alone sends nothing";

    // A step: the up button at 50 stays at 50 and sends it; down goes to 49.
    TypeResponse(QStringLiteral("99"));
    ClickOn(Response(), Response()->GetUpRect().center());
    EXPECT_EQ(m_host.Stored(QStringLiteral("button_respondtime")), QStringLiteral("50"));
    EXPECT_EQ(m_host.m_tasks, std::vector<int32_t>{kResponseTask});
    ClickOn(Response(), Response()->GetDownRect().center());
    EXPECT_EQ(Response()->GetEditText(), QStringLiteral("49"));
    EXPECT_EQ(m_host.Stored(QStringLiteral("button_respondtime")), QStringLiteral("49"));
    EXPECT_EQ(m_host.m_tasks, (std::vector<int32_t>{kResponseTask, kResponseTask}));
}

TEST_F(PerformancePageTest, TheDeepSleepChoicesStoreSeconds)
{
    Open();
    auto* sleep = Control<MComboBox>(PerformancePage::kDeepSleep);
    ASSERT_EQ(sleep->GetItemCount(), 16);
    EXPECT_EQ(sleep->GetCurData(), 60) << "a new profile stores 60";
    const QString hours = InterfaceText::Get(538);
    ASSERT_FALSE(hours.isEmpty());
    // The item "2" with the hours unit.
    int32_t twoHours = -1;
    for (int32_t i = 0; i < sleep->GetItemCount(); ++i) {
        if (sleep->GetItemText(i) == QStringLiteral("2") + hours)
            twoHours = i;
    }
    ASSERT_GE(twoHours, 0);
    sleep->SetCurSel(twoHours);
    EXPECT_EQ(m_window->OnMessage(PerformancePage::kDeepSleep, kNotifyClick, twoHours, 0), 1);
    EXPECT_EQ(m_host.Stored(QStringLiteral("deep_sleep")), QStringLiteral("7200"));
    EXPECT_EQ(m_host.Stored(QStringLiteral("light_sleep")), QStringLiteral("60")) << "the light sleep stays";
    EXPECT_EQ(m_host.m_tasks, std::vector<int32_t>{kSleepTask});
    const int32_t expected[] = {40, 50, 60, 120, 180, 240, 300, 600, 1200, 1800, 2400, 3000, 3600, 7200, 10800, 14400};
    for (int32_t i = 0; i < 16; ++i)
        EXPECT_EQ(sleep->GetItemData(i), expected[i]);
}

// Whatever the store holds, the page shows the nearest valid state and
// writes nothing it did not get from the user.
TEST_F(PerformancePageTest, StoredValuesOutOfRangeShowTheNearestValidStateAndAreNotWritten)
{
    const struct {
        const char* key;
        const char* value;
        const char* field; // the probe field that shows it
        const char* shown;
    } cases[] = {
        {"liftoff_height", "5", "perf.liftoff", "1"},
        {"liftoff_height", "99", "perf.liftoff", "1"},
        {"liftoff_height", "0", "perf.liftoff", "0"},
        {"liftoff_height", "-1", "perf.liftoff", "1"},
        {"sensor_flag", "255", "perf.sensor", "7"},
        {"sensor_flag", "6", "perf.sensor", "6"},
        {"sensor_flag", "-1", "perf.sensor", "7"},
        {"sensor_flag", "bits", "perf.sensor", "0"},
        {"scroll_flag", "7", "perf.scroll", "1"},
        {"highspeed_mode", "2", "perf.highspeed", "0"},
        {"button_respondtime", "99", "perf.response", "50"},
        {"button_respondtime", "0", "perf.response", "1"},
        {"button_respondtime", "fast", "perf.response", "1"},
        {"deep_sleep", "17", "perf.sleep", "40"},
        {"deep_sleep", "7200", "perf.sleep", "7200"},
        {"deep_sleep", "3300", "perf.sleep", "3000"},
        {"deep_sleep", "999999", "perf.sleep", "14400"},
        {"deep_sleep", "-5", "perf.sleep", "40"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.key << "=" << c.value);
        EXPECT_TRUE(m_host.m_store.ResetConfig(1));
        EXPECT_TRUE(m_host.m_store.SetConfigValue(1, QString::fromLatin1(c.key), QString::fromLatin1(c.value)));
        const auto before = m_host.StoredConfig();
        Open();
        EXPECT_EQ(m_host.StoredConfig(), before);
        EXPECT_TRUE(m_host.m_tasks.empty());
        const QString probe = Page().ProbeState();
        const QString field = QString::fromLatin1(c.field) + QLatin1Char('=') + QString::fromLatin1(c.shown)
            + QLatin1Char(' ');
        EXPECT_TRUE((probe + QLatin1Char(' ')).contains(field)) << probe.toStdString();
    }
}

TEST_F(PerformancePageTest, AnEditTheStoreRefusesIsNotSent)
{
    Open();
    m_host.m_store.CloseDatabase();
    ClickOn(Control<CCheckButton>(PerformancePage::kSensorSecond));
    ClickOn(Control<CRadioButton>(PerformancePage::kLiftOffLow));
    ClickOn(Response(), Response()->GetDownRect().center());
    EXPECT_TRUE(m_host.m_tasks.empty());
    EXPECT_EQ(m_host.m_storeFailures, 3);
}

TEST_F(PerformancePageTest, TheFirmwareButtonsShowTheLabelledVersionsInTheCurrentLanguage)
{
    Open();
    auto* mouse = Control<MButton>(PerformancePage::kMouseVersion);
    auto* receiver = Control<MButton>(PerformancePage::kReceiverVersion);
    EXPECT_EQ(mouse->GetTitle(), QStringLiteral("Mouse firmware"));
    EXPECT_EQ(receiver->GetTitle(), QStringLiteral("Receiver firmware"));
    Page().OnPageEvent({PageEvent::Kind::MouseVersion, 0, 0, QStringLiteral("Mouse firmware: 1.2.3")});
    Page().OnPageEvent({PageEvent::Kind::ReceiverVersion, 0, 0, QStringLiteral("Receiver firmware: 1.0.5")});
    EXPECT_EQ(mouse->GetTitle(), QStringLiteral("Mouse firmware: 1.2.3"));
    EXPECT_EQ(receiver->GetTitle(), QStringLiteral("Receiver firmware: 1.0.5"));
    // No receiver answered: the label alone.
    Page().OnPageEvent({PageEvent::Kind::ReceiverVersion, 0, 0, QStringLiteral("Receiver firmware")});
    EXPECT_EQ(receiver->GetTitle(), QStringLiteral("Receiver firmware"));
    // The frame's controls are there with the ids it routes, and the page leaves their clicks to it.
    for (int32_t id : {PerformancePage::kMouseVersion, PerformancePage::kReceiverVersion,
             PerformancePage::kPairReceiver, PerformancePage::kFactoryReset}) {
        EXPECT_NE(Control<MButton>(id), nullptr) << id;
        EXPECT_EQ(m_window->OnMessage(id, kNotifyClick, 0, 0), 0) << id;
    }
    EXPECT_EQ(Control<MButton>(PerformancePage::kPairReceiver)->GetTitle(), InterfaceText::Get(723));
    EXPECT_EQ(Control<MButton>(PerformancePage::kFactoryReset)->GetTitle(), InterfaceText::Get(570));
}

// The desktop's mouse settings: started from an argument list when a known
// program is installed, else the user is told.
TEST_F(PerformancePageTest, SystemMouseSettingsStartTheDesktopsProgramOrTellTheUser)
{
    Open();
    QTemporaryDir bin;
    ASSERT_TRUE(bin.isValid());
    const QByteArray binPath = bin.path().toLocal8Bit();
    ScopedEnv path("PATH", binPath.constData());
    ScopedEnv desktop("XDG_CURRENT_DESKTOP", "GNOME");
    auto* open = Control<MButton>(PerformancePage::kMouseSettings);
    ClickOn(open);
    ASSERT_EQ(m_host.m_told.size(), 1u);
    EXPECT_EQ(
        QString::fromStdString(m_host.m_told[0]), InterfaceText::Get(530) + QLatin1Char('|') + InterfaceText::Get(912));

    // A stand-in for GNOME's settings writes the arguments it was given.
    const QString marker = bin.path() + QStringLiteral("/started");
    QFile script(bin.path() + QStringLiteral("/gnome-control-center"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\nprintf '%s|' \"$@\" > '%1.tmp' && /bin/mv '%1.tmp' '%1'\n")
                     .arg(marker)
                     .toLocal8Bit());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_host.Clear();
    const auto before = m_host.StoredConfig();
    ClickOn(open);
    QElapsedTimer timer;
    timer.start();
    while (!QFile::exists(marker) && timer.elapsed() < 5000)
        QThread::msleep(10);
    QFile started(marker);
    ASSERT_TRUE(started.open(QIODevice::ReadOnly)) << "the program was not started";
    EXPECT_EQ(started.readAll(), QByteArray("mouse|"));
    EXPECT_TRUE(m_host.m_told.empty());
    EXPECT_TRUE(m_host.m_tasks.empty());
    EXPECT_EQ(m_host.StoredConfig(), before);
}

} // namespace
