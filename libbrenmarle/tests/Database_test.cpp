#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <sqlite3.h>

#include <wx/evtloop.h>
#include <wx/filename.h>
#include <wx/log.h>

#include "ScratchDir.h"
#include "core/Exceptions.h"
#include "database/Database.h"
#include "files/File.h"

using Brenmarle::AlbumRecord;
using Brenmarle::Database;
using Brenmarle::File;
using Quorvel::makeRef;
using Quorvel::Ref;

namespace {

using Row = std::vector<std::string>;

// A second, plain SQLite connection: prepares old catalogues and looks at what the catalogue
// really wrote, as another process would see it.
class RawDatabase {
public:
    explicit RawDatabase(const wxString& path)
    {
        sqlite3* connection = nullptr;
        const int rc = sqlite3_open_v2(path.utf8_str(), &connection,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        m_connection.reset(connection);
        if (rc != SQLITE_OK)
            throw std::runtime_error("cannot open " + path.utf8_string());
    }

    void exec(const std::string& sql)
    {
        char* error = nullptr;
        const int rc = sqlite3_exec(m_connection.get(), sql.c_str(), nullptr, nullptr, &error);
        const std::unique_ptr<char, decltype(&sqlite3_free)> owned(error, &sqlite3_free);
        if (rc != SQLITE_OK)
            throw std::runtime_error(sql + ": " + (error ? error : "?"));
    }

    // Every row as texts; NULL reads as "NULL".
    std::vector<Row> rows(const std::string& sql)
    {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(m_connection.get(), sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
            throw std::runtime_error(sql + ": " + sqlite3_errmsg(m_connection.get()));
        const std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> statement(
            raw, &sqlite3_finalize);
        std::vector<Row> result;
        int rc;
        while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
            Row row;
            for (int i = 0; i < sqlite3_column_count(raw); ++i) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(raw, i));
                row.emplace_back(text ? text : "NULL");
            }
            result.push_back(std::move(row));
        }
        if (rc != SQLITE_DONE)
            throw std::runtime_error(sql + ": " + sqlite3_errmsg(m_connection.get()));
        return result;
    }

    std::string text(const std::string& sql)
    {
        const std::vector<Row> result = rows(sql);
        if (result.empty())
            throw std::runtime_error(sql + ": no row");
        return result.front().front();
    }

    long long number(const std::string& sql) { return std::stoll(text(sql)); }

    std::vector<std::string> column(const std::string& sql)
    {
        std::vector<std::string> values;
        for (const Row& row : rows(sql))
            values.push_back(row.front());
        return values;
    }

private:
    struct Closer {
        void operator()(sqlite3* connection) const { sqlite3_close_v2(connection); }
    };
    std::unique_ptr<sqlite3, Closer> m_connection;
};

// Collects what is logged, trace messages under "DEBUG" included, while it lives.
class LogCapture : public wxLog {
public:
    LogCapture()
        : m_previous(wxLog::SetActiveTarget(this)), m_hadMask(wxLog::IsAllowedTraceMask("DEBUG"))
    {
        wxLog::AddTraceMask("DEBUG");
    }
    ~LogCapture() override
    {
        wxLog::SetActiveTarget(m_previous);
        if (!m_hadMask)
            wxLog::RemoveTraceMask("DEBUG");
    }
    bool contains(const wxString& text) const
    {
        for (const wxString& message : m_messages) {
            if (message.Contains(text))
                return true;
        }
        return false;
    }

protected:
    void DoLogRecord(wxLogLevel, const wxString& message, const wxLogRecordInfo&) override
    {
        m_messages.push_back(message);
    }

private:
    wxLog* m_previous;
    bool m_hadMask;
    std::vector<wxString> m_messages;
};

// Sets the process time zone while it lives.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone)
    {
        const char* old = std::getenv("TZ");
        m_had = old != nullptr;
        m_saved = old ? old : "";
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_had)
            setenv("TZ", m_saved.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool m_had;
    std::string m_saved;
};

// The catalogue as the first program versions created it, before any upgrade step.
const char* const VERSION_0_SCHEMA =
    "CREATE TABLE metadata (version INTEGER);"
    "CREATE TABLE folder (uri VARCHAR(512) PRIMARY KEY, name TEXT, icon VARCHAR(32), "
    "description TEXT, creationtime INTEGER, metamodifytime INTEGER, safestorageupdatetime "
    "INTEGER, safestorageaccountid VARCHAR(36), safestoragewarning BOOLEAN);"
    "CREATE TABLE file (uri VARCHAR(512) UNIQUE PRIMARY KEY, filename VARCHAR(255), filesize "
    "INTEGER, contenttype VARCHAR(48), scanner TEXT, scanversion INTEGER, filemodifytime "
    "INTEGER, fileusermodified BOOLEAN, metamodifytime INTEGER, metausermodified BOOLEAN, "
    "favorite BOOLEAN, caption TEXT, time INTEGER, timemask INTEGER, creator VARCHAR(128), "
    "source VARCHAR(128), copyright TEXT, sublocation VARCHAR(128), city VARCHAR(64), province "
    "VARCHAR(64), countrycode VARCHAR(3), safestoragetype INTEGER, safestoragerevision INTEGER, "
    "safestorageaccountid VARCHAR(36), imagewidth INTEGER, imageheight INTEGER, imagerotation "
    "INTEGER);"
    "CREATE TABLE filekeyword (fileuri VARCHAR(255), keyword VARCHAR(255));"
    "CREATE TABLE ssoperation (time INTEGER, type TEXT, uri TEXT, uuid TEXT);"
    "INSERT INTO metadata (version) VALUES (0);";

const wxString ALBUM = wxS("album://6f1c4b5e-2c1a-4d8e-9d0b-3b9f1f6a7c21/");
const wxString OTHER_ALBUM = wxS("album://9a8b7c6d-5e4f-4a3b-8c2d-1e0f9a8b7c6d/");

const std::set<wxString> DEFAULT_KEYWORDS = {
    wxS("Events/Vacation"), wxS("Events/Wedding"),  wxS("Events/Birthday"),   wxS("Events/Party"),
    wxS("People/Jane Doe"), wxS("People/John Doe"), wxS("Todo/Order Prints"), wxS("Todo/Organize"),
    wxS("Todo/Share"),      wxS("Todo/Edit")};

