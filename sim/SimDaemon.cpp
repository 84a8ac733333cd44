#include "SimDaemon.h"

#include "SimWire.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tarvo::sim {

namespace {

constexpr size_t kLogLimit = 200000;
constexpr size_t kLineLimit = 64 * 1024;
// Input a host has not read yet is kept up to this much per open handle, as
// the kernel keeps a bounded queue per open hidraw file: a handle that is only
// written to never makes the daemon grow.
constexpr size_t kDeviceBacklogLimit = 64 * 1024;
constexpr char const* kInterfaceClass = "{4d1e55b2-f16f-11cf-88cb-001111000030}";

std::string InterfacePath(uint16_t pid, int number, uint32_t instance)
{
    char buf[160];
    std::snprintf(buf, sizeof buf, "\\\\?\\HID#VID_%04X&PID_%04X&MI_%02d#7&%08x&0&0000#%s", kVendorId, pid, number,
        instance, kInterfaceClass);
    return buf;
}

std::string Hex4(unsigned value)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04x", value & 0xFFFF);
    return buf;
}

bool ParseHex16(std::string_view text, uint16_t& value)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return !text.empty() && error == std::errc {} && end == text.data() + text.size();
}

bool ParseInt(std::string_view text, int& value)
{
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc {} && end == text.data() + text.size();
}

std::optional<SimLink> ParseLink(std::string_view text)
{
    if (text == "cable")
        return SimLink::Cable;
    if (text == "receiver")
        return SimLink::Receiver;
    return std::nullopt;
}

char const* LinkName(SimLink link)
{
    return link == SimLink::Cable ? "cable" : "receiver";
}

int64_t MonotonicMicroseconds()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

constexpr char const* kHelp =
    "commands: plug <model> cable|receiver [update] [denied] | unplug <model> [link] | list | dpi-button <model> [link] |\n"
    "  battery <model> [link] <level> <status> | mouse <model> on|off|away | text <model> [link] <a> <b> |\n"
    "  press <model> [link] <button> |\n"
    "  device-changed <model> [link] | notify <model> [link] <event> <a> <b> | receiver-status <model> |\n"
    "  start-pairing <model> | pair <model> [replug] |\n"
    "  fault <model> [link] none|silent|late [ms]|wrong|unplug|nodfu|noisy |\n"
    "  mouse-version <model> [link] <x.y.z> | receiver-version <model> <x.y.z> | state <model> [link] |\n"
    "  dfu <vid> <pid> | flash <vid> <pid> <x.y.z> | log [clear] | ping | quit\n"
    "fault nodfu: the device refuses update mode (a flashing tool then finds none)";

}

SimDaemon::SimDaemon(std::string socketPath)
    : m_socketPath(std::move(socketPath))
{
}

SimDaemon::~SimDaemon()
{
    for (auto& client : m_clients)
        close(client->fd);
    if (m_listenFd >= 0) {
        // The file goes first: whoever sees the daemon stop answering must
        // also find the path free.
        unlink(m_socketPath.c_str());
        close(m_listenFd);
    }
    if (m_signalFd >= 0)
        close(m_signalFd);
}

bool SimDaemon::Listen()
{
    sockaddr_un address {};
    if (m_socketPath.size() >= sizeof address.sun_path) {
        std::fprintf(stderr, "tarvo-mousesim: socket path too long: %s\n", m_socketPath.c_str());
        return false;
    }
    // A live daemon on the path answers; a stale socket file does not.
    if (int const probe = ConnectSocket(m_socketPath); probe >= 0) {
        close(probe);
        std::fprintf(stderr, "tarvo-mousesim: already running on %s\n", m_socketPath.c_str());
        return false;
    }
    unlink(m_socketPath.c_str());
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, m_socketPath.c_str(), m_socketPath.size() + 1);
    m_listenFd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_listenFd < 0 || bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || listen(m_listenFd, 64) != 0) {
        std::fprintf(stderr, "tarvo-mousesim: cannot listen on %s: %s\n", m_socketPath.c_str(), std::strerror(errno));
        if (m_listenFd >= 0)
            close(m_listenFd);
        m_listenFd = -1;
        return false;
    }
    return true;
}

