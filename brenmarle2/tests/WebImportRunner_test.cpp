#include <gtest/gtest.h>

#include <chrono>

#include <wx/app.h>
#include <wx/button.h>

#include "LoopbackHttpServer.h"
#include "PhotoLibraryTest.h"
#include "PressButton.h"
#include "TestPictures.h"
#include "WaitUntil.h"
#include "dialogs/WebImportRunner.h"
#include "folders/AlbumFolder.h"
#include "import/WebImport.h"

using Response = LoopbackHttpServer::Response;

class WebImportRunnerTest : public PhotoLibraryTest {
protected:
    // Starts a web import of `paths` on the server into the album "Web".
    std::unique_ptr<WebImportRunner> start(const std::vector<std::string>& paths)
    {
        std::vector<wxString> uris;
        for (const std::string& path : paths)
            uris.push_back(server.url(path));
        auto runner = std::make_unique<WebImportRunner>(
            std::make_unique<Brenmarle::WebImport>("Web", "", uris), nullptr);
        runner->setFinishedHandler([this](WebImportRunner&) { ++finished; });
        return runner;
    }
    std::string jpeg()
    {
        const wxString path = home / "made.jpg";
        TestPictures::writeJpeg(path, 32, 24);
        return readFile(path);
    }
    int filesInAlbum() const
    {
        int count = 0;
        for (const auto& entry : Brenmarle::AlbumFolder::getAlbums())
            count += entry.second->getFileCount();
        return count;
    }
    static Response stalled()
    {
        Response response;
        response.stall = true;
        return response;
    }

    LoopbackHttpServer server;
    int finished = 0;
};

TEST_F(WebImportRunnerTest, PicturesArriveAndTheWindowGoesWhenDone)
{
    server.enqueue(Response::ok(jpeg()));
    server.enqueue(Response::status(404, "Not Found"));
    auto runner = start({"/1.jpg", "/2.jpg"});
    ASSERT_TRUE(runner->isRunning());
    ASSERT_TRUE(runner->getDialog());
    EXPECT_TRUE(runner->getDialog()->IsShown());
    EXPECT_EQ(runner->getDialog()->GetTitle(), "Importing Pictures");

    ASSERT_TRUE(waitUntil([&] { return finished == 1; }));
    EXPECT_FALSE(runner->isRunning());
    EXPECT_EQ(runner->getDialog(), nullptr);
    EXPECT_EQ(filesInAlbum(), 1);
    ASSERT_EQ(runner->getImport().getFailures().size(), 1u);
    EXPECT_TRUE(runner->getImport().getFailures()[0].second.Contains("404"));
}

TEST_F(WebImportRunnerTest, StalledHostKeepsTheLoopRunningAndStopEndsTheImport)
{
    server.enqueue(stalled());
    auto runner = start({"/stalled.jpg"});
    ASSERT_TRUE(runner->isRunning());
    ASSERT_TRUE(server.waitForRequests(1));

    // The window's loop goes on while the host keeps silent.
    bool handled = false;
    wxTheApp->CallAfter([&] { handled = true; });
    ASSERT_TRUE(waitUntil([&] { return handled; }));
    EXPECT_TRUE(runner->isRunning());
    ASSERT_TRUE(runner->getDialog());
    EXPECT_EQ(runner->getDialog()->getButton()->GetLabel(), "Stop");

    // Without the stop reaching the download it would wait out the two-minute time-out, and
    // waitUntil gives up long before.
    pressButton(runner->getDialog()->getButton());
    ASSERT_TRUE(waitUntil([&] { return finished == 1; }));
    EXPECT_EQ(runner->getDialog(), nullptr);
    EXPECT_EQ(filesInAlbum(), 0);
    ASSERT_EQ(runner->getImport().getFailures().size(), 1u);
    EXPECT_EQ(runner->getImport().getFailures()[0].second, "The import was stopped before them");
}

TEST_F(WebImportRunnerTest, DestroyingTheRunnerStopsAStalledImport)
{
    server.enqueue(stalled());
    auto runner = start({"/stalled.jpg"});
    ASSERT_TRUE(server.waitForRequests(1));
    const auto began = std::chrono::steady_clock::now();
    runner.reset();
    // A generous bound: a download that missed the stop would hold it for two minutes.
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(5));
    EXPECT_EQ(finished, 0);
    EXPECT_EQ(filesInAlbum(), 0);
}

TEST_F(WebImportRunnerTest, NothingToFetchEndsAtOnceWithoutAWindow)
{
    auto runner = std::make_unique<WebImportRunner>(
        std::make_unique<Brenmarle::WebImport>("Web", "", std::vector<wxString>{"/etc/hostname"}),
        nullptr);
    EXPECT_FALSE(runner->isRunning());
    EXPECT_EQ(runner->getDialog(), nullptr);
    EXPECT_TRUE(Brenmarle::AlbumFolder::getAlbums().empty());
    EXPECT_EQ(runner->getImport().getFailures().size(), 1u);
}
