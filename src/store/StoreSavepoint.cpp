#include "store/StoreSavepoint.h"

#include "store/SQLiteDB.h"

StoreSavepoint::StoreSavepoint(SQLiteDB& database)
    : m_database(database)
{
    m_open = m_database.Execute("SAVEPOINT tarvo_op") == SQLiteResult::kOk;
}

StoreSavepoint::~StoreSavepoint()
{
    Rollback();
}

bool StoreSavepoint::Release()
{
    if (!m_open)
        return false;
    if (m_database.Execute("RELEASE tarvo_op") != SQLiteResult::kOk) {
        Rollback();
        return false;
    }
    m_open = false;
    return true;
}

void StoreSavepoint::Rollback()
{
    if (!m_open)
        return;
    m_database.Execute("ROLLBACK TO tarvo_op");
    m_database.Execute("RELEASE tarvo_op");
    m_open = false;
}
