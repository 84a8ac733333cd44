#pragma once

#include <QString>

#include <cstdint>

// Update archives, through minizip (wrapped here and nowhere else).
//
// An archive is unpacked only when every entry is a plain file meant for the
// top of the destination folder and the whole stays within the caps below;
// otherwise nothing of it is written. Refused: names with "/", "\", ":",
// "..", a leading "." or characters outside printable ASCII; absolute
// names and drive letters (caught by the same rules); directories, links
// and other special entries; encrypted entries; duplicate names; an entry
// or a total above the size caps; an entry that inflates more than the
// ratio cap allows, or to more than its header declares; a bad checksum.
namespace Unzip {

constexpr int32_t kMaxEntries = 64;
constexpr int64_t kMaxEntryBytes = 64LL * 1024 * 1024;
constexpr int64_t kMaxTotalBytes = 128LL * 1024 * 1024;
// Uncompressed size per compressed byte, checked for entries above kRatioFloorBytes
// (small files of zeros compress far better and are harmless).
constexpr int64_t kMaxRatio = 100;
constexpr int64_t kRatioFloorBytes = 1024 * 1024;

enum class ExtractStatus {
    Extracted, // every entry written into the folder
    CannotOpen, // not a zip archive (or not readable): the archive stays
    Refused, // against the rules above: nothing written
    WriteFailed, // the folder could not take the files: nothing written
};

// Extracts every entry of archivePath into folder (which must exist) under
// its stored name, replacing files of the same name. Entries are unpacked
// into a private staging folder inside `folder` first and moved into place
// only when all of them passed. reason, when given, says what was refused.
ExtractStatus ExtractArchive(const QString& archivePath, const QString& folder, QString* reason = nullptr);

// The rule for one stored name: true when it may be written at the top of
// the destination folder.
bool IsPlainTopLevelName(const QByteArray& name);

} // namespace Unzip
