#include "import/FileSizeIndex.h"

#include <algorithm>

#include "core/Exceptions.h"
#include "database/Database.h"
#include "files/File.h"

namespace Brenmarle {

namespace {
// Rows read since the last sort that a look-up still walks one by one.
constexpr std::size_t MERGE_AT = 4096;
} // namespace

FileSizeIndex::FileSizeIndex(Database& database, int rowsPerStep)
    : m_database(database), m_rowsPerStep(std::max(1, rowsPerStep))
{
}

wxString FileSizeIndex::uriOfRow(int64_t rowid)
{
    try {
        return m_database.getFileUri(rowid);
    } catch (const RowException&) {
        return wxString();
    }
}

void FileSizeIndex::update()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    // Rows deleted at the end of the table let new rows take their numbers again, so rows
    // after the last one read would miss them: when that row is gone, or another file has its
    // number now, everything is read again. (Entries of rows deleted elsewhere stay; they match
    // a file that is not there, or another one, which its contents tell apart.)
    if (m_lastRow > 0 && uriOfRow(m_lastRow) != m_lastUri) {
        m_sorted.clear();
        m_recent.clear();
        m_lastRow = 0;
    }
    const int64_t lastBefore = m_lastRow;
    for (;;) {
        const std::vector<Database::RowSize> rows =
            m_database.getFileSizes(m_lastRow, m_rowsPerStep);
        for (const Database::RowSize& row : rows)
            m_recent.emplace_back(row.size, row.rowid);
        if (!rows.empty())
            m_lastRow = rows.back().rowid;
        if (rows.size() < static_cast<std::size_t>(m_rowsPerStep))
            break;
    }
    if (m_lastRow != lastBefore)
        m_lastUri = uriOfRow(m_lastRow);
    if (m_recent.size() >= MERGE_AT) {
        const auto middle = static_cast<std::ptrdiff_t>(m_sorted.size());
        m_sorted.insert(m_sorted.end(), m_recent.begin(), m_recent.end());
        m_recent.clear();
        std::sort(m_sorted.begin() + middle, m_sorted.end());
        std::inplace_merge(m_sorted.begin(), m_sorted.begin() + middle, m_sorted.end());
    }
}

std::vector<int64_t> FileSizeIndex::rowsOfSize(int64_t bytes)
{
    const int32_t size = static_cast<int32_t>(std::min<int64_t>(bytes, File::MAX_FILE_SIZE));
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<int64_t> rows;
    const auto first = std::lower_bound(m_sorted.begin(), m_sorted.end(), Entry(size, INT64_MIN));
    for (auto entry = first; entry != m_sorted.end() && entry->first == size; ++entry)
        rows.push_back(entry->second);
    for (const Entry& entry : m_recent) {
        if (entry.first == size)
            rows.push_back(entry.second);
    }
    return rows;
}

std::size_t FileSizeIndex::size()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_sorted.size() + m_recent.size();
}

} // namespace Brenmarle
