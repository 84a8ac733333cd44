#include "store/SQLiteDB.h"

#include "store/SQLiteStatement.h"
#include "store/StoreLog.h"

#include <sqlite3.h>

#include <array>
#include <cctype>
#include <cstring>
#include <strings.h>

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
    // whose first page or schema is damaged, answers here. So does a
    // database whose log cannot be made (a read-only folder): every later
    // statement would fail the same way, so it is no usable connection.
    int result = sqlite3_exec(connection.get(), "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
    if (!MeansNotADatabase(result))
        result = sqlite3_exec(connection.get(), "PRAGMA synchronous = NORMAL", nullptr, nullptr, nullptr);
    if (!MeansNotADatabase(result))
        result = sqlite3_exec(connection.get(), "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (result != SQLITE_OK) {
        StoreDebugLine(QStringLiteral("sqlite %1 (%2) opening %3")
                           .arg(result)
                           .arg(QString::fromUtf8(sqlite3_errmsg(connection.get())), QString::fromUtf8(path)));
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
    statement.m_database = this;
    if (result != SQLITE_OK)
        ReportFailure(result, sql, ChangesData(sql));
    return result;
}

int SQLiteDB::Execute(const char* sql, int (*callback)(void*, int, char**, char**), void* argument)
{
    if (!m_connection || !sql)
        return SQLITE_MISUSE;
    const int result = sqlite3_exec(m_connection.get(), sql, callback, argument, nullptr);
    // SQLITE_ABORT after a callback asked to stop is the caller's choice, not a failure.
    if (result != SQLITE_OK && !(callback && result == SQLITE_ABORT))
        ReportFailure(result, sql, ChangesData(sql));
    return result;
}

void SQLiteDB::ReportFailure(int result, const char* sql, bool changesData)
{
    const QString message = m_connection ? QString::fromUtf8(sqlite3_errmsg(m_connection.get()))
                                         : QString::fromUtf8(sqlite3_errstr(result));
    StoreDebugLine(QStringLiteral("sqlite %1 (%2) in: %3").arg(result).arg(message, QString::fromUtf8(sql)));
    if (changesData && m_writeFailure)
        m_writeFailure(result, message);
}

bool SQLiteDB::ChangesData(const char* sql)
{
    if (!sql)
        return false;
    while (*sql && std::isspace(static_cast<unsigned char>(*sql)))
        ++sql;
    static constexpr std::array kWords{"INSERT", "UPDATE", "DELETE", "REPLACE", "CREATE", "DROP", "ALTER", "BEGIN",
        "COMMIT", "END", "SAVEPOINT", "RELEASE", "ROLLBACK", "VACUUM", "REINDEX"};
    for (const char* word : kWords) {
        const size_t length = std::strlen(word);
        if (strncasecmp(sql, word, length) == 0 && !std::isalnum(static_cast<unsigned char>(sql[length])))
            return true;
    }
    return false;
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

bool SQLiteDB::IsReadOnly() const
{
    return m_connection && sqlite3_db_readonly(m_connection.get(), "main") == 1;
}

QString SQLiteDB::LastErrorMessage() const
{
    if (!m_connection || sqlite3_errcode(m_connection.get()) == SQLITE_OK)
        return {};
    return QString::fromUtf8(sqlite3_errmsg(m_connection.get()));
}
