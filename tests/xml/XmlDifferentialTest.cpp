#include "xml/XmlDocument.h"
#include "xml/XmlFileCodec.h"
#include "xml/XmlResultText.h"

#include <gtest/gtest.h>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <QString>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

// Generated well-formed documents read by XmlDocument and by libxml2 must give
// the same elements, in the same order, with the same attribute values.
namespace {

struct Element
{
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
};

class Generator
{
public:
    explicit Generator(uint32_t seed) : m_rng(seed) {}

    std::string Document()
    {
        std::string out;
        if (Chance(2))
            out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
        if (Chance(4))
            out += "<!-- head " + Text(false) + " -->\n";
        if (Chance(5))
            out += "<!DOCTYPE root [ <!ELEMENT root ANY> <!ATTLIST root a CDATA #IMPLIED> ]>\n";
        Emit(out, 0);
        if (Chance(3))
            out += "\n<?tail data?>\n";
        return out;
    }

private:
    bool Chance(int oneIn) { return std::uniform_int_distribution<int>(0, oneIn - 1)(m_rng) == 0; }
    int Range(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }

    std::string Name()
    {
        static const char* const starts[] = {"a", "B", "_", "x", "dpi", "\xC3\xA9", "\xE4\xB8\xAD", "z"};
        static const char* const rest[] = {"a", "9", "-", ".", "_", "Q", "\xC3\xA9", "\xE6\x96\x87", "key"};
        std::string name = starts[Range(0, 7)];
        const int n = Range(0, 6);
        for (int i = 0; i < n; ++i)
            name += rest[Range(0, 8)];
        return name;
    }

    // A value as written (escaped) and as read.
    std::pair<std::string, std::string> Value(char quote)
    {
        std::string written, read;
        const int n = Range(0, 12);
        for (int i = 0; i < n; ++i) {
            switch (Range(0, 15)) {
            case 0: written += "&lt;"; read += "<"; break;
            case 1: written += "&gt;"; read += ">"; break;
            case 2: written += "&amp;"; read += "&"; break;
            case 3: written += "&quot;"; read += "\""; break;
            case 4: written += "&apos;"; read += "'"; break;
            case 5: written += "&#60;"; read += "<"; break;
            case 6: written += "&#x26;"; read += "&"; break;
            case 7: written += "&#x1F600;"; read += "\xF0\x9F\x98\x80"; break;
            case 8: written += "&#9;"; read += "\t"; break;
            case 9: written += "\xE4\xB8\xAD\xE6\x96\x87"; read += "\xE4\xB8\xAD\xE6\x96\x87"; break;
            case 10: written += "\xC3\xA9"; read += "\xC3\xA9"; break;
            case 11: written += ">"; read += ">"; break;
            case 12: written += quote == '"' ? "'" : "\""; read += quote == '"' ? "'" : "\""; break;
            case 13: written += "&#10;"; read += "\n"; break;
            default: {
                const char c = static_cast<char>(Range(0x20, 0x7E));
                if (c == '<' || c == '&' || c == quote)
                    break;
                written += c;
                read += c;
            }
            }
        }
        return {written, read};
    }

    std::string Text(bool markup)
    {
        static const char* const pieces[] = {"text", " ", "&lt;", "&amp;", "\xE4\xB8\xAD", ">", "&#x41;", "'\""};
        std::string out;
        const int n = Range(0, 5);
        for (int i = 0; i < n; ++i)
            out += markup ? pieces[Range(0, 7)] : "word ";
        return out;
    }

