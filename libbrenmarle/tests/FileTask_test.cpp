#include <fstream>
#include <iterator>

#include <wx/filefn.h>

#include "HeldCopyTask.h"
#include "PhotoLibraryTest.h"
#include "files/Uri.h"
#include "filetasks/FileCopyTask.h"
#include "filetasks/FileDeleteTask.h"
#include "filetasks/FileMoveTask.h"
#include "system/Exceptions.h"
#include "threads/SlaveManager.h"
#include "threads/SlaveManagerEvent.h"

using namespace Brenmarle;
using Quorvel::Ref;
using Quorvel::SlaveManagerEvent;

namespace {

struct Progress {
    wxString text;
    int done;
    int count;
    bool operator==(const Progress& other) const
    {
        return text == other.text && done == other.done && count == other.count;
    }
};

std::ostream& operator<<(std::ostream& out, const Progress& p)
{
    return out << '"' << p.text.utf8_str() << "\" " << p.done << '/' << p.count;
}

// What a slave manager said about one task, in order.
class TaskRecorder : public EventRecorder {
public:
    TaskRecorder()
    {
        record(Quorvel::EVT_SLAVE_STARTED);
        record(Quorvel::EVT_SLAVE_PROGRESS);
        record(Quorvel::EVT_SLAVE_FINISHED);
        record(Quorvel::EVT_SLAVE_ABORTED);
        record(Quorvel::EVT_SLAVE_FAILED);
    }
    const SlaveManagerEvent& last() const { return at<SlaveManagerEvent>(count() - 1); }
    std::vector<Progress> progress() const
    {
        std::vector<Progress> lines;
        for (std::size_t i = 0; i < count(); ++i) {
            if (typeAt(i) != Quorvel::EVT_SLAVE_PROGRESS)
                continue;
            const auto& event = at<SlaveManagerEvent>(i);
            lines.push_back({event.getProgressText(), event.getProgressValues()[0],
                             event.getProgressValues()[1]});
        }
        return lines;
    }
    bool ended() const
    {
        if (count() == 0)
            return false;
        const wxEventType type = typeAt(count() - 1);
        return type == Quorvel::EVT_SLAVE_FINISHED || type == Quorvel::EVT_SLAVE_ABORTED ||
               type == Quorvel::EVT_SLAVE_FAILED;
    }
};

class FileTaskTest : public PhotoLibraryTest {
protected:
    // Runs `task` on a slave manager of its own and waits for its end.
    void run(std::unique_ptr<FileTask> task)
    {
        Quorvel::SlaveManager slaves;
        slaves.addListener(&recorder, 1);
        slaves.addSlave(std::move(task));
        waitForEnd();
        slaves.removeListener(&recorder);
    }

    void waitForEnd()
    {
        while (!recorder.ended())
            ASSERT_TRUE(recorder.waitForCount(recorder.count() + 1));
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

    TaskRecorder recorder;
};

} // namespace

TEST_F(FileTaskTest, CopyReportsEachPictureThenFinished)
{
    Ref<AlbumFolder> album = makeAlbum("Summer");
    run(std::make_unique<FileCopyTask>(computerPictures(3), album));

    EXPECT_EQ(recorder.typeAt(0), Quorvel::EVT_SLAVE_STARTED);
    EXPECT_EQ(recorder.last().GetEventType(), Quorvel::EVT_SLAVE_FINISHED);
    EXPECT_EQ(recorder.progress(), (std::vector<Progress>{{"Copying picture 1 of 3", 0, 3},
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
    EXPECT_EQ(recorder.progress().at(1), (Progress{"Moving picture 2 of 2", 1, 2}));
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
    EXPECT_EQ(recorder.progress().front(), (Progress{"Deleting picture 1 of 2", 0, 2}));
    EXPECT_EQ(album->getFileCount(), 0);
    EXPECT_FALSE(wxFileExists(stored));
    EXPECT_THROW(Database::getInstance().loadFile(files[0]->getURI()), Quorvel::Exception);
}

TEST_F(FileTaskTest, AnEmptyListJustFinishes)
{
    run(std::make_unique<FileDeleteTask>(FileTask::Files{}));
    EXPECT_EQ(recorder.progress(), (std::vector<Progress>{{"Finished", 0, 0}}));
    EXPECT_EQ(recorder.last().GetEventType(), Quorvel::EVT_SLAVE_FINISHED);
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
    EXPECT_EQ(recorder.progress().back(), (Progress{"Deleting picture 2 of 3", 1, 3}));
    EXPECT_EQ(album->getFileUris(), std::vector<wxString>{copies[1]->getURI()});
}

TEST_F(FileTaskTest, AnAbortDuringAFileEndsTheTaskBeforeTheNext)
{
    Ref<AlbumFolder> album = makeAlbum("Stopped");
    auto hold = std::make_shared<HeldCopyTask::Hold>();
    {
        Quorvel::SlaveManager slaves;
        slaves.addListener(&recorder, 1);
        slaves.addSlave(std::make_unique<HeldCopyTask>(computerPictures(5), album, 2, hold));
        ASSERT_TRUE(hold->waitForArrival());
        EXPECT_TRUE(slaves.abortCurrent());
        waitForEnd();
        slaves.removeListener(&recorder);
    }

    EXPECT_EQ(recorder.last().GetEventType(), Quorvel::EVT_SLAVE_ABORTED);
    EXPECT_EQ(recorder.last().getErrorMessage(), "Aborted by user");
    EXPECT_EQ(recorder.progress().back(), (Progress{"Copying picture 3 of 5", 2, 5}));
    // The file being copied when the abort came is finished.
    EXPECT_EQ(album->getFileCount(), 2);
}

TEST_F(FileTaskTest, AnAbortBeforeTheStartHandlesNothing)
{
    Ref<AlbumFolder> album = makeAlbum("Never");
    auto task = std::make_unique<FileCopyTask>(computerPictures(2), album);
    task->abort();

    run(std::move(task));

    EXPECT_EQ(recorder.last().GetEventType(), Quorvel::EVT_SLAVE_ABORTED);
    EXPECT_EQ(recorder.progress(), (std::vector<Progress>{{"Copying picture 1 of 2", 0, 2}}));
    EXPECT_EQ(album->getFileCount(), 0);
}
