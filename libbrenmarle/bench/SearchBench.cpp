// Times the catalogue search on a large collection: a text search over 100,000 pictures of
// which one in ten matches, from the new query until a target on this (the GUI) thread holds
// every match and has made the files of its first screenful: what a user waits for. The same
// SQL is run once through a plain C loop and once by the sqlite3 shell on the same file, the
// floor any search has to pay; the last line sets ours beside the shell's.
//
// Usage: search_bench [file count]
// The catalogue is made in a temporary folder (which also serves as HOME) and removed afterwards.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

#include <sqlite3.h>

#include <wx/app.h>
#include <wx/filename.h>
#include <wx/utils.h>

#include "BenchArguments.h"
#include "database/Database.h"
#include "filemanager/FileManager.h"
#include "folders/AlbumFolder.h"
#include "search/CountryList.h"
#include "search/SearchEvent.h"
#include "search/SearchManager.h"
#include "search/SearchTarget.h"
#include "system/Environment.h"
#include "util/Uuid.h"

using Brenmarle::Database;
using Brenmarle::File;
using Brenmarle::SearchCriteria;
using Clock = std::chrono::steady_clock;

namespace {

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Notes when the search thread posts the count and the last match of a query, and lets the
// GUI thread (this one) wait for whatever comes next.
class TimedSearchManager : public Brenmarle::SearchManager {
public:
    using SearchManager::SearchManager;

    void QueueEvent(wxEvent* event) override
    {
        const auto* search = static_cast<Brenmarle::SearchEvent*>(event);
        const wxEventType type = event->GetEventType();
        const size_t rows = type == Brenmarle::SEARCH_ROWS ? search->rowids.size() : 0;
        SearchManager::QueueEvent(event);
        std::lock_guard<std::mutex> lock(m_mutex);
        if (type == Brenmarle::SEARCH_COUNT) {
            countMs = msSince(queryStart);
            expected = static_cast<size_t>(search->count);
        }
        posted += rows;
        if (type == Brenmarle::SEARCH_HIDDEN_COUNT)
            postedMs = msSince(queryStart);
        ++m_events;
        m_more.notify_all();
    }

    // Searches and handles what arrives, as the GUI thread would, until `done` holds.
    void run(const SearchCriteria& criteria, const std::function<bool()>& done)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            queryStart = Clock::now();
            posted = 0;
            postedMs = -1;
        }
        setQuery(criteria);
        for (;;) {
            size_t before;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                before = m_events;
            }
            wxTheApp->ProcessPendingEvents();
            if (done())
                return;
            std::unique_lock<std::mutex> lock(m_mutex);
            m_more.wait(lock, [&] { return m_events != before; });
        }
    }

    bool threadDone()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return postedMs >= 0;
    }

    Clock::time_point queryStart;
    double countMs = -1;
    double postedMs = -1;
    size_t expected = 0;
    size_t posted = 0;

private:
    std::mutex m_mutex;
    std::condition_variable m_more;
    size_t m_events = 0;
};

// Keeps the matches as rowids and makes the files of the first screenful, as the thumbnail
// view does; notes when the list is complete with that screenful made.
class CountingTarget : public Brenmarle::SearchTarget {
public:
    // A 1280 x 1024 window of 160-pixel thumbnails shows about 7 x 5 of them: 60 is generous.
    static constexpr size_t SCREENFUL = 60;

    void onSearchStarted(const SearchCriteria&) override { reset(); }
    void reset()
    {
        rowids.clear();
        shown.clear();
        count = -1;
        completeMs = -1;
    }
    void onSearchCount(int matches) override { count = matches; }
    void onSearchRows(const std::vector<int64_t>& batch) override
    {
        rowids.insert(rowids.end(), batch.begin(), batch.end());
        if (shown.empty()) {
            const std::vector<int64_t> first(
                rowids.begin(),
                rowids.begin() + static_cast<long>(std::min(SCREENFUL, rowids.size())));
            shown = Brenmarle::SearchManager::loadFiles(Database::getInstance(), first);
        }
        if (count >= 0 && rowids.size() == static_cast<size_t>(count))
            completeMs = msSince(start);
    }
    bool complete() const { return completeMs >= 0; }

    Clock::time_point start;
    int count = -1;
    double completeMs = -1;
    std::vector<int64_t> rowids;
    std::vector<Quorvel::Ref<File>> shown;
};

size_t plainLoop(const wxString& path, const wxString& sql)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(path.utf8_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> connection(raw, &sqlite3_close_v2);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(raw, sql.utf8_str(), -1, &statement, nullptr);
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> owner(statement, &sqlite3_finalize);
    size_t rows = 0;
    while (sqlite3_step(statement) == SQLITE_ROW)
        rows += sqlite3_column_int64(statement, 0) > 0 ? 1 : 0;
    return rows;
}

// The shell's "Run Time: real" of the statement in `command`, in ms; -1 without a shell.
double shellRunTime(const std::string& command)
{
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>&1").c_str(), "r"), &pclose);
    if (!pipe)
        return -1;
    char line[512];
    double seconds = -1;
    while (std::fgets(line, sizeof line, pipe.get())) {
        double real = 0;
        if (std::sscanf(line, "Run Time: real %lf", &real) == 1)
            seconds = real;
    }
    return seconds < 0 ? -1 : seconds * 1000;
}

