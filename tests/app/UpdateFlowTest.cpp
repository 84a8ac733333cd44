// The main window's update flow: the questions of message 1692 and their ask
// flags, the firmware buttons, and the whole road from a read of the
// simulated mouse to its new firmware: check, question, download, flash by the
// stand-in tool, read again.
#include "AppTestSupport.h"
#include "SimProcess.h"
#include "UpdateServer.h"

#include "app/AppMessages.h"
#include "app/CUIMessageBox.h"
#include "app/DownloadDlg.h"
#include "app/SettingDlg.h"
#include "app/UpdateFlow.h"
#include "devices/DeviceRegistry.h"
#include "language/InterfaceText.h"
#include "language/Language.h"
#include "language/TextIds.h"
#include "widgets/CDeviceList.h"
#include "widgets/MControlFont.h"
#include "widgets/MProgress.h"
#include "widgets/WindowRegistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <unistd.h>

namespace {

const QString kHeronFolder = QStringLiteral("firmware-upgrade/tarvo/heron/release/");
std::atomic<int> g_sockets{0};

QString Text(int id)
{
    return InterfaceText::Get(id);
}

QString Question(const char* version)
{
    return Text(TextIds::kNewVersion) + QStringLiteral(":v") + QString::fromLatin1(version) + QStringLiteral(", ")
        + Text(TextIds::kUpdateNow);
}

// Long enough for a sanitizer build on a busy machine; a passing run takes
// about a second.
bool WaitLong(const std::function<bool()>& done, int ms = 180000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// A program folder of the build's files, with the flashing tool's stand-in
// where the program looks for the tool.
class ProgramFolder {
public:
    explicit ProgramFolder(bool withTool = true)
    {
        for (const char* name : {"config.xml", "device", "language", "skins"})
            QFile::link(
                QStringLiteral(TARVO_BINARY_DIR "/") + QLatin1String(name), m_dir.filePath(QLatin1String(name)));
        if (withTool) {
            QDir().mkpath(m_dir.filePath(QStringLiteral("BurnTool")));
            QFile::link(QStringLiteral(TARVO_BURNTOOL_PATH), m_dir.filePath(QStringLiteral("BurnTool/BurnTool")));
        }
    }
    QString Path() const { return m_dir.path() + QLatin1Char('/'); }

private:
    QTemporaryDir m_dir;
};

// The main window with its real update flow. Worker passes run when asked.
class UpdatingMainDlg : public DeviceMainDlg {
public:
    UpdatingMainDlg(AppFixtureServices& services, const QString& programFolder, bool passes)
        : DeviceMainDlg(services.ForWindow(programFolder, WorkerTimings{0, 0, 0, 0, 0, 1, 0}))
        , m_passes(passes)
    {
        SetExitHook([](int32_t) {});
        FlashLimits limits;
        limits.endPauseMs = 100;
        Update().SetFlashLimits(limits);
    }
    ~UpdatingMainDlg() override { StopWorker(); }
    void Open()
    {
        Create(0, QStringLiteral("Tarvo"), kWsDialog, 0, {0, 0, kDesignWidth, kDesignHeight});
        ShowWindow(kSwShow);
        ProcessEvents();
    }
    void Post1692(int32_t subject, int32_t outcome)
    {
        OnWindowMessage(AppMessages::kUpdateResult, uintptr_t(subject), outcome);
    }

protected:
    void Run() override
    {
        if (m_passes)
            DeviceMainDlg::Run();
    }

private:
    bool m_passes;
};

class UpdateFlowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Language::SetCurrent(1033);
        const TestCertificates* certificates = TestCertificates::Get();
        if (!certificates)
            GTEST_SKIP() << "openssl is not installed";
        qputenv("TARVO_UPDATE_CA", certificates->caFile.toLocal8Bit());
        ASSERT_TRUE(m_served.isValid());
    }
    void TearDown() override
    {
        m_dlg.reset();
        ProcessEvents();
        m_sim.Stop();
        qunsetenv("TARVO_UPDATE_CA");
        qunsetenv("TARVO_UPDATE_BASE");
        qputenv("TARVO_HIDAPI_LIBRARY", QByteArrayLiteral("/nonexistent/libhidapi-none.so"));
    }
    void StartServer(int32_t rate = 0)
    {
        ASSERT_TRUE(m_server.Start(m_served.path(), ServerCert::Good, UpdateServer::Mode::Serve, rate));
        qputenv("TARVO_UPDATE_BASE", m_server.Base().toLatin1());
    }
    void StartSim()
    {
        const std::string socket = "/tmp/tarvo-updflow-" + std::to_string(getpid()) + "-" + std::to_string(g_sockets++)
            + ".sock";
        std::string error;
        ASSERT_TRUE(m_sim.Start(TARVO_MOUSESIM_PATH, socket, error)) << error;
        qputenv("TARVO_SIM_SOCKET", QByteArray::fromStdString(socket));
        qputenv("TARVO_HIDAPI_LIBRARY", QByteArrayLiteral(TARVO_HIDSIM_LIBRARY));
    }
    void Sim(const std::string& command)
    {
        std::string error;
        ASSERT_TRUE(m_sim.Command(command, nullptr, &error)) << command << ": " << error;
    }
    QString SimVersion(const char* target, const char* key)
    {
        std::vector<std::string> lines;
        m_sim.Command(std::string("state ") + target, &lines);
        if (lines.size() != 1)
            return {};
        return QJsonDocument::fromJson(QByteArray::fromStdString(lines[0]))
            .object()
            .value(QLatin1String(key))
            .toString();
    }
    void Serve(const QString& path, const QByteArray& bytes)
    {
        ASSERT_TRUE(WriteServedFile(m_served.path(), path, bytes));
    }
    void Open(bool passes, bool updatesEnabled = false)
    {
        m_dlg = std::make_unique<UpdatingMainDlg>(m_services, m_program.Path(), passes);
        m_dlg->Update().SetUpdatesEnabled(updatesEnabled);
        m_dlg->Open();
    }
    // The offered mouse version 1.2.4, as a check leaves it (no mouse was
    // read, so nothing is compared or posted).
    void OfferMouse(const char* version = "1.2.4")
    {
        Serve(kHeronFolder + QStringLiteral("mouse_version"), version);
        m_dlg->Update().RunTask(TaskCode(WorkerTask::MouseFirmwareCheck));
        ASSERT_EQ(m_dlg->Update().Service().OfferedVersion(FlashTarget::Mouse), QString::fromLatin1(version));
    }
    QString ItemVersion(int32_t type)
    {
        CDeviceList* list = m_dlg->DeviceList();
        for (int32_t i = 0; list && i < list->GetItemCount(); ++i) {
            if (list->GetItem(i)->data == type)
                return list->GetItem(i)->detail;
        }
        return {};
    }

