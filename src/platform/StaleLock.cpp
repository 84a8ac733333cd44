#include "platform/StaleLock.h"

#include <QFile>

#include <cerrno>
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
