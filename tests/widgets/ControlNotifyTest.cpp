#include "WidgetTestSupport.h"

#include "widgets/BatteryCtrl.h"
#include "widgets/CArea.h"
#include "widgets/MArea.h"
#include "widgets/CCheckButton.h"
#include "widgets/CColorButton.h"
#include "widgets/CDeviceList.h"
#include "widgets/CDeviceState.h"
#include "widgets/CHelpButton.h"
#include "widgets/CRadioButton.h"
#include "widgets/CSwitchButton.h"
#include "widgets/CTabCtrl1.h"
#include "widgets/ControlFactory.h"
#include "widgets/DPIControl.h"
#include "widgets/DPISlider.h"
#include "widgets/KeyFuncType.h"
#include "widgets/KeyFuncValue.h"
#include "widgets/MButton.h"
#include "widgets/MButton3.h"
#include "widgets/MComboBox.h"
#include "widgets/MEdit.h"
#include "widgets/MPopupList.h"
#include "widgets/MProgress.h"
#include "widgets/MSlider.h"
#include "widgets/MTabCtrl.h"
#include "widgets/MouseCtrl.h"
#include "widgets/NumberEdit.h"
#include "widgets/PaletteBar.h"
#include "widgets/ReporteCtrl.h"
#include "widgets/WindowRegistry.h"

#include <QApplication>
#include <QLineEdit>
#include <QPaintEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class ControlNotifyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureApplication();
        m_dialog.Open();
    }
    template <class T>
    T* Make(int32_t id, const MRect& rect, const QString& title = {})
    {
        return m_dialog.Create<T>(id, rect, title);
    }
    RecordingDialog m_dialog;
};

TEST_F(ControlNotifyTest, EveryClassNameCreatesItsClass)
{
    const QStringList names = ControlFactory::ClassNames();
    EXPECT_EQ(names.size(), 37);
    int id = 1000;
    for (const QString& name : names) {
        MControl* control = m_dialog.CreateControl(name, id, {0, 0, 50, 20});
        ASSERT_NE(control, nullptr) << name.toStdString();
        EXPECT_EQ(control->GetClassName(), name);
        EXPECT_EQ(m_dialog.GetControl(id), control);
        ++id;
    }
}

TEST_F(ControlNotifyTest, ButtonClicksNotifyOncePerClick)
{
    auto* button = Make<MButton>(10, {10, 10, 110, 40}, QStringLiteral("OK"));
    auto* check = Make<CCheckButton>(11, {10, 50, 200, 70}, QStringLiteral("Start with the system"));
    auto* toggle = Make<MButton3>(12, {10, 80, 80, 110}, QStringLiteral("Ctrl"));
    auto* sw = Make<CSwitchButton>(13, {10, 120, 80, 144});
    auto* color = Make<CColorButton>(14, {10, 150, 40, 180});
    auto* help = Make<CHelpButton>(15, {10, 190, 30, 210});
    Click(button, {50, 15});
    Click(check, {5, 10});
    Click(toggle, {30, 15});
    Click(sw, {20, 12});
    Click(color, {15, 15});
    Click(help, {10, 10});
    const std::vector<Note> expected = {{10, 2, 0}, {11, 2, 0}, {12, 2, 0}, {13, 2, 0}, {14, 2, 0}, {15, 2, 0}};
    EXPECT_EQ(m_dialog.m_notes, expected);
    EXPECT_TRUE(check->GetCheck());
    EXPECT_TRUE(toggle->GetCheck());
    EXPECT_TRUE(sw->GetCheck());
    EXPECT_TRUE(color->GetCheck());

    // A press that leaves the button before release is no click; nor is a disabled button.
    m_dialog.m_notes.clear();
    QTest::mousePress(button, Qt::LeftButton, Qt::NoModifier, {50, 15});
    QTest::mouseRelease(button, Qt::LeftButton, Qt::NoModifier, {300, 15});
    button->SetEnabled(false);
    Click(button, {50, 15});
    Click(check, {5, 10});
    EXPECT_EQ(m_dialog.m_notes, (std::vector<Note>{{11, 2, 0}}));
    EXPECT_FALSE(check->GetCheck());
}

