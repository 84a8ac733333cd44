#include "StoreTestSupport.h"

#include "store/StoreRecords.h"

#include <QFileInfo>

#include <vector>

namespace {

struct SchemaObject {
    const char* type;
    const char* name;
    const char* sql; // as the file stores it: "IF NOT EXISTS" is not kept
};

// Every database this program ever made has exactly this schema, tabs included.
const SchemaObject kExpectedSchema[] = {
    { "table", "t_configdata", "CREATE TABLE t_configdata(config_id INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t  profile INTEGER, key TEXT, value TEXT)" },
    { "table", "t_profile_data", "CREATE TABLE t_profile_data(profile INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t  name TEXT, status INTEGER, app TEXT, type INTEGER)" },
    { "index", "profileindex", "CREATE INDEX profileindex ON t_profile_data(profile)" },
    { "table", "t_text_data", "CREATE TABLE t_text_data(text_id INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t  name TEXT, status INTEGER, content TEXT, type INTEGER)" },
    { "index", "textindex", "CREATE INDEX textindex ON t_text_data(text_id)" },
    { "table", "t_key_macro_data", "CREATE TABLE t_key_macro_data(key_id INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\tprofile INTEGER, fn_layer INTEGER, key_code INTEGER, layout_value INTEGER, layout_desc TEXT, \t\t\t\t\t\t\t\tmacro_type INTEGER, macro_value INTEGER, macro_value2 INTEGER, macro_value3 INTEGER, macro_desc TEXT)" },
    { "index", "keyindex", "CREATE INDEX keyindex ON t_key_macro_data(key_id)" },
    { "table", "t_key_otherdata", "CREATE TABLE t_key_otherdata(macro_value INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t  macro_desc TEXT, param TEXT, type INTEGER)" },
    { "index", "otheridindex", "CREATE INDEX otheridindex ON t_key_otherdata(macro_value)" },
    { "table", "t_key_textdata", "CREATE TABLE t_key_textdata(macro_value INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t  type INTEGER, text_caption TEXT, text_desc TEXT)" },
    { "index", "t_key_textdataindex", "CREATE INDEX t_key_textdataindex ON t_key_textdata(macro_value)" },
    { "table", "t_macro_data", "CREATE TABLE t_macro_data(macro_id INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t   name TEXT, play_type INTEGER, play_times INTEGER, delay_type INTEGER, delay_time INTEGER)" },
    { "index", "macroidindex", "CREATE INDEX macroidindex ON t_macro_data(macro_id)" },
    { "table", "t_macrorecord", "CREATE TABLE t_macrorecord(record_id INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t  macro_id INTEGER, type INTEGER, record_index INTEGER, desc TEXT, value INTEGER, delay_time INTEGER)" },
    { "index", "macrorecordindex", "CREATE INDEX macrorecordindex ON t_macrorecord(record_id)" },
    { "table", "t_light_data", "CREATE TABLE t_light_data(light_id INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t\t\t  profile INTEGER, name TEXT, mode INTEGER, brightness INTEGER, speed INTEGER, \t\t\t\t\t\t\t\t\t\tdirection INTEGER, colorful INTEGER, colorindex INTEGER, \t\t\t\t\t\t\t\t\t\tcolor_value INTEGER, config_func INTEGER, reserved INTEGER, status INTEGER)" },
    { "index", "lightindex", "CREATE INDEX lightindex ON t_light_data(light_id)" },
    { "table", "t_key_light_data", "CREATE TABLE t_key_light_data(keylight_id INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t   profile INTEGER, light_id INTEGER, key_code INTEGER, key_rgb INTEGER)" },
    { "index", "keylightindex", "CREATE INDEX keylightindex ON t_key_light_data(keylight_id)" },
};

using SchemaTest = StoreTest;

TEST_F(SchemaTest, NewDatabaseHasTheTenTablesAndNineIndexesAsQuotedAndNoRows)
{
    ASSERT_FALSE(QFileInfo::exists(DbPath()));
    ASSERT_TRUE(Open());
    EXPECT_TRUE(QFileInfo::exists(DbPath())); // the db folder was made on the way
    EXPECT_TRUE(m_store.IsOpened());

    const auto lock = m_store.Lock();
    SQLiteStatement statement;
    m_store.Prepare(statement,
        "SELECT type, name, sql FROM sqlite_master WHERE name NOT LIKE 'sqlite_%' ORDER BY rowid", -1);
    size_t n = 0;
    while (statement.Step() == 100) {
        ASSERT_LT(n, std::size(kExpectedSchema));
        EXPECT_STREQ(statement.GetColumnText(0), kExpectedSchema[n].type);
        EXPECT_STREQ(statement.GetColumnText(1), kExpectedSchema[n].name);
        EXPECT_STREQ(statement.GetColumnText(2), kExpectedSchema[n].sql);
        ++n;
    }
    EXPECT_EQ(n, std::size(kExpectedSchema));
    for (const char* table : { "t_configdata", "t_profile_data", "t_text_data", "t_key_macro_data",
             "t_key_otherdata", "t_key_textdata", "t_macro_data", "t_macrorecord", "t_light_data",
             "t_key_light_data" }) {
        m_store.Prepare(statement, QByteArray("SELECT count(*) FROM ").append(table).constData(), -1);
        ASSERT_EQ(statement.Step(), 100) << table;
        EXPECT_EQ(statement.GetColumnInt(0), 0) << table;
    }
}

// A file with only some of the tables (an older file, a hand-made one) gets
// the missing ones; what it holds stays as it is. Without them every write to
// a missing table would fail for good.
TEST_F(SchemaTest, ExistingDatabaseKeepsItsRowsAndGetsTheMissingTables)
{
    QDir().mkpath(m_data + QStringLiteral("db"));
    {
        SQLiteDB other;
        const QByteArray path = DbPath().toUtf8();
        ASSERT_TRUE(other.Open(path.constData(), SQLiteOpen::kReadWrite | SQLiteOpen::kCreate));
        ASSERT_EQ(other.Execute("CREATE TABLE t_configdata(config_id INTEGER PRIMARY KEY, profile INTEGER, key TEXT, value TEXT);"
                                "INSERT INTO t_configdata(profile, key, value) VALUES (1, 'report_rate', '3')"),
            0);
    }
    ASSERT_TRUE(Open());
    EXPECT_EQ(QueryInt("SELECT count(*) FROM sqlite_master WHERE name NOT LIKE 'sqlite%'"), 19);
    // The existing table keeps its own definition and its row.
    EXPECT_TRUE(QueryText("SELECT sql FROM sqlite_master WHERE name = 't_configdata'").contains(QStringLiteral("config_id INTEGER PRIMARY KEY,")));
    QString value;
    EXPECT_TRUE(m_store.GetConfigValue(1, QStringLiteral("report_rate"), value));
    EXPECT_EQ(value, QStringLiteral("3"));
    EXPECT_GT(m_store.AddMacro(QStringLiteral("m")), 0);

    // A file with all its tables runs no schema statement.
    m_store.CloseDatabase();
    {
        SQLiteDB other;
        const QByteArray path = DbPath().toUtf8();
        ASSERT_TRUE(other.Open(path.constData(), SQLiteOpen::kReadWrite));
        ASSERT_EQ(other.Execute("DROP INDEX macroidindex"), 0);
    }
    ASSERT_TRUE(Open());
    EXPECT_EQ(QueryInt("SELECT count(*) FROM sqlite_master WHERE name = 'macroidindex'"), 0);
}

TEST_F(SchemaTest, EmptyFileLeftByACreationCutShortGetsTheSchema)
{
    QDir().mkpath(m_data + QStringLiteral("db"));
    QFile empty(DbPath());
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    ASSERT_TRUE(Open());
    EXPECT_EQ(QueryInt("SELECT count(*) FROM sqlite_master WHERE name NOT LIKE 'sqlite%'"), 19);
    EXPECT_GT(m_store.AddMacro(QStringLiteral("m")), 0);
}

TEST_F(SchemaTest, ConnectionsRunWithWriteAheadLogAndNormalSync)
{
    ASSERT_TRUE(Open());
    EXPECT_EQ(QueryText("PRAGMA journal_mode"), QStringLiteral("wal"));
    EXPECT_EQ(QueryInt("PRAGMA synchronous"), 1); // NORMAL
    m_store.CloseDatabase();
    ASSERT_TRUE(Open()); // an existing file gets the same settings
    EXPECT_EQ(QueryText("PRAGMA journal_mode"), QStringLiteral("wal"));
    EXPECT_EQ(QueryInt("PRAGMA synchronous"), 1);
}

TEST_F(SchemaTest, EachModelHasItsOwnFileAndTheSwitchReopens)
{
    ASSERT_TRUE(Open(QStringLiteral("heron")));
    NamedEntry snippet;
    snippet.name = QStringLiteral("in heron");
    ASSERT_EQ(m_store.AddText(snippet), 1);

    ASSERT_TRUE(m_store.SelectDevice(m_data, QStringLiteral("egret")));
    EXPECT_EQ(m_store.DatabasePath(), DbPath(QStringLiteral("egret")).toUtf8());
    EXPECT_TRUE(QFileInfo::exists(DbPath(QStringLiteral("egret"))));
    std::vector<NamedEntry> texts;
    EXPECT_EQ(m_store.ListTexts(texts), 0);

    ASSERT_TRUE(m_store.SelectDevice(m_data, QStringLiteral("heron")));
    ASSERT_EQ(m_store.ListTexts(texts), 1);
    EXPECT_EQ(texts[0].name, QStringLiteral("in heron"));
}

TEST_F(SchemaTest, OpenForDeviceWhileConnectedKeepsTheConnection)
{
    ASSERT_TRUE(Open(QStringLiteral("heron")));
    ASSERT_TRUE(Open(QStringLiteral("heron")));
    EXPECT_TRUE(m_store.IsOpen());
}

TEST_F(SchemaTest, UnreachableFolderLeavesTheStoreUnconnected)
{
    // A file where the db folder should be: nothing can be created below it.
    QDir().mkpath(m_data);
    QFile blocker(m_data + QStringLiteral("db"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(Open());
    EXPECT_FALSE(m_store.IsOpen());
    EXPECT_FALSE(m_store.IsOpened());
}

} // namespace
