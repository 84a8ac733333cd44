#include "ctl/CtlDirect.h"

#include "ctl/CtlCommand.h"
#include "ctl/CtlExitCode.h"
#include "ctl/CtlHost.h"
#include "ctl/CtlVocabulary.h"
#include "devices/DeviceDescription.h"
#include "hid/HidDeviceList.h"
#include "store/SettingsStore.h"

#include <QStringList>

#include <algorithm>
#include <functional>
#include <optional>

namespace {

// The worker's listeners: tarvoctl has no window to show anything in.
class QuietEvents : public ConnectionEvents, public DeviceEvents {
public:
    void RefreshConnectionState(Refresh) override {}
    void DeviceConnectState(int32_t) override { m_reachable = false; }
    void MouseAnswered(int32_t) override { m_reachable = true; }
    bool IsReachable() const override { return m_reachable; }
    void ClearReachable() override { m_reachable = false; }

    void ShowMouseVersion(const QString&) override {}
    void ShowReceiverVersion(const QString&) override {}
    void ShowBattery(int32_t, int32_t) override {}
    void ShowDeviceBattery(int32_t, int32_t, int32_t) override {}
    void ShowDpiLevel(int32_t) override {}
    void ShowProfile(int32_t, const QString&) override {}
    void ReloadPages(uint32_t) override {}
    void CloseWaitDialog() override {}
    void RestoreButtonDefaults() override {}
    void RestoreLighting() override {}
    void PlayTextRequest(int32_t, int32_t) override {}
    void RunUpdateTask(int32_t) override {}

private:
    bool m_reachable = false;
};

// The edits go to our store and their tasks into one batch for our worker.
class DirectHost : public CtlHost {
public:
    DirectHost(
        SettingsStore& store, DeviceWorker& worker, int32_t deviceType, int32_t mode, DeviceDescription description)
        : m_store(store)
        , m_worker(worker)
        , m_deviceType(deviceType)
        , m_mode(mode)
        , m_description(std::move(description))
    {}

    SettingsStore& Store() override { return m_store; }
    void QueueTask(WorkerTask task) override { m_tasks.push_back(task); }
    void SetPendingRestore(int32_t selector) override { m_worker.SetPendingRestore(selector); }
    int32_t CurrentProfile() const override { return m_worker.CurrentProfile(); }
    int32_t CurrentDeviceType() const override { return m_deviceType; }
    int32_t CurrentConnectionMode() const override { return m_mode; }
    void StoreWriteFailed() override {}
    bool SwitchProfile(int32_t profile) override
    {
        if (!m_store.SetActiveProfile(profile))
            return false;
        m_worker.SetCurrentProfile(profile);
        QueueTask(WorkerTask::WriteEverything);
        return true;
    }
    DeviceDescription Description() const override { return m_description; }

    std::vector<WorkerTask> m_tasks;

private:
    SettingsStore& m_store;
    DeviceWorker& m_worker;
    int32_t m_deviceType;
    int32_t m_mode;
    DeviceDescription m_description;
};

CtlOutcome Failed(int code, const QString& error)
{
    CtlOutcome outcome;
    outcome.code = code;
    outcome.error = error;
    return outcome;
}

} // namespace

const ModelEntry* CtlDirect::FindModel(const std::vector<ModelEntry>& models, const QString& name)
{
    // Names first: "heron" is the model named Heron even where another
    // model's description stem is "heron".
    const QString slug = CtlVocabulary::Slug(name);
    const std::function<bool(const ModelEntry&)> tests[] = {
        [&](const ModelEntry& model) { return slug == CtlVocabulary::Slug(model.name); },
        [&](const ModelEntry& model) { return name == QString::number(model.deviceType); },
        [&](const ModelEntry& model) { return slug == CtlVocabulary::Slug(model.deviceAttr); },
    };
    for (const auto& test : tests) {
        for (const ModelEntry& model : models) {
            if (test(model))
                return &model;
        }
    }
    return nullptr;
}

QString CtlDirect::ModelNames(const std::vector<ModelEntry>& models)
{
    QStringList names;
    for (const ModelEntry& model : models)
        names << CtlVocabulary::Slug(model.name);
    return names.join(QStringLiteral(", "));
}

