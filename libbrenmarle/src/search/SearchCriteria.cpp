#include "search/SearchCriteria.h"

#include "search/CountryList.h"
#include "system/Log.h"

namespace Brenmarle {

namespace {

// A value placed between single quotes in the SQL.
wxString quoted(const wxString& value)
{
    wxString text = value;
    text.Replace("'", "''");
    return text;
}

wxString finished(wxString query)
{
    query += " ORDER BY time, uri";
    QDEBUG("QUERY: %s", query);
    return query;
}

} // namespace

wxString SearchCriteria::buildQuery(const CountryList& countries) const
{
    wxString query = "SELECT ROWID FROM file WHERE 1 = 1";
    if (!customQuery.empty())
        return finished(query + " AND (" + customQuery + ")");

    bool narrowed = false;
    if (!text.empty()) {
        wxString countryClause;
        for (const wxString& code : countries.findCodesByName(text))
            countryClause += " OR countrycode = '" + quoted(code) + "' ";
        const wxString t = quoted(text);
        query += wxString::Format(" AND (caption LIKE '%%%s%%' OR filename LIKE '%%%s%%' OR city "
                                  "LIKE '%%%s%%'%s OR sublocation LIKE '%%%s%%')",
                                  t, t, t, countryClause, t);
        narrowed = true;
    }
    for (const wxString* keyword : {&keyword1, &keyword2}) {
        if (keyword->empty())
            continue;
        query += wxString::Format(" AND (keywords LIKE '%%%s%%')", quoted(*keyword));
        narrowed = true;
    }
    if (minTime > 0) {
        query += wxString::Format(" AND time >= %d", minTime);
        narrowed = true;
    }
    if (maxTime > 0) {
        query += wxString::Format(" AND time < %d", maxTime);
        narrowed = true;
    }
    if (!countryCode.empty()) {
        query += wxString::Format(" AND countrycode = '%s'", quoted(countryCode));
        narrowed = true;
    }
    if (!narrowed)
        query += " AND 1 = 0";
    return finished(query);
}

bool SearchCriteria::operator==(const SearchCriteria& other) const
{
    return minTime == other.minTime && maxTime == other.maxTime && text == other.text &&
           keyword1 == other.keyword1 && keyword2 == other.keyword2 &&
           countryCode == other.countryCode && customQuery == other.customQuery;
}

} // namespace Brenmarle
