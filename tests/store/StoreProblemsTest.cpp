// What the store does when its file cannot be trusted or written, and how it
// says so: the problem listener hears of it once, the debug log names the
// failing statement once.

#include "StoreTestSupport.h"

#include "store/ProfileLoader.h"
#include "store/SQLiteDB.h"
#include "store/StoreRecords.h"
#include "support/OddFiles.h"

#include <QDir>
#include <QProcess>

#include <mutex>
#include <unistd.h>
#include <vector>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Makes a file or folder refuse writes, also to root, who ignores the
// permission bits: with the immutable attribute where it can be set.
class WriteProtection {
public:
    ~WriteProtection()
    {
        if (m_immutable)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), m_path});
        else if (!m_path.isEmpty())
            QFile::setPermissions(m_path, m_permissions);
    }
    bool Apply(const QString& path)
    {
        m_path = path;
        if (::geteuid() == 0) {
            m_immutable = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0;
            if (!m_immutable)
                m_path.clear();
            return m_immutable;
        }
        m_permissions = QFile::permissions(path);
        const bool folder = QFileInfo(path).isDir();
        return QFile::setPermissions(path,
            QFile::ReadOwner | (folder ? QFile::ExeOwner : QFile::Permissions()) | QFile::ReadGroup | QFile::ReadOther);
    }

private:
    QString m_path;
    bool m_immutable = false;
    QFile::Permissions m_permissions;
};

class StoreProblemsTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        m_store.SetProblemListener([this](const StoreProblem& problem) {
            const std::lock_guard lock(m_mutex);
            m_problems.push_back(problem);
        });
    }
    std::vector<StoreProblem> Problems()
    {
        const std::lock_guard lock(m_mutex);
        return m_problems;
    }
    // A closed database of this program with a profile load and many
    // snippets, so it spans many pages.
    QByteArray MakeDatabase()
    {
        EXPECT_TRUE(Open());
        EXPECT_EQ(ProfileLoader::LoadProfiles(m_store).profile, 1);
        for (int i = 0; i < 300; ++i) {
            NamedEntry entry;
            entry.name = QStringLiteral("snippet %1").arg(i);
            entry.text = QString(200, QLatin1Char('a' + i % 26));
            EXPECT_GT(m_store.AddText(entry), 0);
        }
        m_store.CloseDatabase();
        return ReadAll(DbPath());
    }
    QStringList SetAside() const
    {
        return QDir(m_data + QStringLiteral("db"))
            .entryList({QStringLiteral("heron_datav3.db.corrupt-*")}, QDir::Files | QDir::System);
    }

    std::mutex m_mutex;
    std::vector<StoreProblem> m_problems;
};

// The first page and the schema are fine, so the file opens; a page further in
// is garbage. Used as it is, writes to that part fail unseen for ever.
TEST_F(StoreProblemsTest, AFileDamagedPastItsFirstPageIsSetAside)
{
    QByteArray bytes = MakeDatabase();
    constexpr qsizetype kPage = 4096;
    ASSERT_GT(bytes.size(), 20 * kPage);
    const qsizetype middle = (bytes.size() / kPage / 2) * kPage;
    for (qsizetype i = middle; i < middle + kPage; ++i)
        bytes[i] = '\xA5';
    {
        QFile file(DbPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    ASSERT_TRUE(Open());
    const QStringList aside = SetAside();
    ASSERT_EQ(aside.size(), 1) << "the damaged file was used as it is";
    EXPECT_EQ(ReadAll(m_data + QStringLiteral("db/") + aside[0]), bytes) << "kept byte for byte";
    const std::vector<StoreProblem> problems = Problems();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].kind, StoreProblem::Kind::SetAside);
    EXPECT_EQ(problems[0].path, m_data + QStringLiteral("db/") + aside[0]);

    // A fresh database that takes edits.
    EXPECT_EQ(QueryText("PRAGMA integrity_check"), QStringLiteral("ok"));
    EXPECT_EQ(ProfileLoader::LoadProfiles(m_store).profile, 1);
    EXPECT_TRUE(m_store.SetConfigValue(1, QStringLiteral("report_rate"), QStringLiteral("2")));
    // A healthy file passes the check and is kept.
    m_store.CloseDatabase();
    ASSERT_TRUE(Open());
    EXPECT_EQ(SetAside().size(), 1);
    EXPECT_EQ(m_store.GetConfigInt(1, QStringLiteral("report_rate")), 2);
}