    AppFixtureServices m_services;
    ProgramFolder m_program;
    QTemporaryDir m_served;
    UpdateServer m_server;
    tarvo::sim::SimProcess m_sim;
    std::unique_ptr<UpdatingMainDlg> m_dlg;
};

TEST_F(UpdateFlowTest, DecliningTheAutomaticMouseQuestionStopsItForTheRun)
{
    StartServer();
    Open(false);
    OfferMouse();
    BoxAnswerer no(kIdCancel);
    m_dlg->Post1692(kSubjectMouse, kOutcomeNewer);
    ASSERT_EQ(no.m_shown.size(), 1u);
    EXPECT_EQ(no.m_shown[0].caption, Text(TextIds::kMouseFirmware));
    EXPECT_EQ(no.m_shown[0].message, Question("1.2.4"));
    EXPECT_EQ(no.m_shown[0].style, CUIMessageBox::kStyleYesNo);
    EXPECT_FALSE(m_dlg->Update().AskAboutMouse());
    // The next automatic check's result asks nothing ...
    m_dlg->Post1692(kSubjectMouse, kOutcomeNewer);
    EXPECT_EQ(no.m_shown.size(), 1u);
    // ... the manual check still asks.
    m_dlg->Post1692(kSubjectMouse, kOutcomeManualNewer);
    EXPECT_EQ(no.m_shown.size(), 2u);
    EXPECT_FALSE(m_dlg->Update().DownloadAccepted());
}

