#include "xml/XmlDocument.h"
#include "xml/XmlElementIndex.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <vector>

namespace {

struct ParseCase
{
    const char* name;
    const char* text;
    bool wellFormed;
    const char* events; // substrings the result text must hold, "|" separated
};

class ParseTable : public testing::TestWithParam<ParseCase>
{
};

TEST_P(ParseTable, WellFormednessAndEvents)
{
    const ParseCase& c = GetParam();
    XmlDocument doc;
    EXPECT_EQ(doc.SetDocumentText(QString::fromUtf8(c.text)), c.wellFormed) << doc.ResultText().toStdString();
    const QStringList events = QString::fromUtf8(c.events).split(u'|', Qt::SkipEmptyParts);
    for (const QString& e : events) {
        EXPECT_TRUE(doc.ResultText().contains(e)) << e.toStdString() << " in " << doc.ResultText().toStdString();
    }
    if (events.isEmpty()) {
        EXPECT_TRUE(doc.ResultText().isEmpty()) << doc.ResultText().toStdString();
    }
}

const ParseCase kParseCases[] = {
    {"Plain", "<a><b x='1'/><c>t</c></a>", true, ""},
    {"Declaration", "<?xml version=\"1.0\"?>\r\n<a/>\r\n", true, ""},
    {"EveryNodeKind",
     "<?xml version=\"1.0\"?><!DOCTYPE a [<!ELEMENT a ANY>]><!-- c < > --><a><![CDATA[<x>]]><?pi <b>?>t</a>", true, ""},
    {"QuotedGreaterThan", "<a v=\"x>y\" w='>'><b/></a>", true, ""},
    {"UnendedChild", "<a><b></a>", false, "<unended_start_tag tagname=\"b\" offset=\"3\"/>"},
    {"LoneEndTagOnly", "</x>", false, "<lone_end_tag tagname=\"x\" offset=\"0\"/>|<no_root_element/>"},
    {"RootSibling", "<a/><b/>", false, "<root_has_sibling tagname=\"b\" offset=\"4\"/>"},
    {"Empty", "", false, "<no_root_element/>"},
    {"TextOnly", "hello", false, "<no_root_element/>"},
    {"FirstTagSyntax", "<a>< b</a>", false, "<first_tag_syntax offset=\"3\"/>"},
    {"UnterminatedStartTag", "<a><b x='>", false, "type=\"start_tag\" offset=\"3\""},
    {"UnterminatedEndTag", "<a></a", false, "type=\"end_tag\" offset=\"3\""},
    {"UnterminatedComment", "<a/><!-- x", false, "type=\"comment\" offset=\"4\""},
    {"UnterminatedCdata", "<a><![CDATA[x", false, "type=\"cdata_section\" offset=\"3\""},
    {"UnterminatedPi", "<a/><?pi", false, "type=\"processing_instruction\" offset=\"4\""},
    {"UnterminatedDoctype", "<!DOCTYPE a [ <!ELEMENT a ANY> ", false, "type=\"document_type\" offset=\"0\""},
    {"CutCommentStart", "<a/><!-", false, "type=\"comment\" offset=\"4\""},
    {"LoneLessThan", "<a/><", false, "type=\"tag\" offset=\"4\""},
    {"CommentSyntax", "<a><!-x--></a>", false, "<comment_tag_syntax offset=\"3\"/>"},
    {"CdataSyntax", "<a><![CDATX[x]]></a>", false, "<cdata_section_syntax offset=\"3\"/>"},
    {"DoctypeSyntax", "<!DOCTYPX a><a/>", false, "<doctype_tag_syntax offset=\"0\"/>"},
    {"ExclamationSyntax", "<a><!x></a>", false, "<exclamation_tag_syntax offset=\"3\"/>"},
    {"UnclosedAtEnd", "<a><b>", false, "<unended_start_tag tagname=\"a\" offset=\"0\"/>"},
    {"EmptyAfterQuote", "<a x=\"1\"/>", true, ""},
    {"SlashInUnquotedValueIsNotEmpty", "<a x=1/>", false, "unended_start_tag"},
    {"MismatchedNesting", "<a><b><c></b></a>", false, "<unended_start_tag tagname=\"c\" offset=\"6\"/>"},
};

INSTANTIATE_TEST_SUITE_P(Xml, ParseTable, testing::ValuesIn(kParseCases),
                         [](const testing::TestParamInfo<ParseCase>& param) { return std::string(param.param.name); });

TEST(XmlDocument, FreshDocumentIsEmpty)
{
    XmlDocument doc;
    EXPECT_TRUE(doc.DocumentText().isEmpty());
    EXPECT_TRUE(doc.ResultText().isEmpty());
    EXPECT_EQ(doc.Flags(), 0u);
    EXPECT_EQ(doc.Index().FreeIndex(), 1u);
    EXPECT_FALSE(doc.FindNext());
    EXPECT_FALSE(doc.StepIn());
    EXPECT_FALSE(doc.StepOut());
    EXPECT_TRUE(doc.GetAttribute(QStringLiteral("x")).isEmpty());
}

TEST(XmlDocument, CursorWalksLevels)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText(QStringLiteral("<r><m id='1'/><k/><m id='2'><i v='a'/></m></r>")));
    ASSERT_TRUE(doc.FindNext(QStringLiteral("r")));
    ASSERT_TRUE(doc.StepIn());
    ASSERT_TRUE(doc.FindNext(QStringLiteral("m")));
    EXPECT_EQ(doc.GetAttribute(QStringLiteral("id")), QStringLiteral("1"));
    ASSERT_TRUE(doc.FindNext(QStringLiteral("m")));
    EXPECT_EQ(doc.GetAttribute(QStringLiteral("id")), QStringLiteral("2"));
    const uint32_t second = doc.CurrentIndex();
    EXPECT_FALSE(doc.FindNext(QStringLiteral("m")));
    EXPECT_EQ(doc.CurrentIndex(), second) << "a failed search leaves the cursor";
    ASSERT_TRUE(doc.StepIn());
    ASSERT_TRUE(doc.FindNext(QString()));
    EXPECT_EQ(doc.GetTagName(), QStringLiteral("i"));
    EXPECT_EQ(doc.GetAttribute(QStringLiteral("v")), QStringLiteral("a"));
    ASSERT_TRUE(doc.StepOut());
    EXPECT_EQ(doc.CurrentIndex(), second);
    EXPECT_NE(doc.ChildIndex(), 0u);
    // Stepping in again resumes at the remembered child.
    ASSERT_TRUE(doc.StepIn());
    EXPECT_EQ(doc.GetTagName(), QStringLiteral("i"));
    ASSERT_TRUE(doc.StepOut());
    ASSERT_TRUE(doc.StepOut());
    EXPECT_EQ(doc.GetTagName(), QStringLiteral("r"));
    EXPECT_FALSE(doc.StepOut());
    EXPECT_FALSE(doc.FindNext(QStringLiteral("R"))) << "names compare with case";
}

