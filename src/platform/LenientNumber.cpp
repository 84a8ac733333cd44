#include "platform/LenientNumber.h"

#include <algorithm>

namespace {

int DigitValue(char16_t c, int base)
{
    int value = -1;
    if (c >= u'0' && c <= u'9')
        value = c - u'0';
    else if (c >= u'a' && c <= u'f')
        value = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
        value = c - u'A' + 10;
    return value < base ? value : -1;
}

int32_t Parse(const QString& text, int base)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        negative = text.at(i++) == QLatin1Char('-');
    // "0x" is a prefix only when a digit follows, so "0x" alone is 0.
    if (base == 16 && i + 2 < n && text.at(i) == QLatin1Char('0')
        && (text.at(i + 1) == QLatin1Char('x') || text.at(i + 1) == QLatin1Char('X'))
        && DigitValue(text.at(i + 2).unicode(), base) >= 0)
        i += 2;
    constexpr long long kLimit = static_cast<long long>(INT32_MAX) + 1;
    long long value = 0;
    for (int digit = 0; i < n && (digit = DigitValue(text.at(i).unicode(), base)) >= 0; ++i)
        value = std::min(value * base + digit, kLimit);
    return static_cast<int32_t>(std::clamp<long long>(negative ? -value : value, INT32_MIN, INT32_MAX));
}

}

namespace LenientNumber {

int32_t Decimal(const QString& text)
{
    return Parse(text, 10);
}

int32_t Hex(const QString& text)
{
    return Parse(text, 16);
}

}
