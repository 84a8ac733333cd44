// tarvo-mousesim: the simulated mouse and receiver firmware, and its command line.
#include "SimDaemon.h"
#include "SimWire.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace tarvo::sim;

namespace {

void Usage()
{
    std::fputs("usage: tarvo-mousesim [--socket=PATH] daemon|start|stop|<command> [arguments]\n"
               "  daemon   serve in the foreground\n"
               "  start    start a daemon in the background and wait until it answers\n"
               "  stop     stop the daemon\n"
               "  help     list the daemon's commands\n"
               "The socket is $TARVO_SIM_SOCKET unless --socket is given.\n",
        stderr);
}

bool Answers(std::string const& socket)
{
    std::vector<std::string> lines;
    std::string error;
    return Request(socket, "ping", lines, error);
}

int StartDetached(char const* self, std::string const& socket)
{
    if (Answers(socket)) {
        std::fprintf(stderr, "tarvo-mousesim: already running on %s\n", socket.c_str());
        return 0;
    }
    pid_t const pid = fork();
    if (pid < 0) {
        std::perror("tarvo-mousesim: fork");
        return 1;
    }
    if (pid == 0) {
        setsid();
        int const null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
        }
        // A second fork leaves the daemon without a parent to wait for it.
        if (fork() != 0)
            _exit(0);
        std::string option = "--socket=" + socket;
        execl(self, self, option.c_str(), "daemon", static_cast<char*>(nullptr));
        _exit(127);
    }
    auto const deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        if (Answers(socket)) {
            std::printf("%s\n", socket.c_str());
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::fprintf(stderr, "tarvo-mousesim: the daemon did not answer on %s\n", socket.c_str());
    return 1;
}

int Stop(std::string const& socket)
{
    std::vector<std::string> lines;
    std::string error;
    if (!Request(socket, "quit", lines, error)) {
        std::fprintf(stderr, "tarvo-mousesim: %s\n", error.c_str());
        return 1;
    }
    for (int i = 0; i < 500 && Answers(socket); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return 0;
}

}

int main(int argc, char** argv)
{
    std::string socket = SocketPath();
    int at = 1;
    for (; at < argc && std::strncmp(argv[at], "--socket=", 9) == 0; ++at)
        socket = argv[at] + 9;
    if (at >= argc || std::strcmp(argv[at], "--help") == 0) {
        Usage();
        return at >= argc ? 2 : 0;
    }
    std::string const verb = argv[at];
    if (verb == "daemon")
        return SimDaemon(socket).Run();
    if (verb == "start") {
        char self[4096];
        ssize_t const n = readlink("/proc/self/exe", self, sizeof self - 1);
        if (n <= 0) {
            std::perror("tarvo-mousesim: /proc/self/exe");
            return 1;
        }
        self[n] = '\0';
        return StartDetached(self, socket);
    }
    if (verb == "stop")
        return Stop(socket);

    std::string line;
    for (int i = at; i < argc; ++i) {
        if (i > at)
            line += ' ';
        line += argv[i];
    }
    if (line.find('\n') != std::string::npos) {
        std::fputs("tarvo-mousesim: arguments must not contain line breaks\n", stderr);
        return 2;
    }
    std::vector<std::string> lines;
    std::string error;
    bool const ok = Request(socket, line, lines, error);
    for (auto const& out : lines)
        std::printf("%s\n", out.c_str());
    if (!ok) {
        std::fprintf(stderr, "tarvo-mousesim: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
