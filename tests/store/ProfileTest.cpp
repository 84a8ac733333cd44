#include "StoreTestSupport.h"

#include "store/ProfileLoader.h"
#include "store/ProfileNames.h"
#include "store/StoreRecords.h"

#include <map>
#include <vector>

namespace {

// The 36 keys of a new profile, written out independently of the store's table.
const std::vector<std::pair<QString, QString>> kNewProfile = {
    { "version", "1.0.1" }, { "lightmode", "3" }, { "sleep_light", "1" }, { "deep_sleep", "60" },
    { "light_sleep", "60" }, { "report_rate", "2" }, { "report_count", "4" }, { "report_flag", "15" },
    { "button_respondtime", "1" }, { "sensor_flag", "53" }, { "liftoff_height", "1" },
    { "scroll_flag", "1" }, { "e-sports_flag", "0" }, { "highspeed_mode", "0" },
    { "leftbtn_lock", "1" }, { "dpi_flag", "5" }, { "dpi_index", "1" }, { "dpi_count", "6" },
    { "dpi_group0_value", "400" }, { "dpi_group1_value", "800" }, { "dpi_group2_value", "1200" },
    { "dpi_group3_value", "1600" }, { "dpi_group4_value", "2400" }, { "dpi_group5_value", "3200" },
    { "dpi_group0_rgb", "255" }, { "dpi_group1_rgb", "65280" }, { "dpi_group2_rgb", "16711680" },
    { "dpi_group3_rgb", "16776960" }, { "dpi_group4_rgb", "65535" }, { "dpi_group5_rgb", "8388992" },
    { "notify_dpi", "1" }, { "notify_light", "1" }, { "notify_devsleep", "1" },
    { "notify_reporterate", "1" }, { "notify_lowbattery", "1" }, { "notify_fardistance", "1" },
};

using ProfileTest = StoreTest;

TEST_F(ProfileTest, FirstLoadOfANewDatabaseCreatesFourProfilesWithTheirRows)
{
    ASSERT_TRUE(Open());
    const LoadedProfile loaded = ProfileLoader::LoadProfiles(m_store);
    EXPECT_EQ(loaded.profile, 1);
    EXPECT_EQ(loaded.name, QStringLiteral("Profile 1"));

    std::vector<NamedEntry> profiles;
    ASSERT_EQ(m_store.ListProfiles(profiles), 4);
    for (int n = 0; n < 4; ++n) {
        EXPECT_EQ(profiles[n].id, n + 1);
        EXPECT_EQ(profiles[n].name, QStringLiteral("Profile %1").arg(n + 1));
        EXPECT_EQ(profiles[n].status, n == 0 ? 1 : 0);
        EXPECT_EQ(profiles[n].text, QString());
        EXPECT_EQ(profiles[n].type, 0);
    }
    EXPECT_EQ(QueryInt("SELECT count(*) FROM t_configdata"), 4 * 36);
    for (int profile = 1; profile <= 4; ++profile) {
        // Rows in insertion order, so the key order is checked too.
        const auto lock = m_store.Lock();
        SQLiteStatement statement;
        m_store.Prepare(statement, "SELECT key, value FROM t_configdata WHERE profile = ? ORDER BY config_id", -1);
        statement.BindInt(1, profile);
        size_t i = 0;
        while (statement.Step() == 100) {
            ASSERT_LT(i, kNewProfile.size());
            EXPECT_EQ(QString::fromUtf8(statement.GetColumnText(0)), kNewProfile[i].first);
            EXPECT_EQ(QString::fromUtf8(statement.GetColumnText(1)), kNewProfile[i].second) << kNewProfile[i].first.toStdString();
            ++i;
        }
        EXPECT_EQ(i, 36u);
    }
    // Nothing else is created with the profiles.
    EXPECT_EQ(QueryInt("SELECT count(*) FROM t_key_macro_data"), 0);
    EXPECT_EQ(QueryInt("SELECT count(*) FROM t_light_data"), 0);
}

TEST_F(ProfileTest, LoadUsesTheCurrentLanguagesWordAndLeavesExistingProfilesAlone)
{
    Language::SetCurrent(2052);
    ASSERT_TRUE(Open());
    EXPECT_EQ(ProfileLoader::LoadProfiles(m_store).name, QStringLiteral("配置 1"));
    ASSERT_TRUE(m_store.SetActiveProfile(3));
    const LoadedProfile again = ProfileLoader::LoadProfiles(m_store);
    EXPECT_EQ(again.profile, 3);
    EXPECT_EQ(again.name, QStringLiteral("配置 3"));
    EXPECT_EQ(QueryInt("SELECT count(*) FROM t_profile_data"), 4);
}

TEST_F(ProfileTest, LoadWithNoActiveProfileActivatesProfileOne)
{
    ASSERT_TRUE(Open());
    ProfileLoader::LoadProfiles(m_store);
    ASSERT_EQ(m_store.Execute("UPDATE t_profile_data SET status = 0"), 0);
    EXPECT_EQ(m_store.GetActiveProfile(), 0);
    EXPECT_EQ(ProfileLoader::LoadProfiles(m_store).profile, 1);
    EXPECT_EQ(m_store.GetActiveProfile(), 1);
}

TEST_F(ProfileTest, LoadOnAnUnconnectedStoreGivesNoProfile)
{
    const LoadedProfile loaded = ProfileLoader::LoadProfiles(m_store);
    EXPECT_EQ(loaded.profile, 0);
    EXPECT_TRUE(loaded.name.isEmpty());
}

TEST_F(ProfileTest, ResetRestoresEveryKeyButVersionAndLevelFiveColourDiffers)
{
    ASSERT_TRUE(Open());
    ProfileLoader::LoadProfiles(m_store);
    for (const auto& [key, value] : kNewProfile)
        ASSERT_TRUE(m_store.SetConfigValue(2, key, QStringLiteral("77")));
    ASSERT_TRUE(m_store.ResetConfig(2));

    QString value;
    ASSERT_TRUE(m_store.GetConfigValue(2, QStringLiteral("version"), value));
    EXPECT_EQ(value, QStringLiteral("77"));
    ASSERT_TRUE(m_store.GetConfigValue(2, QStringLiteral("dpi_group5_rgb"), value));
    EXPECT_EQ(value, QStringLiteral("8388736"));
    for (const auto& [key, expected] : kNewProfile) {
        if (key == QStringLiteral("version") || key == QStringLiteral("dpi_group5_rgb"))
            continue;
        ASSERT_TRUE(m_store.GetConfigValue(2, key, value));
        EXPECT_EQ(value, expected) << key.toStdString();
    }
    // Other profiles are untouched.
    EXPECT_EQ(m_store.GetConfigInt(1, QStringLiteral("dpi_group5_rgb")), 8388992);
}

TEST_F(ProfileTest, ConfigValueEdgeCases)
{
    ASSERT_TRUE(Open());
    ProfileLoader::LoadProfiles(m_store);
    QString value = QStringLiteral("stale");
    // A key without a row: the update succeeds and changes nothing; the read
    // reports it missing and clears the output.
    EXPECT_TRUE(m_store.SetConfigValue(1, QStringLiteral("dpi_grup0_value"), QStringLiteral("5")));
    EXPECT_FALSE(m_store.GetConfigValue(1, QStringLiteral("dpi_grup0_value"), value));
    EXPECT_TRUE(value.isEmpty());
    EXPECT_EQ(m_store.GetConfigInt(1, QStringLiteral("dpi_grup0_value")), 0);
    EXPECT_TRUE(m_store.SetConfigValue(9, QStringLiteral("report_rate"), QStringLiteral("1")));
    EXPECT_EQ(QueryInt("SELECT count(*) FROM t_configdata"), 4 * 36);

    EXPECT_TRUE(m_store.SetConfigInt(3, QStringLiteral("dpi_group2_value"), 26000));
    EXPECT_EQ(m_store.GetConfigInt(3, QStringLiteral("dpi_group2_value")), 26000);
    EXPECT_EQ(m_store.GetConfigInt(2, QStringLiteral("dpi_group2_value")), 1200);
    // Text that is not a number reads as 0, a number with trailing text as its number.
    EXPECT_TRUE(m_store.SetConfigValue(1, QStringLiteral("report_rate"), QStringLiteral("abc")));
    EXPECT_EQ(m_store.GetConfigInt(1, QStringLiteral("report_rate")), 0);
    EXPECT_TRUE(m_store.SetConfigValue(1, QStringLiteral("report_rate"), QStringLiteral(" 3x")));
    EXPECT_EQ(m_store.GetConfigInt(1, QStringLiteral("report_rate")), 3);
}

TEST_F(ProfileTest, ActiveProfile)
{
    ASSERT_TRUE(Open());
    EXPECT_EQ(m_store.GetActiveProfile(), 0); // no profiles yet
    ProfileLoader::LoadProfiles(m_store);
    EXPECT_TRUE(m_store.SetActiveProfile(4));
    EXPECT_EQ(m_store.GetActiveProfile(), 4);
    EXPECT_EQ(QueryInt("SELECT count(*) FROM t_profile_data WHERE status = 1"), 1);
    // An id without a row: success, and no profile is active.
    EXPECT_TRUE(m_store.SetActiveProfile(17));
    EXPECT_EQ(m_store.GetActiveProfile(), 0);
}

TEST_F(ProfileTest, RenameAndNameLookup)
{
    ASSERT_TRUE(Open());
    ProfileLoader::LoadProfiles(m_store);
    EXPECT_TRUE(m_store.RenameProfile(2, QStringLiteral("Work")));
    QString name = QStringLiteral("stale");
    EXPECT_TRUE(m_store.GetProfileName(2, name));
    EXPECT_EQ(name, QStringLiteral("Work"));
    EXPECT_FALSE(m_store.GetProfileName(9, name));
    EXPECT_TRUE(name.isEmpty());
}

struct LocaliseCase {
    int lcid;
    const char16_t* stored;
    const char16_t* shown;
};

// Exact prefixes, in their order; the rest keeps its leading blank.
const LocaliseCase kLocaliseCases[] = {
    { 2052, u"Profile 2", u"配置  2" },
    { 1033, u"Profile 2", u"Profile 2" },
    { 1033, u"配置 1", u"Profile  1" },
    { 1033, u"配寘3", u"Profile 3" },
    { 1033, u"ボタン 4", u"Profile  4" },
    { 2052, u"ボタン", u"配置 " },           // the whole name is the prefix
    { 2052, u"配置 1", u"配置 1" },           // own word: not in 2052's list
    { 1028, u"Profile 1", u"配寘  1" },
    { 1028, u"配寘 1", u"配寘 1" },
    { 1041, u"配置 2", u"ボタン  2" },
    { 1049, u"ボタン 1", u"Профиль  1" },
    { 1049, u"Profile", u"Профиль " },
    { 2052, u"Профиль 1", u"Профиль 1" },    // never a prefix
    { 1049, u"Профиль 1", u"Профиль 1" },
    { 1033, u"Профиль 1", u"Профиль 1" },
    { 2052, u"profile 1", u"profile 1" },     // case-sensitive
    { 2052, u"Profil 1", u"Profil 1" },
    { 2052, u"My Profile", u"My Profile" },   // only a leading word counts
    { 1031, u"配置 1", u"配置 1" },           // a language without a word
    { 2052, u"", u"" },
};

TEST(ProfileNames, LocalisationTable)
{
    for (const LocaliseCase& c : kLocaliseCases) {
        const QString stored = QString::fromUtf16(c.stored);
        EXPECT_EQ(ProfileNames::Localise(stored, c.lcid), QString::fromUtf16(c.shown))
            << c.lcid << " " << stored.toStdString();
    }
}

TEST_F(ProfileTest, NamesAreLocalisedWhenReadNotWhenStored)
{
    ASSERT_TRUE(Open());
    ProfileLoader::LoadProfiles(m_store); // English names
    Language::SetCurrent(2052);
    std::vector<NamedEntry> profiles;
    ASSERT_EQ(m_store.ListProfiles(profiles), 4);
    EXPECT_EQ(profiles[1].name, QStringLiteral("配置  2"));
    QString name;
    ASSERT_TRUE(m_store.GetProfileName(2, name));
    EXPECT_EQ(name, QStringLiteral("配置  2"));
    EXPECT_EQ(QueryText("SELECT name FROM t_profile_data WHERE profile = 2"), QStringLiteral("Profile 2"));
}

TEST_F(ProfileTest, TextSnippets)
{
    ASSERT_TRUE(Open());
    NamedEntry entry;
    entry.name = QStringLiteral("Sig");
    entry.text = QStringLiteral("Mit freundlichen Grüßen\n— 配置");
    entry.status = 5; // ignored: stored as 0
    entry.type = 9;
    const int id = m_store.AddText(entry);
    ASSERT_GT(id, 0);
    QString text;
    EXPECT_TRUE(m_store.GetTextContent(id, text));
    EXPECT_EQ(text, entry.text);
    EXPECT_TRUE(m_store.RenameText(id, QStringLiteral("Profile sig")));
    EXPECT_TRUE(m_store.SetTextContent(id, QString()));
    std::vector<NamedEntry> list;
    Language::SetCurrent(2052);
    ASSERT_EQ(m_store.ListTexts(list), 1);
    EXPECT_EQ(list[0].name, QStringLiteral("Profile sig")); // snippets are not localised
    EXPECT_EQ(list[0].text, QString());
    EXPECT_EQ(list[0].status, 0);
    EXPECT_EQ(list[0].type, 0);
    EXPECT_TRUE(m_store.DeleteText(id));
    EXPECT_FALSE(m_store.GetTextName(id, text));
    EXPECT_TRUE(text.isEmpty());
    EXPECT_EQ(m_store.ListTexts(list), 0);
}

} // namespace
