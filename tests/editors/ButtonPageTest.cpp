// The button page against a fake main window, driven with real clicks and
// keys: what a user's gesture stores for the current profile, what reaches
// the button map, and what the page makes of stored rows it does not expect.
#include "PageTestSupport.h"

#include "editors/ButtonPage.h"
#include "editors/TextPage.h"
#include "hid/ButtonMapEncoder.h"
#include "language/InterfaceText.h"
#include "language/Language.h"
#include "widgets/CRadioButton.h"
#include "widgets/KeyFuncType.h"
#include "widgets/KeyFuncValue.h"
#include "widgets/MButton3.h"
#include "widgets/MComboBox.h"
#include "widgets/MEdit.h"
#include "widgets/MPopupList.h"
#include "widgets/MouseCtrl.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr int32_t kButtonMap = TaskCode(WorkerTask::ButtonMap);
// Positions in the type list.
enum TypeItem {
    kRestoreItem,
    kMouseItem,
    kKeyboardItem,
    kMacroItem,
    kMediaItem,
    kShortcutItem,
    kDisableItem,
    kProgramItem,
    kAddressItem,
    kSnippetItem
};

QString Text(int id)
{
    return InterfaceText::Get(id);
}

class ButtonPageTest : public ::testing::Test {
protected:
    void SetUp() override { Language::SetCurrent(1033); }
    void TearDown() override { Language::SetCurrent(1033); }