wxString fileUri(const wxString& folder, int number)
{
    return folder + wxString::Format("00000000-0000-4000-8000-%012d", number);
}

Ref<File> makeFile(const wxString& uri, int32_t time = 0, const wxString& country = wxString())
{
    Ref<File> file = makeRef<File>(uri);
    file->setFileName(wxS("IMG.JPG"));
    file->setTime(time);
    file->setCountryCode(country);
    return file;
}

class DatabaseTest : public ::testing::Test {
protected:
    void openCatalogue() { m_database.open(m_path); }

    // Adds a file and returns it.
    Ref<File> add(const wxString& uri, int32_t time = 0, const wxString& country = wxString())
    {
        Ref<File> file = makeFile(uri, time, country);
        m_database.addFile(*file);
        return file;
    }

    std::string bytesOnDisk() const { return m_dir.readFile(wxS("database.db")); }

    ScratchDir m_dir;
    wxString m_path = m_dir / wxS("database.db");
    Database m_database;
};

int32_t utc(int year, int month, int day, int hour, int minute)
{
    struct tm parts {};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    return static_cast<int32_t>(timegm(&parts));
}

} // namespace

// ---- Opening, schema and upgrades --------------------------------------------------------------

TEST_F(DatabaseTest, NewCatalogueHasTheFullSchemaAtVersion9WithDefaultKeywords)
{
    openCatalogue();
    EXPECT_EQ(m_database.getVersion(), Database::DBVERSION);
    EXPECT_EQ(m_database.getKeywords(), DEFAULT_KEYWORDS);
    m_database.close();

    RawDatabase raw(m_path);
    EXPECT_EQ(raw.column("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"),
              (std::vector<std::string>{"file", "filekeyword", "folder", "keyword", "metadata",
                                        "ssoperation"}));
    const auto columns = [&raw](const std::string& table) {
        std::vector<std::string> result;
        for (const Row& row : raw.rows("PRAGMA table_info(" + table + ")"))
            result.push_back(row[1] + " " + row[2]);
        return result;
    };
    using Columns = std::vector<std::string>;
    EXPECT_EQ(columns("metadata"), Columns{"version INTEGER"});
    EXPECT_EQ(columns("folder"),
              (Columns{"uri VARCHAR(512)", "name TEXT", "icon VARCHAR(32)", "description TEXT",
                       "creationtime INTEGER", "metamodifytime INTEGER",
                       "safestorageupdatetime INTEGER", "safestorageaccountid VARCHAR(36)",
                       "safestoragewarning BOOLEAN", "hidden BOOLEAN"}));
    EXPECT_EQ(columns("file"), (Columns{"uri VARCHAR(512)",
                                        "filename VARCHAR(255)",
                                        "filesize INTEGER",
                                        "contenttype VARCHAR(48)",
                                        "scanner TEXT",
                                        "scanversion INTEGER",
                                        "filemodifytime INTEGER",
                                        "fileusermodified BOOLEAN",
                                        "metamodifytime INTEGER",
                                        "metausermodified BOOLEAN",
                                        "favorite BOOLEAN",
                                        "caption TEXT",
                                        "time INTEGER",
                                        "timemask INTEGER",
                                        "creator VARCHAR(128)",
                                        "source VARCHAR(128)",
                                        "copyright TEXT",
                                        "sublocation VARCHAR(128)",
                                        "city VARCHAR(64)",
                                        "province VARCHAR(64)",
                                        "countrycode VARCHAR(3)",
                                        "safestoragetype INTEGER",
                                        "safestoragerevision INTEGER",
                                        "safestorageaccountid VARCHAR(36)",
                                        "imagewidth INTEGER",
                                        "imageheight INTEGER",
                                        "imagerotation INTEGER",
                                        "keywords TEXT",
                                        "yeardateint INTEGER",
                                        "yearmonthint INTEGER"}));
    EXPECT_EQ(columns("filekeyword"), (Columns{"fileuri VARCHAR(255)", "keyword VARCHAR(255)"}));
    EXPECT_EQ(columns("keyword"), Columns{"keyword VARCHAR(255)"});
    EXPECT_EQ(columns("ssoperation"),
              (Columns{"time INTEGER", "type TEXT", "uri TEXT", "uuid TEXT"}));
    EXPECT_EQ(raw.column("SELECT version FROM metadata"), std::vector<std::string>{"9"});
}

TEST_F(DatabaseTest, ReopeningACurrentCatalogueChangesNothing)
{
    openCatalogue();
    m_database.setKeywords({wxS("Only")});
    add(fileUri(ALBUM, 1), 1000);
    m_database.close();
    openCatalogue();
    EXPECT_EQ(m_database.getVersion(), 9);
    EXPECT_EQ(m_database.getKeywords(), std::set<wxString>{wxS("Only")});
    EXPECT_EQ(m_database.loadFile(fileUri(ALBUM, 1))->getMetaModifyTime(), 0);
}

TEST_F(DatabaseTest, Version5CatalogueGainsDateColumnsHiddenFlagAndNewerMetadataTimes)
{
    {
        RawDatabase raw(m_path);
        raw.exec(VERSION_0_SCHEMA);
        raw.exec("ALTER TABLE file ADD COLUMN keywords TEXT");
        raw.exec("CREATE TABLE keyword (keyword VARCHAR(255))");
        raw.exec("INSERT INTO keyword (keyword) VALUES ('Mine')");
        raw.exec("UPDATE metadata SET version = 5");
        raw.exec("INSERT INTO folder (uri, name) VALUES ('" + ALBUM.utf8_string() + "', 'A')");
        // Stored by an old version without the final "/".
        raw.exec("INSERT INTO folder (uri, name) VALUES ('album://9a8b7c6d-5e4f-4a3b-8c2d-"
                 "1e0f9a8b7c6d', 'B')");
        raw.exec("INSERT INTO file (uri, filemodifytime, metamodifytime) VALUES ('u1', 1000, 0)");
        raw.exec("INSERT INTO file (uri, filemodifytime, metamodifytime) VALUES ('u2', 1000, 50)");
    }
    openCatalogue();
    EXPECT_EQ(m_database.getVersion(), 9);
    // Step 5 ran long ago: the user's own keyword list is not refilled with the defaults.
    EXPECT_EQ(m_database.getKeywords(), std::set<wxString>{wxS("Mine")});
    EXPECT_EQ(m_database.getAlbumUris(), (std::vector<wxString>{ALBUM, OTHER_ALBUM}));
    m_database.close();

    RawDatabase raw(m_path);
    EXPECT_EQ(raw.rows("SELECT uri, metamodifytime, yeardateint, yearmonthint FROM file ORDER "
                       "BY uri"),
              (std::vector<Row>{{"u1", "1001", "NULL", "NULL"}, {"u2", "51", "NULL", "NULL"}}));
    EXPECT_EQ(raw.column("SELECT hidden FROM folder"),
              (std::vector<std::string>{"false", "false"}));
}

