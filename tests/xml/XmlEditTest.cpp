#include "xml/XmlDocument.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <functional>

namespace {

const QString kDeclaration = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");

// Every record of the index still points at the element it stands for: a
// fresh parse of the edited text gives the same records.
void ExpectIndexMatchesReparse(const XmlDocument& doc)
{
    XmlDocument fresh;
    fresh.SetDocumentText(doc.DocumentText());
    // Compare the trees by walking both in document order.
    std::function<void(uint32_t, uint32_t)> compare = [&](uint32_t a, uint32_t b) {
        const XmlElementRecord& ra = doc.Index()[a];
        const XmlElementRecord& rb = fresh.Index()[b];
        EXPECT_EQ(ra.start, rb.start);
        EXPECT_EQ(ra.length, rb.length);
        if (a) {
            EXPECT_EQ(XmlElementIndex::StartTagField(ra), XmlElementIndex::StartTagField(rb));
            EXPECT_EQ(XmlElementIndex::EndTagField(ra), XmlElementIndex::EndTagField(rb));
            EXPECT_EQ(ra.levelFlags, rb.levelFlags) << "record at " << ra.start;
        }
        uint32_t ca = ra.firstChild, cb = rb.firstChild;
        while (ca && cb) {
            EXPECT_EQ(doc.Index()[ca].parent, a);
            compare(ca, cb);
            ca = doc.Index()[ca].next;
            cb = fresh.Index()[cb].next;
        }
        EXPECT_EQ(ca, 0u);
        EXPECT_EQ(cb, 0u);
        if (ra.firstChild) {
            uint32_t last = ra.firstChild;
            while (doc.Index()[last].next)
                last = doc.Index()[last].next;
            EXPECT_EQ(doc.Index()[ra.firstChild].prev, last);
        }
    };
    compare(0, 0);
}

TEST(XmlEdit, AppendInsideEmptyElement)
{
    XmlDocument doc;
    doc.SetDocumentText(kDeclaration);
    ASSERT_TRUE(doc.AppendElement(QStringLiteral("macro")));
    EXPECT_EQ(doc.DocumentText(), kDeclaration + QStringLiteral("<macro/>\r\n"));
    ASSERT_TRUE(doc.StepIn());
    ASSERT_TRUE(doc.AppendElement(QStringLiteral("macroinfo")));
    EXPECT_EQ(doc.DocumentText(),
              kDeclaration + QStringLiteral("<macro>\r\n<macroinfo/>\r\n</macro>\r\n"));
    EXPECT_EQ(doc.GetTagName(), QStringLiteral("macroinfo"));
    ExpectIndexMatchesReparse(doc);
}

TEST(XmlEdit, ExchangeFileShape)
{
    XmlDocument doc;
    doc.SetDocumentText(kDeclaration);
    ASSERT_TRUE(doc.AppendElement(QStringLiteral("profiles")));
    ASSERT_TRUE(doc.SetAttribute(QStringLiteral("version"), QStringLiteral("3")));
    ASSERT_TRUE(doc.StepIn());
    ASSERT_TRUE(doc.AppendElement(QStringLiteral("profile")));
    ASSERT_TRUE(doc.SetAttribute(QStringLiteral("name"), QStringLiteral("A & \"B\"")));
    ASSERT_TRUE(doc.AppendElement(QStringLiteral("profile")));
    ASSERT_TRUE(doc.SetAttribute(QStringLiteral("name"), QStringLiteral("<c>'d'")));
    ASSERT_TRUE(doc.StepIn());
    ASSERT_TRUE(doc.AppendElement(QStringLiteral("key")));
    ASSERT_TRUE(doc.SetAttribute(QStringLiteral("v"), QStringLiteral("1")));
    ASSERT_TRUE(doc.StepOut());
    ASSERT_TRUE(doc.StepOut());
    ASSERT_TRUE(doc.SetAttribute(QStringLiteral("count"), QStringLiteral("2")));
    EXPECT_EQ(doc.DocumentText(),
              kDeclaration
                  + QStringLiteral("<profiles version=\"3\" count=\"2\">\r\n"
                                   "<profile name=\"A &amp; &quot;B&quot;\"/>\r\n"
                                   "<profile name=\"&lt;c&gt;&apos;d&apos;\">\r\n"
                                   "<key v=\"1\"/>\r\n"
                                   "</profile>\r\n"
                                   "</profiles>\r\n"));
    EXPECT_TRUE(doc.IsWellFormed());
    ExpectIndexMatchesReparse(doc);
}

TEST(XmlEdit, AppendAsLastChildAndAfterCurrent)
{
    XmlDocument doc;
    doc.SetDocumentText(QStringLiteral("<r>\r\n<a/>\r\n<c/>\r\n</r>"));
    ASSERT_TRUE(doc.FindNext(QStringLiteral("r")));
    ASSERT_TRUE(doc.StepIn());
    ASSERT_TRUE(doc.AppendElement(QStringLiteral("d")));
    EXPECT_EQ(doc.DocumentText(), QStringLiteral("<r>\r\n<a/>\r\n<c/>\r\n<d/>\r\n</r>"));
    ExpectIndexMatchesReparse(doc);

    XmlDocument after;
    after.SetDocumentText(doc.DocumentText());
    ASSERT_TRUE(after.FindNext(QStringLiteral("r")));
    ASSERT_TRUE(after.StepIn());
    ASSERT_TRUE(after.FindNext(QStringLiteral("a")));
    ASSERT_TRUE(after.AppendElement(QStringLiteral("b")));
    EXPECT_EQ(after.DocumentText(), QStringLiteral("<r>\r\n<a/>\r\n<b/>\r\n<c/>\r\n<d/>\r\n</r>"));
    ExpectIndexMatchesReparse(after);
    QStringList names;
    ASSERT_TRUE(after.FindNext());
    names << after.GetTagName();
    ASSERT_TRUE(after.FindNext());
    names << after.GetTagName();
    EXPECT_EQ(names, (QStringList{"c", "d"})) << "the cursor goes on from the new element";
}

TEST(XmlEdit, AppendAtDocumentLevel)
{
    XmlDocument doc;
    doc.SetDocumentText(QStringLiteral("<?xml version=\"1.0\"?><r/>"));
    ASSERT_TRUE(doc.AppendElement(QStringLiteral("s")));
    EXPECT_EQ(doc.DocumentText(), QStringLiteral("<?xml version=\"1.0\"?><r/><s/>\r\n"));
    EXPECT_FALSE(doc.IsWellFormed()) << "a second top-level element";
    ExpectIndexMatchesReparse(doc);
}

TEST(XmlEdit, ElementText)
{
    struct Case
    {
        QString text;
        XmlDocument::TextMode mode;
        QString expected;
    };
    const Case cases[] = {
        {QStringLiteral("a<b>&c \"q\" 'p'"), XmlDocument::TextMode::Escaped,
         QStringLiteral("<r>\r\n<t>a&lt;b&gt;&amp;c \"q\" 'p'</t>\r\n</r>")},
        {QStringLiteral("x]]>y<&"), XmlDocument::TextMode::Cdata,
         QStringLiteral("<r>\r\n<t><![CDATA[x]]]]><![CDATA[>y<&]]></t>\r\n</r>")},
        {QString(), XmlDocument::TextMode::Cdata, QStringLiteral("<r>\r\n<t><![CDATA[]]></t>\r\n</r>")},
    };
    for (const Case& c : cases) {
        XmlDocument doc;
        doc.SetDocumentText(QStringLiteral("<r/>"));
        ASSERT_TRUE(doc.FindNext());
        ASSERT_TRUE(doc.StepIn());
        ASSERT_TRUE(doc.AppendElement(QStringLiteral("t"), c.text, c.mode));
        EXPECT_EQ(doc.DocumentText(), c.expected);
        ASSERT_TRUE(doc.SetAttribute(QStringLiteral("k"), QStringLiteral("v")));
        ExpectIndexMatchesReparse(doc);
    }
}

TEST(XmlEdit, SetAttributeReplacesAndShifts)
{
    XmlDocument doc;
    doc.SetDocumentText(QStringLiteral("<r><a x='1' y=2 z>t</a><b q=\"0\"/></r>"));
    ASSERT_TRUE(doc.FindNext());
    ASSERT_TRUE(doc.StepIn());
    ASSERT_TRUE(doc.FindNext(QStringLiteral("a")));
    ASSERT_TRUE(doc.SetAttribute(QStringLiteral("x"), QStringLiteral("long value")));
    ASSERT_TRUE(doc.SetAttribute(QStringLiteral("y"), QStringLiteral("\"")));
    ASSERT_TRUE(doc.SetAttribute(QStringLiteral("z"), QStringLiteral("")));
    ASSERT_TRUE(doc.SetAttribute(QStringLiteral("x"), QStringLiteral("")));
    EXPECT_EQ(doc.DocumentText(), QStringLiteral("<r><a x='' y=\"&quot;\" z=\"\">t</a><b q=\"0\"/></r>"));
    EXPECT_EQ(doc.GetAttribute(QStringLiteral("y")), QStringLiteral("\""));
    ASSERT_TRUE(doc.FindNext(QStringLiteral("b")));
    EXPECT_EQ(doc.GetAttribute(QStringLiteral("q")), QStringLiteral("0"));
    ASSERT_TRUE(doc.SetAttribute(QStringLiteral("q"), QStringLiteral("12345")));
    EXPECT_TRUE(doc.DocumentText().endsWith(QStringLiteral("<b q=\"12345\"/></r>")));
    ExpectIndexMatchesReparse(doc);
}

TEST(XmlEdit, RefusesUnwritableNames)
{
    XmlDocument doc;
    doc.SetDocumentText(QStringLiteral("<r/>"));
    ASSERT_TRUE(doc.FindNext());
    const QString before = doc.DocumentText();
    for (const char* bad : {"", "1a", "a b", "a>", "a/", "a=\"", "<", "-x"})
        EXPECT_FALSE(doc.AppendElement(QString::fromLatin1(bad))) << bad;
    for (const char* bad : {"", "a b", "a>", "a=", "q\"", "x'"})
        EXPECT_FALSE(doc.SetAttribute(QString::fromLatin1(bad), QStringLiteral("v"))) << bad;
    EXPECT_EQ(doc.DocumentText(), before);
    XmlDocument empty;
    EXPECT_FALSE(empty.SetAttribute(QStringLiteral("a"), QStringLiteral("b"))) << "no current element";
}

TEST(XmlEdit, AttributeRoundTripsEveryEscape)
{
    const QString values[] = {
        QStringLiteral("plain"), QStringLiteral("<>&\"'"), QStringLiteral("&amp;&lt;"),
        QStringLiteral("\u00e9\u4e2d\U0001F600"), QStringLiteral("  spaces  "), QStringLiteral("a\tb"),
    };
    for (const QString& v : values) {
        XmlDocument doc;
        doc.SetDocumentText(QStringLiteral("<r/>"));
        ASSERT_TRUE(doc.FindNext());
        ASSERT_TRUE(doc.SetAttribute(QStringLiteral("v"), v));
        EXPECT_EQ(doc.GetAttribute(QStringLiteral("v")), v);
        XmlDocument reread;
        ASSERT_TRUE(reread.SetDocumentText(doc.DocumentText()));
        ASSERT_TRUE(reread.FindNext());
        EXPECT_EQ(reread.GetAttribute(QStringLiteral("v")), v);
    }
}

TEST(XmlEdit, UnendedParentGetsEndTag)
{
    XmlDocument doc;
    EXPECT_FALSE(doc.SetDocumentText(QStringLiteral("<r><p><q/></r>")));
    ASSERT_TRUE(doc.FindNext());
    ASSERT_TRUE(doc.StepIn());
    ASSERT_TRUE(doc.FindNext(QStringLiteral("p")));
    ASSERT_TRUE(doc.StepIn());
    ASSERT_TRUE(doc.AppendElement(QStringLiteral("n")));
    EXPECT_EQ(doc.DocumentText(), QStringLiteral("<r><p>\r\n<n/>\r\n</p><q/></r>"));
    ExpectIndexMatchesReparse(doc);
}

} // namespace
