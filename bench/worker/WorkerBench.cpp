// The device worker against the simulated firmware, with the product's waits:
//   edit -> wire: a stored DPI edit plus task 10, until the firmware logs the report;
//   notification -> window: the firmware sends a battery report, until the worker
//   tells the window;
//   the CPU the process spends with one mouse idle (2 ms passes, 10 ms polls);
//   a full 4000-byte macro upload.
//   tarvo-bench-worker [--edits N] [--idle-seconds S]
#include "BenchWorkerEvents.h"
#include "SimProcess.h"
#include "hid/DeviceWorker.h"
#include "hid/HidDeviceList.h"
#include "store/SettingsStore.h"

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double CpuSecondsSelf()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void PrintFigures(const char* what, std::vector<double> samples, const char* unit)
{
    if (samples.empty()) {
        std::printf("%-34s no samples\n", what);
        return;
    }
    std::sort(samples.begin(), samples.end());
    auto at = [&](double q) { return samples[std::min(samples.size() - 1, size_t(q * double(samples.size())))]; };
    std::printf("%-34s n=%zu median %.2f %s  p99 %.2f %s  max %.2f %s\n", what, samples.size(), at(0.5), unit,
                at(0.99), unit, samples.back(), unit);
}

// The timestamp of the first logged line of `kind` whose hex starts with
// `prefix`, or -1.
int64_t LoggedAt(const tarvo::sim::SimProcess& sim, const char* kind, const std::string& prefix)
{
    std::vector<std::string> lines;
    sim.Command("log", &lines);
    std::string marker = std::string(" ") + kind + " ";
    for (const std::string& line : lines) {
        size_t space = line.find(' ');
        if (space == std::string::npos || line.compare(space, marker.size(), marker) != 0)
            continue;
        std::string hex = line.substr(line.rfind(' ') + 1);
        if (hex.rfind(prefix, 0) == 0)
            return std::stoll(line.substr(0, space));
    }
    return -1;
}

std::string Hex2(int value)
{
    char text[3];
    std::snprintf(text, sizeof text, "%02x", value & 0xFF);
    return text;
}

}

