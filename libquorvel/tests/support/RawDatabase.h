#pragma once
// A plain SQLite connection beside the code under test: prepares what an older or damaged file
// holds, and looks at what the code really wrote, as another process would see it.

#include <memory>
#include <string>
#include <vector>

#include <wx/string.h>

struct sqlite3;

class RawDatabase {
public:
    using Row = std::vector<std::string>;

    // Opens the file, making it when it is not there; throws std::runtime_error when it cannot.
    explicit RawDatabase(const std::string& path);
    explicit RawDatabase(const wxString& path) : RawDatabase(path.utf8_string()) {}

    // Each throws std::runtime_error naming the statement and SQLite's message.
    void exec(const std::string& sql);
    // Every row as texts; NULL reads as "NULL".
    std::vector<Row> rows(const std::string& sql);
    std::vector<std::string> column(const std::string& sql);
    // The first value of the first row.
    std::string text(const std::string& sql);
    long long number(const std::string& sql);

private:
    struct Closer {
        void operator()(sqlite3* db) const;
    };
    std::unique_ptr<sqlite3, Closer> m_db;
};
