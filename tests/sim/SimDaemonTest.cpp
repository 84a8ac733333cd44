#include "SimProcess.h"
#include "SimWire.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QFile>
#include <atomic>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tarvo::sim;

namespace {

std::atomic<int> g_sockets { 0 };

std::string NewSocketPath()
{
    return "/tmp/tarvo-simtest-" + std::to_string(getpid()) + "-" + std::to_string(g_sockets++) + ".sock";
}

class SimDaemonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(m_sim.Start(TARVO_MOUSESIM_PATH, NewSocketPath(), error)) << error;
    }

    std::vector<std::string> Ok(std::string const& command)
    {
        std::vector<std::string> lines;
        std::string error;
        EXPECT_TRUE(m_sim.Command(command, &lines, &error)) << command << ": " << error;
        return lines;
    }
    std::string Refused(std::string const& command)
    {
        std::string error;
        EXPECT_FALSE(m_sim.Command(command, nullptr, &error)) << command;
        return error;
    }
    QJsonObject State(std::string const& target)
    {
        auto const lines = Ok("state " + target);
        return lines.size() == 1 ? QJsonDocument::fromJson(QByteArray::fromStdString(lines[0])).object() : QJsonObject();
    }
    // A raw device connection, as libtarvo-hidsim.so opens one.
    int OpenDevice(std::string const& path)
    {
        int const fd = ConnectSocket(m_sim.SocketPath());
        EXPECT_GE(fd, 0);
        EXPECT_TRUE(WriteAll(fd, "open " + path + "\n"));
        LineReader reader(fd);
        std::string line;
        do {
            EXPECT_EQ(reader.ReadLine(line, std::chrono::seconds(5)), LineReader::Result::Line);
        } while (line.rfind("product ", 0) == 0);
        EXPECT_EQ(line, "ok");
        return fd;
    }
    int CountLog(std::string const& kind)
    {
        int n = 0;
        for (auto const& line : Ok("log"))
            n += line.find(" " + kind + " ") != std::string::npos;
        return n;
    }

    SimProcess m_sim;
};

}

TEST_F(SimDaemonTest, CommandsChangeTheFirmwareState)
{
    std::string const path = Ok("plug plover receiver").at(0);
    EXPECT_NE(path.find("PID_6430&MI_01"), std::string::npos);
    Ok("battery plover 20 1");
    Ok("dpi-button plover");
    Ok("receiver-version plover 3.1.4");
    QJsonObject state = State("plover");
    EXPECT_EQ(state["link"].toString(), QStringLiteral("receiver"));
    EXPECT_EQ(state["battery_level"].toInt(), 20);
    EXPECT_EQ(state["battery_status"].toInt(), 1);
    EXPECT_EQ(state["dpi_index"].toInt(), 2);
    EXPECT_EQ(state["receiver_version"].toString(), QStringLiteral("3.1.4"));
    EXPECT_EQ(state["dpi"].toArray().size(), 6);
    EXPECT_TRUE(state["plugged"].toBool());

    Ok("mouse plover off");
    EXPECT_FALSE(State("plover")["reachable"].toBool());
    Ok("start-pairing plover");
    EXPECT_TRUE(State("plover")["pairing"].toBool());
    Ok("pair plover");
    state = State("plover");
    EXPECT_TRUE(state["paired"].toBool());
    EXPECT_TRUE(state["reachable"].toBool());
    Refused("pair plover");

    Ok("fault plover late 250");
    EXPECT_EQ(State("plover")["fault"].toString(), QStringLiteral("late"));
    Ok("unplug plover");
    state = State("plover receiver");
    EXPECT_FALSE(state["plugged"].toBool());
    EXPECT_EQ(state["battery_level"].toInt(), 20) << "firmware state survives unplugging";
}