    // The page of a Heron Pro with its description, as the window shows it.
    void Open()
    {
        ASSERT_TRUE(m_host.m_description.LoadFile(QStringLiteral(TARVO_BINARY_DIR "/device/heron.xml")));
        m_host.m_defaultKeys = m_host.m_description.DefaultKeys();
        m_host.m_pictureRect = {870, 145, 1130, 545};
        m_window = std::make_unique<PageTestWindow>(
            m_host, [](PageHost& host) { return std::make_unique<ButtonPage>(host); });
        m_window->Open();
        Page().OnPageEvent({PageEvent::Kind::MarkersChanged});
        Page().Reload();
        ProcessPageEvents();
        m_host.Clear();
    }
    ButtonPage& Page() { return static_cast<ButtonPage&>(m_window->GetPage()); }
    template<class T> T* Control(int32_t id) { return m_window->GetControlAs<T>(id); }
    MouseCtrl* Markers() { return Control<MouseCtrl>(ButtonPage::kMouseMarkers); }
    void Click(QWidget* widget, const QPoint& at) { ClickAt(widget, at); }
    void ClickControl(int32_t id) { ::ClickControl(*m_window, id); }
    // The marker of `button` (its index on the Heron Pro).
    void ClickMarker(int32_t index) { Click(Markers(), Markers()->GetLabelRect(index).center()); }
    void ClickType(int32_t item)
    {
        auto* types = Control<KeyFuncType>(ButtonPage::kTypeList);
        Click(types, types->GetItemRect(item).center());
    }
    void ClickValue(int32_t item)
    {
        auto* values = Control<KeyFuncValue>(ButtonPage::kValueList);
        Click(values, values->GetItemRect(item).center());
    }
    // Opens a combo box's drop-down and clicks the item with `data`.
    void Choose(int32_t id, intptr_t data)
    {
        auto* combo = Control<MComboBox>(id);
        ASSERT_NE(combo, nullptr);
        int32_t index = -1;
        for (int32_t i = 0; i < combo->GetItemCount(); ++i) {
            if (combo->GetItemData(i) == data)
                index = i;
        }
        ASSERT_GE(index, 0) << "no item with data " << data;
        MPopupList* popup = combo->ShowDropDown();
        ASSERT_NE(popup, nullptr);
        Click(popup->GetWidget(), popup->GetItemRect(index).center());
    }
    void TypeInto(int32_t id, const QString& text, bool commit = true)
    {
        auto* edit = Control<MEdit>(id);
        ASSERT_NE(edit, nullptr);
        QWidget* inner = edit->GetEditor();
        Click(inner, inner->rect().center());
        QTest::keyClick(inner, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(inner, Qt::Key_Backspace);
        QTest::keyClicks(inner, text);
        if (commit)
            QTest::keyClick(inner, Qt::Key_Return);
        ProcessPageEvents();
    }
    bool Stored(int32_t button, KeyAssignment& row)
    {
        return m_host.m_store.GetKeyAssignment(m_host.m_profile, button, row);
    }
    // The four bytes the mouse gets for `button` from what is stored.
    std::array<uint8_t, 4> Wire(int32_t button)
    {
        std::vector<KeyAssignment> rows;
        m_host.m_store.ListKeyAssignments(m_host.m_profile, rows);
        std::vector<ButtonAssignment> assignments;
        for (const KeyAssignment& r : rows)
            assignments.push_back({r.key_code, r.macro_type, r.macro_value, r.macro_value2, r.macro_value3});
        std::vector<MacroInfo> macros;
        m_host.m_store.ListMacros(macros);
        std::vector<int> ids;
        for (const MacroInfo& m : macros)
            ids.push_back(m.macro_id);
        const Report report = ButtonMapEncoder::BuildButtonMapReport(assignments, ids);
        return {report[size_t(5 + 4 * button)], report[size_t(6 + 4 * button)], report[size_t(7 + 4 * button)],
            report[size_t(8 + 4 * button)]};
    }

    FakePageHost m_host;
    std::unique_ptr<PageTestWindow> m_window;
};

TEST_F(ButtonPageTest, LoadShowsTheModelsMarkersWithMarker1AndItsFactoryFunction)
{
    Open();
    ASSERT_EQ(Markers()->GetItemCount(), 8);
    EXPECT_EQ(Markers()->GetSelectItem(), 1);
    EXPECT_EQ(Page().CurrentButton(), 1);
    EXPECT_EQ(Markers()->GetItemText(1), Text(151));
    EXPECT_EQ(Markers()->GetItemText(7), Text(210));
    // Right button: a mouse function, "right click" (value 3) chosen.
    EXPECT_EQ(Page().CurrentType(), 1);
    EXPECT_EQ(Control<KeyFuncValue>(ButtonPage::kValueList)->GetCurData(), 3);
    // Marker points sit on the picture: the label of marker 0 is left of x1 = -30.
    const QRect label = Markers()->GetLabelRect(0);
    const MRect area = Markers()->GetRect();
    EXPECT_EQ(label.right() + 1 + area.left, 870 - 30);
    EXPECT_EQ(label.top() + label.height() / 2 + area.top, 145 + 44);

    // The first marker is refused and the current button stays current.
    ClickMarker(3);
    EXPECT_EQ(Page().CurrentButton(), 3);
    ClickMarker(0);
    EXPECT_EQ(m_host.m_told, (std::vector<std::string>{(Text(608) + "|" + Text(609)).toStdString()}));
    EXPECT_EQ(Page().CurrentButton(), 3);
    EXPECT_EQ(Markers()->GetSelectItem(), 3);
    // A reload starts again at marker 1.
    Page().Reload();
    EXPECT_EQ(Page().CurrentButton(), 1);
    EXPECT_EQ(Markers()->GetSelectItem(), 1);
}

TEST_F(ButtonPageTest, BeforeADescriptionSixNumberedPlaceholdersStand)
{
    m_window = std::make_unique<PageTestWindow>(m_host, [](PageHost& host) { return std::make_unique<ButtonPage>(host); });
    m_window->Open();
    ASSERT_EQ(Markers()->GetItemCount(), 6);
    EXPECT_EQ(Markers()->GetItemText(0), Text(103) + QStringLiteral(" 1"));
    EXPECT_EQ(Markers()->GetItemText(5), Text(103) + QStringLiteral(" 6"));
    EXPECT_EQ(Markers()->GetSelectItem(), 1);
    Language::SetCurrent(2052);
    Page().ApplyLanguage();
    EXPECT_EQ(Markers()->GetItemText(5), Text(103) + QStringLiteral(" 6"));
    EXPECT_NE(Text(103), QStringLiteral("Button"));
}

TEST_F(ButtonPageTest, ACapturedKeyWithModifierBoxesIsStoredWithItsText)
{
    Open();
    struct Case {
        std::vector<int32_t> boxes;
        Qt::Key key;
        Qt::KeyboardModifiers held;
        int32_t usage;
        int32_t bits;
        const char* text;
    };
    // One button each: a button's stored row fills the boxes when it is shown.
    const Case cases[] = {
        {{ButtonPage::kShiftBox, ButtonPage::kCtrlBox}, Qt::Key_A, Qt::ShiftModifier | Qt::ControlModifier, 4, 3,
            "Shift+ Ctrl + A"},
        {{ButtonPage::kAltBox}, Qt::Key_A, Qt::NoModifier, 4, 4, "Alt + A"},
        {{ButtonPage::kWinBox}, Qt::Key_unknown, Qt::NoModifier, 0, 8, "Win"},
        {{ButtonPage::kCtrlBox, ButtonPage::kWinBox, ButtonPage::kAltBox, ButtonPage::kShiftBox}, Qt::Key_F5,
            Qt::NoModifier, 62, 15, "Shift+ Ctrl+ Win+ Alt + F5"},
        {{}, Qt::Key_Tab, Qt::NoModifier, 43, 0, "Tab"},
    };
    int32_t button = 2;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ClickMarker(button);
        ClickType(kKeyboardItem);
        ASSERT_EQ(Page().CurrentType(), 2);
        for (int32_t box : c.boxes)
            ClickControl(box);
        auto* field = Control<MEdit>(ButtonPage::kKeyField);
        Click(field->GetEditor(), field->GetEditor()->rect().center());
        if (c.key != Qt::Key_unknown) {
            // The modifier keys the user holds are not the key.
            QTest::keyClick(field->GetEditor(), c.key, c.held);
            QTest::keyClick(field->GetEditor(), Qt::Key_Shift);
        }
        EXPECT_EQ(
            field->GetEditText(), c.key == Qt::Key_unknown ? QString() : QString::fromUtf8(c.text).section(' ', -1));
        m_host.Clear();
        ClickControl(ButtonPage::kApply);
        KeyAssignment row;
        ASSERT_TRUE(Stored(button, row));
        EXPECT_EQ(row.macro_type, 2);
        EXPECT_EQ(row.macro_value, c.usage);
        EXPECT_EQ(row.macro_value2, c.bits);
        EXPECT_EQ(row.macro_desc, QString::fromUtf8(c.text));
        EXPECT_EQ(Markers()->GetItemText(button), QString::fromUtf8(c.text));
        EXPECT_EQ(m_host.m_tasks, std::vector<int32_t>{kButtonMap});
        ++button;
    }
    // Shown again, a row fills the boxes and the field.
    ClickMarker(2);
    EXPECT_EQ(Page().CapturedKey(), 'A');
    EXPECT_TRUE(Control<MButton3>(ButtonPage::kShiftBox)->GetCheck());
    EXPECT_TRUE(Control<MButton3>(ButtonPage::kCtrlBox)->GetCheck());
    EXPECT_FALSE(Control<MButton3>(ButtonPage::kAltBox)->GetCheck());
    EXPECT_EQ(Control<MEdit>(ButtonPage::kKeyField)->GetEditText(), QStringLiteral("A"));
    EXPECT_EQ(Wire(2), (std::array<uint8_t, 4>{0x20, 0x03, 0x04, 0x00}));
    ClickMarker(6);
    EXPECT_EQ(Page().CapturedKey(), 9);
    EXPECT_FALSE(Control<MButton3>(ButtonPage::kShiftBox)->GetCheck());
    EXPECT_EQ(Control<MEdit>(ButtonPage::kKeyField)->GetEditText(), QStringLiteral("Tab"));

