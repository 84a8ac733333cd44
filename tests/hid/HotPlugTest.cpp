#include "SimFixture.h"
#include "TestApplication.h"

#include "platform/DeviceChangeSource.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <thread>

namespace {

QCoreApplication& App()
{
    return TestApplication("tarvo_hid_tests");
}

}

using HotPlugTest = SimFixture;

TEST_F(HotPlugTest, LinesReachTheEventLoopInOrderWithTheirPaths)
{
    QCoreApplication& app = App();
    auto list = MakeList();
    std::vector<DeviceChange> changes;
    Qt::HANDLE const mainThread = QThread::currentThreadId();
    bool wrongThread = false;
    DeviceChangeSource source([&](DeviceChange const& change) {
        wrongThread |= QThread::currentThreadId() != mainThread;
        changes.push_back(change);
        if (changes.size() == 9)
            app.quit();
    });
    ASSERT_TRUE(source.Start(list->OpenMonitorDescriptor()));
    EXPECT_EQ(source.ActiveBackend(), DeviceChangeSource::Backend::Descriptor);

    // Plugged from another thread while the loop runs, as the kernel would.
    std::vector<std::string> commandPaths;
    std::thread plugger([&] {
        commandPaths.push_back(Sim("plug heron cable")[0]);
        Sim("unplug heron cable");
        commandPaths.push_back(Sim("plug egret receiver")[0]);
    });
    QTimer::singleShot(10000, &app, &QCoreApplication::quit); // a lost line ends the test, not the run
    app.exec();
    plugger.join();

    ASSERT_EQ(changes.size(), 9u);
    EXPECT_FALSE(wrongThread);
    auto const heron = QString::fromStdString(commandPaths[0]);
    auto const egret = QString::fromStdString(commandPaths[1]);
    auto withInterface = [](QString path, char const* mi) { return path.replace(QStringLiteral("MI_01"), QLatin1String(mi)); };
    struct Expected {
        DeviceChangeEvent event;
        QString path;
    };
    std::vector<Expected> const expected {
        { DeviceChangeEvent::Arrival, withInterface(heron, "MI_00") },
        { DeviceChangeEvent::Arrival, heron },
        { DeviceChangeEvent::Arrival, withInterface(heron, "MI_02") },
        { DeviceChangeEvent::Removal, withInterface(heron, "MI_00") },
        { DeviceChangeEvent::Removal, heron },
        { DeviceChangeEvent::Removal, withInterface(heron, "MI_02") },
        { DeviceChangeEvent::Arrival, withInterface(egret, "MI_00") },
        { DeviceChangeEvent::Arrival, egret },
        { DeviceChangeEvent::Arrival, withInterface(egret, "MI_02") },
    };
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(changes[i].event, expected[i].event) << i;
        EXPECT_EQ(changes[i].path, expected[i].path) << i;
    }
    EXPECT_TRUE(heron.startsWith(QStringLiteral("\\\\?\\HID#VID_7768&PID_6D25&MI_01#")));
    EXPECT_TRUE(heron.endsWith(QStringLiteral("#{4d1e55b2-f16f-11cf-88cb-001111000030}")));
    EXPECT_TRUE(egret.startsWith(QStringLiteral("\\\\?\\HID#VID_7768&PID_642E&MI_01#")));
}

TEST_F(HotPlugTest, SimulatorExitStopsTheSourceQuietly)
{
    QCoreApplication& app = App();
    auto list = MakeList();
    int calls = 0;
    DeviceChangeSource source([&](DeviceChange const&) { ++calls; });
    ASSERT_TRUE(source.Start(list->OpenMonitorDescriptor()));
    m_sim.Stop();
    for (int i = 0; i < 200 && source.ActiveBackend() != DeviceChangeSource::Backend::None; ++i) {
        app.processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(source.ActiveBackend(), DeviceChangeSource::Backend::None);
    EXPECT_EQ(calls, 0);
}
