#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <sys/types.h>

// A program started as an argument list, never through a shell, with its
// standard output and standard error on one pipe that the caller reads, and
// its standard input empty. The destructor ends and reaps a child that is
// still running, so no process outlives its owner unwaited.
// One thread uses an object at a time.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `program` with `arguments`. False when the pipe or the process
    // could not be created; errorNumber then holds the system's error number
    // (ENOENT for a missing program, EACCES for one that may not run).
    bool Start(const QString& program, const QStringList& arguments, int32_t& errorNumber);

    enum class ReadStatus { Data, End, TimedOut, Failed };
    // Waits at most timeoutMs for output and reads up to maxBytes of it into
    // block (replacing its content). End: every writer has closed the pipe.
    ReadStatus Read(QByteArray& block, int32_t maxBytes, int32_t timeoutMs);

    // Waits at most timeoutMs for the child to end. True when it has ended;
    // ExitCode() then tells how.
    bool Wait(int32_t timeoutMs);
    // Ends the child (SIGKILL) and reaps it.
    void Kill();

    bool IsRunning() const { return m_pid > 0; }
    // The exit status after Wait or Kill: the code the child passed to exit(),
    // or 128 + the signal number that ended it; -1 before it ended.
    int32_t ExitCode() const { return m_exitCode; }

private:
    void CloseReadEnd();
    bool Reap(bool block);

    pid_t m_pid = -1;
    int m_readFd = -1;
    int32_t m_exitCode = -1;
};
