#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>
#include <vector>

class ChildProcess;

// Certificates made with the openssl command for this test process: a private
// CA and server certificates for 127.0.0.1 signed by it (good, expired, for
// another host), and a self-signed one. Made once; nullptr when openssl is
// missing.
struct TestCertificates {
    QString caFile;
    QString serverKey;
    QString goodCert;
    QString expiredCert;
    QString wrongHostCert;
    QString selfSignedCert;
    QString selfSignedKey;

    static const TestCertificates* Get();
};

enum class ServerCert { Good, Expired, WrongHost, SelfSigned, PlainHttp };

// tests/support/https_server.py on 127.0.0.1: the files below a root folder,
// over TLS with one of the test certificates (or plain http), or a listener
// that accepts and never answers. Stopped with the object. Started through
// the program's own ChildProcess (posix_spawn): QProcess's way of starting a
// child leaves ThreadSanitizer's view of the calling thread broken.
class UpdateServer {
public:
    enum class Mode { Serve, Hang };
    UpdateServer();
    ~UpdateServer();
    UpdateServer(const UpdateServer&) = delete;
    UpdateServer& operator=(const UpdateServer&) = delete;

    // False when python3 or the certificates are missing or it does not start.
    // rate: bytes per second for files (0: as fast as it goes).
    bool Start(const QString& root, ServerCert cert = ServerCert::Good, Mode mode = Mode::Serve, int32_t rate = 0);
    void Stop();
    // "https://127.0.0.1:<port>/" ("http://" for PlainHttp).
    QString Base() const { return m_base; }
    // Every request line and header so far.
    QString Log() const;
    int32_t RequestCount() const;

private:
    std::unique_ptr<ChildProcess> m_process;
    QTemporaryDir m_dir;
    QString m_base;
};

// Writes bytes to root/relativePath, creating the folders on the way.
bool WriteServedFile(const QString& root, const QString& relativePath, const QByteArray& bytes);

// Zip archives built for the tests with minizip's writer, including entries
// no sane archiver would write.
class ZipBuilder {
public:
    struct Entry {
        QByteArray name;
        QByteArray data;
        // Unix file type and mode (host "Unix" in "version made by"); 0: a plain
        // DOS-made file.
        uint32_t unixMode = 0;
        // Declared uncompressed size and CRC instead of the real ones (the data
        // is then deflated here and stored raw); -1: the real ones.
        int64_t declaredSize = -1;
        const char* password = nullptr;
        bool stored = false;
    };
    ZipBuilder& Add(const QByteArray& name, const QByteArray& data);
    ZipBuilder& Add(Entry entry);
    bool Write(const QString& path) const;
    QByteArray Bytes() const; // the archive as a file would hold it

private:
    std::vector<Entry> m_entries;
};
