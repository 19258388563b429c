// The ordering assistant driven as the user drives it, against the reference provider on
// loopback: the pages, their texts, what the provider saw and what became of the cart.
// With VISTRELLE_SHOTS set to a folder, each page looked at is also saved there as a picture.
#include <gtest/gtest.h>

#include <csignal>
#include <ctime>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/eventfilter.h>
#include <wx/filefn.h>
#include <wx/listbox.h>
#include <wx/radiobut.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "AccountFixture.h"
#include "ChildProcess.h"
#include "FindControls.h"
#include "PressButton.h"
#include "Screenshot.h"
#include "TestPictures.h"
#include "WaitUntil.h"
#include "WizardDriver.h"
#include "database/Database.h"
#include "filemanager/FileManager.h"
#include "ordering/Order.h"
#include "ordering/OrderPart.h"
#include "ordering/Ordering.h"
#include "ordering/Pricelist.h"
#include "ordering/PricelistCache.h"
#include "ordering/ScaledCopies.h"
#include "ordering/SendOrderPages.h"
#include "ordering/SendOrderWizard.h"
#include "ordering/ShoppingCart.h"
#include "service/NetworkSettings.h"
#include "service/PaymentClient_1_0.h"
#include "threads/TaskEvent.h"
#include "ui/Accessibility.h"
#include "widgets/PaymentPages.h"
#include "widgets/WizardErrorPage.h"
#include "widgets/WizardPage.h"

using Quorvel::Wizard;
using namespace std::chrono_literals;

namespace {

const char* const EXAMPLE_SHOP = VISTRELLE_PROVIDER_SOURCE_DIR "/pricelist.xml";

// The example shop with one product's first price row changed (or the product renamed away).
std::string shopWith(const std::string& from, const std::string& to)
{
    std::string shop = readFile(EXAMPLE_SHOP);
    const size_t at = shop.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        shop.replace(at, from.size(), to);
    return shop;
}

const char* const PRICE_10X15 =
    "<productprice><quantity>1</quantity><price>0.30</price><type>0</type></productprice>";

} // namespace

class SendOrderWizardTest : public AccountFixture, public WizardDriver<SendOrderWizard> {
protected:
    SendOrderWizardTest() : WizardDriver("order-")
    {
        dir.writeFile("conf/demo-prices.xml", readFile(EXAMPLE_SHOP));
        account = anna();
        const wxString data = Quorvel::Environment::getUserDataDir();
        wxFileName::Mkdir(data, 0700, wxPATH_MKDIR_FULL);
        Brenmarle::Database::getInstance().open(data + "database.db");
        files = std::make_unique<Brenmarle::FileManager>();
        TestPictures::writeJpeg(home / "IMG_0001.JPG", 320, 240);
        ordering =
            std::make_unique<Ordering>(data, configuration.getUserConfig(), "demo", files.get());
    }
    ~SendOrderWizardTest() override
    {
        close();
        ordering.reset();
        files.reset();
        Brenmarle::Database::getInstance().close();
    }
    void close()
    {
        if (wizard)
            wizard->Destroy();
        wizard = nullptr;
        waitUntil([] { return true; });
    }

    // Makes `shop` the cached price list the cart was filled against, and fills the cart.
    void fillCart(const std::string& shop, const std::vector<wxString>& products,
                  int productType = 1)
    {
        ordering->getPricelists().install("demo", Brenmarle::Pricelist::fromXML(shop),
                                          std::time(nullptr));
        for (const wxString& product : products) {
            auto part = std::make_unique<Brenmarle::OrderPart>(productType);
            part->productUuid = product;
            part->quantity = 2;
            part->setSingleFile("file://" + home.path() + "IMG_0001.JPG");
            ordering->getCart().addPart(std::move(part));
        }
    }
    void open()
    {
        wizard = new SendOrderWizard(nullptr, *ordering, account, configuration, &settings);
        wizard->Show();
    }

    Brenmarle::AccountSettings::Account account;
    std::unique_ptr<Brenmarle::FileManager> files;
    std::unique_ptr<Ordering> ordering;
};

