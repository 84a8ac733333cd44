// The DPI page in the real program under Xvfb, driven with real clicks and
// typing, against the simulated firmware: what the user does reaches the
// mouse's state, clamped by the model, and what the mouse does reaches the page.
#include "ProgramUnderXvfb.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QThread>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kDeviceTab = 2;
constexpr int kDpiTab = 3;
constexpr int kLevels = 103;
constexpr int kRate = 112;

// 06 13 05 00 00 01: the set-DPI parameter report, then count, index, value.
const std::string kSetDpi = "061305000001";
// 06 13 02 00 00 02 03: report rate 1000 Hz.
const std::string kSetRate1000 = "06130200000203";

class DpiPageE2eTest : public ProgramUnderXvfb {
protected:
    // Starts the program with `model` plugged by cable, opens its device view
    // and the DPI page, and waits until the first read is over.
    void OpenDpiPage(const std::string& model, int deviceType)
    {
        Sim("plug " + model + " cable");
        StartProgram();
        ASSERT_TRUE(WaitFor([&](const WindowState& s) { return s.Item(deviceType).cable == 1; }))
            << m_lastLine.toStdString();
        ASSERT_TRUE(WaitForQuietLink());
        Click(m_state.Item(deviceType).centre);
        ASSERT_TRUE(WaitFor([](const WindowState& s) {
            return s.view == QLatin1String("device") && s.tab == kDeviceTab && s.status == 51;
        })) << m_lastLine.toStdString();
        ASSERT_TRUE(WaitForQuietLink());
        Click(m_state.Tab(kDpiTab));
        ASSERT_TRUE(WaitFor([](const WindowState& s) {
            return s.tab == kDpiTab && s.ListItem(kLevels, 5).x() > 0 && !s.Field(QStringLiteral("dpi.edit")).isEmpty();
        })) << m_lastLine.toStdString();
    }
    // Selects `level`, puts the cursor in its value edit, replaces the text
    // with `typed` and presses Enter.
    void TypeLevel(int level, const std::string& typed)
    {
        Click(m_state.ListItem(kLevels, level));
        ASSERT_TRUE(WaitFor([&](const WindowState& s) { return s.Field(QStringLiteral("dpi.sel")).toInt() == level; }))
            << m_lastLine.toStdString();
        Click(m_state.Point(QStringLiteral("dpi.edit")));
        QThread::msleep(50);
        Key("End");
        for (int i = 0; i < 8; ++i)
            Key("BackSpace");
        Type(typed);
        Key("Return");
    }
};

TEST_F(DpiPageE2eTest, ATypedValueReachesTheMouseClampedByTheModel)
{
    OpenDpiPage("heron", 101);
    if (HaveImport()) {
        EXPECT_FALSE(Capture(QStringLiteral("tarvo-dpi-page.png")).isNull());
    }
    Sim("log clear");
    TypeLevel(2, "30000");
    ASSERT_TRUE(WaitForMouse("heron", [](const QJsonObject& s) { return s["dpi"].toArray().at(2).toInt() == 26000; }))
        << MouseState("heron")["dpi"].toArray().at(2).toInt();
    ASSERT_TRUE(WaitFor([](const WindowState& s) {
        return s.Field(QStringLiteral("dpi.values")).split(QLatin1Char('/')).value(2) == QLatin1String("26000");
    })) << m_lastLine.toStdString();
    // Bytes 6 to 9: count 6, index 2, 26000 = 0x6590 low byte first.
    const auto sent = LoggedReports("out", kSetDpi);
    EXPECT_TRUE(std::any_of(
        sent.begin(), sent.end(), [](const std::string& hex) { return hex.rfind(kSetDpi + "06029065", 0) == 0; }))
        << sent.size() << " set-DPI reports";

    // 1000 Hz: the mouse's rate code 3.
    Click(m_state.ListItem(kRate, 3));
    ASSERT_TRUE(WaitForMouse("heron", [](const QJsonObject& s) { return s["report_rate"].toInt() == 3; }));
    EXPECT_FALSE(LoggedReports("out", kSetRate1000).empty());

    // The mouse's own DPI button: the page follows and nothing is sent back.
    ASSERT_TRUE(WaitForQuietLink());
    const int before = MouseState("heron")["dpi_index"].toInt();
    Sim("log clear");
    Sim("dpi-button heron");
    const int after = MouseState("heron")["dpi_index"].toInt();
    ASSERT_NE(after, before);
    ASSERT_TRUE(WaitFor([&](const WindowState& s) { return s.Field(QStringLiteral("dpi.sel")).toInt() == after; }))
        << m_lastLine.toStdString();
    ASSERT_TRUE(WaitForQuietLink());
    EXPECT_TRUE(LoggedReports("out", "0613").empty()) << "a setting was sent back to the mouse";
}

