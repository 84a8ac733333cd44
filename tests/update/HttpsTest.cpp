// Transfers against a local server with its own CA: what is trusted, what is
// refused, and that a dead or slow server costs no more than the timeouts.
#include "UpdateServer.h"
#include "update/Http.h"

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

} // namespace
