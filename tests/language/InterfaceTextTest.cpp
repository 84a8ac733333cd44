#include "language/InterfaceText.h"
#include "language/Language.h"
#include "language/LanguageFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "support/OddFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class InterfaceTextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QDir().mkpath(m_dir.path() + QStringLiteral("/language"));
        InterfaceText::SetProgramFolder(m_dir.path());
        Language::SetCurrent(1033);
    }
    void TearDown() override
    {
        InterfaceText::SetProgramFolder(QString());
        Language::SetCurrent(1033);
    }
    QString FilePath(int lcid) const
    {
        return m_dir.path() + QStringLiteral("/language/%1.lan").arg(lcid);
    }
    void Write(int lcid, const QByteArray& bytes)
    {
        QFile file(FilePath(lcid));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    QTemporaryDir m_dir;
};

TEST_F(InterfaceTextTest, LooksUpByNumberInSectionLanOfTheCurrentLanguage)
{
    Write(1033, "[LAN]\n1=Tarvo\n61=Profile\n[OTHER]\n62=elsewhere\n");
    Write(2052, "\xEF\xBB\xBF[LAN]\r\n61=\xE9\x85\x8D\xE7\xBD\xAE\r\n"); // BOM, CRLF, 配置
    EXPECT_EQ(InterfaceText::Get(61), QStringLiteral("Profile"));
    EXPECT_EQ(InterfaceText::Get(QStringLiteral("OTHER"), 62), QStringLiteral("elsewhere"));
    EXPECT_EQ(InterfaceText::Get(62), QString()); // not in LAN
    Language::SetCurrent(2052);
    EXPECT_EQ(InterfaceText::Get(61), QStringLiteral("配置"));
    EXPECT_EQ(InterfaceText::Get(1), QString());
    EXPECT_EQ(InterfaceText::LanguageFilePath(2052), FilePath(2052));
}

TEST_F(InterfaceTextTest, MissingFileSectionOrKeyGiveEmptyText)
{
    Language::SetCurrent(1041); // no file for it
    EXPECT_EQ(InterfaceText::Get(61), QString());
    Language::SetCurrent(1033);
    Write(1033, "[NOTLAN]\n61=Profile\n");
    EXPECT_EQ(InterfaceText::Get(61), QString());
    EXPECT_EQ(InterfaceText::Get(-1), QString());
    EXPECT_EQ(InterfaceText::Get(806), QString());
    InterfaceText::SetProgramFolder(QString());
    EXPECT_EQ(InterfaceText::Get(61), QString());
}

TEST_F(InterfaceTextTest, AChangedFileIsReadAgain)
{
    Write(1033, "[LAN]\n61=Profile\n");
    EXPECT_EQ(InterfaceText::Get(61), QStringLiteral("Profile"));
    // Same length, so only the modification time tells the change.
    Write(1033, "[LAN]\n61=Profiel\n");
    std::filesystem::last_write_time(FilePath(1033).toStdString(),
        std::filesystem::last_write_time(FilePath(1033).toStdString()) + std::chrono::seconds(2));
    EXPECT_EQ(InterfaceText::Get(61), QStringLiteral("Profiel"));
    Write(1033, "[LAN]\n61=Configuration\n"); // a different size
    EXPECT_EQ(InterfaceText::Get(61), QStringLiteral("Configuration"));
    QFile::remove(FilePath(1033));
    EXPECT_EQ(InterfaceText::Get(61), QString());
    Write(1033, "[LAN]\n61=Back\n");
    EXPECT_EQ(InterfaceText::Get(61), QStringLiteral("Back"));
}

struct ParseCase {
    const char* what;
    QByteArray file;
    const char* key;
    QString expected;
};

TEST_F(InterfaceTextTest, ALanguageFileThatIsNoRegularFileGivesEmptyTexts)
{
    ASSERT_TRUE(OddFiles::MakeFifo(FilePath(1033)));
    QString text = QStringLiteral("unchanged");
    ASSERT_TRUE(OddFiles::ReturnsWithin([&] { text = InterfaceText::Get(61); }, FilePath(1033)));
    EXPECT_EQ(text, QString());
    EXPECT_FALSE(InterfaceText::HasLanguageFile(1033));
    QFile::remove(FilePath(1033));
    ASSERT_TRUE(OddFiles::MakeLink(QStringLiteral("/dev/zero"), FilePath(1033)));
    EXPECT_EQ(InterfaceText::Get(61), QString());
    QFile::remove(FilePath(1033));
    ASSERT_TRUE(OddFiles::MakeSparse(FilePath(1033), 20 * 1024 * 1024));
    EXPECT_EQ(InterfaceText::Get(61), QString());
    EXPECT_FALSE(InterfaceText::HasLanguageFile(1033));
}

