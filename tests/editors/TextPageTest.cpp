// The text page against a fake main window: the snippets a user keeps, and
// what the page does when the mouse asks for a program, a web address or a
// snippet.
#include "PageTestSupport.h"

#include "editors/TextPage.h"
#include "language/InterfaceText.h"
#include "language/Language.h"
#include "widgets/MEdit.h"
#include "widgets/MText.h"
#include "widgets/MacroList.h"

#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString Text(int id)
{
    return InterfaceText::Get(id);
}

class TextPageTest : public ::testing::Test {
protected:
    void SetUp() override { Language::SetCurrent(1033); }
    void TearDown() override { Language::SetCurrent(1033); }

    void Open()
    {
        m_window = std::make_unique<PageTestWindow>(
            m_host, [](PageHost& host) { return std::make_unique<TextPage>(host); });
        m_window->Open();
        m_host.Clear();
    }
    TextPage& Page() { return static_cast<TextPage&>(m_window->GetPage()); }
    MacroList* List() { return m_window->GetControlAs<MacroList>(TextPage::kList); }
    MEdit* Editor() { return m_window->GetControlAs<MEdit>(TextPage::kEditor); }
    QString Counter() { return m_window->GetControlAs<MText>(TextPage::kCounter)->GetTitle(); }
    void Click(QWidget* widget, const QPoint& at) { ClickAt(widget, at); }
    void ClickControl(int32_t id) { ::ClickControl(*m_window, id); }
    void ClickItem(int32_t index) { Click(List(), List()->GetItemRect(index).center()); }
    void Rename(int32_t index, const QString& name)
    {
        ASSERT_TRUE(List()->BeginEdit(index));
        // The editors of earlier renames linger hidden until deleted.
        QLineEdit* editor = nullptr;
        for (QLineEdit* candidate : List()->findChildren<QLineEdit*>()) {
            if (candidate->isVisible())
                editor = candidate;
        }
        ASSERT_NE(editor, nullptr);
        editor->setText(name);
        QTest::keyClick(editor, Qt::Key_Return);
        ProcessPageEvents();
    }
    QString StoredContent(int32_t id)
    {
        QString content;
        m_host.m_store.GetTextContent(id, content);
        return content;
    }
    int32_t IdAt(int32_t index) { return int32_t(List()->GetItemData(index)); }
    int32_t AddOther(const QString& description, const QString& parameter, int type)
    {
        return m_host.m_store.AddKeyOtherData(description, parameter, type);
    }

    FakePageHost m_host;
    std::unique_ptr<PageTestWindow> m_window;
};

TEST_F(TextPageTest, AnEmptyStoreGetsTheTwoDefaultsInTheCurrentLanguage)
{
    Open();
    ASSERT_EQ(List()->GetItemCount(), 2);
    EXPECT_EQ(List()->GetItemText(0), Text(460));
    EXPECT_EQ(List()->GetItemText(1), Text(461));
    EXPECT_EQ(List()->GetCurSel(), 0);
    EXPECT_EQ(Editor()->GetEditText(), Text(470));
    EXPECT_EQ(Counter(), QStringLiteral("%1/500").arg(Text(470).size()));
    // A reload keeps them; it does not add two more.
    Page().Reload();
    EXPECT_EQ(List()->GetItemCount(), 2);

    // Created in English, shown in Chinese (and the old English text with a
    // Chinese full stop is recognised too).
    ASSERT_TRUE(m_host.m_store.SetTextContent(IdAt(1),
        QStringLiteral(
            "I wish you all your heart's desires, continuous progress, great success, and a boundless future. "
            "May your life be filled with infinite possibilities.。")));
    Language::SetCurrent(2052);
    Page().ApplyLanguage();
    EXPECT_EQ(List()->GetItemText(0), QStringLiteral("1 实例 - 祝福"));
    EXPECT_EQ(List()->GetItemText(1), Text(461));
    EXPECT_EQ(Editor()->GetEditText(), Text(470));
    ClickItem(1);
    EXPECT_EQ(Editor()->GetEditText(), Text(470));
    EXPECT_EQ(m_window->GetControlAs<MControlFont>(TextPage::kSave)->GetTitle(), Text(38));
}