TEST_F(UpdateFlowTest, TheReceiverQuestionAndItsAnswers)
{
    StartServer();
    Open(false);
    Serve(kHeronFolder + QStringLiteral("dongle_version"), "1.0.6");
    m_dlg->Update().RunTask(TaskCode(WorkerTask::ReceiverFirmwareCheck));
    m_dlg->Worker().Tasks().Clear();
    {
        BoxAnswerer no(kIdCancel);
        m_dlg->Post1692(kSubjectReceiver, kOutcomeNewer);
        ASSERT_EQ(no.m_shown.size(), 1u);
        EXPECT_EQ(no.m_shown[0].caption, Text(TextIds::kReceiverFirmware));
        EXPECT_EQ(no.m_shown[0].message, Question("1.0.6"));
        // Declined: the mouse is examined instead, and the receiver is not asked again.
        EXPECT_EQ(m_dlg->Worker().Tasks().Snapshot(), std::vector<int32_t>{TaskCode(WorkerTask::MouseFirmwareCheck)});
        m_dlg->Post1692(kSubjectReceiver, kOutcomeNewer);
        EXPECT_EQ(no.m_shown.size(), 1u);
        EXPECT_EQ(m_dlg->Worker().Tasks().Snapshot(), std::vector<int32_t>{TaskCode(WorkerTask::MouseFirmwareCheck)});
    }
    // Nothing newer after a manual check: the latest-version message.
    BoxAnswerer ok(kIdOk);
    m_dlg->Post1692(kSubjectReceiver, kOutcomeNotNewer);
    m_dlg->Post1692(kSubjectMouse, kOutcomeNotNewer);
    ASSERT_EQ(ok.m_shown.size(), 2u);
    EXPECT_EQ(ok.m_shown[0].caption, Text(TextIds::kReceiverFirmware));
    EXPECT_EQ(ok.m_shown[0].message, Text(TextIds::kLatestVersion));
    EXPECT_EQ(ok.m_shown[1].caption, Text(TextIds::kMouseFirmware));
    EXPECT_EQ(ok.m_shown[0].style, CUIMessageBox::kStyleOk);
}

TEST_F(UpdateFlowTest, SoftwareIsAskedOnceAndComesFromThePackageManager)
{
    StartServer();
    Serve(QStringLiteral("software-upgrade/Tarvo/release/version"), "1.0.11");
    Open(false, true);
    // Updates enabled: the start-up check is queued after the first read.
    EXPECT_EQ(m_dlg->Worker().Tasks().Snapshot(),
        (std::vector<int32_t>{TaskCode(WorkerTask::ReadMouse), TaskCode(WorkerTask::SoftwareCheck)}));
    m_dlg->Worker().Tasks().Clear();
    m_dlg->Update().RunTask(TaskCode(WorkerTask::SoftwareCheck));
    BoxAnswerer yes(kIdOk);
    // The worker posted its answer; it arrives as a message.
    ASSERT_TRUE(WaitLong([&] { return !yes.m_shown.empty(); }));
    EXPECT_EQ(yes.m_shown[0].caption, Text(TextIds::kSoftwareUpdate));
    EXPECT_EQ(yes.m_shown[0].message, Question("1.0.11"));
    EXPECT_EQ(m_dlg->Worker().Tasks().Snapshot(), std::vector<int32_t>{TaskCode(WorkerTask::DownloadSoftware)});
    EXPECT_FALSE(m_dlg->Update().AskAboutSoftware());
    m_dlg->Post1692(kSubjectSoftware, kOutcomeNewer);
    EXPECT_EQ(yes.m_shown.size(), 1u);
    // Task 28 fetches and starts nothing; the window says where the version comes from.
    m_dlg->Worker().Tasks().Clear();
    const int32_t requests = m_server.RequestCount();
    m_dlg->Update().RunTask(TaskCode(WorkerTask::DownloadSoftware));
    ASSERT_TRUE(WaitLong([&] { return yes.m_shown.size() == 2; }));
    EXPECT_EQ(yes.m_shown[1].caption, Text(TextIds::kSoftwareUpdate));
    EXPECT_TRUE(yes.m_shown[1].message.contains(QStringLiteral("v1.0.11"))) << yes.m_shown[1].message.toStdString();
    EXPECT_TRUE(yes.m_shown[1].message.endsWith(Text(TextIds::kUsePackageManager)));
    EXPECT_EQ(m_server.RequestCount(), requests);
}

