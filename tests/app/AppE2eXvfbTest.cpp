// The real program under Xvfb with a private simulated mouse: what a user
// sees from start-up with nothing plugged to a mouse that sleeps and wakes.
// The program runs with TARVO_STATE_PROBE, which makes it print one
// "tarvo: state ..." line whenever what the window shows changes; clicks are
// real pointer clicks through the XTEST extension.
#include "SimProcess.h"
#include "XTestClick.h"
#include "XvfbDisplay.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <atomic>
#include <cstdio>
#include <functional>
#include <map>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

namespace {

constexpr int kScreenWidth = 1600;
constexpr int kScreenHeight = 900;
const QRect kWindow((kScreenWidth - 1280) / 2, (kScreenHeight - 780) / 2, 1280, 780);
std::atomic<int> g_sockets{0};

// One device list item as the state line shows it.
struct ItemState {
    int cable = -1;
    int receiver = -1;
    QString version;
    int batteryStatus = 0;
    int batteryLevel = 0;
    QPoint centre;
};

// The last state line, taken apart.
struct WindowState {
    QString view;    // home | device
    int tab = 0;     // tab item id
    int status = 0;  // status text id
    QString content; // list | nodevice
    int selected = 0;
    std::map<int, ItemState> items;

    static WindowState Parse(const QString& line)
    {
        WindowState state;
        static const QRegularExpression item(
            QStringLiteral("^(\\d+):(-?\\d+)/(-?\\d+):([^:]*):(-?\\d+)/(-?\\d+)@(-?\\d+),(-?\\d+)$"));
        for (const QString& field : line.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const qsizetype eq = field.indexOf(QLatin1Char('='));
            if (eq < 0)
                continue;
            const QString key = field.left(eq);
            const QString value = field.mid(eq + 1);
            if (key == QLatin1String("view"))
                state.view = value;
            else if (key == QLatin1String("tab"))
                state.tab = value.toInt();
            else if (key == QLatin1String("status"))
                state.status = value.toInt();
            else if (key == QLatin1String("content"))
                state.content = value;
            else if (key == QLatin1String("selected"))
                state.selected = value.toInt();
            else if (key == QLatin1String("item")) {
                const QRegularExpressionMatch m = item.match(value);
                if (!m.hasMatch())
                    continue;
                ItemState s;
                s.cable = m.captured(2).toInt();
                s.receiver = m.captured(3).toInt();
                s.version = m.captured(4);
                s.batteryStatus = m.captured(5).toInt();
                s.batteryLevel = m.captured(6).toInt();
                s.centre = QPoint(m.captured(7).toInt(), m.captured(8).toInt());
                state.items[m.captured(1).toInt()] = s;
            }
        }
        return state;
    }
    ItemState Item(int type) const
    {
        auto it = items.find(type);
        return it == items.end() ? ItemState{} : it->second;
    }
};

class AppE2eXvfbTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (XvfbDisplay::FindServer().isEmpty())
            GTEST_SKIP() << "Xvfb is not installed";
        ASSERT_TRUE(m_xvfb.Start(kScreenWidth, kScreenHeight, 151)) << "Xvfb did not start";
        const std::string socket = "/tmp/tarvo-e2e-" + std::to_string(getpid()) + "-" + std::to_string(g_sockets++) + ".sock";
        std::string error;
        ASSERT_TRUE(m_sim.Start(TARVO_MOUSESIM_PATH, socket, error)) << error;
        ASSERT_TRUE(m_home.isValid());
    }
    void TearDown() override
    {
        if (m_program.state() != QProcess::NotRunning) {
            m_program.terminate();
            if (!m_program.waitForFinished(5000))
                m_program.kill();
            m_program.waitForFinished(2000);
        }
        m_sim.Stop();
    }
    QProcessEnvironment Environment() const
    {
        const QString run = m_home.path() + QStringLiteral("/run");
        QDir().mkpath(run);
        QFile::setPermissions(run, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_xvfb.Display());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.path() + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.path() + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), run);
        env.insert(QStringLiteral("TARVO_PROGRAM_DIR"), QStringLiteral(TARVO_BINARY_DIR));
        env.insert(QStringLiteral("TARVO_HIDAPI_LIBRARY"), QStringLiteral(TARVO_HIDSIM_LIBRARY));
        env.insert(QStringLiteral("TARVO_SIM_SOCKET"), QString::fromStdString(m_sim.SocketPath()));
        env.insert(QStringLiteral("TARVO_STATE_PROBE"), QStringLiteral("1"));
        env.insert(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
        env.remove(QStringLiteral("LC_ALL"));
        env.remove(QStringLiteral("LC_MESSAGES"));
        env.remove(QStringLiteral("TARVO_DEBUG"));
        return env;
    }
    void StartProgram()
    {
        m_program.setProcessEnvironment(Environment());
        m_program.setProcessChannelMode(QProcess::SeparateChannels);
        m_program.start(QStringLiteral(TARVO_PROGRAM_PATH), {});
        ASSERT_TRUE(m_program.waitForStarted(5000));
    }
    void Sim(const std::string& command)
    {
        std::string error;
        EXPECT_TRUE(m_sim.Command(command, nullptr, &error)) << command << ": " << error;
    }
    // Waits until the program has sent nothing to the simulator for 300 ms:
    // a report the firmware raises on its own while the program waits for a
    // reply would be taken for that reply.
    bool WaitForQuietLink()
    {
        size_t before = SIZE_MAX;
        for (int i = 0; i < 40; ++i) {
            std::vector<std::string> lines;
            if (!m_sim.Command("log", &lines, nullptr))
                return false;
            if (lines.size() == before)
                return true;
            before = lines.size();
            QThread::msleep(300);
            Drain();
        }
        return false;
    }
    // Reads state lines until `done` holds for the latest one or `ms` passed.
    bool WaitFor(const std::function<bool(const WindowState&)>& done, int ms = 10000)
    {
        QElapsedTimer timer;
        timer.start();
        while (true) {
            Drain();
            if (m_hasState && done(m_state))
                return true;
            if (timer.elapsed() > ms || m_program.state() != QProcess::Running)
                return false;
            m_program.waitForReadyRead(20);
        }
    }
    void Drain()
    {
        m_buffer += m_program.readAllStandardOutput();
        qsizetype end;
        while ((end = m_buffer.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(m_buffer.left(end));
            m_buffer.remove(0, end + 1);
            if (line.startsWith(QStringLiteral("tarvo: state "))) {
                m_state = WindowState::Parse(line);
                m_lastLine = line;
                m_hasState = true;
            }
        }
    }
    // A real left click at a screen point.
    void Click(const QPoint& point)
    {
        EXPECT_TRUE(XTestClick(m_xvfb.Display().toLocal8Bit().constData(), point.x(), point.y()));
    }
    QImage Capture(const QString& name)
    {
        QThread::msleep(400); // let the server finish the last paint
        const QString path = QStringLiteral(TARVO_BINARY_DIR "/") + name;
        QProcess import;
        import.setProcessEnvironment(Environment());
        import.start(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), path});
        if (!import.waitForFinished(30000) || import.exitCode() != 0)
            return {};
        QImage shot(path);
        if (!shot.isNull())
            shot.copy(kWindow).save(path);
        return shot;
    }
    bool HaveImport() const { return !QStandardPaths::findExecutable(QStringLiteral("import")).isEmpty(); }

    QTemporaryDir m_home;
    XvfbDisplay m_xvfb;
    tarvo::sim::SimProcess m_sim;
    QProcess m_program;
    QByteArray m_buffer;
    WindowState m_state;
    QString m_lastLine;
    bool m_hasState = false;
};

