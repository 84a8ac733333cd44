#include "devices/DeviceRegistry.h"

#include "devices/DevicesLog.h"
#include "devices/RegistryView.h"
#include "hid/HidDeviceList.h"
#include "hid/StatusReply.h"
#include "platform/DataFile.h"
#include "language/TextIds.h"
#include "platform/DeviceChangeSource.h"
#include "platform/UserSettings.h"
#include "store/SettingsStore.h"

#include <algorithm>

namespace {

const QString kDeviceTypeKey = QStringLiteral("DeviceType");

}

DeviceRegistry::DeviceRegistry(HidDeviceList& hid, SettingsStore& store, UserSettings& settings, RegistryView& view,
                               QString programFolder, QString dataFolder)
    : m_hid(hid)
    , m_store(store)
    , m_settings(settings)
    , m_view(view)
    , m_programFolder(std::move(programFolder))
    , m_dataFolder(std::move(dataFolder))
{
}

DeviceRegistry::~DeviceRegistry() = default;

bool DeviceRegistry::Start()
{
    const bool configured = LoadConfiguration();
    LoadDescription();
    if (!RegisterDeviceNotifications())
        DevicesDebugLine(QStringLiteral("no source of device changes: plugging is noticed only by a refresh"));
    return configured;
}

bool DeviceRegistry::LoadConfiguration()
{
    std::lock_guard lock(m_mutex);
    const bool loaded = m_config.Load(AppConfig::FilePath(m_programFolder), &m_hid);
    m_view.ClearDeviceList();
    for (const ModelEntry& model : m_config.Models())
        m_view.AddDeviceItem(model.deviceType, model.name, model.imagePath);
    m_view.ShowVersionLabel(m_config.VersionLabel());
    return loaded;
}

void DeviceRegistry::LoadDescription()
{
    std::lock_guard lock(m_mutex);
    const int32_t stored = m_settings.ReadInt(kDeviceTypeKey);
    LoadDescriptionLocked(DeviceDescription::ResolveDeviceType(stored, m_config.Models()));
}

void DeviceRegistry::LoadDescriptionLocked(int32_t deviceType)
{
    m_description.SelectModel(deviceType, m_config.Models());
    m_state.deviceType = deviceType;
    m_modelChosen = true;

    const QString attr = m_description.DeviceAttr();
    if (attr.isEmpty()) {
        // Only without any model: a database under an empty name would be a
        // stray file that no model ever opens again.
        m_store.CloseDatabase();
        DevicesDebugLine(QStringLiteral("no model has device type %1: no database").arg(deviceType));
    } else if (!DataFile::IsPlainName(attr)) {
        // "../../x" or "a/b" would put folders and a database outside the
        // data folder and read a description from anywhere.
        m_store.CloseDatabase();
        DevicesDebugLine(QStringLiteral("device_attr \"%1\" of device type %2 is no plain file name: "
                                        "no database, no description")
                .arg(attr)
                .arg(deviceType));
        return;
    } else if (!m_store.SelectDevice(m_dataFolder, attr)) {
        DevicesDebugLine(QStringLiteral("database of %1 cannot be opened").arg(attr));
    }

    if (!m_description.LoadFile(DeviceDescription::FilePath(m_programFolder, attr)))
        return; // the picture, markers and lighting of before stay
    const uint32_t sections = m_description.Sections();
    if (sections & DeviceDescription::kPictureSection)
        m_view.ShowMousePicture(m_description.PictureName());
    if (sections & DeviceDescription::kLightingSection)
        m_view.SetLightingTabVisible(m_description.Lighting());
    if (sections & DeviceDescription::kButtonSection)
        m_view.ShowMouseMarkers(m_description.Markers());
}

bool DeviceRegistry::HasModelLocked(int32_t deviceType) const
{
    return m_config.FindModel(deviceType) != nullptr;
}

