#pragma once
// Where an order can be collected: the pickup delivery options (type 0) of the price list
// that the order can use, grouped into locations (an option's `pickuplocation`, or the option
// itself when it names none) and the locations into regions, in the order the price list
// lists them. A location's address comes from the first of its options that gives one.
//
// Made from the order and price list when the choice is shown; holds pointers into the price
// list, which must outlive it. Pure; any thread.

#include <vector>

#include <wx/string.h>

namespace Brenmarle {

class DeliveryOption;
class Order;
class Pricelist;

class PickupChoice {
public:
    struct Location {
        wxString uuid;
        wxString name;
        wxString address;
        wxString postalCode;
        wxString city;
        wxString region;
        std::vector<const DeliveryOption*> options;
    };

    PickupChoice(const Order& order, const Pricelist& pricelist);

    const std::vector<Location>& getLocations() const { return m_locations; }
    // The regions in the order of their first location.
    std::vector<wxString> getRegions() const;
    std::vector<const Location*> getLocationsIn(const wxString& region) const;
    // The location `uuid`, null when none.
    const Location* findLocation(const wxString& uuid) const;

    // "Unknown address" and "Unknown city" where the price list gives none.
    static wxString addressText(const Location& location);
    static wxString cityText(const Location& location);

private:
    std::vector<Location> m_locations;
};

} // namespace Brenmarle
