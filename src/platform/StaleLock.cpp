#include "platform/StaleLock.h"

#include <QFile>
#include <QLockFile>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

bool StaleLock::RemoveIfNotRegular(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0)
        return errno == ENOENT;
    if (S_ISREG(info.st_mode))
        return true;
    return ::unlink(native.constData()) == 0;
}

bool StaleLock::RemoveIfUnheld(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    // O_NONBLOCK and O_NOFOLLOW: whatever the file has become, opening it
    // never waits and never leaves the folder.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return true;
        // Unreadable: no owner can be read from it, so none can prove it holds it.
        return ::unlink(native.constData()) == 0 || errno == ENOENT;
    }
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    // Removed while the test lock is still ours, so nobody takes it in between.
    const bool removed = !held && (::unlink(native.constData()) == 0 || errno == ENOENT);
    ::close(fd);
    return removed;
}

bool StaleLock::IsHeld(const QString& path)
{
    // Neither the file nor its native lock is touched: a test lock taken at
    // the moment the owner-to-be locks the file would leave it without one.
    QLockFile lock(path);
    qint64 pid = 0;
    QString host;
    QString application;
    // No owner written (yet): one that is starting has claimed nothing else.
    if (!lock.getLockInfo(&pid, &host, &application) || pid <= 0)
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

StaleLock::Take StaleLock::TakeOver(QLockFile& lock)
{
    const QString path = lock.fileName();
    // A FIFO there would block the reading of the owner for ever.
    if (!RemoveIfNotRegular(path))
        return Take::Failed;
    if (lock.tryLock(0))
        return Take::Taken;
    if (lock.error() != QLockFile::LockFailedError)
        return Take::Failed;
    // QLockFile takes over a lock only when it can read a dead owner from
    // it: an unreadable one would keep every start out for ever.
    for (int look = 0; look < 2; ++look) {
        qint64 pid = 0;
        QString host;
        QString application;
        if (lock.getLockInfo(&pid, &host, &application))
            return Take::Held;
        if (look == 0)
            QThread::msleep(100);
    }
    if (RemoveIfUnheld(path) && lock.tryLock(0))
        return Take::Taken;
    return Take::Held;
}
