// Transfers against a local server with its own CA: what is trusted, what is
// refused, and that a dead or slow server costs no more than the timeouts.
// Each runs in the transfer helper: one that is missing, dies, hangs or talks
// nonsense never yields a success or a partial file, a cancel ends it promptly
// and reaps it, and libcurl stays out of this process.
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

// Short enough for a test, long enough for a loaded machine to shake hands.
Http::Limits Quick(int64_t maxBytes = 1024 * 1024)
{
    Http::Limits limits;
    limits.connectTimeoutMs = 2000;
    limits.stallTimeoutMs = 1000;
    limits.maxBytes = maxBytes;
    return limits;
}

class HttpsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        const TestCertificates* certificates = TestCertificates::Get();
        if (!certificates)
            GTEST_SKIP() << "openssl is not installed";
        qputenv("TARVO_UPDATE_CA", certificates->caFile.toLocal8Bit());
        ASSERT_TRUE(WriteServedFile(m_root.path(), QStringLiteral("fw/mouse_version"), "1.2.4\n"));
    }
    void TearDown() override { qunsetenv("TARVO_UPDATE_CA"); }

    int32_t Fetch(UpdateServer& server, const QString& path, QByteArray& body, Http::Status* status = nullptr,
        Http::Limits limits = Quick())
    {
        return Http::FetchText(server.Base() + path, body, limits, nullptr, status);
    }

    QTemporaryDir m_root;
};