TEST_F(SendOrderWizardTest, WelcomePageNamesTheProviderAndTheOrder)
{
    fillCart(readFile(EXAMPLE_SHOP), {"print-10x15", "print-13x18"});
    open();
    EXPECT_EQ(wizard->GetTitle(), "Online Ordering Assistant");
    EXPECT_EQ(wizard->getStepNames(),
              (std::vector<wxString>{"Review", "Delivery", "Upload", "Payment", "Receipt"}));
    EXPECT_EQ(title(), "Welcome to the ordering assistant");
    EXPECT_EQ(page()->getStep(), SendOrderWizard::STEP_REVIEW);
    EXPECT_TRUE(shows("This assistant will guide you through sending the order to Demo Photo via "
                      "the Internet."));
    const wxString total = ordering->getCart().getPricelist()->formatAmount(
        ordering->getCart().getOrder().getBaseCost());
    EXPECT_TRUE(shows("You have chosen to purchase 4 products for a total of " + total +
                      " (postage not included)."))
        << total;
    // The example shop sells no CD.
    EXPECT_TRUE(findControls<wxCheckBox>(page()).empty());
    expectAllNamed("intro");
}

TEST_F(SendOrderWizardTest, ARaisedPriceIsShownOldAndNewBeforeGoingOn)
{
    // The cart was priced when 10 x 15 prints cost 0.20; the provider now asks 0.30.
    fillCart(shopWith(PRICE_10X15, "<productprice><quantity>1</quantity><price>0.20</price>"
                                   "<type>0</type></productprice>"),
             {"print-10x15"});
    open();
    const auto& pricelist = *ordering->getCart().getPricelist();
    const wxString before = pricelist.formatAmount(ordering->getCart().getOrder().getBaseCost());
    next();
    ASSERT_EQ(title(), "The price list has been updated!") << failure();
    EXPECT_EQ(journalled("downloadPriceList"), 1u);
    const wxString after = ordering->getCart().getPricelist()->formatAmount(
        ordering->getCart().getOrder().getBaseCost());
    EXPECT_NE(before, after);
    EXPECT_TRUE(shows("Old Price:"));
    EXPECT_TRUE(shows(before)) << before;
    EXPECT_TRUE(shows("New Price:"));
    EXPECT_TRUE(shows(after)) << after;
    EXPECT_TRUE(shows("If the new price is acceptable to you, just click 'Next' to continue. "
                      "Otherwise, please cancel now."));
    // The new price list is the one installed, for the cart and on disk.
    EXPECT_EQ(ordering->getPricelists().get()->toXML(),
              Brenmarle::Pricelist::fromXML(readFile(EXAMPLE_SHOP))->toXML());
    expectAllNamed("new-price");
}

TEST_F(SendOrderWizardTest, ARemovedProductLeadsToTheMissingProductPageOnly)
{
    // The cart holds a product the provider no longer sells.
    fillCart(shopWith("<uuid>print-13x18</uuid>", "<uuid>print-13x18-old</uuid>"),
             {"print-10x15", "print-13x18-old"});
    open();
    next();
    ASSERT_EQ(title(), "Products have been removed from price list!") << failure();
    EXPECT_TRUE(shows("One or more of your ordered products have been removed from the price "
                      "list. There may be new equivalent products available."));
    EXPECT_TRUE(shows("Please close this window and update your shopping cart. The items in "
                      "question are clearly marked."));
    EXPECT_TRUE(shows("We sincerely apologize for this inconvenience."));
    // Close is the only button.
    EXPECT_EQ(wizard->getButton(Wizard::ID_NEXT)->GetLabel(), "Close");
    EXPECT_FALSE(wizard->getButton(Wizard::ID_BACK)->IsShown());
    EXPECT_FALSE(wizard->getButton(wxID_CANCEL)->IsShown());
    expectAllNamed("missing-product");
    pressButton(wizard->getButton(Wizard::ID_NEXT));
    EXPECT_TRUE(waitUntil([this] { return !wizard->IsShown(); }));
    // The cart keeps both items.
    EXPECT_EQ(ordering->getCart().getPartCount(), 2u);
}

namespace {

// Nothing to pay: free 10 x 15 prints, no base charge, pickup for free.
std::string freeShop()
{
    std::string shop = shopWith(PRICE_10X15, "<productprice><quantity>1</quantity><price>0</price>"
                                             "<type>0</type></productprice>");
    const std::string charge = "<basecharge>1.50</basecharge>";
    shop.replace(shop.find(charge), charge.size(), "<basecharge>0</basecharge>");
    return shop;
}

} // namespace

