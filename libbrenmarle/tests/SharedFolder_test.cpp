#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <wx/dir.h>

#include "LoopbackHttpServer.h"
#include "ProviderFixture.h"
#include "ProviderStore.h"
#include "SoapReplies.h"
#include "TaskOutcome.h"
#include "TestPictures.h"
#include "filemanager/FileManager.h"
#include "folders/SharedFolder.h"
#include "service/PortalId.h"
#include "service/SharingClient_3_0_Task.h"
#include "sharing/ShareInfoTask.h"
#include "threads/TaskEvent.h"
#include "util/InputFile.h"

using Brenmarle::SharedFolder;
using SoapReplies::failureOf;

namespace {

std::string utf8(const wxString& text)
{
    return std::string(text.utf8_str());
}

std::string contentsOf(Quorvel::InputFile& input)
{
    std::string bytes;
    char buffer[4096];
    while (const size_t count = input.read(buffer, sizeof buffer))
        bytes.append(buffer, count);
    return bytes;
}

} // namespace

TEST(SharedFolder, UrisAreTakenApartAndMadeOnlyFromAllowedParts)
{
    const auto parts = SharedFolder::partsOf("shared://Demo.Portal.example/tok_1-2/f.3/shared.jpg");
    EXPECT_EQ(parts.host, "demo.portal.example");
    EXPECT_EQ(parts.accessToken, "tok_1-2");
    EXPECT_EQ(parts.fileId, "f.3");
    EXPECT_EQ(SharedFolder::fileUriOf(parts),
              "shared://demo.portal.example/tok_1-2/f.3/shared.jpg");
    EXPECT_EQ(SharedFolder::partsOf("shared://h/t/f/").fileId, "f");
    EXPECT_EQ(SharedFolder::downloadAddressOf(parts, 80),
              "http://demo.portal.example/service/sharing/3.0/download.php?at=tok_1-2&file=f.3");
    EXPECT_TRUE(SharedFolder::downloadAddressOf(parts, 8080)
                    .StartsWith("http://demo.portal.example:8080/service/"));

    // What a hostile command file could slip into the address, or past the host.
    for (const wxString uri :
         {"shared://h/t/f/other.jpg", "shared://h/t/shared.jpg", "shared://h/t/f/g/shared.jpg",
          "http://h/t/f/shared.jpg", "shared://h/../f/shared.jpg", "shared://h/t/f&x=1/shared.jpg",
          "shared://h/t?x/f/shared.jpg", "shared://h/t%20/f/shared.jpg",
          "shared://user@h/t/f/shared.jpg", "shared://h:8080/t/f/shared.jpg",
          "shared://evil.example#/t/f/shared.jpg", "shared://.h/t/f/shared.jpg",
          "shared:///t/f/shared.jpg", "shared://h//f/shared.jpg", "shared://h/t/f/shared.jpg/",
          "shared://h/t/f", ""})
        EXPECT_EQ(failureOf([&] { SharedFolder::partsOf(uri); }),
                  "Application.Error: Invalid shared uri!")
            << uri;
    EXPECT_EQ(failureOf([&] {
                  SharedFolder::fileUriOf({"h", "t&file=x", "f"});
              }),
              "Application.Error: Invalid shared uri!");
    EXPECT_EQ(failureOf([&] { SharedFolder("shared://h/t/f/", 0); }),
              "Application.Error: Invalid shared uri!");
}

