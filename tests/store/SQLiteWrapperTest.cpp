#include "store/SQLiteAutoTransaction.h"
#include "store/SQLiteDB.h"
#include "store/SQLiteStatement.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class WrapperTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_path = (m_dir.path() + QStringLiteral("/w.db")).toUtf8();
        ASSERT_TRUE(m_db.Open(m_path.constData(), SQLiteOpen::kReadWrite | SQLiteOpen::kCreate | SQLiteOpen::kFullMutex));
        ASSERT_EQ(m_db.Execute("CREATE TABLE t(v INTEGER)"), 0);
    }
    int Count()
    {
        SQLiteStatement statement;
        m_db.Prepare(statement, "SELECT count(*) FROM t", -1);
        return statement.Step() == SQLiteResult::kRow ? statement.GetColumnInt(0) : -1;
    }
    QTemporaryDir m_dir;
    QByteArray m_path;
    SQLiteDB m_db;
};

TEST(SQLiteWrapper, NullHandlesAnswerMisuseWithoutTouchingTheLibrary)
{
    SQLiteDB db;
    SQLiteStatement statement;
    EXPECT_FALSE(db.IsOpen());
    EXPECT_TRUE(db.Close());
    EXPECT_EQ(db.Execute("SELECT 1"), 21);
    EXPECT_EQ(db.Prepare(statement, "SELECT 1", -1), 21);
    EXPECT_EQ(db.LastInsertRowId(), -1);
    EXPECT_FALSE(db.InTransaction());
    EXPECT_EQ(statement.BindInt(1, 5), 21);
    EXPECT_EQ(statement.BindText(1, "x", 1), 21);
    EXPECT_EQ(statement.Step(), 21);
    EXPECT_EQ(statement.GetColumnInt(0), 0);
    EXPECT_EQ(statement.GetColumnText(0), nullptr);
    EXPECT_FALSE(db.Open(nullptr, SQLiteOpen::kReadWrite));
}

TEST(SQLiteWrapper, OpenWithoutCreateFlagFailsOnMissingFile)
{
    QTemporaryDir dir;
    SQLiteDB db;
    const QByteArray path = (dir.path() + QStringLiteral("/missing.db")).toUtf8();
    EXPECT_FALSE(db.Open(path.constData(), SQLiteOpen::kReadWrite | SQLiteOpen::kFullMutex));
    EXPECT_FALSE(db.IsOpen());
    EXPECT_NE(db.LastOpenResult(), 0);
}

TEST_F(WrapperTest, PrepareFinalizesWhatTheStatementHeldFirst)
{
    SQLiteStatement statement;
    ASSERT_EQ(m_db.Prepare(statement, "SELECT 7", -1), 0);
    ASSERT_EQ(statement.Step(), SQLiteResult::kRow);
    // A failing compile still releases the previous statement.
    EXPECT_NE(m_db.Prepare(statement, "SELEC nonsense", -1), 0);
    EXPECT_FALSE(statement.IsPrepared());
    EXPECT_EQ(m_db.Prepare(statement, nullptr, -1), 21);
    // Nothing is left open: the connection closes.
    EXPECT_TRUE(m_db.Close());
}

TEST_F(WrapperTest, CloseIsRefusedWhileAStatementIsOpenAndKeepsTheConnection)
{
    SQLiteStatement statement;
    ASSERT_EQ(m_db.Prepare(statement, "SELECT 1", -1), 0);
    EXPECT_FALSE(m_db.Close());
    EXPECT_TRUE(m_db.IsOpen());
    statement.Finalize();
    EXPECT_TRUE(m_db.Close());
    EXPECT_FALSE(m_db.IsOpen());
}

TEST_F(WrapperTest, BoundTextAndLastInsertRowId)
{
    SQLiteStatement statement;
    ASSERT_EQ(m_db.Execute("CREATE TABLE s(id INTEGER PRIMARY KEY, txt TEXT)"), 0);
    const QByteArray text = QStringLiteral("Grüße 配置").toUtf8();
    m_db.Prepare(statement, "INSERT INTO s(txt) VALUES (?)", -1);
    statement.BindText(1, text.constData(), static_cast<int>(text.size()));
    EXPECT_EQ(statement.Step(), SQLiteResult::kDone);
    EXPECT_EQ(m_db.LastInsertRowId(), 1);
    m_db.Prepare(statement, "SELECT txt FROM s", -1);
    ASSERT_EQ(statement.Step(), SQLiteResult::kRow);
    EXPECT_EQ(QString::fromUtf8(statement.GetColumnText(0)), QStringLiteral("Grüße 配置"));
}

TEST_F(WrapperTest, AutoTransactionCommitsWhenDestroyedWhileActive)
{
    {
        SQLiteAutoTransaction transaction(&m_db);
        EXPECT_TRUE(transaction.IsActive());
        EXPECT_TRUE(m_db.InTransaction());
        m_db.Execute("INSERT INTO t VALUES (1)");
        EXPECT_FALSE(transaction.Begin()); // already active
    }
    EXPECT_FALSE(m_db.InTransaction());
    EXPECT_EQ(Count(), 1);
    // A second connection sees the row: it was committed, not left pending.
    SQLiteDB other;
    ASSERT_TRUE(other.Open(m_path.constData(), SQLiteOpen::kReadWrite | SQLiteOpen::kFullMutex));
    SQLiteStatement statement;
    other.Prepare(statement, "SELECT count(*) FROM t", -1);
    ASSERT_EQ(statement.Step(), SQLiteResult::kRow);
    EXPECT_EQ(statement.GetColumnInt(0), 1);
}

TEST_F(WrapperTest, AutoTransactionBeginAndCommit)
{
    SQLiteAutoTransaction transaction(&m_db);
    EXPECT_TRUE(transaction.Commit());
    EXPECT_FALSE(transaction.IsActive());
    EXPECT_TRUE(transaction.Begin());
    EXPECT_TRUE(m_db.InTransaction());
    EXPECT_TRUE(transaction.Commit());
    EXPECT_FALSE(m_db.InTransaction());
}

TEST(SQLiteWrapper, AutoTransactionWithoutDatabaseOrConnection)
{
    SQLiteAutoTransaction none(nullptr);
    EXPECT_FALSE(none.IsActive());
    EXPECT_FALSE(none.Begin());
    EXPECT_FALSE(none.Commit());

    SQLiteDB closed;
    SQLiteAutoTransaction unconnected(&closed);
    EXPECT_TRUE(unconnected.IsActive()); // marked active even with nothing to run on
    EXPECT_FALSE(unconnected.Commit());
    EXPECT_FALSE(unconnected.IsActive());
    EXPECT_FALSE(unconnected.Begin());
    EXPECT_TRUE(unconnected.IsActive());
}

} // namespace
