// The lighting page against a fake main window: the default modes of a
// profile's first load, what each mode shows, what an edit stores for the
// active mode, the restore, and what the page makes of rows it finds.
#include "PageTestSupport.h"

#include "editors/LightingPage.h"
#include "language/InterfaceText.h"
#include "widgets/CArea.h"
#include "widgets/CColorButton.h"
#include "widgets/MComboBox.h"
#include "widgets/MEdit.h"
#include "widgets/MSlider.h"
#include "widgets/PaletteBar.h"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr int32_t kLightingTask = TaskCode(WorkerTask::LightingOnly);
constexpr int32_t kRestoreTask = TaskCode(WorkerTask::RestorePending);

class LightingPageTest : public ::testing::Test {
protected:
    void Open()
    {
        m_window = std::make_unique<PageTestWindow>(
            m_host, [](PageHost& host) { return std::make_unique<LightingPage>(host); });
        m_window->Open();
        m_host.Clear();
    }
    LightingPage& Page() { return static_cast<LightingPage&>(m_window->GetPage()); }
    template<class T> T* Control(int32_t id) { return m_window->GetControlAs<T>(id); }
    MComboBox* Mode() { return Control<MComboBox>(LightingPage::kMode); }
    bool Shown(int32_t id) { return Control<MControl>(id)->isVisibleTo(m_window->GetWidget()); }
    // Brightness, speed, colour: which of them the page shows.
    std::string ShownSettings()
    {
        std::string shown;
        shown += Shown(LightingPage::kBrightness) && Shown(LightingPage::kBrightnessCaption) ? "b" : "";
        shown += Shown(LightingPage::kSpeed) && Shown(LightingPage::kSpeedCaption) ? "s" : "";
        shown += Shown(LightingPage::kColorBar) && Shown(LightingPage::kFirstPreset) && Shown(LightingPage::kRed) ? "c"
                                                                                                                  : "";
        return shown;
    }
    // Chooses a mode in the selector as the user does.
    void ChooseMode(int32_t mode)
    {
        ASSERT_GE(Mode()->SelectData(mode), 0) << mode;
        m_window->OnMessage(LightingPage::kMode, kNotifyClick, Mode()->GetCurSel(), 0);
    }
    LightMode Row(int32_t mode)
    {
        LightMode row;
        EXPECT_TRUE(m_host.m_store.GetLightMode(m_host.m_profile, mode, row)) << mode;
        return row;
    }
    std::vector<LightMode> Rows()
    {
        std::vector<LightMode> rows;
        m_host.m_store.ListLightModes(m_host.m_profile, rows);
        return rows;
    }
    // Replaces a component's text keystroke by keystroke, as a user does.
    void TypeComponent(int32_t id, const QString& text)
    {
        auto* edit = qobject_cast<QLineEdit*>(Control<MEdit>(id)->GetEditor());
        ASSERT_NE(edit, nullptr);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        ProcessPageEvents();
    }
    QString Components()
    {
        return Control<MEdit>(LightingPage::kRed)->GetEditText() + QLatin1Char(',')
            + Control<MEdit>(LightingPage::kGreen)->GetEditText() + QLatin1Char(',')
            + Control<MEdit>(LightingPage::kBlue)->GetEditText();
    }

    FakePageHost m_host;
    std::unique_ptr<PageTestWindow> m_window;
};

bool SameRows(const std::vector<LightMode>& a, const std::vector<LightMode>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const LightMode& x = a[i];
        const LightMode& y = b[i];
        if (x.light_id != y.light_id || x.name != y.name || x.mode != y.mode || x.brightness != y.brightness
            || x.speed != y.speed || x.direction != y.direction || x.colorful != y.colorful
            || x.colorindex != y.colorindex || x.color_value != y.color_value || x.config_func != y.config_func
            || x.reserved != y.reserved || x.status != y.status)
            return false;
    }
    return true;
}

