#include "xml/XmlDocument.h"

#include "xml/XmlEscaping.h"
#include "xml/XmlFileCodec.h"
#include "xml/XmlTagScanner.h"

#include "platform/DataFile.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

using Record = XmlElementRecord;

// Offsets are 32-bit; longer texts are refused rather than indexed wrongly.
constexpr qsizetype kMaxTextLength = 0x7FFFFFFF;

bool IsNameStart(char16_t c)
{
    return c == u':' || c == u'_' || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c >= 0x7B;
}

enum class NameKind { Element, Attribute };

// A name we are asked to write must read back as the same single name.
bool IsWritableName(const QString& name, NameKind kind)
{
    if (name.isEmpty() || (kind == NameKind::Element && !IsNameStart(name[0].unicode())))
        return false;
    for (QChar ch : name) {
        const char16_t c = ch.unicode();
        if (c < 0x20 || c == u' ' || c == u'/' || c == u'>' || c == u'<' || c == u'=' || c == u'"'
            || c == u'\'' || c == u'&' || c == 0x7F)
            return false;
    }
    return true;
}

} // namespace

// One pass over the text, building the index. Open elements sit on a stack;
// an end tag that does not close the innermost one switches on a map from
// name to open positions, so that malformed input stays linear in its size.
class XmlDocument::Parser
{
public:
    Parser(const char16_t* text, uint32_t length, XmlElementIndex& index, XmlResultText& log)
        : m_s(text), m_len(length), m_index(index), m_log(log)
    {
    }

    void Run()
    {
        uint32_t pos = 0;
        while (pos < m_len) {
            const qsizetype rel = QStringView(m_s + pos, m_len - pos).indexOf(u'<');
            if (rel < 0)
                break;
            pos += static_cast<uint32_t>(rel);
            if (pos + 1 >= m_len) {
                Unterminated("tag", pos);
                break;
            }
            const char16_t c = m_s[pos + 1];
            int64_t next;
            if (c == u'/')
                next = EndTag(pos);
            else if (c == u'?')
                next = Skip(pos, pos + 2, u"?>", "processing_instruction");
            else if (c == u'!')
                next = Exclamation(pos);
            else if (IsNameStart(c))
                next = StartTag(pos);
            else {
                Fault("first_tag_syntax", pos);
                next = pos + 1;
            }
            if (next < 0)
                break;
            pos = static_cast<uint32_t>(next);
        }
        if (!m_stack.empty()) {
            m_ill = true;
            CloseUnended(0);
        }
        Record& doc = m_index[0];
        doc.length = m_len;
        if (!doc.firstChild) {
            XmlResultText::Event(m_log, "no_root_element");
        } else if (const uint32_t sibling = m_index[doc.firstChild].next) {
            Event("root_has_sibling", sibling);
        }
        if (m_ill)
            doc.levelFlags |= XmlElementIndex::kIllFormed;
    }

private:
    struct Open
    {
        uint32_t element;
        uint32_t nameLength;
    };

    std::u16string_view NameOf(const Open& open) const
    {
        return {m_s + m_index[open.element].start + 1, open.nameLength};
    }

    void Fault(const char* word, uint32_t offset)
    {
        m_ill = true;
        XmlResultText::Event(m_log, word).Number("offset", offset);
    }

    void Unterminated(const char* kind, uint32_t offset)
    {
        m_ill = true;
        XmlResultText::Event(m_log, "unterminated_tag_syntax").Text("type", QLatin1String(kind)).Number("offset", offset);
    }

    void Event(const char* word, uint32_t element)
    {
        if (!m_log.Accepts())
            return;
        const Record& r = m_index[element];
        const QStringView tag(m_s + r.start, m_len - r.start);
        XmlResultText::Event(m_log, word)
            .Text("tagname", tag.sliced(1, XmlTagScanner::NameLength(tag)).toString())
            .Number("offset", r.start);
    }

    bool At(uint32_t pos, std::u16string_view pattern) const
    {
        return m_len - pos >= pattern.size() && std::u16string_view(m_s + pos, pattern.size()) == pattern;
    }

    // The text from pos to the end is a beginning of pattern.
    bool CutShort(uint32_t pos, std::u16string_view pattern) const
    {
        return m_len - pos < pattern.size() && pattern.substr(0, m_len - pos) == std::u16string_view(m_s + pos, m_len - pos);
    }