    // No key and no modifier: the row goes, the factory function returns,
    // and the mouse is told.
    ClickType(kKeyboardItem);
    m_host.Clear();
    ClickControl(ButtonPage::kApply);
    KeyAssignment row;
    EXPECT_FALSE(Stored(6, row));
    EXPECT_EQ(Markers()->GetItemText(6), Text(157));
    EXPECT_EQ(m_host.m_tasks, std::vector<int32_t>{kButtonMap});
    EXPECT_EQ(m_host.m_storeFailures, 0);
}

TEST_F(ButtonPageTest, KeyCaptureEndsWhenTheFieldIsLeft)
{
    Open();
    ClickType(kKeyboardItem);
    auto* field = Control<MEdit>(ButtonPage::kKeyField);
    Click(field->GetEditor(), field->GetEditor()->rect().center());
    EXPECT_EQ(m_host.m_capture.Mode(), CaptureMode::kButtonKey);
    QTest::keyClick(field->GetEditor(), Qt::Key_Q);
    EXPECT_EQ(Page().CapturedKey(), 'Q');
    // Another type ends the capture; typing then reaches controls again.
    ClickType(kKeyboardItem);
    EXPECT_EQ(m_host.m_capture.Mode(), CaptureMode::kNone);
    Click(field->GetEditor(), field->GetEditor()->rect().center());
    EXPECT_EQ(m_host.m_capture.Mode(), CaptureMode::kButtonKey);
    Page().OnPageEvent({PageEvent::Kind::StopRecording});
    EXPECT_EQ(m_host.m_capture.Mode(), CaptureMode::kNone);
    Click(field->GetEditor(), field->GetEditor()->rect().center());
    m_window->OnMessage(ButtonPage::kKeyField, kNotifyEditCommit, 0, 0);
    EXPECT_EQ(m_host.m_capture.Mode(), CaptureMode::kNone);
}

