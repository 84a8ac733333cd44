// A check against a server that never answers holds the device worker for the
// transfer's timeouts only: a task queued behind it still reaches the
// simulated mouse, and a closing window does not wait for the server.
#include "SimFixture.h"
#include "WorkerFakes.h"
#include "hid/DeviceWorker.h"
#include "language/InterfaceText.h"
#include "store/SettingsStore.h"
#include "update/UpdateService.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The worker's listeners, with its update tasks run by the service.
class UpdatingEvents : public RecordingWorkerEvents, public UpdateReport {
public:
    explicit UpdatingEvents(HidDeviceList& list)
        : RecordingWorkerEvents(&list)
    {}
    void SetService(UpdateService* service) { m_service = service; }

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
    UpdateService* m_service = nullptr;
};

class WorkerBlockTest : public SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        ASSERT_TRUE(m_dir.isValid());
        Sim("plug heron cable");
        InterfaceText::SetProgramFolder(QStringLiteral(TARVO_SOURCE_DIR "/resources/"));
        ASSERT_TRUE(m_store.OpenForDevice(m_dir.path() + QStringLiteral("/"), QStringLiteral("heron")));
        m_list = MakeList();
        m_list->SetCurrentDevType(101);
        // A server that takes connections and never says a word: the kernel
        // completes the TCP handshake for the listen backlog, nobody answers TLS.
        m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ASSERT_GE(m_listener, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(listen(m_listener, 16), 0);
        socklen_t length = sizeof address;
        ASSERT_EQ(getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
        m_hangBase = QStringLiteral("https://127.0.0.1:%1/").arg(ntohs(address.sin_port));
    }
    void TearDown() override
    {
        if (m_listener >= 0)
            close(m_listener);
        m_store.CloseDatabase();
        SimFixture::TearDown();
    }
    // Milliseconds from now until the simulated mouse has received a report.
    int64_t WaitForReport(int64_t limitMs)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < limitMs) {
            if (!LogLines("out").empty())
                return timer.elapsed();
            usleep(20000);
        }
        return -1;
    }

    QTemporaryDir m_dir;
    SettingsStore m_store;
    std::unique_ptr<HidDeviceList> m_list;
    int m_listener = -1;
    QString m_hangBase;
};

TEST_F(WorkerBlockTest, TasksQueuedBehindADeadServerStillRun)
{
    UpdatingEvents events(*m_list);
    UpdateService service(events, m_dir.path() + QStringLiteral("/temp/"));
    UpdateLimits limits;
    limits.versionFile.connectTimeoutMs = 1500;
    service.SetLimits(limits);
    service.SetServerBase(m_hangBase);
    events.SetService(&service);
    DeviceWorker worker(*m_list, m_store, events, events, InstantWorkerTimings());
    events.RefreshConnectionState(ConnectionEvents::Refresh::Full);
    ASSERT_EQ(m_list->GetCurrentDevMode(), 0);
    worker.SetDevicesPresent(true);
    DeviceWorkerThread thread(worker);
    ASSERT_TRUE(thread.Start(2, CThreadBasic::Mode::Looping));

    Sim("log clear");
    worker.Queue(TaskCode(WorkerTask::MouseFirmwareCheck));
    worker.Queue(TaskCode(WorkerTask::ReadMouse));
    const int64_t reached = WaitForReport(10000);
    // Held for the connect timeout, then on with the queue.
    EXPECT_GE(reached, 1400);
    EXPECT_LT(reached, 1500 + 2000);
    EXPECT_GE(events.m_updateTasks, 1);
    EXPECT_EQ(events.m_posts, 0);
    // The read queued its own check; let it run out before the next part.
    while (!worker.Tasks().IsEmpty())
        usleep(10000);
    usleep(100000);
    const int before = events.m_updateTasks;

    // Closing while a check waits on the server: the cancel ends it at once.
    UpdateLimits slow;
    slow.versionFile.connectTimeoutMs = 60000;
    service.SetLimits(slow);
    worker.Queue(TaskCode(WorkerTask::MouseFirmwareCheck));
    while (events.m_updateTasks < before + 1)
        usleep(1000);
    usleep(200000);
    QElapsedTimer timer;
    timer.start();
    service.CancelTransfers();
    thread.Shutdown();
    EXPECT_LT(timer.elapsed(), 3000);
}

} // namespace
