#include <gtest/gtest.h>

#include <wx/filename.h>

#include "AccountFixture.h"
#include "TaskOutcome.h"
#include "TestZip.h"
#include "ordering/Pricelist.h"
#include "service/AccountSettings.h"
#include "templates/DownloadTemplateListTask.h"
#include "templates/DownloadTemplateTask.h"
#include "threads/TaskEvent.h"

using Brenmarle::DownloadTemplateListTask;
using Brenmarle::DownloadTemplateTask;

namespace {

const char* const LIST = "<templatelist><template><uuid>t-1</uuid></template></templatelist>";

class TemplateDownloadTest : public AccountFixture {
protected:
    TemplateDownloadTest()
    {
        dir.writeFile("data/files/templatelist.xml", LIST);
        Brenmarle::AccountSettings::store(configuration, anna());
        portalFolder = Brenmarle::AccountSettings::portalFolder("demo");
        templatesFolder = Quorvel::Environment::getUserDataDir() + "templates/";
    }

    Quorvel::Ref<DownloadTemplateListTask> listTask()
    {
        auto client = Quorvel::makeRef<Brenmarle::PortalClient_3_0>(settings);
        client->setAddress(portalAddress("demo", "anna@example.com", "secret"));
        return Quorvel::makeRef<DownloadTemplateListTask>(client, portalFolder, settings);
    }

    Quorvel::Ref<DownloadTemplateTask> packageTask(const wxString& package,
                                                   const wxString& preview = "preview.png")
    {
        Brenmarle::Template chosen;
        chosen.uuid = "t-1";
        chosen.version = 2;
        chosen.smallPackage = package;
        chosen.previewImage = preview;
        return Quorvel::makeRef<DownloadTemplateTask>(
            chosen, "http://demo.portal.vistrelle.net/files/templatelist.xml", templatesFolder,
            settings);
    }

    // A package served by the provider as /files/templates/NAME.
    void servePackage(const wxString& name, const std::vector<ZipEntry>& entries)
    {
        wxFileName::Mkdir(dir / "data/files/templates", 0755, wxPATH_MKDIR_FULL);
        ASSERT_TRUE(writeZip(dir / ("data/files/templates/" + name), entries));
    }

    wxString portalFolder;
    wxString templatesFolder;
};

} // namespace

TEST_F(TemplateDownloadTest, TheListComesFromTheAddressThePortalGives)
{
    auto task = listTask();
    const TaskOutcome outcome = TaskOutcome::runToEnd(task);
    ASSERT_EQ(outcome.type, Quorvel::EVT_TASK_FINISHED) << outcome.message;
    EXPECT_EQ(readUserFile("portals/demo/templatelist.xml"), LIST);
    EXPECT_EQ(filesUnder(portalFolder), 1u);
    EXPECT_EQ(task->getUrl(), "http://demo.portal.vistrelle.net:80/files/templatelist.xml");
    EXPECT_EQ(outcome.progressTexts, (std::vector<wxString>{"Updating list of templates"}));
    EXPECT_EQ(journalled("getTemplateListUrl"), 1u);
    EXPECT_EQ(journalled("/files/templatelist.xml"), 1u);
}

TEST_F(TemplateDownloadTest, AFailedDownloadKeepsThePreviousList)
{
    wxFileName::Mkdir(portalFolder, 0755, wxPATH_MKDIR_FULL);
    writeFile(portalFolder + "templatelist.xml", "<old/>");

    // Cut short: the provider announces the whole length and sends ten bytes.
    startProvider("[faults]\nrule = GET /files/templatelist.xml | truncate 10 | 1\n");
    TaskOutcome outcome = TaskOutcome::runToEnd(listTask());
    EXPECT_EQ(outcome.type, Quorvel::EVT_TASK_FAILED);
    EXPECT_EQ(outcome.message, wxString::Format("Downloaded bytes (10) does not match expected "
                                                "bytes (%zu)",
                                                strlen(LIST)));
    EXPECT_EQ(readUserFile("portals/demo/templatelist.xml"), "<old/>");
    EXPECT_EQ(filesUnder(portalFolder), 1u);

    wxRemoveFile(dir / "data/files/templatelist.xml");
    outcome = TaskOutcome::runToEnd(listTask());
    EXPECT_EQ(outcome.type, Quorvel::EVT_TASK_FAILED);
    EXPECT_EQ(outcome.message, "Error downloading template list: Response code 404");
    EXPECT_EQ(readUserFile("portals/demo/templatelist.xml"), "<old/>");
    EXPECT_EQ(filesUnder(portalFolder), 1u);
}