TEST_F(TextPageTest, AddNamesWithTheNextFreeNumberAndDeleteAsks)
{
    Open();
    ClickControl(TextPage::kAdd);
    ASSERT_EQ(List()->GetItemCount(), 3);
    EXPECT_EQ(List()->GetItemText(2), QStringLiteral("3 文本"));
    EXPECT_EQ(List()->GetCurSel(), 2);
    EXPECT_TRUE(Editor()->GetEditText().isEmpty());
    EXPECT_EQ(Counter(), QStringLiteral("0/500"));
    ClickControl(TextPage::kAdd);
    EXPECT_EQ(List()->GetItemText(3), QStringLiteral("4 文本"));
    EXPECT_EQ(m_host.m_notified,
        (std::vector<PageEvent::Kind>{PageEvent::Kind::TextsChanged, PageEvent::Kind::TextsChanged}));

    // With "3 文本" deleted, the fourth name is still taken: the next is 5.
    ClickItem(2);
    m_host.m_answer = false;
    ClickControl(TextPage::kDelete);
    EXPECT_EQ(List()->GetItemCount(), 4);
    EXPECT_EQ(m_host.m_asked, (std::vector<std::string>{(Text(354) + "|" + Text(937)).toStdString()}));
    m_host.m_answer = true;
    ClickControl(TextPage::kDelete);
    ASSERT_EQ(List()->GetItemCount(), 3);
    EXPECT_EQ(List()->GetCurSel(), 1);
    EXPECT_EQ(Editor()->GetEditText(), Text(471));
    ClickControl(TextPage::kAdd);
    EXPECT_EQ(List()->GetItemText(3), QStringLiteral("5 文本"));

    // Deleting the first leaves no selection and an empty editor; Save then
    // stores nothing anywhere.
    ClickItem(0);
    ClickControl(TextPage::kDelete);
    EXPECT_EQ(List()->GetCurSel(), -1);
    EXPECT_TRUE(Editor()->GetEditText().isEmpty());
    std::vector<NamedEntry> before;
    m_host.m_store.ListTexts(before);
    ClickControl(TextPage::kSave);
    std::vector<NamedEntry> after;
    m_host.m_store.ListTexts(after);
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(before[i].text, after[i].text);
}

TEST_F(TextPageTest, RenamingUpdatesTheButtonsOfEveryProfileAndAnEmptyNameChangesNothing)
{
    Open();
    const int32_t id = IdAt(1);
    for (int profile : {1, 3}) {
        KeyAssignment row;
        row.profile = profile;
        row.key_code = 4;
        row.macro_type = 11;
        row.macro_value = id;
        row.macro_desc = QStringLiteral("old");
        ASSERT_GT(m_host.m_store.SetKeyAssignment(row), 0);
    }
    KeyAssignment other;
    other.profile = 1;
    other.key_code = 5;
    other.macro_type = 10;
    other.macro_value = id;
    other.macro_desc = QStringLiteral("an address row with the same value");
    ASSERT_GT(m_host.m_store.SetKeyAssignment(other), 0);

    Rename(1, QStringLiteral("   "));
    QString name;
    ASSERT_TRUE(m_host.m_store.GetTextName(id, name));
    EXPECT_EQ(List()->GetItemText(1), Text(461));
    EXPECT_TRUE(m_host.m_notified.empty());

    Rename(1, QStringLiteral("Greeting"));
    ASSERT_TRUE(m_host.m_store.GetTextName(id, name));
    EXPECT_EQ(name, QStringLiteral("Greeting"));
    for (int profile : {1, 3}) {
        KeyAssignment row;
        ASSERT_TRUE(m_host.m_store.GetKeyAssignment(profile, 4, row));
        EXPECT_EQ(row.macro_desc, QStringLiteral("Greeting")) << profile;
    }
    ASSERT_TRUE(m_host.m_store.GetKeyAssignment(1, 5, other));
    EXPECT_EQ(other.macro_desc, QStringLiteral("an address row with the same value"));
    EXPECT_EQ(m_host.m_notified, std::vector<PageEvent::Kind>{PageEvent::Kind::TextsChanged});

    // The list's menu renames too.
    m_window->OnWindowMessage(TextPage::kListMenuMessage, TextPage::kList, TextPage::kMenuRename);
    EXPECT_TRUE(List()->IsEditing());
}

