#include "platform/LocalServer.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace {

QString SystemError(const char* call)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(call), QString::fromLocal8Bit(std::strerror(errno)));
}

// Binds `fd` at `path` so that no other user can ever connect: bound in a
// private folder of our own, made user-only, then moved into place. Where the
// private path is too long for a socket address, bound in place and made
// user-only at once.
bool BindPrivately(int fd, const sockaddr_un& address, QString& error)
{
    const QByteArray target(address.sun_path);
    const qsizetype slash = target.lastIndexOf('/');
    QByteArray folder = target.left(slash + 1) + ".tarvo-XXXXXX";
    sockaddr_un hidden = address;
    const bool hide = size_t(folder.size() + 2) < sizeof hidden.sun_path;
    if (hide) {
        if (!mkdtemp(folder.data())) {
            error = SystemError("mkdtemp");
            return false;
        }
        const QByteArray name = folder + "/s";
        std::memset(hidden.sun_path, 0, sizeof hidden.sun_path);
        std::memcpy(hidden.sun_path, name.constData(), size_t(name.size()));
    }
    bool bound = bind(fd, reinterpret_cast<const sockaddr*>(&hidden), sizeof hidden) == 0;
    if (!bound)
        error = SystemError("bind");
    if (bound && chmod(hidden.sun_path, S_IRWXU) != 0) {
        error = SystemError("chmod");
        unlink(hidden.sun_path);
        bound = false;
    }
    if (hide) {
        if (bound && rename(hidden.sun_path, target.constData()) != 0) {
            error = SystemError("rename");
            unlink(hidden.sun_path);
            bound = false;
        }
        rmdir(folder.constData());
    }
    return bound;
}

} // namespace

LocalServer::~LocalServer()
{
    Close();
}

bool LocalServer::Listen(const QString& path, int32_t backlog)
{
    Close();
    m_error.clear();
    sockaddr_un address{};
    if (!LocalSocket::Address(path, address)) {
        m_error = QStringLiteral("%1: the path is too long for a local socket").arg(path);
        return false;
    }
    // Whatever is there now is stale: the caller holds the lock.
    if (unlink(address.sun_path) != 0 && errno != ENOENT) {
        m_error = SystemError("unlink");
        return false;
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        m_error = SystemError("socket");
        return false;
    }
    struct stat info {};
    if (!BindPrivately(fd, address, m_error)) {
        ::close(fd);
        return false;
    }
    if (listen(fd, backlog) != 0 || stat(address.sun_path, &info) != 0) {
        m_error = SystemError("listen");
        ::close(fd);
        unlink(address.sun_path);
        return false;
    }
    m_fd = fd;
    m_path = path;
    m_device = uint64_t(info.st_dev);
    m_inode = uint64_t(info.st_ino);
    m_notifier = new QSocketNotifier(qintptr(fd), QSocketNotifier::Read, this);
    QObject::connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        if (onPending)
            onPending();
    });
    return true;
}

void LocalServer::Close()
{
    if (m_fd < 0)
        return;
    m_notifier->setEnabled(false);
    m_notifier->deleteLater();
    m_notifier = nullptr;
    ::close(std::exchange(m_fd, -1));
    // Another server may have taken the path meanwhile; its file stays.
    const QByteArray encoded = QFile::encodeName(m_path);
    struct stat info {};
    if (stat(encoded.constData(), &info) == 0 && uint64_t(info.st_dev) == m_device && uint64_t(info.st_ino) == m_inode)
        unlink(encoded.constData());
}

LocalSocket* LocalServer::Accept()
{
    while (m_fd >= 0) {
        const int fd = accept4(m_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            // Closing the server ends its connections with it.
            auto* socket = new LocalSocket(fd);
            socket->setParent(this);
            return socket;
        }
        switch (errno) {
        case EINTR:
        case ECONNABORTED: // a client gone before it was taken
            continue;
        case EAGAIN:
#if EAGAIN != EWOULDBLOCK
        case EWOULDBLOCK:
#endif
            return nullptr;
        default:
            // Out of descriptors or memory: the connection stays queued and
            // the descriptor readable, so going on would spin. Stopped, the
            // owner listens again when it sees fit.
            m_error = SystemError("accept4");
            Close();
            return nullptr;
        }
    }
    return nullptr;
}

void LocalServer::SetWatching(bool watching)
{
    if (m_notifier)
        m_notifier->setEnabled(watching);
}