    void Emit(std::string& out, int depth)
    {
        const std::string name = depth == 0 && Chance(2) ? "root" : Name();
        out += "<" + name;
        std::vector<std::string> used;
        const int attributes = Range(0, 4);
        for (int i = 0; i < attributes; ++i) {
            std::string attr = Name();
            if (std::find(used.begin(), used.end(), attr) != used.end())
                continue;
            used.push_back(attr);
            const char quote = Chance(2) ? '"' : '\'';
            const auto [written, read] = Value(quote);
            out += Chance(3) ? "\n  " : " ";
            out += attr + (Chance(4) ? " = " : "=") + quote + written + quote;
        }
        if (depth >= 6 || Chance(4)) {
            out += Chance(2) ? "/>" : " />";
            return;
        }
        out += ">";
        const int children = Range(0, 4);
        for (int i = 0; i < children; ++i) {
            switch (Range(0, 7)) {
            case 0: out += "<![CDATA[ <not> & ]] > " + Text(false) + "]]>"; break;
            case 1: out += "<!-- <c> " + Text(false) + " -->"; break;
            case 2: out += "<?pi-" + std::to_string(i) + " <x> ?>"; break;
            case 3: out += Text(true); break;
            case 4: out += "\r\n  "; break;
            default: Emit(out, depth + 1);
            }
        }
        out += "</" + name + (Chance(4) ? " >" : ">");
    }

    std::mt19937 m_rng;
};

struct XmlDocFree
{
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

void CollectLibxml(xmlNode* node, std::vector<Element>& out)
{
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE)
            continue;
        Element e;
        e.name = reinterpret_cast<const char*>(node->name);
        for (xmlAttr* a = node->properties; a; a = a->next) {
            xmlChar* value = xmlNodeListGetString(node->doc, a->children, 1);
            e.attributes.emplace_back(reinterpret_cast<const char*>(a->name),
                                      value ? reinterpret_cast<const char*>(value) : "");
            xmlFree(value);
        }
        out.push_back(std::move(e));
        CollectLibxml(node->children, out);
    }
}

void CollectCursor(XmlDocument& doc, const std::vector<Element>& expected, size_t& at)
{
    while (doc.FindNext()) {
        ASSERT_LT(at, expected.size()) << "more elements than libxml2";
        const Element& e = expected[at++];
        ASSERT_EQ(doc.GetTagName().toStdString(), e.name);
        for (const auto& [name, value] : e.attributes)
            ASSERT_EQ(doc.GetAttribute(QString::fromStdString(name)).toStdString(), value) << e.name << "@" << name;
        ASSERT_TRUE(doc.StepIn());
        CollectCursor(doc, expected, at);
        ASSERT_TRUE(doc.StepOut());
    }
}

TEST(XmlDifferential, GeneratedDocumentsMatchLibxml2)
{
    constexpr int kDocuments = 3000;
    size_t elements = 0;
    size_t attributes = 0;
    for (int seed = 1; seed <= kDocuments; ++seed) {
        const std::string bytes = Generator(static_cast<uint32_t>(seed)).Document();
        std::unique_ptr<xmlDoc, XmlDocFree> reference(
            xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, "UTF-8",
                          XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
        ASSERT_TRUE(reference) << "generator wrote ill-formed XML, seed " << seed << ":\n" << bytes;
        std::vector<Element> expected;
        CollectLibxml(xmlDocGetRootElement(reference.get()), expected);

        uint32_t flags = 0;
        XmlResultText log;
        XmlDocument doc;
        ASSERT_TRUE(doc.SetDocumentText(XmlFileCodec::Decode(QByteArrayView(bytes.data(), bytes.size()), flags, log)))
            << "seed " << seed << ": " << doc.ResultText().toStdString() << "\n" << bytes;
        size_t at = 0;
        CollectCursor(doc, expected, at);
        if (HasFatalFailure()) {
            ADD_FAILURE() << "seed " << seed << ":\n" << bytes;
            return;
        }
        EXPECT_EQ(at, expected.size()) << "seed " << seed;
        elements += expected.size();
        for (const Element& e : expected)
            attributes += e.attributes.size();
    }
    // The generator really produced something worth comparing.
    EXPECT_GT(elements, size_t(kDocuments) * 2);
    EXPECT_GT(attributes, size_t(kDocuments) * 3);
}

} // namespace
