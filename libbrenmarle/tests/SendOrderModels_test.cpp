#include <gtest/gtest.h>

#include <limits>

#include "PricelistBuilder.h"
#include "ScratchDir.h"
#include "ordering/CustomerForm.h"
#include "ordering/PickupChoice.h"
#include "ordering/PriceCheck.h"
#include "ordering/SendOrderTexts.h"
#include "system/ConfigFile.h"

using namespace Brenmarle;

// ---- Customer details ----------------------------------------------------------------------

TEST(CustomerForm, UserInfoProblemsComeInTheOrderOfTheFields)
{
    EXPECT_EQ(CustomerForm::checkUserInfo("  ", ""), "You must type in your name");
    EXPECT_EQ(CustomerForm::checkUserInfo(" Ola ", ""),
              "You must include both first and last name");
    EXPECT_EQ(CustomerForm::checkUserInfo("Ola Nordmann", "   "),
              "You must type in a phone number");
    EXPECT_EQ(CustomerForm::checkUserInfo("Ola Nordmann", "+47 123 45 678"), "");
    EXPECT_EQ(CustomerForm::checkUserInfo("  Ola Nordmann ", " 12345 "), "");
}

TEST(CustomerForm, PhoneNumbersNeedFiveDigitsAndNothingButBlanksAndOneLeadingPlus)
{
    for (const char* refused :
         {"123-456", "+12 34", "1234", "++12345", "12+345", "12345a", "(0)12345", "+", "12\t345"})
        EXPECT_EQ(CustomerForm::checkUserInfo("Ola Nordmann", refused),
                  "You must type in a valid phone number")
            << refused;
    for (const char* accepted : {"12345", "+12345", "1 2 3 4 5", "+47 123 45 678"})
        EXPECT_EQ(CustomerForm::checkUserInfo("Ola Nordmann", accepted), "") << accepted;
}

TEST(CustomerForm, DeliveryAddressProblemsComeInTheOrderOfTheFields)
{
    Address address;
    EXPECT_EQ(CustomerForm::checkDeliveryAddress(address), "You must type in your name");
    address.name = "Kari";
    EXPECT_EQ(CustomerForm::checkDeliveryAddress(address),
              "You must include both first and last name");
    address.name = "Kari Nordmann";
    address.addressLine2 = "c/o Hansen"; // the second line alone is no address
    EXPECT_EQ(CustomerForm::checkDeliveryAddress(address), "You must type in your address");
    address.addressLine1 = "Storgata 1";
    EXPECT_EQ(CustomerForm::checkDeliveryAddress(address), "You must provide the postal code");
    address.postalCode = " 0155 ";
    EXPECT_EQ(CustomerForm::checkDeliveryAddress(address), "You must fill out the city field");
    address.city = "Oslo";
    EXPECT_EQ(CustomerForm::checkDeliveryAddress(address), "");
}

TEST(CustomerForm, NamesSplitAtTheFirstBlank)
{
    EXPECT_EQ(CustomerForm::splitName("  Ola  Jakob Nordmann "),
              std::make_pair(wxString("Ola"), wxString("Jakob Nordmann")));
    EXPECT_EQ(CustomerForm::splitName("Ola"), std::make_pair(wxString("Ola"), wxString()));
    EXPECT_TRUE(CustomerForm::needsUserInfo("Ola", " "));
    EXPECT_TRUE(CustomerForm::needsUserInfo("", "Nordmann"));
    EXPECT_FALSE(CustomerForm::needsUserInfo("Ola", "Nordmann"));
}

TEST(CustomerForm, MailAddressRoundTripsThroughTheConfiguration)
{
    ScratchDir dir;
    {
        Quorvel::ConfigFile config(dir / "user.ini");
        EXPECT_EQ(CustomerForm::readMailAddress(config), Address());
        Address address;
        address.name = " Kari Nordmann ";
        address.addressLine1 = "Storgata 1";
        address.addressLine2 = "Oppgang B = 2"; // '=' in a value
        address.postalCode = "0155";
        address.city = "Oslo";
        CustomerForm::writeMailAddress(config, address);
        config.flush();
    }
    Quorvel::ConfigFile reread(dir / "user.ini");
    wxString name;
    reread.readString(CustomerForm::MAIL_NAME_KEY, name);
    EXPECT_EQ(name, "Kari Nordmann");
    const Address back = CustomerForm::readMailAddress(reread);
    EXPECT_EQ(back.addressLine2, "Oppgang B = 2");
    EXPECT_EQ(back.city, "Oslo");
    EXPECT_EQ(back.postalCode, "0155");
}