    int64_t Skip(uint32_t tagStart, uint32_t from, std::u16string_view terminator, const char* kind)
    {
        const qsizetype rel = QStringView(m_s + from, m_len - from)
                                  .indexOf(QStringView(terminator.data(), terminator.size()));
        if (rel < 0) {
            Unterminated(kind, tagStart);
            return -1;
        }
        return from + rel + terminator.size();
    }

    int64_t Exclamation(uint32_t pos)
    {
        if (At(pos, u"<!--"))
            return Skip(pos, pos + 4, u"-->", "comment");
        if (At(pos, u"<![CDATA["))
            return Skip(pos, pos + 9, u"]]>", "cdata_section");
        if (At(pos, u"<!DOCTYPE"))
            return DocType(pos);
        if (CutShort(pos, u"<!--")) {
            Unterminated("comment", pos);
            return -1;
        }
        if (CutShort(pos, u"<![CDATA[")) {
            Unterminated("cdata_section", pos);
            return -1;
        }
        if (CutShort(pos, u"<!DOCTYPE")) {
            Unterminated("document_type", pos);
            return -1;
        }
        const char16_t c = m_s[pos + 2];
        Fault(c == u'-' ? "comment_tag_syntax"
              : c == u'[' ? "cdata_section_syntax"
              : c == u'D' ? "doctype_tag_syntax"
                          : "exclamation_tag_syntax",
              pos);
        return pos + 2;
    }

