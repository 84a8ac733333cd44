#include "xml/XmlDocument.h"
#include "xml/XmlFileCodec.h"
#include "xml/XmlResultText.h"

#include "support/OddFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

namespace {

class XmlFile : public testing::Test
{
protected:
    QString Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    static QByteArray Read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir m_dir;
};

TEST_F(XmlFile, Utf8MarkIsNotPartOfText)
{
    const QString path = Write("bom.xml", "\xEF\xBB\xBF<a v=\"\xC3\xA9\"/>");
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(path));
    EXPECT_EQ(doc.DocumentText(), QStringLiteral("<a v=\"\u00e9\"/>"));
    EXPECT_EQ(doc.Flags(), uint32_t(XmlDocument::kUtf8Bom));
    EXPECT_TRUE(doc.ResultText().startsWith(QStringLiteral("<bom encoding=\"UTF-8\"/><read encoding=\"UTF-8\" length=\"11\"/>")))
        << doc.ResultText().toStdString();
    // Saving keeps the mark.
    ASSERT_TRUE(doc.SaveFile(path));
    EXPECT_EQ(Read(path), QByteArray("\xEF\xBB\xBF<a v=\"\xC3\xA9\"/>"));
}

TEST_F(XmlFile, DeclaredGb2312)
{
    // "中文" in GB2312 is D6 D0 CE C4.
    const QString path = Write("gb.xml", "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<a n=\"\xD6\xD0\xCE\xC4\"/>");
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(path)) << doc.ResultText().toStdString();
    ASSERT_TRUE(doc.FindNext(QStringLiteral("a")));
    EXPECT_EQ(doc.GetAttribute(QStringLiteral("n")), QStringLiteral("\u4e2d\u6587"));
    EXPECT_TRUE(doc.ResultText().contains(QStringLiteral("<read encoding=\"gb2312\"")));
    // Written back in the declared encoding, without a mark.
    ASSERT_TRUE(doc.SaveFile(path));
    EXPECT_EQ(Read(path), QByteArray("<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<a n=\"\xD6\xD0\xCE\xC4\"/>"));
}

TEST_F(XmlFile, Utf16BigEndianWithMark)
{
    QByteArray bytes("\xFE\xFF", 2);
    for (char c : QByteArray("<a v=\"x\"/>")) {
        bytes += '\0';
        bytes += c;
    }
    bytes += "\x4E\x2D"; // U+4E2D after the element
    const QString path = Write("be.xml", bytes);
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(path)) << doc.ResultText().toStdString();
    EXPECT_EQ(doc.DocumentText(), QStringLiteral("<a v=\"x\"/>\u4e2d"));
    EXPECT_EQ(doc.Flags(), uint32_t(XmlDocument::kUtf16BeBom));
    EXPECT_TRUE(doc.ResultText().contains(QStringLiteral("<endian_swap")));
    ASSERT_TRUE(doc.SaveFile(path));
    EXPECT_EQ(Read(path), bytes);
}

TEST_F(XmlFile, Utf16LittleEndianDropsZeroUnits)
{
    QByteArray bytes("\xFF\xFE", 2);
    for (char c : QByteArray("<a/>")) {
        bytes += c;
        bytes += '\0';
    }
    bytes += QByteArray(4, '\0');
    const QString path = Write("le.xml", bytes);
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(path));
    EXPECT_EQ(doc.DocumentText(), QStringLiteral("<a/>"));
    EXPECT_TRUE(doc.ResultText().contains(QStringLiteral("<nulls_removed count=\"2\"/>")));
}

TEST_F(XmlFile, NoMarkNoDeclarationIsUtf8)
{
    const QString path = Write("plain.xml", "<a v=\"\xE4\xB8\xAD\"/>");
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(path));
    ASSERT_TRUE(doc.FindNext());
    EXPECT_EQ(doc.GetAttribute(QStringLiteral("v")), QStringLiteral("\u4e2d"));
    EXPECT_EQ(doc.Flags(), 0u);
    ASSERT_TRUE(doc.SaveFile(path));
    EXPECT_EQ(Read(path), QByteArray("<a v=\"\xE4\xB8\xAD\"/>"));
}

TEST_F(XmlFile, HtmlMetaCharset)
{
    const QString path = Write("page.html",
                               "<!DOCTYPE html>\n<html><head><title>t</title>\n"
                               "<META HTTP-EQUIV=\"content-type\" CONTENT=\"text/html; charset=windows-1251\">\n"
                               "</head><body><p>\xCF\xF0\xE8\xE2\xE5\xF2</p></body></html>");
    XmlDocument doc;
    doc.LoadFile(path);
    EXPECT_TRUE(doc.DocumentText().contains(QStringLiteral("<p>\u041f\u0440\u0438\u0432\u0435\u0442</p>")))
        << doc.ResultText().toStdString();
    EXPECT_TRUE(doc.ResultText().contains(QStringLiteral("encoding=\"windows-1251\"")));
}