// The settings dialog's check button, reached through the window's settings
// button as a user reaches it: with updates off it only says there is nothing
// newer; with them on the server is asked, the dialog's label shows the offered
// version, and the answer points to the package manager.
TEST_F(UpdateFlowTest, TheSettingsDialogsCheckButton)
{
    StartServer();
    Serve(QStringLiteral("software-upgrade/Tarvo/release/version"), "1.0.11");
    for (const bool enabled : {false, true}) {
        SCOPED_TRACE(enabled ? "updates on" : "updates off");
        Open(false, enabled);
        BoxAnswerer yes(kIdOk);
        QString label;
        bool clicked = false;
        // Inside the settings dialog's own loop: click its check button, wait
        // for the answers, close it.
        QTimer driver;
        driver.setInterval(20);
        QObject::connect(&driver, &QTimer::timeout, [&] {
            auto* settings = dynamic_cast<SettingDlg*>(
                MWindow::FromHandle(FindWindow(QStringLiteral("MWindow"), QStringLiteral(" Setting Window"))));
            if (!settings)
                return;
            if (!clicked) {
                clicked = true;
                settings->OnMessage(SettingDlg::kCheckUpdates, kNotifyClick, 0, 0);
                return;
            }
            const size_t expected = enabled ? 2 : 1;
            if (yes.m_shown.size() < expected)
                return;
            label = dynamic_cast<MControlFont*>(settings->GetControl(SettingDlg::kVersionLabel))->GetTitle();
            driver.stop();
            settings->DoOK();
        });
        driver.start();
        m_dlg->OnMessage(DeviceMainDlg::kSettingsButton, kNotifyClick, 0, 0);
        ASSERT_TRUE(clicked);
        if (!enabled) {
            ASSERT_EQ(yes.m_shown.size(), 1u);
            EXPECT_EQ(yes.m_shown[0].message, Text(TextIds::kLatestVersion));
            EXPECT_EQ(m_server.RequestCount(), 0);
        } else {
            ASSERT_EQ(yes.m_shown.size(), 2u);
            EXPECT_EQ(yes.m_shown[0].caption, Text(TextIds::kSoftwareUpdate));
            EXPECT_EQ(yes.m_shown[0].message, Question("1.0.11"));
            EXPECT_TRUE(yes.m_shown[1].message.endsWith(Text(TextIds::kUsePackageManager)));
            EXPECT_EQ(label, Text(671) + QStringLiteral(": v1.0.11"));
            EXPECT_EQ(m_server.RequestCount(), 1);
        }
        m_dlg.reset();
        ProcessEvents();
    }
    // Nothing newer: the latest-version message, in the settings dialog's caption.
    Serve(QStringLiteral("software-upgrade/Tarvo/release/version"), "1.0.10");
    Open(false, true);
    BoxAnswerer ok(kIdOk);
    SettingDlg::Services services;
    services.settings = &m_dlg->Settings();
    SettingDlg settings(std::move(services), QStringLiteral("1.0.10"));
    ASSERT_TRUE(settings.Open(m_dlg->GetSafeHwnd()));
    m_dlg->Update().CheckSoftwareFromSettings(settings.GetSafeHwnd());
    // A second click while the first check runs asks nothing more.
    m_dlg->Update().CheckSoftwareFromSettings(settings.GetSafeHwnd());
    ASSERT_TRUE(WaitLong([&] { return !ok.m_shown.empty(); }));
    ProcessEvents();
    ASSERT_EQ(ok.m_shown.size(), 1u);
    EXPECT_EQ(ok.m_shown[0].caption, Text(TextIds::kSoftwareUpdate));
    EXPECT_EQ(ok.m_shown[0].message, Text(TextIds::kLatestVersion));
    settings.DestroyWindow();
}

