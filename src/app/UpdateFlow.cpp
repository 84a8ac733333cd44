#include "app/UpdateFlow.h"

#include "app/CUIMessageBox.h"
#include "app/DeviceMainDlg.h"
#include "app/DownloadDlg.h"
#include "app/SettingDlg.h"
#include "app/StateProbe.h"
#include "app/UpgradeDlg.h"
#include "devices/DeviceRegistry.h"
#include "hid/DeviceWorker.h"
#include "hid/HidDeviceList.h"
#include "language/InterfaceText.h"
#include "language/TextIds.h"
#include "update/UpdateLog.h"
#include "update/UpdateUrls.h"
#include "widgets/MControlFont.h"
#include "widgets/WindowRegistry.h"

#include <QFileInfo>

namespace {

QString Text(int id)
{
    return InterfaceText::Get(id);
}

// One pass of a function on a thread of its own.
class OnePass : public CThreadBasic {
public:
    explicit OnePass(std::function<void()> pass)
        : m_pass(std::move(pass))
    {}
    ~OnePass() override { StopAndJoin(); }

protected:
    void Run() override { m_pass(); }

private:
    std::function<void()> m_pass;
};

// The settings dialog's check runs its pass after this pause, as its worker would.
constexpr int32_t kSettingsCheckIntervalMs = 100;
constexpr int kVersionWordInSettings = 671;

// The receiver is reached by cable only when GetCurrentDevMode says 1.
constexpr int32_t kModeReceiver = 1;
constexpr int32_t kModeCable = 0;

} // namespace

UpdateFlow::UpdateFlow(Parts parts)
    : m_window(parts.window)
    , m_hid(parts.hid)
    , m_registry(parts.registry)
    , m_worker(parts.worker)
    , m_programFolder(parts.programFolder)
    , m_post(std::move(parts.post))
    , m_service(*this, parts.dataFolder + QStringLiteral("temp/"))
{}

UpdateFlow::~UpdateFlow()
{
    // A settings check still asking the server ends with its transfer.
    m_service.CancelTransfers();
    m_settingsCheck.reset();
}

void UpdateFlow::SetDebugChannel(bool debug)
{
    m_service.SetChannel(debug ? UpdateUrls::Channel::Debug : UpdateUrls::Channel::Release);
}

void UpdateFlow::SetUpdateBase(const QString& softwareVersion)
{
    {
        std::lock_guard lock(m_versionMutex);
        m_softwareVersion = softwareVersion;
    }
    const QString base = UpdateUrls::ServerBase();
    if (base.isEmpty())
        UpdateDebugLine(QStringLiteral("the update server's address is not https: no update checks"));
    m_service.SetServerBase(base);
    if (m_updatesEnabled)
        m_worker.Queue(TaskCode(WorkerTask::SoftwareCheck));
}

void UpdateFlow::RunTask(int32_t code)
{
    m_service.RunTask(code);
}

void UpdateFlow::CancelTransfers()
{
    m_service.CancelTransfers();
}

int32_t UpdateFlow::CheckSoftware(QString& offered)
{
    QString current;
    {
        std::lock_guard lock(m_versionMutex);
        current = m_softwareVersion;
    }
    return m_service.CheckSoftware(current, offered);
}

void UpdateFlow::CheckSoftwareFromSettings(WindowHandle dialog)
{
    if (m_settingsCheckBusy.exchange(true))
        return;
    m_settingsCheck.reset(); // the thread of an earlier check, which has ended
    m_settingsCheck = std::make_unique<OnePass>([this, dialog] {
        QString offered;
        const int32_t state = CheckSoftware(offered);
        // A dialog closed meanwhile takes no answer.
        WindowRegistry::PostCall(
            dialog, [this, dialog, state, offered] { OnSettingsCheckResult(dialog, state, offered); });
        m_settingsCheckBusy = false;
    });
    m_settingsCheck->Start(kSettingsCheckIntervalMs, CThreadBasic::Mode::Once);
}

void UpdateFlow::OnSettingsCheckResult(WindowHandle dialog, int32_t state, const QString& offered)
{
    auto* window = dynamic_cast<MDialog*>(MWindow::FromHandle(dialog));
    if (!window)
        return;
    if (state == kCheckNewer) {
        if (auto* label = dynamic_cast<MControlFont*>(window->GetControl(SettingDlg::kVersionLabel)))
            label->SetTitle(QStringLiteral("%1: v%2").arg(Text(kVersionWordInSettings), offered));
        // On Windows the setup is downloaded and started here with
        // administrator rights; on Linux the package manager brings it.
        if (Ask(TextIds::kSoftwareUpdate, offered, dialog))
            ShowSoftwareNotice(dialog, offered);
    } else if (state == kCheckNotNewer) {
        CUIMessageBox::Show(
            Text(TextIds::kLatestVersion), dialog, Text(TextIds::kSoftwareUpdate), CUIMessageBox::kStyleOk);
    }
}

