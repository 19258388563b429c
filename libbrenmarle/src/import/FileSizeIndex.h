#pragma once
// The catalogue's files by size, so that an import finds the files it has already without a
// scan of the catalogue per imported file: no index serves the size column, and the
// catalogue's schema stays as it is. The rows are read along the table's own key in short
// steps (each holds the library lock a moment, never across the whole table), once when the
// import starts; rows added since are read the same way before each look-up.
//
// A size is a candidate only: the import compares contents. A row that changed its size or
// went since it was read is a candidate that does not match (or no longer exists).
//
// Threads: any; m_mutex guards the index, so an import's workers share one.

#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

#include <wx/string.h>

namespace Brenmarle {

class Database;

class FileSizeIndex {
public:
    static constexpr int ROWS_PER_STEP = 2000;

    explicit FileSizeIndex(Database& database, int rowsPerStep = ROWS_PER_STEP);

    // Reads the rows added to the catalogue since the last call (all of them the first time).
    // Throws DatabaseException.
    void update();
    // The rows of files of `bytes` bytes (the catalogue keeps sizes of 2 GiB and more as
    // File::MAX_FILE_SIZE), as of the last update().
    std::vector<int64_t> rowsOfSize(int64_t bytes);
    // How many rows have been read.
    std::size_t size();

private:
    using Entry = std::pair<int32_t, int64_t>; // size, rowid

    Database& m_database;
    const int m_rowsPerStep;
    std::mutex m_mutex;
    // Sorted by size, and the rows read since, unsorted until there are many.
    std::vector<Entry> m_sorted;
    std::vector<Entry> m_recent;
    // The last row read, and its file's URI then.
    int64_t m_lastRow = 0;
    wxString m_lastUri;

    // Empty when the row is gone.
    wxString uriOfRow(int64_t rowid);
};

} // namespace Brenmarle
