#include "database/Database.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include <sqlite3.h>

#include <wx/intl.h>
#include <wx/stopwatch.h>

#include "core/Exceptions.h"
#include "core/LibraryLock.h"
#include "system/Log.h"

namespace Brenmarle {

namespace {

const char* const CREATE_SCRIPT =
    "CREATE TABLE metadata (   version         INTEGER);"
    "CREATE TABLE folder (   uri                     VARCHAR(512) PRIMARY KEY,   name            "
    "        TEXT,   icon                    VARCHAR(32),   description             TEXT,   "
    "creationtime            INTEGER,   metamodifytime          INTEGER,   safestorageupdatetime "
    "  INTEGER,   safestorageaccountid    VARCHAR(36),   safestoragewarning      BOOLEAN);"
    "CREATE TABLE file (   uri                     VARCHAR(512) UNIQUE PRIMARY KEY,   filename  "
    "              VARCHAR(255),   filesize                INTEGER,   contenttype             "
    "VARCHAR(48),   scanner                 TEXT,   scanversion             INTEGER,   "
    "filemodifytime          INTEGER,   fileusermodified        BOOLEAN,   metamodifytime      "
    "    INTEGER,   metausermodified        BOOLEAN,   favorite                BOOLEAN,   caption "
    "                TEXT,   time                    INTEGER,   timemask                INTEGER, "
    "  creator                 VARCHAR(128),   source                  VARCHAR(128),   copyright "
    "              TEXT,   sublocation             VARCHAR(128),   city                    "
    "VARCHAR(64),   province                VARCHAR(64),   countrycode             VARCHAR(3),   "
    "safestoragetype         INTEGER,   safestoragerevision     INTEGER,   safestorageaccountid  "
    "  VARCHAR(36),   imagewidth              INTEGER,   imageheight             INTEGER,   "
    "imagerotation           INTEGER);"
    "CREATE TABLE filekeyword (   fileuri                 VARCHAR(255),   keyword                "
    " VARCHAR(255));"
    "CREATE TABLE ssoperation (   time                  INTEGER,   type                  TEXT,   "
    "uri                   TEXT,   uuid                  TEXT);";

const char* const SELECT_FILE =
    "SELECT    uri,   filename,   filesize,   contenttype,   scanner,   scanversion,   "
    "filemodifytime,   fileusermodified,   metamodifytime,   metausermodified,   favorite,   "
    "caption,   time,   timemask,   creator,   source,   copyright,   sublocation,   city,   "
    "province,   countrycode,   safestoragetype,   safestoragerevision,   safestorageaccountid,   "
    "imagewidth,   imageheight,   imagerotation,   keywords FROM file ";

const char* const UPDATE_FILE =
    "UPDATE file SET    filename = ?,   filesize = ?,   contenttype = ?,   scanner = ?,   "
    "scanversion = ?,   filemodifytime = ?,   fileusermodified = ?,   metamodifytime = ?,   "
    "metausermodified = ?,   favorite = ?,   caption = ?,   time = ?,   timemask = ?,   creator = "
    "?,   source = ?,   copyright = ?,   sublocation = ?,   city = ?,   province = ?,   "
    "countrycode = ?,   safestoragetype = ?,   safestoragerevision = ?,   safestorageaccountid = "
    "?,   imagewidth = ?,   imageheight = ?,   imagerotation = ?,   keywords = ?,   yeardateint = "
    "?,   yearmonthint = ? WHERE uri = ?";

// The keywords a new catalogue starts with, offered in the user's language.
const char* const DEFAULT_KEYWORDS[] = {
    wxTRANSLATE("Events/Vacation"),   wxTRANSLATE("Events/Wedding"),
    wxTRANSLATE("Events/Birthday"),   wxTRANSLATE("Events/Party"),
    wxTRANSLATE("People/Jane Doe"),   wxTRANSLATE("People/John Doe"),
    wxTRANSLATE("Todo/Order Prints"), wxTRANSLATE("Todo/Organize"),
    wxTRANSLATE("Todo/Share"),        wxTRANSLATE("Todo/Edit"),
};

// The keywords column lists each keyword followed by "|". Text after the last "|" is not a
// keyword: a column cut short loses its last keyword rather than gaining a mangled one.
std::set<wxString> splitKeywords(const wxString& text)
{
    std::set<wxString> keywords;
    size_t start = 0;
    const wchar_t* chars = text.wc_str();
    for (size_t bar = text.find('|'); bar != wxString::npos; bar = text.find('|', start)) {
        keywords.emplace(chars + start, bar - start);
        start = bar + 1;
    }
    return keywords;
}

wxString joinKeywords(const std::set<wxString>& keywords)
{
    wxString text;
    for (const wxString& keyword : keywords)
        text << keyword << '|';
    return text;
}

// year * 10000 + month * 100 + day of the picture time, read as UTC like the time itself.
int32_t yearDateOf(int32_t time)
{
    const time_t seconds = time;
    struct tm parts {};
    if (!gmtime_r(&seconds, &parts))
        return 0;
    return (parts.tm_year + 1900) * 10000 + (parts.tm_mon + 1) * 100 + parts.tm_mday;
}

wxString fromUtf8(const unsigned char* text, int bytes)
{
    if (!text || bytes <= 0)
        return wxString();
    // Most catalogue texts are plain ASCII (URIs, types, codes): widening them directly is
    // several times cheaper than the general UTF-8 decoder, which dominates loading otherwise.
    const char* chars = reinterpret_cast<const char*>(text);
    if (std::all_of(text, text + bytes, [](unsigned char c) { return c < 0x80; }))
        return wxString::FromAscii(chars, static_cast<size_t>(bytes));
    return wxString::FromUTF8(chars, static_cast<size_t>(bytes));
}

} // namespace

void Database::ConnectionCloser::operator()(sqlite3* connection) const noexcept
{
    // close_v2 never fails for a valid handle; an open transaction is rolled back.
    sqlite3_close_v2(connection);
}

void Database::StatementFinalizer::operator()(sqlite3_stmt* statement) const noexcept
{
    if (fullScanSteps)
        *fullScanSteps += sqlite3_stmt_status(statement, SQLITE_STMTSTATUS_FULLSCAN_STEP, 0);
    sqlite3_finalize(statement);
}

Database& Database::getInstance()
{
    static Database instance;
    return instance;
}

Database::Database(int commitIntervalMs) : m_commitIntervalMs(commitIntervalMs), m_commitTimer(this)
{
    Bind(wxEVT_TIMER, &Database::onCommitTimer, this);
}

Database::~Database()
{
    try {
        close();
    } catch (const Quorvel::Exception& e) {
        QDEBUG("[DATABASE] Could not close database at exit: %s", e.getMessage());
    }
    m_commitTimer.Stop();
}

// ---- Opening and closing -------------------------------------------------------------------

void Database::open(const wxString& filename)
{
    LibraryLock lock;
    if (filename.empty())
        throw Quorvel::LogicException("Database file name is empty (Database.cpp)");
    if (m_database)
        throw Quorvel::LogicException("Database is already open (Database.cpp)");
    QDEBUG("[DATABASE] Opening database at %s...", filename);

    sqlite3* connection = nullptr;
    // The library lock already serialises every use of the connection; SQLite's own
    // per-call mutex would only be taken again for each column read.
    const int rc =
        sqlite3_open_v2(filename.utf8_str(), &connection,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    // Owned before the check: a failed open still returns a handle that must be closed.
    m_database.reset(connection);
    if (rc != SQLITE_OK) {
        m_lastResultCode = rc;
        m_lastError = connection ? wxString::FromUTF8(sqlite3_errmsg(connection))
                                 : wxString::FromUTF8(sqlite3_errstr(rc));
        QDEBUG("DATABASE ERROR (%d): %s", rc, m_lastError);
        m_database.reset();
        throw DatabaseException(wxString::Format("Could not open database at %s", filename));
    }
    QDEBUG("[DATABASE] Opened database - OK !");

    try {
        exec("BEGIN TRANSACTION");
        QDEBUG("[DATABASE] Looking up database version...");
        const int version = lookUpVersion(filename);
        if (version > DBVERSION)
            throw DatabaseException(
                wxString(NEWER_VERSION_CODE),
                _("The archive has been used with a newer version of this software. This "
                  "program will shut down - please upgrade your software to the most recent "
                  "version."));
        if (version < DBVERSION)
            updateDatabase(version + 1);
        createIndexes();
        // A new or upgraded catalogue is on disk before anything else runs: a program ended
        // before the first timer tick (a long start-up cut short) would otherwise leave an
        // empty file, or the old one with its upgrade lost.
        exec("COMMIT; BEGIN TRANSACTION");
    } catch (...) {
        discardConnection();
        throw;
    }

    m_commitTimer.Start(m_commitIntervalMs, wxTIMER_CONTINUOUS);
}

int Database::lookUpVersion(const wxString& filename)
{
    // Only a file with no tables at all is a new catalogue. Anything else without our version
    // table belongs to another program, and a file SQLite cannot read (not a database, locked by
    // another process) fails here with SQLite's own message: neither may be written to.
    prepare("SELECT name FROM sqlite_master WHERE type = 'table'");
    bool hasMetadata = false;
    bool hasOtherTables = false;
    while (stepRow(false)) {
        if (getText(0) == "metadata")
            hasMetadata = true;
        else
            hasOtherTables = true;
    }
    if (!hasMetadata) {
        if (hasOtherTables)
            throw DatabaseException(
                wxString::Format(_("The file %s is not a picture catalogue."), filename));
        QDEBUG("[DATABASE] Initializing!");
        initialize();
    }
    const int version = getVersion();
    if (version < 0)
        throw DatabaseException(
            wxString::Format(_("The file %s is not a picture catalogue."), filename));
    return version;
}

void Database::discardConnection()
{
    m_commitTimer.Stop();
    m_statement.reset();
    m_database.reset();
}

void Database::close()
{
    LibraryLock lock;
    if (!m_database)
        return;
    finalize();
    // SQLite ends the transaction itself after some errors (a full disk); commit only one that
    // is still open, or closing would fail for good.
    if (!sqlite3_get_autocommit(m_database.get()))
        exec("COMMIT");
    m_commitTimer.Stop();
    QDEBUG("Closing database!");
    const int rc = sqlite3_close(m_database.get());
    if (rc == SQLITE_BUSY)
        throw DatabaseException("Cannot close DB: Database is busy");
    if (rc != SQLITE_OK)
        throw DatabaseException("Cannot close database");
    // sqlite3_close has freed the connection.
    (void)m_database.release();
}

bool Database::isOpen() const
{
    LibraryLock lock;
    return m_database != nullptr;
}

void Database::commit()
{
    LibraryLock lock;
    ensureOpen();
    // Every method holds the lock for its whole run, so no caller is between steps here; a
    // statement left behind by a failure would only keep its locks across the commit.
    finalize();
    if (sqlite3_get_autocommit(m_database.get())) {
        QDEBUG("[DATABASE] Transaction was ended by SQLite; beginning a new one");
        exec("BEGIN TRANSACTION");
        return;
    }
    exec("COMMIT; BEGIN TRANSACTION");
}

void Database::onCommitTimer(wxTimerEvent& event)
{
    event.Skip();
    try {
        LibraryLock lock;
        if (m_database)
            commit();
    } catch (const Quorvel::Exception& e) {
        // The transaction stays open; the next tick tries again.
        QDEBUG("[DATABASE] Commit failed: %s", e.getMessage());
    }
}

wxString Database::getLastError() const
{
    LibraryLock lock;
    return m_lastError;
}

int Database::getLastResultCode() const
{
    LibraryLock lock;
    return m_lastResultCode;
}

// ---- Schema --------------------------------------------------------------------------------

// Steps the prepared one-row query and returns its first column.
int32_t Database::singleInt()
{
    stepRow(true);
    const int32_t value = getInt(0);
    finalize();
    return value;
}

int Database::getVersion()
{
    LibraryLock lock;
    prepare("SELECT version FROM metadata");
    return singleInt();
}

void Database::initialize()
{
    LibraryLock lock;
    exec(CREATE_SCRIPT);
    exec("INSERT INTO metadata (version) VALUES (0)");
}

void Database::updateDatabase(int newVersion)
{
    LibraryLock lock;
    if (newVersion < 1 || newVersion > DBVERSION)
        throw Quorvel::LogicException(
            wxString::Format("No upgrade to database version %d (Database.cpp)", newVersion));
    for (int version = newVersion; version <= DBVERSION; ++version) {
        QDEBUG("[DATABASE] Updating database to version %d", version);
        runUpgradeStep(version);
    }
}

void Database::runUpgradeStep(int version)
{
    switch (version) {
    case 3:
        exec("ALTER TABLE file ADD COLUMN keywords TEXT");
        break;
    case 4:
        exec("CREATE TABLE keyword (   keyword                 VARCHAR(255));");
        break;
    case 5:
        prepare("INSERT INTO keyword (keyword) VALUES (?)");
        for (const char* keyword : DEFAULT_KEYWORDS) {
            reset();
            bindText(1, wxGetTranslation(keyword));
            stepDoneKeep();
        }
        finalize();
        break;
    case 6:
        exec("ALTER TABLE file ADD COLUMN yeardateint INTEGER");
        exec("ALTER TABLE file ADD COLUMN yearmonthint INTEGER");
        break;
    case 7:
        exec("UPDATE file SET metamodifytime = filemodifytime WHERE metamodifytime = 0");
        break;
    case 8:
        exec("ALTER TABLE folder ADD COLUMN hidden BOOLEAN");
        exec("UPDATE folder SET hidden = 'false'");
        break;
    case 9:
        exec("UPDATE file SET metamodifytime = metamodifytime + 1");
        prepare("UPDATE metadata SET version = ?");
        bindInt(1, 9);
        stepDone();
        break;
    default:
        // Versions 1 and 2 changed nothing that later versions rely on.
        break;
    }
}

void Database::createIndexes()
{
    // Storing a file first deletes its keyword rows; without an index each store would scan
    // every keyword row of the catalogue. Indexes are invisible to older program versions
    // reading the same schema version, so they need no version step of their own.
    exec("CREATE INDEX IF NOT EXISTS filekeyword_fileuri ON filekeyword (fileuri)");
    exec("CREATE INDEX IF NOT EXISTS filekeyword_keyword ON filekeyword (keyword)");
}

// ---- Statement helpers ---------------------------------------------------------------------

void Database::ensureOpen() const
{
    if (!m_database)
        throw Quorvel::RuntimeException("Database is closed");
}

void Database::checkResult(int code, int expected, const char* execError)
{
    if (code == expected)
        return;
    m_lastResultCode = code;
    m_lastError = wxString::FromUTF8(execError ? execError : sqlite3_errmsg(m_database.get()));
    QDEBUG("DATABASE ERROR (%d): %s", code, m_lastError);
    throw DatabaseException(m_lastError);
}

void Database::exec(const char* sql)
{
    ensureOpen();
    char* error = nullptr;
    const int rc = sqlite3_exec(m_database.get(), sql, nullptr, nullptr, &error);
    const std::unique_ptr<char, decltype(&sqlite3_free)> owned(error, &sqlite3_free);
    checkResult(rc, SQLITE_OK, error);
}

void Database::exec(const wxString& sql)
{
    exec(sql.utf8_str().data());
}

void Database::prepare(const char* sql)
{
    ensureOpen();
    m_statement.reset();
    sqlite3_stmt* statement = nullptr;
    const int rc = sqlite3_prepare_v2(m_database.get(), sql, -1, &statement, nullptr);
    m_statement.reset(statement);
    checkResult(rc, SQLITE_OK);
}

void Database::prepare(const wxString& sql)
{
    prepare(sql.utf8_str().data());
}

void Database::reset()
{
    sqlite3_reset(m_statement.get());
    sqlite3_clear_bindings(m_statement.get());
}

void Database::bindText(int index, const wxString& text)
{
    const wxScopedCharBuffer utf8 = text.utf8_str();
    checkResult(sqlite3_bind_text(m_statement.get(), index, utf8.data(),
                                  static_cast<int>(utf8.length()), SQLITE_TRANSIENT),
                SQLITE_OK);
}

void Database::bindInt(int index, int32_t value)
{
    checkResult(sqlite3_bind_int(m_statement.get(), index, value), SQLITE_OK);
}

void Database::bindInt64(int index, int64_t value)
{
    checkResult(sqlite3_bind_int64(m_statement.get(), index, value), SQLITE_OK);
}

void Database::bindBool(int index, bool flag)
{
    checkResult(
        sqlite3_bind_text(m_statement.get(), index, flag ? "true" : "false", -1, SQLITE_STATIC),
        SQLITE_OK);
}

void Database::stepDoneKeep()
{
    checkResult(sqlite3_step(m_statement.get()), SQLITE_DONE);
}

void Database::stepDone()
{
    checkResult(sqlite3_step(m_statement.get()), SQLITE_DONE);
    finalize();
}

bool Database::stepRow(bool required)
{
    const int rc = sqlite3_step(m_statement.get());
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE && !required)
        return false;
    if (rc == SQLITE_DONE) {
        finalize();
        throw RowException("Did not find required row");
    }
    // A failed step is not a missing row: keep SQLite's reason ("database is locked", "disk
    // I/O error") so that nobody mistakes an unreadable row for an absent one.
    try {
        checkResult(rc, SQLITE_ROW);
    } catch (...) {
        finalize();
        throw;
    }
    return false;
}

void Database::finalize()
{
    m_statement.reset();
}

wxString Database::getText(int column)
{
    const unsigned char* text = sqlite3_column_text(m_statement.get(), column);
    return fromUtf8(text, sqlite3_column_bytes(m_statement.get(), column));
}

void Database::readText(int column, wxString& target)
{
    wxString text = getText(column);
    target.swap(text);
}

void Database::readText(int column, Quorvel::CompactString& target)
{
    const unsigned char* text = sqlite3_column_text(m_statement.get(), column);
    const int bytes = sqlite3_column_bytes(m_statement.get(), column);
    target = Quorvel::CompactString::fromUtf8(reinterpret_cast<const char*>(text),
                                              bytes > 0 ? static_cast<size_t>(bytes) : 0);
}

int32_t Database::getInt(int column)
{
    return sqlite3_column_int(m_statement.get(), column);
}

int64_t Database::getInt64(int column)
{
    return sqlite3_column_int64(m_statement.get(), column);
}

bool Database::getBool(int column)
{
    const auto* text =
        reinterpret_cast<const char*>(sqlite3_column_text(m_statement.get(), column));
    if (text && std::strcmp(text, "true") == 0)
        return true;
    if (text && std::strcmp(text, "false") == 0)
        return false;
    QDEBUG("getBool (..) is not \"true\" or \"false\"");
    return false;
}

// ---- Files ---------------------------------------------------------------------------------

void Database::addFile(File& file)
{
    LibraryLock lock;
    const wxString uri = file.getURI();
    for (const char* sql :
         {"DELETE FROM file WHERE uri = ?", "DELETE FROM filekeyword WHERE fileuri = ?",
          "INSERT INTO file (uri) VALUES (?)"}) {
        prepare(sql);
        bindText(1, uri);
        stepDone();
    }
    storeFile(file);
}

void Database::storeFile(File& file)
{
    LibraryLock lock;
    ensureOpen();
    const wxString uri = file.getURI();
    prepare("DELETE FROM filekeyword WHERE fileuri = ?");
    bindText(1, uri);
    stepDone();

    const std::set<wxString> keywords = file.getKeywords();
    if (!keywords.empty()) {
        prepare("INSERT INTO filekeyword (fileuri, keyword) VALUES (?, ?)");
        for (const wxString& keyword : keywords) {
            reset();
            bindText(1, uri);
            bindText(2, keyword);
            stepDoneKeep();
        }
        finalize();
    }

    const int32_t yearDate = yearDateOf(file.getTime());
    prepare(UPDATE_FILE);
    bindText(1, file.getFileName());
    bindInt(2, file.getFileSize());
    bindText(3, file.getContentType());
    bindText(4, file.getScanner());
    bindInt(5, file.getScanVersion());
    bindInt(6, file.getFileModifyTime());
    bindBool(7, file.isFileUserModified());
    bindInt(8, file.getMetaModifyTime());
    bindBool(9, file.isMetaUserModified());
    bindBool(10, file.isFavorite());
    bindText(11, file.getCaption());
    bindInt(12, file.getTime());
    bindInt(13, file.getTimeMask());
    bindText(14, file.getCreator());
    bindText(15, file.getSource());
    bindText(16, file.getCopyright());
    bindText(17, file.getSublocation());
    bindText(18, file.getCity());
    bindText(19, file.getProvince());
    bindText(20, file.getCountryCode());
    bindInt(21, file.getSafeStorageType());
    bindInt(22, file.getSafeStorageRevision());
    bindText(23, file.getSafeStorageAccountId());
    bindInt(24, file.getImageWidth());
    bindInt(25, file.getImageHeight());
    bindInt(26, file.getImageRotation());
    bindText(27, joinKeywords(keywords));
    bindInt(28, yearDate);
    bindInt(29, yearDate / 100);
    bindText(30, uri);
    stepDone();
    file.setModified(false);
}

Quorvel::Ref<File> Database::fileFromRow(const wxString& uri)
{
    return fileFromRow(Quorvel::CompactString(uri));
}

Quorvel::Ref<File> Database::fileFromRow(Quorvel::CompactString uri)
{
    // Called with the library lock held, which also guards the new file's fields. Texts go in
    // as the catalogue's UTF-8 bytes, which is how the file keeps them.
    Quorvel::Ref<File> ref = Quorvel::makeRef<File>(wxString());
    File& file = *ref;
    file.m_uri = std::move(uri);
    readText(1, file.m_fileName);
    file.m_fileSize = getInt(2);
    readText(3, file.m_contentType);
    readText(4, file.m_scanner);
    file.m_scanVersion = getInt(5);
    file.m_fileModifyTime = getInt(6);
    file.m_fileUserModified = getBool(7);
    file.m_metaModifyTime = getInt(8);
    file.m_metaUserModified = getBool(9);
    file.m_favorite = getBool(10);
    readText(11, file.m_caption);
    file.m_time = getInt(12);
    file.m_timeMask = getInt(13);
    File::Details details;
    readText(14, details.creator);
    readText(15, details.source);
    readText(16, details.copyright);
    readText(17, details.sublocation);
    readText(18, details.city);
    readText(19, details.province);
    readText(20, details.countryCode);
    file.m_safeStorageType = getInt(21);
    file.m_safeStorageRevision = getInt(22);
    readText(23, details.safeStorageAccountId);
    if (!details.empty())
        file.m_details = std::make_unique<File::Details>(std::move(details));
    file.m_imageWidth = getInt(24);
    file.m_imageHeight = getInt(25);
    file.m_imageRotation = File::normalizedRotation(getInt(26));
    file.m_keywords = splitKeywords(getText(27));
    file.m_modified = false;
    return ref;
}

void Database::readFiles(FileMap& files)
{
    while (stepRow(false)) {
        wxString uri = getText(0);
        // One look-up both to skip a file already in memory and to place a new one.
        const auto place = files.lower_bound(uri);
        if (place != files.end() && place->first == uri)
            continue;
        Quorvel::Ref<File> file = fileFromRow(uri);
        files.emplace_hint(place, std::move(uri), std::move(file));
    }
    finalize();
}

Quorvel::Ref<File> Database::loadFile(const wxString& uri)
{
    LibraryLock lock;
    prepare(wxString(SELECT_FILE) + "WHERE file.uri = ?");
    bindText(1, uri);
    stepRow(true);
    Quorvel::Ref<File> file = fileFromRow(getText(0));
    finalize();
    return file;
}

bool Database::hasFile(const wxString& uri)
{
    LibraryLock lock;
    prepare("SELECT 1 FROM file WHERE uri = ?");
    bindText(1, uri);
    const bool found = stepRow(false);
    finalize();
    return found;
}

std::vector<Quorvel::Ref<File>> Database::loadFilesByRowId(const std::vector<int64_t>& rowids)
{
    LibraryLock lock;
    prepare(wxString(SELECT_FILE) + "WHERE rowid = ?");
    std::vector<Quorvel::Ref<File>> files;
    files.reserve(rowids.size());
    for (const int64_t rowid : rowids) {
        reset();
        bindInt64(1, rowid);
        files.push_back(stepRow(false) ? fileFromRow(getText(0)) : Quorvel::Ref<File>());
    }
    finalize();
    return files;
}

std::vector<int64_t> Database::getGoneRowIds(const std::vector<int64_t>& rowids)
{
    LibraryLock lock;
    prepare("SELECT 1 FROM file WHERE rowid = ?");
    std::vector<int64_t> gone;
    for (const int64_t rowid : rowids) {
        reset();
        bindInt64(1, rowid);
        if (!stepRow(false))
            gone.push_back(rowid);
    }
    finalize();
    return gone;
}

namespace {

// The first text that sorts after every URI beginning with `folderUri`: its last character
// (the closing "/") one code point higher.
wxString pastFolder(const wxString& folderUri)
{
    wxString past = folderUri;
    if (!past.empty())
        past.Last() = wxUniChar(static_cast<wxUint32>(past.Last().GetValue()) + 1);
    return past;
}

bool liesDirectlyIn(const Quorvel::CompactString& uri, const std::string& folder)
{
    const std::string& bytes = uri.bytes();
    return bytes.size() > folder.size() && bytes.compare(0, folder.size(), folder) == 0 &&
           bytes.find('/', folder.size()) == std::string::npos;
}

} // namespace

void Database::readFolderFiles(
    const wxString& folderUri,
    const std::function<Quorvel::Ref<File>*(const Quorvel::CompactString& uri)>& slotFor,
    const std::function<void(const Quorvel::Ref<File>& file)>& fresh)
{
    LibraryLock lock;
    const wxStopWatch watch;
    // Along the URI key: a small folder in a large catalogue reads its own rows only, where
    // "like" (which ignores case, so the key cannot serve it) read the whole table.
    prepare(wxString(SELECT_FILE) + " WHERE file.uri > ? AND file.uri < ? ORDER BY file.rowid");
    bindText(1, folderUri);
    bindText(2, pastFolder(folderUri));
    Quorvel::CompactString uri;
    while (stepRow(false)) {
        readText(0, uri);
        Quorvel::Ref<File>* slot = slotFor(uri);
        if (!slot || *slot)
            continue;
        *slot = fileFromRow(uri);
        fresh(*slot);
    }
    finalize();
    QDEBUG("[DATABASE] TIME readFolderFiles () = %d millis", static_cast<int>(watch.Time()));
}

int Database::countFolderFiles(const wxString& folderUri)
{
    LibraryLock lock;
    // Along the URI key alone, the rows themselves unread: 15 ms for 100,000 files, where a
    // test of each URI for a deeper "/" took five times as long. The program makes its files'
    // URIs directly in their folder, so the count is the length of getFolderFileUris()'s list.
    prepare("SELECT count(*) FROM file WHERE uri > ? AND uri < ?");
    bindText(1, folderUri);
    bindText(2, pastFolder(folderUri));
    stepRow(true);
    const int count = getInt(0);
    finalize();
    return count;
}

void Database::getFolderFileUris(const wxString& folderUri, UriList& list)
{
    LibraryLock lock;
    prepare("SELECT uri FROM file WHERE uri > ? AND uri < ? ORDER BY rowid");
    bindText(1, folderUri);
    bindText(2, pastFolder(folderUri));
    const std::string folder = Quorvel::CompactString(folderUri).bytes();
    Quorvel::CompactString uri;
    while (stepRow(false)) {
        readText(0, uri);
        if (liesDirectlyIn(uri, folder))
            list.add(std::move(uri));
    }
    finalize();
}

Database::FolderRowsStep Database::getFolderRowIds(const wxString& folderUri,
                                                   const wxString& afterUri, int limit)
{
    LibraryLock lock;
    prepare("SELECT rowid, uri FROM file WHERE uri > ? AND uri < ? ORDER BY uri LIMIT ?");
    bindText(1, afterUri);
    bindText(2, pastFolder(folderUri));
    bindInt(3, limit);
    FolderRowsStep step;
    while (stepRow(false)) {
        step.rowids.push_back(getInt64(0));
        if (step.rowids.size() == static_cast<std::size_t>(limit))
            step.lastUri = getText(1);
    }
    finalize();
    return step;
}

Database::FolderTimesStep Database::getFolderTimes(const wxString& folderUri,
                                                   const wxString& afterUri, int limit)
{
    LibraryLock lock;
    prepare("SELECT time, uri FROM file WHERE uri > ? AND uri < ? ORDER BY uri LIMIT ?");
    bindText(1, afterUri);
    bindText(2, pastFolder(folderUri));
    bindInt(3, limit);
    const std::string folder = Quorvel::CompactString(folderUri).bytes();
    FolderTimesStep step;
    Quorvel::CompactString uri;
    int rows = 0;
    while (stepRow(false)) {
        readText(1, uri);
        if (++rows == limit)
            step.lastUri = getText(1);
        const int32_t time = getInt(0);
        if (time <= 0 || !liesDirectlyIn(uri, folder))
            continue;
        step.firstTime = step.firstTime == 0 ? time : std::min(step.firstTime, time);
        step.lastTime = std::max(step.lastTime, time);
    }
    finalize();
    return step;
}

std::vector<wxString> Database::getFileUris(const std::vector<int64_t>& rowids)
{
    LibraryLock lock;
    std::vector<wxString> uris;
    uris.reserve(rowids.size());
    prepare("SELECT uri FROM file WHERE rowid = ?");
    for (const int64_t rowid : rowids) {
        reset();
        bindInt64(1, rowid);
        uris.push_back(stepRow(false) ? getText(0) : wxString());
    }
    finalize();
    return uris;
}

std::vector<int64_t> Database::getRowIdsOfUris(const std::vector<wxString>& uris)
{
    LibraryLock lock;
    std::vector<int64_t> rowids;
    rowids.reserve(uris.size());
    prepare("SELECT rowid FROM file WHERE uri = ?");
    for (const wxString& uri : uris) {
        reset();
        bindText(1, uri);
        rowids.push_back(stepRow(false) ? getInt64(0) : 0);
    }
    finalize();
    return rowids;
}

std::vector<Quorvel::Ref<File>> Database::loadFolderFiles(
    const wxString& folderUri, const std::vector<int64_t>& rowids,
    const std::function<Quorvel::Ref<File>(const Quorvel::CompactString&)>& inMemory,
    std::vector<Quorvel::Ref<File>>& fresh)
{
    LibraryLock lock;
    const std::string folder = Quorvel::CompactString(folderUri).bytes();
    prepare(wxString(SELECT_FILE) + "WHERE rowid = ?");
    std::vector<Quorvel::Ref<File>> files;
    files.reserve(rowids.size());
    Quorvel::CompactString uri;
    for (const int64_t rowid : rowids) {
        reset();
        bindInt64(1, rowid);
        if (!stepRow(false))
            continue;
        readText(0, uri);
        if (!liesDirectlyIn(uri, folder))
            continue;
        Quorvel::Ref<File> file = inMemory(uri);
        if (!file) {
            file = fileFromRow(uri);
            fresh.push_back(file);
        }
        files.push_back(std::move(file));
    }
    finalize();
    return files;
}

void Database::loadFiles(FileMap& files)
{
    LibraryLock lock;
    const wxStopWatch watch;
    prepare(wxString(SELECT_FILE) + " ORDER BY time, uri");
    readFiles(files);
    QDEBUG("[DATABASE] TIME loadFiles () = %d millis", static_cast<int>(watch.Time()));
}

void Database::loadAllFileUris(FileMap& files)
{
    LibraryLock lock;
    const wxStopWatch watch;
    prepare("SELECT uri FROM file ORDER BY time, uri");
    while (stepRow(false))
        files.emplace(getText(0), nullptr);
    finalize();
    QDEBUG("[DATABASE] loadAllFileUris () TIME = %d millis", static_cast<int>(watch.Time()));
}

void Database::renameFile(const wxString& oldUri, const wxString& newUri)
{
    LibraryLock lock;
    for (const char* sql : {"UPDATE file SET uri = ? WHERE uri = ?",
                            "UPDATE filekeyword SET fileuri = ? WHERE fileuri = ?"}) {
        prepare(sql);
        bindText(1, newUri);
        bindText(2, oldUri);
        stepDone();
    }
}

void Database::deleteFile(const wxString& uri)
{
    LibraryLock lock;
    for (const char* sql :
         {"DELETE FROM filekeyword WHERE fileuri = ?", "DELETE FROM file WHERE uri = ?"}) {
        prepare(sql);
        bindText(1, uri);
        stepDone();
    }
}

wxString Database::getFileUri(int64_t rowid)
{
    LibraryLock lock;
    prepare("SELECT uri FROM file WHERE rowid = ?");
    bindInt64(1, rowid);
    stepRow(true);
    const wxString uri = getText(0);
    finalize();
    return uri;
}

wxString Database::getRandomCaptionedFileUri()
{
    LibraryLock lock;
    prepare("SELECT uri FROM file WHERE length(caption) > 0 ORDER BY random() LIMIT 1");
    if (!stepRow(false))
        throw Quorvel::NotFoundException("No file found");
    const wxString uri = getText(0);
    finalize();
    return uri;
}

wxString Database::findFileUri(const wxString& uuid)
{
    LibraryLock lock;
    prepare("SELECT uri FROM file WHERE uri like ?");
    bindText(1, wxString::Format("%%/%s", uuid));
    // LIKE takes "%" and "_" in the id as wildcards: an id from outside (a server's reply)
    // must not name another file. Case is ignored, as LIKE ignores it.
    const wxString segment = "/" + uuid;
    while (stepRow(false)) {
        const wxString uri = getText(0);
        if (uri.Right(segment.length()).IsSameAs(segment, false)) {
            finalize();
            return uri;
        }
    }
    throw Quorvel::NotFoundException("File UUID not found: " + uuid);
}

void Database::getFileUris(const wxString& folderUri, UriList& list)
{
    LibraryLock lock;
    // In the order the files arrived (a file moved in gets a new row).
    prepare("SELECT uri FROM file WHERE uri like ? ORDER BY rowid");
    bindText(1, wxString::Format("%s%%", folderUri));
    Quorvel::CompactString uri;
    while (stepRow(false)) {
        readText(0, uri);
        list.add(std::move(uri));
    }
    finalize();
}

namespace {

int progressCallback(void* check)
{
    return (*static_cast<const Database::InterruptCheck*>(check))() ? 1 : 0;
}

// Installs the interrupt check for one query and removes it on every way out.
class ProgressGuard {
public:
    ProgressGuard(sqlite3* database, const Database::InterruptCheck& check) : m_database(database)
    {
        // About every thousand virtual machine steps: a fraction of a millisecond.
        if (check)
            sqlite3_progress_handler(m_database, 1000, &progressCallback,
                                     const_cast<Database::InterruptCheck*>(&check));
    }
    ~ProgressGuard() { sqlite3_progress_handler(m_database, 0, nullptr, nullptr); }
    ProgressGuard(const ProgressGuard&) = delete;
    ProgressGuard& operator=(const ProgressGuard&) = delete;

private:
    sqlite3* m_database;
};

} // namespace

void Database::prepareSingleQuery(const wxString& query)
{
    ensureOpen();
    const wxScopedCharBuffer sql = query.utf8_str();
    m_statement.reset();
    sqlite3_stmt* statement = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(m_database.get(), sql.data(), -1, &statement, &tail);
    m_statement.reset(statement);
    checkResult(rc, SQLITE_OK);
    const auto refuse = [this](const char* reason) {
        finalize();
        m_lastResultCode = SQLITE_MISUSE;
        m_lastError = reason;
        QDEBUG("DATABASE ERROR (%d): %s", m_lastResultCode, m_lastError);
        throw DatabaseException(m_lastError);
    };
    if (!m_statement)
        refuse("The query is empty");
    if (!sqlite3_stmt_readonly(m_statement.get()))
        refuse("A search query may only read the catalogue");
    // Whatever follows the first statement must be nothing but blanks and comments: preparing
    // it tells, and runs nothing.
    sqlite3_stmt* next = nullptr;
    const int tailRc = sqlite3_prepare_v2(m_database.get(), tail, -1, &next, nullptr);
    const std::unique_ptr<sqlite3_stmt, StatementFinalizer> nextOwner(next);
    if (tailRc != SQLITE_OK || next)
        refuse("A search query must be a single statement");
}

std::vector<int64_t> Database::getRowIds(const wxString& query, const InterruptCheck& interrupted)
{
    LibraryLock lock;
    prepareSingleQuery(query);
    const ProgressGuard progress(m_database.get(), interrupted);
    std::vector<int64_t> rowids;
    while (stepRow(false)) {
        if (rowids.size() == rowids.capacity())
            rowids.reserve(rowids.capacity() + 1000);
        rowids.push_back(getInt64(0));
    }
    finalize();
    return rowids;
}

std::vector<wxString> Database::getTexts(const wxString& query)
{
    LibraryLock lock;
    prepareSingleQuery(query);
    std::vector<wxString> texts;
    while (stepRow(false))
        texts.push_back(getText(0));
    finalize();
    return texts;
}

std::vector<Database::RowSize> Database::getFileSizes(int64_t afterRowid, int limit)
{
    LibraryLock lock;
    prepare("SELECT rowid, filesize FROM file WHERE rowid > ? ORDER BY rowid LIMIT ?");
    bindInt64(1, afterRowid);
    bindInt(2, limit);
    std::vector<RowSize> rows;
    while (stepRow(false))
        rows.push_back({getInt64(0), getInt(1)});
    finalize();
    return rows;
}

// ---- Albums --------------------------------------------------------------------------------

namespace {
wxString asFolderUri(const wxString& uri)
{
    return uri.EndsWith("/") ? uri : uri + "/";
}
} // namespace

std::vector<wxString> Database::getAlbumUris()
{
    LibraryLock lock;
    prepare("SELECT uri FROM folder WHERE uri LIKE 'album:%' AND hidden != 'true'");
    std::vector<wxString> uris;
    while (stepRow(false))
        uris.push_back(asFolderUri(getText(0)));
    finalize();
    return uris;
}

std::vector<wxString> Database::getHiddenAlbumUris()
{
    LibraryLock lock;
    prepare("SELECT uri FROM folder WHERE uri LIKE 'album:%' AND hidden = 'true'");
    std::vector<wxString> uris;
    while (stepRow(false))
        uris.push_back(asFolderUri(getText(0)));
    finalize();
    return uris;
}

void Database::addFolder(const AlbumRecord& album)
{
    LibraryLock lock;
    prepare("INSERT INTO folder (uri) VALUES (?)");
    bindText(1, album.uri);
    stepDone();
    updateFolder(album);
}

void Database::loadAlbum(AlbumRecord& album, bool withFileUris)
{
    LibraryLock lock;
    prepare("SELECT name, icon, description, creationtime, metamodifytime, "
            "safestorageupdatetime, safestorageaccountid, safestoragewarning, hidden  FROM folder "
            "WHERE uri = ?");
    bindText(1, album.uri);
    if (!stepRow(false))
        throw DatabaseException("Album not found in database");
    album.name = getText(0);
    album.icon = getText(1);
    album.description = getText(2);
    album.creationTime = getInt(3);
    album.metaModifyTime = getInt(4);
    album.safeStorageUpdateTime = getInt(5);
    album.safeStorageAccountId = getText(6);
    album.safeStorageWarning = getBool(7);
    album.hidden = getBool(8);
    finalize();

    album.fileUris.clear();
    if (withFileUris)
        getFileUris(album.uri, album.fileUris);
}

void Database::updateFolder(const AlbumRecord& album)
{
    LibraryLock lock;
    ensureOpen();
    prepare("UPDATE folder SET name = ?, icon = ?, description = ?, creationtime = ?, "
            "metamodifytime = ?, safestorageupdatetime = ?, safestorageaccountid = ?, "
            "safestoragewarning = ?, hidden = ? WHERE uri = ?");
    bindText(1, album.name);
    bindText(2, album.icon);
    bindText(3, album.description);
    bindInt(4, album.creationTime);
    bindInt(5, album.metaModifyTime);
    bindInt(6, album.safeStorageUpdateTime);
    bindText(7, album.safeStorageAccountId);
    bindBool(8, album.safeStorageWarning);
    bindBool(9, album.hidden);
    bindText(10, album.uri);
    stepDone();
}

void Database::deleteFolder(const wxString& uri)
{
    LibraryLock lock;
    prepare("DELETE FROM folder WHERE uri = ?");
    bindText(1, uri);
    stepDone();
}

// ---- Statistics ----------------------------------------------------------------------------

std::map<int32_t, int32_t> Database::getDateHistogram()
{
    LibraryLock lock;
    prepare("SELECT yeardateint, count(*) FROM file WHERE yeardateint > 19700101 GROUP BY "
            "yeardateint");
    std::map<int32_t, int32_t> histogram;
    while (stepRow(false))
        histogram[getInt(0)] = getInt(1);
    finalize();
    return histogram;
}

std::vector<int32_t> Database::getYearMonths()
{
    LibraryLock lock;
    prepare("SELECT DISTINCT yearmonthint FROM file WHERE yearmonthint > 197001 ORDER BY "
            "yearmonthint");
    std::vector<int32_t> months;
    while (stepRow(false))
        months.push_back(getInt(0));
    finalize();
    return months;
}

std::map<wxString, int32_t> Database::getCountryCounts(int32_t minTime, int32_t maxTime)
{
    LibraryLock lock;
    prepare("SELECT countrycode, count(*) FROM file WHERE countrycode != '' AND time >= ? AND "
            "time <= ? GROUP BY countrycode");
    bindInt(1, minTime);
    bindInt(2, maxTime);
    std::map<wxString, int32_t> counts;
    while (stepRow(false))
        counts[getText(0)] = getInt(1);
    finalize();
    return counts;
}

void Database::getMinMaxTime(int32_t& minTime, int32_t& maxTime)
{
    LibraryLock lock;
    prepare("SELECT min (time), max (time) FROM file WHERE time > 0");
    if (!stepRow(false))
        throw DatabaseException("Could not step in getMinMaxTime");
    minTime = getInt(0);
    maxTime = getInt(1);
    finalize();
}

void Database::getMinMaxCountryTime(const wxString& code, int32_t& minTime, int32_t& maxTime)
{
    LibraryLock lock;
    prepare("SELECT min (time), max (time) FROM file WHERE countrycode = ? AND time > 0");
    bindText(1, code);
    if (!stepRow(false))
        throw DatabaseException("Could not step in getMinMaxCountryTime");
    minTime = getInt(0);
    maxTime = getInt(1);
    finalize();
}

void Database::getCountryPhotoCount(const wxString& code, int32_t from, int32_t to,
                                    int32_t& actualPhotoCount, int32_t* firstTime,
                                    int32_t* lastTime, int32_t* earlier)
{
    LibraryLock lock;
    if (firstTime)
        *firstTime = from;
    if (lastTime)
        *lastTime = to;
    prepare("SELECT count(*), min (time), max (time) FROM file WHERE countrycode = ? AND time >= "
            "? AND time <= ?");
    bindText(1, code);
    bindInt(2, from);
    bindInt(3, to);
    if (!stepRow(false))
        throw DatabaseException("Could not step in getCountryPhotoCount");
    actualPhotoCount = getInt(0);
    const int32_t first = getInt(1);
    if (actualPhotoCount != 0) {
        if (firstTime)
            *firstTime = first;
        if (lastTime)
            *lastTime = getInt(2);
    }
    finalize();
    if (earlier)
        *earlier = 0;
    if (actualPhotoCount == 0 || first != 0)
        return;

    // The range holds undated files: report the first dated one instead, and how many files
    // of the range have no date.
    prepare("SELECT count(*), min (time) FROM file WHERE countrycode = ? AND time > 0 AND time "
            "<= ?");
    bindText(1, code);
    bindInt(2, to);
    if (!stepRow(false))
        throw DatabaseException("Could not step in getCountryPhotoCount");
    if (firstTime)
        *firstTime = getInt(1);
    if (earlier)
        *earlier = actualPhotoCount - getInt(0);
    finalize();
}

int Database::getFileCount()
{
    LibraryLock lock;
    prepare("SELECT count(*) FROM file");
    return singleInt();
}

int Database::getFavoriteCount()
{
    LibraryLock lock;
    prepare("SELECT count(*) FROM file WHERE favorite = 'true'");
    return singleInt();
}

int Database::getSafeStorageFileCount(const wxString& accountId)
{
    LibraryLock lock;
    prepare("SELECT count(*) FROM file WHERE safestoragetype > 0 and safestorageaccountid = ?");
    bindText(1, accountId);
    return singleInt();
}

int Database::countNotSafelyStored(const wxString& folderUri, const wxString& accountId)
{
    LibraryLock lock;
    // A row never stored has no type (NULL) or 0; one stored under an account the user has
    // left is not stored for the current one. Without an account nothing is stored.
    prepare("SELECT count(*) FROM file WHERE uri > ? AND uri < ? AND (safestoragetype IS NULL OR "
            "safestoragetype = 0 OR safestorageaccountid IS NULL OR safestorageaccountid <> ? "
            "OR ? = '')");
    bindText(1, folderUri);
    bindText(2, pastFolder(folderUri));
    bindText(3, accountId);
    bindText(4, accountId);
    return singleInt();
}

// ---- Keywords ------------------------------------------------------------------------------

std::set<wxString> Database::getKeywords()
{
    LibraryLock lock;
    std::set<wxString> keywords;
    for (const char* sql :
         {"SELECT keyword FROM keyword", "SELECT DISTINCT keyword FROM filekeyword"}) {
        prepare(sql);
        while (stepRow(false))
            keywords.insert(getText(0));
    }
    finalize();
    return keywords;
}

void Database::setKeywords(const std::set<wxString>& keywords)
{
    LibraryLock lock;
    exec("DELETE FROM keyword");
    prepare("INSERT INTO keyword (keyword) VALUES (?)");
    for (const wxString& keyword : keywords) {
        reset();
        bindText(1, keyword);
        stepDoneKeep();
    }
    finalize();
}

void Database::renameKeyword(const wxString& oldKeyword, const wxString& newKeyword)
{
    // The merge below would otherwise take every file's row of the keyword for a duplicate.
    if (oldKeyword == newKeyword)
        return;
    LibraryLock lock;
    // A file that carries both keywords would otherwise keep two rows of the new one.
    prepare("DELETE FROM filekeyword WHERE keyword = ? AND fileuri IN (SELECT fileuri FROM "
            "filekeyword WHERE keyword = ?)");
    bindText(1, oldKeyword);
    bindText(2, newKeyword);
    stepDone();

    prepare("UPDATE filekeyword SET keyword = ? WHERE keyword = ?");
    bindText(1, newKeyword);
    bindText(2, oldKeyword);
    stepDone();
    rewriteKeywords(oldKeyword, &newKeyword);
}

void Database::deleteKeyword(const wxString& keyword)
{
    LibraryLock lock;
    for (const char* sql :
         {"DELETE FROM keyword WHERE keyword = ?", "DELETE FROM filekeyword WHERE keyword = ?"}) {
        prepare(sql);
        bindText(1, keyword);
        stepDone();
    }
    rewriteKeywords(keyword, nullptr);
}

void Database::rewriteKeywords(const wxString& oldKeyword, const wxString* newKeyword)
{
    // LIKE only narrows the rows down (it ignores ASCII case and reads "_" and "%" as
    // wildcards); the keywords themselves are compared whole and exactly below.
    prepare("SELECT rowid, keywords FROM file WHERE keywords LIKE ?");
    bindText(1, "%" + oldKeyword + "|%");
    std::vector<wxString> updates;
    while (stepRow(false)) {
        const int64_t rowid = getInt64(0);
        const wxString oldText = getText(1);
        std::set<wxString> keywords = splitKeywords(oldText);
        if (keywords.erase(oldKeyword) == 0)
            continue;
        if (newKeyword)
            keywords.insert(*newKeyword);
        const wxString newText = joinKeywords(keywords);
        QDEBUG("Old string: %s", oldText);
        QDEBUG("New string: %s", newText);
        wxString quoted = newText;
        quoted.Replace("'", "''");
        const wxString sql = wxString::Format("UPDATE file SET keywords = '%s' WHERE rowid = %lld",
                                              quoted, static_cast<long long>(rowid));
        QDEBUG("%s", sql);
        updates.push_back(sql);
    }
    finalize();
    for (const wxString& sql : updates)
        exec(sql);
}

// ---- Safe-storage queue --------------------------------------------------------------------

std::vector<Database::SafeStorageOp> Database::getSafeStorageOps()
{
    LibraryLock lock;
    QDEBUG("[DATABASE: getSafeStorageOps");
    prepare("SELECT rowid, time, type, uri FROM ssoperation ORDER BY rowid");
    std::vector<SafeStorageOp> operations;
    while (stepRow(false)) {
        SafeStorageOp operation;
        operation.rowid = getInt64(0);
        operation.time = getInt(1);
        operation.type = getInt(2);
        operation.uri = getText(3);
        operations.push_back(std::move(operation));
    }
    finalize();
    return operations;
}

void Database::addSafeStorageOp(int32_t type, const wxString& uri)
{
    LibraryLock lock;
    const wxString uuid = uri.AfterLast('/');
    prepare("DELETE FROM ssoperation WHERE uuid = ?");
    bindText(1, uuid);
    stepDone();
    prepare("INSERT INTO ssoperation (type, time, uri, uuid) VALUES (?, ?, ?, ?)");
    bindInt(1, type);
    bindInt(2, static_cast<int32_t>(std::time(nullptr)));
    bindText(3, uri);
    bindText(4, uuid);
    stepDone();
}

void Database::deleteSafeStorageOp(int64_t rowid)
{
    LibraryLock lock;
    prepare("DELETE FROM ssoperation WHERE rowid = ?");
    bindInt64(1, rowid);
    stepDone();
}

void Database::clearSafeStorageOps()
{
    LibraryLock lock;
    QDEBUG("[DATABASE] Clearing the safe storage operations");
    prepare("DELETE FROM ssoperation");
    stepDone();
}

} // namespace Brenmarle
