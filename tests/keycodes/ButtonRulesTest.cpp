// The rules a button assignment follows, shared by the button page and the
// command line, and those of snippets and of what a button asks the computer.
#include "editors/ButtonRules.h"
#include "editors/TextRules.h"

#include <gtest/gtest.h>

namespace {

using namespace ButtonRules;

TEST(ButtonRulesTest, ModifiersAreWrittenShiftCtrlWinAlt)
{
    const struct {
        int32_t bits;
        const char* text;
    } cases[] = {
        {0, ""},
        {kShiftBit, "Shift"},
        {kCtrlBit, "Ctrl"},
        {kShiftBit | kCtrlBit, "Shift+ Ctrl"},
        {kAltBit, "Alt"},
        {kWinBit, "Win"},
        {kCtrlBit | kAltBit, "Ctrl+ Alt"},
        {kAltBit | kWinBit, "Win+ Alt"},
        {15, "Shift+ Ctrl+ Win+ Alt"},
        {16, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ModifierText(c.bits), QString::fromLatin1(c.text)) << c.bits;
    EXPECT_EQ(KeyText(QStringLiteral("Shift+ Ctrl"), QStringLiteral("A")), QStringLiteral("Shift+ Ctrl + A"));
    EXPECT_EQ(KeyText(QString(), QStringLiteral("A")), QStringLiteral("A"));
    EXPECT_EQ(KeyText(QStringLiteral("Win"), QString()), QStringLiteral("Win"));
    EXPECT_EQ(KeyText(QString(), QString()), QString());
}

TEST(ButtonRulesTest, RepeatCountsStayIn1To255)
{
    const struct {
        const char* typed;
        int32_t count;
    } cases[] = {{"", 10}, {"  ", 10}, {"0", 1}, {"1", 1}, {"255", 255}, {"256", 255}, {"300", 255}, {"-5", 1},
        {"abc", 1}, {"12ab", 12}, {"99999999999", 255}};
    for (const auto& c : cases)
        EXPECT_EQ(RepeatCount(QString::fromLatin1(c.typed)), c.count) << c.typed;
}

TEST(ButtonRulesTest, ListsAndFactoryFunctions)
{
    const int32_t factory[] = {1, 3, 2, 5, 6, 7, 8, 11, 12, 0};
    for (int32_t code = 0; code < 10; ++code)
        EXPECT_EQ(FactoryMouseFunction(code), factory[code]) << code;
    EXPECT_EQ(FactoryMouseFunction(-1), 0);

    // Every shortcut value 1..37 is offered in one group, except 14.
    for (int32_t value = 1; value <= 37; ++value) {
        const int32_t group = ShortcutGroupOf(value);
        if (value == 14) {
            EXPECT_EQ(group, 0);
            continue;
        }
        ASSERT_GT(group, 0) << value;
        EXPECT_NE(TextOf(ShortcutsOfGroup(group), value), 0);
    }
    EXPECT_EQ(ShortcutGroupOf(7), 1);
    EXPECT_EQ(ShortcutGroupOf(38), 0);
    EXPECT_TRUE(ShortcutsOfGroup(7).empty());
    EXPECT_EQ(ValueTextId(kMouse, 11), 210);
    EXPECT_EQ(ValueTextId(kMouse, 12), 0);
    EXPECT_EQ(ValueTextId(kMultimedia, 13), 132);
    EXPECT_EQ(ValueTextId(kShortcut, 7), 776);
    EXPECT_EQ(ValueTextId(kDisabled, 1), 139);
    EXPECT_EQ(ValueTextId(kKeyboard, 4), 0);
}

TEST(ButtonRulesTest, MacroNamesTakeTheWordOfTheLanguage)
{
    const QString word = QStringLiteral("宏");
    EXPECT_EQ(MacroDisplayName(QStringLiteral("Macro 3"), word), QStringLiteral("宏 3"));
    EXPECT_EQ(MacroDisplayName(QStringLiteral("宏 3"), QStringLiteral("Macro")), QStringLiteral("Macro 3"));
    EXPECT_EQ(MacroDisplayName(QStringLiteral("自定义1"), word), QStringLiteral("宏1"));
    EXPECT_EQ(MacroDisplayName(QStringLiteral("Custom 2"), word), QStringLiteral("宏 2"));
    EXPECT_EQ(MacroDisplayName(QStringLiteral("My macro"), word), QStringLiteral("My macro"));
    EXPECT_EQ(MacroDisplayName(QString(), word), QString());
}

TEST(TextRulesTest, NewSnippetsTakeTheNextFreeNumber)
{
    auto names = [](std::initializer_list<const char*> list) {
        std::vector<QString> out;
        for (const char* n : list)
            out.push_back(QString::fromUtf8(n));
        return out;
    };
    EXPECT_EQ(TextRules::NewSnippetName({}), QStringLiteral("1 文本"));
    EXPECT_EQ(TextRules::NewSnippetName(names({"1 实例 - 祝福", "2 实例 - 问候"})), QStringLiteral("3 文本"));
    EXPECT_EQ(TextRules::NewSnippetName(names({"a", "b", "4 文本"})), QStringLiteral("5 文本"));
    EXPECT_EQ(TextRules::NewSnippetName(names({"3 文本", "4 文本"})), QStringLiteral("5 文本"));
    EXPECT_EQ(TextRules::Counter(12), QStringLiteral("12/500"));
    EXPECT_EQ(TextRules::Counter(102400), QStringLiteral("102400/500"));
}

TEST(TextRulesTest, DefaultSnippetsAreRecognisedInEitherLanguage)
{
    const QString none;
    EXPECT_EQ(TextRules::DefaultNameText(QStringLiteral("1 实例 - 祝福"), none, none), 460);
    EXPECT_EQ(TextRules::DefaultNameText(QStringLiteral("2 Example - Greeting"), none, none), 461);
    EXPECT_EQ(TextRules::DefaultNameText(QStringLiteral("Mine"), QStringLiteral("Mine"), none), 460);
    EXPECT_EQ(TextRules::DefaultNameText(QStringLiteral("1 文本"), none, none), 0);
    EXPECT_EQ(TextRules::DefaultNameText(QString(), QString(), QString()), 0);
    EXPECT_EQ(TextRules::DefaultContentText(QStringLiteral("您好，很高兴为您服务！"), none, none), 471);
    EXPECT_EQ(TextRules::DefaultContentText(QStringLiteral("Hello, it's my pleasure to serve you!"), none, none), 471);
    EXPECT_EQ(TextRules::DefaultContentText(QStringLiteral("Hello"), none, none), 0);
    EXPECT_EQ(TextRules::DefaultContentText(QString(), QString(), QString()), 0);
}

TEST(TextRulesTest, ProgramArgumentsFollowTheFileName)
{
    const QString path = QStringLiteral("/usr/bin/my tool");
    EXPECT_EQ(TextRules::ProgramArguments(QStringLiteral("my tool"), path), QStringList());
    EXPECT_EQ(TextRules::ProgramArguments(QStringLiteral("my tool -a \"b c\" ;x $(y)"), path),
        (QStringList{QStringLiteral("-a"), QStringLiteral("b c"), QStringLiteral(";x"), QStringLiteral("$(y)")}));
    EXPECT_EQ(TextRules::ProgramArguments(QStringLiteral("my toolbox -a"), path), QStringList());
    EXPECT_EQ(TextRules::ProgramArguments(QStringLiteral("Editor -a"), path), QStringList());
    EXPECT_EQ(TextRules::ProgramArguments(QStringLiteral("x"), QString()), QStringList());
}

} // namespace
