#pragma once
// The catalogue: the one SQLite file ("database.db" in the user data directory) that holds a row
// per catalogued file, a row per album, the keyword list, the file-keyword pairs and the queue of
// pending safe-storage operations. No other class issues SQL.
//
// All work runs inside one long transaction that a timer commits every 5 seconds and close()
// commits at the end, so storing a file after each small change costs no disk synchronisation;
// a crash loses at most the last few seconds and never leaves a half-written catalogue.
//
// Threads: every method takes the library lock (see core/LibraryLock.h) for its whole duration,
// so any thread may call them and the one current statement is never shared. open() and close()
// start and stop the commit timer and belong on the GUI thread (or the thread running the event
// loop); the timer fires there too.
//
// Errors: a failing SQLite call logs "DATABASE ERROR (%d): %s" and throws DatabaseException with
// SQLite's own message; a missing required row throws RowException. A failure inside a method
// does not roll the transaction back: the work before it stays and is committed with the rest.

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include <wx/event.h>
#include <wx/string.h>
#include <wx/timer.h>

#include "database/AlbumRecord.h"
#include "files/File.h"

struct sqlite3;
struct sqlite3_stmt;

namespace Brenmarle {

class Database : public wxEvtHandler {
public:
    static constexpr int DBVERSION = 9;
    static constexpr int COMMIT_INTERVAL_MS = 5000;
    // Code of the exception that refuses a catalogue written by a newer version; the program
    // shows its message and ends.
    static constexpr const char* NEWER_VERSION_CODE = "Database.NewerVersion";

    // One pending safe-storage operation, in queue (rowid) order.
    struct SafeStorageOp {
        // `type`: the picture moved (`uri` is where to), or was deleted (`uri` is where from).
        static constexpr int32_t MOVE = 0;
        static constexpr int32_t DELETE = 1;
        int64_t rowid = 0;
        // Seconds since 1970, when the operation was queued.
        int32_t time = 0;
        int32_t type = 0;
        wxString uri;
    };

    // The program's catalogue, made on first use and living until exit. First use must come
    // after the toolkit is initialised: the catalogue owns a timer.
    static Database& getInstance();

    // A closed catalogue. Tests may shorten the commit interval.
    explicit Database(int commitIntervalMs = COMMIT_INTERVAL_MS);
    // Closes (and so commits) when still open; failures are logged, never thrown.
    ~Database() override;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens or creates the catalogue and brings its schema to DBVERSION. A file that cannot be
    // read as a catalogue (not SQLite, another program's database, locked by another process)
    // throws DatabaseException and is left untouched; so does a catalogue written by a newer
    // version, with the message the user must see before the program ends. After any failure
    // the catalogue is closed. Throws Quorvel::LogicException when already open.
    void open(const wxString& filename);
    // Commits and closes. Does nothing when closed. Throws DatabaseException when SQLite cannot
    // close; the connection then stays open.
    void close();
    bool isOpen() const;
    // Commits the long transaction and begins the next one: what the commit timer does on each
    // tick. Throws DatabaseException (for instance when another process holds a lock); the
    // transaction then stays open and the next tick tries again.
    void commit();

    // The schema version stored in the catalogue.
    int getVersion();

