#pragma once
// What the user searches the catalogue for, as the search panels fill it in, and the one SQL
// query over the `file` table that finds it. Empty criteria match nothing.
//
// A value type: copied between the GUI thread and the search thread under the search manager's
// mutex.

#include <cstdint>

#include <wx/string.h>

namespace Brenmarle {

class CountryList;

struct SearchCriteria {
    // The text the search panel shows before a custom query.
    static constexpr const char* CUSTOM_QUERY_INTRODUCTION = "Advanced custom query:\n\n";

    // Only files taken at or after it; ignored when 0 or less.
    int32_t minTime = 0;
    // Only files taken before it; ignored when 0 or less.
    int32_t maxTime = 0;
    // Found in the caption, file name, city, sublocation or country name.
    wxString text;
    // Texts the file's keywords must contain.
    wxString keyword1;
    wxString keyword2;
    // Exact two-letter country code.
    wxString countryCode;
    // An SQL condition typed by the user (or handed over by another process); when set, every
    // other field is ignored. Only one reading statement results from it: anything that ends the
    // condition early and adds a statement is refused when the query runs (Database::getRowIds).
    wxString customQuery;

    // "SELECT ROWID FROM file WHERE ..." ordered by time and URI; country names are looked up in
    // `countries`. Logs "QUERY: " and the query.
    wxString buildQuery(const CountryList& countries) const;

    bool operator==(const SearchCriteria& other) const;
    bool operator!=(const SearchCriteria& other) const { return !(*this == other); }
};

} // namespace Brenmarle
