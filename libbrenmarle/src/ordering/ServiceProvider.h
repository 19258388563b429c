#pragma once
// A photo shop offering the services (element `serviceprovider`): its address, pickup
// locations and price lists, and which of them are the defaults.

#include <vector>

#include <wx/string.h>

#include "ordering/Address.h"
#include "ordering/ContactInfo.h"
#include "ordering/PickupLocation.h"
#include "ordering/Pricelist.h"
#include "util/XMLSerializable.h"

namespace Brenmarle {

class ServiceProvider : public Quorvel::XMLSerializable {
public:
    wxString uuid;
    wxString name;
    Address address;
    ContactInfo contactInfo;
    wxString defaultPricelist;
    wxString defaultPickupLocation;
    std::vector<PickupLocation> pickupLocations;
    std::vector<Pricelist> pricelists;

    void readXML(const Quorvel::XMLNode& element) override;
    void writeXML(const Quorvel::XMLNode& element) const override;
};

} // namespace Brenmarle
