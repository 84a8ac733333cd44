#pragma once

#include <QString>
#include <QStringList>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// Starts programs on a thread of its own, one after the other in the order
// asked, so a slow start never holds up the caller. A program is started as
// its path and an argument list with no shell between: blanks, quotes, ";",
// "$( )" or line breaks in either are passed on as they are.
class ProgramLauncher {
public:
    // Starts `program` with `arguments` in `folder`, detached; false on failure.
    using Starter = std::function<bool(const QString& program, const QStringList& arguments, const QString& folder)>;

    // The default starter is QProcess::startDetached.
    ProgramLauncher();
    explicit ProgramLauncher(Starter starter);
    // Starts what is being started, drops what is still queued, joins.
    ~ProgramLauncher();
    ProgramLauncher(const ProgramLauncher&) = delete;
    ProgramLauncher& operator=(const ProgramLauncher&) = delete;

    // Queues a start; the working folder is the program's own.
    void Start(const QString& program, const QStringList& arguments);
    // Blocks until everything queued so far has been started (tests, exit).
    void WaitIdle();

private:
    struct Job {
        QString program;
        QStringList arguments;
    };
    void Loop();

    Starter m_starter;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_jobs;
    bool m_running = false; // a job is being started
    bool m_stop = false;
    std::thread m_thread; // started with the first job
};