class SendOrderWizardPickupTest : public SendOrderWizardTest {
protected:
    SendOrderWizardPickupTest() { dir.writeFile("conf/demo-prices.xml", freeShop()); }

    // From the welcome page to the start of the upload, as a pickup or mail order. The
    // customer is asked for when the provider knows no full name and phone.
    void sendUntilUpload(bool byMail = false)
    {
        open();
        next();
        ASSERT_EQ(title(), "Please choose your preferred method of delivery") << failure();
        auto* method = pageAs<SendOrderWizard::DeliveryMethodPage>();
        EXPECT_TRUE(method->getMail()->IsEnabled());
        (byMail ? method->getMail() : method->getPickup())->SetValue(true);
        expectAllNamed("delivery-method");
        next();
        if (byMail)
            chooseMailDelivery();
        else
            choosePickup();
        if (HasFatalFailure())
            return;
        if (auto* customer = pageAs<SendOrderWizard::UserInfoPage>()) {
            customer->m_name->ChangeValue("Anna");
            customer->m_phone->ChangeValue("123-456");
            next();
            EXPECT_EQ(wizard->getHeaderStatus().text, "You must include both first and last name");
            customer->m_name->ChangeValue(" Anna Berg ");
            next();
            EXPECT_EQ(wizard->getHeaderStatus().text, "You must type in a valid phone number");
            customer->m_phone->ChangeValue("+47 123 45 678");
            expectAllNamed("user-info");
            next();
        }
        if (byMail)
            giveAddress();
        ASSERT_EQ(title(), "Extra order options") << failure();
        pageAs<SendOrderWizard::OptionsPage>()->m_comment->ChangeValue("Glossy, please");
        expectAllNamed("options");
        next();
        ASSERT_EQ(title(), "Resize pictures before sending order") << failure();
        expectAllNamed("scaling");
        next();
        ASSERT_EQ(title(), "Review order summary and start upload") << failure();
        expectAllNamed("start-upload");
    }
    void choosePickup()
    {
        ASSERT_EQ(title(), "Please choose where you want to pick up the order") << failure();
        auto* pickup = pageAs<SendOrderWizard::ChoosePickupPage>();
        ASSERT_EQ(pickup->getLocations()->GetCount(), 1u);
        EXPECT_EQ(pickup->getLocations()->GetString(0),
                  "Pick up in the shop - Unknown address, Unknown city");
        expectAllNamed("pickup");
        next();
        ASSERT_EQ(title(), "Please choose an alternative below") << failure();
        auto* options = pageAs<SendOrderOptionListPage>();
        ASSERT_EQ(options->getList()->GetCount(), 1u);
        EXPECT_TRUE(options->getList()->GetString(0).EndsWith("Delivery time: within 2 days"))
            << options->getList()->GetString(0);
        expectAllNamed("outlet-options");
        next();
    }
    void chooseMailDelivery()
    {
        ASSERT_EQ(title(), "Mail delivery options") << failure();
        auto* options = pageAs<SendOrderOptionListPage>();
        ASSERT_EQ(options->getList()->GetCount(), 1u);
        EXPECT_TRUE(options->getList()->GetString(0).EndsWith("Delivery time: within 3 days"))
            << options->getList()->GetString(0);
        expectAllNamed("mail-options");
        next();
    }
    void giveAddress()
    {
        ASSERT_EQ(title(), "Provide the delivery address for this order") << failure();
        auto* address = pageAs<SendOrderWizard::DeliveryAddressPage>();
        address->m_fields.name->ChangeValue("Anna Berg");
        next();
        EXPECT_EQ(wizard->getHeaderStatus().text, "You must type in your address");
        address->m_fields.address1->ChangeValue("Storgata 1");
        address->m_fields.postalCode->ChangeValue("0155");
        next();
        EXPECT_EQ(wizard->getHeaderStatus().text, "You must fill out the city field");
        address->m_fields.city->ChangeValue(" Oslo ");
        EXPECT_TRUE(wizard->getButton(Wizard::ID_BACK)->IsEnabled());
        EXPECT_TRUE(wizard->getButton(Wizard::ID_NEXT)->IsEnabled());
        expectAllNamed("address");
        next();
    }
};

