#include "SqlTransaction.h"

#include <sqlite3.h>

#include "ProviderStore.h"

namespace Provider {

SqlTransaction::SqlTransaction(sqlite3* db) : m_db(db)
{
    execute(m_db, "BEGIN IMMEDIATE");
}

SqlTransaction::~SqlTransaction()
{
    if (!m_committed)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

void SqlTransaction::commit()
{
    execute(m_db, "COMMIT");
    m_committed = true;
}

void SqlTransaction::execute(sqlite3* db, const char* sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "unknown error";
        sqlite3_free(error);
        throw StoreError("Database error: " + message);
    }
}

} // namespace Provider