TEST_F(HttpsTest, TrustedServerAnswersWithTheProgramsHeaders)
{
    UpdateServer server;
    ASSERT_TRUE(server.Start(m_root.path())) << "python3 https_server.py did not start";
    QByteArray body;
    Http::Status status;
    ASSERT_EQ(Fetch(server, QStringLiteral("fw//mouse_version"), body, &status), Http::kOk)
        << status.error.toStdString();
    EXPECT_EQ(body, QByteArray("1.2.4\n"));
    EXPECT_EQ(status.httpStatus, 200);
    const QString log = server.Log();
    EXPECT_TRUE(log.contains(QStringLiteral("GET /fw//mouse_version HTTP/1.1"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("User-Agent: IIC2.0/PC 5.5.0000"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Accept: */*")));
    EXPECT_TRUE(log.contains(QStringLiteral("Cache-Control: no-cache")));
    EXPECT_TRUE(log.contains(QStringLiteral("Pragma: no-cache")));
}

TEST_F(HttpsTest, UntrustedCertificatesAndPlainHttpAreRefused)
{
    const struct {
        ServerCert cert;
        const char* what;
    } cases[] = {
        {ServerCert::SelfSigned, "self-signed"},
        {ServerCert::Expired, "expired"},
        {ServerCert::WrongHost, "for another host"},
        {ServerCert::PlainHttp, "plain http"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        UpdateServer server;
        ASSERT_TRUE(server.Start(m_root.path(), c.cert));
        QByteArray body;
        Http::Status status;
        EXPECT_EQ(Fetch(server, QStringLiteral("fw/mouse_version"), body, &status), Http::kFailed);
        EXPECT_TRUE(body.isEmpty());
        EXPECT_EQ(status.httpStatus, 0) << status.error.toStdString();
        EXPECT_FALSE(status.error.isEmpty());
        // Nothing was asked of it: the refusal came before any request.
        EXPECT_EQ(server.RequestCount(), 0);
    }
    // Without the extra CA the test's own CA is not trusted either.
    qunsetenv("TARVO_UPDATE_CA");
    UpdateServer server;
    ASSERT_TRUE(server.Start(m_root.path()));
    QByteArray body;
    EXPECT_EQ(Fetch(server, QStringLiteral("fw/mouse_version"), body), Http::kFailed);
}

TEST_F(HttpsTest, ErrorStatusesAndOversizedBodiesAreFailures)
{
    UpdateServer server;
    ASSERT_TRUE(server.Start(m_root.path()));
    QByteArray body;
    Http::Status status;
    // A missing file's error page is not a version.
    EXPECT_EQ(Fetch(server, QStringLiteral("fw/missing"), body, &status), Http::kFailed);
    EXPECT_EQ(status.httpStatus, 404);
    EXPECT_TRUE(body.isEmpty());

    ASSERT_TRUE(WriteServedFile(m_root.path(), QStringLiteral("fw/long_version"), QByteArray(65, '1')));
    ASSERT_TRUE(WriteServedFile(m_root.path(), QStringLiteral("fw/just_version"), QByteArray(64, '1')));
    EXPECT_EQ(Fetch(server, QStringLiteral("fw/long_version"), body, &status, Quick(64)), Http::kFailed);
    EXPECT_TRUE(status.error.contains(QStringLiteral("64"))) << status.error.toStdString();
    EXPECT_EQ(Fetch(server, QStringLiteral("fw/just_version"), body, &status, Quick(64)), Http::kOk);
    EXPECT_EQ(body.size(), 64);

    // A file over its cap leaves nothing behind, not even an old copy.
    QTemporaryDir out;
    const QString path = out.filePath(QStringLiteral("package.zip"));
    ASSERT_TRUE(WriteServedFile(out.path(), QStringLiteral("package.zip"), "old"));
    ASSERT_TRUE(WriteServedFile(m_root.path(), QStringLiteral("fw/big.zip"), QByteArray(300 * 1024, 'z')));
    EXPECT_EQ(Http::FetchFile(server.Base() + QStringLiteral("fw/big.zip"), path, Quick(200 * 1024)), Http::kFailed);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);
    EXPECT_EQ(Http::FetchFile(server.Base() + QStringLiteral("fw/big.zip"), path, Quick()), Http::kOk);
    EXPECT_EQ(QFile(path).size(), 300 * 1024);
}

TEST_F(HttpsTest, ADeadOrStalledServerCostsOnlyTheTimeouts)
{
    const struct {
        UpdateServer::Mode mode;
        const char* path;
        const char* what;
        int64_t limitMs;
    } cases[] = {
        // Accepts and never shakes hands: the connect timeout (2 s).
        {UpdateServer::Mode::Hang, "fw/mouse_version", "never answers", 2000},
        // Shakes hands, then never answers the request: the stall timeout (1 s).
        {UpdateServer::Mode::Serve, "mute/mouse_version", "never answers the request", 1000},
        // Sends ten bytes of a longer body, then nothing.
        {UpdateServer::Mode::Serve, "stall/package.zip", "stalls", 1000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        UpdateServer server;
        ASSERT_TRUE(server.Start(m_root.path(), ServerCert::Good, c.mode));
        QElapsedTimer timer;
        timer.start();
        QByteArray body;
        EXPECT_EQ(Fetch(server, QString::fromLatin1(c.path), body), Http::kFailed);
        // The stall timeout counts whole seconds; a second of slack for a loaded machine.
        EXPECT_LT(timer.elapsed(), c.limitMs + 2500);
        EXPECT_GE(timer.elapsed(), c.limitMs - 100);
    }
}

TEST_F(HttpsTest, CancelEndsTheTransferAndLeavesNoFile)
{
    UpdateServer server;
    ASSERT_TRUE(server.Start(m_root.path()));
    QTemporaryDir out;
    const QString path = out.filePath(QStringLiteral("package.zip"));
    Http::Transfer transfer;
    std::thread canceller([&] {
        while (transfer.received < 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        transfer.cancel = true;
    });
    Http::Limits limits = Quick();
    limits.stallTimeoutMs = 20000; // only the cancel may end it
    QElapsedTimer timer;
    timer.start();
    const int32_t result = Http::FetchFile(
        server.Base() + QStringLiteral("stall/package.zip"), path, limits, &transfer);
    canceller.join();
    EXPECT_EQ(result, Http::kCancelled);
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_EQ(transfer.total, 1000);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);
}

TEST_F(HttpsTest, TheDesktopsProxyVariablesAreHonoured)
{
    UpdateServer server;
    ASSERT_TRUE(server.Start(m_root.path()));
    // A proxy that is not there: the request must try it and fail.
    UpdateServer dead;
    ASSERT_TRUE(dead.Start(m_root.path(), ServerCert::PlainHttp));
    const QString proxy = dead.Base();
    dead.Stop();
    qputenv("https_proxy", proxy.toLatin1());
    qputenv("no_proxy", "");
    QByteArray body;
    EXPECT_EQ(Fetch(server, QStringLiteral("fw/mouse_version"), body), Http::kFailed);
    // Exempted by no_proxy, the same request goes straight to the server.
    qputenv("no_proxy", "127.0.0.1");
    EXPECT_EQ(Fetch(server, QStringLiteral("fw/mouse_version"), body), Http::kOk);
    qunsetenv("https_proxy");
    qunsetenv("no_proxy");
}

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

TEST_F(HttpsTest, CancelOrAbandonEndsASlowTransferAndReapsTheHelper)
{
    UpdateServer server;
    ASSERT_TRUE(server.Start(m_root.path()));
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
            server.Base() + QStringLiteral("stall/package.zip"), path, limits, &transfer, &status);
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

TEST_F(HttpsTest, LibcurlIsNeverMappedIntoThisProcess)
{
    UpdateServer server;
    ASSERT_TRUE(server.Start(m_root.path()));
    QByteArray body;
    Http::Status status;
    Http::Limits limits;
    limits.maxBytes = 64;
    ASSERT_EQ(
        Http::FetchText(server.Base() + QStringLiteral("fw/mouse_version"), body, limits, nullptr, &status), Http::kOk)
        << status.error.toStdString();
    EXPECT_EQ(body, QByteArray("1.2.4\n"));
    QFile maps(QStringLiteral("/proc/self/maps"));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    const QByteArray mapped = maps.readAll();
    EXPECT_TRUE(mapped.contains("libQt6Core")) << "the maps were not read";
    EXPECT_FALSE(mapped.contains("libcurl"));
}

} // namespace
