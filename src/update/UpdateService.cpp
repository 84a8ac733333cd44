#include "update/UpdateService.h"

#include "update/Unzip.h"
#include "update/UpdateLog.h"
#include "update/UpdateVersion.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

constexpr int32_t kHttpNotFound = 404;

QString WithSlash(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

// The hex digest at the start of a checksum file ("<hex>  <name>" as
// sha256sum writes it, or the digest alone); empty when there is none.
QByteArray DigestOf(const QByteArray& body)
{
    static const QRegularExpression kDigest(QStringLiteral("^\\s*([0-9A-Fa-f]{64})(\\s|$)"));
    const QRegularExpressionMatch match = kDigest.match(QString::fromLatin1(body));
    return match.hasMatch() ? match.captured(1).toLatin1().toLower() : QByteArray();
}

QByteArray FileDigest(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return {};
    return hash.result().toHex();
}

} // namespace

UpdateService::UpdateService(UpdateReport& report, QString tempFolder)
    : m_report(report)
    , m_tempFolder(WithSlash(tempFolder))
{}

void UpdateService::SetServerBase(const QString& base)
{
    std::lock_guard lock(m_mutex);
    m_base = base;
}

QString UpdateService::ServerBase() const
{
    std::lock_guard lock(m_mutex);
    return m_base;
}

void UpdateService::SetChannel(UpdateUrls::Channel channel)
{
    std::lock_guard lock(m_mutex);
    m_channel = channel;
}

void UpdateService::SetLimits(const UpdateLimits& limits)
{
    std::lock_guard lock(m_mutex);
    m_limits = limits;
}

QString UpdateService::OfferedSoftwareVersion() const
{
    std::lock_guard lock(m_mutex);
    return m_offeredSoftware;
}

QString UpdateService::OfferedVersion(FlashTarget target) const
{
    std::lock_guard lock(m_mutex);
    return target == FlashTarget::Mouse ? m_offeredMouse : m_offeredReceiver;
}

QString UpdateService::PackagePath(FlashTarget target) const
{
    std::lock_guard lock(m_mutex);
    return target == FlashTarget::Mouse ? m_mousePackage : m_receiverPackage;
}

int32_t UpdateService::SoftwareCheckState() const
{
    std::lock_guard lock(m_mutex);
    return m_softwareState;
}

int32_t UpdateService::FirmwareCheckState() const
{
    std::lock_guard lock(m_mutex);
    return m_firmwareState;
}

