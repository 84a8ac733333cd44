// The transfer helper seen from the window's side: a helper that is missing,
// dies, hangs or talks nonsense never yields a success or a partial file; a
// cancel ends it promptly and reaps it; and libcurl stays out of this process.
#include "UpdateServer.h"
#include "support/ScopedEnv.h"
#include "update/Http.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <thread>

namespace {

// This process's children named tarvo-fetch, zombies included.
int32_t FetchChildren()
{
    const QString parent = QString::number(QCoreApplication::applicationPid());
    int32_t count = 0;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const qsizetype close = line.lastIndexOf(')');
        if (close < 0 || !line.mid(0, close).contains("(tarvo-fetch"))
            continue;
        const QList<QByteArray> fields = line.mid(close + 2).split(' '); // state, ppid, ...
        if (fields.size() > 1 && fields[1] == parent.toLatin1())
            ++count;
    }
    return count;
}

QString WriteScript(const QTemporaryDir& dir, const QString& name, const QByteArray& body, bool executable = true)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write("#!/bin/sh\n" + body + "\n") < 0)
        return {};
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    return file.fileName();
}

TEST(FetchHelper, AHelperThatFailsNeverYieldsASuccessOrAFile)
{
    QTemporaryDir scripts;
    ASSERT_TRUE(scripts.isValid());
    const QString missing = scripts.filePath(QStringLiteral("no-such-helper"));
    const struct {
        const char* what;
        QString program;
        int32_t result;
        const char* errorPart; // the error must name this
        int64_t maxBytes = 1024;
    } cases[] = {
        // A stand-in that answers properly: the harness itself works.
        {"a sound answer",
            WriteScript(scripts, QStringLiteral("good"),
                R"(printf 'D\003\000\000\000abcR\010\000\000\000\001\000\000\000\310\000\000\000')"),
            Http::kOk, ""},
        {"missing", missing, Http::kNoSession, "no-such-helper"},
        {"not executable", WriteScript(scripts, QStringLiteral("plain"), "exit 0", false), Http::kNoSession, "plain"},
        {"exits at once", QStringLiteral("/bin/false"), Http::kFailed, "without a result"},
        {"killed", WriteScript(scripts, QStringLiteral("killed"), "kill -9 $$"), Http::kFailed, "137"},
        {"writes text", QStringLiteral("/bin/echo"), Http::kFailed, "connect-ms"},
        {"body, then dies", WriteScript(scripts, QStringLiteral("dies"), R"(printf 'D\003\000\000\000abc')"),
            Http::kFailed, "without a result"},
        {"truncated frame", WriteScript(scripts, QStringLiteral("cut"), R"(printf 'D\020\000\000\000abc')"),
            Http::kFailed, "without a result"},
        {"unknown result",
            WriteScript(
                scripts, QStringLiteral("odd"), R"(printf 'R\010\000\000\000\007\000\000\000\000\000\000\000')"),
            Http::kFailed, "unknown result 7"},
        {"a body over the cap, then success", scripts.filePath(QStringLiteral("good")), Http::kFailed, "larger than 2",
            2},
        // Never writes a frame: bounded by the connect and stall limits plus slack.
        {"hangs", WriteScript(scripts, QStringLiteral("hangs"), "exec sleep 30"), Http::kFailed, "sent nothing"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_FALSE(c.program.isEmpty());
        ScopedEnv program("TARVO_FETCH_PROGRAM", c.program.toLocal8Bit().constData());
        QTemporaryDir out;
        const QString path = out.filePath(QStringLiteral("package.zip"));
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        Http::Limits limits;
        limits.connectTimeoutMs = 300;
        limits.stallTimeoutMs = 300;
        limits.maxBytes = c.maxBytes;
        Http::Transfer transfer;
        Http::Status status;
        QElapsedTimer timer;
        timer.start();
        const int32_t result = Http::FetchFile(
            QStringLiteral("https://127.0.0.1:9/package.zip"), path, limits, &transfer, &status);
        EXPECT_EQ(result, c.result) << status.error.toStdString();
        EXPECT_EQ(status.result, c.result);
        EXPECT_TRUE(status.error.contains(QLatin1String(c.errorPart))) << status.error.toStdString();
        EXPECT_LT(timer.elapsed(), 600 + 3000 + 2000);
        EXPECT_EQ(FetchChildren(), 0);
        if (c.result == Http::kOk) {
            EXPECT_EQ(status.httpStatus, 200);
            QFile body(path);
            ASSERT_TRUE(body.open(QIODevice::ReadOnly));
            EXPECT_EQ(body.readAll(), QByteArray("abc"));
            EXPECT_EQ(transfer.received, 3);
            continue;
        }
        EXPECT_FALSE(status.error.isEmpty());
        EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).size(), 0) << "a file was left behind";
    }
}