TEST_F(ButtonPageTest, LeftCtrlFromTheKeyListReachesTheWireAs20010000)
{
    Open();
    ClickMarker(3);
    ClickType(kKeyboardItem);
    Choose(ButtonPage::kGroup, 6);
    EXPECT_FALSE(Control<MEdit>(ButtonPage::kKeyField)->isVisible());
    Choose(ButtonPage::kValues, 224);
    ClickControl(ButtonPage::kApply);
    KeyAssignment row;
    ASSERT_TRUE(Stored(3, row));
    EXPECT_EQ(row.macro_value, 224);
    EXPECT_EQ(row.macro_value2, 0);
    EXPECT_EQ(row.macro_desc, QStringLiteral("Ctrl"));
    EXPECT_EQ(Wire(3), (std::array<uint8_t, 4>{0x20, 0x01, 0x00, 0x00}));
    EXPECT_EQ(Wire(4), (std::array<uint8_t, 4>{0x10, 0x08, 0x00, 0x00})) << "another button kept its factory bytes";
}

TEST_F(ButtonPageTest, MacrosAreListedByTheirDisplayNamesWithPlayModesAndRepeatCounts)
{
    SettingsStore& store = m_host.m_store;
    const int first = store.AddMacro(QStringLiteral("Macro 3"));
    ASSERT_GT(store.AddMacro(QStringLiteral("宏 7")), 0);
    ASSERT_GT(store.AddMacro(QStringLiteral("Custom 2")), 0);
    const int other = store.AddMacro(QStringLiteral("Reload"));
    Open();
    ClickMarker(2);
    ClickType(kMacroItem);
    auto* macros = Control<MComboBox>(ButtonPage::kGroup);
    ASSERT_EQ(macros->GetItemCount(), 4);
    EXPECT_EQ(macros->GetItemText(0), Text(351) + QStringLiteral(" 3"));
    EXPECT_EQ(macros->GetItemText(1), Text(351) + QStringLiteral(" 7"));
    EXPECT_EQ(macros->GetItemText(2), Text(351) + QStringLiteral(" 2"));
    EXPECT_EQ(macros->GetItemText(3), QStringLiteral("Reload"));
    EXPECT_EQ(macros->GetCurData(), first);

    // The third play mode: value3 3, value2 1.
    ClickControl(ButtonPage::kPlayFirst + 2);
    ClickControl(ButtonPage::kApply);
    KeyAssignment row;
    ASSERT_TRUE(Stored(2, row));
    EXPECT_EQ(row.macro_type, 5);
    EXPECT_EQ(row.macro_value, first);
    EXPECT_EQ(row.macro_value2, 1);
    EXPECT_EQ(row.macro_value3, 3);
    EXPECT_EQ(row.macro_desc, Text(351) + QStringLiteral(" 3"));

    // Repeat a number of times: the count is kept in 1..255.
    const struct {
        const char* typed;
        int32_t count;
    } counts[] = {{"0", 1}, {"300", 255}, {"", 10}, {"abc", 1}, {"42", 42}};
    Choose(ButtonPage::kGroup, other);
    ClickControl(ButtonPage::kPlayLast);
    for (const auto& c : counts) {
        SCOPED_TRACE(c.typed);
        TypeInto(ButtonPage::kRepeatCount, QString::fromLatin1(c.typed));
        EXPECT_EQ(Control<MEdit>(ButtonPage::kRepeatCount)->GetEditText(), QString::number(c.count));
        ClickControl(ButtonPage::kApply);
        ASSERT_TRUE(Stored(2, row));
        EXPECT_EQ(row.macro_value, other);
        EXPECT_EQ(row.macro_value2, c.count);
        EXPECT_EQ(row.macro_value3, 0);
    }
    // An empty count at Apply becomes 10 without a commit first.
    TypeInto(ButtonPage::kRepeatCount, QString(), false);
    ClickControl(ButtonPage::kApply);
    ASSERT_TRUE(Stored(2, row));
    EXPECT_EQ(row.macro_value2, 10);

    // Shown again; then the macro is deleted: no other macro is shown as it.
    ClickMarker(1);
    ClickMarker(2);
    EXPECT_TRUE(Control<CRadioButton>(ButtonPage::kPlayLast)->GetCheck());
    EXPECT_EQ(macros->GetCurData(), other);
    ASSERT_TRUE(store.DeleteMacro(other));
    Page().OnPageEvent({PageEvent::Kind::MacrosChanged});
    ClickMarker(1);
    ClickMarker(2);
    EXPECT_EQ(macros->GetCurSel(), -1);
    EXPECT_EQ(Page().CurrentType(), 5);
}

