// The tables behind the button page that its own tests do not walk whole:
// every system shortcut in a group, the factory functions, the default
// snippets in either language. The page tests cover the rest through the page.
#include "editors/ButtonRules.h"
#include "editors/TextRules.h"

#include <gtest/gtest.h>

namespace {

using namespace ButtonRules;

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

} // namespace
