#pragma once

class SQLiteDB;

// Makes a multi-statement table operation all-or-nothing. Savepoints nest, so an
// operation that runs inside another one's savepoint joins it. Rolls back unless
// Release() succeeded. Used only under the store lock.
class StoreSavepoint {
public:
    explicit StoreSavepoint(SQLiteDB& database);
    ~StoreSavepoint();
    StoreSavepoint(const StoreSavepoint&) = delete;
    StoreSavepoint& operator=(const StoreSavepoint&) = delete;

    bool IsOpen() const { return m_open; }
    // Keeps the work; false (and rolled back) when it cannot be kept.
    [[nodiscard]] bool Release();
    void Rollback();

private:
    SQLiteDB& m_database;
    bool m_open = false;
};
