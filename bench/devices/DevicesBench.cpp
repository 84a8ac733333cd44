// The device registry against the simulated firmware, with the product's waits:
//   a full refresh with 1, 4 and 16 interfaces plugged (the start-up cost and
//   the registry's share of tasks 2 and 3);
//   plug -> item online: a cable mouse plugged until the device list is told
//   it is connected, through the device-change source, task 2 on the worker
//   thread and the refresh; also split into its parts.
//   tarvo-bench-devices [--plugs N]
#include "SimProcess.h"
#include "devices/DeviceRegistry.h"
#include "devices/RegistryView.h"
#include "hid/DeviceWorker.h"
#include "hid/HidDeviceList.h"
#include "language/InterfaceText.h"
#include "platform/UserSettings.h"
#include "store/SettingsStore.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0.0 : samples[samples.size() / 2];
}

void PrintFigures(const char* what, std::vector<double> samples)
{
    if (samples.empty()) {
        std::printf("%-40s no samples\n", what);
        return;
    }
    std::sort(samples.begin(), samples.end());
    auto at = [&](double q) { return samples[std::min(samples.size() - 1, size_t(q * double(samples.size())))]; };
    std::printf("%-40s n=%zu median %.2f ms  p99 %.2f ms  max %.2f ms\n", what, samples.size(), at(0.5), at(0.99),
                samples.back());
}

// The window: hands tasks to the worker and notes when the Heron Pro's cable
// item goes online.
class BenchView : public RegistryView {
public:
    void ClearDeviceList() override { }
    void AddDeviceItem(int32_t, const QString&, const QString&) override { }
    void SetAllDeviceState(int32_t) override { }
    void SetDeviceState(int32_t deviceType, int32_t mode, int32_t state) override
    {
        if (state == 1)
            ++connected;
        if (deviceType == 101 && mode == 0 && state == 1 && !online.exchange(true))
            onlineAt = Clock::now();
    }
    void SetDeviceVersion(int32_t, const QString&) override { }
    void SetDeviceBattery(int32_t, int32_t, int32_t) override { }
    void SelectDeviceItem(int32_t) override { }
    void ShowView(View) override { }
    void ShowHomeContent(HomeContent) override { }
    void ShowStatusText(int32_t) override { }
    void ShowVersionLabel(const QString&) override { }
    void CloseTransientWindows() override { }
    void ShowMousePicture(const QString&) override { }
    void SetLightingTabVisible(bool) override { }
    void ShowMouseMarkers(const std::vector<MouseMarker>&) override { }
    void QueueTask(WorkerTask task) override
    {
        if (task == WorkerTask::DeviceArrived && !queued.exchange(true))
            queuedAt = Clock::now();
        if (worker)
            worker->Queue(task);
    }
    void SetDevicesPresent(bool present) override
    {
        if (worker)
            worker->SetDevicesPresent(present);
    }

    DeviceWorker* worker = nullptr;
    std::atomic<int> connected { 0 };
    std::atomic<bool> online { false };
    std::atomic<bool> queued { false };
    Clock::time_point onlineAt;
    Clock::time_point queuedAt;
};

class NoWindow : public DeviceEvents {
public:
    void ShowMouseVersion(const QString&) override { }
    void ShowReceiverVersion(const QString&) override { }
    void ShowBattery(int32_t, int32_t) override { }
    void ShowDeviceBattery(int32_t, int32_t, int32_t) override { }
    void ShowDpiLevel(int32_t) override { }
    void ShowProfile(int32_t, const QString&) override { }
    void ReloadPages(uint32_t) override { }
    void CloseWaitDialog() override { }
    void RestoreButtonDefaults() override { }
    void RestoreLighting() override { }
    void PlayTextRequest(int32_t, int32_t) override { }
    void RunUpdateTask(int32_t) override { }
};

void Plug(const tarvo::sim::SimProcess& sim, const char* what)
{
    std::string error;
    if (!sim.Command(std::string("plug ") + what, nullptr, &error))
        std::fprintf(stderr, "plug %s: %s\n", what, error.c_str());
}

}

