// Language files over arbitrary bytes: parsing never fails, and every text a
// lookup returns keeps the promises the window relies on (at most 259 UTF-16
// units, never half a surrogate pair at the cut).

#include "language/LanguageFile.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckText(const QString& text)
{
    Check(text.size() <= LanguageFile::kMaxTextLength);
    // UTF-8 decoding makes no lone surrogates, so one at the end is a cut pair.
    Check(text.isEmpty() || !text.back().isHighSurrogate());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1 << 20))
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const LanguageFile file = LanguageFile::Parse(bytes);
    for (const int id : {1, 2, 17, 50, 61, 351, 806, 900})
        CheckText(file.Value(QStringLiteral("LAN"), QString::number(id)));
    // Whatever key and section the input names itself, looked up as given.
    const qsizetype equals = bytes.indexOf('=');
    if (equals > 0) {
        const qsizetype lineStart = bytes.lastIndexOf('\n', equals) + 1;
        const QString key = QString::fromUtf8(bytes.mid(lineStart, equals - lineStart));
        CheckText(file.Value(QStringLiteral("LAN"), key));
        CheckText(file.Value(QStringLiteral("lan"), key.trimmed()));
    }
    const qsizetype open = bytes.indexOf('[');
    const qsizetype close = bytes.indexOf(']', open);
    if (open >= 0 && close > open)
        CheckText(file.Value(QString::fromUtf8(bytes.mid(open + 1, close - open - 1)), QStringLiteral("61")));
    return 0;
}
