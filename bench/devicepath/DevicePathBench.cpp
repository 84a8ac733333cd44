// The device path's figures, in one run.
//
// Worker (in this process, against the simulator), woken on work and, for
// comparison, on the old fixed 2 ms clock: edit -> wire and notification ->
// window (p50/p99), and the CPU and wake-ups of an idle worker with one mouse.
//
// The real program under a private Xvfb server (offscreen without one), this
// build and, with --baseline, another build of it:
//   idle CPU and wake-ups (voluntary context switches of every thread) with no
//   device (the real hidapi library), one cable mouse, one receiver, and the
//   resident memory of the idle window;
//   exec -> window drawn with no mouse, a healthy, a silent and a late one;
//   the longest interface-thread stall with a silent and with a late mouse, at
//   start-up and when it is plugged, while models and tabs are clicked and a
//   second device is plugged: the heartbeat probe's longest gap
//   (TARVO_STALL_PROBE; this build only) and the longest wait for an answer
//   to "show" on the single-instance channel (any build);
//   the CPU-seconds of a 200-cycle plug storm until the program is idle again.
//
//   tarvo-bench-devicepath [--baseline PATH] [--program PATH] [--idle-seconds S]
//       [--storm-cycles N] [--edits N] [--runs N] [--settle-max S] [--no-worker] [--no-program]
#include "XvfbDisplay.h"
#include "BenchWorkerEvents.h"
#include "SimProcess.h"
#include "XTestInput.h"
#include "hid/DeviceWorker.h"
#include "hid/HidDeviceList.h"
#include "store/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    QString program = QStringLiteral(TARVO_PROGRAM_PATH);
    QString baseline;
    int idleSeconds = 60;
    int stormCycles = 200;
    int edits = 300;
    int runs = 5;
    int settleMaxSeconds = 420;
    bool worker = true;
    bool programs = true;
};

double Percentile(std::vector<double> values, double q)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(q * double(values.size())))];
}

std::string Hex2(int value)
{
    char text[3];
    std::snprintf(text, sizeof text, "%02x", value & 0xFF);
    return text;
}

// The timestamp of the first logged line of `kind` whose hex starts with `prefix`, or -1.
int64_t LoggedAt(const tarvo::sim::SimProcess& sim, const char* kind, const std::string& prefix)
{
    std::vector<std::string> lines;
    sim.Command("log", &lines);
    const std::string marker = std::string(" ") + kind + " ";
    for (const std::string& line : lines) {
        const size_t space = line.find(' ');
        if (space == std::string::npos || line.compare(space, marker.size(), marker) != 0)
            continue;
        if (line.substr(line.rfind(' ') + 1).rfind(prefix, 0) == 0)
            return std::stoll(line.substr(0, space));
    }
    return -1;
}

size_t LogSize(const tarvo::sim::SimProcess& sim)
{
    std::vector<std::string> lines;
    sim.Command("log", &lines);
    return lines.size();
}

