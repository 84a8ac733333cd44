#include "store/SQLiteStatement.h"

#include "store/SQLiteDB.h"

#include <sqlite3.h>

void SQLiteStatement::Finalizer::operator()(sqlite3_stmt* statement) const
{
    sqlite3_finalize(statement);
}

SQLiteStatement::SQLiteStatement() = default;

SQLiteStatement::~SQLiteStatement()
{
    Finalize();
}

int SQLiteStatement::BindInt(int index, int32_t value)
{
    if (!m_statement)
        return SQLITE_MISUSE;
    return sqlite3_bind_int(m_statement.get(), index, value);
}

int SQLiteStatement::BindText(int index, const char* utf8, int byteCount)
{
    if (!m_statement)
        return SQLITE_MISUSE;
    return sqlite3_bind_text(m_statement.get(), index, utf8, byteCount, SQLITE_STATIC);
}

int SQLiteStatement::BindUtf8(int index, const QByteArray& utf8)
{
    return BindText(index, utf8.constData(), static_cast<int>(utf8.size()));
}

int SQLiteStatement::Step()
{
    if (!m_statement)
        return SQLITE_MISUSE;
    const int result = sqlite3_step(m_statement.get());
    if (result != SQLITE_ROW && result != SQLITE_DONE && m_database) {
        const char* sql = sqlite3_sql(m_statement.get());
        m_database->ReportFailure(result, sql, !sqlite3_stmt_readonly(m_statement.get()) || SQLiteDB::ChangesData(sql));
    }
    return result;
}

int32_t SQLiteStatement::GetColumnInt(int column) const
{
    if (!m_statement)
        return 0;
    return sqlite3_column_int(m_statement.get(), column);
}

const char* SQLiteStatement::GetColumnText(int column) const
{
    if (!m_statement)
        return nullptr;
    return reinterpret_cast<const char*>(sqlite3_column_text(m_statement.get(), column));
}

QString SQLiteStatement::GetColumnString(int column) const
{
    return QString::fromUtf8(GetColumnText(column));
}

int SQLiteStatement::Finalize()
{
    if (!m_statement)
        return SQLITE_OK;
    // The statement is freed whatever the result says (that is the last step's error).
    return sqlite3_finalize(m_statement.release());
}
