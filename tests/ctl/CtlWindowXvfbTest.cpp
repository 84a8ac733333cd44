// tarvoctl beside a running Tarvo window: the window takes the command
// through its single-instance channel and drives the mouse alone.
#include "CtlTestSupport.h"
#include "ProgramUnderXvfb.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

namespace {

constexpr int kDpiTab = 3;

class CtlWindowXvfbTest : public ProgramUnderXvfb {
protected:
    std::unique_ptr<QProcess> Start(const char* line)
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(Environment());
        process->setWorkingDirectory(m_home.path());
        process->start(QStringLiteral(TARVO_CTL_PATH), QString::fromUtf8(line).split(QLatin1Char(' ')));
        return process;
    }
    int Finish(QProcess& process)
    {
        EXPECT_TRUE(process.waitForFinished(60000));
        m_out = QString::fromUtf8(process.readAllStandardOutput());
        m_err = QString::fromUtf8(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    int Ctl(const char* line)
    {
        auto process = Start(line);
        return Finish(*process);
    }
    int Dpi(int level) { return MouseState("heron").value(QStringLiteral("dpi")).toArray().at(level).toInt(); }

    QString m_out;
    QString m_err;
};

TEST_F(CtlWindowXvfbTest, TheWindowCarriesOutTheCommandsAndRefusesTheRest)
{
    Sim("plug heron cable");
    StartProgram();
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.Item(101).cable == 1 && s.status == 51; }))
        << m_lastLine.toStdString();
    ASSERT_TRUE(WaitForQuietLink());
    // The DPI page in view, to watch it follow tarvoctl's change.
    Click(m_state.Item(101).centre);
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.view == QLatin1String("device"); }))
        << m_lastLine.toStdString();
    ASSERT_TRUE(WaitForQuietLink());
    Click(m_state.Tab(kDpiTab));
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return !s.Field(QStringLiteral("dpi.values")).isEmpty(); }))
        << m_lastLine.toStdString();
    ASSERT_TRUE(WaitForQuietLink());

    ASSERT_EQ(Ctl("set dpi 2 1650"), 0) << m_err.toStdString();
    EXPECT_TRUE(m_out.contains(QStringLiteral("dpi: 1=400 2=1650*"))) << m_out.toStdString();
    // Acknowledged before tarvoctl exits: the mouse has it now.
    EXPECT_EQ(Dpi(1), 1650);
    // The window's DPI page shows it as if it had been typed there.
    EXPECT_TRUE(WaitFor([](const WindowState& s) {
        return s.Field(QStringLiteral("dpi.values")).startsWith(QStringLiteral("400/1650/"));
    })) << m_lastLine.toStdString();

    ASSERT_EQ(Ctl("--json show"), 0) << m_err.toStdString();
    const QJsonObject shown = QJsonDocument::fromJson(m_out.toUtf8()).object();
    EXPECT_EQ(
        shown.value(QStringLiteral("dpi")).toObject().value(QStringLiteral("levels")).toArray().at(1).toInt(), 1650);
    EXPECT_EQ(shown.value(QStringLiteral("dpi")).toObject().value(QStringLiteral("index")).toInt(), 2);

    ASSERT_EQ(Ctl("profile 2"), 0) << m_err.toStdString();
    EXPECT_EQ(Dpi(1), 800);
    ASSERT_EQ(Ctl("profile 1"), 0) << m_err.toStdString();
    EXPECT_EQ(Dpi(1), 1650);

    // A button, and a profile file named relative to tarvoctl's folder, not the window's.
    ASSERT_EQ(Ctl("button 2 media mute"), 0) << m_err.toStdString();
    EXPECT_EQ(
        MouseState("heron").value(QStringLiteral("button_map")).toString().mid(16, 8), QStringLiteral("30e20000"));
    ASSERT_EQ(Ctl("profile export saved.xml"), 0) << m_err.toStdString();
    EXPECT_TRUE(QFileInfo(m_home.filePath(QStringLiteral("saved.xml"))).size() > 0) << m_out.toStdString();
    ASSERT_EQ(Ctl("set dpi 2 3000"), 0) << m_err.toStdString();
    ASSERT_EQ(Ctl("profile import saved.xml"), 0) << m_err.toStdString();
    EXPECT_EQ(Dpi(1), 1650);

    const QJsonObject before = MouseState("heron");
    const struct {
        const char* line;
        int code;
        const char* error;
    } refused[] = {
        {"set dpi 1 -5", 2, "must not be negative"},
        {"set dpi 1 26050", 2, "50 to 26000"},
        {"set high-speed on", 2, "by cable"},
        {"--model egret-pro show", 3, "works on Heron Pro"},
        {"--model osprey show", 2, "unknown model"},
    };
    for (const auto& c : refused) {
        EXPECT_EQ(Ctl(c.line), c.code) << c.line << ": " << m_err.toStdString();
        EXPECT_TRUE(m_err.contains(QString::fromUtf8(c.error))) << c.line << ": " << m_err.toStdString();
    }
    EXPECT_EQ(MouseState("heron"), before);

    // Two tarvoctl at once: the window sends each exchange whole, one after
    // the other; every report is answered before the next goes out.
    ASSERT_TRUE(WaitForQuietLink());
    Sim("log clear");
    auto first = Start("set dpi 3 2000");
    auto second = Start("set report-rate 1000");
    EXPECT_EQ(Finish(*first), 0) << m_err.toStdString();
    EXPECT_EQ(Finish(*second), 0) << m_err.toStdString();
    EXPECT_EQ(Dpi(2), 2000);
    EXPECT_EQ(MouseState("heron").value(QStringLiteral("report_rate")).toInt(), 3);
    const std::vector<std::string> log = Sim("log");
    int outs = 0;
    std::string problem;
    EXPECT_TRUE(ReportsTookTurns(log, outs, problem)) << problem;
    for (const std::string& line : log)
        EXPECT_EQ(line.find(" bad "), std::string::npos) << line;
    EXPECT_GE(outs, 2);

    // A factory reset through the window: the store and the mouse back to
    // their defaults, and the window reads the mouse again.
    ASSERT_EQ(Ctl("reset"), 0) << m_err.toStdString();
    EXPECT_TRUE(m_out.contains(QStringLiteral("back to their factory settings"))) << m_out.toStdString();
    EXPECT_EQ(Dpi(1), 800);
    EXPECT_EQ(Dpi(2), 1200);
    EXPECT_EQ(MouseState("heron").value(QStringLiteral("report_rate")).toInt(), 2);
    ASSERT_EQ(Ctl("--json show"), 0) << m_err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(m_out.toUtf8()).object().value(QStringLiteral("report_rate")).toInt(), 500);
}

} // namespace

