#include "app/InstanceChannel.h"

#include "app/AppMessages.h"
#include "app/InstanceRequest.h"
#include "ctl/CtlChannel.h"
#include "ctl/CtlExitCode.h"
#include "platform/LocalServer.h"
#include "platform/LocalSocket.h"
#include "platform/Paths.h"
#include "platform/StaleLock.h"
#include "widgets/WindowRegistry.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QPointer>
#include <QTimer>

#include <utility>

namespace {
// A request longer than this is not one of ours.
constexpr qint64 kMaxLine = CtlChannel::kMaxRequest;
// No answer is longer; one that is is not waited for to its end.
constexpr qint64 kMaxAnswer = 1 << 20;
// Clients beyond the served ones wait here; more than ever start at once.
constexpr int32_t kListenBacklog = 64;

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
    // Closes and removes the socket file; unset first, as the connections'
    // ends look at it.
    std::exchange(m_server, nullptr).reset();
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

// Ends a served connection once its answer is written; it goes when closed.
void Finish(LocalSocket* socket)
{
    socket->CloseAfterWriting();
}

} // namespace

bool InstanceChannel::Listen()
{
    if (m_server)
        return m_server->IsListening();
    const bool listening = StartServer();
    // Also when the first listen failed: the watchdog keeps trying.
    m_watchdog = std::make_unique<QTimer>();
    QObject::connect(m_watchdog.get(), &QTimer::timeout, [this] { CheckServer(); });
    m_watchdog->start(kRelistenIntervalMs);
    return listening;
}

bool InstanceChannel::StartServer()
{
    m_server.reset();
    m_server = std::make_unique<LocalServer>();
    // We hold the lock, so a socket file left here belongs to a dead instance
    // and is replaced. Beyond the served connections, clients wait in the
    // system's queue.
    if (!m_server->Listen(SocketPath(), kListenBacklog))
        return false;
    m_server->onPending = [this] { OnNewConnection(); };
    return true;
}

void InstanceChannel::CheckServer()
{
    // Out of descriptors, the server closes for good on its first failed
    // accept; and a socket file removed by a cleaner leaves it listening on
    // nothing. Either way later starts could no longer reach us.
    if (m_server && m_server->IsListening() && QFileInfo::exists(SocketPath()))
        return;
    StartServer();
}

bool InstanceChannel::IsListening() const
{
    return m_server && m_server->IsListening();
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
    // Beyond the limit connections wait in the system's queue until a served
    // one ends: a request is delayed by idle clients, never refused for them.
    while (m_server && m_connections < kMaxConnections) {
        LocalSocket* socket = m_server->Accept();
        if (!socket)
            break;
        ++m_connections;
        QObject::connect(socket, &QObject::destroyed, [this] {
            --m_connections;
            // Queued: the server may be going away with its sockets.
            if (m_server)
                QMetaObject::invokeMethod(
                    m_server.get(), [this] { OnNewConnection(); }, Qt::QueuedConnection);
        });
        // Also a client that hung up while it waited in the queue, or before
        // its answer: its place is freed.
        socket->onClosed = [socket] { socket->deleteLater(); };
        socket->onReadable = [this, socket] { OnReadyRead(socket); };
        // A client that never sends a whole request is not waited for; once
        // it has, the answer may take its time (tarvoctl's requests reach the
        // mouse).
        auto* timeout = new QTimer(socket);
        timeout->setObjectName(QStringLiteral("requestTimeout"));
        timeout->setSingleShot(true);
        QObject::connect(timeout, &QTimer::timeout, socket, [socket] { socket->Abort(); });
        timeout->start(kRequestTimeoutMs);
    }
    if (m_server)
        m_server->SetWatching(m_connections < kMaxConnections);
}

void InstanceChannel::OnReadyRead(LocalSocket* socket)
{
    if (!socket->CanReadLine()) {
        if (socket->BytesAvailable() > kMaxLine) {
            socket->DiscardInput();
            socket->Write("error\n");
            Finish(socket);
        }
        return;
    }
    // One request per connection: what follows it is not read.
    if (auto* timeout = socket->findChild<QTimer*>(QStringLiteral("requestTimeout")))
        timeout->stop();
    QByteArray line = socket->ReadLine(kMaxLine + 1);
    socket->DiscardInput();
    // A line is whole only with its '\n'; one cut at kMaxLine is too long to be ours.
    if (!line.endsWith('\n')) {
        socket->Write("error\n");
        Finish(socket);
        return;
    }
    line.chop(1);
    if (line.startsWith(CtlChannel::kPrefix)) {
        // Answered when the window is done with it; a client that hung up
        // meanwhile is not written to.
        QPointer<LocalSocket> client(socket);
        Reply reply = [client](const QByteArray& answer) {
            if (!client || !client->IsOpen())
                return;
            client->Write(answer);
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
    socket->Write(Answer(line) + '\n');
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
    const std::optional<QByteArray> answer = LocalSocket::Exchange(
        SocketPath(), line.toLatin1() + '\n', timeoutMs, kMaxAnswer);
    return answer ? QString::fromLatin1(answer->left(kMaxLine)).trimmed() : QString();
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
