#include "editors/ButtonRules.h"

#include "platform/LenientNumber.h"

#include <algorithm>
#include <array>

namespace ButtonRules {

namespace {

constexpr ValueText kShortcuts1[] = {{1, 36}, {2, 31}, {3, 32}, {4, 38}, {5, 775}, {7, 776}, {8, 777}, {6, 778}};
constexpr ValueText kShortcuts2[] = {
    {9, 779}, {10, 780}, {11, 781}, {12, 782}, {13, 783}, {15, 784}, {16, 785}, {17, 786}};
constexpr ValueText kShortcuts3[] = {{18, 787}, {19, 788}, {20, 789}, {21, 790}, {22, 791}, {23, 792}};
constexpr ValueText kShortcuts4[] = {{24, 793}, {25, 794}, {26, 795}, {27, 796}, {28, 797}, {29, 798}};
constexpr ValueText kShortcuts5[] = {{30, 799}, {31, 800}, {32, 801}};
constexpr ValueText kShortcuts6[] = {{33, 802}, {34, 803}, {35, 804}, {36, 805}, {37, 806}};

constexpr std::array<std::span<const ValueText>, 6> kShortcutLists = {
    kShortcuts1, kShortcuts2, kShortcuts3, kShortcuts4, kShortcuts5, kShortcuts6};

constexpr int32_t kFactoryFunctions[] = {1, 3, 2, 5, 6, 7, 8, 11, 12};

} // namespace

std::span<const ValueText> ShortcutsOfGroup(int32_t group)
{
    if (group < 1 || group > int32_t(kShortcutLists.size()))
        return {};
    return kShortcutLists[size_t(group - 1)];
}

int32_t ShortcutGroupOf(int32_t value)
{
    for (size_t i = 0; i < kShortcutLists.size(); ++i) {
        if (TextOf(kShortcutLists[i], value) != 0)
            return int32_t(i + 1);
    }
    return 0;
}

int TextOf(std::span<const ValueText> list, int32_t value)
{
    const auto it = std::find_if(list.begin(), list.end(), [value](const ValueText& v) { return v.value == value; });
    return it == list.end() ? 0 : it->textId;
}

int ValueTextId(int32_t type, int32_t value)
{
    switch (type) {
    case kMouse:
        return TextOf(kMouseFunctions, value);
    case kMultimedia:
        return TextOf(kMultimediaKeys, value);
    case kShortcut:
        return TextOf(ShortcutsOfGroup(ShortcutGroupOf(value)), value);
    case kDisabled:
        return kDisabledText;
    default:
        return 0;
    }
}

int32_t FactoryMouseFunction(int32_t buttonCode)
{
    if (buttonCode < 0 || buttonCode >= int32_t(std::size(kFactoryFunctions)))
        return 0;
    return kFactoryFunctions[buttonCode];
}

QString ModifierText(int32_t bits)
{
    QString text;
    if (bits & kShiftBit)
        text = QStringLiteral("Shift");
    const std::pair<int32_t, const char*> rest[] = {{kCtrlBit, "Ctrl"}, {kWinBit, "Win"}, {kAltBit, "Alt"}};
    for (const auto& [bit, name] : rest) {
        if (!(bits & bit))
            continue;
        text += text.isEmpty() ? QString::fromLatin1(name) : QStringLiteral("+ ") + QString::fromLatin1(name);
    }
    return text;
}

QString KeyText(const QString& modifiers, const QString& key)
{
    if (!modifiers.isEmpty() && !key.isEmpty())
        return QStringLiteral("%1 + %2").arg(modifiers, key);
    return modifiers.isEmpty() ? key : modifiers;
}

int32_t RepeatCount(const QString& typed)
{
    if (typed.trimmed().isEmpty())
        return kDefaultRepeatCount;
    return std::clamp(LenientNumber::Decimal(typed), kMinRepeatCount, kMaxRepeatCount);
}

QString MacroDisplayName(const QString& name, const QString& macroWord)
{
    for (const QString& word :
        {QStringLiteral("宏"), QStringLiteral("Macro"), QStringLiteral("自定义"), QStringLiteral("Custom")}) {
        if (name.startsWith(word))
            return macroWord + name.mid(word.size());
    }
    return name;
}

} // namespace ButtonRules