TEST(XmlDocument, IgnoreCaseFlag)
{
    XmlDocument doc;
    doc.SetFlags(XmlDocument::kIgnoreCase);
    ASSERT_TRUE(doc.SetDocumentText(QStringLiteral("<Root Attr='v'/>")));
    ASSERT_TRUE(doc.FindNext(QStringLiteral("rOOT")));
    EXPECT_EQ(doc.GetAttribute(QStringLiteral("attr")), QStringLiteral("v"));
}

TEST(XmlDocument, ModeFlagsRefuseChanges)
{
    for (uint32_t mode : {uint32_t(XmlDocument::kReadingMode), uint32_t(XmlDocument::kWritingMode)}) {
        XmlDocument doc;
        doc.SetFlags(mode);
        EXPECT_FALSE(doc.SetDocumentText(QStringLiteral("<a/>")));
        EXPECT_TRUE(doc.DocumentText().isEmpty());
        EXPECT_FALSE(doc.LoadFile(QStringLiteral(TARVO_SOURCE_DIR "/fuzz/xml/corpus/config.xml")));
    }
}

TEST(XmlDocument, IndexRecordsOfAParse)
{
    XmlDocument doc;
    const QString text = QStringLiteral("<a><b/><c>x</c ></a>");
    ASSERT_TRUE(doc.SetDocumentText(text));
    const XmlElementIndex& index = doc.Index();
    ASSERT_EQ(index.FreeIndex(), 4u);
    EXPECT_EQ(index[0].firstChild, 1u);
    EXPECT_EQ(index[0].length, uint32_t(text.size()));
    const XmlElementRecord& a = index[1];
    EXPECT_EQ(a.start, 0u);
    EXPECT_EQ(a.length, uint32_t(text.size()));
    EXPECT_EQ(XmlElementIndex::StartTagField(a), 3u);
    EXPECT_EQ(XmlElementIndex::EndTagField(a), 4u);
    EXPECT_EQ(a.levelFlags, XmlElementIndex::kFirstChild | 0u);
    const XmlElementRecord& b = index[2];
    EXPECT_EQ(b.levelFlags, XmlElementIndex::kFirstChild | XmlElementIndex::kNoEndTag | 1u);
    EXPECT_EQ(b.length, 4u);
    EXPECT_EQ(b.prev, 3u) << "a first child's back link is the last child";
    EXPECT_EQ(b.next, 3u);
    const XmlElementRecord& c = index[3];
    EXPECT_EQ(c.start, 7u);
    EXPECT_EQ(XmlElementIndex::EndTagField(c), 5u);
    EXPECT_EQ(c.prev, 2u);
    EXPECT_EQ(c.parent, 1u);
    EXPECT_EQ(c.next, 0u);
}

