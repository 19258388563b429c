#include <gtest/gtest.h>

#include "LogCapture.h"
#include "PricelistBuilder.h"
#include "ScopedGermanLocale.h"
#include "core/Exceptions.h"
#include "ordering/Order.h"
#include "ordering/Pricelist.h"

using Brenmarle::Money;
using Brenmarle::Order;
using Brenmarle::OrderLineInfo;
using Brenmarle::Pricelist;

namespace {

class PricingTest : public ::testing::Test {
protected:
    std::shared_ptr<Pricelist> pricelist = std::make_shared<Pricelist>();

    Order& order()
    {
        if (!m_order)
            m_order = std::make_unique<Order>(pricelist);
        return *m_order;
    }
    void add(const wxString& product, int quantity)
    {
        order().addPart(makePart(product, quantity));
    }
    bool price() { return order().calculate(true); }

    std::vector<OrderLineInfo> linesOf(OrderLineInfo::Kind kind)
    {
        std::vector<OrderLineInfo> lines;
        for (const OrderLineInfo& line : order().getLines()) {
            if (line.kind == kind)
                lines.push_back(line);
        }
        return lines;
    }

    void expectFailedWithoutAmounts()
    {
        EXPECT_EQ(order().getPricingState(), Order::PricingState::Failed);
        EXPECT_FALSE(order().getPricedTotal().has_value());
        EXPECT_FALSE(order().canCheckout());
        EXPECT_EQ(order().getTotalCost(), Money());
        EXPECT_EQ(order().getBaseCost(), Money());
        EXPECT_TRUE(order().getLines().empty());
    }

private:
    std::unique_ptr<Order> m_order;
};

// Rows 1, 50 and 100 of type 0 (10, 8 and 6 a print) and a step-priced product (type 1 rows).
void addStandardProducts(Pricelist& pricelist)
{
    pricelist.addProduct(makeProduct("prints", {{1, "10"}, {50, "8"}, {100, "6"}}));
    pricelist.addProduct(makeProduct("steps", {{1, "10", 1}, {50, "8", 1}}));
}

} // namespace

// ---- The cases of the pricing rules -----------------------------------------------------------

TEST_F(PricingTest, RowIsChosenByTheProductsTotalQuantity)
{
    addStandardProducts(*pricelist);
    add("prints", 30);
    add("prints", 80);
    ASSERT_TRUE(price());
    // Both parts at the row for 100 (110 in all), not 8 for the part of 30.
    EXPECT_EQ(order().getBaseCost(), Money::fromWhole(110 * 6));
    const auto products = linesOf(OrderLineInfo::PRODUCT);
    ASSERT_EQ(products.size(), 2u);
    EXPECT_EQ(products[0].unitPrice, Money::fromWhole(6));
    EXPECT_EQ(products[0].amount, Money::fromWhole(180));
    EXPECT_EQ(products[0].part, &order().getPart(0));
    EXPECT_EQ(products[1].quantity, 80);
    EXPECT_EQ(order().getPricedTotal(), Money::fromWhole(660));
    EXPECT_TRUE(order().canCheckout());
}

TEST_F(PricingTest, ExcludedAndEmptyPartsCountForNothing)
{
    addStandardProducts(*pricelist);
    add("prints", 40);
    add("prints", 20);
    order().getPart(1).included = false;
    add("prints", 0);
    ASSERT_TRUE(price());
    // 40 alone: the row for 1, not the one for 50.
    EXPECT_EQ(order().getBaseCost(), Money::fromWhole(400));
    EXPECT_EQ(linesOf(OrderLineInfo::PRODUCT).size(), 1u);
}

TEST_F(PricingTest, WithoutTypeZeroRowsThePartIsPricedBySteps)
{
    addStandardProducts(*pricelist);
    add("steps", 60);
    ASSERT_TRUE(price());
    EXPECT_EQ(order().getBaseCost(), Money::fromWhole(49 * 10 + 11 * 8));
    const auto steps = linesOf(OrderLineInfo::PRODUCT);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].quantity, 49);
    EXPECT_EQ(steps[0].unitPrice, Money::fromWhole(10));
    EXPECT_EQ(steps[1].quantity, 11);
    EXPECT_EQ(steps[1].amount, Money::fromWhole(88));
}