bool UpdateService::PreparePrivateFolder(const QString& path)
{
    // Without a trailing "/", or a link would be looked at through itself.
    const QString folder = QDir::cleanPath(path);
    const QFileInfo info(folder);
    if (info.isSymLink())
        return false;
    if (!info.exists() && !QDir().mkpath(folder))
        return false;
    if (!QFileInfo(folder).isDir())
        return false;
    // Packages are unpacked and flashed from here: no other user may put a
    // file in between.
    return QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

std::shared_ptr<DownloadJob> UpdateService::PrepareDownload(FlashTarget target)
{
    auto job = std::make_shared<DownloadJob>();
    job->target = target;
    std::lock_guard lock(m_mutex);
    if (m_prepared)
        m_prepared->transfer.cancel = true;
    m_prepared = job;
    return job;
}

std::shared_ptr<DownloadJob> UpdateService::TakeJob(FlashTarget target)
{
    std::lock_guard lock(m_mutex);
    std::shared_ptr<DownloadJob> job;
    if (m_prepared && m_prepared->target == target) {
        job = std::move(m_prepared);
    } else {
        if (m_prepared) {
            // Prepared for the other firmware: whoever waits on it learns it never ran.
            m_prepared->result = Http::kCancelled;
            m_prepared->state = DownloadJob::kFinished;
        }
        job = std::make_shared<DownloadJob>();
    }
    job->target = target;
    m_prepared.reset();
    m_running = job;
    return job;
}

int32_t UpdateService::FetchSmall(
    const QString& url, QByteArray& body, const Http::Limits& limits, Http::Status* status)
{
    Http::Transfer transfer;
    transfer.abandon = &m_stopping;
    return Http::FetchText(url, body, limits, &transfer, status);
}

void UpdateService::CancelTransfers()
{
    m_stopping = true;
    std::lock_guard lock(m_mutex);
    for (const auto& job : {m_prepared, m_running}) {
        if (job)
            job->transfer.cancel = true;
    }
}

void UpdateService::RunTask(int32_t code)
{
    switch (code) {
    case TaskCode(WorkerTask::SoftwareCheck): {
        const UpdateContext context = m_report.CurrentContext();
        QString offered;
        if (CheckSoftware(context.softwareVersion, offered) == kCheckNewer)
            m_report.PostUpdateResult(kSubjectSoftware, kOutcomeNewer);
        break;
    }
    case TaskCode(WorkerTask::MouseFirmwareCheckAsked):
        CheckMouseFirmwareUpgrade(true);
        break;
    case TaskCode(WorkerTask::ReceiverFirmwareCheckAsked):
        Check24GFirmwareUpgrade(true);
        break;
    case TaskCode(WorkerTask::MouseFirmwareCheck):
        CheckMouseFirmwareUpgrade(false);
        break;
    case TaskCode(WorkerTask::ReceiverFirmwareCheck):
        Check24GFirmwareUpgrade(false);
        break;
    case TaskCode(WorkerTask::DownloadSoftware):
        // On Windows the setup is downloaded here and started. On Linux Tarvo
        // is installed and updated by the system's package manager and never
        // runs a downloaded program: the window tells the user so.
        m_report.PostUpdateResult(kSubjectSoftware, kOutcomeReady);
        break;
    case TaskCode(WorkerTask::DownloadMouseFirmware):
        DownloadFirmware(FlashTarget::Mouse);
        break;
    case TaskCode(WorkerTask::DownloadReceiverFirmware):
        DownloadFirmware(FlashTarget::Receiver);
        break;
    default:
        break;
    }
}

int32_t UpdateService::CheckSoftware(const QString& currentVersion, QString& offered)
{
    offered.clear();
    QString folder;
    Http::Limits limits;
    {
        std::lock_guard lock(m_mutex);
        m_offeredSoftware.clear();
        folder = UpdateUrls::SoftwareFolder(m_base, m_channel);
        limits = m_limits.versionFile;
    }
    if (folder.isEmpty())
        return 0;
    QByteArray body;
    if (FetchSmall(UpdateUrls::SoftwareVersionUrl(folder), body, limits) != Http::kOk)
        return 0;
    const std::optional<QString> version = AcceptVersionText(QString::fromUtf8(body), kSoftwareVersionMaxLength);
    if (!version)
        return 0;
    offered = *version;
    const bool newer = CompareVersion(currentVersion, offered) >= kVersionNewer;
    std::lock_guard lock(m_mutex);
    m_offeredSoftware = offered;
    m_softwareState = newer ? kCheckNewer : kCheckNotNewer;
    return m_softwareState;
}

QString UpdateService::FirmwareFolder(const UpdateContext& context) const
{
    std::lock_guard lock(m_mutex);
    return UpdateUrls::FirmwareFolder(m_base, context.firmwareModelCode, m_channel);
}

void UpdateService::CheckMouseFirmwareUpgrade(bool asked)
{
    CheckFirmware(FlashTarget::Mouse, asked);
}

void UpdateService::Check24GFirmwareUpgrade(bool asked)
{
    CheckFirmware(FlashTarget::Receiver, asked);
}

void UpdateService::CheckFirmware(FlashTarget target, bool asked)
{
    const UpdateContext context = m_report.CurrentContext();
    const QString folder = FirmwareFolder(context);
    if (folder.isEmpty())
        return;
    const bool mouse = target == FlashTarget::Mouse;
    Http::Limits limits;
    {
        std::lock_guard lock(m_mutex);
        (mouse ? m_offeredMouse : m_offeredReceiver).clear();
        limits = m_limits.versionFile;
    }
    const QString url = mouse ? UpdateUrls::MouseVersionUrl(folder) : UpdateUrls::ReceiverVersionUrl(folder);
    QByteArray body;
    if (FetchSmall(url, body, limits) != Http::kOk)
        return;
    const std::optional<QString> offered = AcceptVersionText(QString::fromUtf8(body), kFirmwareVersionMaxLength);
    if (!offered)
        return;
    {
        std::lock_guard lock(m_mutex);
        (mouse ? m_offeredMouse : m_offeredReceiver) = *offered;
    }
    // No version to compare with (no receiver answered, or the mouse was never
    // read): every offer would look newer and ask about firmware the user
    // does not have.
    const QString current = mouse ? context.mouseVersion : context.receiverVersion;
    if (current.isEmpty()) {
        UpdateDebugLine(QStringLiteral("%1 firmware check: no current version to compare with")
                            .arg(mouse ? QStringLiteral("mouse") : QStringLiteral("receiver")));
        return;
    }
    const bool newer = CompareVersion(current, *offered) >= kVersionNewer;
    {
        std::lock_guard lock(m_mutex);
        m_firmwareState = newer ? kCheckNewer : kCheckNotNewer;
    }
    const int32_t subject = mouse ? kSubjectMouse : kSubjectReceiver;
    if (newer) {
        m_report.PostUpdateResult(subject, asked ? kOutcomeManualNewer : kOutcomeNewer);
    } else if (asked) {
        m_report.PostUpdateResult(subject, kOutcomeNotNewer);
    } else if (!mouse) {
        // The receiver needs nothing: the mouse may.
        m_report.QueueTask(TaskCode(WorkerTask::MouseFirmwareCheck));
    }
}

bool UpdateService::VerifyChecksum(const QString& packageUrl, const QString& file, DownloadJob& job)
{
    Http::Limits limits;
    {
        std::lock_guard lock(m_mutex);
        limits = m_limits.checksumFile;
    }
    QByteArray body;
    Http::Status status;
    // Its own progress (the dialog keeps showing the package's), the package's cancel.
    Http::Transfer transfer;
    transfer.abandon = &job.transfer.cancel;
    const int32_t result = Http::FetchText(UpdateUrls::ChecksumUrl(packageUrl), body, limits, &transfer, &status);
    if (result == Http::kCancelled) {
        job.result = Http::kCancelled;
        return false;
    }
    if (result != Http::kOk) {
        // Only a server that says it has no checksum lets the package through
        // unchecked; any other failure may hide a tampered one.
        if (status.httpStatus == kHttpNotFound)
            return true;
        UpdateDebugLine(QStringLiteral("checksum of %1 cannot be fetched: package refused").arg(packageUrl));
        return false;
    }
    const QByteArray expected = DigestOf(body);
    const QByteArray actual = FileDigest(file);
    if (expected.isEmpty() || actual != expected) {
        UpdateDebugLine(QStringLiteral("checksum of %1 does not match: package refused").arg(packageUrl));
        return false;
    }
    return true;
}

void UpdateService::DownloadFirmware(FlashTarget target)
{
    const std::shared_ptr<DownloadJob> job = TakeJob(target);
    job->transfer.abandon = &m_stopping;
    job->state = DownloadJob::kRunning;
    job->result = Http::kFailed;
    auto finish = [this, &job](int32_t result) {
        job->result = result;
        job->state = DownloadJob::kFinished;
        std::lock_guard lock(m_mutex);
        if (m_running == job)
            m_running.reset();
    };
    if (job->transfer.cancel || m_stopping) {
        finish(Http::kCancelled);
        return;
    }
    const bool mouse = target == FlashTarget::Mouse;
    const UpdateContext context = m_report.CurrentContext();
    const QString folder = FirmwareFolder(context);
    QString version;
    Http::Limits limits;
    {
        std::lock_guard lock(m_mutex);
        version = mouse ? m_offeredMouse : m_offeredReceiver;
        (mouse ? m_mousePackage : m_receiverPackage).clear();
        limits = m_limits.package;
    }
    if (folder.isEmpty() || version.isEmpty() || !PreparePrivateFolder(m_tempFolder)) {
        UpdateDebugLine(
            QStringLiteral("download not started: no address, no offered version or no private temp folder"));
        finish(Http::kFailed);
        return;
    }
    const QString packageName = mouse ? UpdateUrls::MousePackageName(version)
                                      : UpdateUrls::ReceiverPackageName(version);
    const QString url = UpdateUrls::PackageUrl(folder, packageName);
    const QString local = m_tempFolder + packageName;

    const int32_t fetched = Http::FetchFile(url, local, limits, &job->transfer);
    if (fetched != Http::kOk) {
        finish(fetched);
        return;
    }
    if (!VerifyChecksum(url, local, *job)) {
        QFile::remove(local);
        finish(job->result == Http::kCancelled ? Http::kCancelled : Http::kFailed);
        return;
    }
    QString reason;
    const Unzip::ExtractStatus extracted = Unzip::ExtractArchive(local, m_tempFolder, &reason);
    if (extracted != Unzip::ExtractStatus::CannotOpen)
        QFile::remove(local);
    if (extracted != Unzip::ExtractStatus::Extracted) {
        UpdateDebugLine(QStringLiteral("package %1 not unpacked: %2").arg(packageName, reason));
        finish(Http::kFailed);
        return;
    }
    const QString firmware = m_tempFolder
        + (mouse ? UpdateUrls::MouseFirmwareName(version) : UpdateUrls::ReceiverFirmwareName(version));
    if (!QFileInfo(firmware).isFile()) {
        UpdateDebugLine(QStringLiteral("package %1 holds no %2").arg(packageName, QFileInfo(firmware).fileName()));
        finish(Http::kFailed);
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        (mouse ? m_mousePackage : m_receiverPackage) = firmware;
    }
    finish(Http::kOk);
    m_report.PostUpdateResult(mouse ? kSubjectMouse : kSubjectReceiver, kOutcomeReady);
}
