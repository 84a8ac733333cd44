#include "editors/SettingEdits.h"

#include "devices/DeviceDescription.h"
#include "editors/DpiRules.h"
#include "editors/EditHost.h"
#include "editors/PerformanceRules.h"
#include "store/SettingsStore.h"

namespace {

const QString kIndexKey = QStringLiteral("dpi_index");
const QString kCountKey = QStringLiteral("dpi_count");

QString ValueKey(int32_t level)
{
    return QStringLiteral("dpi_group%1_value").arg(level);
}

bool StoreAndQueue(EditHost& host, const QString& key, int32_t value, WorkerTask task)
{
    if (!host.SetConfig(key, value))
        return false;
    host.QueueTask(task);
    return true;
}

} // namespace

namespace DpiEdits {

bool SelectLevel(EditHost& host, int32_t index)
{
    return StoreAndQueue(host, kIndexKey, index, WorkerTask::SetDpi);
}

int32_t SetLevelValue(EditHost& host, int32_t index, int64_t value)
{
    const int32_t stored = DpiRules::Clamp(value, host.CurrentDeviceType());
    if (host.ConfigInt(kIndexKey) != index && !host.SetConfig(kIndexKey, index))
        return -1;
    return StoreAndQueue(host, ValueKey(index), stored, WorkerTask::SetDpi) ? stored : -1;
}

int32_t SetCount(EditHost& host, int32_t count)
{
    count = DpiRules::ClampCount(count);
    const int32_t current = host.ConfigInt(kIndexKey);
    if (!host.SetConfig(kCountKey, count))
        return -1;
    const int32_t index = DpiRules::ClampIndex(current, count);
    if (index != current && !host.SetConfig(kIndexKey, index))
        return -1;
    host.QueueTask(WorkerTask::SetDpi);
    return index;
}

bool SetReportRate(EditHost& host, int32_t code)
{
    return StoreAndQueue(host, QStringLiteral("report_rate"), code, WorkerTask::SetReportRate);
}

} // namespace DpiEdits

namespace PerformanceEdits {

bool SetLiftOff(EditHost& host, int32_t code)
{
    return StoreAndQueue(host, QStringLiteral("liftoff_height"), code, WorkerTask::SetLiftOff);
}

bool SetSensorFlag(EditHost& host, int32_t flag)
{
    return StoreAndQueue(host, QStringLiteral("sensor_flag"), flag, WorkerTask::SetSensorOption);
}

bool SetScroll(EditHost& host, int32_t scroll)
{
    return StoreAndQueue(host, QStringLiteral("scroll_flag"), scroll, WorkerTask::SetScrollOption);
}

int32_t SetResponseTime(EditHost& host, const QString& typed, Send send)
{
    const int32_t value = PerformanceRules::ClampResponseTime(typed);
    if (!host.SetConfig(QStringLiteral("button_respondtime"), value))
        return -1;
    if (send == Send::Now)
        host.QueueTask(WorkerTask::SetResponseTime);
    return value;
}

bool SetDeepSleep(EditHost& host, int32_t seconds)
{
    return StoreAndQueue(host, QStringLiteral("deep_sleep"), seconds, WorkerTask::SetSleepTimes);
}

HighSpeed SetHighSpeed(EditHost& host, bool on)
{
    if (host.CurrentConnectionMode() == 0)
        return HighSpeed::LockedOnCable;
    return StoreAndQueue(host, QStringLiteral("highspeed_mode"), on ? 1 : 0, WorkerTask::SetHighSpeed)
        ? HighSpeed::Stored
        : HighSpeed::NotStored;
}

} // namespace PerformanceEdits

namespace ButtonEdits {

bool Assign(EditHost& host, const KeyAssignment& assignment)
{
    // A row with both values 0 is removed rather than written, which the
    // store reports as no row: that is the edit asked for, not a failure.
    const bool removes = assignment.macro_value == 0 && assignment.macro_value2 == 0;
    if (host.Store().SetKeyAssignment(assignment) <= 0 && !removes) {
        host.StoreWriteFailed();
        return false;
    }
    host.QueueTask(WorkerTask::ButtonMap);
    return true;
}

} // namespace ButtonEdits

namespace ProfileEdits {

bool ResetForFactory(SettingsStore& store, int32_t profile)
{
    const auto lock = store.Lock();
    const bool buttons = store.DeleteKeyAssignments(profile);
    const bool config = store.ResetConfig(profile);
    return buttons && config;
}

ExchangeModel ExchangeModelOf(int32_t deviceType, const DeviceDescription& description)
{
    ExchangeModel model;
    model.deviceType = deviceType;
    model.lighting = description.Lighting();
    const std::vector<KeyAssignment>& keys = description.DefaultKeys();
    for (size_t i = 1; i < keys.size(); ++i)
        model.buttons.push_back(keys[i].key_code);
    return model;
}

} // namespace ProfileEdits