TEST_F(XmlFile, Latin1WithoutDeclarationFallsBackToAnsi)
{
    // Not valid UTF-8 and not starting with "<": detection fails, the ANSI page reads it.
    const QString path = Write("latin1.xml", " <a v=\"caf\xE9 \x80\"/>");
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(path));
    ASSERT_TRUE(doc.FindNext());
    EXPECT_EQ(doc.GetAttribute(QStringLiteral("v")), QStringLiteral("caf\u00e9 \u20ac"));
    EXPECT_TRUE(doc.ResultText().contains(QStringLiteral("<utf8_detection encoding=\"\"/>")));
}

TEST_F(XmlFile, DeclaredLatin1)
{
    const QString path = Write("l1.xml", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a v=\"\xE9\xFF\"/>");
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(path));
    ASSERT_TRUE(doc.FindNext());
    EXPECT_EQ(doc.GetAttribute(QStringLiteral("v")), QStringLiteral("\u00e9\u00ff"));
    // A character Latin-1 cannot hold is replaced and the loss recorded.
    ASSERT_TRUE(doc.SetAttribute(QStringLiteral("v"), QStringLiteral("\u00e9\u4e2d")));
    ASSERT_TRUE(doc.SaveFile(path));
    EXPECT_EQ(Read(path), QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a v=\"\xE9?\"/>"));
    EXPECT_TRUE(doc.ResultText().contains(QStringLiteral("<conversion_loss encoding=\"ISO-8859-1\" count=\"1\"/>")))
        << doc.ResultText().toStdString();
}

TEST_F(XmlFile, UndetectedValidUtf8AndZeroBytes)
{
    const QString path = Write("z.xml", QByteArray(" <a>\xC3\xA9\0</a>", 11));
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(path));
    EXPECT_EQ(doc.DocumentText(), QStringLiteral(" <a>\u00e9</a>"));
    EXPECT_TRUE(doc.ResultText().contains(QStringLiteral("<nulls_removed count=\"1\"/>")));
    EXPECT_TRUE(doc.ResultText().contains(QStringLiteral("<utf8_detection encoding=\"UTF-8\"/>")));
}

// An empty file reads as an empty document, not well formed, and its bytes
// (which may have no storage at all) are never scanned.
TEST_F(XmlFile, EmptyFile)
{
    XmlDocument doc;
    EXPECT_FALSE(doc.LoadFile(Write("empty.xml", QByteArray())));
    EXPECT_TRUE(doc.DocumentText().isEmpty());
    uint32_t flags = 0;
    XmlResultText log;
    EXPECT_TRUE(XmlFileCodec::Decode(QByteArrayView(), flags, log).isEmpty());
}

TEST_F(XmlFile, MissingFile)
{
    XmlDocument doc;
    doc.SetDocumentText(QStringLiteral("<old/>"));
    EXPECT_FALSE(doc.LoadFile(m_dir.filePath("none.xml")));
    EXPECT_TRUE(doc.DocumentText().isEmpty());
    EXPECT_TRUE(doc.ResultText().startsWith(QStringLiteral("<file_error msg=\""))) << doc.ResultText().toStdString();
    EXPECT_FALSE(doc.FindNext());
    EXPECT_FALSE(doc.LoadFile(m_dir.path())) << "a folder is no file";
    EXPECT_TRUE(doc.ResultText().startsWith(QStringLiteral("<file_error msg=\""))) << doc.ResultText().toStdString();
    EXPECT_FALSE(doc.SaveFile(m_dir.path()));
}

