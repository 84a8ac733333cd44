// Start-up of the real program: from exec until the main window is first
// drawn, median and spread of N runs (each a fresh first instance with an
// empty settings folder), then the resident memory of the idle window.
// Runs on a private Xvfb display when Xvfb is installed, else offscreen.
//   tarvo-bench-startup [--runs N] [--idle-seconds S] [--offscreen]
#include "XvfbDisplay.h"
#include "app/InstanceChannel.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct Display {
    XvfbDisplay xvfb; // stopped when this goes
    QString name; // empty: offscreen
};

bool StartXvfb(Display& display)
{
    display.name = display.xvfb.Start(1600, 900, 151) ? display.xvfb.Display() : QString();
    return !display.name.isEmpty();
}

struct Run {
    double shownMs = -1;
    long rssKb = -1;
};

long ResidentKb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

Run StartOnce(const Display& display, int idleSeconds)
{
    Run run;
    QTemporaryDir home;
    const QString runtime = home.path() + QStringLiteral("/run");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (display.name.isEmpty()) {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    } else {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), display.name);
    }
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.insert(QStringLiteral("TARVO_PROGRAM_DIR"), QStringLiteral(TARVO_PROGRAM_FOLDER));
    env.insert(QStringLiteral("TARVO_HIDAPI_LIBRARY"), QStringLiteral("/nonexistent/libhidapi-none.so"));
    env.insert(QStringLiteral("TARVO_STARTUP_PROBE"), QStringLiteral("1"));
    QProcess program;
    program.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    program.start(QStringLiteral(TARVO_PROGRAM_PATH), {});
    if (!program.waitForStarted(5000))
        return run;
    QByteArray seen;
    while (!seen.contains("tarvo: window shown") && timer.elapsed() < 20000) {
        program.waitForReadyRead(5);
        seen += program.readAllStandardOutput();
    }
    if (seen.contains("tarvo: window shown"))
        run.shownMs = double(timer.nsecsElapsed()) / 1e6;
    if (idleSeconds > 0) {
        QThread::sleep(unsigned(idleSeconds));
        run.rssKb = ResidentKb(program.processId());
    }
    InstanceChannel channel(QStringLiteral("Tarvo"), runtime);
    channel.Request(QStringLiteral("post 1691 0 610"), 3000);
    if (!program.waitForFinished(10000)) {
        program.kill();
        program.waitForFinished(2000);
    }
    return run;
}

double Percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
    return values[index];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int runs = 10;
    int idleSeconds = 2;
    bool offscreen = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--idle-seconds") == 0 && i + 1 < argc)
            idleSeconds = std::max(0, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--offscreen") == 0)
            offscreen = true;
    }
    Display display;
    if (!offscreen && !StartXvfb(display))
        display.name.clear();
    std::printf("tarvo start-up on %s, %d runs\n",
        display.name.isEmpty() ? "the offscreen platform" : qPrintable(QStringLiteral("Xvfb ") + display.name), runs);

    // One unmeasured start warms the file cache, as a user's second start would be.
    StartOnce(display, 0);
    std::vector<double> shown;
    for (int i = 0; i < runs; ++i) {
        const Run run = StartOnce(display, 0);
        if (run.shownMs < 0) {
            std::printf("run %d: the window was not shown\n", i + 1);
            continue;
        }
        shown.push_back(run.shownMs);
    }
    if (shown.empty()) {
        std::printf("no run showed the window\n");
        return 1;
    }
    std::printf("exec -> window drawn: median %.1f ms, min %.1f ms, max %.1f ms (%zu runs)\n",
        Percentile(shown, 0.5), Percentile(shown, 0.0), Percentile(shown, 1.0), shown.size());

    const Run idle = StartOnce(display, idleSeconds);
    std::printf("resident memory of the idle window after %d s: %ld KiB (%.1f MiB)\n", idleSeconds, idle.rssKb,
        double(idle.rssKb) / 1024.0);
    return 0;
}
