#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

class QSocketNotifier;
struct sockaddr_un;

// One end of a local stream connection served on the event loop of the thread
// that accepted it: what arrives is buffered, what is written goes out as the
// peer takes it. Writing to a peer that hung up closes this end quietly.
//
// The callbacks run from the event loop; they may end the connection (Abort,
// deleteLater) but must not delete it directly.
class LocalSocket : public QObject {
public:
    ~LocalSocket() override;
    LocalSocket(const LocalSocket&) = delete;
    LocalSocket& operator=(const LocalSocket&) = delete;

    // New bytes arrived (or, with IsOpen() false, the peer hung up).
    std::function<void()> onReadable;
    // This end closed: the peer hung up, a write failed, or after
    // CloseAfterWriting. Called once.
    std::function<void()> onClosed;

    bool IsOpen() const { return m_fd >= 0; }
    qsizetype BytesAvailable() const { return m_in.size(); }
    bool CanReadLine() const { return m_in.contains('\n'); }
    // Up to and including the first '\n', or the first `maxSize` bytes when
    // the line is longer.
    QByteArray ReadLine(qsizetype maxSize);
    // What arrives from now on is dropped; it is still read, so a peer that
    // hangs up is noticed.
    void DiscardInput();

    // Queued while the peer does not take it.
    void Write(const QByteArray& data);
    qsizetype BytesToWrite() const { return m_out.size() - m_outDone; }
    // Closes once everything written has gone out.
    void CloseAfterWriting();
    // Closes now; unwritten bytes are lost.
    void Abort();

    // Client side, blocking: connects to `path`, sends `request` and returns
    // the first answer line without its '\n'. Nothing when nobody listens,
    // the peer hangs up first, `timeoutMs` passes, or the answer grows past
    // `maxAnswer` bytes without ending its line.
    static std::optional<QByteArray> Exchange(
        const QString& path, const QByteArray& request, int32_t timeoutMs, qsizetype maxAnswer);

private:
    friend class LocalServer;
    explicit LocalSocket(int fd);
    // False for a path no socket address holds (too long, or empty).
    static bool Address(const QString& path, sockaddr_un& address);
    void OnReadable();
    void Flush();
    void CloseNow();

    int m_fd = -1;
    // Children: they may be retired from their own signals.
    QSocketNotifier* m_reader = nullptr;
    QSocketNotifier* m_writer = nullptr;
    QByteArray m_in;
    QByteArray m_out;
    qsizetype m_outDone = 0;
    bool m_discard = false;
    bool m_closeWhenWritten = false;
};