TEST_F(StoreProblemsTest, SomethingThatIsNoRegularFileAtTheDatabasePathIsSetAside)
{
    QDir().mkpath(m_data + QStringLiteral("db"));
    ASSERT_TRUE(OddFiles::MakeFifo(DbPath()));
    bool opened = false;
    // Reading the FIFO's header would wait for a writer for ever.
    ASSERT_TRUE(OddFiles::ReturnsWithin([&] { opened = Open(); }, DbPath()));
    EXPECT_TRUE(opened);
    EXPECT_EQ(SetAside().size(), 1);
    EXPECT_TRUE(QFileInfo(DbPath()).isFile());
    EXPECT_GT(m_store.AddMacro(QStringLiteral("m")), 0);
}

// Another program holds the database's write lock: every write fails. The
// listener hears of it once, however many writes fail.
TEST_F(StoreProblemsTest, FailingWritesAreReportedOncePerFile)
{
    ASSERT_TRUE(Open());
    ASSERT_EQ(ProfileLoader::LoadProfiles(m_store).profile, 1);
    EXPECT_TRUE(Problems().empty());

    SQLiteDB other;
    const QByteArray path = DbPath().toUtf8();
    ASSERT_TRUE(other.Open(path.constData(), SQLiteOpen::kReadWrite));
    ASSERT_EQ(other.Execute("BEGIN EXCLUSIVE"), 0);
    EXPECT_FALSE(m_store.SetConfigValue(1, QStringLiteral("report_rate"), QStringLiteral("1")));
    EXPECT_EQ(m_store.AddMacro(QStringLiteral("m")), 0);
    EXPECT_FALSE(m_store.ResetConfig(1));
    ASSERT_EQ(Problems().size(), 1u);
    EXPECT_EQ(Problems()[0].kind, StoreProblem::Kind::WriteFailed);
    EXPECT_EQ(Problems()[0].path, DbPath());
    EXPECT_FALSE(Problems()[0].detail.isEmpty());

    // Released, writes work again; a later failure of the same file is not
    // told again in this run.
    ASSERT_EQ(other.Execute("END"), 0);
    EXPECT_TRUE(m_store.SetConfigValue(1, QStringLiteral("report_rate"), QStringLiteral("1")));
    ASSERT_EQ(other.Execute("BEGIN EXCLUSIVE"), 0);
    EXPECT_FALSE(m_store.SetConfigValue(1, QStringLiteral("report_rate"), QStringLiteral("2")));
    EXPECT_EQ(Problems().size(), 1u);
    ASSERT_EQ(other.Execute("END"), 0);
    // Reads that fail are no write problem.
    std::vector<NamedEntry> entries;
    EXPECT_EQ(m_store.ListTexts(entries), 0);
    EXPECT_EQ(Problems().size(), 1u);
}

TEST_F(StoreProblemsTest, AReadOnlyFileIsReadAndReportedAtOnce)
{
    MakeDatabase();
    WriteProtection protection;
    if (!protection.Apply(DbPath()))
        GTEST_SKIP() << "this file system cannot make the file read-only";
    ASSERT_TRUE(Open()) << "a read-only file still shows its settings";
    EXPECT_TRUE(m_store.IsReadOnly());
    ASSERT_EQ(Problems().size(), 1u);
    EXPECT_EQ(Problems()[0].kind, StoreProblem::Kind::ReadOnly);
    QString name;
    EXPECT_TRUE(m_store.GetTextName(1, name));
    EXPECT_EQ(name, QStringLiteral("snippet 0"));
    EXPECT_FALSE(m_store.SetConfigValue(1, QStringLiteral("report_rate"), QStringLiteral("1")));
    EXPECT_EQ(Problems().size(), 1u) << "told once";
    EXPECT_TRUE(SetAside().isEmpty()) << "a read-only file is not damaged";
}

