#include <sys/stat.h>
#include <unistd.h>

#include <future>
#include <mutex>

#include <atomic>
#include <thread>

#include <wx/filefn.h>

#include "PhotoLibraryTest.h"
#include "RawDatabase.h"
#include "ScopedUmask.h"
#include "SmallFileSystem.h"
#include "SyncRecorder.h"
#include "core/Exceptions.h"
#include "core/LibraryLock.h"
#include "files/StoragePaths.h"
#include "folders/ComputerFolder.h"
#include "folders/InboxFolder.h"
#include "folders/LocalFolder.h"

using namespace Brenmarle;
using Quorvel::Ref;

namespace {
const wxString UUID = "0f8fad5b-d9cb-469f-a165-70867728950e";
} // namespace

namespace {

// Whether a thread other than the caller could take the library lock now.
bool libraryFreeForOthers()
{
    return std::async(std::launch::async,
                      [] {
                          std::unique_lock<std::recursive_mutex> lock(libraryMutex(),
                                                                      std::try_to_lock);
                          return lock.owns_lock();
                      })
        .get();
}

// An inbox that notes, each time it is about to read a file or decode a thumbnail, whether the
// rest of the program could use the catalogue meanwhile.
class WatchedInbox : public InboxFolder {
public:
    std::vector<bool> freeWhileReading;

    wxString getLocalPath(const File& file) override
    {
        freeWhileReading.push_back(libraryFreeForOthers());
        return InboxFolder::getLocalPath(file);
    }
    void createThumbnail(File& file) override
    {
        freeWhileReading.push_back(libraryFreeForOthers());
        InboxFolder::createThumbnail(file);
    }
};

} // namespace

class FoldersTest : public PhotoLibraryTest {
protected:
    Ref<File> importIntoInbox(const wxString& computerUri)
    {
        Ref<File> source = manager->getFile(computerUri);
        return manager->getFolder("inbox://")->copyFileIn(*source);
    }
};

TEST_F(FoldersTest, AlbumUrisMustHoldAUuid)
{
    for (const char* bad : {
             "album://0f8fad5b-d9cb-469f-a165-70867728950/",   // a 35-character id
             "album://0f8fad5b-d9cb-469f-a165-70867728950e",   // no final "/"
             "album://0f8fad5b-d9cb-469f-a165-70867728950ex",  // 45 long, no final "/"
             "album://0f8fad5b-d9cb-469f-a165-70867728950e//", // 46 long
             "album://0f8fad5b-d9cb-469f-a165-70867728950g/",  // not hexadecimal
             "album://0f8fad5bxd9cb-469f-a165-70867728950e/",  // no hyphen
             "albun://0f8fad5b-d9cb-469f-a165-70867728950e/",  // another scheme
         }) {
        try {
            AlbumFolder album(bad);
            ADD_FAILURE() << bad << " was accepted";
        } catch (const Quorvel::RuntimeException& e) {
            EXPECT_EQ(e.getMessage(), wxString(bad) + ": URI is not a valid AlbumFolder URI");
        }
    }
    auto album = Quorvel::makeRef<AlbumFolder>("album://0f8fad5b-d9cb-469f-a165-70867728950e/");
    EXPECT_EQ(album->getUuid(), "0f8fad5b-d9cb-469f-a165-70867728950e");
    EXPECT_EQ(manager->getFolder("inbox://" + UUID)->getURI(), "inbox://");
}

TEST_F(FoldersTest, ComputerFolderListsPicturesOnly)
{
    makeComputerPicture("Pictures/a.JPG");
    makeComputerPicture("Pictures/b.tiff");
    makeComputerPicture("Pictures/notes.txt");
    makeComputerPicture("Pictures/sub/c.jpg");
    makeComputerPicture("Pictures/sub\\d.jpg", "backslash");
    FolderRef folder = manager->getFolder("file://" + home.path() + "Pictures/");
    std::vector<wxString> uris = folder->getFileUris();
    std::sort(uris.begin(), uris.end());
    EXPECT_EQ(uris, (std::vector<wxString>{"file://" + home.path() + "Pictures/a.JPG",
                                           "file://" + home.path() + "Pictures/b.tiff",
                                           "file://" + home.path() + "Pictures/sub\\d.jpg"}));
    EXPECT_EQ(folder->getFileCount(), 3);
    EXPECT_EQ(manager->getFile(uris[2])->getFileSize(), 9);
}

