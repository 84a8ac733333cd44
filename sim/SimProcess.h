#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace tarvo::sim {

// A private simulator daemon for one test or benchmark process: its own
// socket, started as a child and stopped with it, so parallel test runs never
// share firmware state.
class SimProcess {
public:
    SimProcess() = default;
    ~SimProcess();
    SimProcess(SimProcess const&) = delete;
    SimProcess& operator=(SimProcess const&) = delete;

    // Starts `executable daemon` on socketPath and waits until it answers
    // (at most 5 s). False, with the reason in error, when it does not.
    bool Start(std::string const& executable, std::string const& socketPath, std::string& error);
    void Stop();
    bool Running() const { return m_pid > 0; }
    std::string const& SocketPath() const { return m_socketPath; }

    // One control command; see SimWire.h for the line protocol.
    bool Command(std::string const& line, std::vector<std::string>* lines = nullptr, std::string* error = nullptr) const;

private:
    pid_t m_pid = -1;
    std::string m_socketPath;
};

}
