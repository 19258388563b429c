#pragma once
// One prepared statement of the provider's SQLite file, finalised with the object: bound
// parameters, stepping with errors thrown as StoreError, and column reads.
//
// Threads: the thread that owns the connection.

#include <cstdint>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace Provider {

class SqlStatement {
public:
    // Throws StoreError when `sql` does not compile.
    SqlStatement(sqlite3* db, const char* sql);
    ~SqlStatement();
    SqlStatement(const SqlStatement&) = delete;
    SqlStatement& operator=(const SqlStatement&) = delete;

    SqlStatement& bind(int index, const std::string& text);
    SqlStatement& bind(int index, int64_t value);
    // True while there is a row.
    bool step();
    // Like step(), but a broken constraint comes back as SQLITE_CONSTRAINT_* instead of an
    // exception; otherwise SQLITE_ROW or SQLITE_DONE.
    int stepAllowingConstraint();
    // Steps to the end, for statements whose rows (RETURNING) are not all read.
    void finish();
    std::string text(int column) const;
    int64_t integer(int column) const;

private:
    bool check(int result) const;

    sqlite3* m_db;
    sqlite3_stmt* m_statement = nullptr;
};

} // namespace Provider
