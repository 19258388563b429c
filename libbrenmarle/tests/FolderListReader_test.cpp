#include <algorithm>
#include <condition_variable>
#include <mutex>

#include "HeldLibraryLock.h"
#include "PhotoLibraryTest.h"
#include "folders/FolderListEvent.h"
#include "folders/FolderListReader.h"
#include "util/Uuid.h"

using namespace Brenmarle;
using Quorvel::Ref;
using namespace std::chrono_literals;

namespace {

// Keeps the batches a reader posts, as they are posted (no event loop needed).
class BatchRecorder : public wxEvtHandler {
public:
    void QueueEvent(wxEvent* event) override
    {
        std::unique_ptr<wxEvent> owned(event);
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto& batch = static_cast<FolderListEvent&>(*event);
        batches.push_back({batch.getFiles(), batch.isLast(), batch.getError(), batch.getSerial()});
        m_changed.notify_all();
    }
    bool waitForLast()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, 10s,
                                  [this] { return !batches.empty() && batches.back().last; });
    }
    std::vector<wxString> uris()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<wxString> all;
        for (const Batch& batch : batches) {
            for (const auto& file : batch.files)
                all.push_back(file->getURI());
        }
        return all;
    }

    struct Batch {
        FolderListEvent::Files files;
        bool last;
        wxString error;
        int serial;
    };
    std::vector<Batch> batches;

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
};

class FolderListReaderTest : public PhotoLibraryTest {
protected:
    // Catalogue rows for `count` files of `folder`, as an import leaves them; their URIs.
    std::vector<wxString> addRows(const wxString& folder, int count)
    {
        std::vector<wxString> uris;
        for (int i = 0; i < count; ++i) {
            auto file = Quorvel::makeRef<File>(folder + Quorvel::Uuid::create());
            file->setFileName(wxString::Format("IMG_%04d.JPG", i));
            Database::getInstance().addFile(*file);
            uris.push_back(file->getURI());
        }
        return uris;
    }

    const wxString album = makeAlbum("Garden")->getURI();
    const wxString other = "album://" + Quorvel::Uuid::create() + "/";
};

} // namespace

TEST_F(FolderListReaderTest, DeliversTheFolderInArrivalOrderInBatchesEndingWithTheLast)
{
    // The folder's rows interleaved with another album's, the inbox's and rows whose URI only
    // begins like the folder's (a deeper path, a longer name): none of those belong to it.
    std::vector<wxString> expected;
    for (int round = 0; round < 3; ++round) {
        const std::vector<wxString> mine = addRows(album, 150);
        expected.insert(expected.end(), mine.begin(), mine.end());
        addRows(other, 40);
        addRows("inbox://", 10);
        addRows(album + "deeper/", 5);
        addRows(album.BeforeLast('/') + "0/", 5);
    }
    BatchRecorder recorder;
    {
        FolderListReader reader(Database::getInstance(), album, &recorder, 7);
        ASSERT_TRUE(recorder.waitForLast());
    }
    EXPECT_EQ(recorder.uris(), expected);
    ASSERT_EQ(recorder.batches.size(), 2u);
    EXPECT_EQ(recorder.batches[0].files.size(), FolderListReader::FIRST_BATCH);
    EXPECT_FALSE(recorder.batches[0].last);
    EXPECT_TRUE(recorder.batches[1].last);
    EXPECT_TRUE(recorder.batches[1].error.empty());
    EXPECT_EQ(recorder.batches[1].serial, 7);
}

TEST_F(FolderListReaderTest, ListsAcrossManyStepsOfTheKeyAndManyBatches)
{
    const std::vector<wxString> expected =
        addRows(album, FolderListReader::LIST_STEP + static_cast<int>(FolderListReader::BATCH));
    EXPECT_EQ(FolderListReader::listRowIds(Database::getInstance(), album).size(), expected.size());
    BatchRecorder recorder;
    {
        FolderListReader reader(Database::getInstance(), album, &recorder, 1);
        ASSERT_TRUE(recorder.waitForLast());
    }
    EXPECT_EQ(recorder.uris(), expected);
    for (std::size_t i = 1; i + 1 < recorder.batches.size(); ++i)
        EXPECT_EQ(recorder.batches[i].files.size(), FolderListReader::BATCH);
}

TEST_F(FolderListReaderTest, FilesInMemoryKeepTheirObjectsAndTheOthersAreRegistered)
{
    const std::vector<wxString> uris = addRows(album, 3);
    const Ref<File> held = manager->getFile(uris[1]);
    held->setCaption("Edited, not stored yet");
    const auto rowids = FolderListReader::listRowIds(Database::getInstance(), album);
    const FolderListReader::Files files =
        FolderListReader::readFiles(Database::getInstance(), album, rowids);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[1].get(), held.get());
    EXPECT_EQ(files[1]->getCaption(), "Edited, not stored yet");
    EXPECT_EQ(manager->findFile(Quorvel::CompactString(uris[0])).get(), files[0].get());
    EXPECT_EQ(manager->findFile(Quorvel::CompactString(uris[2])).get(), files[2].get());
}

TEST_F(FolderListReaderTest, RowsDeletedOrMovedAwayBeforeTheirBatchAreLeftOut)
{
    const std::vector<wxString> uris = addRows(album, 4);
    const auto rowids = FolderListReader::listRowIds(Database::getInstance(), album);
    Database::getInstance().deleteFile(uris[1]);
    Database::getInstance().renameFile(uris[2], other + uris[2].AfterLast('/'));
    const FolderListReader::Files files =
        FolderListReader::readFiles(Database::getInstance(), album, rowids);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0]->getURI(), uris[0]);
    EXPECT_EQ(files[1]->getURI(), uris[3]);
}

TEST_F(FolderListReaderTest, AnEmptyFolderGivesOneEmptyLastBatch)
{
    addRows(other, 5);
    BatchRecorder recorder;
    {
        FolderListReader reader(Database::getInstance(), album, &recorder, 1);
        ASSERT_TRUE(recorder.waitForLast());
    }
    ASSERT_EQ(recorder.batches.size(), 1u);
    EXPECT_TRUE(recorder.batches[0].files.empty());
    EXPECT_TRUE(recorder.batches[0].error.empty());
}

TEST_F(FolderListReaderTest, AFailureEndsTheListWithItsMessage)
{
    addRows(album, 5);
    Database::getInstance().close();
    BatchRecorder recorder;
    {
        FolderListReader reader(Database::getInstance(), album, &recorder, 1);
        ASSERT_TRUE(recorder.waitForLast());
    }
    ASSERT_EQ(recorder.batches.size(), 1u);
    EXPECT_TRUE(recorder.batches[0].files.empty());
    EXPECT_FALSE(recorder.batches[0].error.empty());
    Database::getInstance().open(dataDir + "database.db");
}

TEST_F(FolderListReaderTest, NothingIsPostedAfterCancel)
{
    addRows(album, 300);
    BatchRecorder recorder;
    {
        // The reader waits for the lock before its first step; it is cancelled meanwhile.
        HeldLibraryLock held;
        FolderListReader reader(Database::getInstance(), album, &recorder, 1);
        reader.cancel();
        held.release();
        // The destructor waits for the thread, which ends without posting.
    }
    EXPECT_TRUE(recorder.batches.empty());
}
