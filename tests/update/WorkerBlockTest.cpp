// A check against a server that never answers holds the device worker for the
// transfer's timeouts only: a setting queued behind it still reaches the
// simulated mouse, and a closing window does not wait for the server.
#include "SimProcess.h"
#include "UpdateServer.h"
#include "hid/DeviceWorker.h"
#include "hid/HidDeviceList.h"
#include "language/InterfaceText.h"
#include "store/SettingsStore.h"
#include "update/UpdateService.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <unistd.h>

namespace {

// The window's side of the worker: the list is read like the device registry
// reads it; update tasks go to the service.
class UpdatingEvents : public DeviceEvents, public UpdateReport {
public:
    explicit UpdatingEvents(HidDeviceList& list) : m_list(list) {}
    void SetService(UpdateService* service) { m_service = service; }

    void ShowMouseVersion(const QString&) override {}
    void ShowReceiverVersion(const QString&) override {}
    void ShowBattery(int32_t, int32_t) override {}
    void ShowDeviceBattery(int32_t, int32_t, int32_t) override {}
    void ShowDpiLevel(int32_t) override {}
    void ShowProfile(int32_t, const QString&) override {}
    void ReloadPages(uint32_t) override {}
    void RefreshConnectionState(Refresh) override
    {
        m_list.Rebuild();
        m_list.SetCurrentDevType(101);
    }
    void DeviceConnectState(int32_t) override {}
    bool IsReachable() override { return true; }
    void ClearReachable() override {}
    void CloseWaitDialog() override {}
    void RestoreButtonDefaults() override {}
    void RestoreLighting() override {}
    void PlayTextRequest(int32_t, int32_t) override {}
    void RunUpdateTask(int32_t code) override
    {
        ++m_updateTasks;
        m_service->RunTask(code);
    }

    UpdateContext CurrentContext() override
    {
        return {QStringLiteral("1.0.10"), QStringLiteral("1.2.3"), QStringLiteral("1.0.5"), QStringLiteral("heron")};
    }
    void PostUpdateResult(int32_t, int32_t) override { ++m_posts; }
    void QueueTask(int32_t) override {}

    std::atomic<int> m_updateTasks{0};
    std::atomic<int> m_posts{0};

private:
    HidDeviceList& m_list;
    UpdateService* m_service = nullptr;
};

class WorkerBlockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!TestCertificates::Get())
            GTEST_SKIP() << "openssl is not installed";
        ASSERT_TRUE(m_dir.isValid());
        const std::string socket = "/tmp/tarvo-updtest-" + std::to_string(getpid()) + ".sock";
        std::string error;
        ASSERT_TRUE(m_sim.Start(TARVO_MOUSESIM_PATH, socket, error)) << error;
        setenv("TARVO_SIM_SOCKET", socket.c_str(), 1);
        setenv("TARVO_HIDAPI_LIBRARY", TARVO_HIDSIM_LIBRARY, 1);
        ASSERT_TRUE(m_sim.Command("plug heron cable"));
        InterfaceText::SetProgramFolder(QStringLiteral(TARVO_SOURCE_DIR "/resources/"));
        ASSERT_TRUE(m_store.OpenForDevice(m_dir.path() + QStringLiteral("/"), QStringLiteral("heron")));
        // Made after the variables above: the list loads its library when made.
        m_list = std::make_unique<HidDeviceList>();
        m_list->AddSupportedDevice(0x7768, 0x6D25, QString(), 101, 0);
        ASSERT_TRUE(m_hang.Start(m_dir.path(), ServerCert::Good, UpdateServer::Mode::Hang));
    }
    void TearDown() override
    {
        m_store.CloseDatabase();
        m_sim.Stop();
    }
    // Milliseconds from now until the simulated mouse has received a report.
    int64_t WaitForReport(int64_t limitMs)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < limitMs) {
            std::vector<std::string> lines;
            m_sim.Command("log", &lines);
            for (const std::string& line : lines) {
                if (line.find(" out ") != std::string::npos)
                    return timer.elapsed();
            }
            usleep(20000);
        }
        return -1;
    }

    QTemporaryDir m_dir;
    tarvo::sim::SimProcess m_sim;
    SettingsStore m_store;
    std::unique_ptr<HidDeviceList> m_list;
    UpdateServer m_hang;
};

TEST_F(WorkerBlockTest, TasksQueuedBehindADeadServerStillRun)
{
    UpdatingEvents events(*m_list);
    UpdateService service(events, m_dir.path() + QStringLiteral("/temp/"));
    UpdateLimits limits;
    limits.versionFile.connectTimeoutMs = 1500;
    service.SetLimits(limits);
    service.SetServerBase(m_hang.Base());
    events.SetService(&service);
    WorkerTimings timings;
    timings.arrivalSettleMs = 0;
    DeviceWorker worker(*m_list, m_store, events, timings);
    events.RefreshConnectionState(DeviceEvents::Refresh::Full);
    ASSERT_EQ(m_list->GetCurrentDevMode(), 0);
    worker.SetDevicesPresent(true);
    DeviceWorkerThread thread(worker);
    ASSERT_TRUE(thread.Start(2, CThreadBasic::Mode::Looping));

    ASSERT_TRUE(m_sim.Command("log clear"));
    worker.Queue(UpdateTask::kMouseCheck);
    worker.Queue(1); // read the mouse
    const int64_t reached = WaitForReport(10000);
    // Blocked for the connect timeout, then on with the queue.
    EXPECT_GE(reached, 1400);
    EXPECT_LT(reached, 1500 + 2000);
    EXPECT_GE(events.m_updateTasks, 1);
    EXPECT_EQ(events.m_posts, 0);
    // The read queued its own check; let it run out before the next part.
    while (!worker.Tasks().IsEmpty())
        usleep(10000);
    usleep(100000);
    const int before = events.m_updateTasks;

    // Closing while a transfer waits on the server: the cancel ends it at once.
    UpdateLimits slow;
    slow.versionFile.connectTimeoutMs = 60000;
    service.SetLimits(slow);
    std::shared_ptr<DownloadJob> job = service.PrepareDownload(FlashTarget::Mouse);
    worker.Queue(UpdateTask::kMouseCheck);
    while (events.m_updateTasks < before + 1)
        usleep(1000);
    usleep(200000);
    QElapsedTimer timer;
    timer.start();
    service.CancelTransfers();
    thread.Shutdown();
    EXPECT_LT(timer.elapsed(), 3000);
    EXPECT_TRUE(job->transfer.cancel);
}

} // namespace
