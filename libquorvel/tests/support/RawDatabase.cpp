#include "RawDatabase.h"

#include <stdexcept>

#include <sqlite3.h>

void RawDatabase::Closer::operator()(sqlite3* db) const
{
    sqlite3_close_v2(db);
}

RawDatabase::RawDatabase(const std::string& path)
{
    sqlite3* db = nullptr;
    const int result =
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    // Owned before the check, so a failed open is closed too.
    m_db.reset(db);
    if (result != SQLITE_OK)
        throw std::runtime_error("cannot open " + path);
}

void RawDatabase::exec(const std::string& sql)
{
    if (sqlite3_exec(m_db.get(), sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw std::runtime_error(sql + ": " + sqlite3_errmsg(m_db.get()));
}

std::vector<RawDatabase::Row> RawDatabase::rows(const std::string& sql)
{
    sqlite3_stmt* prepared = nullptr;
    if (sqlite3_prepare_v2(m_db.get(), sql.c_str(), -1, &prepared, nullptr) != SQLITE_OK)
        throw std::runtime_error(sql + ": " + sqlite3_errmsg(m_db.get()));
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(prepared,
                                                                          sqlite3_finalize);
    std::vector<Row> result;
    int rc;
    while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
        Row row;
        for (int i = 0; i < sqlite3_column_count(statement.get()); ++i) {
            const unsigned char* value = sqlite3_column_text(statement.get(), i);
            row.emplace_back(value ? reinterpret_cast<const char*>(value) : "NULL");
        }
        result.push_back(row);
    }
    if (rc != SQLITE_DONE)
        throw std::runtime_error(sql + ": " + sqlite3_errmsg(m_db.get()));
    return result;
}

std::vector<std::string> RawDatabase::column(const std::string& sql)
{
    std::vector<std::string> values;
    for (const Row& row : rows(sql))
        values.push_back(row.front());
    return values;
}

std::string RawDatabase::text(const std::string& sql)
{
    const std::vector<std::string> values = column(sql);
    if (values.empty())
        throw std::runtime_error(sql + ": no row");
    return values.front();
}

long long RawDatabase::number(const std::string& sql)
{
    return std::stoll(text(sql));
}
