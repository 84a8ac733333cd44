#pragma once

#include "store/ExchangeFiles.h"

#include <QByteArray>
#include <QSet>

#include <initializer_list>
#include <optional>
#include <utility>

class XmlDocument;

// What the profile and macro files share: reading a file with its size
// bounded, the values of an element read strictly, the notes of an import,
// and the writing of one element per line.
namespace ExchangeSupport {

// Reads a regular file of at most ExchangeFiles::kMaxFileSize bytes. Done,
// Unreadable or TooLarge; never blocks on a pipe or a device.
ExchangeResult::Status ReadFile(const QString& path, QByteArray& bytes);
// Decodes the bytes (any encoding the XML reader knows) and parses them;
// true when well formed. The cursor is at the document's top level.
bool Parse(XmlDocument& doc, QByteArrayView bytes);

// A decimal integer and nothing else (blanks around it allowed); nothing for
// empty text, other characters or a value beyond 64 bits.
std::optional<int64_t> StrictInteger(const QString& text);

// The notes of one import.
class Notes {
public:
    explicit Notes(std::vector<ExchangeNote>& notes)
        : m_notes(notes)
    {}
    void LeftOut(const QString& where, const QString& value);
    void Adjusted(const QString& where, const QString& value, const QString& stored);
    void Missing(const QString& where);

private:
    std::vector<ExchangeNote>& m_notes;
};

// Reads attribute `name` of the current element as an integer. Missing or not
// a number: a note under "<where>/<name>" and nothing.
std::optional<int64_t> ReadInteger(const XmlDocument& doc, const QString& name, const QString& where, Notes& notes);

// Elements a reader took; the others are noted as left out.
class Consumed {
public:
    void Take(const XmlDocument& doc); // the current element
    bool Has(uint32_t element) const { return m_elements.contains(element); }

private:
    QSet<uint32_t> m_elements;
};
// Notes every child of element `parent` that `consumed` lacks, as
// "<where>/<child name>". The cursor does not move.
void NoteUnusedChildren(
    const XmlDocument& doc, uint32_t parent, const Consumed& consumed, const QString& where, Notes& notes);

// A new document holding only the XML declaration.
void StartDocument(XmlDocument& doc);
// Appends an element at the cursor with these attributes, in this order.
void Append(XmlDocument& doc, const QString& name, std::initializer_list<std::pair<const char*, QString>> attributes);
// Writes the document to `path` atomically: Done or WriteFailed.
ExchangeResult::Status Save(XmlDocument& doc, const QString& path);

} // namespace ExchangeSupport
