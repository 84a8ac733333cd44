#include "platform/HeapTuning.h"
#include "platform/LenientNumber.h"
#include "platform/Locale.h"
#include "platform/Paths.h"
#include "platform/UserSettings.h"
#include "support/ScopedEnv.h"

#include "support/OddFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <thread>

#include <climits>
#include <malloc.h>
#include <cstdlib>

namespace {

TEST(Locale, LocaleNamesToLcids)
{
    const struct {
        const char* name;
        int lcid;
    } cases[] = {
        { "zh_CN.UTF-8", 2052 }, { "zh_CN", 2052 }, { "zh_TW.UTF-8", 1028 }, { "zh_HK", 3076 },
        { "zh_SG", 4100 }, { "zh", 2052 }, { "en_US.UTF-8", 1033 }, { "en_GB", 2057 },
        { "ja_JP.UTF-8", 1041 }, { "ja", 1041 }, { "ru_RU.KOI8-R", 1049 }, { "ru_UA", 1049 },
        { "de_DE@euro", 1031 }, { "de_AT.UTF-8@euro", 3079 }, { "fr_CA", 3084 }, { "ko_KR.EUC-KR", 1042 },
        { "pt_BR", 1046 }, { "es_MX", 2058 }, { "zh-CN", 2052 }, { "ZH_cn", 2052 },
        { "C", 1033 }, { "POSIX", 1033 }, { "C.UTF-8", 1033 }, { "", 1033 }, { "xx_YY", 1033 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(Locale::LcidFromLocaleName(QString::fromLatin1(c.name)), c.lcid) << c.name;
}

TEST(Locale, MessagesVariablesInTheirOrder)
{
    ScopedEnv all("LC_ALL", nullptr);
    ScopedEnv messages("LC_MESSAGES", nullptr);
    ScopedEnv lang("LANG", "ja_JP.UTF-8");
    EXPECT_EQ(Locale::UserInterfaceLcid(), 1041);
    {
        ScopedEnv inner("LC_MESSAGES", "ru_RU.UTF-8");
        EXPECT_EQ(Locale::UserInterfaceLcid(), 1049);
        ScopedEnv outer("LC_ALL", "zh_CN.UTF-8");
        EXPECT_EQ(Locale::UserInterfaceLcid(), 2052);
    }
    ScopedEnv none("LANG", nullptr);
    EXPECT_EQ(Locale::UserInterfaceLcid(), 1033);
}

TEST(Paths, ProgramFolderChoice)
{
    QTemporaryDir withConfig;
    QTemporaryDir withoutConfig;
    QFile config(withConfig.path() + QStringLiteral("/config.xml"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.close();
    EXPECT_EQ(Paths::ResolveProgramFolder(QStringLiteral("/opt/t"), withConfig.path(), QStringLiteral("/usr")),
        QStringLiteral("/opt/t/"));
    EXPECT_EQ(Paths::ResolveProgramFolder(QString(), withConfig.path(), QStringLiteral("/usr")),
        withConfig.path() + QLatin1Char('/'));
    EXPECT_EQ(Paths::ResolveProgramFolder(QString(), withoutConfig.path(), QStringLiteral("/usr")),
        QStringLiteral("/usr/share/tarvo/"));
    EXPECT_EQ(Paths::ResolveProgramFolder(QString(), QString(), QStringLiteral("/usr/local/")),
        QStringLiteral("/usr/local/share/tarvo/"));
    ScopedEnv program("TARVO_PROGRAM_DIR", "/srv/tarvo");
    EXPECT_EQ(Paths::ProgramFolder(), QStringLiteral("/srv/tarvo/"));
}

TEST(Paths, FetchHelperBesideTheProgramThenInLibexec)
{
    QTemporaryDir root;
    const QString bin = root.path() + QStringLiteral("/bin");
    const QString installed = root.path() + QStringLiteral("/libexec/tarvo/tarvo-fetch");
    ASSERT_TRUE(QDir().mkpath(bin));
    ASSERT_TRUE(QDir().mkpath(root.path() + QStringLiteral("/libexec/tarvo")));
    // Expected in libexec even before it is there, so an error can name the place.
    EXPECT_EQ(Paths::ResolveFetchProgram(QString(), bin), installed);
    QFile helper(bin + QStringLiteral("/tarvo-fetch"));
    ASSERT_TRUE(helper.open(QIODevice::WriteOnly));
    helper.close();
    EXPECT_EQ(Paths::ResolveFetchProgram(QString(), bin + QLatin1Char('/')), helper.fileName());
    EXPECT_EQ(Paths::ResolveFetchProgram(QStringLiteral("/srv/f"), bin), QStringLiteral("/srv/f"));
    EXPECT_TRUE(Paths::ResolveFetchProgram(QString(), QString()).endsWith(QStringLiteral("/libexec/tarvo/tarvo-fetch")));
    ScopedEnv program("TARVO_FETCH_PROGRAM", "/srv/fetch");
    EXPECT_EQ(Paths::FetchProgram(), QStringLiteral("/srv/fetch"));
}

TEST(Paths, DataAndSettingsFollowTheXdgRules)
{
    ScopedEnv home("HOME", "/home/u");
    {
        ScopedEnv data("XDG_DATA_HOME", "/x/data");
        ScopedEnv config("XDG_CONFIG_HOME", "/x/config/");
        EXPECT_EQ(Paths::DataFolder(), QStringLiteral("/x/data/Tarvo Files/"));
        EXPECT_EQ(Paths::DatabaseFolder(), QStringLiteral("/x/data/Tarvo Files/db/"));
        EXPECT_EQ(Paths::TempFolder(), QStringLiteral("/x/data/Tarvo Files/temp/"));
        EXPECT_EQ(Paths::SettingsFilePath(), QStringLiteral("/x/config/Tarvo/Tarvo.conf"));
    }
    for (const char* unusable : { static_cast<const char*>(nullptr), "", "relative/dir" }) {
        ScopedEnv data("XDG_DATA_HOME", unusable);
        ScopedEnv config("XDG_CONFIG_HOME", unusable);
        EXPECT_EQ(Paths::DataFolder(), QStringLiteral("/home/u/.local/share/Tarvo Files/"));
        EXPECT_EQ(Paths::SettingsFilePath(), QStringLiteral("/home/u/.config/Tarvo/Tarvo.conf"));
    }
    EXPECT_EQ(Paths::ApplicationName(), QStringLiteral("Tarvo"));
}

TEST(Paths, PrepareDataFolderMakesEveryMissingFolder)
{
    QTemporaryDir dir;
    const QByteArray deep = (dir.path() + QStringLiteral("/a/b")).toUtf8();
    ScopedEnv data("XDG_DATA_HOME", deep.constData());
    EXPECT_TRUE(Paths::PrepareDataFolder());
    EXPECT_TRUE(QFileInfo(dir.path() + QStringLiteral("/a/b/Tarvo Files/db")).isDir());
    EXPECT_TRUE(Paths::PrepareDataFolder()); // already there
    // A file in the way: reported, not thrown.
    QFile blocker(dir.path() + QStringLiteral("/file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(Paths::MakePath(dir.path() + QStringLiteral("/file/db")));
    EXPECT_FALSE(Paths::MakePath(QString()));
}

TEST(UserSettings, LenientDecimal)
{
    const struct {
        const char* text;
        int value;
    } cases[] = {
        { "2052", 2052 }, { "", 0 }, { "abc", 0 }, { "12ab", 12 }, { "  7", 7 }, { "-3", -3 },
        { "+4", 4 }, { "0x10", 0 }, { "99999999999", INT_MAX }, { "-99999999999", INT_MIN },
        { "2147483647", INT_MAX }, { "-2147483648", INT_MIN },
    };
    for (const auto& c : cases)
        EXPECT_EQ(LenientNumber::Decimal(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST(UserSettings, BackgroundWritesKeepTheirOrderAndAreOnDiskAfterAFlush)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Tarvo.conf"));
    UserSettings settings(path);
    ASSERT_EQ(settings.Open(), UserSettings::OpenResult::Created);
    // Clicks in quick succession, with a plain write from another thread
    // (the worker's refresh) among them: the last value wins everywhere.
    std::thread worker([&] {
        for (int i = 0; i < 20; ++i)
            EXPECT_TRUE(settings.WriteInt(QStringLiteral("LCID"), 1033));
    });
    for (int type = 101; type <= 140; ++type) {
        settings.WriteIntInBackground(QStringLiteral("DeviceType"), type);
        EXPECT_EQ(settings.ReadInt(QStringLiteral("DeviceType")), type); // at once, before the disk
    }
    worker.join();
    settings.Flush();
    UserSettings reread(path);
    ASSERT_EQ(reread.Open(), UserSettings::OpenResult::Opened);
    EXPECT_EQ(reread.ReadInt(QStringLiteral("DeviceType")), 140);
    EXPECT_EQ(reread.ReadInt(QStringLiteral("LCID")), 1033);
}

class StartupLanguageTest : public ::testing::Test {
protected:
    QString Path() const { return m_dir.path() + QStringLiteral("/config/Tarvo/Tarvo.conf"); }
    void WriteFile(const QByteArray& content)
    {
        QDir().mkpath(QFileInfo(Path()).absolutePath());
        QFile file(Path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    int Stored()
    {
        UserSettings settings(Path());
        settings.Open();
        return settings.ReadInt(QStringLiteral("LCID"));
    }
    QTemporaryDir m_dir;
};

TEST_F(StartupLanguageTest, MissingFileIsCreatedAndTheUsersLanguageUsed)
{
    EXPECT_EQ(UserSettings::ChooseStartupLanguage(Path(), 2052), 2052);
    EXPECT_EQ(Stored(), 2052);
}

TEST_F(StartupLanguageTest, UnsupportedLanguageRunsNowAndEnglishIsStored)
{
    WriteFile("[General]\n");
    EXPECT_EQ(UserSettings::ChooseStartupLanguage(Path(), 1041), 1041);
    EXPECT_EQ(Stored(), 1033);
    // The next start reads the stored English.
    EXPECT_EQ(UserSettings::ChooseStartupLanguage(Path(), 1041), 1033);
}

TEST_F(StartupLanguageTest, StoredValueWinsAndZeroOrTextCountAsAbsent)
{
    WriteFile("[General]\nLCID=2052\n");
    EXPECT_EQ(UserSettings::ChooseStartupLanguage(Path(), 1033), 2052);
    WriteFile("LCID=1028\n"); // written by hand, without a section
    EXPECT_EQ(UserSettings::ChooseStartupLanguage(Path(), 1033), 1028);
    EXPECT_EQ(Stored(), 1033);
    for (const QByteArray& absent : { QByteArray("0"), QByteArray("chinese"), QByteArray("") }) {
        WriteFile("[General]\nLCID=" + absent + "\nexit_mode=1\n");
        EXPECT_EQ(UserSettings::ChooseStartupLanguage(Path(), 1049), 1049) << absent.constData();
        EXPECT_EQ(Stored(), 1033);
    }
    // Other values in the file survive the write-back.
    UserSettings settings(Path());
    ASSERT_EQ(settings.Open(), UserSettings::OpenResult::Opened);
    EXPECT_EQ(settings.ReadInt(QStringLiteral("exit_mode")), 1);
}

// A settings file that cannot be used says nothing about the user: the
// locale decides, as on a first start (not Simplified Chinese for everyone).
TEST_F(StartupLanguageTest, UnusableSettingsFileMeansTheUsersLanguageAndNoWrite)
{
    // The settings folder's place is taken by a file: nothing can be created.
    QDir().mkpath(m_dir.path() + QStringLiteral("/config"));
    QFile blocker(m_dir.path() + QStringLiteral("/config/Tarvo"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_EQ(UserSettings::ChooseStartupLanguage(Path(), 1033), 1033);
    EXPECT_EQ(UserSettings::ChooseStartupLanguage(Path(), 2052), 2052);
    EXPECT_FALSE(QFileInfo::exists(Path()));
}

TEST_F(StartupLanguageTest, ASettingsPathThatIsNoRegularFileIsNeverRead)
{
    QDir().mkpath(QFileInfo(Path()).absolutePath());
    // A FIFO would block QSettings' read for ever; a folder, /dev/zero or a
    // huge file cannot be our settings either.
    ASSERT_TRUE(OddFiles::MakeFifo(Path()));
    int chosen = 0;
    ASSERT_TRUE(OddFiles::ReturnsWithin([&] { chosen = UserSettings::ChooseStartupLanguage(Path(), 1049); }, Path()));
    EXPECT_EQ(chosen, 1049);
    QFile::remove(Path());
    ASSERT_TRUE(OddFiles::MakeLink(QStringLiteral("/dev/zero"), Path()));
    EXPECT_EQ(UserSettings::ChooseStartupLanguage(Path(), 1041), 1041);
    QFile::remove(Path());
    ASSERT_TRUE(OddFiles::MakeSparse(Path(), 2 * UserSettings::kMaxFileBytes));
    UserSettings settings(Path());
    EXPECT_EQ(settings.Open(), UserSettings::OpenResult::Failed);
}

// A choice that cannot be stored still holds for the rest of the run.
TEST_F(StartupLanguageTest, ValuesThatCannotBeStoredAreKeptForTheRun)
{
    QDir().mkpath(QFileInfo(Path()).absolutePath());
    QDir().mkpath(Path()); // a folder where the file should be
    UserSettings settings(Path());
    ASSERT_EQ(settings.Open(), UserSettings::OpenResult::Failed);
    EXPECT_EQ(settings.ReadInt(QStringLiteral("DeviceType")), 0);
    EXPECT_FALSE(settings.WriteInt(QStringLiteral("DeviceType"), 103));
    EXPECT_EQ(settings.ReadInt(QStringLiteral("DeviceType")), 103);
    EXPECT_FALSE(settings.WriteInt(QStringLiteral("DeviceType"), 105));
    EXPECT_EQ(settings.ReadInt(QStringLiteral("DeviceType")), 105);

    // And a stored one: the value written now wins over the file's.
    QDir().rmdir(Path());
    WriteFile("[General]\nexit_mode=1\n");
    UserSettings stored(Path());
    ASSERT_EQ(stored.Open(), UserSettings::OpenResult::Opened);
    EXPECT_TRUE(stored.WriteInt(QStringLiteral("exit_mode"), 0));
    EXPECT_EQ(stored.ReadInt(QStringLiteral("exit_mode")), 0);
}

TEST_F(StartupLanguageTest, ValuesAreDecimalText)
{
    UserSettings settings(Path());
    EXPECT_EQ(settings.Open(), UserSettings::OpenResult::Created);
    EXPECT_TRUE(settings.WriteInt(QStringLiteral("DeviceType"), 103));
    QFile file(Path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("DeviceType=103"));
    UserSettings closed(Path());
    EXPECT_FALSE(closed.WriteInt(QStringLiteral("x"), 1)); // not opened
    EXPECT_EQ(closed.ReadInt(QStringLiteral("DeviceType")), 0);
}

} // namespace

// The sanitizers bring allocators of their own, which this tuning does not touch.
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TARVO_OWN_ALLOCATOR 1
#endif
#endif
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__) && !defined(TARVO_OWN_ALLOCATOR)
TEST(HeapTuning, LargeBlocksKeepPagesOfTheirOwnAfterALargerOneWasFreed)
{
    // Without the tuning, freeing an 8 MiB block raises the allocator's limit
    // to 8 MiB, and the 6 MiB picture that follows comes from the heap, whose
    // pages then stay with the process after it is freed. The heap is trimmed
    // first, so no free space left by earlier tests can serve the request.
    HeapTuning::KeepLargeBlocksApart();
    malloc_trim(0);
    void* large = std::malloc(8 << 20);
    ASSERT_NE(large, nullptr);
    std::free(large);
    const size_t before = mallinfo2().hblkhd;
    void* picture = std::malloc(6 << 20);
    ASSERT_NE(picture, nullptr);
    EXPECT_GE(mallinfo2().hblkhd, before + (6 << 20)) << "the block should be mapped on its own";
    std::free(picture);
    EXPECT_EQ(mallinfo2().hblkhd, before) << "and handed back when freed";
}
#endif