bool StartSim(tarvo::sim::SimProcess& sim, const char* tag)
{
    static int count = 0;
    std::string error;
    const std::string socket = "/tmp/tarvo-bench-devicepath-" + std::to_string(getpid()) + "-" + tag
        + std::to_string(count++) + ".sock";
    if (!sim.Start(TARVO_MOUSESIM_PATH, socket, error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return false;
    }
    return true;
}

// ---- The worker, in this process ----

struct WorkerFigures {
    std::vector<double> editToWire;
    std::vector<double> notifyToWindow;
    double idleCpuPercent = -1;
    double idleWakeups = -1;
};

WorkerFigures MeasureWorker(const Options& options, CThreadBasic::Mode mode)
{
    WorkerFigures figures;
    tarvo::sim::SimProcess sim;
    if (!StartSim(sim, "worker"))
        return figures;
    setenv("TARVO_SIM_SOCKET", sim.SocketPath().c_str(), 1);
    setenv("TARVO_HIDAPI_LIBRARY", TARVO_HIDSIM_LIBRARY, 1);
    sim.Command("plug heron cable");

    QTemporaryDir dir;
    SettingsStore store;
    store.OpenForDevice(dir.path() + "/", QStringLiteral("heron"));
    auto owned = std::make_unique<HidDeviceList>();
    HidDeviceList& list = *owned;
    list.AddSupportedDevice(0x7768, 0x6D25, QString(), 101, 0);
    list.SetCurrentDevType(101);
    BenchWorkerEvents events(list);
    events.RefreshConnectionState(ConnectionEvents::Refresh::Full);

    {
        DeviceWorker worker(list, store, events, events);
        worker.SetDevicesPresent(true);
        worker.RunTask(1);
        worker.Tasks().Clear();
        const int profile = worker.CurrentProfile();
        if (!store.SetConfigValue(profile, QStringLiteral("dpi_count"), QStringLiteral("6"))
            || !store.SetConfigValue(profile, QStringLiteral("dpi_index"), QStringLiteral("2"))) {
            std::fprintf(stderr, "the store did not take the DPI levels\n");
            std::exit(1);
        }

        DeviceWorkerThread thread(worker);
        thread.Start(mode == CThreadBasic::Mode::Waking ? 0 : 2, mode);

        for (int i = 0; i < options.edits; ++i) {
            sim.Command("log clear");
            const int dpi = 400 + 50 * (i % 100);
            const std::string wire = "0613050000010602" + Hex2(dpi) + Hex2(dpi >> 8);
            const int64_t start = NowMicroseconds();
            if (!store.SetConfigValue(profile, QStringLiteral("dpi_group2_value"), QString::number(dpi))) {
                std::fprintf(stderr, "the store did not take a DPI value\n");
                std::exit(1);
            }
            worker.Queue(WorkerTask::SetDpi);
            int64_t at = -1;
            for (int wait = 0; wait < 4000 && at < 0; ++wait) {
                std::this_thread::sleep_for(std::chrono::microseconds(250));
                at = LoggedAt(sim, "out", wire);
            }
            if (at > 0)
                figures.editToWire.push_back(double(at - start) / 1000.0);
        }
        for (int i = 0; i < 200; ++i) {
            sim.Command("log clear");
            const int level = 1 + i % 99;
            sim.Command("battery heron " + std::to_string(level) + " 0");
            for (int wait = 0; wait < 4000 && events.m_battery != level; ++wait)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            const int64_t sent = LoggedAt(sim, "in", "06fa00000003" + Hex2(level));
            if (events.m_battery == level && sent > 0)
                figures.notifyToWindow.push_back(double(events.m_batteryAt - sent) / 1000.0);
        }

        std::this_thread::sleep_for(std::chrono::seconds(1));
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        const auto wallBefore = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(options.idleSeconds));
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
        auto seconds = [](const rusage& u) {
            return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec)
                + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
        };
        figures.idleCpuPercent = 100.0 * (seconds(after) - seconds(before)) / wall;
        // The sleeping main thread adds one switch.
        figures.idleWakeups = double(after.ru_nvcsw - before.ru_nvcsw - 1) / wall;
        thread.Shutdown();
    }
    store.CloseDatabase();
    owned.reset(); // its handles go before the simulator
    sim.Stop();
    return figures;
}

// ---- The real program ----

struct DisplayServer {
    XvfbDisplay xvfb; // stopped when this goes
    QString name; // empty: offscreen
};

bool StartXvfb(DisplayServer& display)
{
    display.name = display.xvfb.Start(1600, 900, 181) ? display.xvfb.Display() : QString();
    return !display.name.isEmpty();
}

struct ProcStats {
    double cpuSeconds = 0;
    long rssKb = -1;
    long privateKb = -1; // resident and not shared with other processes
};

