// The slot-renting assistant driven as the user drives it, against the reference provider on
// loopback with its payment service over TLS: the pages and their texts, what the provider
// journalled, and the slots the account has afterwards, read from outside.
// With VISTRELLE_SHOTS set to a folder, each page looked at is also saved there as a picture.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>

#include <wx/radiobut.h>

#include "AccountFixture.h"
#include "PressButton.h"
#include "WaitUntil.h"
#include "WizardDriver.h"
#include "safestorage/RentSlotsPages.h"
#include "safestorage/RentSlotsWizard.h"
#include "service/NetworkSettings.h"
#include "service/StorageClient_3_0.h"
#include "widgets/PaymentPages.h"
#include "widgets/WizardErrorPage.h"

using Brenmarle::StorageClient_3_0;
using Quorvel::Wizard;
using namespace std::chrono_literals;

class RentSlotsWizardTest : public AccountFixture, public WizardDriver<RentSlotsWizard> {
protected:
    RentSlotsWizardTest() : WizardDriver("rentslots-") {}
    ~RentSlotsWizardTest() override { close(); }
    void close()
    {
        if (wizard)
            wizard->Destroy();
        wizard = nullptr;
        waitUntil([] { return true; });
    }

    // Anna's assistant, with the provider taking payments as `rules` say, on its first page
    // once the packages have come.
    void open(const std::string& rules = std::string(), std::chrono::milliseconds pollSecond = 1ms)
    {
        startProvider(
            "\n[provider]\npaymenthost = localhost\npaymenthold = 600\n[faults]\n" + rules, true);
        Brenmarle::AccountSettings::store(configuration, anna());
        wizard = new RentSlotsWizard(nullptr, configuration, &settings);
        // The payment server is reached directly (no proxy), trusting the test authority.
        wizard->setPaymentTransport(direct, TEST_CA_DIR "/cacert.pem");
        wizard->setPaymentPollSecond(pollSecond);
        wizard->Show();
        ASSERT_TRUE(waitUntil([this] { return !wizard->isBusy(); }));
        waitUntil([] { return true; });
    }
    // Chooses the package at `index` and fills the card's details, up to its Next.
    void payUntilCard(size_t index)
    {
        ASSERT_EQ(title(), "Choose a safe storage package") << failure();
        auto* packages = pageAs<RentSlotsWizard::PackagesPage>();
        ASSERT_LT(index, packages->getChoices().size());
        packages->getChoices()[index]->SetValue(true);
        next();
        fillCardDetails();
    }
    // The first package paid for with the provider taking payments as `rules` say, up to
    // what follows the card's details.
    void payWith(const std::string& rules)
    {
        open(rules);
        if (!HasFatalFailure())
            payUntilCard(0);
        if (!HasFatalFailure())
            next();
    }
    // The slots the account rents, as the service tells anyone who asks.
    int leasedSlots()
    {
        auto storage = Quorvel::makeRef<StorageClient_3_0>(settings);
        storage->setAddress(portalAddress("demo", "anna@example.com", "secret"));
        storage->createSession();
        return storage->getSlotStatus().leasedSlots;
    }
    // The calls journalled from the assistant's first login on.
    std::vector<std::string> callsSinceLogin() const
    {
        auto calls = journalledOperations();
        const auto first = std::find(calls.begin(), calls.end(), "createSession");
        return std::vector<std::string>(first, calls.end());
    }

    Quorvel::NetworkSettings direct{dir / "direct.ini"};
};

