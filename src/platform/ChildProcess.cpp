#include "platform/ChildProcess.h"

#include <QFile>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// The spawn attributes and file actions, destroyed on every way out.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    bool actionsReady = false;
    bool attributesReady = false;
    ~SpawnSetup()
    {
        if (actionsReady)
            posix_spawn_file_actions_destroy(&actions);
        if (attributesReady)
            posix_spawnattr_destroy(&attributes);
    }
};

int32_t StatusToCode(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

} // namespace

ChildProcess::~ChildProcess()
{
    if (m_pid > 0)
        Kill();
    CloseReadEnd();
}

void ChildProcess::CloseReadEnd()
{
    if (m_readFd >= 0)
        close(m_readFd);
    m_readFd = -1;
}

bool ChildProcess::Start(const QString& program, const QStringList& arguments, int32_t& errorNumber)
{
    errorNumber = 0;
    if (m_pid > 0) {
        errorNumber = EBUSY;
        return false;
    }
    CloseReadEnd();
    m_exitCode = -1;

    int ends[2] = {-1, -1};
    // Close-on-exec on both ends: the child gets the write end only through
    // the dup2 below, so it never holds its own pipe open.
    if (pipe2(ends, O_CLOEXEC) != 0) {
        errorNumber = errno;
        return false;
    }

    // The bytes every argv pointer refers to, kept alive until the spawn is done.
    std::vector<QByteArray> storage;
    storage.push_back(QFile::encodeName(program));
    for (const QString& argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& bytes : storage)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);

    SpawnSetup setup;
    int result = posix_spawn_file_actions_init(&setup.actions);
    setup.actionsReady = result == 0;
    if (result == 0)
        result = posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (result == 0)
        result = posix_spawn_file_actions_adddup2(&setup.actions, ends[1], STDOUT_FILENO);
    if (result == 0)
        result = posix_spawn_file_actions_adddup2(&setup.actions, ends[1], STDERR_FILENO);
    if (result == 0) {
        result = posix_spawnattr_init(&setup.attributes);
        setup.attributesReady = result == 0;
    }
    if (result == 0) {
        // The child starts with default signal handling and no blocked
        // signals, whatever the calling thread has set up for itself.
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        result = posix_spawnattr_setsigmask(&setup.attributes, &none);
        if (result == 0)
            result = posix_spawnattr_setsigdefault(&setup.attributes, &all);
        if (result == 0)
            result = posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    pid_t pid = -1;
    if (result == 0)
        result = posix_spawn(&pid, argv[0], &setup.actions, &setup.attributes, argv.data(), environ);
    close(ends[1]);
    if (result != 0) {
        close(ends[0]);
        errorNumber = result;
        return false;
    }
    m_pid = pid;
    m_readFd = ends[0];
    return true;
}

ChildProcess::ReadStatus ChildProcess::Read(QByteArray& block, int32_t maxBytes, int32_t timeoutMs)
{
    block.clear();
    if (m_readFd < 0)
        return ReadStatus::End;
    pollfd fd{m_readFd, POLLIN, 0};
    int ready;
    do {
        ready = poll(&fd, 1, timeoutMs < 0 ? -1 : timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0)
        return ReadStatus::Failed;
    if (ready == 0)
        return ReadStatus::TimedOut;
    block.resize(maxBytes > 0 ? maxBytes : 1);
    ssize_t count;
    do {
        count = read(m_readFd, block.data(), size_t(block.size()));
    } while (count < 0 && errno == EINTR);
    if (count < 0) {
        block.clear();
        return ReadStatus::Failed;
    }
    block.resize(qsizetype(count));
    if (count == 0) {
        CloseReadEnd();
        return ReadStatus::End;
    }
    return ReadStatus::Data;
}

bool ChildProcess::Reap(bool block)
{
    if (m_pid <= 0)
        return true;
    int status = 0;
    pid_t done;
    do {
        done = waitpid(m_pid, &status, block ? 0 : WNOHANG);
    } while (done < 0 && errno == EINTR);
    if (done == 0)
        return false;
    m_exitCode = done == m_pid ? StatusToCode(status) : -1;
    m_pid = -1;
    return true;
}

bool ChildProcess::Wait(int32_t timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!Reap(false)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void ChildProcess::Kill()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGKILL);
    Reap(true);
}
