#include "ordering/Order.h"

#include <algorithm>

#include "core/Exceptions.h"
#include "ordering/OrderPricing.h"
#include "ordering/Pricelist.h"
#include "system/Log.h"
#include "util/XMLDocument.h"

namespace Brenmarle {

const char* const Order::ROOT_ELEMENT = "order";

Order::Order(std::shared_ptr<const Pricelist> pricelist) : m_pricelist(std::move(pricelist)) {}

Order::~Order() = default;

std::unique_ptr<Order> Order::clone() const
{
    auto copy = std::make_unique<Order>(m_pricelist);
    copy->uuid = uuid;
    copy->deliveryType = deliveryType;
    copy->deliveryOptionUuid = deliveryOptionUuid;
    copy->manualControl = manualControl;
    copy->originatingProgram = originatingProgram;
    copy->comment = comment;
    copy->orderTime = orderTime;
    copy->pickupLocation = pickupLocation;
    copy->deliveryAddress = deliveryAddress;
    copy->userInfo = userInfo;
    for (const auto& part : m_parts)
        copy->m_parts.push_back(part->clone());
    return copy;
}

void Order::setPricelist(std::shared_ptr<const Pricelist> pricelist)
{
    m_pricelist = std::move(pricelist);
    invalidatePricing();
}

void Order::invalidatePricing()
{
    // Lines point at parts: they go with any change of the parts.
    m_state = PricingState::NotPriced;
    m_failure.clear();
    m_lines.clear();
}

void Order::addPart(std::unique_ptr<OrderPart> part)
{
    if (!part)
        throw Quorvel::NullPointerException("Order part is null");
    m_parts.push_back(std::move(part));
    invalidatePricing();
}

std::unique_ptr<OrderPart> Order::removePart(const OrderPart* part)
{
    const auto found = std::find_if(m_parts.begin(), m_parts.end(),
                                    [part](const auto& owned) { return owned.get() == part; });
    if (found == m_parts.end())
        return nullptr;
    std::unique_ptr<OrderPart> removed = std::move(*found);
    m_parts.erase(found);
    invalidatePricing();
    return removed;
}

OrderPart& Order::getPart(size_t index)
{
    return const_cast<OrderPart&>(static_cast<const Order&>(*this).getPart(index));
}

const OrderPart& Order::getPart(size_t index) const
{
    if (index >= m_parts.size())
        throw Quorvel::LogicException(wxString::Format(
            "Order part index %zu out of range (%zu parts)", index, m_parts.size()));
    return *m_parts[index];
}

bool Order::calculate(bool buildLines, const Pricelist* pricelist)
{
    if (!pricelist)
        pricelist = m_pricelist.get();
    OrderPricing::Result result;
    if (!pricelist) {
        result.failure = "No price list";
    } else {
        try {
            result = OrderPricing(*this, *pricelist, buildLines).run();
        } catch (const ProductException& e) {
            invalidatePricing();
            m_state = PricingState::Failed;
            m_failure = e.getMessage();
            m_baseCost = m_deliveryCost = m_discountSum = m_totalCost = m_vat = Money();
            m_massByProducer.clear();
            throw;
        }
    }
    m_state = result.priced ? PricingState::Priced : PricingState::Failed;
    m_failure = result.failure;
    if (!result.priced)
        QDEBUG("[ORDER] Pricing failed: %s", m_failure);
    m_baseCost = result.baseCost;
    m_deliveryCost = result.deliveryCost;
    m_discountSum = result.discountSum;
    m_totalCost = result.totalCost;
    m_vat = result.vat;
    m_lines = std::move(result.lines);
    m_massByProducer = std::move(result.massByProducer);
    return result.priced;
}

std::optional<Money> Order::getPricedTotal() const
{
    if (m_state != PricingState::Priced)
        return std::nullopt;
    return m_totalCost;
}

bool Order::canCheckout() const
{
    return m_state == PricingState::Priced && !m_parts.empty();
}

std::vector<int> Order::producersOf(const Pricelist& pricelist, bool& allFound) const
{
    std::vector<int> producers;
    allFound = true;
    for (const auto& part : m_parts) {
        const Product* product = pricelist.findProduct(part->productUuid);
        if (!product)
            allFound = false;
        else if (std::find(producers.begin(), producers.end(), product->producerNr) ==
                 producers.end())
            producers.push_back(product->producerNr);
    }
    return producers;
}

bool Order::isDeliveryOptionUsable(const DeliveryOption& option, const Pricelist& pricelist) const
{
    bool allFound = true;
    const std::vector<int> producers = producersOf(pricelist, allFound);
    if (!allFound)
        return false;
    return std::none_of(producers.begin(), producers.end(), [&option](int nr) {
        const DeliveryProducer* entry = option.findProducer(nr);
        return entry && entry->disabled;
    });
}

namespace {

int64_t toSeconds(int time, wxUniChar unit)
{
    if (unit == 'd')
        return static_cast<int64_t>(time) * 86400;
    if (unit == 'h')
        return static_cast<int64_t>(time) * 3600;
    return 0;
}

} // namespace

int64_t Order::getDeliveryTime(const DeliveryOption& option, const Pricelist& pricelist) const
{
    bool allFound = true;
    int64_t longest = toSeconds(option.deliveryTime, option.deliveryTimeUnit);
    for (int nr : producersOf(pricelist, allFound)) {
        if (const DeliveryProducer* entry = option.findProducer(nr))
            longest = std::max(longest, toSeconds(entry->deliveryTime, entry->deliveryTimeUnit));
    }
    return longest;
}

std::pair<int64_t, wxUniChar> Order::deliveryTimeInUnits(int64_t seconds)
{
    if (seconds >= 86400)
        return {seconds / 86400, 'd'};
    return {seconds / 3600, 'h'};
}

int Order::estimatePrintQuality(double area, double pixels)
{
    if (area == 0 || pixels == 0)
        return 6;
    const double x = area / 10000;
    const double q = pixels / x * ((1000 + x) / 1000);
    const int quality = q >= 2147483647.0 ? 2147483647 : static_cast<int>(q);
    QDEBUG("[ORDER] Calculated quality: %d", quality);
    if (quality > 10000)
        return 0;
    if (quality > 8000)
        return 1;
    if (quality > 6000)
        return 2;
    if (quality > 4000)
        return 3;
    if (quality <= 2000)
        return 5;
    return 4;
}

std::string Order::toXML() const
{
    return toXMLString(ROOT_ELEMENT);
}

std::unique_ptr<Order> Order::fromXML(const std::string& utf8)
{
    const wxString error = "Could not load order from XML document";
    const Quorvel::XMLDocument document = Quorvel::XMLDocument::parse(utf8, error);
    if (!document.getRoot().is(ROOT_ELEMENT))
        throw Quorvel::XMLException(error);
    auto order = std::make_unique<Order>();
    order->readXML(document.getRoot());
    return order;
}

void Order::readXML(const Quorvel::XMLNode& element)
{
    for (Quorvel::XMLNode node = element.firstChild(); node; node = node.next()) {
        if (node.is("uuid")) {
            uuid = node.getText();
        } else if (node.is("deliverytype")) {
            deliveryType = node.getInt();
        } else if (node.is("deliveryoptionuuid")) {
            deliveryOptionUuid = node.getText();
        } else if (node.is("manualcontrol")) {
            manualControl = node.getBool();
        } else if (node.is("basecost")) {
            m_baseCost = Money::read(node);
        } else if (node.is("deliverycost")) {
            m_deliveryCost = Money::read(node);
        } else if (node.is("discountsum")) {
            m_discountSum = Money::read(node);
        } else if (node.is("totalcost")) {
            m_totalCost = Money::read(node);
        } else if (node.is("originatingprogram")) {
            originatingProgram = node.getText();
        } else if (node.is("comment")) {
            comment = node.getText();
        } else if (node.is("ordertime")) {
            orderTime = node.getLong();
        } else if (node.is("pickuplocation")) {
            pickupLocation.readXML(node);
        } else if (node.is("deliveryaddress")) {
            deliveryAddress.readXML(node);
        } else if (node.is("userinfo")) {
            userInfo.readXML(node);
        } else if (node.is("orderparts")) {
            for (Quorvel::XMLNode item = node.firstChild(); item; item = item.next()) {
                if (!item.is("orderpart"))
                    continue;
                auto part = std::make_unique<OrderPart>();
                part->readXML(item);
                m_parts.push_back(std::move(part));
            }
        }
    }
    invalidatePricing();
}

void Order::writeXML(const Quorvel::XMLNode& element) const
{
    element.addText("uuid", uuid);
    element.addLong("deliverytype", deliveryType);
    element.addText("deliveryoptionuuid", deliveryOptionUuid);
    element.addBool("manualcontrol", manualControl);
    m_baseCost.write(element, "basecost");
    m_deliveryCost.write(element, "deliverycost");
    m_discountSum.write(element, "discountsum");
    m_totalCost.write(element, "totalcost");
    m_vat.write(element, "vat");
    element.addText("originatingprogram", originatingProgram);
    element.addText("comment", comment);
    element.addLong("ordertime", orderTime);
    pickupLocation.appendTo(element, "pickuplocation");
    deliveryAddress.appendTo(element, "deliveryaddress");
    userInfo.appendTo(element, "userinfo");
    const Quorvel::XMLNode parts = element.addChild("orderparts");
    for (const auto& part : m_parts)
        part->appendTo(parts, "orderpart");
}

} // namespace Brenmarle