int main(int argc, char** argv)
{
    int plugs = 20;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--plugs"))
            plugs = std::max(1, std::atoi(argv[i + 1]));
    }
    QCoreApplication app(argc, argv);

    tarvo::sim::SimProcess sim;
    std::string error;
    const std::string socket = "/tmp/tarvo-bench-devices-" + std::to_string(getpid()) + ".sock";
    if (!sim.Start(TARVO_MOUSESIM_PATH, socket, error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }
    setenv("TARVO_SIM_SOCKET", socket.c_str(), 1);
    setenv("TARVO_HIDAPI_LIBRARY", TARVO_HIDSIM_LIBRARY, 1);

    QTemporaryDir dir;
    const QString program = QStringLiteral(TARVO_SOURCE_DIR "/resources/");
    InterfaceText::SetProgramFolder(program);
    UserSettings settings(dir.path() + QStringLiteral("/Tarvo.conf"));
    settings.Open();
    SettingsStore store;
    HidDeviceList hid;
    BenchView view;
    DeviceRegistry registry(hid, store, settings, view, program, dir.path() + QStringLiteral("/"));
    registry.LoadConfiguration();
    registry.LoadDescription();

    // Full refreshes.
    const std::pair<const char*, std::vector<const char*>> setups[] = {
        { "full refresh, 1 interface", { "heron cable" } },
        { "full refresh, 4 interfaces", { "heron receiver", "egret cable", "plover receiver" } },
        { "full refresh, 16 interfaces",
          { "heron-3311 cable", "heron-3311 receiver", "egret receiver", "egret-3311 cable", "egret-3311 receiver",
            "egretv2 cable", "egretv2 receiver", "egretv2-3311 cable", "egretv2-3311 receiver", "plover cable",
            "plover-3311 cable", "plover-3311 receiver" } },
    };
    std::vector<double> oneInterface;
    for (const auto& [what, devices] : setups) {
        for (const char* device : devices)
            Plug(sim, device);
        std::vector<double> samples;
        for (int i = 0; i < 20; ++i) {
            view.connected = 0;
            const Clock::time_point start = Clock::now();
            registry.RefreshConnectionState(DeviceRegistry::Refresh::Full);
            samples.push_back(MillisecondsSince(start));
        }

        if (oneInterface.empty())
            oneInterface = samples;
        PrintFigures(what, samples);
        std::printf("%-40s %d\n", "  interfaces shown connected", view.connected.load());
    }
    for (const char* device : { "heron-3311", "heron", "egret", "egret-3311", "egretv2", "egretv2-3311", "plover",
                                "plover-3311" }) {
        for (const char* link : { " cable", " receiver" })
            sim.Command(std::string("unplug ") + device + link);
    }
    registry.RefreshConnectionState(DeviceRegistry::Refresh::Full);

    // Plug -> online, with the product's settle time of task 2.
    NoWindow window;
    DeviceWorker worker(hid, store, registry, window);
    view.worker = &worker;
    DeviceWorkerThread thread(worker);
    registry.RegisterDeviceNotifications();
    thread.Start(2, CThreadBasic::Mode::Looping);

    std::vector<double> plugToOnline;
    std::vector<double> plugToTask;
    std::vector<double> taskToOnline;
    for (int i = 0; i < plugs; ++i) {
        view.online = false;
        view.queued = false;
        const Clock::time_point plugged = Clock::now();
        Plug(sim, "heron cable");
        const Clock::time_point deadline = plugged + std::chrono::seconds(10);
        while (!view.online && Clock::now() < deadline)
            app.processEvents(QEventLoop::AllEvents, 1);
        if (view.online && view.queued) {
            plugToOnline.push_back(std::chrono::duration<double, std::milli>(view.onlineAt - plugged).count());
            plugToTask.push_back(std::chrono::duration<double, std::milli>(view.queuedAt - plugged).count());
            taskToOnline.push_back(std::chrono::duration<double, std::milli>(view.onlineAt - view.queuedAt).count());
        }
        // Let the read of task 2 finish, then unplug and let task 3 run.
        while (!worker.Tasks().IsEmpty() && Clock::now() < deadline + std::chrono::seconds(5))
            app.processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sim.Command("unplug heron cable");
        const Clock::time_point gone = Clock::now() + std::chrono::milliseconds(1500);
        while (Clock::now() < gone || !worker.Tasks().IsEmpty())
            app.processEvents(QEventLoop::AllEvents, 5);
    }
    thread.Shutdown();
    PrintFigures("plug -> item online", plugToOnline);
    PrintFigures("  plug -> task 2 queued", plugToTask);
    PrintFigures("  task 2 queued -> item online", taskToOnline);
    std::printf("%-40s %.3f (the rest is task 2's 1000 ms settle)\n", "ratio refresh(1) / plug -> online",
                Median(oneInterface) / std::max(1e-9, Median(plugToOnline)));
    return 0;
}
