#pragma once

#include "platform/LocalSocket.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

class QSocketNotifier;

// A listening local stream socket at a path in the file system, reachable by
// this user only.
class LocalServer : public QObject {
public:
    LocalServer() = default;
    ~LocalServer() override;
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    // Connections are waiting to be accepted.
    std::function<void()> onPending;

    // Replaces whatever file is at `path` (the caller holds the lock that
    // makes it stale). False with ErrorString() when it cannot listen there,
    // e.g. a path longer than a socket address holds.
    bool Listen(const QString& path, int32_t backlog);
    bool IsListening() const { return m_fd >= 0; }
    // Stops listening and removes the socket file if it is still ours.
    void Close();
    QString ErrorString() const { return m_error; }

    // The next waiting connection, or null when none waits; it is the
    // server's child, deleted with it at the latest. Out of
    // descriptors or another lasting failure, the server stops listening.
    LocalSocket* Accept();
    // While off, waiting connections stay in the system's queue.
    void SetWatching(bool watching);

private:
    int m_fd = -1;
    QString m_path;
    uint64_t m_device = 0;
    uint64_t m_inode = 0;
    QSocketNotifier* m_notifier = nullptr; // a child: it may be retired from its own signal
    QString m_error;
};
