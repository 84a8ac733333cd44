#pragma once

#include "SimFirmware.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tarvo::sim {

// NoDfu: the device refuses to restart in update mode, so a flashing tool
// finds no device to flash.
// Noisy: the mouse sends a battery notification just before every reply, as a
// mouse does when its button is pressed while the host waits for an answer.
enum class SimFault { None, Silent, Late, Wrong, Unplug, NoDfu, Noisy };

// The simulator process: every plugged device, the hidapi clients that opened
// its interfaces, the hot-plug monitors and the report log, all served from one
// thread with poll(), so the firmware never needs a lock and answers at once
// unless a fault says otherwise.
class SimDaemon {
public:
    explicit SimDaemon(std::string socketPath);
    ~SimDaemon();
    SimDaemon(SimDaemon const&) = delete;
    SimDaemon& operator=(SimDaemon const&) = delete;

    // Serves until "quit", SIGTERM or SIGINT. Returns the process exit code.
    int Run();

private:
    using Clock = std::chrono::steady_clock;

    // Firmware outlives plugging: a mouse keeps its settings when it is
    // unplugged and plugged in again.
    struct Unit {
        std::unique_ptr<SimFirmware> firmware;
        SimFault fault = SimFault::None;
        int lateMs = 1500;
    };
    struct Interface {
        int number;
        uint16_t usagePage;
        uint16_t usage;
        std::string path;
    };
    struct Device {
        int id;
        SimModel const* model;
        SimLink link;
        bool updateMode;
        bool denied; // listed, but opening any interface fails as a node without access does
        std::vector<Interface> interfaces;
    };
    enum class Role { Control, Device, Monitor };
    struct Client {
        int fd;
        Role role = Role::Control;
        std::string input;
        std::string output;
        int deviceId = 0;
        int interfaceNumber = -1;
        std::string path;
        bool closeAfterFlush = false;
    };
    struct Pending {
        Clock::time_point due;
        int deviceId;
        std::vector<uint8_t> report;
    };

    bool Listen();
    void Accept();
    void ReadClient(Client& client);
    void FlushClient(Client& client);
    void HandleLine(Client& client, std::string const& line);
    void HandleControl(Client& client, std::string const& line);
    void HandleDeviceOutput(Client& client, std::string const& hex);
    void Reply(Client& client, std::vector<std::string> const& lines, std::string const& error = {});
    void Send(Client& client, std::string const& line);
    void DeliverInput(int deviceId, std::vector<uint8_t> const& report);
    void DeliverAll(int deviceId, std::vector<SimFirmware::InputReport> const& reports);
    void RunDueTimers();
    int PollTimeout() const;
    void Log(std::string const& kind, std::string const& path, std::string const& text);

    std::string Plug(SimModel const& model, SimLink link, bool updateMode, bool denied, std::string& error);
    bool Unplug(int deviceId);
    Unit& UnitFor(SimModel const& model, SimLink link);
    Device* FindDevice(int id);
    Device* FindDeviceByPath(std::string const& path, Interface const** iface);
    Device* FindPlugged(SimModel const& model, SimLink link);
    // The plugged device with this USB product id, in update mode or not.
    Device* FindByProductId(uint16_t pid, bool updateMode);
    // The flashing tool's requests: restart in update mode; write the
    // firmware and restart in normal mode.
    void EnterUpdateMode(Client& client, std::vector<std::string_view> const& words);
    void FlashFirmware(Client& client, std::vector<std::string_view> const& words);
    // Parses "<model> [cable|receiver]" at words[first]; picks the only
    // plugged device of the model when the link is left out.
    bool Target(std::vector<std::string_view> const& words, size_t first, SimModel const*& model, SimLink& link,
        std::string& error) const;

    std::string m_socketPath;
    int m_listenFd = -1;
    int m_signalFd = -1;
    bool m_quit = false;
    int m_nextDeviceId = 1;
    uint32_t m_nextInstance = 0x1a2b0001;
    std::vector<std::unique_ptr<Client>> m_clients;
    std::vector<Device> m_devices;
    std::map<std::pair<int, SimLink>, Unit> m_units;
    std::vector<Pending> m_pending;
    std::deque<std::string> m_log;
};

}