TEST_F(DpiPageE2eTest, TheSmallerSensorTakesAtMost12000)
{
    OpenDpiPage("heron-3311", 102);
    Sim("log clear");
    TypeLevel(0, "30000");
    ASSERT_TRUE(
        WaitForMouse("heron-3311", [](const QJsonObject& s) { return s["dpi"].toArray().at(0).toInt() == 12000; }))
        << MouseState("heron-3311")["dpi"].toArray().at(0).toInt() << " " << m_lastLine.toStdString() << "\n"
        << testing::PrintToString(LoggedReports("out", "0613"));
    EXPECT_TRUE(WaitFor([](const WindowState& s) { return s.Field(QStringLiteral("dpi.slider")).toInt() == 240; }))
        << m_lastLine.toStdString();
}

// A figure, not a check: from the Enter key of a typed value to the set-DPI
// report in the simulator's log, 100 edits. Run on request with
//   tarvo_editors_e2e_tests --gtest_also_run_disabled_tests --gtest_filter='*EditToWire*'
TEST_F(DpiPageE2eTest, DISABLED_EditToWireFigure)
{
    OpenDpiPage("heron", 101);
    TypeLevel(3, "1600");
    ASSERT_TRUE(WaitForQuietLink());
    Click(m_state.Point(QStringLiteral("dpi.edit")));
    std::vector<double> ms;
    for (int i = 0; i < 100; ++i) {
        const int value = 1000 + 50 * (i % 40);
        char word[5];
        std::snprintf(word, sizeof word, "%02x%02x", value & 0xFF, value >> 8);
        // The program's state lines pile up in its pipe while we wait on
        // the simulator; reading them keeps it from blocking on a full pipe.
        Drain();
        Key("End");
        for (int k = 0; k < 6; ++k)
            Key("BackSpace");
        Type(std::to_string(value));
        Sim("log clear");
        const int64_t pressed = MonotonicMicroseconds();
        Key("Return");
        int64_t at = -1;
        for (int wait = 0; wait < 500 && at < 0; ++wait) {
            for (const std::string& line : Sim("log")) {
                if (line.find(" out ") != std::string::npos && line.find(kSetDpi + "0603" + word) != std::string::npos)
                    at = std::stoll(line.substr(0, line.find(' ')));
            }
            if (at < 0)
                QThread::msleep(1);
        }
        if (at < 0) {
            Drain();
            FAIL() << "edit " << i << " (" << value << ") never reached the wire; " << m_lastLine.toStdString() << "\n"
                   << testing::PrintToString(Sim("log"));
        }
        ms.push_back(double(at - pressed) / 1000.0);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("typed DPI value (Enter, XTEST) to set-DPI report on the simulated wire, real tarvo: median %.2f ms, "
                "p99 %.2f ms, max %.2f ms (n=%zu)\n",
        ms[ms.size() / 2], ms[ms.size() * 99 / 100], ms.back(), ms.size());
}

} // namespace