TEST_F(DatabaseTest, NewerCatalogueIsRefusedClosedAndLeftUntouched)
{
    openCatalogue();
    m_database.close();
    RawDatabase(m_path).exec("UPDATE metadata SET version = 10");
    const std::string before = bytesOnDisk();

    try {
        openCatalogue();
        FAIL() << "a newer catalogue must be refused";
    } catch (const Brenmarle::DatabaseException& e) {
        EXPECT_EQ(e.getMessage(),
                  wxS("The archive has been used with a newer version of this software. This "
                      "program will shut down - please upgrade your software to the most recent "
                      "version."));
    }
    EXPECT_FALSE(m_database.isOpen());
    EXPECT_EQ(bytesOnDisk(), before);
}

TEST_F(DatabaseTest, FileThatIsNotSqliteIsRefusedAndLeftUntouched)
{
    std::string notes;
    for (int i = 0; i < 200; ++i)
        notes += "Shopping list: milk, bread, film for the camera.\n";
    m_dir.writeFile(wxS("database.db"), notes);

    try {
        openCatalogue();
        FAIL() << "a text file must be refused";
    } catch (const Brenmarle::DatabaseException& e) {
        EXPECT_EQ(e.getMessage(), wxS("file is not a database"));
    }
    EXPECT_FALSE(m_database.isOpen());
    EXPECT_EQ(bytesOnDisk(), notes);
    EXPECT_FALSE(wxFileName::FileExists(m_path + "-journal"));
}

TEST_F(DatabaseTest, AnotherProgramsDatabaseIsRefusedAndLeftUntouched)
{
    RawDatabase(m_path).exec(
        "CREATE TABLE contacts (name TEXT); INSERT INTO contacts VALUES ('Ann')");
    const std::string before = bytesOnDisk();

    EXPECT_THROW(openCatalogue(), Brenmarle::DatabaseException);
    EXPECT_FALSE(m_database.isOpen());
    EXPECT_EQ(bytesOnDisk(), before);
}

TEST_F(DatabaseTest, CatalogueLockedByAnotherProcessIsRefusedAndLeftUntouched)
{
    openCatalogue();
    add(fileUri(ALBUM, 1));
    m_database.close();
    const std::string before = bytesOnDisk();

    int locked[2];
    int release[2];
    ASSERT_EQ(pipe(locked), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        sqlite3* connection = nullptr;
        sqlite3_open_v2(m_path.utf8_str(), &connection, SQLITE_OPEN_READWRITE, nullptr);
        const bool ok =
            sqlite3_exec(connection, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
        const char state = ok ? 'L' : 'E';
        (void)!write(locked[1], &state, 1);
        char go;
        (void)!read(release[0], &go, 1);
        sqlite3_close_v2(connection);
        _exit(0);
    }
    char state = 0;
    ASSERT_EQ(read(locked[0], &state, 1), 1);
    ASSERT_EQ(state, 'L');

    try {
        openCatalogue();
        ADD_FAILURE() << "a locked catalogue must be refused";
    } catch (const Brenmarle::DatabaseException& e) {
        EXPECT_EQ(e.getMessage(), wxS("database is locked"));
    }
    EXPECT_FALSE(m_database.isOpen());

    (void)!write(release[1], "x", 1);
    int status = 0;
    waitpid(child, &status, 0);
    for (int fd : {locked[0], locked[1], release[0], release[1]})
        close(fd);
    EXPECT_EQ(bytesOnDisk(), before);

    // Once the other process lets go, the catalogue opens with its contents.
    openCatalogue();
    EXPECT_EQ(m_database.getFileCount(), 1);
}

TEST_F(DatabaseTest, UnopenableFileNamesThePath)
{
    const wxString path = m_dir / wxS("missing/folder/database.db");
    try {
        m_database.open(path);
        FAIL() << "a file in a missing folder cannot be opened";
    } catch (const Brenmarle::DatabaseException& e) {
        EXPECT_EQ(e.getMessage(), "Could not open database at " + path);
    }
    EXPECT_FALSE(m_database.isOpen());
    EXPECT_THROW(m_database.open(wxString()), Quorvel::LogicException);

    // A failed open leaves the object ready for the next one.
    openCatalogue();
    EXPECT_THROW(openCatalogue(), Quorvel::LogicException);
}

TEST_F(DatabaseTest, ClosedCatalogueRefusesWork)
{
    const auto isClosedError = [](const Quorvel::RuntimeException& e) {
        return e.getMessage() == wxS("Database is closed");
    };
    const Ref<File> file = makeFile(fileUri(ALBUM, 1));
    for (const auto& work : std::vector<std::function<void()>>{
             [&] { m_database.getFileCount(); }, [&] { m_database.storeFile(*file); },
             [&] { m_database.updateFolder(AlbumRecord{}); }, [&] { m_database.commit(); },
             [&] { m_database.setKeywords({}); }}) {
        try {
            work();
            ADD_FAILURE() << "work on a closed catalogue must throw";
        } catch (const Quorvel::RuntimeException& e) {
            EXPECT_TRUE(isClosedError(e)) << e.getMessage();
        }
    }
    EXPECT_NO_THROW(m_database.close());
}

// ---- The long transaction -----------------------------------------------------------------------

TEST_F(DatabaseTest, WorkBecomesVisibleToOthersOnlyWhenCommitted)
{
    openCatalogue();
    RawDatabase other(m_path);
    // Even the new schema waits for the first commit.
    EXPECT_TRUE(other.rows("SELECT name FROM sqlite_master").empty());
    m_database.commit();
    add(fileUri(ALBUM, 1));
    EXPECT_EQ(other.number("SELECT count(*) FROM file"), 0);
    m_database.commit();
    EXPECT_EQ(other.number("SELECT count(*) FROM file"), 1);
    add(fileUri(ALBUM, 2));
    EXPECT_EQ(other.number("SELECT count(*) FROM file"), 1);
    m_database.close();
    EXPECT_EQ(other.number("SELECT count(*) FROM file"), 2);
}

TEST_F(DatabaseTest, FailedStatementKeepsEarlierWorkInTheTransaction)
{
    openCatalogue();
    add(fileUri(ALBUM, 1));
    try {
        m_database.getRowIds(wxS("SELECT rowid FROM nowhere"));
        FAIL() << "a bad query must throw";
    } catch (const Brenmarle::DatabaseException& e) {
        EXPECT_EQ(e.getMessage(), wxS("no such table: nowhere"));
    }
    EXPECT_EQ(m_database.getLastError(), wxS("no such table: nowhere"));
    EXPECT_EQ(m_database.getLastResultCode(), SQLITE_ERROR);
    add(fileUri(ALBUM, 2));
    m_database.close();
    EXPECT_EQ(RawDatabase(m_path).number("SELECT count(*) FROM file"), 2);
}

TEST(DatabaseTimer, TimerTickCommits)
{
    ScratchDir dir;
    const wxString path = dir / wxS("database.db");
    Database database(20);
    database.open(path);
    database.addFile(*makeFile(fileUri(ALBUM, 1)));

    wxEventLoop loop;
    wxEventLoopActivator active(&loop);
    database.Bind(wxEVT_TIMER, [&loop](wxTimerEvent& event) {
        event.Skip();
        loop.ScheduleExit();
    });
    // Only a guard against hanging if the commit timer never runs.
    wxEvtHandler guardOwner;
    wxTimer guard(&guardOwner);
    bool timedOut = false;
    guardOwner.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        timedOut = true;
        loop.ScheduleExit();
    });
    guard.StartOnce(30000);
    loop.Run();
    guard.Stop();

    ASSERT_FALSE(timedOut);
    EXPECT_EQ(RawDatabase(path).number("SELECT count(*) FROM file"), 1);
}