TEST_F(ControlNotifyTest, RadioGroupsExcludeWithinTheirGroupOnly)
{
    // Other controls in the window must not be mistaken for group members.
    Make<MEdit>(1, {400, 10, 500, 30});
    m_dialog.CreateArea(QStringLiteral("MPicture"), 2, {400, 40, 500, 60});
    Make<CCheckButton>(3, {400, 70, 500, 90});
    auto* a1 = Make<CRadioButton>(47, {10, 10, 200, 30}, QStringLiteral("Hide to tray"));
    auto* a2 = Make<CRadioButton>(48, {10, 40, 200, 60}, QStringLiteral("Exit"));
    auto* b1 = Make<CRadioButton>(47, {10, 70, 200, 90}, QStringLiteral("Other group, same id"));
    a1->SetGroupName(QStringLiteral("IDC_SET_STC_EXITMODE"));
    a2->SetGroupName(QStringLiteral("IDC_SET_STC_EXITMODE"));
    b1->SetGroupName(QStringLiteral("IDC_STC_EXITMODE"));
    b1->SetCheck(true);
    a1->SetCheck(true);
    EXPECT_TRUE(m_dialog.m_notes.empty());
    EXPECT_TRUE(b1->GetCheck());

    Click(a2, {5, 10});
    EXPECT_FALSE(a1->GetCheck());
    EXPECT_TRUE(a2->GetCheck());
    EXPECT_TRUE(b1->GetCheck());
    EXPECT_EQ(m_dialog.m_notes, (std::vector<Note>{{48, 2, 0}}));

    a1->SetCheck(true); // from code: the group follows, nobody is told
    EXPECT_FALSE(a2->GetCheck());
    EXPECT_EQ(m_dialog.m_notes.size(), 1u);
    Click(a1, {5, 10}); // clicking the checked one keeps it checked and still reports
    EXPECT_TRUE(a1->GetCheck());
    EXPECT_EQ(LastNote(m_dialog.m_notes), (Note{47, 2, 0}));
    EXPECT_EQ(m_dialog.GetControls(47).size(), 2u);

    auto* c1 = Make<CColorButton>(188, {300, 10, 330, 40});
    auto* c2 = Make<CColorButton>(189, {340, 10, 370, 40});
    c1->SetGroupName(QStringLiteral("DEFAULTCOLOR"));
    c2->SetGroupName(QStringLiteral("DEFAULTCOLOR"));
    c2->SetColor(0x00DEFF);
    Click(c1, {15, 15});
    Click(c2, {15, 15});
    EXPECT_FALSE(c1->GetCheck());
    EXPECT_EQ(c2->GetColor(), 0x00DEFFu);
}

TEST_F(ControlNotifyTest, EditReportsFocusTypingAndCommit)
{
    auto* edit = Make<MEdit>(144, {10, 10, 200, 40});
    edit->SetTitle(QStringLiteral("10")); // from code: silent
    EXPECT_TRUE(m_dialog.m_notes.empty());
    QWidget* editor = edit->GetEditor();
    Click(editor, {20, 10});
    EXPECT_EQ(m_dialog.m_notes, (std::vector<Note>{{144, 30, 0}}));
    QTest::keyClick(editor, Qt::Key_End);
    QTest::keyClicks(editor, QStringLiteral("50"));
    QTest::keyClick(editor, Qt::Key_Return);
    ProcessEvents();
    const std::vector<Note> expected = {{144, 30, 0}, {144, 26, 0}, {144, 26, 0}, {144, 29, 0}};
    EXPECT_EQ(m_dialog.m_notes, expected);
    EXPECT_EQ(edit->GetEditText(), QStringLiteral("1050"));

    // Leaving after Enter does not repeat the commit; leaving after typing does.
    auto* other = Make<MEdit>(145, {10, 50, 200, 80});
    m_dialog.m_notes.clear();
    other->OnFocus(true);
    EXPECT_TRUE(m_dialog.m_notes.empty()) << "focus from code is silent";
    edit->OnFocus(true);
    QTest::keyClicks(editor, QStringLiteral("7"));
    other->OnFocus(true);
    ProcessEvents();
    // 145 was left without Enter, so it commits too.
    EXPECT_EQ(m_dialog.m_notes, (std::vector<Note>{{145, 29, 0}, {144, 26, 0}, {144, 29, 0}}));
}