ProcStats ReadStats(qint64 pid)
{
    ProcStats stats;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray text = stat.readAll();
        // Fields after the command name, which ends with the last ')'.
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 13)
            stats.cpuSeconds = double(fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
    }
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                stats.rssKb = line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (rollup.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : rollup.readAll().split('\n')) {
            if (line.startsWith("Private_Clean:") || line.startsWith("Private_Dirty:"))
                stats.privateKb = std::max(stats.privateKb, 0L) + line.mid(14).trimmed().split(' ').first().toLong();
        }
    }
    return stats;
}

enum class Hid { Real, Simulated };
// The heartbeat costs CPU every 5 ms: never where CPU is measured.
enum class Probes { None, State, StateAndHeartbeat };

// One run of a program with private folders and, unless it uses the real HID
// library, a private simulator.
class Session {
public:
    Session(const DisplayServer& display, const QString& program, Hid hid, Probes probes)
        : m_display(display)
        , m_program(program)
        , m_hid(hid)
        , m_probes(probes)
    {
        m_runtime = m_home.path() + QStringLiteral("/run");
        QDir().mkpath(m_runtime);
        QFile::setPermissions(m_runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (hid == Hid::Simulated)
            m_simOk = StartSim(m_sim, "program");
    }
    ~Session() { Stop(); }

    tarvo::sim::SimProcess& Sim() { return m_sim; }
    qint64 Pid() const { return m_process.processId(); }
    const QString& DisplayName() const { return m_display.name; }

    // Starts the program; the time to its first paint in ms, or -1.
    double Start()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (m_display.name.isEmpty()) {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        } else {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
            env.insert(QStringLiteral("DISPLAY"), m_display.name);
        }
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.path() + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.path() + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime);
        env.insert(QStringLiteral("TARVO_PROGRAM_DIR"), QStringLiteral(TARVO_PROGRAM_FOLDER));
        env.insert(QStringLiteral("TARVO_STARTUP_PROBE"), QStringLiteral("1"));
        env.insert(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
        env.remove(QStringLiteral("TARVO_DEBUG"));
        env.remove(QStringLiteral("TARVO_HIDAPI_LIBRARY"));
        env.remove(QStringLiteral("TARVO_SIM_SOCKET"));
        if (m_hid == Hid::Simulated) {
            env.insert(QStringLiteral("TARVO_HIDAPI_LIBRARY"), QStringLiteral(TARVO_HIDSIM_LIBRARY));
            env.insert(QStringLiteral("TARVO_SIM_SOCKET"), QString::fromStdString(m_sim.SocketPath()));
        }
        if (m_probes != Probes::None)
            env.insert(QStringLiteral("TARVO_STATE_PROBE"), QStringLiteral("1"));
        if (m_probes == Probes::StateAndHeartbeat)
            env.insert(QStringLiteral("TARVO_STALL_PROBE"), QStringLiteral("1"));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        m_process.start(m_program, {});
        if (!m_process.waitForStarted(5000))
            return -1;
        while (!m_shown && timer.elapsed() < 30000 && m_process.state() == QProcess::Running) {
            m_process.waitForReadyRead(2);
            Drain();
        }
        return m_shown ? double(timer.nsecsElapsed()) / 1e6 : -1;
    }

    // Reads what the program printed: state lines, heartbeats.
    void Drain()
    {
        // Without an event loop QProcess reads its pipe only inside a wait: a
        // pipe left full would block the program's probe lines, and with them
        // the interface thread being measured.
        for (int i = 0; i < 64 && m_process.state() == QProcess::Running && m_process.waitForReadyRead(0); ++i) {}
        m_buffer += m_process.readAllStandardOutput();
        qsizetype end;
        while ((end = m_buffer.indexOf('\n')) >= 0) {
            const QByteArray line = m_buffer.left(end);
            m_buffer.remove(0, end + 1);
            if (line.startsWith("tarvo: window shown")) {
                m_shown = true;
            } else if (line.startsWith("tarvo: heartbeat max-gap=")) {
                const long gap = line.mid(25).toLong();
                if (m_heartbeats++ == 0)
                    m_startupGap = gap;
                else
                    m_maxGap = std::max(m_maxGap, gap);
            } else if (line.startsWith("tarvo: state ")) {
                m_state = QString::fromUtf8(line);
            }
        }
    }
    void ResetHeartbeat() { m_maxGap = -1; }
    long MaxGap() const { return m_maxGap; }
    long StartupGap() const { return m_startupGap; }
    bool HasHeartbeat() const { return m_heartbeats > 0; }
    const QString& State() const { return m_state; }