TEST_F(SimDaemonTest, BadCommandsAreRefusedWithAReason)
{
    Ok("plug heron cable");
    Ok("plug heron receiver");
    struct Case {
        char const* command;
        char const* reason;
    };
    Case const cases[] = {
        { "", "empty" },
        { "frobnicate", "unknown command" },
        { "plug", "usage" },
        { "plug hawk cable", "usage" },
        { "plug heron wire", "usage" },
        { "plug heron cable", "already plugged" },
        { "dpi-button heron", "say which" },
        { "battery heron cable 5", "usage" },
        { "battery heron cable x y", "usage" },
        { "text heron cable 1", "usage" },
        { "press heron cable", "usage" },
        { "press heron cable 14", "usage" },
        { "mouse heron sideways", "usage" },
        { "fault heron cable broken", "usage" },
        { "mouse-version heron cable 1.2", "usage" },
        { "receiver-version heron 1.2.3.4", "usage" },
        { "unplug egret", "not plugged" },
        { "state hawk", "unknown model" },
        { "dpi-button egret", "not plugged" },
    };
    for (auto const& c : cases)
        EXPECT_NE(Refused(c.command).find(c.reason), std::string::npos) << c.command;
    Ok("ping");
}

TEST_F(SimDaemonTest, BadDeviceInputIsLoggedNeverFatal)
{
    std::string const path = Ok("plug heron cable").at(0);
    int const fd = OpenDevice(path);
    std::string const garbage[] = {
        "out zz\n",
        "out 0605\n",                                   // 2 bytes
        "out " + std::string(130, 'f') + "\n",          // 65 bytes
        "out 07" + std::string(126, '0') + "\n",        // wrong report id
        "out 0699" + std::string(124, '0') + "\n",      // unknown command
        "hello\n",
        std::string(100000, 'x') + "\n",                // an absurd line
        std::string("out \0\0\n", 7),
    };
    for (auto const& g : garbage)
        ASSERT_TRUE(WriteAll(fd, g));
    // A valid command afterwards still gets its answer on the same connection.
    ASSERT_TRUE(WriteAll(fd, "out 0605" + std::string(124, '0') + "\n"));
    LineReader reader(fd);
    std::string line;
    ASSERT_EQ(reader.ReadLine(line, std::chrono::seconds(5)), LineReader::Result::Line);
    EXPECT_EQ(line.substr(0, 7), "in 0605");
    close(fd);
    Ok("ping");
    EXPECT_GE(CountLog("bad"), 7);

    // Writes to the mouse collection are not commands.
    std::string mouse = path;
    mouse.replace(mouse.find("MI_01"), 5, "MI_00");
    int const mouseFd = OpenDevice(mouse);
    ASSERT_TRUE(WriteAll(mouseFd, "out 0605" + std::string(124, '0') + "\n"));
    close(mouseFd);
    bool logged = false;
    for (int i = 0; i < 1000 && !logged; ++i) {
        for (auto const& entry : Ok("log"))
            logged |= entry.find("without commands") != std::string::npos;
    }
    EXPECT_TRUE(logged) << [&] {
        std::string all;
        for (auto const& entry : Ok("log"))
            all += entry.substr(0, 160) + "\n";
        return all;
    }();

    int const nobody = ConnectSocket(m_sim.SocketPath());
    ASSERT_TRUE(WriteAll(nobody, "open \\\\?\\HID#nothing\n"));
    LineReader refused(nobody);
    ASSERT_EQ(refused.ReadLine(line, std::chrono::seconds(5)), LineReader::Result::Line);
    EXPECT_EQ(line, "error no such device");
    close(nobody);
}

TEST_F(SimDaemonTest, LogLinesCarryMonotonicMicrosecondsAndHex)
{
    std::string const path = Ok("plug egret cable").at(0);
    int const fd = OpenDevice(path);
    Ok("log clear");
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(WriteAll(fd, "out 0605" + std::string(124, '0') + "\n"));
    LineReader reader(fd);
    std::string line;
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(reader.ReadLine(line, std::chrono::seconds(5)), LineReader::Result::Line);
    close(fd);
    auto const log = Ok("log");
    ASSERT_EQ(log.size(), 6u);
    long long previous = 0;
    for (size_t i = 0; i < log.size(); ++i) {
        auto const words = SplitWords(log[i]);
        ASSERT_EQ(words.size(), 4u) << log[i];
        long long const stamp = std::stoll(std::string(words[0]));
        EXPECT_GE(stamp, previous);
        previous = stamp;
        EXPECT_EQ(words[1], i % 2 == 0 ? "out" : "in");
        EXPECT_EQ(words[2], path);
        EXPECT_EQ(words[3].size(), 128u);
        EXPECT_TRUE(FromHex(words[3]).has_value());
    }
}