TEST_F(FoldersTest, ComputerFolderListsByNameAsAFileManagerDoes)
{
    const std::vector<wxString> expected{"a.png",     "B.gif",     "IMG_1.jpeg", "IMG_2.jpg",
                                         "img_2.JPG", "IMG_9.jpg", "IMG_10.jpg", "IMG_10a.jpg"};
    // Written in an order of their own, so the file system's order is no help.
    for (const char* name : {"IMG_10a.jpg", "img_2.JPG", "IMG_9.jpg", "B.gif", "IMG_10.jpg",
                             "IMG_2.jpg", "a.png", "IMG_1.jpeg"})
        makeComputerPicture(wxString("Pictures/") + name);
    const wxString folderUri = "file://" + home.path() + "Pictures/";
    FolderRef folder = manager->getFolder(folderUri);
    auto names = [&folder] {
        std::vector<wxString> result;
        for (const wxString& uri : folder->getFileUris())
            result.push_back(uri.AfterLast('/'));
        return result;
    };
    EXPECT_EQ(names(), expected);

    // A copy into the listed folder takes its place in the order.
    folder->copyFileIn(*manager->getFile(makeComputerPicture("Card/IMG_3.jpg")));
    std::vector<wxString> withCopy = expected;
    withCopy.insert(withCopy.begin() + 5, "IMG_3.jpg");
    EXPECT_EQ(names(), withCopy);
}

TEST_F(FoldersTest, CopiesIntoAComputerFolderGetNumberedNames)
{
    const wxString source = makeComputerPicture("Pictures/photo.jpg", "pixels");
    Ref<File> file = manager->getFile(source);
    FolderRef target = manager->getFolder("file://" + home.path() + "Card/");
    std::vector<wxString> names;
    for (int i = 0; i < 3; ++i)
        names.push_back(target->copyFileIn(*file)->getFileName());
    EXPECT_EQ(names, (std::vector<wxString>{"photo.jpg", "photo (2).jpg", "photo (3).jpg"}));
    EXPECT_EQ(home.readFile("Card/photo (3).jpg"), "pixels");
    EXPECT_EQ(home.readFile("Pictures/photo.jpg"), "pixels");
}

TEST_F(FoldersTest, TemporaryFoldersListTheirWholeFiles)
{
    Ref<File> source = manager->getFile(makeComputerPicture("Pictures/photo.jpg"));
    std::vector<Ref<File>> copies;
    for (const char* folder : {"temp://", "temp://", "nvtemp://"})
        copies.push_back(manager->getFolder(folder)->copyFileIn(*source));
    // A copy in progress.
    home.writeFile(dataDir.Mid(home.path().length()) + "temp/.photo.jpg.part-x3Yq7Z", "half");
    EXPECT_EQ(manager->getFolder("temp://")->getFileUris(),
              (std::vector<wxString>{"temp://photo (2).jpg", "temp://photo.jpg"}));
    EXPECT_EQ(manager->getFolder("nvtemp://")->getFileUris(),
              std::vector<wxString>{"nvtemp://photo.jpg"});
    // Where they lie.
    EXPECT_EQ(manager->getLocalPath(*copies[1]), dataDir + "temp/photo (2).jpg");
    EXPECT_EQ(manager->getLocalPath(*copies[2]), dataDir + "nvtemp/photo.jpg");
    // Named by the URI's digest, time and size, so a reused name never shows an old picture.
    EXPECT_EQ(manager->getFolder("temp://")->getThumbnailPath(*copies[1]),
              dataDir + "tempthumbs/9b7ba58dc4abf39c4fff534a506d1d26+" +
                  wxString::Format("%d", copies[1]->getFileModifyTime()) + "+10.vstf");
}

TEST_F(FoldersTest, CopiesIntoAComputerFolderFollowTheUsersUmask)
{
    Ref<File> file = manager->getFile(makeComputerPicture("Pictures/photo.jpg"));
    {
        const ScopedUmask groupShares(002);
        manager->getFolder("file://" + home.path() + "Shared/New/")->copyFileIn(*file);
    }
    const auto permissions = [this](const wxString& relative) {
        struct stat info {};
        return ::stat((home / relative).utf8_str(), &info) == 0 ? info.st_mode & 07777 : 0;
    };
    EXPECT_EQ(permissions("Shared/New"), 0775u);
    EXPECT_EQ(permissions("Shared/New/photo.jpg"), 0664u);
}

