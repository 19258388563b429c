#pragma once
// Runs catalogue searches on a thread of its own, so typing in a search field never waits for
// the catalogue. Each new query supersedes the one in progress: a running SQL query is
// interrupted, matches not yet delivered are not, and results already on their way are dropped.
// Matches are delivered as catalogue rowids in batches; file objects are made by the target
// for what it shows (loadFiles), not for every match. Files in albums hidden in this run are
// left out and counted.
//
// The same thread runs other catalogue counts for a window (the picture map's, as its time span
// moves): setWork() queues them, each new piece replacing the one still waiting, and hands the
// result of the latest back to the GUI thread.
//
// Threads: setQuery() and setWork() from any thread. Everything else, and the target and count
// listener callbacks and work results, on the GUI thread. The search thread never touches a
// target: it posts SearchEvents to this manager, which hands them on when the GUI thread handles
// them. m_mutex guards the pending criteria and work, and the delivery tokens.
//
// Lifetime: start() after the catalogue is open and the file manager exists; stop() (or the
// destructor) before either goes away.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include <wx/event.h>

#include "files/File.h"
#include "search/SearchCriteria.h"
#include "threads/RevocableEvent.h"

namespace Brenmarle {

class CountryList;
class Database;
class SearchCountListener;
class SearchEvent;
class SearchTarget;

class SearchManager : public wxEvtHandler {
public:
    // Matches handed to the target per posted event: the first batch is small, so a view has
    // its first screenful at once.
    static constexpr size_t FIRST_ROWS_PER_EVENT = 200;
    static constexpr size_t ROWS_PER_EVENT = 5000;
    using Files = std::vector<Quorvel::Ref<File>>;
    // A query still running after this long is stopped and counts as failed: a pathological
    // condition must not hold the catalogue (and everyone waiting for it) for good.
    static constexpr int DEFAULT_QUERY_TIME_LIMIT_MS = 10000;

    // `database` and `countries` must outlive the manager.
    SearchManager(Database& database, const CountryList& countries,
                  int queryTimeLimitMs = DEFAULT_QUERY_TIME_LIMIT_MS);
    // Stops the search thread.
    ~SearchManager() override;
    SearchManager(const SearchManager&) = delete;
    SearchManager& operator=(const SearchManager&) = delete;

    // Starts the search thread; does nothing when it runs.
    void start();
    // Interrupts the current query and waits for the search thread to end.
    void stop();

    // Searches for `criteria` next, superseding the current query.
    void setQuery(const SearchCriteria& criteria);

    // What becomes of a piece of work's result: run on the GUI thread.
    using WorkResult = std::function<void()>;
    // Catalogue work run on the search thread (between queries); it catches its own failures
    // (one that escapes is logged and nothing is delivered).
    using Work = std::function<WorkResult(Database& database)>;
    // Runs `work` next, instead of work given earlier that has not started; the result of
    // earlier work that is still on its way is dropped.
    void setWork(Work work);
    // Drops the work waiting and any result still on its way.
    void cancelWork();
    // The receiver of later queries' results (none is allowed); the old one gets nothing more.
    void setTarget(SearchTarget* target);
    SearchTarget* getTarget() const { return m_target; }
    void setCountListener(SearchCountListener* listener);

    // Called by a target or listener that is being destroyed.
    void forget(SearchTarget* target);
    void forget(SearchCountListener* listener);

    // The files of the matches `rowids`, in that order, null where a row has gone. Files in
    // memory keep their objects; the others are read and registered with the file manager,
    // which must exist. Any thread: takes the library lock for the whole batch, so keep
    // batches to what is shown (a few hundred).
    static Files loadFiles(Database& database, const std::vector<int64_t>& rowids);

private:
    struct Query {
        SearchCriteria criteria;
        Quorvel::RevocableEvent::Token targetToken;
        Quorvel::RevocableEvent::Token listenerToken;
    };

    // Search thread.
    void run();
    void search(const Query& query);
    void runWork(const Work& work, const Quorvel::RevocableEvent::Token& token);
    // Takes the matches in albums hidden in this run out of `rowids`; returns how many.
    int leaveOutHidden(std::vector<int64_t>& rowids);
    bool superseded() const { return m_newQuery.load() || m_stopping.load(); }
    void post(SearchEvent* event, const Quorvel::RevocableEvent::Token& token);

    // GUI thread.
    void onTargetEvent(SearchEvent& event);
    void onListenerEvent(SearchEvent& event);
    void onWorkDone(SearchEvent& event);
    // Results already posted for the old receivers, or the old query, are dropped.
    void renewTargetToken();
    void renewListenerToken();

    Database& m_database;
    const CountryList& m_countries;
    const int m_queryTimeLimitMs;

    std::mutex m_mutex;
    std::condition_variable m_wakeUp;
    SearchCriteria m_criteria;                      // under m_mutex
    Quorvel::RevocableEvent::Token m_targetToken;   // under m_mutex
    Quorvel::RevocableEvent::Token m_listenerToken; // under m_mutex
    Work m_work;                                    // under m_mutex; empty: none waiting
    Quorvel::RevocableEvent::Token m_workToken;     // under m_mutex
    std::atomic<bool> m_newQuery{false};            // set under m_mutex
    std::atomic<bool> m_stopping{false};            // set under m_mutex
    std::thread m_thread;

    SearchTarget* m_target = nullptr;               // GUI thread only
    SearchCountListener* m_countListener = nullptr; // GUI thread only
};

} // namespace Brenmarle