    // Files. addFile replaces any row of the same URI with a fresh one; storeFile writes every
    // field and the keywords and clears the file's modified flag.
    void addFile(File& file);
    void storeFile(File& file);
    // Throws RowException when there is no row for `uri`.
    Quorvel::Ref<File> loadFile(const wxString& uri);
    // Whether a row for `uri` exists.
    bool hasFile(const wxString& uri);
    void renameFile(const wxString& oldUri, const wxString& newUri);
    void deleteFile(const wxString& uri);
    // Throws RowException when there is no such row.
    wxString getFileUri(int64_t rowid);
    // Throws Quorvel::NotFoundException when no file has a caption.
    wxString getRandomCaptionedFileUri();
    // The URI of the file whose last segment is `uuid` (letters in either case). Throws
    // Quorvel::NotFoundException.
    wxString findFileUri(const wxString& uuid);
    // Appends the URIs of the files in `folderUri` to `list`, in catalogue order.
    void getFileUris(const wxString& folderUri, UriList& list);
    // Adds the files of the whole catalogue to `files`; URIs already in the map keep their file.
    void loadFiles(FileMap& files);
    // Reads the files of `folderUri` in catalogue order without a map of them all. For each row
    // `slotFor` gives where its file goes (null: the row is skipped); a slot that holds a file
    // already keeps it, an empty one gets a new file read from the row, which `fresh` is told.
    void readFolderFiles(
        const wxString& folderUri,
        const std::function<Quorvel::Ref<File>*(const Quorvel::CompactString& uri)>& slotFor,
        const std::function<void(const Quorvel::Ref<File>& file)>& fresh);
    // The files of the rows `rowids`, in that order; null where a row has gone. One statement
    // serves them all, so the catalogue search delivers its matches without a prepare per file.
    std::vector<Quorvel::Ref<File>> loadFilesByRowId(const std::vector<int64_t>& rowids);
    // Those of `rowids` whose rows have gone, in that order: a list of search matches held as
    // rowids learns this way which of them were deleted, without reading the rows.
    std::vector<int64_t> getGoneRowIds(const std::vector<int64_t>& rowids);
    // How many files `folderUri` holds, and their URIs in catalogue order: both along the URI
    // key, so neither reads other folders' rows.
    int countFolderFiles(const wxString& folderUri);
    void getFolderFileUris(const wxString& folderUri, UriList& list);
    // One step along the files of `folderUri` in the order of their URIs: the rowids of at
    // most `limit` files whose URI sorts after `afterUri` (start with the folder URI itself),
    // and the URI of the last of them to go on from. A look-up along the URI key: a large
    // folder is listed in steps that each hold the library lock a moment, and a small folder
    // in a large catalogue costs no scan of the table.
    struct FolderRowsStep {
        std::vector<int64_t> rowids;
        wxString lastUri;
    };
    FolderRowsStep getFolderRowIds(const wxString& folderUri, const wxString& afterUri, int limit);
    // One step along the same key for the earliest and latest picture time of `folderUri`'s
    // dated files (0 and 0 when none of the step is dated): at most `limit` files after
    // `afterUri`, and the URI to go on from (empty after the last step).
    struct FolderTimesStep {
        int32_t firstTime = 0;
        int32_t lastTime = 0;
        wxString lastUri;
    };
    FolderTimesStep getFolderTimes(const wxString& folderUri, const wxString& afterUri, int limit);
    // The URI of each of `rowids`, in that order; empty where the row has gone. Reads no other
    // column: a list of 100,000 rows names its pictures without making their files.
    std::vector<wxString> getFileUris(const std::vector<int64_t>& rowids);
    // The rowid of each of `uris`, in that order; 0 where no row has that URI.
    std::vector<int64_t> getRowIdsOfUris(const std::vector<wxString>& uris);
    // The files of the rows `rowids` that still lie in `folderUri` (not in a folder below it),
    // in that order; a row that has gone or moved elsewhere is left out. A file `inMemory`
    // knows keeps its object; the others are read from their rows and also appended to
    // `fresh`, for the caller to register.
    std::vector<Quorvel::Ref<File>> loadFolderFiles(
        const wxString& folderUri, const std::vector<int64_t>& rowids,
        const std::function<Quorvel::Ref<File>(const Quorvel::CompactString&)>& inMemory,
        std::vector<Quorvel::Ref<File>>& fresh);
    // Adds every URI in the catalogue to `files` with no file object.
    void loadAllFileUris(FileMap& files);
    // Polled while a search query runs; true stops it.
    using InterruptCheck = std::function<bool()>;
    // Runs a search query whose first column is a file rowid (built by the catalogue search).
    // The text may come from another process (a custom query), so only one reading statement
    // is run: a second statement after it, or a statement that would write, throws
    // DatabaseException before anything runs. When `interrupted` returns true the query stops
    // and DatabaseException is thrown; a search that never ends then cannot hold the library
    // lock for good.
    std::vector<int64_t> getRowIds(const wxString& query,
                                   const InterruptCheck& interrupted = InterruptCheck());
    // Runs one reading statement, as getRowIds does, and gives its first column as text.
    std::vector<wxString> getTexts(const wxString& query);
    // A file row's rowid and size.
    struct RowSize {
        int64_t rowid = 0;
        int32_t size = 0;
    };
    // The rowid and size of at most `limit` files after row `afterRowid`, in rowid order. A
    // look-up along the table's own key: reading the whole catalogue this way in steps holds
    // the library lock only a moment per step.
    std::vector<RowSize> getFileSizes(int64_t afterRowid, int limit);
    // Rows stepped through in full-table scans by the statements run so far (not those of
    // exec()): what queries no index serves have cost. For tests and benchmarks.
    int64_t getFullScanSteps() const { return m_fullScanSteps.load(); }

    // Albums.
    std::vector<wxString> getAlbumUris();
    std::vector<wxString> getHiddenAlbumUris();
    // Inserts the album's row and writes its fields.
    void addFolder(const AlbumRecord& album);
    // Fills `album` (looked up by its uri) and, unless told not to, its file URIs. Throws
    // DatabaseException "Album not found in database".
    void loadAlbum(AlbumRecord& album, bool withFileUris = true);
    void updateFolder(const AlbumRecord& album);
    // Removes the album's row; its files are deleted one by one by the caller.
    void deleteFolder(const wxString& uri);

