#include "update/Unzip.h"

#include "update/UpdateLog.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <minizip/unzip.h>

#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

namespace Unzip {

namespace {

constexpr uLong kNameBufferSize = 256;
constexpr int kHostUnix = 3;
constexpr uLong kUnixTypeMask = 0170000;
constexpr uLong kUnixRegularFile = 0100000;
constexpr uLong kDosDirectory = 0x10;
constexpr uLong kFlagEncrypted = 0x1;
constexpr int kMethodStored = 0;

struct UnzDeleter {
    void operator()(void* handle) const { unzClose(handle); }
};
using UnzHandle = std::unique_ptr<void, UnzDeleter>;

struct Entry {
    QByteArray name;
    int64_t size = 0;
};

ExtractStatus Refuse(QString* reason, const QString& why)
{
    UpdateDebugLine(QStringLiteral("archive refused: ") + why);
    if (reason)
        *reason = why;
    return ExtractStatus::Refused;
}

// Checks the central directory; fills `entries` when every entry may be written.
ExtractStatus Inspect(void* archive, std::vector<Entry>& entries, QString* reason)
{
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(archive, &global) != UNZ_OK)
        return Refuse(reason, QStringLiteral("unzGetGlobalInfo64 failed"));
    if (global.number_entry > uint64_t(kMaxEntries))
        return Refuse(reason, QStringLiteral("%1 entries").arg(global.number_entry));
    QSet<QByteArray> seen;
    int64_t total = 0;
    int status = unzGoToFirstFile(archive);
    while (status == UNZ_OK) {
        unz_file_info64 info{};
        char name[kNameBufferSize + 1] = {};
        if (unzGetCurrentFileInfo64(archive, &info, name, kNameBufferSize, nullptr, 0, nullptr, 0) != UNZ_OK)
            return Refuse(reason, QStringLiteral("unzGetCurrentFileInfo64 failed"));
        if (info.size_filename > kNameBufferSize)
            return Refuse(reason, QStringLiteral("a name of %1 bytes").arg(info.size_filename));
        const QByteArray stored(name, qsizetype(info.size_filename));
        const QString shown = QString::fromLatin1(stored.toPercentEncoding("/\\:."));
        if (!IsPlainTopLevelName(stored))
            return Refuse(reason, QStringLiteral("entry name \"%1\"").arg(shown));
        if (seen.contains(stored))
            return Refuse(reason, QStringLiteral("entry \"%1\" twice").arg(shown));
        seen.insert(stored);
        const uLong mode = info.external_fa >> 16;
        const bool unixHost = int(info.version >> 8) == kHostUnix;
        if ((unixHost && (mode & kUnixTypeMask) != 0 && (mode & kUnixTypeMask) != kUnixRegularFile)
            || (info.external_fa & kDosDirectory) != 0)
            return Refuse(reason, QStringLiteral("entry \"%1\" is not a plain file").arg(shown));
        if (info.flag & kFlagEncrypted)
            return Refuse(reason, QStringLiteral("entry \"%1\" is encrypted").arg(shown));
        if (info.compression_method != kMethodStored && info.compression_method != Z_DEFLATED)
            return Refuse(
                reason, QStringLiteral("entry \"%1\" uses method %2").arg(shown).arg(info.compression_method));
        const int64_t size = int64_t(info.uncompressed_size);
        const int64_t packed = int64_t(info.compressed_size);
        if (size > kMaxEntryBytes)
            return Refuse(reason, QStringLiteral("entry \"%1\" of %2 bytes").arg(shown).arg(size));
        if (size > kRatioFloorBytes && size > kMaxRatio * packed)
            return Refuse(
                reason, QStringLiteral("entry \"%1\" inflates %2 bytes to %3").arg(shown).arg(packed).arg(size));
        total += size;
        if (total > kMaxTotalBytes)
            return Refuse(reason, QStringLiteral("more than %1 bytes in all").arg(kMaxTotalBytes));
        entries.push_back({stored, size});
        status = unzGoToNextFile(archive);
    }
    if (status != UNZ_END_OF_LIST_OF_FILE)
        return Refuse(reason, QStringLiteral("unzGoToNextFile failed (%1)").arg(status));
    return ExtractStatus::Extracted;
}

// Writes the current entry to path; never more than `declared` bytes.
ExtractStatus WriteEntry(void* archive, const Entry& entry, const QString& path, QString* reason)
{
    const QString shown = QString::fromLatin1(entry.name);
    if (unzOpenCurrentFile(archive) != UNZ_OK)
        return Refuse(reason, QStringLiteral("unzOpenCurrentFile failed for \"%1\"").arg(shown));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        unzCloseCurrentFile(archive);
        if (reason)
            *reason = QStringLiteral("cannot create %1: %2").arg(path, file.errorString());
        return ExtractStatus::WriteFailed;
    }
    std::vector<char> buffer(64 * 1024);
    int64_t written = 0;
    for (;;) {
        const int count = unzReadCurrentFile(archive, buffer.data(), unsigned(buffer.size()));
        if (count < 0) {
            unzCloseCurrentFile(archive);
            return Refuse(reason, QStringLiteral("unzReadCurrentFile failed for \"%1\" (%2)").arg(shown).arg(count));
        }
        if (count == 0)
            break;
        written += count;
        if (written > entry.size) {
            unzCloseCurrentFile(archive);
            return Refuse(
                reason, QStringLiteral("entry \"%1\" inflates beyond its %2 bytes").arg(shown).arg(entry.size));
        }
        if (file.write(buffer.data(), count) != count) {
            unzCloseCurrentFile(archive);
            if (reason)
                *reason = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
            return ExtractStatus::WriteFailed;
        }
    }
    // Checks the CRC once the whole entry was read.
    if (unzCloseCurrentFile(archive) != UNZ_OK)
        return Refuse(reason, QStringLiteral("entry \"%1\" fails its checksum").arg(shown));
    if (written != entry.size)
        return Refuse(
            reason, QStringLiteral("entry \"%1\" holds %2 of %3 bytes").arg(shown).arg(written).arg(entry.size));
    if (!file.flush()) {
        if (reason)
            *reason = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return ExtractStatus::WriteFailed;
    }
    return ExtractStatus::Extracted;
}

} // namespace

