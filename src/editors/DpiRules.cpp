#include "editors/DpiRules.h"

#include "platform/LenientNumber.h"

#include <algorithm>

namespace DpiRules {

namespace {

bool HasLargeSensor(int32_t deviceType)
{
    return deviceType == 101 || deviceType == 103 || deviceType == 105 || deviceType == 107;
}

} // namespace

int32_t UpperBound(int32_t deviceType)
{
    return HasLargeSensor(deviceType) ? 26000 : 12000;
}

int32_t SliderSteps(int32_t deviceType)
{
    if (HasLargeSensor(deviceType))
        return 26000 / kStep;
    if (deviceType == 102 || deviceType == 104 || deviceType == 106 || deviceType == 108)
        return 12000 / kStep;
    return 0;
}

int32_t Clamp(int64_t value, int32_t deviceType)
{
    const int64_t rounded = value / kStep * kStep;
    return int32_t(std::clamp<int64_t>(rounded, kMinimum, UpperBound(deviceType)));
}

int32_t ClampTyped(const QString& text, int32_t deviceType)
{
    return Clamp(LenientNumber::Decimal(text), deviceType);
}

int32_t ClampCount(int32_t count)
{
    return std::clamp(count, 1, kLevelCount);
}

int32_t ClampIndex(int32_t index, int32_t count)
{
    return std::clamp(index, 0, ClampCount(count) - 1);
}

int32_t ReportRateCode(int32_t hertz)
{
    for (const ReportRate& rate : kReportRates) {
        if (rate.hertz == hertz)
            return rate.code;
    }
    return -1;
}

int32_t DefaultReportRate(int32_t deviceType)
{
    return deviceType > 200 ? 3 : 2;
}

} // namespace DpiRules
