#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include <wx/filefn.h>

#include "LogCapture.h"
#include "PricelistBuilder.h"
#include "ScopedGermanLocale.h"
#include "ScratchDir.h"
#include "ordering/DeliveryOption.h"
#include "ordering/Order.h"
#include "ordering/Pricelist.h"
#include "ordering/PricelistCache.h"
#include "ordering/ServiceProvider.h"
#include "system/ConfigFile.h"
#include "util/XMLDocument.h"

using Brenmarle::Money;
using Brenmarle::Pricelist;
using Brenmarle::PricelistCache;

namespace {

// A price list using every field, as a provider would send it.
const char* const FULL_PRICELIST = R"(<?xml version="1.0" encoding="UTF-8"?>
<pricelist>
  <uuid>pl-1</uuid>
  <currencyformatstring>%0.2f kr</currencyformatstring>
  <currencyname>Krone</currencyname>
  <currencycode>NOK</currencycode>
  <currencysymbol>kr</currencysymbol>
  <defaultproduct>p-10x15</defaultproduct>
  <vatrate>25</vatrate>
  <basecharge>19.5</basecharge>
  <minimumsum>100</minimumsum>
  <manualcontrolpriceperunit>0.25</manualcontrolpriceperunit>
  <manualcontrolprice>10</manualcontrolprice>
  <discountsum>5</discountsum>
  <discountpercentage>2.5</discountpercentage>
  <userealpostage>true</userealpostage>
  <standardbymaildelivery>d-mail</standardbymaildelivery>
  <standardinstoredelivery>d-shop</standardinstoredelivery>
  <unknownfield>ignored</unknownfield>
  <products>
    <product>
      <uuid>p-10x15</uuid>
      <producernr>2</producernr>
      <name><string>Print 10x15</string>
        <translation><locale>nb</locale><string>Bilde 10x15</string></translation></name>
      <description><string>Glossy or matte</string></description>
      <data>opaque</data>
      <mass>3.5</mass>
      <printareasize><width>1500</width><height>1000</height></printareasize>
      <freeunits>3</freeunits>
      <producttype>1</producttype>
      <deliveryoptionprices>
        <deliveryoption><uuid>d-mail</uuid><price>0.5</price></deliveryoption>
        <deliveryoption><uuid>d-shop</uuid><price>-1</price></deliveryoption>
      </deliveryoptionprices>
      <productprices>
        <productprice><quantity>100</quantity><price>2.5</price><type>0</type></productprice>
        <productprice><quantity>1</quantity><price>4</price><type>0</type></productprice>
        <productprice><quantity>50</quantity><price>3</price><type>0</type></productprice>
        <productprice><quantity>50</quantity><price>2.9</price><type>1</type></productprice>
      </productprices>
      <subproducts>
        <subproduct>
          <uuid>s-matte</uuid><name><string>Matte</string></name>
          <description><string>Matte paper</string></description><data>m</data>
          <classid>CLASSID_SURFACE</classid>
          <printareasize><width>10</width><height>20</height></printareasize>
          <extraprice>0.1</extraprice><extramass>0.25</extramass><groupid>4</groupid>
          <isdefault>true</isdefault><isrequired>false</isrequired><freeunits>1</freeunits>
        </subproduct>
      </subproducts>
    </product>
  </products>
  <deliveryoptions>
    <deliveryoption>
      <uuid>d-mail</uuid><description><string>By mail</string></description>
      <price>49</price><type>1</type><deliverytime>2</deliverytime>
      <deliverytimeunit>d</deliverytimeunit><pickuplocation>loc-1</pickuplocation>
      <pickupname>Shop</pickupname><pickupaddress1>Street 1</pickupaddress1>
      <pickupaddress2>Floor 2</pickupaddress2><pickuppostalcode>0150</pickuppostalcode>
      <pickupcity>Oslo</pickupcity><pickupregion>East</pickupregion>
      <envelopes>
        <envelope><mass>500</mass><price>30</price></envelope>
        <envelope><mass>100</mass><price>12</price></envelope>
      </envelopes>
      <producers>
        <producer nr="2"><disable/><deliverytime>30</deliverytime>
          <deliverytimeunit>h</deliverytimeunit>
          <envelopes><envelope><mass>250</mass><price>20</price></envelope></envelopes>
        </producer>
      </producers>
    </deliveryoption>
  </deliveryoptions>
  <subproductclassprices>
    <subproductclassprice><classid>CLASSID_SURFACE</classid>
      <description><string>Surface set-up</string></description><price>7.5</price>
    </subproductclassprice>
  </subproductclassprices>
</pricelist>
)";

} // namespace