TEST_F(SendOrderWizardPickupTest, APickupOrderEndsOnTheReceiptAndASecondSendHasNothingToUpload)
{
    fillCart(freeShop(), {"print-10x15"});
    sendUntilUpload();
    if (HasFatalFailure())
        return;
    EXPECT_TRUE(shows("1 file must be uploaded to our server"));
    EXPECT_EQ(wizard->getUploadCount(), 1u);
    next();
    ASSERT_EQ(title(), "Your order has been confirmed") << failure();
    EXPECT_TRUE(shows("Thank you for your order! The reference number for your order is:"));
    EXPECT_FALSE(wizard->getReference().empty());
    EXPECT_TRUE(shows(wizard->getReference()));
    EXPECT_TRUE(shows("The order can be pickup up at Pick up in the shop."));
    EXPECT_TRUE(shows("The chosen delivery time is 2 days, but remember to take our opening hours "
                      "into consideration."));
    EXPECT_TRUE(shows("A receipt has also been sent to you by e-mail."));
    expectAllNamed("receipt");
    // The calls in their order; nothing to pay, so no transaction.
    const std::vector<std::string> expected = {"downloadPriceList",
                                               "createSession",
                                               "getDefaultPickupLocation",
                                               "setDefaultPickupLocation",
                                               "getUserInformation",
                                               "setUserInformation",
                                               "createOrder",
                                               "uploadOrderDetails",
                                               "getFileUploadList",
                                               "registerFile",
                                               "verifyOrder",
                                               "confirmOrder"};
    std::vector<std::string> seen;
    for (const std::string& operation : journalledOperations())
        if (std::find(expected.begin(), expected.end(), operation) != expected.end())
            seen.push_back(operation);
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(journalled("getTransactionId"), 0u);
    EXPECT_EQ(journalledArguments("setDefaultPickupLocation", "pickuplocation"),
              (std::vector<std::string>{"shop-oslo"}));

    // Closing with the box checked empties the cart.
    EXPECT_TRUE(pageAs<SendOrderWizard::ReceiptPage>()->getClearBox()->GetValue());
    pressButton(wizard->getButton(Wizard::ID_NEXT));
    EXPECT_TRUE(waitUntil([this] { return !wizard->IsShown(); }));
    EXPECT_EQ(ordering->getCart().getPartCount(), 0u);
    close();

    // The same picture again: the server holds it already.
    fillCart(freeShop(), {"print-10x15"});
    sendUntilUpload();
    if (HasFatalFailure())
        return;
    EXPECT_TRUE(shows("No files need to be uploaded"));
    EXPECT_TRUE(shows("Our server already has the file required by this order."));
    EXPECT_EQ(journalled("getUserInformation"), 2u);
    EXPECT_EQ(journalled("setUserInformation"), 1u); // known by now
    next();
    ASSERT_EQ(title(), "Your order has been confirmed") << failure();
    EXPECT_EQ(journalled("registerFile"), 1u);
}

namespace {

// What the upload page's status line says each time a progress report of the task reaches
// the wizard (before the page takes it in), each text once in turn.
class UploadStatusTrail : public wxEventFilter {
public:
    explicit UploadStatusTrail(const SendOrderWizard& wizard) : m_wizard(wizard)
    {
        wxEvtHandler::AddFilter(this);
    }
    ~UploadStatusTrail() override { wxEvtHandler::RemoveFilter(this); }
    int FilterEvent(wxEvent& event) override
    {
        if (event.GetEventType() == Quorvel::EVT_TASK_PROGRESS)
            note();
        return Event_Skip;
    }

    std::vector<wxString> texts;

private:
    void note()
    {
        auto* page = dynamic_cast<SendOrderWizard::UploadPage*>(m_wizard.getCurrentPage());
        if (!page)
            return;
        wxString text = page->getStatus()->GetLabel();
        text.Replace("\n", " ");
        if (texts.empty() || texts.back() != text)
            texts.push_back(text);
    }

    const SendOrderWizard& m_wizard;
};

} // namespace

