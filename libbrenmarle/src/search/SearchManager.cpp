#include "search/SearchManager.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <unordered_set>

#include "core/Exceptions.h"
#include "core/LibraryLock.h"
#include "database/Database.h"
#include "filemanager/FileManager.h"
#include "folders/AlbumFolder.h"
#include "folders/FolderListReader.h"
#include "folders/ManagedFolder.h"
#include "search/SearchCountListener.h"
#include "search/SearchEvent.h"
#include "search/SearchTarget.h"
#include "system/Log.h"

namespace Brenmarle {

SearchManager::SearchManager(Database& database, const CountryList& countries, int queryTimeLimitMs)
    : m_database(database), m_countries(countries), m_queryTimeLimitMs(queryTimeLimitMs),
      m_targetToken(Quorvel::RevocableEvent::makeToken()),
      m_listenerToken(Quorvel::RevocableEvent::makeToken()),
      m_workToken(Quorvel::RevocableEvent::makeToken())
{
    for (const auto& type : {SEARCH_STARTED, SEARCH_COUNT, SEARCH_ROWS, SEARCH_FAILED})
        Bind(type, &SearchManager::onTargetEvent, this);
    for (const auto& type : {SEARCH_MATCH_COUNT, SEARCH_HIDDEN_COUNT})
        Bind(type, &SearchManager::onListenerEvent, this);
    Bind(SEARCH_WORK_DONE, &SearchManager::onWorkDone, this);
}

SearchManager::~SearchManager()
{
    stop();
    if (m_target)
        m_target->m_searchManager = nullptr;
    if (m_countListener)
        m_countListener->m_searchManager = nullptr;
}

void SearchManager::start()
{
    if (m_thread.joinable())
        return;
    m_stopping = false;
    m_thread = std::thread(&SearchManager::run, this);
}

void SearchManager::stop()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wakeUp.notify_all();
    m_thread.join();
}

void SearchManager::setQuery(const SearchCriteria& criteria)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_criteria = criteria;
        m_newQuery = true;
        // What the old query still has on its way is void now.
        Quorvel::RevocableEvent::revoke(m_targetToken);
        m_targetToken = Quorvel::RevocableEvent::makeToken();
        Quorvel::RevocableEvent::revoke(m_listenerToken);
        m_listenerToken = Quorvel::RevocableEvent::makeToken();
    }
    m_wakeUp.notify_all();
}

void SearchManager::setWork(Work work)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_work = std::move(work);
        // Only the latest work's result is wanted.
        Quorvel::RevocableEvent::revoke(m_workToken);
        m_workToken = Quorvel::RevocableEvent::makeToken();
    }
    m_wakeUp.notify_all();
}

void SearchManager::cancelWork()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_work = nullptr;
    Quorvel::RevocableEvent::revoke(m_workToken);
    m_workToken = Quorvel::RevocableEvent::makeToken();
}

void SearchManager::renewTargetToken()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Quorvel::RevocableEvent::revoke(m_targetToken);
    m_targetToken = Quorvel::RevocableEvent::makeToken();
}

void SearchManager::renewListenerToken()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Quorvel::RevocableEvent::revoke(m_listenerToken);
    m_listenerToken = Quorvel::RevocableEvent::makeToken();
}

void SearchManager::setTarget(SearchTarget* target)
{
    if (target == m_target)
        return;
    if (m_target)
        m_target->m_searchManager = nullptr;
    renewTargetToken();
    m_target = target;
    if (m_target) {
        if (m_target->m_searchManager && m_target->m_searchManager != this)
            m_target->m_searchManager->forget(m_target);
        m_target->m_searchManager = this;
    }
}

void SearchManager::setCountListener(SearchCountListener* listener)
{
    if (listener == m_countListener)
        return;
    if (m_countListener)
        m_countListener->m_searchManager = nullptr;
    renewListenerToken();
    m_countListener = listener;
    if (m_countListener) {
        if (m_countListener->m_searchManager && m_countListener->m_searchManager != this)
            m_countListener->m_searchManager->forget(m_countListener);
        m_countListener->m_searchManager = this;
    }
}