TEST_F(RentSlotsWizardTest, APackageIsBoughtEndToEndAndItsSlotsAddedOnce)
{
    open();
    if (HasFatalFailure())
        return;
    ASSERT_EQ(title(), "Choose a safe storage package") << failure();
    auto* packages = pageAs<RentSlotsWizard::PackagesPage>();
    ASSERT_EQ(packages->getChoices().size(), 3u);
    EXPECT_EQ(packages->getChoices()[0]->GetLabel(), "100 picture slots");
    EXPECT_TRUE(packages->getChoices()[0]->GetValue());
    EXPECT_EQ(packages->getChoices()[2]->GetLabel(), "1000 picture slots");
    EXPECT_TRUE(shows("For a period of 1 year"));
    EXPECT_TRUE(shows("For a period of 2 years"));
    EXPECT_TRUE(shows("EUR 39.00"));
    expectAllNamed("packages");

    payUntilCard(1);
    if (HasFatalFailure())
        return;
    next();
    ASSERT_EQ(title(), "Safe storage subscription confirmed") << failure();
    EXPECT_TRUE(wizard->wasConfirmed());
    EXPECT_TRUE(shows("You have subscribed to 500 new picture slots."));
    const std::time_t expires = wizard->getConfirmation().expires;
    EXPECT_GT(expires, std::time(nullptr) + 364 * 24 * 3600);
    EXPECT_TRUE(shows("The subscription must be renewed by " +
                      wxDateTime(expires).Format("%d %B %Y", wxDateTime::UTC) + "."));
    EXPECT_TRUE(shows("(One picture slot can store a picture of up to 10 MB in size. Pictures "
                      "larger than this will occupy more than one slot)"));
    EXPECT_FALSE(wizard->getButton(wxID_CANCEL)->IsShown());
    expectAllNamed("confirmed");
    const std::vector<std::string> expected{
        "createSession",     "getSubscriptionPackages", "initiateSubscription",
        "getPaymentOptions", "sendPaymentDetails",      "getPaymentFeedback",
        "createSession",     "confirmSubscription",     "closeSession"};
    EXPECT_EQ(callsSinceLogin(), expected);
    EXPECT_EQ(journalledArguments("initiateSubscription", "slots"),
              std::vector<std::string>{"500"});
    EXPECT_EQ(leasedSlots(), 500);
    next();
    EXPECT_FALSE(wizard->IsShown());
}

TEST_F(RentSlotsWizardTest, ADeclinedPaymentAddsNoSlots)
{
    payWith("rule = payment/sendPaymentDetails | outcome failed\n");
    if (HasFatalFailure())
        return;
    EXPECT_EQ(failure(), "The payment did not go through | Error (Declined): The card issuer "
                         "declined the payment");
    ASSERT_NE(pageAs<Wizard::ErrorPage>(), nullptr) << title();
    EXPECT_FALSE(pageAs<Wizard::ErrorPage>()->isRetryAllowed());
    EXPECT_FALSE(wizard->wasConfirmed());
    EXPECT_EQ(journalled("confirmSubscription"), 0u);
    EXPECT_EQ(leasedSlots(), 0);
}

// A lost payment reply and Retry is the payment pages' own (the order assistant's tests); what
// follows here is the renting's confirmation.
TEST_F(RentSlotsWizardTest, ALostConfirmationAndRetryAddTheSlotsOnce)
{
    payWith("rule = storage/confirmSubscription | drop-reply | 1\n");
    if (HasFatalFailure())
        return;
    retry("Could not confirm subscription");
    ASSERT_EQ(title(), "Safe storage subscription confirmed") << failure();
    EXPECT_TRUE(shows("You have subscribed to 100 new picture slots."));
    EXPECT_EQ(journalled("confirmSubscription"), 2u);
    EXPECT_EQ(journalled("sendPaymentDetails"), 1u);
    EXPECT_EQ(leasedSlots(), 100);
}