TEST_F(SendOrderWizardPickupTest, TheUploadPageCountsTheFilesAsTheyGo)
{
    fillCart(freeShop(), {"print-10x15"});
    // Two more pictures of their own (other sizes, so other contents).
    for (int i = 2; i <= 3; ++i) {
        const wxString name = wxString::Format("IMG_000%d.JPG", i);
        TestPictures::writeJpeg(home / name, 320 + 10 * i, 240);
        auto part = std::make_unique<Brenmarle::OrderPart>(1);
        part->productUuid = "print-10x15";
        part->quantity = 1;
        part->setSingleFile("file://" + home.path() + name);
        ordering->getCart().addPart(std::move(part));
    }
    sendUntilUpload();
    if (HasFatalFailure())
        return;
    ASSERT_EQ(wizard->getUploadCount(), 3u);
    UploadStatusTrail trail(*wizard);
    next();
    ASSERT_EQ(title(), "Your order has been confirmed") << failure();
    std::vector<wxString> uploading;
    wxString all;
    for (const wxString& text : trail.texts) {
        all += text + " | ";
        if (text.StartsWith("Uploading file"))
            uploading.push_back(text);
    }
    EXPECT_EQ(uploading, (std::vector<wxString>{"Uploading file 1 of 3", "Uploading file 2 of 3",
                                                "Uploading file 3 of 3"}))
        << all;
    EXPECT_EQ(journalled("registerFile"), 3u);
}

TEST_F(SendOrderWizardPickupTest, AMailOrderKeepsItsAddressIsPaidAfterTwoPollsAndConfirmed)
{
    // The provider takes payments over HTTPS; the program trusts the test authority as its own.
    startProvider("\n[provider]\npaymenthost = localhost\n[faults]\n"
                  "rule = payment/sendPaymentDetails | outcome processed 1\n",
                  true);
    home.writeFile("program/certs/cacert.pem", readFile(TEST_CA_DIR "/cacert.pem"));
    // Postage is charged, so something is to be paid.
    fillCart(freeShop(), {"print-10x15"});
    sendUntilUpload(true);
    if (HasFatalFailure())
        return;
    EXPECT_EQ(userKey("Ordering/MailName"), "Anna Berg");
    EXPECT_EQ(userKey("Ordering/MailAddress1"), "Storgata 1");
    EXPECT_EQ(userKey("Ordering/MailAddress2"), "");
    EXPECT_EQ(userKey("Ordering/MailPostalCode"), "0155");
    EXPECT_EQ(userKey("Ordering/MailCity"), "Oslo");
    EXPECT_EQ(ordering->getCart().getOrder().deliveryAddress.city, "Oslo");
    EXPECT_GT(wizard->getAcceptedTotal(), Brenmarle::Money());
    // Back passes over the page that only waited on the server; coming again sends the
    // details again to the order already created.
    ASSERT_TRUE(wizard->getButton(Wizard::ID_BACK)->IsEnabled());
    pressButton(wizard->getButton(Wizard::ID_BACK));
    waitUntil([] { return true; });
    ASSERT_EQ(title(), "Resize pictures before sending order");
    next();
    ASSERT_EQ(title(), "Review order summary and start upload") << failure();
    EXPECT_EQ(journalled("createOrder"), 1u);
    EXPECT_EQ(journalled("uploadOrderDetails"), 2u);

    // The payment server is reached directly (no proxy), with the program's own authority.
    Quorvel::NetworkSettings direct{dir / "direct.ini"};
    EXPECT_EQ(Brenmarle::PaymentClient_1_0::defaultCaFile(),
              home.path() + "program/certs/cacert.pem");
    wizard->setPaymentTransport(direct, Brenmarle::PaymentClient_1_0::defaultCaFile());
    wizard->setPaymentPollSecond(1ms);
    next();
    ASSERT_EQ(title(), "Please choose a payment method") << failure();
    EXPECT_TRUE(
        shows(wxString::Format("Amount to pay: EUR %0.2f", wizard->getAcceptedTotal().toDouble())));
    auto* method = pageAs<BrenmarleWizard::PaymentMethodPage>();
    ASSERT_EQ(method->getChoices().size(), 2u);
    EXPECT_EQ(method->getChoices()[0]->GetLabel(), "Credit card");
    EXPECT_TRUE(method->getChoices()[0]->GetValue());
    expectAllNamed("payment-method");
    next();
    ASSERT_EQ(title(), "Enter your card details") << failure();
    auto* card = pageAs<BrenmarleWizard::CardDetailsPage>();
    card->m_holder->ChangeValue("Anna Berg");
    card->m_number->ChangeValue("4111 1111 1111 1112");
    card->m_expiry->ChangeValue("12/30");
    card->m_code->ChangeValue("123");
    next();
    EXPECT_EQ(wizard->getHeaderStatus().text, "The card number is not valid");
    EXPECT_EQ(journalled("sendPaymentDetails"), 0u);
    card->m_number->ChangeValue("4111 1111 1111 1111");
    expectAllNamed("card-details");
    next();
    ASSERT_EQ(title(), "Your order has been confirmed") << failure();
    EXPECT_TRUE(wizard->wasConfirmed());
    EXPECT_EQ(journalled("getPaymentOptions"), 1u);
    EXPECT_EQ(journalled("sendPaymentDetails"), 1u);
    EXPECT_EQ(journalled("getPaymentFeedback"), 2u);
    EXPECT_EQ(journalled("confirmOrder"), 1u);
    EXPECT_EQ(dir.readFile("data/journal.jsonl").find("4111111111111111"), std::string::npos);
    // The next order's address page starts from the one remembered.
    close();
    wizard = new SendOrderWizard(nullptr, *ordering, account, configuration, &settings);
    EXPECT_EQ(wizard->getMailAddress().addressLine1, "Storgata 1");
}