TEST_F(ButtonPageTest, WithoutAMacroOrSnippetApplyTellsTheUserAndStoresNothing)
{
    Open();
    m_host.m_store.Execute("DELETE FROM t_text_data");
    const struct {
        int32_t item;
        int text;
    } cases[] = {{kMacroItem, 935}, {kSnippetItem, 936}};
    for (const auto& c : cases) {
        ClickType(c.item);
        m_host.Clear();
        ClickControl(ButtonPage::kApply);
        KeyAssignment row;
        EXPECT_FALSE(Stored(1, row));
        EXPECT_TRUE(m_host.m_tasks.empty());
        ASSERT_EQ(m_host.m_told.size(), 1u);
        EXPECT_NE(m_host.m_told[0].find(Text(c.text).toStdString()), std::string::npos);
    }
}

TEST_F(ButtonPageTest, SystemShortcutsShowTheirGroup)
{
    Open();
    const struct {
        int32_t value;
        int32_t group;
    } cases[] = {{7, 1}, {13, 2}, {19, 3}, {29, 4}, {32, 5}, {37, 6}};
    for (const auto& c : cases) {
        KeyAssignment row;
        row.profile = m_host.m_profile;
        row.key_code = 5;
        row.macro_type = 7;
        row.macro_value = c.value;
        row.macro_desc = QStringLiteral("x");
        ASSERT_GT(m_host.m_store.SetKeyAssignment(row), 0);
        ClickMarker(1);
        ClickMarker(5);
        EXPECT_EQ(Control<MComboBox>(ButtonPage::kGroup)->GetCurData(), c.group) << c.value;
        EXPECT_EQ(Control<MComboBox>(ButtonPage::kValues)->GetCurData(), c.value);
        // The marker shows the shortcut's name, not the stored text.
        EXPECT_NE(Markers()->GetItemText(5), QStringLiteral("x"));
    }
    // Value 14 is sent like 19 but offered in no list: the group stays.
    KeyAssignment row;
    row.profile = m_host.m_profile;
    row.key_code = 5;
    row.macro_type = 7;
    row.macro_value = 14;
    ASSERT_GT(m_host.m_store.SetKeyAssignment(row), 0);
    ClickMarker(1);
    ClickMarker(5);
    EXPECT_EQ(Control<MComboBox>(ButtonPage::kGroup)->GetCurData(), 1);

    // Choosing a group fills its list; Apply stores the chosen shortcut.
    Choose(ButtonPage::kGroup, 4);
    Choose(ButtonPage::kValues, 24);
    ClickControl(ButtonPage::kApply);
    ASSERT_TRUE(Stored(5, row));
    EXPECT_EQ(row.macro_value, 24);
    EXPECT_EQ(row.macro_desc, Text(793));
    EXPECT_EQ(Wire(5), (std::array<uint8_t, 4>{0x20, 0x08, 0x0F, 0x00}));
}