TEST_F(FoldersTest, ImportIntoTheInboxStoresTheFileUnderItsUuid)
{
    const SyncRecorder flushes;
    Ref<File> copy = importIntoInbox(makeComputerPicture("Pictures/photo.jpg", "pixels"));
    const wxString uri = copy->getURI();
    ASSERT_TRUE(uri.StartsWith("inbox://"));
    const StoragePaths paths(dataDir);
    EXPECT_TRUE(wxFileExists(paths.managedFile(uri)));
    // On the disk, bytes first and then the name, before the picture is announced.
    const int fileFlushed = flushes.flushOrder(paths.managedFile(uri));
    EXPECT_GE(fileFlushed, 0);
    EXPECT_GT(flushes.flushOrder(wxFileName(paths.managedFile(uri)).GetPath()), fileFlushed);
    EXPECT_EQ(copy->getFileName(), "photo.jpg");
    EXPECT_EQ(copy->getFileSize(), 6);
    EXPECT_EQ(copy->getScanner(), "brenmarle");
    EXPECT_EQ(Database::getInstance().loadFile(uri)->getFileName(), "photo.jpg");
    EXPECT_EQ(manager->getFolder("inbox://")->getFileCount(), 1);
    ASSERT_TRUE(events->waitForCount(1));
    EXPECT_EQ(events->typeAt(0), FILE_ADDED);
    EXPECT_EQ(events->at<FileEvent>(0).getFile()->getURI(), uri);
}

TEST_F(FoldersTest, MoveKeepsUuidFileAndKeywordsDeleteLeavesResizedCopies)
{
    Ref<File> picture = importIntoInbox(makeComputerPicture("Pictures/photo.jpg", "pixels"));
    picture->addKeyword("Events/Party");
    Database::getInstance().storeFile(*picture);
    const wxString oldUri = picture->getURI();
    const wxString uuid = StoragePaths::fileUuid(oldUri);
    const StoragePaths paths(dataDir);
    const wxString localFile = paths.managedFile(oldUri);

    auto album = Quorvel::makeRef<AlbumFolder>();
    album->setName("Ferie");
    AlbumFolder::createAlbum(album);
    album->moveFileIn(*picture);

    EXPECT_EQ(picture->getURI(), album->getURI() + uuid);
    EXPECT_EQ(paths.managedFile(picture->getURI()), localFile);
    EXPECT_TRUE(wxFileExists(localFile));
    EXPECT_THROW(Database::getInstance().loadFile(oldUri), RowException);
    Ref<File> stored = Database::getInstance().loadFile(picture->getURI());
    EXPECT_TRUE(stored->hasKeyword("Events/Party"));
    EXPECT_EQ(manager->getFolder("inbox://")->getFileCount(), 0);
    EXPECT_EQ(album->getFileCount(), 1);

    // A thumbnail and a resized copy, as the viewers would have made them.
    home.writeFile(paths.managedThumbnail(picture->getURI(), picture->getFileModifyTime()).Mid(home.path().length()), "t");
    const wxString resized = paths.managedResized(picture->getURI(), picture->getFileModifyTime(), 800, 600);
    home.writeFile(resized.Mid(home.path().length()), "r");

    album->deleteFile(*picture);
    EXPECT_THROW(Database::getInstance().loadFile(picture->getURI()), RowException);
    EXPECT_FALSE(wxFileExists(localFile));
    EXPECT_FALSE(wxFileExists(paths.managedThumbnail(picture->getURI(), picture->getFileModifyTime())));
    EXPECT_TRUE(wxFileExists(resized));
    EXPECT_EQ(album->getFileCount(), 0);
}