UpdateContext UpdateFlow::CurrentContext()
{
    UpdateContext context;
    {
        std::lock_guard lock(m_versionMutex);
        context.softwareVersion = m_softwareVersion;
    }
    const HeldDeviceState held = m_worker.Held();
    context.mouseVersion = held.mouseVersion;
    context.receiverVersion = held.receiverVersion;
    context.firmwareModelCode = m_registry.Description().FirmwareModel();
    return context;
}

void UpdateFlow::PostUpdateResult(int32_t subject, int32_t outcome)
{
    if (m_post)
        m_post(subject, outcome);
}

void UpdateFlow::QueueTask(int32_t code)
{
    m_worker.Queue(code);
}

WindowHandle UpdateFlow::Parent() const
{
    return m_window.GetSafeHwnd();
}

int32_t UpdateFlow::CaptionOf(FlashTarget target)
{
    return target == FlashTarget::Mouse ? TextIds::kMouseFirmware : TextIds::kReceiverFirmware;
}

bool UpdateFlow::Ask(int32_t captionId, const QString& version, WindowHandle parent)
{
    const QString question
        = QStringLiteral("%1:v%2, %3").arg(Text(TextIds::kNewVersion), version, Text(TextIds::kUpdateNow));
    return CUIMessageBox::Show(question, parent ? parent : Parent(), Text(captionId), CUIMessageBox::kStyleYesNo)
        == kIdOk;
}

void UpdateFlow::Tell(int32_t captionId, const QString& message)
{
    CUIMessageBox::Show(message, Parent(), Text(captionId), CUIMessageBox::kStyleOk);
}

void UpdateFlow::ShowSoftwareNotice(WindowHandle parent, const QString& offered)
{
    const QString notice
        = QStringLiteral("%1: v%2. %3").arg(Text(TextIds::kNewVersion), offered, Text(TextIds::kUsePackageManager));
    CUIMessageBox::Show(notice, parent, Text(TextIds::kSoftwareUpdate), CUIMessageBox::kStyleOk);
}

void UpdateFlow::OnFirmwareButton(FlashTarget target)
{
    if (!m_updatesEnabled) {
        Tell(CaptionOf(target), Text(TextIds::kLatestVersion));
        return;
    }
    if (!m_worker.Tasks().IsEmpty())
        return;
    if (target == FlashTarget::Mouse)
        m_worker.Queue(TaskCode(WorkerTask::MouseFirmwareCheckAsked));
    else if (m_hid.GetCurrentDevMode() != kModeCable)
        m_worker.Queue(TaskCode(WorkerTask::ReceiverFirmwareCheckAsked));
}

void UpdateFlow::OnUpdateResult(uintptr_t subject, intptr_t outcome)
{
    StateProbe::Line(QStringLiteral("update result subject=%1 outcome=%2").arg(subject).arg(outcome));
    // A package that the user accepted and waited for is never dropped.
    if (outcome == kOutcomeReady) {
        OnPackageReady(int32_t(subject));
        return;
    }
    // Otherwise one question or message at a time.
    if (FindWindow(QStringLiteral("MWindow"), QStringLiteral("MessageBox")))
        return;
    switch (subject) {
    case kSubjectSoftware:
        if (m_askSoftware) {
            const bool yes = Ask(TextIds::kSoftwareUpdate, m_service.OfferedSoftwareVersion());
            m_askSoftware = false;
            if (yes)
                m_worker.Queue(TaskCode(WorkerTask::DownloadSoftware));
        }
        break;
    case kSubjectMouse:
        if (outcome == kOutcomeNewer) {
            if (!m_askMouse)
                break;
            if (Ask(TextIds::kMouseFirmware, m_service.OfferedVersion(FlashTarget::Mouse)))
                AcceptMouse();
            else
                m_askMouse = false;
        } else if (outcome == kOutcomeManualNewer) {
            if (Ask(TextIds::kMouseFirmware, m_service.OfferedVersion(FlashTarget::Mouse)))
                AcceptMouse();
        } else if (outcome == kOutcomeNotNewer) {
            Tell(TextIds::kMouseFirmware, Text(TextIds::kLatestVersion));
        }
        break;
    case kSubjectReceiver:
        if (outcome == kOutcomeNewer || outcome == kOutcomeManualNewer) {
            if (outcome == kOutcomeNewer) {
                if (!m_askReceiver)
                    break;
                m_askReceiver = false;
            }
            if (Ask(TextIds::kReceiverFirmware, m_service.OfferedVersion(FlashTarget::Receiver))) {
                m_downloadAccepted = true;
                StartDownload(FlashTarget::Receiver);
            } else {
                // The receiver stays as it is; the mouse may still need something.
                m_worker.Queue(TaskCode(WorkerTask::MouseFirmwareCheck));
            }
        } else if (outcome == kOutcomeNotNewer) {
            Tell(TextIds::kReceiverFirmware, Text(TextIds::kLatestVersion));
        }
        break;
    default:
        break;
    }
}