TEST_F(UpdateFlowTest, OneQuestionAtATime)
{
    StartServer();
    Open(false);
    OfferMouse();
    // While a message box is open, a result that would ask is dropped.
    std::vector<QString> shown;
    CUIMessageBox::SetCreatedHook([&](CUIMessageBox& box) {
        shown.push_back(dynamic_cast<MControlFont*>(box.GetControl(CUIMessageBox::kCaptionId))->GetTitle());
        const WindowHandle handle = box.GetSafeHwnd();
        const WindowHandle window = m_dlg->GetSafeHwnd();
        QTimer::singleShot(0, [handle, window] {
            PostMessage(window, AppMessages::kUpdateResult, kSubjectMouse, kOutcomeManualNewer);
            QTimer::singleShot(50, [handle] {
                if (MWindow* open = MWindow::FromHandle(handle))
                    open->DoCancel();
            });
        });
    });
    m_dlg->Post1692(kSubjectReceiver, kOutcomeNotNewer);
    ProcessEvents();
    CUIMessageBox::SetCreatedHook({});
    EXPECT_EQ(shown, std::vector<QString>{Text(TextIds::kReceiverFirmware)});
}

TEST_F(UpdateFlowTest, TheFirmwareButtons)
{
    Open(false);
    {
        // Updates are off: the buttons only say there is nothing newer.
        BoxAnswerer ok(kIdOk);
        m_dlg->OnMessage(241, kNotifyClick, 0, 0);
        m_dlg->OnMessage(245, kNotifyClick, 0, 0);
        ASSERT_EQ(ok.m_shown.size(), 2u);
        EXPECT_EQ(ok.m_shown[0].caption, Text(TextIds::kMouseFirmware));
        EXPECT_EQ(ok.m_shown[0].message, Text(TextIds::kLatestVersion));
        EXPECT_EQ(ok.m_shown[1].caption, Text(TextIds::kReceiverFirmware));
        EXPECT_EQ(m_dlg->Worker().Tasks().Snapshot(), std::vector<int32_t>{TaskCode(WorkerTask::ReadMouse)});
    }
    m_dlg->Update().SetUpdatesEnabled(true);
    // Only with an empty queue.
    m_dlg->OnMessage(241, kNotifyClick, 0, 0);
    EXPECT_EQ(m_dlg->Worker().Tasks().Snapshot(), std::vector<int32_t>{TaskCode(WorkerTask::ReadMouse)});
    m_dlg->Worker().Tasks().Clear();
    m_dlg->OnMessage(241, kNotifyClick, 0, 0);
    EXPECT_EQ(m_dlg->Worker().Tasks().Snapshot(), std::vector<int32_t>{TaskCode(WorkerTask::MouseFirmwareCheckAsked)});
    m_dlg->Worker().Tasks().Clear();
    // Nothing by cable (nothing at all here): the receiver check runs.
    m_dlg->OnMessage(245, kNotifyClick, 0, 0);
    EXPECT_EQ(
        m_dlg->Worker().Tasks().Snapshot(), std::vector<int32_t>{TaskCode(WorkerTask::ReceiverFirmwareCheckAsked)});
}

// ---- The whole road, with the simulated mouse and the stand-in tool ----