TEST_F(DatabaseTest, KilledWhileStoringKeepsExactlyTheLastCommit)
{
    constexpr int COMMITTED = 1000;
    int progress[2];
    ASSERT_EQ(pipe(progress), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        try {
            Database database;
            database.open(m_path);
            for (int i = 0; i < COMMITTED; ++i) {
                Ref<File> file = makeFile(fileUri(ALBUM, i), 1000 + i);
                file->setKeywords({wxS("Events/Party"), wxS("Todo/Share")});
                database.addFile(*file);
            }
            database.commit();
            (void)!write(progress[1], "C", 1);
            for (int i = 0; i < 1000000; ++i) {
                Ref<File> file = makeFile(fileUri(OTHER_ALBUM, i), 5000 + i);
                file->setKeywords({wxS("Pending")});
                database.addFile(*file);
                if (i == 3000)
                    (void)!write(progress[1], "P", 1);
            }
        } catch (...) {
        }
        (void)!write(progress[1], "E", 1);
        _exit(1);
    }
    close(progress[1]);
    char step[2] = {0, 0};
    const bool committed = read(progress[0], &step[0], 1) == 1;
    const bool storing = read(progress[0], &step[1], 1) == 1;
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    close(progress[0]);
    ASSERT_TRUE(committed && storing);
    ASSERT_EQ(std::string(step, 2), "CP");
    ASSERT_TRUE(WIFSIGNALED(status));
    // It died inside a write transaction: SQLite's rollback journal was left behind.
    EXPECT_TRUE(wxFileName::FileExists(m_path + "-journal"));

    openCatalogue();
    EXPECT_EQ(m_database.getFileCount(), COMMITTED);
    std::vector<wxString> uris;
    std::set<wxString> set;
    m_database.getFileUris(ALBUM, uris, set);
    EXPECT_EQ(uris.size(), size_t(COMMITTED));
    m_database.getFileUris(OTHER_ALBUM, uris, set);
    EXPECT_EQ(uris.size(), size_t(COMMITTED));
    EXPECT_EQ(m_database.getKeywords().count(wxS("Pending")), 0u);
    m_database.close();

    RawDatabase raw(m_path);
    EXPECT_EQ(raw.text("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(raw.number("SELECT count(*) FROM filekeyword"), 2 * COMMITTED);
    EXPECT_EQ(raw.number("SELECT min(time) FROM file"), 1000);
    EXPECT_EQ(raw.number("SELECT max(time) FROM file"), 1000 + COMMITTED - 1);
}

// ---- Files --------------------------------------------------------------------------------------

TEST_F(DatabaseTest, StoredFileReadsBackFieldForField)
{
    openCatalogue();
    const wxString uri = fileUri(ALBUM, 7);
    const Ref<File> file = makeRef<File>(uri);
    file->setFileName(wxS("Ærøskøbing – 東京.jpg"));
    file->setFileSize(123456);
    file->setContentType(wxS("image/jpeg"));
    file->setScanner(wxS("exif"));
    file->setScanVersion(4);
    file->setFileUserModified(true);
    file->setMetaUserModified(true);
    file->setFileModifyTime(1111);
    file->setMetaModifyTime(2222);
    file->setFavorite(true);
    file->setCaption(wxS("Grandma's \"birthday\" | cake"));
    file->setTime(utc(2004, 3, 7, 14, 5));
    file->setTimeMask(7);
    file->setCreator(wxS("Creator"));
    file->setSource(wxS("Source"));
    file->setCopyright(wxS("© 2004"));
    file->setSublocation(wxS("Harbour"));
    file->setCity(wxS("Ærøskøbing"));
    file->setProvince(wxS("Syddanmark"));
    file->setCountryCode(wxS("DK"));
    file->setSafeStorageType(2);
    file->setSafeStorageRevision(9);
    file->setSafeStorageAccountId(wxS("acc-1"));
    file->setImageWidth(4000);
    file->setImageHeight(3000);
    file->setImageRotation(270);
    file->setKeywords({wxS("People/Jane Doe"), wxS("Events/Party")});
    m_database.addFile(*file);
    EXPECT_FALSE(file->isModified());

    const Ref<File> loaded = m_database.loadFile(uri);
    EXPECT_FALSE(loaded->isModified());
    EXPECT_EQ(loaded->getReferenceCount(), 1);
    EXPECT_EQ(loaded->getURI(), uri);
    EXPECT_EQ(loaded->getFileName(), file->getFileName());
    EXPECT_EQ(loaded->getFileSize(), 123456);
    EXPECT_EQ(loaded->getContentType(), wxS("image/jpeg"));
    EXPECT_EQ(loaded->getScanner(), wxS("exif"));
    EXPECT_EQ(loaded->getScanVersion(), 4);
    EXPECT_TRUE(loaded->isFileUserModified());
    EXPECT_TRUE(loaded->isMetaUserModified());
    EXPECT_EQ(loaded->getFileModifyTime(), 1111);
    EXPECT_EQ(loaded->getMetaModifyTime(), 2222);
    EXPECT_TRUE(loaded->isFavorite());
    EXPECT_EQ(loaded->getCaption(), file->getCaption());
    EXPECT_EQ(loaded->getTime(), file->getTime());
    EXPECT_EQ(loaded->getTimeMask(), 7);
    EXPECT_EQ(loaded->getCreator(), wxS("Creator"));
    EXPECT_EQ(loaded->getSource(), wxS("Source"));
    EXPECT_EQ(loaded->getCopyright(), file->getCopyright());
    EXPECT_EQ(loaded->getSublocation(), wxS("Harbour"));
    EXPECT_EQ(loaded->getCity(), file->getCity());
    EXPECT_EQ(loaded->getProvince(), wxS("Syddanmark"));
    EXPECT_EQ(loaded->getCountryCode(), wxS("DK"));
    EXPECT_EQ(loaded->getSafeStorageType(), 2);
    EXPECT_EQ(loaded->getSafeStorageRevision(), 9);
    EXPECT_EQ(loaded->getSafeStorageAccountId(), wxS("acc-1"));
    EXPECT_EQ(loaded->getImageWidth(), 4000);
    EXPECT_EQ(loaded->getImageHeight(), 3000);
    EXPECT_EQ(loaded->getImageRotation(), 270);
    EXPECT_EQ(loaded->getKeywords(), file->getKeywords());

    // False flags are written as 'false', not left as they were.
    file->setFavorite(false);
    m_database.storeFile(*file);
    EXPECT_FALSE(m_database.loadFile(uri)->isFavorite());
    EXPECT_THROW(m_database.loadFile(fileUri(ALBUM, 8)), Brenmarle::RowException);
}

TEST_F(DatabaseTest, KeywordsAreStoredSortedWithATrailingBarAndOneRowEach)
{
    openCatalogue();
    const Ref<File> file = makeFile(fileUri(ALBUM, 1));
    file->setKeywords({wxS("b"), wxS("a")});
    m_database.addFile(*file);
    m_database.commit();
    {
        RawDatabase raw(m_path);
        EXPECT_EQ(raw.text("SELECT keywords FROM file"), "a|b|");
        EXPECT_EQ(raw.column("SELECT keyword FROM filekeyword ORDER BY keyword"),
                  (std::vector<std::string>{"a", "b"}));
    }

    file->setKeywords({wxS("c")});
    m_database.storeFile(*file);
    m_database.commit();
    RawDatabase raw(m_path);
    EXPECT_EQ(raw.text("SELECT keywords FROM file"), "c|");
    EXPECT_EQ(raw.column("SELECT keyword FROM filekeyword"), std::vector<std::string>{"c"});
}

TEST_F(DatabaseTest, KeywordsTextWithoutFinalBarLosesItsLastKeyword)
{
    openCatalogue();
    add(fileUri(ALBUM, 1));
    m_database.close();
    RawDatabase(m_path).exec("UPDATE file SET keywords = 'a|b'");
    openCatalogue();
    EXPECT_EQ(m_database.loadFile(fileUri(ALBUM, 1))->getKeywords(), std::set<wxString>{wxS("a")});
}

TEST_F(DatabaseTest, BooleanColumnHoldingOneReadsFalseAndIsLogged)
{
    openCatalogue();
    add(fileUri(ALBUM, 1));
    m_database.close();
    RawDatabase(m_path).exec("UPDATE file SET favorite = '1', metausermodified = 'true'");
    openCatalogue();

    const LogCapture log;
    const Ref<File> file = m_database.loadFile(fileUri(ALBUM, 1));
    EXPECT_FALSE(file->isFavorite());
    EXPECT_TRUE(file->isMetaUserModified());
    EXPECT_TRUE(log.contains(wxS("getBool (..) is not \"true\" or \"false\"")));
}

TEST_F(DatabaseTest, CalendarDateIsTheUtcDayOfThePictureTime)
{
    // Fourteen hours ahead of UTC: reading the time as local time would move every late
    // picture to the next day.
    const ScopedTimeZone zone("Pacific/Kiritimati");
    openCatalogue();
    add(fileUri(ALBUM, 1), 0);
    add(fileUri(ALBUM, 2), utc(2021, 12, 31, 23, 30));
    add(fileUri(ALBUM, 3), utc(2021, 12, 31, 0, 10));
    add(fileUri(ALBUM, 4), utc(2022, 1, 1, 0, 0));
    m_database.commit();

    RawDatabase raw(m_path);
    EXPECT_EQ(raw.rows("SELECT yeardateint, yearmonthint FROM file ORDER BY rowid"),
              (std::vector<Row>{{"19700101", "197001"},
                                {"20211231", "202112"},
                                {"20211231", "202112"},
                                {"20220101", "202201"}}));
    // Undated files stay out of the calendar.
    EXPECT_EQ(m_database.getDateHistogram(),
              (std::map<int32_t, int32_t>{{20211231, 2}, {20220101, 1}}));
    EXPECT_EQ(m_database.getYearMonths(), (std::vector<int32_t>{202112, 202201}));
}

TEST_F(DatabaseTest, AddingAFileAgainReplacesItsRowAndKeywords)
{
    openCatalogue();
    const Ref<File> first = makeFile(fileUri(ALBUM, 1));
    first->setCaption(wxS("old"));
    first->setKeywords({wxS("Old")});
    m_database.addFile(*first);
    const Ref<File> second = makeFile(fileUri(ALBUM, 1));
    second->setKeywords({wxS("New")});
    m_database.addFile(*second);

    EXPECT_EQ(m_database.getFileCount(), 1);
    EXPECT_EQ(m_database.loadFile(fileUri(ALBUM, 1))->getCaption(), wxString());
    m_database.setKeywords({});
    EXPECT_EQ(m_database.getKeywords(), std::set<wxString>{wxS("New")});
}

TEST_F(DatabaseTest, RenameAndDeleteMoveOrRemoveTheRowWithItsKeywords)
{
    openCatalogue();
    m_database.setKeywords({});
    const Ref<File> file = makeFile(fileUri(ALBUM, 1));
    file->setKeywords({wxS("Kept")});
    m_database.addFile(*file);

    m_database.renameFile(fileUri(ALBUM, 1), fileUri(OTHER_ALBUM, 1));
    EXPECT_THROW(m_database.loadFile(fileUri(ALBUM, 1)), Brenmarle::RowException);
    EXPECT_EQ(m_database.loadFile(fileUri(OTHER_ALBUM, 1))->getKeywords(),
              std::set<wxString>{wxS("Kept")});
    m_database.commit();
    EXPECT_EQ(RawDatabase(m_path).text("SELECT fileuri FROM filekeyword"),
              fileUri(OTHER_ALBUM, 1).utf8_string());

    m_database.deleteFile(fileUri(OTHER_ALBUM, 1));
    EXPECT_EQ(m_database.getFileCount(), 0);
    EXPECT_TRUE(m_database.getKeywords().empty());
}

TEST_F(DatabaseTest, FileLookups)
{
    openCatalogue();
    EXPECT_THROW(m_database.getRandomCaptionedFileUri(), Quorvel::NotFoundException);
    add(fileUri(ALBUM, 1));
    const Ref<File> captioned = makeFile(fileUri(OTHER_ALBUM, 2));
    captioned->setCaption(wxS("Sunset"));
    m_database.addFile(*captioned);

    EXPECT_EQ(m_database.getRandomCaptionedFileUri(), fileUri(OTHER_ALBUM, 2));
    EXPECT_EQ(m_database.findFileUri(wxS("00000000-0000-4000-8000-000000000002")),
              fileUri(OTHER_ALBUM, 2));
    try {
        m_database.findFileUri(wxS("00000000-0000-4000-8000-000000000009"));
        FAIL() << "an unknown UUID must throw";
    } catch (const Quorvel::NotFoundException& e) {
        EXPECT_EQ(e.getMessage(), wxS("File UUID not found: 00000000-0000-4000-8000-000000000009"));
    }

    const std::vector<int64_t> rowids =
        m_database.getRowIds(wxS("SELECT rowid FROM file ORDER BY rowid"));
    ASSERT_EQ(rowids.size(), 2u);
    EXPECT_EQ(m_database.getFileUri(rowids[1]), fileUri(OTHER_ALBUM, 2));
    EXPECT_THROW(m_database.getFileUri(rowids[1] + 100), Brenmarle::RowException);

    // getFileUris adds to what the caller already has.
    std::vector<wxString> list{wxS("kept")};
    std::set<wxString> set{wxS("kept")};
    m_database.getFileUris(ALBUM, list, set);
    EXPECT_EQ(list, (std::vector<wxString>{wxS("kept"), fileUri(ALBUM, 1)}));
    EXPECT_EQ(set.size(), 2u);
}

TEST_F(DatabaseTest, RowIdSearchReadsBeyondTheFirstThousand)
{
    openCatalogue();
    for (int i = 0; i < 2500; ++i)
        add(fileUri(ALBUM, i), i % 2 ? 1000 : 0);
    const std::vector<int64_t> rowids =
        m_database.getRowIds(wxS("SELECT rowid FROM file WHERE time > 0 ORDER BY rowid DESC"));
    ASSERT_EQ(rowids.size(), 1250u);
    EXPECT_EQ(m_database.getFileUri(rowids.front()), fileUri(ALBUM, 2499));
    EXPECT_EQ(m_database.getFileUri(rowids.back()), fileUri(ALBUM, 1));
}

TEST_F(DatabaseTest, LoadingFilesKeepsThoseAlreadyInMemory)
{
    openCatalogue();
    add(fileUri(ALBUM, 1), 300);
    add(fileUri(ALBUM, 2), 100);
    add(fileUri(OTHER_ALBUM, 3), 200);

    Brenmarle::FileMap files;
    const Ref<File> inMemory = makeFile(fileUri(ALBUM, 1));
    inMemory->setCaption(wxS("edited, not stored yet"));
    files[fileUri(ALBUM, 1)] = inMemory;
    m_database.loadFiles(files, ALBUM);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[fileUri(ALBUM, 1)], inMemory);
    EXPECT_EQ(files[fileUri(ALBUM, 2)]->getTime(), 100);
    EXPECT_FALSE(files[fileUri(ALBUM, 2)]->isModified());

    m_database.loadFiles(files);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[fileUri(ALBUM, 1)], inMemory);
    EXPECT_EQ(files[fileUri(OTHER_ALBUM, 3)]->getTime(), 200);

    Brenmarle::FileMap uris;
    m_database.loadAllFileUris(uris);
    ASSERT_EQ(uris.size(), 3u);
    for (const auto& [uri, file] : uris)
        EXPECT_FALSE(file) << uri;
}

