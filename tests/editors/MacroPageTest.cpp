// The macro page against a fake main window: what the list and the event
// editor store for a user's gestures, which tasks they queue, what the user is
// told, and how the page copes with macros it finds damaged in the store.
#include "PageTestSupport.h"

#include "editors/InputCapture.h"
#include "editors/MacroPage.h"
#include "editors/MacroRules.h"
#include "hid/MacroImage.h"
#include "language/InterfaceText.h"
#include "language/Language.h"
#include "widgets/CIconButton.h"
#include "widgets/CRadioButton.h"
#include "widgets/CRecordList.h"
#include "widgets/MComboBox.h"
#include "widgets/MEdit.h"
#include "widgets/MPopupList.h"
#include "widgets/MText.h"
#include "widgets/MWindow.h"
#include "widgets/MacroList.h"
#include "widgets/WindowRegistry.h"

#include <QCursor>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <string>

namespace {

constexpr int32_t kUpload = TaskCode(WorkerTask::UploadMacros);
constexpr int32_t kButtonMap = TaskCode(WorkerTask::ButtonMap);

struct Event {
    int32_t type;
    int32_t value;
    int32_t delay;
    QString text;
    bool operator==(const Event&) const = default;
};

void PrintTo(const Event& e, std::ostream* os)
{
    *os << "{" << e.type << ", " << e.value << ", " << e.delay << ", \"" << e.text.toStdString() << "\"}";
}

Event KeyDown(int32_t vk, const char* name, int32_t delay = 10)
{
    return {2, vk, delay, QStringLiteral("\u2193  ") + QString::fromUtf8(name)};
}
Event KeyUp(int32_t vk, const char* name, int32_t delay = 10)
{
    return {3, vk, delay, QStringLiteral("\u2191  ") + QString::fromUtf8(name)};
}
Event ButtonDown(int32_t code, const char* name, int32_t delay = 10)
{
    return {4, code, delay, QStringLiteral("\u2193  ") + QString::fromUtf8(name)};
}
Event ButtonUp(int32_t code, const char* name, int32_t delay = 10)
{
    return {5, code, delay, QStringLiteral("\u2191  ") + QString::fromUtf8(name)};
}

std::vector<PageEvent::Kind> Changes(size_t count)
{
    return std::vector<PageEvent::Kind>(count, PageEvent::Kind::MacrosChanged);
}

std::string Told(int captionId, int messageId)
{
    return (InterfaceText::Get(captionId) + QStringLiteral("|") + InterfaceText::Get(messageId)).toStdString();
}

class MacroPageTest : public ::testing::Test {
protected:
    void TearDown() override { Language::SetCurrent(1033); }

    int32_t StoreMacro(
        const QString& name, const std::vector<Event>& events, int32_t delayType = 1, int32_t delayTime = 10)
    {
        std::vector<MacroStep> steps;
        int32_t index = 0;
        for (const Event& e : events)
            steps.push_back(MacroStep{0, 0, e.type, index++, e.value, e.delay, e.text});
        const int32_t id = m_host.m_store.AddMacroWithSteps(MacroInfo{0, name, 0, 1, delayType, delayTime}, steps);
        EXPECT_GT(id, 0);
        return id;
    }
    void Open()
    {
        m_window = std::make_unique<PageTestWindow>(
            m_host, [](PageHost& host) { return std::make_unique<MacroPage>(host); });
        m_window->Open();
        m_host.Clear();
    }
    MacroPage& Page() { return static_cast<MacroPage&>(m_window->GetPage()); }
    template<class T> T* Control(int32_t id) { return m_window->GetControlAs<T>(id); }
    MacroList* Macros() { return Control<MacroList>(MacroPage::kMacroList); }
    CRecordList* Events() { return Control<CRecordList>(MacroPage::kEventList); }
    QString Count() { return Control<MText>(MacroPage::kEventCount)->GetTitle(); }
    std::vector<Event> Shown()
    {
        std::vector<Event> shown;
        for (const RecordItem& item : Events()->GetRecordItems())
            shown.push_back({item.type, item.value, item.delay, item.text});
        return shown;
    }
    std::vector<Event> Stored(int32_t macroId)
    {
        std::vector<MacroStep> steps;
        m_host.m_store.ListMacroSteps(macroId, steps);
        std::vector<Event> stored;
        for (size_t i = 0; i < steps.size(); ++i) {
            EXPECT_EQ(steps[i].record_index, int32_t(i));
            stored.push_back({steps[i].type, steps[i].value, steps[i].delay_time, steps[i].desc});
        }
        return stored;
    }
    MacroInfo Info(int32_t macroId)
    {
        MacroInfo macro;
        EXPECT_TRUE(m_host.m_store.GetMacro(macroId, macro));
        return macro;
    }
    QStringList Names()
    {
        QStringList names;
        for (int32_t i = 0; i < Macros()->GetItemCount(); ++i)
            names << Macros()->GetItemText(i);
        return names;
    }
    // A real click on a control, or on a list's item.
    void Click(int32_t id)
    {
        QWidget* control = m_window->GetControl(id);
        ASSERT_NE(control, nullptr);
        QTest::mouseClick(control, Qt::LeftButton);
        ProcessPageEvents();
    }
    void ClickItem(MListBase* list, int32_t index, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(list, button, Qt::NoModifier, list->GetItemRect(index).center() - QPoint(40, 0));
        ProcessPageEvents();
    }
    // Replaces an edit's text as typed and presses Enter.
    void Type(int32_t id, const QString& text)
    {
        auto* edit = qobject_cast<QLineEdit*>(Control<MEdit>(id)->GetEditor());
        ASSERT_NE(edit, nullptr);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
        ProcessPageEvents();
    }
    // Opens a list's in-place editor on an item and types a new text.
    void EditInPlace(MListBase* list, int32_t index, const QString& text)
    {
        ASSERT_TRUE(list->BeginEdit(index));
        QLineEdit* editor = nullptr;
        for (QLineEdit* candidate : list->findChildren<QLineEdit*>()) {
            if (candidate->isVisible())
                editor = candidate;
        }
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        ProcessPageEvents();
    }
    void Menu(uint32_t message, int32_t control, intptr_t command)
    {
        m_window->OnWindowMessage(message, uintptr_t(control), command);
        ProcessPageEvents();
    }