// The window's mouse switched off behind its receiver: show gives what the
// window's store holds and says the mouse did not answer; changes are refused.
TEST_F(CtlWindowXvfbTest, AWindowWhoseMouseIsAwayShowsTheStoredSettings)
{
    Sim("plug heron receiver");
    StartProgram();
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.status == 52 && s.Item(101).receiver == 1; }, 20000))
        << m_lastLine.toStdString();
    ASSERT_TRUE(WaitForQuietLink());
    ASSERT_EQ(Ctl("set dpi 2 1750"), 0) << m_err.toStdString();
    ASSERT_EQ(Ctl("button 3 shortcut copy"), 0) << m_err.toStdString();
    ASSERT_TRUE(WaitForQuietLink());
    Sim("mouse heron off");
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.status == 50; })) << m_lastLine.toStdString();

    ASSERT_EQ(Ctl("show"), 0) << m_err.toStdString();
    EXPECT_TRUE(m_out.contains(QStringLiteral("2=1750"))) << m_out.toStdString();
    EXPECT_TRUE(m_out.contains(QStringLiteral("    button 3 shortcut copy\n"))) << m_out.toStdString();
    EXPECT_TRUE(m_err.contains(QStringLiteral("Heron Pro did not answer"))) << m_err.toStdString();
    ASSERT_EQ(Ctl("--json show"), 0) << m_err.toStdString();
    EXPECT_FALSE(QJsonDocument::fromJson(m_out.toUtf8()).object().value(QStringLiteral("mouse_answered")).toBool(true))
        << m_out.toStdString();
    EXPECT_EQ(Ctl("set dpi 2 900"), 4);
    EXPECT_TRUE(m_err.contains(QStringLiteral("does not answer the Tarvo window"))) << m_err.toStdString();
}

namespace {

// The commands (report id and command byte) of the reports the program sent,
// in order, with the log time of each.
struct SentReport {
    int64_t at = 0;
    std::string command;
};
std::vector<SentReport> Sent(const std::vector<std::string>& log)
{
    std::vector<SentReport> sent;
    for (const std::string& line : log) {
        const size_t kind = line.find(' ');
        if (line.compare(kind + 1, 4, "out ") != 0)
            continue;
        sent.push_back({std::stoll(line.substr(0, kind)), line.substr(line.rfind(' ') + 1, 4)});
    }
    return sent;
}

} // namespace

// A window started while tarvoctl drives the mouse itself (no window was
// running) waits until tarvoctl is done before it opens the mouse, however
// long tarvoctl takes: here a mouse that answers each report a second late
// makes a profile switch take about twenty seconds. Every report is answered
// before the next goes out, whichever program sent it.
TEST_F(CtlWindowXvfbTest, AWindowStartedMeanwhileWaitsForTarvoctl)
{
    Sim("plug heron cable");
    Sim("fault heron late 900");
    Sim("log clear");
    auto ctl = Start("profile 2");
    // Its first report out: tarvoctl holds the mice now.
    bool sending = false;
    for (int i = 0; i < 300 && !sending; ++i) {
        sending = !Sent(Sim("log")).empty();
        if (!sending)
            QThread::msleep(20);
    }
    ASSERT_TRUE(sending);
    const int64_t windowStarted = MonotonicMicroseconds();
    StartProgram();
    EXPECT_EQ(Finish(*ctl), 0) << m_err.toStdString();
    Sim("fault heron none");
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.Item(101).cable == 1 && s.status == 51; }, 20000))
        << m_lastLine.toStdString();
    ASSERT_TRUE(WaitForQuietLink());
    EXPECT_EQ(Dpi(1), 800); // profile 2's, as tarvoctl sent it

    const std::vector<std::string> log = Sim("log");
    const std::vector<SentReport> sent = Sent(log);
    // tarvoctl was still sending long after the window started.
    int64_t lastLate = 0;
    for (const std::string& line : log) {
        if (line.find(" in ") != std::string::npos)
            lastLate = std::max(lastLate, int64_t(std::stoll(line.substr(0, line.find(' ')))));
    }
    ASSERT_GT(sent.size(), 10u);
    int outs = 0;
    std::string problem;
    EXPECT_TRUE(ReportsTookTurns(log, outs, problem)) << problem;
    EXPECT_EQ(size_t(outs), sent.size());
    for (const std::string& line : log)
        EXPECT_EQ(line.find(" bad "), std::string::npos) << line;
    EXPECT_GT(lastLate - windowStarted, int64_t(16) * 1000000) << "tarvoctl was done too soon to tell";
}