// Deleting or moving a picture kept in safe storage leaves a note for the next synchronisation,
// one per picture: the latest operation is the one that counts.
TEST_F(FoldersTest, StoredPicturesJournalTheirMovesAndDeletionsOncePerPicture)
{
    Ref<File> stored = importIntoInbox(makeComputerPicture("Pictures/stored.jpg", "a"));
    Ref<File> plain = importIntoInbox(makeComputerPicture("Pictures/plain.jpg", "b"));
    Ref<File> gone = importIntoInbox(makeComputerPicture("Pictures/gone.jpg", "c"));
    for (const Ref<File>& file : {stored, gone}) {
        file->setSafeStorageType(1);
        file->setSafeStorageAccountId(UUID);
    }
    Ref<AlbumFolder> first = makeAlbum("First");
    Ref<AlbumFolder> second = makeAlbum("Second");
    const wxString uuid = stored->getURI().AfterLast('/');

    first->moveFileIn(*stored);
    first->moveFileIn(*plain);
    second->moveFileIn(*stored);
    const wxString goneUri = gone->getURI();
    manager->getFolder(goneUri)->deleteFile(*gone);
    manager->getFolder(plain->getURI())->deleteFile(*plain);

    const auto ops = Database::getInstance().getSafeStorageOps();
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_EQ(ops[0].type, Database::SafeStorageOp::MOVE);
    EXPECT_EQ(ops[0].uri, second->getURI() + uuid);
    EXPECT_EQ(ops[0].uri, stored->getURI());
    EXPECT_EQ(ops[1].type, Database::SafeStorageOp::DELETE);
    EXPECT_EQ(ops[1].uri, goneUri);

    // Deleting the moved picture replaces its move: the server only has to forget it.
    second->deleteFile(*stored);
    const auto after = Database::getInstance().getSafeStorageOps();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[1].type, Database::SafeStorageOp::DELETE);
    EXPECT_EQ(after[1].uri, second->getURI() + uuid);
}

TEST_F(FoldersTest, AFoldersFileListKeepsItsOrderAndOneObjectPerFile)
{
    manager->removeListener(events.get());
    Ref<File> first = importIntoInbox(makeComputerPicture("Pictures/1.jpg"));
    const Ref<File> second = importIntoInbox(makeComputerPicture("Pictures/2.jpg"));
    const Ref<File> third = importIntoInbox(makeComputerPicture("Pictures/3.jpg"));
    auto album = Quorvel::makeRef<AlbumFolder>();
    album->setName("Order");
    AlbumFolder::createAlbum(album);
    album->moveFileIn(*third);
    album->moveFileIn(*first);
    album->moveFileIn(*second);
    const wxString firstUri = first->getURI();
    // Another program renumbers the rows, so they no longer come in the album's order.
    Database::getInstance().commit();
    RawDatabase(dataDir + "database.db")
        .exec("UPDATE file SET rowid = 1000 WHERE uri = '" + third->getURI().utf8_string() + "'");

    // The first file leaves memory; the others are held.
    first.reset();
    manager->releaseOrphans();
    ASSERT_FALSE(manager->isRegistered(firstUri));

    const std::vector<Ref<File>> files = album->loadFileList();
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0], third);
    EXPECT_EQ(files[1]->getURI(), firstUri);
    EXPECT_EQ(files[2], second);
    // The file read again is the one every other user now gets.
    EXPECT_EQ(manager->getFile(firstUri), files[1]);
    EXPECT_EQ(manager->getFolder("inbox://")->loadFileList().size(), 0u);
}

TEST_F(FoldersTest, TemporaryUrisCannotLeadOutOfTheirFolder)
{
    Ref<File> picture = importIntoInbox(makeComputerPicture("Pictures/photo.jpg", "pixels"));
    const wxString stored = StoragePaths(dataDir).managedFile(picture->getURI());
    for (const wxString scheme : {"temp://", "nvtemp://"}) {
        const wxString uri = scheme + "../" + stored.Mid(dataDir.length());
        EXPECT_THROW(manager->getFile(uri), Quorvel::RuntimeException) << uri;
        EXPECT_THROW(manager->getLocalPath(*Quorvel::makeRef<File>(uri)),
                     Quorvel::RuntimeException);
        // Made without its folder's help and let go: the store is not touched.
        manager->registerFile(Quorvel::makeRef<File>(uri));
        manager->releaseOrphans();
        EXPECT_FALSE(manager->isRegistered(uri));
    }
    EXPECT_TRUE(wxFileExists(stored));

    // A file of the folder itself is still found, and removed when let go.
    home.writeFile(dataDir.Mid(home.path().length()) + "temp/edit.jpg", "pixels");
    Ref<File> edited = manager->getFile("temp://edit.jpg");
    EXPECT_EQ(manager->getLocalPath(*edited), dataDir + "temp/edit.jpg");
    edited.reset();
    manager->releaseOrphans();
    EXPECT_FALSE(wxFileExists(dataDir + "temp/edit.jpg"));
}

