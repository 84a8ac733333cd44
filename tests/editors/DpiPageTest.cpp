// The DPI page against a fake main window: what a user's edit stores, which
// task it queues, and what the page makes of values it finds in the store.
#include "PageTestSupport.h"

#include "editors/DpiPage.h"
#include "hid/DeviceEvents.h"
#include "widgets/DPIControl.h"
#include "widgets/DPISlider.h"
#include "widgets/MComboBox.h"
#include "widgets/ReporteCtrl.h"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>


namespace {

constexpr int32_t kSetDpi = TaskCode(WorkerTask::SetDpi);
constexpr int32_t kSetRate = TaskCode(WorkerTask::SetReportRate);
constexpr int32_t kRestore = TaskCode(WorkerTask::RestorePending);

class DpiPageTest : public ::testing::Test {
protected:
    void Open(int32_t deviceType = 101)
    {
        m_host.m_deviceType = deviceType;
        m_window = std::make_unique<PageTestWindow>(
            m_host, [](PageHost& host) { return std::make_unique<DpiPage>(host); });
        m_window->Open();
        m_host.Clear();
    }
    DpiPage& Page() { return static_cast<DpiPage&>(m_window->GetPage()); }
    template<class T> T* Control(int32_t id) { return m_window->GetControlAs<T>(id); }
    DPIControl* Levels() { return Control<DPIControl>(DpiPage::kLevels); }
    // Types into the selected level's edit and presses Enter, as a user does.
    void TypeValue(const QString& text)
    {
        QLineEdit* edit = Levels()->GetEditor();
        ASSERT_NE(edit, nullptr);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
        ProcessPageEvents();
    }
    intptr_t Notify(int32_t id, int32_t code) { return m_window->OnMessage(id, code, 0, 0); }

    FakePageHost m_host;
    std::unique_ptr<PageTestWindow> m_window;
};

TEST_F(DpiPageTest, TypedValuesAreRoundedClampedWrittenBackStoredAndSent)
{
    const struct {
        int32_t deviceType;
        const char* typed;
        int32_t stored;
    } cases[] = {
        {101, "49", 50},
        {101, "125", 100},
        {101, "1650", 1650},
        {101, "30000", 26000},
        {102, "30000", 12000},
        {101, "abc", 50},
        {101, "", 50},
        {101, "-800", 50},
        {101, "+1600", 1600},
        {101, "99999999999999999999", 26000},
        {102, "12049", 12000},
        {101, "2400dpi", 2400},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.deviceType << " '" << c.typed << "'");
        Open(c.deviceType);
        ASSERT_EQ(Levels()->GetSelectItem(), 1) << "the stored current level";
        TypeValue(QString::fromLatin1(c.typed));
        EXPECT_EQ(m_host.Stored(QStringLiteral("dpi_group1_value")), QString::number(c.stored));
        EXPECT_EQ(Levels()->GetEditText(), QString::number(c.stored));
        EXPECT_EQ(Levels()->GetDPIValue(1), c.stored);
        EXPECT_EQ(Control<DPISlider>(DpiPage::kSlider)->GetProgress(), c.stored / 50);
        EXPECT_EQ(m_host.m_tasks, std::vector<int32_t>{kSetDpi});
        EXPECT_EQ(m_host.Stored(QStringLiteral("dpi_group0_value")), QStringLiteral("400")) << "other levels untouched";
    }
}