TEST_F(PricingTest, StepsStopAtThePartsQuantity)
{
    addStandardProducts(*pricelist);
    add("steps", 30);
    ASSERT_TRUE(price());
    EXPECT_EQ(order().getBaseCost(), Money::fromWhole(300));
    EXPECT_EQ(linesOf(OrderLineInfo::PRODUCT).size(), 1u);
    // Steps use the part's own quantity, not the product's total.
    add("steps", 30);
    ASSERT_TRUE(price());
    EXPECT_EQ(order().getBaseCost(), Money::fromWhole(600));
}

TEST_F(PricingTest, TypeZeroRowBelowTheQuantityFallsBackToSteps)
{
    pricelist->addProduct(makeProduct("late", {{10, "5"}, {20, "4"}}));
    add("late", 5);
    ASSERT_TRUE(price());
    // No type-0 row for 5: steps from 1 at the first row's price.
    EXPECT_EQ(order().getBaseCost(), Money::fromWhole(25));
}

TEST_F(PricingTest, TwoStepRowsOfOneQuantityFailInsteadOfLooping)
{
    pricelist->addProduct(makeProduct("twice", {{1, "10", 1}, {50, "8", 1}, {50, "7", 1}}));
    add("twice", 60);
    LogCapture log;
    EXPECT_FALSE(price());
    EXPECT_TRUE(log.contains("If we do not return here, we will loop forever. The product has "
                             "defined two prices with the same quantity."));
    expectFailedWithoutAmounts();
}

TEST_F(PricingTest, TypeZeroRowWithoutPriceStopsTheComputation)
{
    pricelist->addProduct(makeProduct("noprice", {{1, "10"}, {50, "-1"}}));
    pricelist->addProduct(makeProduct("fine", {{1, "3"}}));
    add("fine", 2);
    add("noprice", 60);
    LogCapture log;
    EXPECT_FALSE(price());
    EXPECT_TRUE(log.contains("ERROR: Could not find price - abort"));
    // Not the 6 of the first part, which would look like a total.
    expectFailedWithoutAmounts();
}

TEST_F(PricingTest, StepRowWithoutPriceOrNoRowsAtAllFail)
{
    pricelist->addProduct(makeProduct("stepnoprice", {{1, "10", 1}, {5, "-1", 1}}));
    pricelist->addProduct(makeProduct("norows", {}));
    add("stepnoprice", 10);
    EXPECT_FALSE(price());
    order().removePart(&order().getPart(0));
    add("norows", 1);
    EXPECT_FALSE(price());
    expectFailedWithoutAmounts();
}

TEST_F(PricingTest, MissingProductRaisesAndLeavesTheOrderFailed)
{
    addStandardProducts(*pricelist);
    add("prints", 1);
    ASSERT_TRUE(price());
    add("gone", 1);
    try {
        price();
        ADD_FAILURE() << "no exception";
    } catch (const Brenmarle::ProductException& e) {
        EXPECT_EQ(e.getCode(), "Application.MissingProduct");
    }
    expectFailedWithoutAmounts();
}

TEST_F(PricingTest, MissingSubProductRaisesAndIsLogged)
{
    addStandardProducts(*pricelist);
    add("prints", 1);
    order().getPart(0).subProductUuids.push_back("s-gone");
    LogCapture log;
    EXPECT_THROW(price(), Brenmarle::ProductException);
    EXPECT_TRUE(log.contains("Subproduct (UUID: s-gone) does not exist, aborting"));
    expectFailedWithoutAmounts();
}

