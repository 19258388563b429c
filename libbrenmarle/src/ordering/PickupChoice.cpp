#include "ordering/PickupChoice.h"

#include <algorithm>

#include <wx/intl.h>

#include "ordering/DeliveryOption.h"
#include "ordering/Order.h"
#include "ordering/Pricelist.h"

namespace Brenmarle {

namespace {

wxString joined(const wxString& first, const wxString& second)
{
    if (first.empty())
        return second;
    return second.empty() ? first : first + ", " + second;
}

} // namespace

PickupChoice::PickupChoice(const Order& order, const Pricelist& pricelist)
{
    for (const DeliveryOption& option : pricelist.deliveryOptions) {
        if (option.type != DeliveryOption::PICKUP ||
            !order.isDeliveryOptionUsable(option, pricelist))
            continue;
        const wxString uuid = option.pickupLocation.empty() ? option.uuid : option.pickupLocation;
        auto location = std::find_if(m_locations.begin(), m_locations.end(),
                                     [&](const Location& known) { return known.uuid == uuid; });
        if (location == m_locations.end()) {
            m_locations.push_back(Location{uuid, {}, {}, {}, {}, {}, {}});
            location = m_locations.end() - 1;
        }
        if (location->name.empty())
            location->name = option.pickupName;
        if (location->name.empty())
            location->name = option.description.get();
        if (location->address.empty())
            location->address = joined(option.pickupAddress1, option.pickupAddress2);
        if (location->postalCode.empty())
            location->postalCode = option.pickupPostalCode;
        if (location->city.empty())
            location->city = option.pickupCity;
        if (location->region.empty())
            location->region = option.pickupRegion;
        location->options.push_back(&option);
    }
}

std::vector<wxString> PickupChoice::getRegions() const
{
    std::vector<wxString> regions;
    for (const Location& location : m_locations) {
        if (std::find(regions.begin(), regions.end(), location.region) == regions.end())
            regions.push_back(location.region);
    }
    return regions;
}

std::vector<const PickupChoice::Location*>
PickupChoice::getLocationsIn(const wxString& region) const
{
    std::vector<const Location*> found;
    for (const Location& location : m_locations) {
        if (location.region == region)
            found.push_back(&location);
    }
    return found;
}

const PickupChoice::Location* PickupChoice::findLocation(const wxString& uuid) const
{
    for (const Location& location : m_locations) {
        if (location.uuid == uuid)
            return &location;
    }
    return nullptr;
}

wxString PickupChoice::addressText(const Location& location)
{
    return location.address.empty() ? _("Unknown address") : location.address;
}

wxString PickupChoice::cityText(const Location& location)
{
    if (location.city.empty())
        return _("Unknown city");
    return location.postalCode.empty() ? location.city : location.postalCode + " " + location.city;
}

} // namespace Brenmarle
