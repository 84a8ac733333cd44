#include "app/InstanceChannel.h"

#include "app/AppMessages.h"
#include "app/InstanceRequest.h"
#include "ctl/CtlChannel.h"
#include "ctl/CtlExitCode.h"
#include "platform/Paths.h"
#include "platform/StaleLock.h"
#include "widgets/WindowRegistry.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QTimer>

#include <utility>

namespace {
// A request longer than this is not one of ours.
constexpr qint64 kMaxLine = CtlChannel::kMaxRequest;

QString WithSlash(QString folder)
{
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}
} // namespace

InstanceChannel::InstanceChannel(QString name, QString folder)
    : m_name(std::move(name))
    , m_folder(WithSlash(folder.isEmpty() ? DefaultFolder() : folder))
{}

InstanceChannel::~InstanceChannel()
{
    Close();
}

void InstanceChannel::Close()
{
    m_watchdog.reset();
    // Closes and removes the socket file, and its connections; unset first,
    // as the connections' ends look at it.
    delete std::exchange(m_server, nullptr);
    m_lock.reset(); // unlocks
    m_window = 0;
    m_bringToFront = nullptr;
    m_ctlHandler = nullptr;
}

QString InstanceChannel::DefaultFolder()
{
    return Paths::RuntimeFolder();
}

QString InstanceChannel::SocketPath() const
{
    return m_folder + m_name;
}
QString InstanceChannel::LockPath() const
{
    return m_folder + m_name + QStringLiteral(".lock");
}

InstanceChannel::Claim InstanceChannel::ClaimFirst()
{
    QDir().mkpath(m_folder);
    m_lock = std::make_unique<QLockFile>(LockPath());
    // No age limit: a lock is stale only when its owner is gone or cannot
    // be read (StaleLock::TakeOver).
    m_lock->setStaleLockTime(0);
    switch (StaleLock::TakeOver(*m_lock)) {
    case StaleLock::Take::Taken:
        return Claim::First;
    case StaleLock::Take::Held:
        m_lock.reset();
        return Claim::Other;
    case StaleLock::Take::Failed:
        break;
    }
    m_lock.reset();
    return Claim::Unavailable;
}

namespace {

// Ends a served connection once its answer is written. A client that hung up
// before it was served (it waited in the queue past its own patience) is
// unconnected already: no "disconnected" follows to delete it, and it would
// keep one of the served places for the rest of the run.
void Finish(QLocalSocket* socket)
{
    socket->flush();
    socket->disconnectFromServer();
    if (socket->state() == QLocalSocket::UnconnectedState)
        socket->deleteLater();
}

} // namespace

bool InstanceChannel::Listen()
{
    if (m_server)
        return m_server->isListening();
    const bool listening = StartServer();
    // Also when the first listen failed: the watchdog keeps trying.
    m_watchdog = std::make_unique<QTimer>();
    QObject::connect(m_watchdog.get(), &QTimer::timeout, [this] { CheckServer(); });
    m_watchdog->start(kRelistenIntervalMs);
    return listening;
}

bool InstanceChannel::StartServer()
{
    delete std::exchange(m_server, nullptr);
    m_server = new QLocalServer();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Accepted but not yet served connections hold descriptors: few of them.
    m_server->setMaxPendingConnections(kMaxConnections);
    // We hold the lock, so a socket file left here belongs to a dead instance.
    QLocalServer::removeServer(SocketPath());
    if (!m_server->listen(SocketPath()))
        return false;
    QObject::connect(m_server, &QLocalServer::newConnection, m_server, [this] { OnNewConnection(); });
    return true;
}

void InstanceChannel::CheckServer()
{
    // Out of descriptors, the server closes for good on its first failed
    // accept; and a socket file removed by a cleaner leaves it listening on
    // nothing. Either way later starts could no longer reach us.
    if (m_server && m_server->isListening() && QFileInfo::exists(SocketPath()))
        return;
    StartServer();
}

bool InstanceChannel::IsListening() const
{
    return m_server && m_server->isListening();
}

void InstanceChannel::AttachWindow(WindowHandle window, std::function<void()> bringToFront)
{
    m_window = window;
    m_bringToFront = std::move(bringToFront);
}

