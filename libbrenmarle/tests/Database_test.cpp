#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include <wx/evtloop.h>
#include <wx/filename.h>

#include "FileFields.h"
#include "LogCapture.h"
#include "RawDatabase.h"
#include "ScopedTimeZone.h"
#include "ScratchDir.h"
#include "core/Exceptions.h"
#include "database/Database.h"
#include "files/File.h"

using Brenmarle::AlbumRecord;
using Brenmarle::Database;
using Brenmarle::File;
using Brenmarle::UriList;
using Quorvel::makeRef;
using Quorvel::Ref;

namespace {

using Row = RawDatabase::Row;
using Texts = std::vector<std::string>;

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

wxString fileUri(const wxString& folder, int number)
{
    return folder + wxString::Format("00000000-0000-4000-8000-%012d", number);
}

Ref<File> makeFile(const wxString& uri, int32_t time = 0, const wxString& country = wxString(),
                   const std::set<wxString>& keywords = {})
{
    Ref<File> file = makeRef<File>(uri);
    file->setFileName(wxS("IMG.JPG"));
    file->setTime(time);
    file->setCountryCode(country);
    file->setKeywords(keywords);
    return file;
}

class DatabaseTest : public ::testing::Test {
protected:
    void openCatalogue() { m_database.open(m_path); }

    // Adds a file and returns it.
    Ref<File> add(const wxString& uri, int32_t time = 0, const wxString& country = wxString(),
                  const std::set<wxString>& keywords = {})
    {
        Ref<File> file = makeFile(uri, time, country, keywords);
        m_database.addFile(*file);
        return file;
    }
    std::set<wxString> keywordsOf(const wxString& uri)
    {
        return m_database.loadFile(uri)->getKeywords();
    }

    std::string bytesOnDisk() const { return m_dir.readFile(wxS("database.db")); }

    ScratchDir m_dir;
    wxString m_path = m_dir / wxS("database.db");
    Database m_database;
};

// Most tests work on a new catalogue.
class OpenCatalogueTest : public DatabaseTest {
protected:
    OpenCatalogueTest() { openCatalogue(); }
};

} // namespace

// ---- Opening, schema and upgrades --------------------------------------------------------------

TEST_F(OpenCatalogueTest, NewCatalogueHasTheFullSchemaAtVersion9WithDefaultKeywords)
{
    EXPECT_EQ(m_database.getVersion(), Database::DBVERSION);
    EXPECT_EQ(
        m_database.getKeywords(),
        (std::set<wxString>{wxS("Events/Vacation"), wxS("Events/Wedding"), wxS("Events/Birthday"),
                            wxS("Events/Party"), wxS("People/Jane Doe"), wxS("People/John Doe"),
                            wxS("Todo/Order Prints"), wxS("Todo/Organize"), wxS("Todo/Share"),
                            wxS("Todo/Edit")}));
    m_database.setKeywords({wxS("Only")});
    add(fileUri(ALBUM, 1), 1000);
    m_database.close();

    {
        RawDatabase raw(m_path);
        EXPECT_EQ(raw.column("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"),
                  (Texts{"file", "filekeyword", "folder", "keyword", "metadata", "ssoperation"}));
        const auto columns = [&raw](const std::string& table) {
            std::string result;
            for (const Row& row : raw.rows("PRAGMA table_info(" + table + ")"))
                result += row[1] + " " + row[2] + ", ";
            return result;
        };
        EXPECT_EQ(columns("metadata"), "version INTEGER, ");
        EXPECT_EQ(columns("folder"),
                  "uri VARCHAR(512), name TEXT, icon VARCHAR(32), description TEXT, creationtime "
                  "INTEGER, metamodifytime INTEGER, safestorageupdatetime INTEGER, "
                  "safestorageaccountid VARCHAR(36), safestoragewarning BOOLEAN, hidden BOOLEAN, ");
        EXPECT_EQ(columns("file"),
                  "uri VARCHAR(512), filename VARCHAR(255), filesize INTEGER, contenttype "
                  "VARCHAR(48), scanner TEXT, scanversion INTEGER, filemodifytime INTEGER, "
                  "fileusermodified BOOLEAN, metamodifytime INTEGER, metausermodified BOOLEAN, "
                  "favorite BOOLEAN, caption TEXT, time INTEGER, timemask INTEGER, creator "
                  "VARCHAR(128), source VARCHAR(128), copyright TEXT, sublocation VARCHAR(128), "
                  "city VARCHAR(64), province VARCHAR(64), countrycode VARCHAR(3), "
                  "safestoragetype INTEGER, safestoragerevision INTEGER, safestorageaccountid "
                  "VARCHAR(36), imagewidth INTEGER, imageheight INTEGER, imagerotation INTEGER, "
                  "keywords TEXT, yeardateint INTEGER, yearmonthint INTEGER, ");
        EXPECT_EQ(columns("filekeyword"), "fileuri VARCHAR(255), keyword VARCHAR(255), ");
        EXPECT_EQ(columns("keyword"), "keyword VARCHAR(255), ");
        EXPECT_EQ(columns("ssoperation"), "time INTEGER, type TEXT, uri TEXT, uuid TEXT, ");
        EXPECT_EQ(raw.column("SELECT version FROM metadata"), Texts{"9"});
    }

    // Reopening a current catalogue runs no upgrade step again.
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
    EXPECT_EQ(raw.column("SELECT hidden FROM folder"), (Texts{"false", "false"}));
}