TEST_F(LightingPageTest, AFirstLoadWritesTheSevenModesAndShowsTheSpectrumCycle)
{
    ASSERT_EQ(m_host.m_store.CountLightModes(1), 0);
    Open();
    const std::vector<LightMode> rows = Rows();
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[3].name, QStringLiteral("光谱循环"));
    EXPECT_EQ(m_host.m_store.GetActiveLightMode(1), 3);
    ASSERT_EQ(Mode()->GetItemCount(), 7);
    EXPECT_EQ(Mode()->GetCurData(), 3);
    for (int32_t i = 0; i < 7; ++i)
        EXPECT_EQ(Mode()->GetItemText(i), InterfaceText::Get(280 + i)) << i;
    EXPECT_EQ(ShownSettings(), "bs");
    EXPECT_EQ(Control<MSlider>(LightingPage::kBrightness)->GetProgress(), 255);
    EXPECT_EQ(Control<MSlider>(LightingPage::kSpeed)->GetProgress(), 128);
    // Other profiles get theirs on their own first load.
    EXPECT_EQ(m_host.m_store.CountLightModes(2), 0);
    // A second load adds nothing.
    Page().Reload();
    EXPECT_EQ(Rows().size(), 7u);
    EXPECT_TRUE(m_host.m_tasks.empty());
}

TEST_F(LightingPageTest, EachModeShowsItsOwnSettingsAndBecomesActiveWhenChosen)
{
    Open();
    const std::pair<int32_t, const char*> modes[] = {
        {0, ""}, {1, "bc"}, {2, "bsc"}, {3, "bs"}, {4, "bs"}, {5, "bsc"}, {6, "bs"}};
    for (const auto& [mode, shown] : modes) {
        ChooseMode(mode);
        EXPECT_EQ(ShownSettings(), shown) << mode;
        EXPECT_EQ(Shown(LightingPage::kSettingsBackground), *shown != 0) << "mode 0 has nothing to set";
        EXPECT_EQ(m_host.m_store.GetActiveLightMode(1), mode);
    }
    EXPECT_EQ(m_host.m_tasks, std::vector<int32_t>(7, kLightingTask));

    // Brightness of mode 1 is its own: mode 2 shows its stored one.
    ChooseMode(1);
    auto* brightness = Control<MSlider>(LightingPage::kBrightness);
    brightness->SetProgress(100);
    m_window->OnMessage(LightingPage::kBrightness, kNotifySliding, 100, 0);
    EXPECT_EQ(Row(1).brightness, 255) << "nothing is stored mid-drag";
    m_window->OnMessage(LightingPage::kBrightness, kNotifyClick, 100, 0);
    EXPECT_EQ(Row(1).brightness, 100);
    ChooseMode(2);
    EXPECT_EQ(brightness->GetProgress(), 255);
    auto* speed = Control<MSlider>(LightingPage::kSpeed);
    speed->SetProgress(17);
    m_window->OnMessage(LightingPage::kSpeed, kNotifyClick, 17, 0);
    EXPECT_EQ(Row(2).speed, 17);
    EXPECT_EQ(Row(1).speed, 128);
    ChooseMode(1);
    EXPECT_EQ(brightness->GetProgress(), 100);
}

TEST_F(LightingPageTest, TypedComponentsAreClampedWrittenBackAndStoredForTheActiveMode)
{
    Open();
    ChooseMode(1);
    m_host.Clear();
    TypeComponent(LightingPage::kRed, QStringLiteral("300"));
    EXPECT_EQ(Control<MEdit>(LightingPage::kRed)->GetEditText(), QStringLiteral("255"));
    EXPECT_EQ(Row(1).color_value & 0xFF, 255);
    TypeComponent(LightingPage::kGreen, QStringLiteral("12"));
    EXPECT_EQ(Row(1).color_value, 0x000CFF);
    TypeComponent(LightingPage::kBlue, QStringLiteral("abc"));
    EXPECT_EQ(Control<MEdit>(LightingPage::kBlue)->GetEditText(), QStringLiteral("0"));
    EXPECT_EQ(Row(1).color_value, 0x000CFF);
    EXPECT_EQ(Control<CArea>(LightingPage::kPreview)->GetFillColor(), 0x000CFFu);
    EXPECT_FALSE(m_host.m_tasks.empty());
    for (int32_t task : m_host.m_tasks)
        EXPECT_EQ(task, kLightingTask);
    EXPECT_EQ(Row(2).color_value, 0x0000FF) << "other modes keep theirs";

    // Enter with nothing new stores nothing more.
    m_host.Clear();
    m_window->OnMessage(LightingPage::kGreen, kNotifyEditCommit, 0, 0);
    EXPECT_TRUE(m_host.m_tasks.empty());
}