// ---- Albums -------------------------------------------------------------------------------------

TEST_F(DatabaseTest, AlbumRowRoundTripsWithItsFiles)
{
    openCatalogue();
    AlbumRecord album;
    album.uri = ALBUM;
    album.name = wxS("Summer");
    album.icon = wxS("beach_live");
    album.description = wxS("Two weeks by the sea");
    album.creationTime = 1000;
    album.metaModifyTime = 2000;
    album.safeStorageUpdateTime = 3000;
    album.safeStorageAccountId = wxS("acc-1");
    album.safeStorageWarning = true;
    m_database.addFolder(album);
    add(fileUri(ALBUM, 1));
    add(fileUri(ALBUM, 2));
    add(fileUri(OTHER_ALBUM, 3));

    AlbumRecord loaded;
    loaded.uri = ALBUM;
    loaded.fileUris = {wxS("stale")};
    m_database.loadAlbum(loaded);
    EXPECT_EQ(loaded.name, wxS("Summer"));
    EXPECT_EQ(loaded.icon, wxS("beach_live"));
    EXPECT_EQ(loaded.description, wxS("Two weeks by the sea"));
    EXPECT_EQ(loaded.creationTime, 1000);
    EXPECT_EQ(loaded.metaModifyTime, 2000);
    EXPECT_EQ(loaded.safeStorageUpdateTime, 3000);
    EXPECT_EQ(loaded.safeStorageAccountId, wxS("acc-1"));
    EXPECT_TRUE(loaded.safeStorageWarning);
    EXPECT_FALSE(loaded.hidden);
    EXPECT_EQ(loaded.fileUris, (std::vector<wxString>{fileUri(ALBUM, 1), fileUri(ALBUM, 2)}));
    EXPECT_EQ(loaded.fileUriSet, (std::set<wxString>{fileUri(ALBUM, 1), fileUri(ALBUM, 2)}));

    loaded.name = wxS("Summer 2004");
    loaded.safeStorageWarning = false;
    m_database.updateFolder(loaded);
    AlbumRecord again;
    again.uri = ALBUM;
    m_database.loadAlbum(again);
    EXPECT_EQ(again.name, wxS("Summer 2004"));
    EXPECT_FALSE(again.safeStorageWarning);
}