TEST_F(ControlNotifyTest, MultiLineEditKeepsLineBreaksAndCommitsOnLeaving)
{
    auto* edit = Make<MEdit>(168, {10, 10, 300, 200});
    edit->SetMultiLine(true);
    edit->SetTitle(QStringLiteral("第一行\nsecond"));
    EXPECT_EQ(edit->GetEditText(), QStringLiteral("第一行\nsecond"));
    EXPECT_TRUE(m_dialog.m_notes.empty());
    Click(edit->GetEditor(), {20, 20});
    QTest::keyClicks(edit->GetEditor(), QStringLiteral("x"));
    edit->OnFocus(false);
    ProcessEvents();
    ASSERT_GE(m_dialog.m_notes.size(), 3u);
    EXPECT_EQ(m_dialog.m_notes.front().code, 30);
    EXPECT_EQ(m_dialog.m_notes[1].code, 26);
    EXPECT_EQ(LastNote(m_dialog.m_notes).code, 29);
}

TEST_F(ControlNotifyTest, NumberEditStepsWithinItsRange)
{
    auto* number = Make<NumberEdit>(231, {10, 10, 120, 40});
    number->SetRange(1, 50);
    number->SetTitle(QStringLiteral("49"));
    const QPoint up = number->GetUpRect().center();
    Click(number, up);
    Click(number, up);
    EXPECT_EQ(number->GetTitle(), QStringLiteral("50"));
    Click(number, number->GetDownRect().center());
    EXPECT_EQ(number->GetTitle(), QStringLiteral("49"));
    EXPECT_EQ(m_dialog.m_notes, (std::vector<Note>{{231, 2, 0}, {231, 2, 0}, {231, 2, 0}}));
    number->SetTitle(QStringLiteral("abc"));
    Click(number, up);
    EXPECT_EQ(number->GetTitle(), QStringLiteral("2")) << "unreadable text steps from the minimum";
}

TEST_F(ControlNotifyTest, SliderReportsDragAndItsEnd)
{
    auto* slider = Make<MSlider>(184, {10, 10, 230, 40});
    slider->SetMaxRange(255);
    slider->SetProgress(300);
    EXPECT_EQ(slider->GetProgress(), 255);
    slider->SetProgress(0);
    EXPECT_TRUE(m_dialog.m_notes.empty());
    Drag(slider, {slider->PositionToX(0), 15}, {slider->PositionToX(200), 15});
    ASSERT_FALSE(m_dialog.m_notes.empty());
    EXPECT_EQ(LastNote(m_dialog.m_notes), (Note{184, 2, slider->GetProgress()}));
    EXPECT_NEAR(slider->GetProgress(), 200, 2);
    for (size_t i = 0; i + 1 < m_dialog.m_notes.size(); ++i)
        EXPECT_EQ(m_dialog.m_notes[i].code, kNotifySliding);
    EXPECT_EQ(std::count_if(m_dialog.m_notes.begin(), m_dialog.m_notes.end(), [](const Note& n) { return n.code == 2; }), 1);

    auto* dpi = Make<DPISlider>(104, {10, 50, 530, 100});
    dpi->SetMaxRange(240);
    dpi->SetProgress(16);
    EXPECT_EQ(dpi->GetProgress(), 16);
    EXPECT_EQ(LastNote(m_dialog.m_notes).id, 184);
}