TEST_F(PricingTest, SubProductsAddPerUnitAndTheirClassOncePerOrder)
{
    Brenmarle::Product product = makeProduct("prints", {{1, "1"}}, 1, 2.0);
    Brenmarle::SubProduct matte;
    matte.uuid = "matte";
    matte.name.setDefault("Matte");
    matte.classId = "CLASSID_SURFACE";
    matte.extraPrice = money("0.1");
    matte.extraMass = 0.5;
    Brenmarle::SubProduct border = matte;
    border.uuid = "border";
    border.name.setDefault("White border");
    border.classId = "CLASSID_WHITEBORDER";
    border.extraPrice = Money();
    product.subProducts = {matte, border};
    pricelist->addProduct(product);
    Brenmarle::SubProductClassPrice surface;
    surface.classId = "CLASSID_SURFACE";
    surface.description.setDefault("Surface set-up");
    surface.price = money("7.5");
    pricelist->subProductClassPrices.push_back(surface);

    add("prints", 10);
    order().getPart(0).subProductUuids = {"matte", "border"};
    add("prints", 5);
    order().getPart(1).subProductUuids = {"matte"};
    ASSERT_TRUE(price());
    // 15 × (1 + 0.1) + one surface set-up; no price for the border class.
    EXPECT_EQ(order().getBaseCost(), money("16.5") + money("7.5"));
    const auto additions = linesOf(OrderLineInfo::ADDITION);
    ASSERT_EQ(additions.size(), 3u);
    EXPECT_EQ(additions[0].text, "Matte, White border");
    EXPECT_EQ(additions[0].amount, money("1"));
    EXPECT_EQ(additions[2].text, "Surface set-up");
    EXPECT_EQ(additions[2].quantity, 1);
    // Units of 2 plus 0.5 for each sub-product: 10 × 3 and 5 × 2.5.
    EXPECT_EQ(order().getMassByProducer().at(1), 42.5);
}

TEST_F(PricingTest, BaseChargeAndManualControl)
{
    addStandardProducts(*pricelist);
    pricelist->baseCharge = money("19.5");
    pricelist->manualControlPricePerUnit = money("0.25");
    pricelist->manualControlPrice = money("10");
    ASSERT_TRUE(price());
    // Nothing ordered, nothing charged.
    EXPECT_EQ(order().getTotalCost(), Money());
    add("prints", 4);
    order().manualControl = true;
    ASSERT_TRUE(price());
    EXPECT_EQ(order().getBaseCost(), money("40") + money("19.5") + money("1") + money("10"));
    EXPECT_EQ(linesOf(OrderLineInfo::ADDITION).size(), 3u);
}

TEST_F(PricingTest, PercentageThenFixedDiscount)
{
    addStandardProducts(*pricelist);
    pricelist->discountPercentage = 10;
    pricelist->discountSum = money("5");
    add("prints", 20);
    ASSERT_TRUE(price());
    EXPECT_EQ(order().getDiscountSum(), -money("25"));
    EXPECT_EQ(order().getTotalCost(), money("175"));
    const auto discounts = linesOf(OrderLineInfo::DISCOUNT);
    ASSERT_EQ(discounts.size(), 2u);
    EXPECT_EQ(discounts[0].text, "10.0% discount");
    EXPECT_EQ(discounts[0].amount, -money("20"));
    EXPECT_EQ(discounts[1].text, "Discount");
}

TEST_F(PricingTest, FixedDiscountNeverTakesTheTotalBelowDelivery)
{
    pricelist->addProduct(makeProduct("cheap", {{1, "0.1"}}));
    Brenmarle::DeliveryOption mail;
    mail.uuid = "mail";
    mail.price = money("5");
    pricelist->deliveryOptions.push_back(mail);
    pricelist->discountSum = money("50");
    add("cheap", 3);
    order().deliveryOptionUuid = "mail";
    ASSERT_TRUE(price());
    // Exactly the delivery cost: not 4.9999999 nor "-0.00" products left over.
    EXPECT_EQ(order().getTotalCost(), money("5"));
    EXPECT_EQ(order().getDiscountSum(), -money("0.3"));
}

TEST_F(PricingTest, DiscountsThatWouldPayTheCustomerAreCapped)
{
    addStandardProducts(*pricelist);
    pricelist->discountPercentage = 150;
    pricelist->discountSum = money("-5");
    add("prints", 1);
    ASSERT_TRUE(price());
    EXPECT_EQ(order().getDiscountSum(), -money("10"));
    EXPECT_EQ(order().getTotalCost(), Money());
}

TEST_F(PricingTest, VatIsContainedInTheTotal)
{
    pricelist->addProduct(makeProduct("p", {{1, "125"}}));
    pricelist->vatRate = 25;
    add("p", 1);
    ASSERT_TRUE(price());
    EXPECT_EQ(order().getVat(), Money::fromWhole(25));
    const auto vat = linesOf(OrderLineInfo::VAT);
    ASSERT_EQ(vat.size(), 1u);
    EXPECT_EQ(vat[0].text, "VAT (25%) amounts to");
    EXPECT_EQ(linesOf(OrderLineInfo::TOTAL).at(0).text, "Total inc. VAT");
}