TEST_F(SendOrderWizardPickupTest, AFailedPaymentEndsOnItsErrorAndTheOrderIsNotConfirmed)
{
    startProvider("\n[provider]\npaymenthost = localhost\n[faults]\n"
                  "rule = payment/sendPaymentDetails | outcome failed\n",
                  true);
    fillCart(freeShop(), {"print-10x15"});
    sendUntilUpload(true);
    if (HasFatalFailure())
        return;
    Quorvel::NetworkSettings direct{dir / "direct.ini"};
    wizard->setPaymentTransport(direct, TEST_CA_DIR "/cacert.pem");
    wizard->setPaymentPollSecond(1ms);
    next();
    ASSERT_EQ(title(), "Please choose a payment method") << failure();
    // By invoice, to an address remembered for the next time.
    pageAs<BrenmarleWizard::PaymentMethodPage>()->getChoices()[1]->SetValue(true);
    next();
    ASSERT_EQ(title(), "Provide the invoice address") << failure();
    auto* invoice = pageAs<BrenmarleWizard::InvoiceAddressPage>();
    invoice->m_fields.name->ChangeValue("Anna Berg");
    next();
    EXPECT_EQ(wizard->getHeaderStatus().text, "You must type in your address");
    invoice->m_fields.address1->ChangeValue("Kontorveien 2");
    invoice->m_fields.postalCode->ChangeValue("0150");
    invoice->m_fields.city->ChangeValue("Oslo");
    expectAllNamed("invoice-address");
    next();
    EXPECT_EQ(failure(), "The payment did not go through | Error (Declined): The card issuer "
                         "declined the payment");
    // The issuer's answer would only come again.
    EXPECT_FALSE(pageAs<Wizard::ErrorPage>()->isRetryAllowed());
    EXPECT_EQ(userKey("Invoicing/Address1"), "Kontorveien 2");
    EXPECT_EQ(journalled("confirmOrder"), 0u);
    EXPECT_FALSE(wizard->wasConfirmed());
}

class SendOrderWizardPaymentTest : public SendOrderWizardPickupTest {
protected:
    // A mail order (postage is charged) up to the payment method, with the provider taking
    // payments as `rules` say.
    void payUntilMethod(const std::string& rules)
    {
        startProvider(
            "\n[provider]\npaymenthost = localhost\npaymenthold = 600\n[faults]\n" + rules, true);
        fillCart(freeShop(), {"print-10x15"});
        sendUntilUpload(true);
        if (HasFatalFailure())
            return;
        wizard->setPaymentTransport(direct, TEST_CA_DIR "/cacert.pem");
        wizard->setPaymentPollSecond(1ms);
        next();
        fillCardDetails();
    }

    Quorvel::NetworkSettings direct{dir / "direct.ini"};
};