// What sits at a data file's path is not trusted: a FIFO is never waited on,
// a device or a huge file is never read whole. Each counts as missing.
TEST_F(XmlFile, OnlyRegularFilesUnderTheCapAreRead)
{
    const QString fifo = m_dir.filePath("fifo.xml");
    ASSERT_TRUE(OddFiles::MakeFifo(fifo));
    const QString zero = m_dir.filePath("zero.xml");
    ASSERT_TRUE(OddFiles::MakeLink(QStringLiteral("/dev/zero"), zero));
    const QString random = m_dir.filePath("random.xml");
    ASSERT_TRUE(OddFiles::MakeLink(QStringLiteral("/dev/urandom"), random));
    const QString huge = m_dir.filePath("huge.xml");
    ASSERT_TRUE(OddFiles::MakeSparse(huge, 20 * 1024 * 1024));
    const QString linked = m_dir.filePath("linked.xml");
    ASSERT_TRUE(OddFiles::MakeLink(Write("real.xml", "<config/>"), linked));

    for (const QString& path : {fifo, zero, random, huge}) {
        XmlDocument doc;
        bool loaded = true;
        ASSERT_TRUE(OddFiles::ReturnsWithin([&] { loaded = doc.LoadFile(path); }, fifo)) << path.toStdString();
        EXPECT_FALSE(loaded) << path.toStdString();
        EXPECT_TRUE(doc.DocumentText().isEmpty()) << path.toStdString();
        EXPECT_TRUE(doc.ResultText().startsWith(QStringLiteral("<file_error msg=\""))) << doc.ResultText().toStdString();
    }
    XmlDocument doc;
    EXPECT_TRUE(doc.LoadFile(linked)) << "a link to a regular file is followed";
    EXPECT_TRUE(doc.FindNext(QStringLiteral("config")));
}

TEST_F(XmlFile, BytesInMemoryLoadLikeAFile)
{
    XmlDocument doc;
    EXPECT_TRUE(doc.LoadBytes(QByteArrayView("\xEF\xBB\xBF<a v=\"\xC3\xA9\"/>")));
    EXPECT_TRUE(doc.FindNext(QStringLiteral("a")));
    EXPECT_EQ(doc.GetAttribute(QStringLiteral("v")), QStringLiteral("\u00e9"));
    EXPECT_FALSE(doc.LoadBytes(QByteArrayView("<a><b></a>")));
}

TEST_F(XmlFile, IllFormedFileLoadsButFails)
{
    const QString path = Write("two.xml", "<a/><b/>");
    XmlDocument doc;
    EXPECT_FALSE(doc.LoadFile(path));
    EXPECT_TRUE(doc.FindNext(QStringLiteral("b")));
    EXPECT_TRUE(doc.ResultText().contains(QStringLiteral("root_has_sibling")));
}

TEST_F(XmlFile, SaveWritesExactBytesWithoutMark)
{
    XmlDocument doc;
    doc.SetDocumentText(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"));
    doc.AppendElement(QStringLiteral("macro"));
    doc.SetAttribute(QStringLiteral("name"), QStringLiteral("\u00e9"));
    const QString path = m_dir.filePath("out.xml");
    ASSERT_TRUE(doc.SaveFile(path));
    EXPECT_EQ(Read(path), QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<macro name=\"\xC3\xA9\"/>\r\n"));
    EXPECT_TRUE(doc.ResultText().contains(QStringLiteral("<write length=\"")));
}

TEST_F(XmlFile, SaveIntoMissingFolderFails)
{
    XmlDocument doc;
    doc.SetDocumentText(QStringLiteral("<a/>"));
    EXPECT_FALSE(doc.SaveFile(m_dir.filePath("no/such/dir/out.xml")));
    EXPECT_TRUE(doc.ResultText().contains(QStringLiteral("<file_error")));
}

// A write that fails half-way (here: the file-size limit, as a full disk
// would) must leave the previous file untouched and no temporary behind:
// a document larger than the file's buffer, and a small one whose bytes only
// reach the disk when the buffer is flushed.
TEST_F(XmlFile, FailedWriteKeepsOldFile)
{
    for (const auto& [length, limit] : {std::pair{200000, 4096}, std::pair{3000, 64}}) {
        const QString path = Write("keep.xml", "<old/>");
        XmlDocument doc;
        doc.SetDocumentText(QStringLiteral("<big v='") + QString(length, u'x') + QStringLiteral("'/>"));

        struct rlimit old {};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
        auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old;
        small.rlim_cur = rlim_t(limit);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool saved = doc.SaveFile(path);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previousHandler);

        EXPECT_FALSE(saved) << length;
        EXPECT_TRUE(doc.ResultText().contains(QStringLiteral("<file_error"))) << length;
        EXPECT_EQ(Read(path), QByteArray("<old/>")) << length;
        EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"keep.xml"}) << length;
        // Without the limit the same save succeeds.
        EXPECT_TRUE(doc.SaveFile(path));
        EXPECT_EQ(Read(path).size(), length + 11);
    }
}

