// The template chooser against the reference provider on loopback serving the example shop's
// template list and packages: what the user sees, what the provider saw, what lands on disk.
// With VISTRELLE_SHOTS set to a folder, each state looked at is also saved there as a picture.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <sys/wait.h>

#include <wx/button.h>
#include <wx/dir.h>
#include <wx/file.h>
#include <wx/filename.h>
#include <wx/listbox.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "AccountFixture.h"
#include "ChildProcess.h"
#include "PressButton.h"
#include "Screenshot.h"
#include "TestZip.h"
#include "WaitUntil.h"
#include "ordering/Pricelist.h"
#include "templates/ChooseTemplateDialog.h"
#include "ui/Accessibility.h"

using Brenmarle::AccountSettings;
using namespace std::chrono_literals;

namespace {

const wxString EXAMPLE = VISTRELLE_PROVIDER_SOURCE_DIR "/";

std::vector<wxString> itemsOf(wxListBox* list)
{
    std::vector<wxString> items;
    for (unsigned i = 0; i < list->GetCount(); ++i)
        items.push_back(list->GetString(i));
    return items;
}

} // namespace

class ChooseTemplateDialogTest : public AccountFixture {
protected:
    ChooseTemplateDialogTest()
    {
        // The example shop's list and packages, served from the provider's data folder.
        wxFileName::Mkdir(dir / "data/files/templates", 0755, wxPATH_MKDIR_FULL);
        wxCopyFile(EXAMPLE + "files/templatelist.xml", dir / "data/files/templatelist.xml");
        wxArrayString packages;
        wxDir::GetAllFiles(EXAMPLE + "files/templates", &packages, "*.zip");
        for (const wxString& package : packages)
            wxCopyFile(package,
                       dir / ("data/files/templates/" + wxFileName(package).GetFullName()));
        pricelist = Brenmarle::Pricelist::load(EXAMPLE + "pricelist.xml");
        AccountSettings::store(configuration, anna());
    }
    ~ChooseTemplateDialogTest() override
    {
        if (dialog)
            dialog->Destroy();
        waitUntil([] { return true; });
    }

    // Opens the dialog and waits until it has shown what it is going to show.
    void open()
    {
        if (dialog)
            dialog->Destroy();
        dialog = new ChooseTemplateDialog(nullptr, configuration, pricelist, &settings);
        dialog->Show();
        dialog->start();
        ASSERT_TRUE(waitUntil([&] { return !dialog->isBusy(); }));
    }
    void chooseCategory(const wxString& label)
    {
        const int index = dialog->getCategoryList()->FindString(label, true);
        ASSERT_NE(index, wxNOT_FOUND) << label;
        dialog->chooseCategory(index);
    }
    void expectAllNamed(const wxString& shot)
    {
        shootIfAsked(*dialog, "templates-" + shot);
        const auto unnamed = Quorvel::findUnnamedControls(*dialog);
        EXPECT_TRUE(unnamed.empty()) << shot << ": first unnamed " << unnamed.front();
    }
    wxString status() const { return dialog->getStatusLabel()->GetLabel(); }
    void setListAge(int64_t seconds)
    {
        configuration.getUserConfig().writeDate(Brenmarle::TemplateList::UPDATE_TIME_KEY,
                                                wxDateTime(wxDateTime::GetTimeNow() - seconds));
    }

    std::shared_ptr<const Brenmarle::Pricelist> pricelist;
    ChooseTemplateDialog* dialog = nullptr;
};

TEST_F(ChooseTemplateDialogTest, ShowsTheProvidersTemplatesByCategoryWithPricesAndSizes)
{
    open();
    EXPECT_EQ(itemsOf(dialog->getCategoryList()),
              (std::vector<wxString>{"All Calendars", "12 Page Calendars", "13 Page Calendars",
                                     "All Cards", "Christmas Cards", "Invitations",
                                     "Cards (SUMMER)", "Photo Booklets"}));
    EXPECT_EQ(itemsOf(dialog->getTemplateList()),
              (std::vector<wxString>{"Family year", "Four seasons"}));
    EXPECT_EQ(dialog->getNameLabel()->GetLabel(), "Family year");
    EXPECT_EQ(dialog->getPriceLabel()->GetLabel(), "Prices from EUR 14.90");
    EXPECT_EQ(dialog->getSizesLabel()->GetLabel(), "Available in sizes: 297 x 420 mm");
    EXPECT_TRUE(dialog->getDownloadButton()->IsEnabled());
    expectAllNamed("calendars");
    // A screen reader meets the lists by name and reads the template's price and sizes.
    std::vector<wxString> read;
    for (const Quorvel::AccessibleNode& node : Quorvel::readAccessibleTree(*dialog))
        read.push_back(node.name);
    for (const char* name : {"Categories", "Templates", "Prices from EUR 14.90",
                             "Available in sizes: 297 x 420 mm", "Download Template"})
        EXPECT_NE(std::find(read.begin(), read.end(), name), read.end()) << name;

    chooseCategory("Cards (SUMMER)");
    EXPECT_EQ(itemsOf(dialog->getTemplateList()), (std::vector<wxString>{"Summer party"}));
    EXPECT_EQ(dialog->getPriceLabel()->GetLabel(), "Prices from EUR 1.50");
    EXPECT_EQ(dialog->getSizesLabel()->GetLabel(), "Available in sizes: 148 x 105 mm");
    chooseCategory("Photo Booklets");
    EXPECT_EQ(itemsOf(dialog->getTemplateList()), (std::vector<wxString>{"Holiday booklet"}));

    // The list was downloaded once, and its time and address kept.
    EXPECT_EQ(journalled("getTemplateListUrl"), 1u);
    EXPECT_EQ(journalled("/files/templatelist.xml"), 1u);
    EXPECT_FALSE(userKey(Brenmarle::TemplateList::UPDATE_TIME_KEY).empty());
    EXPECT_EQ(userKey(Brenmarle::TemplateList::URL_KEY),
              "http://demo.portal.vistrelle.net:80/files/templatelist.xml");
}

