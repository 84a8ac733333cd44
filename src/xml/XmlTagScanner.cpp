#include "xml/XmlTagScanner.h"

qsizetype XmlTagScanner::NameLength(QStringView tag, qsizetype nameStart)
{
    qsizetype i = nameStart;
    while (i < tag.size() && !EndsName(tag[i].unicode()))
        ++i;
    return i - nameStart;
}

qsizetype XmlTagScanner::StartTagLength(QStringView text)
{
    char16_t quote = 0;
    for (qsizetype i = 1; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u'>') {
            return i + 1;
        }
    }
    return -1;
}

bool XmlTagScanner::FindAttribute(QStringView tag, QStringView name, Qt::CaseSensitivity cs,
                                  XmlAttributeSpan& span)
{
    const qsizetype n = tag.size();
    qsizetype i = 1 + NameLength(tag);
    while (i < n) {
        const char16_t c = tag[i].unicode();
        if (IsSpace(c) || c == u'/') {
            ++i;
            continue;
        }
        if (c == u'>')
            return false;
        XmlAttributeSpan found;
        found.nameStart = i;
        while (i < n && !IsSpace(tag[i].unicode()) && tag[i] != u'=' && tag[i] != u'>'
               && tag[i] != u'/')
            ++i;
        found.nameEnd = i;
        if (found.nameEnd == found.nameStart) {
            ++i; // a stray "=" or quote: step over it
            continue;
        }
        qsizetype j = i;
        while (j < n && IsSpace(tag[j].unicode()))
            ++j;
        if (j < n && tag[j] == u'=') {
            ++j;
            while (j < n && IsSpace(tag[j].unicode()))
                ++j;
            found.hasValue = true;
            if (j < n && (tag[j] == u'"' || tag[j] == u'\'')) {
                const QChar quote = tag[j];
                found.quoted = true;
                found.valueStart = ++j;
                while (j < n && tag[j] != quote)
                    ++j;
                found.valueEnd = j;
                if (j < n)
                    ++j;
            } else {
                found.valueStart = j;
                while (j < n && !IsSpace(tag[j].unicode()) && tag[j] != u'>')
                    ++j;
                found.valueEnd = j;
            }
            i = j;
        }
        if (tag.sliced(found.nameStart, found.nameEnd - found.nameStart).compare(name, cs) == 0) {
            span = found;
            return true;
        }
    }
    return false;
}
