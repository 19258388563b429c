#pragma once
// Receives the counts of catalogue searches on the GUI thread: the number of matches of each
// query, and when its files have been delivered, how many of them lay in hidden albums and
// were left out. Destroyed or replaced, it gets nothing more.

namespace Brenmarle {

class SearchManager;

class SearchCountListener {
public:
    SearchCountListener() = default;
    // Leaves the search manager it listens to.
    virtual ~SearchCountListener();
    SearchCountListener(const SearchCountListener&) = delete;
    SearchCountListener& operator=(const SearchCountListener&) = delete;

    virtual void onMatchCount(int matches) = 0;
    virtual void onHiddenCount(int hidden) = 0;

private:
    friend class SearchManager;
    SearchManager* m_searchManager = nullptr;
};

} // namespace Brenmarle