TEST_F(ControlNotifyTest, ComboChoosesThroughItsDropDown)
{
    auto* combo = Make<MComboBox>(107, {10, 10, 150, 40});
    for (int i = 1; i <= 6; ++i)
        combo->AddItem(QString::number(i), i);
    EXPECT_EQ(combo->SelectData(4), 3);
    EXPECT_EQ(combo->SelectData(9), -1);
    EXPECT_EQ(combo->GetCurData(), 4) << "an unknown data keeps the selection";
    EXPECT_TRUE(m_dialog.m_notes.empty());

    Click(combo, {40, 15});
    const WindowHandle popupHandle = FindWindow(QStringLiteral("MWindow"), QStringLiteral("ComboWnd"));
    ASSERT_NE(popupHandle, 0u);
    auto* popup = dynamic_cast<MPopupList*>(MWindow::FromHandle(popupHandle));
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->GetItemCount(), 6);
    Click(popup->GetWidget(), popup->GetItemRect(1).center());
    EXPECT_EQ(m_dialog.m_notes, (std::vector<Note>{{107, 2, 1}}));
    EXPECT_EQ(combo->GetCurData(), 2);
    EXPECT_EQ(combo->GetTitle(), QStringLiteral("2"));
    EXPECT_EQ(FindWindow(QStringLiteral("MWindow"), QStringLiteral("ComboWnd")), 0u);

    // Closing the drop-down without a choice (as closing transient windows does) changes nothing.
    Click(combo, {40, 15});
    PostMessage(FindWindow(QStringLiteral("MWindow"), QStringLiteral("ComboWnd")), kWmClose, 0, 0);
    ProcessEvents();
    EXPECT_EQ(FindWindow(QStringLiteral("MWindow"), QStringLiteral("ComboWnd")), 0u);
    EXPECT_EQ(m_dialog.m_notes.size(), 1u);
    combo->DelAllItems();
    EXPECT_EQ(combo->GetCurData(), -1);
    EXPECT_EQ(combo->ShowDropDown(), nullptr);
}

TEST_F(ControlNotifyTest, TabBarHidesAndShowsItemsKeepingIndexes)
{
    auto* tabs = Make<MTabCtrl>(48, {1, 120, 191, 600});
    tabs->SetItemWidth(190, 190, 1);
    tabs->SetItemHeight(60, 60, 1);
    const int ids[] = {1, 2, 3, 4, 8, 5, 6};
    for (int id : ids)
        tabs->InsertItem(id, QStringLiteral("Tab %1").arg(id), QString());
    tabs->SetSelectItem(0);
    EXPECT_TRUE(tabs->SetItemVisible(5, false));
    EXPECT_FALSE(tabs->IsItemVisible(5));
    EXPECT_TRUE(tabs->GetItemRect(5).isEmpty());
    EXPECT_EQ(tabs->GetItemRect(6).top(), 5 * 60) << "later items move up into the gap";
    Click(tabs, tabs->GetItemRect(6).center());
    EXPECT_EQ(m_dialog.m_notes, (std::vector<Note>{{48, 2, 6}}));
    EXPECT_EQ(tabs->GetItemId(6), 6);
    EXPECT_EQ(tabs->GetSelectItem(), 6);

    tabs->SetItemVisible(5, true);
    EXPECT_EQ(tabs->GetItemRect(5).top(), 5 * 60);
    EXPECT_EQ(tabs->GetItemRect(6).top(), 6 * 60);
    Click(tabs, tabs->GetItemRect(5).center());
    EXPECT_EQ(LastNote(m_dialog.m_notes), (Note{48, 2, 5}));
    EXPECT_FALSE(tabs->SetItemVisible(42, false));
    tabs->SetTopBottomPading(20, 0);
    EXPECT_EQ(tabs->GetItemRect(0).top(), 20) << "the top padding moves the first item";
    tabs->SetTopBottomPading(0, 0);
    EXPECT_EQ(tabs->GetItemIndex(8), 4);
    tabs->SetSelectItem(1);
    EXPECT_EQ(m_dialog.m_notes.size(), 2u);

    auto* dialogTabs = Make<CTabCtrl1>(33, {10, 620, 400, 660});
    auto* page0 = m_dialog.CreateArea(QStringLiteral("MTabLayout"), 35, {10, 660, 400, 690});
    auto* page1 = m_dialog.CreateArea(QStringLiteral("MTabLayout"), 36, {10, 660, 400, 690});
    dialogTabs->AddItem(QStringLiteral("常规"));
    dialogTabs->AddItem(QStringLiteral("About"));
    dialogTabs->BindPage(0, page0);
    dialogTabs->BindPage(1, page1);
    dialogTabs->SetSelectItem(0);
    EXPECT_TRUE(page0->IsVisible());
    EXPECT_FALSE(page1->IsVisible());
    Click(dialogTabs, dialogTabs->GetItemRect(1).center());
    EXPECT_EQ(LastNote(m_dialog.m_notes), (Note{33, 2, 1}));
    EXPECT_FALSE(page0->IsVisible());
    EXPECT_TRUE(page1->IsVisible());
}

