#pragma once

#include <cstdint>

// The codes of the device worker's tasks: appended by the interface thread (the
// pages, the registry, the dialogs) and run one at a time by the worker. Codes
// not listed (8, 18, 19, 22, above 30 but the pairing pair) are consumed and
// do nothing. The numbers travel through the task queue as int32_t.
enum class WorkerTask : int32_t {
    ReadMouse = 1, // first read, once per loaded model
    DeviceArrived = 2, // settle 1000 ms, refresh, read, then as ReadMouse
    DeviceRemoved = 3, // settle 500 ms, refresh, read
    ModelSwitched = 4, // read the newly selected model, end the wait dialog
    WriteEverything = 5, // reload the pages and send every setting and the button map
    UploadMacros = 6,
    ButtonMap = 7,
    LightingOnly = 9, // lighting lives in the store only: nothing is sent
    SetDpi = 10,
    SetReportRate = 11,
    SetSensorOption = 12,
    SetResponseTime = 13,
    SetScrollOption = 14,
    SetLiftOff = 15,
    SetHighSpeed = 16,
    SetSleepTimes = 17,
    RestorePending = 20, // the restore chosen by the pending-restore selector
    FactoryReset = 21,
    SoftwareCheck = 23,
    MouseFirmwareCheckAsked = 24,
    ReceiverFirmwareCheckAsked = 25,
    MouseFirmwareCheck = 26, // reported only when newer
    ReceiverFirmwareCheck = 27, // reported only when newer
    DownloadSoftware = 28,
    DownloadMouseFirmware = 29,
    DownloadReceiverFirmware = 30,
    Batch = 40, // tasks queued together with a receipt (DeviceWorker::QueueBatch)
    PairingPoll = 100, // the pairing dialog's worker: a receiver interface arrived
    StartPairing = 200, // the pairing dialog's worker: start pairing mode
};

constexpr int32_t TaskCode(WorkerTask task)
{
    return static_cast<int32_t>(task);
}

// The range of the setting tasks, each one report built from the store.
constexpr WorkerTask kFirstSettingTask = WorkerTask::SetDpi;
constexpr WorkerTask kLastSettingTask = WorkerTask::SetSleepTimes;
// The range of the update tasks, which the window runs on the worker thread.
constexpr WorkerTask kFirstUpdateTask = WorkerTask::SoftwareCheck;
constexpr WorkerTask kLastUpdateTask = WorkerTask::DownloadReceiverFirmware;