    // Statistics for the calendar, the welcome page and the map.
    // Date (year * 10000 + month * 100 + day) -> number of files, dated files only.
    std::map<int32_t, int32_t> getDateHistogram();
    // Ascending year * 100 + month values of dated files.
    std::vector<int32_t> getYearMonths();
    // Country code -> number of files taken between the two times (inclusive).
    std::map<wxString, int32_t> getCountryCounts(int32_t minTime, int32_t maxTime);
    // The earliest and latest picture time; 0 and 0 when no file is dated.
    void getMinMaxTime(int32_t& minTime, int32_t& maxTime);
    void getMinMaxCountryTime(const wxString& code, int32_t& minTime, int32_t& maxTime);
    // Counts the files of country `code` between `from` and `to`. The optional outputs take
    // their first and last picture times (`from` and `to` when there are none) and, when the
    // range holds undated files, how many of them there are (`earlier`).
    void getCountryPhotoCount(const wxString& code, int32_t from, int32_t to,
                              int32_t& actualPhotoCount, int32_t* firstTime = nullptr,
                              int32_t* lastTime = nullptr, int32_t* earlier = nullptr);
    int getFileCount();
    int getFavoriteCount();
    int getSafeStorageFileCount(const wxString& accountId);
    // How many files of `folderUri` are not in safe storage under `accountId`: never stored,
    // or stored under another account. Along the URI key, so a large album's rows are counted
    // without making its files.
    int countNotSafelyStored(const wxString& folderUri, const wxString& accountId);

    // Keywords: the user's list together with every keyword a file carries, sorted.
    std::set<wxString> getKeywords();
    // Replaces the user's keyword list.
    void setKeywords(const std::set<wxString>& keywords);
    // Renames or removes a keyword on every catalogued file. Files already in memory keep their
    // own keyword sets; the keyword manager updates them. Renaming onto a keyword a file already
    // has leaves it once; renaming a keyword to itself changes nothing.
    void renameKeyword(const wxString& oldKeyword, const wxString& newKeyword);
    void deleteKeyword(const wxString& keyword);

    // The safe-storage queue: at most one operation per file or folder UUID.
    std::vector<SafeStorageOp> getSafeStorageOps();
    // Queues `type` for `uri`, replacing an operation queued for the same UUID.
    void addSafeStorageOp(int32_t type, const wxString& uri);
    void deleteSafeStorageOp(int64_t rowid);
    // Drops every queued operation (they belong to an account the user left).
    void clearSafeStorageOps();

    // The message and SQLite result code of the last failure.
    wxString getLastError() const;
    int getLastResultCode() const;

private:
    struct ConnectionCloser {
        void operator()(sqlite3* connection) const noexcept;
    };
    struct StatementFinalizer {
        StatementFinalizer() noexcept : fullScanSteps(nullptr) {}
        explicit StatementFinalizer(std::atomic<int64_t>* steps) noexcept : fullScanSteps(steps) {}
        void operator()(sqlite3_stmt* statement) const noexcept;
        // Where the statement's full-scan steps are added up; none when null.
        std::atomic<int64_t>* fullScanSteps;
    };

    // Opening and the schema.
    int lookUpVersion(const wxString& filename);
    void initialize();
    void updateDatabase(int newVersion);
    void runUpgradeStep(int version);
    void createIndexes();
    // Closes without committing: whatever the failed open did is rolled back.
    void discardConnection();
    void onCommitTimer(wxTimerEvent& event);

    // Statement helpers; every query is built from them. There is at most one current
    // statement: preparing a new one finalises the old.
    void exec(const char* sql);
    void exec(const wxString& sql);
    void prepare(const char* sql);
    void prepare(const wxString& sql);
    // prepare() for outside query text: exactly one statement, and one that only reads.
    void prepareSingleQuery(const wxString& query);
    // Makes the current statement ready to run again with new bindings.
    void reset();
    void bindText(int index, const wxString& text);
    void bindInt(int index, int32_t value);
    void bindInt64(int index, int64_t value);
    void bindBool(int index, bool flag);
    void stepDone();
    // stepDone, keeping the statement for reset() and the next bindings.
    void stepDoneKeep();
    bool stepRow(bool required);
    void finalize();
    wxString getText(int column);
    // getText into `target` without copying the text again.
    void readText(int column, wxString& target);
    // The column's UTF-8 bytes as they are, without widening them to a wxString.
    void readText(int column, Quorvel::CompactString& target);
    int32_t getInt(int column);
    int32_t singleInt();
    int64_t getInt64(int column);
    bool getBool(int column);
    void checkResult(int code, int expected, const char* execError = nullptr);
    void ensureOpen() const;

    // The current row of a full-row select as a new file.
    Quorvel::Ref<File> fileFromRow(const wxString& uri);
    Quorvel::Ref<File> fileFromRow(Quorvel::CompactString uri);
    void readFiles(FileMap& files);
    // Rewrites the keywords column of every file carrying `oldKeyword`: renamed to
    // `newKeyword`, or dropped when it is null.
    void rewriteKeywords(const wxString& oldKeyword, const wxString* newKeyword);

    // Declared before the statement so that the statement is finalised first.
    std::unique_ptr<sqlite3, ConnectionCloser> m_database;
    std::atomic<int64_t> m_fullScanSteps{0};
    std::unique_ptr<sqlite3_stmt, StatementFinalizer> m_statement{
        nullptr, StatementFinalizer{&m_fullScanSteps}};
    wxString m_lastError;
    int m_lastResultCode = 0;
    int m_commitIntervalMs;
    wxTimer m_commitTimer;
};

} // namespace Brenmarle