TEST_F(ControlNotifyTest, MouseMarkersSelectByLabel)
{
    auto* mouse = Make<MouseCtrl>(82, {200, 75, 900, 600});
    mouse->AddItem(QStringLiteral("Left"), 0, 0, {300, 100}, {400, 100});
    mouse->AddItem(QStringLiteral("Right"), 1, 1, {450, 100}, {550, 100});
    mouse->AddItem(QStringLiteral("Back"), 4, 0, {300, 200}, {380, 200});
    mouse->SetSelectItem(1);
    EXPECT_EQ(mouse->SetItemKeyDesc(4, QStringLiteral("Ctrl + C")), 1);
    EXPECT_EQ(mouse->GetItemText(2), QStringLiteral("Ctrl + C"));
    EXPECT_TRUE(m_dialog.m_notes.empty());
    EXPECT_LT(mouse->GetLabelRect(0).right(), 300 + 1);
    EXPECT_GE(mouse->GetLabelRect(1).left(), 550);
    Click(mouse, mouse->GetLabelRect(2).center());
    EXPECT_EQ(m_dialog.m_notes, (std::vector<Note>{{82, 2, 2}}));
    EXPECT_EQ(mouse->GetItemKeyValue(mouse->GetSelectItem()), 4);
    Click(mouse, {5, 5}); // empty space: nothing
    EXPECT_EQ(m_dialog.m_notes.size(), 1u);
    EXPECT_EQ(mouse->GetItemKeyValue(7), -1);
    mouse->DeleteAllItems();
    EXPECT_EQ(mouse->GetSelectItem(), -1);
}

TEST_F(ControlNotifyTest, ChoiceListsNotifyWithTheIndex)
{
    auto* types = Make<KeyFuncType>(69, {10, 10, 210, 400});
    auto* values = Make<KeyFuncValue>(74, {220, 10, 620, 300});
    auto* rate = Make<ReporteCtrl>(112, {10, 420, 500, 470});
    auto* devices = Make<CDeviceList>(57, {10, 480, 790, 590});
    types->AddItem(QStringLiteral("Restore"), 0, QStringLiteral("icon/keytype_0.png"));
    types->AddItem(QStringLiteral("Mouse"), 1, QStringLiteral("icon/keytype_1.png"));
    types->AddItem(QStringLiteral("Macro"), 5, QStringLiteral("icon/keytype_4.png"));
    EXPECT_TRUE(types->SetCurData(5));
    EXPECT_EQ(types->GetSelectItem(), 2);
    for (int v : {1, 2, 3, 5})
        values->AddItem(QStringLiteral("Value %1").arg(v), v, v * 10);
    EXPECT_FALSE(values->SetCurData(99));
    EXPECT_EQ(values->GetSelectItem(), -1);
    rate->AddItem(QStringLiteral("125Hz"), 0, 0x0108F1);
    rate->AddItem(QStringLiteral("250Hz"), 1, 0xED6B00);
    rate->AddItem(QStringLiteral("500Hz"), 2, 0x4DF600);
    rate->AddItem(QStringLiteral("1000Hz"), 3, 0x20A3FF);
    EXPECT_TRUE(rate->SetSelectItemValue(2));
    EXPECT_FALSE(rate->SetSelectItemValue(7));
    EXPECT_EQ(rate->GetSelectItem(), 2);
    devices->AddDevice(101, QStringLiteral("Heron Pro"), QStringLiteral("device/heron.png"));
    devices->AddDevice(102, QStringLiteral("Heron"), QStringLiteral("device/heron_3311.png"));
    devices->SetAllDeviceState(0);
    EXPECT_TRUE(devices->SetDeviceState(102, 1, 1));
    EXPECT_FALSE(devices->SetDeviceState(102, 2, 1));
    EXPECT_FALSE(devices->SetDeviceState(999, 0, 1));
    devices->SetDeviceBattery(102, 1, 80);
    devices->SetDeviceVersion(102, QStringLiteral("1.2.3"));
    EXPECT_FALSE(devices->SetSelectDevice(555));
    EXPECT_EQ(devices->GetSelectDevice(), 0);
    EXPECT_TRUE(devices->SetSelectDevice(101));
    EXPECT_TRUE(m_dialog.m_notes.empty());

    Click(types, types->GetItemRect(1).center());
    Click(values, values->GetItemRect(3).center());
    Click(rate, rate->GetItemRect(3).center());
    Click(devices, devices->GetItemRect(1).center());
    const std::vector<Note> expected = {{69, 2, 1}, {74, 2, 3}, {112, 2, 3}, {57, 2, 102}};
    EXPECT_EQ(m_dialog.m_notes, expected);
    EXPECT_EQ(types->GetCurData(), 1);
    EXPECT_EQ(values->GetCurData(), 5);
    EXPECT_EQ(values->GetItemExtra(3), 50);
    EXPECT_EQ(rate->GetItemKeyValue(rate->GetSelectItem()), 3);
    EXPECT_EQ(devices->GetSelectDevice(), 102);
    EXPECT_EQ(devices->GetDeviceState(102, 1), 1);
    EXPECT_EQ(devices->GetDeviceState(101, 0), 0);
}

