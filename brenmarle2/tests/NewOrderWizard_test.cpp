// The new-order assistant driven as the user drives it, against the reference provider on
// loopback serving the example shop: what lands in the portal's folder, what the provider saw,
// and how a failed download leaves the price list installed before.
// With VISTRELLE_SHOTS set to a folder, each page looked at is also saved there as a picture.
#include <gtest/gtest.h>

#include <csignal>
#include <ctime>
#include <sys/wait.h>

#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/stattext.h>

#include "AccountFixture.h"
#include "ChildProcess.h"
#include "FindControls.h"
#include "PressButton.h"
#include "Screenshot.h"
#include "WaitUntil.h"
#include "ordering/DownloadPriceListSlave.h"
#include "ordering/NewOrderWizard.h"
#include "ordering/Pricelist.h"
#include "ordering/PricelistCache.h"
#include "system/Environment.h"
#include "ui/Accessibility.h"
#include "widgets/WizardErrorPage.h"
#include "widgets/WizardPage.h"

using Brenmarle::AccountSettings;
using Brenmarle::Pricelist;
using Brenmarle::PricelistCache;
using Quorvel::Wizard;
using namespace std::chrono_literals;

namespace {

const char* const EXAMPLE_SHOP = VISTRELLE_PROVIDER_SOURCE_DIR "/pricelist.xml";

// Every text the page shows, one after the other; the lines a text was wrapped into are
// joined again with blanks, so paragraph breaks show as two blanks.
wxString pageText(wxWindow* page)
{
    wxString text;
    for (wxWindow* child : page->GetChildren())
        if (auto* label = dynamic_cast<wxStaticText*>(child))
            text += label->GetLabel() + "\n";
    text.Replace("\n", " ");
    return text;
}

} // namespace

class NewOrderWizardTest : public AccountFixture {
protected:
    NewOrderWizardTest()
    {
        dir.writeFile("conf/demo-prices.xml", readFile(EXAMPLE_SHOP));
        AccountSettings::store(configuration, anna());
    }
    ~NewOrderWizardTest() override
    {
        if (wizard)
            wizard->Destroy();
        waitUntil([] { return true; });
    }
    void open()
    {
        wizard = new NewOrderWizard(nullptr, configuration, pricelists, &settings);
        wizard->Show();
    }
    wxString title() const
    {
        return wizard->getCurrentPage() ? wizard->getCurrentPage()->getTitle() : wxString();
    }
    // Waits until the download under way has ended.
    void waitForDownload()
    {
        ASSERT_TRUE(waitUntil([this] { return !wizard->isBusy(); }));
        waitUntil([] { return true; });
    }
    wxString failure() const
    {
        auto* error = dynamic_cast<Wizard::ErrorPage*>(wizard->getCurrentPage());
        return error ? error->getOperation() + " | " + error->getMessage() : "no error page";
    }
    void expectAllNamed(const wxString& shot)
    {
        shootIfAsked(*wizard, "neworder-" + shot);
        const auto unnamed = Quorvel::findUnnamedControls(*wizard->getCurrentPage());
        EXPECT_TRUE(unnamed.empty()) << title() << ": " << unnamed.size() << " unnamed, first "
                                     << (unnamed.empty() ? wxString() : unnamed[0]);
    }
    wxString installedFile() const
    {
        return Quorvel::Environment::getUserDataDir() + "portals/demo/pricelist.xml";
    }

    PricelistCache pricelists{Quorvel::Environment::getUserDataDir(),
                              configuration.getUserConfig()};
    NewOrderWizard* wizard = nullptr;
};

TEST_F(NewOrderWizardTest, DownloadsTheShopsPriceListAndEndsOnCongratulations)
{
    open();
    EXPECT_EQ(title(), "Helping you create a new photo order");
    EXPECT_NE(pageText(wizard->getCurrentPage())
                  .Find("The program is now downloading information about products and prices "
                        "from Demo Photo. This should not take very long."),
              wxNOT_FOUND);
    waitForDownload();
    ASSERT_EQ(title(), "Congratulations") << failure();
    EXPECT_EQ(pageText(wizard->getCurrentPage()),
              "You can now add pictures and other items to the shopping cart.  "
              "Close this window to continue... ");
    EXPECT_EQ(wizard->getButton(Wizard::ID_NEXT)->GetLabel(), "Close");
    EXPECT_FALSE(wizard->getButton(wxID_CANCEL)->IsShown());
    expectAllNamed("congratulations");

    // The provider was asked once, as Anna, for the formats this client reads.
    EXPECT_EQ(journalledArguments("downloadPriceList", "maxversion"),
              (std::vector<std::string>{Brenmarle::DownloadPriceListSlave::FORMAT_VERSION}));
    // The portal's pricelist.xml, read back from disk, holds what the provider serves, and it
    // is the current one now, fresh.
    ASSERT_TRUE(wxFileExists(installedFile()));
    EXPECT_EQ(Pricelist::load(installedFile())->toXML(), Pricelist::load(EXAMPLE_SHOP)->toXML());
    ASSERT_TRUE(pricelists.get());
    EXPECT_TRUE(pricelists.isValid(std::time(nullptr)));
    EXPECT_FALSE(userKey(PricelistCache::UPDATE_TIME_KEY).empty());
    EXPECT_TRUE(wizard->hasInstalled());

    pressButton(wizard->getButton(Wizard::ID_NEXT));
    EXPECT_FALSE(wizard->IsShown());
    EXPECT_EQ(wizard->GetReturnCode(), wxID_OK);
}