TEST_F(SendOrderWizardPaymentTest, TheIssuerCheckIsShownOnceThenThePaymentGoesOn)
{
    payUntilMethod("rule = payment/sendPaymentDetails | outcome auth-client 2\n");
    if (HasFatalFailure())
        return;
    next();
    ASSERT_EQ(title(), "Confirm the payment with your card issuer") << failure();
    // The issuer's page is https: it may be opened (not here: no browser in a test).
    EXPECT_TRUE(pageAs<BrenmarleWizard::IssuerCheckPage>()->getOpenButton()->IsEnabled());
    EXPECT_TRUE(wizard->getButton(Wizard::ID_NEXT)->IsEnabled());
    expectAllNamed("issuer-check");
    EXPECT_EQ(journalled("getPaymentFeedback"), 1u);
    next();
    ASSERT_EQ(title(), "Your order has been confirmed") << failure();
    EXPECT_EQ(journalled("getPaymentFeedback"), 3u);
    EXPECT_EQ(journalled("sendPaymentDetails"), 1u);
}

TEST_F(SendOrderWizardPaymentTest, ALostReplyAndNextAgainChargeOnce)
{
    payUntilMethod("rule = payment/sendPaymentDetails | drop-reply | 1\n");
    if (HasFatalFailure())
        return;
    next();
    ASSERT_NE(dynamic_cast<Wizard::ErrorPage*>(page()), nullptr) << title();
    EXPECT_TRUE(failure().StartsWith("Could not send payment details | ")) << failure();
    pressButton(wizard->getButton(Wizard::ID_BACK));
    waitUntil([] { return true; });
    ASSERT_EQ(title(), "Enter your card details");
    next();
    ASSERT_EQ(title(), "Your order has been confirmed") << failure();
    EXPECT_EQ(journalled("sendPaymentDetails"), 1u);
    EXPECT_EQ(journalled("getTransactionStatus"), 1u);
}

TEST_F(SendOrderWizardPaymentTest, ALostReplyOffersRetryWhichChargesOnce)
{
    payUntilMethod("rule = payment/sendPaymentDetails | drop-reply | 1\n");
    if (HasFatalFailure())
        return;
    next();
    retry("Could not send payment details");
    ASSERT_EQ(title(), "Your order has been confirmed") << failure();
    EXPECT_EQ(journalled("sendPaymentDetails"), 1u);
    EXPECT_EQ(journalled("getTransactionStatus"), 1u);
    EXPECT_EQ(journalled("confirmOrder"), 1u);
}

TEST_F(SendOrderWizardPaymentTest, APendingPaymentEndsOnTheTimeOutText)
{
    payUntilMethod("rule = payment/sendPaymentDetails | outcome pending\n");
    if (HasFatalFailure())
        return;
    next();
    EXPECT_EQ(failure(), "The payment did not go through | The payment request did not complete "
                         "after 180 seconds. If your payment did get through, the money will be "
                         "automatically refunded.");
    EXPECT_EQ(journalled("confirmOrder"), 0u);
    EXPECT_FALSE(wizard->wasConfirmed());
}

TEST(BrenmarleWizard, OnlyHttpsIssuerPagesAreOpened)
{
    EXPECT_TRUE(BrenmarleWizard::isIssuerAddress("https://bank.example/check?t=1"));
    for (const char* address :
         {"http://bank.example/check", "file:///etc/passwd", "javascript:alert(1)",
          "https://user@bank.example/", "", "https://"})
        EXPECT_FALSE(BrenmarleWizard::isIssuerAddress(address)) << address;
}

TEST_F(SendOrderWizardPickupTest, LargePrintPicturesAreSentAsScaledCopiesThatGoWithTheCart)
{
    // Prints of the kind the scaling knows (product type 0), and a picture far larger than a
    // 10 x 15 print needs.
    std::string shop = freeShop();
    const size_t product = shop.find("<uuid>print-10x15</uuid>");
    const std::string type = "<producttype>1</producttype>";
    shop.replace(shop.find(type, product), type.size(), "<producttype>0</producttype>");
    dir.writeFile("conf/demo-prices.xml", shop);
    TestPictures::writeJpeg(home / "IMG_0001.JPG", 3000, 2000);
    fillCart(shop, {"print-10x15"}, 0);
    sendUntilUpload();
    if (HasFatalFailure())
        return;
    const wxString copy = ordering->getCart().getPart(0).getFirstFileUri();
    ASSERT_TRUE(Brenmarle::ScaledCopies::isScaledCopy(copy)) << copy;
    const wxString path = Brenmarle::ScaledCopies::pathOf(
        Brenmarle::ScaledCopies::folderOf(Quorvel::Environment::getUserDataDir()), copy);
    EXPECT_TRUE(wxFileExists(path));
    EXPECT_LT(wxFileName::GetSize(path), wxFileName::GetSize(home / "IMG_0001.JPG"));
    next();
    ASSERT_EQ(title(), "Your order has been confirmed") << failure();
    // The service was told of the copy under its own reference.
    const auto registered = journalledArguments("registerFile", "clientref");
    ASSERT_EQ(registered.size(), 1u);
    EXPECT_EQ(registered[0], std::string(copy.utf8_str()));
    // Emptying the cart on Close takes the copy with it.
    pressButton(wizard->getButton(Wizard::ID_NEXT));
    EXPECT_TRUE(waitUntil([this] { return !wizard->IsShown(); }));
    EXPECT_FALSE(wxFileExists(path));
}