int SimDaemon::Run()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    m_signalFd = signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
    std::signal(SIGPIPE, SIG_IGN);
    if (!Listen())
        return 1;

    std::vector<pollfd> fds;
    while (!m_quit) {
        fds.clear();
        fds.push_back({ m_listenFd, POLLIN, 0 });
        fds.push_back({ m_signalFd, POLLIN, 0 });
        for (auto const& client : m_clients) {
            short events = client->closeAfterFlush ? 0 : POLLIN;
            if (!client->output.empty())
                events |= POLLOUT;
            fds.push_back({ client->fd, events, 0 });
        }
        int const ready = poll(fds.data(), fds.size(), PollTimeout());
        if (ready < 0 && errno != EINTR)
            break;
        RunDueTimers();
        if (ready <= 0)
            continue;
        if (fds[1].revents & POLLIN)
            break;
        // Clients are served by pointer: handling one line may unplug a
        // device and close other clients, which only marks them.
        std::vector<Client*> active;
        for (size_t i = 2; i < fds.size(); ++i) {
            if (fds[i].revents)
                active.push_back(m_clients[i - 2].get());
        }
        for (Client* client : active) {
            if (client->fd < 0)
                continue;
            FlushClient(*client);
            if (client->fd >= 0)
                ReadClient(*client);
        }
        if (fds[0].revents & POLLIN)
            Accept();
        std::erase_if(m_clients, [](auto const& client) {
            if (client->fd >= 0 && client->closeAfterFlush && client->output.empty()) {
                close(client->fd);
                client->fd = -1;
            }
            return client->fd < 0;
        });
    }
    // Deliver the last answers (the "ok" to quit) before going away. Only
    // control clients wait for them: a device handle that is only written to
    // never reads its input, and waiting for it would never end.
    for (auto& client : m_clients) {
        if (client->fd < 0 || client->role != Role::Control || client->output.empty())
            continue;
        int const flags = fcntl(client->fd, F_GETFL);
        fcntl(client->fd, F_SETFL, flags & ~O_NONBLOCK);
        WriteAll(client->fd, client->output);
    }
    return 0;
}

int SimDaemon::PollTimeout() const
{
    if (m_pending.empty())
        return -1;
    auto const next = std::min_element(m_pending.begin(), m_pending.end(),
        [](Pending const& a, Pending const& b) { return a.due < b.due; })->due;
    auto const left = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now()).count();
    return static_cast<int>(std::clamp<int64_t>(left, 0, 60000));
}

void SimDaemon::RunDueTimers()
{
    auto const now = Clock::now();
    std::vector<Pending> due;
    std::erase_if(m_pending, [&](Pending& p) {
        if (p.due > now)
            return false;
        due.push_back(std::move(p));
        return true;
    });
    std::sort(due.begin(), due.end(), [](Pending const& a, Pending const& b) { return a.due < b.due; });
    for (auto const& p : due)
        DeliverInput(p.deviceId, p.report);
}

void SimDaemon::Accept()
{
    for (;;) {
        int const fd = accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;
        auto client = std::make_unique<Client>();
        client->fd = fd;
        m_clients.push_back(std::move(client));
    }
}