    // The time to an answer to "show" in ms; `timeoutMs` when none came.
    double AskToShow(int timeoutMs)
    {
        QElapsedTimer timer;
        timer.start();
        QLocalSocket socket;
        socket.connectToServer(m_runtime + QStringLiteral("/Tarvo"));
        if (!socket.waitForConnected(timeoutMs))
            return timeoutMs;
        socket.write("show\n");
        socket.flush();
        while (!socket.canReadLine() && timer.elapsed() < timeoutMs)
            socket.waitForReadyRead(int(std::max<qint64>(1, timeoutMs - timer.elapsed())));
        return socket.canReadLine() ? double(timer.nsecsElapsed()) / 1e6 : timeoutMs;
    }

    // Waits until the program has sent nothing to the simulator for quietMs.
    void WaitForQuietLink(int quietMs, int maxMs)
    {
        QElapsedTimer timer;
        timer.start();
        size_t before = SIZE_MAX;
        while (timer.elapsed() < maxMs) {
            const size_t now = LogSize(m_sim);
            if (now == before)
                return;
            before = now;
            QThread::msleep(quietMs);
            Drain();
        }
    }

    void Stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }

    bool SimOk() const { return m_hid == Hid::Real || m_simOk; }

private:
    const DisplayServer& m_display;
    QString m_program;
    Hid m_hid;
    Probes m_probes;
    QTemporaryDir m_home;
    QString m_runtime;
    tarvo::sim::SimProcess m_sim;
    bool m_simOk = false;
    QProcess m_process;
    QByteArray m_buffer;
    bool m_shown = false;
    long m_maxGap = -1;
    long m_startupGap = -1;
    int m_heartbeats = 0;
    QString m_state;
};

struct Idle {
    double cpuPercent = -1;
    double wakeups = -1;
    double rssMb = -1;
    double privateMb = -1;
};

// Voluntary context switches of each thread of pid, by thread id.
std::map<QString, long> ThreadSwitches(qint64 pid)
{
    std::map<QString, long> switches;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks.filePath(task) + QStringLiteral("/status"));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches:"))
                switches[task] = line.mid(24).trimmed().toLong();
        }
    }
    return switches;
}

Idle MeasureIdle(const DisplayServer& display, const QString& program, const char* plug, int seconds)
{
    Idle idle;
    Session session(display, program, plug ? Hid::Simulated : Hid::Real, Probes::None);
    if (!session.SimOk())
        return idle;
    if (plug)
        session.Sim().Command(plug);
    if (session.Start() < 0)
        return idle;
    if (plug)
        session.WaitForQuietLink(1000, 20000);
    QThread::sleep(3);
    const ProcStats before = ReadStats(session.Pid());
    // Threads come and go (a pool's idle threads end after a while): each
    // thread's switches are counted from its first reading, or from zero when
    // it began meanwhile, to its last, read once a second. A thread that ends
    // loses at most its last second.
    const std::map<QString, long> first = ThreadSwitches(session.Pid());
    std::map<QString, long> last = first;
    QElapsedTimer timer;
    timer.start();
    for (int second = 0; second < seconds; ++second) {
        QThread::sleep(1);
        for (const auto& [thread, count] : ThreadSwitches(session.Pid()))
            last[thread] = count;
    }
    const ProcStats after = ReadStats(session.Pid());
    const double wall = double(timer.nsecsElapsed()) / 1e9;
    long switches = 0;
    for (const auto& [thread, count] : last) {
        const auto start = first.find(thread);
        switches += count - (start == first.end() ? 0 : start->second);
    }
    idle.cpuPercent = 100.0 * (after.cpuSeconds - before.cpuSeconds) / wall;
    idle.wakeups = double(switches) / wall;
    idle.rssMb = double(after.rssKb) / 1024.0;
    idle.privateMb = double(after.privateKb) / 1024.0;
    return idle;
}

