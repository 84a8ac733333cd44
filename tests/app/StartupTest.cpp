#include "AppTestSupport.h"

#include "app/AppMessages.h"
#include "app/AppStartup.h"
#include "app/DpiAwareness.h"
#include "app/InstanceChannel.h"
#include "store/SQLiteDB.h"
#include "store/SQLiteStatement.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <future>
#include <gtest/gtest.h>

#include "support/OddFiles.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <set>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

TEST(DpiAwarenessTest, ScreensAndScales)
{
    const struct {
        int32_t width;
        int32_t height;
        int32_t dpi;
        bool aware;
    } cases[] = {
        {1366, 768, 96, true}, // height below 788
        {1280, 1024, 96, true}, // width below 1400
        {1399, 900, 96, true}, {1400, 788, 96, false}, // the first size that is large enough
        {1400, 787, 96, true}, {1920, 1080, 96, false}, {1920, 1080, 120, false}, // 125 percent is not above 125
        {1920, 1080, 144, true}, {1920, 1080, 168, true}, {1920, 1080, 192, true},
        {1920, 1080, 150, false}, // unlisted DPI counts as 100 percent
        {1920, 1080, 0, false}, // no monitor
        {1920, 1200, 192, false}, // the DPI test applies to 1920 x 1080 only
        {2560, 1440, 192, false}, {1080, 1920, 192, true}, // a portrait screen is narrow
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DpiAwareness::ShouldBeDpiAware(c.width, c.height, c.dpi), c.aware)
            << c.width << "x" << c.height << " at " << c.dpi;
    }
    const std::pair<int32_t, int32_t> scales[] = {
        {96, 100}, {72, 100}, {120, 125}, {144, 150}, {168, 175}, {192, 200}, {100, 100}, {240, 100}, {-1, 100}};
    for (const auto& [dpi, percent] : scales)
        EXPECT_EQ(DpiAwareness::ScalePercent(dpi), percent) << dpi;
    EXPECT_DOUBLE_EQ(DpiAwareness::WindowScale(false, 2.0), 1.0);
    EXPECT_DOUBLE_EQ(DpiAwareness::WindowScale(true, 2.0), 0.5);
    EXPECT_DOUBLE_EQ(DpiAwareness::WindowScale(true, 1.0), 1.0);
    EXPECT_DOUBLE_EQ(DpiAwareness::WindowScale(true, 0.0), 1.0);
}

