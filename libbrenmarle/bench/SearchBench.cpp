// Times the catalogue search on a large collection: a text search over 100,000 pictures of
// which one in ten matches, from the new query to its count and to the last of its files, as
// the search thread posts them; then handing them to a target on this (the GUI) thread. The
// same SQL is run once through a plain C loop and once by the sqlite3 shell on the same file,
// the floor any search has to pay.
//
// Usage: search_bench [file count]
// The catalogue is made in a temporary folder (which also serves as HOME) and removed afterwards.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
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

// Notes when the search thread posts the count and the last file of a query.
class TimedSearchManager : public Brenmarle::SearchManager {
public:
    using SearchManager::SearchManager;

    void QueueEvent(wxEvent* event) override
    {
        const auto* search = static_cast<Brenmarle::SearchEvent*>(event);
        const wxEventType type = event->GetEventType();
        const size_t files = type == Brenmarle::SEARCH_FILES ? search->files.size() : 0;
        SearchManager::QueueEvent(event);
        std::lock_guard<std::mutex> lock(m_mutex);
        if (type == Brenmarle::SEARCH_COUNT) {
            countMs = msSince(queryStart);
            expected = static_cast<size_t>(search->count);
        }
        posted += files;
        if (type == Brenmarle::SEARCH_HIDDEN_COUNT) {
            filesMs = msSince(queryStart);
            m_done.notify_all();
        }
    }

    void run(const SearchCriteria& criteria)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            queryStart = Clock::now();
            posted = 0;
            filesMs = -1;
        }
        setQuery(criteria);
        std::unique_lock<std::mutex> lock(m_mutex);
        m_done.wait(lock, [&] { return filesMs >= 0; });
    }

    Clock::time_point queryStart;
    double countMs = -1;
    double filesMs = -1;
    size_t expected = 0;
    size_t posted = 0;

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
};

class CountingTarget : public Brenmarle::SearchTarget {
public:
    void onSearchStarted(const SearchCriteria&) override { files.clear(); }
    void onSearchCount(int matches) override { count = matches; }
    void onSearchFile(const Quorvel::Ref<File>& file) override { files.push_back(file); }

    int count = 0;
    std::vector<Quorvel::Ref<File>> files;
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

        for (int run = 1; run <= 4; ++run) {
            search.run(criteria);
            const auto handleStart = Clock::now();
            wxTheApp->ProcessPendingEvents();
            const double handleMs = msSince(handleStart);
            std::printf("run %d (%s): count %zu posted after %6.1f ms, %zu files after %6.1f ms, "
                        "handed to the target in %5.1f ms (%zu received)\n",
                        run, run % 2 ? "files read from the catalogue" : "files in memory",
                        search.expected, search.countMs, search.posted, search.filesMs, handleMs,
                        target.files.size());
            if (run == 2) {
                // Let go of the files, so the next runs read them from the catalogue again.
                target.files.clear();
                files.releaseOrphans();
            }
        }
        search.stop();
        search.setTarget(nullptr);

        // The two halves of delivering a match, for files not in memory.
        target.files.clear();
        files.releaseOrphans();
        const std::vector<int64_t> rowids = Database::getInstance().getRowIds(sql);
        std::vector<wxString> uris;
        const auto uriStart = Clock::now();
        for (const int64_t rowid : rowids)
            uris.push_back(Database::getInstance().getFileUri(rowid));
        std::printf("%-40s %8.1f ms\n", "getFileUri of every match", msSince(uriStart));
        std::vector<Quorvel::Ref<File>> held;
        const auto fileStart = Clock::now();
        for (const wxString& uri : uris)
            held.push_back(files.getFile(uri));
        std::printf("%-40s %8.1f ms\n", "getFile of every match", msSince(fileStart));
        held.clear();

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
        std::printf("sqlite3 shell, same SQL:\n");
        std::fflush(stdout);
        if (std::system(shell.c_str()) != 0)
            std::printf("  (sqlite3 shell not available)\n");
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