void buildCatalogue(int count)
{
    Database& database = Database::getInstance();
    const auto start = Clock::now();
    wxString album;
    for (int i = 0; i < count; ++i) {
        if (i % 5000 == 0) {
            Brenmarle::AlbumRecord record;
            record.uri = "album://" + Quorvel::Uuid::create() + "/";
            record.name = wxString::Format("Album %d", i / 5000);
            database.addFolder(record);
            album = record.uri;
        }
        auto file = Quorvel::makeRef<File>(album + Quorvel::Uuid::create());
        file->setFileName(wxString::Format("IMG_%06d.JPG", i));
        file->setTime(1262304000 + (i * 3163) % 315360000);
        file->setCity(i % 3 ? "Oslo" : "Bergen");
        file->setCountryCode("NO");
        file->setCaption(i % 10 == 0 ? wxString::Format("Fjord view %d", i)
                                     : wxString::Format("Day %d at the beach", i % 365));
        database.addFile(*file);
    }
    database.commit();
    std::printf("%-40s %8.1f ms\n", "building the catalogue", msSince(start));
}

int benchmark(int count)
{
    char pattern[] = "/tmp/vistrelle-search-bench-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("could not make a folder under /tmp");
    const wxString home = wxString::FromUTF8(pattern);
    wxSetEnv("HOME", home);
    wxSetEnv("XDG_DATA_HOME", home + "/data");
    wxSetEnv("XDG_CONFIG_HOME", home + "/config");
    Quorvel::Environment::init("vistrelle-bench", home + "/program");
    const wxString path = home + "/database.db";
    Database::getInstance().open(path);
    buildCatalogue(count);

    {
        Brenmarle::AlbumFolder::loadAlbums();
        Brenmarle::FileManager files;
        TimedSearchManager search(Database::getInstance(), Brenmarle::CountryList::getInstance());
        CountingTarget target;
        search.setTarget(&target);
        search.start();

        SearchCriteria criteria;
        criteria.text = "fjord";
        const wxString sql = criteria.buildQuery(Brenmarle::CountryList::getInstance());
        std::printf("SQL: %s\n", sql.utf8_str().data());

        std::vector<double> ours;
        for (int run = 1; run <= 4; ++run) {
            target.reset();
            target.start = Clock::now();
            search.run(criteria, [&] { return target.complete() && search.threadDone(); });
            ours.push_back(target.completeMs);
            std::printf("run %d (%s): count %zu after %6.1f ms; %zu rowids and the first %zu "
                        "files made after %6.1f ms (search thread done after %6.1f ms)\n",
                        run, run % 2 ? "files read from the catalogue" : "files in memory",
                        search.expected, search.countMs, target.rowids.size(), target.shown.size(),
                        target.completeMs, search.postedMs);
            if (run == 2) {
                // Let go of the files, so the next runs read them from the catalogue again.
                target.shown.clear();
                files.releaseOrphans();
            }
        }
        std::sort(ours.begin(), ours.end());
        const double oursMedian = (ours[1] + ours[2]) / 2;
        search.stop();
        search.setTarget(nullptr);

        // What making every match's file would cost, as before matches came as rowids.
        target.shown.clear();
        files.releaseOrphans();
        const auto allStart = Clock::now();
        const size_t made =
            Brenmarle::SearchManager::loadFiles(Database::getInstance(), target.rowids).size();
        std::printf("%-40s %8.1f ms (%zu files, not done by a search)\n",
                    "making every match's file", msSince(allStart), made);
        files.releaseOrphans();

        const auto plainStart = Clock::now();
        const size_t rows = plainLoop(path, sql);
        std::printf("%-40s %8.1f ms (%zu rows)\n", "plain C loop over the same SQL",
                    msSince(plainStart), rows);
        Database::getInstance().commit();
        // The shell prints its "Run Time" of each statement; the rows themselves go nowhere.
        const wxString script = home + "/query.sql";
        {
            std::unique_ptr<FILE, int (*)(FILE*)> out(std::fopen(script.utf8_str(), "w"),
                                                      &std::fclose);
            std::fprintf(out.get(), ".output /dev/null\n.timer on\n%s;\n", sql.utf8_str().data());
        }
        const std::string shell =
            "sqlite3 '" + path.utf8_string() + "' < '" + script.utf8_string() + "'";
        const double shellMs = shellRunTime(shell);
        if (shellMs < 0) {
            std::printf("sqlite3 shell not available: no reference\n");
        } else {
            std::printf("%-40s %8.1f ms\n", "sqlite3 shell, same SQL (real)", shellMs);
            std::printf("last match delivered: ours %.1f ms (middle of 4 runs), shell %.1f ms: "
                        "%.2fx (goal 1.5x)\n",
                        oursMedian, shellMs, oursMedian / shellMs);
        }
    }
    Brenmarle::AlbumFolder::unloadAlbums();
    Database::getInstance().close();
    wxFileName::Rmdir(home, wxPATH_RMDIR_RECURSIVE);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return BenchArguments::runMain(argc, argv, "[file count]", [](BenchArguments& arguments) {
        const int count = static_cast<int>(
            BenchArguments::number("file count", arguments.positional(0, 1), 100000, 1, 10000000));
        return benchmark(count);
    });
}