TEST_F(NewOrderWizardTest, AFailedDownloadKeepsTheListInstalledBeforeAndNextTriesAgain)
{
    ASSERT_TRUE(pricelists.install("demo",
                                   Pricelist::fromXML("<pricelist><uuid>old</uuid>"
                                                      "</pricelist>"),
                                   1000));
    startProvider(
        "[faults]\nrule = portal/downloadPriceList | fault Server.Busy Shop closed | 1\n");
    open();
    waitForDownload();
    EXPECT_TRUE(failure().StartsWith("Could not download price list from Demo Photo | "))
        << failure();
    EXPECT_NE(failure().Find("Shop closed"), wxNOT_FOUND) << failure();
    expectAllNamed("failed");
    EXPECT_EQ(pricelists.get()->uuid, "old");
    EXPECT_EQ(pricelists.getUpdateTime(), 1000);

    // A document the pricing code cannot read is no better: the old list stays.
    pressButton(wizard->getButton(Wizard::ID_BACK));
    ASSERT_TRUE(waitUntil([this] { return title() == "Helping you create a new photo order"; }));
    ASSERT_TRUE(wizard->getButton(Wizard::ID_NEXT)->IsEnabled());
    dir.writeFile("conf/demo-prices.xml", "<html><body>502 Bad Gateway</body></html>");
    pressButton(wizard->getButton(Wizard::ID_NEXT));
    waitForDownload();
    EXPECT_EQ(failure(),
              "Could not download price list from Demo Photo | Could not load price list from "
              "XML document");
    EXPECT_EQ(Pricelist::load(installedFile())->uuid, "old");
    EXPECT_FALSE(wizard->hasInstalled());

    // Back, and the next try gets the shop's list.
    dir.writeFile("conf/demo-prices.xml", readFile(EXAMPLE_SHOP));
    pressButton(wizard->getButton(Wizard::ID_BACK));
    ASSERT_TRUE(waitUntil([this] { return title() == "Helping you create a new photo order"; }));
    pressButton(wizard->getButton(Wizard::ID_NEXT));
    waitForDownload();
    ASSERT_EQ(title(), "Congratulations") << failure();
    EXPECT_EQ(pricelists.get()->uuid, Pricelist::load(EXAMPLE_SHOP)->uuid);
    EXPECT_EQ(journalled("downloadPriceList"), 3u);
}

TEST_F(NewOrderWizardTest, CancelWhileDownloadingInstallsNothing)
{
    startProvider("[faults]\nrule = portal/downloadPriceList | delay 60000 | 1\n");
    open();
    // The download runs in the background; the header says so meanwhile, and Next waits.
    ASSERT_TRUE(wizard->isBusy());
    EXPECT_EQ(wizard->getBusyText(), "Downloading price list - please wait");
    EXPECT_FALSE(wizard->getButton(Wizard::ID_NEXT)->IsEnabled());
    expectAllNamed("downloading");
    // The first page's title in the header is shown whole, in its bold font.
    bool titleSeen = false;
    for (wxStaticText* label : findControls<wxStaticText>(wizard)) {
        if (label->GetLabel() != "Helping you create a new photo order")
            continue;
        titleSeen = true;
        wxClientDC dc(label);
        dc.SetFont(label->GetFont());
        EXPECT_GE(label->GetSize().x, dc.GetTextExtent(label->GetLabel()).x);
    }
    EXPECT_TRUE(titleSeen);
    ASSERT_TRUE(wizard->isBusy());
    pressButton(wizard->getButton(wxID_CANCEL));
    EXPECT_EQ(wizard->GetReturnCode(), wxID_CANCEL);
    waitUntil([] { return true; });
    EXPECT_FALSE(pricelists.get());
    EXPECT_FALSE(wxFileExists(installedFile()));
}

// The real program, asked to add an item to the cart with an account but no price list, opens
// the assistant; a termination signal while it downloads (the provider holds the reply) ends
// the program, as when the desktop session ends.
TEST_F(NewOrderWizardTest, SignalEndsTheProgramWithTheAssistantDownloading)
{
    startProvider("[faults]\nrule = portal/downloadPriceList | delay 60000 | 1\n");
    writeFile(Quorvel::Environment::getNetworkSettingsPath(),
              "[HttpProxy]\nHost=127.0.0.1\nPort=" + std::to_string(provider->port()) + "\n");
    wxSetEnv("WXTRACE", "DEBUG");
    ChildProcess program({VISTRELLE_BINARY, "--addtocart", "item-1"});
    wxUnsetEnv("WXTRACE");
    ASSERT_TRUE(program.waitForOutput("[NEWORDERWIZARD] Opened for portal demo", 30s))
        << program.output();
    // The download is under way when the signal comes.
    ASSERT_TRUE(program.waitForOutput("[DOWNLOADPRICELISTSLAVE] Downloading price list", 15s))
        << program.output();
    EXPECT_EQ(program.endOnSignal(SIGTERM, 5s), "");
}
