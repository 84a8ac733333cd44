// Version file bodies as a server may send them, and the comparison of the
// version they offer with the one installed. The input is two texts split at
// the first NUL: the installed version and the body.
//
// A body is accepted only as dot-separated decimal numbers within the
// length cap; the comparison is a consistent order: a version equals itself,
// and swapping the two turns newer into older (texts of different shapes are
// newer both ways).

#include "update/UpdateVersion.h"

#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

bool IsVersionShape(const QString& text)
{
    bool digitBefore = false;
    for (const QChar c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            digitBefore = true;
        } else if (c == QLatin1Char('.') && digitBefore) {
            digitBefore = false;
        } else {
            return false;
        }
    }
    return digitBefore;
}

void CheckOrder(const QString& a, const QString& b)
{
    const int32_t forward = CompareVersion(a, b);
    const int32_t backward = CompareVersion(b, a);
    Check(forward >= kVersionOlder && forward <= kVersionOtherShape);
    if (forward == kVersionOtherShape)
        Check(backward == kVersionOtherShape);
    else
        Check(backward == -forward);
    Check(CompareVersion(a, a) == kVersionEqual);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype split = input.indexOf('\0');
    const QString installed = QString::fromUtf8(split < 0 ? input : input.first(split));
    const QString body = QString::fromUtf8(split < 0 ? QByteArrayView() : input.sliced(split + 1));
    for (const int32_t cap : {kSoftwareVersionMaxLength, kFirmwareVersionMaxLength}) {
        const std::optional<QString> offered = AcceptVersionText(body, cap);
        if (!offered)
            continue;
        Check(IsVersionShape(*offered) && offered->size() <= cap && body.startsWith(*offered));
        CheckOrder(installed, *offered);
    }
    CheckOrder(installed, body);
    return 0;
}
