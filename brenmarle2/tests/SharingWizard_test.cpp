// The sharing assistant driven as the user drives it: the pages and their texts, the checks of
// what is typed, the e-mail handed to a stand-in for the desktop's mail tool, and prints put
// into the cart. With VISTRELLE_SHOTS set to a folder, each page looked at is saved there.
#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/radiobut.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <Magick++.h>

#include "AccountFixture.h"
#include "FakeMailTool.h"
#include "FindControls.h"
#include "PressButton.h"
#include "ProviderStore.h"
#include "Screenshot.h"
#include "TestPictures.h"
#include "WaitUntil.h"
#include "WizardDriver.h"
#include "database/Database.h"
#include "filemanager/FileManager.h"
#include "ordering/OrderPart.h"
#include "ordering/Ordering.h"
#include "ordering/Pricelist.h"
#include "ordering/PricelistCache.h"
#include "ordering/ShoppingCart.h"
#include "sharing/SharingPages.h"
#include "sharing/SharingWizard.h"
#include "ui/Accessibility.h"
#include "widgets/WizardErrorPage.h"

using Quorvel::Wizard;

class SharingWizardTest : public AccountFixture, public WizardDriver<SharingWizard> {
protected:
    SharingWizardTest() : WizardDriver("sharing-")
    {
        const wxString data = Quorvel::Environment::getUserDataDir();
        wxFileName::Mkdir(data, 0700, wxPATH_MKDIR_FULL);
        Brenmarle::Database::getInstance().open(data + "database.db");
        files = std::make_unique<Brenmarle::FileManager>();
    }
    ~SharingWizardTest() override
    {
        if (wizard)
            wizard->Destroy();
        waitUntil([] { return true; });
        files.reset();
        Brenmarle::Database::getInstance().close();
    }

    // JPEG pictures on the user's disk, by path below the home folder.
    std::vector<wxString> pictures(const std::vector<wxString>& relatives)
    {
        std::vector<wxString> uris;
        for (const wxString& relative : relatives) {
            wxFileName::Mkdir(wxFileName(home / relative).GetPath(), 0700, wxPATH_MKDIR_FULL);
            TestPictures::writeJpeg(home / relative, 1200, 900);
            uris.push_back("file://" + home.path() + relative);
        }
        return uris;
    }
    void open(const std::vector<wxString>& uris, int method = -1)
    {
        wizard = new SharingWizard(nullptr, uris, configuration, hooks, method, &settings);
        wizard->Show();
    }
    void offer(const char* key) { configuration.getGlobalConfig().writeBool(key, true); }

    // Chooses `method` on the method page and goes on.
    void choose(SharingWizard::Method method)
    {
        auto* methods = pageAs<SharingWizard::SharingMethodPage>();
        ASSERT_TRUE(methods) << title();
        ASSERT_TRUE(methods->getChoice(method)) << method;
        methods->getChoice(method)->SetValue(true);
        next();
    }
    // Types the recipients, picks the size and goes on.
    void recipients(const wxString& typed, int sizeIndex = -1)
    {
        auto* form = dynamic_cast<SharingRecipientsPage*>(page());
        ASSERT_TRUE(form) << title();
        form->getRecipients()->ChangeValue(typed);
        if (sizeIndex >= 0)
            form->getSizes()->SetSelection(sizeIndex);
        next();
    }
    void withAccount() { Brenmarle::AccountSettings::store(configuration, anna()); }
    // The account pays for MMS with this phone.
    void activatePhone(const std::string& phone)
    {
        Provider::ProviderStore store(std::string((dir / "data/provider.db").utf8_str()));
        auto account = store.findAccount("demo", "anna@example.com").value();
        account.activatedPhone = phone;
        store.saveAccount(account);
    }

    std::unique_ptr<Brenmarle::FileManager> files;
    SharingWizard::Hooks hooks;
};