TEST_F(ButtonPageTest, RestoringOneButtonLeavesTheMouseUntilTheNextApply)
{
    Open();
    ClickMarker(6);
    ClickType(kDisableItem);
    ClickControl(ButtonPage::kApply);
    KeyAssignment row;
    ASSERT_TRUE(Stored(6, row));
    EXPECT_EQ(row.macro_desc, Text(139));
    EXPECT_EQ(Markers()->GetItemText(6), Text(139));
    EXPECT_EQ(m_host.m_tasks, std::vector<int32_t>{kButtonMap});

    m_host.Clear();
    ClickControl(ButtonPage::kRestoreButton);
    EXPECT_FALSE(Stored(6, row));
    EXPECT_EQ(Markers()->GetItemText(6), Text(157));
    EXPECT_TRUE(m_host.m_tasks.empty()) << "a restore waits for the next button map";
    EXPECT_EQ(Page().CurrentType(), 1);
    EXPECT_EQ(Control<KeyFuncValue>(ButtonPage::kValueList)->GetCurData(), 8);

    // The restore type asks first; a yes stores the factory function.
    ClickType(kRestoreItem);
    m_host.m_answer = false;
    ClickControl(ButtonPage::kApply);
    EXPECT_FALSE(Stored(6, row));
    EXPECT_EQ(m_host.m_asked, (std::vector<std::string>{(Text(753) + "|" + Text(752)).toStdString()}));
    m_host.m_answer = true;
    ClickControl(ButtonPage::kApply);
    ASSERT_TRUE(Stored(6, row));
    EXPECT_EQ(row.macro_type, 1);
    EXPECT_EQ(row.macro_value, 8);
    EXPECT_EQ(row.macro_desc, Text(157));
    EXPECT_EQ(m_host.m_tasks, std::vector<int32_t>{kButtonMap});

    // Every button back (task 20 with the button selector): rows gone, map sent.
    m_host.Clear();
    Page().OnPageEvent({PageEvent::Kind::RestoreButtonDefaults});
    EXPECT_FALSE(Stored(6, row));
    EXPECT_EQ(m_host.m_tasks, std::vector<int32_t>{kButtonMap});
}

TEST_F(ButtonPageTest, MouseAndMediaFunctionsAreStoredByValue)
{
    Open();
    ClickMarker(2);
    ClickValue(4); // the fifth mouse function: back (6)
    ClickControl(ButtonPage::kApply);
    KeyAssignment row;
    ASSERT_TRUE(Stored(2, row));
    EXPECT_EQ(row.macro_type, 1);
    EXPECT_EQ(row.macro_value, 6);
    EXPECT_EQ(Wire(2), (std::array<uint8_t, 4>{0x10, 0x08, 0x00, 0x00}));

    ClickType(kMediaItem);
    ClickValue(2); // mute (8)
    ClickControl(ButtonPage::kApply);
    ASSERT_TRUE(Stored(2, row));
    EXPECT_EQ(row.macro_type, 4);
    EXPECT_EQ(row.macro_value, 8);
    EXPECT_EQ(row.macro_desc, Text(167));
    EXPECT_EQ(Wire(2), (std::array<uint8_t, 4>{0x30, 0xE2, 0x00, 0x00}));
}

