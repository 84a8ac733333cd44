#include "xml/XmlEscaping.h"
#include "xml/XmlCharsets.h"
#include "xml/XmlFileCodec.h"

#include <gtest/gtest.h>

#include <QString>

namespace {

TEST(XmlEscaping, Unescape)
{
    struct Case
    {
        const char16_t* in;
        const char16_t* out;
    };
    const Case cases[] = {
        {u"a&lt;b&gt;c&amp;d&quot;e&apos;f", u"a<b>c&d\"e'f"},
        {u"&#65;&#x42;&#x63;", u"ABc"},
        {u"&#128512;", u"\U0001F600"},
        {u"&#x1F600;", u"\U0001F600"},
        {u"&#x10FFFF;", u"\U0010FFFF"},
        {u"&#x110000;", u"&#x110000;"},
        {u"&#0;", u"&#0;"},
        {u"&#xD800;", u"&#xD800;"},
        {u"&#;", u"&#;"},
        {u"&#x;", u"&#x;"},
        {u"&#X41;", u"&#X41;"},
        {u"&#99999999999999999999;", u"&#99999999999999999999;"},
        {u"&nbsp;&euro;&thetasym;&Omega;&hearts;", u"\u00a0\u20ac\u03d1\u03a9\u2665"},
        {u"&AMP;&Amp;", u"&AMP;&Amp;"},
        {u"&unknown;", u"&unknown;"},
        {u"&toolongname;", u"&toolongname;"},
        {u"& lt;", u"& lt;"},
        {u"&lt", u"&lt"},
        {u"&&amp;", u"&&"},
        {u"&", u"&"},
        {u"&\u00e9;", u"&\u00e9;"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(XmlEscaping::Unescape(QString::fromUtf16(c.in)), QString::fromUtf16(c.out))
            << QString::fromUtf16(c.in).toStdString();
}

TEST(XmlEscaping, NamedReferenceTable)
{
    EXPECT_EQ(XmlEscaping::NamedReferenceCount(), 253);
    const std::pair<const char16_t*, char32_t> samples[] = {
        {u"quot", 0x22}, {u"apos", 0x27}, {u"nbsp", 0xA0}, {u"yuml", 0xFF}, {u"Yuml", 0x178},
        {u"OElig", 0x152}, {u"fnof", 0x192}, {u"alefsym", 0x2135}, {u"diams", 0x2666},
        {u"lang", 0x2329}, {u"rang", 0x232A}, {u"sigmaf", 0x3C2}, {u"zwnj", 0x200C}, {u"there4", 0x2234},
    };
    for (const auto& [name, cp] : samples)
        EXPECT_EQ(XmlEscaping::NamedReference(QString::fromUtf16(name)), cp) << QString::fromUtf16(name).toStdString();
    EXPECT_EQ(XmlEscaping::NamedReference(u"Nbsp"), 0u);
    EXPECT_EQ(XmlEscaping::NamedReference(u""), 0u);
}

TEST(XmlEscaping, EscapeRoundTrip)
{
    const QString text = QStringLiteral("<a href=\"x\">&amp; 'y'</a> \u4e2d\U0001F600");
    EXPECT_EQ(XmlEscaping::EscapeAttribute(text),
              QStringLiteral("&lt;a href=&quot;x&quot;&gt;&amp;amp; &apos;y&apos;&lt;/a&gt; \u4e2d\U0001F600"));
    EXPECT_EQ(XmlEscaping::EscapeText(text),
              QStringLiteral("&lt;a href=\"x\"&gt;&amp;amp; 'y'&lt;/a&gt; \u4e2d\U0001F600"));
    EXPECT_EQ(XmlEscaping::Unescape(XmlEscaping::EscapeAttribute(text)), text);
    EXPECT_EQ(XmlEscaping::Unescape(XmlEscaping::EscapeText(text)), text);
}

TEST(XmlCharsets, NamesOntoCodePages)
{
    EXPECT_GE(XmlCharsets::NameCount(), 365);
    const std::pair<const char*, int> names[] = {
        {"utf-8", 65001}, {"UTF-8", 65001}, {"utf-16", 1200}, {"utf-16le", 1200}, {"unicode", 1200},
        {"utf-16be", 1201}, {"gb2312", 936}, {"GBK", 936}, {"big5", 950}, {"shift_jis", 932},
        {"ks_c_5601-1987", 949}, {"ksc_5601", 949}, {"iso-8859-1", 28591}, {"latin1", 28591},
        {"windows-1252", 1252}, {"us-ascii", 20127}, {"koi8-r", 20866}, {"utf-7", 65000},
        {"iso-8859-2", 28592}, {"ISO-8859-15", 28605}, {"windows-1251", 1251}, {"euc-jp", 51932},
        {"euc-kr", 51949}, {"iso-2022-jp", 50220}, {"gb18030", 54936}, {"UTF-32", 65005},
        {"utf-32be", 65005}, {" utf-8 ", 65001}, {"no-such-set", -1}, {"", -1}, {"utf-8\u00e9", -1},
    };
    for (const auto& [name, cp] : names)
        EXPECT_EQ(XmlCharsets::CodePageFromName(QString::fromUtf8(name)), cp) << name;
    EXPECT_EQ(XmlCharsets::CodePageFromName(QString(100, u'a')), -1);
}

TEST(XmlCharsets, EveryMappedCodePageConverts)
{
    const QString sample = QStringLiteral("AZ09");
    size_t mapped = 0;
    for (int cp : XmlCharsets::CodePages()) {
        if (!XmlCharsets::IconvName(cp) || cp == XmlCharsets::kUtf16Le || cp == XmlCharsets::kUtf16Be)
            continue;
        ++mapped;
        qsizetype substitutions = -1;
        const QByteArray bytes = XmlFileCodec::EncodeCodePage(cp, sample, substitutions);
        EXPECT_EQ(substitutions, 0) << cp;
        EXPECT_EQ(XmlFileCodec::DecodeCodePage(cp, bytes), sample) << cp;
    }
    EXPECT_GE(XmlCharsets::CodePages().size(), 110u);
    EXPECT_GE(mapped, 100u);
}

} // namespace