TEST(XmlFileCodec, Utf32OwnConversion)
{
    qsizetype substitutions = 0;
    const QString text = QStringLiteral("a\U0001F600") + QChar(0xD800) + u'b';
    const QByteArray bytes = XmlFileCodec::EncodeCodePage(65005, text, substitutions);
    EXPECT_EQ(bytes, QByteArray("a\0\0\0\x00\xF6\x01\0?\0\0\0b\0\0\0", 16));
    EXPECT_EQ(XmlFileCodec::DecodeCodePage(65005, bytes), QStringLiteral("a\U0001F600?b"));
    EXPECT_EQ(XmlFileCodec::DecodeCodePage(65005, QByteArray("\xFF\xFF\xFF\x7F" "a\0", 6)), QStringLiteral("??"));
}

TEST(XmlFileCodec, DeclaredEncoding)
{
    const std::pair<const char*, const char*> cases[] = {
        {"<?xml version=\"1.0\" encoding=\"Big5\"?><a/>", "Big5"},
        {"<?xml version='1.0' encoding = 'koi8-r' ?>", "koi8-r"},
        {"<?xml version=\"1.0\"?><a encoding=\"x\"/>", ""},
        {" <?xml version=\"1.0\" encoding=\"Big5\"?>", ""},
        {"<html><head><meta http-equiv=\"Content-Type\" content=\"text/html;charset=gbk\"></head></html>", "gbk"},
        {"<html><head><meta http-equiv=\"refresh\" content=\"charset=gbk\"></head></html>", ""},
        {"<a><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\"></a>", ""},
        // A head cut short: nothing is closed, the meta element is still found.
        {"<!DOCTYPE html><HTML lang=en><Head><title>x</title><meta charset=x>"
         "<META http-equiv='content-type' content='text/html; CHARSET = \"big5\"'><body><p>",
         "big5"},
    };
    for (const auto& [head, expected] : cases)
        EXPECT_EQ(XmlFileCodec::DeclaredEncoding(QString::fromUtf8(head)), QString::fromUtf8(expected)) << head;
}

TEST(XmlFileCodec, Utf8Validity)
{
    const std::pair<QByteArray, bool> cases[] = {
        {"abc", true}, {"\xC3\xA9", true}, {"\xE4\xB8\xAD", true}, {"\xF0\x9F\x98\x80", true},
        {"\xC3", false}, {"\xE4\xB8", false}, {"\x80", false}, {"\xF8\x88\x80\x80\x80", false},
        {"\xC3\x41", false}, {"", true},
    };
    for (const auto& [bytes, valid] : cases)
        EXPECT_EQ(XmlFileCodec::IsValidUtf8(bytes), valid) << bytes.toHex().toStdString();
}

TEST(XmlFileCodec, StatefulAndMultiByteRoundTrip)
{
    const std::pair<int, QString> cases[] = {
        {50220, QStringLiteral("<a v=\"\u65e5\u672c\u8a9e\"/>")},
        {932, QStringLiteral("<a v=\"\u65e5\u672c\u8a9e\uff71\"/>")},
        {949, QStringLiteral("<a v=\"\ud55c\uad6d\"/>")},
        {950, QStringLiteral("<a v=\"\u4e2d\u6587\"/>")},
        {54936, QStringLiteral("<a v=\"\U0001F600\"/>")},
        {65000, QStringLiteral("<a v=\"\u00e9+\"/>")},
        {1252, QStringLiteral("<a v=\"\u20ac\u0081\u00ff\"/>")},
    };
    for (const auto& [cp, text] : cases) {
        qsizetype substitutions = -1;
        const QByteArray bytes = XmlFileCodec::EncodeCodePage(cp, text, substitutions);
        EXPECT_EQ(substitutions, 0) << cp;
        EXPECT_EQ(XmlFileCodec::DecodeCodePage(cp, bytes), text) << cp;
    }
    // A character Shift-JIS cannot hold becomes "?".
    qsizetype substitutions = 0;
    EXPECT_EQ(XmlFileCodec::EncodeCodePage(932, QStringLiteral("a\u0e01b"), substitutions), QByteArray("a?b"));
    EXPECT_EQ(substitutions, 1);
    // An invalid byte in a multi-byte page becomes U+FFFD and reading goes on.
    EXPECT_EQ(XmlFileCodec::DecodeCodePage(51932, QByteArray("a\xFF" "b")), QStringLiteral("a\ufffdb"));
}

TEST(XmlFileCodec, NoLossReportForUtf7)
{
    XmlResultText log;
    const QByteArray bytes = XmlFileCodec::Encode(QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-7\"?><a/>"), 0, log);
    EXPECT_FALSE(log.Text().contains(QStringLiteral("conversion_loss")));
    EXPECT_TRUE(log.Text().contains(QStringLiteral("<converted_from encoding=\"utf-7\"")));
}

} // namespace
