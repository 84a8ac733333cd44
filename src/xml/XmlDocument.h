#pragma once

#include "xml/XmlElementIndex.h"
#include "xml/XmlResultText.h"

#include <QString>

#include <cstdint>

// An XML document kept as one UTF-16 text plus an index of its elements, read
// and written through an element cursor (parent, current, child). Lenient: an
// ill-formed document is indexed as far as it goes, its faults are recorded in
// the result text, and loading reports whether it is well formed. Nothing
// throws; every operation answers with a boolean or an empty text.
class XmlDocument
{
public:
    // Document flags. Loading and saving set the byte-order-mark bits.
    enum Flag : uint32_t {
        kUtf16LeBom = 0x1,
        kUtf8Bom = 0x4,
        kIgnoreCase = 0x8,    // names and attribute names compare without case
        kReadingMode = 0x10,  // a file is being read: loads and text changes fail
        kWritingMode = 0x20,  // a file is being written: likewise
        kAppendMode = 0x40,
        kUtf16BeBom = 0x80,
    };

    enum class TextMode {
        Escaped, // "<", "&" and ">" escaped
        Cdata,   // inside <![CDATA[ ]]>, any "]]>" split across two sections
    };

    XmlDocument();
    ~XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // Reads the file (any encoding, see XmlFileCodec) and parses it. True only
    // if the file was read and the document is well formed; after a failed
    // read the text is empty. Only a regular file of at most 16 MB is read
    // (DataFile); anything else fails as a missing file does.
    bool LoadFile(const QString& path);
    // The same for bytes already in memory.
    bool LoadBytes(QByteArrayView bytes);
    // Next element of that name among the siblings after the current element,
    // or among the parent's children from the first; an empty name matches any.
    // The found element becomes current. False leaves the cursor as it was.
    bool FindNext(const QString& name = QString());
    // The current element becomes the parent; the remembered child becomes current.
    bool StepIn();
    // The parent becomes current; the former current is remembered as the child.
    bool StepOut();
    // Unescaped value of an attribute of the current element; empty if none.
    QString GetAttribute(const QString& name) const;
    // Name of the current element; empty if none.
    QString GetTagName() const;

    // Replaces the text and parses it; true if well formed. A null text empties
    // the document and releases the index.
    bool SetDocumentText(const QString& text);
    // Adds an element after the current one (or as the parent's last child) and
    // makes it current: "<name/>" and CR LF, or with text "<name>text</name>".
    // An empty-element parent is opened into a start and an end tag.
    // False for a name that cannot be an element name.
    bool AppendElement(const QString& name, const QString& text = QString(),
                       TextMode mode = TextMode::Escaped);
    // Sets (replacing or inserting) an attribute of the current element. False,
    // with nothing changed, when there is no current element, the name cannot
    // be an attribute name, or the start tag is too malformed for the value to
    // read back.
    bool SetAttribute(const QString& name, const QString& value);
    // Writes the text in the file's encoding. The file is replaced atomically:
    // a failed write leaves the previous file as it was.
    bool SaveFile(const QString& path);

    const QString& DocumentText() const { return m_text; }
    const QString& ResultText() const { return m_result.Text(); }
    uint32_t Flags() const { return m_flags; }
    void SetFlags(uint32_t flags) { m_flags = flags; }
    bool IsWellFormed() const;

    // The cursor and the index, for diagnosis and tests.
    uint32_t ParentIndex() const { return m_parent; }
    uint32_t CurrentIndex() const { return m_current; }
    uint32_t ChildIndex() const { return m_child; }
    const XmlElementIndex& Index() const { return m_index; }

private:
    class Parser;

    bool Parse();
    bool ModeForbidsChange() const { return m_flags & (kReadingMode | kWritingMode); }
    QStringView TagName(uint32_t element) const;
    qsizetype StartTagLength(uint32_t element) const;
    qsizetype EndTagLength(uint32_t element) const;
    qsizetype AfterElement(uint32_t element) const;
    // Inserts (or replaces `removed` characters with) text at pos and keeps the
    // index in step: later offsets move, enclosing elements grow.
    void Splice(qsizetype pos, qsizetype removed, const QString& inserted);
    void LinkAfter(uint32_t element, uint32_t previous);
    void RecordFileError(const QString& message, int number);

    QString m_text;
    XmlResultText m_result;
    uint32_t m_parent = 0;
    uint32_t m_current = 0;
    uint32_t m_child = 0;
    uint32_t m_flags = 0;
    XmlElementIndex m_index;
};