TEST_F(DatabaseTest, HiddenAlbumsAreListedApartAndDeletedAlbumsAreGone)
{
    openCatalogue();
    AlbumRecord shown;
    shown.uri = ALBUM;
    AlbumRecord hidden;
    hidden.uri = OTHER_ALBUM;
    hidden.hidden = true;
    m_database.addFolder(shown);
    m_database.addFolder(hidden);

    EXPECT_EQ(m_database.getAlbumUris(), std::vector<wxString>{ALBUM});
    EXPECT_EQ(m_database.getHiddenAlbumUris(), std::vector<wxString>{OTHER_ALBUM});

    m_database.deleteFolder(ALBUM);
    EXPECT_TRUE(m_database.getAlbumUris().empty());
    try {
        m_database.loadAlbum(shown);
        FAIL() << "a deleted album must not load";
    } catch (const Brenmarle::DatabaseException& e) {
        EXPECT_EQ(e.getMessage(), wxS("Album not found in database"));
    }
}

// ---- Statistics ---------------------------------------------------------------------------------

TEST_F(DatabaseTest, CountsByCountryFavoriteAndSafeStorage)
{
    openCatalogue();
    int32_t minTime = -1;
    int32_t maxTime = -1;
    m_database.getMinMaxTime(minTime, maxTime);
    EXPECT_EQ(minTime, 0);
    EXPECT_EQ(maxTime, 0);

    add(fileUri(ALBUM, 1), 100, wxS("NO"));
    add(fileUri(ALBUM, 2), 200, wxS("NO"));
    add(fileUri(ALBUM, 3), 300, wxS("SE"));
    add(fileUri(ALBUM, 4), 400);
    add(fileUri(ALBUM, 5), 0, wxS("SE"));
    const Ref<File> stored = makeFile(fileUri(ALBUM, 6), 500, wxS("DK"));
    stored->setFavorite(true);
    stored->setSafeStorageType(1);
    stored->setSafeStorageAccountId(wxS("acc-1"));
    m_database.addFile(*stored);

    EXPECT_EQ(m_database.getCountryCounts(100, 300),
              (std::map<wxString, int32_t>{{wxS("NO"), 2}, {wxS("SE"), 1}}));
    EXPECT_EQ(m_database.getCountryCounts(150, 1000),
              (std::map<wxString, int32_t>{{wxS("NO"), 1}, {wxS("SE"), 1}, {wxS("DK"), 1}}));
    m_database.getMinMaxTime(minTime, maxTime);
    EXPECT_EQ(minTime, 100);
    EXPECT_EQ(maxTime, 500);
    m_database.getMinMaxCountryTime(wxS("SE"), minTime, maxTime);
    EXPECT_EQ(minTime, 300);
    EXPECT_EQ(maxTime, 300);
    EXPECT_EQ(m_database.getFileCount(), 6);
    EXPECT_EQ(m_database.getFavoriteCount(), 1);
    EXPECT_EQ(m_database.getSafeStorageFileCount(wxS("acc-1")), 1);
    EXPECT_EQ(m_database.getSafeStorageFileCount(wxS("acc-2")), 0);
}