TEST(SharedFolder, TheDownloadCarriesTheTokenAndNoCredentials)
{
    LoopbackHttpServer server;
    server.enqueue(LoopbackHttpServer::Response::status(404, "Not Found"));
    auto folder = Quorvel::makeRef<SharedFolder>("shared://127.0.0.1/tok/file1/", server.port());
    EXPECT_EQ(folder->getName(), "Shared Folder");
    EXPECT_EQ(folder->getFileUris(),
              std::vector<wxString>{"shared://127.0.0.1/tok/file1/shared.jpg"});
    auto file = folder->getFile("shared://127.0.0.1/tok/file1/shared.jpg");
    EXPECT_EQ(failureOf([&] { folder->getFileInputStream(*file); }).AfterFirst(':'),
              " Error downloading file: HTTP Response code 404");
    const auto request = server.lastRequest();
    EXPECT_EQ(request.requestLine().substr(0, request.requestLine().rfind(' ')),
              "GET /service/sharing/3.0/download.php?at=tok&file=file1");
    EXPECT_FALSE(request.hasHeader("Authorization")) << request.header("Authorization");
    // Read-only.
    EXPECT_FALSE(folder->canDeleteFile(*file));
    EXPECT_THROW(folder->deleteFile(*file), Quorvel::UnsupportedException);
    EXPECT_THROW(folder->copyFileIn(*file), Quorvel::UnsupportedException);
}

// A share made with the provider, received through the provider's download address.
class SharedFolderTest : public ProviderFixture {
protected:
    SharedFolderTest()
    {
        if (const char* previous = std::getenv("TMPDIR"))
            m_previousTmp = previous;
        dir.writeFile("tmp/.keep", "");
        setenv("TMPDIR", (dir / "tmp").utf8_str(), 1);
        TestPictures::writeJpeg(dir / "pics/c.jpg", 800, 600);
        auto sharing = Quorvel::makeRef<Brenmarle::SharingClient_3_0>(settings);
        sharing->setAddress(portalAddress("demo", "anna@example.com", "secret"));
        Brenmarle::SharingClient_3_0_Task::SharedPicture picture;
        picture.uri = "file://" + (dir / "pics/c.jpg");
        picture.path = dir / "pics/c.jpg";
        picture.contentType = "image/jpeg";
        Brenmarle::SharingClient_3_0_Task::Share share;
        share.recipients = {"bob@example.com"};
        auto task = Brenmarle::SharingClient_3_0_Task::shareByWeb(sharing, {picture}, share);
        const TaskOutcome outcome = TaskOutcome::runToEnd(task);
        EXPECT_EQ(outcome.type, Quorvel::EVT_TASK_FINISHED) << outcome.failure();
        Provider::ProviderStore store(utf8(dir / "data/provider.db"));
        const std::string shareId = utf8(task->progress.shareId);
        token = store.shareRecipients(shareId).at(0).accessToken;
        fileId = store.shareFiles(shareId).at(0).serverUuid;
    }
    ~SharedFolderTest() override
    {
        if (m_previousTmp.empty())
            unsetenv("TMPDIR");
        else
            setenv("TMPDIR", m_previousTmp.c_str(), 1);
    }
    Quorvel::Ref<SharedFolder> folder() const
    {
        return Quorvel::makeRef<SharedFolder>(
            wxString::FromUTF8("shared://127.0.0.1/" + token + "/" + fileId + "/"),
            provider->port());
    }
    // What a download left in the temporary folder.
    size_t leftovers() const
    {
        wxArrayString names;
        return wxDir::GetAllFiles(dir / "tmp", &names) - 1;
    }

    std::string token;
    std::string fileId;

private:
    std::string m_previousTmp;
};

TEST_F(SharedFolderTest, APictureIsReceivedByteForByte)
{
    auto shared = folder();
    auto file = shared->getFile(shared->getFileUris().at(0));
    auto input = shared->getFileInputStream(*file);
    EXPECT_EQ(contentsOf(*input), dir.readFile("pics/c.jpg"));
    input.reset();
    EXPECT_EQ(leftovers(), 0u);
}

