#include <gtest/gtest.h>

#include "PricelistBuilder.h"
#include "ScopedGermanLocale.h"
#include "ordering/Order.h"
#include "ordering/PrintParts.h"
#include "util/XMLDocument.h"

using Brenmarle::Money;
using Brenmarle::Order;
using Brenmarle::OrderPart;

namespace {

// An order with every field set, priced so that its amounts are not zero.
std::unique_ptr<Order> fullOrder()
{
    auto pricelist = std::make_shared<Brenmarle::Pricelist>();
    pricelist->addProduct(makeProduct("print", {{1, "0.35"}}));
    pricelist->vatRate = 25;
    pricelist->discountSum = money("0.1");
    auto order = std::make_unique<Order>(pricelist);
    order->uuid = "order-1";
    order->deliveryType = 1;
    order->manualControl = true;
    order->originatingProgram = "Card maker";
    order->comment = wxString::FromUTF8("Gl\xC3\xA6"
                                        "delig jul & <godt> nytt\xC3\xA5r");
    order->orderTime = 1700000000;
    order->pickupLocation.uuid = "loc";
    order->pickupLocation.address.city = "Bergen";
    order->pickupLocation.contactInfo.homePhone = "55";
    order->deliveryAddress.addressLine2 = "c/o";
    order->deliveryAddress.countryCode = 578;
    order->userInfo.firstName = "Kari";
    order->userInfo.customerNo = "C-9";
    order->userInfo.address.postalCode = "5003";
    order->userInfo.contactInfo.emailAddress = "kari@example.org";
    auto part = makePart("print", 3);
    part->externItemId = "book-1";
    part->productType = 51;
    part->adaption = 2;
    part->subProductUuids = {"matte", "border"};
    part->data = "pdata";
    part->addFile("file:///p/1.jpg", "fdata", 111, 222, "ref-1");
    part->files[0].id = "1.jpg";
    order->addPart(std::move(part));
    order->addPart(makePart("print", 7, "album://a/b"));
    order->getPart(0).subProductUuids.clear();
    EXPECT_TRUE(order->calculate(false));
    order->getPart(0).subProductUuids = {"matte", "border"};
    return order;
}

} // namespace

TEST(Order, WrittenAndReadBackKeepsEveryFieldButTheVat)
{
    const auto order = fullOrder();
    ASSERT_NE(order->getVat(), Money());
    const std::string written = order->toXML();
    const auto read = Order::fromXML(written);

    EXPECT_EQ(read->uuid, "order-1");
    EXPECT_EQ(read->deliveryType, 1);
    EXPECT_TRUE(read->manualControl);
    EXPECT_EQ(read->comment, order->comment);
    EXPECT_EQ(read->orderTime, 1700000000);
    EXPECT_EQ(read->pickupLocation, order->pickupLocation);
    EXPECT_EQ(read->deliveryAddress, order->deliveryAddress);
    EXPECT_EQ(read->userInfo, order->userInfo);
    EXPECT_EQ(read->getBaseCost(), order->getBaseCost());
    EXPECT_EQ(read->getDiscountSum(), -money("0.1"));
    EXPECT_EQ(read->getTotalCost(), order->getTotalCost());
    // Recomputed, not read; and nothing read is taken as priced.
    EXPECT_EQ(read->getVat(), Money());
    EXPECT_EQ(read->getPricingState(), Order::PricingState::NotPriced);
    EXPECT_FALSE(read->getPricedTotal().has_value());

    ASSERT_EQ(read->getPartCount(), 2u);
    const OrderPart& part = read->getPart(0);
    EXPECT_EQ(part.externItemId, "book-1");
    EXPECT_EQ(part.productType, 51);
    EXPECT_EQ(part.quantity, 3);
    EXPECT_EQ(part.adaption, 2);
    EXPECT_EQ(part.subProductUuids, (std::vector<wxString>{"matte", "border"}));
    EXPECT_EQ(part.data, "pdata");
    ASSERT_EQ(part.files.size(), 1u);
    EXPECT_EQ(part.files[0].id, "1.jpg");
    EXPECT_EQ(part.files[0].clientRef, "ref-1");
    EXPECT_EQ(part.files[0].fileModifyTime, 111);
    EXPECT_EQ(part.files[0].metaModifyTime, 222);
    EXPECT_EQ(read->getPart(1).files[0].id, "b");

    // Only the VAT differs from what was written.
    const auto again = Order::fromXML(read->toXML());
    EXPECT_EQ(again->toXML(), read->toXML());
}

TEST(Order, CloneIsDeep)
{
    const auto order = fullOrder();
    const auto copy = order->clone();
    copy->getPart(0).quantity = 99;
    EXPECT_EQ(order->getPart(0).quantity, 3);
    EXPECT_NE(&copy->getPart(0), &order->getPart(0));
    EXPECT_EQ(copy->comment, order->comment);
    EXPECT_EQ(copy->getPricelist(), order->getPricelist());
}

TEST(Order, AmountsAreWrittenInTheCLocale)
{
    ScopedGermanLocale german;
    ASSERT_TRUE(german.isActive()) << "no German locale (install the locales package)";
    const std::string written = fullOrder()->toXML();
    EXPECT_NE(written.find("<basecost>3.5</basecost>"), std::string::npos) << written;
    EXPECT_EQ(Order::fromXML(written)->getBaseCost(), money("3.5"));
}

