// Removing the program's data: what is listed, what is kept because it may not be the
// program's own, the pictures counted as not safely stored, and the removal itself on disk.

#include <unistd.h>

#include <algorithm>

#include <wx/filefn.h>

#include "PhotoLibraryTest.h"
#include "TaskOutcome.h"
#include "archive/DataRemoval.h"
#include "archive/DataRemovalTask.h"
#include "files/File.h"
#include "files/StoragePaths.h"
#include "threads/TaskEvent.h"

using namespace Brenmarle;
using Quorvel::Ref;

namespace {

class DataRemovalTest : public PhotoLibraryTest {
protected:
    DataRemovalTest()
    {
        AlbumFolder::loadAlbums();
        album = makeAlbum("Trip");
    }

    Ref<File> addPicture(const wxString& name)
    {
        return album->copyFileIn(*manager->getFile(makeComputerPicture("source/" + name)));
    }
    void link(const wxString& target, const wxString& at)
    {
        ASSERT_EQ(::symlink(target.utf8_str(), at.utf8_str()), 0);
    }
    DataRemoval survey(const wxString& data)
    {
        DataRemoval plan(data, home.path());
        plan.survey(Database::getInstance());
        return plan;
    }
    static std::vector<wxString> paths(const DataRemoval& plan)
    {
        std::vector<wxString> found;
        for (const DataRemoval::Item& item : plan.getItems())
            found.push_back(item.path.AfterLast('/'));
        return found;
    }
    static wxString keptReason(const DataRemoval& plan, const wxString& name)
    {
        for (const DataRemoval::Kept& kept : plan.getKept())
            if (kept.path.AfterLast('/') == name)
                return kept.reason;
        return wxString();
    }

    Ref<AlbumFolder> album;
};

} // namespace

TEST_F(DataRemovalTest, ListsTheProgramsEntriesAndRemovesThemLeavingStrangers)
{
    Ref<File> picture = addPicture("a.jpg");
    const wxString stored = StoragePaths(dataDir).managedFile(picture->getURI());
    ASSERT_TRUE(wxFileExists(stored));
    home.writeFile(".local/share/vistrelle/user.ini", "[Account]\n");
    home.writeFile(".local/share/vistrelle/temp/x.tmp", "t");
    home.writeFile(".local/share/vistrelle/thumbnails/abc/u+1.vstf", "t");
    home.writeFile(".local/share/vistrelle/notes.txt", "the user's own");

    const DataRemoval plan = survey(dataDir);
    // The catalogue's journal is there while its transaction is open.
    EXPECT_EQ(paths(plan), (std::vector<wxString>{"database.db", "database.db-journal", "user.ini",
                                                  "archive", "thumbnails", "temp"}));
    EXPECT_TRUE(plan.getKept().empty()) << plan.getKept()[0].reason;
    picture.reset();
    closeLibrary();

    const auto outcome = TaskOutcome::runToEnd(Quorvel::makeRef<DataRemovalTask>(plan));
    ASSERT_EQ(outcome.type, Quorvel::EVT_TASK_FINISHED) << outcome.failure();
    EXPECT_FALSE(wxFileExists(dataDir + "database.db"));
    EXPECT_FALSE(wxFileExists(stored));
    EXPECT_FALSE(wxDirExists(dataDir + "archive"));
    EXPECT_FALSE(wxDirExists(dataDir + "temp"));
    EXPECT_FALSE(wxFileExists(dataDir + "user.ini"));
    // Not the program's: stays, and with it the data folder.
    EXPECT_EQ(home.readFile(".local/share/vistrelle/notes.txt"), "the user's own");
    EXPECT_TRUE(std::find(outcome.progressTexts.begin(), outcome.progressTexts.end(),
                          "Removing the pictures of your albums and of the picture inbox") !=
                outcome.progressTexts.end());
}

TEST_F(DataRemovalTest, AnEmptiedDataFolderGoesToo)
{
    const DataRemoval plan = survey(dataDir);
    closeLibrary();
    plan.remove({});
    EXPECT_FALSE(wxDirExists(dataDir));
    EXPECT_TRUE(wxDirExists(home.path()));
}