CtlOutcome CtlDirect::Run(const CtlCommand& command, const Setup& setup)
{
    HidDeviceList& hid = *setup.hid;
    const ModelEntry* wanted = nullptr;
    if (!command.model.isEmpty()) {
        wanted = FindModel(setup.models, command.model);
        if (!wanted)
            return Failed(kCtlBadArguments,
                QStringLiteral("unknown model \"%1\" (one of %2)").arg(command.model, ModelNames(setup.models)));
    }

    hid.Rebuild();
    hid.SetCurrentDevType(0);
    std::vector<HidDeviceRecord> records;
    hid.CopyDevices(records);
    auto attached = [&](const ModelEntry& model) {
        return std::any_of(records.begin(), records.end(), [&](const HidDeviceRecord& r) {
            const int32_t type = r.devType != 0 ? r.devType : hid.LookupDevType(r.vendorId, r.productId);
            return type == model.deviceType;
        });
    };
    auto denied = [&](const ModelEntry* model) {
        for (const HidUnopenedInterface& unopened : hid.UnopenedInterfaces()) {
            if (unopened.reason != DeviceAccess::Result::Missing && (!model || unopened.devType == model->deviceType))
                return QStringLiteral("%1 is attached but cannot be opened (%2): %3")
                    .arg(unopened.path, unopened.message,
                        unopened.reason == DeviceAccess::Result::PermissionDenied
                            ? QStringLiteral("install the udev rule 70-tarvo.rules and plug it in again")
                            : QStringLiteral("is another program using it?"));
        }
        return QString();
    };

    if (!wanted) {
        std::vector<const ModelEntry*> found;
        for (const ModelEntry& model : setup.models) {
            if (attached(model))
                found.push_back(&model);
        }
        if (found.size() > 1) {
            QStringList names;
            for (const ModelEntry* model : found)
                names << CtlVocabulary::Slug(model->name);
            return Failed(kCtlBadArguments,
                QStringLiteral("several mice are attached (%1): choose one with --model")
                    .arg(names.join(QStringLiteral(", "))));
        }
        if (found.empty()) {
            const QString problem = denied(nullptr);
            return problem.isEmpty() ? Failed(kCtlNoDevice, QStringLiteral("no mouse or receiver of ours is attached"))
                                     : Failed(kCtlDeviceError, problem);
        }
        wanted = found.front();
    } else if (!attached(*wanted)) {
        const QString problem = denied(wanted);
        return problem.isEmpty() ? Failed(kCtlNoDevice, QStringLiteral("%1 is not attached").arg(wanted->name))
                                 : Failed(kCtlDeviceError, problem);
    }

    hid.SetCurrentDevType(wanted->deviceType);
    SettingsStore store;
    if (!store.OpenForDevice(setup.dataFolder, wanted->deviceAttr))
        return Failed(kCtlDeviceError,
            QStringLiteral("the settings of %1 cannot be opened (%2)")
                .arg(wanted->name, SettingsStore::DatabaseFilePath(setup.dataFolder, wanted->deviceAttr)));
    // The read below makes profiles for a mouse never seen; those are not
    // settings anybody stored.
    std::vector<NamedEntry> profiles;
    const bool storedBefore = store.ListProfiles(profiles) > 0;

    const int32_t mode = hid.GetCurrentDevMode();
    QuietEvents events;
    DeviceWorker worker(hid, store, events, events, setup.timings);
    // The window's first read: the profiles loaded and the mouse's own values
    // stored. Without a mouse behind the receiver there is nothing to read.
    if (mode != -1)
        worker.RunTask(TaskCode(WorkerTask::ReadMouse));
    const bool answered = mode != -1 && worker.IsLoaded();
    if (!answered && (command.kind != CtlCommand::Kind::Show || !storedBefore)) {
        const QString stored = command.kind == CtlCommand::Kind::Show ? QStringLiteral("; nothing is stored for it yet")
                                                                      : QString();
        if (mode == -1)
            return Failed(kCtlDeviceError,
                QStringLiteral("%1: the receiver is attached but its mouse does not answer (off, asleep or out of "
                               "reach)%2")
                    .arg(wanted->name, stored));
        return Failed(kCtlDeviceError, QStringLiteral("%1 did not answer%2").arg(wanted->name, stored));
    }
    // What the read queued after itself (the update check, the macro upload)
    // is the window's business at start-up, not this command's.
    worker.Tasks().Clear();

    DeviceDescription description;
    description.SelectModel(wanted->deviceType, setup.models);
    if (!description.LoadFile(DeviceDescription::FilePath(setup.programFolder, wanted->deviceAttr)))
        return Failed(kCtlCannotRun,
            QStringLiteral("the description of %1 is missing or broken (%2)")
                .arg(wanted->name, DeviceDescription::FilePath(setup.programFolder, wanted->deviceAttr)));
    if (!answered) {
        // The store is what was set; the profile it holds as active is the
        // one the mouse was last sent.
        int32_t profile = worker.CurrentProfile() > 0 ? worker.CurrentProfile() : store.GetActiveProfile();
        if (profile < 1)
            profile = profiles.front().id;
        worker.SetCurrentProfile(profile);
        DirectHost host(store, worker, wanted->deviceType, mode, description);
        return CtlEdits::ShowStored(host, wanted->name);
    }
    DirectHost host(store, worker, wanted->deviceType, mode, description);
    CtlOutcome outcome = CtlEdits::Apply(command, host, wanted->name);
    if (outcome.code != kCtlOk || host.m_tasks.empty())
        return outcome;

    std::optional<DeviceWorker::BatchOutcome> sent;
    worker.QueueBatch(host.m_tasks, [&](DeviceWorker::BatchOutcome result) { sent = result; });
    worker.RunPass();
    if (sent != DeviceWorker::BatchOutcome::Acknowledged) {
        outcome.code = kCtlDeviceError;
        outcome.error = QStringLiteral("%1 did not acknowledge the change; it is stored and goes to the mouse the "
                                       "next time Tarvo writes to it")
                            .arg(wanted->name);
    }
    return outcome;
}
