// Update archives as a server (or anyone in between) may send them, unpacked
// into a fresh folder. Whatever the bytes, either every entry lands as a plain
// file at the top of the folder within the caps, or nothing is left there.

#include "update/Unzip.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

struct Fixture {
    QString root;
    QString archive;
    QString target;

    Fixture()
    {
        // In memory where the system has it: every input writes files.
        char pattern[] = "/dev/shm/tarvo-fuzz-unzip-XXXXXX";
        char fallback[] = "/tmp/tarvo-fuzz-unzip-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (!made)
            made = mkdtemp(fallback);
        Check(made != nullptr);
        root = QString::fromLocal8Bit(made);
        archive = root + QStringLiteral("/update.zip");
        target = root + QStringLiteral("/out");
    }

    ~Fixture() { QDir(root).removeRecursively(); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Fixture fixture;
    {
        QFile file(fixture.archive);
        Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        Check(file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
    }
    QDir(fixture.target).removeRecursively();
    Check(QDir().mkpath(fixture.target));

    QString reason;
    const Unzip::ExtractStatus status = Unzip::ExtractArchive(fixture.archive, fixture.target, &reason);
    const QFileInfoList left
        = QDir(fixture.target).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    if (status != Unzip::ExtractStatus::Extracted) {
        Check(status != Unzip::ExtractStatus::WriteFailed);
        Check(left.isEmpty());
        return 0;
    }
    Check(left.size() <= Unzip::kMaxEntries);
    int64_t total = 0;
    for (const QFileInfo& entry : left) {
        Check(entry.isFile() && !entry.isSymLink());
        Check(Unzip::IsPlainTopLevelName(QFile::encodeName(entry.fileName())));
        Check(entry.size() <= Unzip::kMaxEntryBytes);
        total += entry.size();
    }
    Check(total <= Unzip::kMaxTotalBytes);
    return 0;
}
