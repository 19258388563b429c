#include "LogCapture.h"
#include "PhotoLibraryTest.h"
#include "core/Exceptions.h"
#include "folders/ComputerFolder.h"
#include "system/Exceptions.h"

using namespace Brenmarle;
using Quorvel::Ref;

namespace {

// Its files' metadata cannot be stored until `failures` tries have failed.
class FlakyFolder : public Folder2 {
public:
    explicit FlakyFolder(int& failures) : m_failures(failures) {}
    wxString getURI() const override { return "flaky://"; }
    void onDestroyFile(File&) override
    {
        if (m_failures-- > 0)
            throw Quorvel::IOException("disk I/O error");
    }

private:
    int& m_failures;
};

} // namespace

class FileManagerTest : public PhotoLibraryTest {
protected:
    // Queued events hold their files too; tests of letting go listen to nothing.
    void stopListening() { manager->removeListener(events.get()); }
};

TEST_F(FileManagerTest, FileAndFolderUrisGiveTheSameFolder)
{
    const wxString file = makeComputerPicture("Pictures/a.jpg");
    FolderRef byFile = manager->getFolder(file);
    FolderRef byFolder = manager->getFolder("file://" + home.path() + "Pictures/");
    EXPECT_EQ(byFile.get(), byFolder.get());
    EXPECT_EQ(manager->getFile(file).get(), manager->getFile(file).get());
}

// The inbox is one fixed folder: a path step under it names no folder at all, so nothing can
// be filed in a second inbox that the program's views never show.
TEST_F(FileManagerTest, TheInboxIsFoundOnlyAtItsOwnAddress)
{
    const FolderRef inbox = manager->getFolder("inbox://");
    EXPECT_EQ(manager->getFolder("inbox://0b0e6f3c-4b7e-4f51-9a55-6c1f1f3b2d10").get(),
              inbox.get());
    for (const char* uri : {"inbox://extra/", "inbox://extra/0b0e6f3c-4b7e-4f51-9a55-6c1f1f3b2d10",
                            "inbox:///x.jpg", "inbox://a/b/x.jpg"})
        EXPECT_THROW(manager->getFolder(uri), Quorvel::NotFoundException) << uri;
    EXPECT_EQ(manager->getFolder("inbox://").get(), inbox.get());
}

TEST_F(FileManagerTest, OnlyPicturesAreImages)
{
    const wxString picture = makeComputerPicture("Pictures/a.jpg");
    EXPECT_EQ(manager->getImage(picture).get(), manager->getFile(picture).get());
    try {
        manager->getImage(makeComputerPicture("Pictures/notes.txt"));
        FAIL();
    } catch (const NoImageException& e) {
        EXPECT_EQ(e.getMessage(), "File is not an image");
    }
}

TEST_F(FileManagerTest, UnknownSchemeNeedsAFactory)
{
    try {
        manager->getFolder("ftp://host/dir/x.jpg");
        FAIL();
    } catch (const Quorvel::NotFoundException& e) {
        EXPECT_EQ(e.getMessage(), "ftp://host/dir/: unrecognized folder URI");
    }
    int made = 0;
    manager->registerFolderFactory("ftp", [&made](const wxString& uri) -> FolderRef {
        ++made;
        return Quorvel::makeRef<ComputerFolder>("file:///" + uri.Mid(6));
    });
    manager->getFolder("ftp://host/dir/x.jpg");
    manager->getFolder("ftp://host/dir/");
    EXPECT_EQ(made, 1);
}

TEST_F(FileManagerTest, ModifiedFileIsStoredWhenItsLastUserLetsGo)
{
    stopListening();
    Ref<File> picture = manager->getFolder("inbox://")->copyFileIn(
        *manager->getFile(makeComputerPicture("Pictures/a.jpg")));
    const wxString uri = picture->getURI();
    picture->setCaption("Midnight sun");
    EXPECT_TRUE(picture->isModified());
    picture.reset();
    // The picture and the computer file it was copied from.
    EXPECT_EQ(manager->releaseOrphans(), 2);
    EXPECT_FALSE(manager->isRegistered(uri));
    EXPECT_EQ(Database::getInstance().loadFile(uri)->getCaption(), "Midnight sun");
    // Nothing was let go since: the next call has nothing to do.
    EXPECT_EQ(manager->releaseOrphans(), 0);
}

