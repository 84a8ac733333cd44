#pragma once

#include <QStringView>

// Where one attribute sits in a start tag, as offsets from the tag's "<".
struct XmlAttributeSpan
{
    qsizetype nameStart = 0;
    qsizetype nameEnd = 0;
    qsizetype valueStart = 0; // inside the quotes when quoted
    qsizetype valueEnd = 0;
    bool hasValue = false;    // false for a bare name without "="
    bool quoted = false;
};

// Reads the pieces of a start tag. Lenient like the parser: unquoted values and
// bare names are accepted, and nothing here reads past the tag it is given.
class XmlTagScanner
{
public:
    static bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }
    // The characters that end a tag name.
    static bool EndsName(char16_t c) { return IsSpace(c) || c == u'/' || c == u'>' || c == u'<'; }

    // Length of the name after the "<" (or "</") that tag begins with.
    static qsizetype NameLength(QStringView tag, qsizetype nameStart = 1);
    // Length of the start tag at text[0] == '<' through its ">", quotes
    // respected; -1 when the text ends first.
    static qsizetype StartTagLength(QStringView text);
    static bool FindAttribute(QStringView tag, QStringView name, Qt::CaseSensitivity cs,
                              XmlAttributeSpan& span);
};
