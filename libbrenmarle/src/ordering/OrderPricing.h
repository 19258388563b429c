#pragma once
// Prices an order against a price list: quantity prices chosen by a product's total quantity
// over all parts, step prices, sub-product extras and class prices, base charge, manual
// control, percentage and fixed discounts, delivery with postage by mass, total and VAT.
//
// The result is either complete or a failure with its reason; nothing half-computed leaves
// here. A missing product or sub-product raises Brenmarle::ProductException with code
// "Application.MissingProduct". Amounts never leave the range of Money: an overflow is a
// failure too.
//
// Threads: reads the order and the price list only; any thread that may read both.

#include <map>
#include <set>
#include <vector>

#include <wx/string.h>

#include "ordering/Money.h"
#include "ordering/OrderLineInfo.h"

namespace Brenmarle {

class DeliveryOption;
class Order;
class OrderPart;
class Pricelist;
class Product;

class OrderPricing {
public:
    struct Result {
        bool priced = false;
        wxString failure; // why, when not priced
        Money baseCost;
        Money deliveryCost;
        Money discountSum; // zero or negative
        Money totalCost;
        Money vat;
        int64_t pictureCount = 0;
        std::map<int, double> massByProducer;
        std::vector<OrderLineInfo> lines;
    };

    OrderPricing(const Order& order, const Pricelist& pricelist, bool buildLines);
    Result run();

    static const wxString MISSING_PRODUCT_CODE; // "Application.MissingProduct"

private:
    struct Failure {
        wxString reason;
    };

    void priceParts();
    void pricePart(const OrderPart& part, const Product& product);
    void priceBySteps(const OrderPart& part, const Product& product);
    void addSubProducts(const OrderPart& part, const Product& product);
    void addOrderCharges();
    void addDiscounts();
    void addDelivery();
    Money postage(const DeliveryOption& option) const;
    void addLine(OrderLineInfo::Kind kind, const OrderPart* part, const wxString& text,
                 Money amount, Money unitPrice, int64_t quantity);
    [[noreturn]] static void fail(const wxString& reason);

    const Order& m_order;
    const Pricelist& m_pricelist;
    const bool m_buildLines;
    Result m_result;
    Money m_productsTotal;
    Money m_extraProductionCost;
    std::map<wxString, int64_t> m_totalQuantity;
    std::vector<wxString> m_classIds;
    std::set<wxString> m_seenClassIds;
    const DeliveryOption* m_deliveryOption = nullptr;
    // Of the part being priced.
    Money m_extraUnitPrice;
    double m_unitMass = 0;
    wxString m_subProductText;
};

} // namespace Brenmarle
