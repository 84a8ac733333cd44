// The worker's update tasks against a local HTTPS server: which check posts
// what, and what a download leaves in the temp folder.
#include "update/UpdateService.h"
#include "UpdateServer.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <mutex>

namespace {

const QString kHeronFolder = QStringLiteral("firmware-upgrade/tarvo/heron/release/");

// The window's side, recorded.
class RecordingReport : public UpdateReport {
public:
    UpdateContext CurrentContext() override
    {
        std::lock_guard lock(m_mutex);
        return m_context;
    }
    void PostUpdateResult(int32_t subject, int32_t outcome) override
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back("post " + std::to_string(subject) + "," + std::to_string(outcome));
    }
    void QueueTask(int32_t code) override
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back("queue " + std::to_string(code));
    }
    std::vector<std::string> Take()
    {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_events, {});
    }
    void SetContext(UpdateContext context)
    {
        std::lock_guard lock(m_mutex);
        m_context = std::move(context);
    }

private:
    std::mutex m_mutex;
    UpdateContext m_context;
    std::vector<std::string> m_events;
};

UpdateLimits QuickLimits()
{
    UpdateLimits limits;
    for (Http::Limits* l : {&limits.versionFile, &limits.checksumFile, &limits.package}) {
        l->connectTimeoutMs = 2000;
        l->stallTimeoutMs = 1000;
    }
    return limits;
}

QStringList Tree(const QString& root)
{
    QStringList paths;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        paths << QDir(root).relativeFilePath(it.next());
    paths.sort();
    return paths;
}

class UpdateServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_served.isValid() && m_data.isValid());
        const TestCertificates* certificates = TestCertificates::Get();
        if (!certificates)
            GTEST_SKIP() << "openssl is not installed";
        qputenv("TARVO_UPDATE_CA", certificates->caFile.toLocal8Bit());
        ASSERT_TRUE(m_server.Start(m_served.path())) << "python3 https_server.py did not start";
        m_temp = m_data.path() + QStringLiteral("/Tarvo Files/temp/");
        m_service = std::make_unique<UpdateService>(m_report, m_temp);
        m_service->SetServerBase(m_server.Base());
        m_service->SetLimits(QuickLimits());
        m_report.SetContext(
            {QStringLiteral("1.0.10"), QStringLiteral("1.2.3"), QStringLiteral("1.0.5"), QStringLiteral("heron")});
    }
    void TearDown() override { qunsetenv("TARVO_UPDATE_CA"); }

    void Serve(const QString& path, const QByteArray& bytes)
    {
        ASSERT_TRUE(WriteServedFile(m_served.path(), path, bytes));
    }
    void ServePackage(const QString& zipName, const QByteArray& zip, const QByteArray& checksum = {})
    {
        Serve(kHeronFolder + zipName, zip);
        if (!checksum.isEmpty())
            Serve(kHeronFolder + zipName + QStringLiteral(".sha256"), checksum);
    }
    // An offered mouse version of 1.2.4, as the automatic check leaves it.
    void OfferMouse124()
    {
        Serve(kHeronFolder + QStringLiteral("mouse_version"), "1.2.4\n");
        m_service->RunTask(TaskCode(WorkerTask::MouseFirmwareCheck));
        ASSERT_EQ(m_report.Take(), std::vector<std::string>{"post 2,1"});
    }
    static QByteArray MousePackage(const QByteArray& firmware = "firmware 1.2.4")
    {
        return ZipBuilder().Add("mouse_1.2.4_fota.fwpkg", firmware).Bytes();
    }

    QTemporaryDir m_served;
    QTemporaryDir m_data;
    QString m_temp;
    UpdateServer m_server;
    RecordingReport m_report;
    std::unique_ptr<UpdateService> m_service;
};