TEST(Pricelist, ReadsEveryField)
{
    const auto pricelist = Pricelist::fromXML(FULL_PRICELIST);
    EXPECT_EQ(pricelist->uuid, "pl-1");
    EXPECT_EQ(pricelist->currencyCode, "NOK");
    EXPECT_EQ(pricelist->vatRate, 25);
    EXPECT_EQ(pricelist->baseCharge, money("19.5"));
    EXPECT_EQ(pricelist->minimumSum, money("100"));
    EXPECT_EQ(pricelist->discountPercentage, 2.5);
    EXPECT_TRUE(pricelist->useRealPostage);
    const Brenmarle::Product* product = pricelist->findProduct("p-10x15");
    ASSERT_TRUE(product);
    EXPECT_EQ(product->producerNr, 2);
    EXPECT_EQ(product->name.get("nb_NO"), "Bilde 10x15");
    EXPECT_EQ(product->printAreaSize.width, 1500);
    EXPECT_EQ(product->mass, 3.5);
    // Only options with a price are kept.
    ASSERT_EQ(product->deliveryOptionPrices.size(), 1u);
    EXPECT_EQ(product->deliveryOptionPrices.at("d-mail"), money("0.5"));
    // Rows by ascending quantity; rows of equal quantity keep their order.
    ASSERT_EQ(product->getPrices().size(), 4u);
    EXPECT_EQ(product->getPrices()[0].quantity, 1);
    EXPECT_EQ(product->getPrices()[1].price, money("3"));
    EXPECT_EQ(product->getPrices()[2].price, money("2.9"));
    EXPECT_EQ(product->getPrices()[3].quantity, 100);
    const Brenmarle::SubProduct* matte = product->findSubProduct("s-matte");
    ASSERT_TRUE(matte);
    EXPECT_EQ(matte->extraPrice, money("0.1"));
    EXPECT_TRUE(matte->isDefault);
    const Brenmarle::DeliveryOption* mail = pricelist->findDeliveryOption("d-mail");
    ASSERT_TRUE(mail);
    EXPECT_EQ(mail->deliveryTimeUnit, wxUniChar('d'));
    EXPECT_EQ(mail->envelopes.getEnvelopes().begin()->first, 100);
    ASSERT_TRUE(mail->findProducer(2));
    EXPECT_TRUE(mail->findProducer(2)->disabled);
    EXPECT_EQ(mail->findProducer(2)->deliveryTimeUnit, wxUniChar('h'));
    EXPECT_EQ(pricelist->findClassPrice("CLASSID_SURFACE")->price, money("7.5"));
    EXPECT_FALSE(pricelist->findProduct("nothing"));
}

TEST(Pricelist, RoundTripKeepsEveryField)
{
    const auto pricelist = Pricelist::fromXML(FULL_PRICELIST);
    const std::string written = pricelist->toXML();
    const auto again = Pricelist::fromXML(written);
    EXPECT_EQ(again->toXML(), written);
    // Fields the pricing does not use are kept all the same.
    EXPECT_EQ(again->minimumSum, money("100"));
    EXPECT_TRUE(again->useRealPostage);
    EXPECT_EQ(again->subProductClassPrices.size(), 1u);
    EXPECT_EQ(again->findDeliveryOption("d-mail")->pickupCity, "Oslo");
    EXPECT_EQ(again->findProduct("p-10x15")->findSubProduct("s-matte")->extraMass, 0.25);
    EXPECT_EQ(again->findProduct("p-10x15")->freeUnits, 3);
}

