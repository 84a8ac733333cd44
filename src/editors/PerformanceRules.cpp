#include "editors/PerformanceRules.h"

#include "platform/LenientNumber.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace PerformanceRules {

QString LiftOffLabel(double millimetres)
{
    return QString::asprintf("%.1fmm", millimetres);
}

int32_t LiftOffChoice(int32_t storedCode)
{
    return storedCode == kLiftOffs[0].code ? 0 : 1;
}

int32_t ClampResponseTime(const QString& text)
{
    return std::clamp(LenientNumber::Decimal(text), kResponseMinimum, kResponseMaximum);
}

std::array<bool, 3> SensorBoxes(int32_t storedFlag)
{
    std::array<bool, 3> boxes{};
    for (size_t i = 0; i < kSensorBits.size(); ++i)
        boxes[i] = (storedFlag & kSensorBits[i]) != 0;
    return boxes;
}

int32_t SensorFlag(const std::array<bool, 3>& checked)
{
    int32_t flag = 0;
    for (size_t i = 0; i < kSensorBits.size(); ++i) {
        if (checked[i])
            flag += kSensorBits[i];
    }
    return flag;
}

int32_t NearestSleepChoice(int32_t seconds)
{
    int32_t best = 0;
    int64_t bestDistance = std::numeric_limits<int64_t>::max();
    for (size_t i = 0; i < kDeepSleepChoices.size(); ++i) {
        const int64_t distance = std::llabs(int64_t(kDeepSleepChoices[i].seconds) - int64_t(seconds));
        if (distance < bestDistance) {
            best = int32_t(i);
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace PerformanceRules
