#include "platform/DeviceChangeSource.h"

#include "platform/UdevMonitor.h"

#include <QLoggingCategory>
#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

Q_LOGGING_CATEGORY(lcDeviceChange, "tarvo.devicechange", QtInfoMsg)

constexpr qsizetype kLineLimit = 4096;

}

DeviceChangeSource::DeviceChangeSource(Handler handler)
    : m_handler(std::move(handler))
{
}

DeviceChangeSource::~DeviceChangeSource()
{
    Stop();
}

bool DeviceChangeSource::Start(int monitorFd)
{
    Stop();
    if (monitorFd >= 0) {
        int const flags = fcntl(monitorFd, F_GETFL);
        if (flags < 0 || fcntl(monitorFd, F_SETFL, flags | O_NONBLOCK) < 0) {
            close(monitorFd);
            return false;
        }
        m_fd = monitorFd;
        m_backend = Backend::Descriptor;
        m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { ReadDescriptor(); });
        return true;
    }
    m_udev = std::make_unique<UdevMonitor>();
    int const fd = m_udev->Start();
    if (fd < 0) {
        qCWarning(lcDeviceChange) << "udev monitor unavailable: HID arrivals and removals go unnoticed";
        m_udev.reset();
        return false;
    }
    m_backend = Backend::Udev;
    m_notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { ReadUdev(); });
    return true;
}

void DeviceChangeSource::Stop()
{
    m_notifier.reset();
    m_udev.reset();
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
    m_pending.clear();
    m_backend = Backend::None;
}

void DeviceChangeSource::ReadDescriptor()
{
    char chunk[4096];
    bool closed = false;
    for (;;) {
        ssize_t const n = read(m_fd, chunk, sizeof chunk);
        if (n > 0) {
            m_pending.append(chunk, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        closed = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
        break;
    }
    qsizetype newline;
    while ((newline = m_pending.indexOf('\n')) >= 0) {
        QByteArray const line = m_pending.left(newline);
        m_pending.remove(0, newline + 1);
        DeviceChange change;
        if (line.startsWith("add "))
            change = { DeviceChangeEvent::Arrival, QString::fromUtf8(line.mid(4)) };
        else if (line.startsWith("remove "))
            change = { DeviceChangeEvent::Removal, QString::fromUtf8(line.mid(7)) };
        else {
            qCWarning(lcDeviceChange) << "ignored hot-plug line" << line.left(80);
            continue;
        }
        m_handler(change);
        if (m_fd < 0)
            return; // the handler stopped the source
    }
    if (m_pending.size() > kLineLimit)
        m_pending.clear();
    if (closed) {
        qCWarning(lcDeviceChange) << "hot-plug descriptor closed";
        Stop();
    }
}

void DeviceChangeSource::ReadUdev()
{
    if (auto change = m_udev->ReadEvent())
        m_handler(*change);
}
