#include "ctl/CtlVocabulary.h"

#include "editors/KeyCodes.h"
#include "editors/PerformanceRules.h"

#include <QStringList>

#include <array>
#include <vector>

namespace CtlVocabulary {

namespace {

constexpr std::array<SettingName, 12> kSettings = {{
    {Setting::Dpi, "dpi", "LEVEL 1-6 and VALUE in steps of 50"}, {Setting::DpiCount, "dpi-count", "1-6"},
    {Setting::DpiIndex, "dpi-index", "1 up to dpi-count"}, {Setting::ReportRate, "report-rate", "125, 250, 500, 1000"},
    {Setting::LiftOff, "lift-off", "1, 2 (mm)"}, {Setting::MotionSync, "motion-sync", "on, off"},
    {Setting::AngleSnapping, "angle-snapping", "on, off"}, {Setting::RippleControl, "ripple-control", "on, off"},
    {Setting::Scroll, "scroll", "standard, reversed"}, {Setting::HighSpeed, "high-speed", "on, off"},
    {Setting::ResponseTime, "response-time", "1-50 (ms)"}, {Setting::DeepSleep, "deep-sleep", nullptr}, // SleepNames()
}};

constexpr std::array<FunctionName, 10> kMouseFunctions = {{
    {1, "left-click"},
    {2, "middle-click"},
    {3, "right-click"},
    {5, "forward"},
    {6, "back"},
    {4, "double-click"},
    {7, "scroll-left"},
    {8, "scroll-right"},
    {9, "scroll-down"},
    {10, "scroll-up"},
}};

constexpr std::array<FunctionName, 10> kMediaKeys = {{
    {6, "volume-up"},
    {7, "volume-down"},
    {8, "mute"},
    {1, "media-player"},
    {2, "play-pause"},
    {4, "previous-track"},
    {5, "next-track"},
    {3, "stop"},
    {12, "calculator"},
    {13, "email"},
}};

// The six groups of the window's selector, one after another.
constexpr std::array<FunctionName, 36> kShortcuts = {{
    {1, "cut"},
    {2, "copy"},
    {3, "paste"},
    {4, "save"},
    {5, "print"},
    {7, "undo"},
    {8, "redo"},
    {6, "select-all"},
    {9, "search"},
    {10, "project"},
    {11, "zoom-in"},
    {12, "zoom-out"},
    {13, "screenshot"},
    {15, "voice-typing"},
    {16, "file-explorer"},
    {17, "run"},
    {18, "show-desktop"},
    {19, "peek-desktop"},
    {20, "switch-windows"},
    {21, "close-window"},
    {22, "maximize-window"},
    {23, "minimize-all"},
    {24, "lock"},
    {25, "task-manager"},
    {26, "quick-link-menu"},
    {27, "power-off"},
    {28, "sleep"},
    {29, "wake-up"},
    {30, "on-screen-keyboard"},
    {31, "magnifier"},
    {32, "game-bar"},
    {33, "new-desktop"},
    {34, "previous-desktop"},
    {35, "next-desktop"},
    {36, "close-desktop"},
    {37, "task-view"},
}};

QString UnitSuffix(int textId)
{
    switch (textId) {
    case PerformanceRules::kTextSeconds:
        return QStringLiteral("s");
    case PerformanceRules::kTextMinutes:
        return QStringLiteral("m");
    default:
        return QStringLiteral("h");
    }
}

} // namespace

std::span<const SettingName> Settings()
{
    return kSettings;
}

std::optional<Setting> FindSetting(const QString& name)
{
    for (const SettingName& entry : kSettings) {
        if (name == QLatin1String(entry.name))
            return entry.setting;
    }
    return std::nullopt;
}

QString NameOf(Setting setting)
{
    for (const SettingName& entry : kSettings) {
        if (entry.setting == setting)
            return QString::fromLatin1(entry.name);
    }
    return {};
}

QString ValuesOf(Setting setting)
{
    if (setting == Setting::DeepSleep)
        return SleepNames();
    for (const SettingName& entry : kSettings) {
        if (entry.setting == setting)
            return QString::fromLatin1(entry.values);
    }
    return {};
}

int32_t SensorBit(Setting setting)
{
    switch (setting) {
    case Setting::MotionSync:
        return PerformanceRules::kSensorBits[0];
    case Setting::AngleSnapping:
        return PerformanceRules::kSensorBits[1];
    case Setting::RippleControl:
        return PerformanceRules::kSensorBits[2];
    default:
        return 0;
    }
}

std::optional<int32_t> SleepSeconds(const QString& text)
{
    for (const PerformanceRules::SleepChoice& choice : PerformanceRules::kDeepSleepChoices) {
        if (text == SleepName(choice.seconds) || text == QString::number(choice.seconds))
            return choice.seconds;
    }
    return std::nullopt;
}

QString SleepName(int32_t seconds)
{
    for (const PerformanceRules::SleepChoice& choice : PerformanceRules::kDeepSleepChoices) {
        if (choice.seconds == seconds)
            return QString::number(choice.number) + UnitSuffix(choice.unitTextId);
    }
    return QStringLiteral("%1s").arg(seconds);
}

QString SleepNames()
{
    QStringList names;
    for (const PerformanceRules::SleepChoice& choice : PerformanceRules::kDeepSleepChoices)
        names << SleepName(choice.seconds);
    return names.join(QStringLiteral(", "));
}

std::span<const FunctionName> MouseFunctions()
{
    return kMouseFunctions;
}

std::span<const FunctionName> MediaKeys()
{
    return kMediaKeys;
}

std::span<const FunctionName> Shortcuts()
{
    return kShortcuts;
}

const FunctionName* FindFunction(std::span<const FunctionName> list, const QString& name)
{
    for (const FunctionName& entry : list) {
        if (name == QLatin1String(entry.name))
            return &entry;
    }
    return nullptr;
}

const FunctionName* FindValue(std::span<const FunctionName> list, int32_t value)
{
    for (const FunctionName& entry : list) {
        if (entry.value == value)
            return &entry;
    }
    return nullptr;
}

QString NamesOf(std::span<const FunctionName> list)
{
    QStringList names;
    for (const FunctionName& entry : list)
        names << QString::fromLatin1(entry.name);
    return names.join(QStringLiteral(", "));
}

int32_t KeyUsage(const QString& name)
{
    static const std::vector<KeyListEntry> keys = [] {
        std::vector<KeyListEntry> list;
        BuildKeyList(list);
        return list;
    }();
    for (const KeyListEntry& key : keys) {
        if (!key.name.isEmpty() && KeyName(key.name) == name)
            return key.usage;
    }
    return 0;
}

QString KeyName(const QString& shown)
{
    // '+' joins a key to its modifiers on the command line.
    return Slug(shown).replace(QLatin1Char('+'), QStringLiteral("plus"));
}

int32_t ModifierBit(const QString& name)
{
    if (name == QLatin1String("ctrl"))
        return KeyCodes::kLeftCtrlBit;
    if (name == QLatin1String("shift"))
        return KeyCodes::kLeftShiftBit;
    if (name == QLatin1String("alt"))
        return KeyCodes::kLeftAltBit;
    if (name == QLatin1String("win"))
        return KeyCodes::kLeftWinBit;
    return 0;
}

QString ModifierNames(int32_t bits)
{
    QStringList names;
    for (const char* name : {"ctrl", "shift", "alt", "win"}) {
        if (bits & ModifierBit(QLatin1String(name)))
            names << QString::fromLatin1(name);
    }
    return names.join(QLatin1Char('+'));
}

QString Slug(const QString& text)
{
    QString slug;
    bool gap = false;
    for (const QChar c : text.trimmed().toLower()) {
        if (c.isSpace() || c == QLatin1Char('_') || c == QLatin1Char('-')) {
            gap = true;
            continue;
        }
        if (gap && !slug.isEmpty())
            slug += QLatin1Char('-');
        gap = false;
        slug += c;
    }
    return slug;
}

} // namespace CtlVocabulary