TEST_F(ButtonPageTest, ProgramsMustBeRunnableAndAddressesWebAddresses)
{
    QTemporaryDir dir;
    const QString tool = dir.path() + QStringLiteral("/my tool");
    QFile file(tool);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n");
    file.close();
    const QString notes = dir.path() + QStringLiteral("/notes.txt");
    QFile plain(notes);
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    Open();
    ClickMarker(5);
    ClickType(kProgramItem);

    // A file that may not be run is refused at once.
    m_host.m_chosenFile = tool;
    ClickControl(ButtonPage::kBrowse);
    EXPECT_EQ(m_host.m_told.size(), 1u);
    EXPECT_TRUE(Control<MEdit>(ButtonPage::kPath)->GetEditText().isEmpty());
    ASSERT_TRUE(file.setPermissions(file.permissions() | QFile::ExeOwner));
    ClickControl(ButtonPage::kBrowse);
    EXPECT_EQ(Control<MEdit>(ButtonPage::kPath)->GetEditText(), QStringLiteral("my tool"));
    EXPECT_EQ(m_host.m_fileDialogs.size(), 2u);
    m_host.Clear();
    ClickControl(ButtonPage::kApply);
    KeyAssignment row;
    ASSERT_TRUE(Stored(5, row));
    EXPECT_EQ(row.macro_type, 9);
    QString description, parameter;
    int type = 0;
    m_host.m_store.GetKeyOtherData(row.macro_value, description, parameter, type);
    EXPECT_EQ(description, QStringLiteral("my tool"));
    EXPECT_EQ(parameter, tool);
    EXPECT_EQ(type, 9);
    EXPECT_EQ(Wire(5), (std::array<uint8_t, 4>{0x50, 0x09, uint8_t(row.macro_value), 0x00}));

    // A typed path serves too; a missing or plain file is refused.
    const struct {
        QString typed;
        bool stored;
    } typed[] = {{notes, false}, {dir.path() + QStringLiteral("/missing"), false}, {QStringLiteral("firefox"), false},
        {tool, true}};
    for (const auto& c : typed) {
        SCOPED_TRACE(c.typed.toStdString());
        ClickType(kProgramItem);
        TypeInto(ButtonPage::kPath, c.typed);
        m_host.Clear();
        const int before = row.key_id;
        ClickControl(ButtonPage::kApply);
        ASSERT_TRUE(Stored(5, row));
        EXPECT_EQ(row.key_id != before, c.stored);
        EXPECT_EQ(m_host.m_told.empty(), c.stored);
        EXPECT_EQ(m_host.m_tasks.empty(), !c.stored);
    }

    // Addresses: only what will open is stored.
    const struct {
        const char* typed;
        bool stored;
    } addresses[] = {{"javascript:alert(1)", false}, {"file:///etc/passwd", false}, {"https://", false},
        {"www.example.com", true}, {"https://example.com/a?b=c", true}, {"example.com:8080", true}};
    for (const auto& c : addresses) {
        SCOPED_TRACE(c.typed);
        ClickType(kAddressItem);
        TypeInto(ButtonPage::kPath, QString::fromLatin1(c.typed));
        m_host.Clear();
        ClickControl(ButtonPage::kApply);
        ASSERT_TRUE(Stored(5, row));
        EXPECT_EQ(row.macro_type == 10 && row.macro_desc == QLatin1String(c.typed), c.stored);
        EXPECT_EQ(m_host.m_told.size(), c.stored ? 0u : 1u);
    }
}