void UpdateFlow::AcceptMouse()
{
    // The mouse's firmware is flashed over its cable only.
    if (m_hid.GetCurrentDevMode() == kModeReceiver) {
        Tell(TextIds::kMouseFirmware, Text(TextIds::kConnectByCable));
        return;
    }
    m_downloadAccepted = true;
    m_askMouse = false;
    StartDownload(FlashTarget::Mouse);
}

void UpdateFlow::StartDownload(FlashTarget target)
{
    const std::shared_ptr<DownloadJob> job = m_service.PrepareDownload(target);
    m_worker.Queue(target == FlashTarget::Mouse ? TaskCode(WorkerTask::DownloadMouseFirmware)
                                                : TaskCode(WorkerTask::DownloadReceiverFirmware));
    m_pendingFlash.reset();
    DownloadDlg dialog(job, Text(CaptionOf(target)), m_service.OfferedVersion(target));
    m_downloadDlg = &dialog;
    const int32_t answer = dialog.Run(Parent());
    m_downloadDlg = nullptr;
    if (answer != kIdOk || job->result == Http::kCancelled) {
        // Cancelled: a package that still arrives is not flashed.
        job->transfer.cancel = true;
        m_downloadAccepted = false;
        m_pendingFlash.reset();
        return;
    }
    if (job->result != Http::kOk) {
        m_downloadAccepted = false;
        Tell(CaptionOf(target), Text(TextIds::kDownloadFailed));
        return;
    }
    // The package is ready; its message may have come while the dialog was open.
    if (const std::optional<FlashTarget> pending = std::exchange(m_pendingFlash, std::nullopt))
        Flash(*pending);
}

void UpdateFlow::OnPackageReady(int32_t subject)
{
    if (subject == kSubjectSoftware) {
        ShowSoftwareNotice(Parent(), m_service.OfferedSoftwareVersion());
        return;
    }
    if (subject != kSubjectMouse && subject != kSubjectReceiver)
        return;
    const FlashTarget target = subject == kSubjectMouse ? FlashTarget::Mouse : FlashTarget::Receiver;
    if (!m_downloadAccepted) {
        UpdateDebugLine(QStringLiteral("a firmware package nobody asked for (or cancelled) is not flashed"));
        return;
    }
    if (m_downloadDlg) {
        // Flashed once the download dialog is gone, not from inside its loop.
        m_pendingFlash = target;
        m_downloadDlg->DoOK();
        return;
    }
    Flash(target);
}

void UpdateFlow::Flash(FlashTarget target)
{
    if (m_flashing)
        return;
    const QString package = m_service.PackagePath(target);
    if (package.isEmpty() || !QFileInfo(package).isFile())
        return;
    m_downloadAccepted = false;
    m_flashing = true;
    // On Windows DFU_FAIL_DEL_REG.bat runs here first, with administrator
    // rights, to clear what a failed flash left in the driver registry.
    // Linux keeps no such state and has no counterpart: nothing runs.
    Tell(TextIds::kFirmwareUpgrade, Text(TextIds::kBeforeFlash));

    m_registry.SetFlashing(true);
    const int32_t deviceType = m_registry.State().deviceType;
    const std::optional<uint16_t> pid = FlashTable::ProductId(deviceType, target);
    std::optional<FlashResult> result;
    if (pid && m_hid.IsDevicePresent(*pid)) {
        if (const std::optional<FlashCommand> command = FlashTable::BuildCommand(
                m_programFolder, deviceType, target, package)) {
            UpgradeDlg dialog(*command, m_programFolder, m_flashLimits);
            dialog.Run(Parent());
            result = dialog.Result();
        }
    } else {
        UpdateDebugLine(QStringLiteral("no device %1 to flash").arg(pid ? *pid : 0, 4, 16, QLatin1Char('0')));
    }
    // A failure is told while refreshes are still held back: a refresh
    // closes open message boxes, and this one must be read.
    if (!result) {
        Tell(TextIds::kFirmwareUpgrade, Text(TextIds::kFlashFailed));
    } else if (result->outcome == FlashOutcome::StartFailed) {
        Tell(TextIds::kFirmwareUpgrade,
            QStringLiteral("%1 %2").arg(Text(TextIds::kUpgradeError)).arg(result->errorNumber));
    } else if (!result->Succeeded()) {
        Tell(TextIds::kFirmwareUpgrade, Text(TextIds::kFlashFailed));
    }
    m_registry.SetFlashing(false);
    m_flashing = false;

    // The device restarted during the flash, and the refreshes that saw it go
    // and come back were skipped: it is read again from scratch.
    if (result)
        m_worker.Queue(TaskCode(WorkerTask::DeviceArrived));
    if (target == FlashTarget::Receiver)
        m_worker.Queue(TaskCode(WorkerTask::MouseFirmwareCheck));
}