void SearchManager::forget(SearchTarget* target)
{
    if (target == m_target)
        setTarget(nullptr);
}

void SearchManager::forget(SearchCountListener* listener)
{
    if (listener == m_countListener)
        setCountListener(nullptr);
}

// --- GUI thread ----------------------------------------------------------------------------

void SearchManager::onTargetEvent(SearchEvent& event)
{
    if (event.isRevoked())
        return;
    if (!m_target) {
        QDEBUG("[SEARCHMANAGER] NO SEARCH TARGET SET!");
        return;
    }
    const wxEventType type = event.GetEventType();
    if (type == SEARCH_STARTED) {
        m_target->onSearchStarted(event.criteria);
    } else if (type == SEARCH_COUNT) {
        m_target->onSearchCount(event.count);
    } else if (type == SEARCH_FAILED) {
        m_target->onSearchFailed(event.message);
    } else {
        m_target->onSearchRows(event.rowids);
    }
}

void SearchManager::onListenerEvent(SearchEvent& event)
{
    if (event.isRevoked() || !m_countListener)
        return;
    if (event.GetEventType() == SEARCH_MATCH_COUNT)
        m_countListener->onMatchCount(event.count);
    else
        m_countListener->onHiddenCount(event.count);
}

void SearchManager::onWorkDone(SearchEvent& event)
{
    if (!event.isRevoked() && event.result)
        event.result();
}

// --- Search thread -------------------------------------------------------------------------

void SearchManager::post(SearchEvent* event, const Quorvel::RevocableEvent::Token& token)
{
    event->setDeliveryToken(token);
    wxQueueEvent(this, event);
}

SearchManager::Files SearchManager::loadFiles(Database& database,
                                              const std::vector<int64_t>& rowids)
{
    // One lock for the whole batch: no other thread can bring one of these files into memory
    // between the look and the registering, so each URI keeps its one object.
    LibraryLock lock;
    FileManager& files = FileManager::get();
    Files loaded = database.loadFilesByRowId(rowids);
    for (Quorvel::Ref<File>& file : loaded) {
        if (!file)
            continue;
        const wxString uri = file->getURI();
        try {
            // A managed folder would read the same row again to make the file.
            if (!files.isRegistered(uri) &&
                dynamic_cast<const ManagedFolder*>(files.getFolder(uri).get()))
                files.registerFile(file);
            file = files.getFile(uri);
        } catch (const Quorvel::Exception& e) {
            QDEBUG("[SEARCHMANAGER] Skipped a match: %s", e.getMessage());
            file = nullptr;
        }
    }
    return loaded;
}

int SearchManager::leaveOutHidden(std::vector<int64_t>& rowids)
{
    std::vector<wxString> hiddenAlbums;
    for (const AlbumFolder::AlbumMap& albums :
         {AlbumFolder::getAlbums(), AlbumFolder::getHiddenAlbums()}) {
        for (const auto& entry : albums) {
            if (entry.second->isListedHidden())
                hiddenAlbums.push_back(entry.second->getURI());
        }
    }
    if (hiddenAlbums.empty() || rowids.empty())
        return 0;
    // The hidden albums' rows along the URI key, rather than every match's URI read and
    // resolved to its folder.
    std::unordered_set<int64_t> hidden;
    for (const wxString& uri : hiddenAlbums) {
        for (const int64_t rowid : FolderListReader::listRowIds(m_database, uri, &m_newQuery))
            hidden.insert(rowid);
    }
    const auto kept = std::remove_if(rowids.begin(), rowids.end(),
                                     [&hidden](int64_t rowid) { return hidden.count(rowid) > 0; });
    const int count = static_cast<int>(rowids.end() - kept);
    rowids.erase(kept, rowids.end());
    return count;
}