TEST_F(DatabaseTest, CreationAndUpgradesAreCommittedWhenOpenReturns)
{
    openCatalogue();
    // Seen from another connection while the catalogue is still open.
    EXPECT_EQ(RawDatabase(m_path).number("SELECT version FROM metadata"), Database::DBVERSION);
    m_database.close();

    ASSERT_TRUE(wxRemoveFile(m_path));
    {
        RawDatabase raw(m_path);
        raw.exec(VERSION_0_SCHEMA);
        raw.exec("UPDATE metadata SET version = 8");
    }
    openCatalogue();
    EXPECT_EQ(RawDatabase(m_path).number("SELECT version FROM metadata"), Database::DBVERSION);
}

TEST_F(OpenCatalogueTest, NewerCatalogueIsRefusedClosedAndLeftUntouched)
{
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

TEST_F(DatabaseTest, FilesThatAreNoCatalogueAreRefusedAndLeftUntouched)
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

    // Another program's SQLite file.
    wxRemoveFile(m_path);
    RawDatabase(m_path).exec(
        "CREATE TABLE contacts (name TEXT); INSERT INTO contacts VALUES ('Ann')");
    const std::string contacts = bytesOnDisk();
    EXPECT_THROW(openCatalogue(), Brenmarle::DatabaseException);
    EXPECT_FALSE(m_database.isOpen());
    EXPECT_EQ(bytesOnDisk(), contacts);
}