constexpr int kHome = 1;
constexpr int kButtons = 2;
constexpr int kOnline = 1;

TEST_F(AppE2eXvfbTest, FromNothingPluggedToASleepingMouseAndBack)
{
    StartProgram();
    ASSERT_TRUE(WaitFor([](const WindowState& s) {
        return s.view == QLatin1String("home") && s.content == QLatin1String("nodevice") && s.status == 50 &&
               s.items.size() == 8;
    })) << m_lastLine.toStdString();

    // A cable Heron Pro: listed online with its version and battery.
    Sim("plug heron cable");
    ASSERT_TRUE(WaitFor([](const WindowState& s) {
        const ItemState heron = s.Item(101);
        return s.content == QLatin1String("list") && s.status == 51 && heron.cable == kOnline && heron.version != QLatin1String("-") &&
               heron.batteryLevel > 0;
    })) << m_lastLine.toStdString();
    EXPECT_EQ(m_state.view, QStringLiteral("home"));
    EXPECT_EQ(m_state.Item(101).receiver, 0);
    EXPECT_EQ(m_state.Item(103).cable, 0);
    if (HaveImport()) {
        EXPECT_FALSE(Capture(QStringLiteral("tarvo-home-view.png")).isNull());
    }

    // Its item clicked: the device view on the key page.
    Click(m_state.Item(101).centre);
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.view == QLatin1String("device") && s.tab == kButtons; }))
        << m_lastLine.toStdString();
    EXPECT_EQ(m_state.selected, 101);
    if (HaveImport()) {
        EXPECT_FALSE(Capture(QStringLiteral("tarvo-device-view.png")).isNull());
    }

    // Unplugged: back home, nothing connected.
    Sim("unplug heron");
    ASSERT_TRUE(WaitFor([](const WindowState& s) {
        return s.view == QLatin1String("home") && s.tab == kHome && s.status == 50 && s.content == QLatin1String("nodevice");
    })) << m_lastLine.toStdString();

    // The receiver with its mouse: the receiver's status.
    Sim("plug heron receiver");
    ASSERT_TRUE(WaitFor([](const WindowState& s) {
        return s.status == 52 && s.Item(101).receiver == kOnline && s.content == QLatin1String("list");
    })) << m_lastLine.toStdString();

    // The mouse switched off: offline.
    ASSERT_TRUE(WaitForQuietLink());
    Sim("mouse heron off");
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.status == 50 && s.Item(101).receiver != kOnline; }))
        << m_lastLine.toStdString();

    // Back on, its battery notification brings it back.
    Sim("mouse heron on");
    Sim("battery heron 40 1");
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.status == 52 && s.Item(101).receiver == kOnline; }))
        << m_lastLine.toStdString();
}