    // Up to the ">" outside quotes and outside an internal subset "[...]".
    int64_t DocType(uint32_t pos)
    {
        bool subset = false;
        char16_t quote = 0;
        for (uint32_t i = pos + 9; i < m_len; ++i) {
            const char16_t c = m_s[i];
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == u'"' || c == u'\'') {
                quote = c;
            } else if (c == u'[') {
                subset = true;
            } else if (c == u']') {
                subset = false;
            } else if (c == u'>' && !subset) {
                return i + 1;
            }
        }
        Unterminated("document_type", pos);
        return -1;
    }

    int64_t StartTag(uint32_t pos)
    {
        const char16_t* s = m_s;
        uint32_t i = pos + 1;
        while (i < m_len && !XmlTagScanner::EndsName(s[i]))
            ++i;
        const uint32_t nameLength = i - pos - 1;
        char16_t quote = 0;
        for (; i < m_len; ++i) {
            const char16_t c = s[i];
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == u'>') {
                break;
            } else if (c == u'"' || c == u'\'') {
                quote = c;
            }
        }
        if (i >= m_len) {
            Unterminated("start_tag", pos);
            return -1;
        }
        const uint32_t end = i + 1;
        bool empty = false;
        if (s[i - 1] == u'/') {
            const uint32_t slash = i - 1;
            const char16_t before = s[slash - 1];
            empty = slash == pos + 1 + nameLength || XmlTagScanner::IsSpace(before) || before == u'"'
                    || before == u'\'';
        }

        const uint32_t parent = m_stack.empty() ? 0 : m_stack.back().element;
        const uint32_t element = m_index.Allocate();
        Record& r = m_index[element];
        r.start = pos;
        r.length = end - pos;
        r.tagLengths = XmlElementIndex::PackTagLengths(end - pos, 0);
        r.levelFlags = static_cast<uint32_t>(std::min<size_t>(m_stack.size(), XmlElementIndex::kLevelMask))
                       | (empty ? XmlElementIndex::kNoEndTag : 0);
        r.firstChild = 0;
        m_index.LinkLast(element, parent);
        if (!empty)
            Push({element, nameLength});
        return end;
    }

    int64_t EndTag(uint32_t pos)
    {
        const uint32_t nameStart = pos + 2;
        uint32_t i = nameStart;
        while (i < m_len && !XmlTagScanner::IsSpace(m_s[i]) && m_s[i] != u'>' && m_s[i] != u'<')
            ++i;
        const std::u16string_view name(m_s + nameStart, i - nameStart);
        const qsizetype rel = QStringView(m_s + i, m_len - i).indexOf(u'>');
        if (rel < 0) {
            Unterminated("end_tag", pos);
            return -1;
        }
        const uint32_t end = i + static_cast<uint32_t>(rel) + 1;

        size_t match;
        if (!m_stack.empty() && NameOf(m_stack.back()) == name) {
            match = m_stack.size() - 1;
        } else {
            const int64_t found = FindOpen(name);
            if (found < 0) {
                m_ill = true;
                if (m_log.Accepts()) {
                    XmlResultText::Event(m_log, "lone_end_tag")
                        .Text("tagname", QStringView(name.data(), name.size()).toString())
                        .Number("offset", pos);
                }
                return end;
            }
            match = static_cast<size_t>(found);
            m_ill = true;
            CloseUnended(match + 1);
        }
        Record& r = m_index[m_stack[match].element];
        r.length = end - r.start;
        r.tagLengths = (r.tagLengths & XmlElementIndex::kStartTagMax) | XmlElementIndex::PackTagLengths(0, end - pos);
        Pop();
        return end;
    }

    void Push(Open open)
    {
        m_stack.push_back(open);
        if (m_slow)
            m_open[NameOf(open)].push_back(static_cast<uint32_t>(m_stack.size() - 1));
    }

    void Pop()
    {
        if (m_slow) {
            auto it = m_open.find(NameOf(m_stack.back()));
            it->second.pop_back();
            if (it->second.empty())
                m_open.erase(it);
        }
        m_stack.pop_back();
    }

    // The stack position of the innermost open element of that name, or -1.
    int64_t FindOpen(std::u16string_view name)
    {
        if (!m_slow) {
            m_slow = true;
            for (size_t k = 0; k < m_stack.size(); ++k)
                m_open[NameOf(m_stack[k])].push_back(static_cast<uint32_t>(k));
        }
        const auto it = m_open.find(name);
        return it == m_open.end() ? int64_t(-1) : int64_t(it->second.back());
    }

    // Closes the open elements from stack position `from` up as never ended:
    // each ends with its start tag and hands its children up to follow it.
    // Outermost first, so every child changes parent once.
    void CloseUnended(size_t from)
    {
        for (size_t k = from; k < m_stack.size(); ++k) {
            const uint32_t element = m_stack[k].element;
            Record& r = m_index[element];
            r.levelFlags |= XmlElementIndex::kNoEndTag;
            Event("unended_start_tag", element);
            const uint32_t first = r.firstChild;
            if (!first)
                continue;
            // An open element is always the last child of its parent.
            const uint32_t parent = r.parent;
            Record& firstRecord = m_index[first];
            const uint32_t last = firstRecord.prev;
            r.next = first;
            r.firstChild = 0;
            firstRecord.prev = element;
            firstRecord.levelFlags &= ~XmlElementIndex::kFirstChild;
            m_index[m_index[parent].firstChild].prev = last;
            // The handed-up children take their new depth; their own
            // descendants keep the depth they were found at.
            const uint32_t level = r.levelFlags & XmlElementIndex::kLevelMask;
            for (uint32_t c = first; c; c = m_index[c].next) {
                Record& child = m_index[c];
                child.parent = parent;
                child.levelFlags = (child.levelFlags & ~XmlElementIndex::kLevelMask) | level;
            }
        }
        while (m_stack.size() > from)
            Pop();
    }

    const char16_t* m_s;
    uint32_t m_len;
    XmlElementIndex& m_index;
    XmlResultText& m_log;
    std::vector<Open> m_stack;
    bool m_ill = false;
    bool m_slow = false;
    std::unordered_map<std::u16string_view, std::vector<uint32_t>> m_open;
};

XmlDocument::XmlDocument() = default;

XmlDocument::~XmlDocument() = default;

bool XmlDocument::Parse()
{
    m_parent = m_current = m_child = 0;
    if (m_text.size() > kMaxTextLength) {
        XmlResultText::Event(m_result, "file_error").Text("msg", QStringLiteral("document too large"));
        m_index.Reset(0);
        m_index[0].levelFlags |= XmlElementIndex::kIllFormed;
        return false;
    }
    const auto length = static_cast<uint32_t>(m_text.size());
    m_index.Reset(length);
    Parser(reinterpret_cast<const char16_t*>(m_text.constData()), length, m_index, m_result).Run();
    return IsWellFormed();
}