void SimDaemon::ReadClient(Client& client)
{
    char chunk[8192];
    bool ended = false;
    for (;;) {
        ssize_t const n = recv(client.fd, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        if (n <= 0) {
            ended = true;
            break;
        }
        client.input.append(chunk, static_cast<size_t>(n));
    }
    // Lines that arrived before the peer hung up are still served: a host
    // that writes a report and closes at once has still sent it.
    size_t newline;
    while (client.fd >= 0 && (newline = client.input.find('\n')) != std::string::npos) {
        std::string const line = client.input.substr(0, newline);
        client.input.erase(0, newline + 1);
        HandleLine(client, line);
    }
    if (ended && client.fd >= 0) {
        close(client.fd);
        client.fd = -1;
        return;
    }
    if (client.fd >= 0 && client.input.size() > kLineLimit) {
        Log("bad", client.path, "line longer than " + std::to_string(kLineLimit) + " bytes dropped");
        client.input.clear();
    }
}

void SimDaemon::FlushClient(Client& client)
{
    while (!client.output.empty()) {
        ssize_t const n = send(client.fd, client.output.data(), client.output.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (n <= 0) {
            close(client.fd);
            client.fd = -1;
            return;
        }
        client.output.erase(0, static_cast<size_t>(n));
    }
}

void SimDaemon::Send(Client& client, std::string const& line)
{
    if (client.fd < 0)
        return;
    client.output += line;
    client.output += '\n';
    FlushClient(client);
}

void SimDaemon::Reply(Client& client, std::vector<std::string> const& lines, std::string const& error)
{
    for (auto const& line : lines)
        Send(client, line);
    Send(client, error.empty() ? std::string("ok") : "error " + error);
}

void SimDaemon::Log(std::string const& kind, std::string const& path, std::string const& text)
{
    if (m_log.size() >= kLogLimit)
        m_log.pop_front();
    m_log.push_back(std::to_string(MonotonicMicroseconds()) + " " + kind + " " + (path.empty() ? "-" : path) + " " + text);
}

void SimDaemon::HandleLine(Client& client, std::string const& line)
{
    switch (client.role) {
    case Role::Device:
        if (line.rfind("out ", 0) == 0)
            HandleDeviceOutput(client, line.substr(4));
        else
            Log("bad", client.path, "unexpected line on a device connection: " + line.substr(0, 80));
        return;
    case Role::Monitor:
        return; // monitors only listen
    case Role::Control:
        HandleControl(client, line);
        return;
    }
}

SimDaemon::Unit& SimDaemon::UnitFor(SimModel const& model, SimLink link)
{
    Unit& unit = m_units[{ model.devType, link }];
    if (!unit.firmware)
        unit.firmware = std::make_unique<SimFirmware>(model, link);
    return unit;
}

SimDaemon::Device* SimDaemon::FindDevice(int id)
{
    for (auto& device : m_devices) {
        if (device.id == id)
            return &device;
    }
    return nullptr;
}

SimDaemon::Device* SimDaemon::FindPlugged(SimModel const& model, SimLink link)
{
    for (auto& device : m_devices) {
        if (device.model == &model && device.link == link)
            return &device;
    }
    return nullptr;
}

SimDaemon::Device* SimDaemon::FindByProductId(uint16_t pid, bool updateMode)
{
    for (auto& device : m_devices) {
        uint16_t const own = device.link == SimLink::Cable ? device.model->cablePid : device.model->receiverPid;
        if (own == pid && device.updateMode == updateMode)
            return &device;
    }
    return nullptr;
}

void SimDaemon::EnterUpdateMode(Client& client, std::vector<std::string_view> const& words)
{
    uint16_t vid = 0;
    uint16_t pid = 0;
    if (words.size() != 3 || !ParseHex16(words[1], vid) || !ParseHex16(words[2], pid)) {
        Reply(client, {}, "usage: dfu <vid> <pid>");
        return;
    }
    if (vid != kVendorId) {
        Reply(client, {}, "no device of vendor " + Hex4(vid));
        return;
    }
    if (Device* waiting = FindByProductId(pid, true)) {
        Reply(client, { waiting->interfaces.front().path });
        return;
    }
    Device* device = FindByProductId(pid, false);
    if (!device) {
        Reply(client, {}, "no device " + Hex4(pid));
        return;
    }
    SimModel const& model = *device->model;
    SimLink const link = device->link;
    bool const denied = device->denied;
    if (UnitFor(model, link).fault == SimFault::NoDfu) {
        Log("fault", device->interfaces.front().path, "update mode refused");
        Reply(client, {}, "update mode refused");
        return;
    }
    // The device leaves and comes back with only its update interface.
    Unplug(device->id);
    std::string error;
    Plug(model, link, true, denied, error);
    Device* updating = FindPlugged(model, link);
    Reply(client, updating ? std::vector<std::string> { updating->interfaces.front().path } : std::vector<std::string> {},
        error);
}

void SimDaemon::FlashFirmware(Client& client, std::vector<std::string_view> const& words)
{
    uint16_t vid = 0;
    uint16_t pid = 0;
    if (words.size() != 4 || !ParseHex16(words[1], vid) || !ParseHex16(words[2], pid)) {
        Reply(client, {}, "usage: flash <vid> <pid> <x.y.z>");
        return;
    }
    Device* device = vid == kVendorId ? FindByProductId(pid, true) : nullptr;
    if (!device) {
        Reply(client, {}, "no device " + Hex4(pid) + " in update mode");
        return;
    }
    SimModel const& model = *device->model;
    SimLink const link = device->link;
    bool const denied = device->denied;
    // A cable product id carries the mouse's firmware, a receiver's its own.
    if (!UnitFor(model, link).firmware->SetVersion(link == SimLink::Receiver, words[3])) {
        Reply(client, {}, "bad version, parts 0-15.0-15.0-255");
        return;
    }
    Log("flash", device->interfaces.front().path, std::string(words[3]));
    Unplug(device->id);
    std::string error;
    std::string const path = Plug(model, link, false, denied, error);
    Reply(client, path.empty() ? std::vector<std::string> {} : std::vector<std::string> { path }, error);
}

SimDaemon::Device* SimDaemon::FindDeviceByPath(std::string const& path, Interface const** iface)
{
    for (auto& device : m_devices) {
        for (auto const& candidate : device.interfaces) {
            if (candidate.path == path) {
                *iface = &candidate;
                return &device;
            }
        }
    }
    return nullptr;
}

std::string SimDaemon::Plug(SimModel const& model, SimLink link, bool updateMode, bool denied, std::string& error)
{
    if (FindPlugged(model, link)) {
        error = std::string(model.code) + " by " + LinkName(link) + " is already plugged";
        return {};
    }
    UnitFor(model, link);
    Device device { m_nextDeviceId++, &model, link, updateMode, denied, {} };
    uint32_t const instance = m_nextInstance++;
    uint16_t const pid = link == SimLink::Cable ? model.cablePid : model.receiverPid;
    if (updateMode) {
        device.interfaces.push_back({ 0, 0xFFB1, 0x0001, InterfacePath(pid, 0, instance) });
    } else {
        device.interfaces.push_back({ 0, 0x0001, 0x0002, InterfacePath(pid, 0, instance) });
        device.interfaces.push_back({ 1, 0xFFB2, 0x0001, InterfacePath(pid, 1, instance) });
        device.interfaces.push_back({ 2, 0x000C, 0x0001, InterfacePath(pid, 2, instance) });
    }
    std::string commandPath = device.interfaces.size() > 1 ? device.interfaces[1].path : device.interfaces[0].path;
    for (auto const& iface : device.interfaces) {
        Log("plug", iface.path, Hex4(iface.usagePage) + ":" + Hex4(iface.usage));
        for (auto& client : m_clients) {
            if (client->role == Role::Monitor)
                Send(*client, "add " + iface.path);
        }
    }
    m_devices.push_back(std::move(device));
    return commandPath;
}

bool SimDaemon::Unplug(int deviceId)
{
    auto const it = std::find_if(m_devices.begin(), m_devices.end(), [&](Device const& d) { return d.id == deviceId; });
    if (it == m_devices.end())
        return false;
    for (auto& client : m_clients) {
        if (client->role == Role::Device && client->deviceId == deviceId && client->fd >= 0) {
            // The host's next read or write fails, as on a real unplug.
            shutdown(client->fd, SHUT_RDWR);
            close(client->fd);
            client->fd = -1;
        }
    }
    for (auto const& iface : it->interfaces) {
        Log("unplug", iface.path, "");
        for (auto& client : m_clients) {
            if (client->role == Role::Monitor)
                Send(*client, "remove " + iface.path);
        }
    }
    std::erase_if(m_pending, [&](Pending const& p) { return p.deviceId == deviceId; });
    m_devices.erase(it);
    return true;
}

void SimDaemon::DeliverInput(int deviceId, std::vector<uint8_t> const& report)
{
    Device* device = FindDevice(deviceId);
    if (!device)
        return;
    auto const command = std::find_if(device->interfaces.begin(), device->interfaces.end(),
        [](Interface const& i) { return i.usagePage == 0xFFB2; });
    if (command == device->interfaces.end())
        return;
    std::string const hex = ToHex(report);
    Log("in", command->path, hex);
    for (auto& client : m_clients) {
        if (client->role != Role::Device || client->deviceId != deviceId || client->interfaceNumber != command->number)
            continue;
        if (client->output.size() > kDeviceBacklogLimit)
            continue; // its queue is full: the report is lost to this handle
        Send(*client, "in " + hex);
    }
}

void SimDaemon::DeliverAll(int deviceId, std::vector<SimFirmware::InputReport> const& reports)
{
    for (auto const& report : reports)
        DeliverInput(deviceId, report);
}

void SimDaemon::HandleDeviceOutput(Client& client, std::string const& hex)
{
    auto const bytes = FromHex(hex);
    Device* device = FindDevice(client.deviceId);
    if (!bytes) {
        Log("bad", client.path, "not hex: " + hex.substr(0, 80));
        return;
    }
    Log("out", client.path, hex);
    if (!device)
        return;
    if (client.interfaceNumber != 1 || device->updateMode) {
        Log("bad", client.path, "output report on an interface without commands ignored");
        return;
    }
    Unit& unit = UnitFor(*device->model, device->link);
    int const deviceId = device->id;
    if (unit.fault == SimFault::Unplug) {
        // The cable comes out between the host's write and the reply.
        unit.fault = SimFault::None;
        Unplug(deviceId);
        return;
    }
    auto outcome = unit.firmware->HandleOutput(*bytes);
    if (!outcome.problem.empty())
        Log("bad", client.path, outcome.problem);
    if (outcome.reply) {
        switch (unit.fault) {
        case SimFault::None:
        case SimFault::Unplug:
        case SimFault::NoDfu:
            DeliverInput(deviceId, *outcome.reply);
            break;
        case SimFault::Silent:
            Log("fault", client.path, "reply withheld");
            break;
        case SimFault::Noisy: {
            auto const level = static_cast<uint8_t>(unit.firmware->BatteryLevel());
            auto const status = static_cast<uint8_t>(unit.firmware->BatteryStatus());
            DeliverInput(deviceId, SimFirmware::Notification(0x03, level, status));
            DeliverInput(deviceId, *outcome.reply);
            break;
        }
        case SimFault::Late:
            m_pending.push_back({ Clock::now() + std::chrono::milliseconds(unit.lateMs), deviceId, *outcome.reply });
            break;
        case SimFault::Wrong: {
            // An answer to some other command, with nothing in it.
            std::vector<uint8_t> wrong(SimFirmware::kReportSize, 0);
            wrong[0] = 0x06;
            wrong[1] = static_cast<uint8_t>((*outcome.reply)[1] ^ 0x80);
            DeliverInput(deviceId, wrong);
            break;
        }
        }
    }
    DeliverAll(deviceId, outcome.notifications);
}

bool SimDaemon::Target(std::vector<std::string_view> const& words, size_t first, SimModel const*& model, SimLink& link,
    std::string& error) const
{
    if (words.size() <= first) {
        error = "missing model";
        return false;
    }
    model = FindModel(words[first]);
    if (!model) {
        error = "unknown model " + std::string(words[first]);
        return false;
    }
    if (words.size() > first + 1) {
        if (auto const parsed = ParseLink(words[first + 1])) {
            link = *parsed;
            return true;
        }
    }
    int plugged = 0;
    for (auto const& device : m_devices) {
        if (device.model == model) {
            link = device.link;
            ++plugged;
        }
    }
    if (plugged == 1)
        return true;
    if (plugged == 0) {
        // State and faults may be set up before plugging; the cable is the default.
        link = SimLink::Cable;
        return true;
    }
    error = std::string(model->code) + " is plugged by cable and receiver: say which";
    return false;
}

void SimDaemon::HandleControl(Client& client, std::string const& line)
{
    auto const words = SplitWords(line);
    if (words.empty()) {
        Reply(client, {}, "empty command");
        return;
    }
    std::string_view const verb = words[0];
    // Where the arguments after "<model> [link]" start.
    auto argumentsAt = [&](size_t first) {
        return words.size() > first + 1 && ParseLink(words[first + 1]) ? first + 2 : first + 1;
    };
    SimModel const* model = nullptr;
    SimLink link = SimLink::Cable;
    std::string error;

    if (verb == "ping") {
        Reply(client, {});
    } else if (verb == "help") {
        Reply(client, { kHelp });
    } else if (verb == "quit") {
        Reply(client, {});
        m_quit = true;
    } else if (verb == "enumerate") {
        std::vector<std::string> lines;
        for (auto const& device : m_devices) {
            Unit& unit = UnitFor(*device.model, device.link);
            uint16_t const pid = device.link == SimLink::Cable ? device.model->cablePid : device.model->receiverPid;
            std::string const product = device.link == SimLink::Cable ? std::string(device.model->name)
                                                                      : std::string(device.model->name) + " Receiver";
            for (auto const& iface : device.interfaces) {
                lines.push_back("dev " + iface.path + " " + Hex4(kVendorId) + " " + Hex4(pid) + " "
                    + Hex4(unit.firmware->ReleaseNumber()) + " " + Hex4(iface.usagePage) + " " + Hex4(iface.usage) + " "
                    + std::to_string(iface.number) + " " + product);
            }
        }
        Reply(client, lines);
    } else if (verb == "open") {
        std::string const path = line.size() > 5 ? line.substr(5) : std::string();
        Interface const* iface = nullptr;
        Device* device = FindDeviceByPath(path, &iface);
        if (!device) {
            Reply(client, {}, "no such device");
            return;
        }
        if (device->denied) {
            Log("denied", path, "open refused");
            Reply(client, {}, "permission denied");
            return;
        }
        std::string const product = device->link == SimLink::Cable ? std::string(device->model->name)
                                                                   : std::string(device->model->name) + " Receiver";
        client.role = Role::Device;
        client.deviceId = device->id;
        client.interfaceNumber = iface->number;
        client.path = path;
        Reply(client, { "product " + product });
    } else if (verb == "dfu") {
        EnterUpdateMode(client, words);
    } else if (verb == "flash") {
        FlashFirmware(client, words);
    } else if (verb == "monitor") {
        client.role = Role::Monitor;
        Reply(client, {});
    } else if (verb == "plug") {
        bool update = false;
        bool denied = false;
        bool known = words.size() >= 3 && FindModel(words[1]) && ParseLink(words[2]);
        for (size_t i = 3; known && i < words.size(); ++i) {
            if (words[i] == "update")
                update = true;
            else if (words[i] == "denied")
                denied = true;
            else
                known = false;
        }
        if (!known) {
            Reply(client, {}, "usage: plug <model> cable|receiver [update] [denied]");
            return;
        }
        std::string const path = Plug(*FindModel(words[1]), *ParseLink(words[2]), update, denied, error);
        Reply(client, path.empty() ? std::vector<std::string> {} : std::vector<std::string> { path }, error);
    } else if (verb == "unplug") {
        if (!Target(words, 1, model, link, error)) {
            Reply(client, {}, error);
            return;
        }
        Device* device = FindPlugged(*model, link);
        if (!device) {
            Reply(client, {}, "not plugged");
            return;
        }
        Unplug(device->id);
        Reply(client, {});
    } else if (verb == "list") {
        std::vector<std::string> lines;
        for (auto const& device : m_devices)
            lines.push_back(std::string(device.model->code) + " " + LinkName(device.link)
                + (device.updateMode ? " update" : "") + (device.denied ? " denied " : " ") + device.interfaces.back().path);
        Reply(client, lines);
    } else if (verb == "state") {
        if (!Target(words, 1, model, link, error)) {
            Reply(client, {}, error);
            return;
        }
        Unit& unit = UnitFor(*model, link);
        std::string json = unit.firmware->StateJson();
        json.pop_back();
        Device const* plugged = FindPlugged(*model, link);
        json += std::string(",\"plugged\":") + (plugged ? "true" : "false");
        json += std::string(",\"denied\":") + (plugged && plugged->denied ? "true" : "false");
        static constexpr char const* kFaults[] = { "none", "silent", "late", "wrong", "unplug", "nodfu", "noisy" };
        json += std::string(",\"fault\":\"") + kFaults[static_cast<int>(unit.fault)] + "\"}";
        Reply(client, { json });
    } else if (verb == "log") {
        if (words.size() > 1 && words[1] == "clear") {
            m_log.clear();
            Reply(client, {});
            return;
        }
        Reply(client, std::vector<std::string>(m_log.begin(), m_log.end()));
    } else if (verb == "dpi-button" || verb == "battery" || verb == "mouse" || verb == "text" || verb == "press" || verb == "device-changed"
        || verb == "notify" || verb == "receiver-status" || verb == "pair" || verb == "start-pairing" || verb == "fault"
        || verb == "mouse-version" || verb == "receiver-version") {
        bool const receiverOnly = verb == "mouse" || verb == "receiver-status" || verb == "pair" || verb == "start-pairing"
            || verb == "receiver-version";
        if (!Target(words, 1, model, link, error) && !(receiverOnly && model)) {
            Reply(client, {}, error);
            return;
        }
        if (receiverOnly)
            link = SimLink::Receiver;
        size_t const at = argumentsAt(1);
        std::vector<int> numbers;
        for (size_t i = at; i < words.size(); ++i) {
            int value = 0;
            if (ParseInt(words[i], value))
                numbers.push_back(value);
        }
        Unit& unit = UnitFor(*model, link);
        SimFirmware& firmware = *unit.firmware;
        Device* device = FindPlugged(*model, link);
        std::vector<SimFirmware::InputReport> reports;
        std::string pressed;
        if (verb == "fault") {
            std::string_view const kind = words.size() > at ? words[at] : std::string_view();
            if (kind == "none")
                unit.fault = SimFault::None;
            else if (kind == "silent")
                unit.fault = SimFault::Silent;
            else if (kind == "wrong")
                unit.fault = SimFault::Wrong;
            else if (kind == "unplug")
                unit.fault = SimFault::Unplug;
            else if (kind == "nodfu")
                unit.fault = SimFault::NoDfu;
            else if (kind == "noisy")
                unit.fault = SimFault::Noisy;
            else if (kind == "late") {
                unit.fault = SimFault::Late;
                unit.lateMs = numbers.empty() ? 1500 : std::clamp(numbers[0], 0, 600000);
            } else {
                Reply(client, {}, "usage: fault <model> [link] none|silent|late [ms]|wrong|unplug|nodfu|noisy");
                return;
            }
            Reply(client, {});
            return;
        }
        if (verb == "mouse-version" || verb == "receiver-version") {
            if (words.size() != at + 1 || !firmware.SetVersion(verb == "receiver-version", words[at])) {
                Reply(client, {}, "usage: " + std::string(verb) + " <model> [link] <x.y.z>, parts 0-15.0-15.0-255");
                return;
            }
            Reply(client, {});
            return;
        }
        if (!device) {
            Reply(client, {}, std::string(model->code) + " by " + LinkName(link) + " is not plugged");
            return;
        }
        if (verb == "dpi-button") {
            reports = firmware.PressDpiButton();
        } else if (verb == "battery") {
            if (numbers.size() != 2) {
                Reply(client, {}, "usage: battery <model> [link] <level> <status>");
                return;
            }
            reports = firmware.SetBattery(numbers[0], numbers[1]);
        } else if (verb == "mouse") {
            std::string_view const power = words.size() > at ? words[at] : std::string_view();
            // Out of range looks the same as switched off from the receiver's side.
            if (power != "on" && power != "off" && power != "away") {
                Reply(client, {}, "usage: mouse <model> on|off|away");
                return;
            }
            reports = firmware.SetMousePower(power == "on");
        } else if (verb == "text") {
            if (numbers.size() != 2) {
                Reply(client, {}, "usage: text <model> [link] <first> <second>");
                return;
            }
            reports = firmware.TextRequest(numbers[0], numbers[1]);
        } else if (verb == "press") {
            std::string entry;
            if (numbers.size() != 1 || !firmware.PressButton(numbers[0], entry, reports)) {
                Reply(client, {}, "usage: press <model> [link] <button 0-13>");
                return;
            }
            pressed = "button " + std::to_string(numbers[0]) + ": " + entry;
        } else if (verb == "device-changed") {
            reports = firmware.DeviceChanged();
        } else if (verb == "notify") {
            if (numbers.size() != 3) {
                Reply(client, {}, "usage: notify <model> [link] <event> <first> <second>");
                return;
            }
            reports.push_back(SimFirmware::Notification(static_cast<uint8_t>(numbers[0]),
                static_cast<uint8_t>(numbers[1]), static_cast<uint8_t>(numbers[2])));
        } else if (verb == "receiver-status") {
            reports = firmware.ReceiverStatus();
        } else if (verb == "start-pairing") {
            // The same frame the host sends, so the state change is the firmware's own.
            std::vector<uint8_t> frame(SimFirmware::kReportSize, 0);
            frame[0] = 0x06;
            frame[1] = 0x13;
            frame[2] = 0x01;
            frame[5] = 0x09;
            reports = firmware.HandleOutput(frame).notifications;
        } else if (verb == "pair") {
            if (!firmware.CompletePairing(reports)) {
                Reply(client, {}, "the receiver is not pairing");
                return;
            }
            if (words.size() > at && words[at] == "replug") {
                // Some receivers re-enumerate after pairing: their interfaces
                // leave and arrive again, with the firmware state kept.
                DeliverAll(device->id, reports);
                SimModel const& paired = *device->model;
                bool const denied = device->denied;
                Unplug(device->id);
                std::string const path = Plug(paired, SimLink::Receiver, false, denied, error);
                Reply(client, { path }, error);
                return;
            }
        }
        DeliverAll(device->id, reports);
        Reply(client, pressed.empty() ? std::vector<std::string> {} : std::vector<std::string> { pressed });
    } else {
        Reply(client, {}, "unknown command " + std::string(verb).substr(0, 40) + " (try help)");
    }
}

}
