#include "store/ExchangeSupport.h"

#include "platform/DataFile.h"
#include "xml/XmlDocument.h"
#include "xml/XmlFileCodec.h"
#include "xml/XmlResultText.h"
#include "xml/XmlTagScanner.h"

#include <utility>

namespace ExchangeSupport {

namespace {

constexpr qsizetype kNotedValueLength = 32;

} // namespace

ExchangeResult::Status ReadFile(const QString& path, QByteArray& bytes)
{
    bytes.clear();
    // One open, and every check on what it opened: whatever the path names by
    // then (a FIFO, a device, a file past the cap) is refused unread.
    DataFile::Contents contents = DataFile::Read(path, ExchangeFiles::kMaxFileSize);
    switch (contents.status) {
    case DataFile::Status::Read:
        bytes = std::move(contents.bytes);
        return ExchangeResult::Status::Done;
    case DataFile::Status::TooLarge:
        return ExchangeResult::Status::TooLarge;
    case DataFile::Status::Missing:
    case DataFile::Status::NotRegular:
    case DataFile::Status::Unreadable:
        break;
    }
    return ExchangeResult::Status::Unreadable;
}

bool Parse(XmlDocument& doc, QByteArrayView bytes)
{
    uint32_t flags = 0;
    XmlResultText log;
    const QString text = XmlFileCodec::Decode(bytes, flags, log);
    // An empty text would release the index rather than parse.
    if (text.isEmpty())
        return false;
    return doc.SetDocumentText(text);
}

std::optional<int64_t> StrictInteger(const QString& text)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return int64_t(value);
}

void Notes::LeftOut(const QString& where, const QString& value)
{
    m_notes.push_back({ExchangeNote::Kind::LeftOut, where, value.left(kNotedValueLength), {}});
}

void Notes::Adjusted(const QString& where, const QString& value, const QString& stored)
{
    m_notes.push_back({ExchangeNote::Kind::Adjusted, where, value.left(kNotedValueLength), stored});
}

void Notes::Missing(const QString& where)
{
    m_notes.push_back({ExchangeNote::Kind::Missing, where, {}, {}});
}

std::optional<int64_t> ReadInteger(const XmlDocument& doc, const QString& name, const QString& where, Notes& notes)
{
    const QString text = doc.GetAttribute(name);
    const QString place = where + QLatin1Char('/') + name;
    if (text.isEmpty()) {
        notes.Missing(place);
        return std::nullopt;
    }
    const std::optional<int64_t> value = StrictInteger(text);
    if (!value)
        notes.LeftOut(place, text);
    return value;
}

void Consumed::Take(const XmlDocument& doc)
{
    m_elements.insert(doc.CurrentIndex());
}

void NoteUnusedChildren(
    const XmlDocument& doc, uint32_t parent, const Consumed& consumed, const QString& where, Notes& notes)
{
    // Walked through the index rather than the cursor: stepping in again would
    // resume after the child the reader saw last, not at the first.
    const XmlElementIndex& index = doc.Index();
    const QStringView text(doc.DocumentText());
    for (uint32_t child = index[parent].firstChild; child; child = index[child].next) {
        if (consumed.Has(child))
            continue;
        const QStringView tag = text.sliced(index[child].start);
        notes.LeftOut(where + QLatin1Char('/') + tag.sliced(1, XmlTagScanner::NameLength(tag)).toString(), QString());
    }
}

void StartDocument(XmlDocument& doc)
{
    doc.SetDocumentText(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"));
}

void Append(XmlDocument& doc, const QString& name, std::initializer_list<std::pair<const char*, QString>> attributes)
{
    doc.AppendElement(name);
    for (const auto& [attribute, value] : attributes)
        doc.SetAttribute(QString::fromLatin1(attribute), value);
}

ExchangeResult::Status Save(XmlDocument& doc, const QString& path)
{
    return doc.SaveFile(path) ? ExchangeResult::Status::Done : ExchangeResult::Status::WriteFailed;
}

} // namespace ExchangeSupport
