#include "WidgetTestSupport.h"

#include "widgets/CRecordList.h"
#include "widgets/DListBox.h"
#include "widgets/MPopupList.h"
#include "widgets/MacroList.h"
#include "widgets/WindowRegistry.h"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class ListControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureApplication();
        m_dialog.Open();
    }
    QLineEdit* OpenEditor(MListBase* list, int32_t index)
    {
        DoubleClick(list, list->GetItemRect(index).center() - QPoint(40, 0));
        for (QLineEdit* editor : list->findChildren<QLineEdit*>()) {
            if (editor->isVisible())
                return editor;
        }
        return nullptr;
    }
    MPopupList* OpenMenu(MListBase* list, int32_t index)
    {
        Click(list, list->GetItemRect(index).center(), Qt::RightButton);
        return dynamic_cast<MPopupList*>(MWindow::FromHandle(FindWindow(QStringLiteral("MWindow"), QStringLiteral("Menu Window"))));
    }
    RecordingDialog m_dialog;
};

TEST_F(ListControlTest, MacroListRenamesInPlace)
{
    auto* list = dynamic_cast<MacroList*>(m_dialog.CreateControl(QStringLiteral("MacroList"), 119, {10, 10, 310, 400}));
    ASSERT_NE(list, nullptr);
    list->AddString(QStringLiteral("Macro 1"), 11);
    list->AddString(QStringLiteral("宏 2"), 12);
    list->AddString(QStringLiteral("Front"), 13, 0);
    EXPECT_EQ(list->GetItemText(0), QStringLiteral("Front"));
    list->SetCurSel(2);
    EXPECT_TRUE(list->ModifyItemString(2, QStringLiteral("宏 二")));
    EXPECT_TRUE(m_dialog.m_notes.empty());

    QLineEdit* editor = OpenEditor(list, 1);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("Macro 1"));
    editor->selectAll();
    TypeText(editor, QStringLiteral("连发 A"));
    QTest::keyClick(editor, Qt::Key_Return);
    ProcessEvents();
    EXPECT_EQ(list->GetItemText(1), QStringLiteral("连发 A"));
    EXPECT_EQ(list->GetItemData(1), 11);
    EXPECT_EQ(LastNote(m_dialog.m_notes), (Note{119, 29, 1}));
    EXPECT_EQ(std::count_if(m_dialog.m_notes.begin(), m_dialog.m_notes.end(), [](const Note& n) { return n.code == 29; }), 1);

    // Unchanged text and Escape report nothing; an emptied name is reported for the page to refuse.
    m_dialog.m_notes.clear();
    editor = OpenEditor(list, 1);
    QTest::keyClick(editor, Qt::Key_Return);
    editor = OpenEditor(list, 1);
    QTest::keyClicks(editor, QStringLiteral("zzz"));
    QTest::keyClick(editor, Qt::Key_Escape);
    ProcessEvents();
    EXPECT_EQ(list->GetItemText(1), QStringLiteral("连发 A"));
    EXPECT_EQ(std::count_if(m_dialog.m_notes.begin(), m_dialog.m_notes.end(), [](const Note& n) { return n.code == 29; }), 0);
    editor = OpenEditor(list, 1);
    editor->clear();
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_FALSE(m_dialog.m_notes.empty());
    EXPECT_EQ(LastNote(m_dialog.m_notes), (Note{119, 29, 1}));
    EXPECT_EQ(list->GetItemText(1), QString());
}

TEST_F(ListControlTest, ListBoxCommitsAnEditWhenTheFocusIsTakenAway)
{
    auto* list = dynamic_cast<DListBox*>(m_dialog.CreateControl(QStringLiteral("DListBox"), 31, {10, 10, 300, 200}));
    ASSERT_NE(list, nullptr);
    for (int p = 1; p <= 4; ++p)
        list->AddString(QStringLiteral("配置 %1").arg(p), p, -1);
    EXPECT_TRUE(list->SetCurData(2));
    EXPECT_EQ(list->GetCurSel(), 1);
    QLineEdit* editor = OpenEditor(list, 3);
    ASSERT_EQ(list->GetEditFlag(), false);
    EXPECT_EQ(editor, nullptr) << "no editing until the edit flag is set";
    list->SetEditFlag(true);
    m_dialog.m_notes.clear();
    editor = OpenEditor(list, 3);
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("FPS"));
    list->OnFocus(false);
    ProcessEvents();
    EXPECT_EQ(LastNote(m_dialog.m_notes), (Note{31, 29, 3}));
    EXPECT_EQ(list->GetCurSel(), 3);
    EXPECT_EQ(list->GetItemText(3), QStringLiteral("FPS"));
    EXPECT_EQ(list->GetCurData(), 4);
    EXPECT_FALSE(list->IsEditing());
}

