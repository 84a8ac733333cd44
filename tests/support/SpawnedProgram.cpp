#include "SpawnedProgram.h"

#include <QFile>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

namespace {

QString ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

SpawnedProgram::~SpawnedProgram()
{
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
}

bool SpawnedProgram::Start(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment)
{
    if (m_pid > 0 || !m_files.isValid())
        return false;
    std::vector<QByteArray> words{program.toLocal8Bit()};
    for (const QString& argument : arguments)
        words.push_back(argument.toLocal8Bit());
    std::vector<QByteArray> settings;
    for (const QString& setting : environment.toStringList())
        settings.push_back(setting.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (QByteArray& setting : settings)
        envp.push_back(setting.data());
    envp.push_back(nullptr);

    const QByteArray out = m_files.filePath(QStringLiteral("out")).toLocal8Bit();
    const QByteArray err = m_files.filePath(QStringLiteral("err")).toLocal8Bit();
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0)
        return false;
    int result = posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (result == 0)
        result = posix_spawn_file_actions_addopen(
            &actions, STDOUT_FILENO, out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (result == 0)
        result = posix_spawn_file_actions_addopen(
            &actions, STDERR_FILENO, err.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (result == 0)
        result = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0)
        m_pid = -1;
    return result == 0;
}

int SpawnedProgram::Finish(int timeoutMs)
{
    if (m_pid <= 0)
        return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    pid_t ended = 0;
    while ((ended = waitpid(m_pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (ended == 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    m_pid = -1;
    return ended > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

QString SpawnedProgram::Out() const
{
    return ReadAll(m_files.filePath(QStringLiteral("out")));
}

QString SpawnedProgram::Err() const
{
    return ReadAll(m_files.filePath(QStringLiteral("err")));
}