TEST_F(ButtonPageTest, SnippetsFollowTheTextPage)
{
    NamedEntry wish;
    wish.name = QStringLiteral("1 实例 - 祝福");
    const int first = m_host.m_store.AddText(wish);
    NamedEntry own;
    own.name = QStringLiteral("Signature");
    const int second = m_host.m_store.AddText(own);
    Open();
    ClickMarker(5);
    ClickType(kSnippetItem);
    auto* snippets = Control<MComboBox>(ButtonPage::kGroup);
    ASSERT_EQ(snippets->GetItemCount(), 2);
    EXPECT_EQ(snippets->GetItemText(0), Text(460));
    Choose(ButtonPage::kGroup, second);
    ClickControl(ButtonPage::kApply);
    KeyAssignment row;
    ASSERT_TRUE(Stored(5, row));
    EXPECT_EQ(row.macro_type, 11);
    EXPECT_EQ(row.macro_value, second);
    EXPECT_EQ(Markers()->GetItemText(5), QStringLiteral("Signature"));
    EXPECT_EQ(Wire(5), (std::array<uint8_t, 4>{0x50, 0x0B, uint8_t(second), 0x00}));

    // The link opens the text page (tab index 4).
    ClickControl(ButtonPage::kTextLink);
    EXPECT_EQ(m_host.m_selectedTabs, std::vector<int32_t>{4});

    // The text page renames and deletes: the list and the label follow.
    ASSERT_TRUE(m_host.m_store.RenameText(second, QStringLiteral("Sign-off")));
    ASSERT_TRUE(m_host.m_store.DeleteText(first));
    Page().OnPageEvent({PageEvent::Kind::TextsChanged});
    ASSERT_EQ(snippets->GetItemCount(), 1);
    EXPECT_EQ(snippets->GetCurData(), second);
    EXPECT_EQ(Markers()->GetItemText(5), QStringLiteral("Sign-off"));
}

TEST_F(ButtonPageTest, RowsNoListKnowsAreShownAsTheMouseHasThem)
{
    Open();
    auto store = [&](int32_t button, int32_t type, int32_t value) {
        KeyAssignment row;
        row.profile = m_host.m_profile;
        row.key_code = button;
        row.macro_type = type;
        row.macro_value = value;
        row.macro_desc = QStringLiteral("stored");
        ASSERT_GT(m_host.m_store.SetKeyAssignment(row), 0);
    };
    store(2, 99, 5); // a type the mouse is never sent: its factory function stays
    store(3, 1, 99); // a mouse function no list has
    store(42, 1, 1); // a button the model lacks
    Page().Reload();
    EXPECT_EQ(Markers()->GetItemText(2), Text(152));
    EXPECT_EQ(Markers()->GetItemText(3), QStringLiteral("stored"));
    EXPECT_EQ(Markers()->GetItemCount(), 8);
    ClickMarker(2);
    EXPECT_EQ(Page().CurrentType(), 1);
    EXPECT_EQ(Control<KeyFuncValue>(ButtonPage::kValueList)->GetCurData(), 2);
    ClickMarker(3);
    EXPECT_EQ(Page().CurrentType(), 1);
    EXPECT_EQ(Control<KeyFuncValue>(ButtonPage::kValueList)->GetCurSel(), -1);
    // A mouse function with nothing chosen stores nothing.
    m_host.Clear();
    ClickControl(ButtonPage::kApply);
    EXPECT_TRUE(m_host.m_tasks.empty());
}

TEST_F(ButtonPageTest, ALanguageSwitchRelabelsEverything)
{
    Open();
    ClickMarker(2);
    ClickType(kShortcutItem);
    Language::SetCurrent(2052);
    Page().ApplyLanguage();
    auto* types = Control<KeyFuncType>(ButtonPage::kTypeList);
    EXPECT_EQ(types->GetItemText(1), Text(222));
    EXPECT_EQ(Control<MComboBox>(ButtonPage::kGroup)->GetItemText(0), Text(767));
    EXPECT_EQ(Control<MComboBox>(ButtonPage::kValues)->GetItemText(0), Text(36));
    EXPECT_EQ(Markers()->GetItemText(1), Text(151));
    EXPECT_EQ(Control<MControlFont>(ButtonPage::kApply)->GetTitle(), Text(162));
    EXPECT_EQ(Control<MControlFont>(ButtonPage::kRestoreButton)->GetTitle(), Text(221));
    EXPECT_NE(Text(222), QStringLiteral("Mouse function"));
    // A stored mouse function's label follows too.
    ClickType(kMouseItem);
    ClickValue(0);
    ClickControl(ButtonPage::kApply);
    Language::SetCurrent(1033);
    Page().ApplyLanguage();
    EXPECT_EQ(Markers()->GetItemText(2), QStringLiteral("Left click"));
    EXPECT_EQ(Control<KeyFuncValue>(ButtonPage::kValueList)->GetItemText(0), QStringLiteral("Left click"));
}

} // namespace
