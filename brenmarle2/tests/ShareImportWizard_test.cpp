// A share made with the reference provider, received as a command file hands it over and
// imported with the share import assistant, driven as the user drives it. With VISTRELLE_SHOTS
// set to a folder, each page looked at is saved there.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include <wx/checkbox.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>

#include "AccountFixture.h"
#include "FindControls.h"
#include "ProviderStore.h"
#include "TaskOutcome.h"
#include "TestPictures.h"
#include "WaitUntil.h"
#include "WizardDriver.h"
#include "database/Database.h"
#include "filemanager/FileManager.h"
#include "folders/AlbumFolder.h"
#include "folders/SharedFolder.h"
#include "import/ShareImportWizard.h"
#include "main/CommandFile.h"
#include "service/PortalId.h"
#include "service/SharingClient_3_0_Task.h"
#include "threads/TaskEvent.h"

using Quorvel::Wizard;

namespace {

std::string utf8(const wxString& text)
{
    return std::string(text.utf8_str());
}

class ShareImportWizardTest : public AccountFixture, public WizardDriver<ShareImportWizard> {
protected:
    ShareImportWizardTest() : WizardDriver("shareimport-")
    {
        const wxString data = Quorvel::Environment::getUserDataDir();
        wxFileName::Mkdir(data, 0700, wxPATH_MKDIR_FULL);
        Brenmarle::Database::getInstance().open(data + "database.db");
        files = std::make_unique<Brenmarle::FileManager>();
        // The pictures come from the portal's host through the provider, as the test's proxy.
        Brenmarle::SharedFolder::registerScheme(*files, 80, &settings);
        Brenmarle::AlbumFolder::loadAlbums();
    }
    ~ShareImportWizardTest() override
    {
        if (wizard)
            wizard->Destroy();
        waitUntil([] { return true; });
        Brenmarle::AlbumFolder::unloadAlbums();
        files.reset();
        Brenmarle::Database::getInstance().close();
    }

    // Anna shares the pictures `names` (made on her disk, each its own size) with Bob.
    void share(const std::vector<wxString>& names, int previewSize = 0, bool meta = true)
    {
        auto sharing = Quorvel::makeRef<Brenmarle::SharingClient_3_0>(settings);
        sharing->setAddress(portalAddress("demo", "anna@example.com", "secret"));
        std::vector<Brenmarle::SharingClient_3_0_Task::SharedPicture> pictures;
        int width = 300;
        for (const wxString& name : names) {
            TestPictures::writeJpeg(dir / ("anna/" + name), width, width * 3 / 4);
            width += 20;
            Brenmarle::SharingClient_3_0_Task::SharedPicture picture;
            picture.uri = "file://" + dir / ("anna/" + name);
            picture.path = dir / ("anna/" + name);
            picture.contentType = "image/jpeg";
            picture.info.fileName = name;
            picture.info.contentType = "image/jpeg";
            picture.info.caption = "Caption of " + name;
            picture.info.city = "Lillehammer";
            pictures.push_back(picture);
            originals.insert(dir.readFile("anna/" + name));
        }
        Brenmarle::SharingClient_3_0_Task::Share what;
        what.subject = "Midsummer";
        what.message = "From the lake";
        what.previewSize = previewSize;
        what.shareMeta = meta;
        what.recipients = {"bob@example.com"};
        auto task = Brenmarle::SharingClient_3_0_Task::shareByWeb(sharing, pictures, what);
        const TaskOutcome outcome = TaskOutcome::runToEnd(task);
        ASSERT_EQ(outcome.type, Quorvel::EVT_TASK_FINISHED) << outcome.failure();
        Provider::ProviderStore store(utf8(dir / "data/provider.db"));
        const std::string shareId = utf8(task->progress.shareId);
        token = store.shareRecipients(shareId).at(0).accessToken;
        for (const auto& file : store.shareFiles(shareId))
            fileIds.push_back(file.serverUuid);
    }