TEST_F(TemplateDownloadTest, AnAbortedDownloadLeavesNothing)
{
    auto task = listTask();
    task->abort();
    EXPECT_EQ(TaskOutcome::runToEnd(task).type, Quorvel::EVT_TASK_ABORTED);
    EXPECT_EQ(filesUnder(portalFolder), 0u);
}

TEST_F(TemplateDownloadTest, APackageIsUnpackedIntoTheTemplatesFolder)
{
    servePackage("t-1.zip", {{"preview.png", "png"}, {"pages/1.xml", "<page/>"}});
    auto task = packageTask("templates/t-1.zip");
    const TaskOutcome outcome = TaskOutcome::runToEnd(task);
    ASSERT_EQ(outcome.type, Quorvel::EVT_TASK_FINISHED) << outcome.message;
    EXPECT_EQ(task->getFolder(), templatesFolder + "t-1-2/");
    EXPECT_EQ(readFile(templatesFolder + "t-1-2/preview.png"), "png");
    EXPECT_EQ(readFile(templatesFolder + "t-1-2/pages/1.xml"), "<page/>");
    // Nothing of the work is left beside it.
    EXPECT_EQ(filesUnder(templatesFolder), 2u);
    EXPECT_EQ(outcome.progressTexts,
              (std::vector<wxString>{"Downloading template", "Unpacking template"}));

    // A new copy replaces the old one whole.
    servePackage("t-1.zip", {{"preview.png", "png 2"}});
    ASSERT_EQ(TaskOutcome::runToEnd(packageTask("templates/t-1.zip")).type,
              Quorvel::EVT_TASK_FINISHED);
    EXPECT_EQ(readFile(templatesFolder + "t-1-2/preview.png"), "png 2");
    EXPECT_EQ(filesUnder(templatesFolder), 1u);
}

TEST_F(TemplateDownloadTest, AHostilePackageIsRefusedAndTheEarlierCopyStays)
{
    servePackage("t-1.zip", {{"preview.png", "good"}});
    ASSERT_EQ(TaskOutcome::runToEnd(packageTask("templates/t-1.zip")).type,
              Quorvel::EVT_TASK_FINISHED);

    servePackage("evil.zip", {{"preview.png", "png"}, {"../../evil", "bad"}});
    TaskOutcome outcome = TaskOutcome::runToEnd(packageTask("templates/evil.zip"));
    EXPECT_EQ(outcome.type, Quorvel::EVT_TASK_FAILED);
    EXPECT_EQ(outcome.message, "Refused entry ../../evil in template package");
    // Nothing outside the templates folder: the user data directory holds its configuration
    // (user.ini), the portal folder and the one template.
    EXPECT_FALSE(wxFileExists(Quorvel::Environment::getUserDataDir() + "evil"));
    EXPECT_FALSE(wxFileExists(templatesFolder + "evil"));
    EXPECT_EQ(readFile(templatesFolder + "t-1-2/preview.png"), "good");
    EXPECT_EQ(filesUnder(templatesFolder), 1u);

    // A preview picture outside the package, or missing from it, refuses it too.
    servePackage("t-1.zip", {{"preview.png", "new"}});
    outcome = TaskOutcome::runToEnd(packageTask("templates/t-1.zip", "../../user.ini"));
    EXPECT_EQ(outcome.message, "The template's preview picture is missing");
    outcome = TaskOutcome::runToEnd(packageTask("templates/t-1.zip", "other.png"));
    EXPECT_EQ(outcome.message, "The template's preview picture is missing");
    EXPECT_EQ(readFile(templatesFolder + "t-1-2/preview.png"), "good");
    EXPECT_EQ(filesUnder(templatesFolder), 1u);
}

TEST_F(TemplateDownloadTest, AMissingOrCutPackageKeepsTheEarlierCopy)
{
    servePackage("t-1.zip", {{"preview.png", std::string(5000, 'g')}});
    ASSERT_EQ(TaskOutcome::runToEnd(packageTask("templates/t-1.zip")).type,
              Quorvel::EVT_TASK_FINISHED);
    EXPECT_EQ(TaskOutcome::runToEnd(packageTask("templates/none.zip")).message,
              "Error downloading template list: Response code 404");
    startProvider("[faults]\nrule = GET /files/templates/* | truncate 100 | 1\n");
    EXPECT_TRUE(TaskOutcome::runToEnd(packageTask("templates/t-1.zip"))
                    .message.StartsWith("Downloaded bytes (100)"));
    EXPECT_EQ(readFile(templatesFolder + "t-1-2/preview.png"), std::string(5000, 'g'));
    EXPECT_EQ(filesUnder(templatesFolder), 1u);
}