bool XmlDocument::IsWellFormed() const
{
    const Record& doc = m_index[0];
    return doc.firstChild && !m_index[doc.firstChild].next && !(doc.levelFlags & XmlElementIndex::kIllFormed);
}

bool XmlDocument::SetDocumentText(const QString& text)
{
    if (ModeForbidsChange())
        return false;
    m_result.Clear();
    if (text.isNull()) {
        m_text = QString();
        m_index.Release();
        m_parent = m_current = m_child = 0;
        return false;
    }
    m_text = text;
    return Parse();
}

bool XmlDocument::LoadFile(const QString& path)
{
    if (ModeForbidsChange())
        return false;
    m_result.Clear();
    // A FIFO, a device or a file past the cap counts as missing: reading one
    // whole would wait for ever or exhaust the memory.
    DataFile::Contents contents = DataFile::Read(path);
    if (!contents.IsRead()) {
        RecordFileError(contents.error, int(contents.status));
        m_text.clear();
        m_index.Reset(0);
        m_parent = m_current = m_child = 0;
        return false;
    }
    return LoadBytes(contents.bytes);
}

bool XmlDocument::LoadBytes(QByteArrayView bytes)
{
    if (ModeForbidsChange())
        return false;
    m_result.Clear();
    m_text = XmlFileCodec::Decode(bytes, m_flags, m_result);
    return Parse();
}

bool XmlDocument::SaveFile(const QString& path)
{
    // Written beside the target and renamed over it, so a crash or a full disk
    // never leaves a half-written file where the old one was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        RecordFileError(file.errorString(), file.error());
        return false;
    }
    const QByteArray bytes = XmlFileCodec::Encode(m_text, m_flags, m_result);
    // The write only fills the buffer; the flush is where a full disk shows.
    // QSaveFile's commit would rename a short file into place regardless.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        RecordFileError(file.errorString(), file.error());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        RecordFileError(file.errorString(), file.error());
        return false;
    }
    XmlResultText::Event(m_result, "write").Number("length", bytes.size());
    return true;
}

void XmlDocument::RecordFileError(const QString& message, int number)
{
    qsizetype lineBreak = 0;
    while (lineBreak < message.size() && message[lineBreak] != u'\r' && message[lineBreak] != u'\n')
        ++lineBreak;
    XmlResultText::Event(m_result, "file_error")
        .Text("msg", message.left(lineBreak))
        .Number("n", number);
}

QStringView XmlDocument::TagName(uint32_t element) const
{
    const Record& r = m_index[element];
    const QStringView tag = QStringView(m_text).sliced(r.start);
    return tag.sliced(1, XmlTagScanner::NameLength(tag));
}

qsizetype XmlDocument::StartTagLength(uint32_t element) const
{
    const Record& r = m_index[element];
    const uint32_t field = XmlElementIndex::StartTagField(r);
    if (field < XmlElementIndex::kStartTagMax)
        return field;
    const qsizetype measured = XmlTagScanner::StartTagLength(QStringView(m_text).sliced(r.start, r.length));
    return measured < 0 ? r.length : measured;
}

qsizetype XmlDocument::EndTagLength(uint32_t element) const
{
    const Record& r = m_index[element];
    if (r.levelFlags & XmlElementIndex::kNoEndTag)
        return 0;
    const uint32_t field = XmlElementIndex::EndTagField(r);
    if (field < XmlElementIndex::kEndTagMax)
        return field;
    const qsizetype end = static_cast<qsizetype>(r.start) + r.length;
    const qsizetype lt = QStringView(m_text).left(end).lastIndexOf(u'<');
    return lt < 0 ? 0 : end - lt;
}

qsizetype XmlDocument::AfterElement(uint32_t element) const
{
    const Record& r = m_index[element];
    qsizetype pos = static_cast<qsizetype>(r.start) + r.length;
    if (QStringView(m_text).sliced(pos).startsWith(QLatin1String("\r\n")))
        pos += 2;
    else if (pos < m_text.size() && m_text[pos] == u'\n')
        pos += 1;
    return pos;
}

