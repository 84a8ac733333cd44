// The raw input of an X display, read from a private Xvfb server while real
// input arrives through XTEST: keys by their keysyms, buttons and the wheel by
// their numbers, in order, timed by the server.
#include "XTestInput.h"
#include "XvfbDisplay.h"

#include "platform/X11RawInput.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

// Keysyms of the keys the test presses (X11/keysymdef.h).
constexpr uint32_t kKeysymA = 0x61;
constexpr uint32_t kKeysymShiftL = 0xffe1;
constexpr uint32_t kKeysymReturn = 0xff0d;

class X11RawInputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (XvfbDisplay::FindServer().isEmpty())
            GTEST_SKIP() << "Xvfb is not installed";
        ASSERT_TRUE(m_xvfb.Start(320, 240, 140));
        m_display = m_xvfb.Display().toStdString();
    }
    // Reads until `count` events arrived or two seconds passed.
    void ReadUntil(X11RawInput& input, size_t count)
    {
        QElapsedTimer timer;
        timer.start();
        while (m_events.size() < count && timer.elapsed() < 2000)
            input.WaitAndRead(50);
    }

    XvfbDisplay m_xvfb;
    std::string m_display;
    std::vector<RawDeviceEvent> m_events;
};

TEST_F(X11RawInputTest, KeysButtonsAndTheWheelArriveInOrderWithTheServersTiming)
{
    X11RawInput input;
    ASSERT_TRUE(input.Start([this](const RawDeviceEvent& e) { m_events.push_back(e); }, m_xvfb.Display()))
        << input.LastError().toStdString();
    using K = XTestStep::Kind;
    const XTestStep steps[] = {
        {K::KeyDown, "Shift_L", 0, 0},
        {K::KeyDown, "a", 0, 0},
        {K::KeyUp, "a", 0, 120},
        {K::KeyUp, "Shift_L", 0, 0},
        {K::ButtonDown, nullptr, 3, 50},
        {K::ButtonUp, nullptr, 3, 0},
        {K::ButtonDown, nullptr, 4, 0},
        {K::ButtonUp, nullptr, 4, 0},
        {K::ButtonDown, nullptr, 9, 0},
        {K::ButtonUp, nullptr, 9, 0},
        {K::KeyDown, "Return", 0, 0},
        {K::KeyUp, "Return", 0, 0},
    };
    ASSERT_TRUE(XTestSequence(m_display.c_str(), steps, int(std::size(steps))));
    ReadUntil(input, std::size(steps));
    ASSERT_EQ(m_events.size(), std::size(steps));

    using T = RawDeviceEvent::Type;
    const struct {
        T type;
        uint32_t keysym;
        int32_t button;
    } expected[] = {
        {T::KeyDown, kKeysymShiftL, 0},
        {T::KeyDown, kKeysymA, 0},
        {T::KeyUp, kKeysymA, 0},
        {T::KeyUp, kKeysymShiftL, 0},
        {T::ButtonDown, 0, 3},
        {T::ButtonUp, 0, 3},
        {T::ButtonDown, 0, 4},
        {T::ButtonUp, 0, 4},
        {T::ButtonDown, 0, 9},
        {T::ButtonUp, 0, 9},
        {T::KeyDown, kKeysymReturn, 0},
        {T::KeyUp, kKeysymReturn, 0},
    };
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(m_events[i].type, expected[i].type);
        EXPECT_EQ(m_events[i].keysym, expected[i].keysym) << "the first level, even with Shift held";
        EXPECT_EQ(m_events[i].button, expected[i].button);
        if (i > 0) {
            EXPECT_GE(m_events[i].time, m_events[i - 1].time);
        }
    }
    // The server held the release of A back by 120 ms and the right button by 50.
    EXPECT_GE(m_events[2].time - m_events[1].time, 119);
    EXPECT_LT(m_events[2].time - m_events[1].time, 200);
    EXPECT_GE(m_events[4].time - m_events[3].time, 49);

    // Stopped, nothing more is read; started again, it hears new input.
    input.Stop();
    EXPECT_FALSE(input.IsRunning());
    ASSERT_TRUE(XTestSequence(m_display.c_str(), steps, 2));
    EXPECT_EQ(input.WaitAndRead(100), 0);
    m_events.clear();
    ASSERT_TRUE(input.Start([this](const RawDeviceEvent& e) { m_events.push_back(e); }, m_xvfb.Display()))
        << input.LastError().toStdString();
    const XTestStep release[] = {{K::KeyUp, "a", 0, 0}, {K::KeyUp, "Shift_L", 0, 0}};
    ASSERT_TRUE(XTestSequence(m_display.c_str(), release, 2));
    ReadUntil(input, 2);
    ASSERT_EQ(m_events.size(), 2u);
    EXPECT_EQ(m_events[0].type, T::KeyUp);
}

