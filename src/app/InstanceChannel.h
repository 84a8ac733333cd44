#pragma once

#include "widgets/WidgetTypes.h"

#include <QString>
#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

// The single-instance guard and the channel through which later starts and
// other processes reach the running program: a per-user lock file and a local
// socket, both named after the application, in the user's runtime folder.
//
// Requests are one line of ASCII, answered with one line:
//   "show"                  -> "shown" (the window was brought to the front)
//                              or "nowindow" (still starting)
//   "post <msg> <wp> <lp>"  -> "posted" or "refused"; only the quit message
//                              (1691) is accepted from outside
//   "ctl 1 {...}"           -> tarvoctl's request, answered by the window
//                              (CtlChannel: its own versioned request set)
//   anything else           -> "error"
class InstanceChannel {
public:
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

private:
    void OnNewConnection();
    void OnReadyRead(QLocalSocket* socket);
    QString Answer(const QString& line);

    QString m_name;
    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    WindowHandle m_window = 0;
    std::function<void()> m_bringToFront;
    std::function<void(const QString&, Reply)> m_ctlHandler;
};
