#include "ctl/CtlVocabulary.h"

#include "editors/PerformanceRules.h"

#include <QStringList>

#include <array>

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