class UpdateFlowSimTest : public UpdateFlowTest {
protected:
    void SetUp() override
    {
        UpdateFlowTest::SetUp();
        if (IsSkipped())
            return;
        StartSim();
    }
    void ServeMousePackage(const char* version = "1.2.4")
    {
        const QByteArray v = version;
        Serve(kHeronFolder + QStringLiteral("mouse_version"), v + "\n");
        // Random bytes: the archive is as large as the firmware.
        QByteArray firmware(48 * 1024, '\0');
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(firmware.data()), firmware.size() / 4);
        Serve(kHeronFolder + QStringLiteral("mouse_") + QString::fromLatin1(v) + QStringLiteral("_fota.zip"),
            ZipBuilder().Add("mouse_" + v + "_fota.fwpkg", firmware).Bytes());
    }
    std::vector<QString> Messages(const BoxAnswerer& boxes) const
    {
        std::vector<QString> messages;
        for (const ShownBox& box : boxes.m_shown)
            messages.push_back(box.message);
        return messages;
    }
};

TEST_F(UpdateFlowSimTest, TheCableMouseIsAskedDownloadedFlashedAndReadAgain)
{
    Sim("plug heron cable");
    ServeMousePackage();
    StartServer();
    BoxAnswerer yes(kIdOk);
    Open(true);
    // Read, checked, asked, downloaded, flashed, read again.
    ASSERT_TRUE(WaitLong([&] { return ItemVersion(101).contains(QStringLiteral("1.2.4")); }))
        << "item shows " << ItemVersion(101).toStdString();
    EXPECT_EQ(SimVersion("heron cable", "mouse_version"), QStringLiteral("1.2.4"));
    EXPECT_EQ(Messages(yes), (std::vector<QString>{Question("1.2.4"), Text(TextIds::kBeforeFlash)}));
    EXPECT_EQ(yes.m_shown[1].caption, Text(TextIds::kFirmwareUpgrade));
    EXPECT_FALSE(m_dlg->Registry().State().flashing);
    EXPECT_FALSE(m_dlg->Update().AskAboutMouse());
    EXPECT_TRUE(QFile::exists(m_services.m_dir.path() + QStringLiteral("/temp/mouse_1.2.4_fota.fwpkg")));
    // The read after the flash checked again and found nothing newer: no third box.
    ASSERT_TRUE(WaitLong([&] { return m_server.Log().count(QStringLiteral("mouse_version")) >= 2; }));
    ProcessEvents();
    EXPECT_EQ(yes.m_shown.size(), 2u);
    EXPECT_TRUE(m_dlg->IsReachableNow());
}

TEST_F(UpdateFlowSimTest, TheReceiverIsFlashedAndTheMouseCheckedNext)
{
    Sim("plug heron receiver");
    Serve(kHeronFolder + QStringLiteral("dongle_version"), "1.0.6");
    Serve(kHeronFolder + QStringLiteral("dongle_1.0.6_fota.zip"),
        ZipBuilder().Add("dongle_1.0.6_fota.fwpkg", QByteArray(16 * 1024, 'd')).Bytes());
    StartServer();
    BoxAnswerer yes(kIdOk);
    Open(true);
    ASSERT_TRUE(WaitLong([&] { return SimVersion("heron receiver", "receiver_version") == QStringLiteral("1.0.6"); }));
    ASSERT_TRUE(WaitLong([&] { return ItemVersion(101).contains(QStringLiteral("1.0.6")); }))
        << "item shows " << ItemVersion(101).toStdString();
    EXPECT_EQ(Messages(yes), (std::vector<QString>{Question("1.0.6"), Text(TextIds::kBeforeFlash)}));
    EXPECT_EQ(yes.m_shown[0].caption, Text(TextIds::kReceiverFirmware));
    // Task 26 after a receiver flash: the mouse's version file was asked for.
    ASSERT_TRUE(WaitLong([&] { return m_server.Log().contains(QStringLiteral("//mouse_version")); }));
}

TEST_F(UpdateFlowSimTest, NoDeviceInUpdateModeIsAFailure)
{
    Sim("plug heron cable");
    Sim("fault heron cable nodfu");
    ServeMousePackage();
    StartServer();
    BoxAnswerer yes(kIdOk);
    Open(true);
    ASSERT_TRUE(WaitLong([&] { return yes.m_shown.size() >= 3; }));
    EXPECT_EQ(Messages(yes),
        (std::vector<QString>{Question("1.2.4"), Text(TextIds::kBeforeFlash), Text(TextIds::kFlashFailed)}));
    EXPECT_EQ(yes.m_shown[2].caption, Text(TextIds::kFirmwareUpgrade));
    EXPECT_EQ(SimVersion("heron cable", "mouse_version"), QStringLiteral("1.2.3"));
    EXPECT_FALSE(m_dlg->Registry().State().flashing);
}

