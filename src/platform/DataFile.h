#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>

// Reading the program's data files (config.xml, the descriptions, the language
// files, exchange files, the settings file) without trusting what sits at the
// path: a FIFO, a device, a folder or a file too large to be ours counts as
// missing, and nothing here ever waits for a writer.
class DataFile {
public:
    // Cap of config.xml, the descriptions and the language files; ours are a
    // few hundred kilobytes at most.
    static constexpr int64_t kDefaultMaxBytes = 16 * 1024 * 1024;
    // Longest name IsPlainName accepts, in characters.
    static constexpr qsizetype kMaxPlainNameLength = 64;

    enum class Status {
        Read, // the bytes are the whole file
        Missing, // nothing at the path
        NotRegular, // a FIFO, socket, device or folder (after following links)
        TooLarge, // larger than the cap
        Unreadable, // exists but cannot be opened or read
    };
    struct Contents {
        Status status = Status::Missing;
        QByteArray bytes; // empty unless status is Read
        QString error; // why not, for a debug line; empty after Read
        bool IsRead() const { return status == Status::Read; }
    };

    // The file's bytes when it is a regular file (links followed) of at most
    // maxBytes. The open never blocks: the type is checked on the descriptor
    // before anything is read.
    static Contents Read(const QString& path, int64_t maxBytes = kDefaultMaxBytes);

    // What Read would answer, without reading: Read, Missing, NotRegular,
    // TooLarge or Unreadable (a path that cannot be examined). maxBytes < 0:
    // any size.
    static Status Examine(const QString& path, int64_t maxBytes = -1);

    // True for a name that may become part of a file name as it is: 1 to 64
    // letters, digits, '-', '_' and '.', not starting with '.'. Anything else
    // ("../x", "a/b", "", ".hidden", a blank, a control character) could name
    // another folder or a hidden file.
    static bool IsPlainName(QStringView name);
};