// ---- Texts ---------------------------------------------------------------------------------

TEST(SendOrderTexts, DeliveryTimesInDaysFromOneDayElseHoursSingularForOne)
{
    EXPECT_EQ(SendOrderTexts::deliveryTimeEntry(86400), "Delivery time: within 1 day");
    EXPECT_EQ(SendOrderTexts::deliveryTimeEntry(3 * 86400), "Delivery time: within 3 days");
    EXPECT_EQ(SendOrderTexts::deliveryTimeEntry(3600), "Delivery time: 1 hour");
    EXPECT_EQ(SendOrderTexts::deliveryTimeEntry(20 * 3600), "Delivery time: 20 hours");
    EXPECT_EQ(SendOrderTexts::deliveryTimeEntry(0), "Delivery time: 0 hours");
    EXPECT_EQ(SendOrderTexts::deliveryTime(2 * 86400), "2 days");
    EXPECT_EQ(SendOrderTexts::deliveryTime(86400), "1 day");
    EXPECT_EQ(SendOrderTexts::deliveryTime(3600), "1 hour");
    EXPECT_TRUE(SendOrderTexts::isKnownTimeUnit('h'));
    EXPECT_FALSE(SendOrderTexts::isKnownTimeUnit('w'));
}

TEST(SendOrderTexts, StartUploadSaysWhatIsLeftToSend)
{
    const auto none = SendOrderTexts::startUpload(0, 0, 3);
    EXPECT_EQ(none.title, "No files need to be uploaded");
    EXPECT_EQ(none.lines.at(0), "Our server already has the 3 files required by this order.");
    EXPECT_EQ(none.lines.at(1),
              "Just click the 'Next' button to go straight on to choosing a payment method!");
    EXPECT_EQ(SendOrderTexts::startUpload(0, 0, 1).lines.at(0),
              "Our server already has the file required by this order.");
    const auto one = SendOrderTexts::startUpload(1, 2500000, 4);
    EXPECT_EQ(one.title, "1 file must be uploaded to our server");
    EXPECT_EQ(one.lines.at(0), "The total file size is 2.5 MB, and it may take a while to upload "
                               "these files to our server.");
    EXPECT_EQ(one.lines.at(1), "Click next to start uploading!");
    EXPECT_EQ(SendOrderTexts::startUpload(2, 10, 2).title,
              "2 files must be uploaded to our server");
}

TEST(SendOrderTexts, ReceiptForMailAndPickup)
{
    const auto mail = SendOrderTexts::receipt("", true, "Storgata 1, 0155 Oslo", 2 * 86400);
    EXPECT_EQ(mail.at(1), "Unknown");
    EXPECT_EQ(mail.at(2), "The order will be sent to you at Storgata 1, 0155 Oslo, normally "
                          "within 2 days.");
    EXPECT_EQ(mail.back(), "A receipt has also been sent to you by e-mail.");
    const auto pickup = SendOrderTexts::receipt("ORD-7", false, "Foto Sentrum", 5 * 3600);
    EXPECT_EQ(pickup.at(0), "Thank you for your order! The reference number for your order is:");
    EXPECT_EQ(pickup.at(1), "ORD-7");
    EXPECT_EQ(pickup.at(2), "The order can be pickup up at Foto Sentrum.");
    EXPECT_EQ(pickup.at(3), "The chosen delivery time is 5 hours, but remember to take our "
                            "opening hours into consideration.");
}