TEST(AppStartupTest, AutorunIsACaseSensitiveSubstringOfTheArguments)
{
    const struct {
        QStringList arguments;
        bool autorun;
    } cases[] = {
        {{"tarvo"}, false},
        {{"tarvo", "-autorun"}, true},
        {{"tarvo", "--x", "-autorun"}, true},
        {{"tarvo", "x-autorunning"}, true},
        {{"tarvo", "-AUTORUN"}, false},
        {{"tarvo", "-Autorun"}, false},
        {{"tarvo", "autorun"}, false},
        {{"/opt/-autorun/tarvo"}, false}, // the program's own path is not an argument
        {{}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AppStartup::HasAutorunSwitch(c.arguments), c.autorun) << c.arguments.join(' ').toStdString();
}

TEST(AppStartupTest, VersionAndHelpAreWholeArguments)
{
    using A = AppStartup::Action;
    const struct {
        QStringList arguments;
        A action;
    } cases[] = {
        {{"tarvo"}, A::Run}, {{"tarvo", "--version"}, A::Version}, {{"tarvo", "--help"}, A::Help},
        {{"tarvo", "-h"}, A::Help}, {{"tarvo", "-autorun", "--help", "--version"}, A::Help}, // the first counts
        {{"tarvo", "--version", "-h"}, A::Version}, {{"tarvo", "--versions"}, A::Run}, {{"tarvo", "-version"}, A::Run},
        {{"tarvo", "-platform", "offscreen"}, A::Run}, // Qt's own options go to the window
        {{"/opt/--version/tarvo"}, A::Run}, {{"--help"}, A::Run}, // the program path is not an argument
    };
    for (const auto& c : cases)
        EXPECT_EQ(AppStartup::ChooseAction(c.arguments), c.action) << c.arguments.join(' ').toStdString();
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^tarvo \\d+\\.\\d+\\.\\d+\n$")).match(AppStartup::VersionText()).hasMatch())
        << AppStartup::VersionText().toStdString();
    EXPECT_TRUE(AppStartup::HelpText().contains(QStringLiteral("-autorun")));
    EXPECT_TRUE(AppStartup::HelpText().contains(QStringLiteral("70-tarvo.rules")));
}

class InstanceChannelTest : public ::testing::Test {
protected:
    QString Folder() const { return m_dir.path() + QLatin1Char('/'); }
    // A request from another thread while this one serves the channel.
    QString RequestServed(InstanceChannel& client, const QString& line)
    {
        auto answer = std::async(std::launch::async, [&] { return client.Request(line, 3000); });
        EXPECT_TRUE(WaitUntil([&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
        return answer.get();
    }
    QTemporaryDir m_dir;
};

TEST_F(InstanceChannelTest, OneFirstInstancePerFolder)
{
    InstanceChannel first(QStringLiteral("Tarvo"), Folder());
    EXPECT_EQ(first.ClaimFirst(), InstanceChannel::Claim::First);
    InstanceChannel second(QStringLiteral("Tarvo"), Folder());
    EXPECT_EQ(second.ClaimFirst(), InstanceChannel::Claim::Other);
    // Nobody listening yet: a later start gets no answer and ends.
    EXPECT_EQ(second.AskToShow(200), InstanceChannel::ShowResult::NoAnswer);
    first.Close();
    InstanceChannel third(QStringLiteral("Tarvo"), Folder());
    EXPECT_EQ(third.ClaimFirst(), InstanceChannel::Claim::First);
}

TEST_F(InstanceChannelTest, AFolderThatCannotHoldTheLockGoesOnAsFirst)
{
    QFile blocker(Folder() + QStringLiteral("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    InstanceChannel channel(QStringLiteral("Tarvo"), Folder() + QStringLiteral("file/below"));
    EXPECT_EQ(channel.ClaimFirst(), InstanceChannel::Claim::Unavailable);
}

TEST_F(InstanceChannelTest, RequestsAndAnswers)
{
    AppFixtureServices services;
    InstanceChannel server(QStringLiteral("Tarvo"), Folder());
    ASSERT_EQ(server.ClaimFirst(), InstanceChannel::Claim::First);
    ASSERT_TRUE(server.Listen());
    InstanceChannel client(QStringLiteral("Tarvo"), Folder());

    // Before the window exists.
    EXPECT_EQ(RequestServed(client, QStringLiteral("show")), QStringLiteral("nowindow"));
    EXPECT_EQ(RequestServed(client, QStringLiteral("ping")), QStringLiteral("nowindow"));
    EXPECT_EQ(RequestServed(client, QStringLiteral("post 1691 0 610")), QStringLiteral("nowindow"));

    DeviceMainDlg::Services withChannel;
    withChannel.hid = services.m_hid.get();
    withChannel.store = services.m_store.get();
    withChannel.channel = &server;
    std::vector<int32_t> exits;
    DeviceMainDlg dlg(withChannel);
    dlg.SetExitHook([&](int32_t code) { exits.push_back(code); });
    dlg.Create(0, QStringLiteral("Tarvo"), kWsDialog, 0, {0, 0, 1280, 780});
    dlg.ShowWindow(kSwHide);
    ProcessEvents();

    // Another start restores the hidden window.
    EXPECT_EQ(RequestServed(client, QStringLiteral("show")), QStringLiteral("shown"));
    EXPECT_TRUE(dlg.IsWindowVisible());
    dlg.ShowWindow(kSwMinimize);
    ProcessEvents();
    EXPECT_EQ(RequestServed(client, QStringLiteral("show")), QStringLiteral("shown"));
    EXPECT_TRUE(dlg.IsWindowVisible());
    EXPECT_FALSE(dlg.GetWidget()->isMinimized());

    // Exactly the documented requests: anything close to them is an error
    // and changes nothing (each of these used to end the program or be
    // "posted").
    const struct {
        QString line;
        const char* answer;
    } cases[] = {
        {QStringLiteral("ping"), "ready"},
        {QStringLiteral("post 1691 0 611"), "error"},
        {QStringLiteral("post 1691 1 610"), "error"},
        {QStringLiteral("post 1691 0 0610"), "error"},
        {QStringLiteral("post 1691 0 +610"), "error"},
        {QStringLiteral("post 01691 0 610"), "error"},
        {QStringLiteral("post 1691 -0 610"), "error"},
        {QStringLiteral("post  1691 0 610"), "error"},
        {QStringLiteral(" post 1691 0 610"), "error"},
        {QStringLiteral("post 1691 0 610 "), "error"},
        {QStringLiteral("post 1691\t0 610"), "error"},
        {QStringLiteral("post 1691 0 610\r"), "error"},
        {QString::fromLatin1("post 1691 0 610\0junk", 20), "error"},
        {QStringLiteral("post 1690 0 610"), "error"},
        {QStringLiteral("post 2022 0 0"), "error"},
        {QStringLiteral("post 1691 0"), "error"},
        {QStringLiteral("post 1691 x 610"), "error"},
        {QStringLiteral("post 1691 0 610 7"), "error"},
        {QStringLiteral("POST 1691 0 610"), "error"},
        {QStringLiteral(""), "error"},
        {QStringLiteral("SHOW"), "error"},
        {QStringLiteral("show "), "error"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RequestServed(client, c.line), QString::fromLatin1(c.answer)) << c.line.toStdString();
    ProcessEvents();
    EXPECT_TRUE(exits.empty());
    EXPECT_TRUE(dlg.IsWindowVisible());

    // A request too long to be ours is cut off.
    EXPECT_EQ(RequestServed(client, QString(300, QLatin1Char('a'))), QStringLiteral("error"));

    EXPECT_EQ(RequestServed(client, QStringLiteral("post 1691 0 610")), QStringLiteral("posted"));
    ProcessEvents();
    EXPECT_EQ(exits, std::vector<int32_t>{0});
}

// Idle clients are dropped after the request timeout, and however many there
// are, they only delay a request: it is answered once they are gone.
TEST_F(InstanceChannelTest, IdleConnectionsAreDroppedAndOnlyDelayARequest)
{
    InstanceChannel server(QStringLiteral("Tarvo"), Folder());
    ASSERT_EQ(server.ClaimFirst(), InstanceChannel::Claim::First);
    ASSERT_TRUE(server.Listen());
    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < 3 * InstanceChannel::kMaxConnections; ++i) {
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(server.SocketPath());
    }
    ProcessEvents();
    EXPECT_TRUE(WaitUntil([&] { return server.ConnectionCount() == InstanceChannel::kMaxConnections; }));
    EXPECT_LE(server.ConnectionCount(), InstanceChannel::kMaxConnections);

    QElapsedTimer clock;
    clock.start();
    InstanceChannel client(QStringLiteral("Tarvo"), Folder());
    auto answer = std::async(std::launch::async, [&] { return client.Request(QStringLiteral("ping"), 9000); });
    while (answer.wait_for(std::chrono::seconds(0)) != std::future_status::ready && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(answer.get(), QStringLiteral("nowindow"));
    // The idle ones went in rounds of kMaxConnections, each after the timeout.
    EXPECT_LT(clock.elapsed(), 4 * InstanceChannel::kRequestTimeoutMs + 1000);
    EXPECT_TRUE(WaitUntil([&] {
        return std::all_of(idle.begin(), idle.end(),
            [](const auto& socket) { return socket->state() == QLocalSocket::UnconnectedState; });
    })) << "idle connections are kept";
    EXPECT_TRUE(WaitUntil([&] { return server.ConnectionCount() == 0; }));
}

// Clients that send a request and give up while they wait behind idle ones
// are served with nobody left to answer: each must still free its place, or
// eight of them close the channel for the rest of the run.
TEST_F(InstanceChannelTest, ClientsThatHungUpWhileQueuedFreeTheirPlaces)
{
    InstanceChannel server(QStringLiteral("Tarvo"), Folder());
    ASSERT_EQ(server.ClaimFirst(), InstanceChannel::Claim::First);
    ASSERT_TRUE(server.Listen());
    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < InstanceChannel::kMaxConnections; ++i) {
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(server.SocketPath());
    }
    ASSERT_TRUE(WaitUntil([&] { return server.ConnectionCount() == InstanceChannel::kMaxConnections; }));
    for (int i = 0; i < 2 * InstanceChannel::kMaxConnections; ++i) {
        QLocalSocket impatient;
        impatient.connectToServer(server.SocketPath());
        ASSERT_TRUE(impatient.waitForConnected(2000));
        impatient.write("ping\n");
        ASSERT_TRUE(impatient.waitForBytesWritten(2000));
        impatient.abort();
    }
    // The idle ones are dropped after the timeout; the queued ones are then
    // served, each to a client that is gone.
    EXPECT_TRUE(WaitUntil([&] { return server.ConnectionCount() == 0; }))
        << server.ConnectionCount() << " places still taken";
    InstanceChannel client(QStringLiteral("Tarvo"), Folder());
    auto answer = std::async(std::launch::async, [&] { return client.Request(QStringLiteral("ping"), 5000); });
    QElapsedTimer clock;
    clock.start();
    while (answer.wait_for(std::chrono::seconds(0)) != std::future_status::ready && clock.elapsed() < 6000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(answer.get(), QStringLiteral("nowindow"));
}

// The idle limit is for clients that never finish a request: tarvoctl's
// request, answered by the window only after the mouse replied, is waited for.
TEST_F(InstanceChannelTest, AWholeRequestIsAnsweredHoweverLongTheWindowTakes)
{
    InstanceChannel server(QStringLiteral("Tarvo"), Folder());
    ASSERT_EQ(server.ClaimFirst(), InstanceChannel::Claim::First);
    ASSERT_TRUE(server.Listen());
    QString received;
    server.SetCtlHandler([&](const QString& line, InstanceChannel::Reply reply) {
        received = line;
        QTimer::singleShot(InstanceChannel::kRequestTimeoutMs + 700, [reply] { reply("done\n"); });
    });
    InstanceChannel client(QStringLiteral("Tarvo"), Folder());
    auto answer = std::async(std::launch::async, [&] { return client.Request(QStringLiteral("ctl 1 {}"), 9000); });
    QElapsedTimer clock;
    clock.start();
    while (answer.wait_for(std::chrono::seconds(0)) != std::future_status::ready && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(answer.get(), QStringLiteral("done"));
    EXPECT_EQ(received, QStringLiteral("ctl 1 {}"));
    EXPECT_TRUE(WaitUntil([&] { return server.ConnectionCount() == 0; }));
}

// Out of descriptors, the server's accept fails and it stops listening; once
// descriptors are free again, it listens again and answers.
TEST_F(InstanceChannelTest, AServerThatStoppedListeningListensAgain)
{
    InstanceChannel server(QStringLiteral("Tarvo"), Folder());
    ASSERT_EQ(server.ClaimFirst(), InstanceChannel::Claim::First);
    ASSERT_TRUE(server.Listen());

    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
    const int open = int(
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
    struct rlimit tight = old;
    tight.rlim_cur = rlim_t(open + 4);
    // Clients take every descriptor left, so the server's accept finds none.
    std::vector<std::unique_ptr<QLocalSocket>> crowd;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
    for (int i = 0; i < 16; ++i) {
        crowd.push_back(std::make_unique<QLocalSocket>());
        crowd.back()->connectToServer(server.SocketPath());
        if (crowd.back()->state() == QLocalSocket::UnconnectedState)
            break;
    }
    for (int i = 0; i < 20 && server.IsListening(); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const bool stopped = !server.IsListening();
    crowd.clear();
    setrlimit(RLIMIT_NOFILE, &old);
    if (!stopped)
        GTEST_SKIP() << "the accept did not run out of descriptors here";

    InstanceChannel client(QStringLiteral("Tarvo"), Folder());
    EXPECT_TRUE(WaitUntil([&] { return server.IsListening(); })) << "the server never listened again";
    EXPECT_EQ(RequestServed(client, QStringLiteral("ping")), QStringLiteral("nowindow"));
    // The same when the socket file is removed under it.
    QFile::remove(server.SocketPath());
    EXPECT_TRUE(WaitUntil([&] { return QFileInfo::exists(server.SocketPath()); }));
    EXPECT_EQ(RequestServed(client, QStringLiteral("ping")), QStringLiteral("nowindow"));
}

// A lock whose owner cannot be read would keep every start out for ever; one
// that is no regular file could block the start reading it.
TEST_F(InstanceChannelTest, ALockWithoutAReadableOwnerIsStale)
{
    const QString lock = Folder() + QStringLiteral("Tarvo.lock");
    auto writeLock = [&](const QByteArray& bytes) {
        QFile::remove(lock);
        QFile file(lock);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    const QByteArray contents[] = {QByteArray(), QByteArray("garbage"), QByteArray("\n\n\n"), QByteArray(4096, '\xff')};
    for (const QByteArray& bytes : contents) {
        writeLock(bytes);
        InstanceChannel channel(QStringLiteral("Tarvo"), Folder());
        EXPECT_EQ(channel.ClaimFirst(), InstanceChannel::Claim::First) << bytes.left(16).toStdString();
        InstanceChannel second(QStringLiteral("Tarvo"), Folder());
        EXPECT_EQ(second.ClaimFirst(), InstanceChannel::Claim::Other) << "the new owner holds it";
    }

    // A dead owner (the way QLockFile writes it): stale too.
    QProcess gone;
    gone.start(QStringLiteral("true"));
    ASSERT_TRUE(gone.waitForFinished(5000));
    writeLock(QByteArray::number(gone.processId()) + "\nTarvo\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    {
        InstanceChannel channel(QStringLiteral("Tarvo"), Folder());
        EXPECT_EQ(channel.ClaimFirst(), InstanceChannel::Claim::First);
    }

    // An owner that has created the file and holds it but has not written
    // its id yet is no stale lock.
    writeLock(QByteArray());
    const int held = ::open(QFile::encodeName(lock).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    {
        InstanceChannel channel(QStringLiteral("Tarvo"), Folder());
        EXPECT_EQ(channel.ClaimFirst(), InstanceChannel::Claim::Other);
    }
    ::close(held);

    // A FIFO where the lock belongs.
    QFile::remove(lock);
    ASSERT_TRUE(OddFiles::MakeFifo(lock));
    InstanceChannel channel(QStringLiteral("Tarvo"), Folder());
    InstanceChannel::Claim claim = InstanceChannel::Claim::Unavailable;
    ASSERT_TRUE(OddFiles::ReturnsWithin([&] { claim = channel.ClaimFirst(); }, lock));
    EXPECT_EQ(claim, InstanceChannel::Claim::First);
    EXPECT_TRUE(QFileInfo(lock).isFile());
}

// ---- The real program in two processes (offscreen) ----

QProcessEnvironment ProgramEnvironment(const QString& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));
    env.insert(QStringLiteral("TARVO_PROGRAM_DIR"), QStringLiteral(TARVO_BINARY_DIR));
    env.insert(QStringLiteral("TARVO_HIDAPI_LIBRARY"), QStringLiteral("/nonexistent/libhidapi-none.so"));
    env.insert(QStringLiteral("TARVO_STARTUP_PROBE"), QStringLiteral("1"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
    env.remove(QStringLiteral("LC_ALL"));
    env.remove(QStringLiteral("LC_MESSAGES"));
    return env;
}

bool WaitForOutput(QProcess& process, const QByteArray& text, QByteArray& seen)
{
    for (int i = 0; i < 100 && !seen.contains(text); ++i) {
        process.waitForReadyRead(100);
        seen += process.readAllStandardOutput();
    }
    return seen.contains(text);
}

class TwoProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir().mkpath(m_home.path() + QStringLiteral("/run"));
        QFile::setPermissions(
            m_home.path() + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    void Start(QProcess& process, const QStringList& arguments, const QProcessEnvironment& extra = {})
    {
        QProcessEnvironment env = ProgramEnvironment(m_home.path());
        for (const QString& key : extra.keys())
            env.insert(key, extra.value(key));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(TARVO_PROGRAM_PATH), arguments);
        ASSERT_TRUE(process.waitForStarted(5000));
    }
    // Waits until the window exists and answers on the channel.
    bool WaitUntilReady()
    {
        for (int i = 0; i < 200; ++i) {
            if (Ask(QStringLiteral("ping")) == QLatin1String("ready"))
                return true;
            QThread::msleep(50);
        }
        return false;
    }
    QString DatabasePath() const { return m_home.path() + QStringLiteral("/data/Tarvo Files/db/heron_datav3.db"); }
    QString Ask(const QString& line)
    {
        InstanceChannel client(QStringLiteral("Tarvo"), m_home.path() + QStringLiteral("/run"));
        return client.Request(line, 2000);
    }
    QTemporaryDir m_home;
};

// --version and --help answer without a display, a settings file or the
// running window: a program that started its window first would abort here.
TEST_F(TwoProcessTest, VersionAndHelpNeedNoDisplayAndLeaveTheRunningWindowAlone)
{
    QProcess first;
    Start(first, {});
    QByteArray seen;
    ASSERT_TRUE(WaitForOutput(first, "tarvo: window shown", seen)) << seen.toStdString();

    QTemporaryDir fresh;
    QProcessEnvironment env = ProgramEnvironment(m_home.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), fresh.path() + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), fresh.path() + QStringLiteral("/data"));
    for (const char* option : {"--version", "--help"}) {
        QProcess probe;
        probe.setProcessEnvironment(env);
        probe.start(QStringLiteral(TARVO_PROGRAM_PATH), {QString::fromLatin1(option)});
        ASSERT_TRUE(probe.waitForFinished(10000)) << option;
        EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit) << option;
        EXPECT_EQ(probe.exitCode(), 0) << option << probe.readAllStandardError().toStdString();
        const QByteArray out = probe.readAllStandardOutput();
        EXPECT_TRUE(out.startsWith(option == QByteArray("--version") ? "tarvo 0." : "Usage: tarvo"))
            << out.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(fresh.path() + QStringLiteral("/config"))) << "no settings file written";
    EXPECT_FALSE(QFileInfo::exists(fresh.path() + QStringLiteral("/data"))) << "no data folder made";
    EXPECT_EQ(first.state(), QProcess::Running);
    first.terminate();
    first.waitForFinished(5000);
}

TEST_F(TwoProcessTest, ASecondStartRaisesTheFirstAndExitsZero)
{
    QProcess first;
    Start(first, {QStringLiteral("-autorun")});
    // Hidden: ask whether the window exists until it does.
    bool attached = false;
    for (int i = 0; i < 100 && !attached; ++i) {
        attached = Ask(QStringLiteral("ping")) == QLatin1String("ready");
        if (!attached)
            QThread::msleep(50);
    }
    ASSERT_TRUE(attached);
    QByteArray seen = first.readAllStandardOutput();
    EXPECT_FALSE(seen.contains("tarvo: window shown")) << "started hidden";

    QProcess second;
    Start(second, {});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_FALSE(second.readAllStandardOutput().contains("window shown")) << "the second start opens no window";

    // The first window was brought up and drew itself.
    EXPECT_TRUE(WaitForOutput(first, "tarvo: window shown", seen));
    EXPECT_EQ(first.state(), QProcess::Running);

    // Another process ends it with 1691 and 610.
    EXPECT_EQ(Ask(QStringLiteral("post 1691 0 610")), QStringLiteral("posted"));
    ASSERT_TRUE(first.waitForFinished(10000));
    EXPECT_EQ(first.exitCode(), 0);

    // The settings file holds the language written back, the data folder its db/.
    QFile settings(m_home.path() + QStringLiteral("/config/Tarvo/Tarvo.conf"));
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_TRUE(settings.readAll().contains("LCID=1033"));
    EXPECT_TRUE(QDir(m_home.path() + QStringLiteral("/data/Tarvo Files/db")).exists());

    // The lock went with the process: the next start is a first instance again.
    QProcess third;
    Start(third, {});
    QByteArray thirdSeen;
    EXPECT_TRUE(WaitForOutput(third, "tarvo: window shown", thirdSeen));
    EXPECT_EQ(Ask(QStringLiteral("post 1691 0 610")), QStringLiteral("posted"));
    ASSERT_TRUE(third.waitForFinished(10000));
    EXPECT_EQ(third.exitCode(), 0);
}

TEST_F(TwoProcessTest, ASecondStartWhileTheFirstHasNoWindowEndsSilently)
{
    // A first instance that holds the lock and listens, with no window yet.
    InstanceChannel first(QStringLiteral("Tarvo"), m_home.path() + QStringLiteral("/run"));
    ASSERT_EQ(first.ClaimFirst(), InstanceChannel::Claim::First);
    ASSERT_TRUE(first.Listen());
    QProcess second;
    Start(second, {});
    EXPECT_TRUE(WaitUntil([&] { return second.state() == QProcess::NotRunning; }));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_FALSE(second.readAllStandardOutput().contains("window shown"));
}

// Each clean way out of the program closes the database, so its file alone
// holds everything: a copy of the file without its log beside it is whole.
TEST_F(TwoProcessTest, EveryCleanExitLeavesTheDatabaseWholeInItsFile)
{
    const struct {
        const char* way;
        std::function<void(QProcess&)> end;
    } ways[] = {
        {"the quit message",
            [this](QProcess&) { EXPECT_EQ(Ask(QStringLiteral("post 1691 0 610")), QStringLiteral("posted")); }},
        {"SIGTERM (the session ends)", [](QProcess& program) { program.terminate(); }},
        {"SIGINT (Ctrl+C)", [](QProcess& program) { ::kill(pid_t(program.processId()), SIGINT); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.way);
        QDir(m_home.path() + QStringLiteral("/data")).removeRecursively();
        QProcess program;
        Start(program, {});
        ASSERT_TRUE(WaitUntilReady());
        ASSERT_TRUE(QFileInfo::exists(DatabasePath()));
        way.end(program);
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        EXPECT_FALSE(QFileInfo(DatabasePath() + QStringLiteral("-wal")).size() > 0) << "edits left in the log";

        const QString copy = m_home.path() + QStringLiteral("/copy.db");
        QFile::remove(copy);
        ASSERT_TRUE(QFile::copy(DatabasePath(), copy));
        SQLiteDB alone;
        const QByteArray path = copy.toUtf8();
        ASSERT_TRUE(alone.Open(path.constData(), SQLiteOpen::kReadWrite));
        SQLiteStatement statement;
        alone.Prepare(
            statement, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name LIKE 't\\_%' ESCAPE '\\'", -1);
        ASSERT_EQ(statement.Step(), SQLiteResult::kRow);
        EXPECT_EQ(statement.GetColumnInt(0), 10) << "the file alone lacks the tables";
    }
}

// An empty lock file (a start cut short, a full disk) no longer keeps every
// start out: the program starts, with its window, as the first instance.
TEST_F(TwoProcessTest, AnEmptyLockFileDoesNotKeepTheProgramOut)
{
    QFile lock(m_home.path() + QStringLiteral("/run/Tarvo.lock"));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.close();
    QProcess program;
    Start(program, {});
    QByteArray seen;
    EXPECT_TRUE(WaitForOutput(program, "tarvo: window shown", seen)) << "no window: " << seen.toStdString();
    EXPECT_EQ(Ask(QStringLiteral("post 1691 0 610")), QStringLiteral("posted"));
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitCode(), 0);
}

// The state probe prints the whole device list in every line; with many
// models a line per change made the output grow with the square of their
// number. One line per burst keeps it proportional.
TEST_F(TwoProcessTest, TheStateProbeStaysSmallWithManyModels)
{
    constexpr int kModels = 1000;
    const QString folder = m_home.path() + QStringLiteral("/program/");
    QDir().mkpath(folder);
    for (const char* shared : {"skins", "language", "device"})
        ASSERT_TRUE(OddFiles::MakeLink(
            QStringLiteral(TARVO_BINARY_DIR "/") + QLatin1String(shared), folder + QLatin1String(shared)));
    QByteArray config = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<config><device>\n";
    for (int i = 0; i < kModels; ++i)
        config += "<mouse name=\"Model " + QByteArray::number(i) + "\" device_type=\"" + QByteArray::number(1001 + i)
            + "\" device_attr=\"heron\" image=\"heron.png\"/>\n";
    config += "</device><software version=\"1.0.10\"/></config>\n";
    QFile file(folder + QStringLiteral("config.xml"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(config);
    file.close();

    QProcessEnvironment extra;
    extra.insert(QStringLiteral("TARVO_PROGRAM_DIR"), folder);
    extra.insert(QStringLiteral("TARVO_STATE_PROBE"), QStringLiteral("1"));
    // Lines of a thousand models fill a pipe in a few lines; nobody reads it
    // while the test waits on the channel, so they go to a file.
    const QString output = m_home.path() + QStringLiteral("/state.txt");
    QProcess program;
    program.setStandardOutputFile(output);
    Start(program, {}, extra);
    ASSERT_TRUE(WaitUntilReady());
    QThread::msleep(500);
    InstanceChannel client(QStringLiteral("Tarvo"), m_home.path() + QStringLiteral("/run"));
    EXPECT_EQ(client.Request(QStringLiteral("post 1691 0 610"), 15000), QStringLiteral("posted"));
    if (!program.waitForFinished(30000)) {
        program.kill();
        program.waitForFinished();
        FAIL() << "the program did not end";
    }
    QFile written(output);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    qsizetype lines = 0;
    qsizetype bytes = 0;
    qsizetype longest = 0;
    for (const QByteArray& line : written.readAll().split('\n')) {
        if (!line.startsWith("tarvo: state"))
            continue;
        ++lines;
        bytes += line.size();
        longest = std::max(longest, line.size());
    }
    ASSERT_GT(lines, 0);
    EXPECT_GT(longest, kModels * 20) << "every model is in the line";
    EXPECT_LE(lines, 20) << bytes << " bytes of state lines";
}

// ---- Text ids ----

// Every interface text the program asks for exists in both language files:
// the calls with a number, the shared ids of language/TextIds.h and the texts
// the pages keep beside their controls (constants named kText...).
TEST(TextIdScanTest, EveryTextIdTheProgramUsesExistsInBothLanguages)
{
    std::set<int> used;
    const QRegularExpression getCall(QStringLiteral(R"(InterfaceText::Get\(\s*(\d+)\s*\))"));
    const QRegularExpression constant(QStringLiteral(R"(constexpr\s+int\s+k\w+\s*=\s*(\d+)\s*;)"));
    const QRegularExpression pageText(QStringLiteral(R"(constexpr\s+int\s+kText\w+\s*=\s*(\d+)\s*;)"));
    const QRegularExpression textCall(QStringLiteral(R"(\bText\(\s*(\d+)\s*\))"));
    QDirIterator it(QStringLiteral(TARVO_SOURCE_DIR "/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
        QDir::Files, QDirIterator::Subdirectories);
    int files = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const QString source = QString::fromUtf8(file.readAll());
        ++files;
        for (const QRegularExpression* pattern : {&getCall, &textCall, &pageText})
            for (auto match = pattern->globalMatch(source); match.hasNext();)
                used.insert(match.next().captured(1).toInt());
        if (path.endsWith(QLatin1String("TextIds.h")))
            for (auto match = constant.globalMatch(source); match.hasNext();)
                used.insert(match.next().captured(1).toInt());
    }
    EXPECT_GE(files, 10);
    // The scan really finds the shell's texts (a broken pattern would pass vacuously).
    ASSERT_GE(used.size(), 30u);
    EXPECT_TRUE(used.count(351) && used.count(723) && used.count(571) && used.count(258));

    for (const char* language : {"2052", "1033"}) {
        const auto texts = ReadLanguageFile(
            QStringLiteral(TARVO_SOURCE_DIR "/resources/language/") + QLatin1String(language) + QStringLiteral(".lan"));
        ASSERT_FALSE(texts.empty()) << language;
        for (int id : used) {
            const auto found = texts.find(id);
            EXPECT_TRUE(found != texts.end() && !found->second.isEmpty())
                << "text " << id << " missing from " << language << ".lan";
        }
    }
}

} // namespace