// exec -> first paint, median of `runs`, with `fault` set on a plugged cable
// Heron (nothing plugged when plug is false).
double MeasureStart(const DisplayServer& display, const QString& program, bool plug, const char* fault, int runs)
{
    std::vector<double> shown;
    for (int i = 0; i < runs; ++i) {
        Session session(display, program, Hid::Simulated, Probes::None);
        if (!session.SimOk())
            continue;
        if (plug)
            session.Sim().Command("plug heron cable");
        if (fault)
            session.Sim().Command(std::string("fault heron cable ") + fault);
        const double ms = session.Start();
        if (ms >= 0)
            shown.push_back(ms);
    }
    return Percentile(shown, 0.5);
}

// Clicks a model's item when the list shows, else a tab of the device view.
void ClickSomething(Session& session, int turn)
{
    if (session.DisplayName().isEmpty())
        return;
    const QString state = session.State();
    static const QRegularExpression item(QStringLiteral(" item=(\\d+):[^@ ]*@(-?\\d+),(-?\\d+)"));
    static const QRegularExpression tab(QStringLiteral(" tabitem=(\\d+)@(-?\\d+),(-?\\d+)"));
    std::vector<std::pair<int, int>> points;
    if (state.contains(QStringLiteral("content=list")) && state.contains(QStringLiteral("view=home"))) {
        auto it = item.globalMatch(state);
        while (it.hasNext()) {
            const auto m = it.next();
            if (m.captured(1) == QLatin1String("101") || m.captured(1) == QLatin1String("103"))
                points.emplace_back(m.captured(2).toInt(), m.captured(3).toInt());
        }
    } else {
        auto it = tab.globalMatch(state);
        while (it.hasNext()) {
            const auto m = it.next();
            points.emplace_back(m.captured(2).toInt(), m.captured(3).toInt());
        }
    }
    if (points.empty())
        return;
    const auto& [x, y] = points[size_t(turn) % points.size()];
    XTestClick(session.DisplayName().toLocal8Bit().constData(), x, y);
}

struct Stall {
    double shownMs = -1; // exec -> first paint (start-up scenarios)
    double showWaitMs = -1; // longest wait for "show"
    long heartbeatMs = -1; // longest heartbeat gap (after start-up)
};

// `atStart`: the faulty mouse is plugged before the program starts; else it is
// plugged (a receiver) once the program is idle. For `seconds` the window is
// asked to show itself every 100 ms and clicked every 300 ms; a second device
// is plugged after two seconds.
Stall MeasureStall(
    const DisplayServer& display, const QString& program, const std::string& fault, bool atStart, int seconds)
{
    Stall stall;
    Session session(display, program, Hid::Simulated, Probes::StateAndHeartbeat);
    if (!session.SimOk())
        return stall;
    const std::string target = atStart ? "heron cable" : "heron receiver";
    session.Sim().Command("fault " + target + " " + fault);
    if (atStart)
        session.Sim().Command("plug " + target);
    stall.shownMs = session.Start();
    if (stall.shownMs < 0)
        return stall;
    if (!atStart) {
        session.WaitForQuietLink(500, 10000);
        QThread::msleep(1200);
        session.Drain();
        session.ResetHeartbeat();
        session.Sim().Command("plug " + target);
    }
    QElapsedTimer timer;
    timer.start();
    double longest = 0;
    int turn = 0;
    bool second = false;
    while (timer.elapsed() < seconds * 1000) {
        longest = std::max(longest, session.AskToShow(20000));
        session.Drain();
        if (turn % 3 == 0)
            ClickSomething(session, turn / 3);
        if (!second && timer.elapsed() > 2000) {
            session.Sim().Command("plug egret receiver");
            second = true;
        }
        ++turn;
        QThread::msleep(100);
    }
    // The last full second's heartbeat.
    QThread::msleep(1100);
    session.Drain();
    stall.showWaitMs = longest;
    stall.heartbeatMs = session.MaxGap();
    return stall;
}

