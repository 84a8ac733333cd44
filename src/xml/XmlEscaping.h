#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>

// Escaping of attribute values and element text, and the reverse: character
// references and the named references of HTML 4 plus "apos".
class XmlEscaping
{
public:
    // "<" "&" ">" "'" and the double quote as their named references.
    static QString EscapeAttribute(QStringView value);
    // Only "<", "&" and ">"; quotes stay as they are.
    static QString EscapeText(QStringView text);
    // Resolves "&#n;", "&#xh;" and "&name;"; anything unresolvable (unknown name,
    // a value of 0, past U+10FFFF, a surrogate) keeps its "&" as a literal.
    static QString Unescape(QStringView text);
    // The code point of a named reference matched with exact case, or 0.
    static char32_t NamedReference(QStringView name);
    // Number of named references known (HTML 4's 252 plus "apos").
    static int NamedReferenceCount();
};