TEST_F(DataRemovalTest, CountsThePicturesOnlyThisComputerHolds)
{
    addPicture("never.jpg"); // never stored
    Ref<File> safe = addPicture("safe.jpg");
    safe->setSafeStorageType(1);
    safe->setSafeStorageRevision(std::max(safe->getFileModifyTime(), safe->getMetaModifyTime()));
    Ref<File> changed = addPicture("changed.jpg");
    changed->setSafeStorageType(2);
    changed->setSafeStorageRevision(changed->getFileModifyTime());
    changed->setMetaModifyTime(changed->getFileModifyTime() + 10);
    for (File* file : {safe.get(), changed.get()})
        Database::getInstance().storeFile(*file);
    // A picture of the user's own folder is not the program's to lose.
    Database::getInstance().addFile(*manager->getFile(makeComputerPicture("Pictures/own.jpg")));

    const DataRemoval plan = survey(dataDir);
    EXPECT_EQ(plan.getUnsafePictureCount(), 2);
    EXPECT_EQ(plan.getComputerFolders(), (std::vector<wxString>{home / "Pictures"}));
}

TEST_F(DataRemovalTest, ADataFolderThatIsALinkKeepsItsFoldersAndWhatTheLinkReaches)
{
    home.writeFile("Elsewhere/archive/abc/u.vsaf", "picture");
    home.writeFile("Elsewhere/temp/mine.txt", "the user's");
    home.writeFile("Elsewhere/user.ini", "[Account]\n");
    link(home / "Elsewhere", home / "linked");

    const DataRemoval plan = survey(home / "linked");
    EXPECT_EQ(paths(plan), (std::vector<wxString>{"user.ini"}));
    EXPECT_TRUE(keptReason(plan, "archive").Contains("is a link to " + home / "Elsewhere"));
    EXPECT_FALSE(keptReason(plan, "temp").empty());
    plan.remove({});
    EXPECT_EQ(home.readFile("Elsewhere/archive/abc/u.vsaf"), "picture");
    EXPECT_EQ(home.readFile("Elsewhere/temp/mine.txt"), "the user's");
    EXPECT_FALSE(wxFileExists(home / "Elsewhere/user.ini"));
    EXPECT_TRUE(wxDirExists(home / "Elsewhere"));
}

TEST_F(DataRemovalTest, TheHomeAsDataFolderKeepsEveryFolder)
{
    home.writeFile("temp/letter.txt", "the user's");
    home.writeFile("archive/2019/tax.pdf", "the user's");
    const DataRemoval plan = survey(home.path());
    EXPECT_TRUE(keptReason(plan, "temp").Contains("is your home folder"));
    EXPECT_FALSE(keptReason(plan, "archive").empty());
    plan.remove({});
    EXPECT_EQ(home.readFile("temp/letter.txt"), "the user's");
    EXPECT_EQ(home.readFile("archive/2019/tax.pdf"), "the user's");
}

TEST_F(DataRemovalTest, FoldersHoldingTheUsersFoldersOrFilesAreKeptAndLinksRemovedAsLinks)
{
    // The user shows a folder inside the program's temporary folder, keeps a picture of their
    // own in the store, and the thumbnails folder is a link to their pictures.
    Database::getInstance().addFile(
        *manager->getFile(makeComputerPicture(".local/share/vistrelle/temp/mine/a.jpg")));
    addPicture("stored.jpg");
    home.writeFile(".local/share/vistrelle/archive/Holiday/me.jpg", "the user's");
    home.writeFile("Pictures/b.jpg", "the user's");
    wxFileName::Rmdir(dataDir + "thumbnails", wxPATH_RMDIR_RECURSIVE);
    link(home / "Pictures", dataDir + "thumbnails");

    const DataRemoval plan = survey(dataDir);
    EXPECT_TRUE(keptReason(plan, "temp").Contains("It holds your folder " + dataDir + "temp/mine"))
        << keptReason(plan, "temp");
    EXPECT_TRUE(keptReason(plan, "archive").Contains("Holiday"));
    closeLibrary();
    const std::vector<DataRemoval::Kept> failed = plan.remove({});
    EXPECT_TRUE(failed.empty());
    EXPECT_FALSE(wxFileExists(dataDir + "thumbnails"));
    EXPECT_EQ(home.readFile("Pictures/b.jpg"), "the user's");
    EXPECT_EQ(home.readFile(".local/share/vistrelle/temp/mine/a.jpg"), "JPEG bytes");
    EXPECT_EQ(home.readFile(".local/share/vistrelle/archive/Holiday/me.jpg"), "the user's");
}

TEST_F(DataRemovalTest, StoppingEndsBetweenEntries)
{
    home.writeFile(".local/share/vistrelle/user.ini", "[Account]\n");
    const DataRemoval plan = survey(dataDir);
    closeLibrary();
    size_t seen = 0;
    plan.remove([&](size_t index, size_t) {
        seen = index;
        return index == 0;
    });
    EXPECT_EQ(seen, 1u);
    EXPECT_FALSE(wxFileExists(dataDir + "database.db"));
    EXPECT_TRUE(wxFileExists(dataDir + "user.ini"));
}