TEST_F(SendOrderWizardPickupTest, FilesOnCdAreCartItemsWhileTheAssistantRuns)
{
    // A CD product, free like the rest.
    std::string shop = freeShop();
    shop.replace(shop.find("</products>"), 0,
                 "<product><uuid>cd</uuid><name><string>Pictures on CD</string></name>"
                 "<producttype>5</producttype><productprices><productprice><quantity>1"
                 "</quantity><price>0</price><type>0</type></productprice></productprices>"
                 "</product>");
    dir.writeFile("conf/demo-prices.xml", shop);
    fillCart(shop, {"print-10x15"});
    open();
    auto* intro = pageAs<SendOrderWizard::IntroPage>();
    ASSERT_NE(intro->getCdBox(), nullptr);
    EXPECT_EQ(intro->getCdBox()->GetLabel(), "I would also like to order the files on CD");
    auto* copies = findControls<wxSpinCtrl>(page()).at(0);
    EXPECT_FALSE(copies->IsEnabled());
    expectAllNamed("intro-cd");
    intro->getCdBox()->SetValue(true);
    copies->SetValue(2);
    next();
    ASSERT_EQ(title(), "Please choose your preferred method of delivery") << failure();
    ASSERT_EQ(ordering->getCart().getPartCount(), 2u);
    const Brenmarle::OrderPart& cd = ordering->getCart().getPart(1);
    EXPECT_EQ(cd.productType, 5);
    EXPECT_EQ(cd.quantity, 2);
    ASSERT_EQ(cd.files.size(), 1u);
    EXPECT_EQ(cd.files[0].data, "IMG_0001.JPG");
    // Scaling is not offered with the files on CD.
    wizard->pushPage(new SendOrderWizard::ScalingPage(wizard));
    EXPECT_FALSE(pageAs<SendOrderWizard::ScalingPage>()->m_allow->IsEnabled());
    EXPECT_TRUE(shows("(Picture resizing is disabled because you also have ordered the files on "
                      "CD)"));
    expectAllNamed("scaling-cd");
    // Cancelled before the order was confirmed: the CD item leaves the cart again.
    pressButton(wizard->getButton(wxID_CANCEL));
    EXPECT_TRUE(waitUntil([this] { return !wizard->IsShown(); }));
    close();
    EXPECT_EQ(ordering->getCart().getPartCount(), 1u);
}

// The real program with the assistant open, reached as the cart's "Order Checkout" is, ends
// on a termination signal, as when the desktop session ends.
TEST_F(SendOrderWizardTest, SignalEndsTheProgramWithTheAssistantOpen)
{
    Brenmarle::AccountSettings::store(configuration, account);
    fillCart(readFile(EXAMPLE_SHOP), {"print-10x15"});
    configuration.flushUserConfig();
    // The cart is saved as the program would leave it, and the catalogue is the program's.
    ordering.reset();
    files.reset();
    Brenmarle::Database::getInstance().close();
    // Anything the program asks of a network goes to the provider, never further.
    writeFile(Quorvel::Environment::getNetworkSettingsPath(),
              "[HttpProxy]\nHost=127.0.0.1\nPort=" + std::to_string(provider->port()) + "\n");
    wxSetEnv("WXTRACE", "DEBUG");
    ChildProcess program({VISTRELLE_BINARY, "--openuri", "app://order/checkout"});
    wxUnsetEnv("WXTRACE");
    ASSERT_TRUE(program.waitForOutput("[SENDORDERWIZARD] Opened for 1 order parts", 30s))
        << program.output();
    EXPECT_EQ(program.endOnSignal(SIGTERM, 5s), "");
}