TEST_F(LightingPageTest, TheSixthPresetFillsTheEditsAndStores00DEFF)
{
    Open();
    ChooseMode(5);
    m_host.Clear();
    auto* sixth = Control<CColorButton>(LightingPage::kFirstPreset + 5);
    QTest::mouseClick(sixth, Qt::LeftButton, Qt::NoModifier, sixth->rect().center());
    ProcessPageEvents();
    EXPECT_TRUE(sixth->GetCheck());
    EXPECT_EQ(Components(), QStringLiteral("255,222,0"));
    EXPECT_EQ(Row(5).color_value, 0x00DEFF);
    EXPECT_EQ(m_host.m_tasks, std::vector<int32_t>{kLightingTask});
    EXPECT_TRUE(Page().ProbeState().contains(QStringLiteral("light.color=00deff")));

    // The colour bar takes over: no preset stays checked.
    auto* bar = Control<PaletteBar>(LightingPage::kColorBar);
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(bar->PositionToX(100), bar->height() / 2));
    ProcessPageEvents();
    const uint32_t expected = PaletteBar::PaletteHSLToRGB(bar->GetPosition());
    EXPECT_EQ(uint32_t(Row(5).color_value), expected);
    EXPECT_FALSE(sixth->GetCheck());
    EXPECT_EQ(Control<MSlider>(LightingPage::kColorBarSlider)->GetProgress(), bar->GetPosition());
    // And its slider moves the bar.
    auto* slider = Control<MSlider>(LightingPage::kColorBarSlider);
    slider->SetProgress(20);
    m_window->OnMessage(LightingPage::kColorBarSlider, kNotifyClick, 20, 0);
    EXPECT_EQ(bar->GetPosition(), 20);
    EXPECT_EQ(uint32_t(Row(5).color_value), PaletteBar::PaletteHSLToRGB(20));

    // Switching back shows the stored colour with its preset.
    ChooseMode(1);
    EXPECT_EQ(Components(), QStringLiteral("255,0,0"));
    EXPECT_TRUE(Control<CColorButton>(LightingPage::kFirstPreset)->GetCheck());
}

TEST_F(LightingPageTest, TheRestoreAsksPutsTheDefaultsBackAndReloads)
{
    Open();
    ChooseMode(2);
    Control<MSlider>(LightingPage::kBrightness)->SetProgress(9);
    m_window->OnMessage(LightingPage::kBrightness, kNotifyClick, 9, 0);
    TypeComponent(LightingPage::kGreen, QStringLiteral("99"));
    const std::vector<LightMode> edited = Rows();

    m_host.m_answer = false;
    m_host.Clear();
    EXPECT_EQ(m_window->OnMessage(LightingPage::kRestore, kNotifyClick, 0, 0), 0);
    EXPECT_TRUE(SameRows(Rows(), edited));
    EXPECT_TRUE(m_host.m_tasks.empty());
    ASSERT_EQ(m_host.m_asked.size(), 1u);
    EXPECT_EQ(QString::fromStdString(m_host.m_asked[0]),
        InterfaceText::Get(276) + QLatin1Char('|') + InterfaceText::Get(275));

    m_host.m_answer = true;
    m_host.Clear();
    EXPECT_EQ(m_window->OnMessage(LightingPage::kRestore, kNotifyClick, 0, 0), 1);
    EXPECT_EQ(m_host.m_pendingRestore, LightingPage::kRestoreSelector);
    EXPECT_EQ(m_host.m_tasks, std::vector<int32_t>{kRestoreTask});
    for (const LightMode& row : Rows()) {
        EXPECT_EQ(row.brightness, 255) << row.mode;
        EXPECT_EQ(row.speed, 128) << row.mode;
        EXPECT_EQ(row.color_value, 0x0000FF) << row.mode;
    }
    EXPECT_EQ(m_host.m_store.GetActiveLightMode(1), 3);
    // The worker's restore hands back to the page.
    Page().OnPageEvent({PageEvent::Kind::RestoreLighting});
    EXPECT_EQ(Mode()->GetCurData(), 3);
    EXPECT_EQ(ShownSettings(), "bs");
    EXPECT_EQ(Control<MSlider>(LightingPage::kBrightness)->GetProgress(), 255);
}

