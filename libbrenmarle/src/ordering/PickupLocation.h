#pragma once
// A shop where an order can be collected (element `pickuplocation`).

#include <wx/string.h>

#include "ordering/Address.h"
#include "ordering/ContactInfo.h"
#include "util/XMLSerializable.h"

namespace Brenmarle {

class PickupLocation : public Quorvel::XMLSerializable {
public:
    wxString uuid;
    wxString name;
    Address address;
    ContactInfo contactInfo;

    void readXML(const Quorvel::XMLNode& element) override;
    void writeXML(const Quorvel::XMLNode& element) const override;

    bool operator==(const PickupLocation& other) const;
    bool operator!=(const PickupLocation& other) const { return !(*this == other); }
};

} // namespace Brenmarle