TEST_F(RentSlotsWizardTest, CancelWhileThePaymentIsPolledEndsAtOnce)
{
    // Real seconds between polls: the assistant is waiting when Cancel comes.
    open("rule = payment/sendPaymentDetails | outcome pending\n", 1000ms);
    if (HasFatalFailure())
        return;
    payUntilCard(0);
    if (HasFatalFailure())
        return;
    pressButton(wizard->getButton(Wizard::ID_NEXT));
    ASSERT_TRUE(waitUntil(
        [this] { return wizard->getBusyText() == "Waiting for the payment to complete..."; }));
    EXPECT_EQ(journalled("sendPaymentDetails"), 1u);
    const auto pressed = std::chrono::steady_clock::now();
    pressButton(wizard->getButton(wxID_CANCEL));
    EXPECT_TRUE(waitUntil([this] { return !wizard->IsShown(); }));
    // Polling waits five seconds before it asks: Cancel does not wait them out.
    EXPECT_LT(std::chrono::steady_clock::now() - pressed, 4s);
    EXPECT_FALSE(wizard->wasConfirmed());
    EXPECT_EQ(journalled("confirmSubscription"), 0u);
}

TEST_F(RentSlotsWizardTest, APackageListThatCannotBeFetchedOffersRetry)
{
    open("rule = storage/getSubscriptionPackages | close | 1\n");
    if (HasFatalFailure())
        return;
    retry("Could not retrieve safe storage packages");
    ASSERT_EQ(title(), "Choose a safe storage package") << failure();
    EXPECT_EQ(pageAs<RentSlotsWizard::PackagesPage>()->getChoices().size(), 3u);
}

TEST(RentSlotsWizardTexts, PeriodsSizesAndPrices)
{
    EXPECT_EQ(RentSlotsWizard::slotsText(100), "100 picture slots");
    EXPECT_EQ(RentSlotsWizard::periodText("1"), "For a period of 1 year");
    EXPECT_EQ(RentSlotsWizard::periodText("3"), "For a period of 3 years");
    // What is no number of years is shown as the service wrote it.
    EXPECT_EQ(RentSlotsWizard::periodText("0"), "For a period of 0");
    EXPECT_EQ(RentSlotsWizard::periodText("6 months"), "For a period of 6 months");
    EXPECT_EQ(RentSlotsWizard::priceText(9.9, "EUR"), "EUR 9.90");
    EXPECT_EQ(RentSlotsWizard::sizeText(10 * 1024 * 1024), "10 MB");
    EXPECT_EQ(RentSlotsWizard::sizeText(1536), "1.5 KB");
    EXPECT_EQ(RentSlotsWizard::sizeText(1000), "1000 bytes");
    EXPECT_EQ(RentSlotsWizard::sizeText(int64_t(3) << 30), "3 GB");
    // Free slots never need renewing; without a slot size nothing is said of it.
    EXPECT_EQ(RentSlotsWizard::confirmedTexts(50, 0, 0),
              std::vector<wxString>{"You have subscribed to 50 new picture slots."});
    EXPECT_EQ(RentSlotsWizard::confirmedTexts(1, 1, 1024).size(), 3u);
}

TEST(RentSlotsWizardTexts, OnlyPackagesThatMakeSenseAreOffered)
{
    StorageClient_3_0::SubscriptionPackage package;
    package.slots = 100;
    package.period = "1";
    package.price = 9.9;
    package.currency = "EUR";
    EXPECT_TRUE(RentSlotsWizard::isOffered(package));
    auto with = [&](auto change) {
        auto changed = package;
        change(changed);
        return RentSlotsWizard::isOffered(changed);
    };
    EXPECT_FALSE(with([](auto& p) { p.slots = 0; }));
    EXPECT_FALSE(with([](auto& p) { p.slots = -5; }));
    EXPECT_FALSE(with([](auto& p) { p.price = -1; }));
    EXPECT_FALSE(with([](auto& p) { p.price = std::numeric_limits<double>::quiet_NaN(); }));
    EXPECT_FALSE(with([](auto& p) { p.price = std::numeric_limits<double>::infinity(); }));
    EXPECT_FALSE(with([](auto& p) { p.currency.clear(); }));
    // Free: no currency needed.
    EXPECT_TRUE(with([](auto& p) {
        p.price = 0;
        p.currency.clear();
    }));
}
