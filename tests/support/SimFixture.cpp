#include "SimFixture.h"

#include <QJsonDocument>
#include <atomic>
#include <cstdlib>
#include <unistd.h>

namespace {

struct Identity {
    int pid;
    int devType;
    int devMode;
};

constexpr Identity kIdentities[] = {
    { 0x6D25, 101, 0 }, { 0x6425, 101, 1 }, { 0x6D26, 102, 0 }, { 0x6426, 102, 1 },
    { 0x6D2E, 103, 0 }, { 0x642E, 103, 1 }, { 0x6D2D, 104, 0 }, { 0x642D, 104, 1 },
    { 0x6D32, 105, 0 }, { 0x6432, 105, 1 }, { 0x6D31, 106, 0 }, { 0x6431, 106, 1 },
    { 0x6D30, 107, 0 }, { 0x6430, 107, 1 }, { 0x6D2F, 108, 0 }, { 0x642F, 108, 1 },
};

std::atomic<int> g_sockets { 0 };

}

void AddAllSupported(HidDeviceList& list)
{
    for (auto const& id : kIdentities)
        list.AddSupportedDevice(0x7768, id.pid, QString(), id.devType, id.devMode);
}

void SimFixture::SetUp()
{
    std::string const socket = "/tmp/tarvo-hidtest-" + std::to_string(getpid()) + "-" + std::to_string(g_sockets++) + ".sock";
    std::string error;
    ASSERT_TRUE(m_sim.Start(TARVO_MOUSESIM_PATH, socket, error)) << error;
    setenv("TARVO_SIM_SOCKET", socket.c_str(), 1);
    setenv("TARVO_HIDAPI_LIBRARY", TARVO_HIDSIM_LIBRARY, 1);
}

void SimFixture::TearDown()
{
    m_sim.Stop();
}

std::vector<std::string> SimFixture::Sim(std::string const& command)
{
    std::vector<std::string> lines;
    std::string error;
    EXPECT_TRUE(m_sim.Command(command, &lines, &error)) << command << ": " << error;
    return lines;
}

QJsonObject SimFixture::State(std::string const& target)
{
    auto const lines = Sim("state " + target);
    if (lines.size() != 1)
        return {};
    return QJsonDocument::fromJson(QByteArray::fromStdString(lines[0])).object();
}

std::vector<std::string> SimFixture::LogLines(std::string const& kind)
{
    std::vector<std::string> matching;
    for (auto const& line : Sim("log")) {
        auto const first = line.find(' ');
        if (first != std::string::npos && line.compare(first + 1, kind.size() + 1, kind + " ") == 0)
            matching.push_back(line);
    }
    return matching;
}

std::unique_ptr<HidDeviceList> SimFixture::MakeList(HidTimings timings)
{
    auto list = std::make_unique<HidDeviceList>(timings);
    AddAllSupported(*list);
    return list;
}