TEST_F(ControlNotifyTest, DpiLevelsEditTheSelectedValue)
{
    auto* dpi = Make<DPIControl>(103, {10, 10, 790, 130});
    const int values[] = {400, 800, 1200, 1600, 2400, 3200};
    const uint32_t colors[] = {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFF00, 0x00FFFF, 0x800180};
    for (int i = 0; i < 6; ++i)
        dpi->AddItem(values[i], colors[i]);
    dpi->SetSelectItem(1);
    EXPECT_EQ(dpi->GetEditText(), QStringLiteral("800"));
    dpi->SetDPIValue(1, 850);
    EXPECT_EQ(dpi->GetEditText(), QStringLiteral("850"));
    EXPECT_EQ(dpi->GetDPIValue(1), 850);
    EXPECT_EQ(dpi->GetDPIValue(6), -1);
    EXPECT_FALSE(dpi->SetDPIValue(-1, 100));
    EXPECT_TRUE(m_dialog.m_notes.empty());

    Click(dpi, dpi->GetItemRect(3).center() - QPoint(0, 30));
    EXPECT_EQ(m_dialog.m_notes, (std::vector<Note>{{103, 2, 3}}));
    EXPECT_EQ(dpi->GetEditText(), QStringLiteral("1600"));
    Click(dpi, dpi->GetItemRect(4).center() - QPoint(0, 30), Qt::RightButton);
    EXPECT_EQ(LastNote(m_dialog.m_notes), (Note{103, 9, 4}));
    EXPECT_EQ(dpi->GetSelectItem(), 4);

    QLineEdit* edit = dpi->GetEditor();
    Click(edit, {10, 10});
    EXPECT_EQ(LastNote(m_dialog.m_notes), (Note{103, 30, 4}));
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("30000"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(LastNote(m_dialog.m_notes), (Note{103, 29, 4}));
    EXPECT_EQ(dpi->GetEditText(), QStringLiteral("30000"));
    EXPECT_EQ(dpi->GetDPIValue(4), 2400) << "the page decides; the control only reports";
    dpi->SetTitle(QStringLiteral("26000"));
    EXPECT_EQ(LastNote(m_dialog.m_notes).code, 29);
    dpi->ClearList();
    EXPECT_EQ(dpi->GetSelectItem(), -1);
    EXPECT_EQ(dpi->GetEditText(), QString());
}

TEST_F(ControlNotifyTest, PaletteBarMovesItsSliderAndReportsThePosition)
{
    auto* bar = Make<PaletteBar>(197, {10, 10, 410, 40});
    auto* slider = Make<MSlider>(200, {10, 50, 410, 80});
    slider->SetMaxRange(PaletteBar::kPositions);
    bar->BindSlider(slider);
    Click(bar, {bar->PositionToX(100), 15});
    ASSERT_EQ(m_dialog.m_notes.size(), 1u) << "the bound slider does not notify";
    EXPECT_EQ(m_dialog.m_notes[0].id, 197);
    EXPECT_EQ(m_dialog.m_notes[0].code, 2);
    EXPECT_NEAR(m_dialog.m_notes[0].param, 100, 1);
    EXPECT_EQ(slider->GetProgress(), bar->GetPosition());
}

TEST_F(ControlNotifyTest, SettingValuesFromCodeNeverNotifies)
{
    auto* check = Make<CCheckButton>(42, {0, 0, 100, 20});
    auto* sw = Make<CSwitchButton>(227, {0, 30, 100, 50});
    auto* tabs = Make<MTabCtrl>(48, {0, 60, 190, 400});
    auto* combo = Make<MComboBox>(254, {200, 0, 300, 30});
    auto* edit = Make<MEdit>(204, {200, 40, 300, 70});
    auto* number = Make<NumberEdit>(231, {200, 80, 300, 110});
    auto* slider = Make<MSlider>(186, {200, 120, 400, 150});
    auto* progress = Make<MProgress>(101, {200, 160, 400, 190});
    auto* battery = Make<BatteryCtrl>(44, {200, 200, 300, 230});
    auto* state = Make<CDeviceState>(45, {200, 240, 400, 270});
    check->SetCheck(true);
    sw->SetCheck(true);
    sw->SetEnabled(false);
    tabs->InsertItem(1, QStringLiteral("Home"), QString());
    tabs->SetSelectItem(0);
    combo->AddItem(QStringLiteral("English"), 1033);
    combo->SetCurSel(0);
    combo->SelectData(1033);
    edit->SetTitle(QStringLiteral("255"));
    number->SetTitle(QStringLiteral("8"));
    slider->SetProgress(40);
    progress->SetProgress(150);
    battery->SetBatteryInfo(120, 1);
    state->SetTitle(QStringLiteral("已连接"));
    state->SetState(1);
    ProcessEvents();
    EXPECT_TRUE(m_dialog.m_notes.empty());
    EXPECT_EQ(progress->GetProgress(), 100);
    EXPECT_EQ(battery->GetLevel(), 100);
    EXPECT_EQ(battery->GetStatus(), 1);
    Click(sw, {10, 10});
    EXPECT_TRUE(m_dialog.m_notes.empty()) << "a disabled switch ignores clicks";
    EXPECT_TRUE(sw->GetCheck());
}

} // namespace

namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;
    QRegion painted;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            ++count;
            painted += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }
};

} // namespace

TEST_F(ControlNotifyTest, OnlyControlsThatShowHoverRepaintWhenThePointerCrossesThem)
{
    // A window-sized area is crossed by the pointer on its way to every
    // button inside it: repainting it whole each time made every click cost a
    // full repaint.
    auto* area = Make<CArea>(20, {0, 0, 780, 580});
    auto* button = Make<MButton>(21, {10, 10, 110, 40}, QStringLiteral("OK"));
    auto* combo = Make<MComboBox>(22, {10, 50, 160, 80});
    auto* list = Make<CDeviceList>(23, {10, 100, 700, 400});
    list->AddDevice(101, QStringLiteral("Heron"), {});
    QWidget* window = area->window();
    const QPoint outside(790, 590);
    QTest::mouseMove(window, outside);
    QApplication::processEvents();
    struct Case {
        QWidget* widget;
        QPoint inside; // in the window, over this widget only
        bool repaints;
    };
    // Moved as a user moves it, so Qt's own enter, leave and hover events
    // all arrive.
    for (const Case c : {Case{area, {750, 500}, false}, Case{button, {60, 25}, true}, Case{combo, {85, 65}, true},
             Case{list, {690, 390}, false}}) {
        PaintCounter paints(c.widget);
        QTest::mouseMove(window, c.inside);
        QApplication::processEvents();
        QTest::mouseMove(window, outside);
        QApplication::processEvents();
        EXPECT_EQ(paints.count > 0, c.repaints) << c.widget->metaObject()->className() << " " << paints.count;
    }
    // A list repaints the item under the pointer, and only that item, when
    // its highlight comes and goes.
    PaintCounter paints(list);
    QTest::mouseMove(list, list->GetItemRect(0).center());
    QApplication::processEvents();
    const int afterHover = paints.count;
    EXPECT_GT(afterHover, 0);
    EXPECT_TRUE(list->GetItemRect(0).adjusted(-1, -1, 1, 1).contains(paints.painted.boundingRect()))
        << "the whole list was redrawn";
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(list, &leave);
    QApplication::processEvents();
    EXPECT_GT(paints.count, afterHover);
}