TEST_F(PricingTest, PostageTakesTheSmallestEnvelopeThatHoldsTheMass)
{
    pricelist->addProduct(makeProduct("p", {{1, "1"}}, 0, 1.0));
    Brenmarle::DeliveryOption mail;
    mail.uuid = "mail";
    mail.description.setDefault("By mail");
    mail.envelopes.add(100, money("12"));
    mail.envelopes.add(500, money("30"));
    pricelist->deliveryOptions.push_back(mail);
    add("p", 120);
    order().deliveryOptionUuid = "mail";
    ASSERT_TRUE(price());
    EXPECT_EQ(order().getDeliveryCost(), money("30"));
    EXPECT_EQ(linesOf(OrderLineInfo::DELIVERY).at(0).text, "By mail");

    order().getPart(0).quantity = 600;
    ASSERT_TRUE(price());
    EXPECT_EQ(order().getDeliveryCost(), Money());
    EXPECT_TRUE(linesOf(OrderLineInfo::DELIVERY).empty());
}

TEST_F(PricingTest, PostageOfEachProducerFromItsOwnTable)
{
    pricelist->addProduct(makeProduct("a", {{1, "1"}}, 0, 10));
    pricelist->addProduct(makeProduct("b", {{1, "1"}}, 2, 10));
    pricelist->addProduct(makeProduct("c", {{1, "1"}}, 3, 10));
    Brenmarle::DeliveryOption mail;
    mail.uuid = "mail";
    mail.price = money("2");
    mail.envelopes.add(100, money("12"));
    Brenmarle::DeliveryProducer two;
    two.nr = 2;
    two.envelopes.add(50, money("4"));
    mail.producers.push_back(two);
    pricelist->deliveryOptions.push_back(mail);
    add("a", 1);
    add("b", 1);
    add("c", 1);
    order().deliveryOptionUuid = "mail";
    LogCapture log;
    ASSERT_TRUE(price());
    // 2 for the option, 12 for producer 0, 4 for producer 2, none for producer 3.
    EXPECT_EQ(order().getDeliveryCost(), money("18"));
    EXPECT_TRUE(log.contains("[ORDER] No enveloper for producer 3"));
}

TEST_F(PricingTest, DeliveryOptionPriceOfAProductIsADeliveryCost)
{
    addStandardProducts(*pricelist);
    Brenmarle::Product express = makeProduct("express", {{1, "2"}});
    express.deliveryOptionPrices["mail"] = money("0.5");
    pricelist->addProduct(express);
    Brenmarle::DeliveryOption mail;
    mail.uuid = "mail";
    pricelist->deliveryOptions.push_back(mail);
    add("express", 10);
    order().deliveryOptionUuid = "mail";
    ASSERT_TRUE(price());
    EXPECT_EQ(order().getBaseCost(), money("20"));
    EXPECT_EQ(order().getDeliveryCost(), money("5"));
    EXPECT_EQ(order().getTotalCost(), money("25"));
}

TEST_F(PricingTest, UnknownDeliveryOptionFails)
{
    addStandardProducts(*pricelist);
    add("prints", 1);
    order().deliveryOptionUuid = "vanished";
    EXPECT_FALSE(price());
    expectFailedWithoutAmounts();
}

TEST_F(PricingTest, HostileQuantitiesAndAmountsFailInsteadOfWrapping)
{
    pricelist->addProduct(makeProduct("dear", {{1, "999999999999"}}));
    add("dear", 2000000000);
    EXPECT_FALSE(price());
    expectFailedWithoutAmounts();
    order().getPart(0).quantity = -3;
    EXPECT_FALSE(price());
    expectFailedWithoutAmounts();
}

TEST_F(PricingTest, WithoutPriceListNothingIsPriced)
{
    pricelist.reset();
    add("prints", 1);
    EXPECT_FALSE(price());
    expectFailedWithoutAmounts();
}

TEST_F(PricingTest, ChangingThePartsDropsThePricing)
{
    addStandardProducts(*pricelist);
    add("prints", 1);
    ASSERT_TRUE(price());
    add("prints", 1);
    EXPECT_EQ(order().getPricingState(), Order::PricingState::NotPriced);
    EXPECT_FALSE(order().getPricedTotal().has_value());
    // Lines pointed at parts: none are left to point at a removed one.
    EXPECT_TRUE(order().getLines().empty());
}

