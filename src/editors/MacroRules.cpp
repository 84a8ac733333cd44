#include "editors/MacroRules.h"

#include "platform/LenientNumber.h"

#include <algorithm>

namespace MacroRules {

namespace {

// The arrows each take two blanks after them.
const QString kPressPrefix = QStringLiteral("\u2193  ");
const QString kReleasePrefix = QStringLiteral("\u2191  ");

ClampedDelay ClampTyped(const QString& typed, int32_t low, int32_t high)
{
    const int32_t parsed = LenientNumber::Decimal(typed);
    const int32_t value = std::clamp(parsed, low, high);
    // "0010" or " 10" stand for the value they parse to: nothing to correct.
    return {value, value != parsed};
}

} // namespace

QString EventText(int32_t type, const QString& name)
{
    switch (type) {
    case kKeyDown:
    case kButtonDown:
        return kPressPrefix + name;
    case kKeyUp:
    case kButtonUp:
        return kReleasePrefix + name;
    default:
        return name;
    }
}

int32_t EventTypeOf(bool keyboard, int32_t state)
{
    if (keyboard) {
        if (state == 0)
            return kKeyDown;
        return state == 1 ? kKeyUp : 0;
    }
    switch (state) {
    case 0:
        return kButtonDown;
    case 1:
        return kButtonUp;
    case 3:
        return kWheelUp;
    case 4:
        return kWheelDown;
    default:
        return 0;
    }
}

int32_t MeasuredDelay(int64_t elapsedMs)
{
    return int32_t(std::clamp<int64_t>(elapsedMs, 0, kMaxMeasuredDelay));
}

ClampedDelay ClampFixedDelay(const QString& typed)
{
    return ClampTyped(typed, kMinFixedDelay, kMaxFixedDelay);
}

ClampedDelay ClampPauseDelay(const QString& typed)
{
    return ClampTyped(typed, kMinPauseDelay, kMaxPauseDelay);
}

int32_t ClampEditedDelay(int64_t delay)
{
    return int32_t(std::clamp<int64_t>(delay, 0, kMaxEditedDelay));
}

QString DisplayName(const QString& stored, const QString& macroWord)
{
    static const QString kChineseWord = QStringLiteral("宏");
    static const QString kEnglishWord = QStringLiteral("Macro");
    if (stored.startsWith(kChineseWord))
        return macroWord + stored.mid(kChineseWord.size());
    if (stored.startsWith(kEnglishWord))
        return macroWord + stored.mid(kEnglishWord.size());
    return stored;
}

QString UniqueName(const QString& base, const std::function<bool(const QString&)>& taken)
{
    QString name;
    for (int32_t suffix = 1; suffix <= kMaxNameSuffix; ++suffix) {
        name = base + QStringLiteral(" %1").arg(suffix);
        if (!taken(name))
            return name;
    }
    return name;
}

} // namespace MacroRules