TEST(XmlDocument, UnendedElementHandsChildrenUp)
{
    XmlDocument doc;
    EXPECT_FALSE(doc.SetDocumentText(QStringLiteral("<a><b><c/><d/></a>")));
    ASSERT_TRUE(doc.FindNext(QStringLiteral("a")));
    ASSERT_TRUE(doc.StepIn());
    QStringList names;
    while (doc.FindNext())
        names << doc.GetTagName();
    EXPECT_EQ(names, (QStringList{"b", "c", "d"}));
    const XmlElementRecord& b = doc.Index()[2];
    EXPECT_TRUE(b.levelFlags & XmlElementIndex::kNoEndTag);
    EXPECT_EQ(b.length, 3u);
    EXPECT_EQ(b.firstChild, 0u);
    EXPECT_EQ(doc.Index()[3].parent, 1u);
    EXPECT_FALSE(doc.Index()[3].levelFlags & XmlElementIndex::kFirstChild);
}

TEST(XmlDocument, LoneEndTagIsIgnored)
{
    XmlDocument doc;
    EXPECT_FALSE(doc.SetDocumentText(QStringLiteral("<a><b/></x><c/></a>")));
    ASSERT_TRUE(doc.FindNext(QStringLiteral("a")));
    EXPECT_EQ(doc.Index()[1].length, 19u) << "a still ends at its own end tag";
    ASSERT_TRUE(doc.StepIn());
    ASSERT_TRUE(doc.FindNext(QStringLiteral("c")));
}

TEST(XmlDocument, ResultTextStopsGrowing)
{
    XmlDocument doc;
    QString text = QStringLiteral("<a>");
    for (int i = 0; i < 2000; ++i)
        text += QStringLiteral("</x>");
    doc.SetDocumentText(text);
    EXPECT_GT(doc.ResultText().size(), 900);
    EXPECT_LT(doc.ResultText().size(), 999 + 120);

    // One event with a huge escaped name stays bounded too.
    doc.SetDocumentText(QStringLiteral("</") + QString(5000, u'\'') + QStringLiteral(">"));
    EXPECT_TRUE(doc.ResultText().startsWith(QStringLiteral("<lone_end_tag tagname=\"&apos;&apos;")));
    EXPECT_LT(doc.ResultText().size(), 700);
}