void DeviceRegistry::RefreshConnectionState(Refresh kind)
{
    std::lock_guard refresh(m_refreshMutex);
    {
        std::lock_guard lock(m_mutex);
        if (m_state.flashing)
            return;
    }

    // The enumeration may wait seconds for a silent interface: no state lock.
    m_hid.Rebuild();

    std::lock_guard lock(m_mutex);
    if (m_state.flashing)
        return; // an update started meanwhile: it owns the devices now
    // Under the lock: a click setting the transport's type in between would
    // make the copy hold that model's records only.
    m_hid.SetCurrentDevType(0);
    std::vector<HidDeviceRecord> records;
    m_hid.CopyDevices(records);
    const std::vector<HidUnopenedInterface> unopened = m_hid.UnopenedInterfaces();
    m_state.accessDenied = std::any_of(unopened.begin(), unopened.end(), [](const HidUnopenedInterface& i) {
        return i.reason == DeviceAccess::Result::PermissionDenied;
    });
    // The current type, which a description load took from "DeviceType"
    // (resolved to a real model) and a click stored there. Taking it from the
    // registry rather than reading the file again keeps the list, the
    // transport and the open database on one model even when the settings
    // file cannot be written.
    const int32_t wanted = m_modelChosen
        ? m_state.deviceType
        : DeviceDescription::ResolveDeviceType(m_settings.ReadInt(kDeviceTypeKey), m_config.Models());
    m_hid.SetCurrentDevType(wanted);

    m_view.SetAllDeviceState(kItemOffline);
    for (const HidDeviceRecord& record : records) {
        m_view.SetDeviceState(record.devType, record.devMode, record.connectionState);
        m_view.SetDeviceVersion(record.devType, ReleaseVersionText(record.release));
        m_view.SetDeviceBattery(record.devType, record.batteryStatus, record.batteryLevel);
    }

    // What the list reads back: the type when an item has it, else no selection (0).
    const int32_t selected = HasModelLocked(wanted) ? wanted : 0;
    m_view.SelectDeviceItem(selected);
    const int32_t current = selected != 0 ? selected : wanted;
    m_state.deviceType = current;
    m_hid.SetCurrentDevType(current);
    if (kind == Refresh::Full && !m_settings.WriteInt(kDeviceTypeKey, current))
        DevicesDebugLine(QStringLiteral("DeviceType cannot be stored"));

    const bool closeTransient = kind == Refresh::Full;
    if (records.empty()) {
        m_state.devicesPresent = false;
        m_state.reachable = false;
        m_state.connectionMode = -1;
        m_view.SetDevicesPresent(false);
        m_view.ShowStatusText(TextIds::kStatusOffline);
        m_view.ShowView(RegistryView::View::Home);
        // A mouse kept from this user is told apart from no mouse at all:
        // the user can mend the first.
        m_view.ShowHomeContent(m_state.accessDenied ? RegistryView::HomeContent::AccessDenied
                                                    : RegistryView::HomeContent::NoDevice);
        if (closeTransient)
            m_view.CloseTransientWindows();
        return;
    }

    m_state.devicesPresent = true;
    m_view.SetDevicesPresent(true);
    const int32_t mode = m_hid.GetCurrentDevMode();
    if (mode == -1) {
        // Transient windows stay: the mouse may be back in a moment. The list
        // stays too: another model is plugged, and its item is the only way
        // the user can reach it.
        m_state.reachable = false;
        m_state.connectionMode = -1;
        m_view.ShowStatusText(TextIds::kStatusOffline);
        m_view.ShowView(RegistryView::View::Home);
        m_view.ShowHomeContent(RegistryView::HomeContent::DeviceList);
        return;
    }
    m_state.reachable = true;
    m_state.connectionMode = mode;
    m_view.ShowView(RegistryView::View::Home);
    m_view.ShowStatusText(mode == 0 ? TextIds::kStatusCable : TextIds::kStatusReceiver);
    m_view.ShowHomeContent(RegistryView::HomeContent::DeviceList);
    if (closeTransient)
        m_view.CloseTransientWindows();
}

void DeviceRegistry::SelectModel(int32_t deviceType)
{
    DevicesDebugLine(QStringLiteral("dev_type 11: %1").arg(deviceType));
    std::lock_guard lock(m_mutex);
    if (!HasModelLocked(deviceType)) {
        // Only an item's click selects a model; anything else would switch the
        // store to a database under an empty name.
        DevicesDebugLine(QStringLiteral("no model has device type %1: click ignored").arg(deviceType));
        return;
    }
    const bool changed = deviceType != m_state.deviceType;
    if (changed) {
        DevicesDebugLine(QStringLiteral("dev_type 22: %1").arg(deviceType));
        m_hid.SetCurrentDevType(deviceType);
        m_settings.WriteIntInBackground(kDeviceTypeKey, deviceType);
    }
    LoadDescriptionLocked(deviceType);
    m_view.ShowView(RegistryView::View::Device);
    // Queued only after the store switched to the new model's database:
    // the worker may take the task at once, and it reads that database.
    if (changed)
        m_view.QueueTask(WorkerTask::ModelSwitched);
}

bool DeviceRegistry::RegisterDeviceNotifications()
{
    auto source = std::make_unique<DeviceChangeSource>([this](const DeviceChange& change) { OnDeviceChange(change); });
    if (!source->Start(m_hid.OpenMonitorDescriptor()))
        return false;
    m_source = std::move(source);
    return true;
}

