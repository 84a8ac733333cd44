// Round trips through the simulated firmware and the cost of idle polling.
//   tarvo-bench-hid [--round-trips N] [--idle-seconds S]
#include "SimProcess.h"
#include "hid/HidDeviceList.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double CpuSecondsSelf()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double CpuSecondsOf(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    auto const close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::vector<std::string> fields;
    size_t at = close + 2;
    while (at < text.size()) {
        size_t const end = text.find(' ', at);
        fields.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    // utime and stime are fields 14 and 15 of the line, 12 and 13 after the name.
    if (fields.size() < 13)
        return 0;
    return (std::stod(fields[11]) + std::stod(fields[12])) / double(sysconf(_SC_CLK_TCK));
}

struct Figures {
    double median;
    double p99;
    double mean;
    double max;
};

Figures Summarise(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    double sum = 0;
    for (double s : samples)
        sum += s;
    auto at = [&](double q) { return samples[std::min(samples.size() - 1, size_t(q * double(samples.size())))]; };
    return { at(0.5), at(0.99), sum / double(samples.size()), samples.back() };
}

}

int main(int argc, char** argv)
{
    int roundTrips = 5000;
    double idleSeconds = 10;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--round-trips") == 0)
            roundTrips = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--idle-seconds") == 0)
            idleSeconds = std::max(0.1, std::atof(argv[i + 1]));
    }

    std::string const socket = "/tmp/tarvo-bench-hid-" + std::to_string(getpid()) + ".sock";
    tarvo::sim::SimProcess sim;
    std::string error;
    if (!sim.Start(TARVO_MOUSESIM_PATH, socket, error)) {
        std::fprintf(stderr, "tarvo-bench-hid: %s\n", error.c_str());
        return 1;
    }
    setenv("TARVO_SIM_SOCKET", socket.c_str(), 1);
    setenv("TARVO_HIDAPI_LIBRARY", TARVO_HIDSIM_LIBRARY, 1);
    sim.Command("plug heron cable");

    HidDeviceList list; // the product's waits
    list.AddSupportedDevice(0x7768, 0x6D25, QString(), 101, 0);
    list.Rebuild();
    list.SetCurrentDevType(101);
    if (list.GetCurrentDevice() < 0) {
        std::fprintf(stderr, "tarvo-bench-hid: the simulated mouse was not found\n");
        return 1;
    }

    auto roundTrip = [&](std::initializer_list<uint8_t> head, HidReply reply, std::vector<double>& samples) {
        HidInputBuffer buffer {};
        std::copy(head.begin(), head.end(), buffer.begin());
        auto const start = Clock::now();
        bool const ok = list.SendReport(buffer, reply);
        samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        return ok;
    };
    struct Kind {
        char const* name;
        std::initializer_list<uint8_t> head;
        HidReply reply;
    };
    Kind const kinds[] = {
        { "status query 0x05 (reply)", { 0x06, 0x05 }, HidReply::Wanted },
        { "set report rate 0x13 (reply)", { 0x06, 0x13, 0x02, 0x00, 0x00, 0x02, 0x02 }, HidReply::Wanted },
        { "set report rate 0x13 (no reply)", { 0x06, 0x13, 0x02, 0x00, 0x00, 0x02, 0x02 }, HidReply::NotWanted },
    };
    std::printf("SendReport round trips through tarvo-mousesim (%d each, after 200 warm-up)\n", roundTrips);
    std::printf("%-34s %10s %10s %10s %10s %8s\n", "exchange", "median us", "p99 us", "mean us", "max us", "failed");
    double statusMedian = 0;
    for (auto const& kind : kinds) {
        std::vector<double> samples;
        for (int i = 0; i < 200; ++i)
            roundTrip(kind.head, kind.reply, samples);
        samples.clear();
        int failed = 0;
        for (int i = 0; i < roundTrips; ++i)
            failed += !roundTrip(kind.head, kind.reply, samples);
        if (kind.reply == HidReply::NotWanted) {
            // Unanswered writes still make the firmware answer; drop those replies.
            HidInputBuffer drain {};
            for (int32_t devType = 1; devType != 0;) {
                devType = 0;
                list.PollReports(drain, devType);
            }
        }
        Figures const f = Summarise(samples);
        if (statusMedian == 0)
            statusMedian = f.median;
        std::printf("%-34s %10.1f %10.1f %10.1f %10.1f %8d\n", kind.name, f.median, f.p99, f.mean, f.max, failed);
    }
    std::printf("budget of one reply (10 reads x 100 ms) / median status round trip: %.0fx\n", 1.0e6 / statusMedian);

    // Idle polling: the worker's loop with an empty queue and one device plugged.
    HidInputBuffer buffer {};
    int32_t devType = 0;
    long passes = 0;
    int reports = 0;
    double const cpuStart = CpuSecondsSelf();
    double const simCpuStart = CpuSecondsOf(sim.Pid());
    auto const start = Clock::now();
    auto const end = start + std::chrono::duration<double>(idleSeconds);
    while (Clock::now() < end) {
        devType = 0;
        list.PollReports(buffer, devType);
        reports += devType != 0;
        ++passes;
    }
    double const wall = std::chrono::duration<double>(Clock::now() - start).count();
    double const cpu = CpuSecondsSelf() - cpuStart;
    double const simCpu = CpuSecondsOf(sim.Pid()) - simCpuStart;
    std::printf("\nPollReports idle for %.1f s, one device plugged: %ld passes (%.2f ms per pass), %d reports\n", wall,
        passes, 1000.0 * wall / double(passes), reports);
    std::printf("process CPU time %.3f s = %.2f%% of one core; simulator daemon %.3f s = %.2f%%\n", cpu,
        100.0 * cpu / wall, simCpu, 100.0 * simCpu / wall);
    sim.Stop();
    return 0;
}