TEST_F(PricingTest, CasesGiveTheSameSumsUnderADecimalCommaLocale)
{
    ScopedGermanLocale german;
    ASSERT_TRUE(german.isActive()) << "no German locale (install the locales package)";
    pricelist = Pricelist::fromXML("<pricelist><vatrate>25</vatrate><products>"
                                   "<product><uuid>prints</uuid><productprices>"
                                   "<productprice><quantity>1</quantity><price>0.45</price>"
                                   "</productprice><productprice><quantity>100</quantity>"
                                   "<price>0.35</price></productprice></productprices></product>"
                                   "<product><uuid>steps</uuid><productprices>"
                                   "<productprice><quantity>1</quantity><price>10</price>"
                                   "<type>1</type></productprice><productprice><quantity>50"
                                   "</quantity><price>8</price><type>1</type></productprice>"
                                   "</productprices></product></products></pricelist>");
    add("prints", 30);
    add("prints", 80);
    add("steps", 60);
    ASSERT_TRUE(price());
    EXPECT_EQ(order().getBaseCost(), money("38.5") + money("578"));
    EXPECT_EQ(order().getVat(), money("123.3"));
    EXPECT_EQ(Order::fromXML(order().toXML())->getTotalCost(), money("616.5"));
}

// ---- Delivery options and print quality --------------------------------------------------------

TEST_F(PricingTest, DeliveryOptionDisabledForAProducerOfTheOrder)
{
    pricelist->addProduct(makeProduct("one", {{1, "1"}}, 1));
    pricelist->addProduct(makeProduct("two", {{1, "1"}}, 2));
    Brenmarle::DeliveryOption mail;
    Brenmarle::DeliveryProducer two;
    two.nr = 2;
    two.disabled = true;
    mail.producers.push_back(two);
    add("one", 1);
    EXPECT_TRUE(order().isDeliveryOptionUsable(mail, *pricelist));
    add("two", 1);
    EXPECT_FALSE(order().isDeliveryOptionUsable(mail, *pricelist));
    order().removePart(&order().getPart(1));
    add("missing", 1);
    EXPECT_FALSE(order().isDeliveryOptionUsable(mail, *pricelist));
}

TEST_F(PricingTest, DeliveryTimeIsTheLongestOfOptionAndProducers)
{
    pricelist->addProduct(makeProduct("two", {{1, "1"}}, 2));
    add("two", 1);
    Brenmarle::DeliveryOption option;
    option.deliveryTime = 2;
    option.deliveryTimeUnit = 'd';
    Brenmarle::DeliveryProducer producer;
    producer.nr = 2;
    producer.deliveryTime = 30;
    producer.deliveryTimeUnit = 'h';
    option.producers.push_back(producer);
    int64_t seconds = order().getDeliveryTime(option, *pricelist);
    EXPECT_EQ(Order::deliveryTimeInUnits(seconds), std::make_pair(int64_t(2), wxUniChar('d')));

    option.deliveryTime = 5;
    option.deliveryTimeUnit = 'h';
    option.producers[0].deliveryTime = 20;
    seconds = order().getDeliveryTime(option, *pricelist);
    EXPECT_EQ(Order::deliveryTimeInUnits(seconds), std::make_pair(int64_t(20), wxUniChar('h')));
    option.producers[0].deliveryTimeUnit = 'w';
    EXPECT_EQ(order().getDeliveryTime(option, *pricelist), 5 * 3600);
}

TEST(Order, PrintQualityEstimate)
{
    EXPECT_EQ(Order::estimatePrintQuality(0, 1000), 6);
    EXPECT_EQ(Order::estimatePrintQuality(1000, 0), 6);
    // x = 1, q = P × 1.001.
    EXPECT_EQ(Order::estimatePrintQuality(10000, 10000), 0);
    EXPECT_EQ(Order::estimatePrintQuality(10000, 9000), 1);
    EXPECT_EQ(Order::estimatePrintQuality(10000, 7000), 2);
    EXPECT_EQ(Order::estimatePrintQuality(10000, 5000), 3);
    EXPECT_EQ(Order::estimatePrintQuality(10000, 3000), 4);
    EXPECT_EQ(Order::estimatePrintQuality(10000, 1998), 5);
}
