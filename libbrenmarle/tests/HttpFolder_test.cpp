#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <tuple>

#include "LoopbackHttpServer.h"
#include "PhotoLibraryTest.h"
#include "files/StoragePaths.h"
#include "folders/HttpFolder.h"
#include "system/Exceptions.h"
#include "threads/HttpCallbackObj.h"
#include "util/InputFile.h"

using namespace Brenmarle;
using Quorvel::Ref;
using Response = LoopbackHttpServer::Response;

// Downloads land in the scratch home's own temporary folder, so the test can see what is left.
class HttpFolderTest : public PhotoLibraryTest {
protected:
    HttpFolderTest()
    {
        if (const char* previous = std::getenv("TMPDIR"))
            m_previousTmp = previous;
        home.writeFile("tmp/.keep", "");
        setenv("TMPDIR", (home / "tmp").utf8_str(), 1);
    }
    ~HttpFolderTest() override
    {
        if (m_previousTmp.empty())
            unsetenv("TMPDIR");
        else
            setenv("TMPDIR", m_previousTmp.c_str(), 1);
    }

    // Copies the web file into a new album; returns the copy.
    Ref<File> importFromWeb(const std::string& path)
    {
        album = makeAlbum("Web");
        Ref<File> source = manager->getFile(server.url(path));
        return album->copyFileIn(*source);
    }
    size_t leftovers() const { return filesUnder(home / "tmp") - 1; }

    LoopbackHttpServer server;
    Ref<AlbumFolder> album;

private:
    std::string m_previousTmp;
};

TEST_F(HttpFolderTest, FileManagerMakesOneHttpFolderPerWebDirectory)
{
    FolderRef folder = manager->getFolder(server.url("/pictures/IMG%20001.jpg"));
    EXPECT_EQ(folder.get(), manager->getFolder(server.url("/pictures/")).get());
    EXPECT_EQ(folder->getName(), "HTTP Folder");
    EXPECT_EQ(manager->getFile(server.url("/pictures/IMG%20001.jpg"))->getFileName(),
              "IMG 001.jpg");
}

TEST_F(HttpFolderTest, ImportedFileIsStoredAndItsDownloadRemoved)
{
    // A name with "#" is fetched whole, not cut where an address's fragment would begin.
    const std::tuple<const char*, const char*, const char*> files[] = {
        {"/pictures/photo.jpg", "GET /pictures/photo.jpg HTTP/1.0", "photo.jpg"},
        {"/pictures/a#1.jpg", "GET /pictures/a%231.jpg HTTP/1.0", "a#1.jpg"},
    };
    for (const auto& [path, requestLine, name] : files) {
        server.enqueue(Response::ok("JPEG bytes"));
        Ref<File> copy = importFromWeb(path);
        EXPECT_EQ(server.lastRequest().requestLine(), requestLine);
        EXPECT_EQ(copy->getFileName(), name);
        EXPECT_EQ(readFile(StoragePaths(dataDir).managedFile(copy->getURI())), "JPEG bytes");
        EXPECT_EQ(album->getFileCount(), 1);
        EXPECT_EQ(leftovers(), 0u);
    }
}

TEST_F(HttpFolderTest, FailedDownloadsLeaveNothingBehind)
{
    server.enqueue(Response::raw("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nabcd"));
    try {
        importFromWeb("/cut.jpg");
        FAIL();
    } catch (const Quorvel::IOException& e) {
        EXPECT_EQ(e.getMessage(), "Downloaded bytes (4) does not match expected bytes (10)");
    }
    server.enqueue(Response::status(404, "Not Found"));
    try {
        importFromWeb("/gone.jpg");
        FAIL();
    } catch (const Quorvel::IOException& e) {
        EXPECT_EQ(e.getMessage(), "Error downloading file: HTTP Response code 404");
    }
    EXPECT_EQ(album->getFileCount(), 0);
    EXPECT_EQ(filesUnder(dataDir + "archive"), 0u);
    EXPECT_EQ(leftovers(), 0u);
}

namespace {

// Stands for the task a download runs under: records its progress, stops when told.
class TransferWatch : public Quorvel::HttpCallbackObj {
public:
    bool progress(int64_t done, int64_t total) override
    {
        reports.emplace_back(done, total);
        return !stop;
    }
    bool isAbortRequested() const override { return stop; }

    std::atomic<bool> stop{false};
    std::vector<std::pair<int64_t, int64_t>> reports;
};

} // namespace

TEST_F(HttpFolderTest, DownloadReportsItsBytesToTheWatcher)
{
    Response slow = Response::ok(std::string(30000, 'j'));
    slow.pieceSize = 10000;
    slow.pause = std::chrono::milliseconds(20);
    server.enqueue(slow);
    Ref<File> source = manager->getFile(server.url("/slow.jpg"));
    TransferWatch watch;
    auto input = manager->getFolder(source->getURI())->fetchFileInputStream(*source, &watch);
    ASSERT_FALSE(watch.reports.empty());
    EXPECT_EQ(watch.reports.back().first, 30000);
    EXPECT_EQ(watch.reports.back().second, 30000);
    EXPECT_GT(watch.reports.size(), 1u);
}

TEST_F(HttpFolderTest, StopEndsADownloadWhoseServerKeepsSilentAndLeavesNothing)
{
    Response stalled;
    stalled.stall = true;
    server.enqueue(stalled);
    Ref<File> source = manager->getFile(server.url("/stalled.jpg"));
    FolderRef folder = manager->getFolder(source->getURI());
    TransferWatch watch;
    auto outcome = std::async(std::launch::async, [&] {
        try {
            folder->fetchFileInputStream(*source, &watch);
        } catch (const Quorvel::AbortException&) {
            return true;
        }
        return false;
    });
    ASSERT_TRUE(server.waitForRequests(1));
    watch.stop = true;
    // Without the stop the client would wait out its two-minute time-out.
    ASSERT_EQ(outcome.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_TRUE(outcome.get());
    EXPECT_EQ(leftovers(), 0u);
}