TEST_F(DpiPageTest, ChoosingALevelStoresItAndMovesTheSlider)
{
    Open();
    Levels()->SetSelectItem(4);
    EXPECT_EQ(Notify(DpiPage::kLevels, kNotifyClick), 1);
    EXPECT_EQ(m_host.Stored(QStringLiteral("dpi_index")), QStringLiteral("4"));
    EXPECT_EQ(Control<DPISlider>(DpiPage::kSlider)->GetProgress(), 2400 / 50);
    EXPECT_EQ(m_host.m_tasks, std::vector<int32_t>{kSetDpi});

    // Focusing the edit stores the level too, leaving the slider alone.
    Control<DPISlider>(DpiPage::kSlider)->SetProgress(3);
    Levels()->SetSelectItem(2);
    EXPECT_EQ(Notify(DpiPage::kLevels, kNotifyEditFocus), 1);
    EXPECT_EQ(m_host.Stored(QStringLiteral("dpi_index")), QStringLiteral("2"));
    EXPECT_EQ(Control<DPISlider>(DpiPage::kSlider)->GetProgress(), 3);
}

TEST_F(DpiPageTest, TheSliderStoresWhileDraggingAndSendsWhenTheDragEnds)
{
    Open();
    auto* slider = Control<DPISlider>(DpiPage::kSlider);
    for (int32_t steps : {20, 30, 44}) {
        slider->SetProgress(steps);
        EXPECT_EQ(Notify(DpiPage::kSlider, kNotifySliding), 1);
        EXPECT_EQ(m_host.Stored(QStringLiteral("dpi_group1_value")), QString::number(steps * 50));
    }
    EXPECT_TRUE(m_host.m_tasks.empty()) << "nothing is sent mid-drag";
    EXPECT_EQ(Notify(DpiPage::kSlider, kNotifyClick), 1);
    EXPECT_EQ(m_host.m_tasks, std::vector<int32_t>{kSetDpi});
    EXPECT_EQ(Levels()->GetDPIValue(1), 2200);

    // The slider never goes below 50 DPI: position 0 is not a value.
    slider->SetProgress(0);
    EXPECT_EQ(slider->GetProgress(), 1);
    // Without a selected level a drag changes nothing, but its end still sends.
    m_host.Clear();
    Levels()->SetSelectItem(-1);
    slider->SetProgress(100);
    EXPECT_EQ(Notify(DpiPage::kSlider, kNotifyClick), 1);
    EXPECT_EQ(m_host.Stored(QStringLiteral("dpi_group1_value")), QStringLiteral("2200"));
    EXPECT_EQ(m_host.m_tasks, std::vector<int32_t>{kSetDpi});
}

TEST_F(DpiPageTest, LoweringTheCountMovesTheCurrentLevelAndRaisingItBringsTheOldValuesBack)
{
    EXPECT_TRUE(m_host.m_store.SetConfigValue(1, QStringLiteral("dpi_index"), QStringLiteral("4")));
    EXPECT_TRUE(m_host.m_store.SetConfigValue(1, QStringLiteral("dpi_group5_value"), QStringLiteral("6400")));
    Open();
    ASSERT_EQ(Levels()->GetSelectItem(), 4);
    auto* count = Control<MComboBox>(DpiPage::kCount);
    count->SelectData(3);
    EXPECT_EQ(Notify(DpiPage::kCount, kNotifyClick), 1);
    EXPECT_EQ(m_host.Stored(QStringLiteral("dpi_count")), QStringLiteral("3"));
    EXPECT_EQ(m_host.Stored(QStringLiteral("dpi_index")), QStringLiteral("2"));
    EXPECT_EQ(Levels()->GetItemCount(), 3);
    EXPECT_EQ(Levels()->GetSelectItem(), 2);
    EXPECT_EQ(m_host.m_tasks, std::vector<int32_t>{kSetDpi});

    count->SelectData(6);
    EXPECT_EQ(Notify(DpiPage::kCount, kNotifyClick), 1);
    ASSERT_EQ(Levels()->GetItemCount(), 6);
    EXPECT_EQ(Levels()->GetDPIValue(3), 1600);
    EXPECT_EQ(Levels()->GetDPIValue(5), 6400);
    EXPECT_EQ(m_host.Stored(QStringLiteral("dpi_index")), QStringLiteral("2")) << "raising keeps the current level";
}