    FakePageHost m_host;
    std::unique_ptr<PageTestWindow> m_window;
};

TEST_F(MacroPageTest, LoadShowsDisplayNamesTheFirstMacroAndItsDelaySettings)
{
    const int32_t first = StoreMacro(QStringLiteral("宏 1"), {KeyDown(65, "A", 120), KeyUp(65, "A")}, 2, 250);
    StoreMacro(QStringLiteral("Macro 2"), {});
    StoreMacro(QStringLiteral("Sniper"), {});
    Open();
    EXPECT_EQ(Names(), (QStringList{QStringLiteral("Macro 1"), QStringLiteral("Macro 2"), QStringLiteral("Sniper")}));
    EXPECT_EQ(Macros()->GetCurSel(), 0);
    EXPECT_EQ(Page().CurrentMacro(), first);
    EXPECT_EQ(Shown(), (std::vector<Event>{KeyDown(65, "A", 120), KeyUp(65, "A")}));
    EXPECT_EQ(Count(), QStringLiteral("2/200"));
    EXPECT_TRUE(Control<CRadioButton>(MacroPage::kDelayFixed)->GetCheck());
    EXPECT_TRUE(Control<MEdit>(MacroPage::kFixedDelay)->IsEnabled());
    EXPECT_EQ(Control<MEdit>(MacroPage::kFixedDelay)->GetEditText(), QStringLiteral("250"));

    // Another macro: its own delay button, the field disabled again.
    ClickItem(Macros(), 1);
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(Count(), QStringLiteral("0/200"));
    EXPECT_TRUE(Control<CRadioButton>(MacroPage::kDelayMeasured)->GetCheck());
    EXPECT_FALSE(Control<CRadioButton>(MacroPage::kDelayFixed)->GetCheck());
    EXPECT_FALSE(Control<MEdit>(MacroPage::kFixedDelay)->IsEnabled());
    EXPECT_TRUE(m_host.m_tasks.empty()) << "choosing a macro sends nothing";

    // A refill (the mouse was read again) keeps the macro being edited.
    Page().Reload();
    EXPECT_EQ(Macros()->GetCurSel(), 1);
}

TEST_F(MacroPageTest, DefaultNamesFollowTheLanguageAndTheStoredNamesStay)
{
    const int32_t zh = StoreMacro(QStringLiteral("宏 1"), {});
    const int32_t en = StoreMacro(QStringLiteral("Macro7"), {});
    StoreMacro(QStringLiteral("macro 3"), {});
    StoreMacro(QStringLiteral("My Macro"), {});
    Open();
    EXPECT_EQ(Names(),
        (QStringList{QStringLiteral("Macro 1"), QStringLiteral("Macro7"), QStringLiteral("macro 3"),
            QStringLiteral("My Macro")}));
    Language::SetCurrent(2052);
    Page().ApplyLanguage();
    EXPECT_EQ(Names(),
        (QStringList{
            QStringLiteral("宏 1"), QStringLiteral("宏7"), QStringLiteral("macro 3"), QStringLiteral("My Macro")}));
    EXPECT_EQ(Control<MText>(MacroPage::kCaption)->GetTitle(), InterfaceText::Get(350));
    Language::SetCurrent(1033);
    Page().ApplyLanguage();
    EXPECT_EQ(Names()[0], QStringLiteral("Macro 1"));
    EXPECT_EQ(Info(zh).name, QStringLiteral("宏 1"));
    EXPECT_EQ(Info(en).name, QStringLiteral("Macro7"));

    const struct {
        const char* name;
        const char* word;
        const char* expected;
    } cases[] = {
        {"Macro7", "宏", "宏7"},
        {"宏12", "Macro", "Macro12"},
        {"Macro", "宏", "宏"},
        {"Macro 3 copy", "宏", "宏 3 copy"},
        {"macro7", "宏", "macro7"},
        {"My Macro", "宏", "My Macro"},
        {"", "宏", ""},
        {"宏宏", "Macro", "Macro宏"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MacroRules::DisplayName(QString::fromUtf8(c.name), QString::fromUtf8(c.word)),
            QString::fromUtf8(c.expected))
            << c.name;
    }
}

TEST_F(MacroPageTest, NewMacrosTakeTheFirstFreeSuffix)
{
    StoreMacro(QStringLiteral("Macro 1"), {KeyDown(65, "A")});
    Open();
    for (const char* expected : {"Macro 2", "Macro 3", "Macro 4"}) {
        Click(MacroPage::kNewMacro);
        const int32_t index = Macros()->GetCurSel();
        ASSERT_EQ(index, Macros()->GetItemCount() - 1);
        EXPECT_EQ(Macros()->GetItemText(index), QString::fromLatin1(expected));
        const int32_t id = int32_t(Macros()->GetItemData(index));
        EXPECT_EQ(Page().CurrentMacro(), id);
        const MacroInfo macro = Info(id);
        EXPECT_EQ(macro.name, QString::fromLatin1(expected));
        EXPECT_EQ(macro.play_times, 1);
        EXPECT_EQ(macro.delay_type, 1);
        EXPECT_TRUE(Shown().empty());
    }
    EXPECT_EQ(m_host.m_notified, Changes(3));
    EXPECT_TRUE(m_host.m_tasks.empty());

    // The suffix is found among the names shown: a gap is filled.
    ClickItem(Macros(), 2); // Macro 3
    Menu(MacroList::kMenuMessage, MacroPage::kMacroList, MacroList::kCommandDelete);
    Click(MacroPage::kNewMacro);
    EXPECT_EQ(Macros()->GetItemText(Macros()->GetCurSel()), QStringLiteral("Macro 3"));

    // In Chinese the word is 宏.
    Language::SetCurrent(2052);
    Page().ApplyLanguage();
    Click(MacroPage::kNewMacro);
    EXPECT_EQ(Info(Page().CurrentMacro()).name, QStringLiteral("宏 5"));

    const QString taken = QStringLiteral("W");
    EXPECT_EQ(MacroRules::UniqueName(taken, [](const QString&) { return true; }), QStringLiteral("W 1000"));
    EXPECT_EQ(MacroRules::UniqueName(taken, [](const QString& n) { return n != QStringLiteral("W 999"); }),
        QStringLiteral("W 999"));
}

TEST_F(MacroPageTest, CopyTakesEveryEventAndTheDelaySettingsButStaysUnselected)
{
    const std::vector<Event> events = {
        KeyDown(162, "Ctrl", 30), KeyDown(67, "C", 40), KeyUp(67, "C"), KeyUp(162, "Ctrl")};
    const int32_t source = StoreMacro(QStringLiteral("Macro 1"), events, 2, 400);
    Open();
    Menu(MacroList::kMenuMessage, MacroPage::kMacroList, MacroList::kCommandCopy);
    ASSERT_EQ(Macros()->GetItemCount(), 2);
    EXPECT_EQ(Macros()->GetItemText(1), QStringLiteral("Macro 1 Copy"));
    EXPECT_EQ(Macros()->GetCurSel(), 0);
    const int32_t copy = int32_t(Macros()->GetItemData(1));
    EXPECT_NE(copy, source);
    EXPECT_EQ(Stored(copy), events);
    EXPECT_EQ(Info(copy).delay_type, 2);
    EXPECT_EQ(Info(copy).delay_time, 400);
    EXPECT_EQ(m_host.m_notified, Changes(1));
    EXPECT_TRUE(m_host.m_tasks.empty());

    // A copy the store cannot take whole is not added at all.
    ASSERT_EQ(m_host.m_store.Execute("CREATE TRIGGER refuse BEFORE INSERT ON t_macrorecord WHEN NEW.record_index = 2 "
                                     "BEGIN SELECT RAISE(ABORT, 'refused'); END"),
        0);
    Menu(MacroList::kMenuMessage, MacroPage::kMacroList, MacroList::kCommandCopy);
    EXPECT_EQ(Macros()->GetItemCount(), 2);
    std::vector<MacroInfo> macros;
    EXPECT_EQ(m_host.m_store.ListMacros(macros), 2);
    EXPECT_EQ(m_host.m_storeFailures, 1);
}

TEST_F(MacroPageTest, DeletingSelectsTheMacroBeforeOrNothingAndResendsTheButtons)
{
    const int32_t first = StoreMacro(QStringLiteral("One"), {KeyDown(49, "1")});
    StoreMacro(QStringLiteral("Two"), {KeyDown(50, "2")});
    StoreMacro(QStringLiteral("Three"), {KeyDown(51, "3")});
    Open();
    ClickItem(Macros(), 2);
    Menu(MacroList::kMenuMessage, MacroPage::kMacroList, MacroList::kCommandDelete);
    EXPECT_EQ(Names(), (QStringList{QStringLiteral("One"), QStringLiteral("Two")}));
    EXPECT_EQ(Macros()->GetCurSel(), 1);
    EXPECT_EQ(Shown(), (std::vector<Event>{KeyDown(50, "2")}));
    EXPECT_EQ(m_host.m_tasks, (std::vector<int32_t>{kUpload, kButtonMap}));
    EXPECT_EQ(m_host.m_notified, Changes(1));

    m_host.Clear();
    ClickItem(Macros(), 0);
    Menu(MacroList::kMenuMessage, MacroPage::kMacroList, MacroList::kCommandDelete);
    EXPECT_EQ(Names(), (QStringList{QStringLiteral("Two")}));
    EXPECT_EQ(Macros()->GetCurSel(), -1);
    EXPECT_EQ(Page().CurrentMacro(), 0);
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(Count(), QStringLiteral("0/200"));
    EXPECT_EQ(Stored(first), std::vector<Event>{}) << "its steps went with it";

    // Nothing selected: delete, copy and the event menus do nothing.
    m_host.Clear();
    Menu(MacroList::kMenuMessage, MacroPage::kMacroList, MacroList::kCommandDelete);
    Menu(MacroList::kMenuMessage, MacroPage::kMacroList, MacroList::kCommandCopy);
    Menu(CRecordList::kInsertMessage, MacroPage::kEventList, 101);
    EXPECT_EQ(Names(), (QStringList{QStringLiteral("Two")}));
    EXPECT_TRUE(Shown().empty());
    EXPECT_TRUE(m_host.m_tasks.empty());
    Click(MacroPage::kInsert);
    EXPECT_EQ(m_host.m_told, (std::vector<std::string>{Told(358, 387)}));
}

TEST_F(MacroPageTest, RenamingUpdatesTheButtonsThatPlayTheMacroInEveryProfile)
{
    const int32_t macro = StoreMacro(QStringLiteral("宏 1"), {});
    const int32_t other = StoreMacro(QStringLiteral("Other"), {});
    auto assign = [&](int32_t profile, int32_t keyCode, int32_t type, int32_t value) {
        KeyAssignment key;
        key.profile = profile;
        key.key_code = keyCode;
        key.macro_type = type;
        key.macro_value = value;
        key.macro_desc = QStringLiteral("old");
        ASSERT_GT(m_host.m_store.SetKeyAssignment(key), 0);
    };
    assign(1, 3, 5, macro);
    assign(3, 4, 5, macro);
    assign(1, 5, 5, other);
    assign(1, 6, 2, macro); // a key whose code happens to equal the id
    Open();
    EditInPlace(Macros(), 0, QStringLiteral("Rapid \"fire\" & more"));
    EXPECT_EQ(Info(macro).name, QStringLiteral("Rapid \"fire\" & more"));
    auto description = [&](int32_t profile, int32_t keyCode) {
        KeyAssignment key;
        EXPECT_TRUE(m_host.m_store.GetKeyAssignment(profile, keyCode, key));
        return key.macro_desc;
    };
    EXPECT_EQ(description(1, 3), QStringLiteral("Rapid \"fire\" & more"));
    EXPECT_EQ(description(3, 4), QStringLiteral("Rapid \"fire\" & more"));
    EXPECT_EQ(description(1, 5), QStringLiteral("old"));
    EXPECT_EQ(description(1, 6), QStringLiteral("old"));
    EXPECT_EQ(m_host.m_notified, Changes(1));

    // An empty name (blanks too) puts the stored one back.
    EditInPlace(Macros(), 1, QStringLiteral("   "));
    EXPECT_EQ(Macros()->GetItemText(1), QStringLiteral("Other"));
    EXPECT_EQ(Info(other).name, QStringLiteral("Other"));
    EXPECT_EQ(m_host.m_notified, Changes(1));
}

TEST_F(MacroPageTest, EveryEventEditIsStoredWholeAndSent)
{
    const int32_t id = StoreMacro(
        QStringLiteral("M"), {KeyDown(65, "A"), KeyUp(65, "A"), KeyDown(66, "B"), KeyUp(66, "B")});
    Open();
    const Event a = KeyDown(65, "A"), a2 = KeyUp(65, "A"), b = KeyDown(66, "B"), b2 = KeyUp(66, "B");
    struct Step {
        const char* what;
        int32_t select;
        uint32_t message;
        intptr_t command;
        std::vector<Event> expected;
        bool saved;
    };
    const Step steps[] = {
        {"bottom", 0, CRecordList::kMoveMessage, 103, {a2, b, b2, a}, true},
        {"top", 2, CRecordList::kMoveMessage, 100, {b2, a2, b, a}, true},
        {"top of the first", 0, CRecordList::kMoveMessage, 100, {b2, a2, b, a}, false},
        {"up of the first", 0, CRecordList::kMoveMessage, 101, {b2, a2, b, a}, false},
        {"down of the last", 3, CRecordList::kMoveMessage, 102, {b2, a2, b, a}, false},
        {"down without a selection", -1, CRecordList::kMoveMessage, 102, {b2, a2, b, a}, false},
        {"down", 0, CRecordList::kMoveMessage, 102, {a2, b2, b, a}, true},
        {"up", 2, CRecordList::kMoveMessage, 101, {a2, b, b2, a}, true},
        {"key A after the selected", 0, CRecordList::kInsertMessage, 101, {a2, a, a2, b, b2, a}, true},
        {"click at the end", -1, CRecordList::kInsertMessage, 102,
            {a2, a, a2, b, b2, a, ButtonDown(1, "LB"), ButtonUp(1, "LB")}, true},
        {"delete all", 1, CRecordList::kMoveMessage, 104, {}, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        m_host.Clear();
        Events()->SetCurSel(step.select);
        Menu(step.message, MacroPage::kEventList, step.command);
        EXPECT_EQ(Shown(), step.expected);
        EXPECT_EQ(Stored(id), step.expected);
        EXPECT_EQ(m_host.m_tasks, step.saved ? std::vector<int32_t>{kUpload} : std::vector<int32_t>{});
        EXPECT_EQ(Count(), QStringLiteral("%1/200").arg(step.expected.size()));
    }

    // Delete the selected event; without a selection nothing happens.
    Menu(CRecordList::kInsertMessage, MacroPage::kEventList, 101);
    ClickItem(Events(), 0);
    Click(MacroPage::kDeleteEvent);
    EXPECT_EQ(Stored(id), (std::vector<Event>{a2}));
    m_host.Clear();
    Events()->SetCurSel(-1);
    Click(MacroPage::kDeleteEvent);
    EXPECT_EQ(Stored(id), (std::vector<Event>{a2}));
    EXPECT_TRUE(m_host.m_tasks.empty());
    Click(MacroPage::kDeleteAll);
    EXPECT_TRUE(Stored(id).empty());
    EXPECT_EQ(m_host.m_tasks, std::vector<int32_t>{kUpload});

    // A delay edited in place: stored, and kept within what a recording measures.
    Menu(CRecordList::kInsertMessage, MacroPage::kEventList, 102);
    EditInPlace(Events(), 0, QStringLiteral("250"));
    EXPECT_EQ(Stored(id)[0].delay, 250);
    EditInPlace(Events(), 1, QStringLiteral("99999999999"));
    EXPECT_EQ(Stored(id)[1].delay, 31000);
}

TEST_F(MacroPageTest, InsertingHonoursThePositionTheKindAndTheLimits)
{
    const int32_t id = StoreMacro(QStringLiteral("M"), {});
    Open();
    auto told = [&](int messageId) { return std::vector<std::string>{Told(365, messageId)}; };

    // Into an empty list: refused.
    Click(MacroPage::kInsert);
    EXPECT_EQ(m_host.m_told, told(367));
    EXPECT_TRUE(m_host.m_tasks.empty());

    Menu(CRecordList::kInsertMessage, MacroPage::kEventList, 102); // ↓ LB ↑ LB
    m_host.Clear();
    // A key without a captured key: refused.
    Click(MacroPage::kKindKey);
    Click(MacroPage::kInsert);
    EXPECT_EQ(m_host.m_told, told(368));

    // A captured key, before the selected event.
    m_host.Clear();
    Page().SetCapturedKey(160, QStringLiteral("Shift"));
    EXPECT_EQ(Control<MEdit>(MacroPage::kKeyField)->GetEditText(), QStringLiteral("Shift"));
    Control<MComboBox>(MacroPage::kInsertPosition)->SetCurSel(int32_t(MacroPage::kInsertBefore));
    Events()->SetCurSel(1);
    Click(MacroPage::kInsert);
    const Event lb = ButtonDown(1, "LB"), lb2 = ButtonUp(1, "LB");
    EXPECT_EQ(Stored(id), (std::vector<Event>{lb, KeyDown(160, "Shift"), KeyUp(160, "Shift"), lb2}));
    EXPECT_EQ(m_host.m_tasks, std::vector<int32_t>{kUpload});

    // A mouse button after the selected one: the back button (data 8).
    Click(MacroPage::kKindMouse);
    EXPECT_TRUE(Control<MComboBox>(MacroPage::kMouseButton)->IsVisible());
    EXPECT_FALSE(Control<MEdit>(MacroPage::kKeyField)->IsVisible());
    Control<MComboBox>(MacroPage::kMouseButton)->SelectData(8);
    Control<MComboBox>(MacroPage::kInsertPosition)->SetCurSel(int32_t(MacroPage::kInsertAfter));
    Events()->SetCurSel(0);
    Click(MacroPage::kInsert);
    EXPECT_EQ(Stored(id),
        (std::vector<Event>{
            lb, ButtonDown(8, "Backward"), ButtonUp(8, "Backward"), KeyDown(160, "Shift"), KeyUp(160, "Shift"), lb2}));

    // The wheel and the delay kinds add nothing; the macro is stored again.
    for (int32_t kind : {MacroPage::kKindWheel, MacroPage::kKindDelay}) {
        m_host.Clear();
        Click(kind);
        Click(MacroPage::kInsert);
        EXPECT_EQ(Stored(id).size(), 6u);
        EXPECT_EQ(m_host.m_tasks, std::vector<int32_t>{kUpload});
    }
    // The delay field of the fourth kind: 1 to 10000.
    EXPECT_TRUE(Control<MEdit>(MacroPage::kPauseField)->IsVisible());
    EXPECT_EQ(Control<MEdit>(MacroPage::kPauseField)->GetEditText(), QStringLiteral("10"));
    for (const auto& [typed, kept] : {std::pair{"0", "1"}, {"20000", "10000"}, {"250", "250"}, {"x", "1"}}) {
        Type(MacroPage::kPauseField, QString::fromLatin1(typed));
        EXPECT_EQ(Control<MEdit>(MacroPage::kPauseField)->GetEditText(), QString::fromLatin1(kept)) << typed;
    }

    // The limit: 198 events take one more pair, 199 do not; 200 are refused.
    std::vector<Event> many;
    for (int i = 0; i < 99; ++i) {
        many.push_back(KeyDown(65, "A"));
        many.push_back(KeyUp(65, "A"));
    }
    for (size_t count : {198u, 199u, 200u}) {
        SCOPED_TRACE(count);
        std::vector<Event> events(many.begin(), many.end());
        while (events.size() < count)
            events.push_back(KeyDown(66, "B"));
        const int32_t full = StoreMacro(QStringLiteral("full"), events);
        Page().Reload();
        ClickItem(Macros(), Macros()->FindData(full));
        m_host.Clear();
        Menu(CRecordList::kInsertMessage, MacroPage::kEventList, 101);
        Click(MacroPage::kKindMouse);
        Click(MacroPage::kInsert);
        if (count == 198) {
            EXPECT_EQ(Stored(full).size(), 202u - 2u) << "the menu's pair fit, the button's did not";
            EXPECT_EQ(m_host.m_told, told(366));
        } else {
            EXPECT_EQ(Stored(full).size(), count);
            EXPECT_EQ(m_host.m_told, (std::vector<std::string>{Told(365, 366), Told(365, 366)}));
        }
        EXPECT_LE(Events()->GetEventCount(), 200);
    }
}

TEST_F(MacroPageTest, TheFixedDelayIsKeptWithinItsRangeAndStoredWithTheMacro)
{
    const int32_t id = StoreMacro(QStringLiteral("M"), {KeyDown(65, "A")});
    Open();
    auto* field = Control<MEdit>(MacroPage::kFixedDelay);
    EXPECT_FALSE(field->IsEnabled());
    Click(MacroPage::kDelayFixed);
    EXPECT_TRUE(field->IsEnabled());
    EXPECT_EQ(field->GetEditText(), QStringLiteral("10"));
    EXPECT_EQ(Info(id).delay_type, 2);
    EXPECT_EQ(Info(id).delay_time, 10);
    EXPECT_TRUE(m_host.m_tasks.empty()) << "the delay settings change nothing on the mouse";

    const struct {
        const char* typed;
        int32_t kept;
        bool told;
    } cases[] = {{"5", 10, true}, {"20000", 10000, true}, {"500", 500, false}, {"", 10, true}, {"-3", 10, true},
        {"99999999999", 10000, true}, {"10", 10, false}, {"10000", 10000, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        m_host.Clear();
        Type(MacroPage::kFixedDelay, QString::fromLatin1(c.typed));
        EXPECT_EQ(field->GetEditText(), QString::number(c.kept));
        EXPECT_EQ(Info(id).delay_time, c.kept);
        EXPECT_EQ(m_host.m_told, c.told ? std::vector<std::string>{Told(363, 370)} : std::vector<std::string>{});
    }
    // Choosing the fixed delay again keeps the value; another kind disables it.
    Click(MacroPage::kDelayFixed);
    EXPECT_EQ(field->GetEditText(), QStringLiteral("10000"));
    Click(MacroPage::kDelayDefault);
    EXPECT_FALSE(field->IsEnabled());
    EXPECT_EQ(Info(id).delay_type, 0);
    EXPECT_EQ(Info(id).delay_time, 10);
    Click(MacroPage::kDelayMeasured);
    EXPECT_EQ(Info(id).delay_type, 1);
    // The steps were never touched.
    EXPECT_EQ(Stored(id), std::vector<Event>{KeyDown(65, "A")});
}

TEST_F(MacroPageTest, TheMenuOfARightClickedMacroActsOnThatMacro)
{
    StoreMacro(QStringLiteral("One"), {KeyDown(49, "1")});
    const int32_t two = StoreMacro(QStringLiteral("Two"), {KeyDown(50, "2"), KeyUp(50, "2")});
    Open();
    ClickItem(Macros(), 1, Qt::RightButton);
    EXPECT_EQ(Page().CurrentMacro(), two);
    EXPECT_EQ(Shown(), (std::vector<Event>{KeyDown(50, "2"), KeyUp(50, "2")}));
    auto* menu = dynamic_cast<MPopupList*>(
        MWindow::FromHandle(FindWindow(QStringLiteral("MWindow"), QStringLiteral("Menu Window"))));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->GetItemText(0), InterfaceText::Get(31));
    QTest::mouseClick(menu->GetWidget(), Qt::LeftButton, Qt::NoModifier, menu->GetItemRect(0).center());
    ProcessPageEvents();
    ASSERT_EQ(Names(), (QStringList{QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Two Copy")}));
    EXPECT_EQ(Stored(int32_t(Macros()->GetItemData(2))), (std::vector<Event>{KeyDown(50, "2"), KeyUp(50, "2")}));
}

TEST_F(MacroPageTest, ExportAndImportGoThroughAFileTheUserChooses)
{
    const std::vector<Event> events = {KeyDown(65, "A", 55), KeyUp(65, "A"), ButtonDown(1, "LB"), ButtonUp(1, "LB")};
    StoreMacro(QStringLiteral("Rapid \"fire\" & more"), events, 2, 300);
    Open();
    const QString file = m_host.m_dir.path() + QStringLiteral("/rapid.xml");
    m_host.m_chosenFile = file;
    Click(MacroPage::kExport);
    ASSERT_TRUE(QFileInfo::exists(file));
    EXPECT_TRUE(m_host.m_tasks.empty());

    // Cancelled: nothing changes.
    m_host.m_chosenFile.clear();
    Click(MacroPage::kImport);
    EXPECT_EQ(Macros()->GetItemCount(), 1);

    // Imported: listed under its new name, shown, announced and sent.
    m_host.Clear();
    m_host.m_chosenFile = file;
    Click(MacroPage::kImport);
    ASSERT_EQ(Macros()->GetItemCount(), 2);
    EXPECT_EQ(Macros()->GetItemText(1), QStringLiteral("Rapid \"fire\" & more 导入"));
    EXPECT_EQ(Macros()->GetCurSel(), 1);
    EXPECT_EQ(Page().CurrentMacro(), int32_t(Macros()->GetItemData(1)));
    EXPECT_EQ(Shown(), events);
    EXPECT_EQ(Stored(Page().CurrentMacro()), events);
    EXPECT_EQ(m_host.m_notified, Changes(1));
    EXPECT_EQ(m_host.m_tasks, std::vector<int32_t>{kUpload});

    // Nothing to export without a macro shown.
    Menu(MacroList::kMenuMessage, MacroPage::kMacroList, MacroList::kCommandDelete);
    Menu(MacroList::kMenuMessage, MacroPage::kMacroList, MacroList::kCommandDelete);
    ASSERT_EQ(Page().CurrentMacro(), 0);
    m_host.Clear();
    EXPECT_EQ(m_window->OnMessage(MacroPage::kExport, kNotifyClick, 0, 0), 0);
    EXPECT_TRUE(m_host.m_fileDialogs.empty());
}

TEST_F(MacroPageTest, AFailedSaveIsToldAndNothingIsSent)
{
    const int32_t id = StoreMacro(QStringLiteral("M"), {KeyDown(65, "A"), KeyUp(65, "A")});
    Open();
    ASSERT_EQ(m_host.m_store.Execute(
                  "CREATE TRIGGER refuse BEFORE INSERT ON t_macrorecord BEGIN SELECT RAISE(ABORT, 'full'); END"),
        0);
    Menu(CRecordList::kInsertMessage, MacroPage::kEventList, 102);
    EXPECT_EQ(m_host.m_storeFailures, 1);
    EXPECT_TRUE(m_host.m_tasks.empty());
    EXPECT_EQ(Stored(id), (std::vector<Event>{KeyDown(65, "A"), KeyUp(65, "A")})) << "the stored macro is whole";
}

TEST_F(MacroPageTest, DamagedMacrosStayUsable)
{
    // 10,000 steps of unknown types, negative and huge delays; a long name
    // with quotes and an ampersand; two macros of one name; an empty macro.
    std::vector<Event> damaged;
    for (int i = 0; i < 10000; ++i)
        damaged.push_back({i % 3 == 0 ? 99 : 2 + i % 6, i, i % 2 ? -500 : 70000, QStringLiteral("#%1").arg(i)});
    const QString longName = QStringLiteral("\"&'<x>").repeated(50);
    const int32_t big = StoreMacro(longName, damaged);
    const int32_t twinA = StoreMacro(QStringLiteral("Twin"), {KeyDown(65, "A")});
    const int32_t twinB = StoreMacro(QStringLiteral("Twin"), {KeyDown(66, "B")});
    StoreMacro(QStringLiteral("Empty"), {});
    Open();
    ASSERT_EQ(Macros()->GetItemCount(), 4);
    EXPECT_EQ(Macros()->GetItemText(0), longName);
    EXPECT_EQ(Events()->GetEventCount(), 10000);
    EXPECT_EQ(Count(), QStringLiteral("10000/200"));

    // Nothing more goes in; deleting one event stores the rest as they were.
    Menu(CRecordList::kInsertMessage, MacroPage::kEventList, 101);
    EXPECT_EQ(Events()->GetEventCount(), 10000);
    Events()->SetCurSel(0);
    Click(MacroPage::kDeleteEvent);
    const std::vector<Event> stored = Stored(big);
    ASSERT_EQ(stored.size(), 9999u);
    EXPECT_EQ(stored[0], damaged[1]);
    EXPECT_EQ(stored.back(), damaged.back());

    // The twins are told apart by their ids.
    ClickItem(Macros(), 2);
    EXPECT_EQ(Page().CurrentMacro(), twinB);
    EXPECT_EQ(Shown(), std::vector<Event>{KeyDown(66, "B")});
    ClickItem(Macros(), 1);
    EXPECT_EQ(Page().CurrentMacro(), twinA);

    // What the worker would upload stays within the mouse's 4000 bytes.
    std::vector<MacroInfo> macros;
    m_host.m_store.ListMacros(macros);
    std::vector<std::vector<MacroEvent>> upload;
    for (const MacroInfo& macro : macros) {
        std::vector<MacroStep> steps;
        m_host.m_store.ListMacroSteps(macro.macro_id, steps);
        auto& events = upload.emplace_back();
        for (const MacroStep& step : steps)
            events.push_back({step.type, step.value, step.delay_time, step.desc});
    }
    const MacroImage image = MacroImageEncoder::BuildMacroImage(upload);
    EXPECT_LE(image.bytes.size(), 4000u);
    EXPECT_EQ(image.macrosLeftOut, 3) << "the big macro cannot fit, nor the ones after it";
}

// ---- Recording ----

CapturedInput KeyInput(int32_t state, int32_t vk, const char* name, int64_t time)
{
    CapturedInput input;
    input.kind = CapturedInput::Kind::Keyboard;
    input.state = state;
    input.code = vk;
    input.name = QString::fromUtf8(name);
    input.time = time;
    return input;
}

CapturedInput MouseInput(int32_t state, int32_t code, const char* name, int64_t time)
{
    CapturedInput input = KeyInput(state, code, name, time);
    input.kind = CapturedInput::Kind::Mouse;
    return input;
}

class MacroRecordingTest : public MacroPageTest {
protected:
    void Record(const CapturedInput& input) { Page().OnCapturedInput(CaptureMode::kMacroRecording, input); }
    bool Enabled(int32_t id) { return m_window->GetControl(id)->IsEnabled(); }
    // The pointer away from the record button, where a recorded click lands.
    void PointerAway() { QCursor::setPos(m_window->GetWidget()->mapToGlobal(QPoint(600, 300))); }
};

TEST_F(MacroRecordingTest, RecordingTheAKeyTimesThePressUntilTheRelease)
{
    const int32_t id = StoreMacro(QStringLiteral("M"), {});
    Open();
    Click(MacroPage::kRecord);
    ASSERT_TRUE(Page().IsRecording());
    EXPECT_EQ(m_host.m_capture.Mode(), CaptureMode::kMacroRecording);
    EXPECT_EQ(Control<CIconButton>(MacroPage::kRecord)->GetTitle(), InterfaceText::Get(359));
    EXPECT_EQ(Control<CIconButton>(MacroPage::kRecord)->GetIconImage(), QStringLiteral("icon\\icon_stop_rec.png"));
    EXPECT_TRUE(m_host.m_frameLocked);
    for (int32_t control : {MacroPage::kMacroList, MacroPage::kNewMacro, MacroPage::kImport, MacroPage::kExport,
             MacroPage::kEventList, MacroPage::kDeleteEvent, MacroPage::kDeleteAll, MacroPage::kDelayFixed,
             MacroPage::kFixedDelay, MacroPage::kKindKey, MacroPage::kKeyField, MacroPage::kInsert}) {
        EXPECT_FALSE(Enabled(control)) << control;
    }
    EXPECT_TRUE(Enabled(MacroPage::kRecord));

    PointerAway();
    Record(KeyInput(0, 65, "A", 1000));
    Record(KeyInput(1, 65, "A", 1085));
    EXPECT_EQ(Count(), QStringLiteral("2/200"));
    EXPECT_TRUE(m_host.m_tasks.empty()) << "stored when the recording ends";
    Click(MacroPage::kRecord);
    EXPECT_FALSE(Page().IsRecording());
    EXPECT_EQ(m_host.m_capture.Mode(), CaptureMode::kNone);
    EXPECT_EQ(Stored(id), (std::vector<Event>{KeyDown(65, "A", 85), KeyUp(65, "A")}));
    EXPECT_EQ(m_host.m_tasks, std::vector<int32_t>{kUpload});
    EXPECT_FALSE(m_host.m_frameLocked);
    EXPECT_EQ(Control<CIconButton>(MacroPage::kRecord)->GetTitle(), InterfaceText::Get(358));
    EXPECT_TRUE(Enabled(MacroPage::kMacroList));
    EXPECT_TRUE(Enabled(MacroPage::kInsert));
    EXPECT_FALSE(Enabled(MacroPage::kFixedDelay)) << "the fixed delay is not chosen";

    // A second recording appends, its first event after a 45 s pause.
    Click(MacroPage::kRecord);
    Record(MouseInput(0, 1, "LB", 90000));
    Record(MouseInput(1, 1, "LB", 135000));
    Record(MouseInput(3, 1, "Scroll Up", 135100));
    Record(MouseInput(4, 255, "Scroll Down", 135300));
    Click(MacroPage::kRecord);
    EXPECT_EQ(Stored(id),
        (std::vector<Event>{KeyDown(65, "A", 85), KeyUp(65, "A"), ButtonDown(1, "LB", 31000), ButtonUp(1, "LB", 100),
            {6, 1, 200, QStringLiteral("Scroll Up")}, {7, 255, 10, QStringLiteral("Scroll Down")}}));
}

TEST_F(MacroRecordingTest, TheWindowsOwnInputIsRecordedButNotTheRecordButtonsClick)
{
    const int32_t id = StoreMacro(QStringLiteral("M"), {});
    Open();
    Click(MacroPage::kRecord);
    ASSERT_TRUE(Page().IsRecording());
    QWindow* window = m_window->GetWidget()->windowHandle();
    ASSERT_NE(window, nullptr);
    // Keys typed into the window, a held key's repeats, and a click on the
    // (disabled) event list.
    QWidget* list = Events();
    QTest::keyPress(list, Qt::Key_B);
    QTest::keyPress(list, Qt::Key_B, Qt::NoModifier, -1);
    QTest::keyEvent(QTest::Press, list, Qt::Key_B, Qt::NoModifier, -1);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(list, &repeat);
    QTest::keyRelease(list, Qt::Key_B);
    const QPoint onList = list->mapTo(m_window->GetWidget(), list->rect().center());
    QCursor::setPos(m_window->GetWidget()->mapToGlobal(onList));
    QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, onList);
    // The click on the record button ends the recording and is not part of it.
    QWidget* record = m_window->GetControl(MacroPage::kRecord);
    const QPoint onRecord = record->mapTo(m_window->GetWidget(), record->rect().center());
    QCursor::setPos(m_window->GetWidget()->mapToGlobal(onRecord));
    QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, onRecord);
    ProcessPageEvents();
    EXPECT_FALSE(Page().IsRecording());
    const std::vector<Event> stored = Stored(id);
    ASSERT_EQ(stored.size(), 4u);
    EXPECT_EQ(stored[0].text, QStringLiteral("\u2193  B"));
    EXPECT_EQ(stored[1].text, QStringLiteral("\u2191  B"));
    EXPECT_EQ(stored[2].text, QStringLiteral("\u2193  LB"));
    EXPECT_EQ(stored[3].text, QStringLiteral("\u2191  LB"));
}

TEST_F(MacroRecordingTest, The200thEventEndsTheRecordingWithTheLimitMessage)
{
    std::vector<Event> events(198, KeyDown(66, "B"));
    const int32_t id = StoreMacro(QStringLiteral("M"), events);
    Open();
    Click(MacroPage::kRecord);
    PointerAway();
    Record(KeyInput(0, 65, "A", 0));
    EXPECT_TRUE(Page().IsRecording());
    Record(KeyInput(1, 65, "A", 20));
    EXPECT_FALSE(Page().IsRecording());
    EXPECT_EQ(m_host.m_told, (std::vector<std::string>{Told(365, 366)}));
    EXPECT_EQ(Stored(id).size(), 200u);
    EXPECT_FALSE(m_host.m_frameLocked);
    Record(KeyInput(0, 67, "C", 40));
    EXPECT_EQ(Events()->GetEventCount(), 200) << "nothing after the end";

    // With 200 events a recording does not start.
    m_host.Clear();
    Click(MacroPage::kRecord);
    EXPECT_FALSE(Page().IsRecording());
    EXPECT_EQ(m_host.m_told, (std::vector<std::string>{Told(365, 366)}));
    EXPECT_EQ(m_host.m_capture.Mode(), CaptureMode::kNone);

    // Without a macro there is nothing to record into.
    ClickItem(Macros(), 0);
    Menu(MacroList::kMenuMessage, MacroPage::kMacroList, MacroList::kCommandDelete);
    m_host.Clear();
    Click(MacroPage::kRecord);
    EXPECT_FALSE(Page().IsRecording());
    EXPECT_EQ(m_host.m_told, (std::vector<std::string>{Told(358, 387)}));
}

TEST_F(MacroRecordingTest, AMouseGoneAReloadOrAClosingWindowStoresTheRecording)
{
    const int32_t id = StoreMacro(QStringLiteral("M"), {});
    Open();
    const PageEvent gone(PageEvent::Kind::StopRecording);
    for (int round = 0; round < 2; ++round) {
        Click(MacroPage::kRecord);
        PointerAway();
        Record(KeyInput(0, 65 + round, "K", 0));
        if (round == 0)
            Page().OnPageEvent(gone);
        else
            Page().Reload();
        EXPECT_FALSE(Page().IsRecording());
        EXPECT_FALSE(m_host.m_frameLocked);
        EXPECT_EQ(Stored(id).size(), size_t(round + 1));
    }
    EXPECT_EQ(Shown().size(), 2u) << "the reload shows what was stored";
}

TEST_F(MacroRecordingTest, TheFixedDelayIsTakenFromTheFieldAtTheStart)
{
    const int32_t id = StoreMacro(QStringLiteral("M"), {}, 2, 0);
    Open();
    Control<MEdit>(MacroPage::kFixedDelay)->SetTitle({});
    Click(MacroPage::kRecord);
    EXPECT_EQ(Control<MEdit>(MacroPage::kFixedDelay)->GetEditText(), QStringLiteral("10"));
    PointerAway();
    Record(KeyInput(0, 65, "A", 0));
    Record(KeyInput(1, 65, "A", 5000));
    Click(MacroPage::kRecord);
    EXPECT_EQ(Stored(id), (std::vector<Event>{KeyDown(65, "A", 10), KeyUp(65, "A")}));
    EXPECT_EQ(Info(id).delay_type, 2);
    EXPECT_EQ(Info(id).delay_time, 10);
}

TEST_F(MacroRecordingTest, TheKeyFieldCapturesTheKeyPressedInIt)
{
    const int32_t id = StoreMacro(QStringLiteral("M"), {ButtonDown(1, "LB"), ButtonUp(1, "LB")});
    Open();
    auto* field = Control<MEdit>(MacroPage::kKeyField);
    QWidget* editor = field->GetEditor();
    editor->setFocus();
    ProcessPageEvents();
    EXPECT_EQ(m_host.m_capture.Mode(), CaptureMode::kMacroKey);
    // The keys reach the page, not the field: modifiers too, releases ignored.
    QTest::keyClick(editor, Qt::Key_X);
    EXPECT_EQ(field->GetEditText(), QStringLiteral("X"));
    QTest::keyPress(editor, Qt::Key_Shift);
    QTest::keyRelease(editor, Qt::Key_Shift);
    EXPECT_EQ(field->GetEditText(), QStringLiteral("Shift"));
    // Leaving the field ends the capture.
    m_window->GetControl(MacroPage::kInsert)->setFocus();
    ProcessPageEvents();
    EXPECT_EQ(m_host.m_capture.Mode(), CaptureMode::kNone);
    Click(MacroPage::kInsert);
    EXPECT_EQ(Stored(id),
        (std::vector<Event>{ButtonDown(1, "LB"), ButtonUp(1, "LB"), KeyDown(160, "Shift"), KeyUp(160, "Shift")}));
}

} // namespace