TEST_F(FileManagerTest, AFileThatCouldNotBeStoredStaysDueUntilItIs)
{
    int failures = 2;
    manager->registerFolderFactory(
        "flaky", [&failures](const wxString&) { return Quorvel::makeRef<FlakyFolder>(failures); });
    manager->registerFile(Quorvel::makeRef<File>("flaky://a.jpg"));
    const LogCapture log;
    for (int attempt = 1; attempt <= 2; ++attempt) {
        EXPECT_EQ(manager->releaseOrphans(), 0);
        EXPECT_TRUE(manager->isRegistered("flaky://a.jpg"));
        // Nothing else is let go meanwhile: the file itself keeps the next try due.
        EXPECT_TRUE(manager->hasOrphans()) << attempt;
    }
    EXPECT_EQ(log.occurrences("Could not store flaky://a.jpg: disk I/O error"), 1);
    EXPECT_EQ(manager->releaseOrphans(), 1);
    EXPECT_FALSE(manager->isRegistered("flaky://a.jpg"));
    EXPECT_FALSE(manager->hasOrphans());
}

TEST_F(FileManagerTest, FilesInUseAndNeverReleasedOnesStay)
{
    stopListening();
    Ref<File> held = manager->getFolder("inbox://")->copyFileIn(
        *manager->getFile(makeComputerPicture("Pictures/a.jpg")));
    Ref<File> kept = manager->getFolder("inbox://")->copyFileIn(
        *manager->getFile(makeComputerPicture("Pictures/b.jpg")));
    manager->addNeverRelease(kept->getURI());
    const wxString keptUri = kept->getURI();
    kept.reset();
    manager->releaseOrphans();
    EXPECT_TRUE(manager->isRegistered(held->getURI()));
    EXPECT_TRUE(manager->isRegistered(keptUri));
    manager->removeNeverRelease(keptUri);
    manager->releaseOrphans();
    EXPECT_FALSE(manager->isRegistered(keptUri));
}

TEST_F(FileManagerTest, RenamingAKeywordTellsOnlyFilesInMemoryThatHadIt)
{
    FolderRef inbox = manager->getFolder("inbox://");
    Ref<File> party = inbox->copyFileIn(*manager->getFile(makeComputerPicture("P/a.jpg")));
    Ref<File> other = inbox->copyFileIn(*manager->getFile(makeComputerPicture("P/b.jpg")));
    party->addKeyword("Party");
    other->addKeyword("Events/Party");
    ASSERT_TRUE(events->waitForCount(2)); // the two additions
    manager->renameKeyword("Party", "Events/Party");
    ASSERT_TRUE(events->waitForCount(3));
    events->processPending();
    EXPECT_EQ(events->count(), 3u);
    const FileEvent& changed = events->at<FileEvent>(2);
    EXPECT_EQ(changed.GetEventType(), FILE_CHANGED);
    EXPECT_EQ(changed.getChangeMask(), 32);
    EXPECT_EQ(changed.getFile()->getURI(), party->getURI());
    EXPECT_EQ(changed.GetId(), 1);
    EXPECT_TRUE(party->hasKeyword("Events/Party"));
    EXPECT_FALSE(party->hasKeyword("Party"));
}

TEST_F(FileManagerTest, ExitStoresEveryModifiedFileStillInMemory)
{
    Ref<File> picture = manager->getFolder("inbox://")->copyFileIn(
        *manager->getFile(makeComputerPicture("Pictures/a.jpg")));
    const wxString uri = picture->getURI();
    picture->setFavorite(true);
    // Still held (by the queued FILE_ADDED event) when the program ends.
    manager->removeListener(events.get());
    manager.reset();
    EXPECT_TRUE(Database::getInstance().loadFile(uri)->isFavorite());
    manager = std::make_unique<FileManager>();
}
