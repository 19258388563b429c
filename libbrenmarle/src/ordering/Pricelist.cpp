#include "ordering/Pricelist.h"

#include <wx/wxcrt.h>

#include "util/XMLDocument.h"
#include "util/XMLStreamReader.h"

namespace Brenmarle {

namespace {

const char* const PARSE_ERROR = "Could not initialize price list from XML document";
// The sign a price list without one shows: U+FFFD's UTF-8 bytes read as Latin-1.
const wchar_t DEFAULT_SYMBOL[] = L"\u00EF\u00BF\u00BD";
constexpr size_t MAX_FORMAT_LENGTH = 100;

// Skips up to two digits; false when there are more.
bool skipShortNumber(const wxString& format, size_t& at)
{
    size_t digits = 0;
    while (at < format.length() && wxIsdigit(format[at])) {
        ++at;
        ++digits;
    }
    return digits <= 2;
}

// Reads one conversion after its "%"; true when it is a floating one.
bool readFloatingConversion(const wxString& format, size_t& at)
{
    static const wxString FLAGS = "-+ #0";
    while (at < format.length() && FLAGS.Find(format[at]) != wxNOT_FOUND)
        ++at;
    if (!skipShortNumber(format, at))
        return false;
    if (at < format.length() && format[at] == '.') {
        ++at;
        if (!skipShortNumber(format, at))
            return false;
    }
    if (at < format.length() && format[at] == 'l')
        ++at;
    if (at >= format.length())
        return false;
    static const wxString FLOATING = "fFeEgGaA";
    return FLOATING.Find(format[at++]) != wxNOT_FOUND;
}

// The precision a usable format shows (6 when it gives none); for the pre-rounding.
int precisionOf(const wxString& format)
{
    for (size_t at = 0; at + 1 < format.length(); ++at) {
        if (format[at] != '%')
            continue;
        if (format[at + 1] == '%') {
            ++at;
            continue;
        }
        size_t end = at + 1;
        while (end < format.length() && !wxIsalpha(format[end]))
            ++end;
        const wxString flags = format.Mid(at + 1, end - at - 1);
        const int point = flags.Find('.');
        if (point == wxNOT_FOUND)
            return 6;
        long precision = 0;
        return flags.Mid(point + 1).ToLong(&precision) ? static_cast<int>(precision) : 0;
    }
    return 6;
}

} // namespace

const char* const Pricelist::ROOT_ELEMENT = "pricelist";

Pricelist::Pricelist()
    : currencyFormatString(wxString(DEFAULT_SYMBOL) + "%0.2f"), currencySymbol(DEFAULT_SYMBOL)
{
}

const Product* Pricelist::findProduct(const wxString& productUuid) const
{
    const auto found = m_productIndex.find(productUuid);
    return found != m_productIndex.end() ? &m_products[found->second] : nullptr;
}

const DeliveryOption* Pricelist::findDeliveryOption(const wxString& optionUuid) const
{
    for (const DeliveryOption& option : deliveryOptions) {
        if (option.uuid == optionUuid)
            return &option;
    }
    return nullptr;
}

const SubProductClassPrice* Pricelist::findClassPrice(const wxString& classId) const
{
    for (const SubProductClassPrice& classPrice : subProductClassPrices) {
        if (classPrice.classId == classId)
            return &classPrice;
    }
    return nullptr;
}

void Pricelist::addProduct(Product product)
{
    m_productIndex.emplace(product.uuid, m_products.size());
    m_products.push_back(std::move(product));
}

void Pricelist::readProduct(const Quorvel::XMLNode& element)
{
    // Read in place, not copied in.
    Product& product = m_products.emplace_back();
    product.readXML(element);
    m_productIndex.emplace(product.uuid, m_products.size() - 1);
}

bool Pricelist::isUsableCurrencyFormat(const wxString& format)
{
    if (format.length() > MAX_FORMAT_LENGTH)
        return false;
    int conversions = 0;
    for (size_t at = 0; at < format.length(); ++at) {
        if (format[at] != '%')
            continue;
        ++at;
        if (at < format.length() && format[at] == '%')
            continue;
        if (!readFloatingConversion(format, at))
            return false;
        --at;
        ++conversions;
    }
    return conversions == 1;
}

wxString Pricelist::formatAmount(Money amount) const
{
    wxString format = currencyFormatString;
    if (!isUsableCurrencyFormat(format)) {
        wxString symbol = currencySymbol;
        symbol.Replace("%", "%%");
        format = symbol + "%0.2f";
    }
    return wxString::Format(format, amount.roundedTo(precisionOf(format)).toDouble());
}

std::shared_ptr<Pricelist> Pricelist::fromXML(const std::string& utf8)
{
    auto reader = Quorvel::XMLStreamReader::fromText(utf8, PARSE_ERROR);
    return read(reader);
}

std::shared_ptr<Pricelist> Pricelist::load(const wxString& path)
{
    auto reader = Quorvel::XMLStreamReader::fromFile(path, PARSE_ERROR);
    return read(reader);
}

std::shared_ptr<Pricelist> Pricelist::read(Quorvel::XMLStreamReader& reader)
{
    auto pricelist = std::make_shared<Pricelist>();
    // Products one at a time: the document never stands in memory as a whole tree.
    reader.read(
        ROOT_ELEMENT, {"products"},
        [&pricelist](const Quorvel::XMLNode& field) { pricelist->readField(field); },
        [&pricelist](const std::string&, const Quorvel::XMLNode& item) {
            if (item.is("product"))
                pricelist->readProduct(item);
        });
    return pricelist;
}

void Pricelist::save(const wxString& path) const
{
    Quorvel::XMLDocument document(ROOT_ELEMENT);
    writeXML(document.getRoot());
    document.save(path, true);
}

std::string Pricelist::toXML() const
{
    return toXMLString(ROOT_ELEMENT);
}

void Pricelist::readXML(const Quorvel::XMLNode& element)
{
    for (Quorvel::XMLNode node = element.firstChild(); node; node = node.next())
        readField(node);
}

void Pricelist::readField(const Quorvel::XMLNode& node)
{
    if (node.is("uuid")) {
        uuid = node.getText();
    } else if (node.is("currencyformatstring")) {
        currencyFormatString = node.getText();
    } else if (node.is("currencyname")) {
        currencyName = node.getText();
    } else if (node.is("currencycode")) {
        currencyCode = node.getText();
    } else if (node.is("currencysymbol")) {
        currencySymbol = node.getText();
    } else if (node.is("defaultproduct")) {
        defaultProduct = node.getText();
    } else if (node.is("vatrate")) {
        vatRate = node.getDouble();
    } else if (node.is("basecharge")) {
        baseCharge = Money::read(node);
    } else if (node.is("minimumsum")) {
        minimumSum = Money::read(node);
    } else if (node.is("manualcontrolpriceperunit")) {
        manualControlPricePerUnit = Money::read(node);
    } else if (node.is("manualcontrolprice")) {
        manualControlPrice = Money::read(node);
    } else if (node.is("discountsum")) {
        discountSum = Money::read(node);
    } else if (node.is("discountpercentage")) {
        discountPercentage = node.getDouble();
    } else if (node.is("userealpostage")) {
        useRealPostage = node.getBool();
    } else if (node.is("standardbymaildelivery")) {
        standardByMailDelivery = node.getText();
    } else if (node.is("standardinstoredelivery")) {
        standardInStoreDelivery = node.getText();
    } else if (node.is("products")) {
        for (Quorvel::XMLNode item = node.firstChild(); item; item = item.next()) {
            if (item.is("product"))
                readProduct(item);
        }
    } else if (node.is("deliveryoptions")) {
        readList(node, "deliveryoption", deliveryOptions);
    } else if (node.is("subproductclassprices")) {
        readList(node, "subproductclassprice", subProductClassPrices);
    }
}

void Pricelist::writeXML(const Quorvel::XMLNode& element) const
{
    element.addText("uuid", uuid);
    element.addText("currencyformatstring", currencyFormatString);
    element.addText("currencyname", currencyName);
    element.addText("currencycode", currencyCode);
    element.addText("currencysymbol", currencySymbol);
    element.addText("defaultproduct", defaultProduct);
    element.addDouble("vatrate", vatRate);
    baseCharge.write(element, "basecharge");
    minimumSum.write(element, "minimumsum");
    manualControlPricePerUnit.write(element, "manualcontrolpriceperunit");
    manualControlPrice.write(element, "manualcontrolprice");
    discountSum.write(element, "discountsum");
    element.addDouble("discountpercentage", discountPercentage);
    element.addBool("userealpostage", useRealPostage);
    element.addText("standardbymaildelivery", standardByMailDelivery);
    element.addText("standardinstoredelivery", standardInStoreDelivery);
    writeList(element, "products", "product", m_products);
    writeList(element, "deliveryoptions", "deliveryoption", deliveryOptions);
    writeList(element, "subproductclassprices", "subproductclassprice", subProductClassPrices);
}

} // namespace Brenmarle