    // The command file Bob's browser hands the program, read as the program reads it.
    CommandFile::Action received(const std::string& host = std::string(), bool meta = true)
    {
        std::string ids;
        for (const std::string& id : fileIds)
            ids += "<fileid>" + id + "</fileid>";
        home.writeFile("share.vscf",
                       "<?xml version='1.0'?><commands><importshare><accesstoken>" + token +
                           "</accesstoken><sharedby>Anna</sharedby><sharehost>" +
                           (host.empty() ? utf8(Brenmarle::PortalId::hostOf("demo")) : host) +
                           "</sharehost><subject>Midsummer</subject><message>From the "
                           "lake</message><previewsize>0</previewsize><sharemeta>" +
                           (meta ? "true" : "false") +
                           "</sharemeta>"
                           "<files>" +
                           ids + "</files></importshare></commands>");
        std::vector<CommandFile::Action> actions;
        EXPECT_TRUE(CommandFile::read(home / "share.vscf", actions));
        EXPECT_EQ(actions.size(), 1u);
        return actions.empty() ? CommandFile::Action() : actions[0];
    }

    void open(const CommandFile::Action& action)
    {
        wizard = new ShareImportWizard(
            nullptr, Brenmarle::ShareImport::read(action.fields, action.files), 80, &settings);
        wizard->Show();
    }

    // Through the destination pages into a new album of this name, all kinds ticked.
    void importInto(const wxString& album)
    {
        next();
        ASSERT_EQ(title(), "Where do you want to put the pictures?");
        findControls<wxRadioButton>(page())[1]->SetValue(true);
        next();
        ASSERT_EQ(title(), "Name the new album");
        findControls<wxTextCtrl>(page())[0]->ChangeValue(album);
        next();
        ASSERT_EQ(title(), "Choose what to import");
        next();
        ASSERT_TRUE(waitUntil([this] { return title() == "Import job finished"; })) << title();
    }

    // The pictures of the album of this name.
    std::vector<Quorvel::Ref<Brenmarle::File>> albumFiles(const wxString& name)
    {
        std::vector<Quorvel::Ref<Brenmarle::File>> found;
        for (const auto& [uri, album] : Brenmarle::AlbumFolder::getAlbums()) {
            if (album->getName() == name)
                for (const wxString& fileUri : album->getFileUris())
                    found.push_back(files->getFile(fileUri));
        }
        return found;
    }
    // The bytes of each picture of the album as stored.
    std::multiset<std::string> albumContents(const wxString& name)
    {
        std::multiset<std::string> contents;
        for (const auto& file : albumFiles(name))
            contents.insert(readFile(files->getLocalPath(*file)));
        return contents;
    }
    // "name | caption | city" of each picture of the album, sorted.
    std::set<wxString> albumInformation(const wxString& name)
    {
        std::set<wxString> information;
        for (const auto& file : albumFiles(name))
            information.insert(file->getFileName() + " | " + file->getCaption() + " | " +
                               file->getCity());
        return information;
    }
    // The pictures the host was asked for.
    size_t downloadsJournalled() const
    {
        const auto lines = journal();
        return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), [](const auto& line) {
            return line.path == "/service/sharing/3.0/download.php";
        }));
    }

    std::unique_ptr<Brenmarle::FileManager> files;
    std::string token;
    std::vector<std::string> fileIds;
    std::multiset<std::string> originals;
};

} // namespace