TEST_F(FoldersTest, AFileOfThreeGigabytesPassesTheSizeCheck)
{
    const wxString uri = makeComputerPicture("Pictures/scan.tif");
    // Sparse: no disk space needed.
    ASSERT_EQ(
        ::truncate(home.path().utf8_str() + std::string("Pictures/scan.tif"), int64_t{3} << 30), 0);
    Ref<File> scan = manager->getFile(uri);
    EXPECT_EQ(scan->getFileSize(), File::MAX_FILE_SIZE);
    EXPECT_NO_THROW(scan->checkFileSize(manager->getFolder(uri)->getFileSize(*scan)));
}

TEST_F(FoldersTest, FullDiskLeavesNoFileAndNoRow)
{
    SmallFileSystem archive(dataDir + "archive", 64);
    if (!archive.isMounted())
        GTEST_SKIP() << "needs root to mount a small file system";
    const std::string bytes(200 * 1024, 'p');
    const wxString source = makeComputerPicture("Pictures/big.jpg", bytes);
    try {
        importIntoInbox(source);
        FAIL() << "200 KB fitted in 64 KB";
    } catch (const Quorvel::IOException& e) {
        EXPECT_EQ(e.getMessage(), "Error writing file! Not enough free disk space?");
    }
    EXPECT_EQ(filesUnder(archive.path()), 0u);
    EXPECT_EQ(Database::getInstance().getFileCount(), 0);
    EXPECT_EQ(manager->getFolder("inbox://")->getFileCount(), 0);
    EXPECT_EQ(home.readFile("Pictures/big.jpg"), bytes);
}

TEST_F(FoldersTest, AlbumsSurviveARestart)
{
    auto shown = Quorvel::makeRef<AlbumFolder>();
    shown->setName("Sommer");
    AlbumFolder::createAlbum(shown);
    shown->setName("Sommer 2026");
    shown->setDescription("Lofoten");
    shown->update();
    auto hidden = Quorvel::makeRef<AlbumFolder>();
    hidden->setName("Private");
    hidden->setHidden(true);
    AlbumFolder::createAlbum(hidden);
    importIntoInbox(makeComputerPicture("Pictures/p.jpg"));
    Ref<File> picture = manager->getFile(manager->getFolder("inbox://")->getFileUris().at(0));
    shown->moveFileIn(*picture);
    const wxString shownUri = shown->getURI();
    const wxString hiddenUri = hidden->getURI();
    picture.reset();
    shown.reset();
    hidden.reset();

    closeLibrary();
    openLibrary();
    AlbumFolder::loadAlbums();
    AlbumFolder::loadHiddenAlbums();

    ASSERT_EQ(AlbumFolder::getAlbums().size(), 1u);
    Ref<AlbumFolder> reloaded = AlbumFolder::findAlbum(shownUri);
    EXPECT_EQ(reloaded->getName(), "Sommer 2026");
    EXPECT_EQ(reloaded->getDescription(), "Lofoten");
    EXPECT_EQ(reloaded->getFileCount(), 1);
    ASSERT_EQ(AlbumFolder::getHiddenAlbums().size(), 1u);
    EXPECT_TRUE(AlbumFolder::findAlbum(hiddenUri)->isListedHidden());

    EXPECT_TRUE(AlbumFolder::showHiddenAlbums());
    EXPECT_EQ(AlbumFolder::getAlbums().size(), 2u);
    EXPECT_FALSE(AlbumFolder::findAlbum(hiddenUri)->isListedHidden());
    EXPECT_TRUE(AlbumFolder::findAlbum(hiddenUri)->isHidden());
    EXPECT_THROW(AlbumFolder::findAlbum("album://" + UUID + "/"), Quorvel::NotFoundException);
}

