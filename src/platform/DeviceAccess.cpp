#include "platform/DeviceAccess.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

DeviceAccess::Result DeviceAccess::FromErrorNumber(int errorNumber)
{
    switch (errorNumber) {
    case 0:
        return Result::Granted;
    case EACCES:
    case EPERM:
        return Result::PermissionDenied;
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return Result::Missing;
    default:
        return Result::Failed;
    }
}

bool DeviceAccess::IsNodePath(const QString& path)
{
    return path.startsWith(QLatin1Char('/'));
}

DeviceAccess::Result DeviceAccess::Probe(const QString& path)
{
    const QByteArray native = path.toLocal8Bit();
    // Non-blocking: a node that would wait for its device must not hold up the caller.
    const int fd = ::open(native.constData(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return FromErrorNumber(errno);
    ::close(fd);
    return Result::Granted;
}

DeviceAccess::Result DeviceAccess::Explain(const QString& path, int errorNumber)
{
    // An open that failed was never granted: when the node opens for us now,
    // or the library left no error number, the cause was something else.
    const Result result = IsNodePath(path) ? Probe(path) : FromErrorNumber(errorNumber);
    return result == Result::Granted ? Result::Failed : result;
}

QString DeviceAccess::Name(Result result)
{
    switch (result) {
    case Result::Granted:
        return QStringLiteral("granted");
    case Result::PermissionDenied:
        return QStringLiteral("permission denied");
    case Result::Missing:
        return QStringLiteral("missing");
    case Result::Failed:
        break;
    }
    return QStringLiteral("failed");
}
