#include "ctl/DeviceInventory.h"

#include "hid/DeviceInformationQuery.h"
#include "hid/HidDeviceList.h"
#include "hid/MouseProtocol.h"
#include "hid/StatusReply.h"

#include <algorithm>
#include <optional>

namespace {

ModelInventory* FindModel(Inventory& inventory, int32_t deviceType)
{
    for (ModelInventory& model : inventory.models) {
        if (model.model.deviceType == deviceType)
            return &model;
    }
    return nullptr;
}

// Asks the transport's current device of the model what the worker's read
// asks first: its status, then the receiver's version.
void ReadCurrentDevice(
    HidDeviceList& hid, ConnectionEntry& entry, int32_t retryMs, const std::function<void(int32_t ms)>& sleep)
{
    const DeviceInformationReply query = QueryDeviceInformation(hid, kDeviceInformationAttempts, retryMs, sleep);
    const HidInputBuffer& reply = query.reply;
    const std::optional<DeviceStatus> status = DecodeDeviceStatus(reply);
    if (!query.answered || !status || !status->HasAnyVersion()) {
        entry.state = ConnectionEntry::State::NoAnswer;
        return;
    }
    if (status->mouseReachable) {
        entry.state = ConnectionEntry::State::Online;
        entry.mouseFirmware = FirmwareVersionText(status->versionMajorMinor, status->versionPatch);
        entry.batteryLevel = status->batteryLevel;
        entry.batteryStatus = status->batteryStatus;
    } else {
        entry.state = ConnectionEntry::State::MouseAway;
        entry.batteryLevel = -1;
    }
    Report query07 = MouseProtocol::BuildQuery(Command::ReceiverInfo);
    HidInputBuffer receiver{};
    std::copy(query07.begin(), query07.end(), receiver.begin());
    if (hid.SendReport(receiver, HidReply::Wanted)) {
        if (const std::optional<QString> version = DecodeReceiverVersion(receiver))
            entry.receiverFirmware = *version;
    }
}

} // namespace

Inventory DeviceInventory::Gather(HidDeviceList& hid, const std::vector<ModelEntry>& models, Access access,
    int32_t retryMs, const std::function<void(int32_t ms)>& sleep)
{
    Inventory inventory;
    for (const ModelEntry& model : models)
        inventory.models.push_back({model, {}});

    if (access == Access::ListOnly) {
        inventory.windowRunning = true;
        for (const HidAttachedInterface& attached : hid.AttachedInterfaces()) {
            if (ModelInventory* model = FindModel(inventory, attached.devType)) {
                ConnectionEntry entry;
                entry.mode = attached.devMode;
                entry.state = ConnectionEntry::State::InUse;
                entry.path = attached.path;
                entry.release = attached.release;
                model->connections.push_back(entry);
            }
        }
        return inventory;
    }

    hid.Rebuild();
    hid.SetCurrentDevType(0);
    std::vector<HidDeviceRecord> records;
    hid.CopyDevices(records);
    for (const HidDeviceRecord& record : records) {
        // A record that did not answer its status query has lost its type.
        const int32_t type = record.devType != 0 ? record.devType
                                                 : hid.LookupDevType(record.vendorId, record.productId);
        ModelInventory* model = FindModel(inventory, type);
        if (!model)
            continue;
        ConnectionEntry entry;
        entry.mode = record.devMode;
        entry.state = ConnectionEntry::State::NoAnswer;
        entry.path = record.path;
        entry.product = record.product;
        entry.release = record.release;
        model->connections.push_back(entry);
    }
    for (const HidUnopenedInterface& unopened : hid.UnopenedInterfaces()) {
        // Gone between listing and opening: not attached any more.
        if (unopened.reason == DeviceAccess::Result::Missing)
            continue;
        ModelInventory* model = FindModel(inventory, unopened.devType);
        if (!model)
            continue;
        ConnectionEntry entry;
        entry.mode = unopened.devMode;
        entry.state = unopened.reason == DeviceAccess::Result::PermissionDenied
            ? ConnectionEntry::State::PermissionDenied
            : ConnectionEntry::State::OpenFailed;
        entry.path = unopened.path;
        entry.failure = unopened.message;
        model->connections.push_back(entry);
    }

    // Each model's commands go where the window's would: the cable when it is
    // attached, else the receiver when its mouse answered the enumeration.
    for (ModelInventory& model : inventory.models) {
        if (model.connections.empty())
            continue;
        hid.SetCurrentDevType(model.model.deviceType);
        const int32_t index = hid.GetCurrentDevice();
        const auto record = std::find_if(
            records.begin(), records.end(), [&](const HidDeviceRecord& r) { return r.index == index; });
        if (index < 0 || record == records.end())
            continue;
        for (ConnectionEntry& entry : model.connections) {
            if (entry.path == record->path && entry.state == ConnectionEntry::State::NoAnswer) {
                ReadCurrentDevice(hid, entry, retryMs, sleep);
                break;
            }
        }
    }
    // A receiver whose model's cable took the commands answered the
    // enumeration's status query, but whether its mouse is in reach was not asked.
    for (ModelInventory& model : inventory.models) {
        for (ConnectionEntry& entry : model.connections) {
            if (entry.state != ConnectionEntry::State::NoAnswer)
                continue;
            const auto record = std::find_if(
                records.begin(), records.end(), [&](const HidDeviceRecord& r) { return r.path == entry.path; });
            if (record != records.end() && record->connectionState == kHidConnected)
                entry.state = ConnectionEntry::State::Standby;
        }
    }
    hid.SetCurrentDevType(0);
    return inventory;
}