int main(int argc, char** argv)
{
    int edits = 1000;
    int idleSeconds = 30;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--edits"))
            edits = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--idle-seconds"))
            idleSeconds = std::atoi(argv[i + 1]);
    }

    tarvo::sim::SimProcess sim;
    std::string error;
    std::string socket = "/tmp/tarvo-bench-worker-" + std::to_string(getpid()) + ".sock";
    if (!sim.Start(TARVO_MOUSESIM_PATH, socket, error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }
    setenv("TARVO_SIM_SOCKET", socket.c_str(), 1);
    setenv("TARVO_HIDAPI_LIBRARY", TARVO_HIDSIM_LIBRARY, 1);
    sim.Command("plug heron cable");

    QTemporaryDir dir;
    SettingsStore store;
    store.OpenForDevice(dir.path() + "/", QStringLiteral("heron"));

    HidDeviceList list;
    list.AddSupportedDevice(0x7768, 0x6D25, QString(), 101, 0);
    list.SetCurrentDevType(101);
    BenchWorkerEvents events(list);
    events.RefreshConnectionState(ConnectionEvents::Refresh::Full);

    DeviceWorker worker(list, store, events, events);
    worker.SetDevicesPresent(true);
    worker.RunTask(1);
    worker.Tasks().Clear();
    const int profile = worker.CurrentProfile();
    if (!store.SetConfigValue(profile, QStringLiteral("dpi_count"), QStringLiteral("6"))
        || !store.SetConfigValue(profile, QStringLiteral("dpi_index"), QStringLiteral("2"))) {
        std::fprintf(stderr, "tarvo-bench-worker: the store cannot be written\n");
        return 1;
    }

    DeviceWorkerThread thread(worker);
    thread.Start(2, CThreadBasic::Mode::Looping);

    // Edit -> wire.
    std::vector<double> editToWire;
    for (int i = 0; i < edits; ++i) {
        sim.Command("log clear");
        int dpi = 400 + 50 * (i % 100);
        std::string wire = "0613050000010602" + Hex2(dpi) + Hex2(dpi >> 8);
        int64_t start = NowMicroseconds();
        if (!store.SetConfigValue(profile, QStringLiteral("dpi_group2_value"), QString::number(dpi)))
            continue; // nothing to send: not a sample
        worker.Queue(10);
        int64_t at = -1;
        for (int wait = 0; wait < 2000 && at < 0; ++wait) {
            std::this_thread::sleep_for(std::chrono::microseconds(500));
            at = LoggedAt(sim, "out", wire);
        }
        if (at > 0)
            editToWire.push_back(double(at - start) / 1000.0);
    }
    PrintFigures("edit -> wire", editToWire, "ms");

    // Notification -> window.
    std::vector<double> notifyToWindow;
    for (int i = 0; i < 200; ++i) {
        sim.Command("log clear");
        int level = 1 + i % 99;
        sim.Command("battery heron " + std::to_string(level) + " 0");
        for (int wait = 0; wait < 2000 && events.m_battery != level; ++wait)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        int64_t sent = LoggedAt(sim, "in", "06fa00000003" + Hex2(level));
        if (events.m_battery == level && sent > 0)
            notifyToWindow.push_back(double(events.m_batteryAt - sent) / 1000.0);
    }
    PrintFigures("notification -> window", notifyToWindow, "ms");

    // Idle: one mouse plugged, nothing to do.
    sim.Command("log clear");
    double cpuBefore = CpuSecondsSelf();
    auto wallBefore = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    double cpu = CpuSecondsSelf() - cpuBefore;
    double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    std::printf("%-34s %.2f%% of one core over %.0f s (target <= 1%%)\n", "idle worker CPU", 100.0 * cpu / wall,
                wall);

    // A full macro image: 32 macros of 30 events; the 30 that fit whole fill
    // 3904 of the mouse's 4000 bytes. Timed on the firmware's clock from the
    // first piece to the last.
    for (int m = 0; m < 32; ++m) {
        int id = store.AddMacro(QStringLiteral("Macro%1").arg(m));
        std::vector<MacroStep> steps;
        for (int e = 0; e < 30; ++e)
            steps.push_back({0, id, e % 2 ? 3 : 2, e, 0x41 + e / 2, 10, {}});
        if (!store.AddMacroSteps(steps)) {
            std::fprintf(stderr, "tarvo-bench-worker: the macro steps cannot be stored\n");
            return 1;
        }
    }
    sim.Command("log clear");
    worker.Queue(6);
    std::vector<int64_t> pieceTimes;
    for (int wait = 0; wait < 400; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!worker.Tasks().IsEmpty())
            continue;
        std::vector<std::string> lines;
        sim.Command("log", &lines);
        pieceTimes.clear();
        for (const std::string& line : lines) {
            size_t space = line.find(' ');
            if (line.compare(space, 5, " out ") == 0 && line.substr(line.rfind(' ') + 1).rfind("0631", 0) == 0)
                pieceTimes.push_back(std::stoll(line.substr(0, space)));
        }
        if (pieceTimes.size() >= 67)
            break;
    }
    thread.Shutdown();
    if (pieceTimes.size() >= 2) {
        double uploadMs = double(pieceTimes.back() - pieceTimes.front()) / 1000.0;
        std::printf("%-34s %.1f ms for %zu pieces (%.2f ms a piece, 10 ms of it the pacing sleep)\n",
                    "3904-byte macro upload", uploadMs, pieceTimes.size(),
                    uploadMs / double(pieceTimes.size() - 1));
    } else {
        std::printf("%-34s pieces not seen\n", "3904-byte macro upload");
    }

    if (!editToWire.empty()) {
        std::sort(editToWire.begin(), editToWire.end());
        double p99 = editToWire[std::min(editToWire.size() - 1, size_t(0.99 * double(editToWire.size())))];
        std::printf("%-34s p99 %.2f ms / 15 ms target = %.2f\n", "edit -> wire ratio", p99, p99 / 15.0);
    }
    store.CloseDatabase();
    sim.Stop();
    return 0;
}