struct Storm {
    double cpuSeconds = -1;
    double settleSeconds = -1;
    bool finalStateRight = false;
};

Storm MeasureStorm(const DisplayServer& display, const QString& program, int cycles, int settleMax)
{
    Storm storm;
    Session session(display, program, Hid::Simulated, Probes::State);
    if (!session.SimOk() || session.Start() < 0)
        return storm;
    QThread::sleep(2);
    session.Drain();
    const ProcStats before = ReadStats(session.Pid());
    QElapsedTimer timer;
    timer.start();
    // 200 plug-unplug cycles in about 6 s, cable and receiver in turn.
    const qint64 pace = 6000 / std::max(cycles, 1);
    for (int i = 0; i < cycles; ++i) {
        const char* link = i % 2 ? "receiver" : "cable";
        session.Sim().Command(std::string("plug heron ") + link);
        session.Sim().Command(std::string("unplug heron ") + link);
        const qint64 due = pace * (i + 1);
        if (timer.elapsed() < due)
            QThread::msleep(unsigned(due - timer.elapsed()));
        session.Drain();
    }
    // Settled: no CPU for three seconds in a row and a quiet link.
    double last = ReadStats(session.Pid()).cpuSeconds;
    int quiet = 0;
    while (timer.elapsed() < qint64(settleMax) * 1000 && quiet < 3) {
        QThread::sleep(1);
        session.Drain();
        const double now = ReadStats(session.Pid()).cpuSeconds;
        quiet = now - last < 0.005 ? quiet + 1 : 0;
        last = now;
    }
    const ProcStats after = ReadStats(session.Pid());
    storm.cpuSeconds = after.cpuSeconds - before.cpuSeconds;
    storm.settleSeconds = double(timer.elapsed()) / 1000.0 - 3;
    // Everything unplugged at the end: the Heron's item offline in both modes.
    const QString state = session.State();
    storm.finalStateRight = state.contains(QStringLiteral("status=50"))
        && state.contains(QStringLiteral(" item=101:0/0:"));
    return storm;
}

void PrintMs(const char* what, double value)
{
    if (value < 0)
        std::printf("  %-58s n/a\n", what);
    else
        std::printf("  %-58s %.1f ms\n", what, value);
}

