#include "platform/LocalSocket.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace {

// Enough for any request or answer line in one go; longer ones take turns
// with the rest of the event loop.
constexpr qsizetype kReadChunk = 16384;

// Turns a notifier off for good. Deleted later, as this may run from its own
// signal; as a child of the socket it goes at the latest with it.
void Retire(QSocketNotifier*& notifier)
{
    if (!notifier)
        return;
    notifier->setEnabled(false);
    notifier->deleteLater();
    notifier = nullptr;
}

// Waits for `events` on `fd` until `deadline`; false on timeout or error.
bool WaitFor(int fd, short events, const QDeadlineTimer& deadline)
{
    for (;;) {
        const qint64 remaining = deadline.remainingTime();
        if (remaining == 0)
            return false;
        pollfd entry{fd, events, 0};
        const int ready = poll(&entry, 1, int(remaining));
        if (ready < 0 && errno == EINTR)
            continue;
        // POLLHUP/POLLERR count as ready: the next call reports them.
        return ready > 0;
    }
}

bool ConnectBefore(int fd, const sockaddr_un& address, const QDeadlineTimer& deadline)
{
    for (;;) {
        // A listener with a full queue keeps a blocking connect waiting, for
        // the send timeout at most.
        const qint64 remaining = deadline.remainingTime();
        if (remaining == 0)
            return false;
        const qint64 ms = remaining < 0 ? 0 : std::max<qint64>(1, remaining);
        timeval limit{time_t(ms / 1000), suseconds_t(ms % 1000 * 1000)};
        if (setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit) != 0)
            return false;
        if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
            return true;
        if (errno == EISCONN) // an interrupted connect that went on
            return true;
        if (errno != EINTR)
            return false;
    }
}

} // namespace

bool LocalSocket::Address(const QString& path, sockaddr_un& address)
{
    const QByteArray encoded = QFile::encodeName(path);
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (encoded.isEmpty() || size_t(encoded.size()) >= sizeof address.sun_path || encoded.contains('\0'))
        return false;
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    return true;
}

LocalSocket::LocalSocket(int fd)
    : m_fd(fd)
{
    m_reader = new QSocketNotifier(qintptr(fd), QSocketNotifier::Read, this);
    QObject::connect(m_reader, &QSocketNotifier::activated, this, [this] { OnReadable(); });
}

LocalSocket::~LocalSocket()
{
    onClosed = nullptr;
    CloseNow();
}

void LocalSocket::OnReadable()
{
    char chunk[kReadChunk];
    for (;;) {
        const ssize_t got = recv(m_fd, chunk, sizeof chunk, MSG_DONTWAIT);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (got <= 0) { // hung up, or reset
            CloseNow();
            return;
        }
        if (m_discard)
            return;
        m_in.append(chunk, qsizetype(got));
        if (onReadable)
            onReadable();
        return;
    }
}

QByteArray LocalSocket::ReadLine(qsizetype maxSize)
{
    const qsizetype end = m_in.indexOf('\n');
    const qsizetype size = std::min(end < 0 ? m_in.size() : end + 1, maxSize);
    QByteArray line = m_in.left(size);
    m_in.remove(0, size);
    return line;
}

void LocalSocket::DiscardInput()
{
    m_discard = true;
    m_in.clear();
}

void LocalSocket::Write(const QByteArray& data)
{
    if (!IsOpen() || m_closeWhenWritten)
        return;
    m_out.append(data);
    Flush();
}

void LocalSocket::Flush()
{
    while (IsOpen() && m_outDone < m_out.size()) {
        const ssize_t sent = send(
            m_fd, m_out.constData() + m_outDone, size_t(m_out.size() - m_outDone), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!m_writer) {
                m_writer = new QSocketNotifier(qintptr(m_fd), QSocketNotifier::Write, this);
                QObject::connect(m_writer, &QSocketNotifier::activated, this, [this] { Flush(); });
            }
            m_writer->setEnabled(true);
            return;
        }
        if (sent < 0) { // the peer hung up: nobody reads the rest
            CloseNow();
            return;
        }
        m_outDone += sent;
    }
    if (!IsOpen())
        return;
    m_out.clear();
    m_outDone = 0;
    if (m_writer)
        m_writer->setEnabled(false);
    if (m_closeWhenWritten)
        CloseNow();
}

void LocalSocket::CloseAfterWriting()
{
    m_closeWhenWritten = true;
    if (BytesToWrite() == 0)
        CloseNow();
}

void LocalSocket::Abort()
{
    CloseNow();
}

void LocalSocket::CloseNow()
{
    if (m_fd < 0)
        return;
    Retire(m_reader);
    Retire(m_writer);
    ::close(m_fd);
    m_fd = -1;
    m_out.clear();
    m_outDone = 0;
    if (auto closed = std::exchange(onClosed, nullptr))
        closed();
}

std::optional<QByteArray> LocalSocket::Exchange(
    const QString& path, const QByteArray& request, int32_t timeoutMs, qsizetype maxAnswer)
{
    sockaddr_un address{};
    if (!Address(path, address))
        return std::nullopt;
    const QDeadlineTimer deadline(timeoutMs);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return std::nullopt;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    if (!ConnectBefore(fd, address, deadline) || fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK) != 0)
        return std::nullopt;

    for (qsizetype done = 0; done < request.size();) {
        const ssize_t sent = send(
            fd, request.constData() + done, size_t(request.size() - done), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0)
            done += sent;
        else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!WaitFor(fd, POLLOUT, deadline))
                return std::nullopt;
        } else if (errno != EINTR)
            return std::nullopt;
    }

    QByteArray answer;
    char chunk[kReadChunk];
    for (;;) {
        const ssize_t got = recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
        if (got > 0) {
            const qsizetype searchFrom = answer.size();
            answer.append(chunk, qsizetype(got));
            const qsizetype end = answer.indexOf('\n', searchFrom);
            if (end >= 0 && end <= maxAnswer)
                return answer.left(end);
            if (answer.size() > maxAnswer)
                return std::nullopt;
        } else if (got == 0)
            return std::nullopt; // hung up before the line ended
        else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!WaitFor(fd, POLLIN, deadline))
                return std::nullopt;
        } else if (errno != EINTR)
            return std::nullopt;
    }
}
