#include "editors/SettingRules.h"

#include "editors/DpiRules.h"
#include "editors/KeyCodes.h"

#include <algorithm>

namespace SettingRules {

QString ClampName(const QString& text)
{
    if (text.size() <= kMaxNameLength)
        return text;
    qsizetype length = kMaxNameLength;
    if (text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length);
}

bool IsStoredFunctionType(int64_t type)
{
    if (type < 0 || type > 0xFF)
        return false;
    switch (static_cast<FunctionType>(type)) {
    case FunctionType::Mouse:
    case FunctionType::Keyboard:
    case FunctionType::Multimedia:
    case FunctionType::Macro:
    case FunctionType::SystemShortcut:
    case FunctionType::Disabled:
    case FunctionType::Program:
    case FunctionType::WebAddress:
    case FunctionType::TextSnippet:
        return true;
    }
    return false;
}

bool IsMouseFunction(int64_t value)
{
    return value >= 1 && value <= 12;
}

bool IsMultimediaFunction(int64_t value)
{
    return (value >= 1 && value <= 8) || value == 12 || value == 13;
}

bool IsSystemShortcut(int64_t value)
{
    return value >= 1 && value <= 37;
}

bool IsKeyUsage(int64_t usage)
{
    return usage == 0 || (usage > 0 && usage <= 0xFF && UsageToVirtualKey(int(usage)) != 0);
}

bool IsModifierByte(int64_t bits)
{
    return bits >= 0 && bits <= 0xFF;
}

bool IsRepeatCount(int64_t count)
{
    return count >= 1 && count <= kMaxRepeatCount;
}

bool IsPlayMode(int64_t mode)
{
    return mode >= 0 && mode <= 3;
}

bool IsMacroEventType(int64_t type)
{
    return type >= 2 && type <= 12;
}

bool IsMacroEventValue(int64_t value)
{
    return value >= 0 && value <= 0xFFFF;
}

int32_t ClampEventDelay(int64_t delay)
{
    return int32_t(std::clamp<int64_t>(delay, 0, kMaxEventDelay));
}

bool IsDelayType(int64_t type)
{
    return type >= 0 && type <= 2;
}

int32_t ClampMacroDelay(int64_t delay)
{
    return int32_t(std::clamp<int64_t>(delay, 0, kMaxFixedDelay));
}

bool IsPlayByte(int64_t value)
{
    return value >= 0 && value <= 0xFF;
}

bool IsLightMode(int64_t mode)
{
    return mode >= 0 && mode < kLightModeCount;
}

bool IsColor(int64_t color)
{
    return color >= 0 && color <= 0xFFFFFF;
}

bool IsLightByte(int64_t value)
{
    return value >= 0 && value <= 0xFF;
}

bool IsReportRateCode(int64_t code)
{
    return code >= 0 && code < int64_t(DpiRules::kReportRates.size());
}

bool IsOptionByte(int64_t value)
{
    return value >= 0 && value <= 0xFF;
}

} // namespace SettingRules
