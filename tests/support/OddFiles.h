#pragma once

// Paths that hold something other than a regular file, for the tests of code
// that must never block on, or read whole, what it finds at a data file's path.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <chrono>
#include <fcntl.h>
#include <functional>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace OddFiles {

inline bool MakeFifo(const QString& path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

inline bool MakeLink(const QString& target, const QString& path)
{
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()) == 0;
}

// A file of `bytes` that takes no room on the disk.
inline bool MakeSparse(const QString& path, qint64 bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.resize(bytes);
}

// Runs `call` and reports whether it returned within `limit`. A call still
// waiting on the FIFO at `fifo` is then released by opening the FIFO's
// writing end, so a failing test ends instead of hanging.
inline bool ReturnsWithin(const std::function<void()>& call, const QString& fifo,
    std::chrono::milliseconds limit = std::chrono::milliseconds(3000))
{
    auto done = std::async(std::launch::async, call);
    if (done.wait_for(limit) == std::future_status::ready)
        return true;
    const int writer = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (writer >= 0)
        ::close(writer);
    done.wait();
    return false;
}

} // namespace OddFiles
