#include "app/InstanceChannel.h"

#include "app/AppMessages.h"
#include "ctl/CtlChannel.h"
#include "ctl/CtlExitCode.h"
#include "platform/Paths.h"
#include "widgets/WindowRegistry.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>

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
    delete m_server; // closes and removes the socket file
    m_server = nullptr;
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
    // No age limit: a lock is stale only when its process is gone, which
    // QLockFile finds out from the recorded process id.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return Claim::First;
    const QLockFile::LockError error = m_lock->error();
    m_lock.reset();
    return error == QLockFile::LockFailedError ? Claim::Other : Claim::Unavailable;
}

bool InstanceChannel::Listen()
{
    if (m_server)
        return m_server->isListening();
    m_server = new QLocalServer();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so a socket file left here belongs to a dead instance.
    QLocalServer::removeServer(SocketPath());
    if (!m_server->listen(SocketPath()))
        return false;
    QObject::connect(m_server, &QLocalServer::newConnection, m_server, [this] { OnNewConnection(); });
    return true;
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
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] { OnReadyRead(socket); });
        if (socket->bytesAvailable() > 0)
            OnReadyRead(socket);
    }
}

void InstanceChannel::OnReadyRead(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxLine) {
            socket->write("error\n");
            socket->disconnectFromServer();
        }
        return;
    }
    const QByteArray raw = socket->readLine(kMaxLine + 1);
    if (raw.startsWith(CtlChannel::kPrefix)) {
        // Answered when the window is done with it; a client that hung up
        // meanwhile is not written to.
        QPointer<QLocalSocket> client(socket);
        Reply reply = [client](const QByteArray& line) {
            if (!client)
                return;
            client->write(line);
            client->flush();
            client->disconnectFromServer();
        };
        if (!m_ctlHandler) {
            reply(CtlChannel::EncodeAnswer(
                {kCtlDeviceError, {}, QStringLiteral("the Tarvo window is still starting; try again")}));
            return;
        }
        m_ctlHandler(QString::fromUtf8(raw).trimmed(), std::move(reply));
        return;
    }
    const QString answer = Answer(QString::fromLatin1(raw).trimmed());
    socket->write(answer.toLatin1() + '\n');
    socket->flush();
    socket->disconnectFromServer();
}

QString InstanceChannel::Answer(const QString& line)
{
    if (line == QLatin1String("show")) {
        if (!m_window || !m_bringToFront)
            return QStringLiteral("nowindow");
        m_bringToFront();
        return QStringLiteral("shown");
    }
    const QStringList parts = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() == 4 && parts[0] == QLatin1String("post")) {
        bool okMessage = false;
        bool okW = false;
        bool okL = false;
        const uint message = parts[1].toUInt(&okMessage);
        const qulonglong wParam = parts[2].toULongLong(&okW);
        const qlonglong lParam = parts[3].toLongLong(&okL);
        if (!okMessage || !okW || !okL)
            return QStringLiteral("error");
        if (message != AppMessages::kQuit || !m_window)
            return QStringLiteral("refused");
        return PostMessage(m_window, message, uintptr_t(wParam), intptr_t(lParam)) ? QStringLiteral("posted")
                                                                                   : QStringLiteral("refused");
    }
    return QStringLiteral("error");
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
