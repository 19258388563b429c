#pragma once
// BEGIN IMMEDIATE ... COMMIT on a connection of the provider's SQLite file, rolled back when
// left by an exception: a read followed by a write that another connection must not slip
// between.
//
// Threads: the thread that owns the connection.

struct sqlite3;

namespace Provider {

class SqlTransaction {
public:
    // Throws StoreError when the transaction cannot begin.
    explicit SqlTransaction(sqlite3* db);
    ~SqlTransaction();
    SqlTransaction(const SqlTransaction&) = delete;
    SqlTransaction& operator=(const SqlTransaction&) = delete;
    // Throws StoreError.
    void commit();

    // Runs `sql` (several statements allowed); throws StoreError.
    static void execute(sqlite3* db, const char* sql);

private:
    sqlite3* m_db;
    bool m_committed = false;
};

} // namespace Provider
