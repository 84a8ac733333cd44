#include "platform/LocalSocket.h"
#include "TestApplication.h"
#include "platform/HeapTuning.h"
#include "platform/LocalServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

QCoreApplication& App()
{
    return TestApplication("tarvo_platform_tests");
}

// Serves the event loop until `done`, for 10 s at most.
bool ServeUntil(const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 10000)
        App().processEvents(QEventLoop::AllEvents, 10);
    return done();
}

} // namespace

// Answers far larger than the socket's buffers go out in pieces as the client
// takes them; a client that hangs up in the middle of one ends the connection
// without a signal killing the server, and its place is freed.
TEST(LocalSocket, AnswersOfAnySizeAndPeersThatHangUpMidAnswer)
{
    App();
    // As in the program: the answers of megabytes are mapped on their own and
    // handed back, rather than growing the heap under the tests that follow.
    HeapTuning::KeepLargeBlocksApart();
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/Tarvo");
    {
        QFile stale(path); // left by a dead server
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    }
    LocalServer server;
    ASSERT_TRUE(server.Listen(path, 8)) << server.ErrorString().toStdString();
    struct stat info {};
    ASSERT_EQ(stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 077, 0u) << "other users could connect";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList{QStringLiteral("Tarvo")})
        << "the private folder it was bound in is left behind";

    const struct {
        const char* name;
        qsizetype answerSize; // with its '\n'
        qsizetype clientMax;
        bool answered;
        int queued; // the answer could not go out at once: 1, 0, -1 when either may happen
    } cases[] = {
        {"a short answer", 6, 1 << 20, true, 0},
        {"an answer larger than the buffers", 4 << 20, 8 << 20, true, 1},
        {"a client that gives up on a long answer", 4 << 20, 64 << 10, false, -1},
        {"a client that gives up at once", 4 << 20, 0, false, -1},
    };
    int live = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray answer(c.answerSize - 1, 'x');
        answer += '\n';
        bool queued = false;
        bool closed = false;
        QByteArray request;
        server.onPending = [&] {
            while (LocalSocket* socket = server.Accept()) {
                ++live;
                QObject::connect(socket, &QObject::destroyed, [&live] { --live; });
                socket->onClosed = [socket, &closed] {
                    closed = true;
                    socket->deleteLater();
                };
                socket->onReadable = [socket, &answer, &queued, &request] {
                    if (!socket->CanReadLine())
                        return;
                    request = socket->ReadLine(100);
                    socket->DiscardInput();
                    socket->Write(answer);
                    queued = socket->BytesToWrite() > 0;
                    socket->CloseAfterWriting();
                };
            }
        };
        auto reply = std::async(
            std::launch::async, [&] { return LocalSocket::Exchange(path, "hello\nignored", 8000, c.clientMax); });
        ASSERT_TRUE(
            ServeUntil([&] { return closed && reply.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
        EXPECT_EQ(request, QByteArray("hello\n"));
        if (c.queued >= 0) {
            EXPECT_EQ(queued, c.queued == 1);
        }
        const std::optional<QByteArray> got = reply.get();
        EXPECT_EQ(got.has_value(), c.answered);
        if (got && c.answered) {
            EXPECT_EQ(*got, answer.chopped(1));
        }
        App().processEvents(); // the deferred deletes
        EXPECT_EQ(live, 0) << "a connection outlived its end";
    }

    server.Close();
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_FALSE(LocalSocket::Exchange(path, "hello\n", 500, 100)) << "nobody listens";
}

TEST(LocalSocket, PathsNoSocketAddressHoldsAreRefused)
{
    App();
    QTemporaryDir dir;
    // The address holds 107 bytes and its terminator.
    const QString base = dir.path() + QLatin1Char('/');
    for (const QString& path :
        {base + QString(int(108 - base.size()), QLatin1Char('a')), base + QString(300, QLatin1Char('b')), QString()}) {
        SCOPED_TRACE(path.size());
        LocalServer server;
        EXPECT_FALSE(server.Listen(path, 8));
        EXPECT_FALSE(server.IsListening());
        EXPECT_FALSE(server.ErrorString().isEmpty());
        EXPECT_FALSE(LocalSocket::Exchange(path, "hello\n", 500, 100));
    }
    // The longest that fits, whose private folder would not: bound in place,
    // still user-only.
    const QString longest = base + QString(int(107 - base.size()), QLatin1Char('c'));
    LocalServer server;
    ASSERT_TRUE(server.Listen(longest, 8)) << server.ErrorString().toStdString();
    struct stat info {};
    ASSERT_EQ(stat(QFile::encodeName(longest).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 077, 0u);
}
