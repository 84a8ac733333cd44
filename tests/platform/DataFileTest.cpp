#include "platform/DataFile.h"

#include "support/OddFiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class DataFileTest : public ::testing::Test {
protected:
    QString Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    QTemporaryDir m_dir;
};

TEST_F(DataFileTest, ReadsOnlyRegularFilesUnderTheCap)
{
    const QString plain = Write(QStringLiteral("config.xml"), "<config/>");
    const QString fifo = m_dir.filePath(QStringLiteral("fifo.xml"));
    ASSERT_TRUE(OddFiles::MakeFifo(fifo));
    const QString zero = m_dir.filePath(QStringLiteral("zero.xml"));
    ASSERT_TRUE(OddFiles::MakeLink(QStringLiteral("/dev/zero"), zero));
    const QString linked = m_dir.filePath(QStringLiteral("linked.xml"));
    ASSERT_TRUE(OddFiles::MakeLink(plain, linked));
    const QString dangling = m_dir.filePath(QStringLiteral("dangling.xml"));
    ASSERT_TRUE(OddFiles::MakeLink(m_dir.filePath(QStringLiteral("gone")), dangling));
    const QString huge = m_dir.filePath(QStringLiteral("huge.xml"));
    ASSERT_TRUE(OddFiles::MakeSparse(huge, 2LL * 1024 * 1024 * 1024));

    const struct {
        QString path;
        DataFile::Status status;
    } cases[] = {
        {plain, DataFile::Status::Read},
        {linked, DataFile::Status::Read}, // links are followed
        {m_dir.filePath(QStringLiteral("none.xml")), DataFile::Status::Missing},
        {dangling, DataFile::Status::Missing},
        {plain + QStringLiteral("/below"), DataFile::Status::Missing},
        {m_dir.path(), DataFile::Status::NotRegular},
        {fifo, DataFile::Status::NotRegular},
        {zero, DataFile::Status::NotRegular},
        {QStringLiteral("/dev/urandom"), DataFile::Status::NotRegular},
        {huge, DataFile::Status::TooLarge},
        {QString(), DataFile::Status::Missing},
    };
    for (const auto& c : cases) {
        DataFile::Contents contents;
        // A FIFO with no writer would keep a blocking open waiting for ever.
        ASSERT_TRUE(OddFiles::ReturnsWithin([&] { contents = DataFile::Read(c.path); }, fifo))
            << c.path.toStdString();
        EXPECT_EQ(contents.status, c.status) << c.path.toStdString();
        EXPECT_EQ(DataFile::Examine(c.path, DataFile::kDefaultMaxBytes), c.status) << c.path.toStdString();
        if (c.status == DataFile::Status::Read) {
            EXPECT_EQ(contents.bytes, QByteArray("<config/>"));
            EXPECT_TRUE(contents.error.isEmpty());
        } else {
            EXPECT_TRUE(contents.bytes.isEmpty());
            EXPECT_FALSE(contents.error.isEmpty()) << c.path.toStdString();
        }
    }
    EXPECT_EQ(DataFile::Examine(huge), DataFile::Status::Read) << "no cap given";
}

TEST_F(DataFileTest, TheCapIsInclusive)
{
    const QString path = Write(QStringLiteral("a.lan"), QByteArray(100, 'x'));
    EXPECT_EQ(DataFile::Read(path, 100).status, DataFile::Status::Read);
    EXPECT_EQ(DataFile::Read(path, 100).bytes.size(), 100);
    EXPECT_EQ(DataFile::Read(path, 99).status, DataFile::Status::TooLarge);
    EXPECT_EQ(DataFile::Read(path, -1).bytes.size(), 100);
    const QString empty = Write(QStringLiteral("empty.lan"), {});
    EXPECT_EQ(DataFile::Read(empty, 0).status, DataFile::Status::Read);
}

TEST(DataFileNames, OnlyPlainNamesMayBecomeFileNames)
{
    const struct {
        const char16_t* name;
        bool plain;
    } cases[] = {
        {u"heron", true}, {u"heron_3311", true}, {u"egret-v2.1", true}, {u"Heron2", true}, {u"鹭", true},
        {u"heron.png", true}, {u"", false}, {u".", false}, {u"..", false}, {u".hidden", false},
        {u"../../../../../etc/passwd", false}, {u"a/b", false}, {u"a\\b", false}, {u"/etc/passwd", false},
        {u"heron pro", false}, {u"heron\n", false}, {u"~heron", false}, {u"he:ron", false},
        {u"heron\u2215x", false}, // division slash, looks like '/'
    };
    for (const auto& c : cases) {
        const QString name = QString::fromUtf16(c.name);
        EXPECT_EQ(DataFile::IsPlainName(name), c.plain) << name.toStdString();
    }
    EXPECT_FALSE(DataFile::IsPlainName(QString::fromUtf16(u"heron\u0000x", 7)));
    EXPECT_TRUE(DataFile::IsPlainName(QString(DataFile::kMaxPlainNameLength, QLatin1Char('a'))));
    EXPECT_FALSE(DataFile::IsPlainName(QString(DataFile::kMaxPlainNameLength + 1, QLatin1Char('a'))));
}

} // namespace
