#pragma once

#include "store/ExchangeFiles.h"
#include "store/StoreRecords.h"

#include <cstdint>

class DeviceDescription;
class EditHost;
class SettingsStore;

// The edits of the mouse's settings, each as the window's pages make it:
// the value held to the pages' rules (DpiRules, PerformanceRules), stored for
// the current profile, then the task that sends it queued. The pages call
// these with their PageHost; the command line with its own EditHost, so a
// setting changed either way is stored and sent alike. A store that does not
// take a value is told to the host (StoreWriteFailed) and nothing is queued.
namespace DpiEdits {

// Makes level `index` the current one (dpi_index), then the DPI task.
bool SelectLevel(EditHost& host, int32_t index);
// Gives level `index` the value DpiRules::Clamp makes of `value` and makes
// the level current first when it is not (the DPI report carries the current
// level only), then the DPI task. The value stored; -1 when the store did not
// take it.
int32_t SetLevelValue(EditHost& host, int32_t index, int64_t value);
// Uses `count` levels (1 to 6). A current level beyond them becomes the
// last one in use and is stored; the levels beyond keep their values. Then
// the DPI task. The current level afterwards; -1 when not stored.
int32_t SetCount(EditHost& host, int32_t count);
// Report-rate code `code` (DpiRules::kReportRates), then its task.
bool SetReportRate(EditHost& host, int32_t code);

} // namespace DpiEdits

namespace PerformanceEdits {

// Each stores its key and queues the option's task.
bool SetLiftOff(EditHost& host, int32_t code); // PerformanceRules::kLiftOffs code
bool SetSensorFlag(EditHost& host, int32_t flag); // PerformanceRules::SensorFlag
bool SetScroll(EditHost& host, int32_t scroll); // 0 standard, 1 reversed
// The response time PerformanceRules::ClampResponseTime makes of `typed`;
// sent only with `send` (a commit of the page's field keeps it unsent).
enum class Send { Now, Later };
int32_t SetResponseTime(EditHost& host, const QString& typed, Send send); // -1: not stored
bool SetDeepSleep(EditHost& host, int32_t seconds); // one of PerformanceRules::kDeepSleepChoices

enum class HighSpeed {
    Stored,
    LockedOnCable, // the cable always runs at full speed: nothing stored or sent
    NotStored,
};
HighSpeed SetHighSpeed(EditHost& host, bool on);

} // namespace PerformanceEdits

namespace ButtonEdits {

// Stores `assignment` for its button, replacing the button's row, and
// queues the button map. Values 0 and 0 remove the row, which gives the
// button back its factory function. False when the store did not take it.
bool Assign(EditHost& host, const KeyAssignment& assignment);

} // namespace ButtonEdits

namespace ProfileEdits {

// The store's part of a factory reset of `profile`: its buttons and its
// configuration back to their defaults, in one hold of the store so the
// worker never reads a profile half reset.
bool ResetForFactory(SettingsStore& store, int32_t profile);

// What an imported profile is checked against: the model, its lighting and
// the buttons a page lets the user assign (every button of the description
// but the first, whose marker cannot be selected).
ExchangeModel ExchangeModelOf(int32_t deviceType, const DeviceDescription& description);

} // namespace ProfileEdits
