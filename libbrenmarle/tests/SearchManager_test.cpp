#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include <wx/app.h>

#include "Gate.h"
#include "PhotoLibraryTest.h"
#include "TestPictures.h"
#include "search/CountryList.h"
#include "search/SearchCountListener.h"
#include "search/SearchManager.h"
#include "search/SearchTarget.h"
#include "system/Exceptions.h"
#include "util/Uuid.h"

using Brenmarle::AlbumFolder;
using Brenmarle::CountryList;
using Brenmarle::Database;
using Brenmarle::File;
using Brenmarle::SearchCriteria;
using Brenmarle::SearchManager;
using Log = std::vector<std::string>;

namespace {

// A search manager whose test can wait, without sleeping, for the search thread to post.
class WatchedSearchManager : public SearchManager {
public:
    using SearchManager::SearchManager;

    void QueueEvent(wxEvent* event) override
    {
        SearchManager::QueueEvent(event);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_queued;
        }
        m_queuedMore.notify_all();
    }

    // Waits until `count` events were posted in all, handling none. False after a generous
    // limit.
    bool waitForPosted(size_t count)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_queuedMore.wait_for(lock, std::chrono::seconds(30),
                                     [&] { return m_queued >= count; });
    }

    // Handles what arrives until `done` holds. False after a generous limit.
    bool handleUntil(const std::function<bool()>& done)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (;;) {
            size_t before;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                before = m_queued;
            }
            wxTheApp->ProcessPendingEvents();
            if (done())
                return true;
            std::unique_lock<std::mutex> lock(m_mutex);
            if (!m_queuedMore.wait_until(lock, deadline, [&] { return m_queued != before; }))
                return false;
        }
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_queuedMore;
    size_t m_queued = 0;
};

// Writes everything it is handed into the test's log, which outlives it.
class Recorder : public Brenmarle::SearchTarget, public Brenmarle::SearchCountListener {
public:
    explicit Recorder(Log& log, const std::string& name = "") : m_log(log), m_name(name) {}

    void onSearchStarted(const SearchCriteria& criteria) override
    {
        add("started " + (criteria.text + criteria.customQuery).utf8_string());
    }
    void onSearchCount(int matches) override { add("count " + std::to_string(matches)); }
    // Makes the files of each batch, as a view makes those it shows.
    void onSearchRows(const std::vector<int64_t>& rowids) override
    {
        batches.push_back(rowids);
        if (!loadOnArrival)
            return;
        for (const auto& file : SearchManager::loadFiles(Database::getInstance(), rowids))
            add(file ? "file " + file->getCaption().utf8_string() : std::string("gone"));
    }

    std::vector<std::vector<int64_t>> batches;
    bool loadOnArrival = true;
    void onSearchFailed(const wxString& message) override
    {
        add("failed " + message.utf8_string());
    }
    void onMatchCount(int matches) override { add("matches " + std::to_string(matches)); }
    void onHiddenCount(int hidden) override { add("hidden " + std::to_string(hidden)); }

private:
    void add(const std::string& entry) { m_log.push_back(m_name + entry); }

    Log& m_log;
    std::string m_name;
};

bool contains(const Log& log, const std::string& entry)
{
    return std::find(log.begin(), log.end(), entry) != log.end();
}

const wxString ENDLESS = "EXISTS (WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) "
                         "SELECT x FROM c WHERE x < 0)";

class SearchManagerTest : public PhotoLibraryTest {
protected:
    ~SearchManagerTest() override
    {
        // Before the library goes.
        for (auto& search : searches)
            search->stop();
    }

    WatchedSearchManager& makeSearch(int timeLimitMs = SearchManager::DEFAULT_QUERY_TIME_LIMIT_MS)
    {
        searches.push_back(std::make_unique<WatchedSearchManager>(Database::getInstance(),
                                                                  countries, timeLimitMs));
        searches.back()->start();
        return *searches.back();
    }