bool XmlDocument::FindNext(const QString& name)
{
    const Qt::CaseSensitivity cs = (m_flags & kIgnoreCase) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    uint32_t candidate = m_current ? m_index[m_current].next : m_index[m_parent].firstChild;
    for (; candidate; candidate = m_index[candidate].next) {
        if (name.isEmpty() || TagName(candidate).compare(name, cs) == 0) {
            m_current = candidate;
            m_child = 0;
            return true;
        }
    }
    return false;
}

bool XmlDocument::StepIn()
{
    if (!m_current)
        return false;
    m_parent = m_current;
    m_current = m_child;
    m_child = 0;
    return true;
}

bool XmlDocument::StepOut()
{
    if (!m_parent)
        return false;
    m_child = m_current;
    m_current = m_parent;
    m_parent = m_index[m_parent].parent;
    return true;
}

QString XmlDocument::GetTagName() const
{
    return m_current ? TagName(m_current).toString() : QString();
}

QString XmlDocument::GetAttribute(const QString& name) const
{
    if (!m_current || name.isEmpty())
        return {};
    const Record& r = m_index[m_current];
    const QStringView tag = QStringView(m_text).sliced(r.start, StartTagLength(m_current));
    const Qt::CaseSensitivity cs = (m_flags & kIgnoreCase) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    XmlAttributeSpan span;
    if (!XmlTagScanner::FindAttribute(tag, name, cs, span) || !span.hasValue)
        return {};
    return XmlEscaping::Unescape(tag.sliced(span.valueStart, span.valueEnd - span.valueStart));
}

void XmlDocument::Splice(qsizetype pos, qsizetype removed, const QString& inserted)
{
    m_text.replace(pos, removed, inserted);
    const int64_t delta = inserted.size() - removed;
    const int64_t tail = pos + removed;
    for (uint32_t i = 1; i < m_index.FreeIndex(); ++i) {
        Record& r = m_index[i];
        if (r.start >= tail)
            r.start = static_cast<uint32_t>(r.start + delta);
        else if (static_cast<int64_t>(r.start) + r.length > pos)
            r.length = static_cast<uint32_t>(r.length + delta);
    }
    m_index[0].length = static_cast<uint32_t>(m_text.size());
}

void XmlDocument::LinkAfter(uint32_t element, uint32_t previous)
{
    Record& r = m_index[element];
    Record& p = m_index[previous];
    r.parent = p.parent;
    r.prev = previous;
    r.next = p.next;
    if (p.next)
        m_index[p.next].prev = element;
    else
        m_index[m_index[p.parent].firstChild].prev = element;
    p.next = element;
}

bool XmlDocument::AppendElement(const QString& name, const QString& text, TextMode mode)
{
    if (!IsWritableName(name, NameKind::Element) || m_text.size() > kMaxTextLength / 2)
        return false;
    QString element = u'<' + name;
    size_t startTag;
    size_t endTag = 0;
    const bool empty = text.isEmpty() && mode == TextMode::Escaped;
    if (empty) {
        element += QLatin1String("/>");
        startTag = name.size() + 3;
    } else {
        element += u'>';
        startTag = name.size() + 2;
        if (mode == TextMode::Cdata) {
            QString body = text;
            body.replace(QLatin1String("]]>"), QLatin1String("]]]]><![CDATA[>"));
            element += QLatin1String("<![CDATA[") + body + QLatin1String("]]>");
        } else {
            element += XmlEscaping::EscapeText(text);
        }
        element += QLatin1String("</") + name + u'>';
        endTag = name.size() + 3;
    }
    const qsizetype elementLength = element.size();
    element += QLatin1String("\r\n");

    const uint32_t parent = m_parent;
    qsizetype elementStart;
    bool linkAfterCurrent = false;
    if (parent && (m_index[parent].levelFlags & XmlElementIndex::kNoEndTag)) {
        // The parent has no end tag yet: "<p/>" becomes "<p>", CR LF, the new
        // element, "</p>" (an unended "<p>" just gets the rest).
        const QString parentName = TagName(parent).toString();
        const qsizetype tagEnd = m_index[parent].start + StartTagLength(parent);
        const bool slash = m_text[tagEnd - 2] == u'/';
        const qsizetype at = slash ? tagEnd - 2 : tagEnd;
        const QString inserted = (slash ? QStringLiteral(">\r\n") : QStringLiteral("\r\n")) + element
                                 + QLatin1String("</") + parentName + u'>';
        elementStart = at + (slash ? 3 : 2);
        Splice(at, slash ? 2 : 0, inserted);
        Record& p = m_index[parent];
        p.length = static_cast<uint32_t>(at + inserted.size() - p.start);
        p.tagLengths = XmlElementIndex::PackTagLengths(slash ? tagEnd - 1 - p.start : tagEnd - p.start,
                                                       parentName.size() + 3);
        p.levelFlags &= ~XmlElementIndex::kNoEndTag;
    } else {
        qsizetype at;
        if (m_current) {
            at = AfterElement(m_current);
            linkAfterCurrent = true;
        } else if (parent) {
            const Record& p = m_index[parent];
            at = static_cast<qsizetype>(p.start) + p.length - EndTagLength(parent);
        } else if (m_index[0].firstChild) {
            at = AfterElement(m_index[m_index[0].firstChild].prev);
        } else {
            at = m_text.size();
        }
        elementStart = at;
        Splice(at, 0, element);
    }

    const uint32_t created = m_index.Allocate();
    Record& r = m_index[created];
    r.start = static_cast<uint32_t>(elementStart);
    r.length = static_cast<uint32_t>(elementLength);
    r.tagLengths = XmlElementIndex::PackTagLengths(startTag, endTag);
    const uint32_t level = parent ? std::min<uint32_t>((m_index[parent].levelFlags & XmlElementIndex::kLevelMask) + 1,
                                                       XmlElementIndex::kLevelMask)
                                  : 0;
    r.levelFlags = level | (empty ? XmlElementIndex::kNoEndTag : 0);
    r.firstChild = 0;
    if (linkAfterCurrent)
        LinkAfter(created, m_current);
    else
        m_index.LinkLast(created, parent);
    m_current = created;
    m_child = 0;
    return true;
}