TEST_F(ChooseTemplateDialogTest, TheListIsFetchedAgainOnlyAfterThreeDays)
{
    open();
    // (A list fetched in this very second is no fresher than "strictly before now".)
    setListAge(60);
    open();
    EXPECT_EQ(journalled("/files/templatelist.xml"), 1u);
    EXPECT_EQ(dialog->getCategoryList()->GetCount(), 8u);
    setListAge(Brenmarle::TemplateList::MAX_AGE_SECONDS + 60);
    open();
    // Which times count as fresh is the template list's test.
    EXPECT_EQ(journalled("/files/templatelist.xml"), 2u);
}

TEST_F(ChooseTemplateDialogTest, AFailedUpdateSaysSoAndKeepsTheListThereWas)
{
    open();
    setListAge(Brenmarle::TemplateList::MAX_AGE_SECONDS + 60);
    wxRemoveFile(dir / "data/files/templatelist.xml");
    open();
    EXPECT_EQ(status(), "Could not update template list: Error downloading template list: "
                        "Response code 404");
    EXPECT_EQ(dialog->getCategoryList()->GetCount(), 8u);
    expectAllNamed("update-failed");

    startProvider("[faults]\nrule = GET /files/templatelist.xml | truncate 40\n");
    wxCopyFile(EXAMPLE + "files/templatelist.xml", dir / "data/files/templatelist.xml");
    open();
    EXPECT_TRUE(status().StartsWith("Could not update template list: Downloaded bytes (40) does "
                                    "not match expected bytes"))
        << status();
    EXPECT_EQ(dialog->getCategoryList()->GetCount(), 8u);
}

TEST_F(ChooseTemplateDialogTest, ADownloadedTemplateShowsItsPreview)
{
    open();
    chooseCategory("Christmas Cards");
    EXPECT_FALSE(dialog->getPreview()->GetBitmap().IsOk());
    pressButton(dialog->getDownloadButton());
    EXPECT_TRUE(dialog->isBusy());
    EXPECT_FALSE(dialog->getDownloadButton()->IsEnabled());
    ASSERT_TRUE(waitUntil([&] { return !dialog->isBusy(); }));
    EXPECT_EQ(status(), "The template is ready on this computer.");
    const wxString folder =
        Quorvel::Environment::getUserDataDir() + "templates/christmas-greetings-2/";
    EXPECT_EQ(dialog->getTemplateFolder(), folder);
    EXPECT_TRUE(wxFileExists(folder + "template.xml"));
    EXPECT_TRUE(dialog->getPreview()->GetBitmap().IsOk());
    expectAllNamed("downloaded");
}

TEST_F(ChooseTemplateDialogTest, AHostilePackageIsRefusedWithItsReason)
{
    ASSERT_TRUE(writeZip(dir / "data/files/templates/summer-party.zip",
                         {{"preview.png", "png"}, {"../../evil", "bad"}}));
    open();
    chooseCategory("Invitations");
    dialog->downloadChosenTemplate();
    ASSERT_TRUE(waitUntil([&] { return !dialog->isBusy(); }));
    EXPECT_EQ(status(), "Could not download the template: Refused entry ../../evil in template "
                        "package");
    EXPECT_FALSE(wxFileExists(Quorvel::Environment::getUserDataDir() + "evil"));
    EXPECT_EQ(filesUnder(Quorvel::Environment::getUserDataDir() + "templates"), 0u);
    expectAllNamed("refused");
}

