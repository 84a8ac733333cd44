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

// A value of a button function list (ButtonRules) with its command-line name.
struct FunctionName {
    int32_t value;
    const char* name;
};
// Mouse functions (type 1) but the DPI switch, multimedia keys (type 4) and
// system shortcuts (type 7), each in the button page's list order.
std::span<const FunctionName> MouseFunctions();
std::span<const FunctionName> MediaKeys();
std::span<const FunctionName> Shortcuts();
// The mouse function of the DPI button (`button N dpi`).
constexpr int32_t kDpiSwitch = 11;
// The entry named `name`; null when none is.
const FunctionName* FindFunction(std::span<const FunctionName> list, const QString& name);
// The entry of stored value `value`; null when the list has none.
const FunctionName* FindValue(std::span<const FunctionName> list, int32_t value);
// "left-click, middle-click, ..."
QString NamesOf(std::span<const FunctionName> list);

// Keys of a keyboard function: "a", "f5", "num-enter", ... as the key
// picker names them, lower case, blanks as '-'; the usage code, or 0 when no
// key has that name.
int32_t KeyUsage(const QString& name);
// The command-line name of a key the key picker shows as `shown`: its slug,
// with "plus" for '+' ("Num +" is "num-plus").
QString KeyName(const QString& shown);
// Modifier names: ctrl 1, shift 2, alt 4, win 8 (the window's four boxes);
// 0 for anything else.
int32_t ModifierBit(const QString& name);
// The modifiers of `bits` by those names, in that order, joined by '+'
// ("ctrl+alt"); other bits are left out.
QString ModifierNames(int32_t bits);

// A name as the words above spell it: lower case, runs of blanks and '_' as
// one '-'. "Heron Pro" is "heron-pro".
QString Slug(const QString& text);

} // namespace CtlVocabulary