bool XmlDocument::SetAttribute(const QString& name, const QString& value)
{
    if (!m_current || !IsWritableName(name, NameKind::Attribute) || m_text.size() > kMaxTextLength / 2)
        return false;
    const Record& r = m_index[m_current];
    const qsizetype tagStart = r.start;
    const qsizetype tagLength = StartTagLength(m_current);
    const QStringView tag = QStringView(m_text).sliced(tagStart, tagLength);
    const Qt::CaseSensitivity cs = (m_flags & kIgnoreCase) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    const QString escaped = XmlEscaping::EscapeAttribute(value);

    XmlAttributeSpan span;
    qsizetype at;
    qsizetype removed = 0;
    QString inserted;
    if (XmlTagScanner::FindAttribute(tag, name, cs, span)) {
        if (span.hasValue && span.quoted) {
            if (span.valueEnd >= tag.size())
                return false; // the value's quote never closes inside the tag
            at = tagStart + span.valueStart;
            removed = span.valueEnd - span.valueStart;
            inserted = escaped;
        } else if (span.hasValue) {
            at = tagStart + span.valueStart;
            removed = span.valueEnd - span.valueStart;
            inserted = u'"' + escaped + u'"';
        } else {
            at = tagStart + span.nameEnd;
            inserted = QLatin1String("=\"") + escaped + u'"';
        }
    } else {
        at = tagStart + tagLength - 1;
        if ((r.levelFlags & XmlElementIndex::kNoEndTag) && m_text[at - 1] == u'/')
            --at;
        inserted = u' ' + name + QLatin1String("=\"") + escaped + u'"';
    }
    // A start tag mangled enough (stray quotes, a dangling "=") could make the
    // new text read as part of something else; refuse rather than write an
    // attribute that would not read back.
    QString candidate = tag.toString();
    candidate.replace(at - tagStart, removed, inserted);
    XmlAttributeSpan check;
    if (XmlTagScanner::StartTagLength(candidate) != candidate.size()
        || !XmlTagScanner::FindAttribute(candidate, name, cs, check) || !check.hasValue
        || candidate.sliced(check.valueStart, check.valueEnd - check.valueStart) != escaped)
        return false;
    const uint32_t endTag = XmlElementIndex::EndTagField(r);
    Splice(at, removed, inserted);
    Record& updated = m_index[m_current];
    updated.tagLengths = XmlElementIndex::PackTagLengths(tagLength + inserted.size() - removed, 0)
                         | (endTag << 22);
    return true;
}