TEST_F(FoldersTest, AReloadedAlbumKeepsItsCountWhileItsListIsUnreadAndListsTheSameFiles)
{
    auto album = makeAlbum("Large");
    std::vector<wxString> moved;
    for (int i = 0; i < 4; ++i) {
        Ref<File> picture =
            importIntoInbox(makeComputerPicture(wxString::Format("Pictures/%d.jpg", i)));
        album->moveFileIn(*picture);
        moved.push_back(picture->getURI());
    }
    const wxString albumUri = album->getURI();
    album.reset();
    // A row in an album whose URI begins the same way is not the album's.
    Database::getInstance().commit();
    const wxString other = albumUri.Left(albumUri.length() - 1) + "0/" + UUID;
    RawDatabase(dataDir + "database.db")
        .exec("INSERT INTO file (uri) VALUES ('" + other.utf8_string() + "')");

    closeLibrary();
    openLibrary();
    AlbumFolder::loadAlbums();
    Ref<AlbumFolder> reloaded = AlbumFolder::findAlbum(albumUri);
    Ref<Folder2> inbox = manager->getFolder("inbox://");
    EXPECT_EQ(reloaded->getFileCount(), 4);
    EXPECT_EQ(inbox->getFileCount(), 0);

    // Files coming and going keep the count without reading the list.
    Ref<File> arriving = importIntoInbox(makeComputerPicture("Pictures/new.jpg"));
    EXPECT_EQ(inbox->getFileCount(), 1);
    reloaded->moveFileIn(*arriving);
    EXPECT_EQ(inbox->getFileCount(), 0);
    EXPECT_EQ(reloaded->getFileCount(), 5);
    Ref<File> leaving = manager->getFile(moved[1]);
    reloaded->deleteFile(*leaving);
    EXPECT_EQ(reloaded->getFileCount(), 4);

    // The list, read now, holds what the count said, in the order the files arrived.
    const std::vector<wxString> listed = reloaded->getFileUris();
    const std::vector<wxString> expected = {moved[0], moved[2], moved[3], arriving->getURI()};
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(reloaded->getFileCount(), 4);
    EXPECT_TRUE(reloaded->contains(moved[3]));
    EXPECT_FALSE(reloaded->contains(moved[1]));
    EXPECT_FALSE(reloaded->contains(other));
}

TEST_F(FoldersTest, AlbumsHiddenAtRunTimeLeaveTheListAtOnceUnlessHiddenOnesAreShown)
{
    Ref<AlbumFolder> holiday = makeAlbum("Holiday");
    Ref<AlbumFolder> work = makeAlbum("Work");
    const wxString uri = holiday->getURI();
    importIntoInbox(makeComputerPicture("Pictures/p.jpg"));
    holiday->moveFileIn(*manager->getFile(manager->getFolder("inbox://")->getFileUris().at(0)));
    events->record(FOLDER_CHANGED);
    events->processPending();
    const std::size_t before = events->count();

    AlbumFolder::setAlbumHidden(holiday, true);
    EXPECT_EQ(AlbumFolder::getAlbums().count(uri), 0u);
    EXPECT_EQ(AlbumFolder::getHiddenAlbums().count(uri), 1u);
    EXPECT_TRUE(holiday->isListedHidden());
    // Still the same folder to the rest of the program, and the list is told.
    EXPECT_EQ(manager->getFolder(uri).get(), holiday.get());
    EXPECT_EQ(manager->getFolder(uri)->getFileCount(), 1);
    ASSERT_TRUE(events->waitForCount(before + 1));
    EXPECT_EQ(events->typeAt(before), FOLDER_CHANGED);

    // Listed again: back among the shown albums and registered as shown ones are.
    AlbumFolder::setAlbumHidden(holiday, false);
    EXPECT_EQ(AlbumFolder::getAlbums().count(uri), 1u);
    EXPECT_TRUE(AlbumFolder::getHiddenAlbums().empty());
    EXPECT_FALSE(holiday->isListedHidden());
    ASSERT_TRUE(events->waitForCount(before + 2));
    EXPECT_EQ(events->typeAt(before + 1), FOLDER_ADDED);

    // Once the hidden albums are shown, an album hidden stays listed, marked as hidden.
    AlbumFolder::setAlbumHidden(work, true);
    EXPECT_TRUE(AlbumFolder::showHiddenAlbums());
    AlbumFolder::setAlbumHidden(holiday, true);
    EXPECT_EQ(AlbumFolder::getAlbums().size(), 2u);
    EXPECT_TRUE(AlbumFolder::getHiddenAlbums().empty());
    EXPECT_TRUE(holiday->isHidden());
    EXPECT_FALSE(holiday->isListedHidden());

    Ref<AlbumFolder> gone = Quorvel::makeRef<AlbumFolder>();
    EXPECT_THROW(AlbumFolder::setAlbumHidden(gone, true), Quorvel::NotFoundException);
}

