#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

struct sqlite3;
class SQLiteStatement;

// Result codes the program looks at (the library's own values).
namespace SQLiteResult {
constexpr int kOk = 0;
constexpr int kError = 1;
constexpr int kBusy = 5;
constexpr int kReadOnly = 8;
constexpr int kCorrupt = 11;
constexpr int kCantOpen = 14;
constexpr int kMisuse = 21;
constexpr int kNotADatabase = 26;
constexpr int kRow = 100;
constexpr int kDone = 101;
} // namespace SQLiteResult

// Open flags the store uses.
namespace SQLiteOpen {
constexpr int kReadWrite = 0x00000002;
constexpr int kCreate = 0x00000004;
constexpr int kFullMutex = 0x00010000;
} // namespace SQLiteOpen

// The one place that owns an SQLite connection. Operations return the library's
// result codes unchanged; without a connection they return 21 (misuse) and do
// not call the library. A statement that fails is reported here and only here
// (a debug line with its SQL and the library's message under TARVO_DEBUG=1),
// once, whichever operation ran it.
class SQLiteDB {
public:
    SQLiteDB();
    virtual ~SQLiteDB();
    SQLiteDB(const SQLiteDB&) = delete;
    SQLiteDB& operator=(const SQLiteDB&) = delete;

    // Closes any open connection, opens `path` (UTF-8) with `flags` and prepares
    // it for use: write-ahead log, synchronous NORMAL (an edit that returned
    // survives a crash of the program; the file stays consistent on power loss)
    // and a short busy wait. Fails, leaving no connection, when the library
    // refuses the file or cannot read it as a database (not a database, a
    // damaged first page, a folder where its log cannot be made);
    // LastOpenResult() then tells why.
    bool Open(const char* path, int flags);
    // True without a connection. A refused close (unfinalised statements) keeps
    // the connection and gives false.
    bool Close();
    bool IsOpen() const { return m_connection != nullptr; }

    // Finalizes what `statement` holds, then compiles `sql` into it. A negative
    // length means the text up to its terminator.
    int Prepare(SQLiteStatement& statement, const char* sql, int length);
    // Runs one or more statements, discarding rows. The callback is the
    // library's row callback and may be null.
    int Execute(const char* sql, int (*callback)(void*, int, char**, char**) = nullptr, void* argument = nullptr);
    // Row id of the last insert on this connection; -1 without a connection.
    int64_t LastInsertRowId() const;
    // True while a transaction or savepoint is open on the connection.
    bool InTransaction() const;
    // True when the connection can read the file but not write it (its
    // permissions, an immutable file). False without a connection.
    bool IsReadOnly() const;
    // The library's text for the connection's last failure; empty without one.
    QString LastErrorMessage() const;

    // The result of the last Open: 0 after success, else the code of the open or
    // of the first statement on the file (26 not a database, 11 corrupt, ...).
    int LastOpenResult() const { return m_lastOpenResult; }

    // Whether a statement's text changes the database (by its first word);
    // transaction control counts, since a failed commit loses the writes.
    static bool ChangesData(const char* sql);

protected:
    // Gives the connection up even when statements are still open: the library
    // closes it when the last one is finalized.
    void Abandon();
    // Told of every failed statement that changes the database, after its
    // debug line: the result code and the library's message. Runs on the
    // thread of the statement, inside whatever lock its caller holds.
    using WriteFailureHandler = std::function<void(int result, const QString& message)>;
    void SetWriteFailureHandler(WriteFailureHandler handler) { m_writeFailure = std::move(handler); }

private:
    // The one report of a failed statement.
    void ReportFailure(int result, const char* sql, bool changesData);

    struct Closer {
        void operator()(sqlite3* connection) const;
    };
    std::unique_ptr<sqlite3, Closer> m_connection;
    int m_lastOpenResult = 0;
    WriteFailureHandler m_writeFailure;

    friend class SQLiteStatement;
};