TEST_F(SharedFolderTest, ATruncatedOrSpoiledDownloadGivesNothing)
{
    const std::string size = std::to_string(dir.readFile("pics/c.jpg").size());
    for (const auto& [action, message] :
         {std::pair<std::string, std::string>{"truncate 100",
                                              "Downloaded bytes (100) does not match expected "
                                              "bytes (" +
                                                  size + ")"},
          {"wrong-md5", "md5sum check of downloaded file failed"},
          {"close", ""}}) {
        startProvider("[faults]\nrule = GET /service/sharing/3.0/download.php | " + action +
                      " | 1\n");
        auto shared = folder();
        auto file = shared->getFile(shared->getFileUris().at(0));
        const wxString failure = failureOf([&] { shared->getFileInputStream(*file); });
        EXPECT_NE(failure, "nothing thrown") << action;
        if (!message.empty()) {
            EXPECT_EQ(failure.AfterFirst(' '), wxString::FromUTF8(message)) << action;
        }
        EXPECT_EQ(leftovers(), 0u) << action;
    }
    // Another token is refused by the host.
    auto other = Quorvel::makeRef<SharedFolder>(wxString::FromUTF8("shared://127.0.0.1/" +
                                                                   std::string(token.size(), 'a') +
                                                                   "/" + fileId + "/"),
                                                provider->port());
    auto file = other->getFile(other->getFileUris().at(0));
    EXPECT_EQ(failureOf([&] { other->getFileInputStream(*file); }).AfterFirst(' '),
              "Error downloading file: HTTP Response code 404");
}

// The file manager hands out shared pictures once the scheme is registered; the picture comes
// from the portal's host by its name (here through the provider as the proxy of `settings`),
// and the account's credentials stay home.
TEST_F(SharedFolderTest, TheRegisteredSchemeFetchesFromThePortalHostWithoutCredentials)
{
    Brenmarle::FileManager files;
    EXPECT_THROW(files.getFolder("shared://h/t/f/"), Quorvel::NotFoundException);
    SharedFolder::registerScheme(files, 80, &settings);
    const wxString uri =
        SharedFolder::fileUriOf({Brenmarle::PortalId::hostOf("demo"), wxString::FromUTF8(token),
                                 wxString::FromUTF8(fileId)});
    auto file = files.getFile(uri);
    auto input = files.getFolder(uri)->getFileInputStream(*file);
    EXPECT_EQ(contentsOf(*input), dir.readFile("pics/c.jpg"));
    const auto downloads = journal();
    ASSERT_FALSE(downloads.empty());
    EXPECT_EQ(downloads.back().path, "/service/sharing/3.0/download.php");
    EXPECT_EQ(downloads.back().account, "");
    EXPECT_EQ(failureOf([&] { files.getFolder("shared://h/t&x=1/f/"); }),
              "Application.Error: Invalid shared uri!");
}

// The pictures' information is asked of the share's own host with the token alone.
TEST(ShareInfoTask, TheHostIsAskedWithTheTokenAndNoCredentials)
{
    LoopbackHttpServer proxy;
    for (int i = 0; i < 3; ++i)
        proxy.enqueue(LoopbackHttpServer::Response::status(404, "Not Found"));
    ScratchDir dir;
    dir.writeFile("network.ini",
                  "[HttpProxy]\nHost=127.0.0.1\nPort=" + std::to_string(proxy.port()) + "\n");
    Quorvel::NetworkSettings settings(dir / "network.ini");
    const wxString host = Brenmarle::PortalId::hostOf("demo");
    const auto share = Brenmarle::ShareImport::read({{"accesstoken", "tok123"},
                                                     {"sharedby", "Anna"},
                                                     {"sharehost", host},
                                                     {"previewsize", "0"}},
                                                    {"f1"});
    auto task = Quorvel::makeRef<Brenmarle::ShareInfoTask>(
        share,
        Brenmarle::ShareInfoTask::Files{
            Quorvel::makeRef<Brenmarle::File>(share.getFileUris().at(0))},
        8080, &settings);
    EXPECT_EQ(TaskOutcome::runToEnd(task).type, Quorvel::EVT_TASK_FAILED);
    const auto request = proxy.lastRequest();
    EXPECT_NE(request.requestLine().find(utf8("http://" + host + ":8080/service/sharing/3.0/")),
              std::string::npos)
        << request.requestLine();
    EXPECT_FALSE(request.hasHeader("Authorization")) << request.header("Authorization");
    EXPECT_NE(request.body.find("tok123"), std::string::npos) << request.body;
    EXPECT_NE(request.body.find("f1"), std::string::npos);
}
