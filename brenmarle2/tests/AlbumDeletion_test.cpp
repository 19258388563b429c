#include <utility>

#include <wx/button.h>
#include <wx/filefn.h>

#include "PhotoLibraryTest.h"
#include "PressButton.h"
#include "WaitUntil.h"
#include "dialogs/FileTaskDialog.h"
#include "myalbums/AlbumDeletion.h"
#include "system/Exceptions.h"

using namespace Brenmarle;
using Quorvel::Ref;

namespace {

// An album whose second picture cannot be deleted.
class StubbornAlbum : public AlbumFolder {
public:
    void deleteFile(File& file) override
    {
        if (++m_deletions == 2)
            throw Quorvel::FileAccessException("The picture is in use");
        AlbumFolder::deleteFile(file);
    }

private:
    int m_deletions = 0;
};

// An album that, while its first picture is being deleted, receives a new picture and sees its
// second one moved to `keepers`, as other windows might do meanwhile.
class BusyAlbum : public AlbumFolder {
public:
    Ref<File> newcomer;
    Ref<AlbumFolder> keepers;

    void deleteFile(File& file) override
    {
        AlbumFolder::deleteFile(file);
        if (std::exchange(m_busy, false)) {
            keepers->moveFileIn(*FileManager::get().getFile(getFileUris().at(0)));
            newcomer = copyFileIn(*newcomer);
        }
    }

private:
    bool m_busy = true;
};

class AlbumDeletionTest : public PhotoLibraryTest {
protected:
    ~AlbumDeletionTest() override
    {
        waitUntil([] { return true; });
    }

    std::vector<wxString> fill(const FolderRef& album, int pictures)
    {
        std::vector<wxString> stored;
        for (const auto& picture : computerPictures(pictures))
            stored.push_back(manager->getLocalPath(*album->copyFileIn(*picture)));
        return stored;
    }
};

} // namespace

TEST_F(AlbumDeletionTest, ThePicturesGoOneByOneThenTheAlbum)
{
    Ref<AlbumFolder> album = makeAlbum("Old");
    const std::vector<wxString> stored = fill(album, 3);
    std::vector<bool> told;

    AlbumDeletion deletion(
        album, nullptr, [&told](bool deleted) { told.push_back(deleted); }, 0);
    ASSERT_NE(deletion.getRunner().getDialog(), nullptr);
    ASSERT_TRUE(waitUntil([&deletion] { return deletion.isFinished(); }));

    EXPECT_EQ(told, std::vector<bool>{true});
    EXPECT_THROW(AlbumFolder::findAlbum(album->getURI()), Quorvel::NotFoundException);
    const auto albums = Database::getInstance().getAlbumUris();
    EXPECT_EQ(std::count(albums.begin(), albums.end(), album->getURI()), 0);
    for (const wxString& path : stored)
        EXPECT_FALSE(wxFileExists(path));
}

TEST_F(AlbumDeletionTest, AnAlbumWhosePicturesCannotAllGoStaysWithThoseLeft)
{
    Ref<StubbornAlbum> album = makeAlbum<StubbornAlbum>("Kept");
    fill(album, 3);
    const std::vector<wxString> uris = album->getFileUris();
    std::vector<bool> told;

    AlbumDeletion deletion(
        album, nullptr, [&told](bool deleted) { told.push_back(deleted); }, 60 * 1000);
    ASSERT_TRUE(waitUntil([&deletion] { return deletion.isFinished(); }));

    EXPECT_EQ(told, std::vector<bool>{false});
    EXPECT_EQ(AlbumFolder::findAlbum(album->getURI()).get(), album.get());
    EXPECT_EQ(album->getFileUris(), (std::vector<wxString>{uris[1], uris[2]}));
    FileTaskDialog* dialog = deletion.getRunner().getDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->getText(), "    The picture is in use");
    pressButton(dialog->getButton());
    EXPECT_TRUE(waitUntil([&deletion] { return deletion.getRunner().getDialog() == nullptr; }));
}

TEST_F(AlbumDeletionTest, APictureWhoseRowIsGoneIsNoObstacle)
{
    manager->removeListener(events.get()); // its events would keep the pictures in memory
    Ref<AlbumFolder> album = makeAlbum("Old");
    const std::vector<wxString> stored = fill(album, 3);
    manager->releaseOrphans();
    Database::getInstance().deleteFile(album->getFileUris().at(1));

    AlbumDeletion deletion(album, nullptr, {}, 60 * 1000);
    ASSERT_TRUE(waitUntil([&deletion] { return deletion.isFinished(); }));

    EXPECT_TRUE(deletion.isAlbumDeleted());
    for (const wxString& path : stored)
        EXPECT_FALSE(wxFileExists(path));
}

TEST_F(AlbumDeletionTest, PicturesAddedMeanwhileKeepTheAlbumAndPicturesMovedAwayStay)
{
    Ref<BusyAlbum> album = makeAlbum<BusyAlbum>("Busy");
    album->keepers = makeAlbum("Keepers");
    fill(album, 3);
    album->newcomer = computerPictures(4).back();

    AlbumDeletion deletion(album, nullptr, {}, 60 * 1000);
    ASSERT_TRUE(waitUntil([&deletion] { return deletion.isFinished(); }));

    EXPECT_FALSE(deletion.isAlbumDeleted());
    EXPECT_EQ(AlbumFolder::findAlbum(album->getURI()).get(), album.get());
    EXPECT_EQ(album->getFileUris(), std::vector<wxString>{album->newcomer->getURI()});
    ASSERT_EQ(album->keepers->getFileCount(), 1);
    EXPECT_TRUE(wxFileExists(
        manager->getLocalPath(*manager->getFile(album->keepers->getFileUris().at(0)))));
}