// --- What the picture says about itself ----------------------------------------------------

#include "TestPictures.h"
#include "imaging/ImageData.h"

TEST_F(FoldersTest, ImportReadsExifAndIptcAndMakesAnUprightThumbnail)
{
    using namespace TestPictures;
    const wxString source = home / "Pictures/camera.jpg";
    JpegOptions options;
    options.exif = cameraExif(6);
    options.iptc = concat({iptcRecord(2, 120, "Midnight sun"), iptcRecord(2, 25, "Norway"),
                           iptcRecord(2, 90, "Tromso")});
    writeJpeg(source, 800, 600, options);

    Ref<File> picture = importIntoInbox("file://" + source);
    EXPECT_EQ(picture->getContentType(), "image/jpeg");
    EXPECT_EQ(picture->getTime(), 1121365805); // 2005-07-14 18:30:05 read as UTC
    EXPECT_EQ(picture->getTimeMask(), 63);
    EXPECT_EQ(picture->getImageRotation(), 90);
    EXPECT_EQ(picture->getImageWidth(), 800);
    EXPECT_EQ(picture->getCaption(), "Midnight sun");
    EXPECT_EQ(picture->getKeywords(), std::set<wxString>{"Norway"});
    EXPECT_EQ(picture->getCity(), "Tromso");

    const wxString thumbnail = manager->getFolder("inbox://")->getThumbnailPath(*picture);
    ASSERT_TRUE(wxFileExists(thumbnail));
    auto image = Quorvel::makeRef<ImageData>();
    image->load(thumbnail);
    EXPECT_EQ(image->getWidth(), 120);
    EXPECT_EQ(image->getHeight(), 160);
}

TEST_F(FoldersTest, ATgaInTheStoreIsReadByItsContentType)
{
    TestPictures::writePicture(home / "Pictures/scan.tga", 320, 240, "TGA");
    Ref<File> picture = importIntoInbox("file://" + home / "Pictures/scan.tga");
    EXPECT_EQ(picture->getContentType(), "image/x-tga");
    EXPECT_EQ(picture->getImageWidth(), 320);
    EXPECT_EQ(picture->getImageHeight(), 240);
    FolderRef inbox = manager->getFolder("inbox://");
    EXPECT_TRUE(wxFileExists(inbox->getThumbnailPath(*picture)));
    EXPECT_EQ(inbox->loadThumbnail(*picture)->getWidth(), 160);
}

TEST_F(FoldersTest, ANewTemporaryFileUnderAReusedNameGetsItsOwnThumbnail)
{
    TestPictures::writeJpeg(home / "Pictures/edit.jpg", 320, 240);
    TestPictures::writeJpeg(home / "Other/edit.jpg", 240, 320);
    FolderRef temp = manager->getFolder("temp://");
    Ref<File> first = temp->copyFileIn(*manager->getFile("file://" + home / "Pictures/edit.jpg"));
    EXPECT_EQ(temp->loadThumbnail(*first)->getWidth(), 160);
    const wxString uri = first->getURI();
    first.reset();
    manager->releaseOrphans(); // the temporary file goes with its last user

    Ref<File> second = temp->copyFileIn(*manager->getFile("file://" + home / "Other/edit.jpg"));
    ASSERT_EQ(second->getURI(), uri);
    EXPECT_EQ(temp->loadThumbnail(*second)->getWidth(), 120);
}

TEST_F(FoldersTest, UserEditedTimeSurvivesARescan)
{
    using namespace TestPictures;
    const wxString source = home / "Pictures/camera.jpg";
    JpegOptions options;
    options.exif = cameraExif(1);
    writeJpeg(source, 64, 48, options);
    Ref<File> picture = importIntoInbox("file://" + source);
    picture->setTime(946684800);
    picture->setMetaUserModified(true);
    auto inbox = manager->getFolder("inbox://");
    static_cast<ManagedFolder*>(inbox.get())->readFileInformation(*picture, false);
    EXPECT_EQ(picture->getTime(), 946684800);
}

