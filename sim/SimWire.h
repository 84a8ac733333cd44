#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The daemon's socket speaks lines of text. A control client sends one command
// line and reads data lines up to a final "ok" or "error <text>". After
// "open <path>" the connection carries one device: "out <hex>" lines from the
// host, "in <hex>" lines pushed by the firmware. After "monitor" it carries
// "add <path>" and "remove <path>" lines.
namespace tarvo::sim {

// $TARVO_SIM_SOCKET, else a per-user path under $XDG_RUNTIME_DIR or /tmp.
std::string SocketPath();

// A connected stream socket, or -1. Never raises SIGPIPE later: writes use MSG_NOSIGNAL.
int ConnectSocket(std::string const& path);

std::string ToHex(std::span<const uint8_t> bytes);
std::optional<std::vector<uint8_t>> FromHex(std::string_view text);

// Writes all of text; false when the peer is gone.
bool WriteAll(int fd, std::string_view text);

// Buffers a socket's input and yields whole lines.
class LineReader {
public:
    explicit LineReader(int fd) : m_fd(fd) { }
    enum class Result { Line, Timeout, Closed };
    // Waits at most timeout (negative: forever) for one line, without its newline.
    Result ReadLine(std::string& line, std::chrono::milliseconds timeout);

private:
    int m_fd;
    std::string m_buffer;
};

// One round trip on a fresh control connection: data lines in lines, the
// final line's text (empty for "ok") in error. False when the daemon is not
// reachable or answered "error".
bool Request(std::string const& socketPath, std::string const& command, std::vector<std::string>& lines, std::string& error);

std::vector<std::string_view> SplitWords(std::string_view line);

}