TEST(Order, HostileDocumentsAreRefusedOrReadAsDefaults)
{
    EXPECT_THROW(Order::fromXML("<pricelist/>"), Quorvel::XMLException);
    EXPECT_THROW(Order::fromXML("<order><orderparts><orderpart>"), Quorvel::XMLException);
    const auto odd = Order::fromXML(
        "<order><basecost>12,5</basecost><ordertime>soon</ordertime><orderparts>"
        "<orderpart><quantity>99999999999</quantity><files><file/></files></orderpart>"
        "<notapart/></orderparts></order>");
    EXPECT_EQ(odd->getBaseCost(), Money());
    EXPECT_EQ(odd->orderTime, 0);
    ASSERT_EQ(odd->getPartCount(), 1u);
    EXPECT_EQ(odd->getPart(0).quantity, 0);
    EXPECT_EQ(odd->getPart(0).files.size(), 1u);
}

TEST(OrderPart, FilesAndNames)
{
    OrderPart part(1);
    EXPECT_THROW(part.getFirstFileUri(), Quorvel::NotFoundException);
    part.setSingleFile("album://x/uuid-1");
    part.addFile("file:///b.jpg", "", 0, 0, "");
    part.setSingleFile("album://x/uuid-2");
    ASSERT_EQ(part.files.size(), 1u);
    EXPECT_EQ(part.files[0].id, "uuid-2");
    EXPECT_TRUE(part.renameFile("album://x/uuid-2", "album://y/uuid-2"));
    EXPECT_FALSE(part.renameFile("album://x/uuid-2", "album://z/uuid-2"));
    EXPECT_TRUE(part.usesFile("album://y/uuid-2"));

    Brenmarle::Pricelist pricelist;
    Brenmarle::Product product = makeProduct("print", {{1, "1"}});
    product.name.setDefault("Print 10x15");
    Brenmarle::SubProduct matte;
    matte.uuid = "matte";
    product.subProducts.push_back(matte);
    pricelist.addProduct(product);
    part.productUuid = "print";
    EXPECT_EQ(part.getName(pricelist), "Print 10x15");
    part.subProductUuids = {"matte"};
    EXPECT_TRUE(part.areSubProductsValid(pricelist));
    part.subProductUuids.push_back("gloss");
    EXPECT_FALSE(part.areSubProductsValid(pricelist));
    part.productUuid = "poster";
    EXPECT_EQ(part.getName(pricelist), "uuid:poster");
    EXPECT_FALSE(part.areSubProductsValid(pricelist));
}

// --- Print parts for chosen pictures ------------------------------------------------------

namespace {

Brenmarle::SubProduct makeSubProduct(const wxString& uuid, int group, bool isDefault)
{
    Brenmarle::SubProduct sub;
    sub.uuid = uuid;
    sub.groupId = group;
    sub.isDefault = isDefault;
    return sub;
}

} // namespace

TEST(PrintParts, OnePricedPartPerPictureOfTheDefaultProduct)
{
    auto pricelist = std::make_shared<Brenmarle::Pricelist>();
    pricelist->addProduct(makeProduct("first", {{1, "9.00"}}));
    Brenmarle::Product print = makeProduct("print10x15", {{1, "0.30"}});
    print.productType = 3;
    // One default per group of alternatives: a second default in group 1 is a list mistake.
    print.subProducts = {makeSubProduct("glossy", 1, true), makeSubProduct("matte", 1, true),
                         makeSubProduct("border", 2, false), makeSubProduct("backprint", 0, true),
                         makeSubProduct("date", 0, true)};
    pricelist->addProduct(print);
    pricelist->defaultProduct = "print10x15";

    auto parts = Brenmarle::PrintParts::make(
        {{"album://a/IMG_1.JPG", 100, 200}, {"file:///p/IMG_2.JPG", 300, 400}}, pricelist.get());
    ASSERT_EQ(2u, parts.size());
    EXPECT_EQ("print10x15", parts[0]->productUuid);
    EXPECT_EQ(3, parts[0]->productType);
    EXPECT_EQ(1, parts[0]->quantity);
    EXPECT_EQ((std::vector<wxString>{"glossy", "backprint", "date"}), parts[0]->subProductUuids);
    ASSERT_EQ(1u, parts[1]->files.size());
    EXPECT_EQ("file:///p/IMG_2.JPG", parts[1]->files[0].uri);
    EXPECT_EQ("IMG_2.JPG", parts[1]->files[0].id);
    EXPECT_EQ(300, parts[1]->files[0].fileModifyTime);
    EXPECT_EQ(400, parts[1]->files[0].metaModifyTime);

    Brenmarle::Order order(pricelist);
    for (auto& part : parts)
        order.addPart(std::move(part));
    ASSERT_TRUE(order.calculate(false));
    EXPECT_EQ(money("0.60"), order.getBaseCost());
}

TEST(PrintParts, WithoutAUsableDefaultTheFirstProductOrNone)
{
    auto pricelist = std::make_shared<Brenmarle::Pricelist>();
    pricelist->defaultProduct = "withdrawn";
    // No product at all: the picture is kept, as a part the pricing reports as missing.
    auto parts = Brenmarle::PrintParts::make({{"album://a/1.jpg", 0, 0}}, pricelist.get());
    ASSERT_EQ(1u, parts.size());
    EXPECT_TRUE(parts[0]->productUuid.empty());
    EXPECT_EQ("album://a/1.jpg", parts[0]->getFirstFileUri());
    EXPECT_TRUE(
        Brenmarle::PrintParts::make({{"album://a/1.jpg", 0, 0}}, nullptr)[0]->productUuid.empty());

    pricelist->addProduct(makeProduct("a", {{1, "1"}}));
    pricelist->addProduct(makeProduct("b", {{1, "2"}}));
    EXPECT_EQ(
        "a",
        Brenmarle::PrintParts::make({{"album://a/1.jpg", 0, 0}}, pricelist.get())[0]->productUuid);
    EXPECT_TRUE(Brenmarle::PrintParts::make({}, pricelist.get()).empty());
}