TEST_F(ShareImportWizardTest, AReceivedShareIsImportedIntoTheAlbumTheUserNamed)
{
    share({"lake.jpg", "sauna.jpg"});
    open(received());
    EXPECT_EQ(wizard->GetTitle(), "Download Shared Photos");
    EXPECT_EQ(title(), "Do you wish to download shared photos?");
    EXPECT_EQ(page()->getDescription(), "Midsummer");
    EXPECT_TRUE(shows("Anna has chosen to share 2 photos with you!"));
    EXPECT_TRUE(shows("You get access to the full size photos, and also any extra information "
                      "Anna has added to the photos"));
    EXPECT_TRUE(shows("From the lake"));
    expectAllNamed("source");
    // Nothing is fetched before the user said where the pictures go.
    EXPECT_EQ(downloadsJournalled(), 0u);

    next();
    EXPECT_EQ(page()->getDescription(), "2 shared photos to download");
    expectAllNamed("destination");
    pressButton(wizard->getButton(Wizard::ID_BACK));
    ASSERT_EQ(title(), "Do you wish to download shared photos?");
    importInto("Midsummer at the lake");
    expectAllNamed("result");
    EXPECT_TRUE(shows("2 files were successfully imported"));
    EXPECT_EQ(albumContents("Midsummer at the lake"), originals);
    // With the names and the information Anna gave them.
    EXPECT_EQ(albumInformation("Midsummer at the lake"),
              (std::set<wxString>{"lake.jpg | Caption of lake.jpg | Lillehammer",
                                  "sauna.jpg | Caption of sauna.jpg | Lillehammer"}));
    EXPECT_EQ(Brenmarle::AlbumFolder::getAlbums().size(), 1u);
    EXPECT_EQ(downloadsJournalled(), 2u);
    // Read once, though the user went back to the first page.
    EXPECT_EQ(journalledArguments("getFileInformation", "serveruuid").size(), 2u);
}

TEST_F(ShareImportWizardTest, PicturesSharedWithoutTheirInformationKeepOnlyTheirNames)
{
    share({"lake.jpg"}, 0, false);
    open(received(std::string(), false));
    EXPECT_TRUE(shows("You get access to the full size photos, and you wont get any extra "
                      "information added to the photos."));
    importInto("Lake");
    EXPECT_EQ(albumInformation("Lake"), (std::set<wxString>{"lake.jpg |  | "}));
    EXPECT_EQ(albumContents("Lake"), originals);
}

TEST_F(ShareImportWizardTest, AHostThatCannotTellAboutThePicturesIsShownOnTheErrorPage)
{
    share({"lake.jpg"});
    fileIds = {"nosuchfile"};
    open(received());
    next();
    // The test's provider, as the proxy, says so after the message.
    EXPECT_TRUE(
        failure().StartsWith("Could not read the shared photos' information | No such shared file"))
        << failure();
    EXPECT_EQ(downloadsJournalled(), 0u);
    EXPECT_TRUE(albumFiles("Lake").empty());
}

TEST_F(ShareImportWizardTest, ATruncatedDownloadImportsNothingAndSaysWhy)
{
    share({"lake.jpg"});
    const std::string size = std::to_string(originals.begin()->size());
    startProvider("[faults]\nrule = GET /service/sharing/3.0/download.php | truncate 100 | 1\n");
    open(received());
    EXPECT_TRUE(shows("Anna has chosen to share 1 photo with you!"));
    importInto("Lake");
    EXPECT_TRUE(shows("0 files were successfully imported"));
    EXPECT_TRUE(shows("1 file was not imported due to an error"));
    EXPECT_TRUE(wizard->getTask()->getLog().Contains(
        "Downloaded bytes (100) does not match expected bytes (" + size + ")"))
        << wizard->getTask()->getLog();
    expectAllNamed("truncated");
    EXPECT_TRUE(albumContents("Lake").empty());
    EXPECT_EQ(Brenmarle::Database::getInstance().getFileCount(), 0);
}

TEST_F(ShareImportWizardTest, ACommandFileNamingAnotherHostIsRefusedBeforeAnythingIsFetched)
{
    share({"lake.jpg"});
    for (const std::string host : {"127.0.0.1", "evil.example", "demo.portal.vistrelle.net.evil"}) {
        const CommandFile::Action action = received(host);
        try {
            Brenmarle::ShareImport::read(action.fields, action.files);
            ADD_FAILURE() << host << " was taken";
        } catch (const Quorvel::Exception& e) {
            EXPECT_EQ(e.getMessage(),
                      "The share's host is not one of the service's hosts: " + host);
        }
    }
    EXPECT_EQ(downloadsJournalled(), 0u);
}
