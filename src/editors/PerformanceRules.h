#pragma once

#include <QString>

#include <array>
#include <cstdint>

// The rules of the sensor, button and power options, applied alike by the
// performance page and the command line: what a typed response time becomes,
// how stored values are shown, and the deep-sleep choices.
namespace PerformanceRules {

// Button response time in milliseconds.
constexpr int32_t kResponseMinimum = 1;
constexpr int32_t kResponseMaximum = 50;

// Lift-off distance: code 0 is 1.0 mm, 1 is 2.0 mm.
struct LiftOff {
    int32_t code;
    double millimetres;
};
constexpr std::array<LiftOff, 2> kLiftOffs = {{{0, 1.0}, {1, 2.0}}};

// The three sensor options are the bits 1, 2 and 4 of sensor_flag.
constexpr std::array<int32_t, 3> kSensorBits = {1, 2, 4};

// The deep-sleep choices, in the order the selector shows them: the number
// shown, the unit's text id, and the seconds stored.
struct SleepChoice {
    int32_t number;
    int unitTextId;
    int32_t seconds;
};
constexpr int kTextSeconds = 536;
constexpr int kTextMinutes = 537;
constexpr int kTextHours = 538;
constexpr std::array<SleepChoice, 16> kDeepSleepChoices = {{
    {40, kTextSeconds, 40},
    {50, kTextSeconds, 50},
    {1, kTextMinutes, 60},
    {2, kTextMinutes, 120},
    {3, kTextMinutes, 180},
    {4, kTextMinutes, 240},
    {5, kTextMinutes, 300},
    {10, kTextMinutes, 600},
    {20, kTextMinutes, 1200},
    {30, kTextMinutes, 1800},
    {40, kTextMinutes, 2400},
    {50, kTextMinutes, 3000},
    {1, kTextHours, 3600},
    {2, kTextHours, 7200},
    {3, kTextHours, 10800},
    {4, kTextHours, 14400},
}};
// The choice selected before anything is loaded (5 minutes).
constexpr int32_t kInitialSleepChoice = 5;

// "1.0mm", "2.0mm".
QString LiftOffLabel(double millimetres);
// The lift-off choice a stored code shows: 0 is the first, anything else the second.
int32_t LiftOffChoice(int32_t storedCode);
// A typed or stored response time brought into 1 to 50; text that is not a
// number (and 0) gives 1.
int32_t ClampResponseTime(const QString& text);
// The three boxes a stored sensor_flag checks (bits above 4 are not shown).
std::array<bool, 3> SensorBoxes(int32_t storedFlag);
// The value the checked boxes store: the sum of their bits, 0 to 7.
int32_t SensorFlag(const std::array<bool, 3>& checked);
// The choice whose seconds are nearest to `seconds` (the first of two equally
// near); an exact match is that choice.
int32_t NearestSleepChoice(int32_t seconds);

} // namespace PerformanceRules