class FetchHelperServed : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        const TestCertificates* certificates = TestCertificates::Get();
        if (!certificates)
            GTEST_SKIP() << "openssl is not installed";
        qputenv("TARVO_UPDATE_CA", certificates->caFile.toLocal8Bit());
        ASSERT_TRUE(WriteServedFile(m_root.path(), QStringLiteral("fw/mouse_version"), "1.2.4\n"));
        ASSERT_TRUE(m_server.Start(m_root.path()));
    }
    void TearDown() override { qunsetenv("TARVO_UPDATE_CA"); }

    QTemporaryDir m_root;
    UpdateServer m_server;
};

TEST_F(FetchHelperServed, CancelOrAbandonEndsASlowTransferAndReapsTheHelper)
{
    for (const bool abandon : {false, true}) {
        SCOPED_TRACE(abandon ? "abandoned" : "cancelled");
        QTemporaryDir out;
        const QString path = out.filePath(QStringLiteral("package.zip"));
        std::atomic<bool> shutdown{false};
        Http::Transfer transfer;
        transfer.abandon = &shutdown;
        std::atomic<int32_t> runningHelpers{-1};
        std::atomic<int64_t> stoppedAtMs{-1};
        QElapsedTimer timer;
        timer.start();
        // The server sends ten bytes of a longer body, then nothing.
        std::thread stopper([&] {
            while (transfer.received < 10 && timer.elapsed() < 10000)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            runningHelpers = FetchChildren();
            stoppedAtMs = timer.elapsed();
            (abandon ? shutdown : transfer.cancel) = true;
        });
        Http::Limits limits;
        limits.stallTimeoutMs = 20000; // only the stop may end it
        Http::Status status;
        const int32_t result = Http::FetchFile(
            m_server.Base() + QStringLiteral("stall/package.zip"), path, limits, &transfer, &status);
        const int64_t endedAtMs = timer.elapsed();
        stopper.join();
        EXPECT_EQ(result, Http::kCancelled);
        EXPECT_EQ(status.error, QStringLiteral("cancelled"));
        EXPECT_EQ(runningHelpers, 1) << "the transfer did not run in a helper";
        EXPECT_LT(endedAtMs - stoppedAtMs, 1000);
        EXPECT_EQ(transfer.total, 1000);
        EXPECT_EQ(FetchChildren(), 0) << "the helper was not reaped";
        EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);
    }
}

TEST_F(FetchHelperServed, LibcurlIsNeverMappedIntoThisProcess)
{
    QByteArray body;
    Http::Status status;
    Http::Limits limits;
    limits.maxBytes = 64;
    ASSERT_EQ(Http::FetchText(m_server.Base() + QStringLiteral("fw/mouse_version"), body, limits, nullptr, &status),
        Http::kOk)
        << status.error.toStdString();
    EXPECT_EQ(body, QByteArray("1.2.4\n"));
    QFile maps(QStringLiteral("/proc/self/maps"));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    const QByteArray mapped = maps.readAll();
    EXPECT_TRUE(mapped.contains("libQt6Core")) << "the maps were not read";
    EXPECT_FALSE(mapped.contains("libcurl"));
}

} // namespace
