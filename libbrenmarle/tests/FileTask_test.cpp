#include <fstream>
#include <iterator>
#include <tuple>

#include <wx/filefn.h>

#include "PhotoLibraryTest.h"
#include "SlaveRecorder.h"
#include "files/Uri.h"
#include "filetasks/FileCopyTask.h"
#include "filetasks/FileDeleteTask.h"
#include "filetasks/FileMoveTask.h"
#include "system/Exceptions.h"
#include "threads/SlaveManager.h"

using namespace Brenmarle;
using Quorvel::Ref;

namespace {

// Text, done and count of a progress event.
using Progress = std::tuple<wxString, int, int>;

// The progress lines of the recorded events.
std::vector<Progress> progressOf(const SlaveRecorder& recorder)
{
    std::vector<Progress> lines;
    for (std::size_t i = 0; i < recorder.count(); ++i) {
        if (recorder.typeAt(i) == Quorvel::EVT_SLAVE_PROGRESS)
            lines.push_back({recorder.event(i).getProgressText(),
                             recorder.event(i).getProgressValues()[0],
                             recorder.event(i).getProgressValues()[1]});
    }
    return lines;
}

class FileTaskTest : public PhotoLibraryTest {
protected:
    // Runs `task` on a slave manager of its own and waits for its end.
    void run(std::unique_ptr<FileTask> task)
    {
        Quorvel::SlaveManager slaves;
        slaves.addListener(&recorder, 1);
        slaves.addSlave(std::move(task));
        while (!recorder.ended())
            ASSERT_TRUE(recorder.waitForCount(recorder.count() + 1));
        slaves.removeListener(&recorder);
    }

    FileTask::Files copiesIn(const FolderRef& album, const FileTask::Files& sources)
    {
        FileTask::Files copies;
        for (const auto& source : sources)
            copies.push_back(album->copyFileIn(*source));
        return copies;
    }

    std::string contentOf(const wxString& uri)
    {
        std::ifstream in(manager->getLocalPath(*manager->getFile(uri)).utf8_string(),
                         std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    SlaveRecorder recorder;
};

} // namespace

TEST_F(FileTaskTest, CopyReportsEachPictureThenFinished)
{
    Ref<AlbumFolder> album = makeAlbum("Summer");
    run(std::make_unique<FileCopyTask>(computerPictures(3), album));

    EXPECT_EQ(recorder.typeAt(0), Quorvel::EVT_SLAVE_STARTED);
    EXPECT_EQ(recorder.last().GetEventType(), Quorvel::EVT_SLAVE_FINISHED);
    EXPECT_EQ(progressOf(recorder), (std::vector<Progress>{{"Copying picture 1 of 3", 0, 3},
                                                           {"Copying picture 2 of 3", 1, 3},
                                                           {"Copying picture 3 of 3", 2, 3},
                                                           {"Finished", 3, 3}}));
    const std::vector<wxString> copies = album->getFileUris();
    ASSERT_EQ(copies.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(contentOf(copies[i]), "picture " + std::to_string(i + 1));
}

TEST_F(FileTaskTest, MoveTakesPicturesOutOfTheSourceAlbumUnderTheirUuids)
{
    Ref<AlbumFolder> from = makeAlbum("Inbox pictures");
    Ref<AlbumFolder> to = makeAlbum("Keepers");
    FileTask::Files files = copiesIn(from, computerPictures(2));
    const wxString uuid = Uri::filePartOf(files[1]->getURI());

    run(std::make_unique<FileMoveTask>(files, to));

    EXPECT_EQ(recorder.last().GetEventType(), Quorvel::EVT_SLAVE_FINISHED);
    EXPECT_EQ(progressOf(recorder).at(1), (Progress{"Moving picture 2 of 2", 1, 2}));
    EXPECT_EQ(from->getFileCount(), 0);
    EXPECT_EQ(to->getFileUris(), (std::vector<wxString>{files[0]->getURI(), files[1]->getURI()}));
    EXPECT_EQ(files[1]->getURI(), to->getURI() + uuid);
    EXPECT_EQ(contentOf(files[1]->getURI()), "picture 2");
}

TEST_F(FileTaskTest, DeleteRemovesThePicturesAndTheirStoredFiles)
{
    Ref<AlbumFolder> album = makeAlbum("Blurred");
    FileTask::Files files = copiesIn(album, computerPictures(2));
    const wxString stored = manager->getLocalPath(*files[0]);
    ASSERT_TRUE(wxFileExists(stored));

    run(std::make_unique<FileDeleteTask>(files));

    EXPECT_EQ(recorder.last().GetEventType(), Quorvel::EVT_SLAVE_FINISHED);
    EXPECT_EQ(progressOf(recorder).front(), (Progress{"Deleting picture 1 of 2", 0, 2}));
    EXPECT_EQ(album->getFileCount(), 0);
    EXPECT_FALSE(wxFileExists(stored));
    EXPECT_THROW(Database::getInstance().loadFile(files[0]->getURI()), Quorvel::Exception);
}

TEST_F(FileTaskTest, TheFirstFailingFileEndsTheTaskAndEarlierOnesStayHandled)
{
    Ref<AlbumFolder> album = makeAlbum("Mixed");
    FileTask::Files pictures = computerPictures(3);
    FileTask::Files copies = copiesIn(album, {pictures[0], pictures[1]});
    // A computer folder refuses deletion.
    run(std::make_unique<FileDeleteTask>(FileTask::Files{copies[0], pictures[2], copies[1]}));

    EXPECT_EQ(recorder.last().GetEventType(), Quorvel::EVT_SLAVE_FAILED);
    EXPECT_EQ(recorder.last().getErrorMessage(), "File operation not supported");
    EXPECT_EQ(progressOf(recorder).back(), (Progress{"Deleting picture 2 of 3", 1, 3}));
    EXPECT_EQ(album->getFileUris(), std::vector<wxString>{copies[1]->getURI()});
}