// Rows the program did not write itself (an old database, an import, a
// damaged file): the page shows the nearest valid state and writes nothing.
TEST_F(LightingPageTest, StoredRowsOutOfRangeShowTheNearestValidStateAndAreNotWritten)
{
    auto add = [&](int32_t mode, int32_t brightness, int32_t speed, int32_t color, int32_t func, int32_t reserved,
                   const char* name, int32_t status) {
        LightMode row;
        row.profile = 1;
        row.mode = mode;
        row.name = QString::fromUtf8(name);
        row.brightness = brightness;
        row.speed = speed;
        row.color_value = color;
        row.config_func = func;
        row.reserved = reserved;
        row.status = status;
        ASSERT_NE(m_host.m_store.AddLightMode(row), 0);
    };
    add(1, -1, 999, 0x7FFFFFFF, 0xFF, 0, "Custom", 1);
    add(2, 40, 50, -5, 0x10, 99999, "", 0);
    const std::vector<LightMode> before = Rows();
    Open();
    EXPECT_TRUE(SameRows(Rows(), before));
    ASSERT_EQ(Mode()->GetItemCount(), 2);
    EXPECT_EQ(Mode()->GetItemText(0), QStringLiteral("Custom")) << "a row without a text id shows its name";
    EXPECT_EQ(Mode()->GetItemText(1), QStringLiteral("2")) << "nor a name: its number";
    EXPECT_EQ(Mode()->GetCurData(), 1);
    EXPECT_EQ(ShownSettings(), "bsc");
    EXPECT_EQ(Control<MSlider>(LightingPage::kBrightness)->GetProgress(), 0);
    EXPECT_EQ(Control<MSlider>(LightingPage::kSpeed)->GetProgress(), 255);
    EXPECT_EQ(Components(), QStringLiteral("255,255,255"));
    EXPECT_TRUE(m_host.m_tasks.empty());

    // No active mode: the first is shown, and still nothing is written.
    EXPECT_TRUE(m_host.m_store.SetActiveLightMode(1, 42));
    const std::vector<LightMode> inactive = Rows();
    Page().Reload();
    EXPECT_EQ(Mode()->GetCurSel(), 0);
    EXPECT_TRUE(SameRows(Rows(), inactive));

    // A negative colour shows black; choosing the mode makes it active.
    ChooseMode(2);
    EXPECT_EQ(Components(), QStringLiteral("0,0,0"));
    EXPECT_EQ(ShownSettings(), "c");
    EXPECT_EQ(m_host.m_store.GetActiveLightMode(1), 2);
}

TEST_F(LightingPageTest, AModeWhoseRowIsGoneShowsNothingAndChangesNothing)
{
    Open();
    // The selector still offers a mode the store no longer has.
    Mode()->AddItem(QStringLiteral("gone"), 9);
    Mode()->SetCurSel(Mode()->GetItemCount() - 1);
    const std::vector<LightMode> before = Rows();
    m_window->OnMessage(LightingPage::kMode, kNotifyClick, Mode()->GetCurSel(), 0);
    EXPECT_EQ(ShownSettings(), "");
    EXPECT_TRUE(SameRows(Rows(), before));
    EXPECT_TRUE(m_host.m_tasks.empty());
    TypeComponent(LightingPage::kRed, QStringLiteral("7"));
    EXPECT_TRUE(SameRows(Rows(), before));
    EXPECT_TRUE(m_host.m_tasks.empty());
}

} // namespace
