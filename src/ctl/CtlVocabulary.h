#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <span>

// tarvoctl's words for what the window shows as sliders, boxes and lists:
// the settings `set` takes and the deep-sleep times. English only, lower
// case, stable for scripts. Which values are valid is the pages' rules' to
// say (DpiRules, PerformanceRules); this only names them.
namespace CtlVocabulary {

// The settings of `set`, in the order `show` lists them.
enum class Setting {
    Dpi, // LEVEL VALUE
    DpiCount,
    DpiIndex,
    ReportRate,
    LiftOff,
    MotionSync,
    AngleSnapping,
    RippleControl,
    Scroll,
    HighSpeed,
    ResponseTime,
    DeepSleep,
};
struct SettingName {
    Setting setting;
    const char* name;
    const char* values; // for the help and the messages
};
std::span<const SettingName> Settings();
std::optional<Setting> FindSetting(const QString& name);
QString NameOf(Setting setting);
QString ValuesOf(Setting setting);

// The sensor_flag bit of the three sensor options; 0 for any other setting.
int32_t SensorBit(Setting setting);

// Deep-sleep times: "40s", "50s", "1m" ... "50m", "1h" ... "4h", or the
// seconds of one of them; the seconds, or nothing when no choice matches.
std::optional<int32_t> SleepSeconds(const QString& text);
QString SleepName(int32_t seconds); // "5m"; "Ns" for seconds no choice has
QString SleepNames(); // "40s, 50s, 1m, ..."

// A name as the words above spell it: lower case, runs of blanks and '_' as
// one '-'. "Heron Pro" is "heron-pro".
QString Slug(const QString& text);

} // namespace CtlVocabulary
