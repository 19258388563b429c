// The copy and delete tasks are also run, with their progress, failures and Stop, by the file
// task runner's and the album deletion's tests.
#include <fstream>
#include <iterator>

#include "PhotoLibraryTest.h"
#include "SlaveRecorder.h"
#include "files/Uri.h"
#include "filetasks/FileMoveTask.h"
#include "threads/SlaveManager.h"

using namespace Brenmarle;
using Quorvel::Ref;

namespace {

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

    std::string contentOf(const wxString& uri)
    {
        std::ifstream in(manager->getLocalPath(*manager->getFile(uri)).utf8_string(),
                         std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    SlaveRecorder recorder;
};

} // namespace

TEST_F(FileTaskTest, MoveTakesPicturesOutOfTheSourceAlbumUnderTheirUuids)
{
    Ref<AlbumFolder> from = makeAlbum("Inbox pictures");
    Ref<AlbumFolder> to = makeAlbum("Keepers");
    FileTask::Files files;
    for (const auto& source : computerPictures(2))
        files.push_back(from->copyFileIn(*source));
    const wxString uuid = Uri::filePartOf(files[1]->getURI());

    run(std::make_unique<FileMoveTask>(files, to));

    EXPECT_EQ(recorder.last().GetEventType(), Quorvel::EVT_SLAVE_FINISHED);
    EXPECT_EQ(from->getFileCount(), 0);
    EXPECT_EQ(to->getFileUris(), (std::vector<wxString>{files[0]->getURI(), files[1]->getURI()}));
    EXPECT_EQ(files[1]->getURI(), to->getURI() + uuid);
    EXPECT_EQ(contentOf(files[1]->getURI()), "picture 2");
}
