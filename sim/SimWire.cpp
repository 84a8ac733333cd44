#include "SimWire.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tarvo::sim {

std::string SocketPath()
{
    if (char const* path = std::getenv("TARVO_SIM_SOCKET"); path && *path)
        return path;
    if (char const* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return std::string(runtime) + "/tarvo-mousesim.sock";
    return "/tmp/tarvo-mousesim-" + std::to_string(getuid()) + ".sock";
}

int ConnectSocket(std::string const& path)
{
    sockaddr_un address {};
    if (path.size() >= sizeof address.sun_path)
        return -1;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    int const fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

std::string ToHex(std::span<const uint8_t> bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

std::optional<std::vector<uint8_t>> FromHex(std::string_view text)
{
    if (text.size() % 2 != 0)
        return std::nullopt;
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (size_t i = 0; i < text.size(); i += 2) {
        int const hi = nibble(text[i]);
        int const lo = nibble(text[i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        bytes.push_back(static_cast<uint8_t>(hi << 4 | lo));
    }
    return bytes;
}

bool WriteAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        ssize_t const n = send(fd, text.data(), text.size(), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        text.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

LineReader::Result LineReader::ReadLine(std::string& line, std::chrono::milliseconds timeout)
{
    auto const deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (auto const newline = m_buffer.find('\n'); newline != std::string::npos) {
            line.assign(m_buffer, 0, newline);
            m_buffer.erase(0, newline + 1);
            return Result::Line;
        }
        int wait = -1;
        if (timeout.count() >= 0) {
            auto const left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            wait = static_cast<int>(std::max<int64_t>(left.count(), 0));
        }
        pollfd p { m_fd, POLLIN, 0 };
        int const ready = poll(&p, 1, wait);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return Result::Closed;
        if (ready == 0)
            return Result::Timeout;
        char chunk[4096];
        ssize_t const n = recv(m_fd, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Result::Closed;
        m_buffer.append(chunk, static_cast<size_t>(n));
    }
}

bool Request(std::string const& socketPath, std::string const& command, std::vector<std::string>& lines, std::string& error)
{
    lines.clear();
    error.clear();
    int const fd = ConnectSocket(socketPath);
    if (fd < 0) {
        error = "no simulator listening on " + socketPath;
        return false;
    }
    bool ok = false;
    if (WriteAll(fd, command + "\n")) {
        LineReader reader(fd);
        std::string line;
        for (;;) {
            if (reader.ReadLine(line, std::chrono::milliseconds(10000)) != LineReader::Result::Line) {
                error = "the simulator closed the connection";
                break;
            }
            if (line == "ok") {
                ok = true;
                break;
            }
            if (line.rfind("error", 0) == 0) {
                error = line.size() > 6 ? line.substr(6) : "error";
                break;
            }
            lines.push_back(line);
        }
    } else {
        error = "the simulator closed the connection";
    }
    close(fd);
    return ok;
}

std::vector<std::string_view> SplitWords(std::string_view line)
{
    std::vector<std::string_view> words;
    size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && line[at] == ' ')
            ++at;
        size_t const start = at;
        while (at < line.size() && line[at] != ' ')
            ++at;
        if (at > start)
            words.push_back(line.substr(start, at - start));
    }
    return words;
}

}
