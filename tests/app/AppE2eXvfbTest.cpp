// The real program under Xvfb with a private simulated mouse: what a user
// sees from start-up with nothing plugged to a mouse that sleeps and wakes.
// The program runs with TARVO_STATE_PROBE, which makes it print one
// "tarvo: state ..." line whenever what the window shows changes; clicks are
// real pointer clicks through the XTEST extension.
#include "ProgramUnderXvfb.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

namespace {

using AppE2eXvfbTest = ProgramUnderXvfb;

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

    // Back on: the receiver's own report brings it back.
    Sim("mouse heron on");
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.status == 52 && s.Item(101).receiver == kOnline; }))
        << m_lastLine.toStdString();

    // Off again, and on with a battery notification: back as well.
    ASSERT_TRUE(WaitForQuietLink());
    Sim("mouse heron off");
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.status == 50; })) << m_lastLine.toStdString();
    Sim("battery heron 40 1");
    Sim("mouse heron on");
    ASSERT_TRUE(WaitFor([](const WindowState& s) {
        return s.status == 52 && s.Item(101).receiver == kOnline && s.Item(101).batteryLevel == 40;
    })) << m_lastLine.toStdString();
}

// A mouse that never answers: the program asks it ten times for its status at
// start-up, 1.1 s each. The window is drawn, notices a plug and answers a
// second start while those questions are still going.
TEST_F(AppE2eXvfbTest, ASilentMouseNeverHoldsTheWindowUp)
{
    Sim("fault heron cable silent");
    Sim("plug heron cable");
    StartProgram();
    auto queries = [&] { return LoggedReports("out", "0605").size(); };
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.items.size() == 8; }, 8000)) << m_lastLine.toStdString();
    EXPECT_LT(queries(), 10u) << "the window waited for the mouse's answers";

    // Another receiver is plugged, and a second start asks for the window.
    Sim("plug egret receiver");
    QLocalSocket show;
    show.connectToServer(m_home.path() + QStringLiteral("/run/Tarvo"));
    ASSERT_TRUE(show.waitForConnected(3000));
    show.write("show\n");
    ASSERT_TRUE(show.waitForReadyRead(3000)) << "the window did not answer";
    EXPECT_EQ(show.readLine().trimmed(), QByteArray("shown"));
    EXPECT_LT(queries(), 10u);
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
