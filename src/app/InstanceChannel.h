#pragma once

#include "widgets/WidgetTypes.h"

#include <QString>
#include <functional>
#include <memory>

class LocalServer;
class LocalSocket;
class QLockFile;
class QTimer;

// The single-instance guard and the channel through which later starts and
// other processes reach the running program: a per-user lock file and a local
// socket, both named after the application, in the user's runtime folder.
//
// Requests are one line of ASCII ending in '\n' (InstanceRequest.h), answered
// with one line:
//   "show"             -> "shown" (the window was brought to the front)
//                         or "nowindow" (still starting)
//   "ping"             -> "ready" or "nowindow"; changes nothing
//   "post 1691 0 610"  -> "posted" (the program ends) or "nowindow"
//   "ctl 1 {...}"      -> tarvoctl's request, answered by the window
//                         (CtlChannel: its own versioned request set)
//   anything else      -> "error"
// At most kMaxConnections are served at once; a connection that has not sent
// a whole request within kRequestTimeoutMs is closed, so idle or half-open
// clients cost nothing for long. A server that stops listening (out of
// descriptors, its socket file removed) listens again.
class InstanceChannel {
public:
    static constexpr int kMaxConnections = 8;
    static constexpr int kRequestTimeoutMs = 2000;
    // How often a server that stopped listening is tried again.
    static constexpr int kRelistenIntervalMs = 1000;

    enum class Claim {
        First, // this process holds the lock: go on starting
        Other, // another instance runs
        Unavailable, // the lock could not be taken or tested: go on as the first
    };
    enum class ShowResult { Shown, NoWindow, NoAnswer };

    // `folder` holds the lock and the socket; empty means the user's runtime folder.
    explicit InstanceChannel(QString name, QString folder = {});
    ~InstanceChannel();
    InstanceChannel(const InstanceChannel&) = delete;
    InstanceChannel& operator=(const InstanceChannel&) = delete;

    // Takes the lock; one that is stale (StaleLock::TakeOver) is taken over.
    Claim ClaimFirst();
    // Starts answering requests on the interface thread's event loop.
    bool Listen();
    bool IsListening() const;
    // Stops answering and gives the lock up (also done by the destructor); for
    // an exit that skips destructors.
    void Close();
    // The window that "show" brings to the front and that posted messages go
    // to, and how to bring it to the front (interface thread). 0 detaches.
    void AttachWindow(WindowHandle window, std::function<void()> bringToFront);
    // Who answers tarvoctl's requests (interface thread): it gets the line
    // and calls `reply` once, at once or later, with the answer line. Empty
    // while no window can answer them.
    using Reply = std::function<void(const QByteArray& line)>;
    void SetCtlHandler(std::function<void(const QString& line, Reply reply)> handler);

    // Client side, used by a later start and by other processes.
    ShowResult AskToShow(int32_t timeoutMs = 3000) const;
    // One request line; the answer line, or empty when nobody answered.
    QString Request(const QString& line, int32_t timeoutMs = 3000) const;

    QString SocketPath() const;
    QString LockPath() const;
    // The user's runtime folder with a trailing '/'.
    static QString DefaultFolder();

    // Connections being served now (for tests and the soak figures).
    int ConnectionCount() const { return m_connections; }

private:
    void OnNewConnection();
    void OnReadyRead(LocalSocket* socket);
    QByteArray Answer(QByteArrayView line);
    bool StartServer();
    void CheckServer();

    QString m_name;
    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<LocalServer> m_server;
    std::unique_ptr<QTimer> m_watchdog;
    int m_connections = 0;
    WindowHandle m_window = 0;
    std::function<void()> m_bringToFront;
    std::function<void(const QString&, Reply)> m_ctlHandler;
};