// The name is kept but the buttons typing the snippet could not take it: the
// user hears that not everything was saved.
TEST_F(TextPageTest, ARenameWhoseButtonLabelsCannotBeWrittenSaysSo)
{
    Open();
    const int32_t id = IdAt(1);
    KeyAssignment row;
    row.profile = 1;
    row.key_code = 4;
    row.macro_type = 11;
    row.macro_value = id;
    row.macro_desc = QStringLiteral("old");
    ASSERT_GT(m_host.m_store.SetKeyAssignment(row), 0);
    ASSERT_EQ(m_host.m_store.Execute("CREATE TRIGGER deny_labels BEFORE UPDATE ON t_key_macro_data "
                                     "BEGIN SELECT RAISE(ABORT, 'denied'); END"),
        0);

    Rename(1, QStringLiteral("Greeting"));
    QString name;
    ASSERT_TRUE(m_host.m_store.GetTextName(id, name));
    EXPECT_EQ(name, QStringLiteral("Greeting"));
    ASSERT_TRUE(m_host.m_store.GetKeyAssignment(1, 4, row));
    EXPECT_EQ(row.macro_desc, QStringLiteral("old"));
    EXPECT_EQ(m_host.m_storeFailures, 1);
}

TEST_F(TextPageTest, SaveClearAndTheCounterWithALongText)
{
    Open();
    const int32_t id = IdAt(0);
    QWidget* inner = Editor()->GetEditor();
    Click(inner, inner->rect().center());
    QTest::keyClick(inner, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(inner, QStringLiteral("Hi"));
    ProcessPageEvents();
    EXPECT_EQ(Counter(), QStringLiteral("2/500"));
    EXPECT_EQ(StoredContent(id), Text(470)) << "typing alone stores nothing";
    ClickControl(TextPage::kSave);
    EXPECT_EQ(StoredContent(id), QStringLiteral("Hi"));

    // 100 KB: kept whole, the counter past its advice.
    QString big;
    while (big.size() < 100 * 1024)
        big += QStringLiteral("Lorem ipsum dolor sit amet. ");
    big.truncate(100 * 1024);
    Editor()->SetTitle(big);
    ClickControl(TextPage::kSave);
    EXPECT_EQ(StoredContent(id), big);
    EXPECT_EQ(Counter(), QStringLiteral("102400/500"));
    Page().Reload();
    EXPECT_EQ(Editor()->GetEditText(), big);
    EXPECT_EQ(m_host.m_storeFailures, 0);

    ClickControl(TextPage::kClear);
    EXPECT_TRUE(Editor()->GetEditText().isEmpty());
    EXPECT_TRUE(StoredContent(id).isEmpty());
    EXPECT_EQ(Counter(), QStringLiteral("0/500"));
}

TEST_F(TextPageTest, TheCharacterMapOrANoticeThatThereIsNone)
{
    Open();
    ClickControl(TextPage::kCharacterMap);
    EXPECT_EQ(m_host.m_desktop.m_calls, std::vector<std::string>{"charmap"});
    EXPECT_TRUE(m_host.m_told.empty());
    m_host.m_desktop.m_result = false;
    ClickControl(TextPage::kCharacterMap);
    EXPECT_EQ(m_host.m_told, (std::vector<std::string>{(Text(450) + "|" + Text(934)).toStdString()}));
}

TEST_F(TextPageTest, SnippetRequestsTypeTheSnippetAndNothingElse)
{
    Open();
    const int32_t wish = IdAt(0);
    NamedEntry entry;
    entry.name = QStringLiteral("empty");
    const int32_t empty = m_host.m_store.AddText(entry);
    Page().OnPageEvent({PageEvent::Kind::TextRequest, 11, wish});
    Page().OnPageEvent({PageEvent::Kind::TextRequest, 11, empty});
    Page().OnPageEvent({PageEvent::Kind::TextRequest, 11, 200}); // no such snippet
    Page().OnPageEvent({PageEvent::Kind::TextRequest, 12, wish}); // no such function
    EXPECT_EQ(m_host.m_desktop.m_calls, std::vector<std::string>{"type|" + Text(470).toStdString()});
}

TEST_F(TextPageTest, AddressRequestsOpenOnlyWebAddressesKeepingTheirScheme)
{
    Open();
    const struct {
        const char* stored;
        const char* opened; // null: nothing opens
    } cases[] = {
        {"https://example.com/path?q=1", "https://example.com/path?q=1"},
        {"http://www.example.com", "http://www.example.com"},
        {"HTTPS://Example.com", "https://example.com"},
        {"example.com", "https://www.example.com"},
        {"www.example.com", "https://www.example.com"},
        {"  example.org/a  ", "https://www.example.org/a"},
        {"example.com:8080/x", "https://www.example.com:8080/x"},
        {"javascript:alert(1)", nullptr},
        {"JavaScript:alert(1)", nullptr},
        {"data:text/html,<b>x</b>", nullptr},
        {"file:///etc/passwd", nullptr},
        {"ftp://example.com", nullptr},
        {"mailto:someone@example.com", nullptr},
        {"https://", nullptr},
        {"exa mple.com", nullptr},
        {"example.com\n; rm -rf ~", nullptr},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        m_host.m_desktop.m_calls.clear();
        const int32_t id = AddOther(QString::fromUtf8(c.stored), QString(), 10);
        ASSERT_GT(id, 0);
        Page().PerformMouseRequest(10, id);
        if (c.opened)
            EXPECT_EQ(m_host.m_desktop.m_calls, std::vector<std::string>{std::string("url|") + c.opened});
        else
            EXPECT_TRUE(m_host.m_desktop.m_calls.empty());
    }
    // A row made for a program is never opened as an address, nor the reverse.
    m_host.m_desktop.m_calls.clear();
    Page().PerformMouseRequest(10, AddOther(QStringLiteral("example.com"), QStringLiteral("/bin/true"), 9));
    Page().PerformMouseRequest(9, AddOther(QStringLiteral("/bin/true"), QString(), 10));
    Page().PerformMouseRequest(10, 250); // no row
    EXPECT_TRUE(m_host.m_desktop.m_calls.empty());
    EXPECT_TRUE(m_host.m_told.empty());
}

TEST_F(TextPageTest, ProgramRequestsStartThePathWithItsArgumentsAndTellWhenItCannot)
{
    QTemporaryDir dir;
    const QString tool = dir.path() + QStringLiteral("/my tool");
    QFile file(tool);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
    Open();
    const std::string path = tool.toStdString();
    const struct {
        const char* field;
        std::string call;
    } cases[] = {
        {"my tool", "program|" + path},
        {"my tool --private \"a b\" $(id);ls", "program|" + path + "|--private|a b|$(id);ls"},
        {"my toolbox", "program|" + path},
        {"Browser", "program|" + path},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        m_host.m_desktop.m_calls.clear();
        Page().PerformMouseRequest(9, AddOther(QString::fromUtf8(c.field), tool, 9));
        EXPECT_EQ(m_host.m_desktop.m_calls, std::vector<std::string>{c.call});
    }
    EXPECT_TRUE(m_host.m_told.empty());

    // Gone since it was assigned: the user is told, nothing else happens.
    ASSERT_TRUE(QFile::remove(tool));
    Page().PerformMouseRequest(9, AddOther(QStringLiteral("my tool"), tool, 9));
    ASSERT_EQ(m_host.m_told.size(), 1u);
    EXPECT_NE(m_host.m_told[0].find(Text(931).toStdString()), std::string::npos);
    EXPECT_NE(m_host.m_told[0].find(path), std::string::npos);
}

TEST_F(TextPageTest, TargetsAboveOneByteAreFoundThroughTheButtons)
{
    Open();
    // Row ids past 255 arrive cut to their low byte.
    int32_t high = 0;
    for (int i = 0; i < 300; ++i)
        high = AddOther(QStringLiteral("site%1.example").arg(i), QString(), 10);
    ASSERT_GT(high, 256);
    KeyAssignment row;
    row.profile = m_host.m_profile;
    row.key_code = 3;
    row.macro_type = 10;
    row.macro_value = high;
    ASSERT_GT(m_host.m_store.SetKeyAssignment(row), 0);
    EXPECT_EQ(Page().ResolveTarget(10, high & 0xFF), high);
    Page().PerformMouseRequest(10, high & 0xFF);
    QString expected;
    QString parameter;
    int type = 0;
    m_host.m_store.GetKeyOtherData(high, expected, parameter, type);
    ASSERT_EQ(m_host.m_desktop.m_calls.size(), 1u);
    EXPECT_EQ(m_host.m_desktop.m_calls[0], "url|https://www." + expected.toStdString());

    // Two buttons whose ids share the low byte: nothing is safe to open.
    row.key_code = 4;
    row.macro_value = high - 256;
    ASSERT_GT(m_host.m_store.SetKeyAssignment(row), 0);
    EXPECT_EQ(Page().ResolveTarget(10, high & 0xFF), -1);
    m_host.m_desktop.m_calls.clear();
    Page().PerformMouseRequest(10, high & 0xFF);
    EXPECT_TRUE(m_host.m_desktop.m_calls.empty());
    // Another function's buttons do not count.
    EXPECT_EQ(Page().ResolveTarget(11, high & 0xFF), high & 0xFF);
}

} // namespace
