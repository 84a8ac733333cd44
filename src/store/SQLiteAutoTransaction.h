#pragma once

class SQLiteDB;

// "BEGIN" on construction, "END" on destruction unless committed before: the
// work is always committed, never rolled back. Not for nesting inside another
// transaction: its "END" would end the outer one.
class SQLiteAutoTransaction {
public:
    explicit SQLiteAutoTransaction(SQLiteDB* database);
    virtual ~SQLiteAutoTransaction();
    SQLiteAutoTransaction(const SQLiteAutoTransaction&) = delete;
    SQLiteAutoTransaction& operator=(const SQLiteAutoTransaction&) = delete;

    // False without a database or while active; without a connection it marks the
    // transaction active and gives false.
    bool Begin();
    // "END". False without a database or connection, or when "END" fails.
    bool Commit();
    bool IsActive() const { return m_active; }

private:
    SQLiteDB* m_database;
    bool m_active = false;
};
