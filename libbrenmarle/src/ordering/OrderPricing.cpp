#include "ordering/OrderPricing.h"

#include <algorithm>

#include <wx/translation.h>

#include "core/Exceptions.h"
#include "ordering/Order.h"
#include "ordering/Pricelist.h"
#include "system/Log.h"

namespace Brenmarle {

const wxString OrderPricing::MISSING_PRODUCT_CODE = "Application.MissingProduct";

OrderPricing::OrderPricing(const Order& order, const Pricelist& pricelist, bool buildLines)
    : m_order(order), m_pricelist(pricelist), m_buildLines(buildLines)
{
}

void OrderPricing::fail(const wxString& reason)
{
    throw Failure{reason};
}

void OrderPricing::addLine(OrderLineInfo::Kind kind, const OrderPart* part, const wxString& text,
                           Money amount, Money unitPrice, int64_t quantity)
{
    if (m_buildLines)
        m_result.lines.push_back(OrderLineInfo{kind, part, text, amount, unitPrice, quantity});
}

OrderPricing::Result OrderPricing::run()
{
    try {
        priceParts();
        addOrderCharges();
        m_result.baseCost = m_productsTotal;
        addDiscounts();
        addDelivery();
        m_result.totalCost = m_result.baseCost + m_result.deliveryCost + m_result.discountSum;
        addLine(OrderLineInfo::TOTAL, nullptr, _("Total inc. VAT"), m_result.totalCost, Money(), 1);
        m_result.vat =
            m_result.totalCost - m_result.totalCost.dividedBy(m_pricelist.vatRate / 100.0 + 1.0);
        addLine(OrderLineInfo::VAT, nullptr,
                wxString::Format(_("VAT (%0.0f%%) amounts to"), m_pricelist.vatRate), m_result.vat,
                Money(), 1);
        m_result.priced = true;
        return std::move(m_result);
    } catch (const Failure& failure) {
        Result failed;
        failed.failure = failure.reason;
        return failed;
    } catch (const AmountOutOfRangeException& e) {
        // The price list or the order holds absurd amounts.
        QDEBUG("[ORDER] %s", e.getMessage());
        Result failed;
        failed.failure = e.getMessage();
        return failed;
    }
}

void OrderPricing::priceParts()
{
    for (size_t i = 0; i < m_order.getPartCount(); ++i) {
        const OrderPart& part = m_order.getPart(i);
        if (part.included && part.quantity != 0)
            m_totalQuantity[part.productUuid] += part.quantity;
    }
    if (!m_order.deliveryOptionUuid.empty()) {
        m_deliveryOption = m_pricelist.findDeliveryOption(m_order.deliveryOptionUuid);
        // Without it the delivery cost is unknown; a total without it would look right.
        if (!m_deliveryOption)
            fail(wxString::Format("Delivery option (UUID: %s) does not exist",
                                  m_order.deliveryOptionUuid));
    }
    for (size_t i = 0; i < m_order.getPartCount(); ++i) {
        const OrderPart& part = m_order.getPart(i);
        if (!part.included || part.quantity == 0)
            continue;
        if (part.quantity < 0)
            fail(wxString::Format("Invalid quantity %d", part.quantity));
        const Product* product = m_pricelist.findProduct(part.productUuid);
        if (!product)
            throw ProductException(
                MISSING_PRODUCT_CODE,
                wxString::Format("Product (UUID: %s) does not exist", part.productUuid));
        pricePart(part, *product);
    }
}

void OrderPricing::addSubProducts(const OrderPart& part, const Product& product)
{
    m_unitMass = product.mass;
    m_extraUnitPrice = Money();
    m_subProductText.clear();
    for (const wxString& uuid : part.subProductUuids) {
        const SubProduct* subProduct = product.findSubProduct(uuid);
        if (!subProduct) {
            QDEBUG("Subproduct (UUID: %s) does not exist, aborting", uuid);
            throw ProductException(
                MISSING_PRODUCT_CODE,
                wxString::Format("Subproduct (UUID: %s) does not exist, aborting", uuid));
        }
        if (!subProduct->classId.empty() && m_seenClassIds.insert(subProduct->classId).second)
            m_classIds.push_back(subProduct->classId);
        if (!m_subProductText.empty())
            m_subProductText += ", ";
        m_subProductText += subProduct->name.get();
        m_extraUnitPrice += subProduct->extraPrice;
        m_unitMass += subProduct->extraMass;
    }
}

void OrderPricing::pricePart(const OrderPart& part, const Product& product)
{
    const int64_t quantity = part.quantity;
    if (m_deliveryOption) {
        const auto price = product.deliveryOptionPrices.find(m_deliveryOption->uuid);
        if (price != product.deliveryOptionPrices.end())
            m_extraProductionCost += price->second.times(quantity);
    }
    addSubProducts(part, product);
    m_result.massByProducer[product.producerNr] += static_cast<double>(quantity) * m_unitMass;

    // The row is chosen by the product's quantity over all parts: two parts of 30 and 80 are
    // both priced as 110.
    const int64_t total = m_totalQuantity[part.productUuid];
    const std::vector<ProductPrice>& rows = product.getPrices();
    const auto row = std::find_if(rows.rbegin(), rows.rend(), [total](const ProductPrice& p) {
        return p.quantity <= total && p.type == 0;
    });
    const bool extraLine = m_extraUnitPrice > Money() || part.subProductUuids.size() > 1;
    if (row == rows.rend()) {
        priceBySteps(part, product);
    } else if (!row->hasPrice()) {
        QDEBUG("ERROR: Could not find price - abort");
        fail("ERROR: Could not find price - abort");
    } else {
        m_productsTotal += (row->price + m_extraUnitPrice).times(quantity);
        m_result.pictureCount += quantity;
        addLine(OrderLineInfo::PRODUCT, &part, product.name.get(), row->price.times(quantity),
                row->price, quantity);
        if (extraLine)
            addLine(OrderLineInfo::ADDITION, &part, m_subProductText,
                    m_extraUnitPrice.times(quantity), m_extraUnitPrice, quantity);
        return;
    }
    if (extraLine) {
        m_productsTotal += m_extraUnitPrice.times(quantity);
        addLine(OrderLineInfo::ADDITION, &part, m_subProductText, m_extraUnitPrice.times(quantity),
                m_extraUnitPrice, quantity);
    }
}

void OrderPricing::priceBySteps(const OrderPart& part, const Product& product)
{
    const int64_t quantity = part.quantity;
    const std::vector<ProductPrice>& rows = product.getPrices();
    int64_t start = 1;
    for (size_t i = 0; i < rows.size() && start <= quantity; ++i) {
        const int64_t end =
            i + 1 < rows.size() ? std::min<int64_t>(rows[i + 1].quantity - 1, quantity) : quantity;
        if (end < start) {
            QDEBUG("If we do not return here, we will loop forever. The product has defined two "
                   "prices with the same quantity.");
            fail("The product has defined two prices with the same quantity.");
        }
        // A row without a price would take money off.
        if (!rows[i].hasPrice()) {
            QDEBUG("ERROR: Could not find price - abort");
            fail("ERROR: Could not find price - abort");
        }
        const int64_t count = end - start + 1;
        m_productsTotal += rows[i].price.times(count);
        m_result.pictureCount += count;
        addLine(OrderLineInfo::PRODUCT, &part, product.name.get(), rows[i].price.times(count),
                rows[i].price, count);
        start = end + 1;
    }
    if (start <= quantity)
        fail(wxString::Format("No price for product (UUID: %s)", product.uuid));
}

void OrderPricing::addOrderCharges()
{
    for (const wxString& classId : m_classIds) {
        if (const SubProductClassPrice* classPrice = m_pricelist.findClassPrice(classId)) {
            m_productsTotal += classPrice->price;
            addLine(OrderLineInfo::ADDITION, nullptr, classPrice->description.get(),
                    classPrice->price, classPrice->price, 1);
        }
    }
    if (m_extraProductionCost > Money())
        m_result.deliveryCost += m_extraProductionCost;
    if (m_productsTotal > Money() && m_pricelist.baseCharge > Money()) {
        m_productsTotal += m_pricelist.baseCharge;
        addLine(OrderLineInfo::ADDITION, nullptr, _("Base charge"), m_pricelist.baseCharge,
                m_pricelist.baseCharge, 1);
    }
    if (!m_order.manualControl)
        return;
    const Money perUnit = m_pricelist.manualControlPricePerUnit;
    if (perUnit > Money() && m_result.pictureCount > 0) {
        const Money amount = perUnit.times(m_result.pictureCount);
        m_productsTotal += amount;
        addLine(OrderLineInfo::ADDITION, nullptr, _("Manual control of pictures (per item)"),
                amount, perUnit, m_result.pictureCount);
    }
    if (m_pricelist.manualControlPrice > Money()) {
        m_productsTotal += m_pricelist.manualControlPrice;
        addLine(OrderLineInfo::ADDITION, nullptr, _("Manual control of pictures"),
                m_pricelist.manualControlPrice, m_pricelist.manualControlPrice, 1);
    }
}

void OrderPricing::addDiscounts()
{
    // A discount never pays the customer: together they take at most the products total.
    const Money base = m_result.baseCost;
    if (m_pricelist.discountPercentage != 0) {
        const Money discount =
            std::clamp(base.percentOf(m_pricelist.discountPercentage), Money(), base);
        m_result.discountSum -= discount;
        addLine(OrderLineInfo::DISCOUNT, nullptr,
                wxString::Format(_("%0.1f%% discount"), m_pricelist.discountPercentage), -discount,
                Money(), 1);
    }
    if (m_pricelist.discountSum != Money()) {
        const Money left = std::max(base + m_result.discountSum, Money());
        const Money discount = std::clamp(m_pricelist.discountSum, Money(), left);
        m_result.discountSum -= discount;
        addLine(OrderLineInfo::DISCOUNT, nullptr, _("Discount"), -discount, Money(), 1);
    }
}

void OrderPricing::addDelivery()
{
    if (!m_deliveryOption)
        return;
    m_result.deliveryCost += m_deliveryOption->price + postage(*m_deliveryOption);
    if (m_result.deliveryCost > Money())
        addLine(OrderLineInfo::DELIVERY, nullptr, m_deliveryOption->description.get(),
                m_result.deliveryCost, m_result.deliveryCost, 1);
}

Money OrderPricing::postage(const DeliveryOption& option) const
{
    Money total;
    for (const auto& [producer, mass] : m_result.massByProducer) {
        const DeliveryProducer* entry = producer == 0 ? nullptr : option.findProducer(producer);
        const EnvelopeTable* table = producer == 0 ? &option.envelopes
                                     : entry       ? &entry->envelopes
                                                   : nullptr;
        if (!table || table->empty()) {
            QDEBUG("[ORDER] No enveloper for producer %d", producer);
            continue;
        }
        if (const auto envelope = table->find(mass)) {
            QDEBUG("[ORDER] Found envelope for producer %d (mass: %0.2f price: %0.2f), order "
                   "mass: %0.2f",
                   producer, envelope->first, envelope->second.toDouble(), mass);
            total += envelope->second;
        }
    }
    return total;
}

} // namespace Brenmarle