TEST_F(DpiPageTest, RestoringTheLevelsAsksAndPutsTheDefaultsBackButNotTheColours)
{
    EXPECT_TRUE(m_host.m_store.SetConfigValue(1, QStringLiteral("dpi_count"), QStringLiteral("2")));
    EXPECT_TRUE(m_host.m_store.SetConfigValue(1, QStringLiteral("dpi_group0_value"), QStringLiteral("5000")));
    EXPECT_TRUE(m_host.m_store.SetConfigValue(1, QStringLiteral("dpi_group0_rgb"), QStringLiteral("12345")));
    Open();

    m_host.m_answer = false;
    const auto before = m_host.StoredConfig();
    EXPECT_EQ(Notify(DpiPage::kRestoreDpi, kNotifyClick), 0);
    EXPECT_EQ(m_host.StoredConfig(), before);
    EXPECT_TRUE(m_host.m_tasks.empty());
    ASSERT_EQ(m_host.m_asked.size(), 1u);
    EXPECT_EQ(m_host.m_asked[0].rfind("Restore default DPI|", 0), 0u);

    m_host.m_answer = true;
    EXPECT_EQ(Notify(DpiPage::kRestoreDpi, kNotifyClick), 1);
    const int32_t defaults[] = {400, 800, 1200, 1600, 2400, 3200};
    for (int32_t level = 0; level < 6; ++level) {
        EXPECT_EQ(m_host.Stored(QStringLiteral("dpi_group%1_value").arg(level)), QString::number(defaults[level]));
        EXPECT_EQ(Levels()->GetDPIValue(level), defaults[level]);
    }
    EXPECT_EQ(m_host.Stored(QStringLiteral("dpi_count")), QStringLiteral("6"));
    EXPECT_EQ(m_host.Stored(QStringLiteral("dpi_index")), QStringLiteral("1"));
    EXPECT_EQ(m_host.Stored(QStringLiteral("dpi_group0_rgb")), QStringLiteral("12345"));
    EXPECT_EQ(Levels()->GetSelectItem(), 1);
    EXPECT_EQ(Control<DPISlider>(DpiPage::kSlider)->GetProgress(), 16);
    EXPECT_EQ(Control<MComboBox>(DpiPage::kCount)->GetCurData(), 6);
    EXPECT_EQ(m_host.m_pendingRestore, DpiPage::kRestoreSelector);
    EXPECT_EQ(m_host.m_tasks, std::vector<int32_t>{kRestore});
}

TEST_F(DpiPageTest, TheReportRateIsChosenAndRestoredByModel)
{
    Open();
    auto* rate = Control<ReporteCtrl>(DpiPage::kRate);
    ASSERT_EQ(rate->GetItemCount(), 4);
    EXPECT_EQ(rate->GetSelectItem(), 2) << "500 Hz, stored for a new profile";
    QTest::mouseClick(rate, Qt::LeftButton, Qt::NoModifier, rate->GetItemRect(3).center());
    ProcessPageEvents();
    EXPECT_EQ(m_host.Stored(QStringLiteral("report_rate")), QStringLiteral("3"));
    EXPECT_EQ(m_host.m_tasks, std::vector<int32_t>{kSetRate});

    for (const auto& [deviceType, code] : {std::pair{101, "2"}, std::pair{200, "2"}, std::pair{201, "3"}}) {
        m_host.m_deviceType = deviceType;
        EXPECT_TRUE(m_host.m_store.SetConfigValue(1, QStringLiteral("report_rate"), QStringLiteral("0")));
        m_host.Clear();
        EXPECT_EQ(Notify(DpiPage::kRestoreRate, kNotifyClick), 1);
        EXPECT_EQ(m_host.Stored(QStringLiteral("report_rate")), QString::fromLatin1(code)) << deviceType;
        EXPECT_EQ(m_host.m_tasks, std::vector<int32_t>{kSetRate});
    }
    // Declined: nothing.
    m_host.m_answer = false;
    m_host.Clear();
    EXPECT_EQ(Notify(DpiPage::kRestoreRate, kNotifyClick), 0);
    EXPECT_TRUE(m_host.m_tasks.empty());
    // A notification without a chosen entry does nothing.
    rate->SetSelectItem(-1);
    EXPECT_EQ(Notify(DpiPage::kRate, kNotifyClick), 0);
    EXPECT_TRUE(m_host.m_tasks.empty());
}