TEST_F(X11RawInputTest, AHandlerMayStopTheSourceMidRead)
{
    X11RawInput input;
    ASSERT_TRUE(input.Start(
        [&](const RawDeviceEvent& e) {
            m_events.push_back(e);
            input.Stop();
        },
        m_xvfb.Display()));
    using K = XTestStep::Kind;
    const XTestStep steps[] = {{K::KeyDown, "a", 0, 0}, {K::KeyUp, "a", 0, 0}, {K::KeyDown, "a", 0, 0}};
    ASSERT_TRUE(XTestSequence(m_display.c_str(), steps, 3));
    ReadUntil(input, 1);
    EXPECT_EQ(m_events.size(), 1u);
    EXPECT_FALSE(input.IsRunning());
}

TEST_F(X11RawInputTest, AHandlerMayRestartTheSourceMidRead)
{
    // The first event restarts the source on a new connection (a new
    // recording begins): the rest of the old connection's queue is dropped
    // and the new connection hears what comes after.
    X11RawInput input;
    bool restarted = false;
    std::function<void(const RawDeviceEvent&)> record = [this](const RawDeviceEvent& e) { m_events.push_back(e); };
    ASSERT_TRUE(input.Start(
        [&](const RawDeviceEvent& e) {
            m_events.push_back(e);
            if (!restarted) {
                restarted = true;
                EXPECT_TRUE(input.Start(record, m_xvfb.Display()));
            }
        },
        m_xvfb.Display()));
    using K = XTestStep::Kind;
    const XTestStep before[] = {{K::KeyDown, "a", 0, 0}, {K::KeyUp, "a", 0, 0}, {K::KeyDown, "Return", 0, 0}};
    ASSERT_TRUE(XTestSequence(m_display.c_str(), before, 3));
    ReadUntil(input, 1);
    input.WaitAndRead(100);
    ASSERT_EQ(m_events.size(), 1u) << "nothing of the old queue is read through the new connection";
    EXPECT_TRUE(input.IsRunning());
    const XTestStep after[] = {{K::KeyUp, "Return", 0, 0}};
    ASSERT_TRUE(XTestSequence(m_display.c_str(), after, 1));
    ReadUntil(input, 2);
    ASSERT_EQ(m_events.size(), 2u);
    EXPECT_EQ(m_events[1].type, RawDeviceEvent::Type::KeyUp);
    EXPECT_EQ(m_events[1].keysym, kKeysymReturn);
}

TEST_F(X11RawInputTest, AClickOnAnotherProgramsWindowArrivesWhole)
{
    // The window takes button presses, so each click grabs the pointer for
    // it until the release: the release must still arrive.
    XTestWindow other;
    ASSERT_TRUE(other.Open(m_display.c_str(), 0, 0, 200, 200));
    X11RawInput input;
    ASSERT_TRUE(input.Start([this](const RawDeviceEvent& e) { m_events.push_back(e); }, m_xvfb.Display()))
        << input.LastError().toStdString();
    ASSERT_TRUE(XTestClick(m_display.c_str(), 100, 100));
    ReadUntil(input, 2);
    ASSERT_EQ(m_events.size(), 2u);
    EXPECT_EQ(m_events[0].type, RawDeviceEvent::Type::ButtonDown);
    EXPECT_EQ(m_events[1].type, RawDeviceEvent::Type::ButtonUp);
    EXPECT_EQ(m_events[1].button, 1);
}

TEST(X11RawInputWithoutDisplay, FailsWithAReason)
{
    X11RawInput input;
    EXPECT_FALSE(input.Start([](const RawDeviceEvent&) {}, QStringLiteral(":4093")));
    EXPECT_FALSE(input.IsRunning());
    EXPECT_FALSE(input.LastError().isEmpty());
}

} // namespace