TEST_F(ListControlTest, OutOfRangeIndexesAreRefused)
{
    auto* list = dynamic_cast<DListBox*>(m_dialog.CreateControl(QStringLiteral("DListBox"), 31, {10, 10, 300, 200}));
    list->AddString(QStringLiteral("a"), 7);
    struct Case {
        int32_t index;
        bool ok;
    };
    for (const Case c : {Case{-2, false}, Case{-1, true}, Case{0, true}, Case{1, false}, Case{1000, false}}) {
        EXPECT_EQ(list->SetCurSel(c.index), c.ok) << c.index;
        EXPECT_EQ(list->BeginEdit(c.index), c.index == 0) << c.index;
        list->OnFocus(false);
    }
    EXPECT_EQ(list->GetItemData(5), -1);
    EXPECT_EQ(list->GetItemText(-1), QString());
    EXPECT_FALSE(list->DeleteItem(3));
    EXPECT_TRUE(list->DeleteItem(0));
    EXPECT_EQ(list->GetCurData(), -1);
    EXPECT_EQ(list->GetCurSel(), -1);
}

TEST_F(ListControlTest, MacroMenuPostsItsCommandToTheWindow)
{
    auto* list = dynamic_cast<MacroList*>(m_dialog.CreateControl(QStringLiteral("MacroList"), 119, {10, 10, 310, 400}));
    list->AddString(QStringLiteral("Macro 1"), 11);
    list->AddString(QStringLiteral("Macro 2"), 12);
    MPopupList* menu = OpenMenu(list, 1);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(m_dialog.m_notes, (std::vector<Note>{{119, 9, 1}}));
    EXPECT_EQ(list->GetCurSel(), 1);
    ASSERT_EQ(menu->GetItemCount(), 2);
    Click(menu->GetWidget(), menu->GetItemRect(1).center());
    EXPECT_EQ(m_dialog.m_posted, (std::vector<Posted>{{1709, 119, 102}}));
    EXPECT_EQ(FindWindow(QStringLiteral("MWindow"), QStringLiteral("Menu Window")), 0u);

    // The row's "more" button opens the same menu.
    m_dialog.m_posted.clear();
    Click(list, list->GetMoreRect(0).center());
    EXPECT_EQ(LastNote(m_dialog.m_notes), (Note{119, 9, 0}));
    menu = dynamic_cast<MPopupList*>(MWindow::FromHandle(FindWindow(QStringLiteral("MWindow"), QStringLiteral("Menu Window"))));
    ASSERT_NE(menu, nullptr);
    Click(menu->GetWidget(), menu->GetItemRect(0).center());
    EXPECT_EQ(m_dialog.m_posted, (std::vector<Posted>{{1709, 119, 101}}));

    // A menu closed without a choice posts nothing.
    m_dialog.m_posted.clear();
    menu = OpenMenu(list, 0);
    ASSERT_NE(menu, nullptr);
    PostMessage(menu->GetSafeHwnd(), kWmClose, 0, 0);
    ProcessEvents();
    EXPECT_TRUE(m_dialog.m_posted.empty());
    EXPECT_EQ(FindWindow(QStringLiteral("MWindow"), QStringLiteral("Menu Window")), 0u);
}

TEST_F(ListControlTest, RecordListMenuPostsInsertAndMoveCommands)
{
    auto* list = dynamic_cast<CRecordList*>(m_dialog.CreateControl(QStringLiteral("CRecordList"), 131, {10, 10, 500, 400}));
    list->AddString(QStringLiteral("↓  A"), 2, 65, 10);
    list->AddString(QStringLiteral("↑  A"), 3, 65, 10);
    struct Case {
        int32_t menuRow;
        Posted expected;
    };
    const Case cases[] = {
        {0, {1710, 131, 101}}, {1, {1710, 131, 102}}, {3, {1711, 131, 100}}, {4, {1711, 131, 101}},
        {5, {1711, 131, 102}}, {6, {1711, 131, 103}}, {7, {1711, 131, 104}},
    };
    for (const Case& c : cases) {
        m_dialog.m_posted.clear();
        MPopupList* menu = OpenMenu(list, 1);
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(menu->GetItemCount(), 8);
        EXPECT_TRUE(menu->GetItemText(2).isEmpty()) << "a separator between the two groups";
        Click(menu->GetWidget(), menu->GetItemRect(c.menuRow).center());
        EXPECT_EQ(m_dialog.m_posted, (std::vector<Posted>{c.expected})) << c.menuRow;
    }
    EXPECT_EQ(LastNote(m_dialog.m_notes), (Note{131, 9, 1}));
}

