#pragma once
// An order (element `order`): its parts, the delivery choice, the customer, and the amounts of
// its last pricing against a price list.
//
// Pricing state is explicit: an order is priced only after a calculate() that succeeded and
// before its parts change; a failed pricing leaves it Failed with zero amounts and no lines, so
// nothing shows or sends a partial sum that looks right. getPricedTotal() and canCheckout()
// are what views and the sending flow go by.
//
// Ownership: owns its parts. Shares the price list it is priced against (read-only), so a
// price list replaced meanwhile stays alive for it.
// Threads: one thread at a time (the GUI thread for the cart's order).

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <wx/string.h>

#include "ordering/Address.h"
#include "ordering/Money.h"
#include "ordering/OrderLineInfo.h"
#include "ordering/OrderPart.h"
#include "ordering/PickupLocation.h"
#include "ordering/UserInfo.h"
#include "util/XMLSerializable.h"

namespace Brenmarle {

class DeliveryOption;
class Pricelist;

class Order : public Quorvel::XMLSerializable {
public:
    static const char* const ROOT_ELEMENT; // "order"

    enum class PricingState { NotPriced, Priced, Failed };

    explicit Order(std::shared_ptr<const Pricelist> pricelist = nullptr);
    ~Order() override;
    // A deep copy with copies of all parts (lines are not copied: price the copy).
    std::unique_ptr<Order> clone() const;

    wxString uuid;
    int deliveryType = 0;
    wxString deliveryOptionUuid;
    bool manualControl = false;
    wxString originatingProgram;
    wxString comment;
    int64_t orderTime = 0;
    PickupLocation pickupLocation;
    Address deliveryAddress;
    UserInfo userInfo;

    const std::shared_ptr<const Pricelist>& getPricelist() const { return m_pricelist; }
    void setPricelist(std::shared_ptr<const Pricelist> pricelist);

    // Parts. Adding or removing one makes the order not priced.
    // Throws Quorvel::NullPointerException for a null part.
    void addPart(std::unique_ptr<OrderPart> part);
    // Takes the part out and hands it over; null when it is not in this order.
    std::unique_ptr<OrderPart> removePart(const OrderPart* part);
    size_t getPartCount() const { return m_parts.size(); }
    // Throws Quorvel::LogicException for an index out of range.
    OrderPart& getPart(size_t index);
    const OrderPart& getPart(size_t index) const;

    // Prices the order against `pricelist` (the order's own when null). Returns whether it
    // is priced. Without a price list, or when a rule cannot be applied (no price row, two
    // step rows of one quantity, a delivery option the list lacks, an amount out of range),
    // the order is Failed and the reason logged. A missing product or sub-product also leaves
    // it Failed and raises Brenmarle::ProductException ("Application.MissingProduct").
    bool calculate(bool buildLines, const Pricelist* pricelist = nullptr);
    PricingState getPricingState() const { return m_state; }
    const wxString& getPricingFailure() const { return m_failure; }
    // The total when priced, nothing otherwise.
    std::optional<Money> getPricedTotal() const;
    // Priced and holding at least one part.
    bool canCheckout() const;

    // Amounts of the last pricing (or as read from a document).
    Money getBaseCost() const { return m_baseCost; }
    Money getDeliveryCost() const { return m_deliveryCost; }
    Money getDiscountSum() const { return m_discountSum; }
    Money getTotalCost() const { return m_totalCost; }
    Money getVat() const { return m_vat; }
    const std::vector<OrderLineInfo>& getLines() const { return m_lines; }
    // Mass of the ordered units by producer number.
    const std::map<int, double>& getMassByProducer() const { return m_massByProducer; }

    // Usable unless it disables a producer of one of the order's products; false when a
    // product is missing from the price list.
    bool isDeliveryOptionUsable(const DeliveryOption& option, const Pricelist& pricelist) const;
    // In seconds: the longest of the option's own delivery time and those of its entries for
    // the order's producers ('d' days, 'h' hours, other units count 0).
    int64_t getDeliveryTime(const DeliveryOption& option, const Pricelist& pricelist) const;
    // Seconds as shown: whole days (unit 'd') from one day on, else hours (unit 'h').
    static std::pair<int64_t, wxUniChar> deliveryTimeInUnits(int64_t seconds);

    // How well `pixels` fill a print of area value `area`: 0 best to 5 worst, 6 unknown.
    static int estimatePrintQuality(double area, double pixels);

    // The order as a document whose root element is `order`; reading it back gives the same
    // fields except the VAT amount (0 until priced) and a not-priced state.
    std::string toXML() const;
    // Throws Quorvel::XMLException "Could not load order from XML document".
    static std::unique_ptr<Order> fromXML(const std::string& utf8);
    void readXML(const Quorvel::XMLNode& element) override;
    void writeXML(const Quorvel::XMLNode& element) const override;

private:
    void invalidatePricing();
    std::vector<int> producersOf(const Pricelist& pricelist, bool& allFound) const;

    std::shared_ptr<const Pricelist> m_pricelist;
    std::vector<std::unique_ptr<OrderPart>> m_parts;
    PricingState m_state = PricingState::NotPriced;
    wxString m_failure;
    Money m_baseCost;
    Money m_deliveryCost;
    Money m_discountSum;
    Money m_totalCost;
    Money m_vat;
    std::vector<OrderLineInfo> m_lines;
    std::map<int, double> m_massByProducer;
};

} // namespace Brenmarle
