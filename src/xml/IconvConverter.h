#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The one place that calls iconv. Conversions never fail half-way: bytes that
// are not valid in the source become U+FFFD, characters the target cannot hold
// become "?" (converted through the target, so stateful encodings stay valid).
class IconvConverter
{
public:
    // False (and out untouched) when iconv knows no such encoding.
    static bool Decode(const char* encoding, QByteArrayView bytes, QString& out);
    // substitutions counts the characters replaced by "?".
    static bool Encode(const char* encoding, QStringView text, QByteArray& out, qsizetype& substitutions);
};