TEST_F(ChooseTemplateDialogTest, WithoutPricesThePortalsPricelistIsFetchedAndInstalledFirst)
{
    // The demo portal sells what the example shop sells.
    wxCopyFile(EXAMPLE + "pricelist.xml", dir / "conf/demo-prices.xml");
    startProvider();
    std::vector<std::shared_ptr<const Brenmarle::Pricelist>> installed;
    dialog = new ChooseTemplateDialog(nullptr, configuration, nullptr, &settings,
                                      [&](const std::shared_ptr<const Brenmarle::Pricelist>& p) {
                                          installed.push_back(p);
                                          return true;
                                      });
    dialog->Show();
    dialog->start();
    EXPECT_EQ(status(), "Downloading price list - please wait");
    ASSERT_TRUE(waitUntil([&] { return dialog->getCategoryList()->GetCount() > 0; }));
    ASSERT_EQ(installed.size(), 1u);
    EXPECT_NE(installed[0]->findProduct("card-folded-a6"), nullptr);
    EXPECT_EQ(dialog->getCategoryList()->GetCount(), 8u);
    EXPECT_EQ(journalled("downloadPriceList"), 1u);
}

TEST_F(ChooseTemplateDialogTest, APricelistThatCannotBeHadIsSaidAndNotAskedForAgain)
{
    startProvider("[faults]\nrule = portal/downloadPriceList | fault Server No price list\n");
    int asked = 0;
    dialog = new ChooseTemplateDialog(nullptr, configuration, nullptr, &settings,
                                      [&](const std::shared_ptr<const Brenmarle::Pricelist>&) {
                                          ++asked;
                                          return true;
                                      });
    dialog->Show();
    dialog->start();
    ASSERT_TRUE(waitUntil([&] { return !dialog->isBusy(); }));
    EXPECT_TRUE(status().StartsWith("Could not download price list: ")) << status();
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(dialog->getCategoryList()->GetCount(), 0u);
    expectAllNamed("no-pricelist");
}

// The price list is read by the pricing code before anything is installed: a document it
// cannot read is said and never handed on; closing the dialog while the portal holds the reply
// ends the download at once.
TEST_F(ChooseTemplateDialogTest, AnUnreadablePricelistIsNotInstalledAndClosingStopsTheDownload)
{
    wxFile(dir / "conf/demo-prices.xml", wxFile::write).Write(wxString("<html>502</html>"));
    startProvider();
    int asked = 0;
    const auto install = [&](const std::shared_ptr<const Brenmarle::Pricelist>&) {
        ++asked;
        return true;
    };
    dialog = new ChooseTemplateDialog(nullptr, configuration, nullptr, &settings, install);
    dialog->Show();
    dialog->start();
    ASSERT_TRUE(waitUntil([&] { return !dialog->isBusy(); }));
    EXPECT_EQ(status(),
              "Could not download price list: Could not load price list from XML document");
    EXPECT_EQ(asked, 0);

    startProvider("[faults]\nrule = portal/downloadPriceList | delay 60000\n");
    dialog->Destroy();
    dialog = new ChooseTemplateDialog(nullptr, configuration, nullptr, &settings, install);
    dialog->start();
    ASSERT_TRUE(dialog->isBusy());
    const auto closing = std::chrono::steady_clock::now();
    delete dialog;
    dialog = nullptr;
    EXPECT_LT(std::chrono::steady_clock::now() - closing, 5s);
    EXPECT_EQ(asked, 0);
}

TEST_F(ChooseTemplateDialogTest, WithoutAccountOrPricesItSaysWhatToDo)
{
    pricelist.reset();
    open();
    EXPECT_TRUE(status().StartsWith("The prices of your photo service")) << status();
    EXPECT_EQ(dialog->getCategoryList()->GetCount(), 0u);
    EXPECT_FALSE(dialog->getDownloadButton()->IsEnabled());
    AccountSettings::logOut(configuration);
    open();
    EXPECT_TRUE(status().StartsWith("Cards and calendars come from your photo service"))
        << status();
    expectAllNamed("no-account");
    EXPECT_EQ(journalled("getTemplateListUrl"), 0u);
}

// The real program with the dialog open ends on a termination signal, as when the desktop
// session ends.
TEST(ChooseTemplateDialogProgram, SignalEndsTheProgramWithTheDialogOpen)
{
    ScratchDir home{ScratchDir::AsHome};
    wxSetEnv("WXTRACE", "DEBUG");
    ChildProcess program({VISTRELLE_BINARY, "--openuri", "app://tools/createproducts"});
    wxUnsetEnv("WXTRACE");
    ASSERT_TRUE(program.waitForOutput("[CHOOSETEMPLATEDIALOG] Opened", 30s)) << program.output();
    program.signal(SIGTERM);
    const int status = program.waitForExit(5s);
    ASSERT_NE(status, -1) << "the program did not end: " << program.output();
    EXPECT_TRUE(WIFEXITED(status)) << program.output();
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