// Whatever the store holds, the page shows a sane state and writes nothing.
TEST_F(DpiPageTest, ValuesOutOfRangeInTheStoreAreShownSanelyAndNotWritten)
{
    const struct {
        const char* key;
        const char* value;
        int32_t shownCount;
        int32_t shownLevel;
    } cases[] = {
        {"dpi_count", "0", 1, 0},
        {"dpi_count", "7", 6, 1},
        {"dpi_count", "lots", 1, 0},
        {"dpi_count", "-3", 1, 0},
        {"dpi_index", "5", 6, 5},
        {"dpi_index", "9", 6, 0},
        {"dpi_index", "-2", 6, 0},
        {"dpi_index", "x", 6, 0},
        {"report_rate", "9", 6, 1},
        {"dpi_group1_value", "abc", 6, 1},
        {"dpi_group1_value", "999999999", 6, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.key << "=" << c.value);
        EXPECT_TRUE(m_host.m_store.ResetConfig(1));
        EXPECT_TRUE(m_host.m_store.SetConfigValue(1, QString::fromLatin1(c.key), QString::fromLatin1(c.value)));
        const auto before = m_host.StoredConfig();
        Open();
        EXPECT_EQ(m_host.StoredConfig(), before);
        EXPECT_TRUE(m_host.m_tasks.empty());
        EXPECT_EQ(Levels()->GetItemCount(), c.shownCount);
        EXPECT_EQ(Control<MComboBox>(DpiPage::kCount)->GetCurData(), c.shownCount);
        EXPECT_EQ(Levels()->GetSelectItem(), c.shownLevel);
        const int32_t slider = Control<DPISlider>(DpiPage::kSlider)->GetProgress();
        EXPECT_GE(slider, 1);
        EXPECT_LE(slider, 520);
    }
    // A stored rate no entry has leaves none chosen.
    EXPECT_EQ(Control<ReporteCtrl>(DpiPage::kRate)->GetSelectItem(), 2);
    EXPECT_TRUE(m_host.m_store.SetConfigValue(1, QStringLiteral("report_rate"), QStringLiteral("9")));
    Page().Reload();
    EXPECT_EQ(Control<ReporteCtrl>(DpiPage::kRate)->GetSelectItem(), -1);
}

TEST_F(DpiPageTest, TheMousesOwnLevelChangeIsFollowedWithoutSendingAnything)
{
    Open();
    Page().OnPageEvent({PageEvent::Kind::DpiLevel, 3});
    EXPECT_EQ(Levels()->GetSelectItem(), 3);
    EXPECT_EQ(Control<DPISlider>(DpiPage::kSlider)->GetProgress(), 1600 / 50);
    for (int32_t index : {6, 200, -1}) {
        Page().OnPageEvent({PageEvent::Kind::DpiLevel, index});
        EXPECT_EQ(Levels()->GetSelectItem(), 3) << index;
    }
    EXPECT_TRUE(m_host.m_tasks.empty());
}

TEST_F(DpiPageTest, TheSliderRangeFollowsTheModel)
{
    const std::pair<int32_t, int32_t> cases[] = {{101, 520}, {103, 520}, {108, 240}, {102, 240}};
    for (const auto& [deviceType, steps] : cases) {
        Open(deviceType);
        EXPECT_EQ(Control<DPISlider>(DpiPage::kSlider)->GetMaxRange(), steps) << deviceType;
    }
}

} // namespace