void SearchManager::run()
{
    for (;;) {
        Query query;
        Work work;
        Quorvel::RevocableEvent::Token workToken;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wakeUp.wait(lock,
                          [this] { return m_newQuery.load() || m_work || m_stopping.load(); });
            if (m_stopping)
                return;
            if (m_newQuery) {
                m_newQuery = false;
                query.criteria = m_criteria;
                query.targetToken = m_targetToken;
                query.listenerToken = m_listenerToken;
            } else {
                work = std::move(m_work);
                m_work = nullptr;
                workToken = m_workToken;
            }
        }
        if (work) {
            runWork(work, workToken);
            continue;
        }
        try {
            search(query);
        } catch (const Quorvel::Exception& e) {
            // The thread carries on with the next query whatever went wrong with this one.
            QDEBUG("[SEARCHMANAGER] Search failed: %s", e.getMessage());
        }
    }
}

void SearchManager::runWork(const Work& work, const Quorvel::RevocableEvent::Token& token)
{
    auto done = std::make_unique<SearchEvent>(SEARCH_WORK_DONE);
    try {
        done->result = work(m_database);
    } catch (const Quorvel::Exception& e) {
        QDEBUG("[SEARCHMANAGER] Work failed: %s", e.getMessage());
        return;
    } catch (const std::exception& e) {
        QDEBUG("[SEARCHMANAGER] Work failed: %s", e.what());
        return;
    }
    post(done.release(), token);
}

void SearchManager::search(const Query& query)
{
    QDEBUG("[SEARCHMANAGER] NEW QUERY");
    QDEBUG("[SEARCHMANAGER] \"%s\"", query.criteria.text);
    const wxString sql = query.criteria.buildQuery(m_countries);
    QDEBUG("[SEARCHMANAGER] \"%s\"", sql);

    auto* started = new SearchEvent(SEARCH_STARTED);
    started->criteria = query.criteria;
    post(started, query.targetToken);

    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(m_queryTimeLimitMs);
    bool timedOut = false;
    std::vector<int64_t> rowids;
    try {
        rowids = m_database.getRowIds(sql, [&] {
            timedOut = std::chrono::steady_clock::now() >= deadline;
            return superseded() || timedOut;
        });
    } catch (const DatabaseException& e) {
        if (superseded()) {
            QDEBUG("[SEARCHMANAGER] Query interrupted by a newer one");
            return;
        }
        const wxString message =
            timedOut ? wxString(wxS("The query took too long and was stopped")) : e.getMessage();
        QDEBUG("Query failed: %s (%s)", message, sql);
        auto* failed = new SearchEvent(SEARCH_FAILED);
        failed->message = message;
        post(failed, query.targetToken);
    }

    const int matches = static_cast<int>(rowids.size());
    QDEBUG("[SEARCHMANAGER] %d matches", matches);
    auto* listenerCount = new SearchEvent(SEARCH_MATCH_COUNT);
    listenerCount->count = matches;
    post(listenerCount, query.listenerToken);
    auto* targetCount = new SearchEvent(SEARCH_COUNT);
    targetCount->count = matches;
    post(targetCount, query.targetToken);

    const int hidden = leaveOutHidden(rowids);
    size_t first = 0;
    while (first < rowids.size()) {
        if (superseded())
            return;
        const size_t size =
            std::min(first == 0 ? FIRST_ROWS_PER_EVENT : ROWS_PER_EVENT, rowids.size() - first);
        auto batch = std::make_unique<SearchEvent>(SEARCH_ROWS);
        const auto begin = rowids.begin() + static_cast<std::ptrdiff_t>(first);
        batch->rowids.assign(begin, begin + static_cast<std::ptrdiff_t>(size));
        post(batch.release(), query.targetToken);
        first += size;
    }
    if (superseded())
        return;

    auto* hiddenCount = new SearchEvent(SEARCH_HIDDEN_COUNT);
    hiddenCount->count = hidden;
    post(hiddenCount, query.listenerToken);
    QDEBUG("[SEARCHMANAGER] DONE!");
}

} // namespace Brenmarle