TEST(XmlDocument, NullTextReleasesIndex)
{
    XmlDocument doc;
    QString big;
    for (int i = 0; i < 100000; ++i)
        big += QStringLiteral("<e/>");
    doc.SetDocumentText(QStringLiteral("<r>") + big + QStringLiteral("</r>"));
    EXPECT_GT(doc.Index().BlockCount(), 1u);
    EXPECT_FALSE(doc.SetDocumentText(QString()));
    EXPECT_EQ(doc.Index().BlockCount(), 1u);
    EXPECT_EQ(doc.Index().FreeIndex(), 1u);
    EXPECT_TRUE(doc.DocumentText().isEmpty());
}

TEST(XmlDocument, IndexGrowsByHalfWithoutMovingRecords)
{
    XmlDocument doc;
    // 20 characters give room for 8 records; 300 elements need growth.
    QString text = QStringLiteral("<r>");
    for (int i = 0; i < 300; ++i)
        text += QStringLiteral("<e/>");
    text += QStringLiteral("</r>");
    ASSERT_TRUE(doc.SetDocumentText(text));
    EXPECT_EQ(doc.Index().FreeIndex(), 302u);
    // 1,207 characters reserve 1207 / 64 + 8 = 26 records, then
    // 39, 58, 87, 130, 195, 292, 438.
    EXPECT_EQ(doc.Index().Capacity(), 438u);
    ASSERT_TRUE(doc.FindNext());
    ASSERT_TRUE(doc.StepIn());
    int n = 0;
    while (doc.FindNext(QStringLiteral("e")))
        ++n;
    EXPECT_EQ(n, 300);
}

TEST(XmlDocument, IndexBlocksNeitherOverlapNorMove)
{
    // Every block boundary up to three full blocks past the small ones: each
    // record keeps its address and its own values however far the index grows.
    XmlElementIndex index;
    index.Reset(0);
    constexpr uint32_t kCount = 3 * XmlElementIndex::kBlockSize + 100;
    std::vector<const XmlElementRecord*> addresses{&index[0]};
    for (uint32_t i = 1; i <= kCount; ++i) {
        ASSERT_EQ(index.Allocate(), i);
        index[i].start = i;
        index[i].next = ~i;
        addresses.push_back(&index[i]);
    }
    for (uint32_t i = 1; i <= kCount; ++i) {
        ASSERT_EQ(&index[i], addresses[i]) << i;
        ASSERT_EQ(index[i].start, i) << i;
        ASSERT_EQ(index[i].next, ~i) << i;
    }
    // A small document takes one small block; emptying keeps only that one.
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText(QStringLiteral("<r><a/><b/></r>")));
    EXPECT_EQ(doc.Index().BlockCount(), 1u);
    index.Release();
    EXPECT_EQ(index.BlockCount(), 1u);
    EXPECT_EQ(index.Allocate(), 1u);
    EXPECT_EQ(&index[1], addresses[1]);
}

TEST(XmlDocument, AppendingNeverMovesRecords)
{
    // 65,535 records fill the blocks below index 65,536 exactly (record 0 is
    // the document).
    QString text = QStringLiteral("<r>");
    for (int i = 0; i < 65534; ++i)
        text += QStringLiteral("<e/>");
    text += QStringLiteral("</r>");
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText(text));
    ASSERT_EQ(doc.Index().FreeIndex(), 65536u);
    const XmlElementRecord* root = &doc.Index()[1];
    const XmlElementRecord* last = &doc.Index()[65535];
    const size_t blocks = doc.Index().BlockCount();
    ASSERT_TRUE(doc.FindNext());
    ASSERT_TRUE(doc.StepIn());
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(doc.AppendElement(QStringLiteral("n")));
    EXPECT_EQ(doc.Index().FreeIndex(), 65546u);
    EXPECT_GE(doc.Index().BlockCount(), 2u);
    EXPECT_GE(doc.Index().BlockCount(), blocks);
    EXPECT_EQ(&doc.Index()[1], root);
    EXPECT_EQ(&doc.Index()[65535], last);
    EXPECT_EQ(root->length, uint32_t(doc.DocumentText().size()));
    EXPECT_EQ(last->next, 65536u) << "the first appended element follows the last parsed one";
    EXPECT_TRUE(doc.IsWellFormed());
}