TEST_F(UpdateFlowSimTest, AMissingToolIsAFailureWithItsErrorNumber)
{
    ProgramFolder withoutTool(false);
    Sim("plug heron cable");
    ServeMousePackage();
    StartServer();
    BoxAnswerer yes(kIdOk);
    m_dlg = std::make_unique<UpdatingMainDlg>(m_services, withoutTool.Path(), true);
    m_dlg->Open();
    ASSERT_TRUE(WaitLong([&] { return yes.m_shown.size() >= 3; }));
    EXPECT_EQ(yes.m_shown[2].message, Text(TextIds::kUpgradeError) + QStringLiteral(" 2")); // ENOENT
    m_dlg.reset();
}

TEST_F(UpdateFlowSimTest, TheMouseThroughTheReceiverIsNotFlashed)
{
    Sim("plug heron receiver");
    ServeMousePackage();
    StartServer();
    Open(true, true);
    ASSERT_TRUE(WaitLong([&] { return m_dlg->IsReachableNow() && m_dlg->Worker().Tasks().IsEmpty(); }));
    BoxAnswerer yes(kIdOk);
    m_dlg->OnMessage(241, kNotifyClick, 0, 0);
    ASSERT_TRUE(WaitLong([&] { return yes.m_shown.size() >= 2; }));
    EXPECT_EQ(Messages(yes), (std::vector<QString>{Question("1.2.4"), Text(TextIds::kConnectByCable)}));
    EXPECT_EQ(yes.m_shown[1].caption, Text(TextIds::kMouseFirmware));
    EXPECT_FALSE(m_dlg->Update().DownloadAccepted());
    EXPECT_FALSE(m_server.Log().contains(QStringLiteral("_fota.zip")));
}

TEST_F(UpdateFlowSimTest, ACancelledDownloadFlashesNothing)
{
    Sim("plug heron cable");
    ServeMousePackage();
    StartServer(16 * 1024); // three seconds for the package
    BoxAnswerer yes(kIdOk);
    // Cancel once the dialog shows progress, as a user would.
    int32_t shownProgress = -1;
    QTimer canceller;
    canceller.setInterval(20);
    QObject::connect(&canceller, &QTimer::timeout, [&] {
        auto* dialog = dynamic_cast<DownloadDlg*>(
            MWindow::FromHandle(FindWindow(QStringLiteral("MWindow"), QStringLiteral("DownloadDlg"))));
        auto* progress = dialog ? dialog->GetControlAs<MControl>(DownloadDlg::kProgressId) : nullptr;
        if (!progress)
            return;
        auto* bar = dynamic_cast<MProgress*>(progress);
        if (bar && bar->GetProgress() > 0) {
            shownProgress = bar->GetProgress();
            MControl* cancel = dialog->GetControl(DownloadDlg::kCancelId);
            QTest::mouseClick(cancel, Qt::LeftButton, Qt::NoModifier, cancel->rect().center());
            canceller.stop();
        }
    });
    canceller.start();
    Open(true);
    ASSERT_TRUE(WaitLong(
        [&] { return shownProgress > 0 && !FindWindow(QStringLiteral("MWindow"), QStringLiteral("DownloadDlg")); }));
    EXPECT_LT(shownProgress, 100);
    // Long enough for a transfer that went on to end.
    QTest::qWait(3500);
    EXPECT_EQ(Messages(yes), std::vector<QString>{Question("1.2.4")});
    EXPECT_FALSE(m_dlg->Update().DownloadAccepted());
    EXPECT_TRUE(m_dlg->Update().Service().PackagePath(FlashTarget::Mouse).isEmpty());
    EXPECT_EQ(SimVersion("heron cable", "mouse_version"), QStringLiteral("1.2.3"));
}

} // namespace