TEST_F(UpdateServiceTest, ChecksPostWhatTheirTaskSays)
{
    const struct {
        const char* what;
        int32_t task;
        const char* mouseFile; // nullptr: not on the server
        const char* receiverFile;
        const char* receiverVersion; // what the receiver reported; "" none answered
        std::vector<std::string> expected;
    } cases[] = {
        {"automatic, newer", TaskCode(WorkerTask::MouseFirmwareCheck), "1.2.4\n", nullptr, "1.0.5", {"post 2,1"}},
        {"automatic, equal: nothing", TaskCode(WorkerTask::MouseFirmwareCheck), "1.2.3", nullptr, "1.0.5", {}},
        {"automatic, older: nothing", TaskCode(WorkerTask::MouseFirmwareCheck), "1.2.2", nullptr, "1.0.5", {}},
        {"manual, newer", TaskCode(WorkerTask::MouseFirmwareCheckAsked), "1.2.10", nullptr, "1.0.5", {"post 2,10"}},
        {"manual, equal", TaskCode(WorkerTask::MouseFirmwareCheckAsked), "1.2.3", nullptr, "1.0.5", {"post 2,0"}},
        {"fewer parts count as newer", TaskCode(WorkerTask::MouseFirmwareCheck), "1.2", nullptr, "1.0.5", {"post 2,1"}},
        {"receiver newer", TaskCode(WorkerTask::ReceiverFirmwareCheck), nullptr, "1.0.6", "1.0.5", {"post 3,1"}},
        {"receiver equal: the mouse next", TaskCode(WorkerTask::ReceiverFirmwareCheck), nullptr, "1.0.5", "1.0.5",
            {"queue 26"}},
        {"receiver manual, equal", TaskCode(WorkerTask::ReceiverFirmwareCheckAsked), nullptr, "1.0.5", "1.0.5",
            {"post 3,0"}},
        {"no receiver answered: nothing to compare", TaskCode(WorkerTask::ReceiverFirmwareCheck), nullptr, "1.0.6", "",
            {}},
        {"version file missing", TaskCode(WorkerTask::MouseFirmwareCheck), nullptr, nullptr, "1.0.5", {}},
        {"an error page is no version", TaskCode(WorkerTask::MouseFirmwareCheck), "Not Found", nullptr, "1.0.5", {}},
        {"nine characters fit", TaskCode(WorkerTask::MouseFirmwareCheck), "1.2.40000", nullptr, "1.0.5", {"post 2,1"}},
        {"ten characters are too many", TaskCode(WorkerTask::MouseFirmwareCheckAsked), "1.2.4\n\n\n\n\n", nullptr,
            "1.0.5", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(m_served.filePath(kHeronFolder + QStringLiteral("mouse_version")));
        QFile::remove(m_served.filePath(kHeronFolder + QStringLiteral("dongle_version")));
        if (c.mouseFile)
            Serve(kHeronFolder + QStringLiteral("mouse_version"), c.mouseFile);
        if (c.receiverFile)
            Serve(kHeronFolder + QStringLiteral("dongle_version"), c.receiverFile);
        m_report.SetContext({QStringLiteral("1.0.10"), QStringLiteral("1.2.3"), QString::fromLatin1(c.receiverVersion),
            QStringLiteral("heron")});
        m_service->RunTask(c.task);
        EXPECT_EQ(m_report.Take(), c.expected);
    }
    // The last accepted offers are kept for the questions.
    EXPECT_EQ(m_service->OfferedVersion(FlashTarget::Receiver), QStringLiteral("1.0.6"));
    EXPECT_TRUE(m_service->OfferedVersion(FlashTarget::Mouse).isEmpty());
    EXPECT_EQ(m_service->FirmwareCheckState(), kCheckNewer);
}

TEST_F(UpdateServiceTest, TheRequestsGoWhereTheModelsFolderIs)
{
    Serve(QStringLiteral("firmware-upgrade/tarvo/egret-3311/release/dongle_version"), "1.0.6");
    m_report.SetContext(
        {QStringLiteral("1.0.10"), QStringLiteral("1.2.3"), QStringLiteral("1.0.5"), QStringLiteral("egret-3311")});
    m_service->RunTask(TaskCode(WorkerTask::ReceiverFirmwareCheck));
    EXPECT_EQ(m_report.Take(), std::vector<std::string>{"post 3,1"});
    EXPECT_TRUE(m_server.Log().contains(
        QStringLiteral("GET /firmware-upgrade/tarvo/egret-3311/release//dongle_version HTTP/1.1")))
        << m_server.Log().toStdString();

    // A device type without firmware updates (no model code): no request at all.
    const int32_t before = m_server.RequestCount();
    m_report.SetContext({QStringLiteral("1.0.10"), QStringLiteral("1.2.3"), QStringLiteral("1.0.5"), QString()});
    for (int32_t task : {24, 25, 26, 27, 29, 30})
        m_service->RunTask(task);
    EXPECT_EQ(m_report.Take(), std::vector<std::string>{});
    EXPECT_EQ(m_server.RequestCount(), before);

    // The debug channel reads the debug folders.
    m_report.SetContext(
        {QStringLiteral("1.0.10"), QStringLiteral("1.2.3"), QStringLiteral("1.0.5"), QStringLiteral("plover")});
    m_service->SetChannel(UpdateUrls::Channel::Debug);
    m_service->RunTask(TaskCode(WorkerTask::MouseFirmwareCheck));
    EXPECT_TRUE(
        m_server.Log().contains(QStringLiteral("GET /firmware-upgrade/tarvo/plover/debug//mouse_version HTTP/1.1")));
}

TEST_F(UpdateServiceTest, SoftwareCheckAndTheLinuxFormOfItsDownload)
{
    Serve(QStringLiteral("software-upgrade/Tarvo/release/version"), "1.0.11\n");
    m_service->RunTask(TaskCode(WorkerTask::SoftwareCheck));
    EXPECT_EQ(m_report.Take(), std::vector<std::string>{"post 1,1"});
    EXPECT_EQ(m_service->OfferedSoftwareVersion(), QStringLiteral("1.0.11"));
    EXPECT_EQ(m_service->SoftwareCheckState(), kCheckNewer);
    QString offered;
    EXPECT_EQ(m_service->CheckSoftware(QStringLiteral("1.0.11"), offered), kCheckNotNewer);
    EXPECT_EQ(m_service->SoftwareCheckState(), kCheckNotNewer);

    // Nothing is downloaded, let alone run: the window says where the version comes from.
    const int32_t before = m_server.RequestCount();
    Serve(QStringLiteral("software-upgrade/Tarvo/release/mouse-setup-1.0.11.zip"),
        ZipBuilder().Add("mouse-setup-1.0.11.exe", "MZ").Bytes());
    m_service->RunTask(TaskCode(WorkerTask::DownloadSoftware));
    EXPECT_EQ(m_report.Take(), std::vector<std::string>{"post 1,100"});
    EXPECT_EQ(m_server.RequestCount(), before);
    EXPECT_FALSE(QFileInfo::exists(m_temp));
}

TEST_F(UpdateServiceTest, ADownloadUnpacksThePackageIntoAPrivateFolder)
{
    OfferMouse124();
    ServePackage(QStringLiteral("mouse_1.2.4_fota.zip"), MousePackage());
    const std::shared_ptr<DownloadJob> job = m_service->PrepareDownload(FlashTarget::Mouse);
    m_service->RunTask(TaskCode(WorkerTask::DownloadMouseFirmware));
    EXPECT_EQ(m_report.Take(), std::vector<std::string>{"post 2,100"});
    EXPECT_EQ(job->state, DownloadJob::kFinished);
    EXPECT_EQ(job->result, Http::kOk);
    EXPECT_GT(job->transfer.received, 0);
    const QString package = m_temp + QStringLiteral("mouse_1.2.4_fota.fwpkg");
    EXPECT_EQ(m_service->PackagePath(FlashTarget::Mouse), package);
    // The archive is gone, the package stays; nobody else may touch the folder.
    EXPECT_EQ(Tree(m_temp), QStringList{QStringLiteral("mouse_1.2.4_fota.fwpkg")});
    const QFile::Permissions permissions = QFileInfo(m_temp).permissions();
    EXPECT_TRUE(permissions.testFlags(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    EXPECT_FALSE(permissions
        & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther
            | QFile::ExeOther));
    EXPECT_TRUE(
        m_server.Log().contains(QStringLiteral("GET /firmware-upgrade/tarvo/heron/release//mouse_1.2.4_fota.zip")));
}

TEST_F(UpdateServiceTest, APublishedChecksumMustMatch)
{
    const QByteArray zip = MousePackage();
    const QByteArray digest = QCryptographicHash::hash(zip, QCryptographicHash::Sha256).toHex();
    const struct {
        const char* what;
        QByteArray checksum; // empty: none published
        bool accepted;
    } cases[] = {
        {"none published", {}, true},
        {"matching, as sha256sum writes it", digest + "  mouse_1.2.4_fota.zip\n", true},
        {"matching, upper case alone", digest.toUpper(), true},
        {"another file's", QByteArray(64, 'a') + "  mouse_1.2.4_fota.zip\n", false},
        {"not a digest", "hello", false},
        {"too short", digest.left(63), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(m_served.filePath(kHeronFolder + QStringLiteral("mouse_1.2.4_fota.zip.sha256")));
        QDir(m_temp).removeRecursively();
        OfferMouse124();
        ServePackage(QStringLiteral("mouse_1.2.4_fota.zip"), zip, c.checksum);
        m_service->RunTask(TaskCode(WorkerTask::DownloadMouseFirmware));
        EXPECT_EQ(m_report.Take(), c.accepted ? std::vector<std::string>{"post 2,100"} : std::vector<std::string>{});
        EXPECT_EQ(m_service->PackagePath(FlashTarget::Mouse).isEmpty(), !c.accepted);
        // A refused package leaves nothing behind.
        EXPECT_EQ(Tree(m_temp).isEmpty(), !c.accepted);
    }
}

TEST_F(UpdateServiceTest, BadPackagesLeaveNoPackageAndPostNothing)
{
    const QString outside = m_data.path() + QStringLiteral("/Tarvo Files/evil.txt");
    ZipBuilder::Entry link;
    link.name = "mouse_1.2.4_fota.fwpkg";
    link.data = "/etc/passwd";
    link.unixMode = 0120777;
    const struct {
        const char* what;
        QByteArray zip;
    } cases[] = {
        {"zip-slip", ZipBuilder().Add("mouse_1.2.4_fota.fwpkg", "fw").Add("../evil.txt", "owned").Bytes()},
        {"symlink", ZipBuilder().Add(link).Bytes()},
        {"the wrong package inside", ZipBuilder().Add("mouse_9.9.9_fota.fwpkg", "fw").Bytes()},
        {"not a zip", "<html>Not Found</html>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(m_temp).removeRecursively();
        OfferMouse124();
        ServePackage(QStringLiteral("mouse_1.2.4_fota.zip"), c.zip);
        const std::shared_ptr<DownloadJob> job = m_service->PrepareDownload(FlashTarget::Mouse);
        m_service->RunTask(TaskCode(WorkerTask::DownloadMouseFirmware));
        EXPECT_EQ(m_report.Take(), std::vector<std::string>{});
        EXPECT_EQ(job->state, DownloadJob::kFinished);
        EXPECT_EQ(job->result, Http::kFailed);
        EXPECT_TRUE(m_service->PackagePath(FlashTarget::Mouse).isEmpty());
        EXPECT_FALSE(QFileInfo::exists(m_temp + QStringLiteral("mouse_1.2.4_fota.fwpkg")));
        EXPECT_FALSE(QFileInfo::exists(outside));
    }
    // What could not be opened stays; the archives that were opened are gone.
    EXPECT_EQ(Tree(m_temp), QStringList{QStringLiteral("mouse_1.2.4_fota.zip")});
}

TEST_F(UpdateServiceTest, OversizedCancelledAndUnsafeDownloads)
{
    OfferMouse124();
    // Random bytes: the archive is as large as its content.
    QByteArray firmware(64 * 1024, '\0');
    QRandomGenerator(17).fillRange(reinterpret_cast<quint32*>(firmware.data()), firmware.size() / 4);
    ServePackage(QStringLiteral("mouse_1.2.4_fota.zip"), MousePackage(firmware));
    // Over the package cap.
    UpdateLimits limits = QuickLimits();
    limits.package.maxBytes = 1024;
    m_service->SetLimits(limits);
    m_service->RunTask(TaskCode(WorkerTask::DownloadMouseFirmware));
    EXPECT_EQ(m_report.Take(), std::vector<std::string>{});
    EXPECT_TRUE(Tree(m_temp).isEmpty());
    m_service->SetLimits(QuickLimits());

    // Cancelled before the worker took it: not even asked for.
    const int32_t before = m_server.RequestCount();
    std::shared_ptr<DownloadJob> job = m_service->PrepareDownload(FlashTarget::Mouse);
    job->transfer.cancel = true;
    m_service->RunTask(TaskCode(WorkerTask::DownloadMouseFirmware));
    EXPECT_EQ(job->result, Http::kCancelled);
    EXPECT_EQ(job->state, DownloadJob::kFinished);
    EXPECT_EQ(m_server.RequestCount(), before);
    EXPECT_EQ(m_report.Take(), std::vector<std::string>{});

    // A job prepared for the other firmware is told it never ran.
    job = m_service->PrepareDownload(FlashTarget::Receiver);
    m_service->RunTask(TaskCode(WorkerTask::DownloadMouseFirmware));
    EXPECT_EQ(job->state, DownloadJob::kFinished);
    EXPECT_EQ(job->result, Http::kCancelled);
    EXPECT_EQ(m_report.Take(), std::vector<std::string>{"post 2,100"});

    // A temp folder that is a link to somewhere else is not used.
    QDir(m_temp).removeRecursively();
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QFile::link(elsewhere.path(), QDir::cleanPath(m_temp)));
    m_service->RunTask(TaskCode(WorkerTask::DownloadMouseFirmware));
    EXPECT_EQ(m_report.Take(), std::vector<std::string>{});
    EXPECT_TRUE(Tree(elsewhere.path()).isEmpty());
}

TEST_F(UpdateServiceTest, TheReceiversPackage)
{
    Serve(kHeronFolder + QStringLiteral("dongle_version"), "1.0.6");
    m_service->RunTask(TaskCode(WorkerTask::ReceiverFirmwareCheck));
    ASSERT_EQ(m_report.Take(), std::vector<std::string>{"post 3,1"});
    ServePackage(
        QStringLiteral("dongle_1.0.6_fota.zip"), ZipBuilder().Add("dongle_1.0.6_fota.fwpkg", "dongle fw").Bytes());
    m_service->RunTask(TaskCode(WorkerTask::DownloadReceiverFirmware));
    EXPECT_EQ(m_report.Take(), std::vector<std::string>{"post 3,100"});
    EXPECT_EQ(m_service->PackagePath(FlashTarget::Receiver), m_temp + QStringLiteral("dongle_1.0.6_fota.fwpkg"));
    EXPECT_TRUE(m_service->PackagePath(FlashTarget::Mouse).isEmpty());
}

} // namespace