TEST_F(DatabaseTest, CountryPhotoCountReportsRangeAndUndatedFiles)
{
    openCatalogue();
    add(fileUri(ALBUM, 1), 100, wxS("NO"));
    add(fileUri(ALBUM, 2), 200, wxS("NO"));
    add(fileUri(ALBUM, 3), 900, wxS("NO"));
    add(fileUri(ALBUM, 4), 0, wxS("NO"));
    add(fileUri(ALBUM, 5), 0, wxS("NO"));
    add(fileUri(ALBUM, 6), 150, wxS("SE"));

    int32_t count = -1;
    int32_t first = -1;
    int32_t last = -1;
    int32_t earlier = -1;
    m_database.getCountryPhotoCount(wxS("NO"), 50, 500, count, &first, &last, &earlier);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(first, 100);
    EXPECT_EQ(last, 200);
    EXPECT_EQ(earlier, 0);

    m_database.getCountryPhotoCount(wxS("NO"), 300, 800, count, &first, &last, &earlier);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(first, 300);
    EXPECT_EQ(last, 800);
    EXPECT_EQ(earlier, 0);

    // A range reaching back to 0 holds the undated files: the first dated one is reported, and
    // the undated ones are counted apart.
    m_database.getCountryPhotoCount(wxS("NO"), 0, 500, count, &first, &last, &earlier);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(first, 100);
    EXPECT_EQ(last, 200);
    EXPECT_EQ(earlier, 2);

    m_database.getCountryPhotoCount(wxS("SE"), 0, 500, count);
    EXPECT_EQ(count, 1);
}

