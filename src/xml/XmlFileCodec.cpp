#include "xml/XmlFileCodec.h"

#include "xml/IconvConverter.h"
#include "xml/XmlCharsets.h"
#include "xml/XmlDocument.h"
#include "xml/XmlResultText.h"
#include "xml/XmlTagScanner.h"

#include <cstring>

namespace {

constexpr qsizetype kHeadBytes = 1024;

// Windows-1252 from 0x80 to 0x9F; the five unassigned bytes map onto the C1
// controls of the same value, as Windows does, so every byte round-trips.
constexpr char16_t k1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString Decode1252(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* dst = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        dst[i] = QChar((b >= 0x80 && b < 0xA0) ? k1252High[b - 0x80] : char16_t(b));
    }
    return out;
}

int Encode1252Char(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i) {
        if (k1252High[i] == c)
            return 0x80 + i;
    }
    return -1;
}

// Single-byte encoders for the pages we convert ourselves.
QByteArray EncodeSingleByte(QStringView text, int codePage, qsizetype& substitutions)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        int b = codePage == XmlCharsets::kLatin1 ? (c <= 0xFF ? int(c) : -1) : Encode1252Char(c);
        if (b < 0) {
            if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                ++i;
            b = '?';
            ++substitutions;
        }
        out[n++] = static_cast<char>(b);
    }
    out.truncate(n);
    return out;
}

QString DecodeUtf32(QByteArrayView bytes)
{
    QString out;
    out.reserve(bytes.size() / 4 + 1);
    qsizetype i = 0;
    for (; i + 4 <= bytes.size(); i += 4) {
        const char32_t cp = static_cast<unsigned char>(bytes[i])
                            | (static_cast<char32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8)
                            | (static_cast<char32_t>(static_cast<unsigned char>(bytes[i + 2])) << 16)
                            | (static_cast<char32_t>(static_cast<unsigned char>(bytes[i + 3])) << 24);
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out += u'?';
        } else if (cp > 0xFFFF) {
            out += QChar(QChar::highSurrogate(cp));
            out += QChar(QChar::lowSurrogate(cp));
        } else {
            out += QChar(static_cast<char16_t>(cp));
        }
    }
    if (i < bytes.size())
        out += u'?';
    return out;
}

QByteArray EncodeUtf32(QStringView text)
{
    QByteArray out;
    out.reserve(text.size() * 4);
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t cp = text[i].unicode();
        if (QChar::isHighSurrogate(cp) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        } else if (QChar::isSurrogate(cp)) {
            cp = u'?';
        }
        for (int k = 0; k < 4; ++k)
            out += static_cast<char>((cp >> (8 * k)) & 0xFF);
    }
    return out;
}

QByteArray Utf16Bytes(QStringView text, bool bigEndian)
{
    QByteArray out(text.size() * 2, Qt::Uninitialized);
    char* dst = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        dst[2 * i + (bigEndian ? 1 : 0)] = static_cast<char>(c & 0xFF);
        dst[2 * i + (bigEndian ? 0 : 1)] = static_cast<char>(c >> 8);
    }
    return out;
}

QString CharsetOfContent(const QString& content)
{
    const qsizetype at = content.indexOf(QLatin1String("charset"), 0, Qt::CaseInsensitive);
    if (at < 0)
        return {};
    qsizetype i = at + 7;
    while (i < content.size() && content[i].isSpace())
        ++i;
    if (i >= content.size() || content[i] != u'=')
        return {};
    ++i;
    while (i < content.size() && (content[i].isSpace() || content[i] == u'"' || content[i] == u'\''))
        ++i;
    const qsizetype begin = i;
    while (i < content.size() && !content[i].isSpace() && content[i] != u';' && content[i] != u'"'
           && content[i] != u'\'')
        ++i;
    return content.mid(begin, i - begin);
}

} // namespace

bool XmlFileCodec::IsValidUtf8(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        const unsigned char b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        int extra;
        if ((b & 0xE0) == 0xC0)
            extra = 1;
        else if ((b & 0xF0) == 0xE0)
            extra = 2;
        else if ((b & 0xF8) == 0xF0)
            extra = 3;
        else
            return false; // a continuation byte as lead, or 11111xxx
        if (end - p <= extra)
            return false;
        for (int k = 1; k <= extra; ++k) {
            if ((p[k] & 0xC0) != 0x80)
                return false;
        }
        p += extra + 1;
    }
    return true;
}

