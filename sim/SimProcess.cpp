#include "SimProcess.h"

#include "SimWire.h"

#include <chrono>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace tarvo::sim {

SimProcess::~SimProcess()
{
    Stop();
}

bool SimProcess::Start(std::string const& executable, std::string const& socketPath, std::string& error)
{
    Stop();
    m_socketPath = socketPath;
    std::string socketOption = "--socket=" + socketPath;
    std::string daemonWord = "daemon";
    char* argv[] = { const_cast<char*>(executable.c_str()), socketOption.data(), daemonWord.data(), nullptr };
    if (posix_spawn(&m_pid, executable.c_str(), nullptr, nullptr, argv, environ) != 0) {
        m_pid = -1;
        error = "cannot start " + executable;
        return false;
    }
    auto const deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        if (Command("ping"))
            return true;
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            error = executable + " exited at start";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    error = executable + " did not answer on " + socketPath;
    Stop();
    return false;
}

void SimProcess::Stop()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
}

bool SimProcess::Command(std::string const& line, std::vector<std::string>* lines, std::string* error) const
{
    std::vector<std::string> ownLines;
    std::string ownError;
    return Request(m_socketPath, line, lines ? *lines : ownLines, error ? *error : ownError);
}

}
