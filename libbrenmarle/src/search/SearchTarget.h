#pragma once
// Receives the results of catalogue searches, on the GUI thread: for each query first the
// criteria (the view empties itself), then the number of matches, then the matches as catalogue
// rowids in batches. Rowids cost nothing to pass on: a target makes file objects only for the
// matches it shows (SearchManager::loadFiles), so 10,000 matches are listed as fast as the
// catalogue finds them.
// A target that is destroyed, or replaced with SearchManager::setTarget, gets nothing more,
// also nothing already on its way.

#include <cstdint>
#include <vector>

#include "search/SearchCriteria.h"

namespace Brenmarle {

class SearchManager;

class SearchTarget {
public:
    SearchTarget() = default;
    // Leaves the search manager it receives from.
    virtual ~SearchTarget();
    SearchTarget(const SearchTarget&) = delete;
    SearchTarget& operator=(const SearchTarget&) = delete;

    virtual void onSearchStarted(const SearchCriteria& criteria) = 0;
    virtual void onSearchCount(int matches) = 0;
    // The next matches, in query order; those in albums hidden in this run are left out.
    virtual void onSearchRows(const std::vector<int64_t>& rowids) = 0;
    // The query could not run (refused or failed); the count of 0 follows.
    virtual void onSearchFailed(const wxString& message) { (void)message; }

private:
    friend class SearchManager;
    SearchManager* m_searchManager = nullptr;
};

} // namespace Brenmarle
