#include "platform/ProgramLauncher.h"

#include "platform/DesktopLog.h"

#include <QFileInfo>
#include <QProcess>

ProgramLauncher::ProgramLauncher()
    : ProgramLauncher([](const QString& program, const QStringList& arguments, const QString& folder) {
        return QProcess::startDetached(program, arguments, folder);
    })
{}

ProgramLauncher::ProgramLauncher(Starter starter)
    : m_starter(std::move(starter))
{}

ProgramLauncher::~ProgramLauncher()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_jobs.clear();
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void ProgramLauncher::Start(const QString& program, const QStringList& arguments)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stop)
            return;
        m_jobs.push_back({program, arguments});
        if (!m_thread.joinable())
            m_thread = std::thread([this] { Loop(); });
    }
    m_wake.notify_one();
}

void ProgramLauncher::WaitIdle()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_stop || (m_jobs.empty() && !m_running); });
}

void ProgramLauncher::Loop()
{
    std::unique_lock lock(m_mutex);
    while (true) {
        m_wake.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
        if (m_stop)
            break;
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_running = true;
        lock.unlock();
        const bool started = m_starter(job.program, job.arguments, QFileInfo(job.program).absolutePath());
        DesktopDebugLine(QStringLiteral("start %1 with %2 arguments: %3")
                             .arg(job.program)
                             .arg(job.arguments.size())
                             .arg(started ? QStringLiteral("started") : QStringLiteral("failed")));
        lock.lock();
        m_running = false;
        if (m_jobs.empty())
            m_idle.notify_all();
    }
    m_running = false;
    m_idle.notify_all();
}