bool IsPlainTopLevelName(const QByteArray& name)
{
    if (name.isEmpty() || name.startsWith('.') || name.contains(".."))
        return false;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E || c == '/' || c == '\\' || c == ':')
            return false;
    }
    return true;
}

ExtractStatus ExtractArchive(const QString& archivePath, const QString& folder, QString* reason)
{
    const QByteArray nativePath = QFile::encodeName(archivePath);
    UnzHandle archive(unzOpen64(nativePath.constData()));
    if (!archive) {
        if (reason)
            *reason = QStringLiteral("unzOpen64 cannot open %1").arg(archivePath);
        UpdateDebugLine(QStringLiteral("archive %1 cannot be opened").arg(archivePath));
        return ExtractStatus::CannotOpen;
    }
    std::vector<Entry> entries;
    if (const ExtractStatus checked = Inspect(archive.get(), entries, reason); checked != ExtractStatus::Extracted)
        return checked;

    // Created with owner-only permissions; removed with whatever it holds on
    // every way out.
    QTemporaryDir staging(folder + QStringLiteral("/.extract-XXXXXX"));
    if (!staging.isValid()) {
        if (reason)
            *reason = QStringLiteral("cannot create a staging folder in %1: %2").arg(folder, staging.errorString());
        return ExtractStatus::WriteFailed;
    }
    int status = unzGoToFirstFile(archive.get());
    for (const Entry& entry : entries) {
        if (status != UNZ_OK)
            return Refuse(reason, QStringLiteral("the entries changed while reading"));
        const ExtractStatus written = WriteEntry(
            archive.get(), entry, staging.filePath(QString::fromLatin1(entry.name)), reason);
        if (written != ExtractStatus::Extracted)
            return written;
        status = unzGoToNextFile(archive.get());
    }
    for (const Entry& entry : entries) {
        const QString name = QString::fromLatin1(entry.name);
        std::error_code error;
        // Replaces a file of the same name (or a link planted there) in one step.
        std::filesystem::rename(QFile::encodeName(staging.filePath(name)).toStdString(),
            QFile::encodeName(folder + QLatin1Char('/') + name).toStdString(), error);
        if (error) {
            if (reason)
                *reason = QStringLiteral("cannot move %1 into %2: %3")
                              .arg(name, folder, QString::fromStdString(error.message()));
            return ExtractStatus::WriteFailed;
        }
    }
    UpdateDebugLine(QStringLiteral("archive %1: %2 entries extracted").arg(archivePath).arg(entries.size()));
    return ExtractStatus::Extracted;
}

} // namespace Unzip
