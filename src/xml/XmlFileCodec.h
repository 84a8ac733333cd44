#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstdint>

class XmlResultText;

// Bytes of an XML file to document text and back: byte-order marks, the
// declared encoding, UTF-8 detection and the code-page conversions. Every step
// is recorded in the result text.
class XmlFileCodec
{
public:
    // Byte-order-mark bits of the document flags.
    static constexpr uint32_t kUtf16LeBom = 0x1;
    static constexpr uint32_t kUtf8Bom = 0x4;
    static constexpr uint32_t kUtf16BeBom = 0x80;
    static constexpr uint32_t kBomMask = kUtf16LeBom | kUtf8Bom | kUtf16BeBom;

    // The text of a file's bytes; sets the mark bit of flags (clearing the others).
    static QString Decode(QByteArrayView bytes, uint32_t& flags, XmlResultText& log);
    // The bytes to write for a document text: the mark of flags and its
    // encoding, else the declared encoding without a mark, else UTF-8.
    static QByteArray Encode(QStringView text, uint32_t flags, XmlResultText& log);

    // The encoding a document names in its first characters: the "encoding"
    // of a leading "<?xml" declaration, or the charset of an html
    // <meta http-equiv="Content-Type" content="...; charset=...">. Empty if none.
    static QString DeclaredEncoding(QStringView head);

    // Conversions by Windows code page; an unknown page is the ANSI page.
    static QString DecodeCodePage(int codePage, QByteArrayView bytes);
    // Characters the page cannot hold become "?"; substitutions counts them.
    static QByteArray EncodeCodePage(int codePage, QStringView text, qsizetype& substitutions);

    static bool IsValidUtf8(QByteArrayView bytes);
};