// In a folder that refuses writes the log of the database cannot be made, and
// then no statement runs at all: the open fails, and says so.
TEST_F(StoreProblemsTest, AFolderThatRefusesWritesCannotOpenAndIsReported)
{
    MakeDatabase();
    WriteProtection protection;
    if (!protection.Apply(m_data + QStringLiteral("db")))
        GTEST_SKIP() << "this file system cannot make the folder read-only";
    EXPECT_FALSE(Open());
    EXPECT_FALSE(m_store.IsOpened());
    ASSERT_EQ(Problems().size(), 1u);
    EXPECT_EQ(Problems()[0].kind, StoreProblem::Kind::CannotOpen);
    EXPECT_FALSE(m_store.SetConfigValue(1, QStringLiteral("report_rate"), QStringLiteral("1")));
    EXPECT_EQ(Problems().size(), 1u);
}

TEST_F(StoreProblemsTest, AFolderInTheWayCannotOpenAndIsReported)
{
    QDir().mkpath(m_data);
    QFile blocker(m_data + QStringLiteral("db"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(Open());
    ASSERT_EQ(Problems().size(), 1u);
    EXPECT_EQ(Problems()[0].kind, StoreProblem::Kind::CannotOpen);
    EXPECT_EQ(Problems()[0].path, DbPath());
}

TEST_F(StoreProblemsTest, AStemThatIsNoPlainNameOpensNothing)
{
    for (const char* stem : {"../../escape/heron", "a/b", "", ".hidden"}) {
        EXPECT_FALSE(Open(QString::fromLatin1(stem))) << stem;
        EXPECT_FALSE(m_store.IsOpen());
    }
    EXPECT_FALSE(QFileInfo::exists(m_dir.path() + QStringLiteral("/escape")));
    EXPECT_FALSE(QFileInfo::exists(m_data + QStringLiteral("db")));
    EXPECT_TRUE(Problems().empty()) << "no model's file was tried";
}

// ---- The debug log of failing statements ----

std::mutex g_logMutex;
QStringList g_storeLines;

void CaptureStoreLines(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (context.category && QByteArray(context.category) == "tarvo.store") {
        const std::lock_guard lock(g_logMutex);
        g_storeLines << message;
    }
}

class StoreLogTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        m_debug = qgetenv("TARVO_DEBUG");
        qputenv("TARVO_DEBUG", "1");
        g_storeLines.clear();
        m_previous = qInstallMessageHandler(CaptureStoreLines);
    }
    void TearDown() override
    {
        qInstallMessageHandler(m_previous);
        qputenv("TARVO_DEBUG", m_debug);
        StoreTest::TearDown();
    }
    QStringList Take()
    {
        const std::lock_guard lock(g_logMutex);
        QStringList lines = g_storeLines;
        g_storeLines.clear();
        return lines;
    }
    QByteArray m_debug;
    QtMessageHandler m_previous = nullptr;
};

TEST_F(StoreLogTest, AFailingStatementIsLoggedOnceWithItsSqlAndTheLibrarysMessage)
{
    ASSERT_TRUE(Open());
    Take();
    ASSERT_EQ(m_store.Execute(
                  "CREATE TRIGGER refuse BEFORE INSERT ON t_macro_data BEGIN SELECT RAISE(ABORT, 'refused here'); END"),
        0);
    EXPECT_EQ(m_store.AddMacro(QStringLiteral("m")), 0);
    QStringList lines = Take();
    ASSERT_EQ(lines.size(), 1) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(lines[0].contains(QStringLiteral("INSERT INTO t_macro_data"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains(QStringLiteral("refused here"))) << lines[0].toStdString();

    // A statement that does not compile, and one run by Execute.
    SQLiteStatement statement;
    EXPECT_NE(m_store.Prepare(statement, "SELECT value FROM t_nowhere", -1), 0);
    EXPECT_EQ(statement.Step(), 21);
    EXPECT_NE(m_store.Execute("DROP TABLE t_nowhere"), 0);
    lines = Take();
    ASSERT_EQ(lines.size(), 2) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(lines[0].contains(QStringLiteral("no such table: t_nowhere"))
        && lines[0].contains(QStringLiteral("SELECT value FROM t_nowhere")))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains(QStringLiteral("DROP TABLE t_nowhere")));

    // Statements that work log nothing.
    EXPECT_TRUE(m_store.SetConfigValue(1, QStringLiteral("report_rate"), QStringLiteral("1")));
    EXPECT_TRUE(Take().isEmpty());
    // Without TARVO_DEBUG nothing is written.
    qputenv("TARVO_DEBUG", "0");
    EXPECT_EQ(m_store.AddMacro(QStringLiteral("m")), 0);
    EXPECT_TRUE(Take().isEmpty());
}

} // namespace
