#include "store/SQLiteDB.h"

#include "store/SQLiteStatement.h"

#include <sqlite3.h>

namespace {

// How long a statement waits for another connection's lock before it reports
// busy: long enough for a checkpoint, short enough never to freeze the window.
constexpr int kBusyTimeoutMs = 500;

bool MeansNotADatabase(int result)
{
    const int primary = result & 0xFF;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

} // namespace

void SQLiteDB::Closer::operator()(sqlite3* connection) const
{
    // close_v2 never refuses: with statements still open the connection becomes
    // a zombie that the library frees with the last of them.
    sqlite3_close_v2(connection);
}

SQLiteDB::SQLiteDB() = default;

SQLiteDB::~SQLiteDB()
{
    if (m_connection) {
        sqlite3_interrupt(m_connection.get());
        if (sqlite3_close(m_connection.get()) == SQLITE_OK)
            m_connection.release();
    }
}

bool SQLiteDB::Open(const char* path, int flags)
{
    if (m_connection) {
        sqlite3_interrupt(m_connection.get());
        if (!Close())
            Abandon();
    }
    m_lastOpenResult = SQLITE_MISUSE;
    if (!path)
        return false;

    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(path, &raw, flags, nullptr);
    std::unique_ptr<sqlite3, Closer> connection(raw);
    if (opened != SQLITE_OK) {
        m_lastOpenResult = opened;
        return false;
    }
    sqlite3_busy_timeout(connection.get(), kBusyTimeoutMs);

    // The library reads the file only now: a file that is not a database, or
    // whose first page or schema is damaged, answers here.
    int result = sqlite3_exec(connection.get(), "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
    if (!MeansNotADatabase(result))
        result = sqlite3_exec(connection.get(), "PRAGMA synchronous = NORMAL", nullptr, nullptr, nullptr);
    if (!MeansNotADatabase(result))
        result = sqlite3_exec(connection.get(), "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (MeansNotADatabase(result)) {
        m_lastOpenResult = result;
        return false;
    }
    m_lastOpenResult = SQLITE_OK;
    m_connection = std::move(connection);
    return true;
}

bool SQLiteDB::Close()
{
    if (!m_connection)
        return true;
    if (sqlite3_close(m_connection.get()) != SQLITE_OK)
        return false;
    m_connection.release();
    return true;
}

void SQLiteDB::Abandon()
{
    m_connection.reset();
}

int SQLiteDB::Prepare(SQLiteStatement& statement, const char* sql, int length)
{
    statement.Finalize();
    if (!m_connection || !sql)
        return SQLITE_MISUSE;
    sqlite3_stmt* raw = nullptr;
    const int result = sqlite3_prepare_v2(m_connection.get(), sql, length < 0 ? -1 : length, &raw, nullptr);
    statement.m_statement.reset(raw);
    return result;
}

int SQLiteDB::Execute(const char* sql, int (*callback)(void*, int, char**, char**), void* argument)
{
    if (!m_connection || !sql)
        return SQLITE_MISUSE;
    return sqlite3_exec(m_connection.get(), sql, callback, argument, nullptr);
}

int64_t SQLiteDB::LastInsertRowId() const
{
    if (!m_connection)
        return -1;
    return sqlite3_last_insert_rowid(m_connection.get());
}

bool SQLiteDB::InTransaction() const
{
    return m_connection && sqlite3_get_autocommit(m_connection.get()) == 0;
}
