#include "SqlStatement.h"

#include <sqlite3.h>

#include "ProviderStore.h"

namespace Provider {

SqlStatement::SqlStatement(sqlite3* db, const char* sql) : m_db(db)
{
    if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_statement);
        throw StoreError(std::string("Database error: ") + sqlite3_errmsg(db));
    }
}

SqlStatement::~SqlStatement()
{
    sqlite3_finalize(m_statement);
}

SqlStatement& SqlStatement::bind(int index, const std::string& text)
{
    sqlite3_bind_text(m_statement, index, text.c_str(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
    return *this;
}

SqlStatement& SqlStatement::bind(int index, int64_t value)
{
    sqlite3_bind_int64(m_statement, index, value);
    return *this;
}

bool SqlStatement::step()
{
    return check(sqlite3_step(m_statement));
}

int SqlStatement::stepAllowingConstraint()
{
    const int result = sqlite3_step(m_statement);
    if ((result & 0xff) == SQLITE_CONSTRAINT)
        return sqlite3_extended_errcode(m_db);
    return check(result) ? SQLITE_ROW : SQLITE_DONE;
}

void SqlStatement::finish()
{
    while (step()) {
    }
}

std::string SqlStatement::text(int column) const
{
    const auto* value = sqlite3_column_text(m_statement, column);
    return value ? reinterpret_cast<const char*>(value) : std::string();
}

int64_t SqlStatement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

bool SqlStatement::check(int result) const
{
    if (result == SQLITE_ROW)
        return true;
    if (result == SQLITE_DONE)
        return false;
    throw StoreError(std::string("Database error: ") + sqlite3_errmsg(m_db));
}

} // namespace Provider