TEST(Pricelist, ReadsTheSameUnderADecimalCommaLocale)
{
    const std::string plain = Pricelist::fromXML(FULL_PRICELIST)->toXML();
    ScopedGermanLocale german;
    ASSERT_TRUE(german.isActive()) << "no German locale (install the locales package)";
    const auto pricelist = Pricelist::fromXML(FULL_PRICELIST);
    EXPECT_EQ(pricelist->baseCharge, money("19.5"));
    EXPECT_EQ(pricelist->findProduct("p-10x15")->mass, 3.5);
    EXPECT_EQ(pricelist->toXML(), plain);
}

TEST(Pricelist, UnreadableDocumentsRaiseTheLoadingError)
{
    for (const char* text : {"", "<pricelist>", "<html><body>502</body></html>", "garbage"}) {
        try {
            Pricelist::fromXML(text);
            ADD_FAILURE() << text;
        } catch (const Quorvel::XMLException& e) {
            EXPECT_EQ(e.getMessage(), "Could not initialize price list from XML document");
        }
    }
}

TEST(Pricelist, DefaultsOfAnEmptyList)
{
    const auto pricelist = Pricelist::fromXML("<pricelist/>");
    EXPECT_EQ(pricelist->currencyName, "Currency");
    EXPECT_EQ(pricelist->currencyCode, "CUR");
    EXPECT_EQ(pricelist->currencySymbol, wxString(L"\u00EF\u00BF\u00BD"));
    EXPECT_EQ(pricelist->formatAmount(money("3")), wxString(L"\u00EF\u00BF\u00BD3.00"));
}

TEST(Pricelist, CurrencyFormatNeedsExactlyOneFloatingConversion)
{
    for (const char* format : {"%0.2f kr", "EUR %.2f", "%f", "%10.2lf", "%e", "100%% %g", "%-8.3F"})
        EXPECT_TRUE(Pricelist::isUsableCurrencyFormat(format)) << format;
    for (const char* format : {"", "kr", "%s", "%d", "%0.2f %0.2f", "%n", "%1$f", "%*f", "%.*f",
                               "%Lf", "%0.2f %s", "%", "%0.2", "%999f", "%.100f", "%0.2f%"})
        EXPECT_FALSE(Pricelist::isUsableCurrencyFormat(format)) << format;
}

TEST(Pricelist, AmountsShowInTheServersFormatOrTheDefault)
{
    Pricelist pricelist;
    pricelist.currencySymbol = "kr";
    pricelist.currencyFormatString = "%0.2f kr";
    EXPECT_EQ(pricelist.formatAmount(money("12.5")), "12.50 kr");
    // The amount is rounded as a decimal, not through its nearest double (2.67499...).
    EXPECT_EQ(pricelist.formatAmount(money("2.675")), "2.68 kr");
    // Rounded first, a tiny negative amount shows as nothing rather than "-0.00".
    EXPECT_EQ(pricelist.formatAmount(money("-0.001")), "0.00 kr");
    // A format that would read a string or two numbers is never used.
    pricelist.currencyFormatString = "%s kr";
    EXPECT_EQ(pricelist.formatAmount(money("12.5")), "kr12.50");
    pricelist.currencyFormatString = "%d";
    pricelist.currencySymbol = "100%";
    EXPECT_EQ(pricelist.formatAmount(money("1")), "100%1.00");
}