TEST_F(SharingWizardTest, TheMethodPageOffersWhatTheConfigurationAllows)
{
    open(pictures({"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_EQ(wizard->GetTitle(), "Photo Sharing Assistant");
    EXPECT_EQ(title(), "How would you like to share the 3 photos?");
    EXPECT_TRUE(shows("Photos are only accessible by recipients"));
    EXPECT_TRUE(shows("Using your default email client"));
    EXPECT_FALSE(shows("Recipients must support MMS"));
    EXPECT_FALSE(shows("Order prints delivered to a mailing address"));
    expectAllNamed("method");
    wizard->Destroy();

    offer("Functions/EnableMobilePhoneServices");
    offer("Functions/EnableShareByPrints");
    open(pictures({"a.jpg"}), SharingWizard::BY_EMAIL);
    EXPECT_EQ(title(), "How would you like to share the photo?");
    auto* methods = pageAs<SharingWizard::SharingMethodPage>();
    EXPECT_EQ(methods->getChoice(SharingWizard::BY_MMS)->GetLabel(), "Send To Mobile Phone");
    EXPECT_EQ(methods->getChoice(SharingWizard::AS_PRINTS)->GetLabel(), "Share Printed Photos");
    // The command chose e-mail.
    EXPECT_TRUE(methods->getChoice(SharingWizard::BY_EMAIL)->GetValue());
    EXPECT_FALSE(methods->getChoice(SharingWizard::OVER_INTERNET)->GetValue());
}

TEST_F(SharingWizardTest, MmsTakesAtMostTwoPicturesAndChecksThePhoneNumbers)
{
    startProvider("[provider]\nmmsprice = 3.00\nmmscurrency = NOK\n");
    offer("Functions/EnableMobilePhoneServices");
    withAccount();
    activatePhone("4799999999");
    open(pictures({"a.jpg", "b.jpg", "c.jpg"}));
    choose(SharingWizard::BY_MMS);
    EXPECT_EQ(pageAs<SharingPage>()->getProblem(),
              "You cannot share more than two photos at a time by MMS");
    EXPECT_TRUE(pageAs<SharingWizard::SharingMethodPage>());
    wizard->Destroy();

    open(pictures({"a.jpg", "b.jpg"}));
    choose(SharingWizard::BY_MMS);
    ASSERT_TRUE(pageAs<SharingWizard::ShareByMmsPage>()) << title() << failure();
    EXPECT_EQ(journalled("getMmsInfo"), 1u);
    auto* mms = pageAs<SharingWizard::ShareByMmsPage>();
    EXPECT_EQ(mms->getCost()->GetLabel(),
              "Sending 2 picture to 0 recipients will cost you NOK 0.00.");
    EXPECT_TRUE(shows("It will be charged to your mobile phone bill."));
    mms->getRecipients()->SetValue("4711111, 4722222");
    EXPECT_EQ(mms->getCost()->GetLabel(),
              "Sending 2 picture to 2 recipients will cost you NOK 12.00.");
    EXPECT_TRUE(
        shows("Type in the mobile phone number of the person you would like to share with:"));
    EXPECT_EQ(pageAs<SharingRecipientsPage>()->getSizes()->GetStringSelection(),
              "Medium mobile size (320x240)");
    recipients("1234");
    EXPECT_EQ(pageAs<SharingPage>()->getProblem(), "You must type in a valid phone number");
    recipients("12345, 1234");
    EXPECT_EQ(pageAs<SharingPage>()->getProblem(), "You must type in only valid phone numbers");
    expectAllNamed("mms");
    recipients("12345, 98765", 0);
    ASSERT_TRUE(pageAs<SharingWizard::DescriptionPage>()) << title();
    EXPECT_EQ(wizard->getRecipients(), (std::vector<wxString>{"12345", "98765"}));
    EXPECT_EQ(wizard->getSize(), 160);
}

TEST_F(SharingWizardTest, AnAccountWithoutAnActivatedPhoneActivatesOneBeforeTheMms)
{
    startProvider("[provider]\nmmsprice = 3.00\nmmscurrency = NOK\n");
    offer("Functions/EnableMobilePhoneServices");
    withAccount();
    open(pictures({"a.jpg"}), SharingWizard::BY_MMS);
    next();
    ASSERT_TRUE(pageAs<SharingWizard::ShareByMmsPage>()) << title() << failure();
    EXPECT_EQ(journalled("getActivatedMobile"), 1u);
    recipients("4711111");
    auto* activation = pageAs<SharingWizard::MobileActivationPage>();
    ASSERT_TRUE(activation) << title() << failure();
    EXPECT_EQ(title(), "Activate your mobile phone");
    expectAllNamed("mms-activation");

    // Nothing goes to the service without a number that can be one, nor on without a code.
    activation->getPhone()->ChangeValue("12ab");
    pressButton(activation->getSendCode());
    EXPECT_EQ(activation->getProblem(), "You must type in a valid phone number");
    next();
    EXPECT_EQ(activation->getProblem(), "Type in the activation code you received");
    EXPECT_EQ(journalled("sendMobileActivationCode"), 0u);

    activation->getPhone()->ChangeValue(" 4799999999 ");
    pressButton(activation->getSendCode());
    ASSERT_TRUE(waitUntil([&] { return !activation->getSentText()->GetLabel().empty(); }))
        << failure();
    EXPECT_TRUE(
        shows("An activation code was sent to 4799999999. Type it in below and click 'Next'."));
    EXPECT_EQ(journalledArguments("sendMobileActivationCode", "phonenumber"),
              (std::vector<std::string>{"4799999999"}));
    // The code the phone got, as the test knows it.
    {
        Provider::ProviderStore store(std::string((dir / "data/provider.db").utf8_str()));
        const auto account = store.findAccount("demo", "anna@example.com").value();
        store.setActivationCode(account.id, "4799999999", "246810");
    }

    // A wrong code is the service's to refuse; back on the page, the right one activates.
    activation->getCode()->ChangeValue("135791");
    next();
    EXPECT_TRUE(failure().StartsWith("Could not activate your mobile phone | ")) << failure();
    EXPECT_TRUE(failure().Contains("The activation code is not right")) << failure();
    pressButton(wizard->getButton(Wizard::ID_BACK));
    ASSERT_TRUE(waitUntil([this] { return pageAs<SharingWizard::MobileActivationPage>(); }));
    pageAs<SharingWizard::MobileActivationPage>()->getCode()->ChangeValue("246810");
    next();
    ASSERT_EQ(title(), "Subject and comment") << failure();
    EXPECT_EQ(wizard->getActivatedPhone(), "4799999999");
    next();
    ASSERT_EQ(title(), "Photos were successfully shared") << failure();
    EXPECT_EQ(journalledArguments("shareByMms", "sent"), (std::vector<std::string>{"new"}));

    // The next MMS share goes straight on: the phone is known.
    wizard->Destroy();
    open(pictures({"b.jpg"}), SharingWizard::BY_MMS);
    next();
    recipients("4722222");
    EXPECT_EQ(title(), "Subject and comment") << failure();
}

TEST_F(SharingWizardTest, WebAddressesAreCheckedAndTheSubjectIsPrefilled)
{
    withAccount();
    open(pictures({"a.jpg", "b.jpg"}));
    choose(SharingWizard::OVER_INTERNET);
    ASSERT_EQ(title(), "Share photos over Internet");
    EXPECT_TRUE(wizard->getButton(Wizard::ID_BACK)->IsEnabled());
    EXPECT_TRUE(pageAs<SharingWizard::ShareByWebPage>()->getShareInfoBox()->GetValue());
    EXPECT_TRUE(shows("Size to share photos in:"));
    EXPECT_EQ(pageAs<SharingRecipientsPage>()->getSizes()->GetStringSelection(),
              "Small screen size (640x480)");
    expectAllNamed("web");
    recipients("anna@example");
    EXPECT_EQ(pageAs<SharingPage>()->getProblem(), "You must type in a valid email address");
    EXPECT_EQ(wizard->getHeaderStatus().text, "You must type in a valid email address");
    recipients("bo@example.org anna@example");
    EXPECT_EQ(pageAs<SharingPage>()->getProblem(), "You must type in only valid email addresses");
    recipients("bo@example.org; anna@example.com", 3);
    ASSERT_EQ(title(), "Subject and comment");
    EXPECT_EQ(wizard->getSize(), 1280);
    EXPECT_TRUE(wizard->getShareInfo());
    auto* description = pageAs<SharingWizard::DescriptionPage>();
    EXPECT_EQ(description->getSubject()->GetValue(), "Shared pictures!");
    expectAllNamed("description");
    description->getComment()->ChangeValue("From the summer");
    next();
    EXPECT_EQ(wizard->getComment(), "From the summer");
}

TEST_F(SharingWizardTest, WithoutAnAccountTheUserIsOfferedOneFirst)
{
    int asked = 0;
    hooks.registerAccount = [&] {
        ++asked;
        withAccount();
        return true;
    };
    open(pictures({"a.jpg"}));
    choose(SharingWizard::OVER_INTERNET);
    ASSERT_EQ(title(), "Account needed for web sharing!");
    EXPECT_TRUE(shows("You need to register a FREE account in order to share photos via web. "
                      "This assistant will aid you in registering one."));
    EXPECT_EQ(wizard->getButton(Wizard::ID_NEXT)->GetLabel(), "Register Account");
    expectAllNamed("account");
    next();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(shows("Click next to go on with sharing your photos."));
    EXPECT_EQ(wizard->getButton(Wizard::ID_NEXT)->GetLabel(), "Next");
    next();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(title(), "Share photos over Internet");
}

TEST_F(SharingWizardTest, AnEmailOfTwoPicturesOfTheSameNameReachesTheMailTool)
{
    const auto uris = pictures({"Summer/IMG_0001.JPG", "Winter/IMG_0001.JPG"});
    FakeMailTool tool;
    open(uris, SharingWizard::BY_EMAIL);
    next();
    ASSERT_EQ(title(), "Send photos as email attachments");
    EXPECT_TRUE(shows("The email will be sent with your preferred email application!"));
    expectAllNamed("email");
    recipients("anna@example.com, bo@example.org", 4); // full size
    ASSERT_EQ(title(), "Photos were successfully shared") << failure();
    EXPECT_TRUE(shows("You may now close this assistant!"));
    EXPECT_EQ(wizard->getButton(Wizard::ID_NEXT)->GetLabel(), "Close");
    expectAllNamed("receipt");

    const auto attachments = wizard->getAttachments();
    ASSERT_EQ(attachments.size(), 2u);
    EXPECT_EQ(wxFileName(attachments[0]).GetFullName(), "IMG_0001.JPG");
    EXPECT_EQ(wxFileName(attachments[1]).GetFullName(), "IMG_0001 (2).JPG");
    // Among the temporary files, which the next start empties.
    EXPECT_TRUE(attachments[0].StartsWith(Quorvel::Environment::getUserDataDir() + "temp/"));
    EXPECT_EQ(tool.arguments(),
              (std::vector<wxString>{"--utf8", "--subject", "Shared photos!", "--body",
                                     "Shared photos are attached to the message", "--attach",
                                     attachments[0], "--attach", attachments[1], "anna@example.com",
                                     "bo@example.org"}));
    EXPECT_EQ(tool.received("IMG_0001.JPG"), home.readFile("Summer/IMG_0001.JPG"));
    EXPECT_EQ(tool.received("IMG_0001 (2).JPG"), home.readFile("Winter/IMG_0001.JPG"));
    pressButton(wizard->getButton(Wizard::ID_NEXT));
    EXPECT_TRUE(waitUntil([this] { return !wizard->IsShown(); }));
}

TEST_F(SharingWizardTest, ScaledEmailAttachmentsAndAFailingMailTool)
{
    const auto uris = pictures({"beach.jpg"});
    FakeMailTool tool(1);
    open(uris, SharingWizard::BY_EMAIL);
    next();
    recipients("anna@example.com", 1); // 320 x 240
    ASSERT_TRUE(dynamic_cast<Wizard::ErrorPage*>(page())) << title();
    EXPECT_TRUE(failure().StartsWith("Could not send email | ")) << failure();
    expectAllNamed("email-failed");
    Magick::Image sent;
    sent.read(std::string(tool.receivedFolder().utf8_str()) + "beach.jpg");
    EXPECT_EQ(sent.columns(), 320u);
    EXPECT_EQ(sent.rows(), 240u);
    EXPECT_EQ(sent.quality(), 85u);
}

TEST_F(SharingWizardTest, AnAddressThatCouldSteerTheMailToolNeverReachesIt)
{
    FakeMailTool tool;
    open(pictures({"a.jpg"}), SharingWizard::BY_EMAIL);
    next();
    recipients("--attach=/etc/passwd@example.com");
    EXPECT_EQ(pageAs<SharingPage>()->getProblem(), "You must type in a valid email address");
    recipients("anna@example.com?attach=/etc/passwd.com");
    EXPECT_EQ(pageAs<SharingPage>()->getProblem(), "You must type in a valid email address");
    EXPECT_FALSE(tool.ran());
}

TEST_F(SharingWizardTest, SharedPrintsGoIntoTheShoppingCart)
{
    offer("Functions/EnableShareByPrints");
    withAccount();
    const wxString data = Quorvel::Environment::getUserDataDir();
    Ordering ordering(data, configuration.getUserConfig(), "demo", files.get());
    ordering.getPricelists().install(
        "demo",
        Brenmarle::Pricelist::fromXML(readFile(VISTRELLE_PROVIDER_SOURCE_DIR "/pricelist.xml")),
        std::time(nullptr));
    hooks.addPrints = [&](const std::vector<wxString>& uris) {
        std::vector<Brenmarle::PrintParts::Picture> prints;
        for (const wxString& uri : uris)
            prints.push_back({uri, 0, 0});
        ordering.orderPrints(prints);
        return true;
    };
    const auto uris = pictures({"a.jpg", "b.jpg"});
    open(uris, SharingWizard::AS_PRINTS);
    next();
    ASSERT_EQ(title(), "Share printed photos");
    EXPECT_TRUE(shows("To share the chosen photos on prints just click add to add them to the "
                      "shopping cart."));
    EXPECT_EQ(wizard->getButton(Wizard::ID_NEXT)->GetLabel(), "Add");
    expectAllNamed("prints");
    next();
    EXPECT_TRUE(waitUntil([this] { return !wizard->IsShown(); }));
    ASSERT_EQ(ordering.getCart().getPartCount(), 2u);
    EXPECT_EQ(ordering.getCart().getPart(0).getFirstFileUri(), uris[0]);
    EXPECT_EQ(ordering.getCart().getPart(1).getFirstFileUri(), uris[1]);
}

TEST_F(SharingWizardTest, AWebShareOfThreePicturesAt640EndsOnTheReceipt)
{
    withAccount();
    open(pictures({"Summer/IMG_0001.JPG", "Winter/IMG_0001.JPG", "c.jpg"}));
    choose(SharingWizard::OVER_INTERNET);
    recipients("bob@example.com"); // 640 x 480 is chosen
    ASSERT_EQ(title(), "Subject and comment");
    next();
    ASSERT_EQ(title(), "Photos were successfully shared") << failure();
    EXPECT_TRUE(shows("You may now close this assistant!"));
    EXPECT_EQ(journalledArguments("createShare", "subject"),
              std::vector<std::string>{"Shared pictures!"});
    EXPECT_EQ(journalledArguments("createShare", "previewsize"), std::vector<std::string>{"640"});
    // The share's calls are the sharing client's test; the assistant shows whom it served.
    EXPECT_EQ(wizard->getServed(), std::vector<wxString>{"bob@example.com"});
    expectAllNamed("web-receipt");
    pressButton(wizard->getButton(Wizard::ID_NEXT));
    EXPECT_TRUE(waitUntil([this] { return !wizard->IsShown(); }));
}

TEST_F(SharingWizardTest, AnMmsShareRepeatedAfterALostReplySendsNoMmsTwice)
{
    // The first MMS is sent, and its answer lost on the way.
    startProvider("[provider]\nmmsprice = 3.00\nmmscurrency = NOK\n"
                  "[faults]\nrule = sharing/shareByMms | drop-reply | 1\n");
    offer("Functions/EnableMobilePhoneServices");
    withAccount();
    activatePhone("4799999999");
    open(pictures({"a.jpg", "b.jpg"}), SharingWizard::BY_MMS);
    next();
    recipients("4711111, 4722222");
    ASSERT_EQ(title(), "Subject and comment") << failure();
    next();
    ASSERT_TRUE(dynamic_cast<Wizard::ErrorPage*>(page())) << title();
    EXPECT_TRUE(failure().StartsWith("Could not share photos | ")) << failure();
    expectAllNamed("mms-failed");
    // A lost answer is no refused connection: Retry is not offered, but going back and on
    // again goes on with the share where it was.
    EXPECT_FALSE(wizard->getButton(Wizard::ID_NEXT)->IsEnabled())
        << dynamic_cast<Wizard::ErrorPage*>(page())->getCode();
    pressButton(wizard->getButton(Wizard::ID_BACK));
    ASSERT_TRUE(waitUntil([this] { return title() == "Subject and comment"; })) << title();
    next();
    ASSERT_EQ(title(), "Photos were successfully shared") << failure();
    EXPECT_TRUE(shows("The photos were successfully shared by MMS to the following recipients:"));
    EXPECT_TRUE(shows("4711111"));
    EXPECT_TRUE(shows("4722222"));
    EXPECT_EQ(journalled("createShare"), 1u);
    EXPECT_EQ(journalled("registerFile"), 2u);
    EXPECT_EQ(journalledArguments("shareByMms", "sent"),
              (std::vector<std::string>{"new", "already", "new"}));
    expectAllNamed("mms-receipt");
}
