#include "StoreTestSupport.h"

#include "store/ProfileLoader.h"
#include "store/StoreRecords.h"

#include <QDir>
#include <QRegularExpression>

#include <functional>
#include <vector>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

class DamagedFileTest : public StoreTest {
protected:
    // A real database of this program with one snippet, closed (log checkpointed).
    QByteArray MakeValidDatabase()
    {
        EXPECT_TRUE(Open());
        NamedEntry entry;
        entry.name = QStringLiteral("precious");
        EXPECT_GT(m_store.AddText(entry), 0);
        m_store.CloseDatabase();
        return ReadAll(DbPath());
    }

    QStringList SetAside() const
    {
        return QDir(m_data + QStringLiteral("db")).entryList({ QStringLiteral("heron_datav3.db.corrupt-*") },
            QDir::Files, QDir::Name);
    }
};

struct DamageCase {
    const char* what;
    std::function<QByteArray(const QByteArray& valid)> make;
    // With a readable header SQLite itself settles leftover logs on opening;
    // without one they must reach the set-aside name untouched.
    bool logsMoveUntouched;
};

const DamageCase kDamage[] = {
    { "a text file", [](const QByteArray&) { return QByteArray("this is not a database\n").repeated(100); }, true },
    { "zeros", [](const QByteArray&) { return QByteArray(8192, '\0'); }, true },
    { "a header cut short", [](const QByteArray& valid) { return valid.left(50); }, true },
    { "an impossible page size", [](const QByteArray& valid) {
         QByteArray bad = valid;
         bad[16] = '\x00';
         bad[17] = '\x03';
         return bad;
     }, false },
    { "a destroyed schema page", [](const QByteArray& valid) {
         QByteArray bad = valid;
         for (qsizetype i = 100; i < 4096 && i < bad.size(); ++i)
             bad[i] = '\xFF';
         return bad;
     }, false },
};

TEST_F(DamagedFileTest, IsSetAsideAndAWorkingDatabaseReplacesIt)
{
    const QByteArray valid = MakeValidDatabase();
    ASSERT_GT(valid.size(), 4096);
    const QRegularExpression name(QStringLiteral("^heron_datav3\\.db\\.corrupt-\\d{8}T\\d{6}Z(-\\d+)?$"));

    int round = 0;
    for (const DamageCase& damage : kDamage) {
        SCOPED_TRACE(damage.what);
        const QByteArray bytes = damage.make(valid);
        WriteAll(DbPath(), bytes);
        // Logs that belong to the damaged file: never deleted, never replayed
        // into the new database.
        WriteAll(DbPath() + QStringLiteral("-wal"), QByteArray("old wal ") + damage.what);
        WriteAll(DbPath() + QStringLiteral("-journal"), QByteArray("old journal ") + damage.what);

        ASSERT_TRUE(Open());
        ++round;
        QString moved;
        int movedFiles = 0;
        for (const QString& file : SetAside()) {
            if (!name.match(file).hasMatch())
                continue;
            ++movedFiles;
            if (ReadAll(m_data + QStringLiteral("db/") + file) == bytes)
                moved = m_data + QStringLiteral("db/") + file;
        }
        EXPECT_EQ(movedFiles, round);
        ASSERT_FALSE(moved.isEmpty()) << "the damaged bytes were not kept";
        if (damage.logsMoveUntouched) {
            EXPECT_EQ(ReadAll(moved + QStringLiteral("-wal")), QByteArray("old wal ") + damage.what);
            EXPECT_EQ(ReadAll(moved + QStringLiteral("-journal")), QByteArray("old journal ") + damage.what);
        }
        // Whatever happened to them, the old logs are not the new database's.
        EXPECT_NE(ReadAll(DbPath() + QStringLiteral("-wal")), QByteArray("old wal ") + damage.what);
        EXPECT_FALSE(QFileInfo::exists(DbPath() + QStringLiteral("-journal")));

        // A fresh database with the full schema takes edits again.
        EXPECT_EQ(QueryText("PRAGMA integrity_check"), QStringLiteral("ok"));
        EXPECT_EQ(QueryInt("SELECT count(*) FROM sqlite_master WHERE name NOT LIKE 'sqlite%'"), 19);
        EXPECT_EQ(ProfileLoader::LoadProfiles(m_store).profile, 1);
        EXPECT_TRUE(m_store.SetConfigValue(1, QStringLiteral("report_rate"), QStringLiteral("3")));
        EXPECT_EQ(m_store.GetConfigInt(1, QStringLiteral("report_rate")), 3);
        m_store.CloseDatabase();
    }
}

TEST_F(DamagedFileTest, AHealthyFileIsNeverSetAside)
{
    MakeValidDatabase();
    ASSERT_TRUE(Open());
    QString name;
    EXPECT_TRUE(m_store.GetTextName(1, name));
    EXPECT_EQ(name, QStringLiteral("precious"));
    EXPECT_TRUE(SetAside().isEmpty());
}

class AtomicOperationTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        ASSERT_TRUE(Open());
        ProfileLoader::LoadProfiles(m_store);
    }
    // Makes the database refuse a statement, as a full disk or an I/O error would.
    void Refuse(const char* trigger)
    {
        ASSERT_EQ(m_store.Execute(trigger), 0);
    }
};

TEST_F(AtomicOperationTest, FailedActivationKeepsTheActiveProfile)
{
    Refuse("CREATE TRIGGER refuse BEFORE UPDATE OF status ON t_profile_data WHEN NEW.status = 1 "
           "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    EXPECT_FALSE(m_store.SetActiveProfile(2));
    EXPECT_EQ(m_store.GetActiveProfile(), 1);
    EXPECT_FALSE(m_store.InTransaction());
}

TEST_F(AtomicOperationTest, FailedLightActivationKeepsTheActiveMode)
{
    ASSERT_TRUE(m_store.AddDefaultLightModes(1));
    Refuse("CREATE TRIGGER refuse BEFORE UPDATE OF status ON t_light_data WHEN NEW.status = 1 "
           "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    EXPECT_FALSE(m_store.SetActiveLightMode(1, 5));
    EXPECT_EQ(m_store.GetActiveLightMode(1), 3);
}

TEST_F(AtomicOperationTest, FailedStepDeletionKeepsTheMacro)
{
    const int id = m_store.AddMacro(QStringLiteral("m"));
    ASSERT_TRUE(m_store.AddMacroSteps({ MacroStep { 0, id, 2, 0, 4, 0, {} }, MacroStep { 0, id, 3, 1, 4, 0, {} } }));
    Refuse("CREATE TRIGGER refuse BEFORE DELETE ON t_macrorecord BEGIN SELECT RAISE(ABORT, 'refused'); END");
    EXPECT_FALSE(m_store.DeleteMacro(id));
    MacroInfo macro;
    EXPECT_TRUE(m_store.GetMacro(id, macro));
    std::vector<MacroStep> steps;
    EXPECT_EQ(m_store.ListMacroSteps(id, steps), 2);
}

TEST_F(AtomicOperationTest, FailedMacroDeletionLeavesTheSteps)
{
    const int id = m_store.AddMacro(QStringLiteral("m"));
    ASSERT_TRUE(m_store.AddMacroSteps({ MacroStep { 0, id, 2, 0, 4, 0, {} } }));
    Refuse("CREATE TRIGGER refuse BEFORE DELETE ON t_macro_data BEGIN SELECT RAISE(ABORT, 'refused'); END");
    EXPECT_FALSE(m_store.DeleteMacro(id));
    std::vector<MacroStep> steps;
    EXPECT_EQ(m_store.ListMacroSteps(id, steps), 1);
}

TEST_F(AtomicOperationTest, FailedReassignmentKeepsTheOldAssignment)
{
    KeyAssignment button;
    button.profile = 1;
    button.key_code = 3;
    button.macro_type = 1;
    button.macro_value = 1;
    ASSERT_GT(m_store.SetKeyAssignment(button), 0);
    Refuse("CREATE TRIGGER refuse BEFORE INSERT ON t_key_macro_data BEGIN SELECT RAISE(ABORT, 'refused'); END");
    button.macro_value = 7;
    EXPECT_EQ(m_store.SetKeyAssignment(button), 0);
    KeyAssignment read;
    ASSERT_TRUE(m_store.GetKeyAssignment(1, 3, read));
    EXPECT_EQ(read.macro_value, 1);
}

TEST_F(AtomicOperationTest, ProfileWithoutItsConfigurationIsNotAdded)
{
    Refuse("CREATE TRIGGER refuse BEFORE INSERT ON t_configdata WHEN NEW.key = 'dpi_count' "
           "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    NamedEntry entry;
    entry.name = QStringLiteral("five");
    EXPECT_EQ(m_store.AddProfile(entry), 0);
    EXPECT_EQ(QueryInt("SELECT count(*) FROM t_profile_data"), 4);
    EXPECT_EQ(QueryInt("SELECT count(*) FROM t_configdata"), 4 * 36);
}

TEST(AtomicProfileLoad, ALoadThatFailsHalfWayLeavesNoPartialProfiles)
{
    // A fresh store of its own: the first load must be the failing one.
    QTemporaryDir dir;
    SettingsStore store;
    const QString data = dir.path() + QStringLiteral("/");
    ASSERT_TRUE(store.OpenForDevice(data, QStringLiteral("egret")));
    ASSERT_EQ(store.Execute("CREATE TRIGGER refuse BEFORE INSERT ON t_profile_data WHEN "
                            "(SELECT count(*) FROM t_profile_data) = 2 BEGIN SELECT RAISE(ABORT, 'refused'); END"),
        0);
    ProfileLoader::LoadProfiles(store);
    std::vector<NamedEntry> profiles;
    EXPECT_EQ(store.ListProfiles(profiles), 0);
    ASSERT_EQ(store.Execute("DROP TRIGGER refuse"), 0);
    EXPECT_EQ(ProfileLoader::LoadProfiles(store).profile, 1);
    EXPECT_EQ(store.ListProfiles(profiles), 4);
}

} // namespace
