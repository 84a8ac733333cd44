#include "xml/XmlDocument.h"
#include "xml/XmlFileCodec.h"
#include "xml/XmlResultText.h"

#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// Visits every element through the cursor, reading names and attributes.
void Walk(XmlDocument& doc)
{
    while (true) {
        if (doc.FindNext()) {
            const QString name = doc.GetTagName();
            Check(!name.isEmpty());
            doc.GetAttribute(QStringLiteral("name"));
            doc.GetAttribute(QStringLiteral("value"));
            doc.StepIn();
            continue;
        }
        if (!doc.StepOut())
            break;
    }
}

// Edits of a well-formed document keep it well formed, and what was written
// reads back.
void Edit(XmlDocument& doc, const QString& value)
{
    Check(doc.FindNext());
    const QString before = doc.DocumentText();
    if (!doc.SetAttribute(QStringLiteral("fz"), value)) {
        // Refused on a mangled start tag: nothing may have changed.
        Check(doc.DocumentText() == before);
        return;
    }
    Check(doc.GetAttribute(QStringLiteral("fz")) == value);
    Check(doc.StepIn());
    Check(doc.AppendElement(QStringLiteral("fz"), value, value.size() % 2 ? XmlDocument::TextMode::Cdata
                                                                            : XmlDocument::TextMode::Escaped));
    Check(doc.SetAttribute(QStringLiteral("v"), value));
    Check(doc.IsWellFormed());
    static XmlDocument again;
    Check(again.SetDocumentText(doc.DocumentText()));
    Check(again.Index().FreeIndex() == doc.Index().FreeIndex());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1 << 20))
        return 0;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    uint32_t flags = 0;
    XmlResultText log;
    const QString text = XmlFileCodec::Decode(bytes, flags, log);
    Check(log.Text().size() < 2000);

    // Documents are reused across inputs, as a program reloading files would;
    // every load rebuilds the index from scratch.
    static XmlDocument doc;
    const bool wellFormed = doc.SetDocumentText(text);
    Check(doc.ResultText().size() < 2000);
    Walk(doc);
    if (wellFormed) {
        static XmlDocument edited;
        Check(edited.SetDocumentText(text));
        Edit(edited, text.left(64));
    }

    // The raw bytes as UTF-16 units: lone surrogates and every code unit.
    static XmlDocument units;
    units.SetDocumentText(QString(reinterpret_cast<const QChar*>(data), static_cast<qsizetype>(size / 2)));
    Walk(units);

    // Writing back in whatever encoding the document declares.
    XmlResultText writeLog;
    XmlFileCodec::Encode(doc.DocumentText(), flags, writeLog);
    return 0;
}