    // A catalogued file in `folderUri` with `caption`, taken at `time`.
    void addFile(const wxString& folderUri, const wxString& caption, int32_t time)
    {
        auto file = Quorvel::makeRef<File>(folderUri + Quorvel::Uuid::create());
        file->setCaption(caption);
        file->setTime(time);
        Database::getInstance().addFile(*file);
    }

    // An album the user hid, listed as hidden in this run.
    wxString hiddenAlbum()
    {
        Brenmarle::AlbumRecord record;
        record.uri = "album://" + Quorvel::Uuid::create() + "/";
        record.hidden = true;
        Database::getInstance().addFolder(record);
        AlbumFolder::loadHiddenAlbums();
        return record.uri;
    }

    static SearchCriteria text(const wxString& text)
    {
        SearchCriteria criteria;
        criteria.text = text;
        return criteria;
    }
    static SearchCriteria custom(const wxString& condition)
    {
        SearchCriteria criteria;
        criteria.customQuery = condition;
        return criteria;
    }

    const CountryList& countries = CountryList::getInstance();
    std::vector<std::unique_ptr<WatchedSearchManager>> searches;
    Log log;
};

} // namespace

TEST_F(SearchManagerTest, DeliversCriteriaCountAndFilesInTimeOrderLeavingOutHiddenAlbums)
{
    const wxString shown = makeAlbum("Trip")->getURI();
    addFile(shown, "Fjord at noon", 200);
    addFile(shown, "Fjord at dawn", 100);
    addFile(shown, "Harbour", 150);
    addFile(hiddenAlbum(), "Fjord, private", 50);

    WatchedSearchManager& search = makeSearch();
    Recorder target(log), counts(log, "listener ");
    search.setTarget(&target);
    search.setCountListener(&counts);
    search.setQuery(text("fjord"));
    ASSERT_TRUE(search.handleUntil([&] { return contains(log, "listener hidden 1"); }));
    EXPECT_EQ(log, (Log{"started fjord", "listener matches 3", "count 3", "file Fjord at dawn",
                        "file Fjord at noon", "listener hidden 1"}));
}

TEST_F(SearchManagerTest, ManyMatchesArriveAsRowidsInBatchesInTimeOrderWithNoFilesMade)
{
    const wxString shown = makeAlbum("Trip")->getURI();
    // Added newest first: the catalogue's order is the reverse of the time order.
    const int count = static_cast<int>(SearchManager::FIRST_ROWS_PER_EVENT) + 250;
    for (int i = 0; i < count; ++i)
        addFile(shown, wxString::Format("Fjord %03d", i), 100000 - i);
    const wxString hidden = hiddenAlbum();
    for (int i = 0; i < 3; ++i)
        addFile(hidden, "Fjord, private", 5 + i);

    WatchedSearchManager& search = makeSearch();
    Recorder target(log), counts(log, "listener ");
    target.loadOnArrival = false;
    search.setTarget(&target);
    search.setCountListener(&counts);
    search.setQuery(text("fjord"));
    ASSERT_TRUE(search.handleUntil([&] { return contains(log, "listener hidden 3"); }));
    ASSERT_EQ(target.batches.size(), 2u);
    EXPECT_EQ(target.batches[0].size(), SearchManager::FIRST_ROWS_PER_EVENT);
    EXPECT_EQ(target.batches[1].size(), 250u);
    std::vector<int64_t> rowids = target.batches[0];
    rowids.insert(rowids.end(), target.batches[1].begin(), target.batches[1].end());

    // Delivering made no file objects: the search thread read no row beyond the query's.
    for (const int64_t rowid : {rowids.front(), rowids.back()})
        EXPECT_FALSE(manager->isRegistered(Database::getInstance().getFileUri(rowid)));

    // Made when asked, in time order; a row deleted since is null, and a second look gives
    // the one object the file manager keeps.
    Database::getInstance().deleteFile(Database::getInstance().getFileUri(rowids[1]));
    const SearchManager::Files files = SearchManager::loadFiles(Database::getInstance(), rowids);
    ASSERT_EQ(files.size(), rowids.size());
    EXPECT_FALSE(files[1]);
    for (size_t i = 0; i < files.size(); ++i) {
        if (i != 1) {
            EXPECT_EQ(files[i]->getCaption(), wxString::Format("Fjord %03d", count - 1 - int(i)));
        }
    }
    EXPECT_EQ(SearchManager::loadFiles(Database::getInstance(), {rowids[0]})[0].get(),
              files[0].get());
    EXPECT_EQ(Database::getInstance().getGoneRowIds(rowids), std::vector<int64_t>{rowids[1]});
}