// Hostile shapes must load in one linear pass; ctest's timeout catches a hang
// or a quadratic walk (each of these is ~1 MB).
TEST(XmlDocument, HostileInputLoads)
{
    XmlDocument doc;
    const int depth = 200000;
    QString deep;
    deep.reserve(depth * 7);
    for (int i = 0; i < depth; ++i)
        deep += QStringLiteral("<a>");
    for (int i = 0; i < depth; ++i)
        deep += QStringLiteral("</a>");
    EXPECT_TRUE(doc.SetDocumentText(deep));
    EXPECT_EQ(doc.Index().FreeIndex(), uint32_t(depth + 1));

    QString unclosed;
    for (int i = 0; i < depth; ++i)
        unclosed += QStringLiteral("<a>");
    EXPECT_FALSE(doc.SetDocumentText(unclosed));
    QString lone = unclosed;
    for (int i = 0; i < depth; ++i)
        lone += QStringLiteral("</b>");
    EXPECT_FALSE(doc.SetDocumentText(lone));
    QString mismatched;
    for (int i = 0; i < depth; ++i)
        mismatched += QStringLiteral("<b><a>");
    for (int i = 0; i < depth; ++i)
        mismatched += QStringLiteral("</b>");
    EXPECT_FALSE(doc.SetDocumentText(mismatched));

    EXPECT_FALSE(doc.SetDocumentText(QString(1 << 20, u'<')));
    EXPECT_FALSE(doc.SetDocumentText(QStringLiteral("<a x='") + QString(1 << 20, u'>')));
    EXPECT_TRUE(doc.SetDocumentText(QStringLiteral("<a x='") + QString(1 << 20, u'x') + QStringLiteral("'/>")));
    ASSERT_TRUE(doc.FindNext());
    EXPECT_EQ(doc.GetAttribute(QStringLiteral("x")).size(), 1 << 20);
    EXPECT_FALSE(doc.SetDocumentText(QString(1 << 19, u'<') + QString(1 << 19, u'!')));
    QString comments;
    for (int i = 0; i < 100000; ++i)
        comments += QStringLiteral("<!-<?");
    EXPECT_FALSE(doc.SetDocumentText(comments));
}

TEST(XmlDocument, HugeStartTagLengthIsMeasuredAgain)
{
    // Longer than the 22-bit start-tag field.
    const QString value(5 << 20, u'v');
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText(QStringLiteral("<r><a x='") + value + QStringLiteral("' y='2'>t</a><b/></r>")));
    ASSERT_TRUE(doc.FindNext());
    ASSERT_TRUE(doc.StepIn());
    ASSERT_TRUE(doc.FindNext(QStringLiteral("a")));
    EXPECT_EQ(doc.GetAttribute(QStringLiteral("y")), QStringLiteral("2"));
    ASSERT_TRUE(doc.SetAttribute(QStringLiteral("z"), QStringLiteral("3")));
    EXPECT_TRUE(doc.DocumentText().endsWith(QStringLiteral("' y='2' z=\"3\">t</a><b/></r>")));
    ASSERT_TRUE(doc.FindNext(QStringLiteral("b")));
    EXPECT_EQ(doc.Index()[doc.CurrentIndex()].start, uint32_t(doc.DocumentText().size() - 8));
}

} // namespace