TEST(ServiceProvider, RoundTripKeepsDefaultPickupLocationAndPriceLists)
{
    const std::string text =
        std::string("<serviceprovider><uuid>sp</uuid><name>Shop</name>"
                    "<address><countrycode>578</countrycode><city>Oslo</city></address>"
                    "<contactinfo><webpage>w</webpage></contactinfo>"
                    "<defaultpricelist>pl-1</defaultpricelist>"
                    "<defaultpickuplocation>loc-2</defaultpickuplocation>"
                    "<pickuplocations><pickuplocation><uuid>loc-2</uuid><name>Main</name>"
                    "</pickuplocation></pickuplocations><pricelists>") +
        (std::strchr(FULL_PRICELIST, '>') + 1) + "</pricelists></serviceprovider>";
    Brenmarle::ServiceProvider provider;
    provider.fromXMLString(text, "broken");
    EXPECT_EQ(provider.defaultPickupLocation, "loc-2");
    EXPECT_EQ(provider.address.countryCode, 578);
    ASSERT_EQ(provider.pricelists.size(), 1u);
    EXPECT_TRUE(provider.pricelists[0].findProduct("p-10x15"));
    Brenmarle::ServiceProvider again;
    again.fromXMLString(provider.toXMLString("serviceprovider"), "broken");
    EXPECT_EQ(again.toXMLString("serviceprovider"), provider.toXMLString("serviceprovider"));
    EXPECT_EQ(again.defaultPickupLocation, "loc-2");
    EXPECT_EQ(again.pickupLocations.at(0).name, "Main");
}

// ---- The installed price list -----------------------------------------------------------------

class PricelistCacheTest : public ::testing::Test {
protected:
    ScratchDir dir;
    Quorvel::ConfigFile config{dir / "user.ini"};
    PricelistCache cache{dir.path(), config};
    std::shared_ptr<const Pricelist> pricelist = Pricelist::fromXML(FULL_PRICELIST);
};

TEST_F(PricelistCacheTest, InstalledListIsWrittenAndLoadedNextRun)
{
    std::shared_ptr<const Pricelist> told;
    cache.setListener([&](const std::shared_ptr<const Pricelist>& p) { told = p; });
    ASSERT_TRUE(cache.install("portal7", pricelist, 1000000));
    EXPECT_EQ(told, pricelist);
    EXPECT_TRUE(wxFileExists(dir / "portals/portal7/pricelist.xml"));
    long stored = 0;
    EXPECT_TRUE(config.readLong(PricelistCache::UPDATE_TIME_KEY, stored));
    EXPECT_EQ(stored, 1000000);

    PricelistCache nextRun(dir.path(), config);
    nextRun.load("portal7");
    ASSERT_TRUE(nextRun.get());
    EXPECT_EQ(nextRun.get()->toXML(), pricelist->toXML());
    EXPECT_EQ(nextRun.getUpdateTime(), 1000000);
}

TEST_F(PricelistCacheTest, StaleAfterSevenDays)
{
    EXPECT_FALSE(cache.isValid(1000000));
    ASSERT_TRUE(cache.install("portal7", pricelist, 1000000));
    EXPECT_TRUE(cache.isValid(1000000));
    EXPECT_TRUE(cache.isValid(1000000 + PricelistCache::MAX_AGE_SECONDS));
    EXPECT_FALSE(cache.isValid(1000000 + PricelistCache::MAX_AGE_SECONDS + 1));
    // Installed under a clock that ran days ahead: not trusted for a week from then.
    EXPECT_FALSE(cache.isValid(1000000 - 2 * 86400));
}

TEST_F(PricelistCacheTest, InstallingNoneRemovesTheFile)
{
    ASSERT_TRUE(cache.install("portal7", pricelist, 1000000));
    ASSERT_TRUE(cache.install("portal7", nullptr, 1000001));
    EXPECT_FALSE(wxFileExists(dir / "portals/portal7/pricelist.xml"));
    EXPECT_FALSE(cache.get());
    EXPECT_FALSE(cache.isValid(1000001));
}

TEST_F(PricelistCacheTest, UnreadableCacheLeavesNoListAndIsLogged)
{
    dir.writeFile("portals/portal7/pricelist.xml", "<pricelist><products>");
    LogCapture log;
    cache.load("portal7");
    EXPECT_FALSE(cache.get());
    EXPECT_TRUE(log.contains(
        "Could not load price list: Could not initialize price list from XML document"));
}