QString XmlFileCodec::DeclaredEncoding(QStringView head)
{
    if (head.startsWith(QLatin1String("<?xml"))) {
        const qsizetype end = head.indexOf(QLatin1String("?>"));
        const QStringView decl = end < 0 ? head : head.left(end);
        XmlAttributeSpan span;
        if (!XmlTagScanner::FindAttribute(decl, u"encoding", Qt::CaseSensitive, span) || !span.hasValue)
            return {};
        return decl.sliced(span.valueStart, span.valueEnd - span.valueStart).trimmed().toString();
    }
    if (!head.contains(QLatin1String("<html"), Qt::CaseInsensitive))
        return {};
    // A head cut at 1,024 characters rarely closes its elements, and unended
    // elements hand their children up, so meta is looked for anywhere after
    // the html start tag rather than strictly inside head.
    XmlDocument html;
    html.SetFlags(XmlDocument::kIgnoreCase);
    html.SetDocumentText(head.toString());
    bool inHtml = false;
    while (true) {
        if (html.FindNext(QString())) {
            const QString name = html.GetTagName();
            if (name.compare(QLatin1String("html"), Qt::CaseInsensitive) == 0)
                inHtml = true;
            if (inHtml && name.compare(QLatin1String("meta"), Qt::CaseInsensitive) == 0
                && html.GetAttribute(QStringLiteral("http-equiv"))
                           .compare(QLatin1String("Content-Type"), Qt::CaseInsensitive) == 0) {
                const QString charset = CharsetOfContent(html.GetAttribute(QStringLiteral("content")));
                if (!charset.isEmpty())
                    return charset;
            }
            html.StepIn();
            continue;
        }
        if (!html.StepOut())
            return {};
    }
}

QString XmlFileCodec::DecodeCodePage(int codePage, QByteArrayView bytes)
{
    switch (codePage) {
    case XmlCharsets::kUtf8:
    // A UTF-16 declaration without a mark cannot be true of bytes without
    // zeros; reading them as UTF-8 keeps the text.
    case XmlCharsets::kUtf16Le:
    case XmlCharsets::kUtf16Be:
        return QString::fromUtf8(bytes);
    case XmlCharsets::kLatin1:
        return QString::fromLatin1(bytes);
    case XmlCharsets::kUtf32:
        return DecodeUtf32(bytes);
    case XmlCharsets::kWindows1252:
        return Decode1252(bytes);
    default:
        break;
    }
    QString out;
    const char* name = XmlCharsets::IconvName(codePage);
    if (name && IconvConverter::Decode(name, bytes, out))
        return out;
    return Decode1252(bytes);
}

QByteArray XmlFileCodec::EncodeCodePage(int codePage, QStringView text, qsizetype& substitutions)
{
    substitutions = 0;
    switch (codePage) {
    case XmlCharsets::kUtf8:
        return text.toUtf8();
    case XmlCharsets::kUtf16Le:
        return Utf16Bytes(text, false);
    case XmlCharsets::kUtf16Be:
        return Utf16Bytes(text, true);
    case XmlCharsets::kUtf32:
        return EncodeUtf32(text);
    case XmlCharsets::kLatin1:
    case XmlCharsets::kWindows1252:
        return EncodeSingleByte(text, codePage, substitutions);
    default:
        break;
    }
    QByteArray out;
    const char* name = XmlCharsets::IconvName(codePage);
    if (name && IconvConverter::Encode(name, text, out, substitutions))
        return out;
    return EncodeSingleByte(text, XmlCharsets::kWindows1252, substitutions);
}