// A mouse plugged in before the udev rule: the home page says it is there but
// may not be opened, and how to mend that; plugged in again with access, it is
// an ordinary mouse.
TEST_F(AppE2eXvfbTest, AMouseThisUserMayNotOpenIsToldApartFromNoMouse)
{
    StartProgram();
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.content == QLatin1String("nodevice") && s.items.size() == 8; }))
        << m_lastLine.toStdString();

    Sim("plug heron cable denied");
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.content == QLatin1String("denied"); }))
        << m_lastLine.toStdString();
    EXPECT_EQ(m_state.view, QStringLiteral("home"));
    EXPECT_EQ(m_state.status, 50);
    EXPECT_EQ(m_state.Item(101).cable, 0);
    if (HaveImport()) {
        EXPECT_FALSE(Capture(QStringLiteral("tarvo-home-denied.png")).isNull());
    }

    // Gone: nothing is attached any more.
    Sim("unplug heron");
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.content == QLatin1String("nodevice"); }))
        << m_lastLine.toStdString();

    Sim("plug heron cable");
    ASSERT_TRUE(WaitFor([](const WindowState& s) {
        return s.content == QLatin1String("list") && s.status == 51 && s.Item(101).cable == kOnline;
    })) << m_lastLine.toStdString();
}

// Not an assertion on speed: prints the time from plugging a cable mouse to
// its item showing online, median of 20.
// A figure, not a check, and 50 s long: run on request with
//   tarvo_app_e2e_tests --gtest_also_run_disabled_tests --gtest_filter='*PlugToOnline*'
// (bench/devices measures the same through the registry without a window).
TEST_F(AppE2eXvfbTest, DISABLED_PlugToOnlineFigure)
{
    StartProgram();
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.items.size() == 8 && s.status == 50; }));
    std::vector<double> times;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer timer;
        timer.start();
        Sim("plug heron cable");
        ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.Item(101).cable == kOnline && s.status == 51; }))
            << i << " " << m_lastLine.toStdString();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        Sim("unplug heron");
        ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.Item(101).cable != kOnline && s.status == 50; }))
            << i << " " << m_lastLine.toStdString();
        // Pacing, not a check: a removal can queue a task per interface, and
        // a refresh still due from the last one would find the next plug
        // early and shorten the figure.
        QThread::msleep(1600);
        Drain();
    }
    std::sort(times.begin(), times.end());
    const double median = (times[9] + times[10]) / 2;
    // Most of it is the worker's settle time after an arrival (1000 ms).
    std::printf("plug to item online (real tarvo, simulated cable Heron Pro): median %.1f ms of 20, min %.1f ms, max %.1f ms\n",
        median, times.front(), times.back());
    RecordProperty("plug_to_online_median_ms", int(median));
}

} // namespace