TEST_F(SearchManagerTest, ANewQueryDropsTheBatchesOfTheOldOneStillOnTheirWay)
{
    const wxString shown = makeAlbum("Trip")->getURI();
    for (int i = 0; i < 300; ++i)
        addFile(shown, "Fjord", 1000 + i);
    addFile(shown, "Harbour", 10);

    WatchedSearchManager& search = makeSearch();
    Recorder target(log);
    target.loadOnArrival = false;
    search.setTarget(&target);
    search.setQuery(text("fjord"));
    // started, count, two batches, the hidden count: all on their way, none handled.
    ASSERT_TRUE(search.waitForPosted(6));
    search.setQuery(text("harbour"));
    ASSERT_TRUE(search.handleUntil([&] { return target.batches.size() == 1; }));
    EXPECT_EQ(log, (Log{"started harbour", "count 1"}));
    EXPECT_EQ(target.batches[0], Database::getInstance().getRowIds(
                                     "SELECT rowid FROM file WHERE caption = 'Harbour'"));
}

TEST_F(SearchManagerTest, APictureCodedNorInItsIptcIsFoundByItsCountrysName)
{
    using namespace TestPictures;
    TestPictures::JpegOptions options;
    options.iptc = concat({iptcRecord(2, 120, "Midnight sun"), iptcRecord(2, 100, "NOR")});
    writeJpeg(home / "Pictures/north.jpg", 64, 48, options);
    auto picture =
        manager->getFolder("inbox://")
            ->copyFileIn(*manager->getFile("file://" + home.path() + "Pictures/north.jpg"));
    EXPECT_EQ(picture->getCountryCode(), "NO");

    WatchedSearchManager& search = makeSearch();
    Recorder target(log);
    search.setTarget(&target);
    search.setQuery(text("Norway"));
    ASSERT_TRUE(search.handleUntil([&] { return contains(log, "file Midnight sun"); }));
}

TEST_F(SearchManagerTest, ANewerQueryInterruptsARunningOne)
{
    addFile(makeAlbum("Trip")->getURI(), "Fjord", 100);
    // No time limit to speak of: only the newer query can end the first.
    WatchedSearchManager& search = makeSearch(24 * 3600 * 1000);
    Recorder target(log);
    search.setTarget(&target);
    search.setQuery(custom(ENDLESS));
    ASSERT_TRUE(search.handleUntil([&] { return !log.empty(); }));
    search.setQuery(text("fjord"));
    ASSERT_TRUE(search.handleUntil([&] { return contains(log, "file Fjord"); }));
    EXPECT_EQ(log,
              (Log{"started " + ENDLESS.utf8_string(), "started fjord", "count 1", "file Fjord"}));
}