// ---- Keywords -----------------------------------------------------------------------------------

TEST_F(DatabaseTest, KeywordListIsTheUnionOfTheUsersListAndFileKeywords)
{
    openCatalogue();
    m_database.setKeywords({wxS("b"), wxS("a")});
    const Ref<File> file = makeFile(fileUri(ALBUM, 1));
    file->setKeywords({wxS("a"), wxS("c")});
    m_database.addFile(*file);
    EXPECT_EQ(m_database.getKeywords(), (std::set<wxString>{wxS("a"), wxS("b"), wxS("c")}));
    m_database.setKeywords({wxS("z")});
    EXPECT_EQ(m_database.getKeywords(), (std::set<wxString>{wxS("a"), wxS("c"), wxS("z")}));
}

TEST_F(DatabaseTest, RenamingAKeywordComparesWholeKeywords)
{
    openCatalogue();
    const auto addWith = [this](int number, std::set<wxString> keywords) {
        const Ref<File> file = makeFile(fileUri(ALBUM, number));
        file->setKeywords(keywords);
        m_database.addFile(*file);
    };
    addWith(1, {wxS("Events/Party")});
    addWith(2, {wxS("Party"), wxS("Zoo")});
    addWith(3, {wxS("party")});

    m_database.renameKeyword(wxS("Party"), wxS("Fest"));
    EXPECT_EQ(m_database.loadFile(fileUri(ALBUM, 1))->getKeywords(),
              std::set<wxString>{wxS("Events/Party")});
    EXPECT_EQ(m_database.loadFile(fileUri(ALBUM, 2))->getKeywords(),
              (std::set<wxString>{wxS("Fest"), wxS("Zoo")}));
    EXPECT_EQ(m_database.loadFile(fileUri(ALBUM, 3))->getKeywords(),
              std::set<wxString>{wxS("party")});
    m_database.commit();
    EXPECT_EQ(RawDatabase(m_path).column("SELECT keyword FROM filekeyword WHERE fileuri = '" +
                                         fileUri(ALBUM, 2).utf8_string() + "' ORDER BY keyword"),
              (std::vector<std::string>{"Fest", "Zoo"}));
}

TEST_F(DatabaseTest, RenamingHandlesApostrophesAndExistingKeywords)
{
    openCatalogue();
    const Ref<File> file = makeFile(fileUri(ALBUM, 1));
    file->setKeywords({wxS("People/Bob's"), wxS("People/Robert")});
    m_database.addFile(*file);

    m_database.renameKeyword(wxS("People/Bob's"), wxS("People/O'Brien's"));
    EXPECT_EQ(m_database.loadFile(fileUri(ALBUM, 1))->getKeywords(),
              (std::set<wxString>{wxS("People/O'Brien's"), wxS("People/Robert")}));

    // Renaming onto a keyword the file already has merges them, in both places.
    m_database.renameKeyword(wxS("People/O'Brien's"), wxS("People/Robert"));
    EXPECT_EQ(m_database.loadFile(fileUri(ALBUM, 1))->getKeywords(),
              std::set<wxString>{wxS("People/Robert")});
    m_database.commit();
    EXPECT_EQ(RawDatabase(m_path).number("SELECT count(*) FROM filekeyword"), 1);
}

TEST_F(DatabaseTest, DeletingAKeywordRemovesItEverywhere)
{
    openCatalogue();
    const Ref<File> file = makeFile(fileUri(ALBUM, 1));
    file->setKeywords({wxS("Events/Party"), wxS("Todo/Share")});
    m_database.addFile(*file);

    m_database.deleteKeyword(wxS("Events/Party"));
    EXPECT_EQ(m_database.loadFile(fileUri(ALBUM, 1))->getKeywords(),
              std::set<wxString>{wxS("Todo/Share")});
    EXPECT_EQ(m_database.getKeywords().count(wxS("Events/Party")), 0u);
    EXPECT_EQ(m_database.getKeywords().count(wxS("Events/Wedding")), 1u);
}

// ---- Safe-storage queue -------------------------------------------------------------------------

TEST_F(DatabaseTest, SafeStorageQueueKeepsOneOperationPerUuid)
{
    openCatalogue();
    const int32_t before = static_cast<int32_t>(std::time(nullptr));
    m_database.addSafeStorageOp(1, fileUri(ALBUM, 1));
    m_database.addSafeStorageOp(2, fileUri(ALBUM, 2));
    const int64_t firstRowid = m_database.getSafeStorageOps().front().rowid;
    // The same file, moved to another folder: its UUID still names it.
    m_database.addSafeStorageOp(3, fileUri(OTHER_ALBUM, 1));

    const std::vector<Database::SafeStorageOp> ops = m_database.getSafeStorageOps();
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_EQ(ops[0].type, 2);
    EXPECT_EQ(ops[0].uri, fileUri(ALBUM, 2));
    EXPECT_EQ(ops[1].type, 3);
    EXPECT_EQ(ops[1].uri, fileUri(OTHER_ALBUM, 1));
    EXPECT_GT(ops[1].rowid, firstRowid);
    EXPECT_GE(ops[1].time, before);

    m_database.deleteSafeStorageOp(ops[0].rowid);
    const std::vector<Database::SafeStorageOp> left = m_database.getSafeStorageOps();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].rowid, ops[1].rowid);
}