TEST_F(ListControlTest, RecordListEditsTheDelayInPlace)
{
    auto* list = dynamic_cast<CRecordList*>(m_dialog.CreateControl(QStringLiteral("CRecordList"), 131, {10, 10, 500, 400}));
    list->AddString(QStringLiteral("↓  LB"), 4, 1, 10);
    list->AddString(QStringLiteral("↑  LB"), 5, 1, 10);
    DoubleClick(list, list->GetItemRect(0).center());
    auto* editor = list->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("10"));
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("250"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(LastNote(m_dialog.m_notes), (Note{131, 29, 0}));
    EXPECT_EQ(list->GetRecordItems()[0].delay, 250);

    const size_t before = m_dialog.m_notes.size();
    DoubleClick(list, list->GetItemRect(1).center());
    editor = list->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("soon"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(list->GetRecordItems()[1].delay, 10) << "a delay that is no number is refused";
    EXPECT_EQ(std::count_if(m_dialog.m_notes.begin() + long(before), m_dialog.m_notes.end(), [](const Note& n) { return n.code == 29; }), 0);
}

TEST_F(ListControlTest, RecordListMovesEventsAndKeepsTheSelectionOnThem)
{
    auto* list = dynamic_cast<CRecordList*>(m_dialog.CreateControl(QStringLiteral("CRecordList"), 131, {10, 10, 500, 400}));
    EXPECT_FALSE(list->UpdateDelayTime(5));
    const RecordItem a{QStringLiteral("↓  A"), 2, 65, 10};
    const RecordItem b{QStringLiteral("↑  A"), 3, 65, 20};
    const RecordItem c{QStringLiteral("Scroll Up"), 6, 1, 30};
    const RecordItem d{QStringLiteral("↓  LB"), 4, 1, 40};
    list->AddString(a.text, a.type, a.value, a.delay);
    list->AddString(c.text, c.type, c.value, c.delay);
    EXPECT_EQ(list->InsertString(1, b.text, b.type, b.value, b.delay), 1);
    EXPECT_EQ(list->InsertString(99, d.text, d.type, d.value, d.delay), 3);
    EXPECT_EQ(list->GetRecordItems(), (std::vector<RecordItem>{a, b, c, d}));

    struct Step {
        const char* what;
        std::function<bool()> act;
        std::vector<RecordItem> after;
        int32_t selection;
    };
    list->SetCurSel(2); // c
    const Step steps[] = {
        {"swap 2 and 1", [&] { return list->SwapItem(2, 1); }, {a, c, b, d}, 1},
        {"to top", [&] { return list->MoveTop(1); }, {c, a, b, d}, 0},
        {"to bottom", [&] { return list->MoveBottom(0); }, {a, b, d, c}, 3},
        {"other to top", [&] { return list->MoveTop(2); }, {d, a, b, c}, 3},
        {"swap out of range", [&] { return !list->SwapItem(0, 4); }, {d, a, b, c}, 3},
        {"move out of range", [&] { return !list->MoveTop(-1); }, {d, a, b, c}, 3},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        EXPECT_TRUE(s.act());
        EXPECT_EQ(list->GetRecordItems(), s.after);
        EXPECT_EQ(list->GetCurSel(), s.selection);
    }
    EXPECT_TRUE(list->UpdateDelayTime(31000));
    EXPECT_EQ(list->GetRecordItems().back().delay, 31000);
    EXPECT_EQ(list->GetEventCount(), 4);
    EXPECT_TRUE(list->DeleteItem(0));
    EXPECT_EQ(list->GetCurSel(), 2);
    list->DeleteAllItems();
    EXPECT_EQ(list->GetItemCount(), 0);
    EXPECT_TRUE(m_dialog.m_notes.empty());
}

TEST_F(ListControlTest, LongListsScrollToShowTheSelection)
{
    auto* list = dynamic_cast<CRecordList*>(m_dialog.CreateControl(QStringLiteral("CRecordList"), 131, {10, 10, 500, 200}));
    for (int i = 0; i < 200; ++i)
        list->AddString(QStringLiteral("↓  A"), 2, 65, 10);
    EXPECT_GT(list->GetItemRect(199).top(), list->height());
    list->SetCurSel(199);
    EXPECT_LE(list->GetItemRect(199).bottom(), list->height());
    Click(list, list->GetItemRect(199).center());
    EXPECT_EQ(LastNote(m_dialog.m_notes), (Note{131, 2, 199}));
}

} // namespace
