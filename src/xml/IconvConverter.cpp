#include "xml/IconvConverter.h"

#include <QtGlobal>

#include <cerrno>
#include <iconv.h>
#include <memory>

namespace {

const char* NativeUtf16()
{
    return QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";
}

struct IconvCloser
{
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

IconvHandle Open(const char* to, const char* from)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return nullptr;
    return IconvHandle(cd);
}

} // namespace

bool IconvConverter::Decode(const char* encoding, QByteArrayView bytes, QString& out)
{
    IconvHandle handle = Open(NativeUtf16(), encoding);
    if (!handle)
        return false;
    iconv_t cd = static_cast<iconv_t>(handle.get());

    // One byte never yields more than two UTF-16 units; grow only for safety.
    QString result(bytes.size() + 16, Qt::Uninitialized);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = static_cast<size_t>(bytes.size());
    qsizetype written = 0;
    auto room = [&]() { return static_cast<size_t>(result.size() - written) * 2; };
    while (true) {
        char* outPtr = reinterpret_cast<char*>(result.data() + written);
        size_t outLeft = room();
        const size_t rc = inLeft ? iconv(cd, &in, &inLeft, &outPtr, &outLeft)
                                 : iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
        const int err = errno;
        written = (outPtr - reinterpret_cast<char*>(result.data())) / 2;
        if (rc != static_cast<size_t>(-1)) {
            if (inLeft == 0)
                break;
            continue;
        }
        if (err == E2BIG) {
            result.resize(result.size() * 2 + 16);
            continue;
        }
        // An invalid byte, or an incomplete sequence at the end: mark it and
        // go on after that byte.
        if (result.size() - written < 1)
            result.resize(result.size() * 2 + 16);
        result[written++] = QChar(0xFFFD);
        if (err != EILSEQ || inLeft == 0)
            break;
        ++in;
        --inLeft;
    }
    result.truncate(written);
    out = std::move(result);
    return true;
}

bool IconvConverter::Encode(const char* encoding, QStringView text, QByteArray& out,
                            qsizetype& substitutions)
{
    substitutions = 0;
    IconvHandle handle = Open(encoding, NativeUtf16());
    if (!handle)
        return false;
    iconv_t cd = static_cast<iconv_t>(handle.get());

    QByteArray result(text.size() * 2 + 32, Qt::Uninitialized);
    qsizetype written = 0;
    static const char16_t kQuestion = u'?';

    auto convert = [&](const char16_t* units, qsizetype count, bool flush, size_t& leftOut) -> int {
        char* in = reinterpret_cast<char*>(const_cast<char16_t*>(units));
        size_t inLeft = static_cast<size_t>(count) * 2;
        while (true) {
            char* outPtr = result.data() + written;
            size_t outLeft = static_cast<size_t>(result.size() - written);
            const size_t rc = flush ? iconv(cd, nullptr, nullptr, &outPtr, &outLeft)
                                    : iconv(cd, &in, &inLeft, &outPtr, &outLeft);
            const int err = errno;
            written = outPtr - result.data();
            leftOut = inLeft;
            if (rc != static_cast<size_t>(-1))
                return 0;
            if (err == E2BIG) {
                result.resize(result.size() * 2 + 32);
                continue;
            }
            return err;
        }
    };

    const char16_t* units = text.utf16();
    qsizetype pos = 0;
    const qsizetype size = text.size();
    while (pos < size) {
        size_t left = 0;
        const int err = convert(units + pos, size - pos, false, left);
        pos = size - static_cast<qsizetype>(left / 2);
        if (err == 0)
            break;
        // The character at pos cannot be held (or is a lone surrogate): put
        // the target's own "?" in its place.
        const bool pair = pos + 1 < size && QChar::isHighSurrogate(units[pos])
                          && QChar::isLowSurrogate(units[pos + 1]);
        pos += pair ? 2 : 1;
        ++substitutions;
        size_t unused = 0;
        convert(&kQuestion, 1, false, unused);
    }
    size_t unused = 0;
    convert(nullptr, 0, true, unused);
    result.truncate(written);
    out = std::move(result);
    return true;
}