TEST_F(FoldersTest, MovesAndCopiesKeepWhatTheUserSetAndCopiesAreNotStoredOnline)
{
    using namespace TestPictures;
    const wxString source = home / "Pictures/camera.jpg";
    JpegOptions options;
    options.exif = cameraExif(6); // 90 degrees, 2005
    writeJpeg(source, 64, 48, options);
    Ref<File> picture = importIntoInbox("file://" + source);
    picture->setImageRotation(180);
    picture->setTime(946684800);
    picture->setSafeStorageType(1);
    picture->setSafeStorageRevision(3);
    picture->setSafeStorageAccountId("account");
    Ref<AlbumFolder> first = makeAlbum("First");
    Ref<AlbumFolder> second = makeAlbum("Second");

    first->moveFileIn(*picture);
    Ref<File> copy = second->copyFileIn(*picture);

    for (const Ref<File>& file :
         {picture, copy, Database::getInstance().loadFile(picture->getURI()),
          Database::getInstance().loadFile(copy->getURI())}) {
        EXPECT_EQ(file->getImageRotation(), 180) << file->getURI();
        EXPECT_EQ(file->getTime(), 946684800) << file->getURI();
    }
    EXPECT_EQ(picture->getSafeStorageType(), 1);
    EXPECT_EQ(copy->getSafeStorageType(), 0);
    EXPECT_EQ(copy->getSafeStorageRevision(), 0);
    EXPECT_EQ(copy->getSafeStorageAccountId(), "");
}

TEST_F(FoldersTest, AnArrivingPictureIsReadWithoutHoldingTheLibrary)
{
    using namespace TestPictures;
    const wxString source = home / "Pictures/camera.jpg";
    writeJpeg(source, 64, 48, JpegOptions());
    auto inbox = Quorvel::makeRef<WatchedInbox>();
    Ref<File> picture = inbox->copyFileIn(*manager->getFile("file://" + source));

    EXPECT_TRUE(wxFileExists(inbox->getThumbnailPath(*picture)));
    EXPECT_EQ(Database::getInstance().loadFile(picture->getURI())->getImageWidth(), 64);
    // Writing the copy, reading it, and decoding it for the thumbnail.
    EXPECT_GE(inbox->freeWhileReading.size(), 3u);
    EXPECT_EQ(std::count(inbox->freeWhileReading.begin(), inbox->freeWhileReading.end(), false), 0);
}

TEST_F(FoldersTest, BrokenPicturesAreImportedWithoutThumbnailAndShownAsFailures)
{
    const wxString truncated = makeComputerPicture("Pictures/broken.jpg", std::string("\xFF\xD8\xFF\xE0", 4));
    Ref<File> picture = importIntoInbox(truncated);
    FolderRef inbox = manager->getFolder("inbox://");
    EXPECT_EQ(inbox->getFileCount(), 1);
    EXPECT_FALSE(wxFileExists(inbox->getThumbnailPath(*picture)));
    EXPECT_THROW(inbox->loadThumbnail(*picture), ImageException);
}

namespace {

// Reaches the folders' directory making, which copies made side by side share.
struct DirectoryMaker : Brenmarle::LocalFolder {
    using LocalFolder::makeDirectory;
};

} // namespace

// Two copies into a new store (an import's workers) make the same parent folders at once.
TEST_F(FoldersTest, FoldersMadeAtTheSameMomentByTwoThreadsBothSucceed)
{
    int failures = 0;
    for (int round = 0; round < 40; ++round) {
        const wxString base = home / wxString::Format("store%d/archive/", round);
        std::atomic<int> ready{0};
        std::atomic<int> failed{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&, t] {
                ++ready;
                while (ready < 4) {
                }
                try {
                    DirectoryMaker::makeDirectory(base + wxString::Format("p%d", t), "%s");
                } catch (const Quorvel::Exception&) {
                    ++failed;
                }
            });
        for (std::thread& thread : threads)
            thread.join();
        failures += failed;
    }
    EXPECT_EQ(failures, 0);
}
