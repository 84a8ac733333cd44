#include "UpdateServer.h"

#include "platform/ChildProcess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <minizip/zip.h>
#include <zlib.h>

#include <memory>

namespace {

bool RunOpenssl(const QStringList& arguments)
{
    const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    ChildProcess child;
    int32_t error = 0;
    if (openssl.isEmpty() || !child.Start(openssl, arguments, error))
        return false;
    QByteArray output;
    QByteArray block;
    while (child.Read(block, 4096, 30000) == ChildProcess::ReadStatus::Data)
        output += block;
    if (!child.Wait(30000) || child.ExitCode() != 0) {
        qWarning("openssl %s failed: %s", qPrintable(arguments.join(QLatin1Char(' '))), output.constData());
        return false;
    }
    return true;
}

const QStringList kEcKey = {QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
    QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};

bool MakeCertificates(const QString& dir, TestCertificates& out)
{
    auto path = [&dir](const char* name) { return dir + QLatin1Char('/') + QLatin1String(name); };
    out.caFile = path("ca.pem");
    out.serverKey = path("server.key");
    out.goodCert = path("good.pem");
    out.expiredCert = path("expired.pem");
    out.wrongHostCert = path("wronghost.pem");
    out.selfSignedCert = path("selfsigned.pem");
    out.selfSignedKey = path("selfsigned.key");
    if (!RunOpenssl(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + kEcKey
            + QStringList{QStringLiteral("-keyout"), path("ca.key"), QStringLiteral("-out"), out.caFile,
                QStringLiteral("-days"), QStringLiteral("3"), QStringLiteral("-subj"),
                QStringLiteral("/CN=Tarvo Test CA"), QStringLiteral("-addext"),
                QStringLiteral("basicConstraints=critical,CA:TRUE"), QStringLiteral("-addext"),
                QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")}))
        return false;
    if (!RunOpenssl(QStringList{QStringLiteral("req")} + kEcKey
            + QStringList{QStringLiteral("-keyout"), out.serverKey, QStringLiteral("-out"), path("server.csr"),
                QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1")}))
        return false;
    struct Signed {
        QString cert;
        const char* extensions;
        const char* days;
    };
    // -days -1 puts the end of validity a day before its start: expired now.
    const Signed certs[] = {{out.goodCert, "subjectAltName=IP:127.0.0.1\nextendedKeyUsage=serverAuth\n", "3"},
        {out.expiredCert, "subjectAltName=IP:127.0.0.1\nextendedKeyUsage=serverAuth\n", "-1"},
        {out.wrongHostCert, "subjectAltName=DNS:update.wrong.example,IP:10.9.8.7\nextendedKeyUsage=serverAuth\n", "3"}};
    for (const Signed& s : certs) {
        QFile ext(path("ext.cnf"));
        if (!ext.open(QIODevice::WriteOnly | QIODevice::Truncate) || ext.write(s.extensions) < 0)
            return false;
        ext.close();
        if (!RunOpenssl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), path("server.csr"),
                QStringLiteral("-CA"), out.caFile, QStringLiteral("-CAkey"), path("ca.key"),
                QStringLiteral("-CAcreateserial"), QStringLiteral("-out"), s.cert, QStringLiteral("-days"),
                QString::fromLatin1(s.days), QStringLiteral("-extfile"), ext.fileName()}))
            return false;
    }
    return RunOpenssl(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + kEcKey
        + QStringList{QStringLiteral("-keyout"), out.selfSignedKey, QStringLiteral("-out"), out.selfSignedCert,
            QStringLiteral("-days"), QStringLiteral("3"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
            QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1")});
}

} // namespace

const TestCertificates* TestCertificates::Get()
{
    static QTemporaryDir dir;
    static TestCertificates certificates;
    static const bool made = !QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty() && dir.isValid()
        && MakeCertificates(dir.path(), certificates);
    return made ? &certificates : nullptr;
}

UpdateServer::UpdateServer() = default;

UpdateServer::~UpdateServer()
{
    Stop();
}

void UpdateServer::Stop()
{
    if (m_process)
        m_process->Kill();
    m_process.reset();
}

bool UpdateServer::Start(const QString& root, ServerCert cert, Mode mode, int32_t rate)
{
    const TestCertificates* certificates = TestCertificates::Get();
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (!certificates || python.isEmpty() || !m_dir.isValid())
        return false;
    QStringList arguments = {QStringLiteral(TARVO_SOURCE_DIR "/tests/support/https_server.py"), QStringLiteral("--root"),
        root, QStringLiteral("--log"), m_dir.filePath(QStringLiteral("requests.log")), QStringLiteral("--mode"),
        mode == Mode::Hang ? QStringLiteral("hang") : QStringLiteral("serve"), QStringLiteral("--rate"),
        QString::number(rate)};
    QString certFile;
    QString keyFile = certificates->serverKey;
    switch (cert) {
    case ServerCert::Good:
        certFile = certificates->goodCert;
        break;
    case ServerCert::Expired:
        certFile = certificates->expiredCert;
        break;
    case ServerCert::WrongHost:
        certFile = certificates->wrongHostCert;
        break;
    case ServerCert::SelfSigned:
        certFile = certificates->selfSignedCert;
        keyFile = certificates->selfSignedKey;
        break;
    case ServerCert::PlainHttp:
        break;
    }
    if (!certFile.isEmpty())
        arguments += {QStringLiteral("--cert"), certFile, QStringLiteral("--key"), keyFile};
    Stop();
    m_process = std::make_unique<ChildProcess>();
    int32_t error = 0;
    if (!m_process->Start(python, arguments, error))
        return false;
    // The first line says where it listens; it writes nothing after it.
    QByteArray output;
    QByteArray block;
    QElapsedTimer timer;
    timer.start();
    while (!output.contains('\n') && timer.elapsed() < 10000) {
        const ChildProcess::ReadStatus status = m_process->Read(block, 256, 100);
        if (status == ChildProcess::ReadStatus::Data)
            output += block;
        else if (status != ChildProcess::ReadStatus::TimedOut)
            return false;
    }
    const QByteArray line = output.left(output.indexOf('\n')).trimmed();
    if (!line.startsWith("port "))
        return false;
    const QString scheme = cert == ServerCert::PlainHttp ? QStringLiteral("http") : QStringLiteral("https");
    m_base = QStringLiteral("%1://127.0.0.1:%2/").arg(scheme, QString::fromLatin1(line.mid(5)));
    return true;
}

QString UpdateServer::Log() const
{
    QFile log(m_dir.filePath(QStringLiteral("requests.log")));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

int32_t UpdateServer::RequestCount() const
{
    return int32_t(Log().count(QStringLiteral(" HTTP/1.1\n")));
}

bool WriteServedFile(const QString& root, const QString& relativePath, const QByteArray& bytes)
{
    const QString path = root + QLatin1Char('/') + relativePath;
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

ZipBuilder& ZipBuilder::Add(const QByteArray& name, const QByteArray& data)
{
    Entry entry;
    entry.name = name;
    entry.data = data;
    return Add(std::move(entry));
}

ZipBuilder& ZipBuilder::Add(Entry entry)
{
    m_entries.push_back(std::move(entry));
    return *this;
}

namespace {

QByteArray RawDeflate(const QByteArray& data)
{
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    QByteArray out(qsizetype(deflateBound(&stream, uLong(data.size()))), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

struct ZipCloser {
    void operator()(void* zip) const { zipClose(zip, nullptr); }
};

} // namespace

bool ZipBuilder::Write(const QString& path) const
{
    const QByteArray native = QFile::encodeName(path);
    std::unique_ptr<void, ZipCloser> zip(zipOpen64(native.constData(), APPEND_STATUS_CREATE));
    if (!zip)
        return false;
    for (const Entry& entry : m_entries) {
        zip_fileinfo info{};
        const bool unix = entry.unixMode != 0;
        info.external_fa = unix ? uLong(entry.unixMode) << 16 : 0;
        const uLong madeBy = unix ? (3u << 8) | 20u : 20u;
        const bool raw = entry.declaredSize >= 0;
        const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(entry.data.constData()), uInt(entry.data.size()));
        if (zipOpenNewFileInZip4_64(zip.get(), entry.name.constData(), &info, nullptr, 0, nullptr, 0, nullptr,
                entry.stored ? 0 : Z_DEFLATED, Z_BEST_COMPRESSION, raw ? 1 : 0, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY,
                entry.password, entry.password ? crc : 0, madeBy, 0, 0)
            != ZIP_OK)
            return false;
        const QByteArray payload = raw ? RawDeflate(entry.data) : entry.data;
        if (zipWriteInFileInZip(zip.get(), payload.constData(), unsigned(payload.size())) != ZIP_OK)
            return false;
        const int closed = raw ? zipCloseFileInZipRaw64(zip.get(), ZPOS64_T(entry.declaredSize), crc)
                               : zipCloseFileInZip(zip.get());
        if (closed != ZIP_OK)
            return false;
    }
    return zipClose(zip.release(), nullptr) == ZIP_OK;
}

QByteArray ZipBuilder::Bytes() const
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("archive.zip"));
    if (!Write(path))
        return {};
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