TEST_F(OpenCatalogueTest, CatalogueLockedByAnotherProcessIsRefusedAndLeftUntouched)
{
    add(fileUri(ALBUM, 1));
    m_database.close();
    const std::string before = bytesOnDisk();

    int locked[2];
    ASSERT_EQ(pipe(locked), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Holds the lock until it is killed.
        try {
            RawDatabase connection(m_path);
            connection.exec("BEGIN EXCLUSIVE");
            (void)!write(locked[1], "L", 1);
            pause();
        } catch (const std::exception&) {
            (void)!write(locked[1], "E", 1);
        }
        _exit(0);
    }
    char state = 0;
    if (read(locked[0], &state, 1) == 1 && state == 'L') {
        try {
            openCatalogue();
            ADD_FAILURE() << "a locked catalogue must be refused";
        } catch (const Brenmarle::DatabaseException& e) {
            EXPECT_EQ(e.getMessage(), wxS("database is locked"));
        }
        EXPECT_FALSE(m_database.isOpen());
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(locked[0]);
    close(locked[1]);
    ASSERT_EQ(state, 'L');
    EXPECT_EQ(bytesOnDisk(), before);

    // Once the other process lets go, the catalogue opens with its contents.
    openCatalogue();
    EXPECT_EQ(m_database.getFileCount(), 1);
}

// ---- The long transaction -----------------------------------------------------------------------

TEST_F(OpenCatalogueTest, FailedStatementKeepsEarlierWorkInTheTransaction)
{
    add(fileUri(ALBUM, 1));
    try {
        m_database.getRowIds(wxS("SELECT rowid FROM nowhere"));
        FAIL() << "a bad query must throw";
    } catch (const Brenmarle::DatabaseException& e) {
        EXPECT_EQ(e.getMessage(), wxS("no such table: nowhere"));
    }
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
    database.commit();
    database.addFile(*makeFile(fileUri(ALBUM, 1)));

    wxEventLoop loop;
    wxEventLoopActivator active(&loop);
    RawDatabase other(path);
    for (int i = 0; i < 300 && other.number("SELECT count(*) FROM file") == 0; ++i)
        loop.DispatchTimeout(100);
    EXPECT_EQ(other.number("SELECT count(*) FROM file"), 1);
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
            for (int i = 0; i < COMMITTED; ++i)
                database.addFile(*makeFile(fileUri(ALBUM, i), 1000 + i, wxString(),
                                           {wxS("Events/Party"), wxS("Todo/Share")}));
            database.commit();
            (void)!write(progress[1], "C", 1);
            for (int i = 0; i < 1000000; ++i) {
                database.addFile(
                    *makeFile(fileUri(OTHER_ALBUM, i), 5000 + i, wxString(), {wxS("Pending")}));
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
    m_database.close();

    // Exactly the committed rows: none stored after them, no "Pending" keyword.
    RawDatabase raw(m_path);
    EXPECT_EQ(raw.text("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(raw.number("SELECT count(*) FROM filekeyword"), 2 * COMMITTED);
    EXPECT_EQ(raw.number("SELECT min(time) FROM file"), 1000);
    EXPECT_EQ(raw.number("SELECT max(time) FROM file"), 1000 + COMMITTED - 1);
}

// ---- Files --------------------------------------------------------------------------------------

TEST_F(OpenCatalogueTest, StoredFileReadsBackFieldForField)
{
    const wxString uri = fileUri(ALBUM, 7);
    const Ref<File> file = makeRef<File>(uri);
    for (const FileField& field : fileFields())
        field.setOther(*file);
    m_database.addFile(*file);
    EXPECT_FALSE(file->isModified());

    const Ref<File> loaded = m_database.loadFile(uri);
    EXPECT_FALSE(loaded->isModified());
    EXPECT_EQ(loaded->getReferenceCount(), 1);
    EXPECT_EQ(loaded->getURI(), uri);
    for (const FileField& field : fileFields())
        EXPECT_TRUE(field.same(*loaded, *file)) << field.name;

    // False flags are written as 'false', not left as they were.
    file->setFavorite(false);
    m_database.storeFile(*file);
    EXPECT_FALSE(m_database.loadFile(uri)->isFavorite());
    EXPECT_THROW(m_database.loadFile(fileUri(ALBUM, 8)), Brenmarle::RowException);
}

TEST_F(OpenCatalogueTest, KeywordsAreStoredSortedWithATrailingBarAndOneRowEach)
{
    const Ref<File> file = add(fileUri(ALBUM, 1), 0, wxString(), {wxS("b"), wxS("a")});
    m_database.commit();
    RawDatabase raw(m_path);
    EXPECT_EQ(raw.text("SELECT keywords FROM file"), "a|b|");
    EXPECT_EQ(raw.column("SELECT keyword FROM filekeyword ORDER BY keyword"), (Texts{"a", "b"}));

    file->setKeywords({wxS("c")});
    m_database.storeFile(*file);
    m_database.commit();
    EXPECT_EQ(raw.text("SELECT keywords FROM file"), "c|");
    EXPECT_EQ(raw.column("SELECT keyword FROM filekeyword"), Texts{"c"});

    // Adding the file again replaces its row and its keywords.
    add(fileUri(ALBUM, 1));
    m_database.commit();
    EXPECT_EQ(raw.number("SELECT count(*) FROM file"), 1);
    EXPECT_EQ(raw.number("SELECT count(*) FROM filekeyword"), 0);
}

TEST_F(OpenCatalogueTest, KeywordsTextWithoutFinalBarLosesItsLastKeyword)
{
    add(fileUri(ALBUM, 1));
    m_database.close();
    RawDatabase(m_path).exec("UPDATE file SET keywords = 'a|b'");
    openCatalogue();
    EXPECT_EQ(keywordsOf(fileUri(ALBUM, 1)), std::set<wxString>{wxS("a")});
}

TEST_F(OpenCatalogueTest, BooleanColumnHoldingOneReadsFalseAndIsLogged)
{
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

TEST_F(OpenCatalogueTest, CalendarDateIsTheUtcDayOfThePictureTime)
{
    // Fourteen hours ahead of UTC: reading the time as local time would move every late
    // picture to the next day.
    const ScopedTimeZone zone("Pacific/Kiritimati");
    add(fileUri(ALBUM, 1), 0);
    add(fileUri(ALBUM, 2), 1640993400); // 2021-12-31 23:30 UTC
    add(fileUri(ALBUM, 3), 1640909400); // 2021-12-31 00:10 UTC
    add(fileUri(ALBUM, 4), 1640995200); // 2022-01-01 00:00 UTC
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

TEST_F(OpenCatalogueTest, RenameAndDeleteMoveOrRemoveTheRowWithItsKeywords)
{
    m_database.setKeywords({});
    add(fileUri(ALBUM, 1), 0, wxString(), {wxS("Kept")});

    m_database.renameFile(fileUri(ALBUM, 1), fileUri(OTHER_ALBUM, 1));
    EXPECT_THROW(m_database.loadFile(fileUri(ALBUM, 1)), Brenmarle::RowException);
    EXPECT_EQ(keywordsOf(fileUri(OTHER_ALBUM, 1)), std::set<wxString>{wxS("Kept")});
    m_database.commit();
    EXPECT_EQ(RawDatabase(m_path).text("SELECT fileuri FROM filekeyword"),
              fileUri(OTHER_ALBUM, 1).utf8_string());

    m_database.deleteFile(fileUri(OTHER_ALBUM, 1));
    EXPECT_EQ(m_database.getFileCount(), 0);
    EXPECT_TRUE(m_database.getKeywords().empty());
}

TEST_F(OpenCatalogueTest, LoadingFilesKeepsThoseAlreadyInMemory)
{
    add(fileUri(ALBUM, 1), 300);
    add(fileUri(ALBUM, 2), 100);
    add(fileUri(OTHER_ALBUM, 3), 200);

    Brenmarle::FileMap files;
    const Ref<File> inMemory = makeFile(fileUri(ALBUM, 1));
    files[fileUri(ALBUM, 1)] = inMemory;
    m_database.readFolderFiles(
        ALBUM,
        [&](const Quorvel::CompactString& uri) { return &files[uri.str()]; },
        [](const Ref<File>&) {});
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[fileUri(ALBUM, 1)], inMemory);
    EXPECT_EQ(files[fileUri(ALBUM, 2)]->getTime(), 100);
    EXPECT_FALSE(files[fileUri(ALBUM, 2)]->isModified());

    m_database.loadFiles(files);
    EXPECT_EQ(files.size(), 3u);
    EXPECT_EQ(files[fileUri(ALBUM, 1)], inMemory);
}

TEST_F(OpenCatalogueTest, FilesAreFoundByRowidByUuidAndByFolder)
{
    add(fileUri(ALBUM, 1));
    add(fileUri(OTHER_ALBUM, 2));
    add(fileUri(ALBUM, 3));
    add(wxS("inbox://00000000-0000-4000-8000-000000000004"));

    // Rows are numbered from 1 in the order they were added.
    EXPECT_EQ(m_database.getFileUri(2), "album://9a8b7c6d-5e4f-4a3b-8c2d-1e0f9a8b7c6d/"
                                        "00000000-0000-4000-8000-000000000002");
    EXPECT_THROW(m_database.getFileUri(5), Brenmarle::RowException);

    EXPECT_EQ(m_database.findFileUri(wxS("00000000-0000-4000-8000-000000000002")),
              fileUri(OTHER_ALBUM, 2));
    // Only a whole last segment matches, and the id is no pattern.
    for (const wxString uuid : {wxS("0000-4000-8000-000000000002"),
                                wxS("00000000-0000-4000-8000-00000000000_"), wxS("%")}) {
        try {
            m_database.findFileUri(uuid);
            ADD_FAILURE() << uuid;
        } catch (const Quorvel::NotFoundException& e) {
            EXPECT_EQ(e.getMessage(), "File UUID not found: " + uuid);
        }
    }

    UriList list;
    list.add(wxS("kept"));
    m_database.getFileUris(ALBUM, list);
    EXPECT_EQ(list.toVector(),
              (std::vector<wxString>{wxS("kept"), fileUri(ALBUM, 1), fileUri(ALBUM, 3)}));
    EXPECT_TRUE(list.contains(fileUri(ALBUM, 3)));
    EXPECT_FALSE(list.contains(fileUri(ALBUM, 2)));
    list.clear();
    m_database.getFileUris(wxS("inbox://"), list);
    EXPECT_EQ(list.toVector(),
              std::vector<wxString>{wxS("inbox://00000000-0000-4000-8000-000000000004")});
}

// ---- Albums -------------------------------------------------------------------------------------

TEST_F(OpenCatalogueTest, AlbumRowRoundTripsWithItsFiles)
{
    const auto stored = [](const AlbumRecord& a) {
        return std::make_tuple(a.uri, a.name, a.icon, a.description, a.creationTime,
                               a.metaModifyTime, a.safeStorageUpdateTime, a.safeStorageAccountId,
                               a.safeStorageWarning, a.hidden);
    };
    AlbumRecord album{ALBUM,
                      wxS("Summer"),
                      wxS("beach_live"),
                      wxS("Two weeks by the sea"),
                      1000,
                      2000,
                      3000,
                      wxS("acc-1"),
                      true,
                      false,
                      {}};
    m_database.addFolder(album);
    add(fileUri(ALBUM, 1));
    add(fileUri(ALBUM, 2));
    add(fileUri(OTHER_ALBUM, 3));

    AlbumRecord loaded;
    loaded.uri = ALBUM;
    loaded.fileUris.add(wxS("stale"));
    m_database.loadAlbum(loaded);
    EXPECT_EQ(stored(loaded), stored(album));
    EXPECT_EQ(loaded.fileUris.toVector(),
              (std::vector<wxString>{fileUri(ALBUM, 1), fileUri(ALBUM, 2)}));

    album.name = wxS("Summer 2004");
    album.safeStorageWarning = false;
    m_database.updateFolder(album);
    m_database.loadAlbum(loaded);
    EXPECT_EQ(stored(loaded), stored(album));
}

// ---- Statistics ---------------------------------------------------------------------------------

TEST_F(OpenCatalogueTest, CountryPhotoCountsReportUndatedPicturesApart)
{
    int number = 0;
    for (const auto& [time, country] : std::vector<std::pair<int32_t, const char*>>{
             {100, "NO"}, {200, "NO"}, {900, "NO"}, {0, "NO"}, {0, "NO"}, {300, "SE"}})
        add(fileUri(ALBUM, ++number), time, country);
    int32_t minTime = -1;
    int32_t maxTime = -1;
    m_database.getMinMaxTime(minTime, maxTime);
    EXPECT_EQ(minTime, 100); // undated pictures start no time range
    EXPECT_EQ(maxTime, 900);

    // count, first and last dated picture in the range, undated pictures counted apart.
    const auto photoCount = [this](const char* country, int32_t from, int32_t to) {
        std::vector<int32_t> result(4, -1);
        m_database.getCountryPhotoCount(country, from, to, result[0], &result[1], &result[2],
                                        &result[3]);
        return result;
    };
    EXPECT_EQ(photoCount("NO", 50, 500), (std::vector<int32_t>{2, 100, 200, 0}));
    EXPECT_EQ(photoCount("NO", 300, 800), (std::vector<int32_t>{0, 300, 800, 0}));
    // A range reaching back to 0 holds the undated files.
    EXPECT_EQ(photoCount("NO", 0, 500), (std::vector<int32_t>{4, 100, 200, 2}));
}

TEST_F(OpenCatalogueTest, CountryCountsAndPeriodsAreInclusiveAndSkipFilesWithoutCountry)
{
    int number = 0;
    for (const auto& [time, country] : std::vector<std::pair<int32_t, const char*>>{
             {100, "NO"}, {200, "NO"}, {900, "SE"}, {0, "SE"}, {300, ""}})
        add(fileUri(ALBUM, ++number), time, country);

    EXPECT_EQ(m_database.getCountryCounts(0, 1000),
              (std::map<wxString, int32_t>{{wxS("NO"), 2}, {wxS("SE"), 2}}));
    EXPECT_EQ(m_database.getCountryCounts(200, 900),
              (std::map<wxString, int32_t>{{wxS("NO"), 1}, {wxS("SE"), 1}}));
    EXPECT_TRUE(m_database.getCountryCounts(901, 2000).empty());

    // A country's period runs over its dated pictures; 0 to 0 for a country without any.
    const auto period = [this](const char* country) {
        std::pair<int32_t, int32_t> times{-1, -1};
        m_database.getMinMaxCountryTime(country, times.first, times.second);
        return times;
    };
    EXPECT_EQ(period("NO"), std::make_pair(100, 200));
    EXPECT_EQ(period("SE"), std::make_pair(900, 900));
    EXPECT_EQ(period("DK"), std::make_pair(0, 0));
}

TEST_F(OpenCatalogueTest, FavouritesAreCountedAndOnlyCaptionedFilesAreDrawn)
{
    try {
        m_database.getRandomCaptionedFileUri();
        ADD_FAILURE() << "an empty catalogue has a captioned file";
    } catch (const Quorvel::NotFoundException& e) {
        EXPECT_EQ(e.getMessage(), "No file found");
    }
    const auto addWith = [this](int number, bool favourite, const wxString& caption) {
        Ref<File> file = makeFile(fileUri(ALBUM, number));
        file->setFavorite(favourite);
        file->setCaption(caption);
        m_database.addFile(*file);
    };
    addWith(1, true, wxString());
    addWith(2, false, wxS("Midnight sun"));
    addWith(3, true, wxString());
    addWith(4, false, wxString());
    addWith(5, false, wxString());

    EXPECT_EQ(m_database.getFavoriteCount(), 2);
    for (int draw = 0; draw < 5; ++draw)
        EXPECT_EQ(m_database.getRandomCaptionedFileUri(), fileUri(ALBUM, 2));
}

// ---- Keywords -----------------------------------------------------------------------------------

TEST_F(OpenCatalogueTest, KeywordListIsTheUnionOfTheUsersListAndFileKeywords)
{
    m_database.setKeywords({wxS("b"), wxS("a")});
    add(fileUri(ALBUM, 1), 0, wxString(), {wxS("a"), wxS("c")});
    EXPECT_EQ(m_database.getKeywords(), (std::set<wxString>{wxS("a"), wxS("b"), wxS("c")}));
    m_database.setKeywords({wxS("z")});
    EXPECT_EQ(m_database.getKeywords(), (std::set<wxString>{wxS("a"), wxS("c"), wxS("z")}));
    // Deleting a keyword removes it from both.
    m_database.setKeywords({wxS("a"), wxS("z")});
    m_database.deleteKeyword(wxS("a"));
    EXPECT_EQ(keywordsOf(fileUri(ALBUM, 1)), std::set<wxString>{wxS("c")});
    EXPECT_EQ(m_database.getKeywords(), (std::set<wxString>{wxS("c"), wxS("z")}));
}

TEST_F(OpenCatalogueTest, RenamingAKeywordComparesWholeKeywordsAndMergesIntoAnExistingOne)
{
    add(fileUri(ALBUM, 1), 0, wxString(), {wxS("Events/Party")});
    add(fileUri(ALBUM, 2), 0, wxString(), {wxS("Party"), wxS("Zoo")});
    add(fileUri(ALBUM, 3), 0, wxString(), {wxS("party")});
    add(fileUri(ALBUM, 4), 0, wxString(), {wxS("People/Bob's"), wxS("People/Robert")});

    m_database.renameKeyword(wxS("Party"), wxS("Fest"));
    EXPECT_EQ(keywordsOf(fileUri(ALBUM, 1)), std::set<wxString>{wxS("Events/Party")});
    EXPECT_EQ(keywordsOf(fileUri(ALBUM, 2)), (std::set<wxString>{wxS("Fest"), wxS("Zoo")}));
    EXPECT_EQ(keywordsOf(fileUri(ALBUM, 3)), std::set<wxString>{wxS("party")});
    m_database.renameKeyword(wxS("People/Bob's"), wxS("People/O'Brien's"));
    EXPECT_EQ(keywordsOf(fileUri(ALBUM, 4)),
              (std::set<wxString>{wxS("People/O'Brien's"), wxS("People/Robert")}));
    // Renaming onto a keyword the file already has merges them, in both places.
    m_database.renameKeyword(wxS("People/O'Brien's"), wxS("People/Robert"));
    EXPECT_EQ(keywordsOf(fileUri(ALBUM, 4)), std::set<wxString>{wxS("People/Robert")});

    m_database.commit();
    RawDatabase raw(m_path);
    EXPECT_EQ(raw.column("SELECT keyword FROM filekeyword WHERE fileuri = '" +
                         fileUri(ALBUM, 2).utf8_string() + "' ORDER BY keyword"),
              (Texts{"Fest", "Zoo"}));
    EXPECT_EQ(raw.number("SELECT count(*) FROM filekeyword WHERE fileuri = '" +
                         fileUri(ALBUM, 4).utf8_string() + "'"),
              1);
}

TEST_F(OpenCatalogueTest, RenamingAKeywordToItselfChangesNothing)
{
    add(fileUri(ALBUM, 1), 0, wxString(), {wxS("Party"), wxS("Zoo")});
    m_database.renameKeyword(wxS("Party"), wxS("Party"));
    m_database.commit();
    RawDatabase raw(m_path);
    EXPECT_EQ(raw.column("SELECT keyword FROM filekeyword ORDER BY keyword"),
              (Texts{"Party", "Zoo"}));
    EXPECT_EQ(raw.column("SELECT keywords FROM file"), Texts{"Party|Zoo|"});
}

// ---- Search queries -----------------------------------------------------------------------------

TEST_F(OpenCatalogueTest, SearchQueryRunsOneReadingStatementAndRefusesAnythingMore)
{
    add(fileUri(ALBUM, 1), 100);
    add(fileUri(ALBUM, 2), 200);
    const std::string select = "SELECT ROWID FROM file WHERE 1 = 1 AND (";
    // Blanks and comments after the statement are no second statement.
    EXPECT_EQ(m_database.getRowIds(select + "time > 150) ORDER BY time, uri ;  -- done\n").size(),
              1u);
    for (const std::string condition :
         {"1); DELETE FROM file; SELECT (1", "1); SELECT (1", "1); garbage (1"}) {
        EXPECT_THROW(m_database.getRowIds(select + condition + ") ORDER BY time, uri"),
                     Brenmarle::DatabaseException)
            << condition;
    }
    EXPECT_THROW(m_database.getRowIds(wxS("DELETE FROM file")), Brenmarle::DatabaseException);
    EXPECT_THROW(m_database.getRowIds(wxS("  ")), Brenmarle::DatabaseException);
    // The text form follows the same rule.
    EXPECT_EQ(m_database.getTexts(wxS("SELECT uri FROM file ORDER BY time DESC")),
              (std::vector<wxString>{fileUri(ALBUM, 2), fileUri(ALBUM, 1)}));
    EXPECT_THROW(m_database.getTexts(wxS("SELECT uri FROM file; DELETE FROM file")),
                 Brenmarle::DatabaseException);
    EXPECT_EQ(m_database.getFileCount(), 2);
}

TEST_F(OpenCatalogueTest, FilesAreLoadedByRowIdInTheOrderAskedWithGapsForRowsThatWent)
{
    add(fileUri(ALBUM, 1), 100);
    add(fileUri(ALBUM, 2), 200);
    const std::vector<int64_t> rowids =
        m_database.getRowIds(wxS("SELECT rowid FROM file ORDER BY time"));
    ASSERT_EQ(rowids.size(), 2u);
    m_database.deleteFile(fileUri(ALBUM, 1));
    const auto files = m_database.loadFilesByRowId({rowids[1], rowids[0], rowids[1]});
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0]->getURI(), fileUri(ALBUM, 2));
    EXPECT_EQ(files[0]->getTime(), 200);
    EXPECT_FALSE(files[1]);
    EXPECT_EQ(files[2]->getURI(), fileUri(ALBUM, 2));
}

TEST_F(OpenCatalogueTest, AFoldersFilesAreReadInArrivalOrderAndNoOtherFoldersRowIsOffered)
{
    const wxString folder = wxS("album://abc/");
    // Neighbours on the URI key, and a folder that differs only in case.
    add(wxS("album://abb/x"));
    add(folder + wxS("2"));
    add(wxS("album://abc0/x"));
    add(wxS("album://ABC/x"));
    add(folder + wxS("1"));
    std::vector<std::string> offered;
    std::vector<Ref<File>> slots(2);
    m_database.readFolderFiles(
        folder,
        [&](const Quorvel::CompactString& uri) -> Ref<File>* {
            offered.push_back(uri.bytes());
            return &slots[offered.size() - 1];
        },
        [](const Ref<File>&) {});
    EXPECT_EQ(offered, (std::vector<std::string>{"album://abc/2", "album://abc/1"}));
    ASSERT_TRUE(slots[1]);
    EXPECT_EQ(slots[1]->getURI(), folder + wxS("1"));
}

TEST_F(OpenCatalogueTest, PicturesNotSafelyStoredAreCountedPerFolderAndAccount)
{
    const wxString folder = wxS("album://abc/");
    const auto stored = [this](const wxString& uri, int32_t type, const wxString& account) {
        Ref<File> file = makeFile(uri, 0, wxString(), {});
        file->setSafeStorageType(type);
        file->setSafeStorageAccountId(account);
        m_database.addFile(*file);
    };
    stored(folder + wxS("mine"), 1, wxS("anna"));
    stored(folder + wxS("other"), 2, wxS("bert"));
    stored(folder + wxS("never"), 0, wxString());
    // Stored, yet without the account it was stored for: not stored for anyone.
    stored(folder + wxS("lost"), 1, wxString());
    // Neighbours on the URI key count for their own folders only.
    stored(wxS("album://abb/x"), 0, wxString());
    stored(wxS("album://abc0/x"), 0, wxString());
    EXPECT_EQ(m_database.countNotSafelyStored(folder, wxS("anna")), 3);
    EXPECT_EQ(m_database.countNotSafelyStored(folder, wxS("bert")), 3);
    EXPECT_EQ(m_database.countNotSafelyStored(folder, wxS("carl")), 4);
    // Without an account nothing is stored.
    EXPECT_EQ(m_database.countNotSafelyStored(folder, wxString()), 4);
    EXPECT_EQ(m_database.countNotSafelyStored(wxS("album://empty/"), wxS("anna")), 0);
}

TEST_F(OpenCatalogueTest, SearchQueryStopsWhenItsInterruptCheckSaysSo)
{
    add(fileUri(ALBUM, 1), 100);
    // Counts for ever: only the interrupt check ends it.
    const wxString endless = "SELECT ROWID FROM file WHERE EXISTS (WITH RECURSIVE c(x) AS (SELECT "
                             "1 UNION ALL SELECT x + 1 FROM c) SELECT x FROM c WHERE x < 0)";
    int checks = 0;
    EXPECT_THROW(m_database.getRowIds(endless, [&] { return ++checks == 50; }),
                 Brenmarle::DatabaseException);
    EXPECT_EQ(checks, 50);
    // The check is gone with the query: the next one runs to its end.
    EXPECT_EQ(m_database.getRowIds(wxS("SELECT ROWID FROM file")).size(), 1u);
}

// ---- Safe-storage queue -------------------------------------------------------------------------

TEST_F(OpenCatalogueTest, SafeStorageQueueKeepsOneOperationPerUuid)
{
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
}

TEST_F(OpenCatalogueTest, ClearingTheSafeStorageQueueDropsEveryOperationAndKeepsTheFiles)
{
    m_database.addSafeStorageOp(Database::SafeStorageOp::DELETE, fileUri(ALBUM, 1));
    m_database.addSafeStorageOp(Database::SafeStorageOp::MOVE, fileUri(OTHER_ALBUM, 2));
    const int files = m_database.getFileCount();
    m_database.clearSafeStorageOps();
    EXPECT_TRUE(m_database.getSafeStorageOps().empty());
    EXPECT_EQ(m_database.getFileCount(), files);
    // The queue works on as before.
    m_database.addSafeStorageOp(Database::SafeStorageOp::MOVE, fileUri(ALBUM, 3));
    EXPECT_EQ(m_database.getSafeStorageOps().size(), 1u);
}