// A stored language without a file would blank every text of the window:
// the user's own language is taken instead, then English.
TEST_F(InterfaceTextTest, ALanguageWithoutAFileFallsBackToTheUsersThenToEnglish)
{
    Write(1033, "[LAN]\n1=Tarvo\n");
    Write(2052, "[LAN]\n1=Tarvo\n");
    const struct {
        int chosen;
        int user;
        int used;
    } cases[] = {
        {2052, 1033, 2052},
        {1033, 2052, 1033},
        {-1, 2052, 2052},
        {-1, 1041, 1033},
        {2147483647, 1033, 1033},
        {0, 1041, 1033},
        {1041, 1041, 1033},
        {1041, 2052, 2052},
    };
    for (const auto& c : cases)
        EXPECT_EQ(InterfaceText::UsableLanguage(c.chosen, c.user), c.used) << c.chosen << " " << c.user;
    Language::SetCurrent(InterfaceText::UsableLanguage(-1, 1041));
    EXPECT_EQ(InterfaceText::Get(1), QStringLiteral("Tarvo"));
}

TEST(LanguageFile, ReadsLikeTheProfileFunctions)
{
    const QString long300 = QString(300, QLatin1Char('x'));
    // 258 'a' followed by one character outside the BMP: cut before the pair.
    const QString astral = QString(258, QLatin1Char('a')) + QStringLiteral("😀b");
    const ParseCase cases[] = {
        { "plain", "[LAN]\n5=Close\n", "5", QStringLiteral("Close") },
        { "blanks around", "[LAN]\n  5  =   Close window  \n", "5", QStringLiteral("Close window") },
        { "section and key case", "[lan]\n5=Close\n", "5", QStringLiteral("Close") },
        { "quoted", "[LAN]\n5=\"  spaced  \"\n", "5", QStringLiteral("  spaced  ") },
        { "single quotes", "[LAN]\n5='x'\n", "5", QStringLiteral("x") },
        { "unbalanced quote kept", "[LAN]\n5=\"x\n", "5", QStringLiteral("\"x") },
        { "equals in value", "[LAN]\n17=a=b\n", "17", QStringLiteral("a=b") },
        { "percent and comma", "[LAN]\n17=%s: v%s, 10%\n", "17", QStringLiteral("%s: v%s, 10%") },
        { "first occurrence wins", "[LAN]\n5=one\n5=two\n", "5", QStringLiteral("one") },
        { "section repeated", "[LAN]\n5=one\n[X]\n[LAN]\n6=six\n", "6", QStringLiteral("six") },
        { "empty value", "[LAN]\n5=\n", "5", QString() },
        { "line without equals", "[LAN]\njunk\n5=ok\n", "5", QStringLiteral("ok") },
        { "key before any section", "5=nowhere\n[LAN]\n", "5", QString() },
        { "broken header", "[LAN\n5=x\n", "5", QString() },
        { "invalid UTF-8 survives", "[LAN]\n5=a\xFF" "b\n", "5", QStringLiteral("a\uFFFDb") },
        { "259 kept", "[LAN]\n5=" + QByteArray(259, 'y') + "\n", "5", QString(259, QLatin1Char('y')) },
        { "cut to 259", "[LAN]\n5=" + long300.toUtf8() + "\n", "5", QString(259, QLatin1Char('x')) },
        { "no half character", "[LAN]\n5=" + astral.toUtf8() + "\n", "5", QString(258, QLatin1Char('a')) },
        { "empty file", "", "5", QString() },
    };
    for (const ParseCase& c : cases) {
        const LanguageFile file = LanguageFile::Parse(c.file);
        EXPECT_EQ(file.Value(QStringLiteral("LAN"), QString::fromLatin1(c.key)), c.expected) << c.what;
    }
}

TEST(LanguageFile, CutCountsUtf16UnitsNotBytes)
{
    const QString chinese(300, QChar(0x914D)); // 配, three bytes each in UTF-8
    const LanguageFile file = LanguageFile::Parse("[LAN]\n1=" + chinese.toUtf8());
    EXPECT_EQ(file.Value(QStringLiteral("LAN"), QStringLiteral("1")), QString(259, QChar(0x914D)));
}

} // namespace
