#include "platform/DataFile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString ErrnoText(const char* call, int error)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(call), QString::fromLocal8Bit(std::strerror(error)));
}

// Owns one descriptor.
class Descriptor {
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

DataFile::Contents DataFile::Read(const QString& path, int64_t maxBytes)
{
    Contents contents;
    if (path.isEmpty()) {
        contents.error = QStringLiteral("no path");
        return contents;
    }
    const QByteArray native = QFile::encodeName(path);
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a
    // writer, for ever; the type is known only once the descriptor exists.
    Descriptor fd(::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.Get() < 0) {
        const int error = errno;
        contents.status = error == ENOENT || error == ENOTDIR ? Status::Missing : Status::Unreadable;
        contents.error = ErrnoText("open", error);
        return contents;
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) {
        contents.status = Status::Unreadable;
        contents.error = ErrnoText("fstat", errno);
        return contents;
    }
    if (!S_ISREG(info.st_mode)) {
        contents.status = Status::NotRegular;
        contents.error = QStringLiteral("not a regular file");
        return contents;
    }
    if (maxBytes >= 0 && info.st_size > maxBytes) {
        contents.status = Status::TooLarge;
        contents.error = QStringLiteral("%1 bytes, more than %2").arg(info.st_size).arg(maxBytes);
        return contents;
    }

    // The file may grow between the fstat and the reads: one byte over the
    // cap is enough to know.
    const int64_t limit = maxBytes >= 0 ? maxBytes + 1 : INT64_MAX;
    QByteArray bytes;
    bytes.reserve(qsizetype(info.st_size));
    char buffer[65536];
    while (int64_t(bytes.size()) < limit) {
        const size_t want = size_t(std::min<int64_t>(int64_t(sizeof buffer), limit - bytes.size()));
        const ssize_t got = ::read(fd.Get(), buffer, want);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            contents.status = Status::Unreadable;
            contents.error = ErrnoText("read", errno);
            return contents;
        }
        if (got == 0)
            break;
        bytes.append(buffer, qsizetype(got));
    }
    if (maxBytes >= 0 && bytes.size() > maxBytes) {
        contents.status = Status::TooLarge;
        contents.error = QStringLiteral("grew past %1 bytes while read").arg(maxBytes);
        return contents;
    }
    contents.status = Status::Read;
    contents.bytes = std::move(bytes);
    return contents;
}

DataFile::Status DataFile::Examine(const QString& path, int64_t maxBytes)
{
    if (path.isEmpty())
        return Status::Missing;
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    // stat() follows links and never opens, so it never waits.
    if (::stat(native.constData(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? Status::Missing : Status::Unreadable;
    if (!S_ISREG(info.st_mode))
        return Status::NotRegular;
    if (maxBytes >= 0 && info.st_size > maxBytes)
        return Status::TooLarge;
    return Status::Read;
}

bool DataFile::IsPlainName(QStringView name)
{
    if (name.isEmpty() || name.size() > kMaxPlainNameLength || name.front() == QLatin1Char('.'))
        return false;
    for (const QChar c : name) {
        if (c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_') || c == QLatin1Char('.'))
            continue;
        return false;
    }
    return true;
}