void MeasureProgram(const DisplayServer& display, const QString& name, const QString& program, const Options& options)
{
    std::printf("\n%s (%s)\n", qPrintable(name), qPrintable(program));
    for (const auto& [label, plug] : {std::pair<const char*, const char*>{"no device (real hidapi)", nullptr},
             {"one cable mouse", "plug heron cable"}, {"one receiver and its mouse", "plug heron receiver"}}) {
        const Idle idle = MeasureIdle(display, program, plug, options.idleSeconds);
        std::printf("  idle, %-27s CPU %.3f %% of a core, %.1f wake-ups/s, RSS %.1f MB (%.1f MB private) (over %d s)\n",
            label, idle.cpuPercent, idle.wakeups, idle.rssMb, idle.privateMb, options.idleSeconds);
    }
    PrintMs(
        "exec -> window drawn, nothing plugged (median)", MeasureStart(display, program, false, nullptr, options.runs));
    PrintMs("exec -> window drawn, healthy cable mouse (median)",
        MeasureStart(display, program, true, nullptr, options.runs));
    PrintMs("exec -> window drawn, silent cable mouse", MeasureStart(display, program, true, "silent", 1));
    PrintMs("exec -> window drawn, cable mouse late by 5 s", MeasureStart(display, program, true, "late 5000", 1));

    struct StallCase {
        const char* label;
        const char* fault;
        bool atStart;
    };
    // The healthy mouse is the yardstick: the same clicks and plugs cost the
    // interface thread that much with no device to wait for.
    for (const StallCase& c :
        {StallCase{"healthy mouse at start-up", "none", true}, StallCase{"silent mouse at start-up", "silent", true},
            StallCase{"late mouse (5 s) at start-up", "late 5000", true},
            StallCase{"healthy mouse's receiver plugged", "none", false},
            StallCase{"silent mouse's receiver plugged", "silent", false},
            StallCase{"late mouse's (5 s) receiver plugged", "late 5000", false}}) {
        const Stall stall = MeasureStall(display, program, c.fault, c.atStart, 14);
        std::printf("  stall, %-36s longest wait for \"show\" %.1f ms, heartbeat gap %s", c.label, stall.showWaitMs,
            stall.heartbeatMs >= 0 ? qPrintable(QStringLiteral("%1 ms").arg(stall.heartbeatMs)) : "n/a");
        if (c.atStart)
            std::printf(", window drawn after %.1f ms", stall.shownMs);
        std::printf("\n");
    }
    const Storm storm = MeasureStorm(display, program, options.stormCycles, options.settleMaxSeconds);
    std::printf("  plug storm of %d cycles: %.2f CPU-seconds, idle again %.1f s after it began, final state %s\n",
        options.stormCycles, storm.cpuSeconds, storm.settleSeconds, storm.finalStateRight ? "right" : "WRONG");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    Options options;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!std::strcmp(arg, "--no-worker")) {
            options.worker = false;
        } else if (!std::strcmp(arg, "--no-program")) {
            options.programs = false;
        } else if (value && !std::strcmp(arg, "--baseline")) {
            options.baseline = QString::fromLocal8Bit(value), ++i;
        } else if (value && !std::strcmp(arg, "--program")) {
            options.program = QString::fromLocal8Bit(value), ++i;
        } else if (value && !std::strcmp(arg, "--idle-seconds")) {
            options.idleSeconds = std::max(1, std::atoi(value)), ++i;
        } else if (value && !std::strcmp(arg, "--storm-cycles")) {
            options.stormCycles = std::max(1, std::atoi(value)), ++i;
        } else if (value && !std::strcmp(arg, "--edits")) {
            options.edits = std::max(1, std::atoi(value)), ++i;
        } else if (value && !std::strcmp(arg, "--runs")) {
            options.runs = std::max(1, std::atoi(value)), ++i;
        } else if (value && !std::strcmp(arg, "--settle-max")) {
            options.settleMaxSeconds = std::max(10, std::atoi(value)), ++i;
        } else {
            std::fprintf(stderr, "unknown argument %s\n", arg);
            return 2;
        }
    }

    if (options.worker) {
        std::printf("worker against the simulator, one cable mouse\n");
        for (const auto& [label, mode] : {std::pair{"woken on work", CThreadBasic::Mode::Waking},
                 std::pair{"2 ms clock (old)", CThreadBasic::Mode::Looping}}) {
            const WorkerFigures f = MeasureWorker(options, mode);
            std::printf("  %-17s edit -> wire p50 %.2f ms p99 %.2f ms (n=%zu); notification -> window p50 %.2f ms "
                        "p99 %.2f ms (n=%zu); idle CPU %.3f %%, %.1f wake-ups/s over %d s\n",
                label, Percentile(f.editToWire, 0.5), Percentile(f.editToWire, 0.99), f.editToWire.size(),
                Percentile(f.notifyToWindow, 0.5), Percentile(f.notifyToWindow, 0.99), f.notifyToWindow.size(),
                f.idleCpuPercent, f.idleWakeups, options.idleSeconds);
        }
    }
    if (options.programs) {
        DisplayServer display;
        if (!StartXvfb(display))
            display.name.clear();
        std::printf("\nthe real program on %s\n",
            display.name.isEmpty() ? "the offscreen platform (no clicks)"
                                   : qPrintable(QStringLiteral("Xvfb ") + display.name));
        MeasureProgram(display, QStringLiteral("this build"), options.program, options);
        if (!options.baseline.isEmpty())
            MeasureProgram(display, QStringLiteral("baseline"), options.baseline, options);
    }
    return 0;
}
