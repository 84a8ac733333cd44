#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>

struct sqlite3_stmt;
class SQLiteDB;

// One compiled statement. Without a compiled statement the operations return 21
// (misuse), the column readers 0 or null, without calling the library. A step
// that fails is reported by the database that compiled the statement.
class SQLiteStatement {
public:
    SQLiteStatement();
    virtual ~SQLiteStatement();
    SQLiteStatement(const SQLiteStatement&) = delete;
    SQLiteStatement& operator=(const SQLiteStatement&) = delete;

    // Indexes are 1-based.
    int BindInt(int index, int32_t value);
    // The bytes are not copied: the caller keeps them alive until the statement
    // has been stepped (or finalized).
    int BindText(int index, const char* utf8, int byteCount);
    // The whole of `utf8`, which the caller keeps alive the same way.
    int BindUtf8(int index, const QByteArray& utf8);
    int Step();
    // Columns are 0-based.
    int32_t GetColumnInt(int column) const;
    // Valid until the next Step or Finalize; null without a statement or for NULL.
    const char* GetColumnText(int column) const;
    // The column's UTF-8 text as a string; empty without a statement or for NULL.
    QString GetColumnString(int column) const;
    int Finalize();

    bool IsPrepared() const { return m_statement != nullptr; }

private:
    struct Finalizer {
        void operator()(sqlite3_stmt* statement) const;
    };
    std::unique_ptr<sqlite3_stmt, Finalizer> m_statement;
    SQLiteDB* m_database = nullptr; // that compiled it, for the report of a failed step

    friend class SQLiteDB;
};