void InstanceChannel::SetCtlHandler(std::function<void(const QString& line, Reply reply)> handler)
{
    m_ctlHandler = std::move(handler);
}

void InstanceChannel::OnNewConnection()
{
    // Beyond the limit connections wait, in the server's short queue and
    // then the system's, until a served one ends: a request is delayed by
    // idle clients, never refused for them.
    while (m_server && m_connections < kMaxConnections) {
        QLocalSocket* socket = m_server->nextPendingConnection();
        if (!socket)
            return;
        ++m_connections;
        QObject::connect(socket, &QObject::destroyed, [this] {
            --m_connections;
            // Queued: the server may be going away with its sockets.
            if (m_server)
                QMetaObject::invokeMethod(
                    m_server, [this] { OnNewConnection(); }, Qt::QueuedConnection);
        });
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] { OnReadyRead(socket); });
        // A client that never sends a whole request is not waited for; once
        // it has, the answer may take its time (tarvoctl's requests reach the
        // mouse).
        auto* timeout = new QTimer(socket);
        timeout->setObjectName(QStringLiteral("requestTimeout"));
        timeout->setSingleShot(true);
        QObject::connect(timeout, &QTimer::timeout, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        timeout->start(kRequestTimeoutMs);
        if (socket->bytesAvailable() > 0)
            OnReadyRead(socket);
    }
}

void InstanceChannel::OnReadyRead(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxLine) {
            socket->write("error\n");
            Finish(socket);
        }
        return;
    }
    // One request per connection: what follows it is not read.
    QObject::disconnect(socket, &QLocalSocket::readyRead, socket, nullptr);
    if (auto* timeout = socket->findChild<QTimer*>(QStringLiteral("requestTimeout")))
        timeout->stop();
    QByteArray line = socket->readLine(kMaxLine + 1);
    // A line is whole only with its '\n'; one cut at kMaxLine is too long to be ours.
    if (!line.endsWith('\n')) {
        socket->write("error\n");
        Finish(socket);
        return;
    }
    line.chop(1);
    if (line.startsWith(CtlChannel::kPrefix)) {
        // Answered when the window is done with it; a client that hung up
        // meanwhile is not written to.
        QPointer<QLocalSocket> client(socket);
        Reply reply = [client](const QByteArray& answer) {
            if (!client)
                return;
            client->write(answer);
            Finish(client);
        };
        if (!m_ctlHandler) {
            reply(CtlChannel::EncodeAnswer(
                {kCtlDeviceError, {}, QStringLiteral("the Tarvo window is still starting; try again")}));
            return;
        }
        m_ctlHandler(QString::fromUtf8(line).trimmed(), std::move(reply));
        return;
    }
    socket->write(Answer(line) + '\n');
    Finish(socket);
}

QByteArray InstanceChannel::Answer(QByteArrayView line)
{
    switch (ParseInstanceRequest(line)) {
    case InstanceRequest::Show:
        if (!m_window || !m_bringToFront)
            return "nowindow";
        m_bringToFront();
        return "shown";
    case InstanceRequest::Ping:
        return m_window ? "ready" : "nowindow";
    case InstanceRequest::Quit:
        if (!m_window)
            return "nowindow";
        return PostMessage(m_window, AppMessages::kQuit, 0, AppMessages::kQuitKey) ? "posted" : "nowindow";
    case InstanceRequest::Invalid:
        break;
    }
    return "error";
}

QString InstanceChannel::Request(const QString& line, int32_t timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(SocketPath());
    if (!socket.waitForConnected(timeoutMs))
        return {};
    socket.write(line.toLatin1() + '\n');
    if (!socket.waitForBytesWritten(timeoutMs))
        return {};
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs))
            return {};
    }
    return QString::fromLatin1(socket.readLine(kMaxLine + 1)).trimmed();
}

InstanceChannel::ShowResult InstanceChannel::AskToShow(int32_t timeoutMs) const
{
    const QString answer = Request(QStringLiteral("show"), timeoutMs);
    if (answer == QLatin1String("shown"))
        return ShowResult::Shown;
    if (answer == QLatin1String("nowindow"))
        return ShowResult::NoWindow;
    return ShowResult::NoAnswer;
}