TEST(SendOrderTexts, IntroAndPickupHints)
{
    const auto intro = SendOrderTexts::intro("Foto AS", 12, "NOK 60.00");
    EXPECT_EQ(intro.at(0), "This assistant will guide you through sending the order to Foto AS "
                           "via the Internet.");
    EXPECT_EQ(intro.at(1), "You have chosen to purchase 12 products for a total of NOK 60.00 "
                           "(postage not included).");
    EXPECT_EQ(SendOrderTexts::pickupChoiceHint(1),
              "If you select this option, please click the 'Next' button to select our pickup "
              "location.");
    EXPECT_EQ(SendOrderTexts::pickupChoiceHint(3),
              "If you select this option, please click the 'Next' button to choose between our 3 "
              "pickup locations.");
}

// ---- Pickup locations ----------------------------------------------------------------------

namespace {

DeliveryOption pickup(const wxString& uuid, const wxString& location, const wxString& region,
                      const wxString& city = wxString())
{
    DeliveryOption option;
    option.uuid = uuid;
    option.type = DeliveryOption::PICKUP;
    option.pickupLocation = location;
    option.pickupName = "Shop " + location;
    option.pickupRegion = region;
    option.pickupCity = city;
    return option;
}

} // namespace

TEST(PickupChoice, UsableOptionsGroupIntoLocationsAndRegions)
{
    Pricelist pricelist;
    pricelist.addProduct(makeProduct("print", {{1, "1"}}, 2));
    pricelist.deliveryOptions.push_back(pickup("fast", "oslo-1", "Oslo", "Oslo"));
    pricelist.deliveryOptions.push_back(pickup("slow", "oslo-1", "Oslo"));
    pricelist.deliveryOptions.push_back(pickup("bergen", "bergen-1", "Vestland"));
    DeliveryOption mail;
    mail.type = DeliveryOption::BY_MAIL;
    pricelist.deliveryOptions.push_back(mail);
    DeliveryOption closed = pickup("closed", "tromso-1", "Nord");
    DeliveryProducer disabled;
    disabled.nr = 2;
    disabled.disabled = true;
    closed.producers.push_back(disabled);
    pricelist.deliveryOptions.push_back(closed);
    DeliveryOption own = pickup("own", "", "Oslo"); // names no location, and has no name
    own.pickupName.clear();
    own.description.setDefault("Pick up in the shop");
    pricelist.deliveryOptions.push_back(own);

    Order order;
    order.addPart(makePart("print", 1));
    const PickupChoice choice(order, pricelist);
    ASSERT_EQ(choice.getLocations().size(), 3u);
    EXPECT_EQ(choice.getRegions(), (std::vector<wxString>{"Oslo", "Vestland"}));
    const auto oslo = choice.getLocationsIn("Oslo");
    ASSERT_EQ(oslo.size(), 2u);
    EXPECT_EQ(oslo[0]->options.size(), 2u);
    EXPECT_EQ(oslo[0]->city, "Oslo");
    EXPECT_EQ(oslo[1]->uuid, "own");
    EXPECT_EQ(oslo[1]->name, "Pick up in the shop");
    EXPECT_EQ(choice.findLocation("tromso-1"), nullptr); // its only option disables producer 2
    EXPECT_EQ(PickupChoice::addressText(*oslo[0]), "Unknown address");
    EXPECT_EQ(PickupChoice::cityText(*choice.findLocation("bergen-1")), "Unknown city");
}

// ---- Prices --------------------------------------------------------------------------------

TEST(PriceCheck, TotalsAreComparedInCents)
{
    EXPECT_FALSE(PriceCheck::differs(money("10.004"), money("9.996")));
    EXPECT_FALSE(PriceCheck::differs(money("10.001"), money("10.004999")));
    EXPECT_TRUE(PriceCheck::differs(money("10.004"), money("10.005")));
    EXPECT_TRUE(PriceCheck::differs(money("10"), money("10.01")));
    EXPECT_EQ(PriceCheck::fromService(12.345000001), money("12.35"));
    EXPECT_EQ(PriceCheck::fromService(0.1 + 0.2), money("0.3"));
    EXPECT_FALSE(PriceCheck::fromService(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(PriceCheck::fromService(1e300));
}