TEST_F(PricelistCacheTest, FailedInstallKeepsThePreviousList)
{
    ASSERT_TRUE(cache.install("portal7", pricelist, 1000000));
    LogCapture log;
    for (const char* portal : {"../elsewhere", "a/b", "..", ""})
        EXPECT_FALSE(cache.install(portal, std::make_shared<Pricelist>(), 2000000)) << portal;
    EXPECT_TRUE(log.contains("Error setting new price list: Could not create portal directory"));
    EXPECT_EQ(cache.get(), pricelist);
    EXPECT_EQ(cache.getUpdateTime(), 1000000);
    EXPECT_FALSE(wxDirExists(dir / "elsewhere"));

    // A portal folder that cannot be made.
    dir.writeFile("portals/blocked", "a file, not a folder");
    EXPECT_FALSE(cache.install("blocked", std::make_shared<Pricelist>(), 2000000));
    EXPECT_EQ(cache.get(), pricelist);
}

TEST_F(PricelistCacheTest, ReplacingTheListLeavesOneWholeFile)
{
    ASSERT_TRUE(cache.install("portal7", pricelist, 1000000));
    const std::string before = dir.readFile("portals/portal7/pricelist.xml");
    auto changed = std::make_shared<Pricelist>(*pricelist);
    changed->uuid = "pl-2";
    ASSERT_TRUE(cache.install("portal7", changed, 1000001));
    EXPECT_NE(dir.readFile("portals/portal7/pricelist.xml"), before);
    EXPECT_EQ(filesUnder(dir / "portals/portal7"), 1u);
    EXPECT_EQ(Pricelist::load(dir / "portals/portal7/pricelist.xml")->uuid, "pl-2");
}

// The example shop the provider serves out of the box is read by this very code, so a mistake
// in it shows here and not in a customer's cart.
TEST(Pricelist, TheExampleShopPricesItsQuantityAndStepCasesInAnyLocale)
{
    for (const bool german : {false, true}) {
        std::optional<ScopedGermanLocale> locale;
        if (german) {
            locale.emplace();
            ASSERT_TRUE(locale->isActive()) << "no German locale (install the locales package)";
        }
        const auto pricelist = Pricelist::load(VISTRELLE_PROVIDER_SOURCE_DIR "/pricelist.xml");
        ASSERT_TRUE(pricelist);
        ASSERT_EQ(pricelist->getProducts().size(), 8u);
        ASSERT_NE(pricelist->findProduct(pricelist->defaultProduct), nullptr);
        // Amounts are shown the way the desktop writes numbers.
        EXPECT_EQ(pricelist->formatAmount(money("12.5")), german ? "EUR 12,50" : "EUR 12.50");
        for (const Brenmarle::Product& product : pricelist->getProducts())
            EXPECT_FALSE(product.getPrices().empty()) << product.uuid;

        // 60 prints reach the row from 50 copies on: every copy at 0.24, and the base charge.
        Brenmarle::Order prints(pricelist);
        prints.addPart(makePart("print-10x15", 40));
        prints.addPart(makePart("print-10x15", 20));
        ASSERT_TRUE(prints.calculate(true));
        EXPECT_EQ(prints.getBaseCost(), money("15.90"));
        // Six calendars by steps: four at 19.90, two at 14.90.
        Brenmarle::Order calendars(pricelist);
        calendars.addPart(makePart("calendar-a3", 6));
        ASSERT_TRUE(calendars.calculate(true));
        EXPECT_EQ(calendars.getBaseCost(), money("110.90"));

        // The calendar's producer does not deliver to the shop counter.
        const Brenmarle::DeliveryOption* pickup = pricelist->findDeliveryOption("pickup-shop");
        ASSERT_NE(pickup, nullptr);
        EXPECT_TRUE(prints.isDeliveryOptionUsable(*pickup, *pricelist));
        EXPECT_FALSE(calendars.isDeliveryOptionUsable(*pickup, *pricelist));
    }
}