TEST_F(SimDaemonTest, EachDaemonKeepsItsOwnDevices)
{
    SimProcess other;
    std::string error;
    ASSERT_TRUE(other.Start(TARVO_MOUSESIM_PATH, NewSocketPath(), error)) << error;
    Ok("plug heron cable");
    std::vector<std::string> lines;
    ASSERT_TRUE(other.Command("list", &lines));
    EXPECT_TRUE(lines.empty());

    // A second daemon on a live socket refuses to start and leaves the first alone.
    SimProcess duplicate;
    EXPECT_FALSE(duplicate.Start(TARVO_MOUSESIM_PATH, m_sim.SocketPath(), error));
    EXPECT_EQ(Ok("list").size(), 1u);
}

TEST_F(SimDaemonTest, CommandLineStartsQueriesAndStops)
{
    std::string const socket = NewSocketPath();
    std::string const cli = std::string(TARVO_MOUSESIM_PATH) + " --socket=" + socket + " ";
    auto run = [&](std::string const& args, std::string* output = nullptr) {
        FILE* pipe = popen((cli + args + " 2>&1").c_str(), "r");
        std::string text;
        char buf[512];
        while (pipe && fgets(buf, sizeof buf, pipe))
            text += buf;
        int const status = pipe ? pclose(pipe) : -1;
        if (output)
            *output = text;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    std::string out;
    ASSERT_EQ(run("start", &out), 0) << out;
    EXPECT_EQ(run("plug heron cable", &out), 0) << out;
    EXPECT_NE(out.find("PID_6D25&MI_01"), std::string::npos);
    EXPECT_EQ(run("state heron", &out), 0);
    EXPECT_TRUE(QJsonDocument::fromJson(QByteArray::fromStdString(out)).isObject()) << out;
    EXPECT_EQ(run("plug heron cable", &out), 1);
    EXPECT_NE(out.find("already plugged"), std::string::npos);
    EXPECT_EQ(run("help", &out), 0);
    EXPECT_EQ(run("stop", &out), 0) << out;
    EXPECT_EQ(run("ping", &out), 1);
    EXPECT_NE(out.find("no simulator"), std::string::npos);
    EXPECT_EQ(access(socket.c_str(), F_OK), -1) << "the socket file goes with the daemon";
}

namespace {

// The flashing tool's stand-in against this test's daemon: its exit code and
// every line it wrote.
struct ToolRun {
    int exitCode = -1;
    std::string output;
};

ToolRun RunBurnTool(std::string const& socket, std::vector<std::string> const& arguments)
{
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TARVO_SIM_SOCKET"), QString::fromStdString(socket));
    env.insert(QStringLiteral("TARVO_BURNTOOL_STEP_MS"), QStringLiteral("1"));
    tool.setProcessEnvironment(env);
    tool.setProcessChannelMode(QProcess::MergedChannels);
    QStringList args;
    for (auto const& a : arguments)
        args << QString::fromStdString(a);
    tool.start(QStringLiteral(TARVO_BURNTOOL_PATH), args);
    ToolRun run;
    if (!tool.waitForFinished(20000))
        return run;
    run.exitCode = tool.exitCode();
    run.output = tool.readAll().toStdString();
    return run;
}

}

TEST_F(SimDaemonTest, UpdateModeAndFlashingByProductId)
{
    Ok("plug heron cable");
    // Into update mode: only the 0xFFB1 collection is left.
    std::string const updatePath = Ok("dfu 7768 6d25").at(0);
    EXPECT_NE(updatePath.find("PID_6D25&MI_00"), std::string::npos);
    auto const listed = Ok("enumerate");
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_NE(listed[0].find(" 7768 6d25 1203 ffb1 0001 0 "), std::string::npos) << listed[0];
    EXPECT_EQ(Ok("dfu 0x7768 0x6d25").at(0), updatePath) << "asking again finds it there";
    // Flashed: back with its command interface and the new version as release.
    Ok("flash 7768 6d25 1.2.4");
    EXPECT_EQ(State("heron cable")["mouse_version"].toString(), QStringLiteral("1.2.4"));
    bool command = false;
    for (auto const& line : Ok("enumerate"))
        command = command || line.find(" 7768 6d25 1204 ffb2 0001 1 ") != std::string::npos;
    EXPECT_TRUE(command);

    // A receiver's product id flashes the receiver's own firmware.
    Ok("plug egret receiver");
    Ok("dfu 7768 642e");
    Ok("flash 7768 642e 1.0.9");
    EXPECT_EQ(State("egret receiver")["receiver_version"].toString(), QStringLiteral("1.0.9"));
    EXPECT_EQ(State("egret receiver")["mouse_version"].toString(), QStringLiteral("1.2.3"));

    Ok("fault heron cable nodfu");
    EXPECT_EQ(State("heron cable")["fault"].toString(), QStringLiteral("nodfu"));
    EXPECT_NE(Refused("dfu 7768 6d25").find("refused"), std::string::npos);
    struct Case {
        char const* command;
        char const* reason;
    };
    Case const cases[] = {
        { "dfu 7768", "usage" },
        { "dfu 7768 zz", "usage" },
        { "dfu 1234 6d25", "no device of vendor" },
        { "dfu 7768 6d26", "no device" },
        { "flash 7768 6d25 1.2.5", "in update mode" }, // it is in normal mode
        { "flash 7768 6d25", "usage" },
    };
    for (auto const& c : cases)
        EXPECT_NE(Refused(c.command).find(c.reason), std::string::npos) << c.command;
}

TEST_F(SimDaemonTest, TheFlashingToolStandIn)
{
    Ok("plug heron cable");
    QTemporaryDir dir;
    QString const package = dir.filePath(QStringLiteral("mouse_1.2.4_fota.fwpkg"));
    QFile file(package);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("firmware");
    file.close();
    std::vector<std::string> const switches = { "-dfu", "-pid:0x6d25", "-vid:0x7768", "-usagepage:0xffb1", "-usage:0x01",
        "-bin:" + package.toStdString() };

    ToolRun run = RunBurnTool(m_sim.SocketPath(), switches);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("Download\t[=========================]  50%"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Download\t[=========================] 100%"), std::string::npos);
    EXPECT_NE(run.output.find("All images burn successfully"), std::string::npos);
    EXPECT_EQ(State("heron cable")["mouse_version"].toString(), QStringLiteral("1.2.4"));

    // The device refuses update mode: the tool says so and fails.
    Ok("fault heron cable nodfu");
    run = RunBurnTool(m_sim.SocketPath(), switches);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("No DFU capable USB"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("burn successfully"), std::string::npos);

    // The switches as the program writes them, or nothing happens.
    auto without = [&](size_t index) {
        std::vector<std::string> fewer = switches;
        fewer.erase(fewer.begin() + long(index));
        return fewer;
    };
    EXPECT_EQ(RunBurnTool(m_sim.SocketPath(), without(0)).exitCode, 2);
    EXPECT_EQ(RunBurnTool(m_sim.SocketPath(), without(3)).exitCode, 2);
    EXPECT_EQ(RunBurnTool(m_sim.SocketPath(), { "-dfu", "-pid:0x6d25", "-vid:0x7768", "-usagepage:0xffb1", "-usage:0x01",
                                                "-bin:/nonexistent/mouse_1.2.4_fota.fwpkg" }).exitCode,
        3);
}

TEST_F(SimDaemonTest, ADeniedDeviceIsListedButRefusesToOpen)
{
    std::string const path = Ok("plug heron cable denied")[0];
    EXPECT_TRUE(State("heron").value(QStringLiteral("denied")).toBool());
    EXPECT_NE(Ok("list")[0].find(" denied "), std::string::npos);
    std::vector<std::string> devices;
    std::string error;
    ASSERT_TRUE(Request(m_sim.SocketPath(), "enumerate", devices, error)) << error;
    EXPECT_EQ(devices.size(), 3u) << "every interface is still listed";

    int const fd = ConnectSocket(m_sim.SocketPath());
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(WriteAll(fd, "open " + path + "\n"));
    LineReader reader(fd);
    std::string line;
    ASSERT_EQ(reader.ReadLine(line, std::chrono::seconds(5)), LineReader::Result::Line);
    EXPECT_EQ(line, "error permission denied");
    close(fd);
    EXPECT_EQ(CountLog("denied"), 1);

    // Unplugged and plugged in plainly, it opens again.
    Ok("unplug heron");
    std::string const again = Ok("plug heron cable")[0];
    EXPECT_FALSE(State("heron").value(QStringLiteral("denied")).toBool());
    close(OpenDevice(again));

    EXPECT_NE(Refused("plug egret cable sideways").find("usage"), std::string::npos);
}