QString XmlFileCodec::Decode(QByteArrayView bytes, uint32_t& flags, XmlResultText& log)
{
    flags &= ~kBomMask;
    const QByteArrayView head = bytes.first(std::min(bytes.size(), kHeadBytes));
    auto startsWith = [&](const char* mark, qsizetype n) {
        return head.size() >= n && std::memcmp(head.data(), mark, n) == 0;
    };

    QString encoding;
    qsizetype skip = 0;
    if (startsWith("\xEF\xBB\xBF", 3)) {
        flags |= kUtf8Bom;
        encoding = QStringLiteral("UTF-8");
        skip = 3;
    } else if (startsWith("\xFF\xFE", 2)) {
        flags |= kUtf16LeBom;
        encoding = QStringLiteral("UTF-16LE");
        skip = 2;
    } else if (startsWith("\xFE\xFF", 2)) {
        flags |= kUtf16BeBom;
        encoding = QStringLiteral("UTF-16BE");
        skip = 2;
    }
    if (skip)
        XmlResultText::Event(log, "bom").Text("encoding", encoding);
    else {
        encoding = DeclaredEncoding(QString::fromUtf8(head));
        if (encoding.isEmpty() && !head.isEmpty() && head[0] == '<')
            encoding = QStringLiteral("UTF-8");
    }
    const QByteArrayView body = bytes.sliced(skip);

    if (flags & (kUtf16LeBom | kUtf16BeBom)) {
        const bool big = flags & kUtf16BeBom;
        const qsizetype units = body.size() / 2;
        QString text(units, Qt::Uninitialized);
        QChar* dst = text.data();
        const auto* src = reinterpret_cast<const unsigned char*>(body.data());
        qsizetype n = 0;
        for (qsizetype i = 0; i < units; ++i) {
            const char16_t lo = src[2 * i], hi = src[2 * i + 1];
            const char16_t unit = big ? static_cast<char16_t>((lo << 8) | hi)
                                      : static_cast<char16_t>((hi << 8) | lo);
            if (unit)
                dst[n++] = QChar(unit);
        }
        text.truncate(n);
        XmlResultText::Event(log, "read").Text("encoding", encoding).Number("length", body.size());
        if (n != units)
            XmlResultText::Event(log, "nulls_removed").Number("count", units - n);
        if (big)
            XmlResultText::Event(log, "endian_swap").Number("length", n);
        return text;
    }

    XmlResultText::Event(log, "read").Text("encoding", encoding).Number("length", body.size());
    QByteArray cleaned;
    QByteArrayView data = body;
    // An empty file's bytes may have no storage at all, which memchr must not see.
    if (!body.isEmpty() && std::memchr(body.data(), 0, static_cast<size_t>(body.size()))) {
        cleaned.reserve(body.size());
        for (char c : body) {
            if (c)
                cleaned += c;
        }
        XmlResultText::Event(log, "nulls_removed").Number("count", body.size() - cleaned.size());
        data = cleaned;
    }
    if (encoding.isEmpty()) {
        if (IsValidUtf8(data))
            encoding = QStringLiteral("UTF-8");
        XmlResultText::Event(log, "utf8_detection").Text("encoding", encoding);
    }
    int codePage = encoding.isEmpty() ? -1 : XmlCharsets::CodePageFromName(encoding);
    if (codePage < 0)
        codePage = XmlCharsets::kAnsi;
    QString text = DecodeCodePage(codePage, data);
    XmlResultText::Event(log, "converted_to").Text("encoding", encoding).Number("length", text.size());
    return text;
}

QByteArray XmlFileCodec::Encode(QStringView text, uint32_t flags, XmlResultText& log)
{
    QByteArray out;
    QString encoding;
    int codePage;
    if (flags & kUtf8Bom) {
        out = "\xEF\xBB\xBF";
        encoding = QStringLiteral("UTF-8");
        codePage = XmlCharsets::kUtf8;
    } else if (flags & kUtf16LeBom) {
        out = "\xFF\xFE";
        encoding = QStringLiteral("UTF-16LE");
        codePage = XmlCharsets::kUtf16Le;
    } else if (flags & kUtf16BeBom) {
        out = "\xFE\xFF";
        encoding = QStringLiteral("UTF-16BE");
        codePage = XmlCharsets::kUtf16Be;
    } else {
        encoding = DeclaredEncoding(text.left(kHeadBytes));
        if (encoding.isEmpty())
            encoding = QStringLiteral("UTF-8");
        codePage = XmlCharsets::CodePageFromName(encoding);
        if (codePage < 0)
            codePage = XmlCharsets::kAnsi;
    }
    qsizetype substitutions = 0;
    out += EncodeCodePage(codePage, text, substitutions);
    if (codePage == XmlCharsets::kUtf16Be)
        XmlResultText::Event(log, "endian_swap").Number("length", text.size());
    if (substitutions && XmlCharsets::ReportsLoss(codePage))
        XmlResultText::Event(log, "conversion_loss").Text("encoding", encoding).Number("count", substitutions);
    XmlResultText::Event(log, "converted_from").Text("encoding", encoding).Number("length", text.size());
    return out;
}