void DeviceRegistry::OnDeviceChange(const DeviceChange& change)
{
    const QString path = change.path.toUpper();
    if (change.event == DeviceChangeEvent::Arrival) {
        // Read outside the state lock: it enumerates the transport.
        const std::optional<HidCapabilities> caps = m_hid.QueryCapabilities(path);
        if (!caps || caps->usagePage != HidDeviceList::kCommandUsagePage || caps->usage != HidDeviceList::kCommandUsage)
            return;
        std::lock_guard lock(m_mutex);
        for (const ModelEntry& entry : m_config.Modes()) {
            // Tied to the entry of its own identity, so the mode recorded is
            // the plugged device's and not the first unplugged entry's.
            if (entry.vendorId != caps->vendorId || entry.productId != caps->productId)
                continue;
            if (m_hid.FindDevice(entry.vendorId, entry.productId, entry.mode) != -1)
                continue;
            m_state.mode = entry.mode;
            m_view.QueueTask(WorkerTask::DeviceArrived);
            m_view.CloseTransientWindows();
            return;
        }
        return;
    }

    std::lock_guard lock(m_mutex);
    // A device this user could not open has no record, but its leaving must
    // still take the home page's word about it away.
    if (!m_state.devicesPresent && !m_state.accessDenied)
        return;
    for (const ModelEntry& entry : m_config.Modes()) {
        if (entry.interfacePattern.isEmpty() || !path.contains(entry.interfacePattern.toUpper()))
            continue;
        if (m_hid.FindDevice(entry.vendorId, entry.productId, entry.mode) == -1 && !m_state.accessDenied)
            continue;
        m_state.mode = entry.mode;
        m_view.QueueTask(WorkerTask::DeviceRemoved);
        m_view.CloseTransientWindows();
        return;
    }
}

void DeviceRegistry::DeviceConnectState(int32_t connectionKind)
{
    std::lock_guard lock(m_mutex);
    // The status's connection kind is not a mode: 3 is the cable.
    int32_t mode = m_state.mode;
    if (connectionKind == kConnectionKindMouse)
        mode = 0;
    else if (connectionKind != 0)
        mode = 1;
    DevicesDebugLine(QStringLiteral("DeviceConnectState dev_mode: %1, connect: %2").arg(mode).arg(0));
    m_state.reachable = false;
    m_state.connectionMode = -1;
    m_view.ShowStatusText(TextIds::kStatusOffline);
    m_view.ShowView(RegistryView::View::Home);
    m_view.ShowHomeContent(m_state.accessDenied ? RegistryView::HomeContent::AccessDenied
                                                : RegistryView::HomeContent::NoDevice);
    m_view.SetDeviceState(m_state.deviceType, mode, kItemNotConnected);
    // The worker asks the receivers where their mice are right after this
    // (PollWirelessStatus); closing the windows also stops a macro recording.
    m_view.CloseTransientWindows();
}

void DeviceRegistry::MouseAnswered(int32_t connectionKind)
{
    std::lock_guard lock(m_mutex);
    const int32_t mode = connectionKind == kConnectionKindMouse ? 0 : 1;
    if (m_state.reachable && m_state.connectionMode == mode)
        return;
    m_state.reachable = true;
    m_state.connectionMode = mode;
    m_view.ShowStatusText(mode == 0 ? TextIds::kStatusCable : TextIds::kStatusReceiver);
}

void DeviceRegistry::CloseTransientWindows()
{
    std::lock_guard lock(m_mutex);
    m_view.CloseTransientWindows();
}

bool DeviceRegistry::IsReachable() const
{
    std::lock_guard lock(m_mutex);
    return m_state.reachable;
}

void DeviceRegistry::ClearReachable()
{
    std::lock_guard lock(m_mutex);
    m_state.reachable = false;
    m_state.connectionMode = -1;
}

void DeviceRegistry::SetFlashing(bool flashing)
{
    std::lock_guard lock(m_mutex);
    m_state.flashing = flashing;
}

RegistryState DeviceRegistry::State() const
{
    std::lock_guard lock(m_mutex);
    return m_state;
}

std::vector<ModelEntry> DeviceRegistry::Models() const
{
    std::lock_guard lock(m_mutex);
    return m_config.Models();
}

std::vector<ModelEntry> DeviceRegistry::Modes() const
{
    std::lock_guard lock(m_mutex);
    return m_config.Modes();
}

QString DeviceRegistry::SoftwareVersion() const
{
    std::lock_guard lock(m_mutex);
    return m_config.SoftwareVersion();
}

DeviceDescription DeviceRegistry::Description() const
{
    std::lock_guard lock(m_mutex);
    return m_description;
}

std::vector<KeyAssignment> DeviceRegistry::DefaultKeys() const
{
    std::lock_guard lock(m_mutex);
    return m_description.DefaultKeys();
}