TEST_F(SearchManagerTest, RefusedAndEndlessCustomQueriesFailWithNoMatchesAndTheThreadGoesOn)
{
    addFile(makeAlbum("Trip")->getURI(), "Fjord", 100);
    WatchedSearchManager& search = makeSearch(50);
    Recorder target(log);
    search.setTarget(&target);
    search.setQuery(custom("1); DELETE FROM file; SELECT (1"));
    ASSERT_TRUE(search.handleUntil([&] { return contains(log, "count 0"); }));
    EXPECT_TRUE(contains(log, "failed A search query must be a single statement"));
    EXPECT_EQ(Database::getInstance().getFileCount(), 1);

    log.clear();
    search.setQuery(custom(ENDLESS));
    ASSERT_TRUE(search.handleUntil([&] { return contains(log, "count 0"); }));
    EXPECT_TRUE(contains(log, "failed The query took too long and was stopped"));

    log.clear();
    search.setQuery(custom("caption = 'Fjord'"));
    ASSERT_TRUE(search.handleUntil([&] { return contains(log, "file Fjord"); }));
}

TEST_F(SearchManagerTest, ResultsOnTheirWayAreDroppedForATargetThatWasReplacedOrDestroyed)
{
    addFile(makeAlbum("Trip")->getURI(), "Fjord", 100);
    WatchedSearchManager& search = makeSearch();
    Recorder counts(log, "listener ");
    auto destroyed = std::make_unique<Recorder>(log, "destroyed ");
    search.setTarget(destroyed.get());
    search.setCountListener(&counts);
    search.setQuery(text("fjord"));
    // started, two counts, the files, the hidden count: all posted, none handled yet.
    ASSERT_TRUE(search.waitForPosted(5));
    destroyed.reset();
    wxTheApp->ProcessPendingEvents();
    EXPECT_EQ(log, (Log{"listener matches 1", "listener hidden 0"}));

    // A target put in the place of another gets nothing of the query it did not ask for.
    log.clear();
    Recorder replaced(log, "replaced "), next(log, "next ");
    search.setTarget(&replaced);
    search.setQuery(text("fjord"));
    ASSERT_TRUE(search.waitForPosted(10));
    search.setTarget(&next);
    wxTheApp->ProcessPendingEvents();
    EXPECT_EQ(log, (Log{"listener matches 1", "listener hidden 0"}));
}

TEST_F(SearchManagerTest, OtherWorkRunsOnTheSearchThreadAndOnlyTheLatestResultArrives)
{
    WatchedSearchManager& search = makeSearch();
    Gate gate;
    std::mutex ranMutex;
    std::vector<int> ran;
    const auto work = [&](int number, bool held) {
        return [&, number, held](Database&) -> SearchManager::WorkResult {
            {
                std::lock_guard<std::mutex> lock(ranMutex);
                ran.push_back(number);
            }
            if (held)
                gate.pass();
            return [&, number] { log.push_back("result " + std::to_string(number)); };
        };
    };
    search.setWork(work(1, true));
    ASSERT_TRUE(gate.waitForArrivals());
    // While the first runs, the second waits and the third replaces it; the first's result is
    // no longer wanted.
    search.setWork(work(2, false));
    search.setWork(work(3, false));
    gate.open();
    ASSERT_TRUE(search.handleUntil([&] { return !log.empty(); }));
    EXPECT_EQ(log, (Log{"result 3"}));
    {
        std::lock_guard<std::mutex> lock(ranMutex);
        EXPECT_EQ(ran, (std::vector<int>{1, 3}));
    }

    // Work that fails delivers nothing, and the thread carries on with a search.
    search.setWork(
        [](Database&) -> SearchManager::WorkResult { throw Quorvel::RuntimeException("broken"); });
    Recorder recorder(log);
    search.setTarget(&recorder);
    addFile("inbox://", "beach", 100);
    search.setQuery(text("beach"));
    ASSERT_TRUE(search.handleUntil([&] { return contains(log, "file beach"); }));

    // Cancelled work that already ran delivers nothing.
    log.clear();
    search.setWork(work(4, true));
    ASSERT_TRUE(gate.waitForArrivals(2));
    search.cancelWork();
    // Posted so far: the results of works 1 and 3, the search's five steps, and work 4's.
    ASSERT_TRUE(search.waitForPosted(8));
    wxTheApp->ProcessPendingEvents();
    EXPECT_TRUE(log.empty());
}
